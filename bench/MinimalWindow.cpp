// The baseline for the updater's start-up and memory: the smallest program
// that shows a window. One window class, one top-level window, the message
// loop. A click anywhere in the window closes it and ends the program.
//
// With --with-dlls it first loads the system DLLs that the updater has loaded
// by the time its window shows (its imports and those it loads at run time),
// and does nothing else with them: the difference to the updater is then the
// updater's own work, the difference to the plain program what the DLLs cost.
// With --with-proxy-query (and --with-dlls) it also asks WinINet for the
// system proxy before the window, as the updater's job composition does: the
// two calls of the same per-connection query, the one with the UI flags that
// Wine refuses and the plain one. Wine runs its proxy auto-detection inside
// each, so the difference to --with-dlls is what that query costs.
#include <windows.h>
#include <wininet.h>

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONUP:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// As the loader reports them for updater.exe up to its first window
// (WINEDEBUG=+loaddll, the direct window: no msimg32, no WIC, no propsys).
const wchar_t* const UpdaterDlls[] = {
    L"advapi32.dll", L"comctl32.dll", L"gdi32.dll",    L"ole32.dll",    L"oleaut32.dll", L"shell32.dll",
    L"user32.dll",   L"wininet.dll",  L"shcore.dll",   L"shlwapi.dll",  L"uxtheme.dll",  L"dnsapi.dll",
    L"iphlpapi.dll", L"dhcpcsvc.dll", L"msxml6.dll",   L"urlmon.dll",   L"msxml3.dll"};

// Asks for the default connection's proxy flags and server as the updater
// does: INTERNET_PER_CONN_FLAGS_UI first, INTERNET_PER_CONN_FLAGS when that
// fails. Through GetProcAddress, so that the plain program imports no WinINet.
void QuerySystemProxy() {
    using QueryOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD);
    const HMODULE wininet = LoadLibraryW(L"wininet.dll");
    if (!wininet) return;
    const auto query =
        reinterpret_cast<QueryOption>(reinterpret_cast<void*>(GetProcAddress(wininet, "InternetQueryOptionW")));
    if (!query) return;
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS_UI;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof list;
    list.dwOptionCount = 2;
    list.pOptions = options;
    DWORD length = sizeof list;
    if (!query(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length)) {
        options[0].dwOption = INTERNET_PER_CONN_FLAGS;
        length = sizeof list;
        query(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length);
    }
    if (options[1].Value.pszValue) GlobalFree(options[1].Value.pszValue);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
    if (std::wcsstr(commandLine, L"--with-dlls"))
        for (const wchar_t* dll : UpdaterDlls) LoadLibraryW(dll);  // kept until the process ends
    if (std::wcsstr(commandLine, L"--with-proxy-query")) QuerySystemProxy();
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"MinimalWindow";
    if (!RegisterClassW(&windowClass)) return 1;
    // A borderless window of about the progress window's size.
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Minimal window", WS_POPUP, 100, 100, 400, 120,
                                        nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
