// Finds and dismisses the windows that real code under test puts on screen:
// the updater's window and its parts, message boxes, notification-area icons.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// Stands for any process where a process id is asked for.
constexpr DWORD kAnyProcess = 0;

// Returns the visible top-level windows of a process (or of any) with the given class.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* windowClass);

// Returns the updater's window, the visible top-level window of the window
// class TUpdaterForm, of process `processId` (or of any); null when none is shown.
HWND FindUpdaterWindow(DWORD processId);

// Waits up to `timeoutMs` for the updater's window of a running process and
// returns it; null when none came, or the process ended first.
HWND WaitForUpdaterWindow(DWORD processId, unsigned long timeoutMs);

// Waits as WaitForUpdaterWindow does and closes the window that came (as its
// close picture and the system's close command do: WM_CLOSE); returns whether one came.
bool CloseUpdaterWindowWhenShown(DWORD processId, unsigned long timeoutMs);

// Returns the progress bar of the updater's window, or null.
HWND ProgressBarOf(HWND updaterWindow);

// Waits up to `timeoutMs` for a message box (a dialog of class "#32770")
// of the given process, presses its OK button and returns the texts of its
// static controls; nullopt when none appeared. Call it from a thread other
// than the one that shows the box.
std::optional<std::vector<std::wstring>> DismissMessageBox(DWORD processId, unsigned long timeoutMs);

// Returns the windows that stand for notification-area icons on this
// display, in Wine's stand-alone tray: the X server of the tests has no
// system tray, so Wine's desktop process shows each icon added with
// Shell_NotifyIconW as a child window of class "__winex11_tray_icon" of its
// "__winex11_standalone_tray" window, and relays the mouse messages that
// window gets to the icon's owner as its callback message.
std::vector<HWND> NotificationAreaIcons();

}  // namespace TestSupport
