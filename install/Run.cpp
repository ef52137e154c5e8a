// The install run: its start, the InstallState property (the one place where an
// outcome becomes visible and has consequences), and the ends of installer processes.
#include "wizard/SetupWizardDlg.h"

#include "install/FirebirdConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::StartInstall() {
    if (FInstallType < 1 || FInstallType > 5) return;
    // A new run reports its own failures only, and never rolls back what succeeded before.
    FErrorMsg.clear();
    UnInstallProc.CommandLine.clear();
    const std::string folder = FForm.edtFolder.Text;
    switch (FInstallType) {
    case 1:
        InstallApplication();
        break;
    case 2:
        InstallServer();
        break;
    case 3:
        InstallDatabases(folder, FInstallIni->ReadString("DBFileListClient", FAppType, ""));
        break;
    case 4:
        InstallDatabases(folder, GetCheckedUpdateFiles());
        break;
    case 5:
        InstallCompanionApp();
        break;
    }
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
    const std::string folder = FForm.edtFolder.Text;
    FForm.lblStatusInfo.Caption = GetMsg("InstallSuccess");
    UnInstallProc.CommandLine =
        FormatText("\"%sunins000.exe\" /silent", {IncludeTrailingPathDelimiter(folder)});
    FForm.lblInfo.Caption = GetWizardText("capInfo");
    try {
        switch (FInstallType) {
        case 1:
            if (FAppInstalled) {
                Close(); // the update is done: the program ends
                return;
            }
            FForm.Visible = true;
            if (!FForm.rbSingle.Checked) {
                ShowInfo(GetMsg("ClientInstallSuccess"));
            } else if (FAppType == "Brisa") {
                ShowInfo(GetMsg("SingleInstallSuccess"));
            } else {
                // The single seat gets its databases in its own folder, as a run of its own.
                std::string target =
                    IncludeTrailingPathDelimiter(folder) + "System" + PathDelimiter + "db" + PathDelimiter;
                FDataBaseFolder = target;
                FPrevInstallType = 1;
                SetInstallType(3);
                InstallDatabases(target, FInstallIni->ReadString("DBFileListSingle", FAppType, ""));
            }
            break;
        case 2:
            FSrvFolder = folder;
            FConfigFile = IncludeTrailingPathDelimiter(FSrvFolder) + "firebird.conf";
            SetFirebirdConfValue(FConfigFile, "RemoteServicePort", "3050");
            SetFirebirdConfValue(FConfigFile, "RemoteAuxPort", "3051");
            FSrvInstalled = true;
            FForm.Visible = true;
            ShowInfo(GetMsg("ServerInstallSucsess"));
            break;
        case 3:
            if (FPrevInstallType == 1) {
                FPrevInstallType = -1;
                ShowInfo(GetMsg("SingleInstallSuccess"));
            } else {
                WriteAliasEntries();
                ShowInfo(GetMsg("DatabaseInstallSuccess"));
            }
            break;
        case 4:
            ShowInfo(GetMsg("DatabaseUpdateSuccess"));
            break;
        case 5:
            FForm.Visible = true;
            ShowInfo(GetMsg("StockadoInstallSuccess"));
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        // The package is in place but its configuration is not: the user must learn that.
        FErrorMsg = e.what();
        SetInstallState(isFailed);
    }
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
    WriteDatabaseAliases(FConfigFile, FDataBaseFolder);
}

void TSetupWizardDlg::Aborted() {
    // Closing the connection ends a request in whatever phase it is (connect, handshake,
    // request, answer): a connection still being made is not yet "connected".
    FWebDAV.Transport().Close();
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
    switch (exitCode) {
    case 0:
        SetInstallState(isSucceeded);
        break;
    case 2:
    case 5:
        SetInstallState(isAborted);
        break;
    case 1:
    case 3:
    case 4:
        SetInstallState(isFailed);
        break;
    default:
        // A code the installers do not document: a failure the user can read, never a hidden window.
        FErrorMsg = FormatText("Das Installationsprogramm endete mit dem unbekannten Code %d.",
                               {std::to_string(exitCode)});
        SetInstallState(isFailed);
        break;
    }
}

void TSetupWizardDlg::InstallProcWaitFailed(const std::string& reason) {
    // Nothing tells whether the installer succeeded: a failure the user can read, never a hidden window.
    FErrorMsg = reason;
    SetInstallState(isFailed);
}

void TSetupWizardDlg::UnInstallProcTerminate(std::uint32_t) {
    UnInstallProc.CommandLine.clear();
}

} // namespace tv
