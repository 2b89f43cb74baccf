#include "job/SystemProxy.h"

#include "win/Unique.h"

#include <wininet.h>

#include <utility>

std::optional<SystemProxy> TryReadSystemProxy() {
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
        if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length)) return std::nullopt;
    }
    const Win::UniqueHGlobal serverText(options[1].Value.pszValue);
    SystemProxy proxy;
    proxy.Enabled = (options[0].Value.dwValue & PROXY_TYPE_PROXY) != 0;
    if (options[1].Value.pszValue) {
        HostAndPort server = SplitProxyServerText(options[1].Value.pszValue);
        proxy.Host = std::move(server.Host);
        proxy.Port = std::move(server.Port);
    }
    return proxy;
}

HostAndPort SplitProxyServerText(const std::wstring& server) {
    const size_t scheme = server.find(L"://");
    const size_t colon = server.rfind(L':');
    if (colon != std::wstring::npos && (scheme == std::wstring::npos || scheme < colon))
        return {server.substr(0, colon), server.substr(colon + 1)};
    return {server, std::wstring()};
}
