// The progress window: it starts the download, shows its progress and, when
// the file is complete, hands it off.
#pragma once

#include "completion/PublisherCheck.h"
#include "download/DownloadNames.h"
#include "download/TransferProgress.h"
#include "job/Job.h"
#include "window/DragArea.h"
#include "window/Pictures.h"
#include "window/TaskbarProgress.h"
#include "window/TrayIcon.h"
#include "window/WindowLayout.h"

#include "win/Unique.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TDownloadThread;

// The system's one window: a borderless top-level window of the class
// "TUpdaterForm" whose parts are its members: the drag strip along the top
// with the close button, the ring-and-arrow picture, the title line, the
// progress bar and the size line; and the tray icon and the taskbar button's
// progress. UI thread only.
//
// Made with the job it carries out and the build's publisher pin, it lays
// itself out for its monitor's density, fills its texts and starts the
// download. Closing it (its close button, Esc, Alt+F4, the end of the
// download) hides it at once and ends the message loop; destroying the
// object stops and waits for a running download, deletes an unfinished
// download file and destroys the window.
class TProgressWindow {
public:
    // `setupPublisherPin`: the publisher this build requires of the setup when
    // the updater itself is not signed (a signed updater requires its own
    // publisher); none: no requirement unless the updater is signed.
    // `taskbar`: the taskbar list to show the progress on; null: the shell's.
    TProgressWindow(TJob job, std::optional<TPublisher> setupPublisherPin,
                    Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    ~TProgressWindow();
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    HWND Handle() const noexcept { return window_.get(); }

    // Shows the window in front, unless the job starts it in the notification area.
    void ShowUnlessInTray();
    // Shows the window in front.
    void Show();
    // Hides the window at once and ends the message loop. The download stops
    // when the object is destroyed.
    void Close();
    // Whether Close has run.
    bool Closed() const noexcept { return closed_; }
    // Whether the job put the window into the notification area (the flag "1").
    bool InTrayMode() const noexcept { return inTray_; }

    // The layout in use: the density the window is laid out for, and where its parts are.
    const TWindowLayout& Layout() const noexcept { return layout_; }

    // The parts' windows.
    HWND DragStrip() const noexcept { return strip_; }
    HWND TitleLabel() const noexcept { return title_; }
    HWND ProgressBar() const noexcept { return bar_; }
    HWND SizeLabel() const noexcept { return sizeLine_; }
    HWND CloseButton() const noexcept { return closeButton_; }
    // The texts shown.
    const std::wstring& TitleText() const noexcept { return titleText_; }
    const std::wstring& SizeText() const noexcept { return sizeText_; }
    // The bar's position (0 to 100) and whether it shows the marquee.
    int BarPosition() const noexcept { return barPosition_; }
    bool BarMarquee() const noexcept { return marquee_; }
    // The pictures as drawn for the layout's density.
    const TPicture& ArrowPicture() const noexcept { return arrow_; }
    const TPicture& CrossPicture() const noexcept { return cross_; }
    TTrayIcon& TrayIcon() noexcept { return *tray_; }

    // Announced size of the current transfer (0 = unknown) and bytes received so far.
    std::uint64_t TotalSize = 0;
    std::uint64_t ReceivedSize = 0;
    // Set once, by the finished notification: true when the file is complete.
    bool DownloadCompleted = false;
    // The running download; empty before the window starts it, after the
    // finished notification, and in the idle state.
    std::unique_ptr<TDownloadThread> DownloadThread;

    // Returns the size line for ReceivedSize and TotalSize.
    std::wstring SizeLine() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Sends each message to its handler.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateParts();
    // Fills the texts, switches tray mode on and starts the download.
    void Started();
    // Makes the fonts and pictures for `pixelsPerInch` and places the parts.
    void ApplyLayout(int pixelsPerInch);
    void Paint();
    void DrawCloseButton(const DRAWITEMSTRUCT& item) const;
    LRESULT StaticColours(HDC dc) const;
    // Shows or hides the focus cue as the window's UI state changes.
    void FocusCuesChanged(WORD action, WORD flags);
    void Command(WORD id, WORD code);
    void DensityChanged(int pixelsPerInch, const RECT& suggested);
    // Hides the window and shows the tray icon (tray mode only).
    void Minimized();
    // Brings the window back in its normal state, in front, and hides the tray icon.
    void TrayIconClicked();
    // Sets the tray icon's tooltip to the title line and the size line.
    void TrayIconHovered();
    // Updates the sizes, the bar and the size line for one progress notification.
    void DownloadProgress(WPARAM kind, std::uint64_t value);
    // Returns the newest count of the current transfer, or `posted` (the count
    // a work notification carries) when the thread's count is not at hand.
    std::uint64_t NewestCount(std::uint64_t posted) const;
    // Ends the frame after a shown count: lets the thread notify again and
    // shows a count it stored meanwhile.
    void ProgressFrameEnded();
    // Releases the thread, hands a complete file off, then closes the window.
    void DownloadFinished(WPARAM completed);
    // Waits for the download thread and releases it, keeping its names.
    void ReleaseDownloadThread();
    // Stops and releases a running download and deletes an unfinished download file.
    void StopDownload();
    void SetMarquee(bool marquee);
    void SetBarPosition(int position);
    void SetText(HWND part, std::wstring& shown, const std::wstring& text);

    const TJob job_;
    const std::optional<TPublisher> setupPublisherPin_;
    Win::UniqueHWnd window_;
    // Children of window_, destroyed with it.
    HWND strip_ = nullptr;
    HWND closeButton_ = nullptr;
    HWND title_ = nullptr;
    HWND bar_ = nullptr;
    HWND sizeLine_ = nullptr;
    TWindowLayout layout_;
    Win::UniqueHFont windowFont_;
    Win::UniqueHFont titleFont_;
    Win::UniqueHFont sizeFont_;
    TPicture arrow_;
    TPicture cross_;
    std::unique_ptr<TTrayIcon> tray_;
    std::unique_ptr<TTaskbarProgress> taskbar_;
    TDragArea dragArea_;
    std::wstring titleText_;
    std::wstring sizeText_;
    int barPosition_ = 0;
    bool marquee_ = false;
    // Whether the focus cue shows: only once the keyboard has been used.
    bool focusCues_ = false;
    bool inTray_ = false;
    bool closed_ = false;
    // The names of the released download thread; none before it has run.
    std::optional<TDownloadNames> downloadNames_;
    // The running count shared with DownloadThread (kept after it is gone),
    // the number of the transfer shown (counted by begin notifications) and
    // whether its end has come.
    std::shared_ptr<TTransferProgress> transferCount_;
    unsigned transferNumber_ = 0;
    bool transferOpen_ = false;
};
