#include "files/FileNaming.h"

#include "files/FilePaths.h"

#include <windows.h>

#include <algorithm>

namespace {

const wchar_t kEmptyExtension[] = L".tmp";

// Tells whether `text` from `at` on is a run of backslashes (maybe none)
// followed by a quote: there a backslash of ours must be written twice.
bool BackslashesThenQuote(const std::wstring& text, size_t at) {
    const size_t next = text.find_first_not_of(L'\\', at);
    return next != std::wstring::npos && text[next] == L'"';
}

}  // namespace

std::wstring LastPathComponent(std::wstring path) {
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    const size_t delimiter = path.rfind(L'\\');
    return delimiter == std::wstring::npos ? path : path.substr(delimiter + 1);
}

std::wstring FileNameFromUrl(std::wstring url) {
    // RFC 3986 3.4, 3.5: the path ends at the first "?" or "#". What follows
    // (a signed link's query, a fragment) names no file, and a "?" or "/"
    // in it would make a name no file system takes, or the wrong one.
    url.erase(std::min(url.find_first_of(L"?#"), url.size()));
    std::replace(url.begin(), url.end(), L'/', L'\\');
    return LastPathComponent(std::move(url));
}

std::wstring UniqueFileName(const std::wstring& base, const std::wstring& extension, const std::wstring& folder) {
    const std::wstring prefix = WithTrailingBackslash(folder);
    const std::wstring suffix = extension.empty() ? kEmptyExtension : extension;
    std::wstring name = base + suffix;
    // A folder of that name takes the name as well: a file could not be made there.
    for (unsigned long long k = 2; PathExists(prefix + name); ++k) name = base + std::to_wstring(k) + suffix;
    if (!FolderExists(prefix)) CreateFolderPath(prefix);
    return prefix + name;
}

std::wstring ExpandUpLevelCurDirFor(const std::wstring& text, const std::wstring& executablePath) {
    const std::wstring macro = kUpLevelCurDirMacro;
    if (text.find(macro) == std::wstring::npos) return text;
    const std::wstring folder = ParentFolder(executablePath);
    const size_t delimiter = folder.rfind(L'\\');
    const std::wstring upLevel = delimiter == std::wstring::npos ? std::wstring() : folder.substr(0, delimiter + 1);
    std::wstring expanded;
    size_t from = 0;
    for (size_t at = text.find(macro); at != std::wstring::npos; at = text.find(macro, from)) {
        expanded.append(text, from, at - from).append(upLevel);
        from = at + macro.size();
        if (!upLevel.empty() && BackslashesThenQuote(text, from)) expanded += L'\\';
    }
    return expanded.append(text, from, std::wstring::npos);
}

std::wstring ExpandUpLevelCurDir(const std::wstring& text) {
    if (text.find(kUpLevelCurDirMacro) == std::wstring::npos) return text;
    return ExpandUpLevelCurDirFor(text, ExecutablePath());
}

bool MoveFileTo(const std::wstring& source, const std::wstring& destination) {
    return MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}
