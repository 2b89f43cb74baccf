#include "win/MessageWindow.h"

#include "win/Exception.h"
#include "win/MessageLoop.h"

namespace Win {

namespace {

constexpr wchar_t kWindowClass[] = L"UpdaterMessages";

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kWindowClass, &windowClass)) {
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kWindowClass;
        ThrowLastErrorIf(!RegisterClassExW(&windowClass), "RegisterClassExW");
    }
    window_.reset(CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
    ThrowLastErrorIf(!window_, "CreateWindowExW");
}

LRESULT CALLBACK MessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // The last messages of a window being destroyed reach no handler.
    if (!self || message == WM_NCDESTROY) {
        if (self) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return CallShowingErrors([&] { return self->handler_(window, message, wParam, lParam); });
}

}  // namespace Win
