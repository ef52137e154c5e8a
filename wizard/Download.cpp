// Downloads of package files with the progress page, and the client's progress events.
#include "wizard/SetupWizardDlg.h"

#include "util/Strings.h"

namespace tv {

bool TSetupWizardDlg::DownloadFile(const std::string& baseUrl, const std::string& fileName,
                                   const std::string& targetFolder, bool* fetched) {
    std::string target = PackageFilePath(targetFolder, fileName);
    if (fetched) *fetched = false;
    if (FSource.HasVerifiedCopy(fileName, target)) return FInstallState == isRunning;
    if (!ConnectToServer()) return false;
    if (fetched) *fetched = true;

    ShownProgressBar bar(FForm.pbDownload);
    FForm.lblProgress.Caption = GetWizardText("capDownload");
    FForm.lblFileName.Caption = FormatText(GetWizardText("capFileName"), {fileName});
    FForm.lblSpeed.Caption.clear();
    SetPage(tsProgress);
    PumpMessages();

    return FSource.Fetch(baseUrl + fileName, fileName, target);
}

void TSetupWizardDlg::IdWebDAVWorkBegin(WorkMode, std::int64_t workCountMax) {
    const DownloadProgress progress = FSource.WorkBegin(workCountMax);
    FForm.pbDownload.Max = progress.Max;
    FForm.lblSpeed.Caption = progress.Line;
    PumpMessages();
}

void TSetupWizardDlg::IdWebDAVWork(WorkMode, std::int64_t workCount) {
    const DownloadProgress progress = FSource.Work(workCount);
    FForm.pbDownload.Position = progress.Position;
    if (progress.LineDue) FForm.lblSpeed.Caption = progress.Line;
    PumpMessages();
}

} // namespace tv
