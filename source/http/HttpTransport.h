// The byte stream under the HTTP client: a TLS connection in the program; anything
// else that can be opened, read and written (a scripted server answer when fuzzing).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "host/ProxyRoute.h"

namespace tv {

// A request received no byte for this long: it fails instead of hanging the wizard.
constexpr int DefaultReadTimeoutMs = 60 * 1000;

class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Connects; throws Failure naming the host and the reason.
    virtual void Open(const std::string& host, int port) = 0;
    // True while open and not closed by the server; never blocks.
    virtual bool Connected() const = 0;
    virtual void Close() = 0;
    // Up to `size` bytes; 0 when the server ended the connection. Throws on errors,
    // on time-out and after Close.
    virtual size_t Read(char* buffer, size_t size) = 0;
    virtual void Write(const char* data, size_t size) = 0;
    // After Read gave 0: whether the server ended the connection as its protocol says (TLS:
    // with close_notify), not merely by dropping it.
    virtual bool EndedCleanly() const = 0;

    virtual const std::string& Host() const = 0;
    virtual int Port() const = 0;

    int ReadTimeoutMs = DefaultReadTimeoutMs;
    // Runs about every 100 ms while a read or connect waits (the wizard pumps messages);
    // it may call Close, which ends the wait.
    std::function<void()> WhileWaiting;
    // Chooses each connection's route (direct, or through a proxy's tunnel); none: direct.
    // It may wait, calling `keepWaiting` now and then, and throws when that says stop.
    std::function<ProxyRoute(const std::string& host, int port, const std::function<bool()>& keepWaiting)>
        RouteFor;
    // Told each connection's route as it is opened.
    std::function<void(const ProxyRoute&)> OnRoute;
};

} // namespace tv
