// One carrying out of a job: the progress window shows it, a worker downloads
// the file, and a complete file is handed off.
#pragma once

#include "completion/PublisherCheck.h"
#include "download/DownloadNames.h"
#include "download/DownloadThread.h"
#include "download/TransferProgress.h"
#include "job/Job.h"
#include "window/ProgressWindow.h"

#include "win/MessageWindow.h"

#include <cstdint>
#include <memory>
#include <optional>

// Made with the job it carries out and the build's publisher pin, it makes the
// progress window and starts the download (a proxy port that is no number
// leaves the window idle, with no download). Run shows the window and serves
// the messages until the download ends or the user closes the window; a
// complete file is then handed off, outside any window procedure, while the
// window still shows. Destroying the run stops and joins a running download
// and deletes an unfinished download file. UI thread, COM initialised.
class UpdateRun {
public:
    // `taskbar`: the taskbar list to show the progress on; null: the shell's.
    UpdateRun(Job job, std::optional<Publisher> setupPublisherPin,
              Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // Shows the window (unless the job starts it in the notification area)
    // and serves the messages until the download has ended or the user has
    // closed the window. A complete file is handed off; an error of the
    // hand-off is shown and the window stays until the user closes it. The
    // window is closed at the end.
    void Run();

    ProgressWindow& Window() noexcept { return window_; }
    // Whether the download worker exists: from the start until it has ended
    // and been joined.
    bool Downloading() const noexcept { return download_ != nullptr; }
    // Whether the download has ended with the complete file.
    bool DownloadCompleted() const noexcept { return completed_; }

private:
    // The worker's notifications and questions, on the UI thread.
    LRESULT Notified(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Tells the window one progress notification.
    void DownloadProgress(WPARAM kind, std::uint64_t value);
    // Ends the frame after a shown count: lets the worker notify again and
    // shows a count it stored meanwhile.
    void ProgressFrameEnded();
    // Returns the newest count of the current transfer, or `posted` (the
    // count a work notification carries) when the worker's is not at hand.
    std::uint64_t NewestCount(std::uint64_t posted) const;
    void DownloadFinished(bool completed);
    // The window's close: ends the loop that runs.
    void WindowClosed();
    // Serves the messages until the download ends or the user closes the window.
    void ServeMessages();
    // Joins the worker and releases it, keeping its names.
    void ReleaseDownload();
    // Stops and releases a running download and deletes an unfinished download file.
    void StopDownload();

    const Job job_;
    const std::optional<Publisher> setupPublisherPin_;
    ProgressWindow window_;
    Win::MessageWindow notifications_;
    std::unique_ptr<DownloadThread> download_;
    // The names of the released download; none before it has run.
    std::optional<DownloadNames> downloadNames_;
    // The running count shared with the worker (kept after it is gone), the
    // number of the transfer shown (counted by begin notifications) and
    // whether its end has come.
    std::shared_ptr<TransferProgress> transferCount_;
    unsigned transferNumber_ = 0;
    bool transferOpen_ = false;
    bool serving_ = false;
    bool finished_ = false;
    bool completed_ = false;
};
