// Holds the Wine session's desktop for a whole run of tests or benchmarks.
//
// Wine starts its desktop process (explorer.exe /desktop) from the first
// program that needs the desktop window, and that process keeps the Unix
// standard output the program had: a pipe of ctest's, which then waits for the
// pipe's end until the test's time-out, though the test has long ended. Wine
// also closes the desktop a moment after the last program using it has ended,
// so a later test can start it again in the same way. Started first, with its
// output going nowhere, this program makes the desktop start with no test's
// pipe in its hands and keeps it up until the session is stopped.
//
// Usage: wine-desktop.exe READY_FILE (the file is created once the desktop is up)
#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    // Under Wine this returns only when the desktop process has created the window.
    GetDesktopWindow();
    if (argv && argc > 1) {
        HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    }
    Sleep(INFINITE);
    return 0;
}
