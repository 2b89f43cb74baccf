#include "net/ScriptProxyResolver.h"

#include "net/Url.h"

#include <windows.h>

#include <cwctype>

namespace Net {

TScriptProxyResolver::TScriptProxyResolver(TScriptSource source, unsigned long deadlineMs)
    : source_(std::move(source)), deadlineMs_(deadlineMs) {}

TProxyRoute TScriptProxyResolver::RouteFor(const std::wstring& url, const TAbortSignal& abort) {
    // The script sees an https URL's scheme, host and port only, so its
    // answer holds for all of them together; http is kept the same way.
    const TUrlParts parts = SplitUrl(url);
    std::wstring origin = (parts.Secure ? L"https://" : L"http://") + parts.Host + L":" + std::to_wstring(parts.Port);
    for (wchar_t& c : origin) c = static_cast<wchar_t>(std::towlower(c));
    auto known = proxyByOrigin_.find(origin);
    if (known == proxyByOrigin_.end()) {
        // A service that let one look-up run out of time (a script server that
        // accepts and never answers) would cost every later host the deadline too.
        TScriptAnswer answer;
        if (!timedOut_) {
            const ULONGLONG start = GetTickCount64();
            answer = FindScriptProxy(url, source_, deadlineMs_, abort);
            lookupMs_ += static_cast<unsigned long>(GetTickCount64() - start);
            ++lookupCount_;
            timedOut_ = answer.TimedOut;
        }
        known = proxyByOrigin_.emplace(origin, answer.Proxy).first;
    }
    TProxyRoute route;
    route.Server = known->second;
    return route;
}

}  // namespace Net
