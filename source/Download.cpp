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

bool TSetupWizardDlg::DownloadFile(const std::string& baseUrl, const std::string& fileName,
                                   const std::string& targetFolder) {
    std::string target = PackageFilePath(targetFolder, fileName);
    if (!ConnectToServer()) return false;

    ShownProgressBar bar(FForm.pbDownload);
    FForm.lblProgress.Caption = GetWizardText("capDownload");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {fileName});
    SetPage(tsProgress);
    PumpMessages();

    FileSink file(target);
    const auto started = std::chrono::steady_clock::now();
    {
        TransferScope transfer(FTransfers);
        FWebDAV.Get(baseUrl + fileName, file);
    }
    file.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code unknown; // only the log's figure
    const std::uintmax_t size = std::filesystem::file_size(FilePath(target), unknown);
    const double bytes = unknown ? 0.0 : static_cast<double>(size);
    FLog.Line(FormatText("Download %s: %s MB in %s s (%s MB/s)",
                         {fileName, GermanDecimal(bytes / 1e6, 1), GermanDecimal(seconds, 2),
                          GermanDecimal(seconds > 0 ? bytes / 1e6 / seconds : 0, 1)}));
    return FInstallState == isRunning; // a download that ended after an abort counts as none
}

void TSetupWizardDlg::IdWebDAVWorkBegin(WorkMode, std::int64_t workCountMax) {
    FForm.pbDownload.Max = static_cast<std::int32_t>(workCountMax / 1000);
    PumpMessages();
}

void TSetupWizardDlg::IdWebDAVWork(WorkMode, std::int64_t workCount) {
    FForm.pbDownload.Position = static_cast<std::int32_t>(workCount / 1000);
    PumpMessages();
}

} // namespace tv
