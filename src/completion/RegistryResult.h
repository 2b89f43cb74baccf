// The result of a complete download, recorded for the program that asked for it.
#pragma once

#include <string>

// Opens (never creates) the key that `registryPath` names and sets "Done"
// (REG_DWORD 0) and "FinalFileName" (REG_SZ, the final file's full path).
// An empty path, an unknown root or a key that cannot be opened for reading
// and writing writes nothing and returns false. A value that cannot be set
// raises Win::Exception "Failed to set data for '<value>'".
bool RecordDownloadResult(const std::wstring& registryPath, const std::wstring& finalPath);
