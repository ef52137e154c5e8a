// The parameters page: presets, edition key, update archives, folder picker,
// installed-application test and validation.
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/WizardFixture.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> Manifest = {
    "[UpdFileList]",
    "Brisa=upd_models.zip;upd_parts.zip",
    "solan=a.zip;b.zip;c.zip",
    "Tavik=x.zip;y.zip;z.zip;extra.zip",
    "[updfiledescr]",
    "Brisa=Fahrzeugmodelle;Ersatzteile",
    "Solan=Modelle; Teile;Zeichnungen",
    "Tavik=X;Y;Z",
};

class ParamsTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        Dlg().LoadManifest(Manifest);
        FDir = fs::temp_directory_path() / ("tv-params-" + std::to_string(getpid()));
        fs::create_directories(FDir);
    }
    void TearDown() override {
        fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(FDir);
    }
    void Choose(PackageKind type) {
        Click([type](auto& d) { d.DoAction(type); });
        Dlg().ApplicationEventsIdle();
    }
    void SelectEdition(int index) {
        F().cbAppVers.ItemIndex = index;
        if (index >= 0) F().cbAppVers.Text = F().cbAppVers.Items[index];
        Click([](auto& d) { d.cbAppVersChange(); });
    }
    std::vector<std::string> Descriptions() {
        std::vector<std::string> out;
        for (const auto& entry : F().cbFileList.Items)
            out.push_back(entry.Text);
        return out;
    }
    bool Next() {
        Click([](auto& d) { d.NextBtnClick(); });
        return Dlg().Page() == tsParams;
    }

    fs::path FDir;
};

TEST_F(ParamsTest, EachPackagePreparesItsPage) {
    const struct {
        PackageKind Type;
        bool App, FileList, Edition;
        const char* Folder;
        const char* Default;
    } cases[] = {
        {pkApplication, true, false, false, "/opt/programs/Norvano 6", "Norvano 6"},
        {pkDatabaseServer, false, false, false, "/opt/programs/Firebird 3", "Firebird 3"},
        {pkDatabaseFiles, false, false, true, "/srv/Daten", "/srv/Daten"},
        {pkDataUpdate, false, true, true, "/srv/Daten", "/srv/Daten"},
        {pkCompanionApp, false, false, false, "/opt/programs/Stockado 6", "Stockado 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Type);
        Choose(c.Type == pkApplication ? pkDatabaseServer
                                       : pkApplication); // so that the choice below is a change
        Choose(c.Type);
        EXPECT_EQ(F().pnlApp.Visible, c.App);
        EXPECT_EQ(F().gbFileList.Visible, c.FileList);
        EXPECT_EQ(F().gbAppVers.Visible, c.Edition);
        EXPECT_EQ(F().edtFolder.Text, c.Folder);
        EXPECT_EQ(Dlg().DefaultFolder(), c.Default);
    }
}

TEST_F(ParamsTest, SingleSeatShowsTheEditionForTheApplication) {
    Dlg().ApplicationEventsIdle();
    EXPECT_FALSE(F().gbAppVers.Visible);
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    Dlg().ApplicationEventsIdle();
    EXPECT_TRUE(F().gbAppVers.Visible);
    Choose(pkCompanionApp);
    EXPECT_FALSE(F().gbAppVers.Visible); // still single seat, but not the application
}

TEST_F(ParamsTest, ProgramsFolderMissingGivesAFolderBelowTheRoot) {
    FHost.ProgramFiles = "";
    Choose(pkCompanionApp);
    EXPECT_EQ(F().edtFolder.Text, "/Stockado 6");
}

TEST_F(ParamsTest, EditionKeyFollowsTheSelectionAndKeepsItForTypedText) {
    const struct {
        int Index;
        const char* Key;
    } steps[] = {
        {pkApplication, "Solan"}, {pkDatabaseServer, "Tavik"}, {-1, "Tavik"}, {0, "Brisa"}, {-1, "Brisa"}};
    for (const auto& step : steps) {
        SelectEdition(step.Index);
        EXPECT_EQ(Dlg().AppType(), step.Key) << step.Index;
        Dlg().ApplicationEventsIdle();
        EXPECT_EQ(Dlg().AppType(), step.Key) << step.Index;
    }
}

TEST_F(ParamsTest, UpdateListIsFilledPerEditionUncheckedForTheDataUpdate) {
    Dlg().ApplicationEventsIdle(); // edition key "Brisa"
    Choose(pkDataUpdate);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Fahrzeugmodelle", "Ersatzteile"}));
    for (const auto& entry : F().cbFileList.Items)
        EXPECT_FALSE(entry.Checked);

    SelectEdition(1); // Solan: refilled, blanks kept
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Modelle", " Teile", "Zeichnungen"}));

    Choose(pkDatabaseFiles); // the database files get the list checked, but never see it
    EXPECT_EQ(F().cbFileList.Items.size(), 3u);
    for (const auto& entry : F().cbFileList.Items)
        EXPECT_TRUE(entry.Checked);
    SelectEdition(2); // not the data update: the hidden list stays as it was
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Modelle", " Teile", "Zeichnungen"}));
}

TEST_F(ParamsTest, EditionWithoutDescriptionsGivesAnEmptyList) {
    Dlg().LoadManifest({"[UpdFileList]", "Brisa=a.zip"});
    Dlg().ApplicationEventsIdle();
    Choose(pkDataUpdate);
    EXPECT_TRUE(F().cbFileList.Items.empty());
    EXPECT_FALSE(Dlg().HasCheckedUpdateFile());
}

TEST_F(ParamsTest, CheckedArchivesArePairedByPosition) {
    SelectEdition(1);
    Choose(pkDataUpdate);
    const struct {
        std::vector<bool> Checks;
        const char* Archives;
    } cases[] = {
        {{true, false, true}, "a.zip;c.zip"},
        {{false, false, false}, ""},
        {{false, true, false}, "b.zip"},
        {{true, true, true}, "a.zip;b.zip;c.zip"},
    };
    for (const auto& c : cases) {
        for (size_t i = 0; i < c.Checks.size(); ++i)
            F().cbFileList.Items[i].Checked = c.Checks[i];
        EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), c.Archives);
        EXPECT_EQ(Dlg().HasCheckedUpdateFile(), std::string(c.Archives) != "");
    }
}

