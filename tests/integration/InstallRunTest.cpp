// Whole install runs through the controller with the stand-in installers, offline from
// the package folder and online from the nginx test bed.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "source/PackageDigests.h"
#include "support/Files.h"
#include "util/Strings.h"

#include "fixtures/FixtureServer.h"
#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"
#include "support/Archives.h"
#include "support/WizardFixture.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

const std::string AppKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{6B2E91A4-3F7D-4C58-9E0A-71D4C2B85F13}_is1]\r\n";

class InstallRunTest : public WizardFixture {
protected:
    void SetUp() override {
        fs::create_directories(FMachine / "program" / "Packages");
        fs::create_directories(FMachine / "programs");
        fs::create_directories(FMachine / "data");
        for (const char* name : {"nv_setup.exe", "nv_update.exe", "fb32.exe", "st_setup.exe"})
            fs::copy_file(std::string(TV_STUB_DIR) + "/" + name, FMachine / "program" / "Packages" / name);
        FHost.ProgramFiles = (FMachine / "programs").string();
        FRegistry = (FMachine / "registry.reg").string();
        setenv("TVINSTALL_REGISTRY", FRegistry.c_str(), 1);
        setenv("TVSTUB_LOG", (FMachine / "stub.log").c_str(), 1);
        unsetenv("TVSTUB_EXIT_CODE");
        FManifestBytes =
            "[DBFileListSingle]\r\nSolan=db_base.zip\r\n[DBFileListClient]\r\nBrisa=db_base.zip\r\n";
        MakeZip((FMachine / "program" / "Packages" / "db_base.zip").string(),
                {{"db/nv.db", std::string(200000, 'n')}, {"db/etg_parts.db", "parts"}});
        Create();
        Dlg().ApplicationEventsIdle();
    }
    void TearDown() override {
        for (const char* name : {"TVINSTALL_REGISTRY", "TVSTUB_LOG", "TVSTUB_EXIT_CODE"})
            unsetenv(name);
    }
    // The window: choose a package, go to its parameters, press Install, wait for the installer's end.
    void Install(PackageKind type, const std::string& folder = "") {
        Click([type](auto& d) { d.DoAction(type); });
        Dlg().ApplicationEventsIdle();
        Click([](auto& d) { d.NextBtnClick(); });
        if (!folder.empty()) F().edtFolder.Text = folder;
        Click([](auto& d) { d.NextBtnClick(); });
        AwaitOutcome();
    }
    void AwaitOutcome() {
        for (int i = 0; i < 200 && Dlg().InstallState() == isRunning; ++i)
            FLoop.WaitAndProcess(50);
    }
    std::vector<std::string> LogLines() {
        std::ifstream in(FMachine / "stub.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ExpectOutcome(const std::string& text) {
        EXPECT_EQ(Dlg().Page(), tsInfo);
        EXPECT_TRUE(F().Visible);
        EXPECT_EQ(F().lblStatusInfo.Caption, text);
        EXPECT_FALSE(F().BackBtn.Visible);
        EXPECT_FALSE(F().NextBtn.Visible);
        EXPECT_EQ(F().CloseBtn.Caption, "Ok");
    }
    std::string FRegistry;
};

TEST_F(InstallRunTest, ClientInstallationFromThePackageFolder) {
    const std::string folder = (FMachine / "programs" / "Norvano 6").string();
    Install(pkApplication);
    ExpectOutcome("Die Installation des Norvano Client wurde erfolgreich durchgeführt.");
    EXPECT_EQ(F().lblInfo.Caption, "Info");
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0],
              "nv_setup.exe\t/SILENT\t/ALLUSERS\t/DIR=" + folder + "\t/TYPE=Client\t/Task=desktopicon");
    EXPECT_TRUE(fs::exists(folder + "/unins000.exe"));
    EXPECT_EQ(Dlg().UninstallCommand(), "\"" + folder + "/unins000.exe\" /silent");
    Click([](auto& d) { d.CloseBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsSelect);
}

TEST_F(InstallRunTest, SingleSeatOfBrisaInstallsNoDatabases) {
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    Install(pkApplication);
    ExpectOutcome("Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt.");
    EXPECT_NE(LogLines()[0].find("/TYPE=Single"), std::string::npos);
    EXPECT_FALSE(fs::exists(FMachine / "programs" / "Norvano 6" / "System" / "db" / "nv.db"));
    EXPECT_EQ(Dlg().InstallType(), pkApplication);
}

TEST_F(InstallRunTest, SingleSeatOfSolanUnpacksItsDatabasesIntoTheApplication) {
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    F().cbAppVers.ItemIndex = 1;
    Dlg().ApplicationEventsIdle();
    ASSERT_EQ(Dlg().AppType(), "Solan");
    Install(pkApplication);
    ExpectOutcome("Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt.");
    const fs::path db = FMachine / "programs" / "Norvano 6" / "System" / "db";
    EXPECT_EQ(testbed::ReadAll(db / "nv.db"), std::string(200000, 'n'));
    EXPECT_EQ(testbed::ReadAll(db / "etg_parts.db"), "parts");
    EXPECT_EQ(Dlg().PrevInstallType(), -1);
    EXPECT_EQ(Dlg().InstallType(), pkDatabaseFiles); // the parameters page now shows the database files
    EXPECT_EQ(F().edtFolder.Text, "/srv/Daten");
    EXPECT_TRUE(F().Packages[0].Button.Checked);
    EXPECT_TRUE(fs::exists(FMachine / "program" / "Packages" / "db_base.zip")); // offline archives stay
}

