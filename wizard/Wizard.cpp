// Start-up, the idle pass, the global failure handler and closing.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>
#include <iterator>

#include "source/ServerConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "wizard/TextTable.h"

namespace tv {

TSetupWizardDlg::TSetupWizardDlg(Host& host, EventLoop& loop)
    : FHost(host), FTextTemplate(TextTemplateLines()), FEventLoop(loop), FSource(FLog, *this),
      FUnpacker(FLog), InstallProc(loop), UnInstallProc(loop), RunApp(loop) {
    RunApp.WaitForTerminate = false;
    InstallProc.OnTerminate = [this](ProcessRunner& sender, std::uint32_t code) {
        Dispatch([&] {
            if (sender.WaitFailure().empty())
                InstallProcTerminate(code);
            else
                InstallProcWaitFailed(sender.WaitFailure());
        });
    };
    UnInstallProc.OnTerminate = [this](ProcessRunner& sender, std::uint32_t code) {
        Dispatch([&] {
            if (!sender.WaitFailure().empty()) AddErrorLine(sender.WaitFailure(), false);
            UnInstallProcTerminate(code);
        });
    };
    ZipExtractor& unzipper = FUnpacker.Extractor();
    unzipper.ItemProgress = [this](int position) {
        FForm.pbUnzip.Position = position;
        if (position == 0) FForm.lblSpeed.Caption = FUnpacker.NextEntryLine(); // a new entry begins
        PumpMessages();
    };
    unzipper.OnArchiveProgress = [this](int progress, bool& abort) {
        AbUnZipperArchiveProgress(progress, abort);
    };
    unzipper.OnArchiveItemProgress = [this](const ZipEntry& item, int progress, bool& abort) {
        AbUnZipperArchiveItemProgress(item, progress, abort);
    };
    unzipper.OnConfirmOverwrite = [this](std::string& name, bool& confirm) {
        AbUnZipperConfirmOverwrite(name, confirm);
    };
    unzipper.OnItemFailure = [this](const ZipEntry& item, const std::string& reason) {
        AbUnZipperItemFailure(item, reason);
    };
    unzipper.OnItemExtracted = [this](const ZipEntry& item) { AbUnZipperItemExtracted(item); };
    HttpClient& client = FSource.Client();
    client.OnWorkBegin = [this](WorkMode mode, std::int64_t max) { IdWebDAVWorkBegin(mode, max); };
    client.OnWork = [this](WorkMode mode, std::int64_t count) { IdWebDAVWork(mode, count); };
}

TSetupWizardDlg::~TSetupWizardDlg() = default;

void TSetupWizardDlg::FormCreate() {
    FCriticalError = false;
    FInstallState = isIdle;
    FHelpFile = FHost.ProgramFolder() + "setup.chm";
    FPrevInstallType = -1;
    FSrvFolder.clear();
    FSrvInstalled = false;
    FDataBaseFolder.clear();
    FConfigFile.clear();
    FTempFolder = FHost.TempFolder();
    FMemIni = std::make_unique<IniStore>();
    FMemIni->SetStrings(FTextTemplate);
    FInstallIni = std::make_unique<IniStore>();
    FIniFileName = OfflineFolder() + "install.ini";
    InitWizard();
}

void TSetupWizardDlg::InitWizard() {
    // Pages are switched by the wizard alone; FPage stays 0, so the button row keeps
    // its designed visibility until the mode decision.
    FForm.TabsVisible = false;
    FForm.ActivePage = tsSelect;

    FForm.Caption = GetWizardText("Caption");
    FForm.NextBtn.Caption = GetWizardText("NextBtn");
    FForm.BackBtn.Caption = GetWizardText("BackBtn");
    FForm.CloseBtn.Caption = GetWizardText("CloseBtn");
    FForm.OnlineBtn.Caption = GetWizardText("OnlineBtn");
    FForm.OfflineBtn.Caption = GetWizardText("OfflineBtn");
    FForm.FBConfigBtn.Caption = GetWizardText("FBConfigBtn");
    FForm.lblParams.Caption = GetWizardText("capParams");
    FForm.lblProgress.Caption = GetWizardText("capProgress");
    FForm.lblInfo.Caption = GetWizardText("capInfo");
    FForm.gbFolder.Caption = FormatText(" %s ", {GetWizardText("gbFolder")});
    FForm.rbClient.Caption = FormatText(" %s ", {GetWizardText("rbClient")});
    FForm.rbSingle.Caption = FormatText(" %s ", {GetWizardText("rbSingle")});
    FForm.gbFileList.Caption = FormatText(" %s ", {GetWizardText("capFileList")});
    FForm.gbAppVers.Caption = GetWizardText("gbAppVers");

    ComboBox& editions = FForm.cbAppVers;
    editions.Items.clear();
    std::string items = GetWizardText("cbApp.Items");
    editions.Items = SplitTokens(items, ';');
    // Selecting entry 0 of an empty list selects nothing.
    if (!editions.Items.empty()) {
        editions.ItemIndex = 0;
        editions.Text = editions.Items[0];
    }

    FFolderDlgTitle = GetWizardText("FolderDlgTitle");
    BuildPackageList();
    SetAppInstalled(IsAppInstalled());
    SetInstallType(1);

    // Only a file: a folder of that name holds no manifest.
    if (FileExists(FIniFileName)) {
        SetAllowOffline(true);
        SetOnline(false);
    } else {
        SetAllowOffline(false);
        // Until the server has answered, a small window says what the start waits for and
        // lets the user give up: a server that never answers would keep the screen empty.
        FForm.ConnectWait = {
            FormatText("Verbindung zum Update-Server wird hergestellt \u2026\n\r%s", {UpdateServerHost()}),
            true};
        struct Hide {
            Control& Window;
            ~Hide() { Window.Visible = false; }
        } hide{FForm.ConnectWait};
        SetOnline(true);
    }
}

void TSetupWizardDlg::ConnectWaitCancelClick() {
    // Ends the request under way: the start goes on as after a failed connection.
    if (!FForm.ConnectWait.Visible) return;
    FStartCancelled = true;
    FSource.Interrupt();
}

void TSetupWizardDlg::PumpMessages() {
    FEventLoop.ProcessMessages();
}

void TSetupWizardDlg::UpdateAppType() {
    const int index = FForm.cbAppVers.ItemIndex;
    if (index >= 0 && index < static_cast<int>(std::size(EditionKeys))) FAppType = EditionKeys[index];
}

void TSetupWizardDlg::ApplicationEventsIdle() {
    const PackageRow* package = FindPackage(FInstallType);
    const EditionShown edition = package ? package->Edition : EditionShown::Never;
    FForm.gbAppVers.Visible =
        edition == EditionShown::Always || (edition == EditionShown::ForSingleSeat && FForm.rbSingle.Checked);
    UpdateAppType();
}

void TSetupWizardDlg::ApplicationEventsException(const std::string& message) {
    FLog.Line("Fehler: " + message);
    FErrorMsg = message;
    if (FInstallState == isRunning) SetInstallState(isFailed);
}

void TSetupWizardDlg::Close() {
    if (FForm.Closed) return;
    FForm.Closed = true;
    FForm.Visible = false;
    FormClose();
}

void TSetupWizardDlg::FormClose() {
    FMemIni.reset();
}

void TSetupWizardDlg::StopRequest() {
    FLog.Line("Das Programm wurde aufgefordert, sich zu beenden.");
    FStopRequested = true;
    // An installer cannot be stopped halfway: the run waits for it, keeps this machine's one
    // installation to itself meanwhile, and ends as aborted at the installer's end.
    if (FInstallState == isRunning && InstallProc.State() == psWaiting) {
        FLog.Line("Das Installationsprogramm läuft noch: sein Ende wird abgewartet, danach endet der Lauf "
                  "als abgebrochen.");
        return;
    }
    if (FInstallState == isRunning)
        SetInstallState(isAborted);
    else
        Close();
}

bool TSetupWizardDlg::HasPackageSource() const {
    return !FCriticalError && FInstallIni && !FInstallIni->Empty();
}

bool TSetupWizardDlg::FormCloseQuery() {
    if (FInstallState != isRunning) return true;
    // The window is hidden while an installer runs: a close request comes from the system or
    // a management tool, not from a person to ask. It waits for the installer as a stop does.
    if (InstallProc.State() == psWaiting) {
        StopRequest();
        return false;
    }
    // Closing in the middle of a run is a cancel: ask as the Close button does.
    if (FHost.MessageDlg(GetMsg("ConfirmCancelInstall"), MsgDlgType::Confirmation, mbYesNo) == mrYes)
        SetInstallState(isAborted);
    return false;
}

} // namespace tv
