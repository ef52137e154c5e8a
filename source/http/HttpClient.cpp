#include "source/http/HttpClient.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "util/Failure.h"
#include "util/Strings.h"

namespace tv {

namespace {

constexpr size_t ReceiveBufferSize = size_t{256} * 1024;
constexpr const char* Accept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr const char* UserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr const char* FormContentType = "application/x-www-form-urlencoded";

// Resolves a Location against the address it answered.
// "host" with ":port" where the port is not the default, as the Host field writes it.
std::string HostAndPort(const Url& url) {
    return url.Port == 443 ? url.Host : url.Host + ":" + std::to_string(url.Port);
}

std::string Origin(const Url& url) {
    return "https://" + HostAndPort(url);
}

std::string Resolve(const Url& base, const std::string& location) {
    if (location.find("://") != std::string::npos) return location;
    if (location.rfind("//", 0) == 0) return "https:" + location;
    if (!location.empty() && location[0] == '/') return Origin(base) + location;
    std::string path = base.Path.substr(0, base.Path.find('?'));
    return Origin(base) + path.substr(0, path.rfind('/') + 1) + location;
}

} // namespace

Url ParseUrl(const std::string& address) {
    const std::string scheme = "https://";
    if (LowerAscii(address.substr(0, scheme.size())) != scheme)
        throw Failure("Nur HTTPS-Adressen werden unterstützt: " + address);
    std::string rest = address.substr(scheme.size());
    rest = rest.substr(0, rest.find('#'));
    size_t slash = rest.find_first_of("/?");
    std::string authority = rest.substr(0, slash);
    Url url;
    url.Path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (url.Path[0] == '?') url.Path = "/" + url.Path;
    if (size_t at = authority.rfind('@'); at != std::string::npos) authority = authority.substr(at + 1);
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos) {
        std::string port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(port) < 1 || std::stoi(port) > 65535)
            throw Failure("Ungültige Adresse: " + address);
        url.Port = std::stoi(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty()) throw Failure("Ungültige Adresse: " + address);
    url.Host = LowerAscii(authority);
    return url;
}

struct HttpClient::Answer {
    std::string StatusLine;
    int Status = 0;
    bool Chunked = false;
    bool HasLength = false;
    std::uint64_t Length = 0;
    std::string Location;
    bool Close = false;
    AnswerHead Head; // what a sink learns of a success
};

HttpClient::HttpClient(std::unique_ptr<HttpTransport> transport) : FTransport(std::move(transport)) {}

void HttpClient::Connect() {
    if (FTransport->Connected()) throw Failure("Die Verbindung ist bereits geöffnet");
    if (FHost.empty()) throw Failure("Keine Adresse für die Verbindung");
    FTransport->Open(FHost, FPort);
    FStart = FEnd = 0;
    FCloseAfter = false;
}

void HttpClient::ConnectTo(const Url& url) {
    bool same = FTransport->Host() == url.Host && FTransport->Port() == url.Port;
    if (!same || FCloseAfter || !FTransport->Connected()) {
        FTransport->Close();
        FHost = url.Host;
        FPort = url.Port;
        FTransport->Open(url.Host, url.Port);
        FStart = FEnd = 0;
        FCloseAfter = false;
    }
}

void HttpClient::Get(const std::string& address, HttpSink& sink) {
    Request("GET", address, sink);
}

void HttpClient::Post(const std::string& address, HttpSink& sink) {
    Request("POST", address, sink);
}

void HttpClient::Send(const std::string& method, const Url& url) {
    std::string head = method + " " + url.Path + " HTTP/1.1\r\n";
    head += std::string("Content-Type: ") + FormContentType + "\r\n";
    if (method == "POST") head += "Content-Length: 0\r\n";
    if (!CacheControl.empty()) head += "Cache-control: " + CacheControl + "\r\n";
    if (RangeFrom > 0) {
        head += "Range: bytes=" + std::to_string(RangeFrom) + "-\r\n";
        if (!IfRange.empty()) head += "If-Range: " + IfRange + "\r\n";
    }
    head += "Host: " + HostAndPort(url) + "\r\n";
    head += std::string("Accept: ") + Accept + "\r\n";
    head += "Accept-Encoding: identity\r\n";
    head += std::string("User-Agent: ") + UserAgent + "\r\n";
    if (BasicAuthentication && (!UserName.empty() || !Password.empty()))
        head += "Authorization: Basic " + EncodeBase64(UserName + ":" + Password) + "\r\n";
    std::string cookies = FCookies.CookieHeader(url.Host, url.Path, true);
    if (!cookies.empty()) head += "Cookie: " + cookies + "\r\n";
    head += "\r\n";
    FTransport->Write(head.data(), head.size());
    if (method == "POST" && OnWorkBegin) OnWorkBegin(WorkMode::Write, 0); // the empty form
}

