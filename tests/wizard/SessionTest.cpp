// A start from the command line: the switches preset the pages through the handlers a
// person's input reaches, unattended questions get their documented answers, and the
// exit code follows the outcome.
#include "wizard/Session.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/WizardFixture.h"

namespace tv {
namespace {

class SessionTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        Dlg().LoadManifest({"[UpdFileList]", "Solan=a.zip;b.zip;c.zip", "[UpdFileDescr]",
                            "Solan=Modelle;Teile;Zeichnungen"});
    }
    std::vector<bool> Checks() {
        std::vector<bool> checks;
        for (const CheckListEntry& entry : F().cbFileList.Items)
            checks.push_back(entry.Checked);
        return checks;
    }
};

TEST_F(SessionTest, SwitchesPresetThePagesAsAPersonWould) {
    SetupSwitches switches = ParseSwitches({"/PACKAGE=4", "/EDITION=norvano solan", "/FILES=C.ZIP;a.zip",
                                            std::string("/DIR=") + testbed::FileRoot + "x"});
    PresetPages(Dlg(), switches);
    EXPECT_EQ(Dlg().InstallType(), pkDataUpdate);
    EXPECT_TRUE(F().Packages[3].Button.Checked);
    EXPECT_EQ(Dlg().AppType(), "Solan");
    EXPECT_EQ(F().cbAppVers.Text, "Norvano Solan");
    EXPECT_EQ(F().edtFolder.Text, std::string(testbed::FileRoot) + "x");
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(F().gbAppVers.Visible); // the idle pass ran

    // Unattended without /FILES: every archive, as /FILES=ALL.
    switches = ParseSwitches({"/PACKAGE=4", "/EDITION=Solan", "/SILENT"});
    PresetPages(Dlg(), switches);
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));

    switches = ParseSwitches({"/PACKAGE=1", "/TYPE=SINGLE", "/EDITION=tavik"});
    PresetPages(Dlg(), switches);
    EXPECT_TRUE(F().rbSingle.Checked);
    EXPECT_FALSE(F().rbClient.Checked);
    EXPECT_EQ(Dlg().AppType(), "Tavik");
}

TEST_F(SessionTest, AnEditionOrArchiveThePagesDoNotOfferIsRefused) {
    const struct {
        std::vector<std::string> Arguments;
        const char* Message;
    } cases[] = {
        {{"/PACKAGE=3", "/EDITION=Gold"}, "Unbekannte Edition: \"Gold\""},
        {{"/PACKAGE=4", "/EDITION=Solan", "/FILES=a.zip;d.zip"},
         "Das Archiv d.zip wird für die Edition Solan nicht angeboten."},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(
            {
                try {
                    PresetPages(Dlg(), ParseSwitches(c.Arguments));
                } catch (const SwitchError& e) {
                    EXPECT_STREQ(e.what(), c.Message);
                    throw;
                }
            },
            SwitchError);
    }
}

