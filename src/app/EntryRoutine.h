// The run of the updater after the module's start-up, kept in the library so
// that tests can run its parts.
#pragma once

#include "completion/PublisherCheck.h"

#include <functional>
#include <optional>

// Runs `steps` inside the entry routine's error guard: an error of the
// application's exception class (Win::Exception or derived) is shown with the
// standard error display; any other error is shown as one with an empty
// message. Nothing leaves the guard. UI thread.
void RunInEntryGuard(const std::function<void()>& steps);

// Composes the built-in job (in the notification area when `startInTray`)
// and writes it to the settings file (ending at
// once when it cannot be written), then, inside the guard, reads the job back: without a URL or a target folder it ends at
// once; otherwise it makes the progress window with the job and the build's
// publisher pin, shows it (unless the job starts it in the notification
// area) and runs the loop until the window is closed. Returns 0 on
// every path. UI thread, COM initialised.
int UpdaterEntryRoutine(const std::optional<TPublisher>& setupPublisherPin = std::nullopt, bool startInTray = false);
