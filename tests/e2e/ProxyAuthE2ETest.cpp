// Whole runs of the real updater.exe through proxies that ask who the user is
// (tests/support/auth-proxies.sh): squid taking only Basic, where the user is
// asked once with the platform's credential prompt; squid taking only NTLM,
// where the platform signs in with the user's own logon (a winbindd holding
// it); a proxy script's list whose first proxy is down; and a close during a
// fast download over a kept-alive connection.
#include "files/FilePaths.h"
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
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace TestSupport;

namespace {

// The user and password the Basic proxy knows (auth-proxies.sh); the password
// also signs the NTLM proxy's user in.
const char kUser[] = "tester";
const char kPassword[] = "Pw7319typed";
// Base64 of "tester:Pw7319typed", as a Basic authorization carries it.
const char kBasicToken[] = "dGVzdGVyOlB3NzMxOXR5cGVk";

// Returns the port of an authenticating proxy of this run ("squid_basic", "squid_ntlm").
int AuthProxyPort(const std::string& name) {
    std::istringstream lines(ReadFileBytes(UnixToWindowsPath(std::string(AUTH_PROXIES_DIR) + "/auth-proxies.env")));
    std::map<std::string, int> ports;
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) ports[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
    return ports.at(name);
}

std::wstring ProxyAddress(const std::string& name) { return L"127.0.0.1:" + std::to_wstring(AuthProxyPort(name)); }

// Returns squid's access log of `name` ("squid-basic", "squid-ntlm"): one
// line per request, the user it authenticated in the eighth field.
std::string AccessLog(const std::string& name) {
    const std::wstring path = UnixToWindowsPath(std::string(AUTH_PROXIES_DIR) + "/" + name + "-access.log");
    return FileExists(path) ? ReadFileBytes(path) : std::string();
}

// Waits up to 20 s for a line of squid's access log, past its first `from`
// bytes, that holds every one of `texts`; returns the last such line, or "".
std::string WaitForLogLine(const std::string& name, const std::vector<std::string>& texts, size_t from) {
    std::string found;
    WaitUntil(
        [&] {
            const std::string log = AccessLog(name);
            std::istringstream lines(log.size() > from ? log.substr(from) : std::string());
            for (std::string line; std::getline(lines, line);) {
                bool all = true;
                for (const std::string& text : texts) all = all && line.find(text) != std::string::npos;
                if (all) found = line;
            }
            return !found.empty();
        },
        20000);
    return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Returns the credential prompt of process `processId` (a dialog of its own,
// not a message box), waiting up to `timeoutMs`; null when none came.
HWND WaitForPrompt(DWORD processId, unsigned long timeoutMs) {
    HWND prompt = nullptr;
    WaitUntil(
        [&] {
            for (const HWND dialog : TopLevelWindows(processId, L"#32770")) {
                for (const HWND child : ChildWindows(dialog))
                    if (GetWindowLongPtrW(child, GWL_STYLE) & ES_PASSWORD) prompt = dialog;
            }
            return prompt != nullptr;
        },
        timeoutMs);
    return prompt;
}

// The center of a window on the screen, as xdotool's "mousemove X Y".
std::string MoveTo(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    return "mousemove " + std::to_string((bounds.left + bounds.right) / 2) + " " +
           std::to_string((bounds.top + bounds.bottom) / 2);
}

// Types the user and password into the prompt's fields with the real pointer
// and keyboard (with no window manager, a window gets keys only once clicked)
// and presses Enter; returns whether xdotool ran.
bool AnswerPrompt(HWND prompt, const std::string& user, const std::string& password) {
    HWND userField = nullptr, passwordField = nullptr;
    for (const HWND child : ChildWindows(prompt)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Edit") != 0 || !IsWindowVisible(child)) continue;
        if (GetWindowLongPtrW(child, GWL_STYLE) & ES_PASSWORD) passwordField = child;
        else if (!userField) userField = child;
    }
    if (!userField || !passwordField) return false;
    return RunUnixShell("xdotool " + MoveTo(userField) + " click 1 sleep 0.3 key ctrl+a type '" + user + "'; xdotool " +
                            MoveTo(passwordField) + " click 1 sleep 0.3 type '" + password + "'; xdotool key Return",
                        false);
}

// Clicks into the prompt and presses Esc; returns whether xdotool ran.
bool CancelPrompt(HWND prompt) { return RunUnixShell("xdotool " + MoveTo(prompt) + " click 1 sleep 0.3 key Escape", false); }

// Tells whether any value below `key` holds `text` (as UTF-16 or as bytes).
bool RegistryHolds(HKEY key, const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    const std::string wideBytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(1 << 20);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size());
        const LONG result = RegEnumValueW(key, i, name.data(), &nameSize, nullptr, nullptr, data.data(), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        const std::string bytes(reinterpret_cast<const char*>(data.data()), dataSize);
        if (bytes.find(text) != std::string::npos || bytes.find(wideBytes) != std::string::npos) return true;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        const LONG result = RegEnumKeyExW(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        const Win::UniqueHKey owned(sub);
        if (RegistryHolds(sub, text)) return true;
    }
    return false;
}

// Returns the size of every file below `folder` (ending in "\") together.
unsigned long long BytesBelow(const std::wstring& folder) {
    unsigned long long bytes = 0;
    for (const std::wstring& file : FilesBelow(folder)) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW((folder + file).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return bytes;
}

// The built-in URL's server and the system's manual proxy for one run.
struct ThroughProxy {
    explicit ThroughProxy(const std::string& proxy, unsigned long long padding = 256 * 1024)
        : Download(DemoSetupDownload(padding)), Server(ServerAnswer::Body(Download)), Proxy(1ul, ProxyAddress(proxy)) {}
    const std::string Download;
    const BuiltInUrlServer Server;
    const ScopedSystemProxy Proxy;
    const ScopedInternetSetting NoBypass{L"ProxyOverride", std::nullopt};
    ScopedBrowserStub Browser;
    UpdaterRun Run;
};

// A Basic proxy and no stored credentials: a credential prompt of the
// updater's own comes up in front of its window, naming the proxy; what the
// user types there carries the download through the proxy (its log shows the
// user), the setup starts, and the typed password is found neither in the
// settings file, nor in the registry, nor in any request the origin got.
TEST(BasicProxyE2ETest, TypedCredentialsCarryTheDownload) {
    const size_t logBefore = AccessLog("squid-basic").size();
    ThroughProxy run("squid_basic");
    std::wstring promptTexts;
    bool answered = false;
    const long code = run.Run.Run(L" alpha", [&](DWORD process) {
                                  const HWND prompt = WaitForPrompt(process, 30000);
                                  if (!prompt) return;
                                  promptTexts = WindowText(prompt);
                                  for (const HWND child : ChildWindows(prompt)) promptTexts += L"|" + WindowText(child);
                                  answered = AnswerPrompt(prompt, kUser, kPassword);
                              }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_TRUE(answered) << "a prompt with a password field came";
    EXPECT_NE(promptTexts.find(ProxyAddress("squid_basic")), std::wstring::npos) << Utf8(promptTexts);
    EXPECT_NE(promptTexts.find(L"Proxy server"), std::wstring::npos) << Utf8(promptTexts);
    const std::string builtInUrl = Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_NE(WaitForLogLine("squid-basic", {"/200 ", "GET " + builtInUrl + " " + kUser + " "}, logBefore), "")
        << AccessLog("squid-basic");
    const auto record = run.Run.WaitForSetupRecord();
    ASSERT_TRUE(record) << "the setup program was started";
    EXPECT_TRUE(ReadFileBytes(RunFolderIn(run.Run.TempFolder()) + L"orvinta-setup.exe") == run.Download);
    EXPECT_TRUE(run.Browser.SettledUrls().empty());
    const std::string settings = ReadFileBytes(run.Run.TempFolder() + kSettingsFileInTempFolder);
    EXPECT_EQ(settings.find(kPassword), std::string::npos) << settings;
    EXPECT_FALSE(RegistryHolds(HKEY_CURRENT_USER, kPassword));
    ASSERT_FALSE(run.Server.RequestHeads().empty());
    for (const std::string& head : run.Server.RequestHeads()) {
        EXPECT_EQ(head.find(kPassword), std::string::npos) << head;
        EXPECT_EQ(head.find(kBasicToken), std::string::npos) << head;
        EXPECT_EQ(head.find("Proxy-Authorization"), std::string::npos) << head;
    }
}

// The same prompt cancelled: the run takes the failure road, the browser
// opens with the job's URL and nothing is left in the temporary folder.
TEST(BasicProxyE2ETest, CancelledPromptOpensTheBrowser) {
    ThroughProxy run("squid_basic");
    bool cancelled = false;
    const long code = run.Run.Run(L" alpha", [&](DWORD process) {
                                  const HWND prompt = WaitForPrompt(process, 30000);
                                  if (prompt) cancelled = CancelPrompt(prompt);
                              }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_TRUE(cancelled) << "a prompt came";
    EXPECT_EQ(run.Browser.SettledUrls(), std::vector<std::wstring>{UPDATER_DOWNLOAD_URL_FOR_TESTS});
    EXPECT_FALSE(run.Run.SetupStarted());
    EXPECT_TRUE(run.Server.RequestLines().empty()) << "nothing reached the origin";
    EXPECT_TRUE(LeftBehindIn(run.Run.TempFolder()).empty());
}

// An NTLM proxy and a user whose logon the platform holds (winbindd's cache):
// the platform signs in by itself over a kept-alive connection, no window
// but the updater's comes up, and the download completes through the proxy
// under the user's own name.
TEST(NtlmProxyE2ETest, SingleSignOnNeedsNoPrompt) {
    const size_t logBefore = AccessLog("squid-ntlm").size();
    ThroughProxy run("squid_ntlm");
    bool prompted = false;
    const long code = run.Run.Run(L" alpha", [&](DWORD process) {
                                  // Watches for a dialog as long as the run lasts, and closes one that comes.
                                  const Win::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
                                  while (handle && WaitForSingleObject(handle.get(), 50) == WAIT_TIMEOUT) {
                                      for (const HWND dialog : TopLevelWindows(process, L"#32770")) {
                                          prompted = true;
                                          PostMessageW(dialog, WM_CLOSE, 0, 0);
                                      }
                                  }
                              }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_FALSE(prompted) << "a dialog came up";
    const std::string builtInUrl = Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_NE(WaitForLogLine("squid-ntlm", {" TCP_MISS/200 ", "GET " + builtInUrl + " UPDTESTWG\\\\"}, logBefore), "")
        << AccessLog("squid-ntlm");
    ASSERT_TRUE(run.Run.WaitForSetupRecord()) << "the setup program was started";
    EXPECT_TRUE(ReadFileBytes(RunFolderIn(run.Run.TempFolder()) + L"orvinta-setup.exe") == run.Download);
    EXPECT_TRUE(run.Browser.SettledUrls().empty());
}

// A close during a fast download over a kept-alive connection (through the
// NTLM proxy, signed in) ends the process as promptly as the close tests ask,
// and leaves nothing: the platform reading the rest of the body to keep the
// connection does not hold the process.
TEST(KeptAliveCloseE2ETest, CloseDuringAFastDownloadEndsAtOnce) {
    // Far faster than the 29 MB/s at which Wine reads off the rest of a body it
    // drops to keep the connection.
    const size_t logBefore = AccessLog("squid-ntlm").size();
    ThroughProxy run("squid_ntlm", 400ull * 1024 * 1024);
    unsigned long endedAfterMs = 0;
    bool closed = false;
    const long code = run.Run.Run(L" alpha", [&](DWORD process) {
                                  const HWND window = WaitForUpdaterWindow(process, 20000);
                                  const Win::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
                                  if (!window || !handle) return;
                                  // Well under way, far from its end.
                                  WaitUntil([&] { return BytesBelow(run.Run.TempFolder()) > 20ull * 1024 * 1024; },
                                            20000);
                                  const ULONGLONG closedAt = GetTickCount64();
                                  closed = PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
                                  WaitForSingleObject(handle.get(), 30000);
                                  endedAfterMs = static_cast<unsigned long>(GetTickCount64() - closedAt);
                              }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_TRUE(closed);
    std::printf("the process ended %lu ms after the close\n", endedAfterMs);
    EXPECT_LT(endedAfterMs, kEndsAtOnceMs) << "the close waited for the transfer";
    // squid reads ahead from the origin: what it gave the updater tells how far the transfer was.
    const std::string line =
        WaitForLogLine("squid-ntlm", {"GET " + Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS) + " UPDTESTWG\\"}, logBefore);
    std::istringstream fields(line);
    std::string time, elapsed, client, result;
    unsigned long long delivered = 0;
    fields >> time >> elapsed >> client >> result >> delivered;
    std::printf("squid gave the updater %llu bytes: %s\n", delivered, line.c_str());
    EXPECT_GT(delivered, 1024ull * 1024) << "the transfer was under way";
    EXPECT_LT(delivered, run.Download.size() / 2) << "the close came far from the end";
    EXPECT_FALSE(run.Run.SetupStarted());
    EXPECT_TRUE(LeftBehindIn(run.Run.TempFolder()).empty());
    EXPECT_TRUE(run.Browser.SettledUrls().empty());
}

// The system's proxy script answers "PROXY <a port nobody listens at>;
// PROXY <the NTLM proxy>; DIRECT": the download gives up the first proxy,
// goes through the second (signed in as the user), and completes; the origin
// is asked only through it.
TEST(ProxyListE2ETest, NextProxyOfTheScriptsList) {
    const BuiltInUrlServer down(ServerAnswer::Refused(), 0);
    const std::string script = "function FindProxyForURL(url, host) { return \"PROXY 127.0.0.1:" +
                               std::to_string(down.Port()) + "; PROXY " + Utf8(ProxyAddress("squid_ntlm")) +
                               "; DIRECT\"; }";
    ServerAnswer scriptAnswer = ServerAnswer::Body(script);
    scriptAnswer.extraHeaders = "Content-Type: application/x-ns-proxy-autoconfig\r\n";
    const BuiltInUrlServer scriptServer(scriptAnswer, 0);
    const std::string download = DemoSetupDownload(256 * 1024);
    const BuiltInUrlServer server(ServerAnswer::Body(download));
    const ScopedSystemProxy noManualProxy(0ul, std::nullopt);
    const ScopedInternetSetting autoConfigUrl(
        L"AutoConfigURL", L"http://127.0.0.1:" + std::to_wstring(scriptServer.Port()) + L"/proxy.pac");
    const ScopedInternetSetting connections(L"Connections", L"DefaultConnectionSettings", REG_BINARY,
                                            ConnectionSettingsBlob(1, "", "", ""));
    const size_t logBefore = AccessLog("squid-ntlm").size();
    ScopedBrowserStub browser;
    UpdaterRun run;

    EXPECT_EQ(run.Run(L" alpha").ExitCode, 0);

    const std::string builtInUrl = Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_NE(WaitForLogLine("squid-ntlm", {" TCP_MISS/200 ", "GET " + builtInUrl + " UPDTESTWG\\\\"}, logBefore),
              "")
        << AccessLog("squid-ntlm");
    EXPECT_EQ(server.RequestLines().size(), 1u) << "the origin was asked once, through the proxy";
    ASSERT_TRUE(run.WaitForSetupRecord()) << "the setup program was started";
    EXPECT_TRUE(ReadFileBytes(RunFolderIn(run.TempFolder()) + L"orvinta-setup.exe") == download);
    EXPECT_TRUE(browser.SettledUrls().empty());
}

}  // namespace
