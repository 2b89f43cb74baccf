#include "window/ProgressWindow.h"

#include "completion/HandOff.h"
#include "download/ClientProxy.h"
#include "download/DownloadMessages.h"
#include "download/DownloadThread.h"
#include "files/FilePaths.h"
#include "window/FormFonts.h"
#include "window/LayoutDensity.h"
#include "window/ProgressWindowLayout.h"

#include "toolkit/Application.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/TrayIcon.h"

#include <string>

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

template <typename T>
T* Part(Toolkit::TForm& form, const wchar_t* name) {
    return &dynamic_cast<T&>(*form.FindComponent(name));
}

}  // namespace

TProgressWindow::TProgressWindow(TJob job, std::optional<TPublisher> setupPublisherPin)
    : job_(std::move(job)), setupPublisherPin_(std::move(setupPublisherPin)) {
    Toolkit::LoadLayout(*this, ProgressWindowLayout());
    TrayIcon = Part<Toolkit::TTrayIcon>(*this, L"TrayIcon");
    FramePanel = Part<Toolkit::TPanel>(*this, L"FramePanel");
    ArrowPicture = Part<Toolkit::TImage>(*this, L"ArrowPicture");
    ProgressPanel = Part<Toolkit::TPanel>(*this, L"ProgressPanel");
    TitleLabel = Part<Toolkit::TLabel>(*this, L"TitleLabel");
    SizeLabel = Part<Toolkit::TLabel>(*this, L"SizeLabel");
    ProgressBar = Part<Toolkit::TProgressBar>(*this, L"ProgressBar");
    DragStrip = Part<Toolkit::TPanel>(*this, L"DragStrip");
    CloseButton = Part<Toolkit::TImage>(*this, L"CloseButton");
    OnCreate = [this] { Created(); };
    OnClose = [this](Toolkit::TCloseAction& action) { Closing(action); };
    OnDestroy = [this] { Destroying(); };
    CloseButton->OnClick = [this] { Close(); };
    TrayIcon->OnClick = [this] { TrayIconClicked(); };
    TrayIcon->OnMouseMove = [this](unsigned, int, int) { TrayIconHovered(); };
}

TProgressWindow::~TProgressWindow() {
    // The drag area goes first, while the strip's window still exists.
    dragArea_ = TDragArea();
    DownloadThread.reset();
}

void TProgressWindow::Created() {
    ScaleFormAndSetFonts(*this);
    const int density = MonitorPixelsPerInch();
    CloseButton->SetBounds(FramePanel->ClientWidth() - CloseButton->Width() - LayoutToPixels(9, density),
                           LayoutToPixels(7, density), CloseButton->Width(), CloseButton->Height());
    dragArea_ = TDragArea(*DragStrip);
    ProgressPanel->SetWidth(FramePanel->ClientWidth() - (ArrowPicture->Left() + ArrowPicture->Width()) -
                            LayoutToPixels(15, density));
    ProgressBar->SetWidth(ProgressPanel->ClientWidth() - LayoutToPixels(25, density));
    if (job_.Window.StartInTray) {
        Toolkit::Application().ShowMainForm = false;
        Toolkit::Application().OnMinimize = [this] { ApplicationMinimized(); };
        TrayIcon->SetVisible(true);
    }
    TitleLabel->SetCaption(job_.Window.Title);
    SizeLabel->SetCaption(SizeLine());
    Net::TProxySettings proxy;
    // A proxy port that is no number leaves the window idle, with no download.
    if (!TryClientProxy(job_.Proxy, proxy)) return;
    DownloadThread.reset(new TDownloadThread(Handle(), job_.Url, job_.TargetFolder, proxy));
    transferCount_ = DownloadThread->Progress();
}

void TProgressWindow::Dispatch(Toolkit::TMessage& message) {
    if (message.Msg == WM_DOWNLOAD_PROGRESS)
        DownloadProgress(message.WParam, static_cast<std::uint64_t>(message.LParam));
    else if (message.Msg == WM_TIMER && message.WParam == kProgressFrameTimer)
        ProgressFrameEnded();
    else if (message.Msg == WM_DOWNLOAD_FINISHED)
        DownloadFinished(message.WParam);
    else
        TForm::Dispatch(message);
}

void TProgressWindow::DownloadProgress(WPARAM kind, std::uint64_t value) {
    if (kind == PROGRESS_MARQUEE) {
        ProgressBar->SetStyle(value ? Toolkit::TProgressBarStyle::pbstMarquee : Toolkit::TProgressBarStyle::pbstNormal);
        return;
    }
    if (kind == PROGRESS_BEGIN) {
        ++transferNumber_;
        transferOpen_ = true;
        TotalSize = value;
        if (value == 0) ProgressBar->SetStyle(Toolkit::TProgressBarStyle::pbstMarquee);
    } else if (kind == PROGRESS_WORK) {
        ReceivedSize = NewestCount(value);
        if (TotalSize > 0) ProgressBar->SetPosition(Percent(ReceivedSize, TotalSize));
        if (transferCount_) SetTimer(Handle(), kProgressFrameTimer, kProgressFrameMs, nullptr);
    } else if (kind == PROGRESS_END) {
        transferOpen_ = false;
        KillTimer(Handle(), kProgressFrameTimer);
        ReceivedSize = TotalSize;
        ProgressBar->SetPosition(100);
    }
    SizeLabel->SetCaption(SizeLine());
}

std::uint64_t TProgressWindow::NewestCount(std::uint64_t posted) const {
    if (!transferCount_) return posted;
    return transferCount_->Newest(transferNumber_).value_or(posted);
}

void TProgressWindow::ProgressFrameEnded() {
    KillTimer(Handle(), kProgressFrameTimer);
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
    ReleaseDownloadThread();
    if (DownloadCompleted && downloadNames_) HandOff(job_, *downloadNames_, setupPublisherPin_, Handle());
    Close();
}

void TProgressWindow::Destroying() {
    if (DownloadThread) DownloadThread->RequestStop();
    ReleaseDownloadThread();
    if (DownloadCompleted || !downloadNames_) return;
    const std::wstring& path = downloadNames_->DownloadPath;
    if (PathExists(path)) DeleteFileW(path.c_str());
}

void TProgressWindow::ApplicationMinimized() {
    Hide();
    TrayIcon->SetVisible(true);
}

void TProgressWindow::TrayIconClicked() {
    SetWindowState(Toolkit::TWindowState::wsNormal);
    Show();
    Toolkit::Application().BringToFront();
    TrayIcon->SetVisible(false);
}

void TProgressWindow::TrayIconHovered() {
    // The icon keeps the first 127 characters; an unchanged text is not sent again.
    TrayIcon->SetHint(TitleLabel->Caption() + L"\n" + SizeLabel->Caption());
}

std::wstring TProgressWindow::SizeLine() const {
    std::wstring figures = std::to_wstring(ReceivedSize / 1024);
    if (TotalSize > 0) figures += L" / " + std::to_wstring(TotalSize / 1024);
    return job_.Window.SizePrefix + figures + job_.Window.SizeSuffix;
}

void TProgressWindow::Closing(Toolkit::TCloseAction&) {
    // Hidden at once; the default action lets the application end its loop.
    Hide();
}
