// The package selection page: one radio button and one description per package of
// the text table; choosing one sets the install type.
#include "wizard/SetupWizardDlg.h"

#include "util/Strings.h"

namespace tv {

namespace {
constexpr int FirstPackageTop = 20;   // pixels at 96 dots per inch
constexpr int RadioButtonHeight = 17; // the standard radio-button height
constexpr int DescriptionHeight = 40;
constexpr int PackageGap = 5;
} // namespace

void TSetupWizardDlg::BuildPackageList() {
    int count = FMemIni->ReadInteger("Opt", "Count", 0);
    int y = FirstPackageTop;
    for (int n = 1; n <= count; ++n) {
        std::string section = FormatText("Opt%d", {std::to_string(n)});
        PackageOption option;
        option.Tag = n;
        option.Top = y;
        option.Height = RadioButtonHeight;
        option.Button.Caption =
            FormatText("%d - %s", {std::to_string(n), FMemIni->ReadString(section, "Caption", "")});
        y += RadioButtonHeight + PackageGap;
        option.LabelTop = y;
        option.LabelHeight = DescriptionHeight;
        option.Description = FMemIni->ReadString(section, "Description", "");
        y += DescriptionHeight + PackageGap;
        FForm.Packages.push_back(option);
        if (n == 1) {
            // Checking the first button runs its click handler, as a user's click would.
            FForm.Packages.back().Button.Checked = true;
            DoAction(1);
        }
    }
}

void TSetupWizardDlg::DoAction(int senderTag) {
    for (PackageOption& option : FForm.Packages)
        option.Button.Checked = option.Tag == senderTag;
    SetInstallType(senderTag);
}

void TSetupWizardDlg::SetInstallType(int value) {
    if (value == FInstallType) return;
    FInstallType = value;
    PrepareParamsPage(value);
}

} // namespace tv
