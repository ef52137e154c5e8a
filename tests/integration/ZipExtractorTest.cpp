// The extractor against archives made by zip, 7z, bsdtar and Python, compared with what
// Info-ZIP's "unzip -j" makes of them; deflated, ZIP64, damaged and hostile archives.
// (What needs no other tool is tested on every platform in tests/host/.)
#include "host/ZipExtractor.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Archives.h"
#include "support/Files.h"
#include "support/StoredZip.h"
#include "support/ZipFixture.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

TEST_F(ZipTest, ArchivesOfCommonToolsExtractAsUnzipDoes) {
    const fs::path source = FDir / "source";
    std::mt19937 random(42);
    std::string noise(100000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string pages;
    for (int i = 0; i < 4000; ++i)
        pages += "PAGE " + std::to_string(i % 97) + std::string(60, static_cast<char>('a' + i % 26));
    Write(source / "readme.txt", "Norvano Datenbanken\n");
    Write(source / "db" / "nv.db", pages);
    Write(source / "empty.dat", "");
    Write(source / "Ordner" / "Größe und Maße.txt", "umlauts\n");
    Write(source / "sub" / "deep" / "noise.bin", noise);

    const std::string src = "'" + source.string() + "'";
    const struct {
        const char* Tool;
        std::string Command; // makes archive.zip from the source folder (working folder: source)
    } tools[] = {
        {"zip", "zip -q -r ../archive.zip ."},
        {"zip stored", "zip -q -0 -r ../archive.zip ."},
        {"zip zip64", "zip -q -r -fz ../archive.zip ."},
        {"zip to a pipe: data descriptors", "zip -q -r - . | cat > ../archive.zip"},
        {"7z", "7z a -tzip -bd ../archive.zip . > /dev/null"},
        {"bsdtar", "bsdtar --format zip -cf ../archive.zip ."},
        {"bsdtar to a pipe", "bsdtar --format zip -cf - . | cat > ../archive.zip"},
    };
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.Tool);
        fs::remove(FDir / "archive.zip");
        fs::remove_all(FDir / "unzip");
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        ASSERT_EQ(std::system(("cd " + src + " && " + tool.Command).c_str()), 0);
        ASSERT_EQ(std::system(("unzip -q -j -o '" + (FDir / "archive.zip").string() + "' -d '" +
                               (FDir / "unzip").string() + "'")
                                  .c_str()),
                  0);
        EXPECT_EQ(Extract(FDir / "archive.zip"), "");
        EXPECT_TRUE(FFailures.empty());
        auto ours = FolderContent(FDir / "out");
        auto theirs = FolderContent(FDir / "unzip");
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs);
        EXPECT_EQ(ours["Größe und Maße.txt"], "umlauts\n");
    }
}

TEST_F(ZipTest, PythonZip64AndNamesAndTimes) {
    MakeZip((FDir / "a.zip").string(),
            {{"db/Ersatzteile für Händler.db", std::string(70000, 'x')},
             {"leer.db", "", false},
             {"s.txt", "stored", false}},
            true);
    EXPECT_EQ(Extract(FDir / "a.zip"), "");
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "Ersatzteile für Händler.db"), std::string(70000, 'x'));
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "s.txt"), "stored");
    EXPECT_TRUE(fs::exists(FDir / "out" / "leer.db"));
    EXPECT_EQ(fs::file_size(FDir / "out" / "leer.db"), 0u);
    // 2024-05-17 13:45:30 local time, as stored.
    std::tm local{};
    local.tm_year = 124, local.tm_mon = 4, local.tm_mday = 17, local.tm_hour = 13, local.tm_min = 45,
    local.tm_sec = 30, local.tm_isdst = -1;
    auto expected =
        fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&local)));
    EXPECT_EQ(fs::last_write_time(FDir / "out" / "s.txt"), expected);
}

TEST_F(ZipTest, ProgressAndFolderEntries) {
    ASSERT_EQ(std::system(("cd '" + FDir.string() +
                           "' && mkdir -p t/db && printf x > t/db/nv.db && cd t && "
                           "zip -q ../f.zip db/ db/nv.db")
                              .c_str()),
              0);
    EXPECT_EQ(Extract(FDir / "f.zip"), "");
    EXPECT_EQ(FArchiveProgress, (std::vector<int>{50, 100, 100, 50, 100, 100}));
    EXPECT_EQ(FolderContent(FDir / "out"), (std::map<std::string, std::string>{{"nv.db", "x"}}));
    EXPECT_EQ(FItemProgress, std::vector<std::string>{"db/nv.db:100"});
}

