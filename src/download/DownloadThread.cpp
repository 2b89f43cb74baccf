#include "download/DownloadThread.h"

#include "download/BrowserFallback.h"
#include "download/ClientProxy.h"
#include "download/DownloadMessages.h"
#include "files/FileNaming.h"

#include <memory>

namespace {

// After a redirect the size is shown again only for a body announced above this.
constexpr std::int64_t kSmallestSizedBody = 51200;

}  // namespace

DownloadThread::DownloadThread(HWND notifyWindow, std::wstring url, std::wstring targetFolder, Net::ProxySettings proxy,
                               Net::HttpClient::ProxyCredentialsHandler askProxyCredentials)
    : notifyWindow_(notifyWindow),
      url_(std::move(url)),
      proxy_(std::move(proxy)),
      askProxyCredentials_(std::move(askProxyCredentials)),
      names_(ChooseDownloadNames(url_, targetFolder)),
      stopSignal_(std::make_shared<Net::AbortSignal>()),
      transferCount_(std::make_shared<TransferProgress>()),
      worker_([this] { Run(); }) {}

DownloadThread::~DownloadThread() {
    // The worker uses this object's members.
    worker_.Join();
    fileStream_.reset();
    client_.reset();
}

void DownloadThread::RequestStop() {
    stopRequested_ = true;
    stopSignal_->Abort();
}

DownloadNames DownloadThread::Names() const {
    CriticalSectionBlockHolder hold(namesLock_.get());
    return names_;
}

void DownloadThread::Run() {
    const bool complete = Download();
    PostMessageW(notifyWindow_, WM_DOWNLOAD_FINISHED, complete ? 1 : 0, 0);
}

bool DownloadThread::Download() {
    // A folder or file that cannot be made fails the download like the
    // transfer itself: the user is not left without a word.
    const std::optional<DownloadNames> placed = CreateDownloadFolder(Names());
    if (!placed) {
        DownloadFailed();
        return false;
    }
    {
        CriticalSectionBlockHolder hold(namesLock_.get());
        names_ = *placed;
    }
    try {
        fileStream_ = std::make_unique<DownloadFileStream>(placed->DownloadPath);
        Net::TransferSink& events = *this;
        client_ = std::make_unique<Net::HttpClient>(stopSignal_, events);
        ConfigureClientProxy(*client_, proxy_);
        client_->SetProxyCredentialsQuestion(askProxyCredentials_);
        client_->Get(url_, *fileStream_);
    } catch (...) {
        DownloadFailed();
        return false;
    }
    // The file stays open until the owner destroys this object.
    return true;
}

void DownloadThread::DownloadFailed() {
    client_.reset();
    fileStream_.reset();
    // Only this thread writes the paths, so they are read here without the lock.
    DeleteUnfinishedDownload(names_);
    if (stopRequested_) return;
    // No owner window: the worker must not wait for the UI thread, which may
    // be waiting for the worker.
    OpenInBrowser(url_, nullptr);
}

void DownloadThread::PostProgress(WPARAM kind, std::int64_t value) const {
    PostMessageW(notifyWindow_, WM_DOWNLOAD_PROGRESS, kind, static_cast<LPARAM>(value));
}

void DownloadThread::SetSizeHidden(bool hidden) {
    sizeHidden_ = hidden;
    PostProgress(PROGRESS_MARQUEE, hidden ? 1 : 0);
}

void DownloadThread::TransferBegun(std::int64_t total) {
    if (sizeHidden_ && total > kSmallestSizedBody) SetSizeHidden(false);
    if (sizeHidden_) return;
    transferCount_->Begin();
    PostProgress(PROGRESS_BEGIN, total);
}

void DownloadThread::DataReceived(std::int64_t count) {
    // A fast link reads far more often than a window can show: while a
    // notification waits, the window will read this count with it.
    if (!sizeHidden_ && transferCount_->Store(static_cast<std::uint64_t>(count))) PostProgress(PROGRESS_WORK, count);
}

void DownloadThread::TransferEnded() {
    if (!sizeHidden_) PostProgress(PROGRESS_END, 0);
}

void DownloadThread::TransferRestarted(std::int64_t total) {
    // The window shows the body that starts again as a transfer of its own.
    TransferEnded();
    TransferBegun(total);
}

void DownloadThread::Redirected(const std::wstring& location) {
    {
        CriticalSectionBlockHolder hold(namesLock_.get());
        names_.RemoteFileName = FileNameFromUrl(location);
    }
    SetSizeHidden(true);
}
