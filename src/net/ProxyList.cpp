#include "net/ProxyList.h"

#include <cwctype>

namespace Net {

namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Splits `text` at ";" and white space, dropping empty pieces.
std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (const wchar_t c : text) {
        if (c == L';' || std::iswspace(c)) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// Tells whether a keyword names a kind of proxy this client cannot speak to.
bool IsSocks(const std::wstring& keyword) { return keyword.compare(0, 5, L"SOCKS") == 0; }

}  // namespace

std::vector<std::wstring> ProxyListEntries(const std::wstring& list) {
    // Per the proxy-script format a result is "PROXY host:port; SOCKS host:port;
    // DIRECT"; HTTP and HTTPS are the newer names of PROXY. The platform's
    // service may give the proxies alone, as "a:8080;b:8080".
    std::vector<std::wstring> entries;
    const std::vector<std::wstring> words = Words(list);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring keyword = Upper(words[i]);
        if (keyword == L"DIRECT") {
            entries.emplace_back();
        } else if (keyword == L"PROXY" || keyword == L"HTTP" || keyword == L"HTTPS" || IsSocks(keyword)) {
            if (i + 1 < words.size() && Upper(words[i + 1]) != L"DIRECT") {
                ++i;
                if (!IsSocks(keyword)) entries.push_back(words[i]);
            }
        } else if (words[i].find(L'=') == std::wstring::npos) {
            entries.push_back(words[i]);
        }
    }
    return entries;
}

}  // namespace Net
