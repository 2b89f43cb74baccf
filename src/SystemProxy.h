// The manual proxy of the current user's Internet settings.
#pragma once

#include <string>

class TUpdaterSettings;

// The proxy settings as the download thread takes them (numeric port).
struct TProxyInfo {
    bool is_use_proxy = false;
    std::wstring ProxyAddress;
    int ProxyPort = 0;
    bool is_authorization_required = false;
    std::wstring ProxyUsername;
    std::wstring ProxyPassword;
};

// Asks the default connection's per-connection options for the proxy flags and
// the manual server text. Returns false (outputs untouched) when the query
// fails; otherwise sets UseProxy, and Host/Port as SplitProxyServerText does
// when a server text is configured.
bool GetSystemProxy(bool& UseProxy, std::wstring& Host, std::wstring& Port);

// Splits a proxy server text at its last ":" unless that colon belongs to the
// first "://": Host gets the text before it, Port the text after it. Without
// such a colon Host gets the whole text and Port is left untouched.
void SplitProxyServerText(const std::wstring& server, std::wstring& Host, std::wstring& Port);

// Fills `info` from the job's settings. Returns false when the proxy is on and
// its port text is not a number: the fields after the address are then unset.
bool ProxyInfoFromSettings(const TUpdaterSettings& settings, TProxyInfo& info);

// Parses a decimal 32-bit integer (optional sign, nothing else); false when it is none.
bool TryParseInt(const std::wstring& text, int& value);
