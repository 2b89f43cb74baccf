// The system proxy: the splitting rules, the query against the real registry,
// and the proxy record the window builds from the settings.
#include "SystemProxy.h"
#include "FilePaths.h"
#include "Updatershared.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

struct SplitCase {
    const wchar_t* server;
    const wchar_t* host;
    const wchar_t* port;  // "<untouched>" when the port keeps the caller's value
};

// Host and port of every server text shape, the caller's port kept where there is none.
TEST(SystemProxyTest, SplittingTable) {
    const SplitCase cases[] = {
        {L"gate:8080", L"gate", L"8080"},
        {L"gate", L"gate", L"<untouched>"},
        {L"10.0.0.5:3128", L"10.0.0.5", L"3128"},
        {L"http://gate:8080", L"http://gate", L"8080"},
        {L"http://gate", L"http://gate", L"<untouched>"},
        {L"[::1]:8080", L"[::1]", L"8080"},
        {L"gate:", L"gate", L""},
        {L"ftp=gate:21;socks=gate:1080", L"ftp=gate:21;socks=gate", L"1080"},
        {L":8080", L"", L"8080"},
    };
    for (const SplitCase& c : cases) {
        std::wstring host = L"<untouched>";
        std::wstring port = L"<untouched>";
        SplitProxyServerText(c.server, host, port);
        EXPECT_EQ(host, c.host) << c.server;
        EXPECT_EQ(port, c.port) << c.server;
    }
}

struct QueryCase {
    const char* what;
    std::optional<unsigned long> enable;
    std::optional<std::wstring> server;
    bool use;
    const wchar_t* host;
    const wchar_t* port;
};

// The query reads the current user's settings as they are now.
TEST(SystemProxyTest, QueryReadsTheUsersSettings) {
    const QueryCase cases[] = {
        {"on", 1, L"gate:8080", true, L"gate", L"8080"},
        {"configured but off", 0, L"gate:8080", false, L"gate", L"8080"},
        {"on without a port", 1, L"gate", true, L"gate", L"<untouched>"},
        {"on without a server", 1, std::nullopt, true, L"<untouched>", L"<untouched>"},
        {"nothing set", std::nullopt, std::nullopt, false, L"<untouched>", L"<untouched>"},
    };
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedSystemProxy proxy(c.enable, c.server);
        bool use = !c.use;
        std::wstring host = L"<untouched>";
        std::wstring port = L"<untouched>";
        ASSERT_TRUE(GetSystemProxy(use, host, port));
        EXPECT_EQ(use, c.use);
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.port);
    }
}

TEST(SystemProxyTest, ParsesPortsStrictly) {
    const std::pair<const wchar_t*, int> good[] = {{L"8080", 8080}, {L"0", 0}, {L"-1", -1}, {L"+80", 80},
                                                   {L"2147483647", 2147483647}, {L"-2147483648", -2147483647 - 1}};
    for (const auto& [text, expected] : good) {
        int value = 12345;
        EXPECT_TRUE(TryParseInt(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const wchar_t* text : {L"", L" 80", L"80 ", L"8o", L"-", L"2147483648", L"99999999999999999999", L"0x50"}) {
        int value = 12345;
        EXPECT_FALSE(TryParseInt(text, value)) << text;
        EXPECT_EQ(value, 12345) << text;
    }
}

// The window's proxy record: filled step by step, stopping at a port that is no number.
TEST(SystemProxyTest, ProxyInfoFromSettings) {
    Win::ComApartment com;
    ScratchFolder scratch;
    const ScopedTempFolder temp(scratch.Path());
    struct Case {
        const char* what;
        TProxyServerInfo stored;
        bool ok;
        TProxyInfo expected;
    };
    const Case cases[] = {
        {"off", {false, L"gate", L"80", true, L"u", L"p"}, true, {false, L"", 0, false, L"", L""}},
        {"on", {true, L"gate", L"8080", false, L"u", L"p"}, true, {true, L"gate", 8080, false, L"", L""}},
        {"with credentials", {true, L"gate", L"8080", true, L"u", L"p"}, true, {true, L"gate", 8080, true, L"u", L"p"}},
        {"empty port", {true, L"gate", L"", true, L"u", L"p"}, false, {true, L"gate", 0, false, L"", L""}},
        {"port not a number", {true, L"gate", L"80a", true, L"u", L"p"}, false, {true, L"gate", 0, false, L"", L""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SaveUpdaterSettings(L"u", L"t", L"", true, {}, L"", c.stored));
        const TUpdaterSettings settings;
        TProxyInfo info;
        EXPECT_EQ(ProxyInfoFromSettings(settings, info), c.ok);
        EXPECT_EQ(info.is_use_proxy, c.expected.is_use_proxy);
        EXPECT_EQ(info.ProxyAddress, c.expected.ProxyAddress);
        EXPECT_EQ(info.ProxyPort, c.expected.ProxyPort);
        EXPECT_EQ(info.is_authorization_required, c.expected.is_authorization_required);
        EXPECT_EQ(info.ProxyUsername, c.expected.ProxyUsername);
        EXPECT_EQ(info.ProxyPassword, c.expected.ProxyPassword);
    }
}

}  // namespace
