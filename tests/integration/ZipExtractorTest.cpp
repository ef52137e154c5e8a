// The extractor against archives made by zip, 7z, bsdtar and Python, compared with what
// Info-ZIP's "unzip -j" makes of them; its events; and damaged and hostile archives.
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

#include "support/Files.h"

#include "support/Archives.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::map<std::string, std::string> FolderContent(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = testbed::ReadAll(entry.path());
    return files;
}

class ZipTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tv-zip-test-" + std::to_string(getpid()));
        fs::remove_all(FDir);
        fs::create_directories(FDir / "out");
        FZip.OnArchiveProgress = [this](int progress, bool& abort) {
            FArchiveProgress.push_back(progress);
            if (FAbortAt >= 0 && progress >= FAbortAt) abort = true;
        };
        FZip.OnArchiveItemProgress = [this](const ZipEntry& entry, int progress, bool&) {
            FItemProgress.push_back(entry.FileName + ":" + std::to_string(progress));
        };
        FZip.OnConfirmOverwrite = [this](std::string& name, bool& confirm) {
            FAsked.push_back(name);
            confirm = FConfirm;
        };
        FZip.OnItemFailure = [this](const ZipEntry& entry, const std::string& reason) {
            FFailures.push_back(entry.FileName + ": " + reason);
        };
    }
    void TearDown() override { fs::remove_all(FDir); }
    // Opens and extracts into out/; the failure text, or empty.
    std::string Extract(const fs::path& archive, const fs::path& target = {}) {
        FZip.BaseDirectory = (target.empty() ? FDir / "out" : target).string();
        try {
            FZip.SetFileName(archive.string());
            FZip.ExtractFiles("*.*");
            FZip.SetFileName("");
            return "";
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    ZipExtractor FZip;
    fs::path FDir;
    std::vector<int> FArchiveProgress;
    std::vector<std::string> FItemProgress;
    std::vector<std::string> FAsked;
    std::vector<std::string> FFailures;
    bool FConfirm = true;
    int FAbortAt = -1;
};

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

TEST_F(ZipTest, FourEntriesReportQuarters) {
    MakeZip((FDir / "four.zip").string(), {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    EXPECT_EQ(Extract(FDir / "four.zip"), "");
    EXPECT_EQ(FArchiveProgress, (std::vector<int>{25, 50, 75, 100, 100, 25, 50, 75, 100, 100}));
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

TEST_F(ZipTest, OverwriteQuestion) {
    MakeZip((FDir / "two.zip").string(), {{"a/x.db", "first"}, {"b/x.db", "second"}});
    EXPECT_EQ(Extract(FDir / "two.zip"), "");
    EXPECT_EQ(FAsked, std::vector<std::string>{(FDir / "out" / "x.db").string()});
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "x.db"), "second");

    // Refused: the file keeps its content and date, no item progress, archive progress as usual.
    FConfirm = false;
    FAsked.clear();
    FItemProgress.clear();
    FArchiveProgress.clear();
    Write(FDir / "out" / "nv.db", "live data");
    auto date = fs::last_write_time(FDir / "out" / "nv.db");
    MakeZip((FDir / "nv.zip").string(), {{"nv.db", "new"}});
    FZip.BaseDirectory = (FDir / "out").string() + "/"; // one delimiter in the question, not two
    FZip.SetFileName((FDir / "nv.zip").string());
    FZip.ExtractFiles("*.*");
    EXPECT_EQ(FAsked, std::vector<std::string>{(FDir / "out" / "nv.db").string()});
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "nv.db"), "live data");
    EXPECT_EQ(fs::last_write_time(FDir / "out" / "nv.db"), date);
    EXPECT_TRUE(FItemProgress.empty());
    EXPECT_EQ(FArchiveProgress, (std::vector<int>{100, 100, 100, 100}));
}

TEST_F(ZipTest, OpeningFailures) {
    Write(FDir / "empty.zip", "");
    Write(FDir / "page.zip", "<html><body>Anmeldung erforderlich</body></html>");
    MakeZip((FDir / "ok.zip").string(), {{"a", "1"}});
    std::string ok = testbed::ReadAll(FDir / "ok.zip");
    // A directory record whose signature is wrong.
    std::string badDirectory = ok;
    badDirectory[badDirectory.find("PK\x01\x02")] = 'X';
    Write(FDir / "baddir.zip", badDirectory);
    // An end record that claims more entries than the directory holds.
    std::string moreEntries = ok;
    size_t end = moreEntries.rfind("PK\x05\x06");
    moreEntries[end + 8] = moreEntries[end + 10] = 0x50;
    Write(FDir / "more.zip", moreEntries);
    const struct {
        const char* Name;
        fs::path Archive;
        fs::path Target;
        const char* Message;
    } cases[] = {
        {"missing archive", FDir / "none.zip", {}, "File not found"},
        {"empty archive file", FDir / "empty.zip", {}, "Invalid Stream"},
        {"HTML named zip", FDir / "page.zip", {}, "Unhandled Archive Type"},
        {"missing target folder", FDir / "ok.zip", FDir / "nowhere", "Directory does not exist"},
        {"damaged directory", FDir / "baddir.zip", {}, "Invalid file - not a PKZip file"},
        {"more entries than held", FDir / "more.zip", {}, "Invalid file - not a PKZip file"},
    };
    // Two directory records pointing at the same data: an archive of overlapping entries.
    std::string overlapping = ok;
    size_t central = overlapping.find("PK\x01\x02");
    size_t endRecord = overlapping.rfind("PK\x05\x06");
    std::string record = overlapping.substr(central, endRecord - central);
    overlapping.insert(endRecord, record);
    endRecord += record.size();
    overlapping[endRecord + 8] = overlapping[endRecord + 10] = 2;       // entries
    overlapping[endRecord + 12] = static_cast<char>(record.size() * 2); // directory size
    Write(FDir / "overlap.zip", overlapping);
    for (const auto& c : cases)
        EXPECT_EQ(Extract(c.Archive, c.Target), c.Message) << c.Name;
    EXPECT_EQ(Extract(FDir / "overlap.zip"), "Invalid file - not a PKZip file");
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
    ZipExtractor closed;
    EXPECT_THROW(closed.ExtractFiles("*.*"), ZipError);
    try {
        closed.ExtractFiles("*.*");
    } catch (const ZipError& e) {
        EXPECT_EQ(std::string(e.what()), "Archive does not exist - Filename is blank");
    }
}

