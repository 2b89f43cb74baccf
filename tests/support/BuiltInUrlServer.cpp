#include "support/BuiltInUrlServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace TestSupport {

namespace {

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Answer";
    }
}

std::string Headers(const ServerAnswer& answer) {
    return "HTTP/1.1 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) +
           "\r\nContent-Length: " + std::to_string(answer.announced) + "\r\n" + answer.extraHeaders +
           "Connection: close\r\n\r\n";
}

// Reads up to the blank line that ends the request's head; returns its first
// line, or nothing when the connection ended first.
// Returns the request's head (its line and header lines), or what came before the connection ended.
std::string ReadRequestHead(SOCKET connection) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, got);
    }
    return head;
}

}  // namespace

ServerAnswer ServerAnswer::Body(std::string body, unsigned long bytesPerSecond) {
    ServerAnswer answer;
    answer.announced = body.size();
    answer.body = std::move(body);
    answer.bytesPerSecond = bytesPerSecond;
    return answer;
}

ServerAnswer ServerAnswer::Stall(unsigned long long announced) {
    ServerAnswer answer;
    answer.announced = announced;
    answer.body = "0123456789";
    answer.stall = true;
    return answer;
}

ServerAnswer ServerAnswer::Silent() {
    ServerAnswer answer;
    answer.silent = true;
    return answer;
}

ServerAnswer ServerAnswer::Status(int status) {
    ServerAnswer answer = Body("status " + std::to_string(status) + "\n");
    answer.status = status;
    return answer;
}

ServerAnswer ServerAnswer::ShortBody(std::string body, unsigned long long announced) {
    ServerAnswer answer = Body(std::move(body));
    answer.announced = announced;
    return answer;
}

ServerAnswer ServerAnswer::Redirect(int status, std::string location) {
    ServerAnswer answer;
    answer.status = status;
    answer.extraHeaders = "Location: " + location + "\r\n";
    return answer;
}

ServerAnswer ServerAnswer::Refused() {
    ServerAnswer answer;
    answer.refused = true;
    return answer;
}

int BuiltInUrlServer::BuiltInUrlPort() {
    const std::wstring url = UPDATER_DOWNLOAD_URL_FOR_TESTS;
    const std::wstring prefix = L"http://127.0.0.1:";
    if (url.compare(0, prefix.size(), prefix) != 0) throw std::runtime_error("the built-in URL is not on 127.0.0.1");
    return std::stoi(url.substr(prefix.size()));
}

BuiltInUrlServer::BuiltInUrlServer(ServerAnswer answer, int port) : answer_(std::move(answer)) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A fixed port may still be held for a moment, by a process of the test
    // before that is still ending; port 0 is bound as the system chooses it.
    constexpr int kBindAttempts = 50, kBindPauseMs = 100;
    for (int attempt = 1;; ++attempt) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET) break;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
        const int error = WSAGetLastError();
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        if (port == 0 || error != WSAEADDRINUSE || attempt == kBindAttempts) break;
        Sleep(kBindPauseMs);
    }
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET || (!answer_.refused && listen(listener_, 16) != 0) ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("the test server could not listen on port " + std::to_string(port));
    }
    port_ = ntohs(address.sin_port);
    if (!answer_.refused) acceptor_ = std::thread([this] { Accept(); });
}

BuiltInUrlServer::~BuiltInUrlServer() {
    stopping_ = true;
    closesocket(listener_);  // ends accept, and with it the accepting thread
    if (acceptor_.joinable()) acceptor_.join();
    {
        // Wakes the serving threads from a blocked send or recv.
        const std::lock_guard<std::mutex> lock(mutex_);
        for (SOCKET connection : connections_) shutdown(connection, SD_BOTH);
    }
    for (std::thread& server : servers_) server.join();
    for (SOCKET connection : connections_) closesocket(connection);
    WSACleanup();
}

std::vector<std::string> BuiltInUrlServer::RequestLines() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requestLines_;
}

std::vector<std::string> BuiltInUrlServer::RequestHeads() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requestHeads_;
}

void BuiltInUrlServer::Accept() {
    for (;;) {
        const SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            closesocket(connection);
            return;
        }
        connections_.push_back(connection);
        servers_.emplace_back([this, connection] { Serve(connection); });
    }
}

// Runs on a connection's own thread; the socket is closed by the destructor,
// so that it can wake this thread by shutting the socket down.
void BuiltInUrlServer::Serve(SOCKET connection) {
    const std::string head = ReadRequestHead(connection);
    const std::size_t end = head.find("\r\n");
    if (end == std::string::npos || end == 0) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        requestLines_.push_back(head.substr(0, end));
        requestHeads_.push_back(head);
    }
    if (answer_.silent) {
        while (!stopping_) WaitForStop(50);
        return;
    }
    const std::string headers = Headers(answer_);
    if (send(connection, headers.data(), static_cast<int>(headers.size()), 0) != static_cast<int>(headers.size()))
        return;
    if (!SendPaced(connection, answer_.body, answer_.bytesPerSecond)) return;
    if (answer_.stall) {
        while (!stopping_) WaitForStop(50);
        return;
    }
    // The end of the body is the end of the connection (Connection: close);
    // for a short body this is how the client learns that nothing more comes.
    shutdown(connection, SD_SEND);
}

bool BuiltInUrlServer::SendPaced(SOCKET connection, const std::string& bytes, unsigned long bytesPerSecond) {
    // Twenty pieces a second at the chosen rate; one piece without a rate.
    const std::size_t piece = bytesPerSecond ? std::max<std::size_t>(1, bytesPerSecond / 20) : bytes.size();
    for (std::size_t offset = 0; offset < bytes.size() && !stopping_; offset += piece) {
        const int size = static_cast<int>(std::min(piece, bytes.size() - offset));
        for (int sent = 0; sent < size;) {
            const int now = send(connection, bytes.data() + offset + sent, size - sent, 0);
            if (now <= 0) return false;
            sent += now;
            bodyBytesSent_ += now;
        }
        if (bytesPerSecond) WaitForStop(50);
    }
    return !stopping_;
}

void BuiltInUrlServer::WaitForStop(unsigned long ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_ && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace TestSupport
