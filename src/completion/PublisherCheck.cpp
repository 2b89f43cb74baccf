#include "completion/PublisherCheck.h"

#include "files/FilePaths.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace {

// The state of one WinVerifyTrust verification. Its state data (the signer,
// the chain) stays valid until the verification is closed, which the
// destructor always does (WTD_STATEACTION_CLOSE, as the WinVerifyTrust
// documentation requires after WTD_STATEACTION_VERIFY).
class TTrustVerification {
public:
    TTrustVerification(const std::wstring& path, HANDLE file) {
        fileInfo_.cbStruct = sizeof fileInfo_;
        fileInfo_.pcwszFilePath = path.c_str();
        fileInfo_.hFile = file == INVALID_HANDLE_VALUE ? nullptr : file;
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        // No revocation check and no network retrieval: the check must not
        // wait for a server, and a missing CRL must not lock users out.
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &fileInfo_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TTrustVerification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TTrustVerification(const TTrustVerification&) = delete;
    TTrustVerification& operator=(const TTrustVerification&) = delete;

    // Returns the signer's certificate when the signature was accepted and
    // the signer's chain has no error status; null otherwise.
    PCCERT_CONTEXT TrustedSignerCertificate() const {
        if (result_ != ERROR_SUCCESS || !data_.hWVTStateData) return nullptr;
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (!signer || !signer->pChainContext || signer->pChainContext->TrustStatus.dwErrorStatus != 0) return nullptr;
        CRYPT_PROVIDER_CERT* certificate = WTHelperGetProvCertFromChain(signer, 0);
        return certificate ? certificate->pCert : nullptr;
    }

private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO fileInfo_{};
    WINTRUST_DATA data_{};
    LONG result_ = TRUST_E_NOSIGNATURE;
};

std::wstring SubjectAttribute(PCCERT_CONTEXT certificate, const char* oid) {
    void* type = const_cast<char*>(oid);
    // The length with the terminating null; 1 (an empty string) when the subject has no such attribute.
    const DWORD length = CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, type, nullptr, 0);
    std::wstring text(length, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, type, text.data(), length);
    text.resize(length ? length - 1 : 0);
    return text;
}

}  // namespace

bool operator==(const TPublisher& a, const TPublisher& b) {
    return a.Organization == b.Organization && a.CommonName == b.CommonName;
}

std::wstring PublisherText(const TPublisher& publisher) {
    return L"CN=" + publisher.CommonName + L", O=" + publisher.Organization;
}

std::optional<TPublisher> VerifiedSigner(const std::wstring& path, HANDLE file) {
    const TTrustVerification verification(path, file);
    const PCCERT_CONTEXT certificate = verification.TrustedSignerCertificate();
    if (!certificate) return std::nullopt;
    return TPublisher{SubjectAttribute(certificate, szOID_ORGANIZATION_NAME),
                      SubjectAttribute(certificate, szOID_COMMON_NAME)};
}

std::optional<TPublisher> ExpectedSetupPublisher(const std::optional<TPublisher>& pin) {
    if (std::optional<TPublisher> own = VerifiedSigner(ExecutablePath())) return own;
    return pin;
}

bool TPublisherCheck::Admit(const std::wstring& path) {
    if (!expected_) return true;
    // Read sharing only: writers, renames and deletes fail with a sharing
    // violation until the setup has been started and the handle is closed.
    held_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!held_) return false;
    const std::optional<TPublisher> signer = VerifiedSigner(path, held_.get());
    return signer && *signer == *expected_;
}
