// The publisher check on real files signed by osslsigncode (the signing
// fixtures), with the test CA trusted in the prefix: what WinVerifyTrust and
// the chain status let through, and the hold on a checked file. (The
// hand-off's use of it: HandOffTest.)
#include "completion/PublisherCheck.h"
#include "support/DemoSetup.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

const TPublisher kPublisher{kTestPublisherOrganization, kTestPublisherCommonName};

std::string WithByteChanged(std::string bytes, std::size_t at) {
    bytes[at] ^= 0x5A;
    return bytes;
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
        std::optional<TPublisher> Signer;
    } cases[] = {
        {"publisher", signedSetup, kPublisher},
        {"other publisher", FixtureSetupBytes("other-publisher"), TPublisher{L"Other Test Maker", L"Other Test Publisher"}},
        {"unsigned", FixtureSetupBytes("unsigned"), std::nullopt},
        {"byte changed in code", WithByteChanged(signedSetup, CodeSectionOffset(signedSetup) + 0x100), std::nullopt},
        {"byte changed after the image", WithByteChanged(signedSetup, imageEnd + 1000), std::nullopt},
        {"impostor from an untrusted CA", FixtureSetupBytes("impostor"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::optional<TPublisher> signer = VerifiedSigner(Written(c.Bytes));
        ASSERT_EQ(signer.has_value(), c.Signer.has_value());
        if (signer) {
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
    TPublisherCheck check(kPublisher);
    ASSERT_TRUE(check.Admit(path));

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

// The pin's choice: a file of another publisher is not admitted, and without
// an expected publisher every file is (unsigned builds as before).
TEST_F(PublisherCheckTest, AdmitsOnlyTheExpectedPublisherOrAnythingWithoutOne) {
    EXPECT_FALSE(TPublisherCheck(kPublisher).Admit(Written(FixtureSetupBytes("other-publisher"))));
    EXPECT_FALSE(TPublisherCheck(TPublisher{kTestPublisherOrganization, L"Velmora Test"}).Admit(Written(FixtureSetupBytes("publisher"))));
    EXPECT_TRUE(TPublisherCheck(std::nullopt).Admit(Written(FixtureSetupBytes("unsigned"))));
    // This test program is not signed: the pin decides.
    EXPECT_FALSE(ExpectedSetupPublisher(std::nullopt));
    EXPECT_TRUE(ExpectedSetupPublisher(kPublisher) == kPublisher);
}

}  // namespace
