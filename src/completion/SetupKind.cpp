#include "completion/SetupKind.h"

#include "files/FilePaths.h"

#include <cstdint>
#include <cstring>

namespace {

// [MS-CFB] 2.2: the first eight bytes of every compound file.
constexpr unsigned char kCompoundFileSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// PE format: the DOS header's e_lfanew, at 0x3C, gives the offset of "PE\0\0".
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr unsigned char kPeSignature[] = {'P', 'E', 0, 0};

// Reads exactly `size` bytes at `offset` of `file`; false when fewer are there.
bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, &at) && read == size;
}

bool IsPeImage(HANDLE file) {
    char dosMagic[2] = {};
    std::uint32_t newHeader = 0;
    unsigned char signature[sizeof kPeSignature] = {};
    return ReadAt(file, 0, dosMagic, sizeof dosMagic) && dosMagic[0] == 'M' && dosMagic[1] == 'Z' &&
           ReadAt(file, kNewHeaderOffsetField, &newHeader, sizeof newHeader) &&
           ReadAt(file, newHeader, signature, sizeof signature) &&
           std::memcmp(signature, kPeSignature, sizeof kPeSignature) == 0;
}

bool IsCompoundFile(HANDLE file) {
    unsigned char signature[sizeof kCompoundFileSignature] = {};
    return ReadAt(file, 0, signature, sizeof signature) &&
           std::memcmp(signature, kCompoundFileSignature, sizeof signature) == 0;
}

}  // namespace

std::optional<TSetupKind> SetupKindOfName(const std::wstring& path) {
    const std::wstring extension = ExtractFileExt(path);
    if (_wcsicmp(extension.c_str(), L".exe") == 0) return TSetupKind::Executable;
    if (_wcsicmp(extension.c_str(), L".msi") == 0) return TSetupKind::Installer;
    return std::nullopt;
}

bool ContentIsOfKind(HANDLE file, TSetupKind kind) {
    return kind == TSetupKind::Executable ? IsPeImage(file) : IsCompoundFile(file);
}
