// The system proxy: the splitting rules and the query against the real registry.
#include "job/SystemProxy.h"
#include "support/SystemSettings.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

struct SplitCase {
    const wchar_t* server;
    const wchar_t* host;
    const wchar_t* port;  // "" where the text names none
};

// Host and port of every server text shape, an empty port where there is none.
TEST(SystemProxyTest, SplittingTable) {
    const SplitCase cases[] = {
        {L"gate:8080", L"gate", L"8080"},
        {L"gate", L"gate", L""},
        {L"10.0.0.5:3128", L"10.0.0.5", L"3128"},
        {L"http://gate:8080", L"http://gate", L"8080"},
        {L"http://gate", L"http://gate", L""},
        {L"[::1]:8080", L"[::1]", L"8080"},
        {L"gate:", L"gate", L""},
        {L"ftp=gate:21;socks=gate:1080", L"ftp=gate:21;socks=gate", L"1080"},
        {L":8080", L"", L"8080"},
    };
    for (const SplitCase& c : cases) {
        const HostAndPort split = SplitProxyServerText(c.server);
        EXPECT_EQ(split.Host, c.host) << c.server;
        EXPECT_EQ(split.Port, c.port) << c.server;
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
        {"on without a port", 1, L"gate", true, L"gate", L""},
        {"on without a server", 1, std::nullopt, true, L"", L""},
        {"nothing set", std::nullopt, std::nullopt, false, L"", L""},
    };
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedSystemProxy proxy(c.enable, c.server);
        const std::optional<SystemProxy> system = TryReadSystemProxy();
        ASSERT_TRUE(system);
        EXPECT_EQ(system->Enabled, c.use);
        EXPECT_EQ(system->Host, c.host);
        EXPECT_EQ(system->Port, c.port);
    }
}

}  // namespace
