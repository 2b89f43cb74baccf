#include "net/SystemProxyConfig.h"

#include "net/ConnectionSettings.h"
#include "net/WinHttpProxyConfig.h"

#include "win/GlobalString.h"

#include <wininet.h>

namespace Net {

namespace {

// Asks WinINet's per-connection options of the default (LAN) connection.
void ReadPerConnectionOptions(SystemProxyConfig& config) {
    INTERNET_PER_CONN_OPTIONW options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[2].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof list;
    list.pszConnection = nullptr;
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD length = sizeof list;
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length)) return;
    config.Bypass = Win::TakeGlobalString(options[1].Value.pszValue);
    const std::wstring script = Win::TakeGlobalString(options[2].Value.pszValue);
    if ((options[0].Value.dwValue & PROXY_TYPE_AUTO_PROXY_URL) || !script.empty()) config.ScriptUrl = script;
    if (options[0].Value.dwValue & PROXY_TYPE_AUTO_DETECT) config.AutoDetect = true;
}

// Returns a text value of the current user's Internet Settings key, empty when missing.
std::wstring InternetSettingsText(const wchar_t* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                      KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::wstring();
    const Win::UniqueHKey key(opened);
    wchar_t text[2048] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return text;
}

}  // namespace

SystemProxyConfig ReadSystemProxyConfig() {
    SystemProxyConfig config;
    ReadPerConnectionOptions(config);
    // The values the Internet options write beside the Connections key; Wine's
    // WinINet leaves both out of its per-connection options. Windows removes
    // AutoConfigURL when the user switches the script off.
    if (config.ScriptUrl.empty()) config.ScriptUrl = InternetSettingsText(L"AutoConfigURL");
    if (config.Bypass.empty()) config.Bypass = InternetSettingsText(L"ProxyOverride");
    // The settings may live in the Connections key's DefaultConnectionSettings
    // value, which Wine's WinINet does not read but WinHTTP's reader does.
    // Windows answers both from it. WinHTTP is asked only when some
    // connection's settings name a script or detection, or the default one's
    // are missing (WinHTTP then takes detection as on) or of another form:
    // loading winhttp.dll costs every other run memory and start-up time.
    const ConnectionSettingsSummary connections = ReadConnectionSettings();
    if (config.Bypass.empty() && connections.Default) config.Bypass = connections.Default->Bypass;
    if (connections.NameScriptOrDetection || !connections.Default) AddWinHttpProxyConfig(config);
    return config;
}

}  // namespace Net
