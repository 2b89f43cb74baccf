#include "net/HttpError.h"

#include <string>

namespace Net {

THttpError THttpError::Call(const char* call, unsigned long code) {
    std::wstring name;
    for (const char* c = call; *c; ++c) name += static_cast<wchar_t>(*c);
    return THttpError(TKind::Connection, name + L" failed (error " + std::to_wstring(code) + L")", code);
}

THttpError::THttpError(TKind kind, const std::wstring& what, unsigned long code)
    : Win::Exception(what), kind_(kind), code_(code) {}

}  // namespace Net
