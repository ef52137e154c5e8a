// Online and offline mode and downloads, against the nginx test bed and the fixture server.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "host/Registry.h"
#include "source/ManifestSignature.h"
#include "source/ServerConfig.h"
#include "wizard/Session.h"

#include <gtest/gtest.h>

#include "fixtures/FixtureServer.h"
#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"
#include "support/Environment.h"
#include "support/Files.h"
#include "support/MuteListener.h"
#include "support/WizardFixture.h"
#include "util/TextFile.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

const std::string OnlineManifest = "[UpdFileDescr]\r\nBrisa=Online A;Online B\r\n";
const std::string OfflineManifest = "[UpdFileDescr]\r\nBrisa=Offline A\r\n";

class ModeTest : public WizardFixture {
protected:
    static void SetUpTestSuite() { FServer = new NginxServer(); }
    static void TearDownTestSuite() { delete FServer; }

    void SetUp() override {
        CertificateFolder();
        PointAt(FServer->Origin().substr(8), FServer->Origin() + "/login");
        std::ofstream(FServer->InstallationFolder() + "/install.ini", std::ios::binary) << OnlineManifest;
        FManifestBytes = OfflineManifest;
    }
    void TearDown() override {
        for (const char* name : {"TVINSTALL_SERVER", "TVINSTALL_LOGIN_URL", "TVINSTALL_USER"})
            unsetenv(name);
    }
    static void PointAt(const std::string& server, const std::string& login) {
        setenv("TVINSTALL_SERVER", server.c_str(), 1);
        setenv("TVINSTALL_LOGIN_URL", login.c_str(), 1);
        setenv("TVINSTALL_USER", NginxServer::User, 1);
    }
    std::string Descriptions() { return Dlg().InstallIni().ReadString("UpdFileDescr", "Brisa", "<none>"); }
    // Requests nginx logged so far whose line holds `what`.
    static int Logged(const std::string& what) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // nginx logs just after it answered
        std::ifstream in(FServer->AccessLog());
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line.find(what) != std::string::npos;
        return count;
    }
    void ExpectOffline() { ExpectOfflineFrom(FHost.ProgramDir + "Packages" + PathDelimiter); }
    void ExpectOfflineFrom(const std::string& packages) {
        EXPECT_FALSE(Dlg().Online());
        EXPECT_TRUE(Dlg().Offline());
        EXPECT_EQ(F().Caption, "Tarvo Installation [ Offline Modus ]");
        EXPECT_TRUE(F().OfflineBtn.Down);
        EXPECT_FALSE(F().OnlineBtn.Down);
        EXPECT_EQ(Dlg().SetupFolder(), packages);
    }
    void ExpectOnline() {
        EXPECT_TRUE(Dlg().Online());
        EXPECT_EQ(F().Caption, "Tarvo Installation [ Online Modus ]");
        EXPECT_TRUE(F().OnlineBtn.Down);
        EXPECT_FALSE(F().OfflineBtn.Down);
        EXPECT_EQ(Dlg().SetupFolder(), FHost.Temp + PathDelimiter);
    }
    // A login page nobody answers: the discard port, which no test server ever takes.
    static std::string DeadLogin() { return "https://127.0.0.1:9/login"; }

    static NginxServer* FServer;
};
NginxServer* ModeTest::FServer = nullptr;

TEST_F(ModeTest, StartWithManifestBesideTheProgramIsOfflineWithoutARequest) {
    int before = Logged("");
    Create();
    ExpectOffline();
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_TRUE(F().OnlineBtn.Visible);
    EXPECT_TRUE(F().OfflineBtn.Visible);
    EXPECT_TRUE(F().FBConfigBtn.Visible);
    EXPECT_EQ(Descriptions(), "Offline A");
    EXPECT_EQ(Logged(""), before);
}

