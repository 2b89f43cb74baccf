// The baseline for the updater's download: the barest loop over WinINet that
// fetches a URL into a file. The updater's cache flags, one buffer, WriteFile
// for every piece; no window, no thread of its own, no progress.
//
// Usage: wininet-loop.exe [--async] [--piece KIB] URL FILE
// By default the calls are synchronous with 64 KiB pieces. --async opens the
// session in asynchronous mode as the updater does and waits for each pending
// call on an event; --piece sets the read size.
// Prints "<bytes> <seconds>" (first call to last write) and exits with 0, or
// prints the failed call and its error and exits with 1.
#include "net/InternetHandle.h"
#include "win/Unique.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

int Failed(const char* call, DWORD error) {
    std::fprintf(stderr, "%s failed: %lu\n", call, error);
    return 1;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What the status callback hands back for a pending call.
struct Completion {
    Win::UniqueHandle Event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    INTERNET_ASYNC_RESULT Result = {};
};

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || !context) return;
    auto* completion = reinterpret_cast<Completion*>(context);
    completion->Result = *static_cast<const INTERNET_ASYNC_RESULT*>(info);
    SetEvent(completion->Event.get());
}

// Waits for a call that returned ERROR_IO_PENDING; returns its result (0: failed).
DWORD_PTR AwaitPending(Completion& completion) {
    WaitForSingleObject(completion.Event.get(), INFINITE);
    if (!completion.Result.dwResult) SetLastError(completion.Result.dwError);
    return completion.Result.dwResult;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool async = false;
    DWORD piece = 64 * 1024;
    int next = 1;
    for (; next < argc && argv[next][0] == L'-'; ++next) {
        if (std::wcscmp(argv[next], L"--async") == 0) async = true;
        else if (std::wcscmp(argv[next], L"--piece") == 0 && next + 1 < argc) piece = std::wcstoul(argv[++next], nullptr, 10) * 1024;
    }
    if (argc - next != 2 || piece == 0) {
        std::fprintf(stderr, "usage: wininet-loop.exe [--async] [--piece KIB] URL FILE\n");
        return 2;
    }
    const wchar_t* url = argv[next];
    const wchar_t* path = argv[next + 1];
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    Completion completion;
    const Net::UniqueHInternet session(
        InternetOpenW(L"wininet-loop", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, async ? INTERNET_FLAG_ASYNC : 0));
    if (!session) return Failed("InternetOpenW", GetLastError());
    if (async) InternetSetStatusCallbackW(session.get(), StatusCallback);
    // The same cache flags as the updater: no cached copy is read or written.
    HINTERNET opened = InternetOpenUrlW(
        session.get(), url, nullptr, 0,
        INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI,
        reinterpret_cast<DWORD_PTR>(&completion));
    if (!opened && async && GetLastError() == ERROR_IO_PENDING)
        opened = reinterpret_cast<HINTERNET>(AwaitPending(completion));
    const Net::UniqueHInternet request(opened);
    if (!request) return Failed("InternetOpenUrlW", GetLastError());
    const Win::UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failed("CreateFileW", GetLastError());
    std::vector<char> buffer(piece);
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (async) {
            INTERNET_BUFFERSA buffers = {};
            buffers.dwStructSize = sizeof buffers;
            buffers.lpvBuffer = buffer.data();
            buffers.dwBufferLength = piece;
            if (!InternetReadFileExA(request.get(), &buffers, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(&completion)) &&
                (GetLastError() != ERROR_IO_PENDING || !AwaitPending(completion)))
                return Failed("InternetReadFileExA", GetLastError());
            read = buffers.dwBufferLength;
        } else if (!InternetReadFile(request.get(), buffer.data(), piece, &read)) {
            return Failed("InternetReadFile", GetLastError());
        }
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(file.get(), buffer.data(), read, &written, nullptr) || written != read)
            return Failed("WriteFile", GetLastError());
        total += read;
    }
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    std::printf("%llu %.6f\n", total, Seconds(start, end));
    return 0;
}
