// The run of the updater after the module's start-up, kept in the library so
// that tests can run its parts.
#pragma once

#include "completion/PublisherCheck.h"
#include "job/Job.h"

#include <functional>
#include <optional>

// Runs `steps` inside the entry routine's error guard: an error of the
// application's exception class (Win::Exception or derived) is shown with the
// standard error display; any other error is shown as one with an empty
// message. Nothing leaves the guard. UI thread.
void RunInEntryGuard(const std::function<void()>& steps);

// Reads the job back from the settings file and carries it out: ends at once
// when the file gives no job (no URL or no target folder) or one other than
// `composed`; otherwise carries it out as an UpdateRun with
// `setupPublisherPin`. Raises what reading the file raises. UI thread, COM
// initialised.
void RunReadBackJob(const Job& composed, const std::optional<Publisher>& setupPublisherPin);

// Composes the built-in job (in the notification area when `startInTray`)
// and writes it to the settings file (ending at once when it cannot be
// written), then runs RunReadBackJob with it and the build's publisher pin
// inside the guard. Returns 0 on every path. UI thread, COM initialised.
int UpdaterEntryRoutine(const std::optional<Publisher>& setupPublisherPin = std::nullopt, bool startInTray = false);
