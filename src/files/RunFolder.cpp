#include "files/RunFolder.h"

#include "files/FilePaths.h"

#include <objbase.h>
#include <windows.h>

namespace {

// Enough tries that only a folder that refuses new names gives up.
constexpr int kAttempts = 8;
// How long a removal waits for a folder held open elsewhere, and how often it looks again.
constexpr DWORD kRemoveWaitMs = 1000;
constexpr DWORD kRemoveRetryMs = 20;

// Returns 32 hexadecimal digits from a new GUID: CoCreateGuid makes random
// (version 4) GUIDs from the system's cryptographic generator, per its
// documentation, so the name cannot be guessed ahead of the run.
std::wstring RandomName() {
    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid))) return std::wstring();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&guid);
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring name = L"setup-";
    for (size_t i = 0; i < sizeof guid; ++i) {
        name += kDigits[bytes[i] >> 4];
        name += kDigits[bytes[i] & 0xF];
    }
    return name;
}

}  // namespace

std::wstring CreateRunFolder(const std::wstring& parent) {
    const std::wstring prefix = WithTrailingBackslash(parent);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::wstring name = RandomName();
        if (name.empty()) return std::wstring();
        const std::wstring folder = prefix + name;
        // CreateDirectoryW fails on any existing folder or file of that name:
        // a folder somebody prepared is never taken for the run's own.
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder + L'\\';
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return std::wstring();
}

void RemoveRunFolder(const std::wstring& folder) {
    if (folder.empty()) return;
    // Another process that looks into the folder at this moment (a scanner,
    // a file manager listing it) holds it open, and a file just deleted may
    // be gone only once its last handle closes: a moment is waited out, a
    // file that stays is not.
    for (DWORD waited = 0; !RemoveDirectoryW(folder.c_str()); waited += kRemoveRetryMs) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || waited >= kRemoveWaitMs) return;
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_DIR_NOT_EMPTY) return;
        Sleep(kRemoveRetryMs);
    }
}
