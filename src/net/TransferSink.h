// What a GET of the HTTP client tells while it runs.
#pragma once

#include <cstdint>
#include <string>

namespace Net {

// Receives the transfer events of HttpClient::Get, on the thread that calls
// Get. Each response body read, a redirect's included, is one transfer:
// TransferBegun, DataReceived as its bytes arrive, TransferEnded however it
// ends. An exception thrown here leaves Get unchanged.
class TransferSink {
public:
    virtual ~TransferSink() = default;
    // Tells that a response body begins: `total` is its Content-Length, or 0
    // when the body is chunked or ends with the connection.
    virtual void TransferBegun(std::int64_t total) = 0;
    // Tells the bytes of the current body so far, after each piece of it; a
    // body resumed after a dropped connection goes on counting from where it was.
    virtual void DataReceived(std::int64_t count) = 0;
    // Tells that the final body starts again from its first byte, `total` as
    // TransferBegun gives it: its resumption was answered with the whole body,
    // which replaces what was written. Stands for an end and a new begin.
    virtual void TransferRestarted(std::int64_t total) = 0;
    // Tells that the current body ended, also when its transfer failed.
    virtual void TransferEnded() = 0;
    // Tells that a redirect to `location` (absolute) is followed; comes before
    // the redirect's own body is read.
    virtual void Redirected(const std::wstring& location) = 0;
};

}  // namespace Net
