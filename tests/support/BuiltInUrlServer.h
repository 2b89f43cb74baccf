// A server in the test process on a loopback port, by default the port of the
// test build's built-in download URL, that gives every request one answer
// chosen by the test: a file (optionally trickled), a stall, an error status,
// a body cut short, or a redirect. It also serves requests in a proxy's
// absolute form ("GET http://host:port/path HTTP/1.1") for any host, so the
// same server stands in for the system proxy; it records every request line.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

// What the server sends on every connection. Build one with the named makers.
struct ServerAnswer {
    // Sends `body` with its Content-Length; with `bytesPerSecond` above 0 the
    // body goes out in small pieces at about that rate, so a run lasts a while.
    static ServerAnswer Body(std::string body, unsigned long bytesPerSecond = 0);
    // Announces `announced` bytes, sends a few of them and then nothing more
    // until the server is destroyed: a download from it never ends by itself.
    static ServerAnswer Stall(unsigned long long announced = 1000000);
    // Reads the request and then sends nothing at all, keeping the connection
    // open until the server is destroyed: a server that accepts and never answers.
    static ServerAnswer Silent();
    // Answers with `status` (such as 404 or 500) and a short text body.
    static ServerAnswer Status(int status);
    // Announces `announced` bytes, sends `body` (fewer) and closes the connection.
    static ServerAnswer ShortBody(std::string body, unsigned long long announced);
    // Answers with `status` (301, 302, 303, 307, 308) and the header "Location: location".
    static ServerAnswer Redirect(int status, std::string location);
    // Holds the port without listening: every connection is refused, and no
    // other process can take the port while the server lives.
    static ServerAnswer Refused();

    int status = 200;
    std::string extraHeaders;          // header lines, each ending in CRLF
    std::string body;                  // what is sent after the headers
    unsigned long long announced = 0;  // the Content-Length
    unsigned long bytesPerSecond = 0;  // 0: as fast as the connection takes it
    bool stall = false;                // after the body keep the connection open, else close it
    bool silent = false;               // no answer at all: the connection stays open
    bool refused = false;              // no listening: connections are refused
};

// Owns a listening socket on 127.0.0.1 and a thread per connection; every
// request gets `answer`. Destroying it ends every connection and joins every
// thread. Port, RequestLines and BodyBytesSent may be called from any thread.
class BuiltInUrlServer {
public:
    BuiltInUrlServer(const BuiltInUrlServer&) = delete;
    BuiltInUrlServer& operator=(const BuiltInUrlServer&) = delete;
    // Listens at `port`: by default the built-in URL's (BuiltInUrlPort), 0 for
    // one the system chooses as it binds. A fixed port that another process
    // still holds is tried again for a few seconds. Throws when the port cannot
    // be had.
    explicit BuiltInUrlServer(ServerAnswer answer, int port = BuiltInUrlPort());
    ~BuiltInUrlServer();

    // Returns the port listened at.
    int Port() const noexcept { return port_; }
    // Returns the request lines received so far, in order, without the CRLF.
    std::vector<std::string> RequestLines() const;
    // Returns the requests' heads received so far (request line and header lines), in order.
    std::vector<std::string> RequestHeads() const;
    // Returns how many body bytes have been sent so far, over all connections
    // (counted when a send returns, so the client may have them a little earlier).
    unsigned long long BodyBytesSent() const noexcept { return bodyBytesSent_; }
    // Returns the port of the test build's built-in URL ("http://127.0.0.1:PORT/...").
    static int BuiltInUrlPort();

private:
    void Accept();
    void Serve(SOCKET connection);
    bool SendPaced(SOCKET connection, const std::string& bytes, unsigned long bytesPerSecond);
    void WaitForStop(unsigned long ms);

    const ServerAnswer answer_;
    int port_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned long long> bodyBytesSent_{0};
    mutable std::mutex mutex_;  // guards the four members below
    std::vector<SOCKET> connections_;
    std::vector<std::thread> servers_;
    std::vector<std::string> requestLines_;
    std::vector<std::string> requestHeads_;
    std::thread acceptor_;
};

}  // namespace TestSupport
