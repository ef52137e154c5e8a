// The proxy as Windows programs find it: the machine's WinHTTP setting (netsh winhttp),
// then the user's Internet settings, whose automatic configuration (WPAD, a PAC file)
// WinHTTP evaluates for the address.
#include <windows.h>

#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "host/ProxyRoute.h"
#include "host/win32/Wide.h"
#include "util/Failure.h"

namespace tv {

namespace {

// Automatic detection may ask the network: it is bounded, asked once per address, and
// awaited in slices.
constexpr int AutoProxyTimeoutMs = 10 * 1000;
constexpr auto WaitSlice = std::chrono::milliseconds(100);

std::string Taken(LPWSTR& text) {
    std::string out = text ? Narrow(text) : std::string();
    if (text) GlobalFree(text);
    text = nullptr;
    return out;
}

// Each reader: empty where its setting says nothing; otherwise the route it decides, a
// direct one (an exception, a script's "DIRECT") included.

std::optional<ProxyRoute> FromLists(const std::string& list, const std::string& bypass,
                                    const std::string& host, int port, const std::string& why) {
    const std::string address = HttpsProxyOfList(list);
    if (address.empty()) return std::nullopt;
    ProxyRoute direct;
    direct.Why = why + ": Ausnahme für " + host;
    if (!bypass.empty() && ProxyBypassed(host, port, bypass)) return direct;
    // Windows lists may leave out the port: HTTP's own then.
    std::optional<ProxyRoute> route =
        ParseProxyAddress(address.find(':') == std::string::npos ? address + ":80" : address);
    if (route) route->Why = why;
    return route;
}

// The route of a WinHTTP answer, whose texts it frees; empty when it names no proxy.
std::optional<ProxyRoute> FromProxyInfo(WINHTTP_PROXY_INFO& info, const std::string& host, int port,
                                        const std::string& why) {
    const std::string list = Taken(info.lpszProxy);
    const std::string bypass = Taken(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return std::nullopt;
    return FromLists(list, bypass, host, port, why);
}

std::optional<ProxyRoute> MachineSetting(const std::string& host, int port) {
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetDefaultProxyConfiguration(&info)) return std::nullopt;
    return FromProxyInfo(info, host, port, "WinHTTP-Einstellung des Rechners");
}

std::optional<ProxyRoute> AutomaticSetting(const std::string& autoConfigUrl, const std::string& host,
                                           int port) {
    HINTERNET session = WinHttpOpen(L"Norvano Setup", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session) return std::nullopt;
    WinHttpSetTimeouts(session, AutoProxyTimeoutMs, AutoProxyTimeoutMs, AutoProxyTimeoutMs,
                       AutoProxyTimeoutMs);
    const std::wstring scriptUrl = Wide(autoConfigUrl);
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (!autoConfigUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = scriptUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    const std::wstring url = Wide("https://" + host + ":" + std::to_string(port) + "/");
    const std::string why = autoConfigUrl.empty() ? "automatische Proxy-Erkennung (WPAD)"
                                                  : "Skript zur automatischen Konfiguration " + autoConfigUrl;
    WINHTTP_PROXY_INFO info{};
    std::optional<ProxyRoute> route;
    if (WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) {
        route = FromProxyInfo(info, host, port, why);
        if (!route) {
            route = ProxyRoute{};
            route->Why = why + ": direkt";
        }
    }
    WinHttpCloseHandle(session);
    return route;
}

// As the user's browser: the automatic configuration where it gives an answer, the fixed
// proxy otherwise.
std::optional<ProxyRoute> UserSetting(const std::string& host, int port) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return std::nullopt;
    const std::string autoConfigUrl = Taken(config.lpszAutoConfigUrl);
    const std::string list = Taken(config.lpszProxy);
    const std::string bypass = Taken(config.lpszProxyBypass);
    if (config.fAutoDetect || !autoConfigUrl.empty())
        if (std::optional<ProxyRoute> route = AutomaticSetting(autoConfigUrl, host, port)) return route;
    return FromLists(list, bypass, host, port, "Internetoptionen des Benutzers");
}

ProxyRoute Decide(const std::string& host, int port) {
    if (std::optional<ProxyRoute> route = MachineSetting(host, port)) return *route;
    if (std::optional<ProxyRoute> route = UserSetting(host, port)) return *route;
    ProxyRoute direct;
    direct.Why = "keine Proxy-Einstellung";
    return direct;
}

// A decision under way on a thread of its own.
struct Pending {
    std::mutex Lock;
    std::condition_variable Done;
    bool Ready = false;
    ProxyRoute Route;
};

// Never destroyed: a thread still asking the network at the program's end may use them.
std::mutex& CacheLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::map<std::string, ProxyRoute>& Decided() {
    static auto* decided = new std::map<std::string, ProxyRoute>;
    return *decided;
}
std::map<std::string, std::shared_ptr<Pending>>& UnderWay() {
    static auto* underWay = new std::map<std::string, std::shared_ptr<Pending>>;
    return *underWay;
}

} // namespace

ProxyRoute SystemProxyRoute(const std::string& host, int port, const std::function<bool()>& keepWaiting) {
    const std::string key = host + ":" + std::to_string(port);
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard<std::mutex> guard(CacheLock());
        if (auto found = Decided().find(key); found != Decided().end()) return found->second;
        std::shared_ptr<Pending>& slot = UnderWay()[key];
        if (!slot) {
            slot = std::make_shared<Pending>();
            // Detached: a cancelled wait leaves it to finish (WinHTTP's limits bound it).
            std::thread([key, host, port, slot] {
                const ProxyRoute route = Decide(host, port);
                {
                    std::lock_guard<std::mutex> cache(CacheLock());
                    Decided()[key] = route;
                    UnderWay().erase(key);
                }
                std::lock_guard<std::mutex> done(slot->Lock);
                slot->Route = route;
                slot->Ready = true;
                slot->Done.notify_all();
            }).detach();
        }
        pending = slot;
    }
    std::unique_lock<std::mutex> lock(pending->Lock);
    while (!pending->Done.wait_for(lock, WaitSlice, [&] { return pending->Ready; })) {
        lock.unlock();
        const bool goOn = !keepWaiting || keepWaiting();
        lock.lock();
        if (!goOn && !pending->Ready)
            throw Failure("Die Proxy-Einstellung des Systems für " + key +
                          " wurde nicht abgewartet: abgebrochen");
    }
    return pending->Route;
}

} // namespace tv
