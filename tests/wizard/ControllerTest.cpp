// The controller without a screen: start state, page rules, navigation, reporting,
// the failure handler and closing.
#include <gtest/gtest.h>

#include "support/WizardFixture.h"

namespace tv {
namespace {

class ControllerTest : public WizardFixture {};

TEST_F(ControllerTest, StartStateAfterCreation) {
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_EQ(F().ActivePage, tsSelect);
    EXPECT_FALSE(F().TabsVisible);
    EXPECT_EQ(Dlg().InstallType(), pkApplication);
    EXPECT_EQ(Dlg().InstallState(), isIdle);
    EXPECT_EQ(Dlg().PrevInstallType(), -1);
    EXPECT_FALSE(Dlg().CriticalError());
    EXPECT_EQ(Dlg().ErrorMsg(), "");
    EXPECT_EQ(Dlg().TempFolder(), FHost.Temp);
    EXPECT_EQ(Dlg().IniFileName(), FHost.ProgramDir + "install.ini");
    EXPECT_EQ(Dlg().HelpFile(), FHost.ProgramDir + "setup.chm");
    EXPECT_EQ(Dlg().DefaultFolder(), "Norvano 6");

    EXPECT_EQ(F().Caption, "Tarvo Installation [ Offline Modus ]"); // "install.ini" lies beside the program
    EXPECT_EQ(F().NextBtn.Caption, "Weiter");
    EXPECT_EQ(F().BackBtn.Caption, "Zurück");
    EXPECT_EQ(F().CloseBtn.Caption, "Schließen");
    EXPECT_EQ(F().OnlineBtn.Caption, "Online");
    EXPECT_EQ(F().OfflineBtn.Caption, "Offline");
    EXPECT_EQ(F().FBConfigBtn.Caption, "FB Manager");
    EXPECT_EQ(F().lblParams.Caption, "Parameter");
    EXPECT_EQ(F().lblProgress.Caption, "Verlauf");
    EXPECT_EQ(F().lblInfo.Caption, "Info");
    EXPECT_EQ(F().gbFolder.Caption, " Ordner ");
    EXPECT_EQ(F().rbClient.Caption, " Norvano Client ");
    EXPECT_EQ(F().rbSingle.Caption, " Einzelplatzversion ");
    EXPECT_EQ(F().gbFileList.Caption, " Verfügbare Datenbanken ");
    EXPECT_EQ(F().gbAppVers.Caption, "Datenbanken für ...");
    EXPECT_EQ(F().cbAppVers.Items,
              (std::vector<std::string>{"Norvano Brisa", "Norvano Solan", "Norvano Tavik"}));
    EXPECT_EQ(F().cbAppVers.ItemIndex, 0);
    // The button row keeps its designed visibility apart from what the mode set: FPage stayed 0.
    EXPECT_TRUE(F().NextBtn.Visible);
    EXPECT_FALSE(F().BackBtn.Visible);
    EXPECT_TRUE(F().FBConfigBtn.Visible);
    EXPECT_TRUE(F().OnlineBtn.Visible);
    EXPECT_FALSE(F().OnlineBtn.Down);
    EXPECT_TRUE(F().OfflineBtn.Down);
    EXPECT_EQ(Dlg().SetupFolder(), FHost.ProgramDir + "Packages" + PathDelimiter);
}

TEST_F(ControllerTest, EditionKeyIsEmptyUntilTheFirstIdlePass) {
    EXPECT_EQ(Dlg().AppType(), "");
    Dlg().ApplicationEventsIdle();
    EXPECT_EQ(Dlg().AppType(), "Brisa");
}

TEST_F(ControllerTest, EmptyEditionListSelectsNothingAndKeepsTheKeyEmpty) {
    FTemplate = TextTemplateLines();
    for (std::string& line : FTemplate)
        if (line.rfind("cbApp.Items=", 0) == 0) line = "cbApp.Items=";
    Create();
    EXPECT_TRUE(F().cbAppVers.Items.empty());
    EXPECT_EQ(F().cbAppVers.ItemIndex, -1);
    Dlg().ApplicationEventsIdle();
    EXPECT_EQ(Dlg().AppType(), "");
    EXPECT_EQ(Dlg().InstallType(), pkApplication);
}

struct PageRow {
    int Page;
    bool Back, Next, ModeButtons;
    const char* NextCaption;
    const char* CloseCaption;
};

TEST_F(ControllerTest, EachPageSetsItsButtonRow) {
    // Reached from page 0 in each case; captions not named for a page keep page 0's.
    const PageRow rows[] = {
        {tsParams, true, true, false, "Installieren", "Schließen"},
        {tsProgress, false, false, false, "Weiter", "Abbrechen"},
        {tsInfo, false, false, false, "Weiter", "Ok"},
    };
    for (bool allowOffline : {false, true}) {
        for (const PageRow& row : rows) {
            SCOPED_TRACE(testing::Message() << "page " << row.Page << " offline " << allowOffline);
            Create();
            Dlg().SetAllowOffline(allowOffline);
            Dlg().SetPage(row.Page);
            EXPECT_EQ(F().ActivePage, row.Page);
            EXPECT_EQ(F().BackBtn.Visible, row.Back);
            EXPECT_EQ(F().NextBtn.Visible, row.Next);
            EXPECT_EQ(F().OnlineBtn.Visible, row.ModeButtons);
            EXPECT_EQ(F().OfflineBtn.Visible, row.ModeButtons);
            EXPECT_EQ(F().FBConfigBtn.Visible, row.ModeButtons);
            EXPECT_EQ(F().NextBtn.Caption, row.NextCaption);
            EXPECT_EQ(F().CloseBtn.Caption, row.CloseCaption);

            Dlg().SetPage(tsSelect);
            EXPECT_FALSE(F().BackBtn.Visible);
            EXPECT_TRUE(F().NextBtn.Visible);
            EXPECT_EQ(F().OnlineBtn.Visible, allowOffline);
            EXPECT_EQ(F().FBConfigBtn.Visible, allowOffline);
            EXPECT_EQ(F().NextBtn.Caption, "Weiter");
            EXPECT_EQ(F().CloseBtn.Caption, "Schließen");
        }
    }
}

TEST_F(ControllerTest, SettingTheShownPageOrOneOutOfRangeChangesNothing) {
    Dlg().SetPage(tsInfo);
    // Touch the form as another part might; a page set that does nothing must not repair it.
    F().CloseBtn.Caption = "changed";
    F().BackBtn.Visible = true;
    Form before = F();
    for (int page : {int(tsInfo), -1, 4, 1000}) {
        Dlg().SetPage(page);
        EXPECT_EQ(F(), before) << page;
        EXPECT_EQ(Dlg().Page(), tsInfo);
    }
}

TEST_F(ControllerTest, NextAndBackNavigate) {
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsParams);
    Click([](auto& d) { d.PrevPage(); });
    EXPECT_EQ(Dlg().Page(), tsSelect);
    Click([](auto& d) { d.PrevPage(); }); // asks for -1, which is ignored
    EXPECT_EQ(Dlg().Page(), tsSelect);

