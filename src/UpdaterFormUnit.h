// The window module: its start-up and teardown, and the settings object it owns.
#pragma once

#include "Updatershared.h"

#include <optional>

// The job as loaded at start-up; exists between start-up and teardown. UI thread only.
extern std::optional<TUpdaterSettings> UpdaterSettings;

// Makes the process-wide objects in order: FileNameLock, the three naming
// strings, then the job (ComposeBuiltInJob). Once, before WinMain, with COM
// initialised on the calling thread.
void UpdaterFormUnitStartup();

// Releases them in reverse order, after the windows have been destroyed.
void UpdaterFormUnitTeardown();
