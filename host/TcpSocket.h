// A TCP connection over IPv4 as the HTTPS client needs it: connecting with a time
// limit, waiting for readiness in slices (so a caller can keep the window alive and
// be cancelled meanwhile), and noticing without blocking that the peer has closed.
// The socket is non-blocking; reads and writes go through the TLS layer on Handle().
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace tv {

class TcpSocket {
public:
    // Called every slice while waiting; false ends the wait as cancelled.
    using WaitHook = std::function<bool()>;
    enum class WaitResult { Ready, TimedOut, Cancelled };

    // Resolves `host` to IPv4 and connects; throws Failure naming host, port and reason.
    static std::unique_ptr<TcpSocket> Connect(const std::string& host, int port, int timeoutMs,
                                              const WaitHook& keepWaiting);
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int Handle() const { return FHandle; }
    // Waits up to `timeoutMs` for readiness; the hook runs between slices.
    WaitResult WaitReadable(int timeoutMs, const WaitHook& keepWaiting);
    WaitResult WaitWritable(int timeoutMs, const WaitHook& keepWaiting);
    // True when the peer has closed or reset the connection; never blocks.
    bool PeerClosed() const;
    // Plain bytes for what precedes TLS (a proxy's tunnel), never blocking: how many were
    // moved, 0 when the peer has closed (Receive), -1 when the call would block. Throws
    // Failure naming `where` for an error.
    long Send(const char* data, size_t size, const std::string& where);
    long Receive(char* buffer, size_t size, const std::string& where);

private:
    explicit TcpSocket(int handle) : FHandle(handle) {}
    WaitResult WaitFor(bool writable, int timeoutMs, const WaitHook& keepWaiting);
    // After a connect that is under way: true once it has succeeded; otherwise `reason`
    // says why not. Throws when the wait is cancelled.
    bool FinishConnect(const std::string& where, int timeoutMs, const WaitHook& keepWaiting,
                       std::string& reason);
    // The connect's own outcome once the socket is writable: empty on success. Per platform.
    std::string ConnectError() const;
    // One slice of a wait: true when the socket is ready, or has an error the next call
    // reports. Implemented once per platform.
    bool PollSlice(bool writable, int sliceMs) const;
    int FHandle;
};

} // namespace tv
