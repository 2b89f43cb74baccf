// A critical section and the scoped lock the updater takes it with.
#pragma once

#include <windows.h>

// Owns a critical section; any thread may enter it.
class CriticalSection {
public:
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CRITICAL_SECTION* get() noexcept { return &section_; }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section (not owned; may be null) from construction to
// destruction, so it is released on every way out of the block.
class CriticalSectionBlockHolder {
public:
    CriticalSectionBlockHolder(const CriticalSectionBlockHolder&) = delete;
    CriticalSectionBlockHolder& operator=(const CriticalSectionBlockHolder&) = delete;
    explicit CriticalSectionBlockHolder(CRITICAL_SECTION* section) : section_(section) {
        if (section_) EnterCriticalSection(section_);
    }
    virtual ~CriticalSectionBlockHolder() {
        if (section_) LeaveCriticalSection(section_);
    }

private:
    CRITICAL_SECTION* section_;
};
