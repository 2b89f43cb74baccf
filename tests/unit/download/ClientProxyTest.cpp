// The job's proxy as the HTTP client takes it.
#include "download/ClientProxy.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// A port is a whole decimal 32-bit number with an optional sign, nothing else.
TEST(ClientProxyTest, ParsesPortsStrictly) {
    const std::pair<const wchar_t*, int> good[] = {{L"8080", 8080}, {L"0", 0}, {L"-1", -1}, {L"+80", 80},
                                                   {L"2147483647", 2147483647}, {L"-2147483648", -2147483647 - 1}};
    for (const auto& [text, expected] : good) {
        EXPECT_EQ(TryParseInt(text), expected) << text;
    }
    for (const wchar_t* text : {L"", L" 80", L"80 ", L"8o", L"-", L"2147483648", L"99999999999999999999", L"0x50"}) {
        EXPECT_EQ(TryParseInt(text), std::nullopt) << text;
    }
}

// The client's proxy: none when off, the credentials only when the proxy asks
// for them, and no proxy at all (false) for a port that is no number.
TEST(ClientProxyTest, JobProxyBecomesTheClientsProxy) {
    struct Case {
        const char* what;
        JobProxy job;
        bool ok;
        Net::ProxySettings expected;
    };
    const Case cases[] = {
        {"off", {false, L"gate", L"80", true, L"u", L"p"}, true, {L"", 0, L"", L"", L""}},
        {"on", {true, L"gate", L"8080", false, L"u", L"p"}, true, {L"gate", 8080, L"", L"", L""}},
        {"with credentials", {true, L"gate", L"8080", true, L"u", L"p"}, true, {L"gate", 8080, L"u", L"p", L""}},
        {"empty port", {true, L"gate", L"", true, L"u", L"p"}, false, {}},
        {"port not a number", {true, L"gate", L"80a", true, L"u", L"p"}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<Net::ProxySettings> settings = TryClientProxy(c.job);
        ASSERT_EQ(settings.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(settings->Host, c.expected.Host);
        EXPECT_EQ(settings->Port, c.expected.Port);
        EXPECT_EQ(settings->Username, c.expected.Username);
        EXPECT_EQ(settings->Password, c.expected.Password);
    }
}

}  // namespace
