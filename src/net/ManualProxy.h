// The proxy the user typed in: one server for every host but those its bypass
// list names.
#pragma once

#include "net/ProxyRoute.h"

#include <string>

namespace Net {

struct ProxySettings;

// Tells whether `host` (with its `port`) matches an entry of a bypass list in
// the form of the Internet settings' ProxyOverride value: entries separated
// by ";" (or white space), each a host name or address in which "*" stands
// for any text ("*.corp.example", "10.*"), optionally with a scheme prefix or
// a ":port"; "<local>" matches every host name without a dot. Case-insensitive.
bool BypassListMatches(const std::wstring& list, const std::wstring& host, unsigned short port);

// Owns copies of the settings. Routes a URL whose host the bypass list names
// directly, and every other one through the proxy with the settings'
// Proxy-Authorization header. Deciding the bypass here rather than only in the
// platform's service keeps that header, meant for the proxy, from reaching a
// server that is asked directly.
class ManualProxyResolver : public ProxyResolver {
public:
    explicit ManualProxyResolver(const ProxySettings& proxy);

    ProxyRoute RouteFor(const std::wstring& url, const AbortSignal& abort) override;

private:
    std::wstring bypass_;
    ProxyRoute viaProxy_;
};

}  // namespace Net
