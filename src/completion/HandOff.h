// What becomes of a complete download: its final name, the publisher check,
// the registry result and the start of the setup.
#pragma once

#include "completion/PublisherCheck.h"
#include "download/DownloadNames.h"
#include "job/Job.h"

#include <windows.h>

#include <optional>
#include <string>

// Returns the final path for a complete download: a free name in the target
// folder made of the remote file's base name and extension.
std::wstring ChooseFinalPath(const TDownloadNames& names);

// Moves the download file to its final path, waits a second serving this
// thread's messages, then admits the file only when it is signed by the
// expected publisher (this executable's own, else `setupPublisherPin`, else
// anyone): an admitted file is recorded under the job's registry key and,
// when the job says so, started with the job's arguments. A refused file is
// deleted, nothing is recorded or started, and a message box owned by
// `owner` says why. A move that fails ends the hand-off at once. UI thread,
// after the download thread has ended.
void HandOff(const TJob& job, const TDownloadNames& names, const std::optional<TPublisher>& setupPublisherPin,
             HWND owner);
