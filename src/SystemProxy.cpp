#include "SystemProxy.h"

#include "Updatershared.h"
#include "win/Unique.h"

#include <wininet.h>

#include <climits>

bool GetSystemProxy(bool& UseProxy, std::wstring& Host, std::wstring& Port) {
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS_UI;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    // The structure's own size: 20 bytes in a 32-bit process, more in a 64-bit one.
    list.dwSize = sizeof list;
    list.pszConnection = nullptr;  // the default (LAN) connection
    list.dwOptionCount = 2;
    list.pOptions = options;
    DWORD length = sizeof list;
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length)) {
        // Systems without the UI flags option (older ones, Wine) answer the plain one.
        options[0].dwOption = INTERNET_PER_CONN_FLAGS;
        options[0].Value.dwValue = 0;
        options[1].Value.pszValue = nullptr;
        length = sizeof list;
        if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length)) return false;
    }
    const Win::UniqueHGlobal serverText(options[1].Value.pszValue);
    UseProxy = (options[0].Value.dwValue & PROXY_TYPE_PROXY) != 0;
    if (options[1].Value.pszValue) SplitProxyServerText(options[1].Value.pszValue, Host, Port);
    return true;
}

void SplitProxyServerText(const std::wstring& server, std::wstring& Host, std::wstring& Port) {
    const size_t scheme = server.find(L"://");
    const size_t colon = server.rfind(L':');
    if (colon != std::wstring::npos && (scheme == std::wstring::npos || scheme < colon)) {
        Host = server.substr(0, colon);
        Port = server.substr(colon + 1);
    } else {
        Host = server;
    }
}

bool TryParseInt(const std::wstring& text, int& value) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == L'-';
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) at = 1;
    if (at == text.size()) return false;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') return false;
        magnitude = magnitude * 10 + (text[at] - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (!negative && magnitude > INT_MAX) return false;
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

bool ProxyInfoFromSettings(const TUpdaterSettings& settings, TProxyInfo& info) {
    info.is_use_proxy = settings.GetValue(L"is_use_proxy") == L"1";
    if (!info.is_use_proxy) return true;
    info.ProxyAddress = settings.GetValue(L"ProxyAddress");
    if (!TryParseInt(settings.GetValue(L"ProxyPort"), info.ProxyPort)) return false;
    info.is_authorization_required = settings.GetValue(L"is_authorization_required") == L"1";
    if (info.is_authorization_required) {
        info.ProxyUsername = settings.GetValue(L"ProxyUsername");
        info.ProxyPassword = settings.GetValue(L"ProxyPassword");
    }
    return true;
}