// A single seat whose databases could not follow is not begun: no application without them.
TEST_F(InstallRunTest, SingleSeatWhoseDatabasesCannotFollowRunsNoInstaller) {
    const struct {
        int Edition;
        const char* Failure;
    } cases[] = {
        {2, "Für die Einzelplatzversion der Edition Tavik sind im Paketverzeichnis keine Datenbankdateien "
            "aufgeführt; die Installation wurde nicht begonnen."},
        {1, "Die Datei db_base.zip ist nicht vorhanden. Die Installation der Datenbank kann nicht ausgeführt "
            "werden"},
    };
    fs::remove(FMachine / "program" / "Packages" / "db_base.zip");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Edition);
        F().rbClient.Checked = false;
        F().rbSingle.Checked = true;
        F().cbAppVers.ItemIndex = c.Edition;
        Dlg().ApplicationEventsIdle();
        Install(pkApplication);
        EXPECT_EQ(Dlg().InstallState(), isFailed);
        EXPECT_EQ(F().lblStatusInfo.Caption,
                  std::string("Bei der Installation ist ein fataler Fehler aufgetreten.\n\r") + c.Failure);
        EXPECT_TRUE(LogLines().empty()); // no installer ran
        EXPECT_FALSE(fs::exists(FMachine / "programs" / "Norvano 6"));
        Click([](auto& d) { d.CloseBtnClick(); });
        Click([](auto& d) { d.DoAction(pkApplication); });
    }
}

TEST_F(InstallRunTest, AbortedFollowUpRunRemovesTheApplicationAgain) {
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    F().cbAppVers.ItemIndex = 1;
    Dlg().ApplicationEventsIdle();
    FHost.BoxAnswers = {mrYes};
    // Cancel is clicked while the first database entry is written.
    ZipExtractor& unzipper = Dlg().Unpacker().Extractor();
    auto shown = unzipper.OnArchiveItemProgress;
    bool clicked = false;
    unzipper.OnArchiveItemProgress = [&](const ZipEntry& entry, int progress, bool& abort) {
        shown(entry, progress, abort);
        if (!clicked) {
            clicked = true;
            Dlg().Dispatch([&] { Dlg().CloseBtnClick(); });
        }
    };
    Install(pkApplication);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
    EXPECT_TRUE(F().Visible);
    for (int i = 0; i < 100 && LogLines().size() < 2; ++i)
        FLoop.WaitAndProcess(50);
    ASSERT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(LogLines()[1], "unins000.exe\t/silent");
    for (int i = 0; i < 100 && fs::exists(FMachine / "programs" / "Norvano 6" / "Norvano.exe"); ++i)
        FLoop.WaitAndProcess(20);
    EXPECT_FALSE(fs::exists(FMachine / "programs" / "Norvano 6" / "Norvano.exe"));
    EXPECT_EQ(Dlg().UninstallCommand(), "");
}

TEST_F(InstallRunTest, AStopRequestWaitsForTheInstallerAndNamesTheDatabasesLeftUndone) {
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    F().cbAppVers.ItemIndex = 1;
    Dlg().ApplicationEventsIdle();
    setenv("TVSTUB_DELAY_MS", "1500", 1);
    std::thread stop([this] { // while the installer runs
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        FLoop.Post([this] { Dlg().Dispatch([this] { Dlg().StopRequest(); }); });
    });
    Install(pkApplication);
    stop.join();
    unsetenv("TVSTUB_DELAY_MS");
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
    // The installer ran to its end and stays; nothing further started, not even its removal.
    EXPECT_EQ(LogLines().size(), 1u);
    EXPECT_TRUE(fs::exists(FMachine / "programs" / "Norvano 6" / "Norvano.exe"));
    EXPECT_FALSE(fs::exists(FMachine / "programs" / "Norvano 6" / "System" / "db" / "nv.db"));
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_EQ(
        F().ErrList.Items[0],
        "Nicht ausgeführt: die Datenbanken der Einzelplatzversion (Edition Solan: db_base.zip "
        "nach " +
            (FMachine / "programs" / "Norvano 6" / "System" / "db").string() +
            "/). Die Anwendung ist installiert; ihre Datenbanken fehlen. Nachholen mit: tvinstall /PACKAGE=3 "
            "/TYPE=SINGLE /EDITION=Solan /DIR=\"" +
            (FMachine / "programs" / "Norvano 6" / "System" / "db").string() + "\" /VERYSILENT");
}

// The window is hidden while an installer runs: a close request then comes from the system
// or a management tool. Nobody is asked; the run waits for the installer and ends aborted.
TEST_F(InstallRunTest, ACloseRequestWhileAnInstallerRunsWaitsForItWithoutAQuestion) {
    setenv("TVSTUB_DELAY_MS", "1000", 1);
    std::thread close([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        FLoop.Post([this] { Dlg().Dispatch([this] { EXPECT_FALSE(Dlg().FormCloseQuery()); }); });
    });
    Install(pkCompanionApp);
    close.join();
    unsetenv("TVSTUB_DELAY_MS");
    EXPECT_TRUE(FHost.Boxes.empty());
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(LogLines().size(), 1u); // the installer ran to its end, and nothing after it
    EXPECT_TRUE(Dlg().StopWasRequested());
}

TEST_F(InstallRunTest, CancelQuestionAnsweredNoLetsTheRunGoOn) {
    F().rbClient.Checked = false;
    F().rbSingle.Checked = true;
    F().cbAppVers.ItemIndex = 1;
    Dlg().ApplicationEventsIdle();
    FHost.BoxAnswers = {mrNo};
    ZipExtractor& unzipper = Dlg().Unpacker().Extractor();
    auto shown = unzipper.OnArchiveItemProgress;
    unzipper.OnArchiveItemProgress = [&](const ZipEntry& entry, int progress, bool& abort) {
        shown(entry, progress, abort);
        if (FHost.Boxes.empty()) Dlg().Dispatch([&] { Dlg().CloseBtnClick(); });
    };
    Install(pkApplication);
    EXPECT_EQ(FHost.Boxes.size(), 1u);
    ExpectOutcome("Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt.");
}

