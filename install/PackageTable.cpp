#include "install/PackageTable.h"

#include "util/Strings.h"

namespace tv {

namespace {

constexpr const char* SysdbaPassword = "qb4-KT29vz";

const Installer ApplicationSetup{
    "nv_setup.exe", ServerFolder::Installation, [](const InstallRequest& request) {
        return FormatText("/SILENT /ALLUSERS /DIR=\"%s\" /TYPE=\"%s\" /Task=\"desktopicon\"",
                          {request.Folder, request.SingleSeat ? "Single" : "Client"});
    }};

const Installer ServerSetup{
    "fb32.exe", ServerFolder::Installation, [](const InstallRequest& request) {
        return FormatText("/SILENT /Dir=\"%s\" /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"%s\" "
                          "/COMPONENTS=\"ServerComponent\" /TASKS=\"UseServiceTask,UseSuperServerTask\\"
                          "UseGuardianTask,AutoStartTask,EnableLegacyClientAuth\"",
                          {request.Folder, SysdbaPassword});
    }};

const Installer CompanionSetup{"st_setup.exe", ServerFolder::Installation, [](const InstallRequest& request) {
                                   return FormatText("/SILENT /ALLUSERS /DIR=\"%s\"", {request.Folder});
                               }};

// clang-format off
const PackageRow Packages[] = {
    // kind               installer          preset folder  app panel update list edition                     folder check                               archives                        after success                    success text
    {pkApplication,       &ApplicationSetup, "Norvano 6",   true,     false,      EditionShown::ForSingleSeat, FolderCheck::None,                         ArchiveSource::None,            AfterSuccess::SingleSeatDatabases, "ClientInstallSuccess"},
    {pkDatabaseServer,    &ServerSetup,      "Firebird 3",  false,    false,      EditionShown::Never,         FolderCheck::None,                         ArchiveSource::None,            AfterSuccess::ServerPorts,         "ServerInstallSucsess"},
    {pkDatabaseFiles,     nullptr,           nullptr,       false,    false,      EditionShown::Always,        FolderCheck::OfferToCreate,                ArchiveSource::ClientDatabases, AfterSuccess::DatabaseAliases,     "DatabaseInstallSuccess"},
    {pkDataUpdate,        nullptr,           nullptr,       false,    true,       EditionShown::Always,        FolderCheck::MustExistWithACheckedArchive, ArchiveSource::CheckedUpdates,  AfterSuccess::Nothing,             "DatabaseUpdateSuccess"},
    {pkCompanionApp,      &CompanionSetup,   "Stockado 6",  false,    false,      EditionShown::Never,         FolderCheck::None,                         ArchiveSource::None,            AfterSuccess::Nothing,             "StockadoInstallSuccess"},
};

// Inno Setup's exit codes, as its documentation gives them, and the Windows Installer's
// two successes that need a restart, which an installer may pass on from one it runs.
const ExitCodeMeaning ExitCodes[] = {
    {0, InstallerOutcome::Succeeded, "Setup was successfully run to completion"},
    {1, InstallerOutcome::Failed,    "Setup failed to initialize"},
    {2, InstallerOutcome::Aborted,   "The user clicked Cancel before the actual installation started"},
    {3, InstallerOutcome::Failed,    "A fatal error occurred while preparing the next installation phase"},
    {4, InstallerOutcome::Failed,    "A fatal error occurred during the actual installation"},
    {5, InstallerOutcome::Aborted,   "The user clicked Cancel during the actual installation"},
    {1641, InstallerOutcome::SucceededRestartNeeded, "The installer has initiated a restart"},
    {3010, InstallerOutcome::SucceededRestartNeeded, "A restart is required to complete the install"},
};
// clang-format on

} // namespace

const Installer ApplicationUpdate{"nv_update.exe", ServerFolder::Updates,
                                  [](const InstallRequest&) { return std::string("/SILENT /NOCANCEL"); }};

const PackageRow* FindPackage(int kind) {
    for (const PackageRow& row : Packages)
        if (row.Kind == kind) return &row;
    return nullptr;
}

const ExitCodeMeaning* FindExitCode(std::uint32_t code) {
    for (const ExitCodeMeaning& meaning : ExitCodes)
        if (meaning.Code == code) return &meaning;
    return nullptr;
}

} // namespace tv