TEST_F(ParamsTest, ArchivesWithoutACheckListLineCountAsUnchecked) {
    SelectEdition(2); // Tavik: four archives, three descriptions
    Choose(pkDataUpdate);
    Click([](auto& d) { d.MarkAllBtnClick(1); });
    EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), "x.zip;y.zip;z.zip");
    F().cbFileList.Items[1].Checked = false;
    EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), "x.zip;z.zip");
    EXPECT_EQ(Dlg().ErrorMsg(), "");
}

TEST_F(ParamsTest, DescriptionsBeyondTheArchiveListSelectNothing) {
    Dlg().LoadManifest({"[UpdFileList]", "Brisa=a.zip", "[UpdFileDescr]", "Brisa=A;B;C"});
    Dlg().ApplicationEventsIdle();
    Choose(pkDataUpdate);
    Click([](auto& d) { d.MarkAllBtnClick(1); });
    EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), "a.zip");
    F().cbFileList.Items[0].Checked = false;
    EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), "");
}

TEST_F(ParamsTest, ManifestWithAHundredThousandArchivesStaysUsable) {
    std::string names, descriptions;
    for (int i = 0; i < 100000; ++i) {
        if (i > 0) {
            names += ';';
            descriptions += ';';
        }
        names += "archive" + std::to_string(i) + ".zip";
        descriptions += "Teil " + std::to_string(i);
    }
    Dlg().LoadManifest({"[UpdFileList]", "Brisa=" + names, "[UpdFileDescr]", "Brisa=" + descriptions});
    Dlg().ApplicationEventsIdle();
    Choose(pkDataUpdate);
    ASSERT_EQ(F().cbFileList.Items.size(), 100000u);
    EXPECT_EQ(F().cbFileList.Items[99999].Text, "Teil 99999");
    Click([](auto& d) { d.MarkAllBtnClick(1); });
    EXPECT_EQ(Dlg().GetCheckedUpdateFiles(), names);
}

