#include "download/DownloadFileStream.h"

#include "win/Exception.h"

#include <algorithm>

// Readers are let in (a security scanner looks at a file while it is
// written); no other writer, no rename, no delete.
DownloadFileStream::DownloadFileStream(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
    Win::ThrowLastErrorIf(!file_, "CreateFileW");
}

void DownloadFileStream::Write(const void* data, std::size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        // WriteFile takes a 32-bit count; a larger piece goes in several calls.
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 0x40000000));
        DWORD written = 0;
        Win::ThrowLastErrorIf(!WriteFile(file_.get(), next, piece, &written, nullptr), "WriteFile");
        next += written;
        size -= written;
    }
}

bool DownloadFileStream::Restart() {
    const LARGE_INTEGER start = {};
    return SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) && SetEndOfFile(file_.get());
}
