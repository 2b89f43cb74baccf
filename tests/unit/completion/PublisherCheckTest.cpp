// The publisher check on real files signed by osslsigncode (the signing
// fixtures), with the test CA trusted in the prefix: what WinVerifyTrust, the
// chain status, the certificate table and the signer's identity let through,
// and the admission of a held file: its kind by name and content, its signer. (The certificate table's layouts:
// CertificateTableTest; the hand-off's use of it: HandOffTest.)
#include "completion/PublisherCheck.h"
#include "completion/SetupAdmission.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using namespace TestSupport;

// Names a verdict in failure messages (found by argument-dependent lookup: the enumeration's namespace).
void PrintTo(Admission verdict, std::ostream* out) {
    const char* const names[] = {"Admitted", "NotASetup", "NotThePublisher", "Unopened"};
    *out << names[static_cast<int>(verdict)];
}

namespace {

const Publisher kPublisher{kTestPublisherOrganization, kTestPublisherCommonName};

std::string WithByteChanged(std::string bytes, std::size_t at) {
    bytes[at] ^= 0x5A;
    return bytes;
}

// Offsets of the PE file header's fields (e_lfanew at 0x3C leads to "PE\0\0", then the file header).
std::size_t FileHeaderAt(const std::string& image) {
    std::uint32_t newHeader = 0;
    std::memcpy(&newHeader, image.data() + 0x3C, sizeof newHeader);
    return newHeader + 4;
}

std::string WithMachine(std::string image, WORD machine) {
    std::memcpy(&image[FileHeaderAt(image) + offsetof(IMAGE_FILE_HEADER, Machine)], &machine, sizeof machine);
    return image;
}

std::string WithCharacteristics(std::string image, WORD set, WORD cleared) {
    WORD characteristics = 0;
    const std::size_t at = FileHeaderAt(image) + offsetof(IMAGE_FILE_HEADER, Characteristics);
    std::memcpy(&characteristics, &image[at], sizeof characteristics);
    characteristics = static_cast<WORD>((characteristics | set) & ~cleared);
    std::memcpy(&image[at], &characteristics, sizeof characteristics);
    return image;
}

class PublisherCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TrustSigningCertificateAuthority(); }
    ScratchFolder folder;

    std::wstring Written(const std::string& bytes) {
        const std::wstring path = folder.Path() + L"setup.exe";
        WriteFileBytes(path, bytes);
        return path;
    }
};

// Only an intact signature whose chain ends at the trusted test CA yields a
// signer, with the subject's O and CN; an unsigned file, a changed byte in
// the code or in data appended after the image, and a certificate of the
// publisher's subject from a CA nobody trusts (which Wine's WinVerifyTrust
// itself accepts) yield none.
TEST_F(PublisherCheckTest, VerifiedSignerOnlyForAnIntactTrustedSignature) {
    const std::string signedSetup = FixtureSetupBytes("publisher");
    const std::size_t imageEnd = DemoSetupProgram().size();
    const struct {
        const char* Label;
        std::string Bytes;
        std::optional<Publisher> Signer;
    } cases[] = {
        {"publisher", signedSetup, kPublisher},
        {"other publisher", FixtureSetupBytes("other-publisher"), Publisher{L"Other Test Maker", L"Other Test Publisher"}},
        {"unsigned", FixtureSetupBytes("unsigned"), std::nullopt},
        {"byte changed in code", WithByteChanged(signedSetup, CodeSectionOffset(signedSetup) + 0x100), std::nullopt},
        {"byte changed after the image", WithByteChanged(signedSetup, imageEnd + 1000), std::nullopt},
        // A chunked body cut before its last chunk, which the platform's HTTP service takes as whole.
        {"cut short", signedSetup.substr(0, signedSetup.size() * 3 / 4), std::nullopt},
        {"impostor from an untrusted CA", FixtureSetupBytes("impostor"), std::nullopt},
        // A subject that does not name exactly one organization and one common name names nobody.
        {"no organization", FixtureSetupBytes("no-organization"), std::nullopt},
        {"two organizations", FixtureSetupBytes("two-organizations"), std::nullopt},
        {"two common names", FixtureSetupBytes("two-common-names"), std::nullopt},
        {"same common name, other organization", FixtureSetupBytes("other-organization"),
         Publisher{L"Other Test Maker", kTestPublisherCommonName}},
        // "Velmora Test\0Other" is not "Velmora Test": a name holding a NUL names nobody.
        {"organization with a NUL", FixtureSetupBytes("organization-with-nul"), std::nullopt},
        {"common name with a NUL", FixtureSetupBytes("common-name-with-nul"), std::nullopt},
        // Nothing rides along with a signature: 4 KiB appended inside the certificate table, which
        // WinVerifyTrust leaves out of the signed hash, makes it no signature of the publisher.
        {"4 KiB grown inside the certificate table", FixtureSetupBytes("padded"), std::nullopt},
        {"x86 program", FixtureSetupBytes("pe32"), kPublisher},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::optional<Publisher> signer = VerifiedSigner(Written(c.Bytes));
        EXPECT_EQ(signer.has_value(), c.Signer.has_value());
        if (signer && c.Signer) {
            EXPECT_EQ(signer->Organization, c.Signer->Organization);
            EXPECT_EQ(signer->CommonName, c.Signer->CommonName);
        }
    }
}

