// The control table: every row can be made, placed and mirrored by both windows.
#include "ui/ControlTable.h"

#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "host/QueueEventLoop.h"
#include "support/ScriptedHost.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {
namespace {

TEST(ControlTable, NamesAreUniqueAndEveryContainerIsMadeBeforeWhatItHolds) {
    const auto rows = ControlTable();
    std::set<std::string> names;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlRow& row = rows[i];
        SCOPED_TRACE(row.Name);
        EXPECT_TRUE(names.insert(row.Name).second);
        EXPECT_NE(row.Place, nullptr);
        const ControlParent parent = ParentOf(row);
        if (!row.Parent) continue;
        ASSERT_TRUE(parent.Row >= 0 || parent.Page >= 0) << "unknown container " << row.Parent;
        if (parent.Row < 0) continue;
        EXPECT_LT(static_cast<size_t>(parent.Row), i);
        const ControlKind container = rows[static_cast<size_t>(parent.Row)].Kind;
        EXPECT_TRUE(container == ControlKind::Panel || container == ControlKind::Group);
    }
}

TEST(ControlTable, EachKindMirrorsTheFormMemberItsPrimitivesExpect) {
    Form form;
    for (const ControlRow& row : ControlTable()) {
        SCOPED_TRACE(row.Name);
        switch (row.Kind) {
        case ControlKind::RowButton:
        case ControlKind::ToggleButton:
        case ControlKind::FlatButton:
            EXPECT_NE(ModelOf<SpeedButton>(row, form), nullptr);
            EXPECT_NE(row.Action, nullptr); // a button nobody hears is a dead control
            break;
        case ControlKind::RadioButton:
            EXPECT_NE(ModelOf<RadioButton>(row, form), nullptr);
            break;
        case ControlKind::FolderEdit:
            EXPECT_NE(ModelOf<Edit>(row, form), nullptr);
            EXPECT_NE(row.Action, nullptr);
            EXPECT_NE(row.Glyph, nullptr);
            break;
        case ControlKind::ComboBox:
            EXPECT_NE(ModelOf<ComboBox>(row, form), nullptr);
            break;
        case ControlKind::CheckList:
            EXPECT_NE(ModelOf<CheckListBox>(row, form), nullptr);
            break;
        case ControlKind::ListBox:
            EXPECT_NE(ModelOf<ListBox>(row, form), nullptr);
            break;
        case ControlKind::ProgressBar:
            EXPECT_NE(ModelOf<ProgressBar>(row, form), nullptr);
            break;
        case ControlKind::Heading:
        case ControlKind::Label:
        case ControlKind::FileNameLabel:
        case ControlKind::TextBlock:
            EXPECT_NE(ModelOf<Control>(row, form), nullptr);
            break;
        case ControlKind::Panel:
        case ControlKind::Group: // a container the form may not know
            EXPECT_EQ(ModelOf<SpeedButton>(row, form), nullptr);
            break;
        }
    }
}

TEST(ControlTable, EveryFormMemberOfAControlHasExactlyOneRow) {
    // The form's members that the window shows as controls of the design, by address.
    Form form;
    const void* members[] = {&form.OnlineBtn,     &form.OfflineBtn, &form.FBConfigBtn, &form.BackBtn,
                             &form.NextBtn,       &form.CloseBtn,   &form.lblParams,   &form.pnlApp,
                             &form.rbClient,      &form.rbSingle,   &form.gbFolder,    &form.edtFolder,
                             &form.gbAppVers,     &form.cbAppVers,  &form.gbFileList,  &form.MarkAllBtn,
                             &form.DeMarkAllBtn,  &form.cbFileList, &form.lblProgress, &form.lblFileName,
                             &form.pbDownload,    &form.pbUnzip,    &form.lblSpeed,    &form.lblInfo,
                             &form.lblStatusInfo, &form.ErrList};
    std::multiset<const void*> mirrored;
    for (const ControlRow& row : ControlTable())
        VisitModel(row, form, [&](auto& model) { mirrored.insert(&model); });
    for (const void* member : members)
        EXPECT_EQ(mirrored.count(member), 1u);
    EXPECT_EQ(mirrored.size(), std::size(members));
}

TEST(ControlTable, TheCheckListButtonsActWithTheirTags) {
    ScriptedHost host;
    QueueEventLoop loop;
    TSetupWizardDlg wizard(host, loop); // its check-list buttons need no start
    for (const ControlRow& row : ControlTable()) {
        if (std::strcmp(row.Name, "MarkAllBtn") != 0 && std::strcmp(row.Name, "DeMarkAllBtn") != 0) continue;
        wizard.GetForm().cbFileList.Items = {{"a", !ModelOf<SpeedButton>(row, wizard.GetForm())->Tag}};
        Perform(row, wizard);
        EXPECT_EQ(wizard.GetForm().cbFileList.Items[0].Checked, std::strcmp(row.Name, "MarkAllBtn") == 0)
            << row.Name;
    }
}

} // namespace
} // namespace tv
