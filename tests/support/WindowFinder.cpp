#include "support/WindowFinder.h"

namespace TestSupport {

namespace {

struct Search {
    DWORD processId;
    const wchar_t* windowClass;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search.processId && IsWindowVisible(window) && std::wstring(name) == search.windowClass)
        search.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND window, LPARAM parameter) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, L"Static") == 0) {
        wchar_t text[1024] = {};
        GetWindowTextW(window, text, 1024);
        if (*text) reinterpret_cast<std::vector<std::wstring>*>(parameter)->push_back(text);
    }
    return TRUE;
}

BOOL CALLBACK CollectTrayIcon(HWND window, LPARAM parameter) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (IsWindowVisible(window) && std::wstring(name) == L"__winex11_tray_icon")
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> NotificationAreaIcons() {
    std::vector<HWND> icons;
    if (const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr))
        EnumChildWindows(tray, CollectTrayIcon, reinterpret_cast<LPARAM>(&icons));
    return icons;
}

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* windowClass) {
    Search search{processId, windowClass, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<std::vector<std::wstring>> DismissMessageBox(DWORD processId, unsigned long timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::vector<HWND> boxes = TopLevelWindows(processId, L"#32770");
        if (!boxes.empty()) {
            std::vector<std::wstring> texts;
            EnumChildWindows(boxes.front(), CollectStaticText, reinterpret_cast<LPARAM>(&texts));
            PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
            return texts;
        }
        Sleep(20);
    } while (GetTickCount64() < end);
    return std::nullopt;
}

}  // namespace TestSupport
