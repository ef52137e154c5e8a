#include "host/CommandLine.h"

#include <set>

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(CommandLine, ArgumentsSplitByTheRuntimeRules) {
    const struct {
        const char* Text;
        std::vector<std::string> Arguments;
    } cases[] = {
        {R"(/SILENT /NOCANCEL)", {"/SILENT", "/NOCANCEL"}},
        {R"(/DIR="C:\Program Files\Norvano 6" /TYPE="Client")",
         {R"(/DIR=C:\Program Files\Norvano 6)", "/TYPE=Client"}},
        {R"(/TASKS="UseServiceTask,UseSuperServerTask\UseGuardianTask")",
         {R"(/TASKS=UseServiceTask,UseSuperServerTask\UseGuardianTask)"}},
        {R"(a\\b c\\\\)", {R"(a\\b)", R"(c\\\\)"}}, // backslashes alone are literal
        {R"("a\"b")", {R"(a"b)"}},                  // odd count: a literal quote
        {R"("a\\"b)", {R"(a\b)"}},                  // even count: the quote closes
        {R"("a\\\"b")", {R"(a\"b)"}},
        {R"(/DIR="D:\")", {R"(/DIR=D:")"}}, // a folder ending in \ before the quote
        {R"("say ""hi""")", {R"(say "hi")"}},
        {"  spaced \t  out  ", {"spaced", "out"}},
        {R"("")", {""}},
        {"", {}},
        {R"(open"quote and more)", {"openquote and more"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitArguments(c.Text), c.Arguments) << c.Text;
}

TEST(CommandLine, UnquotedProgramIsTheShortestPrefixThatExists) {
    const struct {
        const char* Line;
        std::set<std::string> Programs;
        std::string Program;
        std::vector<std::string> Arguments;
    } cases[] = {
        {"/tmp/my dir/nv_setup.exe /SILENT",
         {"/tmp/my dir/nv_setup.exe"},
         "/tmp/my dir/nv_setup.exe",
         {"/SILENT"}},
        // Another program named by a shorter prefix wins, as Windows does it.
        {"/tmp/my dir/nv_setup.exe /SILENT",
         {"/tmp/my", "/tmp/my dir/nv_setup.exe"},
         "/tmp/my",
         {"dir/nv_setup.exe", "/SILENT"}},
        {"\"/tmp/my dir/nv_setup.exe\" /SILENT",
         {"/tmp/my", "/tmp/my dir/nv_setup.exe"},
         "/tmp/my dir/nv_setup.exe",
         {"/SILENT"}},
        {"/tmp/tool", {"/tmp/tool"}, "/tmp/tool", {}},
        {"/tmp/missing /x", {}, "", {}},
        {"\"/tmp/missing\" /x", {}, "", {"/x"}},
        {"\"/tmp/unclosed", {"/tmp/unclosed"}, "/tmp/unclosed", {}},
        {"", {}, "", {}},
    };
    for (const auto& c : cases) {
        ProgramAndArguments parsed =
            ParseCommandLine(c.Line, [&](const std::string& path) { return c.Programs.count(path) > 0; });
        EXPECT_EQ(parsed.Program, c.Program) << c.Line;
        if (!c.Program.empty()) {
            EXPECT_EQ(parsed.Arguments, c.Arguments) << c.Line;
        }
    }
}

} // namespace
} // namespace tv
