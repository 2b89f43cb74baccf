// What becomes of a complete download: its final name, the check that it is
// the maker's setup, the registry result and the start of the setup. The
// hand-off fails closed: the file is started as the maker's setup, or it is
// refused aloud, or the user gets the address in the browser; it is never
// left behind without a word, and never started as anything else.
#pragma once

#include "completion/PublisherCheck.h"
#include "download/DownloadNames.h"
#include "job/Job.h"

#include <windows.h>

#include <optional>
#include <string>

// Returns the final path for a complete download: a free name in the run's
// folder made of the remote file's base name and extension.
std::wstring ChooseFinalPath(const DownloadNames& names);

// Judges the final name first: a name that is no setup's (".exe", ".msi") is
// refused before any file of that name exists. Then moves the download file
// to its final path in the run's folder (waiting up to a few seconds while
// another process holds it), waits a second serving this thread's messages,
// and admits the file only when it is a setup program (a PE named ".exe" or
// an installer package named ".msi") signed by the expected publisher (see
// ExpectedSetupSigner; `setupPublisherPin` is the build's pin). An admitted
// file is recorded under the job's registry key and, when the job says so,
// started with the job's arguments, in the run's folder as its working
// folder, while it is still held; the folder stays with it. A refused file
// is deleted with the run's folder, nothing is recorded or started, and a
// message box owned by `owner` says why, in the job's language. A file that cannot be moved or
// opened for the check is deleted with the run's folder and the job's URL
// opens in the browser. UI thread, after the download thread has ended.
void HandOff(const Job& job, const DownloadNames& names, const std::optional<Publisher>& setupPublisherPin,
             HWND owner);
