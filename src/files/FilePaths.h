// The platform's ordinary file-name rules and the few file-system questions
// the updater asks. Paths use "\" as separator; "\" and ":" end a folder part.
#pragma once

#include <string>

// Returns the name part of a path: the text after the last "\" or ":".
std::wstring FileName(const std::wstring& path);

// Returns the extension from the last "." to the end, the dot included, or ""
// when a "\" or ":" follows that dot or there is no dot.
std::wstring FileExtension(const std::wstring& path);

// Returns the name part without its extension.
std::wstring FileStem(const std::wstring& path);

// Returns the path without its name part and without a trailing "\" (the drive
// alone, such as "C:", for a file in a drive root).
std::wstring ParentFolder(const std::wstring& path);

// Returns `folder` with a "\" appended unless it already ends with one.
std::wstring WithTrailingBackslash(const std::wstring& folder);

// Tells whether anything (file or folder) exists under `path`.
bool PathExists(const std::wstring& path);

// Tells whether `path` names an existing folder.
bool FolderExists(const std::wstring& path);

// Creates the folder `path` with every missing parent; true when it exists afterwards.
// An empty path creates nothing and returns false.
bool CreateFolderPath(const std::wstring& path);

// Returns the full path of this executable (of any length), or "" when the
// system cannot tell.
std::wstring ExecutablePath();