TEST_F(InstallRunTest, UpdateOfAnInstalledApplicationEndsTheProgram) {
    std::ofstream(FRegistry) << "Windows Registry Editor Version 5.00\r\n" << AppKey;
    FHost.RegistryText = "Windows Registry Editor Version 5.00\r\n" + AppKey;
    Create();
    ASSERT_TRUE(Dlg().AppInstalled());
    Click([](auto& d) { d.NextBtnClick(); });
    EXPECT_FALSE(F().Visible); // hidden while the installer runs
    AwaitOutcome();
    EXPECT_TRUE(F().Closed);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0], "nv_update.exe\t/SILENT\t/NOCANCEL");
}

TEST_F(InstallRunTest, ServerInstallationSetsItsPortsAndTakesTheLaterAliases) {
    const std::string server = (FMachine / "programs" / "Firebird 3").string();
    Install(pkDatabaseServer);
    ExpectOutcome("Der Datenbankserver wurde erfolgreich installiert.");
    EXPECT_EQ(LogLines()[0],
              "fb32.exe\t/SILENT\t/Dir=" + server +
                  "\t/SYSDBANAME=SYSDBA\t/SYSDBAPASSWORD=qb4-KT29vz\t/COMPONENTS=ServerComponent\t"
                  "/TASKS=UseServiceTask,UseSuperServerTask\\UseGuardianTask,AutoStartTask,"
                  "EnableLegacyClientAuth");
    std::string conf = testbed::ReadAll(server + "/firebird.conf");
    EXPECT_NE(conf.find("\r\nRemoteServicePort=3050\r\n"), std::string::npos);
    EXPECT_NE(conf.find("\r\nRemoteAuxPort=3051\r\n"), std::string::npos);
    EXPECT_TRUE(Dlg().SrvInstalled());

    Click([](auto& d) { d.CloseBtnClick(); });
    Install(pkDatabaseFiles, (FMachine / "data").string());
    ExpectOutcome("Die Datenbanken wurde erfolgreich installiert.");
    EXPECT_NE(testbed::ReadAll(server + "/databases.conf")
                  .find("nv_sec=" + (FMachine / "data").string() + "/nv_sec.db\r\n"),
              std::string::npos);
    EXPECT_EQ(Dlg().ConfigFile(), server + "/databases.conf");
}

TEST_F(InstallRunTest, CompanionApplication) {
    Install(pkCompanionApp);
    ExpectOutcome("Das Programm Stockado wurde erfolgreich installiert.");
    EXPECT_EQ(LogLines()[0],
              "st_setup.exe\t/SILENT\t/ALLUSERS\t/DIR=" + (FMachine / "programs" / "Stockado 6").string());
}

TEST_F(InstallRunTest, ExitCodesDecideTheOutcome) {
    const std::string error = "Bei der Installation ist ein fataler Fehler aufgetreten.\n\r";
    const struct {
        const char* Code;
        int State;
        std::string Text;
    } cases[] = {
        {"0", isSucceeded, "Das Programm Stockado wurde erfolgreich installiert."},
        {"1", isFailed, error},
        {"2", isAborted, "Die Installation wurde durch den Benutzer abgebrochen."},
        {"3", isFailed, error},
        {"4", isFailed, error},
        {"5", isAborted, "Die Installation wurde durch den Benutzer abgebrochen."},
        {"6", isFailed, error + "Das Installationsprogramm endete mit dem unbekannten Code 6."},
        {"255", isFailed, error + "Das Installationsprogramm endete mit dem unbekannten Code 255."},
#ifdef _WIN32
        // A restart is needed: passed on as such, never a failure.
        {"3010", isSucceeded, "Das Programm Stockado wurde erfolgreich installiert."},
#else
        {"3010", isFailed, error + "Das Installationsprogramm endete mit dem unbekannten Code 194."},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        // A failure of the run before must not lend its detail to this one.
        Click([](auto&) -> void { throw std::runtime_error("an earlier failure"); });
        setenv("TVSTUB_EXIT_CODE", c.Code, 1);
        Install(pkCompanionApp);
        EXPECT_EQ(Dlg().InstallState(), c.State);
        EXPECT_TRUE(F().Visible);
        EXPECT_EQ(Dlg().Page(), tsInfo);
        EXPECT_EQ(F().lblStatusInfo.Caption, c.Text);
        EXPECT_EQ(F().lblInfo.Caption, c.State == isFailed ? "Fehler" : "Info");
        const bool restart = std::string(c.Code) == "3010" && c.State == isSucceeded;
        EXPECT_EQ(Dlg().RestartNeeded(), restart);
        EXPECT_EQ(F().ErrList.Items,
                  restart
                      ? std::vector<std::string>{"Der Rechner muss neu gestartet werden, um die Installation "
                                                 "abzuschließen."}
                      : std::vector<std::string>{});
        Click([](auto& d) { d.CloseBtnClick(); });
        Click([](auto& d) { d.DoAction(pkApplication); });
    }
}

TEST_F(InstallRunTest, InstallerWhoseEndCannotBeAwaitedFailsTheRunAndTheWindowComesBack) {
    std::signal(SIGCHLD, SIG_IGN); // the system reaps the installer: the wait for it fails
    Install(pkApplication);
    std::signal(SIGCHLD, SIG_DFL);
    ExpectOutcome("Bei der Installation ist ein fataler Fehler aufgetreten.\n\r"
                  "Das Ende des gestarteten Programms kann nicht abgewartet werden: No child processes");
    EXPECT_EQ(Dlg().InstallState(), isFailed);
}

