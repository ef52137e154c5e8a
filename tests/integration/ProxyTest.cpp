// HTTPS through a real proxy (tinyproxy) on loopback: the tunnel, Basic authentication at
// the proxy, its refusals, a server behind it that cannot prove its name, and where the
// package source takes its route from and what the log says of it.
#include <arpa/inet.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fixtures/FixtureServer.h"
#include "fixtures/NginxServer.h"
#include "fixtures/ProxyServer.h"
#include "fixtures/TestCertificates.h"
#include "source/PackageSource.h"
#include "source/http/HttpClient.h"
#include "support/Environment.h"
#include "support/Files.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

ProxyRoute Through(const ProxyServer& proxy, const std::string& user = "", const std::string& password = "") {
    ProxyRoute route = *ParseProxyAddress(proxy.Address());
    route.User = user;
    route.Password = password;
    route.Why = "Test";
    return route;
}

class ProxyTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CertificateFolder();
        FServer = new NginxServer();
        std::ofstream(FServer->InstallationFolder() + "/install.ini") << "[Msg]\nHallo=Welt\n";
    }
    static void TearDownTestSuite() { delete FServer; }
    void SetUp() override {
        FClient.UserName = NginxServer::User;
        FClient.Password = NginxServer::Password;
    }
    // GET through `route`: the failure's text, or empty with the body in `body`.
    std::string GetThrough(const ProxyRoute& route, const std::string& address, std::string* body = nullptr) {
        FClient.Transport().RouteFor = [route](const std::string&, int, const std::function<bool()>&) {
            return route;
        };
        MemorySink sink;
        try {
            FClient.Get(address, sink);
        } catch (const std::exception& e) {
            return e.what();
        }
        if (body) *body = sink.Data;
        return "";
    }
    std::string Manifest() const { return FServer->Origin() + "/users/norvano/installation/install.ini"; }
    static NginxServer* FServer;
    HttpClient FClient;
};
NginxServer* ProxyTest::FServer = nullptr;

TEST_F(ProxyTest, DownloadsThroughTheTunnelWhichTheProxyLogs) {
    ProxyServer proxy({{FServer->Port()}, "", ""});
    std::string body;
    EXPECT_EQ(GetThrough(Through(proxy), Manifest(), &body), "");
    EXPECT_EQ(body, "[Msg]\nHallo=Welt\n");
    EXPECT_NE(proxy.Log().find("CONNECT 127.0.0.1:" + std::to_string(FServer->Port()) + " HTTP/1.1"),
              std::string::npos)
        << proxy.Log();
    // TLS ran end to end: the proxy saw the tunnel, never the request inside it.
    EXPECT_EQ(proxy.Log().find("install.ini"), std::string::npos) << proxy.Log();
    EXPECT_EQ(GetThrough(Through(proxy), Manifest(), &body), ""); // the kept connection serves again
}

TEST_F(ProxyTest, BasicAuthenticationAtTheProxy) {
    ProxyServer proxy({{FServer->Port()}, "proxyuser", "Pr0xy-Kennwort"});
    const struct {
        const char* User;
        const char* Password;
        const char* Failure; // empty: the file arrives
    } cases[] = {
        {"proxyuser", "Pr0xy-Kennwort", ""},
        {"proxyuser", "falsch",
         "Der Proxy hat die Anmeldung abgelehnt. Antwort: HTTP/1."}, // 401 from this one
        {"", "", "Der Proxy verlangt eine Anmeldung: geben Sie /PROXYUSER= und /PROXYPASSWORD="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Password);
        FClient.Disconnect();
        const std::string failure = GetThrough(Through(proxy, c.User, c.Password), Manifest());
        if (*c.Failure == '\0') {
            EXPECT_EQ(failure, "");
            continue;
        }
        EXPECT_NE(failure.find(std::string("Proxy ") + proxy.Address() + " (Test): "), std::string::npos)
            << failure;
        EXPECT_NE(failure.find(c.Failure), std::string::npos) << failure;
        EXPECT_EQ(failure.find("falsch"), std::string::npos) << failure;
    }
}

