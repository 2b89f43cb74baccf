#include "files/FilePaths.h"

#include <windows.h>

namespace {

// Index just past the last folder delimiter, 0 when there is none.
size_t NameStart(const std::wstring& path) {
    const size_t delimiter = path.find_last_of(L"\\:");
    return delimiter == std::wstring::npos ? 0 : delimiter + 1;
}

}  // namespace

std::wstring FileName(const std::wstring& path) { return path.substr(NameStart(path)); }

std::wstring FileExtension(const std::wstring& path) {
    const size_t dot = path.find_last_of(L".\\:");
    if (dot == std::wstring::npos || path[dot] != L'.') return std::wstring();
    return path.substr(dot);
}

std::wstring FileStem(const std::wstring& path) {
    const std::wstring name = FileName(path);
    return name.substr(0, name.size() - FileExtension(name).size());
}

std::wstring ParentFolder(const std::wstring& path) {
    std::wstring folder = path.substr(0, NameStart(path));
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring WithTrailingBackslash(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\') return folder;
    return folder + L'\\';
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPath(const std::wstring& path) {
    if (path.empty()) return false;
    std::wstring folder = path;
    while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
    if (FolderExists(folder)) return true;
    const size_t delimiter = folder.find_last_of(L'\\');
    if (delimiter != std::wstring::npos && delimiter > 0) {
        const std::wstring parent = folder.substr(0, delimiter);
        // A drive ("C:") is a root, not a folder to create.
        if (parent.back() != L':' && !CreateFolderPath(parent)) return false;
    }
    return CreateDirectoryW(folder.c_str(), nullptr) || FolderExists(folder);
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}