TEST_F(ParamsTest, MarkAllAndUnmarkAll) {
    Dlg().ApplicationEventsIdle();
    Choose(pkDataUpdate);
    Click([](auto& d) { d.MarkAllBtnClick(1); });
    for (const auto& entry : F().cbFileList.Items)
        EXPECT_TRUE(entry.Checked);
    Click([](auto& d) { d.MarkAllBtnClick(0); });
    for (const auto& entry : F().cbFileList.Items)
        EXPECT_FALSE(entry.Checked);
}

TEST_F(ParamsTest, FolderPickerAppendsThePackageFolderForProgramPackages) {
    const struct {
        PackageKind Type;
        const char* Picked;
        const char* Folder;
    } cases[] = {
        {pkApplication, "/data/progs", "/data/progs/Norvano 6"},
        {pkDatabaseServer, "/", "/Firebird 3"},
        {pkCompanionApp, "/data", "/data/Stockado 6"},
        {pkDatabaseFiles, "/data", "/data"},
        {pkDataUpdate, "/", "/"},
    };
    for (const auto& c : cases) {
        Choose(c.Type == pkApplication ? pkDatabaseServer : pkApplication);
        Choose(c.Type);
        FHost.PickedFolders = {c.Picked};
        Click([](auto& d) { d.edtFolderRightButtonClick(); });
        EXPECT_EQ(F().edtFolder.Text, c.Folder) << c.Type;
    }
}

TEST_F(ParamsTest, FolderPickerCancelKeepsTheTextAndReopensOnTheLastChoice) {
    Choose(pkDatabaseFiles);
    FHost.PickedFolders = {"/first", ""};
    Click([](auto& d) { d.edtFolderRightButtonClick(); });
    F().edtFolder.Text = "typed";
    Click([](auto& d) { d.edtFolderRightButtonClick(); });
    EXPECT_EQ(F().edtFolder.Text, "typed");
    EXPECT_EQ(FHost.PickerStarts, (std::vector<std::string>{"", "/first"}));
}

TEST_F(ParamsTest, InstalledApplicationIsFoundInTheBranchOfTheProcessorWidth) {
    const std::string key = "{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1";
    const std::string wow = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
    const std::string plain = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
    const struct {
        const char* Name;
        std::string Key;
        bool Cpu64;
        bool Installed;
    } cases[] = {
        {"64-bit, 32-bit view", wow, true, true},
        {"64-bit, key of a 64-bit installer", plain, true, false},
        {"32-bit", plain, false, true},
        {"32-bit, other branch", wow, false, false},
        {"no key", "SOFTWARE\\Other", true, false},
    };
    for (const auto& c : cases) {
        FHost.RegistryText =
            "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\" + c.Key + "]\r\n";
        FHost.Cpu64 = c.Cpu64;
        Create();
        EXPECT_EQ(Dlg().AppInstalled(), c.Installed) << c.Name;
    }
}

struct ExpectedBox {
    std::string Message;
    MsgDlgType Type;
    unsigned Buttons;
};