std::string LittleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

TEST_F(ZipTest, DirectoryOfTwoMillionEntriesIsRefusedBeforeItIsRead) {
    // A sparse 100 MB file whose ZIP64 end record claims a directory of two million entries
    // (92 MB): room enough for them, so only the entry limit stops the reading.
    const fs::path archive = FDir / "many.zip";
    const std::uint64_t directorySize = 2'000'000ull * 46;
    const std::uint64_t zip64End = 100'000'000;
    { std::ofstream(archive, std::ios::binary); }
    fs::resize_file(archive, zip64End);
    std::string tail = LittleEndian(0x06064b50, 4) + LittleEndian(44, 8) + LittleEndian(45, 2) +
                       LittleEndian(45, 2) + LittleEndian(0, 4) + LittleEndian(0, 4) +
                       LittleEndian(2'000'000, 8) + LittleEndian(2'000'000, 8) +
                       LittleEndian(directorySize, 8) + LittleEndian(0, 8);
    tail += LittleEndian(0x07064b50, 4) + LittleEndian(0, 4) + LittleEndian(zip64End, 8) + LittleEndian(1, 4);
    tail += LittleEndian(0x06054b50, 4) + LittleEndian(0, 4) + LittleEndian(0xFFFF, 2) +
            LittleEndian(0xFFFF, 2) + LittleEndian(0xFFFFFFFF, 4) + LittleEndian(0xFFFFFFFF, 4) +
            LittleEndian(0, 2);
    std::ofstream(archive, std::ios::binary | std::ios::app) << tail;
    EXPECT_EQ(Extract(archive),
              "Das Archiv " + archive.string() + " hat zu viele Einträge (höchstens 1000000).");
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
}

TEST_F(ZipTest, EmptyArchiveReportsOnceAndExtractsNothing) {
    Write(FDir / "none.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    EXPECT_EQ(Extract(FDir / "none.zip"), "");
    EXPECT_EQ(FArchiveProgress, std::vector<int>{100});
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
}

TEST_F(ZipTest, AbortDuringTheThirdOfFiveEntriesFinishesItAndStops) {
    MakeZip((FDir / "five.zip").string(), {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}});
    FZip.BaseDirectory = (FDir / "out").string();
    FZip.SetFileName((FDir / "five.zip").string());
    FAbortAt = 60; // the report after the third entry
    try {
        FZip.ExtractFiles("*.*");
        FAIL() << "no abort";
    } catch (const ZipError& e) {
        EXPECT_EQ(std::string(e.what()), "Process aborted by user");
    }
    EXPECT_EQ(FolderContent(FDir / "out"),
              (std::map<std::string, std::string>{{"1", "a"}, {"2", "b"}, {"3", "c"}}));
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

TEST_F(ZipTest, NamesThatLeaveTheFolderAreRefused) {
    for (const char* name : {"..", "db/..", "a/.", "c:evil.db", "tab\there.db", "dir\\..\\"}) {
        SCOPED_TRACE(name);
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        FFailures.clear();
        MakeZip((FDir / "n.zip").string(), {{name, "x"}, {"ok.db", "y"}});
        EXPECT_EQ(Extract(FDir / "n.zip"), "");
        EXPECT_EQ(FolderContent(FDir / "out"), (std::map<std::string, std::string>{{"ok.db", "y"}}));
    }
    // Backslashes separate as slashes do: only the bare name lands, inside the folder.
    fs::remove_all(FDir / "out");
    fs::create_directories(FDir / "out");
    MakeZip((FDir / "w.zip").string(), {{"..\\..\\evil.db", "z"}});
    EXPECT_EQ(Extract(FDir / "w.zip"), "");
    EXPECT_EQ(FolderContent(FDir / "out"), (std::map<std::string, std::string>{{"evil.db", "z"}}));
}

} // namespace
} // namespace tv
