// The offline package set made from the server: what an online run would fetch, put where
// an offline run looks for it, each file verified against the signed manifest.
#include "wizard/SetupWizardDlg.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "host/AtomicFile.h"
#include "source/ServerConfig.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

namespace {

// The manifest's sections that name archives, per edition.
constexpr const char* ArchiveSections[] = {"DBFileListSingle", "DBFileListClient", "UpdFileList"};

void CreateFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(FilePath(folder), ec);
    if (ec || !DirectoryExists(folder))
        throw Failure(FormatText("Der Ordner %s kann nicht angelegt werden: %s", {folder, ec.message()}));
}

bool HoldsAlready(const std::string& path, const std::string& bytes) {
    return FileExists(path) && ReadFileBytes(path) == bytes;
}

// Writes `bytes` to `path` unless the file holds them already; true when it wrote.
bool WriteWhereDifferent(const std::string& path, const std::string& bytes) {
    if (HoldsAlready(path, bytes)) return false;
    ReplaceFileContent(path, bytes);
    return true;
}

} // namespace

std::vector<TSetupWizardDlg::LayoutFile> TSetupWizardDlg::LayoutFiles(const std::string& edition) const {
    std::vector<LayoutFile> files;
    auto add = [&files](const std::string& name, const std::string& baseUrl, bool program = false) {
        for (const LayoutFile& file : files)
            if (SameText(file.Name, name)) return;
        files.push_back({name, baseUrl, program});
    };
    for (int kind = pkApplication; kind <= pkCompanionApp; ++kind)
        if (const PackageRow* package = FindPackage(kind); package && package->Setup)
            add(package->Setup->FileName, InstallerAddress(*package->Setup), true);
    add(ApplicationUpdate.FileName, InstallerAddress(ApplicationUpdate), true);
    for (const char* section : ArchiveSections)
        for (const char* key : EditionKeys) {
            if (!edition.empty() && edition != key) continue;
            for (const std::string& name : SplitTokens(FInstallIni->ReadString(section, key, ""), ';'))
                if (!TrimBlanks(name).empty()) add(TrimBlanks(name), InstallationFolderAddress());
        }
    return files;
}

bool TSetupWizardDlg::CopyProgramTo(const std::string& folder) {
    const std::string program = FHost.ProgramFile();
    if (program.empty()) throw Failure("Die Programmdatei des Setups ist nicht zu ermitteln.");
    const std::string target = IncludeTrailingPathDelimiter(folder) + ExtractFileName(program);
    std::error_code ec;
    if (std::filesystem::equivalent(FilePath(program), FilePath(target), ec)) return false;
    const std::string bytes = ReadFileBytes(program);
    if (HoldsAlready(target, bytes)) return false;
    ReplacingFile copy(target);
    int error = copy.Open(bytes.size());
    if (error == 0) error = copy.Write(bytes.data(), bytes.size());
    // A new copy must start as the program does (the execute bit on POSIX).
    if (error == 0)
        std::filesystem::permissions(FilePath(copy.TemporaryPath()),
                                     std::filesystem::status(FilePath(program)).permissions(), ec);
    if (error == 0) error = copy.Commit();
    if (error != 0)
        throw Failure(FormatText("%s kann nicht geschrieben werden: %s",
                                 {target, std::error_code(error, std::generic_category()).message()}));
    return true;
}

void TSetupWizardDlg::WriteLayoutManifest(const std::string& folder) {
    const std::string path = IncludeTrailingPathDelimiter(folder) + "install.ini";
    const std::string signature = path + ".sig";
    if (FServerManifest.Signature) {
        if (WriteWhereDifferent(signature, *FServerManifest.Signature))
            FLog.Line("Geschrieben: " + signature);
    } else if (FileExists(signature)) {
        // A signature of an earlier manifest would make the set's own manifest look forged.
        std::error_code ec;
        std::filesystem::remove(FilePath(signature), ec);
        if (ec) throw Failure(FormatText("%s kann nicht entfernt werden: %s", {signature, ec.message()}));
        FLog.Line("Entfernt (das Paketverzeichnis ist nicht mehr signiert): " + signature);
    }
    if (WriteWhereDifferent(path, FServerManifest.Bytes)) FLog.Line("Geschrieben: " + path);
}

void TSetupWizardDlg::MakeLayout(const std::string& folder, const std::string& edition) {
    const auto started = std::chrono::steady_clock::now();
    FInstallState = isRunning;
    try {
        if (!FOnline || FServerManifest.Bytes.empty())
            throw Failure("Ohne das Paketverzeichnis des Update-Servers kann kein Offline-Verzeichnis "
                          "erstellt werden.");
        if (!FSource.ListsDigests())
            throw Failure(
                "Das Paketverzeichnis des Servers nennt keine Prüfsummen ([SHA256]): die Dateien eines "
                "Offline-Verzeichnisses ließen sich nicht prüfen.");
        FLog.Line(
            FormatText("Offline-Verzeichnis %s%s", {folder, edition.empty() ? "" : ", Edition " + edition}));
        const std::string packages = IncludeTrailingPathDelimiter(folder) + "Packages";
        CreateFolder(packages);
        int fetched = 0;
        int kept = 0;
        std::uint64_t bytes = 0;
        for (const LayoutFile& file : LayoutFiles(edition)) {
            // An online run would not take it either.
            if (!FSource.Lists(file.Name)) {
                FLog.Line(file.Name + " steht nicht im Paketverzeichnis des Servers: nicht übernommen");
                continue;
            }
            bool loaded = false;
            if (!DownloadFile(file.BaseUrl, file.Name, packages, &loaded)) {
                if (FInstallState != isRunning) return; // aborted: the log says so
                throw Failure(FormatText(GetMsg("msgDownloadFailed"), {file.Name}));
            }
            if (file.Program) MakeStartable(PackageFilePath(packages, file.Name));
            if (loaded) {
                ++fetched;
                bytes += std::filesystem::file_size(FilePath(PackageFilePath(packages, file.Name)));
            } else {
                ++kept;
            }
        }
        if (CopyProgramTo(folder)) FLog.Line("Geschrieben: das Programm in " + folder);
        WriteLayoutManifest(folder);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        FLog.Line(
            FormatText("Offline-Verzeichnis vollständig: %d Dateien, %d geladen (%s Bytes), %d unverändert, "
                       "%s s",
                       {std::to_string(fetched + kept), std::to_string(fetched), std::to_string(bytes),
                        std::to_string(kept), GermanDecimal(seconds, 1)}));
        FInstallState = isSucceeded;
    } catch (const std::exception& e) {
        if (FInstallState != isRunning) return;
        FErrorMsg = e.what();
        FLog.Line("Fehler: " + FErrorMsg);
        FInstallState = isFailed;
    }
}

} // namespace tv