size_t HttpClient::Fill() {
    if (FStart == FEnd) FStart = FEnd = 0;
    if (FBuffer.size() < ReceiveBufferSize) FBuffer.resize(ReceiveBufferSize);
    if (FEnd == FBuffer.size()) { // make room at the end
        std::memmove(FBuffer.data(), FBuffer.data() + FStart, FEnd - FStart);
        FEnd -= FStart;
        FStart = 0;
    }
    size_t n = FTransport->Read(FBuffer.data() + FEnd, FBuffer.size() - FEnd);
    FEnd += n;
    FWindowBytes += n;
    const auto now = std::chrono::steady_clock::now();
    if (now - FWindowStart >= SlowWindow) {
        if (FWindowBytes < SlowBytes) {
            FCloseAfter = true;
            throw Failure(FormatText(
                "Der Server %s liefert weniger als %d Bytes in %d s: die Übertragung gilt "
                "als abgebrochen",
                {FHost, std::to_string(SlowBytes),
                 std::to_string(std::chrono::duration_cast<std::chrono::seconds>(SlowWindow).count())}));
        }
        FWindowStart = now;
        FWindowBytes = 0;
    }
    return n;
}

std::string HttpClient::ReadLine() {
    size_t scanned = FStart;
    while (true) {
        const char* begin = FBuffer.data() + scanned;
        const void* newline = std::memchr(begin, '\n', FEnd - scanned);
        if (newline) {
            size_t end = static_cast<const char*>(newline) - FBuffer.data();
            std::string line = FBuffer.substr(FStart, end - FStart);
            FStart = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > MaxHeaderLine) break;
            return line;
        }
        scanned = FEnd;
        if (FEnd - FStart > MaxHeaderLine + 1) break;
        size_t before = FStart;
        if (Fill() == 0) {
            FCloseAfter = true;
            throw Failure("Verbindung zu " + FHost + " wurde vom Server geschlossen");
        }
        scanned -= before - FStart; // the buffer may have moved
    }
    FCloseAfter = true;
    throw Failure("Zeile der Serverantwort länger als " + std::to_string(MaxHeaderLine) + " Zeichen");
}

std::string HttpClient::ReadField(int& fields) {
    std::string line = ReadLine();
    if (!line.empty() && ++fields > MaxHeaderFields) {
        FCloseAfter = true;
        throw Failure("Mehr als " + std::to_string(MaxHeaderFields) + " Kopfzeilen in der Serverantwort");
    }
    return line;
}

HttpClient::Answer HttpClient::ReadHead(const Url& url) {
    for (int interim = 0;; ++interim) {
        if (interim > MaxInterimAnswers) {
            FCloseAfter = true;
            throw Failure("Mehr als " + std::to_string(MaxInterimAnswers) + " Zwischenantworten des Servers");
        }
        Answer answer;
        answer.StatusLine = ReadLine();
        if (answer.StatusLine.rfind("HTTP/", 0) != 0 || answer.StatusLine.size() < 12 ||
            answer.StatusLine[8] != ' ')
            throw Failure("Ungültige Antwort des Servers: " + answer.StatusLine.substr(0, 200));
        std::string code = answer.StatusLine.substr(9, 3);
        if (code.find_first_not_of("0123456789") != std::string::npos)
            throw Failure("Ungültige Antwort des Servers: " + answer.StatusLine.substr(0, 200));
        answer.Status = std::stoi(code);
        answer.Close = answer.StatusLine.rfind("HTTP/1.0", 0) == 0;
        int fields = 0;
        for (std::string line = ReadField(fields); !line.empty(); line = ReadField(fields)) {
            size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::string name = LowerAscii(TrimBlanks(line.substr(0, colon)));
            std::string value = TrimBlanks(line.substr(colon + 1));
            if (name == "content-length") {
                if (value.empty() || value.size() > 18 ||
                    value.find_first_not_of("0123456789") != std::string::npos)
                    throw Failure("Ungültige Länge in der Serverantwort: " + value.substr(0, 40));
                std::uint64_t length = std::stoull(value);
                // Two different lengths leave no way to tell where the body ends.
                if (answer.HasLength && length != answer.Length)
                    throw Failure("Widersprüchliche Längen in der Serverantwort");
                answer.HasLength = true;
                answer.Length = length;
            } else if (name == "transfer-encoding") {
                answer.Chunked = LowerAscii(value).find("chunked") != std::string::npos;
            } else if (name == "location") {
                answer.Location = value;
            } else if (name == "connection") {
                std::string lower = LowerAscii(value);
                if (lower.find("close") != std::string::npos) answer.Close = true;
                if (lower.find("keep-alive") != std::string::npos) answer.Close = false;
            } else if (name == "etag") {
                answer.Head.ETag = value;
            } else if (name == "last-modified") {
                answer.Head.LastModified = value;
            } else if (name == "content-range") {
                // "bytes first-last/total": where the body begins within the whole file.
                const std::string lower = LowerAscii(value);
                const size_t dash = lower.find('-');
                if (lower.rfind("bytes ", 0) == 0 && dash != std::string::npos && dash > 6 &&
                    dash - 6 <= 18 &&
                    lower.substr(6, dash - 6).find_first_not_of("0123456789") == std::string::npos) {
                    answer.Head.HasRange = true;
                    answer.Head.RangeFirst = std::stoull(lower.substr(6, dash - 6));
                }
            } else if (name == "set-cookie") {
                FCookies.Store(value, url.Host, url.Path.substr(0, url.Path.find('?')));
            }
        }
        if (answer.Status != 100) return answer;
    }
}

