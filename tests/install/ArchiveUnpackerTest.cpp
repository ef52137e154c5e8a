// The archive unpacker on its own: the live-file rule, entry failures, the entry line.
#include "install/ArchiveUnpacker.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/StoredZip.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class ArchiveUnpackerTest : public testing::Test {
protected:
    ArchiveUnpackerTest() : FDir(fs::temp_directory_path() / ("tv-unpacker-" + std::to_string(getpid()))) {
        fs::remove_all(FDir);
        fs::create_directories(FDir / "data");
        FLog.Open((FDir / "run.log").string());
    }
    ~ArchiveUnpackerTest() override {
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }
    std::string Data() const { return (FDir / "data").string(); }

    fs::path FDir;
    RunLog FLog;
    ArchiveUnpacker FUnpacker{FLog};
};

TEST_F(ArchiveUnpackerTest, LiveDatabasesOfAnyCaseAreKeptAndLoggedEverythingElseMayBeReplaced) {
    const struct {
        const char* Name;
        bool MayOverwrite;
    } cases[] = {
        {"nv.db", false},      {"NV_IMG.DB", false}, {"sub/nv_sec.db", false}, {"sub\\Nv.Db", false},
        {"nv_parts.db", true}, {"nv.db.bak", true},  {"readme.txt", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FUnpacker.MayOverwrite(c.Name), c.MayOverwrite) << c.Name;
    const std::string log = testbed::ReadAll(FDir / "run.log");
    EXPECT_NE(log.find("Behalten, da in Gebrauch: NV_IMG.DB"), std::string::npos);
    EXPECT_EQ(log.find("nv_parts.db"), std::string::npos);
}

TEST_F(ArchiveUnpackerTest, EachArchiveReportsItsOwnFirstFailureAndCountsItsFiles) {
    const std::string archive = (FDir / "db_base.zip").string();
    testbed::MakeStoredZip(archive,
                           {{"nv.db", "neu"}, {"sub/", ""}, {"sub/a?.txt", "a"}, {"sub/b.txt", "b"}});
    std::vector<std::string> lines;
    FUnpacker.Extractor().ItemProgress = [&](int position) {
        if (position == 0) lines.push_back(FUnpacker.NextEntryLine()); // opening the archive too
    };
    FUnpacker.Extractor().OnItemFailure = [&](const ZipEntry& item, const std::string& reason) {
        FUnpacker.EntryFailed(item, reason);
    };
    FUnpacker.Extractor().OnConfirmOverwrite = [&](std::string& name, bool& confirm) {
        confirm = FUnpacker.MayOverwrite(name);
    };
    std::ofstream(FDir / "data" / "nv.db") << "live";

    FUnpacker.Unpack(archive, Data(), FDir.string());
    EXPECT_EQ(testbed::ReadAll(FDir / "data" / "nv.db"), "live");
    EXPECT_EQ(FUnpacker.FirstFailure(),
              "Datei sub/a?.txt wurde nicht entpackt: ungültiger Dateiname für Windows");
    EXPECT_EQ(testbed::ReadAll(FDir / "data" / "b.txt"), "b"); // the rest is written, without folders
    EXPECT_EQ(lines, (std::vector<std::string>{"", "db_base.zip \u2013 Datei 1 von 3",
                                               "db_base.zip \u2013 Datei 2 von 3",
                                               "db_base.zip \u2013 Datei 3 von 3"}));

    // The next archive starts without the last one's failure and counts anew.
    const std::string second = (FDir / "db_update.zip").string();
    testbed::MakeStoredZip(second, {{"c.txt", "c"}});
    lines.clear();
    FUnpacker.Unpack(second, Data(), FDir.string());
    EXPECT_EQ(FUnpacker.FirstFailure(), "");
    EXPECT_EQ(lines, (std::vector<std::string>{"", "db_update.zip \u2013 Datei 1 von 1"}));
    EXPECT_EQ(testbed::ReadAll(FDir / "data" / "c.txt"), "c");
}

TEST(ArchiveFailureLine, NamesTheArchiveAndTheDetailWhenThereIsOne) {
    EXPECT_EQ(ArchiveFailureLine("db.zip", ZipError("Ungültiges Archiv", "kein Endsatz")),
              "Archiv db.zip: Ungültiges Archiv (kein Endsatz)");
    EXPECT_EQ(ArchiveFailureLine("db.zip", ZipError("Ungültiges Archiv")),
              "Archiv db.zip: Ungültiges Archiv");
}

} // namespace
} // namespace tv
