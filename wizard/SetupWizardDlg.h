// TSetupWizardDlg: the wizard as a controller of plain state. It owns the text table and
// every field of the run; its property setters act. The window only mirrors `Form` and
// delivers the user's input through Dispatch. The package source (connection, digests,
// downloads) and the archive unpacker are parts it uses; they know nothing of it.
// Member functions live in the file of their concern in wizard/.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/EventLoop.h"
#include "host/Host.h"
#include "host/ProcessRunner.h"
#include "host/ZipExtractor.h"
#include "install/ArchiveUnpacker.h"
#include "install/InstallerRun.h"
#include "install/PackageTable.h"
#include "source/PackageSource.h"
#include "util/IniStore.h"
#include "util/RunLog.h"
#include "wizard/Form.h"

namespace tv {

class TSetupWizardDlg : private SourceEvents {
public:
    TSetupWizardDlg(Host& host, EventLoop& loop);
    ~TSetupWizardDlg() override;
    TSetupWizardDlg(const TSetupWizardDlg&) = delete;
    TSetupWizardDlg& operator=(const TSetupWizardDlg&) = delete;

    // The text template loaded at creation; the one carried in the program unless replaced before.
    void SetTextTemplate(std::vector<std::string> lines) { FTextTemplate = std::move(lines); }

    Form& GetForm() { return FForm; }
    const Form& GetForm() const { return FForm; }

    // Every user event enters here: a failure that escapes the handler goes to
    // ApplicationEventsException.
    template <class Handler> void Dispatch(Handler&& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            ApplicationEventsException(e.what());
        }
    }

    // Start and end (wizard/Wizard.cpp)
    void FormCreate();
    void ApplicationEventsIdle();
    void ApplicationEventsException(const std::string& message);
    void FormClose();
    // The title bar's close: true when the window may close now.
    bool FormCloseQuery();
    // Closes the window; the program ends.
    void Close();
    // The program was asked to stop (a signal, a close request without a window): a
    // running installation is aborted as after a confirmed Cancel, without a question;
    // otherwise the wizard closes.
    void StopRequest();
    // The start found a package source: a manifest with content, no critical error.
    bool HasPackageSource() const;
    // True once a run has begun: its state never returns to idle.
    bool RunStarted() const { return FInstallState != isIdle; }
    bool StopWasRequested() const { return FStopRequested; }
    // A manifest was refused (its signature, its release) and none was used since: the
    // start found one, but may not use it.
    bool ManifestRefused() const { return FManifestRefused; }
    // An installer of the last run asked for the machine's restart to complete it.
    bool RestartNeeded() const { return FRestartNeeded; }
    // The database files are a single seat's (its own list, no server aliases): only the
    // command line asks for that (/PACKAGE=3 /TYPE=SINGLE).
    bool SingleSeatDatabases = false;
    // The offline package set's folder when it is not the program's (/SOURCE): its
    // "install.ini" and its "Packages" folder, or the files beside the manifest. Set
    // before FormCreate.
    std::string SourceFolder;
    // Every event of the run goes here; the program opens it.
    RunLog& Log() { return FLog; }

    // Navigation and reporting (wizard/Pages.cpp)
    void NextBtnClick();
    void PrevPage();
    void CloseBtnClick();
    // "Abbrechen" in the window that shows the start waiting for the update server.
    void ConnectWaitCancelClick();
    void ShowInfo(const std::string& text);
    void ShowError(const std::string& text);
    void AddErrorLine(const std::string& text, bool clear);

    // Selection page (wizard/Selection.cpp)
    void DoAction(int senderTag);

    // Parameters page (wizard/Params.cpp)
    void edtFolderRightButtonClick();
    void cbAppVersChange();
    void MarkAllBtnClick(int senderTag);

    // Properties
    bool AppInstalled() const { return FAppInstalled; }
    void SetAppInstalled(bool value) { FAppInstalled = value; }
    bool Online() const { return FOnline; }
    void SetOnline(bool value);
    bool Offline() const { return !FOnline; }
    bool AllowOffline() const { return FAllowOffline; }
    void SetAllowOffline(bool value);
    int Page() const { return FPage; }
    void SetPage(int value);
    int InstallType() const { return FInstallType; }
    void SetInstallType(int value);
    int InstallState() const { return FInstallState; }
    void SetInstallState(int value);

