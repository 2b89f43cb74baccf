// The process-wide naming state through which the download thread hands the
// file names to the completion step and to the window's clean-up.
//
// The objects are made by the window module's start-up and destroyed by its
// teardown (empty optionals before and after). RemoteFileName is written by
// two threads and always under FileNameLock; the other two strings belong to
// the UI thread.
#pragma once

#include "CriticalSection.h"

#include <optional>
#include <string>

extern std::optional<TCriticalSection> FileNameLock;
extern std::optional<std::wstring> RemoteFileName;    // name part of the URL being fetched
extern std::optional<std::wstring> DownloadFileName;  // download file's name, no folder
extern std::optional<std::wstring> TargetFolder;      // the job's folder with a trailing "\"

// Base name of every download file.
extern const wchar_t kDownloadBaseName[];

// Sets RemoteFileName from the job's URL and returns the download path in
// `targetFolder`, all under FileNameLock. UI thread, when the download starts.
std::wstring ChooseDownloadPath(const std::wstring& url, const std::wstring& targetFolder);

// Sets RemoteFileName from a redirect location, under FileNameLock. Any thread.
void SetRemoteFileNameFromLocation(const std::wstring& location);

// Publishes DownloadFileName and TargetFolder once the download has ended. UI thread.
void PublishDownloadNames(const std::wstring& downloadPath, const std::wstring& targetFolder);

// Returns the final path for a complete download: a free name in TargetFolder
// made of RemoteFileName's base name and extension. UI thread, after the
// download thread has ended.
std::wstring ChooseFinalPath();

// Returns the path of the download file: TargetFolder + DownloadFileName.
std::wstring DownloadFilePath();
