// The parameters page: presets per package, the edition key, the update archives
// with their check marks, the installed-application test and the validation.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>
#include <system_error>

#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

#ifdef _WIN32
constexpr const char* DefaultDataFolder = "C:\\Daten";
#else
constexpr const char* DefaultDataFolder = "/srv/Daten";
#endif

// The application installer's identifier with the suffix its uninstall key carries.
constexpr const char* AppUninstallKeyName = "{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1";

} // namespace

void TSetupWizardDlg::PrepareParamsPage(int type) {
    const PackageRow* package = FindPackage(type);
    FForm.pnlApp.Visible = package && package->ShowsApplicationPanel;
    FForm.gbFileList.Visible = package && package->ShowsUpdateList;
    if (!package) return;
    if (package->ProgramFolderName) {
        FDefaultFolder = package->ProgramFolderName;
        FForm.edtFolder.Text = IncludeTrailingPathDelimiter(FHost.ProgramFilesFolder()) + FDefaultFolder;
    } else {
        FillUpdateFileList(type);
        FDefaultFolder = DefaultDataFolder;
        FForm.edtFolder.Text = DefaultDataFolder;
    }
}

InstallRequest TSetupWizardDlg::RequestFromPage(const PackageRow& package) const {
    InstallRequest request;
    request.Kind = package.Kind;
    request.Folder = FForm.edtFolder.Text;
    // Only the application's page asks; the database files are a single seat's only when the
    // command line says so (the radio buttons may still hold an earlier package's choice).
    request.SingleSeat = package.ShowsApplicationPanel ? FForm.rbSingle.Checked : SingleSeatDatabases;
    request.Edition = FAppType;
    if (package.Archives == ArchiveSource::ClientDatabases)
        request.Archives = FInstallIni->ReadString(
            request.SingleSeat ? "DBFileListSingle" : "DBFileListClient", FAppType, "");
    else if (package.Archives == ArchiveSource::CheckedUpdates)
        request.Archives = GetCheckedUpdateFiles();
    return request;
}

void TSetupWizardDlg::FillUpdateFileList(int type) {
    std::string descriptions = FInstallIni->ReadString("UpdFileDescr", FAppType, "");
    std::vector<CheckListEntry> entries;
    for (std::string& description : SplitTokens(descriptions, ';'))
        entries.push_back({std::move(description), type == pkDatabaseFiles}); // all, for the database files
    FForm.cbFileList.Items = std::move(entries);
}

bool TSetupWizardDlg::HasCheckedUpdateFile() const {
    for (const CheckListEntry& entry : FForm.cbFileList.Items)
        if (entry.Checked) return true;
    return false;
}

std::string TSetupWizardDlg::GetCheckedUpdateFiles() const {
    std::string result;
    std::string archives = FInstallIni->ReadString("UpdFileList", FAppType, "");
    const auto& entries = FForm.cbFileList.Items;
    std::vector<std::string> names = SplitTokens(archives, ';');
    for (size_t i = 0; i < names.size(); ++i) {
        // An archive without a line in the check list could never have been checked.
        if (i >= entries.size() || !entries[i].Checked) continue;
        if (!result.empty()) result += ';';
        result += names[i];
    }
    return result;
}

void TSetupWizardDlg::MarkAllBtnClick(int senderTag) {
    for (CheckListEntry& entry : FForm.cbFileList.Items)
        entry.Checked = senderTag == 1;
}

void TSetupWizardDlg::cbAppVersChange() {
    UpdateAppType();
    if (InstallType() == pkDataUpdate) FillUpdateFileList(pkDataUpdate);
}

void TSetupWizardDlg::edtFolderRightButtonClick() {
    if (!FHost.BrowseForFolder(FFolderDlgTitle, FFolderDlgDirectory)) return;
    const PackageRow* package = FindPackage(InstallType());
    if (!package) return;
    // A program goes into its own folder below the one picked; data go into the one picked.
    FForm.edtFolder.Text = package->ProgramFolderName
                               ? IncludeTrailingPathDelimiter(FFolderDlgDirectory) + FDefaultFolder
                               : FFolderDlgDirectory;
}

bool TSetupWizardDlg::IsAppInstalled() {
    auto registry = FHost.OpenRegistry();
    std::string branch = FHost.Is64Bits()
                             ? "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
                             : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    return registry->KeyExists(FormatText("%s\\%s", {branch, AppUninstallKeyName}));
}

bool TSetupWizardDlg::ValidateParams() {
    const std::string folder = FForm.edtFolder.Text;
    std::string message;
    bool result = true;
    const PackageRow* package = FindPackage(InstallType());
    switch (package ? package->Check : FolderCheck::None) {
    case FolderCheck::OfferToCreate:
        message = FormatText(GetMsg("InstallFolderNotExists"), {folder});
        if (DirectoryExists(folder)) return true;
        if (FHost.MessageDlg(FormatText("%s %s", {message, GetMsg("ConfirmCreateFolder")}),
                             MsgDlgType::Confirmation, mbYesNo) == mrYes) {
            message = FormatText(GetMsg("FolderCannotCreate"), {folder});
            // An empty name is no folder: it is reported like any folder that cannot be made.
            std::error_code ec;
            if (!folder.empty()) std::filesystem::create_directories(FilePath(folder), ec);
            result = !ec && DirectoryExists(folder);
        } else {
            result = false;
        }
        break;
    case FolderCheck::MustExistWithACheckedArchive:
        if (!DirectoryExists(folder)) {
            message = FormatText(GetMsg("InstallFolderNotExists"), {folder});
            result = false;
        }
        if (!HasCheckedUpdateFile()) {
            message = GetMsg("msgNoFileSelected");
            result = false;
        }
        break;
    case FolderCheck::None:
        break;
    }
    if (!result) FHost.MessageDlg(message, MsgDlgType::Information, mbOK);
    return result;
}

} // namespace tv
