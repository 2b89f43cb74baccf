// The owner of a WinHTTP handle, in the style of the handle aliases of win/Unique.h.
#pragma once

#include "win/Unique.h"

#include <winhttp.h>

namespace Net {

using UniqueHWinHttp = Win::Unique<Win::NullHandleTraits<HINTERNET, WinHttpCloseHandle>>;

}  // namespace Net
