// The owner of a WinINet handle, in the style of the handle aliases of win/Unique.h.
#pragma once

#include "win/Unique.h"

#include <wininet.h>

namespace Net {

using UniqueHInternet = Win::Unique<Win::NullHandleTraits<HINTERNET, InternetCloseHandle>>;

}  // namespace Net