TEST_F(InstallRunTest, MissingInstallerOfflineNamesItsPath) {
    fs::remove(FMachine / "program" / "Packages" / "fb32.exe");
    Install(pkDatabaseServer);
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDie Datei " + FHost.ProgramDir +
                  "Packages/fb32.exe ist nicht vorhanden. "
                  "Setup kann nicht ausgeführt werden.");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(InstallRunTest, EarlierSuccessIsNeverRolledBackByALaterAbort) {
    Install(pkCompanionApp);
    ASSERT_EQ(Dlg().InstallState(), isSucceeded);
    Click([](auto& d) { d.CloseBtnClick(); });
    setenv("TVSTUB_EXIT_CODE", "2", 1);
    Install(pkApplication);
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    for (int i = 0; i < 5; ++i)
        FLoop.WaitAndProcess(20);
    for (const std::string& line : LogLines())
        EXPECT_EQ(line.find("unins000"), std::string::npos) << line;
    EXPECT_TRUE(fs::exists(FMachine / "programs" / "Stockado 6" / "unins000.exe"));
}

TEST_F(InstallRunTest, UnwritableServerConfigurationIsReportedAndTheWindowComesBack) {
    Click([](auto& d) { d.DoAction(pkDatabaseServer); });
    Click([](auto& d) { d.NextBtnClick(); });
    const std::string server = F().edtFolder.Text;
    fs::create_directories(server);
    fs::create_directory(server + "/firebird.conf.tvnew"); // the rewrite cannot be made
    std::ofstream(server + "/firebird.conf") << "#RemoteServicePort = 3050\r\n";
    // The installer writes its own firebird.conf over ours; the blocked rewrite stays blocked.
    Click([](auto& d) { d.NextBtnClick(); });
    AwaitOutcome();
    EXPECT_TRUE(F().Visible);
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_NE(F().lblStatusInfo.Caption.find("firebird.conf"), std::string::npos)
        << F().lblStatusInfo.Caption;
}

