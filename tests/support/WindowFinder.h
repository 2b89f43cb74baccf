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

}  // namespace TestSupport
