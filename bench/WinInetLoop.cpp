// The baseline for the updater's download: the barest loop over WinINet that
// fetches a URL into a file. Synchronous calls, the updater's cache flags, one
// 64 KiB buffer, WriteFile for every piece; no window, no thread, no events.
//
// Usage: wininet-loop.exe URL FILE
// Prints "<bytes> <seconds>" (first call to last write) and exits with 0, or
// prints the failed call and its error and exits with 1.
#include "net/InternetHandle.h"
#include "win/Unique.h"

#include <cstdio>

namespace {

int Failed(const char* call) {
    std::fprintf(stderr, "%s failed: %lu\n", call, GetLastError());
    return 1;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wininet-loop.exe URL FILE\n");
        return 2;
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const Net::UniqueHInternet session(InternetOpenW(L"wininet-loop", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return Failed("InternetOpenW");
    // The same cache flags as the updater: no cached copy is read or written.
    const Net::UniqueHInternet request(InternetOpenUrlW(
        session.get(), argv[1], nullptr, 0,
        INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI, 0));
    if (!request) return Failed("InternetOpenUrlW");
    const Win::UniqueFile file(
        CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failed("CreateFileW");
    static char buffer[64 * 1024];
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), buffer, sizeof buffer, &read)) return Failed("InternetReadFile");
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(file.get(), buffer, read, &written, nullptr) || written != read) return Failed("WriteFile");
        total += read;
    }
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    std::printf("%llu %.6f\n", total, Seconds(start, end));
    return 0;
}