#ifndef _WIN32
// Another program may hold the manifest locked: its failure is recorded, shown nowhere.
TEST_F(ModeTest, AnUnreadableOfflineManifestIsRecordedAndShownNowhere) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions bind everyone but root";
    Create();
    fs::permissions(IniBesideProgram(), fs::perms::none);
    Click([](auto& d) { d.OfflineBtnClick(); });
    fs::permissions(IniBesideProgram(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Dlg().Page(), tsSelect); // no error page
    EXPECT_TRUE(FHost.Boxes.empty());
    EXPECT_NE(Dlg().ErrorMsg().find("install.ini"), std::string::npos) << Dlg().ErrorMsg();
    EXPECT_TRUE(Dlg().InstallIni().Empty());
    EXPECT_FALSE(Dlg().HasPackageSource());
}
#endif

// /SOURCE: the offline set elsewhere, with its Packages folder or its files beside the
// manifest; the program's own folder is not read.
TEST_F(ModeTest, AnOfflineSetElsewhereIsReadFromThere) {
    const fs::path share = FMachine / "share";
    for (const bool withPackagesFolder : {true, false}) {
        SCOPED_TRACE(withPackagesFolder);
        fs::remove_all(share);
        fs::create_directories(withPackagesFolder ? share / "Packages" : share);
        std::ofstream(share / "install.ini", std::ios::binary)
            << "[UpdFileDescr]\r\nBrisa=Von der Freigabe\r\n";
        FSourceFolder = share.string();
        Create();
        ExpectOfflineFrom(share.string() + PathDelimiter +
                          (withPackagesFolder ? "Packages" + std::string(1, PathDelimiter) : ""));
        EXPECT_EQ(Dlg().IniFileName(), (share / "install.ini").string());
        EXPECT_EQ(Descriptions(), "Von der Freigabe");
    }
}

// With keys built in, a manifest is used only as the publisher signed it, fresh and in
// order, offline and online; a refused one offers nothing, and a used one's serial is kept.
TEST_F(ModeTest, OnlyASignedManifestInOrderIsUsed) {
    const KeyPair publisher = MakeSigningKeys(), stranger = MakeSigningKeys();
    FTrustedKeys = {publisher.PublicPem};
    auto release = [](int serial, const char* expires) {
        return "[Release]\r\nSerial=" + std::to_string(serial) + "\r\nExpires=" + expires + "\r\n";
    };
    const std::string fresh = release(5, "2099-01-01T00:00:00Z");
    const struct {
        const char* Name;
        std::string Manifest;
        std::optional<std::string> SignedBy; // the private key; none: no signature file
        std::string Tail;                    // bytes added after signing
        const char* KeptSerial;              // this machine's before the start
        const char* Refusal;                 // null: used
    } cases[] = {
        {"signed and fresh", fresh, publisher.PrivatePem, "", "4", nullptr},
        {"a changed byte", fresh, publisher.PrivatePem, " ", nullptr,
         "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert)."},
        {"a key not built in", fresh, stranger.PrivatePem, "", nullptr,
         "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert)."},
        {"no signature", fresh, std::nullopt, "", nullptr, "es ist nicht signiert (install.ini.sig fehlt)."},
        {"replayed with a lower serial", fresh, publisher.PrivatePem, "", "9",
         "es ist älter (Serial 5) als das zuletzt auf diesem Rechner verwendete (Serial 9)."},
        {"expired", release(6, "2020-01-01T00:00:00Z"), publisher.PrivatePem, "", nullptr,
         "es ist am 2020-01-01T00:00:00Z abgelaufen."},
        {"no [Release]", "", publisher.PrivatePem, "", nullptr, "der Abschnitt [Release] fehlt."},
    };
    for (const bool online : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (online ? ", online" : ", offline"));
            const std::string bytes = (online ? OnlineManifest : OfflineManifest) + c.Manifest;
            const std::string folder =
                online ? FServer->InstallationFolder() : (FMachine / "program").string();
            const std::string source =
                online ? InstallationFolderAddress() + "install.ini" : IniBesideProgram();
            std::ofstream(folder + "/install.ini", std::ios::binary) << bytes << c.Tail;
            fs::remove(folder + "/install.ini.sig");
            if (c.SignedBy) std::ofstream(folder + "/install.ini.sig") << SignManifest(bytes, *c.SignedBy);
            FManifestBytes = online ? OfflineManifest + release(10, "2099-01-01T00:00:00Z") : bytes + c.Tail;
            if (online) // the offline set beside the program is good and newer; the server's is the case's
                std::ofstream(IniBesideProgram() + ".sig")
                    << SignManifest(FManifestBytes, publisher.PrivatePem);
            FHost.RegistryText.clear();
            if (online) Create();
            FHost.RegistryText = c.KeptSerial ? "Windows Registry Editor Version 5.00\r\n" +
                                                    RegistryValueText("SOFTWARE\\Norvano\\Setup",
                                                                      "ManifestSerial", c.KeptSerial)
                                              : "";
            if (online)
                Click([](auto& d) { d.OnlineBtnClick(); });
            else
                Create();
            if (!c.Refusal) {
                EXPECT_EQ(Dlg().Page(), tsSelect);
                EXPECT_EQ(Descriptions(), online ? "Online A;Online B" : "Offline A");
                EXPECT_NE(FHost.RegistryText.find("\"ManifestSerial\"=\"5\""), std::string::npos)
                    << FHost.RegistryText;
                continue;
            }
            EXPECT_EQ(Dlg().Page(), tsInfo);
            EXPECT_EQ(F().lblStatusInfo.Caption,
                      "Das Paketverzeichnis " + source + " wird nicht verwendet: " + c.Refusal);
            // Offline nothing is offered; online the start falls back to the offline set.
            EXPECT_EQ(Descriptions(), online ? "Offline A" : "<none>");
        }
    }
    fs::remove(IniBesideProgram() + ".sig");
    fs::remove(FServer->InstallationFolder() + "/install.ini.sig");
}

