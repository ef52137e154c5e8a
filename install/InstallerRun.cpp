#include "install/InstallerRun.h"

#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

InstallStateValue StateOf(InstallerOutcome outcome) {
    switch (outcome) {
    case InstallerOutcome::Succeeded:
    case InstallerOutcome::SucceededRestartNeeded:
        return isSucceeded;
    case InstallerOutcome::Aborted:
        return isAborted;
    case InstallerOutcome::Failed:
        break;
    }
    return isFailed;
}

} // namespace

std::string QuotedPath(const std::string& path) {
    return "\"" + path + "\"";
}

InstallerEnd JudgeInstallerEnd(std::uint32_t exitCode) {
    const ExitCodeMeaning* meaning = FindExitCode(exitCode);
    const std::string code = std::to_string(exitCode);
    const std::string logLine = FormatText("Das Installationsprogramm endete mit Code %d: %s",
                                           {code, meaning ? meaning->Meaning : "nicht dokumentiert"});
    // A code the installers do not document: a failure the user can read, never a hidden window.
    if (!meaning)
        return {isFailed, FormatText("Das Installationsprogramm endete mit dem unbekannten Code %d.", {code}),
                logLine};
    return {StateOf(meaning->Outcome), "", logLine,
            meaning->Outcome == InstallerOutcome::SucceededRestartNeeded};
}

std::string InstallerCommandLine(const std::string& path, const Installer& installer,
                                 const InstallRequest& request) {
    return QuotedPath(path) + " " + installer.Parameters(request);
}

std::string UninstallCommandLine(const std::string& folder) {
    return QuotedPath(IncludeTrailingPathDelimiter(folder) + "unins000.exe") + " /silent";
}

bool SingleSeatDatabasesFollow(const PackageRow& package, const InstallRequest& request) {
    // Brisa's single seat brings its databases with its installer.
    return package.Then == AfterSuccess::SingleSeatDatabases && request.SingleSeat &&
           request.Edition != "Brisa";
}

std::string SingleSeatDatabaseFolder(const std::string& applicationFolder) {
    return IncludeTrailingPathDelimiter(applicationFolder) + "System" + PathDelimiter + "db" + PathDelimiter;
}

std::string RequestLine(const InstallRequest& request) {
    return FormatText(
        "Installation von Paket %d: Ordner \"%s\"%s%s%s",
        {std::to_string(request.Kind), request.Folder,
         request.Kind == pkApplication ? (request.SingleSeat ? ", Einzelplatz" : ", Client") : "",
         request.Edition.empty() ? "" : ", Edition " + request.Edition,
         request.Archives.empty() ? "" : ", Archive " + request.Archives});
}

std::string ConfChangeLine(const ConfChange& change) {
    return FormatText("Firebird-Konfiguration %s: %s \"%s\" -> \"%s\"",
                      {change.File, change.Key, change.OldValue, change.NewValue});
}

} // namespace tv
