// Naming operations for the download file and the final file. None keeps
// state; any thread may call them.
#pragma once

#include <string>

// Returns the last component of `url`'s path, without query or fragment,
// every "/" taken as "\".
std::wstring FileNameFromUrl(std::wstring url);

// Returns the text after the last "\" once one trailing "\" is removed.
std::wstring LastPathComponent(std::wstring path);

// Returns the full path of a name in `folder` that nothing occupies yet:
// base+ext, base+"2"+ext, base+"3"+ext, ... (".tmp" for an empty extension).
// Creates the folder with its parents if missing (a failure is ignored).
std::wstring UniqueFileName(const std::wstring& base, const std::wstring& extension, const std::wstring& folder);

// The launch parameters' stand-in for the parent of this executable's folder.
constexpr wchar_t kUpLevelCurDirMacro[] = L"%UP_LEVEL_CUR_DIR%";

// Returns `text` with every "%UP_LEVEL_CUR_DIR%" replaced by the parent folder
// (with a trailing "\") of the folder that holds this executable. Where the
// macro stands right before a closing quote (after any backslashes), the
// folder's trailing "\" is doubled, so that the command-line splitting takes
// it as a backslash and not as the escape of that quote.
std::wstring ExpandUpLevelCurDir(const std::wstring& text);

// The same for an executable at `executablePath`.
std::wstring ExpandUpLevelCurDirFor(const std::wstring& text, const std::wstring& executablePath);

// Moves the file `source` to `destination`, which must not exist yet (a file
// there is never replaced); across volumes it is copied and deleted. True
// exactly when the file is at `destination` afterwards; on failure the
// source stays where it was, whole, and GetLastError() tells why.
bool MoveFileTo(const std::wstring& source, const std::wstring& destination);
