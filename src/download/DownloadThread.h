// The worker that downloads the job's file and tells a window about it.
#pragma once

#include "download/CriticalSection.h"
#include "download/DownloadFileStream.h"
#include "download/DownloadNames.h"
#include "download/TransferProgress.h"

#include "net/AbortSignal.h"
#include "net/HttpClient.h"
#include "win/Worker.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Owns its worker thread, its HTTP client and the open download file. Made,
// stopped, joined and destroyed on the UI thread; the download and the
// client's transfer events run on the worker. It reaches the UI thread only
// through the notifications of DownloadMessages.h, posted to `notifyWindow`:
// while the transfer size is shown a begin and an end for each transfer, and
// a running count only when the receiver has acknowledged the previous one
// (it reads the newest count from Progress); the marquee switch when a
// redirect hides the size or a large body shows it again; and
// WM_DOWNLOAD_FINISHED exactly once when it has ended. A download that fails
// (not one that is stopped) opens the URL in the browser.
class DownloadThread : private Net::TransferSink {
public:
    // Starts the thread, which downloads into a new folder of its own in
    // `targetFolder` (download/DownloadNames.h); a folder that cannot be made
    // fails the download. `askProxyCredentials`, called on the worker, asks
    // the user for a proxy's credentials (none: nobody is asked). UI thread.
    DownloadThread(HWND notifyWindow, std::wstring url, std::wstring targetFolder, Net::ProxySettings proxy,
                   Net::HttpClient::ProxyCredentialsHandler askProxyCredentials = nullptr);
    // Joins the thread, then closes the download file and releases the client.
    ~DownloadThread();
    DownloadThread(const DownloadThread&) = delete;
    DownloadThread& operator=(const DownloadThread&) = delete;

    // Makes the running or coming GET fail promptly, without opening the
    // browser. UI thread; safe at any moment, before the client exists included.
    void RequestStop();

    // Waits for the thread to end, serving the messages it sends meanwhile
    // (Win::Worker::Join). UI thread.
    void Join() { worker_.Join(); }

    // Returns the running count the progress notifications stand for, which
    // the notified window shares with this thread. Any thread.
    const std::shared_ptr<TransferProgress>& Progress() const { return transferCount_; }

    // Returns the download's names; the run folder and the download path are
    // set once the thread has made them, and the remote name follows
    // redirects until the thread has ended. Any thread.
    DownloadNames Names() const;

private:
    // The worker's whole run: the download, then the finished notification.
    void Run();
    // Downloads into the download file; returns whether the file is complete.
    bool Download();
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
    const Net::ProxySettings proxy_;
    const Net::HttpClient::ProxyCredentialsHandler askProxyCredentials_;
    // The remote name changes on the worker at redirects.
    mutable CriticalSection namesLock_;
    DownloadNames names_;
    std::unique_ptr<Net::HttpClient> client_;
    std::unique_ptr<DownloadFileStream> fileStream_;
    bool sizeHidden_ = false;
    std::atomic<bool> stopRequested_{false};
    // Shared with the client, so that a stop never needs the client itself: it
    // may not exist yet, or the worker may be destroying it.
    std::shared_ptr<Net::AbortSignal> stopSignal_;
    std::shared_ptr<TransferProgress> transferCount_;
    // Last: it starts once every member above exists, and is joined first.
    Win::Worker worker_;
};