    Dlg().AddErrorLine("kept", false);
    Dlg().ShowInfo("done");
    Click([](auto& d) { d.PrevPage(); });
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_EQ(F().ErrList.Items, std::vector<std::string>{"kept"});
}

TEST_F(ControllerTest, NextWithTheApplicationInstalledSkipsTheParametersPage) {
    FHost.RegistryText =
        "Windows Registry Editor Version 5.00\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
        "{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1]\r\n";
    Create();
    ASSERT_TRUE(Dlg().AppInstalled());
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_TRUE(FHost.Boxes.empty()); // nothing validated
    // Offline without the update installer: the run fails naming it, the parameters page never showed.
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDie Datei " + FHost.ProgramDir +
                  "Packages" + PathDelimiter +
                  "nv_update.exe ist nicht vorhanden. "
                  "Setup kann nicht ausgeführt werden.");

    // Another package goes to its parameters as usual.
    Click([](auto& d) { d.CloseBtnClick(); });
    Click([](auto& d) { d.DoAction(pkDatabaseServer); });
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsParams);
}

TEST_F(ControllerTest, CloseOnSelectionOrParametersEndsTheProgramWithoutAsking) {
    for (int page : {tsSelect, tsParams}) {
        Create();
        Dlg().SetPage(page);
        Click([](auto& d) { d.CloseBtnClick(); });
        EXPECT_TRUE(F().Closed) << page;
        EXPECT_FALSE(F().Visible);
        EXPECT_TRUE(FHost.Boxes.empty());
    }
}

TEST_F(ControllerTest, CloseOnProgressOrInfoReturnsToSelection) {
    for (int page : {tsProgress, tsInfo}) {
        Create();
        Dlg().SetPage(tsParams);
        Dlg().SetPage(page);
        Dlg().AddErrorLine("line", false);
        Click([](auto& d) { d.CloseBtnClick(); });
        EXPECT_FALSE(F().Closed) << page;
        EXPECT_EQ(Dlg().Page(), tsSelect);
        EXPECT_EQ(F().NextBtn.Caption, "Weiter");
        EXPECT_EQ(F().CloseBtn.Caption, "Schließen");
        EXPECT_TRUE(F().ErrList.Items.empty());
    }
}

TEST_F(ControllerTest, CloseAfterACriticalErrorEndsTheProgramFromEveryPage) {
    for (int page : {tsProgress, tsInfo}) {
        Create();
        WizardProbe::SetCriticalError(Dlg(), true);
        Dlg().SetPage(page);
        Click([](auto& d) { d.CloseBtnClick(); });
        EXPECT_TRUE(F().Closed) << page;
    }
}

