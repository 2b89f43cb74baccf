// The UI thread's message loop and the standard error display.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace Win {

// Returns the program's file name without its extension: the caption of the
// error display and of the updater's other message boxes.
const std::wstring& ProgramTitle();

// Returns the message text of an error: Win::Exception's message, a standard
// exception's what() read as UTF-8, or "" for anything else.
std::wstring ExceptionText(const std::exception_ptr& error);

// Shows `text` in the standard error display: a message box with the text,
// owned by the active window (task-modal when there is none). UI thread.
void ShowErrorText(const std::wstring& text);

// Shows the error being handled the same way. Call it only inside a catch
// block; nothing leaves it.
void ShowCurrentException() noexcept;

// Runs `handler` and returns its result; an error that leaves it is shown in
// the standard error display and `onError` is returned. Window procedures
// call their handlers through it: exceptions never unwind through the system.
template <typename Handler>
LRESULT CallShowingErrors(Handler&& handler, LRESULT onError = 0) noexcept {
    try {
        return handler();
    } catch (...) {
        ShowCurrentException();
        return onError;
    }
}

// Dispatches this thread's messages until WM_QUIT. Keyboard messages for
// `keyboardWindow` and its children go through IsDialogMessageW first, which
// gives a window that is no dialog the dialog keys: Tab moves the focus
// between WS_TABSTOP children and shows the focus cue, Space presses the
// focused button, Enter sends IDOK and Esc sends IDCANCEL as WM_COMMAND.
// UI thread.
void RunMessageLoop(HWND keyboardWindow);

}  // namespace Win
