#include "host/ProxyRoute.h"

#include <vector>

#include "util/Strings.h"

namespace tv {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A port of one to five digits within 1..65535; 0 otherwise.
int PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int port = std::stoi(text);
    return port <= 65535 ? port : 0;
}

// `name` matched against `pattern` with "*" for any run of characters, case-insensitively.
bool WildcardMatch(const std::string& name, const std::string& pattern) {
    size_t n = 0, p = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool EntryMatches(const std::string& host, int port, std::string entry) {
    if (entry == "*") return true;
    if (entry == "<local>") return host.find('.') == std::string::npos;
    // A scheme before the name (Windows allows "https://name") says nothing about the host.
    if (size_t scheme = entry.find("://"); scheme != std::string::npos) entry = entry.substr(scheme + 3);
    if (size_t colon = entry.rfind(':'); colon != std::string::npos) {
        if (PortNumber(entry.substr(colon + 1)) != port) return false;
        entry = entry.substr(0, colon);
    }
    if (entry.empty()) return false;
    if (entry.find('*') != std::string::npos) return WildcardMatch(host, entry);
    if (entry.front() == '.') entry = entry.substr(1);
    return host == entry || (host.size() > entry.size() &&
                             host.compare(host.size() - entry.size(), entry.size(), entry) == 0 &&
                             host[host.size() - entry.size() - 1] == '.');
}

} // namespace

std::string ProxyRoute::Shown() const {
    return Direct() ? "direkt" : Host + ":" + std::to_string(Port);
}

std::optional<ProxyRoute> ParseProxyAddress(const std::string& text) {
    std::string rest = TrimBlanks(text);
    bool hasScheme = false;
    if (size_t scheme = rest.find("://"); scheme != std::string::npos) {
        if (LowerAscii(rest.substr(0, scheme)) != "http") return std::nullopt;
        rest = rest.substr(scheme + 3);
        hasScheme = true;
    }
    if (size_t slash = rest.find('/'); slash != std::string::npos) {
        if (!hasScheme || rest.find_first_not_of('/', slash) != std::string::npos) return std::nullopt;
        rest = rest.substr(0, slash);
    }
    ProxyRoute route;
    if (size_t at = rest.rfind('@'); at != std::string::npos) {
        if (!hasScheme) return std::nullopt;
        const std::string userInfo = rest.substr(0, at);
        rest = rest.substr(at + 1);
        const size_t colon = userInfo.find(':');
        route.User = PercentDecoded(userInfo.substr(0, colon));
        if (colon != std::string::npos) route.Password = PercentDecoded(userInfo.substr(colon + 1));
    }
    const size_t colon = rest.rfind(':');
    route.Host = LowerAscii(rest.substr(0, colon));
    route.Port = colon == std::string::npos ? (hasScheme ? 80 : 0) : PortNumber(rest.substr(colon + 1));
    if (route.Host.empty() || route.Port == 0 || route.Host.find_first_of(" \t[]@") != std::string::npos)
        return std::nullopt;
    return route;
}

std::string HttpsProxyOfList(const std::string& list) {
    std::string common;
    for (const std::string& raw : SplitTokens(list, ';')) {
        for (const std::string& item : SplitTokens(raw, ' ')) {
            const std::string entry = TrimBlanks(item);
            if (entry.empty()) continue;
            const size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                if (common.empty()) common = entry;
            } else if (SameText(entry.substr(0, equals), "https")) {
                return entry.substr(equals + 1);
            }
        }
    }
    return common;
}

bool ProxyBypassed(const std::string& host, int port, const std::string& list) {
    std::string entry;
    const std::string lowerHost = LowerAscii(host);
    for (size_t i = 0; i <= list.size(); ++i) {
        const char c = i < list.size() ? list[i] : ',';
        if (c == ',' || c == ';' || c == ' ' || c == '\t') {
            if (!entry.empty() && EntryMatches(lowerHost, port, LowerAscii(entry))) return true;
            entry.clear();
        } else {
            entry += c;
        }
    }
    return false;
}

} // namespace tv
