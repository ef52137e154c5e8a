// HTTP/1.1 client after RFC 9112 over the TLS transport: one kept connection,
// preemptive Basic authentication, redirects, 401 repeats, Content-Length, chunked and
// until-close bodies straight into a sink, cookies after RFC 6265, progress events.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "source/http/CookieJar.h"
#include "source/http/HttpSink.h"
#include "source/http/TlsTransport.h"
#include "util/Failure.h"

namespace tv {

// Longer status or header lines fail the request.
constexpr size_t MaxHeaderLine = 16384;
// More header fields (or trailer fields) in one answer fail the request: each may hold a
// cookie, and a server that never ends its head would keep the wizard reading.
constexpr int MaxHeaderFields = 256;
// More interim answers (100 Continue) before the real one fail the request.
constexpr int MaxInterimAnswers = 16;
// The answer that brings the redirect count to this is not followed: the request fails.
constexpr int RedirectLimit = 15;
// A request is sent again at most this often after a 401.
constexpr int AuthenticationRepeats = 3;

enum class WorkMode { Read, Write };

// An answer whose status is not a success, read whole: the connection can serve on.
class StatusFailure : public Failure {
public:
    StatusFailure(const std::string& statusLine, int status) : Failure(statusLine), FStatus(status) {}
    int Status() const { return FStatus; }

private:
    int FStatus;
};

// One answer as the run log records it: never a credential or a cookie.
struct AnswerRecord {
    std::string Method;
    std::string Address; // as requested: host, port and path, no user part
    int Status = 0;
    std::uint64_t Bytes = 0; // of the body
    double Seconds = 0;      // from sending the request to the body's end
};

struct Url {
    std::string Host;
    int Port = 443;
    std::string Path = "/"; // with the query, without the fragment
};

// Only https addresses; throws Failure for anything else.
Url ParseUrl(const std::string& address);

class HttpClient {
public:
    // Over TLS unless another transport is given.
    explicit HttpClient(std::unique_ptr<HttpTransport> transport = std::make_unique<TlsTransport>());

    std::string UserName;
    std::string Password;
    bool BasicAuthentication = true;
    std::string CacheControl;
    // The next requests ask for the body from this byte on ("Range"), guarded by this
    // validator ("If-Range"); 0 asks for all of it.
    std::uint64_t RangeFrom = 0;
    std::string IfRange;

    // An answer that delivers fewer than SlowBytes in any SlowWindow counts as broken: a
    // server that sends a byte now and then must not hold a run for ever. Tests shorten it.
    std::chrono::milliseconds SlowWindow{60 * 1000};
    std::uint64_t SlowBytes = 60ULL * 1024; // 1 KiB/s

    // Begin of a transfer with its length (0 when unknown), and progress with the count so far.
    std::function<void(WorkMode, std::int64_t)> OnWorkBegin;
    std::function<void(WorkMode, std::int64_t)> OnWork;
    // Each answer read whole, redirects and 401s included.
    std::function<void(const AnswerRecord&)> OnAnswer;

    HttpTransport& Transport() { return *FTransport; }
    CookieJar& Cookies() { return FCookies; }

    bool Connected() const { return FTransport->Connected(); }
    // Opens the connection to the host and port of the last request.
    void Connect();
    void Disconnect() { FTransport->Close(); }

    void Get(const std::string& address, HttpSink& sink);
    // POST of an empty form.
    void Post(const std::string& address, HttpSink& sink);

private:
    struct Answer;
    void Request(std::string method, std::string address, HttpSink& sink);
    void Exchange(std::string method, std::string address, HttpSink& sink);
    void Send(const std::string& method, const Url& url);
    Answer ReadHead(const Url& url);
    // The body's bytes, handed to `sink` unless it is null; returns how many there were.
    std::uint64_t ReadBody(const Answer& answer, HttpSink* sink);
    std::string ReadLine();
    // A header or trailer line, counted against the limit of fields.
    std::string ReadField(int& fields);
    size_t Fill();
    void ConnectTo(const Url& url);

    std::unique_ptr<HttpTransport> FTransport;
    CookieJar FCookies;
    std::string FHost;
    int FPort = 443;
    bool FCloseAfter = false;
    // Received bytes not yet taken: FBuffer[FStart, FEnd).
    std::string FBuffer;
    size_t FStart = 0;
    size_t FEnd = 0;
    // The current window of the slow-transfer limit.
    std::chrono::steady_clock::time_point FWindowStart;
    std::uint64_t FWindowBytes = 0;
};

} // namespace tv