TEST_F(InstallRunTest, ConfigurationToolStartsOnlyWhenItIsThere) {
    Click([](auto& d) { d.FBConfigBtnClick(); });
    EXPECT_EQ(Dlg().ErrorMsg(), "");
    const fs::path tool = FMachine / "program" / "Kelvaro" / "Kelvaro.exe";
    fs::create_directories(tool.parent_path());
    std::ofstream(tool) << "#!/bin/sh\necho started > '" << (FMachine / "kelvaro.txt").string() << "'\n";
    fs::permissions(tool, fs::perms::owner_all);
    Click([](auto& d) { d.FBConfigBtnClick(); });
    for (int i = 0; i < 100 && !fs::exists(FMachine / "kelvaro.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(testbed::ReadAll(FMachine / "kelvaro.txt"), "started\n");
    EXPECT_EQ(Dlg().ErrorMsg(), "");
}

// --- online --------------------------------------------------------------------------

class OnlineRunTest : public InstallRunTest {
protected:
    static void SetUpTestSuite() { FServer = new NginxServer(); }
    static void TearDownTestSuite() { delete FServer; }
    void SetUp() override {
        CertificateFolder();
        FServer->PointProgramHere();
        std::ofstream(FServer->InstallationFolder() + "/install.ini")
            << "[DBFileListClient]\r\nBrisa=db_base.zip;missing.zip\r\n";
        for (const char* name : {"nv_setup.exe", "st_setup.exe"})
            fs::copy_file(std::string(TV_STUB_DIR) + "/" + name, FServer->InstallationFolder() + "/" + name,
                          fs::copy_options::overwrite_existing);
        fs::copy_file(std::string(TV_STUB_DIR) + "/nv_update.exe",
                      FServer->UpdatesFolder() + "/nv_update.exe", fs::copy_options::overwrite_existing);
        FStartOffline = false;
        InstallRunTest::SetUp();
        MakeZip(FServer->InstallationFolder() + "/db_base.zip", {{"nv.db", "main"}, {"etg_aw.db", "aw"}});
        ASSERT_TRUE(Dlg().Online());
    }
    void TearDown() override {
        InstallRunTest::TearDown();
        NginxServer::ForgetServer();
    }
    static NginxServer* FServer;
};
NginxServer* OnlineRunTest::FServer = nullptr;

TEST_F(OnlineRunTest, InstallerIsDownloadedIntoTheTemporaryFolderAndRunFromThere) {
    Install(pkApplication);
    ExpectOutcome("Die Installation des Norvano Client wurde erfolgreich durchgeführt.");
    EXPECT_TRUE(fs::exists(FHost.Temp + "/nv_setup.exe"));
    EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(OnlineRunTest, DatabaseRunStopsAtTheMissingSecondArchive) {
    Install(pkDatabaseFiles, (FMachine / "data").string());
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rHTTP/1.1 404 Not Found");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "nv.db"), "main"); // the first archive stays unpacked
    EXPECT_FALSE(fs::exists(FHost.Temp + "/db_base.zip"));            // its download is gone
    EXPECT_FALSE(fs::exists(FHost.Temp + "/missing.zip"));
}

TEST_F(OnlineRunTest, CancelDuringTheServerDownloadIsAnAbortNotAFailure) {
    std::ofstream(FServer->InstallationFolder() + "/fb32.exe", std::ios::binary)
        << std::string(40'000'000, 'f');
    CancelDuringDownloadAfter(1'000'000);
    Install(pkDatabaseServer);
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
    EXPECT_EQ(F().lblInfo.Caption, "Info");
    EXPECT_TRUE(LogLines().empty());
    fs::remove(FServer->InstallationFolder() + "/fb32.exe");
}

std::string Sha256Text(const std::string& bytes) {
    Sha256 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.HexDigest();
}

// A download that breaks in its body goes on where it stopped, against nginx (ranges, strong
// ETags): the connection is cut from the client's side once, after half the file.
TEST_F(OnlineRunTest, ABrokenDownloadIsContinuedOrStartedAnewAndCancelActsDuringThePause) {
    const std::string served = FServer->InstallationFolder() + "/fb32.exe";
    const std::string copy = FHost.Temp + "/fb32.exe";
    const std::string log = (FMachine / "run.log").string();
    // The stand-in installer, so that the run goes on to start what arrived; the replacement
    // is the same program with bytes after its end.
    const std::string original = testbed::ReadAll(std::string(TV_STUB_DIR) + "/fb32.exe");
    const std::string replaced = original + std::string(100'000, 'r');
    const auto half = static_cast<std::int64_t>(original.size() / 2);
    enum class Between { Nothing, ReplaceTheFile, Cancel };
    const struct {
        const char* Name;
        Between Then;
        const std::string& Expected;
        const char* SecondAnswer; // the status of the try after the cut, in the run log
    } cases[] = {
        {"continued", Between::Nothing, original, ": 206, "},
        {"replaced on the server: anew", Between::ReplaceTheFile, replaced, ": 200, "},
        {"cancelled during the pause", Between::Cancel, original, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::ofstream(served, std::ios::binary) << original;
        std::ofstream(FServer->InstallationFolder() + "/install.ini")
            << "[SHA256]\r\nfb32.exe=" << Sha256Text(c.Expected) << "\r\n";
        fs::remove(copy);
        fs::remove(FMachine / "stub.log");
        Create();
        ASSERT_TRUE(Dlg().Log().Open(log));
        bool cut = false;
        Dlg().WebDAV().OnWork = [&](WorkMode mode, std::int64_t count) {
            Dlg().IdWebDAVWork(mode, count);
            if (cut || count < half) return;
            cut = true;
            Dlg().WebDAV().Transport().Close(); // as a line that breaks
            if (c.Then == Between::ReplaceTheFile) std::ofstream(served, std::ios::binary) << replaced;
            if (c.Then == Between::Cancel) {
                FHost.BoxAnswers = {mrYes};
                FLoop.Post([this] { Dlg().Dispatch([this] { Dlg().CloseBtnClick(); }); });
            }
        };
        const auto started = std::chrono::steady_clock::now();
        Install(pkDatabaseServer);
        const auto took = std::chrono::steady_clock::now() - started;
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("Download fb32.exe abgebrochen bei "), std::string::npos) << text;
        EXPECT_NE(text.find("Versuch 1 von 5 in 1 s"), std::string::npos);
        if (c.Then == Between::Cancel) {
            EXPECT_EQ(Dlg().InstallState(), isAborted);
            EXPECT_LT(took, std::chrono::milliseconds(900)); // the pause did not hold it
            EXPECT_TRUE(LogLines().empty());
            continue;
        }
        EXPECT_EQ(Dlg().InstallState(), isSucceeded) << F().lblStatusInfo.Caption;
        EXPECT_EQ(testbed::ReadAll(copy), c.Expected);
        EXPECT_NE(text.find(std::string("/users/norvano/installation/fb32.exe") + c.SecondAnswer),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("Prüfsumme von fb32.exe stimmt"), std::string::npos);
    }
    fs::remove(served);
}

// Answers nginx never gives, from the scriptable server: the first try of the installer is
// cut at its middle; what the server does with the range of the next try decides the rest.
TEST_F(InstallRunTest, ARangeTheServerIgnoresOrMisstatesStartsTheFileAnew) {
    const std::string body = testbed::ReadAll(std::string(TV_STUB_DIR) + "/st_setup.exe");
    const std::string half = body.substr(0, body.size() / 2);
    enum class Range { Ignored, Misstated };
    const struct {
        const char* Name;
        Range Server;
        int Outcome;
        int Requests; // of the installer
    } cases[] = {
        {"ignored: the whole file again", Range::Ignored, isSucceeded, 2},
        // cut, misstated (anew), cut again, misstated again: the run fails
        {"misstated twice", Range::Misstated, isFailed, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string whole = Answer("HTTP/1.1 200 OK", body, "ETag: \"v1\"\r\n");
        testbed::FixtureServer server([&](testbed::Exchange& x) {
            const std::string& target = x.Request.Target;
            if (target == "/login") return x.Send(Answer("HTTP/1.1 200 OK", "ok"));
            if (target.find("install.ini") != std::string::npos)
                return x.Send(Answer("HTTP/1.1 200 OK",
                                     "[SHA256]\r\nst_setup.exe=" +
                                         FileSha256(std::string(TV_STUB_DIR) + "/st_setup.exe") + "\r\n"));
            const bool ranged = x.Request.Headers.count("range") > 0;
            if (!ranged) {
                x.Send(whole.substr(0, whole.size() - body.size() + half.size()));
                return x.Cut();
            }
            EXPECT_EQ(x.Request.Headers.at("if-range"), "\"v1\"");
            if (c.Server == Range::Ignored) return x.Send(whole);
            x.Send(Answer("HTTP/1.1 206 Partial Content", body.substr(7),
                          "Content-Range: bytes 7-" + std::to_string(body.size() - 1) + "/" +
                              std::to_string(body.size()) + "\r\n"));
        });
        setenv("TVINSTALL_SERVER", server.Origin().substr(8).c_str(), 1);
        setenv("TVINSTALL_LOGIN_URL", (server.Origin() + "/login").c_str(), 1);
        FStartOffline = false;
        fs::remove(FMachine / "stub.log");
        fs::remove(FHost.Temp + "/st_setup.exe");
        Create();
        ASSERT_TRUE(Dlg().Online());
        Install(pkCompanionApp);
        EXPECT_EQ(Dlg().InstallState(), c.Outcome) << F().lblStatusInfo.Caption;
        int requests = 0;
        for (const auto& request : server.Requests())
            requests += request.Target.find("st_setup.exe") != std::string::npos ? 1 : 0;
        EXPECT_EQ(requests, c.Requests);
        if (c.Outcome == isFailed) {
            // The first failure is what the user reads; nothing ran.
            EXPECT_EQ(F().lblStatusInfo.Caption,
                      "Bei der Installation ist ein fataler Fehler aufgetreten.\n\r"
                      "Verbindung zu 127.0.0.1 wurde während der Übertragung abgebrochen");
            EXPECT_TRUE(LogLines().empty());
        }
    }
    unsetenv("TVINSTALL_SERVER");
    unsetenv("TVINSTALL_LOGIN_URL");
}

// The manifest's digests: a listed file is checked before it is run or unpacked, online as
// it arrives and offline in the package folder; a wrong one fails the run and runs nothing.
const std::string WrongDigest(64, 'a');
const std::string Mismatch = "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDie Datei %s ist "
                             "beschädigt oder wurde verändert (Prüfsumme stimmt nicht).";

TEST_F(InstallRunTest, ListedDigestsAreCheckedInThePackageFolder) {
    const fs::path packages = FMachine / "program" / "Packages";
    const struct {
        PackageKind Kind;
        const char* File;
        bool Right;
    } cases[] = {{pkCompanionApp, "st_setup.exe", false},
                 {pkDatabaseFiles, "db_base.zip", false},
                 {pkCompanionApp, "st_setup.exe", true},
                 {pkDatabaseFiles, "db_base.zip", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.File) + (c.Right ? " right" : " wrong"));
        fs::remove_all(FMachine / "data");
        fs::create_directories(FMachine / "data");
        fs::remove(FMachine / "stub.log");
        FManifestBytes = "[DBFileListClient]\r\nBrisa=db_base.zip\r\n[sha256]\r\n" + UpperCase(c.File) +
                         " = " + (c.Right ? FileSha256((packages / c.File).string()) : WrongDigest) + "\r\n";
        Create();
        Install(c.Kind, (FMachine / "data").string());
        if (c.Right) {
            EXPECT_NE(Dlg().InstallState(), isFailed) << F().lblStatusInfo.Caption;
            continue;
        }
        EXPECT_EQ(Dlg().InstallState(), isFailed);
        EXPECT_EQ(F().lblStatusInfo.Caption, FormatText(Mismatch, {c.File}));
        EXPECT_TRUE(LogLines().empty());                       // nothing ran
        EXPECT_FALSE(fs::exists(FMachine / "data" / "nv.db")); // nothing unpacked
        EXPECT_TRUE(fs::exists(packages / c.File));            // the package folder is never touched
    }
}

TEST_F(InstallRunTest, AMalformedDigestOrSizeLineIsAnErrorAtManifestLoad) {
    const std::string digest = "0123456789012345678901234567890123456789012345678901234567890123";
    const struct {
        const char* Section;
        std::string Lines;
        std::string Named; // the line the message names
    } cases[] = {
        {"SHA256", "st_setup.exe=abc", "st_setup.exe=abc"},
        {"SHA256", "=" + digest, "=" + digest},
        {"SHA256", "st_setup.exe", "st_setup.exe"},
        {"SHA256", "st_setup.exe=" + digest.substr(0, 63) + "x",
         "st_setup.exe=" + digest.substr(0, 63) + "x"},
        {"Size", "st_setup.exe=12a", "st_setup.exe=12a"},
        {"Size", "st_setup.exe=-1", "st_setup.exe=-1"},
        {"Size", "st_setup.exe=", "st_setup.exe="},
        {"Size", "st_setup.exe=1234567890123456789", "st_setup.exe=1234567890123456789"},
        {"Size", "st_setup.exe=10\r\nST_SETUP.EXE=11", "ST_SETUP.EXE=11"}, // two sizes for one file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lines);
        FManifestBytes = std::string("[DBFileListClient]\r\nBrisa=db_base.zip\r\n[") + c.Section + "]\r\n" +
                         c.Lines + "\r\n";
        Create();
        EXPECT_EQ(Dlg().Page(), tsInfo);
        EXPECT_EQ(F().lblStatusInfo.Caption, std::string("Ungültige Zeile im Abschnitt [") + c.Section +
                                                 "] des Paketverzeichnisses: \"" + c.Named + "\"");
        EXPECT_FALSE(Dlg().HasPackageSource());
    }
}

TEST_F(OnlineRunTest, ADownloadIsCheckedAsItArrivesAndAMatchingCopyIsNotFetchedAgain) {
    const std::string served = FServer->InstallationFolder() + "/st_setup.exe";
    const std::string copy = FHost.Temp + "/st_setup.exe";
    const std::string log = (FMachine / "run.log").string();
    for (bool right : {false, true, true}) {
        std::ofstream(FServer->InstallationFolder() + "/install.ini")
            << "[SHA256]\r\nst_setup.exe=" << (right ? FileSha256(served) : WrongDigest) << "\r\n";
        Create();
        ASSERT_TRUE(Dlg().Log().Open(log));
        const bool present = fs::exists(copy);
        Install(pkCompanionApp);
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!right) {
            EXPECT_EQ(F().lblStatusInfo.Caption, FormatText(Mismatch, {"st_setup.exe"}));
            EXPECT_FALSE(fs::exists(copy)); // the wrong copy went
            EXPECT_TRUE(LogLines().empty());
            EXPECT_NE(text.find("Prüfsumme von st_setup.exe stimmt nicht: erwartet " + WrongDigest +
                                ", erhalten " + FileSha256(served)),
                      std::string::npos);
            continue;
        }
        ExpectOutcome("Das Programm Stockado wurde erfolgreich installiert.");
        EXPECT_EQ(text.find("GET " + FServer->Origin() + "/users/norvano/installation/st_setup.exe") ==
                      std::string::npos,
                  present)
            << text;
        EXPECT_EQ(text.find("nicht erneut geladen") != std::string::npos, present);
    }
}

} // namespace
} // namespace tv

namespace tv {
namespace {

class DatabaseRunTest : public InstallRunTest {
protected:
    void RunDatabases(const std::string& list) {
        Dlg().LoadManifest({"[DBFileListClient]", "Brisa=" + list});
        Install(pkDatabaseFiles, (FMachine / "data").string());
    }
};

TEST_F(DatabaseRunTest, LiveDatabasesAreKeptAndListed) {
    std::ofstream(FMachine / "data" / "nv.db") << "live";
    std::ofstream(FMachine / "data" / "etg_parts.db") << "old parts";
    RunDatabases("db_base.zip");
    ExpectOutcome("Die Datenbanken wurde erfolgreich installiert.");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "nv.db"), "live");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "etg_parts.db"), "parts");
    EXPECT_EQ(F().ErrList.Items, std::vector<std::string>{"Datei " + (FMachine / "data").string() +
                                                          "/nv.db ist vorhanden und wurde nicht ersetzt."});
}

