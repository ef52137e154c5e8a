// databases.conf and firebird.conf edited on disk, byte for byte.
#include "install/FirebirdConfig.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"

#include "host/Registry.h"
#include "util/TextFile.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class FirebirdConfigTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tv-firebird-" + std::to_string(getpid()));
        fs::create_directories(FDir / "Daten");
        fs::create_directories(FDir / "Neu");
        FConf = (FDir / "databases.conf").string();
        FData = (FDir / "Daten").string();
    }
    void TearDown() override {
        fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(FDir);
    }
    void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // The 29 lines that an alias-free file receives, for a data folder.
    static std::string AliasBlock(const std::string& folder) {
        std::string out = "nv_sec=" + folder + "/nv_sec.db\r\n";
        for (const char* alias : {"nv", "nv_img", "nv_ebay", "etg_cars", "etg_parts", "etg_aw", "etg_svg"})
            out += std::string(alias) + "=" + folder + "/" + alias +
                   ".db\r\n{\r\nSecurityDatabase=nv_sec\r\n}\r\n";
        return out;
    }

    fs::path FDir;
    std::string FConf;
    std::string FData;
};

TEST_F(FirebirdConfigTest, AliasFreeFileGetsTwentyNineLinesAndASecondRunReplacesThemInPlace) {
    const std::string head = "# Your databases\r\n#employee = $(dir_sampleDb)/employee.fdb\r\n";
    Write(FConf, head);
    WriteDatabaseAliases(FConf, FData);
    std::string first = testbed::ReadAll(FConf);
    EXPECT_EQ(first, head + AliasBlock(FData));
    EXPECT_EQ(SplitLines(first).size(), 2u + 29u);

    const std::string other = (FDir / "Neu").string();
    WriteDatabaseAliases(FConf, other + "/"); // a trailing delimiter is not doubled
    EXPECT_EQ(testbed::ReadAll(FConf), head + AliasBlock(other));
}

TEST_F(FirebirdConfigTest, ExistingLinesAndEncodings) {
    const std::string d = FData;
    const std::string rest7 = [&] {
        std::string out;
        for (const char* alias : {"nv_img", "nv_ebay", "etg_cars", "etg_parts", "etg_aw", "etg_svg"})
            out +=
                std::string(alias) + "=" + d + "/" + alias + ".db\r\n{\r\nSecurityDatabase=nv_sec\r\n}\r\n";
        return out;
    }();
    const std::string nvBlock = "nv=" + d + "/nv.db\r\n{\r\nSecurityDatabase=nv_sec\r\n}\r\n";
    const struct {
        const char* Name;
        std::string Before;
        std::string After;
    } cases[] = {
        {"existing nv line set in place without a block", "x\r\nnv=D:\\Alt\\nv.db\r\ny\r\n",
         "x\r\nnv=" + d + "/nv.db\r\ny\r\nnv_sec=" + d + "/nv_sec.db\r\n" + rest7},
        {"capitals found and respelled", "NV=D:\\Alt\\nv.db\n",
         "nv=" + d + "/nv.db\r\nnv_sec=" + d + "/nv_sec.db\r\n" + rest7},
        {"blanks around the sign are another name", "nv_sec = D:\\Alt\\nv_sec.db\r\n",
         "nv_sec = D:\\Alt\\nv_sec.db\r\n" + AliasBlock(d)},
        {"no final line break", "# end", "# end\r\n" + AliasBlock(d)},
        {"bare CR line breaks", "a\rb\r", "a\r\nb\r\n" + AliasBlock(d)},
        {"empty file", "", AliasBlock(d)},
        {"UTF-8 with mark keeps its mark", "\xEF\xBB\xBF# Datenbanken f\xC3\xBCr Norvano\r\n",
         "\xEF\xBB\xBF# Datenbanken f\xC3\xBCr Norvano\r\n" + AliasBlock(d)},
        {"Windows-1252 umlauts come back as they were",
         "# Gr\xF6\xDF"
         "e und \x80\r\n",
         "# Gr\xF6\xDF"
         "e und \x80\r\n" +
             AliasBlock(d)},
        {"existing user database gets no block", "nv_sec=old\r\n",
         "nv_sec=" + d + "/nv_sec.db\r\n" + nvBlock + rest7},
    };
    for (const auto& c : cases) {
        Write(FConf, c.Before);
        WriteDatabaseAliases(FConf, FData);
        EXPECT_EQ(testbed::ReadAll(FConf), c.After) << c.Name;
    }
}