TEST_F(ZipTest, ItemProgressReportsEachWholePercentAtMostOnce) {
    std::mt19937 random(7);
    std::string data(3'000'000, '\0');
    for (char& c : data)
        c = static_cast<char>(random() % 4 + 'a');
    MakeZip((FDir / "big.zip").string(), {{"big.db", data}, {"small.db", std::string(1000, 's')}});
    EXPECT_EQ(Extract(FDir / "big.zip"), "");
    std::vector<int> big;
    for (const std::string& report : FItemProgress)
        if (report.rfind("big.db:", 0) == 0) big.push_back(std::stoi(report.substr(7)));
    ASSERT_FALSE(big.empty());
    EXPECT_EQ(big.back(), 100);
    EXPECT_TRUE(std::is_sorted(big.begin(), big.end()));
    EXPECT_EQ(std::adjacent_find(big.begin(), big.end()), big.end()); // no value twice
    EXPECT_EQ(std::count(big.begin(), big.end(), 0), 0);
    EXPECT_EQ(FItemProgress.back(), "small.db:100"); // written in one piece: one report
}

TEST_F(ZipTest, DirectoryOfTwoMillionEntriesIsRefusedBeforeItIsRead) {
    // A sparse 100 MB file whose ZIP64 end record claims a directory of two million entries
    // (92 MB): room enough for them, so only the entry limit stops the reading.
    const fs::path archive = FDir / "many.zip";
    const std::uint64_t directorySize = 2'000'000ull * 46;
    const std::uint64_t zip64End = 100'000'000;
    { std::ofstream(archive, std::ios::binary); }
    fs::resize_file(archive, zip64End);
    const std::string tail = Zip64EndRecords(2'000'000, directorySize, 0, zip64End);
    std::ofstream(archive, std::ios::binary | std::ios::app) << tail;
    EXPECT_EQ(Extract(archive),
              "Das Archiv " + archive.string() + " hat zu viele Einträge (höchstens 1000000).");
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
}

TEST_F(ZipTest, DamagedAndHostileEntriesAreReportedAndTheRestIsWritten) {
    MakeZip(
        (FDir / "base.zip").string(),
        {{"good1.db", std::string(5000, 'g')}, {"bad.db", std::string(20000, 'b')}, {"good2.db", "fine"}});
    std::string bytes = testbed::ReadAll(FDir / "base.zip");
    auto patch = [](std::string archive, const std::function<void(std::string&)>& change) {
        change(archive);
        return archive;
    };
    // Offsets of the second entry's records.
    size_t local = bytes.find("PK\x03\x04", 1);
    size_t central = bytes.find("PK\x01\x02");
    central = bytes.find("PK\x01\x02", central + 1);
    const struct {
        const char* Name;
        std::string Archive;
        const char* Reason;
    } cases[] = {
        {"damaged data", patch(bytes, [&](std::string& a) { a[local + 30 + 6 + 3] ^= 0x55; }),
         "beschädigte Daten"},
        {"CRC mismatch",
         patch(bytes,
               [&](std::string& a) {
                   a[central + 16] ^= 1;
                   a[local + 14] ^= 1;
               }),
         "CRC"},
        {"unknown method", patch(bytes, [&](std::string& a) { a[central + 10] = 12; }),
         "unsupported compression method"},
        {"encrypted", patch(bytes, [&](std::string& a) { a[central + 8] |= 1; }), "invalid password"},
        {"newer version", patch(bytes, [&](std::string& a) { a[central + 6] = 63 + 1; }),
         "newer version required"},
        {"declared smaller than the data",
         patch(bytes,
               [&](std::string& a) {
                   a[central + 24] = 100;
                   a[central + 25] = 0;
               }),
         "mehr Daten als angegeben"},
        {"local header damaged", patch(bytes, [&](std::string& a) { a[local] = 'X'; }), "not a PKZip file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        FFailures.clear();
        Write(FDir / "case.zip", c.Archive);
        EXPECT_EQ(Extract(FDir / "case.zip"), "");
        ASSERT_EQ(FFailures.size(), 1u);
        EXPECT_EQ(FFailures[0].rfind("bad.db: ", 0), 0u) << FFailures[0];
        EXPECT_NE(FFailures[0].find(c.Reason), std::string::npos) << FFailures[0];
        // No half file, and the entries around it are written.
        EXPECT_EQ(
            FolderContent(FDir / "out"),
            (std::map<std::string, std::string>{{"good1.db", std::string(5000, 'g')}, {"good2.db", "fine"}}));
    }
}

} // namespace
} // namespace tv