TEST_F(ProxyTest, AProxyThatRefusesTheTunnelFailsTheConnectionNamingItsAnswer) {
    ProxyServer proxy({{}, "", ""}); // CONNECT to no port allowed
    const std::string failure = GetThrough(Through(proxy), Manifest());
    EXPECT_NE(failure.find("Proxy " + proxy.Address() +
                           " (Test): Der Proxy lässt keine Verbindung zu 127.0.0.1:" +
                           std::to_string(FServer->Port()) + " zu. Antwort: HTTP/1.1 403"),
              std::string::npos)
        << failure;
    // A proxy that is not there is named as well.
    ProxyRoute gone = Through(proxy);
    gone.Port = 9;
    const std::string unreachable = GetThrough(gone, Manifest());
    EXPECT_NE(unreachable.find("Proxy 127.0.0.1:9 (Test): Verbindung zu 127.0.0.1:9 fehlgeschlagen"),
              std::string::npos)
        << unreachable;
}

TEST_F(ProxyTest, TheServerBehindTheProxyMustProveItsNameAsWithoutIt) {
    // The proxy hands the tunnel to a server with another host's certificate, as a proxy
    // that answers for the server would: refused before a byte of the request is sent.
    FixtureServer impostor([](Exchange& x) { x.Send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx"); },
                           "127.0.0.1", "otherhost");
    ProxyServer proxy({{impostor.Port()}, "", ""});
    const std::string failure = GetThrough(Through(proxy), impostor.Origin() + "/install.ini");
    EXPECT_NE(failure.find("Zertifikat abgelehnt"), std::string::npos) << failure;
    EXPECT_TRUE(impostor.Requests().empty());
}

// A proxy scripted byte for byte: one answer to whatever arrives, then the connection ends.
class ScriptedProxy {
public:
    explicit ScriptedProxy(std::string answer) : FAnswer(std::move(answer)) {
        FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length);
        FPort = ntohs(address.sin_port);
        ::listen(FListen, 4);
        FThread = std::thread([this] {
            int client = ::accept(FListen, nullptr, nullptr);
            if (client < 0) return;
            char buffer[4096];
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            ::send(client, FAnswer.data(), FAnswer.size(), MSG_NOSIGNAL);
            ::close(client);
        });
    }
    ~ScriptedProxy() {
        ::shutdown(FListen, SHUT_RDWR);
        ::close(FListen);
        FThread.join();
    }
    ProxyRoute Route() const {
        ProxyRoute route;
        route.Host = "127.0.0.1";
        route.Port = FPort;
        route.User = "proxyuser";
        route.Password = "pw";
        route.Why = "Test";
        return route;
    }

private:
    std::string FAnswer;
    int FListen = -1;
    int FPort = 0;
    std::thread FThread;
};

