// The routes a proxy script (or automatic detection) gives, asked per scheme, host and port.
#pragma once

#include "net/ProxyRoute.h"
#include "net/ScriptProxyLookup.h"

#include <map>
#include <string>

namespace Net {

// Owns the script's source and the answers so far. Asks the platform for the
// proxy of a URL the first time it meets that URL's scheme, host and port, and
// keeps the answer for them for the rest of its life. Routes through the script's proxy carry no header:
// Proxy-Authorization belongs to the manual proxy's settings.
class TScriptProxyResolver : public TProxyResolver {
public:
    // How long one look-up (the script, then detection) may take.
    static constexpr unsigned long kLookupDeadlineMs = 3000;

    explicit TScriptProxyResolver(TScriptSource source, unsigned long deadlineMs = kLookupDeadlineMs);

    TProxyRoute RouteFor(const std::wstring& url, const TAbortSignal& abort) override;

    // Returns how many look-ups have been made so far.
    unsigned LookupCount() const noexcept { return lookupCount_; }
    // Returns the milliseconds the look-ups have taken so far, all of them.
    unsigned long LookupMs() const noexcept { return lookupMs_; }

private:
    const TScriptSource source_;
    const unsigned long deadlineMs_;
    std::map<std::wstring, std::wstring> proxyByOrigin_;  // lower-case "scheme://host:port" -> proxy, empty for direct
    bool timedOut_ = false;  // a look-up ran out of time: the service is not asked again
    unsigned lookupCount_ = 0;
    unsigned long lookupMs_ = 0;
};

}  // namespace Net
