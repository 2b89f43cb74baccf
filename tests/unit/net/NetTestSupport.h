// Streams, event recording, server addresses, failures and timing for the HTTP client's tests.
#pragma once

#include "net/HttpClient.h"
#include "seams/ShortIdleLimit.h"
#include "support/TestServers.h"

#include <memory>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace NetTest {

// The servers' byte pattern (tests/fixtures/pattern.py makes their side of it).
using TestSupport::PatternBody;

// Keeps what it is given in memory.
class TStringStream : public Net::TOutputStream {
public:
    void Write(const void* data, std::size_t size) override { Bytes.append(static_cast<const char*>(data), size); }
    bool Restart() override {
        Bytes.clear();
        ++Restarts;
        return true;
    }
    std::string Bytes;
    int Restarts = 0;
};

// Counts bytes and throws them away (for large bodies).
class TCountingStream : public Net::TOutputStream {
public:
    void Write(const void*, std::size_t size) override { Count += size; }
    bool Restart() override {
        Count = 0;
        return true;
    }
    std::uint64_t Count = 0;
};

// Fails every write, as a full disk would.
class TFailingStream : public Net::TOutputStream {
public:
    void Write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
};

struct TEvent {
    enum TKind { Begin, Work, End } Kind;
    std::int64_t Value;
};

struct TRedirectCall {
    std::wstring Location;
    int Count;
    bool Follow;
    std::wstring Method;
};

// One transfer as the events told it: the announced total and the last count.
struct TTransfer {
    std::int64_t Total = 0;
    std::int64_t Received = 0;
    int WorkEvents = 0;
    std::int64_t LargestPiece = 0;  // the largest growth of the count between two events
};

// Records every event of a client (attached at construction).
class TRecorder {
public:
    explicit TRecorder(Net::THttpClient& client);
    std::vector<TEvent> Events;
    std::vector<TRedirectCall> Redirects;
    // A test's own handlers, run after a work event or a redirect is recorded;
    // the redirect's may change its location, follow flag and method.
    std::function<void(std::int64_t count)> AfterWork;
    Net::THttpClient::TRedirectHandler AfterRedirect;
    // Splits Events into transfers, failing the test when they are not
    // begin, growing counts, end.
    std::vector<TTransfer> Transfers() const;
};

// A client with its own abort signal, redirects on, events recorded, and the
// product's idle limit unless a test that stalls gives a shorter one
// (TestSupport::kShortIdleLimitMs).
struct TClientRig {
    explicit TClientRig(unsigned long idleLimitMs = Net::DefaultIdleLimitMs());
    std::shared_ptr<Net::TAbortSignal> Abort = std::make_shared<Net::TAbortSignal>();
    Net::THttpClient Client;
    TRecorder Recorder{Client};
};

// Returns the fault server's address of `path` (tests/fixtures/fault_server.py).
std::wstring Fault(const std::wstring& path);

// Returns the settings of the test proxy `server` ("proxy" or "proxy_auth") with these credentials.
Net::TProxySettings TestProxy(const char* server, const wchar_t* user, const wchar_t* password);

// Runs Get, which must raise a THttpError, prints that error and returns it
// (a Connection error after a test failure when Get returned normally).
Net::THttpError GetFails(Net::THttpClient& client, const std::wstring& url, Net::TOutputStream& stream);

// Milliseconds of a monotonic high-resolution clock.
double NowMs();

}  // namespace NetTest
