#include "win/Density.h"

#include "win/DeviceContext.h"

namespace Win {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// Looked up at run time: GetDpiForWindow and GetSystemMetricsForDpi exist
// from Windows 10 1607 on, GetDpiForMonitor (shcore.dll) from Windows 8.1 on.
template <typename Function>
Function Lookup(const wchar_t* module, const char* name) {
    HMODULE library = GetModuleHandleW(module);
    if (!library) library = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);  // stays loaded
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

}  // namespace

int ScreenPixelsPerInch() {
    const WindowDc screen(nullptr);
    const int density = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return density > 0 ? density : 96;
}

int MonitorPixelsPerInch(HWND window) {
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    if (window && getDpiForWindow) {
        if (const UINT density = getDpiForWindow(window)) return static_cast<int>(density);
    }
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
    if (getDpiForMonitor) {
        const HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                        : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        UINT x = 0, y = 0;
        // 0 is MDT_EFFECTIVE_DPI.
        if (SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) && y) return static_cast<int>(y);
    }
    return ScreenPixelsPerInch();
}

int SystemMetricForDensity(int index, int pixelsPerInch) {
    static const auto forDpi = Lookup<GetSystemMetricsForDpiFunction>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(pixelsPerInch));
    return MulDiv(GetSystemMetrics(index), pixelsPerInch, ScreenPixelsPerInch());
}

}  // namespace Win
