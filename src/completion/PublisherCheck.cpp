#include "completion/PublisherCheck.h"

#include "completion/CertificateTable.h"
#include "completion/SetupKind.h"
#include "files/FilePaths.h"
#include "win/Unique.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>
#include <cstring>

namespace {

// Opens `path` for reading, with read and delete sharing.
Win::UniqueFile OpenForCheck(const std::wstring& path) {
    return Win::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
}

// The state of one WinVerifyTrust verification. Its state data (the signer,
// the chain) stays valid until the verification is closed, which the
// destructor always does (WTD_STATEACTION_CLOSE, as the WinVerifyTrust
// documentation requires after WTD_STATEACTION_VERIFY).
class TrustVerification {
public:
    TrustVerification(const std::wstring& path, HANDLE file) {
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
    ~TrustVerification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

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

// Tells whether CryptDecodeObjectEx counts the terminator of a value it
// decodes as X509_UNICODE_NAME in the value's cbData: Wine does, Windows does
// not. Asked once, of a name whose one value is "a".
bool DecodedValuesCountTheTerminator() {
    static const bool counted = [] {
        // SEQUENCE { SET { SEQUENCE { OID 2.5.4.3 (CN), UTF8String "a" } } }
        static const BYTE name[] = {0x30, 0x0C, 0x31, 0x0A, 0x30, 0x08, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C, 0x01, 'a'};
        CERT_NAME_INFO* decoded = nullptr;
        DWORD size = 0;
        if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_UNICODE_NAME, name, sizeof name, CRYPT_DECODE_ALLOC_FLAG,
                                 nullptr, &decoded, &size))
            return false;
        const Win::UniqueHLocal owner(decoded);
        return decoded->cRDN == 1 && decoded->rgRDN[0].cRDNAttr == 1 &&
               decoded->rgRDN[0].rgRDNAttr[0].Value.cbData == 2 * sizeof(wchar_t);
    }();
    return counted;
}

// Returns the text of a value decoded as X509_UNICODE_NAME: all of its
// characters, a NUL among them included.
std::wstring DecodedText(const CERT_RDN_VALUE_BLOB& value) {
    const auto* text = reinterpret_cast<const wchar_t*>(value.pbData);
    std::size_t length = value.cbData / sizeof(wchar_t);
    if (!text) return {};
    if (length > 0 && DecodedValuesCountTheTerminator()) --length;
    return std::wstring(text, length);
}

// Returns the one value of the attribute `oid` in a decoded subject, or
// nullopt when it is missing, empty, holds a NUL (which C strings would cut
// the name at: "Velmora Ltd\0Other" is not "Velmora Ltd") or is there more
// than once (in one or in several relative distinguished names): such a
// subject names nobody.
std::optional<std::wstring> SingleValue(const CERT_NAME_INFO& subject, const char* oid) {
    std::optional<std::wstring> value;
    for (DWORD i = 0; i < subject.cRDN; ++i) {
        const CERT_RDN& rdn = subject.rgRDN[i];
        for (DWORD j = 0; j < rdn.cRDNAttr; ++j) {
            const CERT_RDN_ATTR& attribute = rdn.rgRDNAttr[j];
            if (!attribute.pszObjId || std::strcmp(attribute.pszObjId, oid) != 0) continue;
            if (value) return std::nullopt;
            value = DecodedText(attribute.Value);
        }
    }
    if (value && !NamesSomeone(*value)) return std::nullopt;
    return value;
}

// Returns the publisher the certificate's subject names: exactly one
// non-empty O and exactly one non-empty CN; nullopt for any other subject.
std::optional<Publisher> PublisherOfSubject(PCCERT_CONTEXT certificate) {
    CERT_NAME_INFO* decoded = nullptr;
    DWORD size = 0;
    const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_UNICODE_NAME, subject.pbData, subject.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &size))
        return std::nullopt;
    const Win::UniqueHLocal owner(decoded);
    const std::optional<std::wstring> organization = SingleValue(*decoded, szOID_ORGANIZATION_NAME);
    const std::optional<std::wstring> commonName = SingleValue(*decoded, szOID_COMMON_NAME);
    if (!organization || !commonName) return std::nullopt;
    return Publisher{*organization, *commonName};
}

// Tells whether this executable's image, as mapped, has a security directory:
// the place of an Authenticode signature (PE format, "The Attribute
// Certificate Table"). The mapped headers are the ones this process runs
// from, whatever has become of the file since.
bool OwnImageCarriesSignature() {
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_SECURITY) return false;
    const IMAGE_DATA_DIRECTORY& security = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
    return security.VirtualAddress != 0 || security.Size != 0;
}

// Returns the verified signer of this executable's file. It is opened with
// every sharing but writing allowed, so that another process that merely
// holds it open does not make the check fail; the loader keeps a running
// image from being written anyway.
std::optional<Publisher> OwnVerifiedSigner() {
    const std::wstring path = ExecutablePath();
    return VerifiedSigner(path, OpenForCheck(path).get());
}

}  // namespace

bool operator==(const Publisher& a, const Publisher& b) {
    return a.Organization == b.Organization && a.CommonName == b.CommonName;
}

bool NamesSomeone(const std::wstring& name) { return !name.empty() && name.find(L'\0') == std::wstring::npos; }

bool IsIdentity(const Publisher& publisher) {
    return NamesSomeone(publisher.Organization) && NamesSomeone(publisher.CommonName);
}

std::wstring PublisherText(const Publisher& publisher) {
    return L"CN=" + publisher.CommonName + L", O=" + publisher.Organization;
}

std::optional<Publisher> VerifiedSigner(const std::wstring& path, HANDLE file) {
    Win::UniqueFile opened;
    if (file == INVALID_HANDLE_VALUE || !file) {
        opened = OpenForCheck(path);
        if (!opened) return std::nullopt;
        file = opened.get();
    }
    const TrustVerification verification(path, file);
    const PCCERT_CONTEXT certificate = verification.TrustedSignerCertificate();
    if (!certificate) return std::nullopt;
    // The signature covers an installer package's streams but its own; a PE
    // image's certificate table must hold the signature and nothing more.
    if (!ContentIsOfKind(file, SetupKind::Installer) && !CertificateTableIsWhole(file)) return std::nullopt;
    return PublisherOfSubject(certificate);
}

bool ExpectedSigner::Admits(const std::optional<::Publisher>& signer) const {
    if (!Required) return true;
    return Publisher && signer && IsIdentity(*signer) && *signer == *Publisher;
}

ExpectedSigner ExpectedSetupSigner(const std::optional<Publisher>& pin) {
    if (pin) return {true, IsIdentity(*pin) ? pin : std::nullopt};
    if (!OwnImageCarriesSignature()) return {};
    return {true, OwnVerifiedSigner()};
}
