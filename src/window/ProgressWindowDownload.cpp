// The progress window's side of the download: the notifications, the bar,
// the size line, the taskbar button, the hand-off and the stop.
#include "window/ProgressWindow.h"

#include "completion/HandOff.h"
#include "download/DownloadMessages.h"
#include "download/DownloadThread.h"

#include <commctrl.h>

namespace {

// A shown count is acknowledged one frame later, so the thread posts about
// 60 notifications a second at most, however fast the link. (Timers tick at
// the system's 15.6 ms clock on Windows: 15 rounds to one tick.)
constexpr UINT_PTR kProgressFrameTimer = 1;
constexpr UINT kProgressFrameMs = 15;

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

void TProgressWindow::DownloadProgress(WPARAM kind, std::uint64_t value) {
    if (kind == PROGRESS_MARQUEE) {
        SetMarquee(value != 0);
        return;
    }
    if (kind == PROGRESS_BEGIN) {
        ++transferNumber_;
        transferOpen_ = true;
        TotalSize = value;
        if (value == 0) SetMarquee(true);
        else if (!marquee_) taskbar_->ShowValue(barPosition_);
    } else if (kind == PROGRESS_WORK) {
        ReceivedSize = NewestCount(value);
        if (TotalSize > 0) SetBarPosition(Percent(ReceivedSize, TotalSize));
        if (transferCount_) SetTimer(window_.get(), kProgressFrameTimer, kProgressFrameMs, nullptr);
    } else if (kind == PROGRESS_END) {
        transferOpen_ = false;
        KillTimer(window_.get(), kProgressFrameTimer);
        ReceivedSize = TotalSize;
        SetBarPosition(100);
    }
    SetText(sizeLine_, sizeText_, SizeLine());
}

void TProgressWindow::SetMarquee(bool marquee) {
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

void TProgressWindow::SetBarPosition(int position) {
    barPosition_ = position;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    if (!marquee_) taskbar_->ShowValue(position);
}

std::uint64_t TProgressWindow::NewestCount(std::uint64_t posted) const {
    if (!transferCount_) return posted;
    return transferCount_->Newest(transferNumber_).value_or(posted);
}

void TProgressWindow::ProgressFrameEnded() {
    KillTimer(window_.get(), kProgressFrameTimer);
    if (!transferCount_) return;
    transferCount_->Acknowledge();
    // A count stored during the frame, with none after it (the link paused),
    // would otherwise wait for the next read to be shown.
    if (!transferOpen_) return;
    const std::optional<std::uint64_t> newest = transferCount_->Newest(transferNumber_);
    if (newest && *newest != ReceivedSize) DownloadProgress(PROGRESS_WORK, *newest);
}

void TProgressWindow::ReleaseDownloadThread() {
    if (!DownloadThread) return;
    // Waits for the thread, whose names are final then; releasing it closes
    // the download file, which can be moved or deleted only then.
    DownloadThread->WaitFor();
    downloadNames_ = DownloadThread->Names();
    DownloadThread.reset();
}

void TProgressWindow::DownloadFinished(WPARAM completed) {
    DownloadCompleted = completed != 0;
    taskbar_->Clear();
    ReleaseDownloadThread();
    if (DownloadCompleted && downloadNames_) HandOff(job_, *downloadNames_, setupPublisherPin_, window_.get());
    Close();
}

void TProgressWindow::StopDownload() {
    if (DownloadThread) DownloadThread->RequestStop();
    ReleaseDownloadThread();
    if (DownloadCompleted || !downloadNames_) return;
    DeleteUnfinishedDownload(*downloadNames_);
}

std::wstring TProgressWindow::SizeLine() const {
    std::wstring figures = std::to_wstring(ReceivedSize / 1024);
    if (TotalSize > 0) figures += L" / " + std::to_wstring(TotalSize / 1024);
    return job_.Window.SizePrefix + figures + job_.Window.SizeSuffix;
}
