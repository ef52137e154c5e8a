// Online and offline mode: where the manifest and the package files come from, the
// server login, and the two mode buttons.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>

#include "source/ServerConfig.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

void TSetupWizardDlg::SetOnline(bool value) {
    FOnline = value;
    FForm.Caption = FormatText("%s [ %s ]",
                               {GetWizardText("Caption"), GetWizardText(value ? "capOnline" : "capOffline")});
    FForm.FBConfigBtn.Visible = FAllowOffline;
    FForm.OnlineBtn.Down = value;
    FForm.OfflineBtn.Down = !value;
    FInstallIni->Clear();
    FDigests = {};

    if (value) {
        FSetupFolder = FHost.TempFolder();
        if (ConnectToServer()) {
            MemorySink manifest;
            try {
                {
                    TransferScope transfer(FTransfers);
                    FWebDAV.Get(InstallationFolderAddress() + "install.ini", manifest);
                }
                LoadManifest(SplitLines(DecodeText(manifest.Data).Text));
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
        FWebDAV.Disconnect();
        FSetupFolder = FHost.ProgramFolder() + "Packages" + PathDelimiter;
        try {
            LoadManifest(FileExists(FIniFileName) ? SplitLines(DecodeText(ReadFileBytes(FIniFileName)).Text)
                                                  : std::vector<std::string>());
        } catch (const Failure& e) {
            ShowError(e.what()); // a manifest that cannot be trusted offers no package
        }
    }
    FSetupFolder = IncludeTrailingPathDelimiter(FSetupFolder);
    if (value)
        FLog.Line("Modus: online, Paketverzeichnis von " + InstallationFolderAddress() + "install.ini" +
                  (FInstallIni->Empty() ? " (leer)" : ""));
    else
        FLog.Line("Modus: offline, Paketverzeichnis " + FIniFileName +
                  (FInstallIni->Empty() ? " (fehlt oder leer)" : "") + ", Pakete in " + FSetupFolder);
}

void TSetupWizardDlg::LoadManifest(const std::vector<std::string>& lines) {
    FDigests = PackageDigests::FromManifest(lines);
    FInstallIni->SetStrings(lines);
    if (FDigests.Count() > 0)
        FLog.Line(
            FormatText("Prüfsummen im Paketverzeichnis: %d Dateien", {std::to_string(FDigests.Count())}));
}

bool TSetupWizardDlg::ConnectToServer() {
    if (FWebDAV.Connected()) return true;
    try {
        TransferScope transfer(FTransfers);
        FWebDAV.BasicAuthentication = true;
        FWebDAV.UserName = AccountName();
        FWebDAV.Password = AccountPassword;
        FWebDAV.CacheControl = "no-cache";
        MemorySink answer;
        FWebDAV.Post(LoginPageAddress(), answer);
        if (!FWebDAV.Connected()) FWebDAV.Connect();
        return true;
    } catch (const std::exception& e) {
        AddErrorLine(e.what(), true);
        return false;
    }
}

void TSetupWizardDlg::OnlineBtnClick() {
    if (Transferring()) return; // one request at a time
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
