// The installer packages: the application (new installation or update), the database
// server with its configuration tool, and the companion application.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>

#include "source/ServerConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

constexpr const char* SysdbaPassword = "qb4-KT29vz";

// Quoted, so that a path with blanks can never start a program named by one of its prefixes.
std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

void TSetupWizardDlg::RunInstaller(const std::string& fileName, const std::string& baseUrl,
                                   const std::string& parameters) {
    bool present = true;
    SetInstallState(isRunning);
    if (FOnline) present = DownloadFile(baseUrl, fileName, FTempFolder);
    std::string path = PackageFilePath(FSetupFolder, fileName);
    if (present) present = FileExists(path);
    if (present && FOnline) {
        // A downloaded program must be startable where files carry an execute permission.
        std::error_code ec;
        std::filesystem::permissions(FilePath(path),
                                     std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                         std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add, ec);
    }
    if (present) {
        InstallProc.CommandLine = Quoted(path) + " " + parameters;
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

void TSetupWizardDlg::InstallApplication() {
    if (FAppInstalled) {
        RunInstaller("nv_update.exe", UpdatesFolderAddress(), "/SILENT /NOCANCEL");
        return;
    }
    std::string type = FForm.rbClient.Checked ? "Client" : "Single";
    RunInstaller("nv_setup.exe", InstallationFolderAddress(),
                 FormatText("/SILENT /ALLUSERS /DIR=\"%s\" /TYPE=\"%s\" /Task=\"desktopicon\"",
                            {FForm.edtFolder.Text, type}));
}

void TSetupWizardDlg::InstallServer() {
    RunInstaller("fb32.exe", InstallationFolderAddress(),
                 FormatText("/SILENT /Dir=\"%s\" /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"%s\" "
                            "/COMPONENTS=\"ServerComponent\" /TASKS=\"UseServiceTask,UseSuperServerTask\\"
                            "UseGuardianTask,AutoStartTask,EnableLegacyClientAuth\"",
                            {FForm.edtFolder.Text, SysdbaPassword}));
}

void TSetupWizardDlg::InstallCompanionApp() {
    RunInstaller("st_setup.exe", InstallationFolderAddress(),
                 FormatText("/SILENT /ALLUSERS /DIR=\"%s\"", {FForm.edtFolder.Text}));
}

void TSetupWizardDlg::FBConfigBtnClick() {
    std::string path = FHost.ProgramFolder() + "Kelvaro" + PathDelimiter + "Kelvaro.exe";
    if (!FileExists(path)) return;
    RunApp.CommandLine = Quoted(path);
    RunApp.Run();
}

} // namespace tv
