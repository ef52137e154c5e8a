#include "source/http/CookieJar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "util/Strings.h"

namespace tv {

namespace {

// RFC 6265 5.1.3
bool DomainMatch(const std::string& host, const std::string& domain) {
    if (host == domain) return true;
    return !IsIpv4Address(host) && host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

// RFC 6265 5.1.4
bool PathMatch(const std::string& requestPath, const std::string& cookiePath) {
    if (requestPath == cookiePath) return true;
    if (requestPath.rfind(cookiePath, 0) != 0) return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string DefaultPath(const std::string& requestPath) {
    if (requestPath.empty() || requestPath[0] != '/') return "/";
    size_t last = requestPath.rfind('/');
    return last == 0 ? "/" : requestPath.substr(0, last);
}

// RFC 6265 5.1.1, enough of it for the dates servers send ("Wed, 09 Jun 2021 10:18:14 GMT").
bool ParseCookieDate(const std::string& text, CookieJar::Clock::time_point& out) {
    static const char* const Months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    std::string token;
    auto take = [&](const std::string& t) {
        if (t.empty()) return;
        int h, m, s;
        if (hour < 0 && std::sscanf(t.c_str(), "%d:%d:%d", &h, &m, &s) == 3) {
            hour = h, minute = m, second = s;
            return;
        }
        if (month < 0 && t.size() >= 3) {
            for (int i = 0; i < 12; ++i)
                if (LowerAscii(t.substr(0, 3)) == Months[i]) {
                    month = i;
                    return;
                }
        }
        if (t.find_first_not_of("0123456789") != std::string::npos) return;
        int value = std::atoi(t.c_str());
        if (day < 0 && t.size() <= 2)
            day = value;
        else if (year < 0 && t.size() >= 2 && t.size() <= 4)
            year = value;
    };
    for (char c : text) {
        bool delimiter = c == ' ' || c == ',' || c == '-' || c == '\t' || c == ';';
        if (delimiter) {
            take(token);
            token.clear();
        } else {
            token += c;
        }
    }
    take(token);
    if (year >= 70 && year <= 99) year += 1900;
    if (year >= 0 && year <= 69) year += 2000;
    if (day < 1 || day > 31 || month < 0 || year < 1601 || hour < 0 || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    using namespace std::chrono;
    sys_days date =
        year_month_day{std::chrono::year(year), std::chrono::month(month + 1), std::chrono::day(day)};
    out = CookieJar::Clock::time_point(date) + hours(hour) + minutes(minute) + seconds(second);
    return true;
}

} // namespace

void CookieJar::Store(std::string_view setCookie, const std::string& requestHost,
                      const std::string& requestPath, Clock::time_point now) {
    if (setCookie.size() > MaxCookieSize) return;
    std::string pair(setCookie.substr(0, setCookie.find(';')));
    size_t eq = pair.find('=');
    if (eq == std::string::npos) return; // RFC 6265 5.2: no name-value pair, no cookie
    Cookie cookie;
    cookie.Name = TrimBlanks(std::string_view(pair).substr(0, eq));
    cookie.Value = TrimBlanks(std::string_view(pair).substr(eq + 1));
    if (cookie.Name.empty()) return;
    std::string host = LowerAscii(requestHost);
    std::string domain;
    std::string path;
    bool hasMaxAge = false;
    size_t at = setCookie.find(';');
    while (at != std::string_view::npos) {
        size_t next = setCookie.find(';', at + 1);
        std::string attribute(
            setCookie.substr(at + 1, next == std::string_view::npos ? next : next - at - 1));
        at = next;
        size_t aeq = attribute.find('=');
        std::string name = LowerAscii(TrimBlanks(std::string_view(attribute).substr(0, aeq)));
        std::string value =
            aeq == std::string::npos ? "" : TrimBlanks(std::string_view(attribute).substr(aeq + 1));
        if (name == "expires" && !hasMaxAge) {
            Clock::time_point when;
            if (ParseCookieDate(value, when)) {
                cookie.Persistent = true;
                cookie.Expires = when;
            }
        } else if (name == "max-age") {
            if (value.empty() || value.find_first_not_of("-0123456789") != std::string::npos) continue;
            long long seconds = std::atoll(value.c_str());
            hasMaxAge = true;
            cookie.Persistent = true;
            cookie.Expires = seconds <= 0 ? Clock::time_point::min() : now + std::chrono::seconds(seconds);
        } else if (name == "domain") {
            domain = LowerAscii(value);
            if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
        } else if (name == "path") {
            path = value;
        } else if (name == "secure") {
            cookie.Secure = true;
        }
    }
    if (!domain.empty()) {
        // A cookie for a domain the request did not come from is refused.
        if (!DomainMatch(host, domain)) return;
        cookie.HostOnly = false;
        cookie.Domain = domain;
    } else {
        cookie.Domain = host;
    }
    cookie.Path = path.empty() || path[0] != '/' ? DefaultPath(requestPath) : path;
    cookie.Created = now;
    bool expired = cookie.Persistent && cookie.Expires <= now; // an expiry in the past deletes
    for (auto it = FCookies.begin(); it != FCookies.end(); ++it) {
        if (it->Name == cookie.Name && it->Domain == cookie.Domain && it->Path == cookie.Path) {
            if (expired) {
                FCookies.erase(it);
            } else {
                cookie.Created = it->Created; // a replaced cookie keeps its place
                *it = cookie;
            }
            return;
        }
    }
    if (expired) return;
    // A full jar makes room by dropping its oldest cookie.
    if (FCookies.size() >= MaxCookies) FCookies.erase(FCookies.begin());
    FCookies.push_back(cookie);
}

std::string CookieJar::CookieHeader(const std::string& requestHost, const std::string& requestPath,
                                    bool secure, Clock::time_point now) const {
    std::string host = LowerAscii(requestHost);
    std::string path = requestPath.empty() ? "/" : requestPath.substr(0, requestPath.find('?'));
    std::vector<const Cookie*> matching;
    for (const Cookie& cookie : FCookies) {
        if (cookie.Persistent && cookie.Expires <= now) continue;
        if (cookie.HostOnly ? host != cookie.Domain : !DomainMatch(host, cookie.Domain)) continue;
        if (!PathMatch(path, cookie.Path)) continue;
        if (cookie.Secure && !secure) continue;
        matching.push_back(&cookie);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
        if (a->Path.size() != b->Path.size()) return a->Path.size() > b->Path.size();
        return a->Created < b->Created;
    });
    std::string header;
    for (const Cookie* cookie : matching) {
        if (!header.empty()) header += "; ";
        header += cookie->Name + "=" + cookie->Value;
    }
    return header;
}

} // namespace tv
