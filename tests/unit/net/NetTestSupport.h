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
class StringStream : public Net::OutputStream {
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
class CountingStream : public Net::OutputStream {
public:
    void Write(const void*, std::size_t size) override { Count += size; }
    bool Restart() override {
        Count = 0;
        return true;
    }
    std::uint64_t Count = 0;
};

// Fails every write, as a full disk would.
class FailingStream : public Net::OutputStream {
public:
    void Write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
};

struct Event {
    enum ErrorKind { Begin, Work, Restart, End } Kind;
    std::int64_t Value;
};

// One transfer as the events told it: the announced total and the last count.
struct Transfer {
    std::int64_t Total = 0;
    std::int64_t Received = 0;
    int WorkEvents = 0;
    std::int64_t LargestPiece = 0;  // the largest growth of the count between two events
};

// Records every event a client tells it (the client's sink).
class EventRecorder : public Net::TransferSink {
public:
    void TransferBegun(std::int64_t total) override;
    void DataReceived(std::int64_t count) override;
    void TransferRestarted(std::int64_t total) override;
    void TransferEnded() override;
    void Redirected(const std::wstring& location) override;

    std::vector<Event> Events;
    // The locations of the redirects followed, in order.
    std::vector<std::wstring> Redirects;
    // A test's own handlers, run after a data event or a redirect is recorded.
    std::function<void(std::int64_t count)> AfterWork;
    std::function<void(const std::wstring& location)> AfterRedirect;
    // Splits Events into transfers, failing the test when they are not
    // begin, growing counts, end (a restart ends one and begins the next).
    std::vector<Transfer> Transfers() const;
};

// A client with its own abort signal, events recorded, and the product's idle
// limit unless a test that stalls gives a shorter one
// (TestSupport::kShortIdleLimitMs).
struct ClientRig {
    explicit ClientRig(unsigned long idleLimitMs = Net::DefaultIdleLimitMs());
    std::shared_ptr<Net::AbortSignal> Abort = std::make_shared<Net::AbortSignal>();
    EventRecorder Recorder;
    Net::HttpClient Client;
};

// Returns the fault server's address of `path` (tests/fixtures/fault_server.py).
std::wstring Fault(const std::wstring& path);

// Returns the settings of the test proxy `server` ("proxy" or "proxy_auth") with these credentials.
Net::ProxySettings TestProxy(const char* server, const wchar_t* user, const wchar_t* password);

// Runs Get, which must raise a HttpError, prints that error and returns it
// (a Connection error after a test failure when Get returned normally).
Net::HttpError GetFails(Net::HttpClient& client, const std::wstring& url, Net::OutputStream& stream);

// Milliseconds of a monotonic high-resolution clock.
double NowMs();

}  // namespace NetTest
