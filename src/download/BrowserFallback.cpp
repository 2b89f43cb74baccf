#include "download/BrowserFallback.h"

#include "win/ComApartment.h"

#include <shellapi.h>

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = wcslen(prefix);
    return text.size() > length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

}  // namespace

bool IsWebAddress(const std::wstring& url) {
    if (!StartsWithNoCase(url, L"http://") && !StartsWithNoCase(url, L"https://")) return false;
    // RFC 3986 2: spaces, control characters and quotes never stand in an
    // address as they are; a browser's command line ("%1") could be split at them.
    for (const wchar_t c : url)
        if (c <= L' ' || c == L'"' || c == 0x7F) return false;
    return true;
}

void OpenInBrowser(const std::wstring& url, HWND owner) {
    // The shell runs whatever it is handed: only a web address may go there.
    if (!IsWebAddress(url)) return;
    // ShellExecuteW may hand the URL to shell extensions, which need COM on
    // the calling thread (per its documentation).
    const Win::ComApartment com;
    ShellExecuteW(owner, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
