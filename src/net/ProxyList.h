// A proxy script's answer for one URL, as a list of ways to try in order.
#pragma once

#include <string>
#include <vector>

namespace Net {

// Returns the ways a proxy list names, in its order: "host[:port]" for each
// proxy (PROXY, HTTP and HTTPS entries, and bare "host:port" entries as the
// platform's service gives them), and an empty text where DIRECT stands.
// Entries are separated by ";" (or white space); SOCKS entries and anything
// else the client cannot use are left out. Keywords are case-insensitive.
std::vector<std::wstring> ProxyListEntries(const std::wstring& list);

}  // namespace Net
