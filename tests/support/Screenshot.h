// Saves what the X server shows of a window as a PNG file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// Returns the pixels the screen shows of `area` (screen coordinates), row by
// row from the top, each 0x00RRGGBB.
std::vector<unsigned> ScreenPixels(const RECT& area);

// Copies the window's screen rectangle from the screen and writes it to
// `path` as PNG (WIC). COM must be initialised on the calling thread.
void SaveWindowScreenshot(HWND window, const std::wstring& path);

}  // namespace TestSupport
