#include "unit/job/SettingsMutator.h"

#include "support/Utf8.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

using TestSupport::Utf8;

namespace SettingsFuzz {

namespace {

// Markup put into the file at random places; a key and value when it adds one.
struct Fragment {
    const char* text;
    const wchar_t* key;
    const wchar_t* value;
    bool documentType;
};
const Fragment kFragments[] = {
    {"<x/>", nullptr, nullptr, false},
    {"<FileOnWeb>http://injected/</FileOnWeb>", L"FileOnWeb", L"http://injected/", false},
    {"<a:TargetFilePath xmlns:a=\"urn:a\">C:\\injected\\</a:TargetFilePath>", L"TargetFilePath", L"C:\\injected\\",
     false},
    {"<AutoStartTargetFile><![CDATA[1]]></AutoStartTargetFile>", L"AutoStartTargetFile", L"1", false},
    {"&amp;", nullptr, nullptr, false},
    {"&lt;&gt;&quot;&apos;", nullptr, nullptr, false},
    {"&#0;", nullptr, nullptr, false},
    {"&#x110000;", nullptr, nullptr, false},
    {"&#xD800;", nullptr, nullptr, false},
    {"&undefined;", nullptr, nullptr, false},
    {"&", nullptr, nullptr, false},
    {"<", nullptr, nullptr, false},
    {">", nullptr, nullptr, false},
    {"]]>", nullptr, nullptr, false},
    {"<![CDATA[cdata]]>", nullptr, nullptr, false},
    {"<!-- comment -->", nullptr, nullptr, false},
    {"<!--", nullptr, nullptr, false},
    {"<?pi data?>", nullptr, nullptr, false},
    {"<?xml version=\"1.0\"?>", nullptr, nullptr, false},
    {" xmlns=\"urn:default\"", nullptr, nullptr, false},
    {" attribute=\"value\"", nullptr, nullptr, false},
    {"</Settings>", nullptr, nullptr, false},
    {"<Settings>", nullptr, nullptr, false},
    {"\0", nullptr, nullptr, false},
    {"<!DOCTYPE Settings>", nullptr, nullptr, true},
    {"<!DOCTYPE Settings [<!ENTITY e \"http://entity/\">]>", nullptr, nullptr, true},
    {"<!DOCTYPE Settings SYSTEM \"file:///etc/passwd\">", nullptr, nullptr, true},
    {"<!DOCTYPE Settings [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
     "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>",
     nullptr, nullptr, true},
};

// Byte runs that are not UTF-8: lone continuation bytes, overlong forms,
// encoded surrogates, code points past U+10FFFF, cut sequences.
const char* const kBadUtf8[] = {"\x80", "\xbf\xbf", "\xc0\x80", "\xc1\xbf", "\xe0\x80\x80", "\xed\xa0\x80",
                                "\xed\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xff", "\xfe\xff",
                                "\xe2\x82", "\xf0\x9f\x98", "\xd0"};

std::string Escape(const std::wstring& value) {
    std::string text;
    for (char c : Utf8(value)) {
        if (c == '&') text += "&amp;";
        else if (c == '<') text += "&lt;";
        else if (c == '>') text += "&gt;";
        else text += c;
    }
    return text;
}

}  // namespace

Mutant Mutator::Next() {
    switch (Pick(8)) {
        case 0: return Flip();
        case 1: return Truncate();
        case 2: return InsertMarkup();
        case 3: return InsertBadUtf8();
        case 4: return Duplicate();
        case 5: return Remove();
        case 6: return Huge();
        default: return Utf16();
    }
}

size_t Mutator::Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random_); }
size_t Mutator::Position() { return Pick(sample_.bytes.size() + 1); }
const std::wstring& Mutator::AnyKey() {
    auto it = sample_.spans.begin();
    std::advance(it, Pick(sample_.spans.size()));
    return it->first;
}
Mutant Mutator::Touching(const char* kind, std::string bytes, size_t from, size_t to) {
    Mutant mutant(kind, std::move(bytes));
    mutant.touchedFrom = from;
    mutant.touchedTo = to;
    return mutant;
}

Mutant Mutator::Flip() {
    std::string bytes = sample_.bytes;
    size_t low = kNone, high = 0;
    for (size_t n = 1 + Pick(4); n > 0; --n) {
        const size_t at = Pick(bytes.size());
        bytes[at] = static_cast<char>(bytes[at] ^ (1 + Pick(255)));
        low = std::min(low, at);
        high = std::max(high, at + 1);
    }
    return Touching("flip", std::move(bytes), low, high);
}

Mutant Mutator::Truncate() {
    const size_t at = Pick(sample_.bytes.size());
    Mutant mutant = Touching("truncate", sample_.bytes.substr(0, at), at, sample_.bytes.size());
    mutant.refused = at < sample_.rootEnd;  // the document element is not closed
    return mutant;
}

