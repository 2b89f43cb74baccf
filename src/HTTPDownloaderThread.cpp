#include "HTTPDownloaderThread.h"

#include "DownloadMessages.h"
#include "FilePaths.h"
#include "NamingState.h"
#include "UpdaterForm.h"

#include "toolkit/Application.h"
#include "toolkit/ProgressBar.h"
#include "win/ComApartment.h"

#include <boost/make_shared.hpp>

#include <shellapi.h>

#include <cstdint>

namespace {

// After a redirect the size is shown again only for a body announced above this.
constexpr std::int64_t kSmallestSizedBody = 51200;

}  // namespace

THTTPDownloaderThread::THTTPDownloaderThread(HWND NotifyWindow, const std::wstring& Url,
                                             const std::wstring& TargetFilePath, const TProxyInfo& Proxy)
    : NotifyWindow(NotifyWindow),
      Url(Url),
      TargetFilePath(TargetFilePath),
      Proxy(Proxy),
      StopSignal(boost::make_shared<Net::TAbortSignal>()),
      TransferCount(boost::make_shared<TTransferProgress>()) {
    FreeOnTerminate = false;
    OnTerminate = [this](Toolkit::TThread&) { ThreadTerminated(); };
    try {
        SetPriority(Toolkit::TThreadPriority::tpNormal);
        SetIndeterminate(false);
        StopRequested = false;
        DownloadPath = ChooseDownloadPath(Url, TargetFilePath);
    } catch (...) {
        // The base destructor lets the suspended thread end; its termination
        // handler must not reach the members this failed constructor leaves.
        OnTerminate = nullptr;
        throw;
    }
    Start();
}

THTTPDownloaderThread::~THTTPDownloaderThread() {
    // Execute and the termination handler use this object's members.
    StopAndWait();
    FileStream.reset();
    Client.reset();
}

void THTTPDownloaderThread::RequestStop() {
    StopRequested = true;
    StopSignal->Abort();
}

void THTTPDownloaderThread::SetIndeterminate(bool flag) {
    Indeterminate = flag;
    Synchronize([flag] {
        if (UpdaterForm)
            UpdaterForm->ProgressBar1->SetStyle(flag ? Toolkit::TProgressBarStyle::pbstMarquee
                                                     : Toolkit::TProgressBarStyle::pbstNormal);
    });
}

void THTTPDownloaderThread::Execute() {
    DeleteFileW(DownloadPath.c_str());
    if (TargetFilePath.empty() || !ForceDirectories(TargetFilePath)) return;
    // A file that cannot be made ends the thread here, through its boundary.
    FileStream.reset(new TDownloadFileStream(DownloadPath));
    Client.reset(new Net::THttpClient(StopSignal));
    if (Proxy.is_use_proxy) {
        Net::TProxySettings settings;
        settings.Host = Proxy.ProxyAddress;
        settings.Port = Proxy.ProxyPort;
        if (Proxy.is_authorization_required) {
            settings.Username = Proxy.ProxyUsername;
            settings.Password = Proxy.ProxyPassword;
        }
        Client->SetProxy(settings);
    }
    Client->SetHandleRedirects(true);
    Client->OnWorkBegin = [this](Net::TWorkMode mode, std::int64_t total) { WorkBegin(mode, total); };
    Client->OnWork = [this](Net::TWorkMode mode, std::int64_t count) { Work(mode, count); };
    Client->OnWorkEnd = [this](Net::TWorkMode mode) { WorkEnd(mode); };
    Client->OnRedirect = [this](std::wstring& location, int count, bool& follow, std::wstring& method) {
        Redirect(location, count, follow, method);
    };
    try {
        Client->Get(Url, *FileStream);
    } catch (...) {
        DownloadFailed();
        return;
    }
    // The file stays open until the owner destroys this object.
    Complete = true;
}

void THTTPDownloaderThread::DownloadFailed() {
    Client.reset();
    FileStream.reset();
    DeleteFileW(DownloadPath.c_str());
    if (StopRequested) return;
    // The application's window is made on the UI thread, where it belongs.
    HWND owner = nullptr;
    try {
        Synchronize([&owner] { owner = Toolkit::Application().Handle(); });
    } catch (...) {
        owner = nullptr;
    }
    // ShellExecuteW may hand the URL to shell extensions, which need COM on
    // the calling thread (per its documentation).
    Win::ComApartment com;
    ShellExecuteW(owner, nullptr, Url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void THTTPDownloaderThread::PostProgress(WPARAM kind, std::int64_t value) const {
    PostMessageW(NotifyWindow, WM_DOWNLOAD_PROGRESS, kind, static_cast<LPARAM>(value));
}

void THTTPDownloaderThread::WorkBegin(Net::TWorkMode, std::int64_t total) {
    if (Indeterminate && total > kSmallestSizedBody) SetIndeterminate(false);
    if (Indeterminate) return;
    TransferCount->Begin();
    PostProgress(PROGRESS_BEGIN, total);
}

void THTTPDownloaderThread::Work(Net::TWorkMode, std::int64_t count) {
    // A fast link reads far more often than a window can show: while a
    // notification waits, the window will read this count with it.
    if (!Indeterminate && TransferCount->Store(static_cast<std::uint64_t>(count))) PostProgress(PROGRESS_WORK, count);
}

void THTTPDownloaderThread::WorkEnd(Net::TWorkMode) {
    if (!Indeterminate) PostProgress(PROGRESS_END, 0);
}

void THTTPDownloaderThread::Redirect(std::wstring& location, int, bool& follow, std::wstring&) {
    SetRemoteFileNameFromLocation(location);
    SetIndeterminate(true);
    follow = true;
}

void THTTPDownloaderThread::ThreadTerminated() {
    PublishDownloadNames(DownloadPath, TargetFilePath);
    PostMessageW(NotifyWindow, WM_DOWNLOAD_FINISHED, Complete ? 1 : 0, 0);
}
