// The stand-in installers leave what real ones leave, and their uninstaller removes it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"

#include "host/ProcessRunner.h"
#include "host/QueueEventLoop.h"
#include "host/Registry.h"
#include "install/FirebirdConfig.h"
#include "util/TextFile.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const std::string AppKey = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{6B2E91A4-"
                           "3F7D-4C58-9E0A-71D4C2B85F13}_is1";

class StubInstallerTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tv-stub-" + std::to_string(getpid()));
        fs::create_directories(FDir);
        setenv("TVINSTALL_REGISTRY", (FDir / "registry.reg").c_str(), 1);
        setenv("TVSTUB_LOG", (FDir / "log").c_str(), 1);
        unsetenv("TVSTUB_EXIT_CODE");
        unsetenv("TVSTUB_DELAY_MS");
    }
    void TearDown() override {
        unsetenv("TVINSTALL_REGISTRY");
        unsetenv("TVSTUB_LOG");
        unsetenv("TVSTUB_EXIT_CODE");
        fs::remove_all(FDir);
    }
    // Runs a command line to its end and gives the exit code.
    std::uint32_t RunToEnd(const std::string& commandLine) {
        ProcessRunner runner(FLoop);
        bool ended = false;
        std::uint32_t code = 0;
        runner.OnTerminate = [&](ProcessRunner&, std::uint32_t exitCode) {
            ended = true;
            code = exitCode;
        };
        runner.CommandLine = commandLine;
        runner.Run();
        for (int i = 0; i < 200 && !ended; ++i)
            FLoop.WaitAndProcess(50);
        EXPECT_TRUE(ended) << commandLine;
        return code;
    }
    std::string Stub(const char* name) { return std::string(TV_STUB_DIR) + "/" + name; }
    RegistrySnapshot Registry() {
        std::string bytes;
        if (fs::exists(FDir / "registry.reg")) bytes = ReadFileBytes((FDir / "registry.reg").string());
        return RegistrySnapshot(RegistryData::Parse(bytes), true);
    }

    QueueEventLoop FLoop;
    fs::path FDir;
};

TEST_F(StubInstallerTest, ApplicationInstallerLeavesFolderUninstallerAndKey) {
    const struct {
        const char* Type;
        bool Database;
    } cases[] = {{"Client", false}, {"Single", true}};
    for (const auto& c : cases) {
        fs::path folder = FDir / "Programme" / (std::string("Norvano 6 ") + c.Type);
        std::string line = Stub("nv_setup.exe") + " /SILENT /ALLUSERS /DIR=\"" + folder.string() +
                           "\" /TYPE=\"" + c.Type + "\" /Task=\"desktopicon\"";
        ASSERT_EQ(RunToEnd(line), 0u) << c.Type;
        EXPECT_TRUE(fs::is_regular_file(folder / "unins000.exe"));
        EXPECT_EQ(fs::is_directory(folder / "System" / "db"), c.Database);
        EXPECT_TRUE(Registry().KeyExists(AppKey));

        ASSERT_EQ(RunToEnd((folder / "unins000.exe").string() + " /silent"), 0u);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_FALSE(Registry().KeyExists(AppKey));
    }
}

