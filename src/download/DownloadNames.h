// The names of one download: where its bytes go while they arrive, and the
// remote file's name from which the final name is made.
#pragma once

#include <string>

struct TDownloadNames {
    std::wstring RemoteFileName;  // name part of the URL fetched last: the job's, then each redirect's
    std::wstring TargetFolder;    // the job's folder, with a trailing "\"
    std::wstring DownloadPath;    // a free name in TargetFolder: "downloaded-file" + the URL's extension
};

// Returns the names when a download of `url` into `targetFolder` starts:
// the remote name from the URL and a download path that no file or folder
// occupies yet (the folder is created when missing).
TDownloadNames ChooseDownloadNames(const std::wstring& url, const std::wstring& targetFolder);
