// The one job built into the updater, composed on every start.
#pragma once

#include "job/Job.h"

#include <windows.h>

#include <string>

// Returns the built-in job: the build's URL, the temporary folder, the texts
// of the user's language, the process's arguments for the setup, the system
// proxy when it is on. Start-up, on the main thread.
Job ComposeBuiltInJob();

// Returns Russian for a Russian user interface, English otherwise.
UiLanguage UserUiLanguage();

// The same for a given UI language identifier (only the primary language counts).
UiLanguage UiLanguageFor(LANGID language);