TEST_F(DatabaseRunTest, SecondArchiveMissingOfflineFailsBeforeAnyIsWritten) {
    RunDatabases("db_base.zip;missing.zip");
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDie "
                                         "Datei missing.zip ist nicht vorhanden. "
                                         "Die Installation der Datenbank kann nicht ausgeführt werden");
    EXPECT_FALSE(fs::exists(FMachine / "data" / "etg_parts.db"));
}

TEST_F(DatabaseRunTest, TrailingSeparatorFailsAtTheEmptyNameBeforeAnyIsWritten) {
    RunDatabases("db_base.zip;");
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Bei der Installation ist ein fataler Fehler aufgetreten.\n\r"
                                         "Ungültiger Dateiname im Paketverzeichnis: ''");
    EXPECT_FALSE(fs::exists(FMachine / "data" / "etg_parts.db"));
}

TEST_F(DatabaseRunTest, EmptyListSucceedsAtOnce) {
    RunDatabases("");
    ExpectOutcome("Die Datenbanken wurde erfolgreich installiert.");
}

TEST_F(DatabaseRunTest, EntryThatCannotBeWrittenFailsTheRunAfterTheArchive) {
    fs::create_directory(FMachine / "data" / "etg_parts.db"); // a folder where a database belongs
    RunDatabases("db_base.zip");
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_EQ(F().ErrList.Items[0].rfind("Datei db/etg_parts.db wurde nicht entpackt: ", 0), 0u)
        << F().ErrList.Items[0];
    EXPECT_NE(F().lblStatusInfo.Caption.find(F().ErrList.Items[0]), std::string::npos);
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "nv.db"), std::string(200000, 'n')); // the rest is written
}

