#include "support/StallingServer.h"

#include <stdexcept>

namespace TestSupport {

ScopedStallingServer::ScopedStallingServer(const std::wstring& url) {
    const std::wstring prefix = L"http://127.0.0.1:";
    if (url.compare(0, prefix.size(), prefix) != 0) throw std::runtime_error("the built-in URL is not on 127.0.0.1");
    port_ = std::stoi(url.substr(prefix.size()));
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0) {
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("the stalling server could not listen on port " + std::to_string(port_));
    }
    thread_ = std::thread([this] { Serve(); });
}

ScopedStallingServer::~ScopedStallingServer() {
    closesocket(listener_);  // ends accept, and with it the serving thread
    thread_.join();
    for (SOCKET connection : connections_) closesocket(connection);
    WSACleanup();
}

void ScopedStallingServer::Serve() {
    static const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nConnection: close\r\n\r\n0123456789";
    for (;;) {
        const SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        connections_.push_back(connection);
        char request[4096];
        recv(connection, request, sizeof request, 0);  // the request line and headers, not examined
        send(connection, answer, sizeof answer - 1, 0);
    }
}

}  // namespace TestSupport
