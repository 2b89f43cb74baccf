#include "download/DownloadNames.h"

#include "files/FileNaming.h"
#include "files/FilePaths.h"

namespace {

// Base name of every download file.
const wchar_t kDownloadBaseName[] = L"downloaded-file";

}  // namespace

TDownloadNames ChooseDownloadNames(const std::wstring& url, const std::wstring& targetFolder) {
    TDownloadNames names;
    names.RemoteFileName = FileNameFromUrl(url);
    names.TargetFolder = IncludeTrailingPathDelimiter(targetFolder);
    names.DownloadPath = UniqueFileName(kDownloadBaseName, ExtractFileExt(names.RemoteFileName), targetFolder);
    return names;
}
