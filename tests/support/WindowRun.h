// In-process progress windows and runs as the entry routine makes them, with
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

class ProgressWindow;
class UpdateRun;
struct ITaskbarList3;

namespace TestSupport {

// Returns a job for a closed port, without a proxy, with the texts
// "Downloading", "Downloaded: " and " KB" and the user's language.
Job IdleJob();

// Returns IdleJob() downloading `url` without a proxy and starting the file with `arguments`.
Job StartingJob(const std::wstring& url, const std::wstring& arguments);

// Writes `job` to the settings file of this process's temporary folder, with
// `trayFlagText` stored in place of the tray flag's "0" or "1" when given,
// and returns the job read back from it. COM initialised.
Job SaveAndReadBack(const Job& job, const std::optional<std::wstring>& trayFlagText = std::nullopt);

// Makes a progress window alone, or a run (its window and its download), with
// a fresh temporary folder; destroys them (stopping the download) before the
// folder goes. UI thread.
class WindowRun {
public:
    WindowRun();
    ~WindowRun();
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    // Saves `job` with its target folder set to Target(), reads it back and
    // makes the window alone with its texts and `taskbar` (null: the shell's):
    // no download. Its close ends the message loop.
    ProgressWindow& MakeWindow(Job job, Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    // The same with the tray flag stored as `trayFlagText`.
    ProgressWindow& MakeWindowWithTrayFlagText(Job job, const std::wstring& trayFlagText);
    // Saves and reads back `job` as MakeWindow does and makes the run with it,
    // `setupPublisherPin` and `taskbar`: its window, and its download started.
    UpdateRun& Start(Job job, std::optional<Publisher> setupPublisherPin = std::nullopt,
                     Microsoft::WRL::ComPtr<ITaskbarList3> taskbar = nullptr);
    // Destroys the window or the run as the entry routine does after the
    // run: the download is stopped and joined, an unfinished file deleted.
    void Destroy();

    // The run's scratch folder (the temporary folder), with a trailing "\".
    const std::wstring& Folder() const noexcept { return scratch_.Path(); }
    // The job's target folder (made by the download thread), with a trailing "\".
    const std::wstring& Target() const noexcept { return target_; }

private:
    // Returns `job` with the target folder, saved and read back.
    Job ReadBack(Job job, const std::optional<std::wstring>& trayFlagText);
    // Makes the window alone with `job`'s texts; its close ends the message loop.
    ProgressWindow& WindowFor(const Job& job, Microsoft::WRL::ComPtr<ITaskbarList3> taskbar);

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
    std::wstring target_;
    std::unique_ptr<ProgressWindow> window_;
    std::unique_ptr<UpdateRun> run_;
};

// Shows `window` unless it starts in the notification area and runs the
// message loop as the entry routine does, until the window is closed.
void RunWindow(ProgressWindow& window);

// Runs the window's loop as RunWindow does and calls `inside` once from within
// it (from a thread timer the loop dispatches); returns when the loop has ended.
void RunWindowCalling(ProgressWindow& window, const std::function<void()>& inside);

// Runs `run` to its end (UpdateRun::Run) and calls `inside` once from within
// its message loop.
void RunCalling(UpdateRun& run, const std::function<void()>& inside);

}  // namespace TestSupport
