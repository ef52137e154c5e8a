#include "host/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "util/Failure.h"

namespace tv {

namespace {

std::string Where(const std::string& host, int port) {
    return host + ":" + std::to_string(port);
}

} // namespace

TcpSocket::~TcpSocket() {
    if (FHandle >= 0) ::close(FHandle);
}

std::unique_ptr<TcpSocket> TcpSocket::Connect(const std::string& host, int port, int timeoutMs,
                                              const WaitHook& keepWaiting) {
    // A write to a connection the server has dropped must fail, not end the program.
    static std::once_flag ignorePipe;
    std::call_once(ignorePipe, [] { ::signal(SIGPIPE, SIG_IGN); });
    addrinfo hints{};
    hints.ai_family = AF_INET; // IPv4 only
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (error != 0) throw Failure("Der Server " + host + " wurde nicht gefunden: " + ::gai_strerror(error));
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);

    std::string lastError = "keine Adresse";
    for (addrinfo* address = found; address; address = address->ai_next) {
        int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (handle < 0) throw Failure("Verbindung zu " + Where(host, port) + ": " + std::strerror(errno));
        std::unique_ptr<TcpSocket> socket(new TcpSocket(handle));
        int one = 1;
        ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(handle, address->ai_addr, address->ai_addrlen) == 0) return socket;
        if (errno != EINPROGRESS) {
            lastError = std::strerror(errno);
            continue;
        }
        if (socket->FinishConnect(Where(host, port), timeoutMs, keepWaiting, lastError)) return socket;
    }
    throw Failure("Verbindung zu " + Where(host, port) + " fehlgeschlagen: " + lastError);
}

std::string TcpSocket::ConnectError() const {
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(FHandle, SOL_SOCKET, SO_ERROR, &error, &length);
    return error == 0 ? std::string() : std::strerror(error);
}

bool TcpSocket::PollSlice(bool writable, int sliceMs) const {
    pollfd fd{FHandle, static_cast<short>(writable ? POLLOUT : POLLIN), 0};
    int ready = ::poll(&fd, 1, sliceMs);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

bool TcpSocket::PeerClosed() const {
    pollfd fd{FHandle, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0) return false; // nothing pending: still open
    if (fd.revents & (POLLERR | POLLHUP)) return true;
    char byte;
    ssize_t n = ::recv(FHandle, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

long TcpSocket::Send(const char* data, size_t size, const std::string& where) {
    ssize_t n = ::send(FHandle, data, size, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return -1;
    throw Failure("Verbindung zu " + where + ": " + std::strerror(errno));
}

long TcpSocket::Receive(char* buffer, size_t size, const std::string& where) {
    ssize_t n = ::recv(FHandle, buffer, size, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return -1;
    throw Failure("Verbindung zu " + where + ": " + std::strerror(errno));
}

} // namespace tv