// Refused online with no offline set to fall back on: the run has failed, not merely
// found no source.
TEST_F(ModeTest, ARefusedManifestWithoutFallBackFailsTheRun) {
    FTrustedKeys = {MakeSigningKeys().PublicPem};
    FStartOffline = false;
    Create(); // the server's manifest carries no signature
    EXPECT_FALSE(Dlg().HasPackageSource());
    EXPECT_TRUE(Dlg().ManifestRefused());
    EXPECT_EQ(ExitCodeOf(Dlg()), ecInstallFailed);
    FTrustedKeys.clear();
    Create();
    EXPECT_FALSE(Dlg().ManifestRefused());
}

TEST_F(ModeTest, StartOnlineLogsInAndFetchesTheManifest) {
    FStartOffline = false;
    int logins = Logged("POST /login");
    Create();
    ExpectOnline();
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_FALSE(F().OnlineBtn.Visible);
    EXPECT_FALSE(F().OfflineBtn.Visible);
    EXPECT_FALSE(F().FBConfigBtn.Visible);
    EXPECT_EQ(Descriptions(), "Online A;Online B");
    EXPECT_FALSE(Dlg().CriticalError());
    EXPECT_EQ(Logged("POST /login"), logins + 1);
}

TEST_F(ModeTest, FolderNamedLikeTheManifestBesideTheProgramStartsOnline) {
    FStartOffline = false;
    fs::create_directories(fs::path(IniBesideProgram()) / "not a manifest");
    Create();
    ExpectOnline();
    EXPECT_EQ(Descriptions(), "Online A;Online B");
    EXPECT_FALSE(F().OnlineBtn.Visible);
    EXPECT_EQ(Dlg().Page(), tsSelect);
}

TEST_F(ModeTest, StartWhoseFetchFailsIsOfflineWithAnEmptyManifest) {
    FStartOffline = false;
    fs::remove(FServer->InstallationFolder() + "/install.ini");
    Create();
    ExpectOffline();
    EXPECT_EQ(Descriptions(), "<none>");
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblInfo.Caption, "Fehler");
    EXPECT_EQ(F().lblStatusInfo.Caption, "HTTP/1.1 404 Not Found");
    EXPECT_FALSE(F().OnlineBtn.Visible);
    EXPECT_FALSE(Dlg().CriticalError());
    Click([](auto& d) { d.CloseBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_FALSE(F().Closed);
    EXPECT_FALSE(F().OnlineBtn.Visible);
}

TEST_F(ModeTest, StartWhoseManifestRedirectsForeverFailsAsAnyFetch) {
    FStartOffline = false;
    std::ofstream(FServer->Root() + "/redirect-loop") << "on";
    Create();
    fs::remove(FServer->Root() + "/redirect-loop");
    ExpectOffline();
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Zu viele Weiterleitungen (15) beim Abruf von " + FServer->Origin() +
                                             "/users/norvano/installation/install.ini");
    EXPECT_FALSE(Dlg().HasPackageSource()); // nothing to install, never an empty success
}

