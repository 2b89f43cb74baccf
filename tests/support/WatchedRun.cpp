#include "support/WatchedRun.h"

#include "support/TestSupport.h"
#include "support/WindowFinder.h"
#include "win/Unique.h"

#include <vector>

namespace TestSupport {

TWatchedRun RunWatchingForWindows(const std::wstring& commandLine,
                                  const std::map<std::wstring, std::wstring>& environment, unsigned long timeoutMs) {
    TWatchedRun run;
    const ULONGLONG started = GetTickCount64();
    run.exitCode = RunProcess(commandLine, environment, timeoutMs, [&](DWORD processId) {
        // A process that has already ended cannot be opened: nothing left to watch.
        const Win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        while (process && WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT &&
               GetTickCount64() - started < timeoutMs) {
            const std::vector<HWND> windows = TopLevelWindows(processId, L"ToolkitWindow");
            if (!windows.empty() && !run.showedWindow) {
                run.showedWindow = true;
                PostMessageW(windows.front(), WM_CLOSE, 0, 0);
            }
        }
    });
    run.elapsedMs = static_cast<unsigned long>(GetTickCount64() - started);
    return run;
}

}  // namespace TestSupport
