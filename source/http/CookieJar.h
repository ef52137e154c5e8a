// Cookies after RFC 6265, kept in memory for the client's life: stored from
// Set-Cookie answers, sent back when domain, path, secure flag and expiry match.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// RFC 6265 6.1 asks for at least these; more from a hostile server are dropped, so the
// jar and the Cookie header stay small.
constexpr size_t MaxCookieSize = 4096; // name, value and attributes together
constexpr size_t MaxCookies = 50;      // in the whole jar: the wizard talks to one server

class CookieJar {
public:
    using Clock = std::chrono::system_clock;

    void Store(std::string_view setCookie, const std::string& requestHost, const std::string& requestPath,
               Clock::time_point now = Clock::now());
    // "name=value; name2=value2" for a request, or empty; longer paths first.
    std::string CookieHeader(const std::string& host, const std::string& path, bool secure,
                             Clock::time_point now = Clock::now()) const;

private:
    struct Cookie {
        std::string Name, Value, Domain, Path;
        bool HostOnly = true;
        bool Secure = false;
        bool Persistent = false;
        Clock::time_point Expires;
        Clock::time_point Created;
    };
    std::vector<Cookie> FCookies;
};

} // namespace tv
