#include "toolkit/TrayIcon.h"

#include "toolkit/WinControl.h"
#include "win/Exception.h"

#include <shellapi.h>

namespace Toolkit {

namespace {

const wchar_t TrayWindowClass[] = L"ToolkitTrayWindow";

}  // namespace

TTrayIcon::TTrayIcon() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = TrayWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
    // A message-only window: it only receives the icon's callback messages,
    // and unlike a hidden top-level window it costs no window of the display
    // server (under Wine an X window) at start-up.
    window_.reset(CreateWindowExW(0, TrayWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr));
    Win::ThrowLastErrorIf(!window_, "CreateWindowExW");
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTrayIcon::~TTrayIcon() {
    if (added_) Notify(NIM_DELETE);
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

bool TTrayIcon::Notify(DWORD action) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window_.get();
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = icon_.get();
    lstrcpynW(data.szTip, hint_.c_str(), static_cast<int>(MaxHintLength + 1));
    return Shell_NotifyIconW(action, &data) != FALSE;
}

void TTrayIcon::SetVisible(bool visible) {
    visible_ = visible;
    if (visible && !added_) added_ = Notify(NIM_ADD);
    else if (!visible && added_) added_ = !Notify(NIM_DELETE);
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    const std::wstring cut = hint.substr(0, MaxHintLength);
    if (cut == hint_) return;
    hint_ = cut;
    if (added_) Notify(NIM_MODIFY);
}

void TTrayIcon::SetIcon(HICON icon) {
    icon_.reset(icon);
    if (added_) Notify(NIM_MODIFY);
}

LRESULT CALLBACK TTrayIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || message != CallbackMessage) return DefWindowProcW(window, message, wParam, lParam);
    try {
        // The mouse message comes in lParam; the pointer's position is read now.
        POINT cursor{0, 0};
        GetCursorPos(&cursor);
        switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
            if (self->OnClick) self->OnClick();
            break;
        case WM_MOUSEMOVE:
            if (self->OnMouseMove) self->OnMouseMove(0, cursor.x, cursor.y);
            break;
        default:
            break;
        }
    } catch (...) {
        HandleDispatchException();
    }
    return 0;
}

}  // namespace Toolkit
