// TCP on Winsock: non-blocking connect with a time limit, waits in slices with select.
#include "host/TcpSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "host/win32/Wide.h"
#include "util/Failure.h"

namespace tv {

namespace {

std::string Where(const std::string& host, int port) {
    return host + ":" + std::to_string(port);
}

void StartWinsock() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw Failure("Winsock kann nicht gestartet werden");
    });
}

SOCKET Native(int handle) {
    return static_cast<SOCKET>(handle);
}

} // namespace

TcpSocket::~TcpSocket() {
    if (FHandle >= 0) closesocket(Native(FHandle));
}

std::unique_ptr<TcpSocket> TcpSocket::Connect(const std::string& host, int port, int timeoutMs,
                                              const WaitHook& keepWaiting) {
    StartWinsock();
    addrinfo hints{};
    hints.ai_family = AF_INET; // IPv4 only
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (error != 0)
        throw Failure("Der Server " + host +
                      " wurde nicht gefunden: " + SystemMessage(static_cast<DWORD>(error)));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);

    std::string lastError = "keine Adresse";
    for (addrinfo* address = found; address; address = address->ai_next) {
        SOCKET handle = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
        if (handle == INVALID_SOCKET)
            throw Failure("Verbindung zu " + Where(host, port) + ": " + SystemMessage(WSAGetLastError()));
        std::unique_ptr<TcpSocket> socket(new TcpSocket(static_cast<int>(handle)));
        u_long nonBlocking = 1;
        ioctlsocket(handle, FIONBIO, &nonBlocking);
        BOOL one = TRUE;
        setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        if (connect(handle, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) return socket;
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            lastError = SystemMessage(WSAGetLastError());
            continue;
        }
        if (socket->FinishConnect(Where(host, port), timeoutMs, keepWaiting, lastError)) return socket;
    }
    throw Failure("Verbindung zu " + Where(host, port) + " fehlgeschlagen: " + lastError);
}

std::string TcpSocket::ConnectError() const {
    int error = 0;
    int length = sizeof error;
    getsockopt(Native(FHandle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error == 0 ? std::string() : SystemMessage(static_cast<DWORD>(error));
}

bool TcpSocket::PollSlice(bool writable, int sliceMs) const {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(Native(FHandle), &ready);
    FD_SET(Native(FHandle), &failed); // a refused connect shows here
    timeval wait{sliceMs / 1000, (sliceMs % 1000) * 1000};
    return (writable ? select(0, nullptr, &ready, &failed, &wait)
                     : select(0, &ready, nullptr, &failed, &wait)) != 0;
}

bool TcpSocket::PeerClosed() const {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(FHandle), &readable);
    timeval now{0, 0};
    if (select(0, &readable, nullptr, nullptr, &now) <= 0) return false; // nothing pending: still open
    char byte;
    int n = recv(Native(FHandle), &byte, 1, MSG_PEEK);
    return n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK && WSAGetLastError() != WSAEINTR);
}

long TcpSocket::Send(const char* data, size_t size, const std::string& where) {
    int n = send(Native(FHandle), data, static_cast<int>(size), 0);
    if (n >= 0) return n;
    if (WSAGetLastError() == WSAEWOULDBLOCK || WSAGetLastError() == WSAEINTR) return -1;
    throw Failure("Verbindung zu " + where + ": " + SystemMessage(WSAGetLastError()));
}

long TcpSocket::Receive(char* buffer, size_t size, const std::string& where) {
    int n = recv(Native(FHandle), buffer, static_cast<int>(size), 0);
    if (n >= 0) return n;
    if (WSAGetLastError() == WSAEWOULDBLOCK || WSAGetLastError() == WSAEINTR) return -1;
    throw Failure("Verbindung zu " + where + ": " + SystemMessage(WSAGetLastError()));
}

} // namespace tv
