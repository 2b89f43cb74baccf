#include "win/Exception.h"

#include <cstdio>

namespace Win {

namespace {

std::wstring CallFailedMessage(const char* call, unsigned long code) {
    wchar_t text[160];
    std::swprintf(text, sizeof text / sizeof *text, L"%hs failed (error 0x%08lX)", call, code);
    return text;
}

}  // namespace

Exception::Exception(std::wstring message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}

SystemCallException::SystemCallException(const char* call, unsigned long code)
    : Exception(CallFailedMessage(call, code)), call_(call), code_(code) {}

void ThrowLastErrorIf(bool failed, const char* call) {
    if (failed) throw SystemCallException(call, GetLastError());
}

void ThrowIfFailed(HRESULT hr, const char* call) {
    if (FAILED(hr)) throw SystemCallException(call, static_cast<unsigned long>(hr));
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

}  // namespace Win
