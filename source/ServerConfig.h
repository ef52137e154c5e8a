// Where the update server is and how the wizard logs in to it. The environment can
// point tests and the demo elsewhere: TVINSTALL_SERVER (host[:port]),
// TVINSTALL_LOGIN_URL (the login page's full address), TVINSTALL_USER (the account).
// TVINSTALL_PROXY_PASSWORD holds the proxy's password for /PROXYUSER.
#pragma once

#include <string>

namespace tv {

constexpr const char* DefaultUpdateServerHost = "updates.norvano-setup.example";
constexpr const char* DefaultLoginPage = "https://portal.norvano-setup.example/login";
constexpr const char* DefaultAccountName = "setup@norvano-setup.example";
constexpr const char* AccountPassword = "kTRAvel57Qor!";
constexpr const char* InstallationFolderPath = "/users/norvano/installation/";
constexpr const char* UpdatesFolderPath = "/users/norvano/updates/";

std::string UpdateServerHost();
std::string LoginPageAddress();
std::string AccountName();
// "https://" + host + folder path, ending in "/".
std::string InstallationFolderAddress();
std::string UpdatesFolderAddress();
// The proxy's password where the command line gives none: TVINSTALL_PROXY_PASSWORD, so
// that it need not stand in a command line that others can see.
std::string ProxyPasswordFromEnvironment();

} // namespace tv
