// Real files for the tests: fresh folders removed again by their owners, a
// process's temporary folder pointed at one, whole-file reads and writes, and
// listings of what a run left.
#pragma once

#include "support/SystemSettings.h"

#include <string>
#include <vector>

namespace TestSupport {

// A fresh folder below the process's temporary folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ScratchFolder();
    ~ScratchFolder();
    // Returns the folder's path with a trailing "\".
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// Points this process's temporary folder (TMP and TEMP) at `folder`.
class ScopedTempFolder {
public:
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
    explicit ScopedTempFolder(const std::wstring& folder);

private:
    ScopedEnvironmentVariable tmp_;
    ScopedEnvironmentVariable temp_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Returns whether a file or folder exists at `path`.
bool FileExists(const std::wstring& path);

// Returns the names of the files (not folders) in `folder` (ending in "\"), sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Returns the files below `folder` (ending in "\") as paths relative to it, sorted.
std::vector<std::wstring> FilesBelow(const std::wstring& folder);

// Returns the folder a run of the updater made for its download in `folder`
// (the run's temporary or target folder, ending in "\"): the one folder there
// whose name starts with "setup-", with a trailing "\"; "" when there is none
// or more than one.
std::wstring RunFolderIn(const std::wstring& folder);

// Returns that folder's name with a trailing "\", relative to `folder`; "" as above.
std::wstring RunFolderNameIn(const std::wstring& folder);

// Returns what a run left in `folder` (ending in "\"): every file and folder
// below it, as paths relative to it (a folder's ending in "\"), sorted, but
// the settings file every run writes and its folder.
std::vector<std::wstring> LeftBehindIn(const std::wstring& folder);

// Removes a folder and everything in it; quiet when it is missing.
void RemoveTree(const std::wstring& path);

// Turns a Unix path into the Windows path Wine maps it to ("Z:\...").
std::wstring UnixToWindowsPath(const std::string& unixPath);

// Returns the Unix path Wine maps the Windows path `path` to, on any drive;
// raises outside Wine.
std::string WindowsToUnixPath(const std::wstring& path);

// Returns "<stem>-<process>-<nonce>-<count>": a name for a Unix-side file that
// no other process uses, now or earlier. Windows process ids alone are not
// enough: Wine hands them out again soon, and a file left by an earlier
// process with the same id (a marker that came after its wait gave up) would
// pass for this process's own.
std::string UniqueUnixName(const std::string& stem);

}  // namespace TestSupport
