// The install run: its start and the InstallState property, the one place where an
// outcome becomes visible.
#include "wizard/SetupWizardDlg.h"

namespace tv {

void TSetupWizardDlg::StartInstall() {
    // The package operations plug in here by install type as they are built.
}

void TSetupWizardDlg::SetInstallState(int value) {
    FInstallState = value;
    FForm.CloseBtn.Caption = GetWizardText("CloseBtn");
    FForm.BackBtn.Visible = true;
    switch (value) {
    case isRunning:
        FForm.NextBtn.Visible = false;
        FForm.BackBtn.Visible = false;
        FForm.CloseBtn.Caption = GetWizardText("CancelBtn");
        break;
    case isAborted:
        // Closing the connection ends a download that is under way at its next read.
        if (FWebDAV.Transport().Connected()) FWebDAV.Transport().Close();
        FForm.Visible = true;
        ShowInfo(GetMsg("InstallAborted"));
        break;
    case isFailed:
        FForm.Visible = true;
        ShowError(GetMsg("InstallError") + "\n\r" + FErrorMsg);
        break;
    default:
        break;
    }
}

} // namespace tv
