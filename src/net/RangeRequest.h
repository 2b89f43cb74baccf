// The header values of a request for the rest of a body (RFC 9110 14.2 Range,
// 13.1.5 If-Range, 14.4 Content-Range) and the decimal numbers in headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Net {

// Parses a header's decimal number: digits only, no sign or blanks, at most
// UINT64_MAX; nullopt otherwise.
std::optional<std::uint64_t> ParseDecimal(std::wstring_view text);

// Chooses what If-Range carries: the ETag when it is strong (a weak one is not
// allowed there, 13.1.5), else the Last-Modified date; nullopt without either.
std::optional<std::wstring> RangeValidator(const std::optional<std::wstring>& etag,
                                           const std::optional<std::wstring>& lastModified);

// Returns the request header lines asking for the body from byte `first` to
// its end, provided it is still the one `validator` names.
std::wstring RangeHeaders(std::uint64_t first, const std::wstring& validator);

// Tells whether a Content-Range value says "bytes `first` to the last byte of a
// body of `length` bytes".
bool ContinuesAt(const std::wstring& contentRange, std::uint64_t first, std::uint64_t length);

}  // namespace Net
