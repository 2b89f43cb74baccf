#include "UpdaterFormUnit.h"

#include "BuiltInJob.h"
#include "NamingState.h"

std::optional<TUpdaterSettings> UpdaterSettings;

void UpdaterFormUnitStartup() {
    FileNameLock.emplace();
    RemoteFileName.emplace();
    DownloadFileName.emplace();
    TargetFolder.emplace();
    ComposeBuiltInJob();
}

void UpdaterFormUnitTeardown() {
    UpdaterSettings.reset();
    TargetFolder.reset();
    DownloadFileName.reset();
    RemoteFileName.reset();
    FileNameLock.reset();
}