TEST_F(DatabaseRunTest, MissingTargetFolderFailsWithTheExtractorsMessage) {
    Dlg().LoadManifest({"[DBFileListClient]", "Brisa=db_base.zip"});
    Click([](auto& d) { d.DoAction(pkDatabaseFiles); });
    Dlg().InstallDatabases((FMachine / "nowhere").string(), "db_base.zip");
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDirectory does not exist");
}

// Faults of the machine during a run: each ends with a clear text and loses nothing the
// run did not itself bring.

// A file-size limit for the test's life, with the signal ignored as the program does, so
// writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int);
};

std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(DatabaseRunTest, DamagedEntryKeepsTheDatabaseItWouldHaveReplaced) {
    std::ofstream(FMachine / "data" / "etg_parts.db") << "old parts";
    const fs::path archive = FMachine / "program" / "Packages" / "db_bad.zip";
    MakeZip(archive.string(), {{"etg_parts.db", "NEW PARTS DATA", false}});
    std::string bytes = testbed::ReadAll(archive);
    bytes[bytes.find("NEW PARTS DATA")] = 'X'; // the stored data no longer matches its CRC
    std::ofstream(archive, std::ios::binary) << bytes;
    RunDatabases("db_bad.zip");
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_EQ(F().ErrList.Items[0], "Datei etg_parts.db wurde nicht entpackt: beschädigte Daten: CRC-Fehler");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "etg_parts.db"), "old parts");
    EXPECT_EQ(FolderNames(FMachine / "data"), std::vector<std::string>{"etg_parts.db"});
}

