#include "toolkit/Density.h"

namespace Toolkit {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// Looked up at run time: GetDpiForWindow exists from Windows 10 1607 on,
// GetDpiForMonitor (shcore.dll) from Windows 8.1 on.
template <typename Function>
Function Lookup(const wchar_t* module, const char* name) {
    HMODULE library = GetModuleHandleW(module);
    if (!library) library = LoadLibraryW(module);  // stays loaded for the process
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

}  // namespace

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int density = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return density > 0 ? density : 96;
}

int MonitorPixelsPerInch(HWND window) {
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
    if (window && getDpiForWindow) {
        if (const UINT density = getDpiForWindow(window)) return static_cast<int>(density);
    }
    if (getDpiForMonitor) {
        const HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                        : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        UINT x = 0, y = 0;
        // 0 is MDT_EFFECTIVE_DPI.
        if (SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) && y) return static_cast<int>(y);
    }
    return ScreenPixelsPerInch();
}

}  // namespace Toolkit
