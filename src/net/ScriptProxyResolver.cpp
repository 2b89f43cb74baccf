#include "net/ScriptProxyResolver.h"

#include "net/ProxyList.h"
#include "net/Url.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace Net {

namespace {

// Returns the lower-case "scheme://host:port" of `url`. The script sees an
// https URL's scheme, host and port only, so its answer holds for all of them
// together; http is kept the same way.
std::wstring OriginOf(const std::wstring& url) {
    const UrlParts parts = SplitUrl(url);
    std::wstring origin = (parts.Secure ? L"https://" : L"http://") + parts.Host + L":" + std::to_wstring(parts.Port);
    for (wchar_t& c : origin) c = static_cast<wchar_t>(std::towlower(c));
    return origin;
}

}  // namespace

ScriptProxyResolver::ScriptProxyResolver(ScriptSource source, unsigned long deadlineMs, Lookup lookup)
    : source_(std::move(source)), deadlineMs_(deadlineMs), lookup_(std::move(lookup)) {}

ProxyRoute ScriptProxyResolver::RouteFor(const std::wstring& url, const AbortSignal& abort) {
    const std::wstring origin = OriginOf(url);
    auto known = proxiesByOrigin_.find(origin);
    if (known == proxiesByOrigin_.end()) {
        // A service that let one look-up run out of time (a script server that
        // accepts and never answers) would cost every later host the deadline too.
        ScriptAnswer answer;
        if (!timedOut_) {
            const ULONGLONG start = GetTickCount64();
            answer = lookup_(url, source_, deadlineMs_, abort);
            lookupMs_ += static_cast<unsigned long>(GetTickCount64() - start);
            ++lookupCount_;
            timedOut_ = answer.TimedOut;
        }
        known = proxiesByOrigin_.emplace(origin, ProxyListEntries(answer.Proxy)).first;
    }
    ProxyRoute route;
    const std::vector<std::wstring>& entries = known->second;
    const auto usable = std::find_if(entries.begin(), entries.end(),
                                     [this](const std::wstring& entry) { return unreachable_.count(entry) == 0; });
    // Once every entry has failed, the first is tried again rather than a
    // direct connection that the list does not name.
    if (usable != entries.end()) route.Server = *usable;
    else if (!entries.empty()) route.Server = entries.front();
    return route;
}

bool ScriptProxyResolver::TryNextRoute(const std::wstring& url, const ProxyRoute& failed) {
    if (failed.Server.empty()) return false;
    // A proxy that cannot be reached is down for every host: the next entry
    // that works is kept for the rest of the run (redirects, resumptions).
    unreachable_.insert(failed.Server);
    const auto known = proxiesByOrigin_.find(OriginOf(url));
    if (known == proxiesByOrigin_.end()) return false;
    return std::any_of(known->second.begin(), known->second.end(),
                       [this](const std::wstring& entry) { return unreachable_.count(entry) == 0; });
}

}  // namespace Net
