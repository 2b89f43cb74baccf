#include "support/TestServers.h"

#include "support/SigningFixtures.h"
#include "support/ScratchFiles.h"
#include "win/Exception.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace TestSupport {

TestServers::TestServers() {
    std::istringstream lines(ReadFileBytes(File("servers.env")));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) ports_[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
}

const TestServers& TestServers::Instance() {
    static const TestServers servers;
    return servers;
}

int TestServers::Port(const std::string& name) const {
    const auto found = ports_.find(name);
    if (found == ports_.end()) throw std::runtime_error("no test server " + name);
    return found->second;
}

std::wstring TestServers::Http(const std::string& name, const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(Port(name)) + path;
}

std::wstring TestServers::Https(const std::string& name, const std::wstring& path) const {
    return L"https://localhost:" + std::to_wstring(Port(name)) + path;
}

std::wstring TestServers::File(const std::string& relative) const {
    return UnixToWindowsPath(std::string(TEST_SERVERS_DIR) + "/" + relative);
}

namespace {

// Returns how often `text` occurs in the servers' log file `name`; none while there is no log.
std::size_t OccurrencesInLog(const TestServers& servers, const std::string& name, const std::string& text) {
    if (!FileExists(servers.File(name))) return 0;
    const std::string log = "\n" + ReadFileBytes(servers.File(name));
    std::size_t times = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++times;
    return times;
}

}  // namespace

std::size_t TestServers::FaultRequests(const std::wstring& path) const {
    // One line per request (tests/fixtures/fault_server.py); paths are ASCII.
    return OccurrencesInLog(*this, "fault.log", "\n" + std::string(path.begin(), path.end()) + "\n");
}

std::size_t TestServers::ProxyRequests(const std::string& name, const std::wstring& url) const {
    // tinyproxy's "LogLevel Connect" writes "Request (file descriptor N): GET <url> HTTP/1.1" for each
    // (tests/support/test-servers.sh names its log after the server, with "-" for "_"); URLs are ASCII.
    std::string log = name + ".log";
    std::replace(log.begin(), log.end(), '_', '-');
    return OccurrencesInLog(*this, log, "): GET " + std::string(url.begin(), url.end()) + " HTTP/1.1\n");
}

void TrustTestCertificateAuthority() { AddTrustedRootCertificate(TestServers::Instance().File("certs/ca.der")); }

std::string PatternBody(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

}  // namespace TestSupport