TEST_F(ProxyTest, AnswersToConnectThatEndTheConnectionClearly) {
    const struct {
        const char* Answer;
        const char* Failure;
    } cases[] = {
        {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: NTLM\r\n"
         "Proxy-Authenticate: Negotiate\r\nContent-Length: 0\r\n\r\n",
         "Der Proxy verlangt eine Anmeldung mit NTLM, Negotiate; das Setup meldet sich nur mit Basic an. "
         "Antwort: "
         "HTTP/1.1 407 Proxy Authentication Required"},
        {"HTTP/1.1 502 Bad Gateway\r\n\r\n", "zu. Antwort: HTTP/1.1 502 Bad Gateway"},
        {"SSH-2.0-OpenSSH\r\n\r\n", "Ungültige Antwort auf CONNECT: SSH-2.0-OpenSSH"},
        {"HTTP/1.1 200", "ohne Antwort auf CONNECT geschlossen"},
        {"", "ohne Antwort auf CONNECT geschlossen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Answer);
        ScriptedProxy proxy(c.Answer);
        const std::string failure = GetThrough(proxy.Route(), Manifest());
        EXPECT_NE(failure.find(c.Failure), std::string::npos) << failure;
    }
}

// --- the package source: where the route comes from, and the log ----------------------

class SourceEventsForTest : public SourceEvents {
public:
    void PumpMessages() override {}
    bool RunGoesOn() const override { return true; }
};

class ProxySourceTest : public ProxyTest {
protected:
    void SetUp() override {
        FLogPath = (fs::temp_directory_path() / ("tv-proxy-log-" + std::to_string(getpid()))).string();
        FServer->PointProgramHere();
        for (const char* name : {"https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
    }
    void TearDown() override {
        NginxServer::ForgetServer();
        for (const char* name : {"https_proxy", "no_proxy"})
            unsetenv(name);
        fs::remove(FLogPath);
    }
    // Logs in and fetches the manifest with `settings`; the failure, or empty.
    std::string Start(const ProxySettings& settings) {
        RunLog log;
        log.Open(FLogPath);
        SourceEventsForTest events;
        PackageSource source(log, events);
        source.UseProxy(settings);
        std::string failure = source.Connect();
        if (failure.empty()) source.FetchManifest();
        return failure;
    }
    std::string Log() const { return ReadAll(FLogPath); }
    std::string FLogPath;
};

TEST_F(ProxySourceTest, TheSwitchBeforeTheEnvironmentAndEveryRouteLoggedWithoutThePassword) {
    ProxyServer proxy({{FServer->Port()}, "proxyuser", "Pr0xy-Kennwort"});
    setenv("https_proxy", "http://127.0.0.1:9", 1); // would fail: the switch wins
    EXPECT_EQ(Start({proxy.Address(), "proxyuser", "Pr0xy-Kennwort"}), "");
    EXPECT_NE(Log().find("Verbindung über den Proxy " + proxy.Address() +
                         " (Schalter /PROXY), mit Anmeldung (Basic)"),
              std::string::npos)
        << Log();
    EXPECT_EQ(Log().find("Pr0xy-Kennwort"), std::string::npos);
    EXPECT_EQ(Log().find("cHJveHl1c2Vy"), std::string::npos); // nor its Basic form
    EXPECT_NE(proxy.Log().find("CONNECT 127.0.0.1:" + std::to_string(FServer->Port())), std::string::npos);

    EXPECT_EQ(Start({"DIRECT", "", ""}), "");
    EXPECT_NE(Log().find("Verbindung direkt (Schalter /PROXY=DIRECT)"), std::string::npos) << Log();
}

TEST_F(ProxySourceTest, TheEnvironmentsProxyAndItsExceptions) {
    ProxyServer proxy({{FServer->Port()}, "", ""});
    setenv("https_proxy", ("http://" + proxy.Address()).c_str(), 1);
    EXPECT_EQ(Start({}), "");
    EXPECT_NE(Log().find("Verbindung über den Proxy " + proxy.Address() + " (Umgebungsvariable https_proxy)"),
              std::string::npos)
        << Log();
    const size_t tunnels = proxy.Log().find("CONNECT 127.0.0.1");
    EXPECT_NE(tunnels, std::string::npos);

    setenv("no_proxy", "localhost,127.0.0.1", 1);
    const std::string before = proxy.Log();
    EXPECT_EQ(Start({}), "");
    EXPECT_NE(Log().find("Verbindung direkt (Umgebungsvariable no_proxy nennt 127.0.0.1)"), std::string::npos)
        << Log();
    EXPECT_EQ(proxy.Log(), before); // the proxy saw nothing of it
}

TEST_F(ProxySourceTest, AFailedProxyIsAFailedConnection) {
    const std::string failure = Start({"127.0.0.1:9", "", ""});
    EXPECT_NE(failure.find("Proxy 127.0.0.1:9 (Schalter /PROXY): Verbindung zu 127.0.0.1:9 fehlgeschlagen"),
              std::string::npos)
        << failure;
}

} // namespace
} // namespace tv
