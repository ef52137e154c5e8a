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
    FServerManifest = {};

    if (value) {
        FSetupFolder = FHost.TempFolder();
        FStartCancelled = false;
        bool connected = false;
        try {
            ManifestFile manifest;
            connected = ConnectToServer() && FetchManifest(manifest);
            if (connected) {
                LoadManifest(TrustedManifestLines(manifest, InstallationFolderAddress() + "install.ini"));
                FServerManifest = std::move(manifest);
            }
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
        const ManifestFile manifest = ReadManifestFile(FIniFileName);
        try {
            LoadManifest(TrustedManifestLines(manifest, FIniFileName));
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

namespace {

// Where the newest manifest serial this machine accepted is kept.
constexpr const char* SetupKey = "SOFTWARE\\Norvano\\Setup";
constexpr const char* SerialValue = "ManifestSerial";

} // namespace

std::vector<std::string> TSetupWizardDlg::TrustedManifestLines(const ManifestFile& manifest,
                                                               const std::string& source) {
    std::optional<std::int64_t> highest;
    auto registry = FHost.OpenRegistry();
    if (registry->OpenKeyReadOnly(SetupKey)) {
        const std::string kept = registry->ReadString(SerialValue);
        if (!kept.empty() && kept.size() <= 18 && kept.find_first_not_of("0123456789") == std::string::npos)
            highest = std::stoll(kept);
    }
    std::optional<ManifestRelease> release;
    std::vector<std::string> lines;
    try {
        lines = FSource.AcceptManifest(manifest, source, highest, release);
    } catch (const Failure&) {
        FManifestRefused = true; // until one is used: the fall-back may have none at all
        throw;
    }
    if (!manifest.Bytes.empty()) FManifestRefused = false;
    if (release && (!highest || release->Serial > *highest)) {
        try {
            FHost.WriteRegistryString(SetupKey, SerialValue, std::to_string(release->Serial));
        } catch (const Failure& e) {
            // The expiry still holds an old manifest off; the log says what is missing.
            FLog.Line("Die Serial des Paketverzeichnisses kann nicht gespeichert werden: " +
                      std::string(e.what()));
        }
    }
    return lines;
}

std::string TSetupWizardDlg::OfflineFolder() const {
    return SourceFolder.empty() ? FHost.ProgramFolder() : IncludeTrailingPathDelimiter(SourceFolder);
}

std::string TSetupWizardDlg::OfflinePackageFolder() const {
    // The program's own set keeps its "Packages" folder even while it is missing.
    return SourceFolder.empty() ? FHost.ProgramFolder() + "Packages" + PathDelimiter
                                : PackageSetFolder(SourceFolder);
}

bool TSetupWizardDlg::FetchManifest(ManifestFile& manifest) {
    try {
        if (FStartCancelled) throw Failure("Abgebrochen");
        manifest = FSource.FetchManifest();
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
