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

namespace {

std::optional<std::pair<unsigned long, std::string>> ReadValue(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != 0) return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != 0)
        return std::nullopt;
    data.resize(size);
    return std::make_pair(static_cast<unsigned long>(type), data);
}

void WriteValue(HKEY key, const std::wstring& name, const std::optional<std::pair<unsigned long, std::string>>& value) {
    if (!value) {
        RegDeleteValueW(key, name.c_str());
        return;
    }
    RegSetValueExW(key, name.c_str(), 0, value->first, reinterpret_cast<const BYTE*>(value->second.data()),
                   static_cast<DWORD>(value->second.size()));
}

std::string TextBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

void AppendDword(std::string& blob, unsigned long value) {
    for (int i = 0; i < 4; ++i) blob += static_cast<char>((value >> (8 * i)) & 0xff);
}

}  // namespace

ScopedInternetSetting::ScopedInternetSetting(const std::wstring& subKey, std::wstring name, unsigned long type,
                                             const std::optional<std::string>& data)
    : name_(std::move(name)) {
    const std::wstring path = subKey.empty() ? std::wstring(kInternetSettings) : kInternetSettings + (L"\\" + subKey);
    HKEY key = nullptr;
    Win::ThrowIfFailed(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                          KEY_READ | KEY_WRITE, nullptr, &key, nullptr)),
                       "RegCreateKeyExW");
    key_.reset(key);
    old_ = ReadValue(key, name_);
    WriteValue(key, name_, data ? std::make_optional(std::make_pair(type, *data)) : std::nullopt);
}

ScopedInternetSetting::ScopedInternetSetting(std::wstring name, const std::optional<std::wstring>& text)
    : ScopedInternetSetting(L"", std::move(name), REG_SZ, text ? std::make_optional(TextBytes(*text)) : std::nullopt) {}

ScopedInternetSetting::~ScopedInternetSetting() { WriteValue(key_.get(), name_, old_); }

std::string ConnectionSettingsBlob(unsigned long flags, const std::string& server, const std::string& bypass,
                                   const std::string& scriptUrl) {
    std::string blob;
    AppendDword(blob, 0x46);
    AppendDword(blob, 1);
    AppendDword(blob, flags);
    for (const std::string* text : {&server, &bypass, &scriptUrl}) {
        AppendDword(blob, static_cast<unsigned long>(text->size()));
        blob += *text;
    }
    blob += std::string(32, '\0');
    return blob;
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
