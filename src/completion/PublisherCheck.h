// The check before a downloaded setup is started: an Authenticode signature
// that the platform accepts, a signer chain that ends at a trusted root with
// no error, and the expected publisher as its signer.
#pragma once

#include "win/Unique.h"

#include <windows.h>

#include <optional>
#include <string>

// The names a certificate authority vets for a code-signing certificate: the
// subject's organization (O) and common name (CN). Other subject fields may
// change when a certificate is renewed; these two stay the publisher's.
struct TPublisher {
    std::wstring Organization;
    std::wstring CommonName;
};

bool operator==(const TPublisher& a, const TPublisher& b);

// Returns the publisher as users read it: "CN=<common name>, O=<organization>".
std::wstring PublisherText(const TPublisher& publisher);

// Returns the signer of `path` when WinVerifyTrust accepts its Authenticode
// signature (no user interface, no revocation fetch) and the signer's chain
// carries no error (Wine accepts untrusted roots, Windows does not); nullopt
// otherwise. With `file` (opened for reading) the file is read through that
// handle, so the bytes checked are the bytes of that open file.
std::optional<TPublisher> VerifiedSigner(const std::wstring& path, HANDLE file = INVALID_HANDLE_VALUE);

// Returns the publisher a setup must be signed by: the verified signer of this
// executable; without a signature, `pin` (the build's choice); nullopt when
// neither is there, and any file may then be started.
std::optional<TPublisher> ExpectedSetupPublisher(const std::optional<TPublisher>& pin);

// Holds a downloaded file from its check until it has been started: while
// this object lives, the file is open for reading with read sharing only, so
// no process can write, rename or delete it. One thread.
class TPublisherCheck {
public:
    explicit TPublisherCheck(std::optional<TPublisher> expected) : expected_(std::move(expected)) {}

    // Returns the publisher required, or nullopt when none is.
    const std::optional<TPublisher>& Expected() const noexcept { return expected_; }

    // Returns true when no publisher is expected, or when the file at `path`,
    // opened and held now, is signed by the expected one (verified through the
    // held handle). False when it cannot be opened or fails the check.
    bool Admit(const std::wstring& path);

    // Closes the held file (e.g. before deleting a refused one).
    void Release() noexcept { held_.reset(); }

private:
    std::optional<TPublisher> expected_;
    Win::UniqueFile held_;
};
