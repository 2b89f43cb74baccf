#include "job/TempFolder.h"

#include <windows.h>

namespace {

const DWORD kPathBuffer = 260;

// Both calls return the length without the NUL on success and the size needed
// (NUL included) when the buffer is too small; only the first case filled it.
bool Fits(DWORD result) { return result > 0 && result < kPathBuffer; }

}  // namespace

std::wstring GetTempPathAsReported() {
    wchar_t path[kPathBuffer] = {};
    const DWORD length = GetTempPathW(kPathBuffer, path);
    return Fits(length) ? std::wstring(path, length) : std::wstring();
}

std::wstring GetTempFolder() {
    const std::wstring shortPath = GetTempPathAsReported();
    if (shortPath.empty()) return std::wstring();
    wchar_t longPath[kPathBuffer] = {};
    const DWORD length = GetLongPathNameW(shortPath.c_str(), longPath, kPathBuffer);
    if (!Fits(length)) return std::wstring();
    std::wstring folder(longPath, length);
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}
