#include "net/Url.h"

#include "net/HttpError.h"

#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <vector>

namespace Net {

namespace {

HttpError BadUrl(const std::wstring& url) {
    return HttpError(HttpError::ErrorKind::BadRedirect, L"Not an http or https address: " + url);
}

}  // namespace

UrlParts SplitUrl(const std::wstring& url) {
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    // A length of 1 with no buffer asks for pointers into `url`.
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) throw BadUrl(url);
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) throw BadUrl(url);
    if (parts.dwHostNameLength == 0) throw BadUrl(url);
    UrlParts result;
    result.Secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.Host.assign(parts.lpszHostName, parts.dwHostNameLength);
    result.Port = parts.nPort;
    if (parts.lpszUrlPath) result.PathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) result.PathAndQuery.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (result.PathAndQuery.empty() || result.PathAndQuery[0] != L'/') result.PathAndQuery.insert(0, L"/");
    return result;
}

bool IsHttps(const std::wstring& url) { return url.size() >= 6 && _wcsnicmp(url.c_str(), L"https:", 6) == 0; }

std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location) {
    // InternetCombineUrlW follows RFC 3986's resolution of relative references,
    // ".." and "." segments included; ICU_NO_ENCODE keeps the server's escaping.
    std::vector<wchar_t> buffer(base.size() + location.size() + 64);
    DWORD length = static_cast<DWORD>(buffer.size());
    if (!InternetCombineUrlW(base.c_str(), location.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) throw BadUrl(location);
        buffer.resize(length + 1);
        length = static_cast<DWORD>(buffer.size());
        if (!InternetCombineUrlW(base.c_str(), location.c_str(), buffer.data(), &length, ICU_NO_ENCODE))
            throw BadUrl(location);
    }
    return std::wstring(buffer.data(), length);
}

std::wstring BasicCredentials(const std::wstring& user, const std::wstring& password) {
    // Per RFC 7617 the credentials are user-id ":" password, sent as Base64 of
    // their UTF-8 form.
    const std::string pair = Win::ToUtf8(user + L":" + password);
    const auto* bytes = reinterpret_cast<const BYTE*>(pair.data());
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD length = 0;
    Win::ThrowLastErrorIf(!CryptBinaryToStringW(bytes, static_cast<DWORD>(pair.size()), flags, nullptr, &length),
                          "CryptBinaryToStringW");
    std::wstring text(length, L'\0');
    Win::ThrowLastErrorIf(!CryptBinaryToStringW(bytes, static_cast<DWORD>(pair.size()), flags, text.data(), &length),
                          "CryptBinaryToStringW");
    text.resize(length);
    return L"Basic " + text;
}

}  // namespace Net
