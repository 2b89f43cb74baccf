// The worker that downloads the job's file and tells a window about it.
#pragma once

#include "download/CriticalSection.h"
#include "download/DownloadFileStream.h"
#include "download/DownloadNames.h"
#include "download/TransferProgress.h"

#include "net/AbortSignal.h"
#include "net/HttpClient.h"
#include "win/Thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Owns its HTTP client and the open download file. Made, stopped, waited for
// and destroyed on the UI thread; Execute and the client's transfer events run on the
// worker. It reaches the window only through the notifications of
// DownloadMessages.h, posted to `notifyWindow`: while the transfer size is
// shown a begin and an end for each transfer, and a running count only when
// the window has acknowledged the previous one (the window reads the newest
// count from Progress); the marquee switch when a redirect hides the size or
// a large body shows it again; and WM_DOWNLOAD_FINISHED exactly once when it
// has ended. A download that fails (not one that is stopped) opens the URL in
// the browser.
class TDownloadThread : public Win::TThread, private Net::TransferSink {
public:
    // Starts the thread, which downloads into a new folder of its own in
    // `targetFolder` (download/DownloadNames.h); a folder that cannot be made
    // fails the download. `askProxyCredentials`, called on the worker, asks
    // the user for a proxy's credentials (none: nobody is asked). UI thread.
    TDownloadThread(HWND notifyWindow, std::wstring url, std::wstring targetFolder, Net::TProxySettings proxy,
                    Net::THttpClient::TProxyCredentialsHandler askProxyCredentials = nullptr);
    // Waits for the thread, then closes the download file and releases the client.
    ~TDownloadThread() override;

    // Makes the running or coming GET fail promptly, without opening the
    // browser. UI thread; safe at any moment, before the client exists included.
    void RequestStop();

    // Returns the running count the progress notifications stand for, which
    // the notified window shares with this thread. Any thread.
    const std::shared_ptr<TTransferProgress>& Progress() const { return transferCount_; }

    // Returns the download's names; the run folder and the download path are
    // set once the thread has made them, and the remote name follows
    // redirects until the thread has ended. Any thread.
    TDownloadNames Names() const;

protected:
    void Execute() override;

private:
    // The client's transfer events, on the worker.
    void TransferBegun(std::int64_t total) override;
    void DataReceived(std::int64_t count) override;
    void TransferRestarted(std::int64_t total) override;
    void TransferEnded() override;
    void Redirected(const std::wstring& location) override;
    // Hides the size (true) or shows it again (false), telling the window.
    void SetSizeHidden(bool hidden);
    // Closes client and file, deletes the file and the run folder and, unless
    // stopped, opens the URL in the browser.
    void DownloadFailed();
    void PostProgress(WPARAM kind, std::int64_t value) const;

    const HWND notifyWindow_;
    const std::wstring url_;
    const Net::TProxySettings proxy_;
    const Net::THttpClient::TProxyCredentialsHandler askProxyCredentials_;
    // The remote name changes on the worker at redirects.
    mutable TCriticalSection namesLock_;
    TDownloadNames names_;
    std::unique_ptr<Net::THttpClient> client_;
    std::unique_ptr<TDownloadFileStream> fileStream_;
    bool complete_ = false;
    bool sizeHidden_ = false;
    std::atomic<bool> stopRequested_{false};
    // Shared with the client, so that a stop never needs the client itself: it
    // may not exist yet, or the worker may be destroying it.
    std::shared_ptr<Net::TAbortSignal> stopSignal_;
    std::shared_ptr<TTransferProgress> transferCount_;
};
