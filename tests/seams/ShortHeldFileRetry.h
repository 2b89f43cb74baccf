// The held-file limit of the tests whose holds are not about its length.
#pragma once

#include <windows.h>

namespace TestSupport {

// The held-file limit, in milliseconds, of the in-process hand-off tests
// (tests/seams/ShortHeldFileRetry.cpp): long enough that a hold released
// well before it or well after it is told apart on a loaded machine, short
// enough that a hold past it costs seconds. The end-to-end runs of the real
// updater.exe keep the shipped limit and meet it from both sides.
constexpr DWORD kShortHeldFileRetryMs = 2000;

}  // namespace TestSupport
