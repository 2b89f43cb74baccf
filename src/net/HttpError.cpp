#include "net/HttpError.h"

#include <string>

namespace Net {

HttpError HttpError::Call(const char* call, unsigned long code) {
    std::wstring name;
    for (const char* c = call; *c; ++c) name += static_cast<wchar_t>(*c);
    return HttpError(ErrorKind::Connection, name + L" failed (error " + std::to_wstring(code) + L")", code);
}

HttpError::HttpError(ErrorKind kind, const std::wstring& what, unsigned long code)
    : Win::Exception(what), kind_(kind), code_(code) {}

}  // namespace Net
