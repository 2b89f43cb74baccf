// The way one request reaches its server: directly or through a proxy, and
// who decides that for each URL.
#pragma once

#include "net/AbortSignal.h"

#include <string>

namespace Net {

// A plain value. Server empty means a direct connection.
struct ProxyRoute {
    std::wstring Server;   // the proxy as "host:port"
    std::wstring Bypass;   // hosts the platform's service must not send to Server (its bypass-list syntax)
    std::wstring Headers;  // header lines, each ending in CRLF, that every request through Server carries
};

// Chooses the route of each request of an HTTP client: its first URL, every
// redirect hop and every resumption. Called on the thread that runs the
// client's requests; an implementation need not be thread-safe.
class ProxyResolver {
public:
    ProxyResolver() = default;
    ProxyResolver(const ProxyResolver&) = delete;
    ProxyResolver& operator=(const ProxyResolver&) = delete;
    virtual ~ProxyResolver() = default;
    // Returns the route of a request to `url` (an absolute http or https URL).
    // Raises HttpError (Aborted) when `abort` is set while it decides.
    virtual ProxyRoute RouteFor(const std::wstring& url, const AbortSignal& abort) = 0;
    // Takes note that the proxy of `failed`, the route of a request to `url`,
    // could not be reached; returns whether RouteFor now gives that URL another
    // route (the default: no other).
    virtual bool TryNextRoute(const std::wstring& url, const ProxyRoute& failed) {
        static_cast<void>(url);
        static_cast<void>(failed);
        return false;
    }
};

}  // namespace Net
