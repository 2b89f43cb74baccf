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

TDownloadThread::TDownloadThread(HWND notifyWindow, std::wstring url, std::wstring targetFolder,
                                 Net::TProxySettings proxy,
                                 Net::THttpClient::TProxyCredentialsHandler askProxyCredentials)
    : notifyWindow_(notifyWindow),
      url_(std::move(url)),
      proxy_(std::move(proxy)),
      askProxyCredentials_(std::move(askProxyCredentials)),
      names_(ChooseDownloadNames(url_, targetFolder)),
      stopSignal_(std::make_shared<Net::TAbortSignal>()),
      transferCount_(std::make_shared<TTransferProgress>()) {
    OnTerminate = [this](Win::TThread&) {
        PostMessageW(notifyWindow_, WM_DOWNLOAD_FINISHED, complete_ ? 1 : 0, 0);
    };
    Start();
}

TDownloadThread::~TDownloadThread() {
    // Execute and the termination handler use this object's members.
    StopAndWait();
    fileStream_.reset();
    client_.reset();
}

void TDownloadThread::RequestStop() {
    stopRequested_ = true;
    stopSignal_->Abort();
}

TDownloadNames TDownloadThread::Names() const {
    TCriticalSectionBlockHolder hold(namesLock_.get());
    return names_;
}

void TDownloadThread::Execute() {
    // A folder or file that cannot be made fails the download like the
    // transfer itself: the user is not left without a word.
    const std::optional<TDownloadNames> placed = CreateDownloadFolder(Names());
    if (!placed) {
        DownloadFailed();
        return;
    }
    {
        TCriticalSectionBlockHolder hold(namesLock_.get());
        names_ = *placed;
    }
    try {
        fileStream_.reset(new TDownloadFileStream(placed->DownloadPath));
        client_.reset(new Net::THttpClient(stopSignal_, *this));
        ConfigureClientProxy(*client_, proxy_);
        client_->OnProxyCredentials = askProxyCredentials_;
        client_->Get(url_, *fileStream_);
    } catch (...) {
        DownloadFailed();
        return;
    }
    // The file stays open until the owner destroys this object.
    complete_ = true;
}

void TDownloadThread::DownloadFailed() {
    client_.reset();
    fileStream_.reset();
    // Only this thread writes the paths, so they are read here without the lock.
    DeleteUnfinishedDownload(names_);
    if (stopRequested_) return;
    // No owner window: the worker must not wait for the UI thread, which may
    // be waiting for the worker.
    OpenInBrowser(url_, nullptr);
}

void TDownloadThread::PostProgress(WPARAM kind, std::int64_t value) const {
    PostMessageW(notifyWindow_, WM_DOWNLOAD_PROGRESS, kind, static_cast<LPARAM>(value));
}

void TDownloadThread::SetSizeHidden(bool hidden) {
    sizeHidden_ = hidden;
    PostProgress(PROGRESS_MARQUEE, hidden ? 1 : 0);
}

void TDownloadThread::TransferBegun(std::int64_t total) {
    if (sizeHidden_ && total > kSmallestSizedBody) SetSizeHidden(false);
    if (sizeHidden_) return;
    transferCount_->Begin();
    PostProgress(PROGRESS_BEGIN, total);
}

void TDownloadThread::DataReceived(std::int64_t count) {
    // A fast link reads far more often than a window can show: while a
    // notification waits, the window will read this count with it.
    if (!sizeHidden_ && transferCount_->Store(static_cast<std::uint64_t>(count))) PostProgress(PROGRESS_WORK, count);
}

void TDownloadThread::TransferEnded() {
    if (!sizeHidden_) PostProgress(PROGRESS_END, 0);
}

void TDownloadThread::TransferRestarted(std::int64_t total) {
    // The window shows the body that starts again as a transfer of its own.
    TransferEnded();
    TransferBegun(total);
}

void TDownloadThread::Redirected(const std::wstring& location) {
    {
        TCriticalSectionBlockHolder hold(namesLock_.get());
        names_.RemoteFileName = FileNameFromUrl(location);
    }
    SetSizeHidden(true);
}
