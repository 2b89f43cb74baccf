#include "support/WindowFinder.h"

#include "support/Waits.h"
#include "win/Unique.h"

#include <commctrl.h>

namespace TestSupport {

namespace {

// The class of the progress window (window/ProgressWindow.cpp).
const wchar_t kUpdaterWindowClass[] = L"TUpdaterForm";

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    DWORD processId;
    const wchar_t* windowClass;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search.processId == kAnyProcess || owner == search.processId) && IsWindowVisible(window) &&
        ClassOf(window) == search.windowClass)
        search.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND window, LPARAM parameter) {
    if (lstrcmpiW(ClassOf(window).c_str(), L"Static") == 0) {
        wchar_t text[1024] = {};
        GetWindowTextW(window, text, 1024);
        if (*text) reinterpret_cast<std::vector<std::wstring>*>(parameter)->push_back(text);
    }
    return TRUE;
}

BOOL CALLBACK CollectTrayIcon(HWND window, LPARAM parameter) {
    if (IsWindowVisible(window) && ClassOf(window) == L"__winex11_tray_icon")
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

BOOL CALLBACK FindProgressBar(HWND child, LPARAM found) {
    if (lstrcmpiW(ClassOf(child).c_str(), PROGRESS_CLASSW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* windowClass) {
    Search search{processId, windowClass, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindUpdaterWindow(DWORD processId) {
    const std::vector<HWND> windows = TopLevelWindows(processId, kUpdaterWindowClass);
    return windows.empty() ? nullptr : windows.front();
}

HWND WaitForUpdaterWindow(DWORD processId, unsigned long timeoutMs) {
    // A process that has already ended cannot be opened: nothing left to wait for.
    const Win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindUpdaterWindow(processId);
            return window || !process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return window;
}

bool CloseUpdaterWindowWhenShown(DWORD processId, unsigned long timeoutMs) {
    const HWND window = WaitForUpdaterWindow(processId, timeoutMs);
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    return window != nullptr;
}

HWND ProgressBarOf(HWND updaterWindow) {
    HWND bar = nullptr;
    EnumChildWindows(updaterWindow, FindProgressBar, reinterpret_cast<LPARAM>(&bar));
    return bar;
}

std::optional<std::vector<std::wstring>> DismissMessageBox(DWORD processId, unsigned long timeoutMs) {
    std::vector<HWND> boxes;
    if (!WaitUntil([&] { return !(boxes = TopLevelWindows(processId, L"#32770")).empty(); }, timeoutMs))
        return std::nullopt;
    std::vector<std::wstring> texts;
    EnumChildWindows(boxes.front(), CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
    return texts;
}

std::vector<HWND> NotificationAreaIcons() {
    std::vector<HWND> icons;
    if (const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr))
        EnumChildWindows(tray, CollectTrayIcon, reinterpret_cast<LPARAM>(&icons));
    return icons;
}

}  // namespace TestSupport
