// The demo update server: a real nginx over TLS on 127.0.0.1 with a demo CA, Basic
// authentication for the account, the login page, and the installation and updates
// folders filled from a demo package folder. Prints the settings the wizard needs as
// shell assignments, then serves until it is stopped. The Windows tests, which cannot
// start nginx under Wine, use it as their server: it also names its port, its root and
// the certificates' folder.
// Usage: demo_server <package folder> <settings file>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"

namespace fs = std::filesystem;

namespace {
volatile std::sig_atomic_t Stop = 0;
void OnSignal(int) {
    Stop = 1;
}
} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_server <package folder> <settings file>\n");
        return 2;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    const std::string& certificates = tv::testbed::CertificateFolder();
    tv::testbed::NginxServer server;
    for (const auto& entry : fs::directory_iterator(argv[1])) {
        std::string name = entry.path().filename().string();
        fs::path target = name == "nv_update.exe" ? server.UpdatesFolder() : server.InstallationFolder();
        fs::copy_file(entry.path(), target / name, fs::copy_options::overwrite_existing);
    }
    {
        std::ofstream settings(argv[2]);
        settings << "export TVINSTALL_SERVER='127.0.0.1:" << server.Port() << "'\n"
                 << "export TVINSTALL_LOGIN_URL='" << server.Origin() << "/login'\n"
                 << "export TVINSTALL_USER='" << tv::testbed::NginxServer::User << "'\n"
                 << "export TVINSTALL_CA_FILE='" << certificates << "/ca.pem'\n"
                 << "export TV_NGINX_PORT='" << server.Port() << "'\n"
                 << "export TV_NGINX_ROOT_UNIX='" << server.Root() << "'\n"
                 << "export TV_TEST_CA_DIR_UNIX='" << certificates << "'\n";
    }
    std::printf("demo update server on %s\n", server.Origin().c_str());
    std::fflush(stdout);
    while (!Stop)
        pause();
    return 0;
}
