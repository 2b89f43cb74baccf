// In-process runs of the progress window as the entry routine makes it, with
// a job of the test's own read back from the settings file, and a way to act
// from inside the application's loop.
#pragma once

#include "completion/PublisherCheck.h"
#include "job/Job.h"
#include "support/ScratchFiles.h"
#include "win/ComApartment.h"

#include <boost/noncopyable.hpp>

#include <functional>
#include <optional>
#include <string>

class TProgressWindow;

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

// Prepares the application (the main form owns its taskbar button, as in the
// entry routine) with a fresh temporary folder; destroys the forms again. UI thread.
class TWindowRun : boost::noncopyable {
public:
    TWindowRun();
    ~TWindowRun();

    // Saves `job` with its target folder set to Target(), reads it back and
    // makes the window with it and `setupPublisherPin`; the window starts the download.
    TProgressWindow& Start(TJob job, std::optional<TPublisher> setupPublisherPin = std::nullopt);
    // The same with the tray flag stored as `trayFlagText`.
    TProgressWindow& StartWithTrayFlagText(TJob job, const std::wstring& trayFlagText);

    // The run's scratch folder (the temporary folder), with a trailing "\".
    const std::wstring& Folder() const noexcept { return scratch_.Path(); }
    // The job's target folder (made by the download thread), with a trailing "\".
    const std::wstring& Target() const noexcept { return target_; }

private:
    TProgressWindow& Make(TJob job, const std::optional<std::wstring>& trayFlagText,
                          std::optional<TPublisher> setupPublisherPin);

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
    std::wstring target_;
};

// Runs the application's loop and calls `inside` once from within it (from a
// thread timer the loop dispatches), after Run has shown the main form or
// not; returns when the loop has ended.
void RunApplicationCalling(const std::function<void()>& inside);

}  // namespace TestSupport
