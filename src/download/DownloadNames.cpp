#include "download/DownloadNames.h"

#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "files/RunFolder.h"

#include <windows.h>

namespace {

// Base name of every download file.
const wchar_t kDownloadBaseName[] = L"downloaded-file";

}  // namespace

DownloadNames ChooseDownloadNames(const std::wstring& url, const std::wstring& targetFolder) {
    DownloadNames names;
    names.RemoteFileName = FileNameFromUrl(url);
    names.TargetFolder = WithTrailingBackslash(targetFolder);
    return names;
}

std::optional<DownloadNames> CreateDownloadFolder(DownloadNames names) {
    if (!CreateFolderPath(names.TargetFolder)) return std::nullopt;
    names.RunFolder = CreateRunFolder(names.TargetFolder);
    if (names.RunFolder.empty()) return std::nullopt;
    // The extension comes from the job's URL, which the build names, never
    // from a server; the folder is new, so the plain name is free.
    names.DownloadPath = UniqueFileName(kDownloadBaseName, FileExtension(names.RemoteFileName), names.RunFolder);
    return names;
}

void DeleteUnfinishedDownload(const DownloadNames& names) {
    if (!names.DownloadPath.empty()) DeleteFileW(names.DownloadPath.c_str());
    RemoveRunFolder(names.RunFolder);
}
