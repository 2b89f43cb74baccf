#include "net/WinHttpProxyConfig.h"

#include "win/Unique.h"

#include <winhttp.h>

namespace Net {

namespace {

// Takes a string the platform allocated with GlobalAlloc, per the
// WINHTTP_CURRENT_USER_IE_PROXY_CONFIG documentation.
std::wstring TakeGlobalString(wchar_t* text) {
    const Win::UniqueHGlobal owner(text);
    return text ? std::wstring(text) : std::wstring();
}

}  // namespace

void AddWinHttpProxyConfig(TSystemProxyConfig& config) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&ie)) return;
    const std::wstring script = TakeGlobalString(ie.lpszAutoConfigUrl);
    const std::wstring bypass = TakeGlobalString(ie.lpszProxyBypass);
    TakeGlobalString(ie.lpszProxy);
    if (config.ScriptUrl.empty()) config.ScriptUrl = script;
    if (config.Bypass.empty()) config.Bypass = bypass;
    if (ie.fAutoDetect) config.AutoDetect = true;
}

}  // namespace Net
