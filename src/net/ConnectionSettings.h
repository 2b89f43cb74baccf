// The proxy settings that the Internet options keep per connection in the
// registry (the binary values of the Connections key), read without WinHTTP,
// so that winhttp.dll is loaded only in runs whose settings name a proxy script
// or automatic detection.
#pragma once

#include <optional>
#include <string>

namespace Net {

// What one connection's settings value says. A plain value.
struct ConnectionSettings {
    unsigned long Flags = 0;  // PROXY_TYPE_* of wininet.h: 1 direct, 2 manual proxy, 4 script, 8 detection
    std::wstring Bypass;      // the manual proxy's bypass list; empty unless Flags name a manual proxy
};

// Parses a connection's settings value as the Internet options of Windows 7 to
// 11 write it: 0x46, a change counter, the flags, then the proxy server, its
// bypass list and the script's address, each a 32-bit length and that many
// single-byte characters. Returns nothing for a value of any other form or
// one that ends before the script's address.
std::optional<ConnectionSettings> ParseConnectionSettings(const std::string& value);

// What the current user's Connections values say, for ReadSystemProxyConfig.
struct ConnectionSettingsSummary {
    // The default (LAN) connection's settings; nothing when the value is
    // missing or of another form.
    std::optional<ConnectionSettings> Default;
    // Some connection's settings, the current user's or the machine's, name a
    // proxy script or automatic detection.
    bool NameScriptOrDetection = false;
};

// Reads the Connections key of the current user and of the machine. Never
// raises: a key or value that cannot be read counts as missing.
ConnectionSettingsSummary ReadConnectionSettings();

}  // namespace Net