// A file the check admitted is held: no process can open it for writing,
// rename or delete it (sharing violation) until the check lets it go, while
// readers, such as the shell starting it, still can.
TEST_F(PublisherCheckTest, AdmittedFileCannotBeSwappedUntilReleased) {
    const std::wstring path = Written(FixtureSetupBytes("publisher"));
    const std::wstring moved = folder.Path() + L"moved.exe";
    SetupAdmission check(ExpectedSigner{true, kPublisher});
    ASSERT_EQ(check.Admit(path), Admission::Admitted);

    const Win::UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                             FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileW(path.c_str(), moved.c_str()));
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(Win::UniqueFile(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)));

    check.Release();
    EXPECT_TRUE(MoveFileW(path.c_str(), moved.c_str()));
}

// The check judges the bytes it holds, not whatever the path names by the
// time it looks: after the file is held, another file is renamed over its
// name from the Unix side (which no Windows sharing mode stops), and the
// verdict is still the held file's, either way round.
TEST_F(PublisherCheckTest, JudgesTheHeldFileNotWhatItsPathNamesLater) {
    const struct {
        const char* Label;
        const char* Held;
        const char* SwappedIn;
        Admission Verdict;
    } cases[] = {
        {"the publisher's setup held, an unsigned one swapped in", "publisher", "unsigned", Admission::Admitted},
        {"an unsigned setup held, the publisher's swapped in", "unsigned", "publisher", Admission::NotThePublisher},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::wstring path = Written(FixtureSetupBytes(c.Held));
        const std::wstring swapped = folder.Path() + L"swapped-in.exe";
        WriteFileBytes(swapped, FixtureSetupBytes(c.SwappedIn));
        SetupAdmission check(ExpectedSigner{true, kPublisher});
        ASSERT_TRUE(check.Hold(path));
        ASSERT_TRUE(RunUnixShell("mv -f '" + WindowsToUnixPath(swapped) + "' '" + WindowsToUnixPath(path) + "'", false));
        ASSERT_FALSE(FileExists(swapped)) << "the rename did not happen";
        EXPECT_EQ(check.Judge(), c.Verdict);
        check.Release();
        EXPECT_TRUE(ReadFileBytes(path) == FixtureSetupBytes(c.SwappedIn)) << "the path names the other file now";
    }
}

