// Database files and the data update: archives fetched one by one and unpacked into
// the data folder, never writing over the customer's live databases.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>

#include "source/ServerConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

// Live databases of the customer: an existing file of these names is never written over.
const char* const NotOverwrite[] = {"nv.db", "nv_img.db", "nv_sec.db"};

} // namespace

void TSetupWizardDlg::InstallDatabases(const std::string& targetFolder, const std::string& archives) {
    SetInstallState(isRunning);
    FDataBaseFolder = targetFolder;
    const std::vector<std::string> names = SplitTokens(archives, ';');
    // The run succeeds without an archive; the user must not read that files were installed.
    if (names.empty())
        AddErrorLine(FormatText("Für die Edition %s sind im Paketverzeichnis keine Datenbankdateien "
                                "aufgeführt: es wurden keine Dateien installiert.",
                                {FAppType}),
                     false);
    for (size_t index = 0; index < names.size() && FInstallState == isRunning; ++index) {
        const std::string& name = names[index];
        FUnZipper.TempDirectory = FHost.TempFolder();
        std::string downloaded;
        try {
            bool present = true;
            if (FOnline) {
                downloaded = PackageFilePath(FHost.TempFolder(), name);
                present = DownloadFile(InstallationFolderAddress(), name, FHost.TempFolder());
            }
            if (present) {
                std::string path = PackageFilePath(FSetupFolder, name);
                if (FileExists(path)) {
                    if (!FOnline) VerifyPackageFile(name, path, "");
                    FEntryFailure.clear();
                    UnzipArchive(path, targetFolder);
                    // Whether the copy could be deleted is not checked: a leftover in the
                    // temporary folder harms nothing, and the archive was unpacked.
                    std::error_code ignored;
                    if (FOnline && FileExists(path) && FInstallState == isRunning)
                        std::filesystem::remove(FilePath(path), ignored);
                    // Entries that could not be written make the run fail, after the rest were written.
                    if (!FEntryFailure.empty() && FInstallState == isRunning) {
                        FErrorMsg = FEntryFailure;
                        SetInstallState(isFailed);
                    }
                } else {
                    FErrorMsg = FormatText(GetMsg("msgZipFileFailed"), {ExtractFileName(path)});
                    SetInstallState(isFailed);
                }
            } else if (FInstallState != isAborted) {
                FErrorMsg = FormatText(GetMsg("msgDownloadFailed"), {name});
                SetInstallState(isFailed);
            }
        } catch (const std::exception& e) {
            std::error_code ec;
            if (FOnline && !downloaded.empty()) std::filesystem::remove(FilePath(downloaded), ec);
            if (FInstallState != isRunning) break; // an abort: its page stays
            // The extractor's fixed texts say neither which archive failed nor why.
            if (const auto* zip = dynamic_cast<const ZipError*>(&e)) {
                std::string detail = zip->Detail().empty() ? "" : " (" + zip->Detail() + ")";
                AddErrorLine(FormatText("Archiv %s: %s%s", {name, zip->what(), detail}), false);
            }
            FErrorMsg = e.what();
            SetInstallState(isFailed);
        }
    }
    if (FInstallState == isRunning) SetInstallState(isSucceeded);
}

bool TSetupWizardDlg::UnzipArchive(const std::string& archivePath, const std::string& targetFolder) {
    FForm.lblProgress.Caption = GetWizardText("capUnzip");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {archivePath});
    FForm.pbUnzip.Max = 100;
    ShownProgressBar bar(FForm.pbUnzip);
    SetPage(tsProgress);
    PumpMessages();
    FLog.Line(FormatText("Archiv %s wird nach %s entpackt", {archivePath, targetFolder}));
    FUnZipper.BaseDirectory = targetFolder;
    FUnZipper.SetFileName(archivePath);
    FUnzipArchive = ExtractFileName(archivePath);
    FUnzipEntry = 0;
    FUnzipEntries = 0;
    for (const ZipEntry& entry : FUnZipper.Entries())
        FUnzipEntries += entry.IsFolder() ? 0 : 1;
    FForm.lblSpeed.Caption.clear();
    FUnZipper.ExtractFiles("*.*");
    FUnZipper.SetFileName("");
    return FInstallState == isRunning;
}

void TSetupWizardDlg::AbUnZipperArchiveItemProgress(const ZipEntry& item, int, bool&) {
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {item.FileName});
    PumpMessages();
}

void TSetupWizardDlg::AbUnZipperArchiveProgress(int, bool& abort) {
    abort = FInstallState == isAborted;
}

void TSetupWizardDlg::AbUnZipperConfirmOverwrite(std::string& name, bool& confirm) {
    bool found = false;
    for (const char* kept : NotOverwrite)
        found = found || SameText(ExtractFileName(name), kept);
    confirm = !found;
    if (found) {
        FLog.Line("Behalten, da in Gebrauch: " + name);
        AddErrorLine(FormatText(GetMsg("msgFileSkiped"), {name}), false);
    }
}

void TSetupWizardDlg::AbUnZipperItemExtracted(const ZipEntry& item) {
    FLog.Line(FormatText("Entpackt: %s (%s Bytes)", {item.FileName, std::to_string(item.UncompressedSize)}));
}

void TSetupWizardDlg::AbUnZipperItemFailure(const ZipEntry& item, const std::string& reason) {
    // The file is missing or damaged: the user must see which one and why.
    std::string line = FormatText("Datei %s wurde nicht entpackt: %s", {item.FileName, reason});
    AddErrorLine(line, false);
    if (FEntryFailure.empty()) FEntryFailure = line;
}

} // namespace tv
