// The install run: its start, the InstallState property (the one place where an
// outcome becomes visible and has consequences), and the ends of installer processes.
#include "wizard/SetupWizardDlg.h"

#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::StartInstall() {
    const PackageRow* package = FindPackage(FInstallType);
    if (!package) return;
    // A new run reports its own failures only, and never rolls back what succeeded before.
    FErrorMsg.clear();
    FRestartNeeded = false;
    UnInstallProc.CommandLine.clear();
    FRequest = RequestFromPage(*package);
    FLog.Line(RequestLine(FRequest));
    // A single seat whose databases cannot follow is not begun: its installer would leave
    // an application without them.
    if (SingleSeatDatabasesDue()) {
        const std::vector<std::string> archives = SplitTokens(SingleSeatArchives(), ';');
        FErrorMsg = archives.empty() ? NoSingleSeatDatabasesText() : MissingArchive(archives);
        if (!FErrorMsg.empty()) {
            SetInstallState(isFailed);
            return;
        }
    }
    if (package->Setup)
        RunPackageInstaller(*package);
    else
        InstallDatabases(FRequest.Folder, FRequest.Archives);
}

void TSetupWizardDlg::SetInstallState(int value) {
    FInstallState = value;
    FForm.CloseBtn.Caption = GetWizardText("CloseBtn");
    FForm.BackBtn.Visible = true;
    switch (value) {
    case isRunning:
        FForm.NextBtn.Visible = false;
        FForm.BackBtn.Visible = false;
        FForm.CloseBtn.Caption = GetWizardText("CancelBtn");
        break;
    case isSucceeded:
        Succeeded();
        break;
    case isAborted:
        Aborted();
        break;
    case isFailed:
        FForm.Visible = true;
        ShowError(GetMsg("InstallError") + "\n\r" + FErrorMsg);
        break;
    default:
        break;
    }
}

void TSetupWizardDlg::Succeeded() {
    const std::string& folder = FRequest.Folder;
    FForm.lblStatusInfo.Caption = GetMsg("InstallSuccess");
    UnInstallProc.CommandLine = UninstallCommandLine(folder);
    FForm.lblInfo.Caption = GetWizardText("capInfo");
    const PackageRow* package = FindPackage(FInstallType);
    if (!package) return;
    try {
        if (package->Kind == pkApplication && FAppInstalled) {
            FLog.Line("Die Aktualisierung der Anwendung wurde erfolgreich durchgeführt.");
            Close(); // the update is done: the program ends
            return;
        }
        // Installers ran with the window hidden; database runs never hide it.
        if (package->Setup) FForm.Visible = true;
        // The single seat's databases follow as a run of their own (InstallProcTerminate).
        if (SingleSeatDatabasesDue()) return;
        std::string successKey = package->SuccessKey;
        switch (package->Then) {
        case AfterSuccess::SingleSeatDatabases:
            if (FRequest.SingleSeat) successKey = "SingleInstallSuccess";
            break;
        case AfterSuccess::ServerPorts:
            FSrvFolder = folder;
            FConfigFile = IncludeTrailingPathDelimiter(FSrvFolder) + "firebird.conf";
            for (const ConfKeyValue& port : ServerPorts)
                LogChanges(SetFirebirdConfValue(FConfigFile, port.Key, port.Value));
            FSrvInstalled = true;
            break;
        case AfterSuccess::DatabaseAliases:
            if (FPrevInstallType == pkApplication) { // the end of a single seat's follow-up run
                FPrevInstallType = -1;
                successKey = "SingleInstallSuccess";
            } else if (!FRequest.SingleSeat) { // a single seat's databases are not the server's
                WriteAliasEntries();
            }
            break;
        case AfterSuccess::Nothing:
            break;
        }
        ShowInfo(GetMsg(successKey));
    } catch (const std::exception& e) {
        // The package is in place but its configuration is not: the user must learn that.
        FErrorMsg = e.what();
        SetInstallState(isFailed);
    }
}

void TSetupWizardDlg::InstallSingleSeatDatabases() {
    // The single seat gets its databases in its own folder.
    const std::string target = SingleSeatDatabaseFolder(FRequest.Folder);
    FDataBaseFolder = target;
    FPrevInstallType = pkApplication;
    SetInstallType(pkDatabaseFiles);
    InstallDatabases(target, SingleSeatArchives());
}

