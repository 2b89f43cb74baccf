// The running count of a transfer, shared by the download thread that writes
// it and the progress window that shows it, so that the thread posts a
// progress notification only when none is waiting and the window still
// reads the newest count when it handles one.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

// Owned jointly (shared pointer) by the download thread object and the window,
// so a notification handled after the thread object is gone still finds it.
// Begin and Store: the download thread; Newest and Acknowledge: the window.
class TransferProgress {
public:
    TransferProgress() = default;
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;
    // Starts the next reported transfer (numbered from 1). A notification of
    // the previous transfer that is still waiting does not hold this one's back.
    void Begin() {
        ++transfer_;
        waiting_ = false;
    }

    // Stores the running count of the current transfer. Returns true when the
    // window must be told: no notification is waiting to be acknowledged.
    bool Store(std::uint64_t count) {
        count_ = count;
        return !waiting_.exchange(true);
    }

    // Returns the newest count of transfer number `transfer`, or nullopt when
    // a later transfer has begun (the count may be that one's then).
    std::optional<std::uint64_t> Newest(unsigned transfer) const {
        // The count first: a later transfer's count is stored only after its
        // number, so the number read next tells whose count this is.
        const std::uint64_t count = count_;
        if (transfer_ != transfer) return std::nullopt;
        return count;
    }

    // Lets the next Store ask for a notification again.
    void Acknowledge() { waiting_ = false; }

private:
    std::atomic<std::uint64_t> count_{0};
    std::atomic<unsigned> transfer_{0};
    std::atomic<bool> waiting_{false};
};
