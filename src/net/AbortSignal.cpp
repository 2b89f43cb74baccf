#include "net/AbortSignal.h"

#include "win/Exception.h"

namespace Net {

AbortSignal::AbortSignal() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Win::ThrowLastErrorIf(!event_, "CreateEventW");
}

void AbortSignal::Abort() noexcept {
    aborted_.store(true);
    SetEvent(event_.get());
}

}  // namespace Net
