// In-process runs of the progress window as the entry routine makes it, with
// a job of the test's own read back from the settings file, and a way to act
// from inside the message loop.
#pragma once

#include "completion/PublisherCheck.h"
#include "job/Job.h"
#include "support/ScratchFiles.h"
#include "win/ComApartment.h"

#include <wrl/client.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class TProgressWindow;
struct ITaskbarList3;

namespace TestSupport {

// Returns a job whose window stays idle (its proxy is on with a port that is
// no number) with the texts "Downloading", "Downloaded: " and " KB".
TJob IdleJob();

// Returns IdleJob() downloading `url` without a proxy and starting the file with `arguments`.
TJob StartingJob(const std::wstring& url, const std::wstring& arguments);

// Writes `job` to the settings file of this process's temporary folder, with
// `trayFlagText` stored in place of the tray flag's "0" or "1" when given,
// and returns the job read back from it. COM initialised.
TJob SaveAndReadBack(const TJob& job, const std::optional<std::wstring>& trayFlagText = std::nullopt);

// Makes progress windows with a fresh temporary folder; destroys the window
// (stopping its download) before the folder goes. UI thread.
class TWindowRun {
public:
    TWindowRun();
    ~TWindowRun();
    TWindowRun(const TWindowRun&) = delete;
    TWindowRun& operator=(const TWindowRun&) = delete;

    // Saves `job` with its target folder set to Target(), reads it back and
    // makes the window with it, `setupPublisherPin` and `taskbar` (null: the
    // shell's); the window starts the download.
    TProgressWindow& Start(TJob job, std::optional<TPublisher> setupPublisherPin = std::nullopt,
                           Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    // The same with the tray flag stored as `trayFlagText`.
    TProgressWindow& StartWithTrayFlagText(TJob job, const std::wstring& trayFlagText);
    // Destroys the window as the entry routine does after its loop: the
    // download is stopped and waited for, an unfinished file deleted.
    void Destroy();

    // The run's scratch folder (the temporary folder), with a trailing "\".
    const std::wstring& Folder() const noexcept { return scratch_.Path(); }
    // The job's target folder (made by the download thread), with a trailing "\".
    const std::wstring& Target() const noexcept { return target_; }

private:
    TProgressWindow& Make(TJob job, const std::optional<std::wstring>& trayFlagText,
                          std::optional<TPublisher> setupPublisherPin, Microsoft::WRL::ComPtr<ITaskbarList3> taskbar);

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
    std::wstring target_;
    std::unique_ptr<TProgressWindow> window_;
};

// Shows `window` unless it starts in the notification area and runs the
// message loop as the entry routine does, until the window is closed.
void RunWindow(TProgressWindow& window);

// Runs the window's loop as RunWindow does and calls `inside` once from within
// it (from a thread timer the loop dispatches); returns when the loop has ended.
void RunWindowCalling(TProgressWindow& window, const std::function<void()>& inside);

}  // namespace TestSupport
