// Requests through tinyproxy, with pre-emptive Basic proxy authorization.
#include "NetTestSupport.h"

#include "net/ScriptProxyResolver.h"
#include "support/BuiltInUrlServer.h"
#include "support/TestServers.h"

using namespace NetTest;
using Net::HttpError;
using TestSupport::TestServers;

namespace {

void ThroughTheOpenProxy(Net::HttpClient& client) { client.SetProxy(TestProxy("proxy", L"", L"")); }

// Sets a proxy, then an empty host.
void ProxyThenDirect(Net::HttpClient& client) {
    ThroughTheOpenProxy(client);
    client.SetProxy({});
}

// The open proxy with the bypass list of a company's intranet.
void ThroughTheProxyWithBypass(Net::HttpClient& client, const wchar_t* bypass) {
    Net::ProxySettings proxy = TestProxy("proxy", L"", L"");
    proxy.Bypass = bypass;
    client.SetProxy(proxy);
}

struct EchoCase {
    const char* Name;
    void (*Setup)(Net::HttpClient&);
    std::vector<const char*> Present;  // in the request as the server received it
    std::vector<const char*> Absent;
};

void PrintTo(const EchoCase& c, std::ostream* os) { *os << c.Name; }

class ProxyEchoTest : public ::testing::TestWithParam<EchoCase> {};

// The request reaches the server as the proxy setting says: through the open
// proxy with tinyproxy's Via header and the Basic authorization of an empty
// user and password, "Og=="; directly once an empty host is set.
TEST_P(ProxyEchoTest, ServerSeesTheRequest) {
    const EchoCase& c = GetParam();
    ClientRig rig;
    c.Setup(rig.Client);
    StringStream stream;
    rig.Client.Get(Fault(L"/echo"), stream);
    for (const char* text : c.Present)
        EXPECT_NE(stream.Bytes.find(text), std::string::npos) << text << " in\n" << stream.Bytes;
    for (const char* text : c.Absent)
        EXPECT_EQ(stream.Bytes.find(text), std::string::npos) << text << " in\n" << stream.Bytes;
}

INSTANTIATE_TEST_SUITE_P(Http, ProxyEchoTest,
    ::testing::Values(EchoCase{"EmptyCredentialsThroughTheProxy", ThroughTheOpenProxy,
                                {"Proxy-Authorization: Basic Og==\n", "(tinyproxy/"}, {}},
                      EchoCase{"EmptyHostMeansDirect", ProxyThenDirect, {}, {"Proxy-Authorization", "tinyproxy"}},
                      // The server's address matches the list: asked directly, with no header meant for the proxy.
                      EchoCase{"BypassedHostIsAskedDirectly",
                                [](Net::HttpClient& client) {
                                    ThroughTheProxyWithBypass(client, L"<local>;*.internal.test; 127.0.0.*");
                                },
                                {},
                                {"Proxy-Authorization", "tinyproxy"}},
                      EchoCase{"HostOutsideTheBypassListGoesThroughTheProxy",
                                [](Net::HttpClient& client) {
                                    ThroughTheProxyWithBypass(client, L"<local>;*.internal.test");
                                },
                                {"Proxy-Authorization: Basic Og==\n", "(tinyproxy/"},
                                {}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every hop of a redirect chain carries the header: the authenticating proxy
// lets each one through without asking first.
TEST(HttpProxyTest, AuthenticatedProxyAcceptsEveryHop) {
    ClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"secret"));
    StringStream stream;
    rig.Client.Get(Fault(L"/chain/rel/302/2?to=/fixed/4000"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(4000));
    EXPECT_EQ(rig.Recorder.Redirects.size(), 3u);
}

// Wrong credentials are refused by the proxy: the GET fails with its status
// (tinyproxy answers 407 without credentials and 401 for wrong ones).
TEST(HttpProxyTest, WrongCredentialsFail) {
    ClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"wrong"));
    StringStream stream;
    const HttpError error = GetFails(rig.Client, Fault(L"/fixed/10"), stream);
    EXPECT_EQ(error.Kind(), HttpError::ErrorKind::Status);
    EXPECT_TRUE(error.Code() == 401u || error.Code() == 407u) << error.Code();
}

// https goes through the proxy's CONNECT, which carries the authorization too.
TEST(HttpProxyTest, HttpsThroughTheAuthenticatedProxy) {
    TestSupport::TrustTestCertificateAuthority();
    ClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"secret"));
    StringStream stream;
    rig.Client.Get(TestServers::Instance().Https("nginx_tls", L"/pattern-3m.bin"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3u << 20));
}

struct ListCase {
    const char* Name;
    const char* List;  // the script's answer: "$DOWN" a proxy nobody listens at, "$OPEN" the open tinyproxy
    enum { ThroughTheOpenProxy, Direct, Fails } Way;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.Name; }

class ProxyListTest : public ::testing::TestWithParam<ListCase> {};

// A script's answer is tried in order: a proxy that cannot be reached gives
// way to the next entry, DIRECT only where the list names it. (The answer
// stands in for the platform's evaluation of a script, which under Wine
// gives only a list's first entry.)
TEST_P(ProxyListTest, NextEntryWhenAProxyIsDown) {
    const ListCase& c = GetParam();
    const TestSupport::BuiltInUrlServer down(TestSupport::ServerAnswer::Refused(), 0);
    std::string list = c.List;
    const auto replace = [&list](const std::string& name, int port) {
        for (size_t at = list.find(name); at != std::string::npos; at = list.find(name))
            list.replace(at, name.size(), "127.0.0.1:" + std::to_string(port));
    };
    replace("$DOWN", down.Port());
    replace("$OPEN", TestServers::Instance().Port("proxy"));
    unsigned lookups = 0;
    ClientRig rig;
    rig.Client.SetProxyResolver(std::make_unique<Net::ScriptProxyResolver>(
        Net::ScriptSource{L"http://127.0.0.1:1/unused.pac", false}, Net::ScriptProxyResolver::kLookupDeadlineMs,
        [&](const std::wstring&, const Net::ScriptSource&, unsigned long, const Net::AbortSignal&) {
            ++lookups;
            return Net::ScriptAnswer{std::wstring(list.begin(), list.end()), false};
        }));
    // Two hops on the fault server's one host: the way found is kept for the second.
    for (const wchar_t* path : {L"/redirect?to=/echo", L"/echo"}) {
        StringStream stream;
        if (c.Way == ListCase::Fails) {
            EXPECT_EQ(GetFails(rig.Client, Fault(path), stream).Kind(), HttpError::ErrorKind::Connection);
            continue;
        }
        rig.Client.Get(Fault(path), stream);
        EXPECT_EQ(stream.Bytes.find("(tinyproxy/") != std::string::npos, c.Way == ListCase::ThroughTheOpenProxy)
            << stream.Bytes;
        EXPECT_EQ(stream.Bytes.find("Proxy-Authorization"), std::string::npos) << stream.Bytes;
    }
    EXPECT_EQ(lookups, 1u);
}

INSTANTIATE_TEST_SUITE_P(Lists, ProxyListTest,
    ::testing::Values(ListCase{"SecondProxy", "PROXY $DOWN; PROXY $OPEN; DIRECT", ListCase::ThroughTheOpenProxy},
                      ListCase{"SocksSkipped", "SOCKS $OPEN; HTTP $DOWN; DIRECT", ListCase::Direct},
                      ListCase{"DirectWhereNamed", "PROXY $DOWN; DIRECT; PROXY $OPEN", ListCase::Direct},
                      ListCase{"NoDirectUnlessNamed", "PROXY $DOWN", ListCase::Fails}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
