// Downloads of package files with the progress page, and the client's progress events.
#include "wizard/SetupWizardDlg.h"

#include <chrono>
#include <filesystem>

#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

std::string TSetupWizardDlg::PackageFilePath(const std::string& folder, const std::string& fileName) const {
    // A name from the manifest with a folder part could make the wizard write, or unpack
    // from, anywhere on the machine.
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find_first_of("/\\:") != std::string::npos)
        throw Failure("Ungültiger Dateiname im Paketverzeichnis: '" + fileName + "'");
    return IncludeTrailingPathDelimiter(folder) + fileName;
}

void TSetupWizardDlg::VerifyPackageFile(const std::string& fileName, const std::string& path,
                                        const std::string& computed) {
    const std::string* listed = FDigests.Find(fileName);
    if (!listed) return;
    const std::string actual = computed.empty() ? FileSha256(path) : computed;
    if (actual == *listed) {
        FLog.Line(FormatText("Prüfsumme von %s stimmt: %s", {fileName, actual}));
        return;
    }
    FLog.Line(
        FormatText("Prüfsumme von %s stimmt nicht: erwartet %s, erhalten %s", {fileName, *listed, actual}));
    // A copy that is not the vendor's file must not be found and used later.
    std::error_code ignored;
    if (FOnline) std::filesystem::remove(FilePath(path), ignored);
    throw Failure(
        FormatText("Die Datei %s ist beschädigt oder wurde verändert (Prüfsumme stimmt nicht).", {fileName}));
}

bool TSetupWizardDlg::DownloadFile(const std::string& baseUrl, const std::string& fileName,
                                   const std::string& targetFolder) {
    std::string target = PackageFilePath(targetFolder, fileName);
    // A copy that is already the vendor's file (its digest listed and matching) is not fetched again.
    if (const std::string* listed = FDigests.Find(fileName); listed && FileExists(target)) {
        std::string present;
        try {
            present = FileSha256(target);
        } catch (const Failure&) {
            // unreadable: fetched anew below
        }
        if (present == *listed) {
            FLog.Line(FormatText(
                "%s liegt mit stimmender Prüfsumme im temporären Ordner: nicht erneut geladen", {fileName}));
            return FInstallState == isRunning;
        }
    }
    if (!ConnectToServer()) return false;

    ShownProgressBar bar(FForm.pbDownload);
    FForm.lblProgress.Caption = GetWizardText("capDownload");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {fileName});
    FForm.lblSpeed.Caption.clear();
    SetPage(tsProgress);
    PumpMessages();

    FileSink file(target);
    DigestSink digest(file);
    const auto started = std::chrono::steady_clock::now();
    {
        TransferScope transfer(FTransfers);
        FWebDAV.Get(baseUrl + fileName, digest);
    }
    file.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code unknown; // only the log's figure
    const std::uintmax_t size = std::filesystem::file_size(FilePath(target), unknown);
    const double bytes = unknown ? 0.0 : static_cast<double>(size);
    FLog.Line(FormatText("Download %s: %s MB in %s s (%s MB/s)",
                         {fileName, GermanDecimal(bytes / 1e6, 1), GermanDecimal(seconds, 2),
                          GermanDecimal(seconds > 0 ? bytes / 1e6 / seconds : 0, 1)}));
    if (FInstallState != isRunning) return false; // a download that ended after an abort counts as none
    VerifyPackageFile(fileName, target, digest.HexDigest());
    return true;
}

namespace {

// A line that changes more often than this flickers and cannot be read.
constexpr double SpeedLineInterval = 0.5;

double RunClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

void TSetupWizardDlg::IdWebDAVWorkBegin(WorkMode, std::int64_t workCountMax) {
    FForm.pbDownload.Max = static_cast<std::int32_t>(workCountMax / 1000);
    FRate.Start(workCountMax, RunClock());
    FSpeedShownAt = RunClock();
    FForm.lblSpeed.Caption = FRate.Line();
    PumpMessages();
}

void TSetupWizardDlg::IdWebDAVWork(WorkMode, std::int64_t workCount) {
    FForm.pbDownload.Position = static_cast<std::int32_t>(workCount / 1000);
    const double now = RunClock();
    FRate.Update(workCount, now);
    if (now - FSpeedShownAt >= SpeedLineInterval) {
        FSpeedShownAt = now;
        FForm.lblSpeed.Caption = FRate.Line();
    }
    PumpMessages();
}

} // namespace tv
