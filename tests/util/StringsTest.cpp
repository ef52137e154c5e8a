#include "util/Strings.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

struct TokenCase {
    std::string Text;
    char Delimiter;
    int Count;
    std::vector<std::string> Tokens; // index 0 .. Count-1
};

TEST(DelimitedList, CountsAndTokensFollowTheDelimiters) {
    const TokenCase cases[] = {
        {"", ';', 0, {}},
        {"abc", ';', 1, {"abc"}},
        {"a;b;", ';', 3, {"a", "b", ""}},
        {";a", ';', 2, {"", "a"}},
        {"a;;b", ';', 3, {"a", "", "b"}},
        {";", ';', 2, {"", ""}},
        {"Norvano Brisa;Norvano Solan;Norvano Tavik",
         ';',
         3,
         {"Norvano Brisa", "Norvano Solan", "Norvano Tavik"}},
        {" a ; b", ';', 2, {" a ", " b"}},
        {"key=va=lue", '=', 3, {"key", "va", "lue"}},
        {"Ersatzteile für Händler;Zubehör", ';', 2, {"Ersatzteile für Händler", "Zubehör"}},
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(TokenCount(c.Text, c.Delimiter), c.Count);
        for (int i = 0; i < c.Count; ++i)
            EXPECT_EQ(ExtractToken(c.Text, c.Delimiter, i), c.Tokens[i]) << i;
        EXPECT_EQ(SplitTokens(c.Text, c.Delimiter), c.Tokens);
        // Past the end and before the start there is nothing.
        EXPECT_EQ(ExtractToken(c.Text, c.Delimiter, c.Count), "");
        EXPECT_EQ(ExtractToken(c.Text, c.Delimiter, -1), "");
    }
}

TEST(DelimitedList, IndexZeroOfATextWithoutDelimiterIsTheWholeText) {
    EXPECT_EQ(ExtractToken("", ';', 0), "");
    EXPECT_EQ(ExtractToken("abc", ';', 0), "abc");
    EXPECT_EQ(ExtractToken("abc", ';', 1), "");
    EXPECT_EQ(ExtractToken("a;b", ';', 1000000), "");
}

TEST(TrimControl, RemovesEveryCodeUpTo32FromBothEnds) {
    EXPECT_EQ(TrimControl(" \t\r\n\x01 Key  = v \x1f"), "Key  = v");
    EXPECT_EQ(TrimControl("   "), "");
    EXPECT_EQ(TrimControl("Grüße"), "Grüße"); // bytes of umlauts are above 127
}

TEST(ReplaceAll, ReplacesEachOccurrenceOnceLeftToRight) {
    EXPECT_EQ(ReplaceAll("a\n\rb\n\r", "\n\r", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceAll("\n\r\n\r", "\n\r", "\n"), "\n\n");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa"); // replaced text is not looked at again
    EXPECT_EQ(ReplaceAll("none", "x", "y"), "none");
}

TEST(SameText, IgnoresCaseOfAsciiAndGermanLetters) {
    const struct {
        const char* A;
        const char* B;
        bool Same;
    } cases[] = {
        {"Opt", "opt", true},
        {"DBFileListClient", "dbfilelistclient", true},
        {"Größe", "GRÖSSE", false},
        {"größe", "GRÖßE", true},
        {"Ärger", "ärger", true},
        {"Solan", "Solan ", false},
        {"", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameText(c.A, c.B), c.Same) << c.A << " / " << c.B;
}

TEST(MaskSecrets, HidesTheValueOfEveryPasswordSwitchAndNothingElse) {
    const struct {
        const char* Line;
        const char* Masked;
    } cases[] = {
        {"\"C:\\fb32.exe\" /SILENT /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"qb4-KT29vz\" /COMPONENTS=\"x\"",
         "\"C:\\fb32.exe\" /SILENT /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"***\" /COMPONENTS=\"x\""},
        {"tvinstall /proxypassword=geheim /PROXYUSER=max", "tvinstall /proxypassword=*** /PROXYUSER=max"},
        {"a /PASSWORD=\"ein Satz mit Blanks\"", "a /PASSWORD=\"***\""},
        {"a /SYSDBAPASSWORD=\"nie geschlossen", "a /SYSDBAPASSWORD=\"***\""},
        {"a /SYSDBAPASSWORD=", "a /SYSDBAPASSWORD=***"},
        {"/usr/bin/tvinstall /DIR=/srv/PASSWORD=x", "/usr/bin/tvinstall /DIR=/srv/PASSWORD=***"},
        {"/PASSWORDS=a /PASSWORD", "/PASSWORDS=a /PASSWORD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MaskSecrets(c.Line), c.Masked) << c.Line;
}

TEST(FormatText, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatText("%d - %s", {"1", "Norvano"}), "1 - Norvano");
    EXPECT_EQ(FormatText("Der Ordner %s ist nicht vorhanden.", {"/srv/Daten"}),
              "Der Ordner /srv/Daten ist nicht vorhanden.");
    EXPECT_EQ(FormatText("%s [ %s ]", {"Tarvo Installation", "Online Modus"}),
              "Tarvo Installation [ Online Modus ]");
    // An argument is never read as a pattern.
    EXPECT_EQ(FormatText("Datei %s", {"100%s.zip"}), "Datei 100%s.zip");
    EXPECT_EQ(FormatText("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(FormatText("50%% %x", {}), "50% %x");
}

} // namespace
} // namespace tv
