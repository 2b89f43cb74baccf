// The proxy settings beyond the manual server, read from the real registry
// of the prefix: the bypass list, the proxy script's address wherever the
// system keeps it, and automatic detection.
#include "net/SystemProxyConfig.h"
#include "support/SystemSettings.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

#include <optional>

using TestSupport::ConnectionSettingsBlob;
using TestSupport::ScopedInternetSetting;

namespace {

// Each place the settings can hold a script, detection or the bypass list is
// read; settings for direct connections only read as none.
TEST(SystemProxyConfigTest, ReadsScriptDetectionAndBypass) {
    struct Case {
        const char* what;
        std::optional<std::wstring> autoConfigUrl;  // the AutoConfigURL value
        std::optional<std::string> connections;     // the Connections key's DefaultConnectionSettings
        std::optional<std::wstring> proxyOverride;  // the ProxyOverride value
        Net::SystemProxyConfig expected;
    };
    const std::string kDirectOnly = ConnectionSettingsBlob(1, "", "", "");
    const Case cases[] = {
        {"direct only", std::nullopt, kDirectOnly, std::nullopt, {L"", L"", false}},
        {"AutoConfigURL", L"http://127.0.0.1:9/a.pac", kDirectOnly, std::nullopt, {L"", L"http://127.0.0.1:9/a.pac", false}},
        {"script in Connections", std::nullopt, ConnectionSettingsBlob(1 | 4, "", "", "http://127.0.0.1:9/b.pac"),
         std::nullopt, {L"", L"http://127.0.0.1:9/b.pac", false}},
        {"detection in Connections", std::nullopt, ConnectionSettingsBlob(1 | 8, "", "", ""), std::nullopt,
         {L"", L"", true}},
        {"bypass list", std::nullopt, kDirectOnly, L"<local>;*.internal.test", {L"<local>;*.internal.test", L"", false}},
        {"bypass list in Connections", std::nullopt, ConnectionSettingsBlob(1 | 2, "gate:8080", "<local>;*.b.test", ""),
         std::nullopt, {L"<local>;*.b.test", L"", false}},
        {"no Connections value: detection, as WinHTTP takes it", std::nullopt, std::nullopt, std::nullopt,
         {L"", L"", true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedInternetSetting script(L"AutoConfigURL", c.autoConfigUrl);
        const ScopedInternetSetting connections(L"Connections", L"DefaultConnectionSettings", REG_BINARY, c.connections);
        const ScopedInternetSetting bypass(L"ProxyOverride", c.proxyOverride);

        const Net::SystemProxyConfig config = Net::ReadSystemProxyConfig();

        EXPECT_EQ(config.ScriptUrl, c.expected.ScriptUrl);
        EXPECT_EQ(config.AutoDetect, c.expected.AutoDetect);
        EXPECT_EQ(config.Bypass, c.expected.Bypass);
    }
}

}  // namespace
