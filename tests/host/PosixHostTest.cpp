#include "host/posix/PosixHost.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/ScriptedHost.h"
#include "util/TextFile.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (FOld)
            setenv(FName, FOld->c_str(), 1);
        else
            unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

class PosixHostTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tv-host-" + std::to_string(getpid()));
        fs::create_directories(FDir / "real");
        fs::create_directory_symlink(FDir / "real", FDir / "link");
    }
    void TearDown() override { fs::remove_all(FDir); }

    void WriteRegistry(const std::string& text) {
        std::ofstream(FDir / "registry.reg", std::ios::binary) << text;
    }

    NoDialogs FDialogs;
    PosixHost FHost{FDialogs};
    fs::path FDir;
};

TEST_F(PosixHostTest, TempFolderFollowsTmpAndTemp) {
    const std::string cwd = fs::canonical(fs::current_path()).string();
    const std::string real = fs::canonical(FDir / "real").string();
    const std::string missing = (FDir / "missing").string();
    const struct {
        const char* Name;
        std::optional<std::string> Tmp, Temp;
        std::string Expected;
    } cases[] = {
        {"neither set", std::nullopt, std::nullopt, cwd},
        {"TMP alone is not enough", real, std::nullopt, cwd},
        {"TEMP alone is not enough", std::nullopt, real, cwd},
        {"TMP empty", std::string(), real, cwd},
        {"TEMP empty", real, std::string(), cwd},
        {"TEMP wins", "/somewhere/else", real, real},
        {"long form of a linked folder", "x", (FDir / "link").string(), real},
        {"trailing delimiter removed", "x", real + "/", real},
        {"missing folder kept as it is", "x", missing + "/", missing},
        {"not expanded", "x", "$HOME/tmp", "$HOME/tmp"},
    };
    for (const auto& c : cases) {
        ScopedEnv tmp("TMP", c.Tmp);
        ScopedEnv temp("TEMP", c.Temp);
        EXPECT_EQ(FHost.TempFolder(), c.Expected) << c.Name;
    }
}

TEST_F(PosixHostTest, ProgramFilesFolderComesFromTheRegistryFile) {
    const std::string key = "Windows Registry Editor Version 5.00\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n";
    const struct {
        const char* Name;
        std::optional<std::string> File; // nullopt: no file
        std::string Expected;
    } cases[] = {
        {"value", key + "\"ProgramFilesDir\"=\"/opt/programs\"\r\n", "/opt/programs"},
        {"trailing delimiter removed", key + "\"ProgramFilesDir\"=\"/opt/programs/\"\r\n", "/opt/programs"},
        {"value of another type", key + "\"ProgramFilesDir\"=dword:00000001\r\n", ""},
        {"value missing", key, ""},
        {"file missing", std::nullopt, ""},
        {"file not a registry", std::string("\x00\x01garbage", 9), ""},
    };
    for (const auto& c : cases) {
        fs::remove(FDir / "registry.reg");
        if (c.File) WriteRegistry(*c.File);
        ScopedEnv registry("TVINSTALL_REGISTRY", (FDir / "registry.reg").string());
        EXPECT_EQ(FHost.ProgramFilesFolder(), c.Expected) << c.Name;
    }
    ScopedEnv none("TVINSTALL_REGISTRY", std::nullopt);
    EXPECT_EQ(FHost.ProgramFilesFolder(), "");
}

TEST_F(PosixHostTest, RegistryIsReadAnewForEveryQuery) {
    ScopedEnv registry("TVINSTALL_REGISTRY", (FDir / "registry.reg").string());
    const std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App_is1";
    EXPECT_FALSE(FHost.OpenRegistry()->KeyExists(path));
    WriteRegistry("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\" + path + "]\r\n");
    EXPECT_TRUE(FHost.OpenRegistry()->KeyExists(path));
}

// A value written is read back, whatever the file's encoding, and the later one wins;
// what the file held stays.
TEST_F(PosixHostTest, AWrittenRegistryValueIsReadBackAndTheFileKeepsItsEncoding) {
    ScopedEnv registry("TVINSTALL_REGISTRY", (FDir / "registry.reg").string());
    const std::string head =
        "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "\"Kept\"=\"yes\"\r\n";
    for (const TextEncoding encoding : {TextEncoding::Utf16LeBom, TextEncoding::Ansi}) {
        WriteRegistry(EncodeText(head, encoding));
        FHost.WriteRegistryString("SOFTWARE\\Norvano\\Setup", "ManifestSerial", "5");
        FHost.WriteRegistryString("SOFTWARE\\Norvano\\Setup", "ManifestSerial", "7 \"quoted\" \\ ");
        EXPECT_EQ(DecodeText(testbed::ReadAll(FDir / "registry.reg")).Encoding, encoding);
        auto reader = FHost.OpenRegistry();
        ASSERT_TRUE(reader->OpenKeyReadOnly("SOFTWARE\\Norvano\\Setup"));
        EXPECT_EQ(reader->ReadString("ManifestSerial"), "7 \"quoted\" \\ ");
        ASSERT_TRUE(reader->OpenKeyReadOnly("SOFTWARE\\Other"));
        EXPECT_EQ(reader->ReadString("Kept"), "yes");
    }
    ScopedEnv none("TVINSTALL_REGISTRY", std::nullopt);
    EXPECT_THROW(FHost.WriteRegistryString("SOFTWARE\\Norvano\\Setup", "ManifestSerial", "5"), Failure);
}

TEST_F(PosixHostTest, ProgramFolderIsTheFolderOfThisProgramWithDelimiter) {
    std::string folder = FHost.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "unit_tests"));
}

#if defined(__x86_64__)
TEST_F(PosixHostTest, ProcessorOfA64BitBuildReportsLongMode) {
    EXPECT_TRUE(FHost.Is64Bits());
}
#endif

} // namespace
} // namespace tv
