#include "net/Request.h"

#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/RangeRequest.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace Net {

// What a pending WinINet call may still touch after the request that started it
// is gone: the completion event, the result, the read buffer and the headers.
// One reference belongs to the Request, one to the request handle; the status
// callback drops the handle's at INTERNET_STATUS_HANDLE_CLOSING, the last
// notification WinINet sends for a handle. A completion that arrives after an
// abort therefore still finds its context alive.
struct RequestContext {
    // One read returns at most the buffer's size of what has arrived. The
    // buffer starts small, which is all a slow or stalled transfer needs, and
    // takes its largest size once a read has filled it.
    static constexpr size_t kFirstBufferSize = 64 << 10;
    static constexpr size_t kLargestBufferSize = 1 << 20;

    explicit RequestContext(std::wstring headers)
        : Completion(CreateEventW(nullptr, FALSE, FALSE, nullptr)), Headers(std::move(headers)) {
        Win::ThrowLastErrorIf(!Completion, "CreateEventW");
    }

    void AddReference() noexcept { ++References; }
    void Release() noexcept {
        if (--References == 0) delete this;
    }

    std::atomic<long> References{1};
    Win::UniqueHandle Completion;  // auto-reset: one signal per pending call
    DWORD_PTR Result = 0;          // INTERNET_ASYNC_RESULT of the last pending call
    DWORD Error = 0;
    std::wstring Headers;
    INTERNET_BUFFERSA Buffers = {};
    // Resized only between reads, while no call is pending.
    std::vector<char> Data = std::vector<char>(kFirstBufferSize);
};

namespace {

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    auto* request = reinterpret_cast<RequestContext*>(context);
    if (!request) return;  // the session and connect handles carry no context
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        request->Result = result->dwResult;
        request->Error = result->dwError;
        SetEvent(request->Completion.get());
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        request->Release();
    }
}

// Request, connection and session, closed in that order: closing a parent
// first would close the children with it and free their handle values for
// reuse, so that closing them afterwards could hit another request's handle.
struct Closing {
    UniqueHInternet Request;
    UniqueHInternet Connect;
    UniqueHInternet Session;
};

// Counts the closer threads still running; signalled when there are none.
struct CloserCount {
    std::atomic<long> Running{0};
    Win::UniqueHandle Idle{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
};

CloserCount& Closers() {
    static CloserCount closers;
    return closers;
}

DWORD WINAPI CloseThread(void* parameter) {
    {
        std::unique_ptr<Closing> closing(static_cast<Closing*>(parameter));
        closing->Request.reset();
        closing->Connect.reset();
        closing->Session.reset();
    }
    if (--Closers().Running == 0) SetEvent(Closers().Idle.get());
    return 0;
}

// Never cached, never served from a cache, redirects left to the caller.
constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_UI;

}  // namespace

UniqueHInternet OpenAsyncSession(const std::wstring& agent, const std::wstring& proxy, const std::wstring& bypass) {
    // "<-loopback>" removes the implicit bypass of local addresses: every
    // request that the bypass list does not name goes through the proxy.
    const std::wstring bypassList = bypass.empty() ? L"<-loopback>" : bypass + L";<-loopback>";
    UniqueHInternet session(InternetOpenW(agent.c_str(), proxy.empty() ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PROXY,
                                          proxy.empty() ? nullptr : proxy.c_str(),
                                          proxy.empty() ? nullptr : bypassList.c_str(), INTERNET_FLAG_ASYNC));
    if (!session) throw HttpError::Call("InternetOpenW", GetLastError());
    if (InternetSetStatusCallbackW(session.get(), StatusCallback) == INTERNET_INVALID_STATUS_CALLBACK)
        throw HttpError::Call("InternetSetStatusCallbackW", GetLastError());
    return session;
}

