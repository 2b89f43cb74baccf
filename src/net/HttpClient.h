// A generic HTTP(S) client: GET into a stream over the platform's Internet
// service, through an optional proxy, with its own redirect loop, transfer
// events told to a sink and an abort that works from any thread at any moment.
#pragma once

#include "net/AbortSignal.h"
#include "net/HttpError.h"
#include "net/IdleLimit.h"
#include "net/InternetHandle.h"
#include "net/ProxyCredentials.h"
#include "net/ProxyRoute.h"
#include "net/TransferSink.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace Net {

class Request;

// Where the body of the final response goes. Write raises when it fails; that
// exception leaves HttpClient::Get unchanged.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    // Appends `size` bytes.
    virtual void Write(const void* data, std::size_t size) = 0;
    // Drops everything written so far, so that a body can be written again from
    // its start; returns false when this stream cannot (the default), which
    // makes a body that starts again a failure.
    virtual bool Restart() { return false; }
};

// A proxy given as host and port. Every request through it carries
// "Proxy-Authorization: Basic ..." of Username and Password, empty ones included.
// A host that Bypass names (see BypassListMatches) is asked directly.
struct ProxySettings {
    std::wstring Host;
    int Port = 0;
    std::wstring Username;
    std::wstring Password;
    std::wstring Bypass;
};

// Owns nothing between calls of Get; during Get it owns the session, connection
// and request handles and closes them before Get returns or raises (in the
// background when a transfer is cut short). Create, use and destroy it on one
// thread; the only way in from another thread is the shared abort signal.
// The sink and the credentials question run on the thread that calls Get.
class HttpClient {
public:
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;
    // Called when a proxy ("host:port") still answers 407 after the platform's
    // own sign-in; returns what the user gave, or nothing to give up.
    using ProxyCredentialsHandler = std::function<std::optional<ProxyCredentials>(const std::wstring& proxy)>;

    // Redirects followed by one Get at most.
    static constexpr int RedirectLimit = 10;

    // Every request of this client fails promptly once `abort` is set, also one
    // that starts after it was set, and fails when it gets no byte for
    // `idleLimitMs` (no response, or a body that stops). Every GET tells
    // `sink`, which must outlive this client, of its transfers and redirects.
    HttpClient(std::shared_ptr<const AbortSignal> abort, TransferSink& sink,
                unsigned long idleLimitMs = DefaultIdleLimitMs());
    ~HttpClient();

    // Sends every later request through `proxy`; Host empty means a direct connection.
    void SetProxy(const ProxySettings& proxy);
    // Asks `resolver` for the route of every later request (the first URL, each
    // redirect hop, each resumption), in place of any proxy set before.
    void SetProxyResolver(std::unique_ptr<ProxyResolver> resolver) { proxyResolver_ = std::move(resolver); }

    // Asks `ask` for a proxy's user name and password when the proxy still
    // answers 407 (none: nobody is asked). Asked at most once per proxy and
    // client; the answer is kept in memory for the client's later requests
    // through that proxy, and set on no other request.
    void SetProxyCredentialsQuestion(ProxyCredentialsHandler ask) { askProxyCredentials_ = std::move(ask); }

    // Fetches `url` (http or https) and writes the final response's body into
    // `stream`. Returns only when a 200 response and all of its body, no byte
    // more than its Content-Length, arrived;
    // otherwise raises HttpError (or the stream's own error). Redirects are
    // followed, up to RedirectLimit; an https address never redirects to an
    // http one. A server that sends nothing for the idle limit (no response,
    // or a body that stops) fails the GET.
    // When the connection drops during a final body of known length whose
    // response had a validator (a strong ETag, or Last-Modified), the rest is
    // asked for with Range and If-Range from the same final URL: a 206 with the
    // matching Content-Range is appended to `stream`; a 200 is the whole body
    // again and restarts `stream`. At most 3 times per GET: the first response
    // always, a resumed one only after it brought bytes; an abort is never resumed.
    // Requests go over kept-alive connections, so that the platform's own
    // connection-based sign-in (NTLM, Negotiate) with a proxy completes. A proxy
    // that still answers 407 is asked again once with the credentials question's answer;
    // no answer, or a 407 to it, fails the GET with that status. A proxy that
    // cannot be reached is replaced by the resolver's next choice, if any.
    void Get(const std::wstring& url, OutputStream& stream);

private:
    // Resolves and checks the location of redirect number `count`, tells the
    // sink and returns where to go next; raises when not to go on.
    std::wstring NextLocation(const Request& request, const std::wstring& current, int count);
    // Returns the route of a request to `url`: direct without a resolver.
    ProxyRoute RouteFor(const std::wstring& url) const;
    // Sends `request` to `url` and returns its status; raises without a response.
    static unsigned long Send(Request& request, const std::wstring& url);
    // Makes a request to `url` on `session` through `route`, with the route's
    // headers (unless its proxy refused them), `extraHeaders` and the
    // credentials the user gave for its proxy, if any.
    void OpenRequest(std::optional<Request>& request, UniqueHInternet& session, const std::wstring& url,
                     const ProxyRoute& route, const std::wstring& extraHeaders);
    // Opens and sends a request as OpenRequest does and returns its status; a
    // 407 of the route's proxy is answered once with the user's credentials. A
    // proxy that cannot be reached gives way to the resolver's next route, on a
    // new session. Raises without a response.
    unsigned long SendThroughRoute(std::optional<Request>& request, UniqueHInternet& session, const std::wstring& url,
                                   ProxyRoute& route, const std::wstring& extraHeaders);
    // Asks for the credentials of `proxy` after its 407, once; false when there are none to try.
    bool TryAskForCredentials(const std::wstring& proxy);
    // Tells the sink of a transfer of `length` begun, runs `read`, and tells
    // the sink of its end however `read` ends.
    void InTransfer(std::optional<std::uint64_t> length, const std::function<void()>& read);
    // Reads a response body into `stream` (nullptr discards it), telling the sink.
    void ReadWholeBody(Request& request, OutputStream* stream);
    // Reads the rest of a body, counting on from `count`, telling the sink;
    // raises ShortBody when it ends before `length`.
    void ReadUntilEnd(Request& request, OutputStream* stream, std::optional<std::uint64_t> length,
                      std::uint64_t& count);
    // Reads the final body into `stream`, resuming it after a dropped connection
    // with new requests made on a new `session`.
    void ReadResumableBody(std::optional<Request>& request, UniqueHInternet& session, const std::wstring& url,
                           OutputStream& stream);

    std::shared_ptr<const AbortSignal> abort_;
    TransferSink& sink_;
    unsigned long idleLimitMs_;
    std::unique_ptr<ProxyResolver> proxyResolver_;  // none: every request goes directly
    // What the user gave, by proxy ("host:port"); an empty optional: asked, and cancelled.
    std::map<std::wstring, std::optional<ProxyCredentials>> proxyCredentials_;
    ProxyCredentialsHandler askProxyCredentials_;
    // Proxies that answered 407 to the route's own headers: they go no more.
    std::set<std::wstring> headersRefused_;
};

// Waits up to `timeoutMs` until every handle that a failed or aborted GET left
// to close in the background is closed; tells whether they all are. For the
// end of a process: leaving while the platform still closes a handle is not safe.
bool WaitForBackgroundCloses(unsigned long timeoutMs);

}  // namespace Net