TEST_F(DatabaseRunTest, FileSizeLimitWhileUnpackingKeepsTheOldDatabase) {
    std::ofstream(FMachine / "data" / "etg_parts.db") << "old parts";
    std::ofstream(FMachine / "data" / "nv.db") << "live";
    MakeZip((FMachine / "program" / "Packages" / "db_big.zip").string(),
            {{"etg_parts.db", std::string(3'000'000, 'p')},
             {"etg_aw.db", "aw"},
             {"etg_cars.db", std::string(3'000'000, 'c')}}); // a new file, written in place
    {
        FileSizeLimit limit(1'000'000);
        RunDatabases("db_big.zip");
    }
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    ASSERT_EQ(F().ErrList.Items.size(), 2u);
    for (int i : {0, 1}) {
        const std::string name = i == 0 ? "etg_parts.db" : "etg_cars.db";
        EXPECT_EQ(F().ErrList.Items[i], "Datei " + name + " wurde nicht entpackt: Datei \"" +
                                            (FMachine / "data" / name).string() +
                                            "\" kann nicht geschrieben werden. File too large");
    }
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "etg_parts.db"), "old parts");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "nv.db"), "live");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "etg_aw.db"), "aw"); // the entries that fit are written
    EXPECT_EQ(FolderNames(FMachine / "data"),
              (std::vector<std::string>{"etg_aw.db", "etg_parts.db", "nv.db"}));
}

TEST_F(DatabaseRunTest, DatabaseHeldOpenByAnotherProcessIsReplacedAndItsReaderKeepsTheOldFile) {
    const fs::path database = FMachine / "data" / "etg_parts.db";
    std::string old;
    for (int i = 0; i < 20000; ++i)
        old += "old record " + std::to_string(i) + "\n";
    std::ofstream(database) << old;
    // Another program opens the database, says so, and reads it whole only when told to.
    const fs::path ready = FMachine / "ready", seen = FMachine / "seen";
    const std::string command = "exec 3< '" + database.string() + "'; : > '" + ready.string() +
                                "'; read go; cat <&3 > '" + seen.string() + "'";
    std::FILE* reader = popen(("sh -c \"" + command + "\"").c_str(), "w");
    ASSERT_NE(reader, nullptr);
    for (int i = 0; i < 200 && !fs::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(ready));

    RunDatabases("db_base.zip");
    ExpectOutcome("Die Datenbanken wurde erfolgreich installiert.");
    EXPECT_EQ(testbed::ReadAll(database), "parts");

    std::fputs("go\n", reader);
    EXPECT_EQ(pclose(reader), 0);
    EXPECT_EQ(testbed::ReadAll(seen), old); // whole, not torn by the update
}

TEST_F(DatabaseRunTest, ReadOnlyDataFolderFailsAndChangesNothing) {
    if (geteuid() == 0) {
        // Permissions do not bind the superuser: the test runs again in a process of its own
        // as an ordinary user.
        if (std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is missing";
        const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups /proc/" +
                                    std::to_string(getpid()) + "/exe --gtest_filter=" +
                                    testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() +
                                    "." + testing::UnitTest::GetInstance()->current_test_info()->name() +
                                    " 2>&1";
        std::FILE* child = popen(command.c_str(), "r");
        ASSERT_NE(child, nullptr);
        std::string output;
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, child))
            output.append(buffer, n);
        EXPECT_EQ(pclose(child), 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
    std::ofstream(FMachine / "data" / "nv.db") << "live";
    fs::permissions(FMachine / "data", fs::perms::owner_read | fs::perms::owner_exec);
    RunDatabases("db_base.zip");
    fs::permissions(FMachine / "data", fs::perms::owner_all);
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    ASSERT_EQ(F().ErrList.Items.size(), 2u);
    EXPECT_EQ(F().ErrList.Items[0],
              "Datei " + (FMachine / "data").string() + "/nv.db ist vorhanden und wurde nicht ersetzt.");
    EXPECT_EQ(F().ErrList.Items[1], "Datei db/etg_parts.db wurde nicht entpackt: Datei \"" +
                                        (FMachine / "data" / "etg_parts.db").string() +
                                        "\" kann nicht erstellt werden. Permission denied");
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "nv.db"), "live");
    EXPECT_EQ(FolderNames(FMachine / "data"), std::vector<std::string>{"nv.db"});
}

TEST_F(OnlineRunTest, DownloadedArchiveThatCannotBeDeletedLeavesTheRunASuccess) {
    // An immutable file: not even the superuser deletes it.
    const fs::path copy = fs::path(FHost.Temp) / "db_base.zip";
    bool locked = false;
    Dlg().Unpacker().Extractor().OnArchiveProgress = [&](int progress, bool& abort) {
        if (!locked) locked = std::system(("chattr +i '" + copy.string() + "' 2>/dev/null").c_str()) == 0;
        Dlg().AbUnZipperArchiveProgress(progress, abort);
    };
    Dlg().LoadManifest({"[DBFileListClient]", "Brisa=db_base.zip"});
    Install(pkDatabaseFiles, (FMachine / "data").string());
    if (locked) std::system(("chattr -i '" + copy.string() + "'").c_str());
    if (!locked) GTEST_SKIP() << "this file system has no immutable files";
    ExpectOutcome("Die Datenbanken wurde erfolgreich installiert.");
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_EQ(testbed::ReadAll(FMachine / "data" / "etg_aw.db"), "aw");
}

TEST_F(OnlineRunTest, FileSizeLimitWhileDownloadingRemovesThePartialFile) {
    MakeZip(FServer->InstallationFolder() + "/db_base.zip", {{"nv.db", std::string(3'000'000, 'n'), false}});
    {
        FileSizeLimit limit(1'000'000);
        Install(pkDatabaseFiles, (FMachine / "data").string());
    }
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Bei der Installation ist ein fataler Fehler aufgetreten.\n\rDie Datei " + FHost.Temp +
                  "/db_base.zip kann nicht geschrieben werden: File too large");
    EXPECT_FALSE(fs::exists(FHost.Temp + "/db_base.zip"));
    EXPECT_TRUE(fs::is_empty(FMachine / "data"));
}

} // namespace
} // namespace tv
