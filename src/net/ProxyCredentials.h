// The user name and password a user gave for a proxy that asked who they are.
#pragma once

#include <windows.h>

#include <string>

namespace Net {

// A plain value held in memory only: never written anywhere, and wiped when it goes.
struct ProxyCredentials {
    ProxyCredentials() = default;
    ProxyCredentials(std::wstring username, std::wstring password)
        : Username(std::move(username)), Password(std::move(password)) {}
    ProxyCredentials(const ProxyCredentials&) = default;
    ProxyCredentials& operator=(const ProxyCredentials&) = default;
    ~ProxyCredentials() { SecureZeroMemory(&Password[0], Password.size() * sizeof(wchar_t)); }

    std::wstring Username;
    std::wstring Password;
};

}  // namespace Net
