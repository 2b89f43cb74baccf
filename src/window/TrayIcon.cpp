#include "window/TrayIcon.h"

#include "win/Density.h"

#include <shellapi.h>

TrayIcon::~TrayIcon() {
    if (added_) Notify(NIM_DELETE);
}

bool TrayIcon::Notify(DWORD action) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = icon_.get();
    lstrcpynW(data.szTip, tooltip_.c_str(), static_cast<int>(MaxTooltipLength + 1));
    return Shell_NotifyIconW(action, &data) != FALSE;
}

void TrayIcon::Show(int pixelsPerInch) {
    shown_ = true;
    if (!icon_) {
        // The notification area shows small icons: the density's SM_CXSMICON
        // (16 at 96, 20 at 120, 24 at 144 pixels per inch), one of the sizes
        // the icon resource holds, so nothing is scaled.
        iconSize_ = Win::SystemMetricForDensity(SM_CXSMICON, pixelsPerInch);
        icon_.reset(static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, iconSize_, iconSize_, 0)));
    }
    if (!added_) added_ = Notify(NIM_ADD);
}

void TrayIcon::Hide() {
    shown_ = false;
    if (added_) added_ = !Notify(NIM_DELETE);
}

void TrayIcon::SetTooltip(const std::wstring& tooltip) {
    const std::wstring cut = tooltip.substr(0, MaxTooltipLength);
    if (cut == tooltip_) return;
    tooltip_ = cut;
    if (added_) Notify(NIM_MODIFY);
}
