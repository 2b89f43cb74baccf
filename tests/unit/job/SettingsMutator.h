// Damaged copies of a settings file for the loader's fuzz test, each with
// what every key may read as after the damage. Seeded: one seed, one series.
#pragma once

#include <map>
#include <random>
#include <string>

namespace SettingsFuzz {

constexpr size_t kNone = std::string::npos;

// The file the writer makes, with where each key's element lies in it.
struct Sample {
    std::string bytes;
    std::map<std::wstring, std::wstring> values;
    std::map<std::wstring, std::pair<size_t, size_t>> spans;  // [start of "<K", end of "</K>" or "<K/>")
    size_t rootEnd = 0;                                        // end of "</Settings>"
};

// One damaged file and what each key may read as.
struct Mutant {
    Mutant(std::string kind, std::string bytes) : kind(std::move(kind)), bytes(std::move(bytes)) {}
    std::string kind;
    std::string bytes;
    bool refused = false;                           // no value at all may be read
    bool wellFormed = false;                        // every value is known exactly
    std::map<std::wstring, std::wstring> exact;     // with wellFormed: values other than the stored ones
    size_t touchedFrom = kNone, touchedTo = kNone;  // bytes of the original the damage reached
    std::wstring injectedKey, injectedValue;        // a value the damage itself carries

    // Returns whether the damage reached the element at `span` of the original.
    bool Touches(const std::pair<size_t, size_t>& span) const {
        return touchedFrom != kNone && touchedFrom <= span.second && span.first <= touchedTo;
    }
};

// Makes damaged copies of one sample: byte flips, truncations, markup,
// entities and document types put in, bytes that are not UTF-8, duplicate,
// missing and huge elements, and the document as UTF-16, clean or broken.
// Holds a reference to the sample.
class Mutator {
public:
    Mutator(const Sample& sample, unsigned long long seed) : sample_(sample), random_(seed) {}

    // Returns the next damaged copy of the series.
    Mutant Next();

private:
    size_t Pick(size_t count);
    size_t Position();
    const std::wstring& AnyKey();
    size_t ElementBoundary();
    Mutant Touching(const char* kind, std::string bytes, size_t from, size_t to);
    Mutant Flip();
    Mutant Truncate();
    Mutant InsertMarkup();
    Mutant InsertBadUtf8();
    Mutant Duplicate();
    Mutant Remove();
    Mutant Huge();
    Mutant Utf16();

    const Sample& sample_;
    std::mt19937_64 random_;
};

}  // namespace SettingsFuzz