    // What tests and the window may read of the state.
    const std::string& ErrorMsg() const { return FErrorMsg; }
    const std::string& AppType() const { return FAppType; }
    const std::string& TempFolder() const { return FTempFolder; }
    const std::string& IniFileName() const { return FIniFileName; }
    const std::string& DefaultFolder() const { return FDefaultFolder; }
    bool CriticalError() const { return FCriticalError; }
    bool SrvInstalled() const { return FSrvInstalled; }
    const std::string& SrvFolder() const { return FSrvFolder; }
    const std::string& ConfigFile() const { return FConfigFile; }
    const std::string& DataBaseFolder() const { return FDataBaseFolder; }
    const std::string& UninstallCommand() const { return UnInstallProc.CommandLine; }
    int PrevInstallType() const { return FPrevInstallType; }
    const std::string& HelpFile() const { return FHelpFile; }

    // Texts of the table (wizard/TextTable.cpp)
    std::string GetWizardText(const std::string& key) const;
    std::string GetMsg(const std::string& key) const;

    // Parameters page operations (wizard/Params.cpp)
    void PrepareParamsPage(int type);
    bool IsAppInstalled();
    bool ValidateParams();
    void FillUpdateFileList(int type);
    bool HasCheckedUpdateFile() const;
    std::string GetCheckedUpdateFiles() const;

    // The run (wizard/InstallRun.cpp)
    void StartInstall();
    void InstallProcTerminate(std::uint32_t exitCode);
    // The system refused to wait for the installer: its outcome is unknown.
    void InstallProcWaitFailed(const std::string& reason);
    void UnInstallProcTerminate(std::uint32_t exitCode);

    // The installer packages (wizard/Installers.cpp) under the product's names; StartInstall
    // reaches the same through the package table, whose rows hold each installer.
    void InstallApplication();
    void InstallServer();
    void InstallCompanionApp();
    void FBConfigBtnClick();

    // Database files (wizard/Databases.cpp)
    void InstallDatabases(const std::string& targetFolder, const std::string& archives);
    bool UnzipArchive(const std::string& archivePath, const std::string& targetFolder);
    void AbUnZipperArchiveItemProgress(const ZipEntry& item, int progress, bool& abort);
    void AbUnZipperArchiveProgress(int progress, bool& abort);
    void AbUnZipperConfirmOverwrite(std::string& name, bool& confirm);
    void AbUnZipperItemFailure(const ZipEntry& item, const std::string& reason);
    void AbUnZipperItemExtracted(const ZipEntry& item);

    // Package source (wizard/Mode.cpp, wizard/Download.cpp)
    bool ConnectToServer();
    // Where the offline manifest lies, with a trailing delimiter, and its package files.
    std::string OfflineFolder() const;
    std::string OfflinePackageFolder() const;
    // The server's manifest into `lines`. False, with the reason in the error list, when
    // the start was cancelled in the waiting window; throws for any other failure.
    bool FetchManifest(ManifestFile& manifest);
    // The lines of a manifest this program may use, from `source`; keeps a signed one's
    // serial as this machine's newest. Throws Failure for one it may not use.
    std::vector<std::string> TrustedManifestLines(const ManifestFile& manifest, const std::string& source);
    void OnlineBtnClick();
    void OfflineBtnClick();
    // Fetches `fileName` into `targetFolder` unless a verified copy lies there already
    // (`fetched` says which). False when the run was aborted or the server is not reached.
    bool DownloadFile(const std::string& baseUrl, const std::string& fileName,
                      const std::string& targetFolder, bool* fetched = nullptr);
    void IdWebDAVWorkBegin(WorkMode mode, std::int64_t workCountMax);
    void IdWebDAVWork(WorkMode mode, std::int64_t workCount);
    const std::string& SetupFolder() const { return FSetupFolder; }
    const IniStore& InstallIni() const { return *FInstallIni; }
    // The manifest's lines, with the digest section read; throws for a malformed one.
    void LoadManifest(const std::vector<std::string>& lines);
    HttpClient& WebDAV() { return FSource.Client(); }

    // The offline package set (wizard/Layout.cpp)
    // Makes `folder` an offline package set from the server's manifest, as an online run
    // would fetch it: the program itself, "install.ini" with its signature, and in
    // "Packages" every file it lists (an edition's archives alone when `edition` names
    // one). Each file is verified, a broken transfer resumed, a verified file kept; nothing
    // else in the folder is touched. The run's state tells the outcome.
    void MakeLayout(const std::string& folder, const std::string& edition);