TEST_F(ModeTest, StartWhoseLoginFailsIsACriticalError) {
    FStartOffline = false;
    PointAt(FServer->Origin().substr(8), DeadLogin());
    Create();
    EXPECT_TRUE(Dlg().CriticalError());
    EXPECT_TRUE(Dlg().Online());
    EXPECT_FALSE(Dlg().Offline());
    EXPECT_EQ(F().Caption, "Tarvo Installation [ Online Modus ]");
    EXPECT_EQ(Dlg().Page(), tsInfo);
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Connect zum Updateserver ist fehlgeschlagen. Programm wird beeendet");
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_NE(F().ErrList.Items[0].find("Connection refused"), std::string::npos);
    EXPECT_TRUE(Dlg().InstallIni().Empty());
    Click([](auto& d) { d.CloseBtnClick(); });
    EXPECT_TRUE(F().Closed);
}

TEST_F(ModeTest, StartWaitingForTheServerShowsItselfAndCancelFallsBack) {
    FStartOffline = false;
    Create(); // a start that the server answers at once leaves the small window hidden
    EXPECT_FALSE(F().ConnectWait.Visible);

    // Cancelled while the login waits for a server that never answers, and while the
    // manifest's request does: both as after any failed connection.
    MuteListener mute(false); // takes the connection and never answers
    std::atomic<bool> fetching{false}, released{false};
    FixtureServer stalling([&](Exchange& x) {
        if (x.Request.Method == "POST") {
            x.Send(Answer("HTTP/1.1 200 OK"));
            return;
        }
        fetching = true;
        while (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        x.Close();
    });
    const std::string muteServer = "127.0.0.1:" + std::to_string(mute.Port());
    const struct {
        std::string Server;
        std::function<bool()> Due;
    } cases[] = {
        {muteServer, [] { return true; }},
        {stalling.Origin().substr(8), [&] { return fetching.load(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Server);
        PointAt(c.Server, "https://" + c.Server + "/login");
        std::string shown;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            while (!c.Due())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            FLoop.Post([&] {
                if (FDlg->GetForm().ConnectWait.Visible) shown = FDlg->GetForm().ConnectWait.Caption;
                FDlg->Dispatch([this] { FDlg->ConnectWaitCancelClick(); });
            });
        });
        auto start = std::chrono::steady_clock::now();
        Create();
        auto waited = std::chrono::steady_clock::now() - start;
        user.join();
        EXPECT_EQ(shown, "Verbindung zum Update-Server wird hergestellt \u2026\n\r" + c.Server);
        EXPECT_LT(waited, std::chrono::seconds(3));
        EXPECT_FALSE(F().ConnectWait.Visible);
        EXPECT_TRUE(Dlg().CriticalError());
        EXPECT_EQ(F().lblStatusInfo.Caption,
                  "Connect zum Updateserver ist fehlgeschlagen. Programm wird beeendet");
    }
    released = true;
}

TEST_F(ModeTest, OnlineButtonFromOffline) {
    Create();
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOnline();
    EXPECT_EQ(Descriptions(), "Online A;Online B");
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_TRUE(FHost.Boxes.empty());
}

TEST_F(ModeTest, OnlineButtonWhoseFetchFailsReadsTheOfflineManifestAnew) {
    Create();
    fs::remove(FServer->InstallationFolder() + "/install.ini");
    std::ofstream(IniBesideProgram(), std::ios::binary) << "[UpdFileDescr]\r\nBrisa=Offline B\r\n";
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOffline();
    EXPECT_EQ(Descriptions(), "Offline B");
    EXPECT_EQ(F().lblStatusInfo.Caption, "HTTP/1.1 404 Not Found");
    EXPECT_TRUE(F().FBConfigBtn.Visible); // shown whenever offline mode is available
    Click([](auto& d) { d.CloseBtnClick(); });
    EXPECT_EQ(Dlg().Page(), tsSelect);
    EXPECT_TRUE(F().OnlineBtn.Visible);
}

TEST_F(ModeTest, OnlineButtonWhoseSecondLoginFailsFallsBackOffline) {
    // The login page closes the connection after the first POST and refuses the second.
    int posts = 0;
    FixtureServer login([&](Exchange& x) {
        if (++posts == 1)
            x.Send(Answer("HTTP/1.1 200 OK", "", "Connection: close\r\n"));
        else
            x.Send(Answer("HTTP/1.1 503 Service Unavailable"));
    });
    login.IdleCloseMs = 100; // so the connection of the first login is gone when the switch logs in again
    PointAt(FServer->Origin().substr(8), login.Origin() + "/login");
    Create();
    // The connection that Connect opened after the first POST is closed by the server while idle.
    Click([&](auto& d) {
        ASSERT_TRUE(d.ConnectToServer());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        d.SetOnline(true); // what OnlineBtnClick does next
    });
    ExpectOffline();
    EXPECT_EQ(Descriptions(), "Offline A");
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Connect zum Updateserver ist fehlgeschlagen. Offlinemodus wird eingeschaltet");
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_EQ(F().ErrList.Items[0], "HTTP/1.1 503 Service Unavailable");
}

TEST_F(ModeTest, OnlineButtonWhoseLoginFailsShowsABoxAfterGoingOffline) {
    Create();
    PointAt(FServer->Origin().substr(8), DeadLogin());
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOffline();
    EXPECT_EQ(Dlg().Page(), tsSelect);
    ASSERT_EQ(FHost.Boxes.size(), 1u);
    EXPECT_EQ(FHost.Boxes[0].Message,
              "Connect zum Updateserver ist fehlgeschlagen. Offlinemodus wird eingeschaltet");
    EXPECT_EQ(FHost.Boxes[0].Type, MsgDlgType::Error);
    EXPECT_EQ(FHost.Boxes[0].Buttons, unsigned(mbOK));
    ASSERT_EQ(F().ErrList.Items.size(), 1u);
    EXPECT_NE(F().ErrList.Items[0].find("refused"), std::string::npos);
}

TEST_F(ModeTest, OnlineButtonWhileOnlineFetchesAgainWithoutANewLogin) {
    FStartOffline = false;
    Create();
    int logins = Logged("POST /login");
    int fetches = Logged("GET /users/norvano/installation/install.ini");
    std::ofstream(FServer->InstallationFolder() + "/install.ini", std::ios::binary)
        << "[UpdFileDescr]\r\nBrisa=Changed\r\n";
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOnline();
    EXPECT_EQ(Descriptions(), "Changed");
    EXPECT_EQ(Logged("POST /login"), logins);
    EXPECT_EQ(Logged("GET /users/norvano/installation/install.ini"), fetches + 1);
}

TEST_F(ModeTest, FetchFailingWhileOnlineFallsBackOffline) {
    Create();
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOnline();
    fs::remove(FServer->InstallationFolder() + "/install.ini");
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOffline();
    EXPECT_EQ(Descriptions(), "Offline A");
    EXPECT_EQ(F().lblStatusInfo.Caption, "HTTP/1.1 404 Not Found");
}

TEST_F(ModeTest, OfflineButtonClosesTheConnectionAndReadsTheManifestAnew) {
    Create();
    Click([](auto& d) { d.OnlineBtnClick(); });
    ASSERT_TRUE(Dlg().WebDAV().Connected());
    int before = Logged("");
    Click([](auto& d) { d.OfflineBtnClick(); });
    ExpectOffline();
    EXPECT_FALSE(Dlg().WebDAV().Connected());
    EXPECT_EQ(Descriptions(), "Offline A");
    std::ofstream(IniBesideProgram(), std::ios::binary) << "[UpdFileDescr]\r\nBrisa=Edited\r\n";
    Click([](auto& d) { d.OfflineBtnClick(); });
    ExpectOffline();
    EXPECT_EQ(Descriptions(), "Edited");
    EXPECT_EQ(Logged(""), before);
}

TEST_F(ModeTest, ManifestEncodingsGiveTheSameDescriptions) {
    const std::string text = "[UpdFileDescr]\r\nBrisa=Ersatzteile für Händler;Größen\r\n";
    for (TextEncoding encoding :
         {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom, TextEncoding::Ansi}) {
        FManifestBytes = EncodeText(text, encoding);
        Create();
        EXPECT_EQ(Descriptions(), "Ersatzteile für Händler;Größen") << static_cast<int>(encoding);
        std::ofstream(FServer->InstallationFolder() + "/install.ini", std::ios::binary) << FManifestBytes;
        Click([](auto& d) { d.OnlineBtnClick(); });
        EXPECT_EQ(Descriptions(), "Ersatzteile für Händler;Größen") << static_cast<int>(encoding);
    }
}

TEST_F(ModeTest, FolderNamedLikeTheManifestIsNoManifestForTheOfflineButton) {
    Create();
    fs::remove(IniBesideProgram());
    fs::create_directory(IniBesideProgram());
    Click([](auto& d) { d.OfflineBtnClick(); });
    EXPECT_TRUE(Dlg().InstallIni().Empty());
    EXPECT_EQ(Dlg().ErrorMsg(), "");
    EXPECT_EQ(F().Caption, "Tarvo Installation [ Offline Modus ]");
    fs::remove(IniBesideProgram());
}

// --- downloads -----------------------------------------------------------------------

class DownloadTest : public ModeTest {
protected:
    void SetUp() override {
        ModeTest::SetUp();
        Create();
        Click([](auto& d) { d.OnlineBtnClick(); });
        Dlg().SetInstallState(isRunning);
    }
    bool Download(const std::string& baseUrl, const std::string& name, std::string* failure = nullptr) {
        try {
            return Dlg().DownloadFile(baseUrl, name, FHost.Temp);
        } catch (const std::exception& e) {
            if (failure) *failure = e.what();
            return false;
        }
    }
};

TEST_F(DownloadTest, BarCountsThousandsOfBytesAndHidesAtTheEnd) {
    std::ofstream(FServer->InstallationFolder() + "/nv_setup.exe", std::ios::binary)
        << std::string(5'234'567, 'n');
    std::vector<std::pair<long long, long long>> bar; // (max, position) seen by each pump
    FLoop.Post([] {});                                // the first pump draws the page
    std::function<void()> watch;
    Dlg().WebDAV().OnWork = [&](WorkMode mode, std::int64_t count) {
        Dlg().IdWebDAVWork(mode, count);
        bar.push_back({F().pbDownload.Max, F().pbDownload.Position});
    };
    EXPECT_TRUE(Download(InstallationFolderAddress(), "nv_setup.exe"));
    EXPECT_EQ(fs::file_size(FHost.Temp + "/nv_setup.exe"), 5'234'567u);
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar.back(), std::make_pair(5234LL, 5234LL));
    EXPECT_EQ(Dlg().Page(), tsProgress);
    EXPECT_EQ(F().lblProgress.Caption, "Download");
    EXPECT_EQ(F().lblFileName.Caption, "Datei nv_setup.exe");
    EXPECT_FALSE(F().pbDownload.Visible);
    EXPECT_EQ(F().pbDownload.Position, 0);
    EXPECT_EQ(F().CloseBtn.Caption, "Abbrechen");
}

