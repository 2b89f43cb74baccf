// Requests through tinyproxy, with pre-emptive Basic proxy authorization.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::THttpError;
using TestSupport::TTestServers;

namespace {

void ThroughTheOpenProxy(Net::THttpClient& client) { client.SetProxy(TestProxy("proxy", L"", L"")); }

// Sets a proxy, then an empty host.
void ProxyThenDirect(Net::THttpClient& client) {
    ThroughTheOpenProxy(client);
    client.SetProxy({});
}

// The open proxy with the bypass list of a company's intranet.
void ThroughTheProxyWithBypass(Net::THttpClient& client, const wchar_t* bypass) {
    Net::TProxySettings proxy = TestProxy("proxy", L"", L"");
    proxy.Bypass = bypass;
    client.SetProxy(proxy);
}

struct TEchoCase {
    const char* Name;
    void (*Setup)(Net::THttpClient&);
    std::vector<const char*> Present;  // in the request as the server received it
    std::vector<const char*> Absent;
};

void PrintTo(const TEchoCase& c, std::ostream* os) { *os << c.Name; }

class ProxyEchoTest : public ::testing::TestWithParam<TEchoCase> {};

// The request reaches the server as the proxy setting says: through the open
// proxy with tinyproxy's Via header and the Basic authorization of an empty
// user and password, "Og=="; directly once an empty host is set.
TEST_P(ProxyEchoTest, ServerSeesTheRequest) {
    const TEchoCase& c = GetParam();
    TClientRig rig;
    c.Setup(rig.Client);
    TStringStream stream;
    rig.Client.Get(Fault(L"/echo"), stream);
    for (const char* text : c.Present)
        EXPECT_NE(stream.Bytes.find(text), std::string::npos) << text << " in\n" << stream.Bytes;
    for (const char* text : c.Absent)
        EXPECT_EQ(stream.Bytes.find(text), std::string::npos) << text << " in\n" << stream.Bytes;
}

INSTANTIATE_TEST_SUITE_P(Http, ProxyEchoTest,
    ::testing::Values(TEchoCase{"EmptyCredentialsThroughTheProxy", ThroughTheOpenProxy,
                                {"Proxy-Authorization: Basic Og==\n", "(tinyproxy/"}, {}},
                      TEchoCase{"EmptyHostMeansDirect", ProxyThenDirect, {}, {"Proxy-Authorization", "tinyproxy"}},
                      // The server's address matches the list: asked directly, with no header meant for the proxy.
                      TEchoCase{"BypassedHostIsAskedDirectly",
                                [](Net::THttpClient& client) {
                                    ThroughTheProxyWithBypass(client, L"<local>;*.internal.test; 127.0.0.*");
                                },
                                {},
                                {"Proxy-Authorization", "tinyproxy"}},
                      TEchoCase{"HostOutsideTheBypassListGoesThroughTheProxy",
                                [](Net::THttpClient& client) {
                                    ThroughTheProxyWithBypass(client, L"<local>;*.internal.test");
                                },
                                {"Proxy-Authorization: Basic Og==\n", "(tinyproxy/"},
                                {}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every hop of a redirect chain carries the header: the authenticating proxy
// lets each one through without asking first.
TEST(HttpProxyTest, AuthenticatedProxyAcceptsEveryHop) {
    TClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"secret"));
    TStringStream stream;
    rig.Client.Get(Fault(L"/chain/rel/302/2?to=/fixed/4000"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(4000));
    EXPECT_EQ(rig.Recorder.Redirects.size(), 3u);
}

// Wrong credentials are refused by the proxy: the GET fails with its status
// (tinyproxy answers 407 without credentials and 401 for wrong ones).
TEST(HttpProxyTest, WrongCredentialsFail) {
    TClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"wrong"));
    TStringStream stream;
    const THttpError error = GetFails(rig.Client, Fault(L"/fixed/10"), stream);
    EXPECT_EQ(error.Kind(), THttpError::TKind::Status);
    EXPECT_TRUE(error.Code() == 401u || error.Code() == 407u) << error.Code();
}

// https goes through the proxy's CONNECT, which carries the authorization too.
TEST(HttpProxyTest, HttpsThroughTheAuthenticatedProxy) {
    TestSupport::TrustTestCertificateAuthority();
    TClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"secret"));
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
}

}  // namespace
