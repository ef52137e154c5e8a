// The TLS side of the HTTPS client, over OpenSSL: a negotiating client up to TLS 1.2
// that verifies the server's chain and name (SNI sent) against the system's trust
// store plus the CA file named by TVINSTALL_CA_FILE. Reads give up after a named time
// without any byte; Close from inside a progress event makes the next read fail.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "host/TcpSocket.h"

typedef struct ssl_st SSL;

namespace tv {

// A request received no byte for this long: it fails instead of hanging the wizard.
constexpr int DefaultReadTimeoutMs = 60 * 1000;

class TlsTransport {
public:
    TlsTransport();
    ~TlsTransport();
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    // Connects and shakes hands; throws Failure naming the host and the reason.
    void Open(const std::string& host, int port);
    // True while open and not closed by the server; never blocks.
    bool Connected() const;
    void Close();

    // Up to `size` bytes; 0 when the server ended the connection. Throws on errors,
    // on time-out and after Close.
    size_t Read(char* buffer, size_t size);
    void Write(const char* data, size_t size);

    const std::string& Host() const { return FHost; }
    int Port() const { return FPort; }

    int ReadTimeoutMs = DefaultReadTimeoutMs;
    // Runs about every 100 ms while a read or connect waits (the wizard pumps messages);
    // it may call Close, which ends the wait.
    std::function<void()> WhileWaiting;

private:
    [[noreturn]] void Fail(const std::string& what) const;
    void WaitFor(int sslError);
    bool KeepWaiting();
    void Release();
    struct SslDeleter {
        void operator()(SSL* ssl) const;
    };
    std::unique_ptr<TcpSocket> FSocket;
    std::unique_ptr<SSL, SslDeleter> FSsl;
    std::string FHost;
    int FPort = 0;
    bool FClosedByUs = false;
    // Waits under way: Close then only marks the connection, the wait releases it.
    int FWaits = 0;
};

} // namespace tv
