#include "support/Waits.h"

#include <windows.h>

namespace TestSupport {

namespace {

constexpr DWORD kPollMs = 10;

// Calls `done` until it returns true or the time is up, with `pause` between the calls.
bool Poll(const std::function<bool()>& done, unsigned long timeoutMs, const std::function<void()>& pause) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        pause();
    }
    return true;
}

void DispatchMessagesFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs) {
    return Poll(done, timeoutMs, [] { Sleep(kPollMs); });
}

bool PumpUntil(const std::function<bool()>& done, unsigned long timeoutMs) {
    return Poll(done, timeoutMs, [] { DispatchMessagesFor(kPollMs); });
}

}  // namespace TestSupport
