// An icon in the notification area.
#pragma once

#include "toolkit/Component.h"
#include "win/Unique.h"

#include <functional>
#include <string>

namespace Toolkit {

// Owns a hidden window that receives the icon's mouse messages, and the
// notification-area entry while visible (removed when hidden or destroyed).
// UI thread.
class TTrayIcon : public TComponent {
public:
    // The notification area keeps at most this many characters of a tooltip.
    static constexpr size_t MaxHintLength = 127;

    TTrayIcon();
    ~TTrayIcon() override;
    const wchar_t* ClassName() const override { return L"TTrayIcon"; }

    bool Visible() const noexcept { return visible_; }
    // Whether the notification area has accepted the icon (Shell_NotifyIconW
    // NIM_ADD succeeded) and it has not been removed since.
    bool InNotificationArea() const noexcept { return added_; }
    void SetVisible(bool visible);
    // The tooltip as shown: cut to its first MaxHintLength characters.
    const std::wstring& Hint() const noexcept { return hint_; }
    void SetHint(const std::wstring& hint);
    // Takes ownership of `icon`.
    void SetIcon(HICON icon);

    std::function<void()> OnClick;
    std::function<void(unsigned keys, int x, int y)> OnMouseMove;

    // The window that receives the icon's callback message (for tests and owners).
    HWND Window() const noexcept { return window_.get(); }
    static constexpr UINT CallbackMessage = WM_APP + 0x3F01;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Notify(DWORD action);

    Win::UniqueHWnd window_;
    Win::UniqueHIcon icon_;
    std::wstring hint_;
    bool visible_ = false;
    bool added_ = false;
};

}  // namespace Toolkit
