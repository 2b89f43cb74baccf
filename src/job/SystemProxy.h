// The manual proxy of the current user's Internet settings.
#pragma once

#include <optional>
#include <string>

// A proxy server text's host and port.
struct HostAndPort {
    std::wstring Host;
    std::wstring Port;  // empty when the text names none
};

// The manual proxy as the default connection's options give it.
struct SystemProxy {
    bool Enabled = false;  // the proxy flag is on
    std::wstring Host;     // empty when no server text is configured
    std::wstring Port;     // empty when no server text, or one without a port, is configured
};

// Asks the default connection's per-connection options for the proxy flags and
// the manual server text, split as SplitProxyServerText does; returns nothing
// when the query fails.
std::optional<SystemProxy> TryReadSystemProxy();

// Splits a proxy server text at its last ":" unless that colon belongs to the
// first "://": the host is the text before it, the port the text after it.
// Without such a colon the host is the whole text and the port empty.
HostAndPort SplitProxyServerText(const std::wstring& server);
