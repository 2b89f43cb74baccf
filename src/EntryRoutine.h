// The entry routine's body, kept in the library so that tests can run its parts.
#pragma once

#include "PublisherCheck.h"

#include <functional>
#include <optional>

// Runs `steps` inside the entry routine's error guard: an error of the
// application's exception class (Win::Exception or derived) is shown with the
// standard error display; any other error is shown as one with an empty
// message. Nothing leaves the guard. UI thread.
void RunInEntryGuard(const std::function<void()>& steps);

// Ends at once without a URL or a target folder; otherwise initialises the
// application, makes the progress window its main form (owning the taskbar
// button), sets UpdaterForm, gives it the build's publisher pin and runs the
// loop until the window is closed. Returns 0 on every path. UI thread, after
// the window module's start-up.
int UpdaterEntryRoutine(const std::optional<TPublisher>& setupPublisherPin = std::nullopt);
