// Times the proxy-script look-ups of the updater's HTTP client (a console
// program: it prints its figures). Usage: proxy-lookup SCRIPT_URL URL...
// Each URL is routed once by one resolver, as a download's hops are, then
// the first URL again, which the resolver answers from its per-host cache.
#include "net/ScriptProxyResolver.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Route(Net::ScriptProxyResolver& resolver, const std::wstring& url, const char* what) {
    const Net::AbortSignal abort;
    const double start = NowMs();
    const Net::ProxyRoute route = resolver.RouteFor(url, abort);
    std::printf("%s %ls: %.1f ms -> %ls\n", what, url.c_str(), NowMs() - start,
                route.Server.empty() ? L"DIRECT" : route.Server.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: proxy-lookup SCRIPT_URL URL...\n");
        return 2;
    }
    Net::ScriptProxyResolver resolver({argv[1], false});
    for (int i = 2; i < argc; ++i) Route(resolver, argv[i], "look-up");
    Route(resolver, argv[2], "cached");
    return 0;
}
