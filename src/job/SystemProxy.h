// The manual proxy of the current user's Internet settings.
#pragma once

#include <string>

// Asks the default connection's per-connection options for the proxy flags and
// the manual server text. Returns false (outputs untouched) when the query
// fails; otherwise sets `useProxy`, and `host`/`port` as SplitProxyServerText does
// when a server text is configured.
bool GetSystemProxy(bool& useProxy, std::wstring& host, std::wstring& port);

// Splits a proxy server text at its last ":" unless that colon belongs to the
// first "://": `host` gets the text before it, `port` the text after it. Without
// such a colon `host` gets the whole text and `port` is left untouched.
void SplitProxyServerText(const std::wstring& server, std::wstring& host, std::wstring& port);
