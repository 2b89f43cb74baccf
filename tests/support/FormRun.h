// In-process runs of the progress window as the entry routine makes it, with
// a job of the test's own, and ways to act from inside the application's loop.
#pragma once

#include "support/FormJob.h"
#include "support/ScratchFiles.h"
#include "win/ComApartment.h"

#include <boost/noncopyable.hpp>

#include <functional>
#include <string>

class TUpdaterForm;

namespace TestSupport {

// Starts the window module and prepares the application (the main form owns
// its taskbar button, as in the entry routine) with a fresh temporary folder;
// destroys the forms and tears the module down again. UI thread.
class TFormRun : boost::noncopyable {
public:
    TFormRun();
    ~TFormRun();
    // Loads `job` with its target folder set to Target() and makes the window,
    // which starts the download.
    TUpdaterForm& Start(TFormJob job);
    // The run's scratch folder (the temporary folder), with a trailing "\".
    const std::wstring& Folder() const noexcept { return scratch_.Path(); }
    // The job's target folder (made by the download thread), with a trailing "\".
    const std::wstring& Target() const noexcept { return target_; }

private:
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
