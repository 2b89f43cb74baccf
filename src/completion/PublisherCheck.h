// Who signed a file, and who a setup must be signed by: an Authenticode
// signature that the platform accepts, a signer chain that ends at a trusted
// root with no error, and the signer's identity.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The names a certificate authority vets for a code-signing certificate: the
// subject's organization (O) and common name (CN). Other subject fields may
// change when a certificate is renewed; these two stay the publisher's.
struct Publisher {
    std::wstring Organization;
    std::wstring CommonName;
};

bool operator==(const Publisher& a, const Publisher& b);

// Tells whether `name` can name a publisher: it is not empty and holds no
// NUL (C strings would end it there, so it would equal a shorter name).
bool NamesSomeone(const std::wstring& name);

// Tells whether `publisher` names someone: both names do (NamesSomeone).
bool IsIdentity(const Publisher& publisher);

// Returns the publisher as users read it: "CN=<common name>, O=<organization>".
std::wstring PublisherText(const Publisher& publisher);

// Returns the signer of `path` when WinVerifyTrust accepts its Authenticode
// signature (no user interface, no revocation fetch), the signer's chain
// carries no error (Wine accepts untrusted roots, Windows does not), nothing
// rides along with the signature (a PE image's certificate table holds the
// one signature and ends at the end of the file: CertificateTableIsWhole)
// and the signer's subject holds exactly one O and exactly one CN, each
// naming someone (NamesSomeone); nullopt otherwise. With `file` (opened for
// reading) the file is read through that handle, so the bytes checked are the
// bytes of that open file; without, the check opens `path` itself.
std::optional<Publisher> VerifiedSigner(const std::wstring& path, HANDLE file = INVALID_HANDLE_VALUE);

// Who a setup must be signed by before it is started.
struct ExpectedSigner {
    // Signatures are checked: the build is signed or pinned.
    bool Required = false;
    // The one publisher admitted when they are; none when no setup can be
    // (this executable carries a signature that does not verify).
    std::optional<::Publisher> Publisher;

    // Tells whether a file whose verified signer is `signer` may be started.
    bool Admits(const std::optional<::Publisher>& signer) const;
};

// Returns who a setup must be signed by, failing closed: `pin` when the build
// has one (nobody when it is no identity); else, when this executable's
// mapped image carries a signature, its verified signer (nobody when that
// signature does not verify); anyone only for an unsigned, unpinned build.
ExpectedSigner ExpectedSetupSigner(const std::optional<Publisher>& pin);
