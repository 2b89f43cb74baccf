#include "net/HttpClient.h"

#include "net/ManualProxy.h"
#include "net/RangeRequest.h"
#include "net/Request.h"
#include "net/Url.h"

#include <optional>

namespace Net {

namespace {

const wchar_t kUserAgent[] = L"Mozilla/5.0 (compatible; WinINet)";

// Requests keep their connections alive: NTLM and Negotiate authenticate a
// connection, and a proxy answers a handshake on a closing one with a bare
// 407. A request given up before the end of its body is closed on a thread
// of its own (CloseInBackground), so the platform reading the rest of that
// body to reuse the connection never holds the caller.

bool IsRedirect(unsigned long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Resumptions of one GET's body at most.
constexpr int kResumptionLimit = 3;

// Tells whether a read failed because the connection dropped (a reset, a close
// before Content-Length): not a stall past the idle limit, not an abort.
bool IsDroppedConnection(const HttpError& error) {
    return error.Kind() == HttpError::ErrorKind::ShortBody ||
           (error.Kind() == HttpError::ErrorKind::Connection && error.Code() != ERROR_INTERNET_TIMEOUT);
}

// Returns what an If-Range for the rest of `request`'s body can carry, if anything.
std::optional<std::wstring> ValidatorOf(const Request& request) {
    return RangeValidator(request.Header(HTTP_QUERY_ETAG), request.Header(HTTP_QUERY_LAST_MODIFIED));
}

// Returns a body's length as the sink takes it: 0 when it is unknown.
std::int64_t TotalOf(std::optional<std::uint64_t> length) { return static_cast<std::int64_t>(length.value_or(0)); }

HttpError BadRedirect(const std::wstring& what) { return HttpError(HttpError::ErrorKind::BadRedirect, what); }

// Tells whether a request failed before any response because its server could
// not be reached: refused, a name not found, no connection in time. Wine
// reports some of these with the socket's own codes.
bool IsUnreachable(const HttpError& error) {
    if (error.Kind() != HttpError::ErrorKind::Connection) return false;
    switch (error.Code()) {
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_TIMEOUT:
    case WSAECONNREFUSED:
    case WSAETIMEDOUT:
    case WSAHOST_NOT_FOUND:
        return true;
    default:
        return false;
    }
}

constexpr unsigned long kProxyAuthenticationRequired = 407;

// Refuses what a redirect may not lead to: another scheme than http(s), or
// plain http after https (a downgrade that would drop the certificate check).
void CheckRedirect(const std::wstring& from, const std::wstring& to) {
    SplitUrl(to);
    if (IsHttps(from) && !IsHttps(to)) throw BadRedirect(L"Refused a redirect from https to " + to);
}

}  // namespace

HttpClient::HttpClient(std::shared_ptr<const AbortSignal> abort, TransferSink& sink, unsigned long idleLimitMs)
    : abort_(std::move(abort)), sink_(sink), idleLimitMs_(idleLimitMs) {}

HttpClient::~HttpClient() = default;

void HttpClient::SetProxy(const ProxySettings& proxy) {
    proxyResolver_ = proxy.Host.empty() ? nullptr : std::make_unique<ManualProxyResolver>(proxy);
}

ProxyRoute HttpClient::RouteFor(const std::wstring& url) const {
    return proxyResolver_ ? proxyResolver_->RouteFor(url, *abort_) : ProxyRoute();
}

void HttpClient::Get(const std::wstring& url, OutputStream& stream) {
    if (abort_->Aborted()) throw HttpError(HttpError::ErrorKind::Aborted, L"The request was aborted");
    SplitUrl(url);
    // A request that fails takes the session along to its background close.
    ProxyRoute route = RouteFor(url);
    UniqueHInternet session = OpenAsyncSession(kUserAgent, route.Server, route.Bypass);
    std::optional<Request> request;
    std::wstring current = url;
    for (int redirects = 0;;) {
        const unsigned long status = SendThroughRoute(request, session, current, route, std::wstring());
        if (IsRedirect(status)) {
            current = NextLocation(*request, current, ++redirects);
            ReadWholeBody(*request, nullptr);
            // Each hop goes its own way: the next host may have another proxy.
            ProxyRoute next = RouteFor(current);
            if (next.Server != route.Server || next.Bypass != route.Bypass) {
                request.reset();  // its body was read to the end: closed at once, before its session
                session = OpenAsyncSession(kUserAgent, next.Server, next.Bypass);
            }
            route = std::move(next);
            continue;
        }
        // A plain GET asks for the whole file, which only a 200 brings: a 206
        // answers a range request (RFC 9110 15.3.7), and a 204 or any other
        // 2xx is no file at all.
        if (status != 200)
            throw HttpError(HttpError::ErrorKind::Status, L"HTTP status " + std::to_wstring(status) + L": " + current,
                             status);
        break;
    }
    ReadResumableBody(request, session, current, stream);
}

void HttpClient::OpenRequest(std::optional<Request>& request, UniqueHInternet& session, const std::wstring& url,
                              const ProxyRoute& route, const std::wstring& extraHeaders) {
    const bool refused = headersRefused_.count(route.Server) != 0;
    request.emplace(session, url, (refused ? std::wstring() : route.Headers) + extraHeaders, *abort_,
                    idleLimitMs_);
    if (route.Server.empty()) return;
    const auto given = proxyCredentials_.find(route.Server);
    if (given != proxyCredentials_.end() && given->second) request->SetProxyCredentials(*given->second);
}

unsigned long HttpClient::SendThroughRoute(std::optional<Request>& request, UniqueHInternet& session,
                                            const std::wstring& url, ProxyRoute& route,
                                            const std::wstring& extraHeaders) {
    for (;;) {
        OpenRequest(request, session, url, route, extraHeaders);
        unsigned long status = 0;
        try {
            status = Send(*request, url);
        } catch (const HttpError& error) {
            // The next proxy of the list, or none: the failed request took its
            // session along to its background close.
            if (route.Server.empty() || !IsUnreachable(error) || !proxyResolver_ ||
                !proxyResolver_->TryNextRoute(url, route))
                throw;
            request.reset();
            route = RouteFor(url);
            session = OpenAsyncSession(kUserAgent, route.Server, route.Bypass);
            continue;
        }
        if (status != kProxyAuthenticationRequired || route.Server.empty()) return status;
        // The platform has answered what it could (its own sign-in for NTLM
        // and Negotiate); the user is asked once per proxy. The 407's body is
        // read so that its kept-alive connection serves the next try.
        while (request->Read() != 0) {
        }
        // A header of the route's own (a pre-emptive Basic) must not stand in
        // the way of the platform's sign-in: it goes no more to this proxy,
        // and the platform tries once without it before the user is asked.
        if (!route.Headers.empty() && headersRefused_.insert(route.Server).second) continue;
        if (!TryAskForCredentials(route.Server)) return status;
        // NTLM with given credentials works on a new request, once a handshake has failed.
        OpenRequest(request, session, url, route, extraHeaders);
        return Send(*request, url);
    }
}

bool HttpClient::TryAskForCredentials(const std::wstring& proxy) {
    if (proxyCredentials_.count(proxy) != 0 || !askProxyCredentials_) return false;
    std::optional<ProxyCredentials> given = askProxyCredentials_(proxy);
    if (abort_->Aborted()) throw HttpError(HttpError::ErrorKind::Aborted, L"The request was aborted");
    const bool answered = given.has_value();
    proxyCredentials_.emplace(proxy, std::move(given));
    return answered;
}

unsigned long HttpClient::Send(Request& request, const std::wstring& url) {
    request.Send();
    const unsigned long status = request.StatusCode();
    // Wine's WinINet can complete the send of a connection reset before
    // any response with a status of 0.
    if (status < 100) throw HttpError(HttpError::ErrorKind::Connection, L"No HTTP response from " + url);
    return status;
}

std::wstring HttpClient::NextLocation(const Request& request, const std::wstring& current, int count) {
    const std::optional<std::wstring> location = request.Header(HTTP_QUERY_LOCATION);
    if (!location || location->empty()) throw BadRedirect(L"A redirect without a location: " + current);
    std::wstring next = ResolveLocation(current, *location);
    CheckRedirect(current, next);
    if (count > RedirectLimit) throw HttpError(HttpError::ErrorKind::TooManyRedirects, L"Too many redirects: " + current);
    sink_.Redirected(next);
    return next;
}

void HttpClient::InTransfer(std::optional<std::uint64_t> length, const std::function<void()>& read) {
    sink_.TransferBegun(TotalOf(length));
    try {
        read();
    } catch (...) {
        sink_.TransferEnded();
        throw;
    }
    sink_.TransferEnded();
}

void HttpClient::ReadWholeBody(Request& request, OutputStream* stream) {
    const std::optional<std::uint64_t> length = request.ContentLength();
    InTransfer(length, [&] {
        std::uint64_t count = 0;
        ReadUntilEnd(request, stream, length, count);
    });
}

void HttpClient::ReadUntilEnd(Request& request, OutputStream* stream, std::optional<std::uint64_t> length,
                               std::uint64_t& count) {
    while (const unsigned long size = request.Read()) {
        // Bytes past the announced length belong to no file we asked for;
        // none of them is written.
        if (length && count + size > *length)
            throw HttpError(HttpError::ErrorKind::LongBody, L"The body brought more than its " +
                                                          std::to_wstring(*length) + L" bytes");
        if (stream) stream->Write(request.Data(), size);
        count += size;
        sink_.DataReceived(static_cast<std::int64_t>(count));
    }
    // The service does not notice a connection that ends before Content-Length.
    if (length && count < *length)
        throw HttpError(HttpError::ErrorKind::ShortBody, L"The body ended after " + std::to_wstring(count) + L" of " +
                                                           std::to_wstring(*length) + L" bytes");
}

void HttpClient::ReadResumableBody(std::optional<Request>& request, UniqueHInternet& session, const std::wstring& url,
                                    OutputStream& stream) {
    std::optional<std::uint64_t> length = request->ContentLength();
    std::optional<std::wstring> validator = ValidatorOf(*request);
    InTransfer(length, [&] {
        std::uint64_t count = 0;
        std::uint64_t countAtStart = 0;  // where the current response's body began
        for (int resumptions = 0;; ++resumptions) {
            try {
                ReadUntilEnd(*request, &stream, length, count);
                return;
            } catch (const HttpError& error) {
                // Resumed only with something to resume from: a length to
                // complete and a validator for If-Range. The first response's
                // drop is resumed even before any of its bytes were read: the
                // platform may lose what had arrived with the reset. A resumed
                // response is resumed again only after it brought new bytes.
                const bool progressed = resumptions == 0 || count != countAtStart;
                if (!IsDroppedConnection(error) || !length || !validator || !progressed ||
                    resumptions == kResumptionLimit)
                    throw;
            }
            // The failed request closes in the background with its session; the
            // rest comes over a new one, through the same proxy, from the same URL.
            request.reset();
            ProxyRoute route = RouteFor(url);
            session = OpenAsyncSession(kUserAgent, route.Server, route.Bypass);
            const unsigned long status =
                SendThroughRoute(request, session, url, route, RangeHeaders(count, *validator));
            const std::optional<std::wstring> range = request->Header(HTTP_QUERY_CONTENT_RANGE);
            if (status == 206 && range && ContinuesAt(*range, count, *length)) {
                countAtStart = count;
                continue;
            }
            // A 200 is the whole body again (the file changed, or the server
            // ignores ranges): it replaces what was written, as a new transfer.
            if (status != 200 || !stream.Restart())
                throw HttpError(HttpError::ErrorKind::Status,
                                 L"HTTP status " + std::to_wstring(status) + L" to a range request: " + url, status);
            count = countAtStart = 0;
            length = request->ContentLength();
            validator = ValidatorOf(*request);
            sink_.TransferRestarted(TotalOf(length));
        }
    });
}

}  // namespace Net
