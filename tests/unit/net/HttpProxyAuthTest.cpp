// The HTTP client through proxies that ask who the user is (squid with Basic
// and with NTLM, tests/support/auth-proxies.sh, in front of the built-in URL's
// port): the platform's own sign-in, the user's answer asked once per proxy,
// and a proxy list whose first proxy is down.
#include "NetTestSupport.h"

#include "net/ScriptProxyResolver.h"
#include "support/BuiltInUrlServer.h"
#include "support/ScratchFiles.h"

#include <map>
#include <sstream>

using namespace NetTest;
using Net::THttpError;
using TestSupport::BuiltInUrlServer;
using TestSupport::ServerAnswer;

namespace {

int AuthProxyPort(const std::string& name) {
    std::istringstream lines(TestSupport::ReadFileBytes(
        TestSupport::UnixToWindowsPath(std::string(AUTH_PROXIES_DIR) + "/auth-proxies.env")));
    std::map<std::string, int> ports;
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) ports[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
    return ports.at(name);
}

Net::TProxySettings AuthProxy(const std::string& name) {
    Net::TProxySettings proxy;
    proxy.Host = L"127.0.0.1";
    proxy.Port = AuthProxyPort(name);
    return proxy;
}

std::wstring ProxyAddress(const std::string& name) { return L"127.0.0.1:" + std::to_wstring(AuthProxyPort(name)); }

// Answers every question with `answer` and records which proxies were asked.
struct TAsker {
    explicit TAsker(std::optional<Net::TProxyCredentials> answer) : Answer(std::move(answer)) {}
    Net::THttpClient::TProxyCredentialsHandler Handler() {
        return [this](const std::wstring& proxy) {
            Asked.push_back(proxy);
            return Answer;
        };
    }
    std::optional<Net::TProxyCredentials> Answer;
    std::vector<std::wstring> Asked;
};

struct TAnswerCase {
    const char* Name;
    std::optional<Net::TProxyCredentials> Answer;
    bool Completes;
};

void PrintTo(const TAnswerCase& c, std::ostream* os) { *os << c.Name; }

class BasicProxyAnswerTest : public ::testing::TestWithParam<TAnswerCase> {};

// A Basic proxy without stored credentials: the client asks once, naming the
// proxy; the right answer carries the GET and every later one through that
// proxy without asking again; a wrong answer or none fails it with the 407,
// and is not asked for again either. The origin never sees the credentials.
TEST_P(BasicProxyAnswerTest, AskedOnceForTheProxy) {
    const TAnswerCase& c = GetParam();
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    TClientRig rig;
    rig.Client.SetProxy(AuthProxy("squid_basic"));
    TAsker asker(c.Answer);
    rig.Client.OnProxyCredentials = asker.Handler();
    for (int get = 0; get < 2; ++get) {
        TStringStream stream;
        if (c.Completes) {
            rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
            EXPECT_TRUE(stream.Bytes == body) << "GET " << get;
        } else {
            const THttpError error = GetFails(rig.Client, UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
            EXPECT_EQ(error.Kind(), THttpError::TKind::Status);
            EXPECT_EQ(error.Code(), 407u);
        }
    }
    EXPECT_EQ(asker.Asked, std::vector<std::wstring>{ProxyAddress("squid_basic")});
    EXPECT_EQ(origin.RequestLines().size(), c.Completes ? 2u : 0u);
    for (const std::string& head : origin.RequestHeads()) {
        EXPECT_EQ(head.find("Pw7319typed"), std::string::npos) << head;
        EXPECT_EQ(head.find("Proxy-Authorization"), std::string::npos) << head;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BasicProxyAnswerTest,
    ::testing::Values(TAnswerCase{"Right", Net::TProxyCredentials(L"tester", L"Pw7319typed"), true},
                      TAnswerCase{"Wrong", Net::TProxyCredentials(L"tester", L"not-the-password"), false},
                      TAnswerCase{"Cancelled", std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// An NTLM proxy: the platform signs in with the user's cached logon over the
// kept-alive connection; nobody is asked.
TEST(NtlmProxyTest, PlatformSignsInWithoutAsking) {
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    TClientRig rig;
    rig.Client.SetProxy(AuthProxy("squid_ntlm"));
    TAsker asker(std::nullopt);
    rig.Client.OnProxyCredentials = asker.Handler();
    TStringStream stream;
    rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
    EXPECT_TRUE(stream.Bytes == body);
    EXPECT_TRUE(asker.Asked.empty());
}

// A proxy that a script names is asked the same way: once, for that proxy,
// and the answer carries the GET.
TEST(ScriptProxyAuthTest, ScriptsProxyIsAskedTheSameWay) {
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    TClientRig rig;
    rig.Client.SetProxyResolver(std::make_unique<Net::TScriptProxyResolver>(
        Net::TScriptSource{L"http://127.0.0.1:1/unused.pac", false}, Net::TScriptProxyResolver::kLookupDeadlineMs,
        [](const std::wstring&, const Net::TScriptSource&, unsigned long, const Net::TAbortSignal&) {
            return Net::TScriptAnswer{L"PROXY " + ProxyAddress("squid_basic") + L"; DIRECT", false};
        }));
    TAsker asker(Net::TProxyCredentials(L"tester", L"Pw7319typed"));
    rig.Client.OnProxyCredentials = asker.Handler();
    TStringStream stream;
    rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
    EXPECT_TRUE(stream.Bytes == body);
    EXPECT_EQ(asker.Asked, std::vector<std::wstring>{ProxyAddress("squid_basic")});
}

}  // namespace
