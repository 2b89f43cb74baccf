#include "toolkit/ProgressBar.h"

#include <commctrl.h>

namespace Toolkit {

void TProgressBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WindowClass = PROGRESS_CLASSW;
    if (style_ == TProgressBarStyle::pbstMarquee) params.Style |= PBS_MARQUEE;
}

void TProgressBar::CreateHandle() {
    TWinControl::CreateHandle();
    SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    if (style_ == TProgressBarStyle::pbstMarquee) SendMessageW(Handle(), PBM_SETMARQUEE, TRUE, 0);
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    if (HandleAllocated()) SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void TProgressBar::SetPosition(int position) {
    position_ = position < min_ ? min_ : position > max_ ? max_ : position;
    if (HandleAllocated()) SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStyle(TProgressBarStyle style) {
    if (style == style_) return;
    style_ = style;
    if (!HandleAllocated()) return;
    const HWND bar = Handle();
    const LONG_PTR bits = GetWindowLongPtrW(bar, GWL_STYLE);
    const bool marquee = style == TProgressBarStyle::pbstMarquee;
    SetWindowLongPtrW(bar, GWL_STYLE, marquee ? bits | PBS_MARQUEE : bits & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    // 0 lets the control use its default animation speed.
    SendMessageW(bar, PBM_SETMARQUEE, marquee ? TRUE : FALSE, 0);
    if (!marquee) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    InvalidateRect(bar, nullptr, TRUE);
}

}  // namespace Toolkit
