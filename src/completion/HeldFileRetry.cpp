#include "completion/HeldFileRetry.h"

#include "completion/MessageWait.h"

namespace {

constexpr DWORD kRetryIntervalMs = 100;

// The errors of a file that is open elsewhere without the sharing asked for
// (a rename or delete needs FILE_SHARE_DELETE of every other opener); some
// scanners' holds show as access denied.
bool IsHeldElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

}  // namespace

bool RetryWhileFileHeld(const std::function<bool()>& attempt, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt()) return true;
        const DWORD error = GetLastError();
        if (!IsHeldElsewhere(error) || GetTickCount() - start >= limitMs) return false;
        WaitServingMessages(kRetryIntervalMs);
        SetLastError(error);
    }
}