void TSetupWizardDlg::WriteAliasEntries() {
    std::string configFile;
    if (FSrvInstalled) {
        configFile = IncludeTrailingPathDelimiter(FSrvFolder) + "databases.conf";
    } else {
        auto registry = FHost.OpenRegistry();
        std::string root;
        if (GetFirebirdRoot(*registry, root))
            configFile = IncludeTrailingPathDelimiter(root) + "databases.conf";
    }
    if (configFile.empty()) return;
    FConfigFile = configFile;
    LogChanges(WriteDatabaseAliases(FConfigFile, FDataBaseFolder));
}

void TSetupWizardDlg::LogChanges(const std::vector<ConfChange>& changes) {
    for (const ConfChange& change : changes)
        FLog.Line(ConfChangeLine(change));
}

void TSetupWizardDlg::Aborted() {
    // Closing the connection ends a request in whatever phase it is (connect, handshake,
    // request, answer): a connection still being made is not yet "connected".
    FSource.Interrupt();
    if (!UnInstallProc.CommandLine.empty()) {
        try {
            UnInstallProc.Run();
        } catch (const std::exception& e) {
            AddErrorLine(e.what(), false); // the abort is still shown, with the reason below it
        }
        UnInstallProc.CommandLine.clear();
    }
    FForm.Visible = true;
    ShowInfo(GetMsg("InstallAborted"));
}

void TSetupWizardDlg::InstallProcTerminate(std::uint32_t exitCode) {
    const InstallerEnd end = JudgeInstallerEnd(exitCode);
    FLog.Line(end.LogLine);
    if (FInstallState == isAborted) return; // stopped while it ran: it was left to finish, the abort stands
    if (FStopRequested) { // the program was asked to end while the installer ran: nothing further starts
        const std::string undone = UndoneAfterStop(end);
        SetInstallState(isAborted);
        if (!undone.empty()) AddErrorLine(undone, false); // on the page and in the log
        return;
    }
    if (!end.Failure.empty()) FErrorMsg = end.Failure;
    SetInstallState(end.State);
    if (end.RestartNeeded && FInstallState == isSucceeded) {
        FRestartNeeded = true;
        AddErrorLine("Der Rechner muss neu gestartet werden, um die Installation abzuschließen.", false);
    }
    if (FInstallState == isSucceeded && SingleSeatDatabasesDue()) InstallSingleSeatDatabases();
}

std::string TSetupWizardDlg::UndoneAfterStop(const InstallerEnd& end) const {
    if (end.State != isSucceeded) return end.Failure;
    if (SingleSeatDatabasesDue()) {
        const std::string folder = SingleSeatDatabaseFolder(FRequest.Folder);
        return FormatText(
            "Nicht ausgeführt: die Datenbanken der Einzelplatzversion (Edition %s: %s nach %s). "
            "Die Anwendung ist installiert; ihre Datenbanken fehlen. Nachholen mit: "
            "tvinstall /PACKAGE=3 /TYPE=SINGLE /EDITION=%s /DIR=\"%s\" /VERYSILENT",
            {FRequest.Edition, SingleSeatArchives(), folder, FRequest.Edition,
             ExcludeTrailingPathDelimiter(folder)});
    }
    const PackageRow* package = FindPackage(FInstallType);
    if (package && package->Then == AfterSuccess::ServerPorts)
        return FormatText("Nicht ausgeführt: die Anschlüsse des Datenbankservers in %s.",
                          {IncludeTrailingPathDelimiter(FRequest.Folder) + "firebird.conf"});
    return "";
}

std::string TSetupWizardDlg::NoSingleSeatDatabasesText() const {
    return FormatText("Für die Einzelplatzversion der Edition %s sind im Paketverzeichnis keine "
                      "Datenbankdateien aufgeführt; die Installation wurde nicht begonnen.",
                      {FRequest.Edition});
}

std::string TSetupWizardDlg::SingleSeatArchives() const {
    return FInstallIni->ReadString("DBFileListSingle", FRequest.Edition, "");
}

bool TSetupWizardDlg::SingleSeatDatabasesDue() const {
    const PackageRow* package = FindPackage(FInstallType);
    // An update of an installed application brings no databases: the program ends after it.
    return package && !FAppInstalled && SingleSeatDatabasesFollow(*package, FRequest);
}

void TSetupWizardDlg::InstallProcWaitFailed(const std::string& reason) {
    FLog.Line("Das Ende des Installationsprogramms ist unbekannt: " + reason);
    // Nothing tells whether the installer succeeded: a failure the user can read, never a hidden window.
    FErrorMsg = reason;
    SetInstallState(isFailed);
}

void TSetupWizardDlg::UnInstallProcTerminate(std::uint32_t) {
    UnInstallProc.CommandLine.clear();
}

} // namespace tv
