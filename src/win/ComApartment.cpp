#include "win/ComApartment.h"

#include <objbase.h>

namespace Win {

// A thread that is already in an apartment of another kind keeps it
// (RPC_E_CHANGED_MODE); only a successful call is balanced by CoUninitialize.
ComApartment::ComApartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
    if (joined_) CoUninitialize();
}

}  // namespace Win
