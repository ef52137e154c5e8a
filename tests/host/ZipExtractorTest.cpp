// The extractor on every platform, with archives the tests write themselves: its events,
// the overwrite question, failures when opening, an abort, and names that would leave
// the target folder.
#include "host/ZipExtractor.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>
#include <zlib.h>

#include "host/FileIo.h"
#include "support/StoredZip.h"
#include "support/ZipFixture.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

TEST_F(ZipTest, FourEntriesReportQuarters) {
    MakeStoredZip((FDir / "four.zip").string(), {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    EXPECT_EQ(Extract(FDir / "four.zip"), "");
    EXPECT_EQ(FArchiveProgress, (std::vector<int>{25, 50, 75, 100, 100, 25, 50, 75, 100, 100}));
}

// Headers and small entries are read through a window of the archive: entries of every
// size around its bounds must come out whole, and a second archive through the same
// extractor must not be served the first one's bytes.
TEST_F(ZipTest, EntriesAcrossTheReadWindowComeOutWhole) {
    std::mt19937 random(7);
    auto archive = [&](const std::string& name, unsigned char fill) {
        std::vector<StoredEntry> entries;
        std::map<std::string, std::string> expected;
        for (size_t size : {size_t{0}, size_t{1}, size_t{700}, size_t{16 * 1024 - 40}, size_t{16 * 1024},
                            size_t{16 * 1024 + 1}, size_t{3000}, size_t{40 * 1024}, size_t{9}}) {
            for (int copy = 0; copy < 3; ++copy) {
                std::string bytes(size, static_cast<char>(fill));
                for (char& c : bytes)
                    c = static_cast<char>(c ^ random());
                const std::string entry = std::to_string(expected.size()) + ".bin";
                entries.push_back({entry, bytes});
                expected[entry] = bytes;
            }
        }
        MakeStoredZip((FDir / name).string(), entries);
        return expected;
    };
    const auto first = archive("first.zip", 0x00);
    const auto second = archive("second.zip", 0x5A);
    FZip.BaseDirectory = (FDir / "out").string();
    for (const auto& [name, expected] : {std::pair{"first.zip", first}, std::pair{"second.zip", second}}) {
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        FZip.SetFileName((FDir / name).string());
        FZip.ExtractFiles("*.*");
        EXPECT_TRUE(FFailures.empty()) << name << ": " << FFailures.front();
        EXPECT_EQ(FolderContent(FDir / "out"), expected) << name;
    }
}

TEST_F(ZipTest, ATargetFolderThatGoesDuringTheArchiveFailsItAsAMissingOneWould) {
    MakeStoredZip((FDir / "three.zip").string(), {{"a", "1"}, {"b", "2"}, {"c", "3"}});
    const std::string before = Extract(FDir / "three.zip", FDir / "missing");
    FZip.OnArchiveProgress = [this](int progress, bool&) {
        if (progress == 33) fs::remove_all(FDir / "out"); // looked at once, gone after the first entry
    };
    EXPECT_EQ(Extract(FDir / "three.zip"), before);
    EXPECT_FALSE(before.empty());
    EXPECT_TRUE(FFailures.empty()); // the archive fails, not its entries one by one
}

// Large entries are inflated on a second thread: what the extraction reports must stay as
// one thread would report it: each entry's progress rising to 100, entries in the
// archive's order, none lost, an abort at once, damage in its place. The files take their
// names together once the archive's data are on the disk: then each is reported whole, in
// the same order.
TEST_F(ZipTest, LargeEntriesKeepTheirEventsInOrderAndNoneIsLost) {
    auto pattern = [](size_t size, unsigned seed) { // no run of it repeats elsewhere
        std::mt19937 random(seed);
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        return bytes;
    };
    // Each large one above the size from which the second thread takes over (1 MiB).
    const std::vector<StoredEntry> entries = {{"big1.db", pattern(3 << 19, 1)},
                                              {"small.db", "klein"},
                                              {"big2.db", pattern((1 << 20) + 12345, 2)},
                                              {"big3.db", pattern(2 << 20, 3)}};
    MakeStoredZip(Utf8Of(FDir / "large.zip"), entries);
    std::vector<std::string> events;
    int abortAt = -1; // in big2.db
    FZip.OnArchiveItemProgress = [&](const ZipEntry& entry, int progress, bool& abort) {
        events.push_back(entry.FileName + ":" + std::to_string(progress));
        abort = abortAt >= 0 && entry.FileName == "big2.db" && progress >= abortAt;
    };
    FZip.OnItemExtracted = [&](const ZipEntry& entry) { events.push_back(entry.FileName + ":whole"); };
    // The first `whole` entries' progress complete and in order from `at`; returns where it ended.
    auto expectProgressInOrder = [&](size_t whole, size_t at = 0) -> size_t {
        for (size_t k = 0; k < whole; ++k) {
            SCOPED_TRACE(entries[k].Name);
            int last = 0;
            for (; at < events.size() && events[at].rfind(entries[k].Name + ":", 0) == 0 &&
                   events[at] != entries[k].Name + ":whole";
                 ++at) {
                const int progress = std::stoi(events[at].substr(entries[k].Name.size() + 1));
                EXPECT_GT(progress, last);
                last = progress;
            }
            EXPECT_EQ(last, 100);
        }
        return at;
    };
    // ... and then each of them whole, in order, at its place.
    auto expectWholeInOrder = [&](size_t whole, size_t at) {
        for (size_t k = 0; k < whole; ++k) {
            SCOPED_TRACE(entries[k].Name);
            ASSERT_LT(at, events.size()) << "no end of " << entries[k].Name;
            EXPECT_EQ(events[at++], entries[k].Name + ":whole");
            EXPECT_EQ(testbed::ReadAll(FDir / "out" / entries[k].Name), entries[k].Content);
        }
        EXPECT_EQ(at, events.size());
    };

    EXPECT_EQ(Extract(FDir / "large.zip"), "");
    expectWholeInOrder(entries.size(), expectProgressInOrder(entries.size()));

    // An abort in the middle of a large entry: at once, nothing after it, its file gone; the
    // entries before it whole.
    events.clear();
    fs::remove_all(FDir / "out");
    fs::create_directories(FDir / "out");
    abortAt = 50;
    EXPECT_EQ(Extract(FDir / "large.zip"), "Process aborted by user");
    size_t at = expectProgressInOrder(2);
    ASSERT_LT(at, events.size());
    int stoppedAt = 0;
    for (; at < events.size() && events[at].rfind("big2.db:", 0) == 0; ++at)
        stoppedAt = std::stoi(events[at].substr(8));
    EXPECT_GE(stoppedAt, 50);
    EXPECT_LT(stoppedAt, 100);
    expectWholeInOrder(2, at);
    EXPECT_FALSE(fs::exists(FDir / "out" / "big2.db"));
    EXPECT_FALSE(fs::exists(FDir / "out" / "big3.db"));

    // Damage inside the third entry: it alone fails, after its own progress; the last is whole.
    abortAt = -1;
    events.clear();
    fs::remove_all(FDir / "out");
    fs::create_directories(FDir / "out");
    std::string archive = testbed::ReadAll(FDir / "large.zip");
    const size_t inBig2 = archive.find(entries[2].Content.substr(1 << 19, 64));
    ASSERT_NE(inBig2, std::string::npos);
    archive[inBig2] = static_cast<char>(archive[inBig2] ^ 0x5A);
    Write(FDir / "damaged.zip", archive);
    EXPECT_EQ(Extract(FDir / "damaged.zip"), "");
    EXPECT_EQ(FFailures, std::vector<std::string>{"big2.db: beschädigte Daten: CRC-Fehler"});
    EXPECT_FALSE(fs::exists(FDir / "out" / "big2.db"));
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "big3.db"), entries[3].Content);
    EXPECT_EQ(events.back(), "big3.db:whole");
}