void CloseInBackground(UniqueHInternet request, UniqueHInternet connect, UniqueHInternet session) {
    auto closing = std::make_unique<Closing>(Closing{std::move(request), std::move(connect), std::move(session)});
    CloserCount& closers = Closers();
    if (closers.Running++ == 0) ResetEvent(closers.Idle.get());
    const Win::UniqueHandle thread(CreateThread(nullptr, 64 * 1024, CloseThread, closing.get(),
                                                STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (thread) {
        static_cast<void>(closing.release());  // the thread owns it now
    } else if (--closers.Running == 0) {
        SetEvent(closers.Idle.get());  // closing is destroyed here, on this thread
    }
}

bool WaitForBackgroundCloses(unsigned long timeoutMs) {
    return WaitForSingleObject(Closers().Idle.get(), timeoutMs) == WAIT_OBJECT_0;
}

Request::Request(UniqueHInternet& session, const std::wstring& url, const std::wstring& headers,
                 const AbortSignal& abort, unsigned long idleLimitMs)
    : abort_(abort), idleLimitMs_(idleLimitMs), session_(session), context_(new RequestContext(headers)) {
    try {
        const UrlParts parts = SplitUrl(url);
        ThrowIfAborted();
        connect_.reset(InternetConnectW(session.get(), parts.Host.c_str(), parts.Port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0));
        if (!connect_) throw HttpError::Call("InternetConnectW", GetLastError());
        const wchar_t* accept[] = {L"*/*", nullptr};
        context_->AddReference();  // the request handle's, dropped at HANDLE_CLOSING
        request_.reset(HttpOpenRequestW(connect_.get(), L"GET", parts.PathAndQuery.c_str(), nullptr, nullptr,
                                        accept, kRequestFlags | (parts.Secure ? INTERNET_FLAG_SECURE : 0),
                                        reinterpret_cast<DWORD_PTR>(context_)));
        if (!request_) {
            const DWORD error = GetLastError();
            context_->Release();
            throw HttpError::Call("HttpOpenRequestW", error);
        }
    } catch (...) {
        connect_.reset();
        context_->Release();
        throw;
    }
}

Request::~Request() {
    if (bodyEnded_) {
        request_.reset();
        connect_.reset();
    } else {
        CloseInBackground(std::move(request_), std::move(connect_), std::move(session_));
    }
    context_->Release();
}

void Request::ThrowIfAborted() const {
    if (abort_.Aborted()) throw HttpError(HttpError::ErrorKind::Aborted, L"The request was aborted");
}

void Request::WaitForCompletion() {
    // A pending call is connect and send up to the response headers, or a read,
    // which pends only while no byte of the body is waiting (IRF_NO_WAIT): the
    // idle limit is the time without a byte. The abort event comes first: when
    // both are set, the abort wins.
    const HANDLE events[] = {abort_.Event(), context_->Completion.get()};
    const DWORD waited = WaitForMultipleObjects(2, events, FALSE, idleLimitMs_);
    if (waited == WAIT_OBJECT_0) ThrowIfAborted();
    if (waited == WAIT_TIMEOUT)
        throw HttpError(HttpError::ErrorKind::Connection,
                         L"No data for " + std::to_wstring(idleLimitMs_ / 1000) + L" seconds", ERROR_INTERNET_TIMEOUT);
    if (waited != WAIT_OBJECT_0 + 1) throw HttpError::Call("WaitForMultipleObjects", GetLastError());
}

void Request::SetProxyCredentials(const ProxyCredentials& credentials) {
    // On the request handle, where WinINet reads them when it answers a 407
    // (set on the session, Wine does not use them).
    const std::pair<DWORD, const std::wstring*> options[] = {{INTERNET_OPTION_PROXY_USERNAME, &credentials.Username},
                                                            {INTERNET_OPTION_PROXY_PASSWORD, &credentials.Password}};
    for (const auto& option : options) {
        if (!InternetSetOptionW(request_.get(), option.first, const_cast<wchar_t*>(option.second->c_str()),
                                static_cast<DWORD>(option.second->size())))
            throw HttpError::Call("InternetSetOptionW", GetLastError());
    }
}

void Request::Send() {
    ThrowIfAborted();
    const std::wstring& headers = context_->Headers;
    if (HttpSendRequestW(request_.get(), headers.empty() ? nullptr : headers.c_str(),
                         static_cast<DWORD>(headers.size()), nullptr, 0))
        return;
    if (GetLastError() != ERROR_IO_PENDING) throw HttpError::Call("HttpSendRequestW", GetLastError());
    WaitForCompletion();
    if (!context_->Result) throw HttpError::Call("HttpSendRequestW", context_->Error);
}

unsigned long Request::StatusCode() const {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        throw HttpError::Call("HttpQueryInfoW", GetLastError());
    return status;
}

std::optional<std::wstring> Request::Header(unsigned long query) const {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request_.get(), query, buffer.data(), &size, nullptr))
            return std::wstring(buffer.data(), size / sizeof(wchar_t));
        if (GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND) return std::nullopt;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) throw HttpError::Call("HttpQueryInfoW", GetLastError());
        buffer.resize(size / sizeof(wchar_t) + 1);
    }
}

std::optional<std::uint64_t> Request::ContentLength() const {
    // Per RFC 9112 6.3 a Transfer-Encoding overrides any Content-Length.
    if (Header(HTTP_QUERY_TRANSFER_ENCODING)) return std::nullopt;
    const std::optional<std::wstring> text = Header(HTTP_QUERY_CONTENT_LENGTH);
    if (!text) return std::nullopt;
    return ParseDecimal(*text);
}

unsigned long Request::Read() {
    INTERNET_BUFFERSA& buffers = context_->Buffers;
    for (;;) {
        ThrowIfAborted();
        std::vector<char>& data = context_->Data;
        buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpvBuffer = data.data();
        buffers.dwBufferLength = static_cast<DWORD>(data.size());
        const Canary canary = canaries_.Next();
        std::memcpy(data.data(), canary.data(), canary.size());
        // IRF_NO_WAIT returns what has arrived, up to the buffer's size, at
        // once; only with nothing buffered does the call pend. A call that
        // returns at once with 0 bytes is the end of the body.
        if (InternetReadFileExA(request_.get(), &buffers, IRF_ASYNC | IRF_NO_WAIT,
                                reinterpret_cast<DWORD_PTR>(context_))) {
            bodyEnded_ = buffers.dwBufferLength == 0;
            // A full buffer: the link is fast, the next read takes more (the
            // bytes read stay in the vector as it grows).
            if (buffers.dwBufferLength == data.size()) data.resize(RequestContext::kLargestBufferSize);
            return buffers.dwBufferLength;
        }
        if (GetLastError() != ERROR_IO_PENDING) throw HttpError::Call("InternetReadFileExA", GetLastError());
        WaitForCompletion();
        if (!context_->Result) throw HttpError::Call("InternetReadFileExA", context_->Error);
        // Wine's completion only says that data arrived: it copies nothing and
        // leaves dwBufferLength at the size asked for, so the data is fetched
        // by the next call. Windows may copy at the completion instead.
        if (const DWORD copied = CopiedAtCompletion(buffers.dwBufferLength, static_cast<DWORD>(data.size()),
                                                    data.data(), canary)) {
            if (copied == data.size()) data.resize(RequestContext::kLargestBufferSize);
            return copied;
        }
    }
}

const char* Request::Data() const { return context_->Data.data(); }

}  // namespace Net
