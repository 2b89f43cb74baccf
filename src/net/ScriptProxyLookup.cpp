#include "net/ScriptProxyLookup.h"

#include "net/HttpError.h"
#include "net/ProxyScriptEvaluation.h"
#include "net/ScriptProxyQuery.h"
#include "net/Url.h"
#include "net/WinHttpHandle.h"
#include "win/Exception.h"

#include <memory>

namespace Net {

namespace {

const wchar_t kAgent[] = L"Mozilla/5.0 (compatible; WinHTTP)";

// Returns `url` as browsers hand it to a proxy script. An https URL's path
// and query travel inside the tunnel, out of the proxy's sight, so the script
// gets its scheme, host and port only; an http URL loses its query and
// fragment (a signed link's token is none of the script author's business);
// neither carries a user name or password.
std::wstring ScriptInputUrl(const std::wstring& url) {
    const UrlParts parts = SplitUrl(url);
    std::wstring input = parts.Secure ? L"https://" : L"http://";
    const bool bareIpv6 = parts.Host.find(L':') != std::wstring::npos && parts.Host.front() != L'[';
    input += bareIpv6 ? L"[" + parts.Host + L"]" : parts.Host;
    if (parts.Port != (parts.Secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT))
        input += L":" + std::to_wstring(parts.Port);
    if (parts.Secure) return input + L"/";
    return input + parts.PathAndQuery.substr(0, parts.PathAndQuery.find_first_of(L"?#"));
}

// What the look-up thread and its caller share. The caller may leave at the
// deadline while the thread still runs: whichever lets go last frees it.
struct Lookup {
    Lookup(const std::wstring& url, ScriptSource source)
        : Url(ScriptInputUrl(url)), Source(std::move(source)), Done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        Win::ThrowLastErrorIf(!Done, "CreateEventW");
    }

    const std::wstring Url;  // as the script sees it
    const ScriptSource Source;
    std::wstring Proxy;     // written by the thread before it sets Done
    Win::UniqueHandle Done;
};

// Returns whether WinHTTP gave an answer for `url` at all (DIRECT included);
// on false, GetLastError() tells why.
bool TryAsk(HINTERNET session, const std::wstring& url, WINHTTP_AUTOPROXY_OPTIONS options, std::wstring& proxy) {
    WINHTTP_PROXY_INFO info = {};
    if (!QueryScriptProxy(session, url.c_str(), &options, &info)) return false;
    const Win::UniqueHGlobal list(info.lpszProxy);
    const Win::UniqueHGlobal bypass(info.lpszProxyBypass);
    proxy = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy ? std::wstring(info.lpszProxy)
                                                                                 : std::wstring();
    return true;
}

void LookUp(Lookup& lookup) {
    const UniqueHWinHttp session(
        WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return;
    // The script first, then detection: asking for both in one call fails
    // with ERROR_INVALID_PARAMETER under Wine, so they are two calls.
    if (!lookup.Source.ScriptUrl.empty()) {
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = lookup.Source.ScriptUrl.c_str();
        bool answered = TryAsk(session.get(), lookup.Url, options, lookup.Proxy);
        // The user's Windows logon goes only to the script server the user's
        // settings name, and only once it has asked for one: the
        // WinHttpGetProxyForUrl documentation's order, first without
        // fAutoLogonIfChallenged, again with it after ERROR_WINHTTP_LOGIN_FAILURE.
        if (!answered && GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
            options.fAutoLogonIfChallenged = TRUE;
            answered = TryAsk(session.get(), lookup.Url, options, lookup.Proxy);
        }
        if (answered) {
            // The service's answer names one proxy: the script's own answer
            // names every way of its list (Wine's service keeps only the first).
            if (!lookup.Proxy.empty() && lookup.Proxy.find(L';') == std::wstring::npos) {
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
        // Never a logon here: whoever answers DHCP or DNS on this network
        // names the script server, and would receive the user's NTLM response.
        TryAsk(session.get(), lookup.Url, options, lookup.Proxy);
    }
}

DWORD WINAPI LookUpThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Lookup>> lookup(static_cast<std::shared_ptr<Lookup>*>(parameter));
    try {
        LookUp(**lookup);
    } catch (...) {
        (*lookup)->Proxy.clear();
    }
    SetEvent((*lookup)->Done.get());
    return 0;
}

}  // namespace

ScriptAnswer FindScriptProxy(const std::wstring& url, const ScriptSource& source, unsigned long deadlineMs,
                              const AbortSignal& abort) {
    if (abort.Aborted()) throw HttpError(HttpError::ErrorKind::Aborted, L"The request was aborted");
    const auto lookup = std::make_shared<Lookup>(url, source);
    // A script server that accepts and never answers holds
    // WinHttpGetProxyForUrl for many minutes, whatever WinHttpSetTimeouts
    // says; only a thread of its own lets the caller go at the deadline.
    auto parameter = std::make_unique<std::shared_ptr<Lookup>>(lookup);
    const Win::UniqueHandle thread(CreateThread(nullptr, 0, LookUpThread, parameter.get(), 0, nullptr));
    if (!thread) return ScriptAnswer();
    static_cast<void>(parameter.release());  // the thread owns it now
    // The abort event comes first: when both are set, the abort wins.
    const HANDLE events[] = {abort.Event(), lookup->Done.get()};
    const DWORD waited = WaitForMultipleObjects(2, events, FALSE, deadlineMs);
    if (waited == WAIT_OBJECT_0) throw HttpError(HttpError::ErrorKind::Aborted, L"The request was aborted");
    if (waited == WAIT_OBJECT_0 + 1) return ScriptAnswer{lookup->Proxy, false};
    ScriptAnswer answer;
    answer.TimedOut = waited == WAIT_TIMEOUT;
    return answer;
}

}  // namespace Net
