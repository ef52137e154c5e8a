// A TCP connection over IPv4 as the HTTPS client needs it: connecting with a time
// limit, waiting for readiness in slices (so a caller can keep the window alive and
// be cancelled meanwhile), and noticing without blocking that the peer has closed.
// The socket is non-blocking; reads and writes go through the TLS layer on Handle().
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tv {

class TcpSocket {
public:
    // Called every slice while waiting; may throw to give up.
    using WaitHook = std::function<void()>;

    // Resolves `host` to IPv4 and connects; throws Failure naming host, port and reason.
    static std::unique_ptr<TcpSocket> Connect(const std::string& host, int port, int timeoutMs,
                                              const WaitHook& whileWaiting);
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int Handle() const { return FHandle; }
    // True when the socket became ready within `timeoutMs`; the hook runs between slices.
    bool WaitReadable(int timeoutMs, const WaitHook& whileWaiting);
    bool WaitWritable(int timeoutMs, const WaitHook& whileWaiting);
    // True when the peer has closed or reset the connection; never blocks.
    bool PeerClosed() const;

private:
    explicit TcpSocket(int handle) : FHandle(handle) {}
    bool WaitFor(short events, int timeoutMs, const WaitHook& whileWaiting);
    int FHandle;
};

} // namespace tv