// Only the expected publisher's setup is admitted when signatures are
// required: another publisher, the same common name of another organization,
// and any setup when nobody can be expected (a signed updater that failed its
// own check) are refused. Without a requirement every setup program is
// admitted (unsigned builds).
TEST_F(PublisherCheckTest, AdmitsOnlyTheExpectedPublisher) {
    const ExpectedSigner publisher{true, kPublisher};
    const ExpectedSigner nobody{true, std::nullopt};
    const ExpectedSigner anyone{};
    const struct {
        const char* Label;
        const ExpectedSigner& Expected;
        const char* Setup;
        Admission Verdict;
    } cases[] = {
        {"the publisher", publisher, "publisher", Admission::Admitted},
        {"another publisher", publisher, "other-publisher", Admission::NotThePublisher},
        {"same common name, other organization", publisher, "other-organization", Admission::NotThePublisher},
        {"no organization", publisher, "no-organization", Admission::NotThePublisher},
        {"unsigned", publisher, "unsigned", Admission::NotThePublisher},
        {"nobody expected", nobody, "publisher", Admission::NotThePublisher},
        {"anyone, unsigned", anyone, "unsigned", Admission::Admitted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(SetupAdmission(c.Expected).Admit(Written(FixtureSetupBytes(c.Setup))), c.Verdict);
    }
    const ExpectedSigner otherCommonName{true, Publisher{kTestPublisherOrganization, L"Velmora Test"}};
    EXPECT_FALSE(otherCommonName.Admits(kPublisher));
}

// The file's name and content must be of one setup kind, whatever its
// signature: the shell picks the program that opens a file by its name.
TEST_F(PublisherCheckTest, AdmitsOnlyASetupProgramNamedAsWhatItIs) {
    const std::string signedSetup = FixtureSetupBytes("publisher");
    std::string compoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(4096, '\0');
    std::string mzWithoutPe = signedSetup;
    mzWithoutPe[0x3C] ^= 0x10;  // e_lfanew leads 16 bytes off "PE\0\0"
    // e_lfanew leads to the last two bytes, "PE": the signature is cut short by the end of the file.
    std::string peCutShort = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4) + "PE";
    const struct {
        const char* Label;
        const wchar_t* Name;
        std::string Bytes;
        Admission Verdict;
    } cases[] = {
        {"signed setup as .exe", L"setup.exe", signedSetup, Admission::Admitted},
        {"signed setup as .EXE", L"SETUP.EXE", signedSetup, Admission::Admitted},
        {"signed setup as .hta", L"setup.hta", signedSetup, Admission::NotASetup},
        {"signed setup as .cmd", L"setup.cmd", signedSetup, Admission::NotASetup},
        {"signed setup as .msi", L"setup.msi", signedSetup, Admission::NotASetup},
        {"signed setup without extension", L"setup", signedSetup, Admission::NotASetup},
        {"text as .exe", L"setup.exe", "MZ but no program", Admission::NotASetup},
        {"MZ whose header leads nowhere", L"setup.exe", mzWithoutPe, Admission::NotASetup},
        {"empty .exe", L"setup.exe", "", Admission::NotASetup},
        {"PE signature cut short", L"setup.exe", peCutShort, Admission::NotASetup},
        // Only a program this Windows can start: no DLL, no image for another machine.
        {"x86 program", L"setup.exe", FixtureSetupBytes("pe32"), Admission::Admitted},
        {"DLL", L"setup.exe", WithCharacteristics(signedSetup, IMAGE_FILE_DLL, 0), Admission::NotASetup},
        {"not an executable image", L"setup.exe", WithCharacteristics(signedSetup, 0, IMAGE_FILE_EXECUTABLE_IMAGE),
         Admission::NotASetup},
        {"ARM64 on x64", L"setup.exe", WithMachine(signedSetup, IMAGE_FILE_MACHINE_ARM64), Admission::NotASetup},
        {"Itanium", L"setup.exe", WithMachine(signedSetup, IMAGE_FILE_MACHINE_IA64), Admission::NotASetup},
        {"no machine", L"setup.exe", WithMachine(signedSetup, IMAGE_FILE_MACHINE_UNKNOWN), Admission::NotASetup},
        {"installer package as .msi", L"setup.msi", compoundFile, Admission::Admitted},
        {"installer package as .exe", L"setup.exe", compoundFile, Admission::NotASetup},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::wstring path = folder.Path() + c.Name;
        WriteFileBytes(path, c.Bytes);
        EXPECT_EQ(SetupAdmission(ExpectedSigner{}).Admit(path), c.Verdict);
        DeleteFileW(path.c_str());
    }
}

// Signed builds and pins expect a publisher; an unsigned test program without
// a pin expects anyone; a pin that names nobody lets nothing through.
TEST(ExpectedSignerTest, PinOrOwnSignatureOrAnyone) {
    const ExpectedSigner pinned = ExpectedSetupSigner(kPublisher);
    EXPECT_TRUE(pinned.Required);
    ASSERT_TRUE(pinned.Publisher);
    EXPECT_TRUE(*pinned.Publisher == kPublisher);
    const ExpectedSigner anyone = ExpectedSetupSigner(std::nullopt);  // this test program is not signed
    EXPECT_FALSE(anyone.Required);
    const ExpectedSigner broken = ExpectedSetupSigner(Publisher{L"", kTestPublisherCommonName});
    EXPECT_TRUE(broken.Required);
    EXPECT_FALSE(broken.Publisher);
    EXPECT_FALSE(broken.Admits(Publisher{L"", kTestPublisherCommonName}));
    // A pin whose name holds a NUL names nobody either.
    const Publisher withNul{std::wstring(L"Velmora Test\0Other", 18), kTestPublisherCommonName};
    const ExpectedSigner hidden = ExpectedSetupSigner(withNul);
    EXPECT_TRUE(hidden.Required);
    EXPECT_FALSE(hidden.Publisher);
    EXPECT_FALSE(hidden.Admits(withNul));
}

}  // namespace