// Unattended, a run that cannot succeed with the manifest is refused before anything starts.
TEST_F(SessionTest, UnattendedSwitchesMustNameARunTheManifestCanComplete) {
    const struct {
        std::vector<std::string> Manifest;
        std::vector<std::string> Arguments;
        const char* Message; // null: accepted
        const char* Edition; // the edition then
    } cases[] = {
        {{"[DBFileListSingle]", "Solan=a.zip"},
         {"/PACKAGE=1", "/TYPE=SINGLE", "/EDITION=Solan"},
         nullptr,
         "Solan"},
        {{"[DBFileListSingle]", "Solan=a.zip"},
         {"/PACKAGE=1", "/TYPE=SINGLE", "/EDITION=Brisa"},
         nullptr,
         "Brisa"},
        {{"[DBFileListSingle]", "Solan=a.zip", "Tavik=a.zip"},
         {"/PACKAGE=1", "/TYPE=SINGLE"},
         "Die Einzelplatzversion braucht den Schalter /EDITION (Editionen mit Datenbanken für den "
         "Einzelplatz: "
         "Solan, Tavik).",
         nullptr},
        {{"[DBFileListSingle]", "Solan=a.zip", "Tavik= "},
         {"/PACKAGE=1", "/TYPE=SINGLE", "/EDITION=Tavik"},
         "Für die Edition Tavik (/EDITION) bietet das Paketverzeichnis keine Datenbanken für den Einzelplatz "
         "an "
         "(Editionen damit: Solan).",
         nullptr},
        {{"[DBFileListSingle]", "Solan=a.zip"},
         {"/PACKAGE=3", "/TYPE=SINGLE", "/EDITION=Brisa"},
         "Für die Edition Brisa (/EDITION) bietet das Paketverzeichnis keine Datenbanken für den Einzelplatz "
         "an "
         "(Editionen damit: Solan).",
         nullptr},
        {{}, {"/PACKAGE=1", "/TYPE=CLIENT"}, nullptr, nullptr},
        {{"[UpdFileList]", "Tavik=u.zip"}, {"/PACKAGE=4"}, nullptr, "Tavik"},
        {{"[UpdFileList]", "Tavik=u.zip", "Solan=u.zip"},
         {"/PACKAGE=4"},
         "Das Datenupdate (Paket 4) braucht den Schalter /EDITION (Editionen mit Datenupdates: Solan, "
         "Tavik).",
         nullptr},
        {{},
         {"/PACKAGE=4"},
         "Das Datenupdate (Paket 4) braucht den Schalter /EDITION (Editionen mit Datenupdates: keine).",
         nullptr},
        {{}, {"/PACKAGE=4", "/EDITION=Gold"}, "Unbekannte Edition: \"Gold\"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.back());
        Dlg().LoadManifest(c.Manifest);
        SetupSwitches switches = ParseSwitches(c.Arguments);
        try {
            CheckAgainstManifest(Dlg(), switches);
            EXPECT_EQ(c.Message, nullptr) << "accepted";
            if (c.Edition) {
                EXPECT_EQ(switches.Edition, c.Edition);
            }
        } catch (const SwitchError& e) {
            ASSERT_NE(c.Message, nullptr) << e.what();
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

TEST_F(SessionTest, UnattendedOnlyCreatingAFolderAndStoppingAreAnsweredYes) {
    const std::string log = (FMachine / "temp" / "answers.log").string();
    RunDialogs dialogs(nullptr);
    dialogs.SetLog(Dlg().Log());
    ASSERT_TRUE(Dlg().Log().Open(log));
    dialogs.AnswerUnattended({Dlg().GetMsg("ConfirmCreateFolder"), Dlg().GetMsg("ConfirmCancelInstall")});
    EXPECT_EQ(dialogs.MessageDlg("Der Ordner fehlt. " + Dlg().GetMsg("ConfirmCreateFolder"),
                                 MsgDlgType::Confirmation, mbYesNo),
              mrYes);
    EXPECT_EQ(dialogs.MessageDlg(Dlg().GetMsg("ConfirmCancelInstall"), MsgDlgType::Confirmation, mbYesNo),
              mrYes);
    EXPECT_EQ(dialogs.MessageDlg("Datei ersetzen?", MsgDlgType::Confirmation, mbYesNo), mrNo);
    EXPECT_EQ(dialogs.MessageDlg("Bitte wählen Sie eine Datei.", MsgDlgType::Information, mbOK), mrOk);
    std::string folder = "/unchanged";
    EXPECT_FALSE(dialogs.BrowseForFolder("Ordner", folder));
    EXPECT_EQ(folder, "/unchanged");

    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Meldung (nicht angezeigt): Datei ersetzen? -> Nein"), std::string::npos) << text;
    EXPECT_NE(text.find("Meldung (nicht angezeigt): Bitte wählen Sie eine Datei. -> OK"), std::string::npos);
}

TEST_F(SessionTest, AStopRequestWhileIdleClosesAndCountsAsAnAbort) {
    EXPECT_EQ(ExitCodeOf(Dlg()), ecAborted); // a manifest, nothing run
    Click([](auto& d) { d.StopRequest(); });
    EXPECT_TRUE(F().Closed);
    EXPECT_EQ(ExitCodeOf(Dlg()), ecAborted);

    Dlg().LoadManifest({});
    EXPECT_EQ(ExitCodeOf(Dlg()), ecAborted); // stopped before it could tell
    Create();
    Dlg().LoadManifest({});
    EXPECT_EQ(ExitCodeOf(Dlg()), ecNoPackageSource);
}

} // namespace
} // namespace tv
