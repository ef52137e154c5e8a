// The command line: what each switch presets, and the German message that names a
// switch or value the program cannot mean.
#include "wizard/Switches.h"

#include <gtest/gtest.h>

#include "support/Files.h"

namespace tv {
namespace {

using testbed::FileRoot;

TEST(Switches, ReadsEverySwitchCaseInsensitivelyWithQuotedValues) {
    const SetupSwitches switches = ParseSwitches(
        {"/package=1", "/Type=single", std::string("/DIR=\"") + FileRoot + "Program Files\\Norvano 6\"",
         "/edition=solan", "/log=C:\\Logs\\setup.log", "/verysilent"});
    EXPECT_EQ(switches.Package, 1);
    EXPECT_EQ(switches.SingleSeat, true);
    EXPECT_EQ(switches.Folder, std::string(FileRoot) + "Program Files\\Norvano 6");
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

    const SetupSwitches proxied = ParseSwitches(
        {"/PACKAGE=2", "/proxy=Proxy.Example:3128", "/PROXYUSER=DOMAIN\\setup", "/PROXYPASSWORD=\"a b\""});
    EXPECT_EQ(proxied.Proxy, "Proxy.Example:3128");
    EXPECT_EQ(proxied.ProxyUser, "DOMAIN\\setup");
    EXPECT_EQ(proxied.ProxyPassword, "a b");
    EXPECT_EQ(ParseSwitches({"/PACKAGE=2", "/PROXY=direct"}).Proxy, "DIRECT");
    EXPECT_FALSE(ParseSwitches({"/PACKAGE=2", "/PROXYUSER=u"}).ProxyPassword); // then the environment's

    // A layout needs no package and never shows a window.
    const SetupSwitches layout =
        ParseSwitches({std::string("/LAYOUT=") + FileRoot + "Offline", "/EDITION=Solan"});
    EXPECT_EQ(layout.Layout, std::string(FileRoot) + "Offline");
    EXPECT_EQ(layout.Mode, RunMode::VerySilent);
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
        {{"/PACKAGE=3", "/EDITION=Solan", "/edition=Tavik"}, "Der Schalter /EDITION ist mehrfach angegeben."},
        {{"/PACKAGE=3", "/PACKAGE=3"}, "Der Schalter /PACKAGE ist mehrfach angegeben."},
        {{"/PACKAGE=3", "/DIR=Daten"},
         "Der Ordner des Schalters /DIR ist unbrauchbar (kein vollständiger Pfad): \"Daten\""},
        {{"/PACKAGE=2", "/PROXY=proxy"}, "Der Schalter /PROXY braucht host:port oder DIRECT: \"proxy\""},
        {{"/PACKAGE=2", "/PROXY=http://u:p@proxy:3128"},
         "Der Schalter /PROXY braucht host:port oder DIRECT: \"http://u:p@proxy:3128\""},
        {{"/PACKAGE=2", "/PROXY=socks5://proxy:1080"},
         "Der Schalter /PROXY braucht host:port oder DIRECT: \"socks5://proxy:1080\""},
        {{"/PACKAGE=2", "/PROXY=proxy:3128", "/PROXYPASSWORD=x"},
         "Der Schalter /PROXYPASSWORD gilt nur zusammen mit /PROXYUSER."},
        {{"/PACKAGE=2", "/PROXY=DIRECT", "/PROXYUSER=u"},
         "Der Schalter /PROXYUSER gilt nicht mit /PROXY=DIRECT."},
        {{"/LAYOUT=Offline"},
         "Der Ordner des Schalters /LAYOUT ist unbrauchbar (kein vollständiger Pfad): \"Offline\""},
        {{std::string("/LAYOUT=") + FileRoot + "Offline", "/PACKAGE=3"},
         "Der Schalter /LAYOUT installiert nichts: /PACKAGE, /TYPE, /DIR, /FILES und /SOURCE gelten nicht "
         "mit ihm."},
        {{"/PACKAGE=3", "/DIR=..\\Daten"},
         "Der Ordner des Schalters /DIR ist unbrauchbar (kein vollständiger Pfad): \"..\\Daten\""},
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

// A folder that Windows cannot hold is refused on every system, as archive entries are.
TEST(Switches, DirMustBeAFolderWindowsCanHold) {
    const struct {
        const char* Folder;  // below the root
        const char* Refused; // the part named, or null: accepted
    } cases[] = {
        {"Daten\\Solan", nullptr},      {"Daten/./Solan/", nullptr}, {"Daten/Sol?an", "Sol?an"},
        {"Daten/Solan.", "Solan."},     {"Daten /Solan", "Daten "},  {"Daten/CON", "CON"},
        {"Daten/com1.db/x", "com1.db"}, {"Da|ten", "Da|ten"},
    };
    for (const auto& c : cases) {
        const std::string folder = std::string(FileRoot) + c.Folder;
        SCOPED_TRACE(folder);
        try {
            EXPECT_EQ(ParseSwitches({"/PACKAGE=3", "/DIR=" + folder}).Folder, folder);
            EXPECT_EQ(c.Refused, nullptr) << "accepted";
        } catch (const SwitchError& e) {
            ASSERT_NE(c.Refused, nullptr) << e.what();
            EXPECT_EQ(e.what(), "Der Ordner des Schalters /DIR ist unbrauchbar (ein Name, den Windows nicht "
                                "speichern kann: " +
                                    std::string(c.Refused) + "): \"" + folder + "\"");
        }
    }
}

} // namespace
} // namespace tv
