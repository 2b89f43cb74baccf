// HTTPS with the platform's certificate validation, against nginx with a test CA.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::HttpError;
using TestSupport::TestServers;

namespace {

// The 3 MiB file of nginx with a certificate of the trusted test CA for "localhost".
std::wstring Trusted(const wchar_t* path = L"/pattern-3m.bin") {
    return TestServers::Instance().Https("nginx_tls", path);
}

// The same file of nginx with a self-signed certificate.
std::wstring Untrusted() { return TestServers::Instance().Https("nginx_untrusted", L"/pattern-3m.bin"); }

struct SecureCase {
    const char* Name;
    std::wstring (*Address)();
    std::wstring (*Location)();  // where the one redirect leads, or nullptr without one
};

void PrintTo(const SecureCase& c, std::ostream* os) { *os << c.Name; }

class SecureBodyTest : public ::testing::TestWithParam<SecureCase> {
protected:
    static void SetUpTestSuite() { TestSupport::TrustTestCertificateAuthority(); }
};

// A trusted certificate validates, reached directly, from an http address that
// redirects to https, or through a host-relative redirect, which stays on https.
TEST_P(SecureBodyTest, ArrivesValidated) {
    const SecureCase& c = GetParam();
    ClientRig rig;
    StringStream stream;
    rig.Client.Get(c.Address(), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
    ASSERT_EQ(rig.Recorder.Redirects.size(), c.Location ? 1u : 0u);
    if (c.Location) {
        EXPECT_EQ(rig.Recorder.Redirects[0], c.Location());
    }
}

INSTANTIATE_TEST_SUITE_P(Http, SecureBodyTest,
    ::testing::Values(SecureCase{"TrustedCertificate", [] { return Trusted(); }, nullptr},
                      SecureCase{"HttpRedirectsToHttps", [] { return Fault(L"/redirect?to=" + Trusted()); },
                                  [] { return Trusted(); }},
                      SecureCase{"RelativeRedirectStaysSecure", [] { return Trusted(L"/upgrade-relative"); },
                                  [] { return Trusted(); }}),
    [](const auto& info) { return std::string(info.param.Name); });

struct InsecureCase {
    const char* Name;
    std::wstring (*Address)();
    HttpError::ErrorKind Kind;
    std::size_t Redirects;  // the redirects followed
};

void PrintTo(const InsecureCase& c, std::ostream* os) { *os << c.Name; }

class InsecureTest : public ::testing::TestWithParam<InsecureCase> {
protected:
    static void SetUpTestSuite() { TestSupport::TrustTestCertificateAuthority(); }
};

// An untrusted certificate fails like any connection error, reached directly or
// by a redirect; https redirecting to http is refused before the sink is told
// of it. Nothing is written.
TEST_P(InsecureTest, GetRaises) {
    const InsecureCase& c = GetParam();
    ClientRig rig;
    StringStream stream;
    EXPECT_EQ(GetFails(rig.Client, c.Address(), stream).Kind(), c.Kind);
    EXPECT_EQ(rig.Recorder.Redirects.size(), c.Redirects);
    EXPECT_TRUE(stream.Bytes.empty());
}

using K = HttpError::ErrorKind;
INSTANTIATE_TEST_SUITE_P(
    Http, InsecureTest,
    ::testing::Values(InsecureCase{"UntrustedCertificate", Untrusted, K::Connection, 0},
                      InsecureCase{"HttpRedirectsToUntrustedHttps",
                                    [] { return Fault(L"/redirect?to=" + Untrusted()); }, K::Connection, 1},
                      InsecureCase{"DowngradeIsRefused", [] { return Trusted(L"/downgrade"); }, K::BadRedirect, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
