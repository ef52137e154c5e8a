#include "ui/ControlTable.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "wizard/SetupWizardDlg.h"

namespace tv {

namespace {

using K = ControlKind;
using L = WindowLayout;

// clang-format off
const ControlRow Rows[] = {
    // The button row, along the window's bottom edge.
    {"OnlineBtn",       K::ToggleButton,  nullptr,           &Form::OnlineBtn,     &L::OnlineBtn,       [](TSetupWizardDlg& c, int) { c.OnlineBtnClick(); }, "online"},
    {"OfflineBtn",      K::ToggleButton,  nullptr,           &Form::OfflineBtn,    &L::OfflineBtn,      [](TSetupWizardDlg& c, int) { c.OfflineBtnClick(); }, "offline"},
    {"FBConfigBtn",     K::RowButton,     nullptr,           &Form::FBConfigBtn,   &L::FBConfigBtn,     [](TSetupWizardDlg& c, int) { c.FBConfigBtnClick(); }},
    {"BackBtn",         K::RowButton,     nullptr,           &Form::BackBtn,       &L::BackBtn,         [](TSetupWizardDlg& c, int) { c.PrevPage(); }},
    {"NextBtn",         K::RowButton,     nullptr,           &Form::NextBtn,       &L::NextBtn,         [](TSetupWizardDlg& c, int) { c.NextBtnClick(); }},
    {"CloseBtn",        K::RowButton,     nullptr,           &Form::CloseBtn,      &L::CloseBtn,        [](TSetupWizardDlg& c, int) { c.CloseBtnClick(); }},

    // tsParams: the folder panel first, then the application choice, then the list.
    {"lblParams",       K::Heading,       "tsParams",        &Form::lblParams,     &L::lblParams},
    {"Panel1",          K::Panel,         "tsParams",        {},                   &L::Panel1},
    {"gbFolder",        K::Group,         "Panel1",          &Form::gbFolder,      &L::gbFolder},
    {"edtFolder",       K::FolderEdit,    "gbFolder",        &Form::edtFolder,     &L::edtFolder,       [](TSetupWizardDlg& c, int) { c.edtFolderRightButtonClick(); }, "folder"},
    {"gbAppVers",       K::Group,         "Panel1",          &Form::gbAppVers,     &L::gbAppVers},
    {"cbAppVers",       K::ComboBox,      "gbAppVers",       &Form::cbAppVers,     &L::cbAppVers,       [](TSetupWizardDlg& c, int) { c.cbAppVersChange(); }},
    {"pnlApp",          K::Panel,         "tsParams",        &Form::pnlApp,        &L::pnlApp},
    {"rbSingle",        K::RadioButton,   "pnlApp",          &Form::rbSingle,      &L::rbSingle},
    {"rbClient",        K::RadioButton,   "pnlApp",          &Form::rbClient,      &L::rbClient},
    {"gbFileList",      K::Group,         "tsParams",        &Form::gbFileList,    &L::gbFileList},
    {"cbFileList",      K::CheckList,     "gbFileList",      &Form::cbFileList,    &L::cbFileList},
    {"pnlCheckListBtn", K::Panel,         "gbFileList",      {},                   &L::pnlCheckListBtn},
    {"MarkAllBtn",      K::FlatButton,    "pnlCheckListBtn", &Form::MarkAllBtn,    &L::MarkAllBtn,      [](TSetupWizardDlg& c, int tag) { c.MarkAllBtnClick(tag); }, "markall"},
    {"DeMarkAllBtn",    K::FlatButton,    "pnlCheckListBtn", &Form::DeMarkAllBtn,  &L::DeMarkAllBtn,    [](TSetupWizardDlg& c, int tag) { c.MarkAllBtnClick(tag); }, "demarkall"},

    // tsProgress
    {"lblProgress",     K::Heading,       "tsProgress",      &Form::lblProgress,   &L::lblProgress},
    {"lblFileName",     K::FileNameLabel, "tsProgress",      &Form::lblFileName,   &L::lblFileName},
    {"gbProgressBar",   K::Group,         "tsProgress",      {},                   &L::gbProgressBar},
    {"pbDownload",      K::ProgressBar,   "gbProgressBar",   &Form::pbDownload,    &L::pbDownload},
    {"pbUnzip",         K::ProgressBar,   "gbProgressBar",   &Form::pbUnzip,       &L::pbUnzip},
    {"lblSpeed",        K::FileNameLabel, "tsProgress",      &Form::lblSpeed,      &L::lblSpeed},

    // tsInfo
    {"lblInfo",         K::Heading,       "tsInfo",          &Form::lblInfo,       &L::lblInfo},
    {"lblStatusInfo",   K::TextBlock,     "tsInfo",          &Form::lblStatusInfo, &L::lblStatusInfo},
    {"ErrList",         K::ListBox,       "tsInfo",          &Form::ErrList,       &L::ErrList},
};
// clang-format on

} // namespace

std::span<const ControlRow> ControlTable() {
    return Rows;
}

BarValues BarValuesOf(const ProgressBar& bar) {
    const int max = static_cast<int>(std::min<long long>(bar.Max, 1 << 30));
    return {max, static_cast<int>(std::min<long long>(bar.Position, max))};
}

void Perform(const ControlRow& row, TSetupWizardDlg& controller) {
    const SpeedButton* button = ModelOf<SpeedButton>(row, controller.GetForm());
    row.Action(controller, button ? button->Tag : 0);
}

ControlParent ParentOf(const ControlRow& row) {
    if (!row.Parent) return {};
    static const char* const Pages[] = {"tsSelect", "tsParams", "tsProgress", "tsInfo"};
    for (int page = 0; page < PageCount; ++page)
        if (std::strcmp(row.Parent, Pages[page]) == 0) return {-1, page};
    for (size_t i = 0; i < std::size(Rows); ++i)
        if (std::strcmp(row.Parent, Rows[i].Name) == 0) return {static_cast<int>(i), -1};
    return {};
}

} // namespace tv
