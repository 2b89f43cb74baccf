// One run of the real updater.exe whose temporary folder (the built-in job's
// target folder) lies in a folder of the test's choosing, such as a small
// file system, and everything the run left in that folder, beside the target
// folder included. (UpdaterRun.h has the runs in a fresh scratch folder.)
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// What a run left: its exit code (-1 when it had to be killed), every file
// below the run's folder (relative paths, sorted) and what the stand-in
// setup program recorded if it was started.
struct TUpdaterRunResult {
    long exitCode = -1;
    std::vector<std::wstring> files;
    std::optional<std::string> setupRecord;
};

// Runs updater.exe with TMP and TEMP at `runFolder` + "target\" and the
// setup program's record at `recordPath`; ends it after `timeoutMs`.
// `whileRunning` gets the process id right after the start.
TUpdaterRunResult RunUpdater(const std::wstring& runFolder, const std::wstring& recordPath, unsigned long timeoutMs,
                             const std::function<void(DWORD)>& whileRunning = nullptr);

// Returns the files below `folder` (ending in "\") as paths relative to it, sorted.
std::vector<std::wstring> FilesBelow(const std::wstring& folder);

// Returns whether a process whose executable is named `exeName` runs in this prefix.
bool ProcessRuns(const std::wstring& exeName);

// The relative path of the settings file that every run writes.
extern const wchar_t kSettingsFileOfRun[];

}  // namespace TestSupport
