// The worker that downloads the job's file and reports the transfer to the
// progress window.
#pragma once

#include "DownloadFileStream.h"
#include "SystemProxy.h"
#include "TransferProgress.h"

#include "net/AbortSignal.h"
#include "net/HttpClient.h"
#include "toolkit/Thread.h"

#include <boost/scoped_ptr.hpp>
#include <boost/shared_ptr.hpp>

#include <atomic>
#include <cstdint>
#include <string>

// Owns its HTTP client and the open download file. Made, stopped, waited for
// and destroyed on the UI thread; Execute and the client's handlers run on the
// worker. It posts WM_DOWNLOAD_PROGRESS to NotifyWindow while the transfer
// size is shown (a begin and an end for each transfer, and a running count
// only when the window has acknowledged the previous one: the window reads
// the newest count from Progress), and WM_DOWNLOAD_FINISHED exactly once when
// it has ended.
class THTTPDownloaderThread : public Toolkit::TThread {
public:
    // Chooses the download path in `TargetFilePath` (creating the folder when
    // missing) and starts the thread. UI thread.
    THTTPDownloaderThread(HWND NotifyWindow, const std::wstring& Url, const std::wstring& TargetFilePath,
                          const TProxyInfo& Proxy);
    // Waits for the thread, then closes the download file and releases the client.
    ~THTTPDownloaderThread() override;

    // Makes the running or coming GET fail promptly, without opening the
    // browser. UI thread; safe at any moment, before the client exists included.
    void RequestStop();

    // Sets Indeterminate and switches UpdaterForm's progress bar to the marquee
    // style (true) or the normal style (false) on the UI thread, waiting for it.
    void SetIndeterminate(bool flag);

    // Returns the running count the progress notifications stand for, which
    // the notified window shares with this thread. Any thread.
    const boost::shared_ptr<TTransferProgress>& Progress() const { return TransferCount; }

protected:
    void Execute() override;

private:
    void WorkBegin(Net::TWorkMode mode, std::int64_t total);
    void Work(Net::TWorkMode mode, std::int64_t count);
    void WorkEnd(Net::TWorkMode mode);
    void Redirect(std::wstring& location, int count, bool& follow, std::wstring& method);
    // Publishes the download names and posts the finished notification. UI thread.
    void ThreadTerminated();
    // Closes client and file, deletes the file and, unless stopped, opens Url in the browser.
    void DownloadFailed();
    void PostProgress(WPARAM kind, std::int64_t value) const;

    HWND NotifyWindow;
    std::wstring Url;
    std::wstring TargetFilePath;
    std::wstring DownloadPath;
    TProxyInfo Proxy;
    boost::scoped_ptr<Net::THttpClient> Client;
    boost::scoped_ptr<TDownloadFileStream> FileStream;
    bool Complete = false;
    bool Indeterminate = false;
    std::atomic<bool> StopRequested{false};
    // Shared with Client, so that a stop never needs the client itself: it
    // may not exist yet, or the worker may be destroying it.
    boost::shared_ptr<Net::TAbortSignal> StopSignal;
    boost::shared_ptr<TTransferProgress> TransferCount;
};
