// The database run against archives made in the test, on every platform: live databases
// against entry names that another spelling, Windows' rewriting of names or a device
// would turn into a write over them; archives and entries that cannot be unpacked.
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/StoredZip.h"
#include "support/WizardFixture.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using namespace testbed;

const std::map<std::string, std::string> LiveFiles = {
    {"nv.db", "live nv"}, {"nv_img.db", "live images"}, {"nv_sec.db", "live security"}};

std::map<std::string, std::string> FolderContent(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[Utf8Of(entry.path().filename())] = ReadAll(entry.path());
    return files;
}

class DatabaseArchiveTest : public WizardFixture {
protected:
    void SetUp() override {
        fs::create_directories(FMachine / "program" / "Packages");
        fs::create_directories(FMachine / "data");
        for (const auto& [name, content] : LiveFiles)
            std::ofstream(FMachine / "data" / name, std::ios::binary) << content;
        Create();
    }
    std::string Package(const std::string& name) const {
        return Utf8Of(FMachine / "program" / "Packages" / name);
    }
    void Run(const std::string& archives) {
        Click([](auto& d) { d.DoAction(pkDatabaseFiles); });
        Dlg().InstallDatabases(DataFolder(), archives);
    }
    std::string DataFolder() const { return Utf8Of(FMachine / "data"); }
    std::string Kept(const std::string& name) const {
        return "Datei " + DataFolder() + PathDelimiter + name + " ist vorhanden und wurde nicht ersetzt.";
    }
};

TEST_F(DatabaseArchiveTest, NoSpellingOfALiveDatabaseReplacesIt) {
    const std::string refused = " wurde nicht entpackt: ungültiger Dateiname für Windows";
    const struct {
        const char* Entry;
        std::string Line; // what the error list says of it
    } cases[] = {
        {"nv.db", Kept("nv.db")},
        {"db/nv_img.db", Kept("nv_img.db")},
        {"nv.db.", "Datei nv.db." + refused},
        {"nv.db ", "Datei nv.db " + refused},
        {"nv.db...", "Datei nv.db..." + refused},
        {"db/nv_sec.db . .", "Datei db/nv_sec.db . ." + refused},
        {"COM1.db", "Datei COM1.db" + refused},
        {"nul", "Datei nul" + refused},
        {"Lpt9.txt", "Datei Lpt9.txt" + refused},
        {"con .db", "Datei con .db" + refused},
        {"aux.nv.db", "Datei aux.nv.db" + refused},
        {"COM\xC2\xB9.db", "Datei COM\xC2\xB9.db" + refused},
        {"CONOUT$", "Datei CONOUT$" + refused},
        {"nv<.db", "Datei nv<.db" + refused},
        {"nv>.db", "Datei nv>.db" + refused},
        {"nv:.db", "Datei nv:.db" + refused},
        {"nv\".db", "Datei nv\".db" + refused},
        {"nv|.db", "Datei nv|.db" + refused},
        {"nv?.db", "Datei nv?.db" + refused},
        {"nv*.db", "Datei nv*.db" + refused},
        {"nv\x01.db", "Datei nv\x01.db" + refused},
    };
    std::vector<StoredEntry> entries;
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        entries.push_back({c.Entry, "hostile"});
        expected.push_back(c.Line);
    }
    // Names that only look like a device, and an ordinary database beside them, are written.
    entries.push_back({"console.db", "written"});
    entries.push_back({"com10.db", "written"});
    entries.push_back({"etg_parts.db", "written"});
    MakeStoredZip(Package("names.zip"), entries);
    Run("names.zip");

    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().ErrList.Items, expected);
    std::map<std::string, std::string> content = LiveFiles;
    for (const char* name : {"console.db", "com10.db", "etg_parts.db"})
        content[name] = "written";
    EXPECT_EQ(FolderContent(FMachine / "data"), content);
}

