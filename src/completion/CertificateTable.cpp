#include "completion/CertificateTable.h"

#include "completion/PeImage.h"

#include <wintrust.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// WIN_CERTIFICATE's header: dwLength, wRevision, wCertificateType.
constexpr std::uint64_t kCertificateHeaderSize = offsetof(WIN_CERTIFICATE, bCertificate);
// ASN.1 DER: a SEQUENCE's tag, and long-form lengths of at most four octets.
constexpr unsigned char kSequenceTag = 0x30;
constexpr unsigned char kLongFormFlag = 0x80;
constexpr unsigned kMaxLengthOctets = 4;

// Returns the security directory of the image (file offset and size of its
// certificate table), for PE32 and PE32+ alike: their data directories sit
// at different offsets of the optional header.
std::optional<IMAGE_DATA_DIRECTORY> SecurityDirectory(HANDLE file) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(file);
    WORD magic = 0;
    if (!headers || !ReadAt(file, headers->OptionalHeaderOffset, &magic, sizeof magic)) return std::nullopt;
    std::uint64_t countField = 0;
    std::uint64_t directories = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        countField = offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
        directories = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        countField = offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
        directories = offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else {
        return std::nullopt;
    }
    DWORD count = 0;
    IMAGE_DATA_DIRECTORY security = {};
    const std::uint64_t entry = directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof security;
    if (!ReadAt(file, headers->OptionalHeaderOffset + countField, &count, sizeof count) ||
        count <= IMAGE_DIRECTORY_ENTRY_SECURITY || entry + sizeof security > headers->File.SizeOfOptionalHeader ||
        !ReadAt(file, headers->OptionalHeaderOffset + entry, &security, sizeof security))
        return std::nullopt;
    return security;
}

// Returns the length of the DER SEQUENCE at `offset`, its tag and length
// octets included, as its own length field gives it.
std::optional<std::uint64_t> DerSequenceLength(HANDLE file, std::uint64_t offset) {
    unsigned char head[2] = {};
    if (!ReadAt(file, offset, head, sizeof head) || head[0] != kSequenceTag) return std::nullopt;
    if (!(head[1] & kLongFormFlag)) return sizeof head + head[1];
    const unsigned octets = head[1] & ~kLongFormFlag;
    unsigned char length[kMaxLengthOctets] = {};
    if (octets == 0 || octets > kMaxLengthOctets || !ReadAt(file, offset + sizeof head, length, octets))
        return std::nullopt;
    std::uint64_t content = 0;
    for (unsigned i = 0; i < octets; ++i)
        content = content << 8 | length[i];
    return sizeof head + octets + content;
}

bool AllZero(HANDLE file, std::uint64_t offset, std::uint64_t count) {
    unsigned char bytes[8] = {};
    if (count > sizeof bytes || !ReadAt(file, offset, bytes, static_cast<DWORD>(count))) return false;
    for (std::uint64_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

}  // namespace

bool CertificateTableIsWhole(HANDLE file) {
    const std::optional<IMAGE_DATA_DIRECTORY> security = SecurityDirectory(file);
    LARGE_INTEGER fileSize = {};
    if (!security || !GetFileSizeEx(file, &fileSize)) return false;
    // The security directory's VirtualAddress is a file offset, not an RVA.
    const std::uint64_t table = security->VirtualAddress;
    if (table + security->Size != static_cast<std::uint64_t>(fileSize.QuadPart)) return false;
    struct {
        DWORD Length;
        WORD Revision;
        WORD Type;
    } header = {};
    static_assert(sizeof header == kCertificateHeaderSize);
    if (!ReadAt(file, table, &header, sizeof header) || header.Revision != WIN_CERT_REVISION_2_0 ||
        header.Type != WIN_CERT_TYPE_PKCS_SIGNED_DATA)
        return false;
    const std::optional<std::uint64_t> der = DerSequenceLength(file, table + kCertificateHeaderSize);
    if (!der) return false;
    const std::uint64_t exact = kCertificateHeaderSize + *der;
    const std::uint64_t rounded = (exact + 7) / 8 * 8;
    return security->Size == rounded && (header.Length == exact || header.Length == rounded) &&
           AllZero(file, table + exact, rounded - exact);
}
