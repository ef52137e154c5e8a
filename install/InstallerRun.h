// What a run decides, as values the controller acts on: an installer's command line, what
// its exit code means for the run, the uninstaller that takes a run back, the single
// seat's database run that follows its installer, the server's ports, and the run log's
// lines for a request and a configuration change.
#pragma once

#include <cstdint>
#include <string>

#include "install/FirebirdConfig.h"
#include "install/PackageTable.h"

namespace tv {

enum InstallStateValue { isIdle = 0, isRunning = 1, isSucceeded = 2, isAborted = 3, isFailed = 4 };

// An installer's end: the run's new state, the failure's text (empty: none of its own),
// the run log's line, and whether the machine must be restarted to complete it.
struct InstallerEnd {
    InstallStateValue State;
    std::string Failure;
    std::string LogLine;
    bool RestartNeeded = false;
};

InstallerEnd JudgeInstallerEnd(std::uint32_t exitCode);

// A program's path quoted for a command line: a path with blanks must never start a
// program named by one of its prefixes.
std::string QuotedPath(const std::string& path);
// The installer at `path` with its parameters for `request`.
std::string InstallerCommandLine(const std::string& path, const Installer& installer,
                                 const InstallRequest& request);
// Takes back what an installer put into `folder`.
std::string UninstallCommandLine(const std::string& folder);

// True when a single seat's installer is followed by a database run of its own.
bool SingleSeatDatabasesFollow(const PackageRow& package, const InstallRequest& request);
// Where a single seat keeps its databases: below its own folder.
std::string SingleSeatDatabaseFolder(const std::string& applicationFolder);

// The database server's ports, made active in its firebird.conf after its installer.
struct ConfKeyValue {
    const char* Key;
    const char* Value;
};
constexpr ConfKeyValue ServerPorts[] = {{"RemoteServicePort", "3050"}, {"RemoteAuxPort", "3051"}};

std::string RequestLine(const InstallRequest& request);
std::string ConfChangeLine(const ConfChange& change);

} // namespace tv
