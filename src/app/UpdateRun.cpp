#include "app/UpdateRun.h"

#include "app/ProxyCredentialPrompt.h"
#include "completion/HandOff.h"
#include "download/ClientProxy.h"
#include "download/DownloadMessages.h"

#include "win/Exception.h"
#include "win/MessageLoop.h"

namespace {

// A shown count is acknowledged one frame later, so the worker posts about
// 60 notifications a second at most, however fast the link. (Timers tick at
// the system's 15.6 ms clock on Windows: 15 rounds to one tick.)
constexpr UINT_PTR kProgressFrameTimer = 1;
constexpr UINT kProgressFrameMs = 15;

}  // namespace

UpdateRun::UpdateRun(Job job, std::optional<Publisher> setupPublisherPin,
                     Microsoft::WRL::ComPtr<ITaskbarList3> taskbar)
    : job_(std::move(job)),
      setupPublisherPin_(std::move(setupPublisherPin)),
      window_(job_.Window, job_.Language, [this] { WindowClosed(); }, std::move(taskbar)),
      notifications_([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
          return Notified(window, message, wParam, lParam);
      }) {
    // A proxy port that is no number leaves the window idle, with no download.
    const std::optional<Net::ProxySettings> proxy = TryClientProxy(job_.Proxy);
    if (!proxy) return;
    // An error here is shown, and the window stays all the same.
    try {
        download_ = std::make_unique<DownloadThread>(notifications_.Handle(), job_.Url, job_.TargetFolder, *proxy,
                                                      ProxyCredentialsAsker(notifications_.Handle()));
        transferCount_ = download_->Progress();
    } catch (...) {
        Win::ShowCurrentException();
    }
}

UpdateRun::~UpdateRun() { StopDownload(); }

void UpdateRun::Run() {
    window_.ShowUnlessInTray();
    if (!finished_ && !window_.Closed()) ServeMessages();
    if (finished_ && completed_ && downloadNames_) {
        try {
            HandOff(job_, *downloadNames_, setupPublisherPin_, window_.Handle());
        } catch (...) {
            Win::ShowCurrentException();
            // The window stays with what it shows until the user closes it.
            if (!window_.Closed()) ServeMessages();
        }
    }
    window_.Close();
}

void UpdateRun::ServeMessages() {
    serving_ = true;
    Win::RunMessageLoop(window_.Handle());
    serving_ = false;
}

void UpdateRun::WindowClosed() {
    // A close after the loop (during the hand-off, or the run's own at its
    // end) only hides the window.
    if (serving_) PostQuitMessage(0);
}

LRESULT UpdateRun::Notified(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DOWNLOAD_PROGRESS:
        DownloadProgress(wParam, static_cast<std::uint64_t>(lParam));
        return 0;
    case WM_DOWNLOAD_FINISHED:
        DownloadFinished(wParam != 0);
        return 0;
    case WM_ASK_PROXY_CREDENTIALS:
        // A window the user has closed asks nothing more.
        AnswerProxyCredentialsQuestion(window_.Handle(), lParam, !window_.Closed(), job_.Language);
        return 0;
    case WM_TIMER:
        ProgressFrameEnded();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void UpdateRun::DownloadProgress(WPARAM kind, std::uint64_t value) {
    switch (kind) {
    case PROGRESS_MARQUEE:
        window_.ShowMarquee(value != 0);
        break;
    case PROGRESS_BEGIN:
        ++transferNumber_;
        transferOpen_ = true;
        window_.ShowTransferBegun(value);
        break;
    case PROGRESS_WORK:
        window_.ShowReceived(NewestCount(value));
        if (transferCount_) SetTimer(notifications_.Handle(), kProgressFrameTimer, kProgressFrameMs, nullptr);
        break;
    case PROGRESS_END:
        transferOpen_ = false;
        KillTimer(notifications_.Handle(), kProgressFrameTimer);
        window_.ShowTransferEnded();
        break;
    default:
        break;
    }
}

std::uint64_t UpdateRun::NewestCount(std::uint64_t posted) const {
    if (!transferCount_) return posted;
    return transferCount_->Newest(transferNumber_).value_or(posted);
}

void UpdateRun::ProgressFrameEnded() {
    KillTimer(notifications_.Handle(), kProgressFrameTimer);
    if (!transferCount_) return;
    transferCount_->Acknowledge();
    // A count stored during the frame, with none after it (the link paused),
    // would otherwise wait for the next read to be shown.
    if (!transferOpen_) return;
    const std::optional<std::uint64_t> newest = transferCount_->Newest(transferNumber_);
    if (newest && *newest != window_.ReceivedSize()) DownloadProgress(PROGRESS_WORK, *newest);
}

void UpdateRun::DownloadFinished(bool completed) {
    finished_ = true;
    completed_ = completed;
    window_.ClearTaskbarProgress();
    ReleaseDownload();
    // The hand-off follows the loop, outside this window procedure.
    if (serving_) PostQuitMessage(0);
}

void UpdateRun::ReleaseDownload() {
    if (!download_) return;
    // Joins the worker, whose names are final then; releasing it closes the
    // download file, which can be moved or deleted only then.
    download_->Join();
    downloadNames_ = download_->Names();
    download_.reset();
}

void UpdateRun::StopDownload() {
    if (download_) download_->RequestStop();
    ReleaseDownload();
    if (completed_ || !downloadNames_) return;
    DeleteUnfinishedDownload(*downloadNames_);
}
