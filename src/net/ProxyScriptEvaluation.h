// A proxy script's whole answer for a URL, from the platform's own script
// engine: WinHTTP's answer keeps only a list's first entry under Wine.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>

namespace Net {

// Fetches the script at `scriptUrl` over `session` (offering no logon) and
// evaluates it for `url` with the platform's proxy-script engine (jsproxy.dll
// of System32); returns its answer as the script gave it ("PROXY a:1; PROXY
// b:2; DIRECT"), or nothing when any step fails. Blocks: call it on a thread
// whose caller keeps a deadline.
std::optional<std::wstring> TryEvaluateProxyScript(HINTERNET session, const std::wstring& scriptUrl,
                                                   const std::wstring& url);

}  // namespace Net
