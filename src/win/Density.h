// The display density (pixels per inch) of monitors and windows, and lengths
// scaled for it.
#pragma once

#include <windows.h>

namespace Win {

// Returns the pixels per inch of the monitor `window` is on: the monitor's
// effective density where the system reports one per monitor (GetDpiForWindow,
// else GetDpiForMonitor), the screen's logical density otherwise. A null
// window means the primary monitor.
int MonitorPixelsPerInch(HWND window);

// Returns the screen's logical density (LOGPIXELSY of the screen).
int ScreenPixelsPerInch();

// Returns the system metric `index` (SM_CXSMICON, ...) for `pixelsPerInch`:
// GetSystemMetricsForDpi where the system has it (Windows 10 1607 on), else
// the metric at the screen's density scaled to `pixelsPerInch`.
int SystemMetricForDensity(int index, int pixelsPerInch);

// Returns `length` pixels at 96 pixels per inch scaled to `pixelsPerInch`, rounded.
inline int ScaleFrom96(int length, int pixelsPerInch) { return MulDiv(length, pixelsPerInch, 96); }

}  // namespace Win