TEST_F(FirebirdConfigTest, Utf16FileComesBackInUtf16) {
    std::string text = "# Größe\r\n";
    Write(FConf, EncodeText(text, TextEncoding::Utf16LeBom));
    WriteDatabaseAliases(FConf, FData);
    EXPECT_EQ(testbed::ReadAll(FConf), EncodeText(text + AliasBlock(FData), TextEncoding::Utf16LeBom));
}

TEST_F(FirebirdConfigTest, MissingFileOrFolderWritesNothing) {
    WriteDatabaseAliases(FConf, FData);
    EXPECT_FALSE(fs::exists(FConf));
    Write(FConf, "x\r\n");
    WriteDatabaseAliases(FConf, (FDir / "missing").string());
    EXPECT_EQ(testbed::ReadAll(FConf), "x\r\n");
}

TEST_F(FirebirdConfigTest, FirebirdConfKeysAreSetWhereTheirDefaultsStood) {
    const std::string conf = (FDir / "firebird.conf").string();
    const struct {
        const char* Name;
        std::string Before;
        std::string After;
    } cases[] = {
        {"commented defaults made active",
         "# Ports\r\n#RemoteServicePort = 3050\r\n#RemoteAuxPort = 0\r\n#Other = 1\r\n",
         "# Ports\r\nRemoteServicePort=3050\r\nRemoteAuxPort=3051\r\n#Other = 1\r\n"},
        {"active line set in place, comment untouched",
         "RemoteServicePort=4000\r\n#RemoteServicePort = 3050\r\n",
         "RemoteServicePort=3050\r\n#RemoteServicePort = 3050\r\nRemoteAuxPort=3051\r\n"},
        {"missing keys appended last", "# nothing\n",
         "# nothing\r\nRemoteServicePort=3050\r\nRemoteAuxPort=3051\r\n"},
        {"empty active value: default un-commented, then the empty line set",
         "RemoteAuxPort=\r\n#RemoteAuxPort = 0\r\n",
         "RemoteAuxPort=3051\r\nRemoteAuxPort=0\r\nRemoteServicePort=3050\r\n"},
        {"text before the # is dropped, a second = ends the value", "  ;#RemoteServicePort = 3050 = x\r\n",
         "RemoteServicePort=3050\r\nRemoteAuxPort=3051\r\n"},
        {"pattern is case-sensitive", "#remoteserviceport = 1\r\n",
         "#remoteserviceport = 1\r\nRemoteServicePort=3050\r\nRemoteAuxPort=3051\r\n"},
    };
    for (const auto& c : cases) {
        Write(conf, c.Before);
        SetFirebirdConfValue(conf, "RemoteServicePort", "3050");
        SetFirebirdConfValue(conf, "RemoteAuxPort", "3051");
        EXPECT_EQ(testbed::ReadAll(conf), c.After) << c.Name;
    }
    fs::remove(conf);
    SetFirebirdConfValue(conf, "RemoteServicePort", "3050");
    EXPECT_FALSE(fs::exists(conf));
}

