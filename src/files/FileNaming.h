// Naming operations for the download file and the final file. None keeps
// state; any thread may call them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// Returns the last component of `url`, every "/" taken as "\".
std::wstring FileNameFromUrl(std::wstring url);

// Returns the text after the last "\" once one trailing "\" is removed.
std::wstring LastPathComponent(std::wstring path);

// Returns the full path of a name in `folder` that nothing occupies yet:
// base+ext, base+"2"+ext, base+"3"+ext, ... (".tmp" for an empty extension).
// Creates the folder with its parents if missing (a failure is ignored).
std::wstring UniqueFileName(const std::wstring& base, const std::wstring& extension, const std::wstring& folder);

// Returns `text` with every "%UP_LEVEL_CUR_DIR%" replaced by the parent folder
// (with a trailing "\") of the folder that holds this executable.
std::wstring ExpandUpLevelCurDir(const std::wstring& text);

// The same for an executable at `executablePath`.
std::wstring ExpandUpLevelCurDirFor(const std::wstring& text, const std::wstring& executablePath);

// Runs one shell file operation (e.g. FO_MOVE) from `source` to `destination`
// (null for none); true exactly when the shell reports success and, for an
// operation that writes `destination`, that path exists afterwards. `owner`
// owns any dialog the shell shows.
bool ShellFileOperation(const std::wstring& source, const std::wstring* destination, UINT operation,
                        FILEOP_FLAGS flags, HWND owner = nullptr);
