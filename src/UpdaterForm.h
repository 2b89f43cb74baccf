// The progress window: its components from the layout and the parts of its
// creation handler that lay it out and fill its texts.
#pragma once

#include "Draganddroparea.h"
#include "PublisherCheck.h"
#include "TransferProgress.h"

#include "toolkit/Form.h"

#include <boost/scoped_ptr.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <optional>

class THTTPDownloaderThread;

namespace Toolkit {
class TImage;
class TLabel;
class TPanel;
class TProgressBar;
class TTrayIcon;
}  // namespace Toolkit

// The system's one window, the application's main form. UI thread only.
// Made by the application (CreateForm), which runs FormCreate afterwards.
class TUpdaterForm : public Toolkit::TForm {
public:
    TUpdaterForm();
    ~TUpdaterForm() override;

    Toolkit::TTrayIcon* TrayIcon1;
    Toolkit::TPanel* Panel1;
    Toolkit::TImage* Image1;
    Toolkit::TPanel* Panel2;
    Toolkit::TLabel* Label1;
    Toolkit::TLabel* Label2;
    Toolkit::TProgressBar* ProgressBar1;
    Toolkit::TPanel* Panel3;
    Toolkit::TImage* Image2;

    // Announced size of the current transfer (0 = unknown) and bytes received so far.
    std::uint64_t TotalSize = 0;
    std::uint64_t ReceivedSize = 0;
    TDragAndDropArea DragArea;
    // Set once, by the finished notification: true when the file is complete.
    bool DownloadCompleted = false;
    // The running download; empty before FormCreate starts it, after the
    // finished notification, and in the idle state.
    boost::scoped_ptr<THTTPDownloaderThread> DownloaderThread;
    // The publisher this build requires of the setup when the updater itself
    // is not signed (a signed updater requires its own publisher); none: no
    // requirement unless the updater is signed.
    std::optional<TPublisher> SetupPublisherPin;

    // Returns the size line for ReceivedSize and TotalSize.
    std::wstring ProgressText() const;

    // WM_DOWNLOAD_PROGRESS goes to WMDownloadProgress, WM_DOWNLOAD_FINISHED to
    // WMDownloadFinished, anything else to the form.
    void Dispatch(Toolkit::TMessage& message) override;

private:
    void FormCreate();
    void FormClose(Toolkit::TCloseAction& action);
    // Stops and releases a running download and deletes an unfinished download file.
    void FormDestroy();
    void Image2Click();
    // Hides the window and shows the tray icon (tray mode only).
    void ApplicationMinimize();
    // Brings the window back in its normal state, in front, and hides the tray icon.
    void TrayIcon1Click();
    // Sets the tray icon's tooltip to the title line and the size line.
    void TrayIcon1MouseMove();
    // Updates the sizes, the bar and the size line for one progress notification.
    void WMDownloadProgress(WPARAM kind, std::uint64_t value);
    // Returns the newest count of the current transfer, or `posted` (the count
    // a work notification carries) when the thread's count is not at hand.
    std::uint64_t NewestCount(std::uint64_t posted) const;
    // Ends the frame after a shown count: lets the thread notify again and
    // shows a count it stored meanwhile.
    void ProgressFrameEnded();
    // Releases the thread, hands a complete file off, then closes the window.
    void WMDownloadFinished(WPARAM completed);
    // Gives the complete download its final name, checks its publisher,
    // records it and starts it. Returns early (nothing recorded or started)
    // when the move fails or the file fails the check (it is then deleted).
    void HandOff();
    // Tells the user that the downloaded file was not signed by `expected`
    // and was not started (a message box owned by the window).
    void ShowPublisherRefusal(const TPublisher& expected);
    // Returns the design length L at the monitor's density: L x m / 115, truncated, at least 1.
    int Scaled(int length);

    // The running count shared with DownloaderThread (kept after it is gone),
    // the number of the transfer shown (counted by begin notifications) and
    // whether its end has come.
    boost::shared_ptr<TTransferProgress> TransferCount;
    unsigned TransferNumber = 0;
    bool TransferOpen = false;
};

// The one progress window, set when the entry routine creates it.
extern TUpdaterForm* UpdaterForm;
