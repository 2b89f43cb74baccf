// The display density of the monitor a window is on.
#pragma once

#include <windows.h>

namespace Toolkit {

// Returns the pixels per inch of the monitor `window` is on: the monitor's
// effective density where the system reports one per monitor (GetDpiForWindow,
// else GetDpiForMonitor), the screen's logical density otherwise. A null
// window means the primary monitor.
int MonitorPixelsPerInch(HWND window);

// Returns the screen's logical density (LOGPIXELSY of the screen).
int ScreenPixelsPerInch();

}  // namespace Toolkit
