// The user's temporary folder.
#pragma once

#include <string>

// Returns the temporary folder exactly as GetTempPathW reports it (possibly
// with short names, ending in "\"), or "" when it is unknown or does not fit
// the 260-character buffer.
std::wstring GetTempPathAsReported();

// Returns the long form of the temporary folder ending in "\", or "" when it
// is unknown, does not exist, or does not fit the 260-character buffers.
std::wstring GetTempFolder();
