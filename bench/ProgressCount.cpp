// The updater as updater.exe runs it (src/app/main.cpp itself, with the same
// library and resources), counting the progress notifications its run
// takes from the queue: a hook on the UI thread's retrieved messages, which
// leaves the run and the download thread as they are. A console program:
// at the end it prints "progress messages: begin B, work W, end E". For
// bench/run.sh.
#include "download/DownloadMessages.h"

#include <windows.h>

#include <cstdio>

namespace {

// Counts per PROGRESS_* kind; the hook procedure has no other way to them.
struct ProgressCounts {
    static inline long Kinds[3] = {};

    static LRESULT CALLBACK Retrieved(int code, WPARAM removal, LPARAM lParam) {
        const MSG* message = reinterpret_cast<const MSG*>(lParam);
        // A message is counted once, when it leaves the queue (a peek that
        // leaves it there sees it again later).
        if (code == HC_ACTION && removal == PM_REMOVE && message->message == WM_DOWNLOAD_PROGRESS &&
            message->wParam <= PROGRESS_END)
            ++Kinds[message->wParam];
        return CallNextHookEx(nullptr, code, removal, lParam);
    }
};

}  // namespace

// The updater's entry point (src/app/main.cpp, linked in as into updater.exe).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int);

int wmain() {
    const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, ProgressCounts::Retrieved, nullptr, GetCurrentThreadId());
    if (!hook) return 1;
    wWinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), SW_SHOWDEFAULT);
    UnhookWindowsHookEx(hook);
    std::printf("progress messages: begin %ld, work %ld, end %ld\n", ProgressCounts::Kinds[PROGRESS_BEGIN],
                ProgressCounts::Kinds[PROGRESS_WORK], ProgressCounts::Kinds[PROGRESS_END]);
    return 0;
}
