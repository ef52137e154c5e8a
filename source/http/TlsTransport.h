// The TLS side of the HTTPS client, over OpenSSL: a negotiating client up to TLS 1.2
// that verifies the server's chain and name (SNI sent) against the system's trust
// store plus the CA file named by TVINSTALL_CA_FILE. Reads give up after a named time
// without any byte; Close from inside a progress event makes the next read fail.
// Through a proxy, TLS runs inside its CONNECT tunnel, end to end with the server: the
// proxy sees no more than the server's name and port.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/TcpSocket.h"
#include "source/http/HttpTransport.h"

typedef struct ssl_st SSL;

namespace tv {

// A proxy's answer to CONNECT as far as it matters here.
struct TunnelAnswer {
    int Status = 0;
    std::string StatusLine; // printable, shortened: it came from outside
    std::string Schemes;    // of the Proxy-Authenticate fields, ", " between them
};
// Reads the head of a proxy's answer (up to its empty line); throws Failure for one that
// is no HTTP answer.
TunnelAnswer ReadTunnelAnswer(const std::string& head);

class TlsTransport : public HttpTransport {
public:
    TlsTransport();
    ~TlsTransport() override;
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    // Connects and shakes hands.
    void Open(const std::string& host, int port) override;
    bool Connected() const override;
    void Close() override;
    size_t Read(char* buffer, size_t size) override;
    void Write(const char* data, size_t size) override;
    bool EndedCleanly() const override { return FEndedCleanly; }

    const std::string& Host() const override { return FHost; }
    int Port() const override { return FPort; }

private:
    [[noreturn]] void Fail(const std::string& what) const;
    // Opens the TCP connection: to the server, or to the proxy with a tunnel to the server.
    void ConnectSocket(const ProxyRoute& route);
    void OpenTunnel(const ProxyRoute& route);
    // Waits for the socket as `Wait` says, failing with `where`'s name on a time-out or cancel.
    void WaitSocket(bool writable, const std::string& where);
    void WaitFor(int sslError);
    bool KeepWaiting();
    void Release();
    struct SslDeleter {
        void operator()(SSL* ssl) const;
    };
    std::unique_ptr<TcpSocket> FSocket;
    std::unique_ptr<SSL, SslDeleter> FSsl;
    bool FEndedCleanly = false;
    std::string FHost;
    int FPort = 0;
    bool FClosedByUs = false;
    // Waits under way: Close then only marks the connection, the wait releases it.
    int FWaits = 0;
};

} // namespace tv
