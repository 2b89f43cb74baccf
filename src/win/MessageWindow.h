// A message-only window: the address a worker thread posts or sends its
// notifications to, served by the UI thread's message loop and waits.
#pragma once

#include "win/Unique.h"

#include <functional>

namespace Win {

// Owns a window of HWND_MESSAGE, which is never shown and takes no
// broadcasts; its messages go to the handler, whose errors are shown in the
// standard error display. UI thread.
class MessageWindow {
public:
    // Handles one message; returns its result (DefWindowProcW's for the
    // messages it does not handle).
    using Handler = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit MessageWindow(Handler handler);
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const noexcept { return window_.get(); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    UniqueHWnd window_;
};

}  // namespace Win
