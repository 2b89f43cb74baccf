// A one-way stop request shared between the thread that runs HTTP requests and
// the thread that may stop them.
#pragma once

#include "win/Unique.h"

#include <atomic>

namespace Net {

// Owns a manual-reset event. Abort() and Aborted() may be called on any thread
// at any time; once set, the signal stays set. Share it with std::shared_ptr
// so that a stop request never needs the object it stops.
class AbortSignal {
public:
    AbortSignal(const AbortSignal&) = delete;
    AbortSignal& operator=(const AbortSignal&) = delete;
    AbortSignal();

    // Sets the signal; every request waiting on it fails promptly.
    void Abort() noexcept;
    // Tells whether Abort() has been called.
    bool Aborted() const noexcept { return aborted_.load(); }
    // Returns the event (signalled once aborted) for waits; ownership stays here.
    HANDLE Event() const noexcept { return event_.get(); }

private:
    std::atomic<bool> aborted_{false};
    Win::UniqueHandle event_;
};

}  // namespace Net
