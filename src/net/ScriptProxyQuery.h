// The one call that asks the platform's proxy-script service for a URL's proxy.
#pragma once

#include <windows.h>
#include <winhttp.h>

namespace Net {

// Asks WinHttpGetProxyForUrl for the proxy of `url` with `options`, with its
// result and last error. Defined alone in ScriptProxyQuery.cpp, so that a test
// program can link a recording definition of its own ahead of the core
// library and see which options each question went with; the product has no
// switch. Any thread.
BOOL QueryScriptProxy(HINTERNET session, const wchar_t* url, WINHTTP_AUTOPROXY_OPTIONS* options,
                      WINHTTP_PROXY_INFO* info);

}  // namespace Net
