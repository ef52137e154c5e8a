#include "util/IniStore.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

IniStore Load(const std::vector<std::string>& lines) {
    IniStore store;
    store.SetStrings(lines);
    return store;
}

struct LookupCase {
    const char* Name;
    std::vector<std::string> Lines;
    const char* Section;
    const char* Key;
    const char* Expected; // with default "<default>"
};

TEST(IniStore, LookupRules) {
    const LookupCase cases[] = {
        {"case-insensitive section and key", {"[opt]", "count=5"}, "Opt", "Count", "5"},
        {"first section of a name wins", {"[a]", "x=1", "[A]", "x=2"}, "a", "x", "1"},
        {"duplicate section never found", {"[a]", "y=1", "[A]", "x=2"}, "a", "x", "<default>"},
        {"first key of a name wins", {"[a]", "x=1", "X=2"}, "a", "x", "1"},
        {"blanks around key and value dropped", {"[s]", " Key  =  some value "}, "s", "key", "some value"},
        {"value keeps later equals signs", {"[s]", "k=a=b"}, "s", "k", "a=b"},
        {"lines before the first header dropped", {";k=1", "k=1", "[s]"}, "s", "k", "<default>"},
        {"comment line skipped", {"[s]", ";k=1", "k=2"}, "s", "k", "2"},
        {"bare line never found", {"[s]", "k", "k =3"}, "s", "k", "3"},
        {"empty value is a value", {"[s]", "k="}, "s", "k", ""},
        {"missing section", {"[s]", "k=1"}, "t", "k", "<default>"},
        {"missing key", {"[s]", "k=1"}, "s", "j", "<default>"},
        {"section name trimmed", {"[  s \t]", "k=1"}, "s", "k", "1"},
        {"control characters trimmed", {"\t[s]\r", "\x01k\x02=\x03v\x04"}, "s", "k", "v"},
        {"header with unmatched bracket is a line", {"[s]", "[t", "k=1"}, "s", "k", "1"},
        {"empty section name", {"[]", "k=1"}, "", "k", "1"},
        {"umlauts in keys match case-insensitively", {"[Größe]", "Ärger=1"}, "GRÖßE", "ärger", "1"},
        {"key with leading blank is not trimmed at lookup", {"[s]", "k=1"}, "s", " k", "<default>"},
    };
    for (const LookupCase& c : cases) {
        IniStore store = Load(c.Lines);
        EXPECT_EQ(store.ReadString(c.Section, c.Key, "<default>"), c.Expected) << c.Name;
    }
}

TEST(IniStore, SetStringsReplacesAndClearEmpties) {
    IniStore store = Load({"[a]", "x=1"});
    store.SetStrings({"[b]", "y=2"});
    EXPECT_EQ(store.ReadString("a", "x", "-"), "-");
    EXPECT_EQ(store.ReadString("b", "y", "-"), "2");
    store.Clear();
    EXPECT_TRUE(store.Empty());
    EXPECT_EQ(store.ReadString("b", "y", "-"), "-");
}

TEST(IniStore, ReadIntegerConversions) {
    constexpr int Invalid = 12345; // the default, returned for what does not convert
    const struct {
        const char* Value;
        int Expected;
    } cases[] = {
        {"5", 5},
        {"0x1A", 26},
        {"0X1a", 26},
        {"$1A", 26},
        {"-12", -12},
        {"+7", 7},
        {"12abc", Invalid},
        {"", Invalid},
        {"0x", Invalid}, // too short to be rewritten, and "0x" is no number
        {"$", Invalid},
        {"1 2", Invalid},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", Invalid},
        {"$FFFFFFFF", -1},
        {"0x7FFFFFFF", 2147483647},
        {"$100000000", Invalid},
        {"99999999999999999999", Invalid},
    };
    for (const auto& c : cases) {
        IniStore store = Load({"[s]", std::string("k=") + c.Value});
        EXPECT_EQ(store.ReadInteger("s", "k", Invalid), c.Expected) << c.Value;
    }
    EXPECT_EQ(Load({}).ReadInteger("s", "k", 42), 42);
}

} // namespace
} // namespace tv
