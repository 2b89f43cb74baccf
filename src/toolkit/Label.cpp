#include "toolkit/Label.h"

namespace Toolkit {

namespace {

const UINT TextFormat = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP;

}  // namespace

void TLabel::SetCaption(const std::wstring& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    AdjustSize();
    Invalidate();
}

void TLabel::AdjustSize() {
    if (!AutoSize) return;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, Font().Handle());
    RECT area{0, 0, 0, 0};
    // An empty caption still has the height of a line.
    const std::wstring measured = caption_.empty() ? L" " : caption_;
    DrawTextW(screen, measured.c_str(), static_cast<int>(measured.size()), &area, TextFormat | DT_CALCRECT);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    SetBounds(Left(), Top(), caption_.empty() ? 0 : area.right, area.bottom);
}

void TLabel::Paint(HDC dc) {
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color));
    RECT area{Left(), Top(), Left() + Width(), Top() + Height()};
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &area, TextFormat);
    SelectObject(dc, old);
}

}  // namespace Toolkit
