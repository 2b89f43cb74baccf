#include "net/ScriptProxyLookup.h"

#include "net/HttpError.h"
#include "net/ProxyScriptEvaluation.h"
#include "net/WinHttpHandle.h"
#include "win/Exception.h"

#include <memory>

namespace Net {

namespace {

const wchar_t kAgent[] = L"Mozilla/5.0 (compatible; WinHTTP)";

// What the look-up thread and its caller share. The caller may leave at the
// deadline while the thread still runs: whichever lets go last frees it.
struct TLookup {
    TLookup(std::wstring url, TScriptSource source)
        : Url(std::move(url)), Source(std::move(source)), Done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        Win::ThrowLastErrorIf(!Done, "CreateEventW");
    }

    const std::wstring Url;
    const TScriptSource Source;
    std::wstring Proxy;     // written by the thread before it sets Done
    Win::UniqueHandle Done;
};

// Returns whether WinHTTP gave an answer for `url` at all (DIRECT included).
bool TryAsk(HINTERNET session, const std::wstring& url, WINHTTP_AUTOPROXY_OPTIONS options, std::wstring& proxy) {
    // Per the WinHttpGetProxyForUrl documentation the script server may ask
    // for the user's own logon, as a browser would give it.
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (!WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) return false;
    const Win::UniqueHGlobal list(info.lpszProxy);
    const Win::UniqueHGlobal bypass(info.lpszProxyBypass);
    proxy = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy ? std::wstring(info.lpszProxy)
                                                                                 : std::wstring();
    return true;
}

void LookUp(TLookup& lookup) {
    const UniqueHWinHttp session(
        WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return;
    // The script first, then detection: asking for both in one call fails
    // with ERROR_INVALID_PARAMETER under Wine, so they are two calls.
    if (!lookup.Source.ScriptUrl.empty()) {
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = lookup.Source.ScriptUrl.c_str();
        if (TryAsk(session.get(), lookup.Url, options, lookup.Proxy)) {
            // The service's answer names a proxy: the script's own answer names
            // every way of its list (Wine's service keeps only the first).
            if (!lookup.Proxy.empty()) {
                if (auto whole = TryEvaluateProxyScript(session.get(), lookup.Source.ScriptUrl, lookup.Url))
                    lookup.Proxy = std::move(*whole);
            }
            return;
        }
    }
    if (lookup.Source.AutoDetect) {
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        TryAsk(session.get(), lookup.Url, options, lookup.Proxy);
    }
}

DWORD WINAPI LookUpThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<TLookup>> lookup(static_cast<std::shared_ptr<TLookup>*>(parameter));
    try {
        LookUp(**lookup);
    } catch (...) {
        (*lookup)->Proxy.clear();
    }
    SetEvent((*lookup)->Done.get());
    return 0;
}

}  // namespace

TScriptAnswer FindScriptProxy(const std::wstring& url, const TScriptSource& source, unsigned long deadlineMs,
                              const TAbortSignal& abort) {
    if (abort.Aborted()) throw THttpError(THttpError::TKind::Aborted, L"The request was aborted");
    const auto lookup = std::make_shared<TLookup>(url, source);
    // A script server that accepts and never answers holds
    // WinHttpGetProxyForUrl for many minutes, whatever WinHttpSetTimeouts
    // says; only a thread of its own lets the caller go at the deadline.
    auto parameter = std::make_unique<std::shared_ptr<TLookup>>(lookup);
    const Win::UniqueHandle thread(CreateThread(nullptr, 0, LookUpThread, parameter.get(), 0, nullptr));
    if (!thread) return TScriptAnswer();
    static_cast<void>(parameter.release());  // the thread owns it now
    // The abort event comes first: when both are set, the abort wins.
    const HANDLE events[] = {abort.Event(), lookup->Done.get()};
    const DWORD waited = WaitForMultipleObjects(2, events, FALSE, deadlineMs);
    if (waited == WAIT_OBJECT_0) throw THttpError(THttpError::TKind::Aborted, L"The request was aborted");
    if (waited == WAIT_OBJECT_0 + 1) return TScriptAnswer{lookup->Proxy, false};
    TScriptAnswer answer;
    answer.TimedOut = waited == WAIT_TIMEOUT;
    return answer;
}

}  // namespace Net
