// Requests through tinyproxy, with pre-emptive Basic proxy authorization.
#include "NetTestSupport.h"

#include "net/ScriptProxyResolver.h"
#include "support/BuiltInUrlServer.h"
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

struct TListCase {
    const char* Name;
    const char* List;  // the script's answer: "$DOWN" a proxy nobody listens at, "$OPEN" the open tinyproxy
    enum { ThroughTheOpenProxy, Direct, Fails } Way;
};

void PrintTo(const TListCase& c, std::ostream* os) { *os << c.Name; }

class ProxyListTest : public ::testing::TestWithParam<TListCase> {};

// A script's answer is tried in order: a proxy that cannot be reached gives
// way to the next entry, DIRECT only where the list names it. (The answer
// stands in for the platform's evaluation of a script, which under Wine
// gives only a list's first entry.)
TEST_P(ProxyListTest, NextEntryWhenAProxyIsDown) {
    const TListCase& c = GetParam();
    const TestSupport::BuiltInUrlServer down(TestSupport::ServerAnswer::Refused(), 0);
    std::string list = c.List;
    const auto replace = [&list](const std::string& name, int port) {
        for (size_t at = list.find(name); at != std::string::npos; at = list.find(name))
            list.replace(at, name.size(), "127.0.0.1:" + std::to_string(port));
    };
    replace("$DOWN", down.Port());
    replace("$OPEN", TTestServers::Instance().Port("proxy"));
    unsigned lookups = 0;
    TClientRig rig;
    rig.Client.SetProxyResolver(std::make_unique<Net::TScriptProxyResolver>(
        Net::TScriptSource{L"http://127.0.0.1:1/unused.pac", false}, Net::TScriptProxyResolver::kLookupDeadlineMs,
        [&](const std::wstring&, const Net::TScriptSource&, unsigned long, const Net::TAbortSignal&) {
            ++lookups;
            return Net::TScriptAnswer{std::wstring(list.begin(), list.end()), false};
        }));
    // Two hops on the fault server's one host: the way found is kept for the second.
    for (const wchar_t* path : {L"/redirect?to=/echo", L"/echo"}) {
        TStringStream stream;
        if (c.Way == TListCase::Fails) {
            EXPECT_EQ(GetFails(rig.Client, Fault(path), stream).Kind(), THttpError::TKind::Connection);
            continue;
        }
        rig.Client.Get(Fault(path), stream);
        EXPECT_EQ(stream.Bytes.find("(tinyproxy/") != std::string::npos, c.Way == TListCase::ThroughTheOpenProxy)
            << stream.Bytes;
        EXPECT_EQ(stream.Bytes.find("Proxy-Authorization"), std::string::npos) << stream.Bytes;
    }
    EXPECT_EQ(lookups, 1u);
}

INSTANTIATE_TEST_SUITE_P(Lists, ProxyListTest,
    ::testing::Values(TListCase{"SecondProxy", "PROXY $DOWN; PROXY $OPEN; DIRECT", TListCase::ThroughTheOpenProxy},
                      TListCase{"SocksSkipped", "SOCKS $OPEN; HTTP $DOWN; DIRECT", TListCase::Direct},
                      TListCase{"DirectWhereNamed", "PROXY $DOWN; DIRECT; PROXY $OPEN", TListCase::Direct},
                      TListCase{"NoDirectUnlessNamed", "PROXY $DOWN", TListCase::Fails}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
