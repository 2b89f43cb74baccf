// The names of one download: the run's own folder, where its bytes go while
// they arrive, and the remote file's name from which the final name is made.
#pragma once

#include <optional>
#include <string>

struct DownloadNames {
    std::wstring RemoteFileName;  // name part of the URL fetched last: the job's, then each redirect's
    std::wstring TargetFolder;    // the job's folder, with a trailing "\"
    std::wstring RunFolder;       // the run's new folder of its own in TargetFolder, with a trailing "\"
    std::wstring DownloadPath;    // RunFolder + "downloaded-file" + the job's URL's extension
};

// Returns the names when a download of `url` into `targetFolder` starts: the
// remote name from the URL and the target folder; the run folder and the
// download path stay "" until CreateDownloadFolder. Creates nothing.
DownloadNames ChooseDownloadNames(const std::wstring& url, const std::wstring& targetFolder);

// Creates the target folder when missing and the run's own folder inside it
// (files/RunFolder.h), and returns `names` with RunFolder and DownloadPath
// set; nullopt when either folder cannot be made. Creates no file.
std::optional<DownloadNames> CreateDownloadFolder(DownloadNames names);

// Deletes an unfinished download: its file, then the run's folder (see
// RemoveRunFolder). Names not made yet are skipped.
void DeleteUnfinishedDownload(const DownloadNames& names);
