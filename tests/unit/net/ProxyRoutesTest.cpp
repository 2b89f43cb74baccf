// The texts that decide a route: the manual proxy's bypass list and the proxy
// list a proxy script answers with.
#include "net/ManualProxy.h"
#include "net/ProxyList.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A bypass list matches as the Internet settings describe it: "<local>" for
// names without a dot, "*" anywhere in a name, exact names and addresses,
// entries with a port, any case, ";" or spaces between entries.
TEST(ProxyRoutesTest, BypassListMatchesTheNamesItDescribes) {
    struct Case {
        const wchar_t* list;
        const wchar_t* host;
        unsigned short port;
        bool bypassed;
    };
    const Case cases[] = {
        {L"<local>;*.internal.test", L"files.internal.test", 80, true},
        {L"<local>;*.internal.test", L"FILES.Internal.Test", 80, true},
        {L"<local>;*.internal.test", L"internal.test", 80, false},
        {L"<local>;*.internal.test", L"files.example.test", 80, false},
        {L"<local>;*.internal.test", L"intranet", 80, true},
        // A list written in capitals matches in its own letter case too.
        {L"<LOCAL>", L"intranet", 80, true},
        {L"<LOCAL>", L"intranet.corp.example", 80, false},
        {L"*.Corp.Example", L"files.corp.example", 80, true},
        {L"*.Corp.Example", L"FILES.CORP.EXAMPLE", 80, true},
        {L"*.Corp.Example", L"corp.example.test", 80, false},
        {L"<local>;*.internal.test", L"127.0.0.1", 80, false},
        {L"<-loopback>", L"localhost", 80, false},
        {L"", L"intranet", 80, false},
        {L"files.internal.test", L"files.internal.test", 8080, true},
        {L"10.*", L"10.1.2.3", 80, true},
        {L"10.*", L"110.1.2.3", 80, false},
        {L"*.corp.example:8080", L"a.corp.example", 8080, true},
        {L"*.corp.example:8080", L"a.corp.example", 80, false},
        {L"http://*.corp.example", L"a.corp.example", 80, true},
        {L"a.test b.test ;; c.test", L"b.test", 80, true},
        {L"*", L"anything.test", 80, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Net::BypassListMatches(c.list, c.host, c.port), c.bypassed)
            << "list \"" << Win::ToUtf8(c.list) << "\", host " << Win::ToUtf8(c.host) << ":" << c.port;
}

// A script's answer is the list of its ways in order: PROXY, HTTP and HTTPS
// entries and the service's bare "host:port" ones as proxies, DIRECT where it
// stands, SOCKS and anything else left out.
TEST(ProxyRoutesTest, ProxyListNamesItsWaysInOrder) {
    using Entries = std::vector<std::wstring>;
    const std::pair<const wchar_t*, Entries> cases[] = {
        {L"PROXY a:1; PROXY b:2; DIRECT", {L"a:1", L"b:2", L""}},
        {L"proxy a:1;http b:2 ; HTTPS c:3", {L"a:1", L"b:2", L"c:3"}},
        {L"SOCKS s:1080; PROXY a:1", {L"a:1"}},
        {L"SOCKS5 s:1080; DIRECT", {L""}},
        {L"gate:8080;spare:3128", {L"gate:8080", L"spare:3128"}},
        {L" gate:8080 DIRECT", {L"gate:8080", L""}},
        {L"DIRECT", {L""}},
        {L"PROXY; DIRECT", {L""}},
        {L"", {}},
        {L";", {}},
    };
    for (const auto& [list, entries] : cases)
        EXPECT_EQ(Net::ProxyListEntries(list), entries) << "list \"" << Win::ToUtf8(list) << "\"";
}

}  // namespace
