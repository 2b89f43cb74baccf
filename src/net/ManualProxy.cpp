#include "net/ManualProxy.h"

#include "net/HttpClient.h"
#include "net/Url.h"

#include <cwctype>

namespace Net {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Matches `text` against `pattern`, in which "*" stands for any run of characters.
bool WildcardMatches(const std::wstring& pattern, const std::wstring& text) {
    size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool EntryMatches(std::wstring entry, const std::wstring& host, unsigned short port) {
    // Per the Internet settings' documentation, "<local>" stands for the
    // names without a period (intranet names); other "<...>" entries, such as
    // "<-loopback>", are instructions rather than names.
    if (entry == L"<local>") return host.find(L'.') == std::wstring::npos && host.find(L':') == std::wstring::npos;
    if (entry.empty() || entry[0] == L'<') return false;
    const size_t scheme = entry.find(L"://");
    if (scheme != std::wstring::npos) entry.erase(0, scheme + 3);
    const size_t colon = entry.rfind(L':');
    const bool withPort = colon != std::wstring::npos && entry.find(L']', colon) == std::wstring::npos &&
                          entry.find(L':') == colon;
    if (withPort) return WildcardMatches(entry, host + L":" + std::to_wstring(port));
    return WildcardMatches(entry, host);
}

}  // namespace

bool BypassListMatches(const std::wstring& list, const std::wstring& host, unsigned short port) {
    const std::wstring lowerList = Lower(list);
    const std::wstring lowerHost = Lower(host);
    size_t start = 0;
    while (start <= lowerList.size()) {
        size_t end = lowerList.find_first_of(L"; \t\r\n", start);
        if (end == std::wstring::npos) end = lowerList.size();
        if (end > start && EntryMatches(lowerList.substr(start, end - start), lowerHost, port)) return true;
        start = end + 1;
    }
    return false;
}

ManualProxyResolver::ManualProxyResolver(const ProxySettings& proxy) : bypass_(proxy.Bypass) {
    viaProxy_.Server = proxy.Host + L":" + std::to_wstring(proxy.Port);
    viaProxy_.Bypass = proxy.Bypass;
    // Sent with every request rather than after a 407: WinINet's own proxy
    // credentials are not pre-emptive, and WinINet puts a header of ours on the
    // CONNECT of an https tunnel as well.
    viaProxy_.Headers = L"Proxy-Authorization: " + BasicCredentials(proxy.Username, proxy.Password) + L"\r\n";
}

ProxyRoute ManualProxyResolver::RouteFor(const std::wstring& url, const AbortSignal&) {
    const UrlParts parts = SplitUrl(url);
    if (BypassListMatches(bypass_, parts.Host, parts.Port)) return ProxyRoute();
    return viaProxy_;
}

}  // namespace Net
