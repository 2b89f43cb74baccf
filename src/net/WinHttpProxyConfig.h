// The current user's proxy settings as WinHTTP reads them. Apart from
// SystemProxyConfig.cpp because winhttp.h and wininet.h cannot share a
// translation unit.
#pragma once

#include "net/SystemProxyConfig.h"

namespace Net {

// Fills what `config` still lacks (script address, bypass list) from
// WinHttpGetIEProxyConfigForCurrentUser and switches AutoDetect on when it
// says so. Leaves `config` as it is when the call fails.
void AddWinHttpProxyConfig(SystemProxyConfig& config);

}  // namespace Net
