// The application's exception class and the error policy for platform calls.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace Win {

// An error with a message text for the user; what() gives it as UTF-8.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);

    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// A failed platform call: the call's name and the error code it reported.
class SystemCallException : public Exception {
public:
    SystemCallException(const char* call, unsigned long code);

    const char* Call() const noexcept { return call_; }
    unsigned long Code() const noexcept { return code_; }

private:
    const char* call_;
    unsigned long code_;
};

// Throws SystemCallException(call, GetLastError()) when `failed` is true.
void ThrowLastErrorIf(bool failed, const char* call);

// Throws SystemCallException(call, hr) when `hr` is a failure code.
void ThrowIfFailed(HRESULT hr, const char* call);

// Converts UTF-16 text to UTF-8 (invalid sequences become U+FFFD).
std::string ToUtf8(const std::wstring& text);

}  // namespace Win
