// Downloads of package files with the progress page, and the client's progress events.
#include "wizard/SetupWizardDlg.h"

#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

#include "source/ResumingFile.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

// The pauses before the further tries of a broken download: five, doubling.
constexpr int RetryPauses[] = {1, 2, 4, 8, 16};
// How often a pause looks at the window: Cancel must act at once.
constexpr auto RetryPauseSlice = std::chrono::milliseconds(50);

} // namespace

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
    if (FDigests.Matches(fileName, target)) {
        FLog.Line(FormatText("%s liegt mit stimmender Prüfsumme im temporären Ordner: nicht erneut geladen",
                             {fileName}));
        return FInstallState == isRunning;
    }
    if (!ConnectToServer()) return false;

    ShownProgressBar bar(FForm.pbDownload);
    FForm.lblProgress.Caption = GetWizardText("capDownload");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {fileName});
    FForm.lblSpeed.Caption.clear();
    SetPage(tsProgress);
    PumpMessages();

    ResumingFile file(target);
    const auto started = std::chrono::steady_clock::now();
    FetchResuming(baseUrl + fileName, fileName, file);
    file.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto bytes = static_cast<double>(file.Size());
    FLog.Line(FormatText("Download %s: %s MB in %s s (%s MB/s)",
                         {fileName, GermanDecimal(bytes / 1e6, 1), GermanDecimal(seconds, 2),
                          GermanDecimal(seconds > 0 ? bytes / 1e6 / seconds : 0, 1)}));
    if (FInstallState != isRunning) return false; // a download that ended after an abort counts as none
    VerifyPackageFile(fileName, target, file.HexDigest());
    return true;
}

void TSetupWizardDlg::FetchResuming(const std::string& address, const std::string& fileName,
                                    ResumingFile& file) {
    struct Download { // the client's range and the progress offset last only as long as the fetch
        TSetupWizardDlg& Wizard;
        ~Download() {
            Wizard.FWebDAV.RangeFrom = 0;
            Wizard.FWebDAV.IfRange.clear();
            Wizard.FDownload = nullptr;
        }
    } scope{*this};
    FDownload = &file;
    std::exception_ptr firstFailure;
    bool broken = false; // a try reached its body and then broke: from now on tries go on
    bool restarted = false;
    for (size_t retry = 0;;) {
        file.BeginTry();
        const bool resume = file.Size() > 0 && !file.Validator().empty();
        if (!resume && file.Size() > 0) file.Restart(); // nothing guards a range: anew
        FWebDAV.RangeFrom = resume ? file.Size() : 0;
        FWebDAV.IfRange = resume ? file.Validator() : "";
        try {
            TransferScope transfer(FTransfers);
            FWebDAV.Get(address, file);
            return;
        } catch (const std::exception& e) {
            if (FInstallState != isRunning) throw; // Cancel: never a reason to try again
            const auto* status = dynamic_cast<const StatusFailure*>(&e);
            // A range the server cannot continue: the file starts anew, once; the next time it fails.
            const bool rangeRefused =
                resume && (dynamic_cast<const RangeMismatch*>(&e) || (status && status->Status() == 416));
            if (rangeRefused && !restarted) {
                restarted = true;
                FLog.Line(FormatText("Download %s: %s; die Datei wird neu geladen", {fileName, e.what()}));
                file.Restart();
                continue;
            }
            if (!firstFailure) firstFailure = std::current_exception();
            broken = broken || file.BodyStarted();
            if (!broken || status || rangeRefused || file.WriteFailed() || retry >= std::size(RetryPauses)) {
                if (retry > 0) FLog.Line(FormatText("Download %s aufgegeben: %s", {fileName, e.what()}));
                std::rethrow_exception(firstFailure); // the user reads what broke first, as without tries
            }
            const int pause = RetryPauses[retry++];
            FLog.Line(FormatText("Download %s abgebrochen bei %s Bytes (%s); Versuch %d von %d in %d s",
                                 {fileName, std::to_string(file.Size()), e.what(), std::to_string(retry),
                                  std::to_string(std::size(RetryPauses)), std::to_string(pause)}));
            if (!PauseBeforeRetry(pause)) throw; // cancelled during the pause
        }
    }
}

bool TSetupWizardDlg::PauseBeforeRetry(int seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        PumpMessages(); // Cancel works at once, also now
        if (FInstallState != isRunning) return false;
        std::this_thread::sleep_for(RetryPauseSlice);
    }
    return true;
}

namespace {

double RunClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

void TSetupWizardDlg::IdWebDAVWorkBegin(WorkMode, std::int64_t workCountMax) {
    // A continued download's bar goes on from where it was.
    const auto offset = static_cast<std::int64_t>(FDownload ? FDownload->Offset() : 0);
    if (workCountMax > 0) workCountMax += offset;
    FForm.pbDownload.Max = static_cast<std::int32_t>(workCountMax / 1000);
    FRate.Start(workCountMax, RunClock());
    FForm.lblSpeed.Caption = FRate.Line();
    PumpMessages();
}

void TSetupWizardDlg::IdWebDAVWork(WorkMode, std::int64_t workCount) {
    workCount += static_cast<std::int64_t>(FDownload ? FDownload->Offset() : 0);
    FForm.pbDownload.Position = static_cast<std::int32_t>(workCount / 1000);
    if (FRate.Update(workCount, RunClock())) FForm.lblSpeed.Caption = FRate.Line();
    PumpMessages();
}

} // namespace tv
