#include "support/SigningFixtures.h"

#include "support/ScratchFiles.h"
#include "support/TrustedRoot.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace TestSupport {

const wchar_t kTestPublisherOrganization[] = SIGNING_TEST_ORGANIZATION;
const wchar_t kTestPublisherCommonName[] = SIGNING_TEST_COMMON_NAME;

std::wstring TestPublisherRefusalText(UiLanguage language, Refusal refusal, bool publisherKnown) {
    std::wstring publisher;
    if (publisherKnown)
        publisher = std::wstring(L" (CN=") + kTestPublisherCommonName + L", O=" + kTestPublisherOrganization + L")";
    const bool signer = refusal == Refusal::NotSigned;
    if (language == UiLanguage::Russian)
        return (signer ? L"Загруженный файл не подписан ожидаемым издателем"
                       : L"Загруженный файл не является программой установки ожидаемого издателя") +
               publisher + L" и не был запущен.";
    return (signer ? L"The downloaded file is not signed by the expected publisher"
                   : L"The downloaded file is not a setup program of the expected publisher") +
           publisher + L" and was not started.";
}

std::wstring SigningFixture(const std::string& relative) {
    return UnixToWindowsPath(std::string(SIGNING_FIXTURES_DIR) + "/" + relative);
}

std::string FixtureSetupBytes(const char* name) {
    return ReadFileBytes(SigningFixture(std::string("setups/") + name + ".exe"));
}

void TrustSigningCertificateAuthority() { AddTrustedRootCertificate(SigningFixture("certs/ca.der")); }

void AddTrustedRootCertificate(const std::wstring& derPath) { TrustRootCertificate(ReadFileBytes(derPath)); }

std::size_t CodeSectionOffset(const std::string& image) {
    // PE format: e_lfanew at 0x3C gives the "PE\0\0" signature, then the file
    // header, the optional header and the section table.
    auto read32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        std::memcpy(&value, image.data() + at, sizeof value);
        return value;
    };
    const std::size_t pe = read32(0x3C);
    const std::size_t sections = read32(pe + 4 + 2) & 0xFFFF;          // NumberOfSections
    const std::size_t optionalSize = read32(pe + 4 + 16) & 0xFFFF;     // SizeOfOptionalHeader
    const std::size_t table = pe + 4 + sizeof(IMAGE_FILE_HEADER) + optionalSize;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t header = table + i * sizeof(IMAGE_SECTION_HEADER);
        if (image.compare(header, 6, ".text\0", 6) == 0) return read32(header + 20);  // PointerToRawData
    }
    throw std::runtime_error("no .text section");
}

}  // namespace TestSupport