// The target is looked at before its entry is written and named after: a file that turns
// up in between (a database the application just created) is an existing file like any
// other. Asked about, it stays when refused and is replaced whole when confirmed.
TEST_F(ZipTest, AFileThatTurnsUpWhileItsEntryIsWrittenMeetsTheQuestion) {
    for (bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "confirmed" : "refused");
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        FAsked.clear();
        FConfirm = confirm;
        MakeStoredZip(Utf8Of(FDir / "race.zip"), {{"nv.db", std::string(1 << 20, 'a')}, {"other.db", "o"}});
        FZip.OnArchiveItemProgress = [this](const ZipEntry& entry, int progress, bool&) {
            if (entry.FileName == "nv.db" && progress == 50) Write(FDir / "out" / "nv.db", "live data");
        };
        EXPECT_EQ(Extract(FDir / "race.zip"), "");
        EXPECT_EQ(FAsked, std::vector<std::string>{Utf8Of(FDir / "out" / "nv.db")});
        EXPECT_EQ(FolderContent(FDir / "out"),
                  (std::map<std::string, std::string>{
                      {"nv.db", confirm ? std::string(1 << 20, 'a') : "live data"}, {"other.db", "o"}}));
    }
}

// What a killed run left half written goes when the next one writes into the folder; no
// archive can bring a file of that kind of name, nor have a real file taken for one.
TEST_F(ZipTest, LeftoversOfAnInterruptedRunGoAndTheirNamesAreRefused) {
    Write(FDir / "out" / "nv.db.tvnew", "half a database");
    Write(FDir / "out" / "keep.db", "kept");
    MakeStoredZip(Utf8Of(FDir / "n.zip"), {{"nv_sec.db", "s"}, {"x.db.tvnew", "x"}, {"Y.TVNEW", "y"}});
    EXPECT_EQ(Extract(FDir / "n.zip"), "");
    EXPECT_EQ(FolderContent(FDir / "out"),
              (std::map<std::string, std::string>{{"keep.db", "kept"}, {"nv_sec.db", "s"}}));
    EXPECT_EQ(FFailures, (std::vector<std::string>{
                             "x.db.tvnew: ungültiger Dateiname (so heißen nur halb geschriebene Dateien)",
                             "Y.TVNEW: ungültiger Dateiname (so heißen nur halb geschriebene Dateien)"}));
}

