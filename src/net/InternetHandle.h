// The owner of a WinINet handle, in the style of the handle aliases of win/Unique.h.
#pragma once

#include "win/Unique.h"

#include <wininet.h>

namespace Net {

struct HInternetTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { InternetCloseHandle(h); }
};

using UniqueHInternet = Win::Unique<HInternetTraits>;

}  // namespace Net
