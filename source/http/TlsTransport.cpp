#include "source/http/TlsTransport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "host/TrustStore.h"
#include "util/Failure.h"
#include "util/Strings.h"

namespace tv {

namespace {

std::string OpenSslErrors() {
    std::string text;
    while (unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty()) text += "; ";
        text += buffer;
    }
    return text;
}

// One client context for the program's life: trust store, versions, no client certificate.
SSL_CTX* ClientContext() {
    static std::once_flag once;
    static SSL_CTX* context = nullptr;
    static std::string caFileFailure; // reported by every connection, not only the first
    std::call_once(once, [] {
        context = SSL_CTX_new(TLS_client_method());
        if (!context) return;
        // Up to TLS 1.2, as the wizard has always negotiated with the vendor's server: 1.3
        // was never tried against it, and 1.2 with verified certificates is sound.
        SSL_CTX_set_max_proto_version(context, TLS1_2_VERSION);
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_default_verify_paths(context);
        X509_STORE* trusted = SSL_CTX_get_cert_store(context);
        for (const std::string& der : SystemRootCertificates()) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
            if (X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(der.size()))) {
                X509_STORE_add_cert(trusted, certificate); // a duplicate is refused, harmlessly
                X509_free(certificate);
            }
        }
        ERR_clear_error();
        // A file named for extra trust that gives none would fail every connection with a
        // puzzling certificate error: say what is wrong with the file instead.
        if (const char* extra = std::getenv("TVINSTALL_CA_FILE"); extra && *extra) {
            if (SSL_CTX_load_verify_locations(context, extra, nullptr) != 1)
                caFileFailure =
                    FormatText("Die Zertifikatsdatei %s (TVINSTALL_CA_FILE) kann nicht gelesen werden "
                               "oder enthält kein Zertifikat: %s",
                               {extra, OpenSslErrors()});
            ERR_clear_error();
        }
        SSL_CTX_set_mode(context, SSL_MODE_AUTO_RETRY | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        // Reading ahead takes several records per system call: fewer calls on fast downloads.
        SSL_CTX_set_read_ahead(context, 1);
        SSL_CTX_set_default_read_buffer_len(context, size_t{256} * 1024);
    });
    if (!context) throw Failure("TLS kann nicht eingerichtet werden: " + OpenSslErrors());
    if (!caFileFailure.empty()) throw Failure(caFileFailure);
    return context;
}

constexpr size_t MaxTunnelHead = 16384;

std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, 200))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    return out;
}

} // namespace

TunnelAnswer ReadTunnelAnswer(const std::string& head) {
    TunnelAnswer answer;
    const std::vector<std::string> lines = SplitTokens(head, '\n');
    const std::string first = TrimControl(lines.empty() ? std::string() : lines.front());
    answer.StatusLine = Printable(first);
    if (first.rfind("HTTP/1.", 0) != 0 || first.size() < 12 || first[8] != ' ' ||
        first.substr(9, 3).find_first_not_of("0123456789") != std::string::npos)
        throw Failure("Ungültige Antwort auf CONNECT: " + answer.StatusLine);
    answer.Status = std::stoi(first.substr(9, 3));
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t colon = lines[i].find(':');
        if (colon == std::string::npos ||
            !SameText(TrimBlanks(lines[i].substr(0, colon)), "Proxy-Authenticate"))
            continue;
        // Each challenge begins with its scheme; parameters (name=value) follow.
        for (const std::string& part : SplitTokens(lines[i].substr(colon + 1), ',')) {
            const std::string challenge = TrimBlanks(TrimControl(part));
            const std::string word = challenge.substr(0, challenge.find(' '));
            if (word.empty() || word.find('=') != std::string::npos) continue;
            const std::string scheme = Printable(word.substr(0, 40));
            if (answer.Schemes.find(scheme) == std::string::npos)
                answer.Schemes += (answer.Schemes.empty() ? "" : ", ") + scheme;
        }
    }
    return answer;
}

void TlsTransport::SslDeleter::operator()(SSL* ssl) const {
    SSL_free(ssl);
}

TlsTransport::TlsTransport() = default;
TlsTransport::~TlsTransport() {
    Close();
}

void TlsTransport::Fail(const std::string& what) const {
    throw Failure("Verbindung zu " + FHost + ":" + std::to_string(FPort) + ": " + what);
}