TEST_F(ZipTest, OverwriteQuestion) {
    MakeStoredZip((FDir / "two.zip").string(), {{"a/x.db", "first"}, {"b/x.db", "second"}});
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
    MakeStoredZip((FDir / "nv.zip").string(), {{"nv.db", "new"}});
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
    MakeStoredZip((FDir / "ok.zip").string(), {{"a", "1"}});
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

TEST_F(ZipTest, EmptyArchiveReportsOnceAndExtractsNothing) {
    Write(FDir / "none.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    EXPECT_EQ(Extract(FDir / "none.zip"), "");
    EXPECT_EQ(FArchiveProgress, std::vector<int>{100});
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
}

TEST_F(ZipTest, AbortDuringTheThirdOfFiveEntriesFinishesItAndStops) {
    MakeStoredZip((FDir / "five.zip").string(), {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}});
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

TEST_F(ZipTest, NamesThatLeaveTheFolderAreRefused) {
    for (const char* name : {"..", "db/..", "a/.", "c:evil.db", "tab\there.db", "dir\\..\\"}) {
        SCOPED_TRACE(name);
        fs::remove_all(FDir / "out");
        fs::create_directories(FDir / "out");
        FFailures.clear();
        MakeStoredZip((FDir / "n.zip").string(), {{name, "x"}, {"ok.db", "y"}});
        EXPECT_EQ(Extract(FDir / "n.zip"), "");
        EXPECT_EQ(FolderContent(FDir / "out"), (std::map<std::string, std::string>{{"ok.db", "y"}}));
    }
    // Backslashes separate as slashes do: only the bare name lands, inside the folder.
    fs::remove_all(FDir / "out");
    fs::create_directories(FDir / "out");
    MakeStoredZip((FDir / "w.zip").string(), {{"..\\..\\evil.db", "z"}});
    EXPECT_EQ(Extract(FDir / "w.zip"), "");
    EXPECT_EQ(FolderContent(FDir / "out"), (std::map<std::string, std::string>{{"evil.db", "z"}}));
}

TEST_F(ZipTest, AbortDuringAnEntryStopsAtOnceAndKeepsTheFileItWouldReplace) {
    Write(FDir / "out" / "parts.db", "old parts");
    MakeStoredZip(Utf8Of(FDir / "parts.zip"),
                  {{"first.db", "first"}, {"parts.db", std::string(1 << 20, 'p')}, {"last.db", "last"}});
    FZip.OnArchiveItemProgress = [](const ZipEntry& entry, int progress, bool& abort) {
        abort = entry.FileName == "parts.db" && progress >= 25; // the entry is written in pieces
    };
    EXPECT_EQ(Extract(FDir / "parts.zip"), "Process aborted by user");
    EXPECT_EQ(FolderContent(FDir / "out"),
              (std::map<std::string, std::string>{{"first.db", "first"}, {"parts.db", "old parts"}}));
}

TEST_F(ZipTest, StoredAttributesAreGivenToTheFiles) {
    const struct {
        const char* Name;
        std::uint32_t Attributes;
    } cases[] = {{"plain.db", 0},          {"readonly.db", DosReadOnly}, {"hidden.db", DosHidden},
                 {"system.db", DosSystem}, {"archive.db", DosArchive},   {"all.db", 0x27}};
    std::vector<StoredEntry> entries;
    for (const auto& c : cases)
        entries.push_back({c.Name, c.Name, c.Attributes});
    MakeStoredZip(Utf8Of(FDir / "attributes.zip"), entries);
    EXPECT_EQ(Extract(FDir / "attributes.zip"), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path file = FDir / "out" / c.Name;
        EXPECT_EQ(testbed::ReadAll(file), c.Name);
#ifdef _WIN32
        const DWORD kept =
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        const DWORD actual = GetFileAttributesW(file.wstring().c_str()) & kept;
        // Wine reports the archive bit on every file: only a stored one is checked.
        EXPECT_EQ(actual & ~FILE_ATTRIBUTE_ARCHIVE, c.Attributes & ~FILE_ATTRIBUTE_ARCHIVE);
        if (c.Attributes & DosArchive) {
            EXPECT_TRUE(actual & FILE_ATTRIBUTE_ARCHIVE);
        }
        SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_NORMAL); // so that it can be removed
#else
        const bool writable = (fs::status(file).permissions() & fs::perms::owner_write) != fs::perms::none;
        EXPECT_EQ(writable, (c.Attributes & DosReadOnly) == 0);
#endif
    }
}

#ifndef _WIN32
// Entry times are local times: each file gets what mktime makes of its entry's time, also
// where daylight saving begins (a missing hour) or ends (an hour twice), and for values
// out of range, which mktime carries over.
TEST_F(ZipTest, EntryTimesAreLocalTimesAcrossDaylightSavingChanges) {
    const char* zone = std::getenv("TZ");
    const std::string previous = zone ? zone : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    auto dos = [](int year, int month, int day, int hour, int minute, int second) {
        return std::pair<std::uint16_t, std::uint16_t>{
            static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day),
            static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2))};
    };
    const std::pair<std::uint16_t, std::uint16_t> times[] = {
        dos(2026, 3, 29, 1, 59, 58),  dos(2026, 3, 29, 2, 30, 0),
        dos(2026, 3, 29, 3, 0, 2),    dos(2026, 10, 25, 2, 30, 0),
        dos(2026, 10, 25, 3, 15, 10), dos(2024, 5, 17, 13, 45, 30),
        dos(2024, 5, 17, 13, 50, 0),  dos(2099, 12, 31, 23, 59, 58),
        dos(1980, 1, 1, 0, 0, 0),     {static_cast<std::uint16_t>((44 << 9) | (13 << 5) | 1), 0}, // month 13
    };
    std::vector<StoredEntry> entries;
    for (const auto& [date, time] : times)
        entries.push_back({"t" + std::to_string(entries.size()), "x", 0, time, date});
    MakeStoredZip(Utf8Of(FDir / "times.zip"), entries);
    EXPECT_EQ(Extract(FDir / "times.zip"), "");
    for (size_t i = 0; i < entries.size(); ++i) {
        std::tm local{};
        local.tm_year = ((entries[i].DosDate >> 9) & 0x7F) + 80;
        local.tm_mon = ((entries[i].DosDate >> 5) & 0x0F) - 1;
        local.tm_mday = entries[i].DosDate & 0x1F;
        local.tm_hour = entries[i].DosTime >> 11;
        local.tm_min = (entries[i].DosTime >> 5) & 0x3F;
        local.tm_sec = (entries[i].DosTime & 0x1F) * 2;
        local.tm_isdst = -1;
        const std::time_t expected = std::mktime(&local);
        if (expected == static_cast<std::time_t>(-1)) continue; // past a 32-bit time_t: no time is given
        const auto actual = std::chrono::system_clock::to_time_t(
            fs::file_time_type::clock::to_sys(fs::last_write_time(FDir / "out" / entries[i].Name)));
        EXPECT_EQ(actual, expected) << entries[i].Name;
    }
    if (zone)
        setenv("TZ", previous.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

// An empty entry whose local extra field hides a second entry's header and data: the
// second shares the first's bytes, which only the local header's real length shows.
TEST_F(ZipTest, EntryHiddenInAnotherEntrysLocalHeaderIsRefused) {
    const std::string hidden = "shared bytes";
    StoredRecord inner{"b.db", Crc(hidden), static_cast<std::uint32_t>(hidden.size()), ""};
    const std::string innerBytes = LocalHeader(inner) + hidden;
    StoredRecord outer{"a.db", Crc(""), 0,
                       LittleEndian(0x9999, 2) + LittleEndian(innerBytes.size(), 2) + innerBytes};
    inner.Offset = 30 + 4 + 4; // after "a.db" and the extra field's own header
    const std::string outerBytes = LocalHeader(outer);
    outer.Extra.clear(); // the directory record holds no extra field
    const std::string directory = DirectoryRecord(outer) + DirectoryRecord(inner);
    Write(FDir / "hidden.zip", outerBytes + directory + EndRecord(2, directory.size(), outerBytes.size()));
    EXPECT_EQ(Extract(FDir / "hidden.zip"), "Invalid file - not a PKZip file");
    EXPECT_TRUE(FolderContent(FDir / "out").empty());
}

// A stored entry of zeros larger than 4 GiB, then an entry whose header lies past 4 GiB:
// sizes and offsets in ZIP64 fields, read and written by a program of any word size. The
// zeros are a hole in the archive file, so it is made at once; unpacking writes 4 GiB.
TEST_F(ZipTest, EntryAndOffsetsPastFourGibibytes) {
    if (!std::getenv("TV_LARGE_ZIP64")) GTEST_SKIP() << "writes 4 GiB: run with TV_LARGE_ZIP64=1";
    constexpr std::uint64_t BigSize = (4ull << 30) + 4096;
    constexpr std::uint32_t Escaped = 0xFFFFFFFF; // "see the ZIP64 field"
    const std::string after = "after four gibibytes";
    // The CRC of the zeros, from one block's CRC combined as often as the blocks repeat.
    const std::string block(1 << 20, '\0');
    const uLong blockCrc =
        crc32(0L, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    uLong bigCrc = crc32(0L, Z_NULL, 0);
    for (std::uint64_t done = 0; done + block.size() <= BigSize; done += block.size())
        bigCrc = crc32_combine(bigCrc, blockCrc, static_cast<z_off_t>(block.size()));
    bigCrc = crc32(bigCrc, reinterpret_cast<const Bytef*>(block.data()),
                   static_cast<uInt>(BigSize % block.size()));

    const std::string bigSizes =
        LittleEndian(1, 2) + LittleEndian(16, 2) + LittleEndian(BigSize, 8) + LittleEndian(BigSize, 8);
    const StoredRecord big{"big.db", static_cast<std::uint32_t>(bigCrc), Escaped, bigSizes};
    const std::string bigHeader = LocalHeader(big);
    const std::uint64_t afterOffset = bigHeader.size() + BigSize;
    StoredRecord second{"after.db", Crc(after), static_cast<std::uint32_t>(after.size()), ""};
    const std::string afterHeader = LocalHeader(second);
    second.Offset = Escaped;
    second.Extra = LittleEndian(1, 2) + LittleEndian(8, 2) + LittleEndian(afterOffset, 8);
    const std::string directory = DirectoryRecord(big) + DirectoryRecord(second);
    const std::uint64_t directoryOffset = afterOffset + afterHeader.size() + after.size();
    const std::string tail =
        directory + Zip64EndRecords(2, directory.size(), directoryOffset, directoryOffset + directory.size());

    const fs::path archive = FDir / "large.zip";
    std::ofstream(archive, std::ios::binary) << bigHeader;
    fs::resize_file(archive, afterOffset); // the zeros: a hole
    std::ofstream(archive, std::ios::binary | std::ios::app) << afterHeader << after << tail;

    EXPECT_EQ(Extract(archive), "");
    EXPECT_TRUE(FFailures.empty()) << FFailures.front();
    EXPECT_EQ(fs::file_size(FDir / "out" / "big.db"), BigSize);
    EXPECT_EQ(testbed::ReadAll(FDir / "out" / "after.db"), after);
    EXPECT_EQ(FItemProgress.back(), "after.db:100");
    fs::remove(FDir / "out" / "big.db");
}

} // namespace
} // namespace tv