TEST_F(ParamsTest, DatabaseFolderIsCheckedAndCreatedOnlyOnYes) {
    std::ofstream(FDir / "file") << "x";
    const std::string existing = FDir.string();
    const std::string missing = (FDir / "a" / "b").string();
    const std::string blocked = (FDir / "file" / "sub").string(); // below a file: cannot be made
    auto question = [](const std::string& folder) {
        return ExpectedBox{"Der Ordner " + folder +
                               " ist nicht vorhanden. Möchten sie den Ordner neu anlegen ?",
                           MsgDlgType::Confirmation, mbYesNo};
    };
    auto info = [](const std::string& text) { return ExpectedBox{text, MsgDlgType::Information, mbOK}; };
    const struct {
        const char* Name;
        std::string Folder;
        int Answer;
        bool Result;
        std::vector<ExpectedBox> Boxes;
        bool ExistsAfter;
    } cases[] = {
        {"present", existing, mrYes, true, {}, true},
        {"missing, No",
         missing,
         mrNo,
         false,
         {question(missing), info("Der Ordner " + missing + " ist nicht vorhanden.")},
         false},
        {"missing, box closed",
         missing,
         mrCancel,
         false,
         {question(missing), info("Der Ordner " + missing + " ist nicht vorhanden.")},
         false},
        {"missing, Yes: created", missing, mrYes, true, {question(missing)}, true},
        {"creation failing",
         blocked,
         mrYes,
         false,
         {question(blocked), info("Der Ordner " + blocked + " konnte nicht angelegt werden.")},
         false},
        {"empty, Yes",
         "",
         mrYes,
         false,
         {question(""), info("Der Ordner  konnte nicht angelegt werden.")},
         false},
    };
    Choose(pkDatabaseFiles);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FHost.Boxes.clear();
        FHost.BoxAnswers = {c.Answer, mrOk};
        F().edtFolder.Text = c.Folder;
        EXPECT_EQ(Dlg().ValidateParams(), c.Result);
        ASSERT_EQ(FHost.Boxes.size(), c.Boxes.size());
        for (size_t i = 0; i < c.Boxes.size(); ++i) {
            EXPECT_EQ(FHost.Boxes[i].Message, c.Boxes[i].Message);
            EXPECT_EQ(FHost.Boxes[i].Type, c.Boxes[i].Type);
            EXPECT_EQ(FHost.Boxes[i].Buttons, c.Boxes[i].Buttons);
        }
        EXPECT_EQ(fs::is_directory(c.Folder), c.ExistsAfter);
    }
}

TEST_F(ParamsTest, EmptyDatabaseFolderWithYesIsReportedAndKeepsThePage) {
    Choose(pkDatabaseFiles);
    Click([](auto& d) { d.NextBtnClick(); });
    F().edtFolder.Text = "";
    FHost.BoxAnswers = {mrYes};
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_EQ(FHost.Boxes.size(), 2u);
    EXPECT_EQ(Dlg().Page(), tsParams);
    EXPECT_EQ(Dlg().InstallState(), isIdle);
    EXPECT_EQ(Dlg().ErrorMsg(), "");
}

TEST_F(ParamsTest, DataUpdateNeedsAnExistingFolderAndACheckedArchive) {
    const std::string existing = FDir.string();
    const std::string missing = (FDir / "missing").string();
    const std::string noFile = "Sie müssen eine Datei für das Datenupdate auswählen";
    const struct {
        const char* Name;
        std::string Folder;
        bool Checked;
        std::string Message; // empty: passes
    } cases[] = {
        {"both missing: only the archive message", missing, false, noFile},
        {"folder missing", missing, true, "Der Ordner " + missing + " ist nicht vorhanden."},
        {"nothing checked", existing, false, noFile},
        {"ready", existing, true, ""},
    };
    Dlg().ApplicationEventsIdle();
    Choose(pkDataUpdate);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FHost.Boxes.clear();
        F().edtFolder.Text = c.Folder;
        Click([&](auto& d) { d.MarkAllBtnClick(c.Checked ? 1 : 0); });
        EXPECT_EQ(Dlg().ValidateParams(), c.Message.empty());
        if (c.Message.empty()) {
            EXPECT_TRUE(FHost.Boxes.empty());
            continue;
        }
        ASSERT_EQ(FHost.Boxes.size(), 1u);
        EXPECT_EQ(FHost.Boxes[0].Type, MsgDlgType::Information);
        EXPECT_EQ(FHost.Boxes[0].Message, c.Message);
    }
    EXPECT_FALSE(fs::exists(missing)); // never created for the data update
}

TEST_F(ParamsTest, ProgramPackagesPassValidationUnchecked) {
    for (PackageKind type : {pkApplication, pkDatabaseServer, pkCompanionApp}) {
        Choose(type);
        F().edtFolder.Text = "/does/not/exist";
        EXPECT_TRUE(Dlg().ValidateParams()) << type;
    }
    EXPECT_TRUE(FHost.Boxes.empty());
}

} // namespace
} // namespace tv
