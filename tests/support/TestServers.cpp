#include "support/TestServers.h"

#include "support/TestSupport.h"
#include "win/Exception.h"

#include <windows.h>
#include <wincrypt.h>

#include <sstream>
#include <stdexcept>

namespace TestSupport {

TTestServers::TTestServers() {
    std::istringstream lines(ReadFileBytes(File("servers.env")));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) ports_[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
}

const TTestServers& TTestServers::Instance() {
    static const TTestServers servers;
    return servers;
}

int TTestServers::Port(const std::string& name) const {
    const auto found = ports_.find(name);
    if (found == ports_.end()) throw std::runtime_error("no test server " + name);
    return found->second;
}

std::wstring TTestServers::Http(const std::string& name, const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(Port(name)) + path;
}

std::wstring TTestServers::Https(const std::string& name, const std::wstring& path) const {
    return L"https://localhost:" + std::to_wstring(Port(name)) + path;
}

std::wstring TTestServers::File(const std::string& relative) const {
    return UnixToWindowsPath(std::string(TEST_SERVERS_DIR) + "/" + relative);
}

void TrustTestCertificateAuthority() {
    const std::string der = ReadFileBytes(TTestServers::Instance().File("certs/ca.der"));
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    Win::ThrowLastErrorIf(!store, "CertOpenStore");
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(store, 0);
    SetLastError(error);
    Win::ThrowLastErrorIf(!added, "CertAddEncodedCertificateToStore");
}

}  // namespace TestSupport
