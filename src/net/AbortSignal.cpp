#include "net/AbortSignal.h"

#include "win/Exception.h"

namespace Net {

TAbortSignal::TAbortSignal() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Win::ThrowLastErrorIf(!event_, "CreateEventW");
}

void TAbortSignal::Abort() noexcept {
    aborted_.store(true);
    SetEvent(event_.get());
}

}  // namespace Net
