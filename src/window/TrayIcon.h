// The window's icon in the notification area.
#pragma once

#include "win/Unique.h"

#include <functional>
#include <string>

// Owns the notification-area entry while visible (removed when hidden or
// destroyed) and the icon it shows. Its mouse messages come to the owner
// window as `CallbackMessage`, which hands them to HandleCallback. UI thread.
class TTrayIcon {
public:
    // The notification area keeps at most this many characters of a tooltip.
    static constexpr size_t MaxHintLength = 127;
    static constexpr UINT CallbackMessage = WM_APP + 0x3F01;

    explicit TTrayIcon(HWND owner) noexcept : owner_(owner) {}
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    bool Visible() const noexcept { return visible_; }
    // Whether the notification area has accepted the icon (Shell_NotifyIconW
    // NIM_ADD succeeded) and it has not been removed since.
    bool InNotificationArea() const noexcept { return added_; }
    // Adds the icon to the notification area (loading it at the small-icon
    // size of `pixelsPerInch`) or removes it.
    void SetVisible(bool visible, int pixelsPerInch);
    // The tooltip as shown: cut to its first MaxHintLength characters.
    const std::wstring& Hint() const noexcept { return hint_; }
    void SetHint(const std::wstring& hint);
    // Returns the width of the icon shown, 0 before it was first shown.
    int IconSize() const noexcept { return iconSize_; }

    // Calls OnClick for a release of the left button over the icon and
    // OnMouseMove for a move; `lParam` is the callback message's.
    void HandleCallback(LPARAM lParam);

    std::function<void()> OnClick;
    std::function<void()> OnMouseMove;

private:
    bool Notify(DWORD action);

    const HWND owner_;
    Win::UniqueHIcon icon_;
    int iconSize_ = 0;
    std::wstring hint_;
    bool visible_ = false;
    bool added_ = false;
};
