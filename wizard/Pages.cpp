// The page controller: the Page property with the button rules of each page,
// Next, Back and Close, and the reporting operations of the info page.
#include "wizard/SetupWizardDlg.h"

#include "util/Strings.h"

namespace tv {

void TSetupWizardDlg::SetPage(int value) {
    if (value < 0 || value >= PageCount || value == FPage) return;
    FPage = value;

    FForm.BackBtn.Visible = value == tsParams;
    FForm.NextBtn.Visible = value == tsSelect || value == tsParams;
    bool modeButtons = value == tsSelect && FAllowOffline;
    FForm.FBConfigBtn.Visible = modeButtons;
    FForm.OnlineBtn.Visible = modeButtons;
    FForm.OfflineBtn.Visible = modeButtons;

    switch (value) {
    case tsSelect:
        FForm.NextBtn.Caption = GetWizardText("NextBtn");
        FForm.CloseBtn.Caption = GetWizardText("CloseBtn");
        break;
    case tsParams:
        FForm.NextBtn.Caption = GetWizardText("FinishBtn");
        break;
    case tsProgress:
        FForm.CloseBtn.Caption = GetWizardText("CancelBtn");
        break;
    case tsInfo:
        FForm.CloseBtn.Caption = GetWizardText("OkBtn");
        break;
    }
    FForm.ActivePage = value;
}

void TSetupWizardDlg::SetAllowOffline(bool value) {
    FAllowOffline = value;
    FForm.OnlineBtn.Visible = value;
    FForm.OfflineBtn.Visible = value;
}

void TSetupWizardDlg::NextBtnClick() {
    if (Transferring()) return; // a click that arrived while a request is on the wire
    switch (FPage) {
    case tsSelect:
        // An installed application is updated at once: no parameters to ask.
        if (InstallType() == pkApplication && AppInstalled())
            StartInstall();
        else
            SetPage(tsParams);
        break;
    case tsParams:
        if (ValidateParams()) StartInstall();
        break;
    default:
        break;
    }
}

void TSetupWizardDlg::PrevPage() {
    if (FPage == tsInfo)
        SetPage(tsSelect);
    else
        SetPage(FPage - 1);
}

void TSetupWizardDlg::CloseBtnClick() {
    if (InstallState() == isRunning) {
        if (FHost.MessageDlg(GetMsg("ConfirmCancelInstall"), MsgDlgType::Confirmation, mbYesNo) == mrYes)
            SetInstallState(isAborted);
        return;
    }
    if (FPage == tsSelect || FPage == tsParams || FCriticalError) {
        Close();
        return;
    }
    SetPage(tsSelect);
    FForm.ErrList.Items.clear();
}

void TSetupWizardDlg::ShowOutcomePage(const std::string& heading, const std::string& text) {
    FLog.Line(FormatText("Seite \"%s\": %s", {heading, text}));
    FForm.lblInfo.Caption = heading;
    FForm.lblStatusInfo.Caption = text;
    SetPage(tsInfo);
}

void TSetupWizardDlg::ShowInfo(const std::string& text) {
    ShowOutcomePage(GetWizardText("capInfo"), text);
}

void TSetupWizardDlg::ShowError(const std::string& text) {
    ShowOutcomePage(GetWizardText("capError"), text);
}

void TSetupWizardDlg::AddErrorLine(const std::string& text, bool clear) {
    if (clear) FForm.ErrList.Items.clear();
    FForm.ErrList.Items.push_back(text);
    FLog.Line("Fehlerliste: " + text);
}

} // namespace tv
