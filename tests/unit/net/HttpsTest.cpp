// HTTPS with the platform's certificate validation, against nginx with a test CA.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::THttpError;
using TestSupport::TTestServers;

namespace {

class HttpsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestSupport::TrustTestCertificateAuthority(); }
    TClientRig rig;
    TStringStream stream;
};

// A certificate of the trusted test CA for "localhost" validates.
TEST_F(HttpsTest, TrustedCertificateWorks) {
    rig.Client.Get(TTestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
}

// A self-signed certificate fails like any connection error.
TEST_F(HttpsTest, UntrustedCertificateFails) {
    EXPECT_EQ(GetFails(rig.Client, TTestServers::Instance().Https("nginx_untrusted", L"/pattern-3m.bin"), stream),
              THttpError::TKind::Connection);
    EXPECT_TRUE(stream.Bytes.empty());
}

// An http address redirecting to https is followed, with validation.
TEST_F(HttpsTest, HttpRedirectsToHttps) {
    const std::wstring target = TTestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin");
    rig.Client.Get(TTestServers::Instance().Http("fault", L"/redirect?to=" + target), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
    ASSERT_EQ(rig.Recorder.Redirects.size(), 1u);
    EXPECT_EQ(rig.Recorder.Redirects[0].Location, target);
}

// An http address redirecting to an untrusted https server fails.
TEST_F(HttpsTest, HttpRedirectsToUntrustedHttpsFails) {
    const std::wstring target = TTestServers::Instance().Https("nginx_untrusted", L"/pattern-3m.bin");
    EXPECT_EQ(GetFails(rig.Client, TTestServers::Instance().Http("fault", L"/redirect?to=" + target), stream),
              THttpError::TKind::Connection);
}

// A host-relative redirect on an https server stays on https.
TEST_F(HttpsTest, RelativeRedirectStaysSecure) {
    rig.Client.Get(TTestServers::Instance().Https("nginx_tls", L"/upgrade-relative"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
    ASSERT_EQ(rig.Recorder.Redirects.size(), 1u);
    EXPECT_EQ(rig.Recorder.Redirects[0].Location, TTestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin"));
}

// https redirecting to http is refused before the handler is asked.
TEST_F(HttpsTest, DowngradeIsRefused) {
    EXPECT_EQ(GetFails(rig.Client, TTestServers::Instance().Https("nginx_tls", L"/downgrade"), stream),
              THttpError::TKind::BadRedirect);
    EXPECT_TRUE(rig.Recorder.Redirects.empty());
    EXPECT_TRUE(stream.Bytes.empty());
}

// A redirect handler cannot turn an https redirect into a downgrade either.
TEST_F(HttpsTest, HandlerCannotDowngrade) {
    rig.Client.OnRedirect = [](std::wstring& location, int, bool&, std::wstring&) {
        location = TTestServers::Instance().Http("fault", L"/fixed/10");
    };
    EXPECT_EQ(GetFails(rig.Client, TTestServers::Instance().Https("nginx_tls", L"/upgrade-relative"), stream),
              THttpError::TKind::BadRedirect);
    EXPECT_TRUE(stream.Bytes.empty());
}

}  // namespace
