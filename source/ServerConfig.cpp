#include "source/ServerConfig.h"

#include <cstdlib>

namespace tv {

namespace {
std::string Setting(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}
} // namespace

std::string UpdateServerHost() {
    return Setting("TVINSTALL_SERVER", DefaultUpdateServerHost);
}
std::string LoginPageAddress() {
    return Setting("TVINSTALL_LOGIN_URL", DefaultLoginPage);
}
std::string AccountName() {
    return Setting("TVINSTALL_USER", DefaultAccountName);
}
std::string InstallationFolderAddress() {
    return "https://" + UpdateServerHost() + InstallationFolderPath;
}
std::string UpdatesFolderAddress() {
    return "https://" + UpdateServerHost() + UpdatesFolderPath;
}

std::string ProxyPasswordFromEnvironment() {
    const char* value = std::getenv("TVINSTALL_PROXY_PASSWORD");
    return value ? value : "";
}

} // namespace tv
