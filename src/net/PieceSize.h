// The size of the next piece of a response body to ask WinINet for.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Net {

// Chooses read sizes between 64 KiB and 256 KiB from how fast the last piece came.
//
// An asynchronous read completes only when its whole buffer is filled (or the
// body ends), so the size decides both how often progress is reported and how
// long one read may take. A fast link is read in large pieces: far fewer reads,
// completions and progress notifications per byte (each of them costs calls
// into the system). A slow link keeps 64 KiB pieces, so its progress and its
// stall time-out behave as with a fixed 64 KiB buffer. The largest piece is
// kept at 256 KiB: a link that slows down sharply in the middle of a read must
// still fill it within the client's per-call limit (about 9 KB/s suffices).
//
// Sizes are powers of two and grow only where the count so far is a multiple
// of the larger size, so the running count passes every multiple of 1 MiB.
// Used by one thread.
class TPieceSize {
public:
    static constexpr DWORD kSmallest = 64 * 1024;
    static constexpr DWORD kLargest = 256 * 1024;
    // A full piece that came within this doubles the size; one slower than
    // kShrinkMs halves it.
    static constexpr std::uint64_t kGrowMs = 25;
    static constexpr std::uint64_t kShrinkMs = 100;

    // Returns the size of the next read.
    DWORD Next() const noexcept { return size_; }

    // Takes the outcome of a read of Next() bytes: `bytes` arrived within
    // `elapsedMs`, and `count` bytes of the body have arrived in all.
    void Took(DWORD bytes, std::uint64_t count, std::uint64_t elapsedMs) noexcept {
        if (bytes == size_ && elapsedMs < kGrowMs && size_ < kLargest && count % (2 * std::uint64_t{size_}) == 0)
            size_ *= 2;
        else if (elapsedMs > kShrinkMs && size_ > kSmallest)
            size_ /= 2;
    }

private:
    DWORD size_ = kSmallest;
};

}  // namespace Net
