// The real servers of the network tests, started for the test run by
// tests/support/test-servers.sh (a ctest fixture) on free ports of 127.0.0.1.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace TestSupport {

// Reads the ports the start script recorded. Server names: fault, black_hole,
// nginx, nginx_tls, nginx_untrusted, proxy (open tinyproxy), proxy_auth
// (tinyproxy with Basic authentication "tester"/"secret").
class TestServers {
public:
    // Returns the servers of this run; raises when the fixture did not start them.
    static const TestServers& Instance();

    int Port(const std::string& name) const;
    // Returns "http://127.0.0.1:PORT" + path for the named server.
    std::wstring Http(const std::string& name, const std::wstring& path) const;
    // Returns "https://localhost:PORT" + path for the named server.
    std::wstring Https(const std::string& name, const std::wstring& path) const;
    // Returns a file of the start script's folder as a Windows path.
    std::wstring File(const std::string& relative) const;
    // Returns how often the fault server has been asked for `path` (with its
    // query, as the request line names it) since the run's servers started.
    std::size_t FaultRequests(const std::wstring& path) const;
    // Returns how often the test proxy `name` ("proxy" or "proxy_auth") has been
    // asked to GET `url` since the run's servers started, as its log's request
    // lines tell; the authenticating proxy logs a request refused for lack of
    // credentials too, but passes on only the others.
    std::size_t ProxyRequests(const std::string& name, const std::wstring& url) const;

private:
    TestServers();
    std::map<std::string, int> ports_;
};

// Adds the test CA (made by the start script) to the current user's trusted
// root certificates of this Wine prefix, so that https://localhost validates.
void TrustTestCertificateAuthority();

// Returns `size` bytes of the servers' pattern, the bytes that
// tests/fixtures/pattern.py makes for the fault server's bodies and nginx's
// pattern files, and the padding of a served stand-in setup: byte i is
// i % 251, so a shifted or cut body is noticed.
std::string PatternBody(std::size_t size);

}  // namespace TestSupport
