#include "window/TrayIcon.h"

#include "win/Density.h"

#include <shellapi.h>

TTrayIcon::~TTrayIcon() {
    if (added_) Notify(NIM_DELETE);
}

bool TTrayIcon::Notify(DWORD action) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = icon_.get();
    lstrcpynW(data.szTip, hint_.c_str(), static_cast<int>(MaxHintLength + 1));
    return Shell_NotifyIconW(action, &data) != FALSE;
}

void TTrayIcon::SetVisible(bool visible, int pixelsPerInch) {
    visible_ = visible;
    if (visible && !icon_) {
        // The notification area shows small icons: the density's SM_CXSMICON
        // (16 at 96, 20 at 120, 24 at 144 pixels per inch), one of the sizes
        // the icon resource holds, so nothing is scaled.
        iconSize_ = Win::SystemMetricForDensity(SM_CXSMICON, pixelsPerInch);
        icon_.reset(static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, iconSize_, iconSize_, 0)));
    }
    if (visible && !added_) added_ = Notify(NIM_ADD);
    else if (!visible && added_) added_ = !Notify(NIM_DELETE);
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    const std::wstring cut = hint.substr(0, MaxHintLength);
    if (cut == hint_) return;
    hint_ = cut;
    if (added_) Notify(NIM_MODIFY);
}

void TTrayIcon::HandleCallback(LPARAM lParam) {
    // The mouse message comes in lParam's low word.
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
        if (OnClick) OnClick();
        break;
    case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove();
        break;
    default:
        break;
    }
}
