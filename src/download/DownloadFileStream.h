// The download file as the HTTP client's output stream.
#pragma once

#include "net/HttpClient.h"
#include "win/Unique.h"

#include <string>

// Owns the open download file; closes it when destroyed. One thread at a time.
class DownloadFileStream : public Net::OutputStream {
public:
    // Creates the file at `path` anew (an existing one is truncated), for
    // reading and writing, shared with readers only. Raises SystemCallException.
    explicit DownloadFileStream(const std::wstring& path);

    // Appends `size` bytes; raises SystemCallException when the file system refuses them.
    void Write(const void* data, std::size_t size) override;
    // Empties the file for a body that starts again; false when the file system refuses.
    bool Restart() override;

private:
    Win::UniqueFile file_;
};
