// Requests through tinyproxy, with pre-emptive Basic proxy authorization.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::THttpError;
using TestSupport::TTestServers;

namespace {

Net::TProxySettings Proxy(const char* server, const wchar_t* user, const wchar_t* password) {
    return {L"127.0.0.1", TTestServers::Instance().Port(server), user, password};
}

// Through the open proxy the request reaches the server with tinyproxy's Via
// header and the Basic authorization of an empty user and password, "Og==".
TEST(HttpProxyTest, EmptyCredentialsReachTheServerThroughTheProxy) {
    TClientRig rig;
    rig.Client.SetProxy(Proxy("proxy", L"", L""));
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Http("fault", L"/echo"), stream);
    EXPECT_NE(stream.Bytes.find("Proxy-Authorization: Basic Og==\n"), std::string::npos) << stream.Bytes;
    EXPECT_NE(stream.Bytes.find("(tinyproxy/"), std::string::npos) << stream.Bytes;
}

// Every hop of a redirect chain carries the header: the authenticating proxy
// lets each one through without asking first.
TEST(HttpProxyTest, AuthenticatedProxyAcceptsEveryHop) {
    TClientRig rig;
    rig.Client.SetProxy(Proxy("proxy_auth", L"tester", L"secret"));
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Http("fault", L"/chain/rel/302/2?to=/fixed/4000"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(4000));
    EXPECT_EQ(rig.Recorder.Redirects.size(), 3u);
}

// Wrong credentials are refused by the proxy: the GET fails with its status
// (tinyproxy answers 407 without credentials and 401 for wrong ones).
TEST(HttpProxyTest, WrongCredentialsFail) {
    TClientRig rig;
    rig.Client.SetProxy(Proxy("proxy_auth", L"tester", L"wrong"));
    TStringStream stream;
    try {
        rig.Client.Get(TTestServers::Instance().Http("fault", L"/fixed/10"), stream);
        ADD_FAILURE() << "returned normally";
    } catch (const THttpError& error) {
        EXPECT_EQ(error.Kind(), THttpError::TKind::Status);
        EXPECT_TRUE(error.Code() == 401u || error.Code() == 407u) << error.Code();
    }
}

// https goes through the proxy's CONNECT, which carries the authorization too.
TEST(HttpProxyTest, HttpsThroughTheAuthenticatedProxy) {
    TestSupport::TrustTestCertificateAuthority();
    TClientRig rig;
    rig.Client.SetProxy(Proxy("proxy_auth", L"tester", L"secret"));
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
}

// Setting an empty proxy host goes back to direct connections.
TEST(HttpProxyTest, EmptyHostMeansDirect) {
    TClientRig rig;
    rig.Client.SetProxy(Proxy("proxy", L"", L""));
    rig.Client.SetProxy({});
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Http("fault", L"/echo"), stream);
    EXPECT_EQ(stream.Bytes.find("Proxy-Authorization"), std::string::npos) << stream.Bytes;
    EXPECT_EQ(stream.Bytes.find("tinyproxy"), std::string::npos) << stream.Bytes;
}

}  // namespace
