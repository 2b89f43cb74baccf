#include "NamingState.h"

#include "FileNaming.h"
#include "FilePaths.h"

std::optional<TCriticalSection> FileNameLock;
std::optional<std::wstring> RemoteFileName;
std::optional<std::wstring> DownloadFileName;
std::optional<std::wstring> TargetFolder;

const wchar_t kDownloadBaseName[] = L"downloaded-file";

std::wstring ChooseDownloadPath(const std::wstring& url, const std::wstring& targetFolder) {
    TCriticalSectionBlockHolder hold(FileNameLock->get());
    *RemoteFileName = FileNameFromUrl(url);
    return UniqueFileName(kDownloadBaseName, ExtractFileExt(*RemoteFileName), targetFolder);
}

void SetRemoteFileNameFromLocation(const std::wstring& location) {
    TCriticalSectionBlockHolder hold(FileNameLock->get());
    *RemoteFileName = FileNameFromUrl(location);
}

void PublishDownloadNames(const std::wstring& downloadPath, const std::wstring& targetFolder) {
    *DownloadFileName = ExtractFileName(downloadPath);
    *TargetFolder = IncludeTrailingPathDelimiter(targetFolder);
}

std::wstring ChooseFinalPath() {
    return UniqueFileName(ExtractBaseName(*RemoteFileName), ExtractFileExt(*RemoteFileName), *TargetFolder);
}

std::wstring DownloadFilePath() { return *TargetFolder + *DownloadFileName; }
