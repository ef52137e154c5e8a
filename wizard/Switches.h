// The program's command line, the same on Windows and Linux: switches begin with "/",
// their names are case-insensitive, a value follows "=" and may be quoted. And the exit
// codes by which a run tells a deployment tool what happened: the Windows Installer's,
// which such tools classify without a mapping (on Linux an exit status keeps 8 bits, so
// they arrive there modulo 256).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/Failure.h"

namespace tv {

enum SetupExitCode : int {
    ecSuccess = 0,
    ecAborted = 1602, // Cancel, or the program was asked to stop
    ecInstallFailed = 1603,
    ecNoPackageSource = 1612, // no server, no manifest, no offline folder
    ecAlreadyRunning = 1618,
    ecBadCommandLine = 1639,
    ecRestartNeeded = 3010, // succeeded; an installer asks for the machine's restart
};

struct ExitCodeRow {
    SetupExitCode Code;
    const char* Text; // as the usage and the run log say it
};
// Every exit code the program ends with, in the usage's order.
extern const ExitCodeRow SetupExitCodes[7];

// What an exit code means, as the usage and the run log say it; "unbekannt" for others.
const char* ExitCodeText(int code);

enum class RunMode {
    Interactive, // the switches only preset the pages
    Silent,      // only the progress page is shown, no question is asked
    VerySilent,  // no window at all
};

struct SetupSwitches {
    int Package = 0; // 0: not given
    std::optional<bool> SingleSeat;
    std::optional<std::string> Folder;
    std::optional<std::string> Edition;
    std::vector<std::string> Files;   // empty: all
    std::string Source;               // the offline package set's folder; empty: the program's
    std::string Layout;               // the offline package set to make from the server; empty: none
    std::optional<std::string> Proxy; // "host:port" or "DIRECT"; none: the system's setting
    std::string ProxyUser;
    std::optional<std::string> ProxyPassword;
    RunMode Mode = RunMode::Interactive;
    std::string LogFile; // empty: "tvinstall.log" in the temporary folder
    bool Help = false;

    bool Unattended() const { return Mode != RunMode::Interactive; }
};

// A switch or value that the command line cannot mean: its text names it, in German.
class SwitchError : public Failure {
public:
    using Failure::Failure;
};

// The switches of `arguments` (without the program). Throws SwitchError.
SetupSwitches ParseSwitches(const std::vector<std::string>& arguments);

// The usage text for /? and /HELP.
std::string SwitchUsage();

} // namespace tv
