// The command line: what each switch presets, and the German message that names a
// switch or value the program cannot mean.
#include "wizard/Switches.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(Switches, ReadsEverySwitchCaseInsensitivelyWithQuotedValues) {
    const SetupSwitches switches =
        ParseSwitches({"/package=1", "/Type=single", "/DIR=\"C:\\Program Files\\Norvano 6\"",
                       "/edition=solan", "/log=C:\\Logs\\setup.log", "/verysilent"});
    EXPECT_EQ(switches.Package, 1);
    EXPECT_EQ(switches.SingleSeat, true);
    EXPECT_EQ(switches.Folder, "C:\\Program Files\\Norvano 6");
    EXPECT_EQ(switches.Edition, "solan");
    EXPECT_EQ(switches.LogFile, "C:\\Logs\\setup.log");
    EXPECT_EQ(switches.Mode, RunMode::VerySilent);

    EXPECT_EQ(ParseSwitches({"/PACKAGE=4", "/FILES=a.zip; b.zip;;", "/SILENT"}).Files,
              (std::vector<std::string>{"a.zip", "b.zip"}));
    EXPECT_TRUE(ParseSwitches({"/PACKAGE=4", "/FILES=all"}).Files.empty());
    // /VERYSILENT wins over /SILENT in either order.
    EXPECT_EQ(ParseSwitches({"/PACKAGE=2", "/VERYSILENT", "/SILENT"}).Mode, RunMode::VerySilent);
    EXPECT_FALSE(ParseSwitches({}).Unattended());
    EXPECT_TRUE(ParseSwitches({"/?"}).Help);
    EXPECT_TRUE(ParseSwitches({"/help", "/VERYSILENT"}).Help); // the usage, even without a package
}

TEST(Switches, RefusesWhatTheyCannotMeanNamingIt) {
    const struct {
        std::vector<std::string> Arguments;
        const char* Message;
    } cases[] = {
        {{"/PACKAGE=1", "/FOO"}, "Unbekannter Schalter: \"/FOO\""},
        {{"-PACKAGE=1"}, "Unbekannter Schalter: \"-PACKAGE=1\""},
        {{"/"}, "Unbekannter Schalter: \"/\""},
        {{"/PACKAGE=6"}, "Ungültiger Wert für den Schalter /PACKAGE: \"6\""},
        {{"/PACKAGE=0"}, "Ungültiger Wert für den Schalter /PACKAGE: \"0\""},
        {{"/PACKAGE=12"}, "Ungültiger Wert für den Schalter /PACKAGE: \"12\""},
        {{"/PACKAGE="}, "Der Schalter /PACKAGE braucht einen Wert."},
        {{"/PACKAGE=1", "/TYPE=SERVER"}, "Ungültiger Wert für den Schalter /TYPE: \"SERVER\""},
        {{"/PACKAGE=1", "/DIR"}, "Der Schalter /DIR braucht einen Wert."},
        {{"/PACKAGE=1", "/SILENT=yes"}, "Ungültiger Wert für den Schalter /SILENT: \"yes\""},
        {{"/VERYSILENT"}, "Ohne Rückfragen braucht die Installation den Schalter /PACKAGE."},
        {{"/PACKAGE=4", "/TYPE=SINGLE"}, "Der Schalter /TYPE gilt nur für die Pakete 1 und 3."},
        {{"/PACKAGE=3", "/FILES=a.zip"}, "Der Schalter /FILES gilt nur für Paket 4."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.back());
        try {
            ParseSwitches(c.Arguments);
            ADD_FAILURE() << "accepted";
        } catch (const SwitchError& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

} // namespace
} // namespace tv