void TlsTransport::Open(const std::string& host, int port) {
    Close();
    FHost = host;
    FPort = port;
    FClosedByUs = false;
    FEndedCleanly = false;
    SSL_CTX* context = ClientContext();
    ++FWaits;
    try {
        const ProxyRoute route =
            RouteFor ? RouteFor(host, port, [this] { return KeepWaiting(); }) : ProxyRoute{};
        if (OnRoute) OnRoute(route);
        ConnectSocket(route);
    } catch (...) {
        --FWaits;
        FSocket.reset();
        throw;
    }
    --FWaits;
    if (FClosedByUs) {
        Release();
        Fail("Verbindung wurde geschlossen");
    }
    FSsl.reset(SSL_new(context));
    if (!FSsl) Fail(OpenSslErrors());
    SSL_set_fd(FSsl.get(), FSocket->Handle());
    // The name to check the certificate against, and to send as SNI.
    X509_VERIFY_PARAM* param = SSL_get0_param(FSsl.get());
    if (IsIpv4Address(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
        SSL_set_tlsext_host_name(FSsl.get(), host.c_str());
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
    }
    ERR_clear_error();
    while (true) {
        int result = SSL_connect(FSsl.get());
        if (result == 1) break;
        int error = SSL_get_error(FSsl.get(), result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            WaitFor(error);
            continue;
        }
        long verify = SSL_get_verify_result(FSsl.get());
        std::string reason = verify != X509_V_OK ? std::string("Zertifikat abgelehnt: ") +
                                                       X509_verify_cert_error_string(verify)
                                                 : "TLS-Handshake fehlgeschlagen: " + OpenSslErrors();
        const std::string host = FHost;
        const int port = FPort;
        Close();
        throw Failure(FormatText("Verbindung zu %s:%s: %s", {host, std::to_string(port), reason}));
    }
}

void TlsTransport::ConnectSocket(const ProxyRoute& route) {
    if (route.Direct()) {
        FSocket = TcpSocket::Connect(FHost, FPort, ReadTimeoutMs, [this] { return KeepWaiting(); });
        return;
    }
    try {
        FSocket = TcpSocket::Connect(route.Host, route.Port, ReadTimeoutMs, [this] { return KeepWaiting(); });
        OpenTunnel(route);
    } catch (const Failure& e) {
        throw Failure(FormatText("Proxy %s (%s): %s", {route.Shown(), route.Why, e.what()}));
    }
}

void TlsTransport::WaitSocket(bool writable, const std::string& where) {
    auto keepWaiting = [this] { return KeepWaiting(); };
    const TcpSocket::WaitResult result = writable ? FSocket->WaitWritable(ReadTimeoutMs, keepWaiting)
                                                  : FSocket->WaitReadable(ReadTimeoutMs, keepWaiting);
    if (result == TcpSocket::WaitResult::Cancelled || FClosedByUs)
        throw Failure("Verbindung zu " + where + " wurde abgebrochen");
    if (result == TcpSocket::WaitResult::TimedOut)
        throw Failure("Zeitüberschreitung: seit " + std::to_string(ReadTimeoutMs / 1000) +
                      " Sekunden keine Antwort");
}

void TlsTransport::OpenTunnel(const ProxyRoute& route) {
    const std::string where = route.Shown();
    const std::string target = FHost + ":" + std::to_string(FPort);
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!route.User.empty())
        request += "Proxy-Authorization: Basic " + EncodeBase64(route.User + ":" + route.Password) + "\r\n";
    request += "\r\n";
    for (size_t sent = 0; sent < request.size();) {
        const long n = FSocket->Send(request.data() + sent, request.size() - sent, where);
        if (n < 0)
            WaitSocket(true, where);
        else
            sent += static_cast<size_t>(n);
    }
    // Byte by byte: what follows the head is the server's TLS, and not the proxy's to read.
    std::string head;
    while (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) {
        if (head.size() >= MaxTunnelHead) throw Failure("Die Antwort auf CONNECT ist zu lang");
        char byte;
        const long n = FSocket->Receive(&byte, 1, where);
        if (n < 0)
            WaitSocket(false, where);
        else if (n == 0)
            throw Failure("Der Proxy hat die Verbindung ohne Antwort auf CONNECT geschlossen");
        else
            head += byte;
    }
    const TunnelAnswer answer = ReadTunnelAnswer(head);
    if (answer.Status >= 200 && answer.Status <= 299) return;
    // 407 as the protocol has it; some proxies answer a refused login with 401.
    if (answer.Status == 407 || answer.Status == 401) {
        const bool basic = answer.Schemes.empty() || answer.Schemes.find("Basic") != std::string::npos;
        if (!basic)
            throw Failure(
                FormatText("Der Proxy verlangt eine Anmeldung mit %s; das Setup meldet sich nur mit "
                           "Basic an. Antwort: %s",
                           {answer.Schemes, answer.StatusLine}));
        if (route.User.empty())
            throw Failure(
                "Der Proxy verlangt eine Anmeldung: geben Sie /PROXYUSER= und /PROXYPASSWORD= (oder "
                "TVINSTALL_PROXY_PASSWORD) an. Antwort: " +
                answer.StatusLine);
        throw Failure("Der Proxy hat die Anmeldung abgelehnt. Antwort: " + answer.StatusLine);
    }
    throw Failure(
        FormatText("Der Proxy lässt keine Verbindung zu %s zu. Antwort: %s", {target, answer.StatusLine}));
}

