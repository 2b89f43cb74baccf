// Waiting for what another thread or process makes true: every poll of the
// tests goes through these two, so that each wait has a limit.
#pragma once

#include <functional>

namespace TestSupport {

// Waits until `done` returns true or `timeoutMs` have passed, polling every
// 10 ms; returns done().
bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs);

// The same, dispatching this thread's messages while it waits (for waits on
// the UI thread of a window or a thread that calls Synchronize).
bool PumpUntil(const std::function<bool()>& done, unsigned long timeoutMs = 60000);

}  // namespace TestSupport
