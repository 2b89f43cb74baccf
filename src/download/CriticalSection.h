// A critical section and the scoped lock the updater takes it with.
#pragma once

#include <windows.h>

// Owns a critical section; any thread may enter it.
class TCriticalSection {
public:
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    TCriticalSection() { InitializeCriticalSection(&section_); }
    ~TCriticalSection() { DeleteCriticalSection(&section_); }
    CRITICAL_SECTION* get() noexcept { return &section_; }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section (not owned; may be null) from construction to
// destruction, so it is released on every way out of the block.
class TCriticalSectionBlockHolder {
public:
    TCriticalSectionBlockHolder(const TCriticalSectionBlockHolder&) = delete;
    TCriticalSectionBlockHolder& operator=(const TCriticalSectionBlockHolder&) = delete;
    explicit TCriticalSectionBlockHolder(CRITICAL_SECTION* section) : section_(section) {
        if (section_) EnterCriticalSection(section_);
    }
    virtual ~TCriticalSectionBlockHolder() {
        if (section_) LeaveCriticalSection(section_);
    }

private:
    CRITICAL_SECTION* section_;
};
