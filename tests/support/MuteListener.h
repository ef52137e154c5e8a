// A TCP listener on loopback that never speaks, for tests of waits that must stay
// cancellable (POSIX).
#pragma once

#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace tv::testbed {

// A TCP listener on loopback that never speaks: with `fullQueue` its one-place queue is
// taken by a connection of its own, so a further connect waits; otherwise connections are
// taken and the TLS handshake waits for an answer that never comes.
class MuteListener {
public:
    explicit MuteListener(bool fullQueue = false) {
        FListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        Check(bind(FListen, reinterpret_cast<sockaddr*>(&address), size));
        Check(listen(FListen, fullQueue ? 0 : 8));
        getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &size);
        FPort = ntohs(address.sin_port);
        if (fullQueue) {
            FFiller = socket(AF_INET, SOCK_STREAM, 0);
            Check(connect(FFiller, reinterpret_cast<sockaddr*>(&address), size));
        }
    }
    ~MuteListener() {
        for (int fd : {FFiller, FListen})
            if (fd >= 0) close(fd);
    }
    std::string Address() const { return "https://127.0.0.1:" + std::to_string(FPort) + "/"; }
    int Port() const { return FPort; }

private:
    static void Check(int result) {
        if (result != 0) throw std::runtime_error("the mute listener cannot be set up");
    }
    int FListen = -1;
    int FFiller = -1;
    int FPort = 0;
};

} // namespace tv::testbed
