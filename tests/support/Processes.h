// Real processes for the tests: the one way to run updater.exe as a user
// starts it (UpdaterRun), Unix shell commands, and whether a program runs.
#pragma once

#include "support/ScratchFiles.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// The built updater.exe as a Windows path.
std::wstring UpdaterExePath();

// Returns the text "%UP_LEVEL_CUR_DIR%" stands for in the updater's launch
// parameters: the parent folder of updater.exe's folder, with a trailing "\".
std::wstring UpdaterParentFolder();

// Returns this process's current folder (what a program it starts without
// naming a folder, directly or through the shell, gets as its own).
std::wstring CurrentFolder();

// Returns whether a process whose executable file is named `exeName` runs in this prefix now.
bool ProcessRunning(const std::wstring& exeName);

// Runs a Unix shell command line (sh -c) from this Windows process and
// returns once it has finished, or false after 20 seconds. Wine starts Unix
// programs detached, so the command leaves a marker file when it is done.
// With `pumpMessages` this thread dispatches its messages while it waits.
bool RunUnixShell(const std::string& command, bool pumpMessages);

// The settings file every run writes, relative to its temporary folder.
constexpr wchar_t kSettingsFileInTempFolder[] = L"Velmora\\UpdaterSettings.xml";

// A start-up that ends at once ends well within this (it takes a few hundred
// milliseconds); one that waited for a download or a window would not.
constexpr unsigned long kEndsAtOnceMs = 5000;

// What a run of updater.exe is given besides its arguments.
struct UpdaterRunOptions {
    // The program (a Windows path): the built updater.exe, updater-pinned.exe or a copy elsewhere.
    std::wstring Executable = UpdaterExePath();
    // Its temporary folder (TMP and TEMP), used as it stands (the run makes
    // nothing there); empty: the folder "target\" in the run's own folder.
    std::wstring TempFolder;
    // How long a run may take; it is then ended, with exit code -1.
    unsigned long TimeoutMs = 60000;
};

// How a run ended.
struct UpdaterRunEnd {
    long ExitCode = -1;          // -1: still running at the time limit, then ended
    unsigned long ElapsedMs = 0; // from the start to the end of the process
};

// Runs updater.exe as a user starts it: its own fresh folder (which holds the
// default temporary folder) and the stand-in setup program's record in a
// fresh folder elsewhere (DEMO_SETUP_RECORD), both removed again; any other
// variable is this process's. Owns no process between runs.
class UpdaterRun {
public:
    UpdaterRun(const UpdaterRun&) = delete;
    UpdaterRun& operator=(const UpdaterRun&) = delete;
    explicit UpdaterRun(UpdaterRunOptions options = {});

    // Starts the program with `arguments` (appended to its quoted path as
    // they stand), calls `whileRunning` with its process id once it has
    // started, and waits for its end; then waits (up to 10 s each) until no
    // program started from the temporary folder runs, so that a started setup
    // program's record is complete.
    UpdaterRunEnd Run(const std::wstring& arguments = L"",
                      const std::function<void(DWORD)>& whileRunning = nullptr) const;

    // Returns the run's own folder, with a trailing "\".
    const std::wstring& Folder() const { return folder_.Path(); }
    // Returns the updater's temporary folder, with a trailing "\".
    const std::wstring& TempFolder() const { return tempFolder_; }

    // Waits up to 20 s for the started setup program's record and returns its
    // lines (own path, working folder, command-line tail); nullopt when no
    // program has written one.
    std::optional<std::vector<std::wstring>> WaitForSetupRecord() const;
    // Returns whether a setup program has written its record by now.
    bool SetupStarted() const;

private:
    UpdaterRunOptions options_;
    ScratchFolder folder_;
    ScratchFolder records_;
    std::wstring tempFolder_;
    std::wstring recordPath_;
};

}  // namespace TestSupport
