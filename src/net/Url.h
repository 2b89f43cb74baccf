// URL pieces and header values the HTTP client builds from text.
#pragma once

#include <string>

namespace Net {

struct UrlParts {
    bool Secure = false;         // https
    std::wstring Host;
    unsigned short Port = 0;     // the URL's port or the scheme's default
    std::wstring PathAndQuery;   // never empty: "/" at least
};

// Splits an absolute http or https URL; raises HttpError (BadRedirect) for
// anything else.
UrlParts SplitUrl(const std::wstring& url);

// Tells whether `url` starts with the scheme "https:" (case-insensitive).
bool IsHttps(const std::wstring& url);

// Resolves a Location value against the URL it came from (absolute, host-relative
// or relative with "." and ".."); raises HttpError (BadRedirect) when it cannot.
std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location);

// Returns "Basic " + Base64(UTF-8 of user ":" password).
std::wstring BasicCredentials(const std::wstring& user, const std::wstring& password);

}  // namespace Net
