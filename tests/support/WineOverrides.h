// Wine and its DLL overrides, as a test process sees them.
#pragma once

#include <string>

namespace TestSupport {

// Returns whether this process runs under Wine (ntdll exports wine_get_version).
bool UnderWine();

// Returns whether WINEDLLOVERRIDES holds `entry`. Wine reads the variable from
// the Unix environment a process starts with (one set in a child's
// environment block is ignored), so the tests' registrations set it for the
// whole test process.
bool WineOverridesHold(const std::wstring& entry);

}  // namespace TestSupport
