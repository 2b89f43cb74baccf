// The progress window: it starts the download, shows its progress and, when
// the file is complete, hands it off.
#pragma once

#include "completion/PublisherCheck.h"
#include "download/DownloadNames.h"
#include "download/TransferProgress.h"
#include "job/Job.h"
#include "window/DragArea.h"

#include "toolkit/Form.h"

#include <boost/scoped_ptr.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <optional>

class TDownloadThread;

namespace Toolkit {
class TImage;
class TLabel;
class TPanel;
class TProgressBar;
class TTrayIcon;
}  // namespace Toolkit

// The system's one window, the application's main form. UI thread only.
// Made by the application (CreateForm) with the job it carries out and the
// build's publisher pin; the application then runs its creation handler,
// which lays it out, fills its texts and starts the download.
class TProgressWindow : public Toolkit::TForm {
public:
    // `setupPublisherPin`: the publisher this build requires of the setup when
    // the updater itself is not signed (a signed updater requires its own
    // publisher); none: no requirement unless the updater is signed.
    TProgressWindow(TJob job, std::optional<TPublisher> setupPublisherPin);
    ~TProgressWindow() override;

    // The window's parts, owned by the form (ProgressWindowLayout.h).
    Toolkit::TTrayIcon* TrayIcon;
    Toolkit::TPanel* FramePanel;
    Toolkit::TImage* ArrowPicture;
    Toolkit::TPanel* ProgressPanel;
    Toolkit::TLabel* TitleLabel;
    Toolkit::TLabel* SizeLabel;
    Toolkit::TProgressBar* ProgressBar;
    Toolkit::TPanel* DragStrip;
    Toolkit::TImage* CloseButton;

    // Announced size of the current transfer (0 = unknown) and bytes received so far.
    std::uint64_t TotalSize = 0;
    std::uint64_t ReceivedSize = 0;
    // Set once, by the finished notification: true when the file is complete.
    bool DownloadCompleted = false;
    // The running download; empty before the creation handler starts it,
    // after the finished notification, and in the idle state.
    boost::scoped_ptr<TDownloadThread> DownloadThread;

    // Returns the size line for ReceivedSize and TotalSize.
    std::wstring SizeLine() const;

    // WM_DOWNLOAD_PROGRESS goes to DownloadProgress, WM_DOWNLOAD_FINISHED to
    // DownloadFinished, anything else to the form.
    void Dispatch(Toolkit::TMessage& message) override;

private:
    void Created();
    void Closing(Toolkit::TCloseAction& action);
    // Stops and releases a running download and deletes an unfinished download file.
    void Destroying();
    // Hides the window and shows the tray icon (tray mode only).
    void ApplicationMinimized();
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

    const TJob job_;
    const std::optional<TPublisher> setupPublisherPin_;
    TDragArea dragArea_;
    // The names of the released download thread; none before it has run.
    std::optional<TDownloadNames> downloadNames_;
    // The running count shared with DownloadThread (kept after it is gone),
    // the number of the transfer shown (counted by begin notifications) and
    // whether its end has come.
    boost::shared_ptr<TTransferProgress> transferCount_;
    unsigned transferNumber_ = 0;
    bool transferOpen_ = false;
};
