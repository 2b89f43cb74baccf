// What the current user's Internet settings say about proxies beyond the
// manual server: its bypass list, a proxy script and automatic detection.
#pragma once

#include <string>

namespace Net {

// A plain value.
struct SystemProxyConfig {
    std::wstring Bypass;     // the manual proxy's bypass list (ProxyOverride), as configured
    std::wstring ScriptUrl;  // the proxy script's address ("Use setup script"); empty when none
    bool AutoDetect = false; // "Automatically detect settings" (WPAD) is on
};

// Reads the default connection's settings. Never raises: what cannot be read
// is left empty (false).
SystemProxyConfig ReadSystemProxyConfig();

}  // namespace Net
