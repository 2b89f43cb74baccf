#include "support/SystemSettings.h"

#include "win/Exception.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace TestSupport {

namespace {

std::optional<std::wstring> GetEnvironment(const std::wstring& name) {
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(length);
    return value;
}

const wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

void SetOrDelete(HKEY key, const wchar_t* name, const std::optional<unsigned long>& value) {
    if (value) {
        const DWORD data = *value;
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    } else {
        RegDeleteValueW(key, name);
    }
}

void SetOrDelete(HKEY key, const wchar_t* name, const std::optional<std::wstring>& value) {
    if (value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, name);
    }
}

}  // namespace

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring>& value)
    : name_(std::move(name)), previous_(GetEnvironment(name_)) {
    SetEnvironmentVariableW(name_.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

ScopedSystemProxy::ScopedSystemProxy(std::optional<unsigned long> enable, const std::optional<std::wstring>& server) {
    HKEY key = nullptr;
    Win::ThrowIfFailed(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0,
                                                          KEY_READ | KEY_WRITE, nullptr, &key, nullptr)),
                       "RegCreateKeyExW");
    key_.reset(key);
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, L"ProxyEnable", nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) == 0)
        oldEnable_ = data;
    wchar_t text[1024] = {};
    size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == 0)
        oldServer_ = std::wstring(text);
    SetOrDelete(key, L"ProxyEnable", enable);
    SetOrDelete(key, L"ProxyServer", server);
}

ScopedSystemProxy::~ScopedSystemProxy() {
    SetOrDelete(key_.get(), L"ProxyEnable", oldEnable_);
    SetOrDelete(key_.get(), L"ProxyServer", oldServer_);
}

ScratchRegistryKey::ScratchRegistryKey() {
    static std::atomic<unsigned> counter{0};
    subKey_ = L"Software\\UpdaterTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
    HKEY key = nullptr;
    Win::ThrowIfFailed(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0,
                                                          KEY_ALL_ACCESS, nullptr, &key, nullptr)),
                       "RegCreateKeyExW");
    key_.reset(key);
}

ScratchRegistryKey::~ScratchRegistryKey() {
    key_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, subKey_.c_str());
}

int StartedDensity() {
    const char* density = std::getenv("UPDATER_TEST_DENSITY");
    return density && *density ? std::atoi(density) : 96;
}

}  // namespace TestSupport
