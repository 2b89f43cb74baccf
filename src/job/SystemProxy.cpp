#include "job/SystemProxy.h"

#include "win/Unique.h"

#include <wininet.h>

bool GetSystemProxy(bool& useProxy, std::wstring& host, std::wstring& port) {
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
    useProxy = (options[0].Value.dwValue & PROXY_TYPE_PROXY) != 0;
    if (options[1].Value.pszValue) SplitProxyServerText(options[1].Value.pszValue, host, port);
    return true;
}

void SplitProxyServerText(const std::wstring& server, std::wstring& host, std::wstring& port) {
    const size_t scheme = server.find(L"://");
    const size_t colon = server.rfind(L':');
    if (colon != std::wstring::npos && (scheme == std::wstring::npos || scheme < colon)) {
        host = server.substr(0, colon);
        port = server.substr(colon + 1);
    } else {
        host = server;
    }
}
