// The window's icon in the notification area.
#pragma once

#include "win/Unique.h"

#include <string>

// Owns the notification-area entry while shown (removed when hidden or
// destroyed) and the icon it shows. The icon's mouse messages come to the
// owner window as `CallbackMessage`, the mouse message in lParam's low word.
// UI thread.
class TrayIcon {
public:
    // The notification area keeps at most this many characters of a tooltip.
    static constexpr size_t MaxTooltipLength = 127;
    static constexpr UINT CallbackMessage = WM_APP + 0x3F01;

    explicit TrayIcon(HWND owner) noexcept : owner_(owner) {}
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon to the notification area, loaded at the small-icon size
    // of `pixelsPerInch` when first shown.
    void Show(int pixelsPerInch);
    // Removes the icon from the notification area.
    void Hide();
    // Whether the icon was last shown rather than hidden.
    bool Shown() const noexcept { return shown_; }
    // Whether the notification area has accepted the icon (Shell_NotifyIconW
    // NIM_ADD succeeded) and it has not been removed since.
    bool InNotificationArea() const noexcept { return added_; }
    // The tooltip as shown: cut to its first MaxTooltipLength characters.
    const std::wstring& Tooltip() const noexcept { return tooltip_; }
    void SetTooltip(const std::wstring& tooltip);
    // Returns the width of the icon shown, 0 before it was first shown.
    int IconSize() const noexcept { return iconSize_; }

private:
    bool Notify(DWORD action);

    const HWND owner_;
    Win::UniqueHIcon icon_;
    int iconSize_ = 0;
    std::wstring tooltip_;
    bool shown_ = false;
    bool added_ = false;
};
