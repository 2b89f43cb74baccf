// winhttp.dll comes into the process only for a proxy script or automatic
// detection: a real download under each kind of proxy setting, each in a
// process of its own (a loaded DLL stays), then a look at the process's modules.
#include "download/ClientProxy.h"
#include "net/HttpClient.h"
#include "support/BuiltInUrlServer.h"
#include "support/SystemSettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

using TestSupport::BuiltInUrlServer;
using TestSupport::ConnectionSettingsBlob;
using TestSupport::ScopedInternetSetting;
using TestSupport::ServerAnswer;

namespace {

struct LoadCase {
    const char* Name;
    unsigned long ConnectionFlags;  // DefaultConnectionSettings' flags: 1 direct, 2 manual proxy
    bool ManualProxy;               // the job's proxy is the file server itself
    bool Script;                    // AutoConfigURL names a script, which answers DIRECT
    bool WinHttpLoaded;
};

class WinHttpLoadTest : public ::testing::TestWithParam<LoadCase> {};

// Keeps the body in memory.
class BodyStream : public Net::OutputStream {
public:
    void Write(const void* data, std::size_t size) override { Bytes.append(static_cast<const char*>(data), size); }
    std::string Bytes;
};

std::wstring Address(const BuiltInUrlServer& server, const wchar_t* path) {
    return L"http://127.0.0.1:" + std::to_wstring(server.Port()) + path;
}

// The download arrives whole in every case; winhttp.dll is in the process
// afterwards exactly when the settings named a proxy script.
TEST_P(WinHttpLoadTest, LoadedOnlyForAScript) {
    const LoadCase& c = GetParam();
    ASSERT_EQ(GetModuleHandleW(L"winhttp.dll"), nullptr) << "loaded before the download";
    const std::string body(100000, 'x');
    const BuiltInUrlServer files(ServerAnswer::Body(body), 0);  // also a proxy: it serves absolute-form requests
    ServerAnswer scriptAnswer = ServerAnswer::Body("function FindProxyForURL(url, host) { return \"DIRECT\"; }\n");
    scriptAnswer.extraHeaders = "Content-Type: application/x-ns-proxy-autoconfig\r\n";
    const BuiltInUrlServer scripts(scriptAnswer, 0);
    const ScopedInternetSetting connections(
        L"Connections", L"DefaultConnectionSettings", REG_BINARY,
        ConnectionSettingsBlob(c.ConnectionFlags, "127.0.0.1:1", "<local>;*.internal.test", ""));
    const ScopedInternetSetting script(
        L"AutoConfigURL", c.Script ? std::optional<std::wstring>(Address(scripts, L"/proxy.pac")) : std::nullopt);

    struct : Net::TransferSink {
        void TransferBegun(std::int64_t) override {}
        void DataReceived(std::int64_t) override {}
        void TransferRestarted(std::int64_t) override {}
        void TransferEnded() override {}
        void Redirected(const std::wstring&) override {}
    } unheard;
    Net::HttpClient client(std::make_shared<Net::AbortSignal>(), unheard);
    Net::ProxySettings proxy;
    if (c.ManualProxy) {
        proxy.Host = L"127.0.0.1";
        proxy.Port = files.Port();
    }
    ConfigureClientProxy(client, proxy);
    BodyStream stream;
    client.Get(Address(files, L"/files/setup.exe"), stream);

    EXPECT_EQ(stream.Bytes, body);
    EXPECT_EQ(files.RequestLines().size(), 1u);
    EXPECT_EQ(GetModuleHandleW(L"winhttp.dll") != nullptr, c.WinHttpLoaded);
    EXPECT_EQ(!scripts.RequestLines().empty(), c.Script) << "the script was fetched exactly when it was named";
}

const LoadCase kLoadCases[] = {
    {"Direct", 1, false, false, false},
    {"ManualProxy", 1 | 2, true, false, false},
    {"Script", 1, false, true, true},
};

INSTANTIATE_TEST_SUITE_P(Settings, WinHttpLoadTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
