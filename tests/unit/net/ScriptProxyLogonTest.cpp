// The proxy-script look-up offers the user's Windows logon to no one but the
// script server the user's settings name, and to that one only once it has
// asked for it. Every call to the platform's service is recorded and passed on
// to it (tests/seams/RecordingScriptProxyQuery.cpp); scripts are served from
// 127.0.0.1.
#include "net/ProxyList.h"
#include "net/ScriptProxyLookup.h"
#include "seams/RecordingScriptProxyQuery.h"
#include "support/BuiltInUrlServer.h"
#include "support/Utf8.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

using TestSupport::BuiltInUrlServer;
using TestSupport::ScriptProxyQuestion;
using TestSupport::ServerAnswer;

namespace {

const char kScript[] = "function FindProxyForURL(url, host) { return \"PROXY 127.0.0.1:3128\"; }\n";

enum class ScriptServer {
    None,        // no script address in the settings
    Serving,     // serves the script
    Challenging  // answers 401 and asks for NTLM or Negotiate
};

// One call as the case expects it: a configured script's or detection's, with
// or without fAutoLogonIfChallenged.
struct Asked {
    bool detection;
    bool autoLogon;
};

struct LogonCase {
    const char* name;
    ScriptServer script;
    bool autoDetect;
    bool asksForLogon;  // the service reports a challenge as Windows does (ERROR_WINHTTP_LOGIN_FAILURE)
    std::vector<Asked> asked;
    const wchar_t* proxy;
};

void PrintTo(const LogonCase& c, std::ostream* out) { *out << c.name; }

class ScriptProxyLogonTest : public ::testing::TestWithParam<LogonCase> {
protected:
    void TearDown() override { TestSupport::SetScriptServerAsksForLogon(false); }
};

// Each look-up asks first without the user's logon; only a script whose
// address the settings name, whose server asked for a logon, is asked again
// with it; detection never is. The calls reach the real service, and the
// answer is the last call's.
TEST_P(ScriptProxyLogonTest, LogonGoesOnlyToTheConfiguredScriptThatAsks) {
    const LogonCase& c = GetParam();
    ServerAnswer answer = ServerAnswer::Body(kScript);
    answer.extraHeaders = "Content-Type: application/x-ns-proxy-autoconfig\r\n";
    if (c.script == ScriptServer::Challenging) {
        answer = ServerAnswer::Status(401);
        answer.extraHeaders = "WWW-Authenticate: NTLM\r\nWWW-Authenticate: Negotiate\r\n";
    }
    const BuiltInUrlServer server(answer, 0);
    const std::wstring scriptUrl = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/proxy.pac";
    TestSupport::SetScriptServerAsksForLogon(c.asksForLogon);
    static_cast<void>(TestSupport::TakeScriptProxyQuestions());

    const Net::ScriptAnswer found = Net::FindScriptProxy(
        L"http://127.0.0.1:28915/files/ov3/orvinta-setup.exe",
        {c.script == ScriptServer::None ? L"" : scriptUrl, c.autoDetect}, 10000, Net::AbortSignal());

    const std::vector<ScriptProxyQuestion> questions = TestSupport::TakeScriptProxyQuestions();
    ASSERT_EQ(questions.size(), c.asked.size());
    size_t scriptCalls = 0;
    for (size_t i = 0; i < questions.size(); ++i) {
        EXPECT_EQ(questions[i].detection, c.asked[i].detection) << "call " << i;
        EXPECT_EQ(questions[i].autoLogon, c.asked[i].autoLogon) << "call " << i;
        if (!questions[i].detection) {
            EXPECT_EQ(questions[i].scriptUrl, scriptUrl) << "call " << i;
            ++scriptCalls;
        }
    }
    // Wine's service keeps a script address's first outcome for the process,
    // so a second call does not reach the server again.
    EXPECT_EQ(!server.RequestLines().empty(), scriptCalls > 0) << "the service asked the script server";
    EXPECT_FALSE(found.TimedOut);
    // The answer is a list (the script's own, where the platform's service named a proxy).
    EXPECT_EQ(Net::ProxyListEntries(found.Proxy), Net::ProxyListEntries(c.proxy)) << TestSupport::Utf8(found.Proxy);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptProxyLogonTest,
    ::testing::Values(
        LogonCase{"ServedScript", ScriptServer::Serving, false, false, {{false, false}}, L"127.0.0.1:3128"},
        // Wine's service fails here with ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT, not a login failure.
        LogonCase{"ScriptServerAnswers401", ScriptServer::Challenging, false, false, {{false, false}}, L""},
        LogonCase{"Detection", ScriptServer::None, true, false, {{true, false}}, L""},
        LogonCase{"ScriptAsksForLogon",
                  ScriptServer::Serving,
                  false,
                  true,
                  {{false, false}, {false, true}},
                  L"127.0.0.1:3128"},
        LogonCase{"DetectedScriptAsksForLogon", ScriptServer::None, true, true, {{true, false}}, L""},
        LogonCase{"ScriptThenDetectionAskForLogon",
                  ScriptServer::Challenging,
                  true,
                  true,
                  {{false, false}, {false, true}, {true, false}},
                  L""}),
    [](const ::testing::TestParamInfo<LogonCase>& info) { return std::string(info.param.name); });

}  // namespace
