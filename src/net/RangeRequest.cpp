#include "net/RangeRequest.h"

namespace Net {

std::optional<std::uint64_t> ParseDecimal(std::wstring_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - L'0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::wstring> RangeValidator(const std::optional<std::wstring>& etag,
                                           const std::optional<std::wstring>& lastModified) {
    if (etag && !etag->empty() && etag->compare(0, 2, L"W/") != 0) return etag;
    if (lastModified && !lastModified->empty()) return lastModified;
    return std::nullopt;
}

std::wstring RangeHeaders(std::uint64_t first, const std::wstring& validator) {
    return L"Range: bytes=" + std::to_wstring(first) + L"-\r\nIf-Range: " + validator + L"\r\n";
}

bool ContinuesAt(const std::wstring& contentRange, std::uint64_t first, std::uint64_t length) {
    // "bytes FIRST-LAST/COMPLETE"
    const std::wstring_view prefix = L"bytes ";
    const std::wstring_view text = contentRange;
    if (length == 0 || text.substr(0, prefix.size()) != prefix) return false;
    const std::size_t dash = text.find(L'-', prefix.size());
    const std::size_t slash = text.find(L'/', prefix.size());
    if (dash == std::wstring_view::npos || slash == std::wstring_view::npos || dash > slash) return false;
    const auto from = ParseDecimal(text.substr(prefix.size(), dash - prefix.size()));
    const auto last = ParseDecimal(text.substr(dash + 1, slash - dash - 1));
    const auto complete = ParseDecimal(text.substr(slash + 1));
    return from == first && last == length - 1 && complete == length;
}

}  // namespace Net