TEST_F(ControllerTest, CloseDuringARunAsksAndOnlyYesAborts) {
    const struct {
        int Answer;
        bool Aborted;
    } cases[] = {{mrYes, true}, {mrNo, false}, {mrCancel, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Answer);
        Create();
        WizardProbe::SetCriticalError(Dlg(), true); // a run is never closed, not even then
        Dlg().SetPage(tsProgress);
        Dlg().SetInstallState(isRunning);
        FHost.Boxes.clear();
        FHost.BoxAnswers = {c.Answer};
        Form before = F();
        Click([](auto& d) { d.CloseBtnClick(); });

        ASSERT_EQ(FHost.Boxes.size(), 1u);
        EXPECT_EQ(FHost.Boxes[0].Message, "Möchten sie die Installation abbrechen ?");
        EXPECT_EQ(FHost.Boxes[0].Type, MsgDlgType::Confirmation);
        EXPECT_EQ(FHost.Boxes[0].Buttons, unsigned(mbYesNo));
        EXPECT_FALSE(F().Closed);
        if (c.Aborted) {
            EXPECT_EQ(Dlg().InstallState(), isAborted);
            EXPECT_EQ(Dlg().Page(), tsInfo);
            EXPECT_EQ(F().lblInfo.Caption, "Info");
            EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
            EXPECT_EQ(F().CloseBtn.Caption, "Ok");
        } else {
            EXPECT_EQ(Dlg().InstallState(), isRunning);
            EXPECT_EQ(F(), before);
        }
    }
}

TEST_F(ControllerTest, TitleBarCloseDuringARunAsksTheCancelQuestion) {
    EXPECT_TRUE(Dlg().FormCloseQuery()); // idle: closes without asking
    EXPECT_TRUE(FHost.Boxes.empty());

    Dlg().SetInstallState(isRunning);
    FHost.BoxAnswers = {mrNo};
    EXPECT_FALSE(Dlg().FormCloseQuery());
    EXPECT_EQ(Dlg().InstallState(), isRunning);
    FHost.BoxAnswers = {mrYes};
    EXPECT_FALSE(Dlg().FormCloseQuery());
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(FHost.Boxes.size(), 2u);
}

TEST_F(ControllerTest, ShowInfoAndShowErrorFillTheInfoPage) {
    Dlg().SetPage(tsParams);
    Dlg().ShowInfo("alles gut");
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblInfo.Caption, "Info");
    EXPECT_EQ(F().lblStatusInfo.Caption, "alles gut");
    EXPECT_FALSE(F().BackBtn.Visible);
    EXPECT_EQ(F().CloseBtn.Caption, "Ok");

    // Already on the info page: heading and text change, the buttons stay as they are.
    F().BackBtn.Visible = true;
    F().CloseBtn.Caption = "Schließen";
    Dlg().ShowError("kaputt");
    EXPECT_EQ(F().lblInfo.Caption, "Fehler");
    EXPECT_EQ(F().lblStatusInfo.Caption, "kaputt");
    EXPECT_TRUE(F().BackBtn.Visible);
    EXPECT_EQ(F().CloseBtn.Caption, "Schließen");
}

TEST_F(ControllerTest, AddErrorLineAppendsOrStartsAfresh) {
    Dlg().AddErrorLine("one", false);
    Dlg().AddErrorLine("two", false);
    EXPECT_EQ(F().ErrList.Items, (std::vector<std::string>{"one", "two"}));
    Dlg().AddErrorLine("three", true);
    EXPECT_EQ(F().ErrList.Items, std::vector<std::string>{"three"});
}

TEST_F(ControllerTest, UnhandledFailureOnlyRecordsItsTextOutsideARun) {
    for (int state : {isIdle, isSucceeded, isAborted, isFailed}) {
        Create();
        if (state != isIdle) Dlg().SetInstallState(state);
        Form before = F();
        int page = Dlg().Page();
        Click([](auto&) -> void { throw std::runtime_error("Zugriff verweigert"); });
        EXPECT_EQ(Dlg().ErrorMsg(), "Zugriff verweigert") << state;
        EXPECT_EQ(Dlg().InstallState(), state);
        EXPECT_EQ(Dlg().Page(), page);
        EXPECT_EQ(F(), before);
        EXPECT_TRUE(FHost.Boxes.empty());
    }
}

TEST_F(ControllerTest, UnhandledFailureDuringARunFailsItAndShowsTheWindow) {
    Dlg().SetInstallState(isRunning);
    F().Visible = false; // an installer was running
    Click([](auto&) -> void { throw std::runtime_error("Systemfehler.  Code: 2."); });
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_TRUE(F().Visible);
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblInfo.Caption, "Fehler");
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rSystemfehler.  Code: 2.");
}

TEST_F(ControllerTest, RunningStateHidesNextAndBackAndOffersCancel) {
    Dlg().SetPage(tsParams);
    Dlg().SetInstallState(isRunning);
    EXPECT_FALSE(F().NextBtn.Visible);
    EXPECT_FALSE(F().BackBtn.Visible);
    EXPECT_EQ(F().CloseBtn.Caption, "Abbrechen");
}

} // namespace
} // namespace tv
