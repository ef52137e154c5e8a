// Where a connection to a server goes: straight, or through an HTTP proxy's tunnel
// (CONNECT). The system's setting decides unless the command line does: on Windows the
// machine's WinHTTP setting, then the user's Internet settings (with automatic
// configuration); on POSIX the variables https_proxy and no_proxy.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tv {

struct ProxyRoute {
    std::string Host; // empty: a direct connection
    int Port = 0;
    // For Basic authentication at the proxy; never logged.
    std::string User;
    std::string Password;
    // Where the choice came from, for the log ("Schalter /PROXY", "Umgebungsvariable https_proxy").
    std::string Why;

    bool Direct() const { return Host.empty(); }
    // "host:port", or "direkt".
    std::string Shown() const;
};

// A proxy address as settings write it: "host:port", "http://[user[:password]@]host[:port][/]"
// (port 80 where the scheme's address has none; a user and password percent-decoded).
// Empty for anything else, an https:// or socks address among them.
std::optional<ProxyRoute> ParseProxyAddress(const std::string& text);

// The https proxy of a Windows proxy list: "host:port" for all schemes, or
// "http=host:port;https=host:port" per scheme. Empty when none serves https.
std::string HttpsProxyOfList(const std::string& list);

// Whether a bypass list exempts `host` (":port" entries must match `port` too): entries
// separated by commas, semicolons or blanks; "*" for all, "<local>" for names without a
// dot, "*" wildcards in names, a leading "." or a plain name for the name and its subdomains.
bool ProxyBypassed(const std::string& host, int port, const std::string& list);

// The system's choice for a connection to https://host:port/; a direct route says why too.
// Where the system asks the network first (automatic detection on Windows, which may take
// seconds), the answer is awaited in slices, `keepWaiting` called between them (the window
// keeps painting); false from it throws Failure.
ProxyRoute SystemProxyRoute(const std::string& host, int port, const std::function<bool()>& keepWaiting = {});

} // namespace tv
