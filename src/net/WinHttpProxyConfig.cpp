#include "net/WinHttpProxyConfig.h"

#include "win/GlobalString.h"

#include <winhttp.h>

namespace Net {

void AddWinHttpProxyConfig(SystemProxyConfig& config) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&ie)) return;
    const std::wstring script = Win::TakeGlobalString(ie.lpszAutoConfigUrl);
    const std::wstring bypass = Win::TakeGlobalString(ie.lpszProxyBypass);
    Win::TakeGlobalString(ie.lpszProxy);
    if (config.ScriptUrl.empty()) config.ScriptUrl = script;
    if (config.Bypass.empty()) config.Bypass = bypass;
    if (ie.fAutoDetect) config.AutoDetect = true;
}

}  // namespace Net
