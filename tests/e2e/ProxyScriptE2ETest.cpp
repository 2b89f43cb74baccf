// Whole runs of the real updater.exe whose built-in URL's host is reachable
// only through a proxy: found by the system's proxy script (at its address in
// either place the settings keep it, served from 127.0.0.1), or the manual
// proxy with its bypass list; and a script server that never answers.
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace TestSupport;

namespace {

const char kBuiltInPath[] = "/files/ov3/orvinta-setup.exe";
const char kRedirectedPath[] = "/releases/orvinta-setup-3.1.exe";

// Where the system keeps the proxy settings of a run.
enum class Settings {
    ScriptInAutoConfigUrl,     // the AutoConfigURL value
    ScriptInConnectionsValue,  // only the Connections key's DefaultConnectionSettings
    ManualProxyWithBypass,     // ProxyEnable/ProxyServer and ProxyOverride "<local>;*.internal.test"
};

struct RouteCase {
    const char* name;
    Settings settings;
    const char* script;          // the proxy script; "$PROXY" stands for the proxy's "127.0.0.1:port"
    const char* redirectHost;    // the proxy answers with a redirect to this host's download server, or nullptr
    bool direct;                 // the built-in URL is fetched directly from its own port
};

class ProxyRouteE2ETest : public ::testing::TestWithParam<RouteCase> {};

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Each request goes the way the system's settings give for its URL: the
// proxy's log shows the built-in URL in absolute form, a host the settings
// send directly gets the request itself (after a redirect too), and the setup
// program is started from the whole file.
TEST_P(ProxyRouteE2ETest, EachRequestGoesItsOwnWay) {
    const RouteCase& c = GetParam();
    const std::string download = DemoSetupDownload(1024 * 1024);
    // The download server: at the built-in URL's port when that is asked
    // directly, else on a port of its own behind the redirect.
    std::unique_ptr<BuiltInUrlServer> server;
    if (c.direct || c.redirectHost)
        server = std::make_unique<BuiltInUrlServer>(ServerAnswer::Body(download),
                                                    c.direct ? BuiltInUrlServer::BuiltInUrlPort() : 0);
    const ServerAnswer proxyAnswer =
        c.redirectHost ? ServerAnswer::Redirect(302, std::string("http://") + c.redirectHost + ":" +
                                                         std::to_string(server->Port()) + kRedirectedPath)
                       : ServerAnswer::Body(download);
    const BuiltInUrlServer proxy(proxyAnswer, 0);
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
    ServerAnswer scriptAnswer = ServerAnswer::Body(Replaced(c.script ? c.script : "", "$PROXY", proxyAddress));
    scriptAnswer.extraHeaders = "Content-Type: application/x-ns-proxy-autoconfig\r\n";
    const BuiltInUrlServer scriptServer(scriptAnswer, 0);
    const std::string scriptUrl = "http://127.0.0.1:" + std::to_string(scriptServer.Port()) + "/proxy.pac";

    const bool manual = c.settings == Settings::ManualProxyWithBypass;
    const ScopedSystemProxy manualProxy(manual ? 1ul : 0ul, Wide(proxyAddress));
    const ScopedInternetSetting bypass(L"ProxyOverride",
                                       manual ? std::optional<std::wstring>(L"<local>;*.internal.test") : std::nullopt);
    const ScopedInternetSetting autoConfigUrl(
        L"AutoConfigURL",
        c.settings == Settings::ScriptInAutoConfigUrl ? std::optional<std::wstring>(Wide(scriptUrl)) : std::nullopt);
    const bool inConnections = c.settings == Settings::ScriptInConnectionsValue;
    const ScopedInternetSetting connections(L"Connections", L"DefaultConnectionSettings", REG_BINARY,
                                            ConnectionSettingsBlob(inConnections ? 1 | 4 : 1, "", "",
                                                                   inConnections ? scriptUrl : ""));
    ScopedBrowserStub browser;
    UpdaterRun run;

    EXPECT_EQ(run.Run(L" alpha").ExitCode, 0);

    const std::string builtInUrl = Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_EQ(proxy.RequestLines(),
              c.direct ? std::vector<std::string>{} : std::vector<std::string>{"GET " + builtInUrl + " HTTP/1.1"});
    if (server) {
        EXPECT_EQ(server->RequestLines(), std::vector<std::string>{std::string("GET ") +
                                                                   (c.direct ? kBuiltInPath : kRedirectedPath) +
                                                                   " HTTP/1.1"});
    }
    if (!manual) {
        EXPECT_GE(scriptServer.RequestLines().size(), 1u) << "the script was fetched";
    }
    const std::string path = c.redirectHost ? kRedirectedPath : kBuiltInPath;
    const std::wstring finalName = Wide(path.substr(path.rfind('/') + 1));
    const auto record = run.WaitForSetupRecord();
    ASSERT_TRUE(record) << "the setup program was started";
    EXPECT_EQ((*record)[0], RunFolderIn(run.TempFolder()) + finalName);
    EXPECT_TRUE(ReadFileBytes((*record)[0]) == download) << "the file arrived whole";
    EXPECT_TRUE(browser.SettledUrls().empty());
}

const char kProxyForAll[] = "function FindProxyForURL(url, host) { return \"PROXY $PROXY\"; }";
// Decides by the whole URL, as scripts may: the script is given each request's URL, not only its host.
const char kDirectForTheBuiltInFile[] =
    "function FindProxyForURL(url, host) {\n"
    "  return shExpMatch(url, \"http://127.0.0.1:*/files/ov3/orvinta-setup.exe\") ? \"DIRECT\" : \"PROXY $PROXY\";\n"
    "}";
const char kDirectForLocalhost[] =
    "function FindProxyForURL(url, host) { return isPlainHostName(host) ? \"DIRECT\" : \"PROXY $PROXY; DIRECT\"; }";

INSTANTIATE_TEST_SUITE_P(
    Routes, ProxyRouteE2ETest,
    ::testing::Values(
        RouteCase{"ScriptInAutoConfigUrl", Settings::ScriptInAutoConfigUrl, kProxyForAll, nullptr, false},
        RouteCase{"ScriptInConnectionsValue", Settings::ScriptInConnectionsValue, kProxyForAll, nullptr, false},
        RouteCase{"ScriptSaysDirect", Settings::ScriptInAutoConfigUrl, kDirectForTheBuiltInFile, nullptr, true},
        RouteCase{"ProxyThenDirectAfterARedirect", Settings::ScriptInAutoConfigUrl, kDirectForLocalhost,
                  "localhost", false},
        // files.internal.test is 127.0.0.1 in the hosts file of this case's own mount namespace.
        RouteCase{"ManualProxyBypassList", Settings::ManualProxyWithBypass, nullptr, "files.internal.test", false}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

// Sets the system's proxy script to the address of a server that accepts and never answers.
struct HungScript {
    BuiltInUrlServer Server{ServerAnswer::Silent(), 0};
    ScopedInternetSetting AutoConfigUrl{L"AutoConfigURL",
                                        L"http://127.0.0.1:" + std::to_wstring(Server.Port()) + L"/proxy.pac"};
    ScopedInternetSetting Connections{L"Connections", L"DefaultConnectionSettings", REG_BINARY,
                                      ConnectionSettingsBlob(1, "", "", "")};
    ScopedSystemProxy NoManualProxy{0ul, std::nullopt};
};

// A script server that never answers holds the download only for the
// look-up's deadline (about 3 s): then it starts directly and completes.
TEST(HungScriptE2ETest, DownloadStartsDirectlyAfterTheDeadline) {
    const HungScript script;
    const std::string download = DemoSetupDownload(0);
    const BuiltInUrlServer server(ServerAnswer::Body(download));
    ScopedBrowserStub browser;
    UpdaterRun run;
    unsigned long firstRequestMs = 0;

    const long code = run.Run(L" alpha", [&](DWORD) {
                             const ULONGLONG start = GetTickCount64();
                             WaitUntil([&] { return !server.RequestLines().empty(); }, 30000);
                             firstRequestMs = static_cast<unsigned long>(GetTickCount64() - start);
                         }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_EQ(script.Server.RequestLines().size(), 1u) << "the script server was asked";
    std::printf("first request %lu ms after the start\n", firstRequestMs);
    EXPECT_GE(firstRequestMs, 2500u) << "the download did not wait for the look-up";
    EXPECT_LT(firstRequestMs, 15000u) << "the download waited far beyond the deadline";
    EXPECT_EQ(server.RequestLines(), std::vector<std::string>{std::string("GET ") + kBuiltInPath + " HTTP/1.1"});
    EXPECT_TRUE(run.WaitForSetupRecord()) << "the setup program was started";
    EXPECT_TRUE(browser.SettledUrls().empty());
}

// Closing the window while the look-up hangs ends the run at once: no
// request, no file, no browser.
TEST(HungScriptE2ETest, CloseDuringTheLookupEndsTheRunAtOnce) {
    const HungScript script;
    // Would take the request, had the look-up ended and the download started.
    const BuiltInUrlServer server(ServerAnswer::Stall());
    ScopedBrowserStub browser;
    UpdaterRun run;
    unsigned long endedAfterMs = 0;

    const long code = run.Run(L" alpha", [&](DWORD process) {
                             const HWND window = WaitForUpdaterWindow(process, 20000);
                             // Once the script server has the request, the look-up hangs.
                             WaitUntil([&] { return !script.Server.RequestLines().empty(); }, 20000);
                             const Win::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
                             if (!window || !handle) return;
                             const ULONGLONG closedAt = GetTickCount64();
                             PostMessageW(window, WM_CLOSE, 0, 0);
                             WaitForSingleObject(handle.get(), 20000);
                             endedAfterMs = static_cast<unsigned long>(GetTickCount64() - closedAt);
                         }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_EQ(script.Server.RequestLines().size(), 1u) << "the look-up had begun";
    std::printf("the process ended %lu ms after the close\n", endedAfterMs);
    EXPECT_LT(endedAfterMs, 1500u) << "the run went on after the close";
    EXPECT_TRUE(server.RequestLines().empty()) << "the download started";
    EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty());
    EXPECT_FALSE(run.SetupStarted());
    EXPECT_TRUE(browser.SettledUrls().empty());
}

}  // namespace
