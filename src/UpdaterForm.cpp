#include "UpdaterForm.h"

#include "BuiltInJob.h"
#include "DownloadMessages.h"
#include "FileNaming.h"
#include "FormFonts.h"
#include "HTTPDownloaderThread.h"
#include "MessageWait.h"
#include "NamingState.h"
#include "PublisherCheck.h"
#include "RegistryResult.h"
#include "SystemProxy.h"
#include "UpdaterFormLayout.h"
#include "UpdaterFormUnit.h"

#include "toolkit/Application.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/TrayIcon.h"

#include <cstdint>
#include <optional>
#include <string>

TUpdaterForm* UpdaterForm = nullptr;

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
T* Component(Toolkit::TForm& form, const wchar_t* name) {
    return &dynamic_cast<T&>(*form.FindComponent(name));
}

}  // namespace

TUpdaterForm::TUpdaterForm() {
    Toolkit::LoadLayout(*this, UpdaterFormLayout());
    TrayIcon1 = Component<Toolkit::TTrayIcon>(*this, L"TrayIcon1");
    Panel1 = Component<Toolkit::TPanel>(*this, L"Panel1");
    Image1 = Component<Toolkit::TImage>(*this, L"Image1");
    Panel2 = Component<Toolkit::TPanel>(*this, L"Panel2");
    Label1 = Component<Toolkit::TLabel>(*this, L"Label1");
    Label2 = Component<Toolkit::TLabel>(*this, L"Label2");
    ProgressBar1 = Component<Toolkit::TProgressBar>(*this, L"ProgressBar1");
    Panel3 = Component<Toolkit::TPanel>(*this, L"Panel3");
    Image2 = Component<Toolkit::TImage>(*this, L"Image2");
    OnCreate = [this] { FormCreate(); };
    OnClose = [this](Toolkit::TCloseAction& action) { FormClose(action); };
    OnDestroy = [this] { FormDestroy(); };
    Image2->OnClick = [this] { Image2Click(); };
    TrayIcon1->OnClick = [this] { TrayIcon1Click(); };
    TrayIcon1->OnMouseMove = [this](unsigned, int, int) { TrayIcon1MouseMove(); };
}

TUpdaterForm::~TUpdaterForm() {
    // The drag area goes first, while Panel3's window still exists.
    DragArea = TDragAndDropArea();
    DownloaderThread.reset();
    if (UpdaterForm == this) UpdaterForm = nullptr;
}

int TUpdaterForm::Scaled(int length) {
    const int scaled = length * MonitorPixelsPerInch() / 115;
    return scaled ? scaled : 1;
}

void TUpdaterForm::FormCreate() {
    ScaleFormAndSetFonts(*this);
    Image2->SetBounds(Panel1->ClientWidth() - Image2->Width() - Scaled(9), Scaled(7), Image2->Width(),
                      Image2->Height());
    DragArea = TDragAndDropArea(*Panel3);
    Panel2->SetWidth(Panel1->ClientWidth() - (Image1->Left() + Image1->Width()) - Scaled(15));
    ProgressBar1->SetWidth(Panel2->ClientWidth() - Scaled(25));
    if (UpdaterSettings->GetValue(L"UpdaterMinimized") == L"1") {
        Toolkit::Application().ShowMainForm = false;
        Toolkit::Application().OnMinimize = [this] { ApplicationMinimize(); };
        TrayIcon1->SetVisible(true);
    }
    Label1->SetCaption(UpdaterSettings->GetValue(L"TopText"));
    Label2->SetCaption(ProgressText());
    TProxyInfo proxy;
    // A proxy port that is no number leaves the window idle, with no download.
    if (!ProxyInfoFromSettings(*UpdaterSettings, proxy)) return;
    const std::wstring target = UpdaterSettings->GetValue(L"TargetFilePath");
    const std::wstring url = UpdaterSettings->GetValue(L"FileOnWeb");
    DownloaderThread.reset(new THTTPDownloaderThread(Handle(), url, target, proxy));
    TransferCount = DownloaderThread->Progress();
}

void TUpdaterForm::Dispatch(Toolkit::TMessage& message) {
    if (message.Msg == WM_DOWNLOAD_PROGRESS)
        WMDownloadProgress(message.WParam, static_cast<std::uint64_t>(message.LParam));
    else if (message.Msg == WM_TIMER && message.WParam == kProgressFrameTimer)
        ProgressFrameEnded();
    else if (message.Msg == WM_DOWNLOAD_FINISHED)
        WMDownloadFinished(message.WParam);
    else
        TForm::Dispatch(message);
}

