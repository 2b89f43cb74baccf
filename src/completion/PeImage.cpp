#include "completion/PeImage.h"

#include <cstring>

namespace {

// PE format: the DOS header's e_lfanew, at 0x3C, gives the offset of "PE\0\0".
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr unsigned char kPeSignature[] = {'P', 'E', 0, 0};

}  // namespace

bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, &at) && read == size;
}

std::optional<PeHeaders> ReadPeHeaders(HANDLE file) {
    char dosMagic[2] = {};
    std::uint32_t newHeader = 0;
    unsigned char signature[sizeof kPeSignature] = {};
    if (!ReadAt(file, 0, dosMagic, sizeof dosMagic) || dosMagic[0] != 'M' || dosMagic[1] != 'Z' ||
        !ReadAt(file, kNewHeaderOffsetField, &newHeader, sizeof newHeader) ||
        !ReadAt(file, newHeader, signature, sizeof signature) ||
        std::memcmp(signature, kPeSignature, sizeof kPeSignature) != 0)
        return std::nullopt;
    PeHeaders headers = {};
    const std::uint64_t fileHeader = std::uint64_t{newHeader} + sizeof kPeSignature;
    if (!ReadAt(file, fileHeader, &headers.File, sizeof headers.File)) return std::nullopt;
    headers.OptionalHeaderOffset = fileHeader + sizeof headers.File;
    return headers;
}