    // The parts the run uses.
    PackageSource& Source() { return FSource; }
    ArchiveUnpacker& Unpacker() { return FUnpacker; }

private:
    friend struct WizardProbe; // tests reach the controller's own fields

    void InitWizard();
    void BuildPackageList();
    void UpdateAppType();
    // Handles pending window events; downloads and unpacking call it from their progress.
    void PumpMessages() override;
    bool RunGoesOn() const override { return FInstallState == isRunning; }
    // True while a request is on the wire: clicks that would start another are ignored.
    bool Transferring() const { return FSource.Transferring(); }
    void ShowOutcomePage(const std::string& heading, const std::string& text);
    void Succeeded();
    // True when the run's installer is followed by the single seat's database run, which
    // goes into the application's folder.
    bool SingleSeatDatabasesDue() const;
    // The manifest's archives of the request's edition for a single seat.
    std::string SingleSeatArchives() const;
    std::string NoSingleSeatDatabasesText() const;
    // What a run stopped at its installer's end leaves undone (or the installer's failure),
    // as a line an administrator can act on; empty for nothing.
    std::string UndoneAfterStop(const InstallerEnd& end) const;
    void InstallSingleSeatDatabases();
    // Fetches (online) and unpacks one archive of a database run: the failure's text, empty
    // when it went through or the run was aborted.
    std::string InstallArchive(const std::string& name, const std::string& targetFolder);
    // The failure's text for the first archive of a database run that cannot be had (not
    // in the offline folder, not listed by the server); empty when all can.
    std::string MissingArchive(const std::vector<std::string>& names) const;
    void Aborted();
    struct LayoutFile {
        std::string Name;
        std::string BaseUrl;
        bool Program = false; // an installer, which an offline run starts from the set
    };
    // What a layout fetches: every installer, and the archives of every edition or of `edition`.
    std::vector<LayoutFile> LayoutFiles(const std::string& edition) const;
    // Puts the running program into `folder` (whole or not at all); false when it was there.
    bool CopyProgramTo(const std::string& folder);
    // Writes the server's manifest and its signature into `folder` where they differ.
    void WriteLayoutManifest(const std::string& folder);
    void WriteAliasEntries();
    void LogChanges(const std::vector<ConfChange>& changes);
    // The server folder's address an installer is fetched from, ending in "/".
    static std::string InstallerAddress(const Installer& installer);
    // A downloaded program must be startable where files carry an execute permission.
    static void MakeStartable(const std::string& path);
    // Fetches (online) and starts one installer with the window hidden, for FRequest.
    void RunInstaller(const Installer& installer);
    void RunPackageInstaller(const PackageRow& package);
    // What the parameters page decided, for the package of `package`.
    InstallRequest RequestFromPage(const PackageRow& package) const;

    Host& FHost;
    std::vector<std::string> FTextTemplate;
    EventLoop& FEventLoop;
    Form FForm;

    // State, in the design's declaration order.
    std::unique_ptr<IniStore> FInstallIni;
    std::unique_ptr<IniStore> FMemIni;
    std::string FErrorMsg;
    std::string FIniFileName;
    std::string FAppType;
    std::string FConfigFile;
    std::string FSrvFolder;
    std::string FDataBaseFolder;
    std::string FDefaultFolder = "Norvano 6";
    std::string FTempFolder;
    std::string FSetupFolder;
    bool FCriticalError = false;
    bool FSrvInstalled = false;
    bool FAllowOffline = false;
    bool FOnline = false;
    bool FAppInstalled = false;
    int FPage = tsSelect;
    int FInstallState = isIdle;
    int FPrevInstallType = -1;
    int FInstallType = 0;    // becomes 1 when the package list is built
    InstallRequest FRequest; // the run's, captured when it starts
    bool FStopRequested = false;
    bool FStartCancelled = false; // "Abbrechen" in the window that shows the start waiting
    bool FManifestRefused = false;
    bool FRestartNeeded = false;
    ManifestFile FServerManifest; // as the server sent it, while online
    RunLog FLog;

    // Parts and components
    PackageSource FSource;
    ArchiveUnpacker FUnpacker;
    ProcessRunner InstallProc;
    ProcessRunner UnInstallProc;
    ProcessRunner RunApp;

    // The application's help file: registered, never opened.
    std::string FHelpFile;
    // The folder picker: its title is set at start, its folder is the one picked last.
    std::string FFolderDlgTitle;
    std::string FFolderDlgDirectory;
};

} // namespace tv