void TUpdaterForm::WMDownloadProgress(WPARAM kind, std::uint64_t value) {
    if (kind == PROGRESS_BEGIN) {
        ++TransferNumber;
        TransferOpen = true;
        TotalSize = value;
        if (value == 0) ProgressBar1->SetStyle(Toolkit::TProgressBarStyle::pbstMarquee);
    } else if (kind == PROGRESS_WORK) {
        ReceivedSize = NewestCount(value);
        if (TotalSize > 0) ProgressBar1->SetPosition(Percent(ReceivedSize, TotalSize));
        if (TransferCount) SetTimer(Handle(), kProgressFrameTimer, kProgressFrameMs, nullptr);
    } else if (kind == PROGRESS_END) {
        TransferOpen = false;
        KillTimer(Handle(), kProgressFrameTimer);
        ReceivedSize = TotalSize;
        ProgressBar1->SetPosition(100);
    }
    Label2->SetCaption(ProgressText());
}

std::uint64_t TUpdaterForm::NewestCount(std::uint64_t posted) const {
    if (!TransferCount) return posted;
    return TransferCount->Newest(TransferNumber).value_or(posted);
}

void TUpdaterForm::ProgressFrameEnded() {
    KillTimer(Handle(), kProgressFrameTimer);
    if (!TransferCount) return;
    TransferCount->Acknowledge();
    // A count stored during the frame, with none after it (the link paused),
    // would otherwise wait for the next read to be shown.
    if (!TransferOpen) return;
    const std::optional<std::uint64_t> newest = TransferCount->Newest(TransferNumber);
    if (newest && *newest != ReceivedSize) WMDownloadProgress(PROGRESS_WORK, *newest);
}

void TUpdaterForm::WMDownloadFinished(WPARAM completed) {
    DownloadCompleted = completed != 0;
    // Waits for the thread and closes the download file, which can be moved only then.
    DownloaderThread.reset();
    if (DownloadCompleted) HandOff();
    Close();
}

void TUpdaterForm::HandOff() {
    const std::wstring finalPath = ChooseFinalPath();
    const std::wstring source = DownloadFilePath();
    if (!ShellFileOperation(source, &finalPath, FO_MOVE, FOF_SILENT | FOF_NOCONFIRMATION, Handle())) return;
    if (GetFileAttributesW(source.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(source.c_str());
    WaitServingMessages(1000);
    // Held open (no writer, no rename, no delete) from the check until the start has returned.
    TPublisherCheck check(ExpectedSetupPublisher(SetupPublisherPin));
    if (!check.Admit(finalPath)) {
        check.Release();
        DeleteFileW(finalPath.c_str());
        ShowPublisherRefusal(*check.Expected());
        return;
    }
    RecordDownloadResult(UpdaterSettings->GetValue(L"RegistryKey"), finalPath);
    if (UpdaterSettings->GetValue(L"AutoStartTargetFile") == L"1") {
        const std::wstring parameters = ExpandUpLevelCurDir(UpdaterSettings->GetValue(L"CommandLineParameters"));
        ShellExecuteW(nullptr, L"open", finalPath.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }
}

void TUpdaterForm::ShowPublisherRefusal(const TPublisher& expected) {
    // In the language of the job's texts.
    const bool russian = GetUILanguageName() == L"Russian";
    const std::wstring text =
        russian ? L"Загруженный файл не подписан ожидаемым издателем (" + PublisherText(expected) +
                      L") и не был запущен."
                : L"The downloaded file is not signed by the expected publisher (" + PublisherText(expected) +
                      L") and was not started.";
    MessageBoxW(Handle(), text.c_str(), Toolkit::Application().Title.c_str(), MB_OK | MB_ICONERROR);
}

void TUpdaterForm::FormDestroy() {
    if (DownloaderThread) {
        DownloaderThread->RequestStop();
        DownloaderThread->WaitFor();
        DownloaderThread.reset();
    }
    if (DownloadCompleted) return;
    const std::wstring path = DownloadFilePath();
    if (!DownloadFileName->empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(path.c_str());
}

void TUpdaterForm::ApplicationMinimize() {
    Hide();
    TrayIcon1->SetVisible(true);
}

void TUpdaterForm::TrayIcon1Click() {
    SetWindowState(Toolkit::TWindowState::wsNormal);
    Show();
    Toolkit::Application().BringToFront();
    TrayIcon1->SetVisible(false);
}

void TUpdaterForm::TrayIcon1MouseMove() {
    // The icon keeps the first 127 characters; an unchanged text is not sent again.
    TrayIcon1->SetHint(Label1->Caption() + L"\n" + Label2->Caption());
}

std::wstring TUpdaterForm::ProgressText() const {
    std::wstring figures = std::to_wstring(ReceivedSize / 1024);
    if (TotalSize > 0) figures += L" / " + std::to_wstring(TotalSize / 1024);
    return UpdaterSettings->GetValue(L"BottomTextPart1") + figures + UpdaterSettings->GetValue(L"BottomTextPart2");
}

void TUpdaterForm::FormClose(Toolkit::TCloseAction&) {
    // Hidden at once; the default action lets the application end its loop.
    Hide();
}

void TUpdaterForm::Image2Click() { Close(); }
