#include "support/ScratchFiles.h"

#include "win/Exception.h"
#include "win/Unique.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace TestSupport {

namespace {

std::wstring ProcessTempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    Win::ThrowLastErrorIf(length == 0 || length > MAX_PATH, "GetTempPathW");
    return std::wstring(path, length);
}

// Calls `visit` with the name and attributes of every entry of `folder` (ending in "\") but "." and "..".
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW entry;
    Win::UniqueFile find(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!find) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") visit(name, entry.dwFileAttributes);
    } while (FindNextFileW(find.get(), &entry));
}

void CollectFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& files) {
    ForEachEntry(folder + prefix, [&](const std::wstring& name, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder, prefix + name + L"\\", files);
        else
            files.push_back(prefix + name);
    });
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    path_ = ProcessTempFolder() + L"test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    RemoveTree(path_);
    Win::ThrowLastErrorIf(!CreateDirectoryW(path_.c_str(), nullptr), "CreateDirectoryW");
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

ScopedTempFolder::ScopedTempFolder(const std::wstring& folder) : tmp_(L"TMP", folder), temp_(L"TEMP", folder) {}

std::string ReadFileBytes(const std::wstring& path) {
    Win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    Win::ThrowLastErrorIf(!file, "CreateFileW");
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    Win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Win::ThrowLastErrorIf(!file, "CreateFileW");
    DWORD written = 0;
    Win::ThrowLastErrorIf(!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
                          "WriteFile");
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> files;
    CollectFiles(folder, L"", files);
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring RunFolderIn(const std::wstring& folder) {
    std::vector<std::wstring> runFolders;
    ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && name.compare(0, 6, L"setup-") == 0)
            runFolders.push_back(folder + name + L"\\");
    });
    return runFolders.size() == 1 ? runFolders.front() : std::wstring();
}

std::wstring RunFolderNameIn(const std::wstring& folder) {
    const std::wstring runFolder = RunFolderIn(folder);
    return runFolder.empty() ? std::wstring() : runFolder.substr(folder.size());
}

std::vector<std::wstring> LeftBehindIn(const std::wstring& folder) {
    std::vector<std::wstring> entries;
    const std::function<void(const std::wstring&)> collect = [&](const std::wstring& prefix) {
        ForEachEntry(folder + prefix, [&](const std::wstring& name, DWORD attributes) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                entries.push_back(prefix + name);
                return;
            }
            entries.push_back(prefix + name + L"\\");
            collect(prefix + name + L"\\");
        });
    };
    collect(L"");
    const std::wstring settingsFolder = L"Velmora\\";
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::wstring& entry) {
                                     return entry == settingsFolder || entry == settingsFolder + L"UpdaterSettings.xml";
                                 }),
                  entries.end());
    std::sort(entries.begin(), entries.end());
    return entries;
}

void RemoveTree(const std::wstring& path) {
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    ForEachEntry(folder + L"\\", [&](const std::wstring& name, DWORD attributes) {
        const std::wstring child = folder + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(child);
        else
            DeleteFileW(child.c_str());
    });
    RemoveDirectoryW(folder.c_str());
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

std::string UniqueUnixName(const std::string& stem) {
    static const unsigned long long nonce = [] {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        FILETIME time{};
        GetSystemTimeAsFileTime(&time);
        return static_cast<unsigned long long>(now.QuadPart) ^
               (static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    }();
    static std::atomic<unsigned> count{0};
    char name[64];
    snprintf(name, sizeof name, "-%lu-%llx-%u", GetCurrentProcessId(), nonce, ++count);
    return stem + name;
}

std::string WindowsToUnixPath(const std::wstring& path) {
    // Wine's own mapping, which knows every drive (kernel32's wine_get_unix_file_name,
    // whose result is the caller's to free from the process heap).
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) throw std::runtime_error("no Unix paths outside Wine");
    char* unixPath = toUnix(path.c_str());
    if (!unixPath) throw std::runtime_error("no Unix path for a Windows path");
    const std::string result(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

}  // namespace TestSupport
