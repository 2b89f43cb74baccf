#include "support/TrustedRoot.h"

#include "win/Exception.h"
#include "win/Unique.h"

#include <windows.h>

#include <wincrypt.h>

namespace TestSupport {

namespace {

BOOL CloseCertStore(HCERTSTORE store) { return CertCloseStore(store, 0); }

using UniqueCertStore = Win::Unique<Win::NullHandleTraits<HCERTSTORE, CloseCertStore>>;

}  // namespace

void TrustRootCertificate(const std::string& der) {
    const UniqueCertStore store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
    Win::ThrowLastErrorIf(!store, "CertOpenStore");
    const BOOL added = CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    Win::ThrowLastErrorIf(!added, "CertAddEncodedCertificateToStore");
}

}  // namespace TestSupport