TEST_F(DownloadTest, UnknownLengthGivesMaximumZero) {
    FixtureServer chunked([](Exchange& x) {
        x.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7d0\r\n" + std::string(2000, 'c') +
               "\r\n0\r\n\r\n");
    });
    PointAt(chunked.Origin().substr(8), chunked.Origin() + "/login");
    Dlg().WebDAV().Disconnect();
    long long maxSeen = -1, lastPosition = -1;
    Dlg().WebDAV().OnWork = [&](WorkMode mode, std::int64_t count) {
        Dlg().IdWebDAVWork(mode, count);
        maxSeen = F().pbDownload.Max;
        lastPosition = F().pbDownload.Position;
    };
    EXPECT_TRUE(Download(InstallationFolderAddress(), "fb32.exe"));
    EXPECT_EQ(maxSeen, 0);
    EXPECT_EQ(lastPosition, 2);
}

// A server that is not ours may send more than listed, without end, or next to nothing:
// the download fails at once (or after its further tries), and nothing of it stays.
TEST_F(DownloadTest, HostileAnswersFailWithoutFillingTheDiskOrHoldingTheRun) {
    const std::string endlessChunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string chunk = "100000\r\n" + std::string(0x100000, 'e') + "\r\n";
    const struct {
        const char* Name;
        std::function<void(Exchange&)> Answer;
        std::string Failure; // its beginning
        bool Retried;
    } cases[] = {
        {"larger than listed", [](Exchange& x) { x.Send(Answer("HTTP/1.1 200 OK", std::string(5000, 'l'))); },
         "Die Datei x.zip wird größer als im Paketverzeichnis angegeben (1000 Bytes): der Download wurde "
         "abgebrochen.",
         false},
        {"chunks without end",
         [&](Exchange& x) {
             for (bool more = x.SendWhileOpen(endlessChunks); more;)
                 more = x.SendWhileOpen(chunk);
         },
         "Auf dem Laufwerk von ", false},
        {"a byte now and then",
         [](Exchange& x) {
             x.Send("HTTP/1.1 200 OK\r\nContent-Length: 60\r\n\r\n");
             for (int i = 0; i < 60 && x.SendWhileOpen("s"); ++i)
                 std::this_thread::sleep_for(std::chrono::milliseconds(250));
         },
         "Der Server 127.0.0.1 liefert weniger als 10 Bytes in 1 s: die Übertragung gilt als abgebrochen",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FixtureServer hostile([&](Exchange& x) {
            if (x.Request.Method == "POST")
                x.Send(Answer("HTTP/1.1 200 OK"));
            else
                c.Answer(x);
        });
        PointAt(hostile.Origin().substr(8), hostile.Origin() + "/login");
        Dlg().WebDAV().Disconnect();
        Dlg().LoadManifest({"[Size]", "x.zip=1000"});
        // The limits shortened, the disk's margin just below what is free now.
        Dlg().WebDAV().SlowWindow = std::chrono::seconds(1);
        Dlg().WebDAV().SlowBytes = 10;
        Dlg().Source().RetryPauseUnit = std::chrono::milliseconds(1);
        const auto space = fs::space(FHost.Temp);
        Dlg().Source().FreeSpaceMargin = space.available - 20 * 1024 * 1024;
        const std::string log = (FMachine / "download.log").string();
        ASSERT_TRUE(Dlg().Log().Open(log));
        const std::string name = c.Retried                                     ? "slow.zip"
                                 : std::string(c.Name) == "larger than listed" ? "x.zip"
                                                                               : "endless.zip";
        std::string failure;
        EXPECT_FALSE(Download(InstallationFolderAddress(), name, &failure));
        EXPECT_EQ(failure.substr(0, c.Failure.size()), c.Failure) << failure;
        EXPECT_FALSE(fs::exists(FHost.Temp + "/" + name));
        EXPECT_FALSE(fs::exists(FHost.Temp + "/" + name + ".tvnew"));
        const std::string text = testbed::ReadAll(log);
        EXPECT_EQ(text.find("Versuch 5 von 5") != std::string::npos, c.Retried) << text;
        EXPECT_EQ(text.find("Versuch 1 von 5") != std::string::npos, c.Retried) << text;
    }
}

// A manifest without end fills no memory.
TEST_F(ModeTest, AManifestWithoutEndIsRefused) {
    FixtureServer endless([](Exchange& x) {
        if (x.Request.Method == "POST") {
            x.Send(Answer("HTTP/1.1 200 OK"));
            return;
        }
        const std::string chunk = "10000\r\n" + std::string(0x10000, 'm') + "\r\n";
        for (bool more = x.SendWhileOpen("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"); more;)
            more = x.SendWhileOpen(chunk);
    });
    PointAt(endless.Origin().substr(8), endless.Origin() + "/login");
    Create();
    Click([](auto& d) { d.OnlineBtnClick(); });
    ExpectOffline();
    EXPECT_EQ(F().lblStatusInfo.Caption,
              "Das Paketverzeichnis des Servers ist größer als 4 MiB: die Antwort wurde abgebrochen.");
}

TEST_F(DownloadTest, FailedLoginReturnsFalseWithoutAPageSwitch) {
    Dlg().WebDAV().Disconnect();
    PointAt(FServer->Origin().substr(8), DeadLogin());
    Dlg().SetPage(tsParams);
    EXPECT_FALSE(Download(InstallationFolderAddress(), "nv_setup.exe"));
    EXPECT_EQ(Dlg().Page(), tsParams);
    EXPECT_FALSE(fs::exists(FHost.Temp + "/nv_setup.exe"));
    EXPECT_EQ(F().ErrList.Items.size(), 1u);
}

TEST_F(DownloadTest, ErrorAnswerKeepsAnOlderCopyAndFailsWithTheStatusLine) {
    std::ofstream(FHost.Temp + "/st_setup.exe") << "an older download";
    std::string failure;
    EXPECT_FALSE(Download(InstallationFolderAddress(), "st_setup.exe", &failure));
    EXPECT_EQ(failure, "HTTP/1.1 404 Not Found");
    // Only a whole download takes the name; nothing of the failed one is left.
    EXPECT_EQ(testbed::ReadAll(FHost.Temp + "/st_setup.exe"), "an older download");
    EXPECT_FALSE(fs::exists(FHost.Temp + "/st_setup.exe.tvnew"));
    EXPECT_FALSE(F().pbDownload.Visible);
}

TEST_F(DownloadTest, NamesWithAFolderPartAreRefused) {
    for (const char* name : {"../x.zip", "a/b.zip", "a\\b.zip", "..", ""}) {
        std::string failure;
        EXPECT_FALSE(Download(InstallationFolderAddress(), name, &failure));
        EXPECT_EQ(failure, std::string("Ungültiger Dateiname im Paketverzeichnis: '") + name + "'");
    }
    EXPECT_EQ(Dlg().Page(), tsSelect);
}

TEST_F(DownloadTest, CancelAnsweredYesInsideAProgressEventEndsTheTransfer) {
    std::ofstream(FServer->InstallationFolder() + "/big.zip", std::ios::binary)
        << std::string(30'000'000, 'b');
    CancelDuringDownloadAfter(1'000'000);
    std::string failure;
    bool result = Download(InstallationFolderAddress(), "big.zip", &failure);
    EXPECT_FALSE(result);
    EXPECT_EQ(Dlg().InstallState(), isAborted);
    EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
    EXPECT_FALSE(fs::exists(FHost.Temp + "/big.zip"));
    EXPECT_FALSE(fs::exists(FHost.Temp + "/big.zip.tvnew"));
    fs::remove(FServer->InstallationFolder() + "/big.zip");
}

TEST_F(DownloadTest, CancelWhileConnectingOrShakingHandsEndsTheRequestAtOnce) {
    for (bool fullQueue : {true, false}) {
        SCOPED_TRACE(fullQueue ? "connect" : "handshake");
        MuteListener mute(fullQueue);
        Dlg().SetInstallState(isRunning);
        FHost.BoxAnswers = {mrYes};
        // The user presses Cancel a moment after the request began, and answers Yes.
        std::thread user([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            FLoop.Post([this] { Dlg().Dispatch([this] { Dlg().CloseBtnClick(); }); });
        });
        auto start = std::chrono::steady_clock::now();
        bool result = Download(mute.Address(), "nv_setup.exe");
        auto waited = std::chrono::steady_clock::now() - start;
        user.join();
        EXPECT_FALSE(result);
        EXPECT_EQ(Dlg().InstallState(), isAborted);
        EXPECT_EQ(F().lblStatusInfo.Caption, "Die Installation wurde durch den Benutzer abgebrochen.");
        EXPECT_LT(waited, std::chrono::seconds(3));
    }
}

} // namespace
} // namespace tv