Mutant Mutator::InsertMarkup() {
    const Fragment& fragment = kFragments[Pick(std::size(kFragments))];
    const std::string text = *fragment.text ? fragment.text : std::string(1, '\0');
    const size_t at = Position();
    Mutant mutant = Touching("markup", std::string(sample_.bytes).insert(at, text), at, at + 1);
    mutant.refused = fragment.documentType;
    if (fragment.key) {
        mutant.injectedKey = fragment.key;
        mutant.injectedValue = fragment.value;
    }
    return mutant;
}

Mutant Mutator::InsertBadUtf8() {
    const size_t at = Position();
    return Touching("bad-utf8", std::string(sample_.bytes).insert(at, kBadUtf8[Pick(std::size(kBadUtf8))]), at,
                    at + 1);
}

// An element's start, or the end tag of the document element.
size_t Mutator::ElementBoundary() {
    if (Pick(sample_.spans.size() + 1) == 0) return sample_.rootEnd - std::string("</Settings>").size();
    return sample_.spans.at(AnyKey()).first;
}

Mutant Mutator::Duplicate() {
    const std::wstring& key = AnyKey();
    const bool sameValue = Pick(2) == 0;
    const std::wstring value = sameValue ? sample_.values.at(key) : L"dup\u0436&<" + key;
    const std::string element = "<" + Utf8(key) + ">" + Escape(value) + "</" + Utf8(key) + ">";
    const size_t at = ElementBoundary();
    Mutant mutant(sameValue ? "duplicate" : "duplicate-other", std::string(sample_.bytes).insert(at, element));
    mutant.wellFormed = true;
    if (at <= sample_.spans.at(key).first) mutant.exact[key] = value;  // the first of two wins
    return mutant;
}

Mutant Mutator::Remove() {
    const std::wstring& key = AnyKey();
    const auto [from, to] = sample_.spans.at(key);
    Mutant mutant("missing", std::string(sample_.bytes).erase(from, to - from));
    mutant.wellFormed = true;
    mutant.exact[key] = L"";
    return mutant;
}

// A key's text replaced by up to a few MiB of varied characters, escapes,
// Cyrillic and characters beyond the basic plane included.
Mutant Mutator::Huge() {
    static const std::wstring alphabet = L"az09 \t\n&<>\"'\\%:/?.\u0416\u044f\u20ac\U0001F600\u00a0";
    const size_t length = size_t{1} << (10 + Pick(Pick(8) == 0 ? 12 : 9));  // 1 KiB .. 2 MiB (4 MiB rarely)
    std::wstring value;
    value.reserve(length + 1);
    while (value.size() < length) {
        const size_t at = Pick(alphabet.size());
        const bool surrogate = IS_HIGH_SURROGATE(alphabet[at]) || IS_LOW_SURROGATE(alphabet[at]);
        value.append(alphabet, surrogate ? alphabet.find(L"\U0001F600") : at, surrogate ? 2 : 1);
    }
    const std::wstring& key = AnyKey();
    const auto [from, to] = sample_.spans.at(key);
    const std::string element = "<" + Utf8(key) + ">" + Escape(value) + "</" + Utf8(key) + ">";
    Mutant mutant("huge", std::string(sample_.bytes).replace(from, to - from, element));
    mutant.wellFormed = true;
    mutant.exact[key] = value;
    return mutant;
}

// The same document as UTF-16 (either byte order, with or without a
// byte-order mark), clean or with a surrogate that has no partner, or cut
// in the middle of a code unit.
Mutant Mutator::Utf16() {
    const std::wstring text = TestSupport::FromUtf8(sample_.bytes);
    const size_t variant = Pick(4);
    const bool bigEndian = Pick(2) == 0, mark = Pick(4) != 0;
    std::wstring units = text;
    size_t touched = kNone;
    if (variant == 1) {
        const size_t at = Pick(text.size() + 1);
        units.insert(at, 1, static_cast<wchar_t>(Pick(2) ? 0xD800 + Pick(0x400) : 0xDC00 + Pick(0x400)));
        touched = Utf8(text.substr(0, at)).size();
    }
    std::string bytes = mark ? (bigEndian ? "\xfe\xff" : "\xff\xfe") : "";
    for (wchar_t unit : units) {
        const char low = static_cast<char>(unit & 0xff), high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    if (variant == 2) {
        const size_t markBytes = mark ? 2 : 0;
        const size_t at = markBytes + 1 + 2 * Pick(units.size());  // inside one code unit
        touched = Utf8(text.substr(0, (at - markBytes) / 2)).size();
        bytes.resize(at);
    }
    const char* kind = variant == 1 ? "utf16-lone-surrogate" : variant == 2 ? "utf16-odd-cut" : "utf16";
    Mutant mutant = Touching(kind, std::move(bytes), touched, touched == kNone ? kNone : touched + 1);
    if (variant == 2) mutant.touchedTo = sample_.bytes.size();
    // A byte-order mark names the encoding; without one the parser has to guess.
    mutant.wellFormed = touched == kNone && mark;
    return mutant;
}

}  // namespace SettingsFuzz
