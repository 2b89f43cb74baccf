#include "net/HttpClient.h"

#include "net/ManualProxy.h"
#include "net/RangeRequest.h"
#include "net/Request.h"
#include "net/Url.h"

#include <optional>

namespace Net {

namespace {

const wchar_t kUserAgent[] = L"Mozilla/5.0 (compatible; WinINet)";

// Without keep-alive, closing a request whose body was not read to its end
// closes its socket at once; Wine's WinINet would otherwise read the rest of
// the body first, to reuse the connection.
const std::wstring kConnectionClose = L"Connection: close\r\n";

bool IsRedirect(unsigned long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Resumptions of one GET's body at most.
constexpr int kResumptionLimit = 3;

// Tells whether a read failed because the connection dropped (a reset, a close
// before Content-Length): not a stall past the idle limit, not an abort.
bool IsDroppedConnection(const THttpError& error) {
    return error.Kind() == THttpError::TKind::ShortBody ||
           (error.Kind() == THttpError::TKind::Connection && error.Code() != ERROR_INTERNET_TIMEOUT);
}

// Returns what an If-Range for the rest of `request`'s body can carry, if anything.
std::optional<std::wstring> ValidatorOf(const TRequest& request) {
    return RangeValidator(request.Header(HTTP_QUERY_ETAG), request.Header(HTTP_QUERY_LAST_MODIFIED));
}

THttpError BadRedirect(const std::wstring& what) { return THttpError(THttpError::TKind::BadRedirect, what); }

// Refuses what a redirect may not lead to: another scheme than http(s), or
// plain http after https (a downgrade that would drop the certificate check).
void CheckRedirect(const std::wstring& from, const std::wstring& to) {
    SplitUrl(to);
    if (IsHttps(from) && !IsHttps(to)) throw BadRedirect(L"Refused a redirect from https to " + to);
}

}  // namespace

THttpClient::THttpClient(std::shared_ptr<const TAbortSignal> abort, unsigned long idleLimitMs)
    : abort_(std::move(abort)), idleLimitMs_(idleLimitMs) {}

THttpClient::~THttpClient() = default;

void THttpClient::SetProxy(const TProxySettings& proxy) {
    proxyResolver_ = proxy.Host.empty() ? nullptr : std::make_unique<TManualProxyResolver>(proxy);
}

TProxyRoute THttpClient::RouteFor(const std::wstring& url) const {
    return proxyResolver_ ? proxyResolver_->RouteFor(url, *abort_) : TProxyRoute();
}

void THttpClient::Get(const std::wstring& url, TOutputStream& stream) {
    if (abort_->Aborted()) throw THttpError(THttpError::TKind::Aborted, L"The request was aborted");
    SplitUrl(url);
    // A request that fails takes the session along to its background close.
    TProxyRoute route = RouteFor(url);
    UniqueHInternet session = OpenAsyncSession(kUserAgent, route.Server, route.Bypass);
    std::optional<TRequest> request;
    std::wstring current = url;
    std::wstring method = L"GET";
    for (int redirects = 0;;) {
        request.emplace(session, current, method, kConnectionClose + route.Headers, *abort_, idleLimitMs_);
        const unsigned long status = Send(*request, current);
        if (handleRedirects_ && IsRedirect(status)) {
            current = NextLocation(*request, current, status, ++redirects, method);
            ReadWholeBody(*request, nullptr);
            // Each hop goes its own way: the next host may have another proxy.
            TProxyRoute next = RouteFor(current);
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
            throw THttpError(THttpError::TKind::Status, L"HTTP status " + std::to_wstring(status) + L": " + current,
                             status);
        break;
    }
    ReadResumableBody(request, session, current, method, stream);
}

unsigned long THttpClient::Send(TRequest& request, const std::wstring& url) {
    request.Send();
    const unsigned long status = request.StatusCode();
    // Wine's WinINet can complete the send of a connection reset before
    // any response with a status of 0.
    if (status < 100) throw THttpError(THttpError::TKind::Connection, L"No HTTP response from " + url);
    return status;
}

std::wstring THttpClient::NextLocation(const TRequest& request, const std::wstring& current, unsigned long status,
                                       int count, std::wstring& method) {
    const std::optional<std::wstring> location = request.Header(HTTP_QUERY_LOCATION);
    if (!location || location->empty()) throw BadRedirect(L"A redirect without a location: " + current);
    std::wstring next = ResolveLocation(current, *location);
    CheckRedirect(current, next);
    if (count > RedirectLimit) throw THttpError(THttpError::TKind::TooManyRedirects, L"Too many redirects: " + current);
    // RFC 9110 15.4.4: a 303 is answered with a GET.
    if (status == 303) method = L"GET";
    bool follow = true;
    if (OnRedirect) OnRedirect(next, count, follow, method);
    if (!follow) throw THttpError(THttpError::TKind::Status, L"Redirect not followed: " + current, status);
    CheckRedirect(current, next);
    return next;
}

void THttpClient::InTransfer(std::optional<std::uint64_t> length, const std::function<void()>& read) {
    BeginTransfer(length);
    try {
        read();
    } catch (...) {
        EndTransfer();
        throw;
    }
    EndTransfer();
}

void THttpClient::BeginTransfer(std::optional<std::uint64_t> length) {
    if (OnWorkBegin) OnWorkBegin(TWorkMode::Read, static_cast<std::int64_t>(length.value_or(0)));
}

void THttpClient::EndTransfer() {
    if (OnWorkEnd) OnWorkEnd(TWorkMode::Read);
}

void THttpClient::ReadWholeBody(TRequest& request, TOutputStream* stream) {
    const std::optional<std::uint64_t> length = request.ContentLength();
    InTransfer(length, [&] {
        std::uint64_t count = 0;
        ReadUntilEnd(request, stream, length, count);
    });
}

void THttpClient::ReadUntilEnd(TRequest& request, TOutputStream* stream, std::optional<std::uint64_t> length,
                               std::uint64_t& count) {
    while (const unsigned long size = request.Read()) {
        // Bytes past the announced length belong to no file we asked for;
        // none of them is written.
        if (length && count + size > *length)
            throw THttpError(THttpError::TKind::LongBody, L"The body brought more than its " +
                                                          std::to_wstring(*length) + L" bytes");
        if (stream) stream->Write(request.Data(), size);
        count += size;
        if (OnWork) OnWork(TWorkMode::Read, static_cast<std::int64_t>(count));
    }
    // The service does not notice a connection that ends before Content-Length.
    if (length && count < *length)
        throw THttpError(THttpError::TKind::ShortBody, L"The body ended after " + std::to_wstring(count) + L" of " +
                                                           std::to_wstring(*length) + L" bytes");
}

void THttpClient::ReadResumableBody(std::optional<TRequest>& request, UniqueHInternet& session,
                                    const std::wstring& url, const std::wstring& method, TOutputStream& stream) {
    std::optional<std::uint64_t> length = request->ContentLength();
    std::optional<std::wstring> validator = ValidatorOf(*request);
    InTransfer(length, [&] {
        std::uint64_t count = 0;
        std::uint64_t countAtStart = 0;  // where the current response's body began
        for (int resumptions = 0;; ++resumptions) {
            try {
                ReadUntilEnd(*request, &stream, length, count);
                return;
            } catch (const THttpError& error) {
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
            const TProxyRoute route = RouteFor(url);
            session = OpenAsyncSession(kUserAgent, route.Server, route.Bypass);
            request.emplace(session, url, method, kConnectionClose + route.Headers + RangeHeaders(count, *validator),
                            *abort_, idleLimitMs_);
            const unsigned long status = Send(*request, url);
            const std::optional<std::wstring> range = request->Header(HTTP_QUERY_CONTENT_RANGE);
            if (status == 206 && range && ContinuesAt(*range, count, *length)) {
                countAtStart = count;
                continue;
            }
            // A 200 is the whole body again (the file changed, or the server
            // ignores ranges): it replaces what was written, as a new transfer.
            if (status != 200 || !stream.Restart())
                throw THttpError(THttpError::TKind::Status,
                                 L"HTTP status " + std::to_wstring(status) + L" to a range request: " + url, status);
            count = countAtStart = 0;
            length = request->ContentLength();
            validator = ValidatorOf(*request);
            EndTransfer();
            BeginTransfer(length);
        }
    });
}

}  // namespace Net
