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
        if (ConnectToServer()) {
            try {
                LoadManifest(FSource.FetchManifest());
            } catch (const std::exception& e) {
                ShowError(e.what());
                SetOnline(false);
                return;
            }
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
        FSetupFolder = FHost.ProgramFolder() + "Packages" + PathDelimiter;
        try {
            LoadManifest(ReadManifestFile(FIniFileName));
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
