// Patience with a file that another process holds for a moment: a security
// scanner commonly opens a fresh executable right after it was written.
#pragma once

#include <windows.h>

#include <functional>

// How long a held file is waited for before the operation counts as failed.
constexpr DWORD kHeldFileRetryMs = 5000;

// Runs `attempt` until it returns true, again every 100 ms for up to
// `limitMs` while it fails because the file is held by another process
// (GetLastError() a sharing, lock or access violation), serving this
// thread's messages in between. Returns the last attempt's result, with its
// error in GetLastError(). UI thread.
bool RetryWhileFileHeld(const std::function<bool()>& attempt, DWORD limitMs = kHeldFileRetryMs);
