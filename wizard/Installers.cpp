// The installer packages: each row's installer fetched and started with its command line
// for the run's request (the application's update instead when it is installed), and
// the database server's configuration tool.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>

#include "source/ServerConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::MakeStartable(const std::string& path) {
    std::error_code ec;
    std::filesystem::permissions(FilePath(path),
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
}

std::string TSetupWizardDlg::InstallerAddress(const Installer& installer) {
    return installer.Folder == ServerFolder::Updates ? UpdatesFolderAddress() : InstallationFolderAddress();
}

void TSetupWizardDlg::RunInstaller(const Installer& installer) {
    const std::string fileName = installer.FileName;
    const std::string baseUrl = InstallerAddress(installer);
    bool present = true;
    SetInstallState(isRunning);
    if (FOnline) present = DownloadFile(baseUrl, fileName, FTempFolder);
    std::string path = PackageFilePath(FSetupFolder, fileName);
    if (present) present = FileExists(path);
    if (present && !FOnline) FSource.Verify(fileName, path, "");
    if (present && FOnline) MakeStartable(path);
    if (present) {
        InstallProc.CommandLine = InstallerCommandLine(path, installer, FRequest);
        FLog.Line("Installationsprogramm: " + MaskSecrets(InstallProc.CommandLine));
        FForm.Visible = false;
        InstallProc.Run();
        return;
    }
    // An abort during the download is reported as the abort, for every package.
    if (FInstallState == isAborted) return;
    FErrorMsg = FOnline ? FormatText(GetMsg("msgDownloadFailed"), {fileName})
                        : FormatText(GetMsg("msgExeFileFailed"), {path});
    SetInstallState(isFailed);
}

void TSetupWizardDlg::RunPackageInstaller(const PackageRow& package) {
    // An installed application is updated, not installed again.
    RunInstaller(package.Kind == pkApplication && FAppInstalled ? ApplicationUpdate : *package.Setup);
}

void TSetupWizardDlg::InstallApplication() {
    RunPackageInstaller(*FindPackage(pkApplication));
}

void TSetupWizardDlg::InstallServer() {
    RunPackageInstaller(*FindPackage(pkDatabaseServer));
}

void TSetupWizardDlg::InstallCompanionApp() {
    RunPackageInstaller(*FindPackage(pkCompanionApp));
}

void TSetupWizardDlg::FBConfigBtnClick() {
    std::string path = FHost.ProgramFolder() + "Kelvaro" + PathDelimiter + "Kelvaro.exe";
    if (!FileExists(path)) return;
    RunApp.CommandLine = QuotedPath(path);
    RunApp.Run();
}

} // namespace tv
