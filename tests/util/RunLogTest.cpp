// The run log: one line per event, earlier logs kept up to five, and a log that cannot
// be written reported once without stopping anything.
#include "util/RunLog.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tv {
namespace {

namespace fs = std::filesystem;

class RunLogTest : public testing::Test {
protected:
    RunLogTest() : FDir(fs::temp_directory_path() / ("tv-runlog-" + std::to_string(getpid()))) {
        fs::create_directories(FDir);
    }
    ~RunLogTest() override { fs::remove_all(FDir); }
    std::string Path(const char* name) const { return (FDir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path FDir;
};

TEST_F(RunLogTest, KeepsTheFivePreviousLogsNewestFirst) {
    const std::string path = Path("tvinstall.log");
    for (int run = 1; run <= 7; ++run) {
        RunLog log;
        ASSERT_TRUE(log.Open(path));
        log.Line("run " + std::to_string(run));
    }
    EXPECT_NE(Read(path).find("run 7"), std::string::npos);
    for (int number = 1; number <= KeptRunLogs; ++number)
        EXPECT_NE(Read(EarlierRunLogName(path, number)).find("run " + std::to_string(7 - number)),
                  std::string::npos)
            << number;
    EXPECT_FALSE(fs::exists(EarlierRunLogName(path, KeptRunLogs + 1)));
    EXPECT_EQ(EarlierRunLogName(Path("setup"), 2), Path("setup.2"));
}

// A second start that ends at once adds its lines to the log of a run still going, which
// keeps writing after them: neither overwrites the other, nothing moves aside.
TEST_F(RunLogTest, AppendedLinesStayBetweenTheRunningLogsLines) {
    const std::string path = Path("tvinstall.log");
    RunLog running;
    ASSERT_TRUE(running.Open(path));
    running.Line("first of the run");
    RunLog second;
    ASSERT_TRUE(second.Append(path));
    second.Line("already running");
    running.Line("second of the run");
    const std::string text = Read(path);
    const size_t first = text.find("first of the run"), appended = text.find("already running"),
                 last = text.find("second of the run");
    ASSERT_NE(appended, std::string::npos) << text;
    ASSERT_NE(last, std::string::npos) << text;
    EXPECT_LT(first, appended);
    EXPECT_LT(appended, last);
    EXPECT_FALSE(fs::exists(EarlierRunLogName(path, 1)));
}

#ifndef _WIN32
// The log tells how the machine is set up: its owner alone reads it, and earlier logs too.
TEST_F(RunLogTest, LogsAreReadableByTheirOwnerOnly) {
    const std::string path = Path("tvinstall.log");
    std::ofstream(path) << "an older version's log";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    RunLog log;
    ASSERT_TRUE(log.Open(path));
    log.Line("x");
    for (const std::string& file : {path, EarlierRunLogName(path, 1)})
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write) << file;
}
#endif

TEST_F(RunLogTest, WritesOneStampedLinePerEventWhateverItsBreaks) {
    RunLog log;
    ASSERT_TRUE(log.Open(Path("a.log")));
    log.Line("Seite \"Fehler\": Bei der Installation\n\rDatei fehlt\r\nZeile 3\nEnde ü");
    const std::string text = Read(Path("a.log"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_NE(text.find("Bei der Installation | Datei fehlt | Zeile 3 | Ende ü\n"), std::string::npos);
    // "2026-12-10 15:07:35.123  ": the date, the time to the millisecond, two blanks.
    ASSERT_GT(text.size(), 25u);
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[10], ' ');
    EXPECT_EQ(text[19], '.');
    EXPECT_EQ(text.substr(23, 2), "  ");
}

TEST_F(RunLogTest, ALogThatCannotBeWrittenWarnsOnceAndStopsNothing) {
    RunLog log;
    std::vector<std::string> warnings;
    log.OnFailure = [&](const std::string& warning) { warnings.push_back(warning); };
    EXPECT_FALSE(log.Open(Path("missing/folder/tvinstall.log")));
    log.Line("lost");
    EXPECT_FALSE(log.Open(Path("missing/again.log")));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("kann nicht geschrieben werden"), std::string::npos);
}

} // namespace
} // namespace tv