TEST_F(FirebirdConfigTest, EditsReportEachChangedKeyWithItsOldAndNewValue) {
    const std::string conf = (FDir / "firebird.conf").string();
    Write(conf, "#RemoteServicePort = 3050\r\nRemoteAuxPort=7\r\nWireCrypt=Enabled\r\n");
    std::vector<ConfChange> changes = SetFirebirdConfValue(conf, "RemoteServicePort", "3050");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].File, conf);
    EXPECT_EQ(changes[0].Key, "RemoteServicePort");
    EXPECT_EQ(changes[0].OldValue, "");
    EXPECT_EQ(changes[0].NewValue, "3050");
    changes = SetFirebirdConfValue(conf, "RemoteAuxPort", "3051");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].OldValue, "7");
    EXPECT_TRUE(SetFirebirdConfValue(conf, "RemoteAuxPort", "3051").empty()); // nothing changed

    // Every alias once, although the security block repeats its own key.
    Write(FConf, "# aliases\r\n");
    changes = WriteDatabaseAliases(FConf, FData);
    std::vector<std::string> keys;
    for (const ConfChange& change : changes)
        keys.push_back(change.Key);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "SecurityDatabase"), 1);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "nv_img"), 1);
    EXPECT_TRUE(WriteDatabaseAliases(FConf, FData).empty());
}

TEST_F(FirebirdConfigTest, UncommentWithoutEqualsSignGivesAnEmptyValue) {
    std::vector<std::string> lines = {"#RemoteAuxPort", "#RemoteAuxPort = 9"};
    UncommentConfKey(lines, "RemoteAuxPort");
    EXPECT_EQ(lines, (std::vector<std::string>{"RemoteAuxPort=", "#RemoteAuxPort = 9"}));
}

TEST_F(FirebirdConfigTest, RewriteKeepsPermissionsAndLeavesNoTemporaryFile) {
    Write(FConf, "x\r\n");
    fs::permissions(FConf, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteDatabaseAliases(FConf, FData);
    EXPECT_EQ(fs::status(FConf).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FDir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Daten", "Neu", "databases.conf"}));
}

TEST_F(FirebirdConfigTest, FailedWriteRaisesAndLeavesTheOriginal) {
    Write(FConf, "original\r\n");
    // The temporary file cannot be made where a folder of its name stands (root too is refused).
    fs::create_directory(FConf + ".tvnew");
    try {
        WriteDatabaseAliases(FConf, FData);
        FAIL() << "no failure";
    } catch (const std::exception& e) {
        std::string message = e.what();
        EXPECT_NE(message.find(FConf), std::string::npos) << message;
        EXPECT_NE(message.find("Is a directory"), std::string::npos) << message;
    }
    EXPECT_EQ(testbed::ReadAll(FConf), "original\r\n");
    fs::remove(FConf + ".tvnew");

    if (geteuid() != 0) { // permissions bind everyone but root
        fs::permissions(FDir, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_THROW(SetFirebirdConfValue(FConf, "RemoteAuxPort", "3051"), std::exception);
        EXPECT_EQ(testbed::ReadAll(FConf), "original\r\n");
    }
}

TEST_F(FirebirdConfigTest, RegisteredServerFolder) {
    const std::string key =
        "Windows Registry Editor Version 5.00\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances]\r\n";
    const struct {
        const char* Name;
        std::string Registry;
        bool Found;
        const char* Folder;
    } cases[] = {
        {"default instance", key + "\"DefaultInstance\"=\"/opt/firebird/\"\r\n", true, "/opt/firebird/"},
        {"value missing", key, false, ""},
        {"value empty", key + "\"DefaultInstance\"=\"\"\r\n", false, ""},
        {"key missing", "Windows Registry Editor Version 5.00\r\n", false, ""},
    };
    for (const auto& c : cases) {
        RegistrySnapshot registry(RegistryData::Parse(c.Registry));
        std::string folder;
        EXPECT_EQ(GetFirebirdRoot(registry, folder), c.Found) << c.Name;
        EXPECT_EQ(folder, c.Folder) << c.Name;
    }
    RegistrySnapshot numeric(RegistryData::Parse(key + "\"DefaultInstance\"=dword:00000001\r\n"));
    std::string folder;
    EXPECT_THROW(GetFirebirdRoot(numeric, folder), ERegistryException);
}

} // namespace
} // namespace tv
