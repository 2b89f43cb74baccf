// The marks put at the start of a read buffer to tell whether a completion copied data into it.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace Net {

using Canary = std::array<unsigned char, 16>;

// Gives a different 16-byte mark for every read, so that no body can be made
// to look like an untouched buffer. Seeded from the performance counter; one thread.
class ReadCanaries {
public:
    ReadCanaries() noexcept {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        state_ ^= static_cast<std::uint64_t>(now.QuadPart);
    }

    Canary Next() noexcept {
        Canary canary;
        for (std::size_t i = 0; i < canary.size(); i += 8) {
            // xorshift64 (Marsaglia 2003): cheap, and never 0 from a nonzero state.
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            for (std::size_t b = 0; b < 8; ++b) canary[i + b] = static_cast<unsigned char>(state_ >> (8 * b));
        }
        return canary;
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;  // never 0: the seed changes only its low bits
};

// Returns how many bytes a pending read's completion put into `buffer`, whose
// first bytes were `canary` when the read of `requested` bytes was made, given
// the length the completion left: 0 when it copied nothing (Wine leaves the
// length as asked and the canary intact; the data is the next call's) or
// reports 0 (the next call confirms the end).
inline unsigned long CopiedAtCompletion(unsigned long length, unsigned long requested, const void* buffer,
                                        const Canary& canary) noexcept {
    const bool untouched = length == requested && std::memcmp(buffer, canary.data(), canary.size()) == 0;
    return untouched ? 0 : length;
}

}  // namespace Net
