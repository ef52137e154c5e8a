#include "wizard/TextTable.h"

#include <gtest/gtest.h>

#include "support/WizardFixture.h"
#include "util/IniStore.h"

namespace tv {
namespace {

TEST(TextTemplate, HasItsEightyFourLinesWithBlankAndEmptyLinesKept) {
    std::vector<std::string> lines = TextTemplateLines();
    ASSERT_EQ(lines.size(), 84u);
    EXPECT_EQ(lines[0], "[opt]");
    EXPECT_EQ(lines[17], " "); // the blank-only line before [Wizard]
    EXPECT_EQ(lines[18], "[Wizard]");
    EXPECT_EQ(lines[55], "");
    EXPECT_EQ(lines[56], "");
    EXPECT_EQ(lines[57], "[Msg]");
    EXPECT_EQ(lines[51], "cbDatabaseFiles=Datenbank-Dateien installieren  ");
    EXPECT_EQ(lines[83], "msgNoFileSelected=Sie müssen eine Datei für das Datenupdate auswählen");
}

class TextTableTest : public WizardFixture {};

TEST_F(TextTableTest, AccessorsReadTheirSections) {
    const struct {
        bool Message;
        const char* Key;
        const char* Text;
    } cases[] = {
        {false, "Caption", "Tarvo Installation"},
        {false, "CloseBtn", "Schließen"},
        {false, "cbDatabaseFiles", "Datenbank-Dateien installieren"}, // trailing blanks dropped
        {false, "capfilename", "Datei %s"},
        {false, "cbApp.Items", "Norvano Brisa;Norvano Solan;Norvano Tavik"},
        {false, "ClientInstallSuccess", ""}, // a [Msg] key is not in [Wizard]
        {true, "ServerInstallSucsess", "Der Datenbankserver wurde erfolgreich installiert."},
        {true, "ConfirmCancelInstall", "Möchten sie die Installation abbrechen ?"},
        {true, "msgAppTerminate", "Programm wird beeendet"},
        {true, "InstallSuccess", ""}, // the table has no such key
        {true, "Caption", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.Message ? Dlg().GetMsg(c.Key) : Dlg().GetWizardText(c.Key);
        EXPECT_EQ(text, c.Text) << c.Key;
        // No caching: a second read gives the same text.
        EXPECT_EQ(c.Message ? Dlg().GetMsg(c.Key) : Dlg().GetWizardText(c.Key), text);
    }
}

TEST_F(TextTableTest, PackageSectionsReadAsTheSelectionPageReadsThem) {
    IniStore table;
    table.SetStrings(TextTemplateLines());
    EXPECT_EQ(table.ReadInteger("Opt", "Count", 0), 5);
    EXPECT_EQ(
        table.ReadString("Opt4", "Description", ""),
        "Aktualisiert die Ersatzteildatenbanken.  Es darf kein Anwender mit der Datenbank verbunden sein.");
    EXPECT_EQ(table.ReadString("Opt5", "Caption", ""), "Stockado");
}

TEST_F(TextTableTest, ClosingReleasesTheTableAndTextsReadEmpty) {
    Click([](TSetupWizardDlg& d) { d.CloseBtnClick(); });
    EXPECT_TRUE(WizardProbe::TextTableReleased(Dlg()));
    EXPECT_EQ(Dlg().GetWizardText("Caption"), "");
    EXPECT_EQ(Dlg().GetMsg("InstallError"), "");
}

} // namespace
} // namespace tv
