// A TCP listener on loopback that never speaks, for tests of waits that must stay
// cancellable: with `fullQueue` its one-place queue is taken by a connection of its own,
// so a further connect waits; otherwise connections are taken and the TLS handshake
// waits for an answer that never comes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tv::testbed {

class MuteListener {
public:
    explicit MuteListener(bool fullQueue = false) {
#ifdef _WIN32
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
#endif
        FListen = static_cast<std::intptr_t>(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        Check(::bind(Native(FListen), reinterpret_cast<sockaddr*>(&address), size));
        Check(::listen(Native(FListen), fullQueue ? 0 : 8));
        ::getsockname(Native(FListen), reinterpret_cast<sockaddr*>(&address), &size);
        FPort = ntohs(address.sin_port);
        if (fullQueue) {
            FFiller = static_cast<std::intptr_t>(::socket(AF_INET, SOCK_STREAM, 0));
            Check(::connect(Native(FFiller), reinterpret_cast<sockaddr*>(&address), size));
        }
    }
    ~MuteListener() {
        for (std::intptr_t fd : {FFiller, FListen})
            if (fd != -1) Close(fd);
    }
    MuteListener(const MuteListener&) = delete;
    MuteListener& operator=(const MuteListener&) = delete;

    std::string Address() const {
        return "https://127.0.0.1:" + std::to_string(FPort) + "/";
    }
    int Port() const {
        return FPort;
    }

private:
#ifdef _WIN32
    using socklen_t = int;
    static SOCKET Native(std::intptr_t fd) {
        return static_cast<SOCKET>(fd);
    }
    static void Close(std::intptr_t fd) {
        ::closesocket(Native(fd));
    }
#else
    static int Native(std::intptr_t fd) {
        return static_cast<int>(fd);
    }
    static void Close(std::intptr_t fd) {
        ::close(Native(fd));
    }
#endif
    static void Check(int result) {
        if (result != 0) throw std::runtime_error("the mute listener cannot be set up");
    }
    std::intptr_t FListen = -1;
    std::intptr_t FFiller = -1;
    int FPort = 0;
};

} // namespace tv::testbed
