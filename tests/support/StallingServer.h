// A server on a fixed loopback port that answers every request with the
// headers of a large body, a few bytes of it, and then nothing, so that a
// download from it runs until it is stopped.
#pragma once

#include <winsock2.h>

#include <boost/noncopyable.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

// Listens on 127.0.0.1 at the port of `url` ("http://127.0.0.1:PORT/..."),
// for the built-in URL of a test build. Serves any number of connections on
// its own thread; closes them all when destroyed.
class ScopedStallingServer : boost::noncopyable {
public:
    explicit ScopedStallingServer(const std::wstring& url);
    ~ScopedStallingServer();
    int Port() const noexcept { return port_; }

private:
    void Serve();

    int port_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    std::vector<SOCKET> connections_;  // the serving thread's
    std::thread thread_;
};

}  // namespace TestSupport
