// The ways an HTTP GET can fail.
#pragma once

#include "win/Exception.h"

namespace Net {

// A failed GET: what went wrong, the platform's error code or the HTTP status
// where there is one. Errors of the output stream are not wrapped: the stream's
// own exception leaves the GET.
class HttpError : public Win::Exception {
public:
    enum class ErrorKind {
        Connection,        // a platform call failed: name lookup, connect, TLS, send, receive, time-out
        Status,            // the final response has no success status
        TooManyRedirects,  // more redirects than the client's limit
        BadRedirect,       // no Location, a scheme other than http(s), or https to http
        ShortBody,         // the connection ended before Content-Length bytes arrived
        LongBody,          // more bytes arrived than Content-Length announced
        Aborted,           // the abort signal was set
    };

    // Makes a Connection error from a failed platform call.
    static HttpError Call(const char* call, unsigned long code);
    // Makes an error of any kind with a description.
    HttpError(ErrorKind kind, const std::wstring& what, unsigned long code = 0);

    ErrorKind Kind() const noexcept { return kind_; }
    // Returns the HTTP status for Status, the platform error code for Connection, else 0.
    unsigned long Code() const noexcept { return code_; }

private:
    ErrorKind kind_;
    unsigned long code_;
};

}  // namespace Net
