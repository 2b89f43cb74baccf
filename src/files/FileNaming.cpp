#include "files/FileNaming.h"

#include "files/FilePaths.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace {

const wchar_t kUpLevelCurDirMacro[] = L"%UP_LEVEL_CUR_DIR%";
const wchar_t kEmptyExtension[] = L".tmp";

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The shell's list format: each path ends with a NUL, the list with a second one.
std::vector<wchar_t> ShellPathList(const std::wstring& path) {
    std::vector<wchar_t> list(path.begin(), path.end());
    list.resize(path.size() + 2, L'\0');
    return list;
}

}  // namespace

std::wstring LastPathComponent(std::wstring path) {
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    const size_t delimiter = path.rfind(L'\\');
    return delimiter == std::wstring::npos ? path : path.substr(delimiter + 1);
}

std::wstring FileNameFromUrl(std::wstring url) {
    std::replace(url.begin(), url.end(), L'/', L'\\');
    return LastPathComponent(std::move(url));
}

std::wstring UniqueFileName(const std::wstring& base, const std::wstring& extension, const std::wstring& folder) {
    const std::wstring prefix = IncludeTrailingPathDelimiter(folder);
    const std::wstring suffix = extension.empty() ? kEmptyExtension : extension;
    std::wstring name = base + suffix;
    // A folder of that name takes the name as well: a file could not be made there.
    for (unsigned long long k = 2; PathExists(prefix + name); ++k) name = base + std::to_wstring(k) + suffix;
    if (!FolderExists(prefix)) ForceDirectories(prefix);
    return prefix + name;
}

std::wstring ExpandUpLevelCurDirFor(const std::wstring& text, const std::wstring& executablePath) {
    if (text.find(kUpLevelCurDirMacro) == std::wstring::npos) return text;
    const std::wstring folder = ExtractFileDir(executablePath);
    const size_t delimiter = folder.rfind(L'\\');
    const std::wstring upLevel = delimiter == std::wstring::npos ? std::wstring() : folder.substr(0, delimiter + 1);
    return ReplaceAll(text, kUpLevelCurDirMacro, upLevel);
}

std::wstring ExpandUpLevelCurDir(const std::wstring& text) {
    if (text.find(kUpLevelCurDirMacro) == std::wstring::npos) return text;
    return ExpandUpLevelCurDirFor(text, ExecutablePath());
}

bool ShellFileOperation(const std::wstring& source, const std::wstring* destination, UINT operation,
                        FILEOP_FLAGS flags, HWND owner) {
    std::vector<wchar_t> from = ShellPathList(source);
    std::vector<wchar_t> to = destination ? ShellPathList(*destination) : std::vector<wchar_t>();
    SHFILEOPSTRUCTW operationInfo = {};
    operationInfo.hwnd = owner;
    operationInfo.wFunc = operation;
    operationInfo.pFrom = from.data();
    operationInfo.pTo = destination ? to.data() : nullptr;
    operationInfo.fFlags = flags;
    if (SHFileOperationW(&operationInfo) != 0) return false;
    // Wine's shell reports success for a move or copy to a name no file
    // system takes (one longer than 255 characters) and leaves the file where
    // it was; the caller, trusting the report, would delete the only copy.
    const bool writesDestination = operation == FO_MOVE || operation == FO_COPY || operation == FO_RENAME;
    return !(destination && writesDestination) || PathExists(*destination);
}
