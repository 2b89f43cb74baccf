// Patience with a file that another process holds for a moment: a security
// scanner commonly opens a fresh executable right after it was written.
#pragma once

#include <windows.h>

#include <functional>

// Returns how long a held file is waited for before the operation counts as
// failed, in milliseconds: 5 000. Defined alone in HeldFileRetryLimit.cpp, so
// that a test program can link a definition of its own ahead of the core
// library and wait a moment where the length of the wait is not what a test
// is about; the product has no switch.
DWORD HeldFileRetryLimitMs();

// Runs `attempt` until it returns true, again every 100 ms for up to
// `limitMs` while it fails because the file is held by another process
// (GetLastError() a sharing, lock or access violation), serving this
// thread's messages in between. Returns the last attempt's result, with its
// error in GetLastError(). UI thread.
bool RetryWhileFileHeld(const std::function<bool()>& attempt, DWORD limitMs = HeldFileRetryLimitMs());
