// The progress window: it shows what the run tells it and reports the user's close.
#pragma once

#include "job/Job.h"
#include "window/DragArea.h"
#include "window/Pictures.h"
#include "window/TaskbarProgress.h"
#include "window/TrayIcon.h"
#include "window/WindowLayout.h"

#include "win/Unique.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The system's one window: a borderless top-level window of the class
// "TUpdaterForm" whose parts are its members: the drag strip along the top
// with the close button, the ring-and-arrow picture, the title line, the
// progress bar and the size line; and the tray icon and the taskbar button's
// progress. UI thread.
//
// Made with the job's texts, it lays itself out for its monitor's density and
// fills its texts; in tray mode it starts hidden with its tray icon. The user
// closes it with its close button, Esc or Alt+F4: it hides at once and calls
// the close handler. Destroying the object destroys the window.
class ProgressWindow {
public:
    // `language`: of the close button's name. `closed`: called on the user's
    // close (none: nothing is told). `taskbar`: the taskbar list to show the
    // progress on; null: the shell's.
    ProgressWindow(const WindowTexts& texts, UiLanguage language, std::function<void()> closed = nullptr,
                   Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND Handle() const noexcept { return window_.get(); }

    // Shows the window in front, unless it starts in the notification area.
    void ShowUnlessInTray();
    // Shows the window in front.
    void Show();
    // Closes the window, as the user does or the run at its end: hides it at
    // once, clears the taskbar button's progress and calls the close handler.
    void Close();
    // Whether the window has been closed.
    bool Closed() const noexcept { return closed_; }
    // Whether the texts put the window into the notification area (the flag "1").
    bool InTrayMode() const noexcept { return inTray_; }

    // The progress of the download, as the run tells it: a transfer of
    // `total` bytes begins (0: unknown, shown as the marquee); `count` bytes
    // of it have arrived; it has ended (the bar full); the size hidden behind
    // the marquee (after a redirect) or shown again.
    void ShowTransferBegun(std::uint64_t total);
    void ShowReceived(std::uint64_t count);
    void ShowTransferEnded();
    void ShowMarquee(bool marquee);
    // The taskbar button shows no progress any more (the download has ended).
    void ClearTaskbarProgress() { taskbar_->Clear(); }

    // What the window shows: the announced size of the current transfer
    // (0 = unknown), the bytes received, the texts, the bar's position
    // (0 to 100) and whether it runs as the marquee.
    std::uint64_t TotalSize() const noexcept { return totalSize_; }
    std::uint64_t ReceivedSize() const noexcept { return receivedSize_; }
    const std::wstring& TitleText() const noexcept { return titleText_; }
    const std::wstring& SizeText() const noexcept { return sizeText_; }
    int BarPosition() const noexcept { return barPosition_; }
    bool BarMarquee() const noexcept { return marquee_; }

    // The layout in use: the density the window is laid out for, and where its parts are.
    const WindowLayout& Layout() const noexcept { return layout_; }
    // The parts' windows.
    HWND DragStrip() const noexcept { return strip_; }
    HWND TitleLabel() const noexcept { return title_; }
    HWND ProgressBar() const noexcept { return bar_; }
    HWND SizeLabel() const noexcept { return sizeLine_; }
    HWND CloseButton() const noexcept { return closeButton_; }
    // The pictures as drawn for the layout's density.
    const Picture& ArrowPicture() const noexcept { return arrow_; }
    const Picture& CrossPicture() const noexcept { return cross_; }
    const TrayIcon& Tray() const noexcept { return *tray_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Sends each message to its handler.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateParts(UiLanguage language);
    // Fills the texts and switches tray mode on.
    void FillTexts(const WindowTexts& texts);
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
    // A mouse message of the tray icon.
    void TrayIconMouse(UINT mouseMessage);
    void SetBarPosition(int position);
    void SetText(HWND part, std::wstring& shown, const std::wstring& text);
    // Returns the size line for the received and total sizes.
    std::wstring SizeLine() const;
    void ShowSizeLine();

    const std::wstring sizePrefix_;
    const std::wstring sizeSuffix_;
    const std::function<void()> closedHandler_;
    Win::UniqueHWnd window_;
    // Children of window_, destroyed with it.
    HWND strip_ = nullptr;
    HWND closeButton_ = nullptr;
    HWND title_ = nullptr;
    HWND bar_ = nullptr;
    HWND sizeLine_ = nullptr;
    WindowLayout layout_;
    Win::UniqueHFont windowFont_;
    Win::UniqueHFont titleFont_;
    Win::UniqueHFont sizeFont_;
    Picture arrow_;
    Picture cross_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<TaskbarProgress> taskbar_;
    DragArea dragArea_;
    std::wstring titleText_;
    std::wstring sizeText_;
    std::uint64_t totalSize_ = 0;
    std::uint64_t receivedSize_ = 0;
    int barPosition_ = 0;
    bool marquee_ = false;
    // Whether the focus cue shows: only once the keyboard has been used.
    bool focusCues_ = false;
    bool inTray_ = false;
    bool closed_ = false;
};
