// The owner of a WinHTTP handle, in the style of the handle aliases of win/Unique.h.
#pragma once

#include "win/Unique.h"

#include <winhttp.h>

namespace Net {

struct HWinHttpTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { WinHttpCloseHandle(h); }
};

using UniqueHWinHttp = Win::Unique<HWinHttpTraits>;

}  // namespace Net
