// The settings of this process and of the current user that the code under
// test reads: environment variables, the system proxy, a scratch registry
// key, and the display density the run was started with. Each changed value
// is restored, and each made key removed, by its owner.
#pragma once

#include "win/Unique.h"

#include <optional>
#include <string>

namespace TestSupport {

// Sets an environment variable of this process (nullopt removes it) and restores it.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring>& value);
    ~ScopedEnvironmentVariable();

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// Sets the current user's manual proxy (ProxyEnable, ProxyServer; nullopt
// removes the value) and restores the values found before.
class ScopedSystemProxy {
public:
    ScopedSystemProxy(const ScopedSystemProxy&) = delete;
    ScopedSystemProxy& operator=(const ScopedSystemProxy&) = delete;
    ScopedSystemProxy(std::optional<unsigned long> enable, const std::optional<std::wstring>& server);
    ~ScopedSystemProxy();

private:
    Win::UniqueHKey key_;
    std::optional<unsigned long> oldEnable_;
    std::optional<std::wstring> oldServer_;
};

// Sets one value below the current user's Internet Settings key
// (Software\Microsoft\Windows\CurrentVersion\Internet Settings; `subKey` empty: that key itself, else a
// key below it, made when missing), or removes it (nullopt), and restores the
// value found before.
class ScopedInternetSetting {
public:
    ScopedInternetSetting(const ScopedInternetSetting&) = delete;
    ScopedInternetSetting& operator=(const ScopedInternetSetting&) = delete;
    // A REG_SZ or REG_BINARY value, by `type`, from `data` as it stands.
    ScopedInternetSetting(const std::wstring& subKey, std::wstring name, unsigned long type,
                          const std::optional<std::string>& data);
    // A REG_SZ value.
    ScopedInternetSetting(std::wstring name, const std::optional<std::wstring>& text);
    ~ScopedInternetSetting();

private:
    Win::UniqueHKey key_;
    std::wstring name_;
    std::optional<std::pair<unsigned long, std::string>> old_;
};

// Returns a DefaultConnectionSettings value of the Connections key, as the
// Internet options write it: a header (0x46, a change counter, the flags:
// 1 direct, 2 manual proxy, 4 proxy script, 8 automatic detection), then the
// proxy server, its bypass list and the script's address, each as a length and
// its bytes, then the fields of the last detection (zero).
std::string ConnectionSettingsBlob(unsigned long flags, const std::string& server, const std::string& bypass,
                                   const std::string& scriptUrl);

// A fresh key HKEY_CURRENT_USER\Software\UpdaterTests\<unique>, removed with its contents.
class ScratchRegistryKey {
public:
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey();
    ~ScratchRegistryKey();
    // Returns the key's path below HKEY_CURRENT_USER (no leading "\").
    const std::wstring& SubKey() const { return subKey_; }
    HKEY get() const { return key_.get(); }

private:
    std::wstring subKey_;
    Win::UniqueHKey key_;
};

// Returns the display density the run was started with (UPDATER_TEST_DENSITY,
// set by tests/run-at-density.sh with the prefix's LogPixels), 96 unless told
// otherwise. Density runs compare what the code under test reports with it, so
// a LogPixels that did not take cannot repeat the 96 case unnoticed.
int StartedDensity();

}  // namespace TestSupport
