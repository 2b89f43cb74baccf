// The user name and password a user gave for a proxy that asked who they are.
#pragma once

#include <windows.h>

#include <string>

namespace Net {

// A plain value held in memory only: never written anywhere, and wiped when it goes.
struct TProxyCredentials {
    TProxyCredentials() = default;
    TProxyCredentials(std::wstring username, std::wstring password)
        : Username(std::move(username)), Password(std::move(password)) {}
    TProxyCredentials(const TProxyCredentials&) = default;
    TProxyCredentials& operator=(const TProxyCredentials&) = default;
    ~TProxyCredentials() { SecureZeroMemory(&Password[0], Password.size() * sizeof(wchar_t)); }

    std::wstring Username;
    std::wstring Password;
};

}  // namespace Net
