// The routes a proxy script (or automatic detection) gives, asked per scheme, host and port.
#pragma once

#include "net/ProxyRoute.h"
#include "net/ScriptProxyLookup.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Net {

// Owns the script's source and the answers so far. Asks the platform for the
// proxies of a URL's scheme, host and port the first time it meets them and
// keeps the answer, a list (ProxyList.h), for the rest of its life: a URL goes
// the way of its list's first entry that has not failed. Routes through the
// script's proxy carry no header: Proxy-Authorization belongs to the manual
// proxy's settings.
class ScriptProxyResolver : public ProxyResolver {
public:
    // How long one look-up (the script, then detection) may take.
    static constexpr unsigned long kLookupDeadlineMs = 3000;

    // How the answer for a URL is found: FindScriptProxy by default.
    using Lookup = std::function<ScriptAnswer(const std::wstring& url, const ScriptSource& source,
                                                unsigned long deadlineMs, const AbortSignal& abort)>;

    explicit ScriptProxyResolver(ScriptSource source, unsigned long deadlineMs = kLookupDeadlineMs,
                                  Lookup lookup = FindScriptProxy);

    ProxyRoute RouteFor(const std::wstring& url, const AbortSignal& abort) override;
    // Drops the failed proxy from every host's list for the rest of the run;
    // returns whether `url`'s host has an entry left (DIRECT only if its list names it).
    bool TryNextRoute(const std::wstring& url, const ProxyRoute& failed) override;

    // Returns how many look-ups have been made so far.
    unsigned LookupCount() const noexcept { return lookupCount_; }
    // Returns the milliseconds the look-ups have taken so far, all of them.
    unsigned long LookupMs() const noexcept { return lookupMs_; }

private:
    const ScriptSource source_;
    const unsigned long deadlineMs_;
    const Lookup lookup_;
    // lower-case "scheme://host:port" -> the ways its answer names, "" for
    // DIRECT; an empty list: direct (no answer)
    std::map<std::wstring, std::vector<std::wstring>> proxiesByOrigin_;
    std::set<std::wstring> unreachable_;  // proxies that could not be reached, for every origin
    bool timedOut_ = false;  // a look-up ran out of time: the service is not asked again
    unsigned lookupCount_ = 0;
    unsigned long lookupMs_ = 0;
};

}  // namespace Net