bool TlsTransport::KeepWaiting() {
    if (WhileWaiting) WhileWaiting();
    return !FClosedByUs;
}

void TlsTransport::WaitFor(int sslError) {
    if (FClosedByUs || !FSocket) Fail("Verbindung wurde geschlossen");
    ++FWaits;
    auto keepWaiting = [this] { return KeepWaiting(); };
    TcpSocket::WaitResult result = sslError == SSL_ERROR_WANT_WRITE
                                       ? FSocket->WaitWritable(ReadTimeoutMs, keepWaiting)
                                       : FSocket->WaitReadable(ReadTimeoutMs, keepWaiting);
    --FWaits;
    // The hook may have closed us (a cancel): that ends the request here.
    if (FClosedByUs) {
        Release();
        Fail("Verbindung wurde geschlossen");
    }
    if (result == TcpSocket::WaitResult::TimedOut)
        Fail("Zeitüberschreitung: seit " + std::to_string(ReadTimeoutMs / 1000) + " Sekunden keine Antwort");
}

bool TlsTransport::Connected() const {
    if (!FSsl || !FSocket || FClosedByUs) return false;
    if (!FSocket->PeerClosed()) {
        // Readable data on an idle connection is the server's goodbye or a broken stream.
        char byte;
        ERR_clear_error();
        int n = SSL_peek(FSsl.get(), &byte, 1);
        if (n > 0) return true;
        int error = SSL_get_error(FSsl.get(), n);
        return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
    }
    return false;
}

void TlsTransport::Close() {
    if (FWaits > 0) {
        // Called from inside a wait (a cancel): the wait sees the mark and releases.
        FClosedByUs = true;
        return;
    }
    if (FSsl && !FClosedByUs) {
        SSL_set_quiet_shutdown(FSsl.get(), 1); // no waiting for the server's answer
        SSL_shutdown(FSsl.get());
    }
    FClosedByUs = FSsl != nullptr;
    Release();
}

void TlsTransport::Release() {
    FSsl.reset();
    FSocket.reset();
}

size_t TlsTransport::Read(char* buffer, size_t size) {
    while (true) {
        if (!FSsl) Fail("Verbindung wurde geschlossen");
        ERR_clear_error();
        errno = 0;
        int n = SSL_read(FSsl.get(), buffer, static_cast<int>(std::min<size_t>(size, 1 << 30)));
        if (n > 0) return static_cast<size_t>(n);
        int error = SSL_get_error(FSsl.get(), n);
        if (error == SSL_ERROR_ZERO_RETURN) {
            FEndedCleanly = true;
            return 0;
        }
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            WaitFor(error);
            continue;
        }
        // A server that drops the connection without close_notify: an end, but not a clean
        // one; the client decides whether the answer's framing allows it.
        FEndedCleanly = false;
        if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 && errno == 0) return 0;
        std::string detail = OpenSslErrors();
        if (detail.find("unexpected eof") != std::string::npos) return 0;
        Fail(detail.empty() ? "Verbindung abgebrochen" : detail);
    }
}

void TlsTransport::Write(const char* data, size_t size) {
    size_t written = 0;
    while (written < size) {
        if (!FSsl) Fail("Verbindung wurde geschlossen");
        ERR_clear_error();
        size_t n = 0;
        int result = SSL_write_ex(FSsl.get(), data + written, size - written, &n);
        if (result == 1) {
            written += n;
            continue;
        }
        int error = SSL_get_error(FSsl.get(), result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            WaitFor(error);
            continue;
        }
        std::string detail = OpenSslErrors();
        Fail(detail.empty() ? "Verbindung abgebrochen" : detail);
    }
}

} // namespace tv
