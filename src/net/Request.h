// One HTTP request over an asynchronous WinINet session: send, headers, body.
#pragma once

#include "net/AbortSignal.h"
#include "net/InternetHandle.h"
#include "net/ProxyCredentials.h"
#include "net/ReadCanary.h"
#include "net/Url.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Net {

struct RequestContext;

// Opens an asynchronous session (INTERNET_FLAG_ASYNC) whose status callback
// serves every Request made on it; `proxy` is "host:port" or empty for a
// direct connection, `bypass` the proxy's bypass list.
UniqueHInternet OpenAsyncSession(const std::wstring& agent, const std::wstring& proxy, const std::wstring& bypass);

// Closes the handles, in this order, on a short-lived thread of its own:
// closing the handle of a call still in progress, or of a body not read to its
// end, can block (Wine's WinINet reads whatever of the body is already there
// first), and the caller must not wait for that.
void CloseInBackground(UniqueHInternet request, UniqueHInternet connect, UniqueHInternet session);

// Owns the connect and request handles of one GET (every request the client
// makes, its redirects' and resumptions' included: a 303 answers a GET with a
// GET too, RFC 9110 15.4.4) and its reference to the per-request context. Used on one thread; every wait also ends on `abort`,
// and fails after `idleLimitMs` without a completion.
// Destroyed before its body was read to the end (a failure, an abort, a call
// still pending), it closes its handles and the session in the background:
// the request fails and the session is not used again.
class Request {
public:
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    Request(UniqueHInternet& session, const std::wstring& url, const std::wstring& headers, const AbortSignal& abort,
            unsigned long idleLimitMs);
    ~Request();

    // Gives the platform the credentials to answer the proxy's 407 with. Before Send.
    void SetProxyCredentials(const ProxyCredentials& credentials);
    // Sends the request and waits for the response headers.
    void Send();
    // Returns the response's status code.
    unsigned long StatusCode() const;
    // Returns a response header (an HTTP_QUERY_ code), or nullopt when it is missing.
    std::optional<std::wstring> Header(unsigned long query) const;
    // Returns the announced body length: Content-Length, or nullopt when the
    // body is chunked or read until the connection closes.
    std::optional<std::uint64_t> ContentLength() const;
    // Reads what has arrived of the body into Data(), up to 1 MiB, waiting
    // only while nothing has; returns its size, 0 at the end.
    unsigned long Read();
    const char* Data() const;
private:
    void WaitForCompletion();
    void ThrowIfAborted() const;

    const AbortSignal& abort_;
    const unsigned long idleLimitMs_;
    UniqueHInternet& session_;
    RequestContext* context_;  // one reference of ours; the request handle holds another
    UniqueHInternet connect_;
    UniqueHInternet request_;
    bool bodyEnded_ = false;  // Read() has returned 0
    ReadCanaries canaries_;
};

}  // namespace Net
