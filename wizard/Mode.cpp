// Online and offline mode: the caption, the package source switched with every fall-back,
// the server login, and the two mode buttons.
#include "wizard/SetupWizardDlg.h"

#include "source/ServerConfig.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::SetOnline(bool value) {
    FOnline = value;
    FForm.Caption = FormatText("%s [ %s ]",
                               {GetWizardText("Caption"), GetWizardText(value ? "capOnline" : "capOffline")});
    FForm.FBConfigBtn.Visible = FAllowOffline;
    FForm.OnlineBtn.Down = value;
    FForm.OfflineBtn.Down = !value;
    FInstallIni->Clear();
    FSource.ClearDigests();

    if (value) {
        FSetupFolder = FHost.TempFolder();
        FStartCancelled = false;
        bool connected = false;
        try {
            std::vector<std::string> manifest;
            connected = ConnectToServer() && FetchManifest(manifest);
            if (connected) LoadManifest(manifest);
        } catch (const std::exception& e) {
            // No manifest, or one that cannot be trusted: no package from the server.
            ShowError(e.what());
            SetOnline(false);
            return;
        }
        if (connected) {
            // the server's manifest serves
        } else if (FAllowOffline) {
            ShowError(FormatText("%s %s", {GetMsg("msgConnectToCloudFailed"), GetMsg("msgSetOfflineMode")}));
            SetOnline(false);
            return;
        } else {
            FCriticalError = true;
            ShowError(FormatText("%s %s", {GetMsg("msgConnectToCloudFailed"), GetMsg("msgAppTerminate")}));
        }
    } else {
        FSource.Disconnect();
        FSetupFolder = OfflinePackageFolder();
        // A manifest that cannot be read leaves here: recorded, shown nowhere.
        const std::vector<std::string> manifest = ReadManifestFile(FIniFileName);
        try {
            LoadManifest(manifest);
        } catch (const Failure& e) {
            ShowError(e.what()); // a manifest that cannot be trusted offers no package
        }
    }
    FSetupFolder = IncludeTrailingPathDelimiter(FSetupFolder);
    const bool empty = FInstallIni->Empty();
    if (value)
        FLog.Line("Modus: online, Paketverzeichnis von " + InstallationFolderAddress() + "install.ini" +
                  (empty ? " (leer)" : ""));
    else
        FLog.Line("Modus: offline, Paketverzeichnis " + FIniFileName + (empty ? " (fehlt oder leer)" : "") +
                  ", Pakete in " + FSetupFolder);
}

void TSetupWizardDlg::LoadManifest(const std::vector<std::string>& lines) {
    FSource.LoadDigests(lines);
    FInstallIni->SetStrings(lines);
}

std::string TSetupWizardDlg::OfflineFolder() const {
    return SourceFolder.empty() ? FHost.ProgramFolder() : IncludeTrailingPathDelimiter(SourceFolder);
}

std::string TSetupWizardDlg::OfflinePackageFolder() const {
    std::string packages = OfflineFolder() + "Packages" + PathDelimiter;
    // A folder given for the source may hold the files beside its manifest.
    if (!SourceFolder.empty() && !DirectoryExists(packages)) return OfflineFolder();
    return packages;
}

bool TSetupWizardDlg::FetchManifest(std::vector<std::string>& lines) {
    try {
        if (FStartCancelled) throw Failure("Abgebrochen");
        lines = FSource.FetchManifest();
        return true;
    } catch (const std::exception& e) {
        if (!FStartCancelled) throw;
        // "Abbrechen" in the waiting window: as a failed connection, wherever it was pressed.
        AddErrorLine(e.what(), true);
        return false;
    }
}

bool TSetupWizardDlg::ConnectToServer() {
    const std::string failure = FSource.Connect();
    if (failure.empty()) return true;
    AddErrorLine(failure, true);
    return false;
}

void TSetupWizardDlg::OnlineBtnClick() {
    if (FSource.Transferring()) return; // one request at a time
    if (ConnectToServer()) {
        SetOnline(true);
        return;
    }
    SetOnline(false);
    FForm.OfflineBtn.Down = true;
    FHost.MessageDlg(FormatText("%s %s", {GetMsg("msgConnectToCloudFailed"), GetMsg("msgSetOfflineMode")}),
                     MsgDlgType::Error, mbOK);
}

void TSetupWizardDlg::OfflineBtnClick() {
    SetOnline(false);
}

} // namespace tv
