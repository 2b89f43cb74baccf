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
using Net::HttpError;
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

Net::ProxySettings AuthProxy(const std::string& name) {
    Net::ProxySettings proxy;
    proxy.Host = L"127.0.0.1";
    proxy.Port = AuthProxyPort(name);
    return proxy;
}

std::wstring ProxyAddress(const std::string& name) { return L"127.0.0.1:" + std::to_wstring(AuthProxyPort(name)); }

// Answers every question with `answer` and records which proxies were asked.
struct Asker {
    explicit Asker(std::optional<Net::ProxyCredentials> answer) : Answer(std::move(answer)) {}
    Net::HttpClient::ProxyCredentialsHandler Handler() {
        return [this](const std::wstring& proxy) {
            Asked.push_back(proxy);
            return Answer;
        };
    }
    std::optional<Net::ProxyCredentials> Answer;
    std::vector<std::wstring> Asked;
};

struct AnswerCase {
    const char* Name;
    std::optional<Net::ProxyCredentials> Answer;
    bool Completes;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.Name; }

class BasicProxyAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

// A Basic proxy without stored credentials: the client asks once, naming the
// proxy; the right answer carries the GET and every later one through that
// proxy without asking again; a wrong answer or none fails it with the 407,
// and is not asked for again either. The origin never sees the credentials.
TEST_P(BasicProxyAnswerTest, AskedOnceForTheProxy) {
    const AnswerCase& c = GetParam();
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    ClientRig rig;
    rig.Client.SetProxy(AuthProxy("squid_basic"));
    Asker asker(c.Answer);
    rig.Client.SetProxyCredentialsQuestion(asker.Handler());
    for (int get = 0; get < 2; ++get) {
        StringStream stream;
        if (c.Completes) {
            rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
            EXPECT_TRUE(stream.Bytes == body) << "GET " << get;
        } else {
            const HttpError error = GetFails(rig.Client, UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
            EXPECT_EQ(error.Kind(), HttpError::ErrorKind::Status);
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
    ::testing::Values(AnswerCase{"Right", Net::ProxyCredentials(L"tester", L"Pw7319typed"), true},
                      AnswerCase{"Wrong", Net::ProxyCredentials(L"tester", L"not-the-password"), false},
                      AnswerCase{"Cancelled", std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// An NTLM proxy: the platform signs in with the user's cached logon over the
// kept-alive connection; nobody is asked.
TEST(NtlmProxyTest, PlatformSignsInWithoutAsking) {
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    ClientRig rig;
    rig.Client.SetProxy(AuthProxy("squid_ntlm"));
    Asker asker(std::nullopt);
    rig.Client.SetProxyCredentialsQuestion(asker.Handler());
    StringStream stream;
    rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
    EXPECT_TRUE(stream.Bytes == body);
    EXPECT_TRUE(asker.Asked.empty());
}

// A proxy that a script names is asked the same way: once, for that proxy,
// and the answer carries the GET.
TEST(ScriptProxyAuthTest, ScriptsProxyIsAskedTheSameWay) {
    const std::string body = PatternBody(100000);
    const BuiltInUrlServer origin(ServerAnswer::Body(body));
    ClientRig rig;
    rig.Client.SetProxyResolver(std::make_unique<Net::ScriptProxyResolver>(
        Net::ScriptSource{L"http://127.0.0.1:1/unused.pac", false}, Net::ScriptProxyResolver::kLookupDeadlineMs,
        [](const std::wstring&, const Net::ScriptSource&, unsigned long, const Net::AbortSignal&) {
            return Net::ScriptAnswer{L"PROXY " + ProxyAddress("squid_basic") + L"; DIRECT", false};
        }));
    Asker asker(Net::ProxyCredentials(L"tester", L"Pw7319typed"));
    rig.Client.SetProxyCredentialsQuestion(asker.Handler());
    StringStream stream;
    rig.Client.Get(UPDATER_DOWNLOAD_URL_FOR_TESTS, stream);
    EXPECT_TRUE(stream.Bytes == body);
    EXPECT_EQ(asker.Asked, std::vector<std::wstring>{ProxyAddress("squid_basic")});
}

}  // namespace