// Windows reaches an existing file through any case of its name (and its short name): the
// question and the protection see the name the file has.
TEST_F(DatabaseArchiveTest, ACaseSpellingReachesTheLiveFileOnlyWhereTheFileSystemIgnoresCase) {
    MakeStoredZip(Package("case.zip"), {{"NV_IMG.DB", "hostile"}});
    Run("case.zip");

    std::map<std::string, std::string> content = LiveFiles;
#ifdef _WIN32
    EXPECT_EQ(F().ErrList.Items, std::vector<std::string>{Kept("nv_img.db")});
#else
    EXPECT_TRUE(F().ErrList.Items.empty());
    content["NV_IMG.DB"] = "hostile"; // another file here: nothing live is in its way
#endif
    EXPECT_EQ(Dlg().InstallState(), isSucceeded);
    EXPECT_EQ(FolderContent(FMachine / "data"), content);
}

TEST_F(DatabaseArchiveTest, EditionWithoutArchivesSaysThatNothingWasInstalled) {
    Dlg().LoadManifest({"[DBFileListClient]", "Tavik=tavik.zip"});
    Click([](auto& d) { d.DoAction(pkDatabaseFiles); });
    Dlg().ApplicationEventsIdle(); // the edition is read in the idle pass
    Click([](auto& d) { d.NextBtnClick(); });
    F().edtFolder.Text = DataFolder();
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_EQ(Dlg().InstallState(), isSucceeded);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Die Datenbanken wurde erfolgreich installiert.");
    EXPECT_EQ(F().ErrList.Items,
              std::vector<std::string>{"Für die Edition Brisa sind im Paketverzeichnis keine "
                                       "Datenbankdateien aufgeführt: es wurden keine "
                                       "Dateien installiert."});
    EXPECT_EQ(FolderContent(FMachine / "data"), LiveFiles);
}

// The error list names the archive that failed as a whole, and why an entry was refused.
TEST_F(DatabaseArchiveTest, FailuresNameTheArchiveAndTheReason) {
    // A stored archive of two entries with one byte changed: `at` counts from the second
    // directory record when `second` is set, else from the first.
    auto patched = [this](bool second, size_t at, char value) {
        const fs::path path = FMachine / "patch.zip";
        MakeStoredZip(Utf8Of(path), {{"parts.db", "parts"}, {"more.db", "more"}});
        std::string bytes = ReadAll(path);
        size_t record = bytes.find("PK\x01\x02");
        if (second) record = bytes.find("PK\x01\x02", record + 1);
        bytes[record + at] = value;
        return bytes;
    };
    const std::string bomb = patched(true, 42, 0); // the second entry's data are the first's
    const struct {
        const char* Name;
        std::string Archive;
        std::string Status; // the detail after the failure heading
        std::vector<std::string> Lines;
    } cases[] = {
        {"web page",
         "<html>Anmeldung</html>",
         "Unhandled Archive Type",
         {"Archiv case.zip: Unhandled Archive Type"}},
        {"zip bomb",
         bomb,
         "Invalid file - not a PKZip file",
         {"Archiv case.zip: Invalid file - not a PKZip file (Einträge überlappen sich, eine Zip-Bombe)"}},
        {"BZip2",
         patched(false, 10, 12),
         "Datei parts.db wurde nicht entpackt: Cannot extract file - unsupported compression method (Methode "
         "12: BZip2)",
         {"Datei parts.db wurde nicht entpackt: Cannot extract file - unsupported compression method "
          "(Methode 12: "
          "BZip2)"}},
        {"Deflate64",
         patched(false, 10, 9),
         "",
         {"Datei parts.db wurde nicht entpackt: Cannot extract file - unsupported compression method "
          "(Methode 9: "
          "Deflate64)"}},
        {"encrypted",
         patched(false, 8, 1),
         "",
         {"Datei parts.db wurde nicht entpackt: Cannot extract file - invalid password (die Datei ist "
          "verschlüsselt)"}},
        {"AES",
         patched(false, 10, 99),
         "",
         {"Datei parts.db wurde nicht entpackt: Cannot extract file - invalid password (die Datei ist "
          "verschlüsselt)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Create();
        std::ofstream(FilePath(Package("case.zip")), std::ios::binary) << c.Archive;
        Run("case.zip");
        EXPECT_EQ(Dlg().InstallState(), isFailed);
        EXPECT_EQ(F().ErrList.Items, c.Lines);
        if (!c.Status.empty()) {
            EXPECT_EQ(F().lblStatusInfo.Caption,
                      "Bei der Installation ist ein fataler Fehler aufgetreten.\n\r" + c.Status);
        }
    }
}

} // namespace
} // namespace tv
