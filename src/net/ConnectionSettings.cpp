#include "net/ConnectionSettings.h"

#include "win/Unique.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace Net {

namespace {

// The format marker that the Internet options of Windows 7 and later (and
// Wine's WinHTTP) write first and look for; older forms count as unknown.
constexpr unsigned long kSettingsFormat = 0x46;
constexpr unsigned long kManualProxy = 2;         // PROXY_TYPE_PROXY
constexpr unsigned long kScriptOrDetection = 12;  // PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT

const wchar_t kConnectionsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// Reads the little-endian 32-bit number at `at`, moving past it; false when the value ends before.
bool TryReadNumber(const std::string& value, std::size_t& at, unsigned long& number) {
    if (value.size() < 4 || at > value.size() - 4) return false;
    const auto byte = [&value](std::size_t i) {
        return static_cast<unsigned long>(static_cast<unsigned char>(value[i]));
    };
    number = byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
    at += 4;
    return true;
}

// Reads a length and that many single-byte characters at `at`, moving past them.
bool TryReadText(const std::string& value, std::size_t& at, std::wstring& text) {
    unsigned long length = 0;
    if (!TryReadNumber(value, at, length) || length > value.size() - at) return false;
    // Each byte becomes the character of that number, as WinHTTP's reader takes them.
    text.clear();
    for (std::size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(static_cast<unsigned char>(value[at + i]));
    at += length;
    return true;
}

// Calls `visit` with the name and data of each binary value of `root`'s Connections key.
template <typename Visit>
void ForEachConnectionValue(HKEY root, Visit visit) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, kConnectionsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return;
    const Win::UniqueHKey key(opened);
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(longestName + 1);
    std::string data(longestData, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) return;
        // A value that grew since the key was measured is passed over; the
        // default connection's then counts as missing, and WinHTTP is asked.
        if (status != ERROR_SUCCESS || type != REG_BINARY) continue;
        visit(std::wstring(name.data(), nameLength), data.substr(0, dataSize));
    }
}

}  // namespace

std::optional<ConnectionSettings> ParseConnectionSettings(const std::string& value) {
    std::size_t at = 0;
    unsigned long format = 0;
    unsigned long counter = 0;
    ConnectionSettings settings;
    std::wstring server;
    std::wstring bypass;
    std::wstring script;
    if (!TryReadNumber(value, at, format) || format != kSettingsFormat || !TryReadNumber(value, at, counter) ||
        !TryReadNumber(value, at, settings.Flags) || !TryReadText(value, at, server) ||
        !TryReadText(value, at, bypass) || !TryReadText(value, at, script))
        return std::nullopt;
    if (settings.Flags & kManualProxy) settings.Bypass = bypass;
    return settings;
}

ConnectionSettingsSummary ReadConnectionSettings() {
    ConnectionSettingsSummary summary;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ForEachConnectionValue(root, [&summary, root](const std::wstring& name, const std::string& data) {
            const std::optional<ConnectionSettings> settings = ParseConnectionSettings(data);
            if (!settings) return;
            if (settings->Flags & kScriptOrDetection) summary.NameScriptOrDetection = true;
            if (root == HKEY_CURRENT_USER && _wcsicmp(name.c_str(), L"DefaultConnectionSettings") == 0)
                summary.Default = settings;
        });
    }
    return summary;
}

}  // namespace Net
