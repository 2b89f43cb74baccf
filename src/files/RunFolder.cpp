#include "files/RunFolder.h"

#include "files/FilePaths.h"

#include <objbase.h>
#include <windows.h>

namespace {

// Enough tries that only a folder that refuses new names gives up.
constexpr int kAttempts = 8;

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
    const std::wstring prefix = IncludeTrailingPathDelimiter(parent);
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
    if (!folder.empty()) RemoveDirectoryW(folder.c_str());
}
