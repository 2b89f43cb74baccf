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

// Reads a settings value from its start, field by field; each read moves past
// its field and gives nothing when the value ends before the field does.
class FieldReader {
public:
    explicit FieldReader(const std::string& value) : value_(value) {}

    // Reads a little-endian 32-bit number.
    std::optional<unsigned long> Number() {
        if (value_.size() < 4 || at_ > value_.size() - 4) return std::nullopt;
        unsigned long number = 0;
        for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value_[at_ + i]);
        at_ += 4;
        return number;
    }

    // Reads a length and that many single-byte characters.
    std::optional<std::wstring> Text() {
        const std::optional<unsigned long> length = Number();
        if (!length || *length > value_.size() - at_) return std::nullopt;
        // Each byte becomes the character of that number, as WinHTTP's reader takes them.
        std::wstring text;
        for (std::size_t i = 0; i < *length; ++i)
            text += static_cast<wchar_t>(static_cast<unsigned char>(value_[at_ + i]));
        at_ += *length;
        return text;
    }

private:
    const std::string& value_;
    std::size_t at_ = 0;
};

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
    FieldReader fields(value);
    const std::optional<unsigned long> format = fields.Number();
    const std::optional<unsigned long> counter = fields.Number();
    const std::optional<unsigned long> flags = fields.Number();
    const std::optional<std::wstring> server = fields.Text();
    const std::optional<std::wstring> bypass = fields.Text();
    const std::optional<std::wstring> script = fields.Text();
    if (format != kSettingsFormat || !counter || !flags || !server || !bypass || !script) return std::nullopt;
    ConnectionSettings settings;
    settings.Flags = *flags;
    if (*flags & kManualProxy) settings.Bypass = *bypass;
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
