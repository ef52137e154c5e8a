// Database files and the data update: archives fetched one by one and unpacked into
// the data folder; the run ends once, with its outcome.
#include "wizard/SetupWizardDlg.h"

#include <filesystem>

#include "source/ServerConfig.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::InstallDatabases(const std::string& targetFolder, const std::string& archives) {
    SetInstallState(isRunning);
    FDataBaseFolder = targetFolder;
    const std::vector<std::string> names = SplitTokens(archives, ';');
    // The run succeeds without an archive; the user must not read that files were installed.
    if (names.empty())
        AddErrorLine(
            FInstallType == pkDataUpdate
                ? std::string("Die gewählten Einträge nennen im Paketverzeichnis kein Archiv: es wurden "
                              "keine Dateien installiert.")
                : FormatText("Für die Edition %s sind im Paketverzeichnis keine Datenbankdateien "
                             "aufgeführt: es wurden keine Dateien installiert.",
                             {FAppType}),
            false);
    // Nothing is written while an archive of the run cannot be had: half a set of
    // databases is worse than none.
    if (const std::string missing = MissingArchive(names); !missing.empty()) {
        FErrorMsg = missing;
        SetInstallState(isFailed);
        return;
    }
    for (const std::string& name : names) {
        const std::string failure = InstallArchive(name, targetFolder);
        if (!failure.empty()) {
            FErrorMsg = failure;
            SetInstallState(isFailed);
        }
        if (FInstallState != isRunning) return; // failed, or aborted: its page stays
    }
    SetInstallState(isSucceeded);
}

std::string TSetupWizardDlg::MissingArchive(const std::vector<std::string>& names) const {
    for (const std::string& name : names) {
        const std::string path =
            PackageFilePath(FOnline ? FHost.TempFolder() : FSetupFolder, name); // checks the name
        if (FOnline && !FSource.Lists(name))
            return FormatText("Die Datei %s ist im Paketverzeichnis des Servers nicht aufgeführt. Die "
                              "Installation der Datenbank kann nicht ausgeführt werden",
                              {name});
        if (!FOnline && !FileExists(path)) return FormatText(GetMsg("msgZipFileFailed"), {name});
    }
    return "";
}

std::string TSetupWizardDlg::InstallArchive(const std::string& name, const std::string& targetFolder) {
    std::string downloaded;
    try {
        if (FOnline) {
            downloaded = PackageFilePath(FHost.TempFolder(), name);
            if (!DownloadFile(InstallationFolderAddress(), name, FHost.TempFolder()))
                return FInstallState == isAborted ? "" : FormatText(GetMsg("msgDownloadFailed"), {name});
        }
        std::string path = PackageFilePath(FSetupFolder, name);
        if (!FileExists(path)) return FormatText(GetMsg("msgZipFileFailed"), {ExtractFileName(path)});
        if (!FOnline) FSource.Verify(name, path, "");
        UnzipArchive(path, targetFolder);
        // Whether the copy could be deleted is not checked: a leftover in the temporary
        // folder harms nothing, and the archive was unpacked.
        std::error_code ignored;
        if (FOnline && FileExists(path) && FInstallState == isRunning)
            std::filesystem::remove(FilePath(path), ignored);
        // Entries that could not be written make the run fail, after the rest were written.
        return FInstallState == isRunning ? FUnpacker.FirstFailure() : "";
    } catch (const std::exception& e) {
        std::error_code ec;
        if (FOnline && !downloaded.empty()) std::filesystem::remove(FilePath(downloaded), ec);
        if (FInstallState != isRunning) return ""; // an abort: its page stays
        if (const auto* zip = dynamic_cast<const ZipError*>(&e))
            AddErrorLine(ArchiveFailureLine(name, *zip), false);
        return e.what();
    }
}

bool TSetupWizardDlg::UnzipArchive(const std::string& archivePath, const std::string& targetFolder) {
    FForm.lblProgress.Caption = GetWizardText("capUnzip");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {archivePath});
    FForm.pbUnzip.Max = 100;
    ShownProgressBar bar(FForm.pbUnzip);
    SetPage(tsProgress);
    PumpMessages();
    FForm.lblSpeed.Caption.clear();
    FUnpacker.Unpack(archivePath, targetFolder, FHost.TempFolder());
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
    confirm = FUnpacker.MayOverwrite(name);
    if (!confirm) AddErrorLine(FormatText(GetMsg("msgFileSkiped"), {name}), false);
}

void TSetupWizardDlg::AbUnZipperItemExtracted(const ZipEntry& item) {
    FUnpacker.EntryExtracted(item);
}

void TSetupWizardDlg::AbUnZipperItemFailure(const ZipEntry& item, const std::string& reason) {
    AddErrorLine(FUnpacker.EntryFailed(item, reason), false);
}

} // namespace tv
