// One run of the real updater.exe as a user would start it: a temporary
// folder of its own, the stand-in setup program's record elsewhere, and what
// the run leaves behind.
#pragma once

#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/TestSupport.h"

#include <boost/noncopyable.hpp>

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// Returns build/demo-setup.exe with `padding` bytes appended: the same
// program, a larger download.
std::string DemoSetupDownload(std::size_t padding);

// Returns the text "%UP_LEVEL_CUR_DIR%" stands for in the updater's launch
// parameters: the parent folder of updater.exe's folder, with a trailing "\".
std::wstring UpdaterParentFolder();

// Returns the updater's progress bar (a child of `window`), or null.
HWND ProgressBarOf(HWND window);

// Owns a fresh temporary folder for the updater (its TMP and TEMP) and a
// fresh folder for the record of the setup program it starts
// (DEMO_SETUP_RECORD); both are removed again.
class UpdaterRun : boost::noncopyable {
public:
    // Runs `exe` (a Windows path): by default the built updater.exe.
    explicit UpdaterRun(std::wstring exe = UpdaterExePath());
    ~UpdaterRun();

    // Runs the updater with `arguments` (appended to its quoted path as they
    // stand) and returns its exit code, -1 when it did not end within 60 s.
    // `whileRunning` is called with its process id once it has started.
    long Run(const std::wstring& arguments, const std::function<void(DWORD)>& whileRunning = nullptr) const;

    // Returns the updater's temporary folder, with a trailing "\".
    const std::wstring& TempFolder() const { return temp_.Path(); }

    // Waits up to 20 s for the started setup program's record and returns its
    // lines (own path, working folder, command-line tail); nullopt when no
    // program has written one.
    std::optional<std::vector<std::wstring>> WaitForSetupRecord() const;

    // Returns whether a setup program has written its record by now.
    bool SetupStarted() const;

private:
    std::wstring exe_;
    ScratchFolder temp_;
    ScratchFolder records_;
};

// A run whose download takes a while: the server on the built-in URL's port
// trickles the stand-in setup program with `padding` bytes appended at
// `bytesPerSecond`; the system proxy is off and the browser stub in place.
struct TrickledRun : UpdaterRun {
    TrickledRun(std::size_t padding, unsigned long bytesPerSecond);

    const std::string Download;
    BuiltInUrlServer Server;
    const ScopedSystemProxy ProxyOff;
    const ScopedBrowserStub Browser;
};

// Returns the first visible window of the toolkit's class of process
// `processId` within `timeoutMs`, or null.
HWND WaitForToolkitWindow(DWORD processId, unsigned long timeoutMs);

// Waits up to 20 s until `server` has sent at least `bytes` of body; returns whether it has.
bool WaitForBodyBytes(const BuiltInUrlServer& server, unsigned long long bytes);

}  // namespace TestSupport
