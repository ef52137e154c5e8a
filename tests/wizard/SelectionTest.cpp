// The package list built from the text table, and choosing a package.
#include <gtest/gtest.h>

#include "support/WizardFixture.h"

namespace tv {
namespace {

class SelectionTest : public WizardFixture {
protected:
    // The template with its [opt] section replaced by the given lines.
    void CreateWithOptSection(const std::vector<std::string>& optLines) {
        FTemplate.clear();
        for (const std::string& line : TextTemplateLines()) {
            if (line == "[opt]") {
                FTemplate.insert(FTemplate.end(), optLines.begin(), optLines.end());
                continue;
            }
            if (line == "count=5") continue;
            FTemplate.push_back(line);
        }
        Create();
    }
};

TEST_F(SelectionTest, TemplateListsFivePackagesSixtySevenPixelsApart) {
    const char* captions[] = {"1 - Norvano", "2 - Datenbankserver", "3 - Datenbanken", "4 - Datenupdate",
                              "5 - Stockado"};
    ASSERT_EQ(F().Packages.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const PackageOption& option = F().Packages[i];
        EXPECT_EQ(option.Tag, i + 1);
        EXPECT_EQ(option.Button.Caption, captions[i]);
        EXPECT_EQ(option.Top, 20 + 67 * i);
        EXPECT_EQ(option.LabelTop, 42 + 67 * i);
        EXPECT_EQ(option.Left, 20);
        EXPECT_EQ(option.Width, 480);
        EXPECT_EQ(option.LabelLeft, 40);
        EXPECT_EQ(option.LabelHeight, 40);
        EXPECT_EQ(option.Button.Checked, i == 0);
    }
    EXPECT_EQ(F().Packages[4].LabelTop + F().Packages[4].LabelHeight, 350);
    EXPECT_EQ(
        F().Packages[3].Description,
        "Aktualisiert die Ersatzteildatenbanken.  Es darf kein Anwender mit der Datenbank verbunden sein.");
    EXPECT_EQ(Dlg().InstallType(), pkApplication);
}

TEST_F(SelectionTest, PackageCountShapesTheList) {
    const struct {
        const char* Name;
        std::vector<std::string> Opt;
        size_t Packages;
    } cases[] = {
        {"count zero", {"[opt]", "count=0"}, 0},
        {"count missing", {"[opt]"}, 0},
        {"section missing", {}, 0},
        {"count not a number", {"[opt]", "count=five"}, 0},
        {"count negative", {"[opt]", "count=-3"}, 0},
        {"count in hex", {"[opt]", "count=0x2"}, 2},
        {"count larger than the sections", {"[opt]", "count=7"}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        CreateWithOptSection(c.Opt);
        EXPECT_EQ(F().Packages.size(), c.Packages);
        // Package 1 is prepared either way, by the check of its button or by the start-up's own choice.
        EXPECT_EQ(Dlg().InstallType(), pkApplication);
        EXPECT_EQ(F().edtFolder.Text, "/opt/programs/Norvano 6");
        EXPECT_TRUE(F().pnlApp.Visible);
    }
    // Beyond the package sections: the number and the separator, nothing after it.
    EXPECT_EQ(F().Packages[5].Button.Caption, "6 - ");
    EXPECT_EQ(F().Packages[6].Description, "");
    EXPECT_EQ(F().Packages[6].Top, 20 + 67 * 6);

    CreateWithOptSection({"[opt]"});
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsParams);
}

TEST_F(SelectionTest, OnlyAChangeOfPackagePreparesTheParametersPage) {
    F().edtFolder.Text = "/my/own/folder";
    Click([](auto& d) { d.DoAction(pkApplication); }); // package 1 is chosen already
    EXPECT_EQ(F().edtFolder.Text, "/my/own/folder");

    Click([](auto& d) { d.DoAction(pkDatabaseServer); });
    EXPECT_EQ(Dlg().InstallType(), pkDatabaseServer);
    EXPECT_EQ(F().edtFolder.Text, "/opt/programs/Firebird 3");
    EXPECT_TRUE(F().Packages[1].Button.Checked);
    EXPECT_FALSE(F().Packages[0].Button.Checked);

    F().edtFolder.Text = "/edited";
    Click([](auto& d) { d.DoAction(pkApplication); });
    EXPECT_EQ(F().edtFolder.Text, "/opt/programs/Norvano 6");
}

TEST_F(SelectionTest, InstallTypeChangedBehindThePageLeavesTheButtonsAlone) {
    Dlg().SetInstallType(pkDatabaseFiles); // as a chained database run does
    EXPECT_TRUE(F().Packages[0].Button.Checked);
    EXPECT_EQ(F().edtFolder.Text, "/srv/Daten");
    // A click on another package and back restores package 1.
    Click([](auto& d) { d.DoAction(pkDatabaseServer); });
    Click([](auto& d) { d.DoAction(pkApplication); });
    EXPECT_EQ(Dlg().InstallType(), pkApplication);
    EXPECT_EQ(F().edtFolder.Text, "/opt/programs/Norvano 6");
}

} // namespace
} // namespace tv
