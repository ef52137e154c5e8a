// The proxy as POSIX programs take it from their environment: https_proxy (or
// HTTPS_PROXY) and its exceptions in no_proxy (or NO_PROXY).
#include <cstdlib>

#include "host/ProxyRoute.h"
#include "util/Failure.h"

namespace tv {

namespace {

// The first of the variables that is set and not empty, with its name.
std::pair<std::string, std::string> FirstSet(const char* lower, const char* upper) {
    for (const char* name : {lower, upper})
        if (const char* value = std::getenv(name); value && *value) return {name, value};
    return {};
}

} // namespace

ProxyRoute SystemProxyRoute(const std::string& host, int port, const std::function<bool()>&) {
    ProxyRoute direct;
    const auto [name, value] = FirstSet("https_proxy", "HTTPS_PROXY");
    if (name.empty()) {
        direct.Why = "keine Proxy-Einstellung";
        return direct;
    }
    const auto [exceptionsName, exceptions] = FirstSet("no_proxy", "NO_PROXY");
    if (!exceptions.empty() && ProxyBypassed(host, port, exceptions)) {
        direct.Why = "Umgebungsvariable " + exceptionsName + " nennt " + host;
        return direct;
    }
    std::optional<ProxyRoute> route = ParseProxyAddress(value);
    // The value may hold a password: it is not repeated.
    if (!route)
        throw Failure("Die Umgebungsvariable " + name +
                      " nennt keinen HTTP-Proxy der Form http://host:port; die Verbindung wird nicht "
                      "aufgebaut.");
    route->Why = "Umgebungsvariable " + name;
    return *route;
}

} // namespace tv
