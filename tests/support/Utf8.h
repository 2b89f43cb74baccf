// Conversions between the UTF-16 of the platform's calls and the UTF-8 of
// files, server answers and test output.
#pragma once

#include <string>

namespace TestSupport {

// Converts UTF-16 to UTF-8.
std::string Utf8(const std::wstring& text);
// Converts UTF-8 to UTF-16 (invalid sequences become U+FFFD).
std::wstring FromUtf8(const std::string& text);

}  // namespace TestSupport
