// The idle limit of the tests whose stalls are not about its length.
#pragma once

namespace TestSupport {

// The idle limit, in milliseconds, of updater-short-idle.exe (the test build's
// updater, tests/seams/ShortIdleLimit.cpp) and of the HTTP clients the
// stall tests make: a stall meets it within seconds, while the local servers'
// slowest deliberate gap (0.1 s) stays far below it.
constexpr unsigned long kShortIdleLimitMs = 2000;

}  // namespace TestSupport
