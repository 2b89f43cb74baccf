// The system proxy: the splitting rules and the query against the real registry.
#include "job/SystemProxy.h"
#include "support/SystemSettings.h"

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

}  // namespace