std::uint64_t HttpClient::ReadBody(const Answer& answer, HttpSink* sink) {
    if (answer.Status == 204 || answer.Status == 304 || (answer.Status >= 100 && answer.Status < 200))
        return 0;
    std::uint64_t received = 0;
    auto take = [&](std::uint64_t wanted) -> size_t {
        if (FStart == FEnd && Fill() == 0) return 0;
        size_t n = static_cast<size_t>(std::min<std::uint64_t>(wanted, FEnd - FStart));
        received += n;
        if (sink) {
            sink->Write(FBuffer.data() + FStart, n);
            if (OnWork) OnWork(WorkMode::Read, static_cast<std::int64_t>(received));
        }
        FStart += n;
        return n;
    };
    auto broken = [&] {
        FCloseAfter = true;
        throw Failure("Verbindung zu " + FHost + " wurde während der Übertragung abgebrochen");
    };
    if (answer.Chunked) {
        if (sink && OnWorkBegin) OnWorkBegin(WorkMode::Read, 0);
        while (true) {
            std::string line = ReadLine();
            std::string size = TrimBlanks(line.substr(0, line.find(';')));
            // More than 15 hex digits would overflow the count.
            if (size.empty() || size.size() > 15 ||
                size.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                throw Failure("Ungültige Blockgröße in der Serverantwort: " + size.substr(0, 40));
            std::uint64_t left = std::stoull(size, nullptr, 16);
            if (left == 0) break;
            while (left > 0) {
                size_t n = take(left);
                if (n == 0) broken();
                left -= n;
            }
            if (!ReadLine().empty()) throw Failure("Ungültiger Blockabschluss in der Serverantwort");
        }
        int fields = 0;
        while (!ReadField(fields).empty()) {
        } // trailer fields
        return received;
    }
    if (answer.HasLength) {
        if (sink && OnWorkBegin) OnWorkBegin(WorkMode::Read, static_cast<std::int64_t>(answer.Length));
        for (std::uint64_t left = answer.Length; left > 0;) {
            size_t n = take(left);
            if (n == 0) broken();
            left -= n;
        }
        return received;
    }
    if (sink && OnWorkBegin) OnWorkBegin(WorkMode::Read, 0);
    while (take(UINT64_MAX) > 0) {
    }
    FCloseAfter = true; // the body ended with the connection
    // Only TLS's close_notify tells such an end from a cut: a connection that merely drops
    // would hand on a truncated file as whole (RFC 9112, section 9.8).
    if (!FTransport->EndedCleanly())
        throw Failure("Verbindung zu " + FHost +
                      " wurde ohne TLS-Abschluss beendet: die Antwort ist womöglich unvollständig");
    return received;
}

void HttpClient::Request(std::string method, std::string address, HttpSink& sink) {
    try {
        Exchange(std::move(method), std::move(address), sink);
    } catch (const StatusFailure&) {
        throw; // the answer was read whole: the connection can serve on
    } catch (...) {
        FTransport->Close(); // whatever is left on the wire cannot be trusted
        throw;
    }
}

void HttpClient::Exchange(std::string method, std::string address, HttpSink& sink) {
    const std::string requested = address;
    FWindowStart = std::chrono::steady_clock::now();
    FWindowBytes = 0;
    sink.Mark();
    int redirects = 0;
    int repeats = 0;
    while (true) {
        Url url = ParseUrl(address);
        ConnectTo(url);
        const auto sent = std::chrono::steady_clock::now();
        Send(method, url);
        Answer answer = ReadHead(url);
        bool success = answer.Status >= 200 && answer.Status < 300;
        bool redirect =
            answer.Status >= 300 && answer.Status < 400 && answer.Status != 304 && !answer.Location.empty();
        if (success) {
            answer.Head.Status = answer.Status;
            sink.BeforeBody(answer.Head);
        }
        // An error body never reaches the sink.
        const std::uint64_t bytes = ReadBody(answer, success ? &sink : nullptr);
        if (OnAnswer)
            OnAnswer({method, Origin(url) + url.Path, answer.Status, bytes,
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count()});
        if (answer.Close) FCloseAfter = true;
        if (FCloseAfter) FTransport->Close();
        if (success) return;
        if (redirect) {
            // A chain this long is a loop or a misconfigured server: never an empty success.
            if (++redirects >= RedirectLimit) {
                sink.Rewind();
                throw StatusFailure(FormatText("Zu viele Weiterleitungen (%d) beim Abruf von %s",
                                               {std::to_string(RedirectLimit), requested}),
                                    answer.Status);
            }
            sink.Rewind();
            if (answer.Status == 303) method = "GET";
            address = Resolve(url, answer.Location);
            continue;
        }
        if (answer.Status == 401 && repeats < AuthenticationRepeats) {
            ++repeats;
            continue;
        }
        throw StatusFailure(answer.StatusLine, answer.Status);
    }
}

} // namespace tv