TEST_F(StubInstallerTest, ServerInstallerLeavesConfigurationAndDefaultInstance) {
    fs::path folder = FDir / "Firebird 3";
    std::string line =
        Stub("fb32.exe") + " /SILENT /Dir=\"" + folder.string() +
        "\" /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"qb4-KT29vz\" /COMPONENTS=\"ServerComponent\" "
        "/TASKS=\"UseServiceTask,UseSuperServerTask\\UseGuardianTask,AutoStartTask,EnableLegacyClientAuth\"";
    ASSERT_EQ(RunToEnd(line), 0u);
    std::string conf = testbed::ReadAll(folder / "firebird.conf");
    EXPECT_NE(conf.find("\r\n#RemoteServicePort = 3050\r\n"), std::string::npos);
    EXPECT_NE(conf.find("\r\n#RemoteAuxPort = 0\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(folder / "databases.conf"));
    RegistrySnapshot registry = Registry();
    std::string root;
    ASSERT_TRUE(GetFirebirdRoot(registry, root));
    EXPECT_EQ(root, folder.string() + "/");

    ASSERT_EQ(RunToEnd((folder / "unins000.exe").string() + " /silent"), 0u);
    EXPECT_FALSE(fs::exists(folder));
    RegistrySnapshot after = Registry();
    EXPECT_FALSE(GetFirebirdRoot(after, root));
}

TEST_F(StubInstallerTest, CompanionInstallerAndUpdateAndTheirArguments) {
    fs::path folder = FDir / "Stockado 6";
    ASSERT_EQ(RunToEnd(Stub("st_setup.exe") + " /SILENT /ALLUSERS /DIR=\"" + folder.string() + "\""), 0u);
    EXPECT_TRUE(fs::is_regular_file(folder / "unins000.exe"));
    ASSERT_EQ(RunToEnd(Stub("nv_update.exe") + " /SILENT /NOCANCEL"), 0u);
    EXPECT_EQ(testbed::ReadAll(FDir / "log"), "st_setup.exe\t/SILENT\t/ALLUSERS\t/DIR=" + folder.string() +
                                                  "\nnv_update.exe\t/SILENT\t/NOCANCEL\n");
}

TEST_F(StubInstallerTest, WrongCommandLinesFailAndInstallNothing) {
    const fs::path folder = FDir / "x";
    const std::string dir = " /DIR=\"" + folder.string() + "\"";
    const struct {
        std::string Line;
        std::uint32_t Code;
    } cases[] = {
        {Stub("nv_setup.exe") + dir + " /TYPE=\"Client\"", 1}, // not silent
        {Stub("nv_setup.exe") + " /SILENT" + dir + " /TYPE=\"Other\"", 1},
        {Stub("nv_setup.exe") + " /SILENT /TYPE=\"Client\"", 1},             // no folder
        {Stub("fb32.exe") + " /SILENT /Dir=\"" + folder.string() + "\"", 1}, // no account
        {Stub("nv_update.exe") + " /SILENT", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunToEnd(c.Line), c.Code) << c.Line;
        EXPECT_FALSE(fs::exists(folder / "unins000.exe")) << c.Line;
    }
}

TEST_F(StubInstallerTest, ChosenExitCodeInstallsNothing) {
    for (const char* code : {"1", "2", "3", "4", "5", "6", "255"}) {
        setenv("TVSTUB_EXIT_CODE", code, 1);
        fs::path folder = FDir / "cancelled";
        EXPECT_EQ(RunToEnd(Stub("st_setup.exe") + " /SILENT /ALLUSERS /DIR=\"" + folder.string() + "\""),
                  std::uint32_t(std::atoi(code)));
        EXPECT_FALSE(fs::exists(folder));
    }
}

TEST_F(StubInstallerTest, TwoInstallersAtOnceKeepBothRegistryEntries) {
    setenv("TVSTUB_DELAY_MS", "50", 1);
    ProcessRunner first(FLoop), second(FLoop);
    int ended = 0;
    for (ProcessRunner* runner : {&first, &second})
        runner->OnTerminate = [&](ProcessRunner&, std::uint32_t) { ++ended; };
    first.CommandLine =
        Stub("nv_setup.exe") + " /SILENT /DIR=\"" + (FDir / "a").string() + "\" /TYPE=\"Client\"";
    second.CommandLine = Stub("fb32.exe") + " /SILENT /Dir=\"" + (FDir / "b").string() +
                         "\" /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"pw\"";
    first.Run();
    second.Run();
    for (int i = 0; i < 200 && ended < 2; ++i)
        FLoop.WaitAndProcess(50);
    unsetenv("TVSTUB_DELAY_MS");
    ASSERT_EQ(ended, 2);
    RegistrySnapshot registry = Registry();
    EXPECT_TRUE(registry.KeyExists(AppKey));
    std::string root;
    EXPECT_TRUE(GetFirebirdRoot(registry, root));
}

} // namespace
} // namespace tv
