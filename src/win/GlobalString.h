// Strings the platform hands over in memory from GlobalAlloc.
#pragma once

#include "win/Unique.h"

#include <string>

namespace Win {

// Copies `text` (null: "") and frees the platform's allocation, as the
// documentation of the call that returned it asks (GlobalFree).
inline std::wstring TakeGlobalString(wchar_t* text) {
    const UniqueHGlobal owner(text);
    return text ? std::wstring(text) : std::wstring();
}

}  // namespace Win
