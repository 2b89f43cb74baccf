// Saves what the X server shows of a window as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace TestSupport {

// Copies the window's screen rectangle from the screen and writes it to
// `path` as PNG (WIC). COM must be initialised on the calling thread.
void SaveWindowScreenshot(HWND window, const std::wstring& path);

}  // namespace TestSupport
