// The progress window's figures: the bar, the marquee, the size line and the
// taskbar button, as the run tells them.
#include "window/ProgressWindow.h"

#include <commctrl.h>

namespace {

// Returns received x 100 / total (total > 0), truncated, without overflow.
int Percent(std::uint64_t received, std::uint64_t total) {
    // The remainder's product stays below 2^64 up to 2^64 / 100 bytes (184 PB);
    // beyond, 128ths of both are exact enough for a bar of 100 steps.
    if (total > UINT64_MAX / 100) {
        received >>= 7;
        total >>= 7;
    }
    return static_cast<int>(received / total * 100 + received % total * 100 / total);
}

}  // namespace

void ProgressWindow::ShowTransferBegun(std::uint64_t total) {
    totalSize_ = total;
    if (total == 0) ShowMarquee(true);
    else if (!marquee_) taskbar_->ShowValue(barPosition_);
    ShowSizeLine();
}

void ProgressWindow::ShowReceived(std::uint64_t count) {
    receivedSize_ = count;
    if (totalSize_ > 0) SetBarPosition(Percent(receivedSize_, totalSize_));
    ShowSizeLine();
}

void ProgressWindow::ShowTransferEnded() {
    receivedSize_ = totalSize_;
    SetBarPosition(100);
    ShowSizeLine();
}

void ProgressWindow::ShowMarquee(bool marquee) {
    if (marquee == marquee_) return;
    marquee_ = marquee;
    const LONG_PTR bits = GetWindowLongPtrW(bar_, GWL_STYLE);
    SetWindowLongPtrW(bar_, GWL_STYLE, marquee ? bits | PBS_MARQUEE : bits & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    // 0 lets the control use its default animation speed.
    SendMessageW(bar_, PBM_SETMARQUEE, marquee ? TRUE : FALSE, 0);
    if (!marquee) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(barPosition_), 0);
    InvalidateRect(bar_, nullptr, TRUE);
    if (marquee) taskbar_->ShowIndeterminate();
    else taskbar_->ShowValue(barPosition_);
}

void ProgressWindow::SetBarPosition(int position) {
    barPosition_ = position;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    if (!marquee_) taskbar_->ShowValue(position);
}

std::wstring ProgressWindow::SizeLine() const {
    std::wstring figures = std::to_wstring(receivedSize_ / 1024);
    if (totalSize_ > 0) figures += L" / " + std::to_wstring(totalSize_ / 1024);
    return sizePrefix_ + figures + sizeSuffix_;
}

void ProgressWindow::ShowSizeLine() { SetText(sizeLine_, sizeText_, SizeLine()); }
