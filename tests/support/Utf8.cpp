#include "support/Utf8.h"

#include "win/Exception.h"

#include <windows.h>

namespace TestSupport {

std::string Utf8(const std::wstring& text) { return Win::ToUtf8(text); }

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

}  // namespace TestSupport
