// Finds and dismisses windows that real code under test puts on screen.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// Waits up to `timeoutMs` for a message box (a dialog of class "#32770")
// of the given process, presses its OK button and returns the texts of its
// static controls; nullopt when none appeared. Call it from a thread other
// than the one that shows the box.
std::optional<std::vector<std::wstring>> DismissMessageBox(DWORD processId, unsigned long timeoutMs);

// Returns the visible top-level windows of a process with the given class.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* windowClass);

// Returns the windows that stand for notification-area icons on this
// display, in Wine's stand-alone tray: the X server of the tests has no
// system tray, so Wine's desktop process shows each icon added with
// Shell_NotifyIconW as a child window of class "__winex11_tray_icon" of its
// "__winex11_standalone_tray" window, and relays the mouse messages that
// window gets to the icon's owner as its callback message.
std::vector<HWND> NotificationAreaIcons();

}  // namespace TestSupport
