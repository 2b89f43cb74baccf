// A run of a program watched from its start to its end: whether it ever
// showed a window, and how long it took.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace TestSupport {

// What a watched run did.
struct TWatchedRun {
    long exitCode = -1;         // -1: still running at the time limit, then ended
    bool showedWindow = false;  // a visible window of the toolkit's class appeared at some moment
    unsigned long elapsedMs = 0;
};

// A start-up that ends at once ends well within this (it takes a few hundred
// milliseconds); one that waited for a download or a window would not.
constexpr unsigned long kEndsAtOnceMs = 5000;

// Runs `commandLine` as RunProcess does and looks for a visible window of the
// toolkit's class every 10 ms until the process ends; a window that appears
// is closed, so the run ends either way.
TWatchedRun RunWatchingForWindows(const std::wstring& commandLine,
                                  const std::map<std::wstring, std::wstring>& environment,
                                  unsigned long timeoutMs = 30000);

}  // namespace TestSupport
