// The code-signing material of a test run (tests/support/signing-fixtures.sh,
// run once per ctest run as the "signing_fixtures" fixture): a test CA, files
// signed by osslsigncode for the publisher, another publisher and an impostor
// of the publisher's subject from a CA nobody trusts, and updater.exe signed
// by the publisher.
#pragma once

#include "job/Job.h"

#include <cstddef>
#include <string>

namespace TestSupport {

// The subject names of the test publisher the fixtures sign with.
extern const wchar_t kTestPublisherOrganization[];
extern const wchar_t kTestPublisherCommonName[];

// Why the updater refused a downloaded file.
enum class Refusal {
    NotSigned,  // not signed by the publisher expected
    NotASetup,  // not a setup program
};

// Returns the text of the updater's message box for a refused file, in
// `language`, naming the test publisher as the one
// expected unless `publisherKnown` is false (an unsigned build, or a signed
// one that cannot verify itself).
std::wstring TestPublisherRefusalText(UiLanguage language, Refusal refusal = Refusal::NotSigned,
                                      bool publisherKnown = true);

// Returns a file of the fixtures' folder (`relative` with "/" separators) as a Windows path.
std::wstring SigningFixture(const std::string& relative);

// Returns the bytes of the fixtures' setup `name` (setups/<name>.exe): "unsigned",
// "publisher", "other-publisher", "impostor", or one signed by a subject that
// is not the publisher's identity: "other-organization" (the publisher's CN,
// another O), "no-organization", "two-organizations", "two-common-names".
std::string FixtureSetupBytes(const char* name);

// Adds the fixtures' test CA to the current user's trusted root certificates
// of this Wine prefix (CurrentUser\Root), as a maker's users have its CA.
void TrustSigningCertificateAuthority();

// Adds the DER certificate at `derPath` to CurrentUser\Root of this prefix.
void AddTrustedRootCertificate(const std::wstring& derPath);

// Returns the file offset of the first byte of a PE image's code section (.text).
std::size_t CodeSectionOffset(const std::string& image);

}  // namespace TestSupport
