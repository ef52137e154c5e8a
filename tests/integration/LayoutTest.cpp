// The offline package set made from the server: what it holds, per edition, and what a
// manifest without digests, a damaged file and an earlier signature do to it.
#include <filesystem>
#include <fstream>

#include "source/PackageDigests.h"
#include "wizard/SetupWizardDlg.h"

#include <gtest/gtest.h>

#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"
#include "support/Environment.h"
#include "support/Files.h"
#include "support/WizardFixture.h"

namespace tv {
namespace {

using namespace testbed;
namespace fs = std::filesystem;

// The package files on the server, each with bytes of its own.
const char* const ServerFiles[] = {"nv_setup.exe",  "fb32.exe",     "st_setup.exe", "db_base.zip",
                                   "db_images.zip", "upd_cars.zip", "upd_parts.zip"};

class LayoutTest : public WizardFixture {
protected:
    static void SetUpTestSuite() { FServer = new NginxServer(); }
    static void TearDownTestSuite() { delete FServer; }
    void SetUp() override {
        CertificateFolder();
        FServer->PointProgramHere();
        FStartOffline = false;
        std::ofstream(FHost.ProgramFile(), std::ios::binary) << "das Programm";
        FSet = FMachine / "offline";
        for (const char* name : ServerFiles)
            Serve(name, std::string("Inhalt von ") + name);
        Serve("nv_update.exe", "Update", FServer->UpdatesFolder());
    }
    void TearDown() override {
        NginxServer::ForgetServer();
        for (const char* folder : {"installation", "updates"})
            for (const auto& entry : fs::directory_iterator(FServer->Root() + "/users/norvano/" + folder))
                fs::remove(entry.path());
    }
    static void Serve(const std::string& name, const std::string& bytes,
                      const std::string& folder = FServer->InstallationFolder()) {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }
    // The manifest: every edition's archives, with the digests of the files as served, but
    // those of `unlisted` left out.
    static void ServeManifest(bool digests = true, const std::string& unlisted = "") {
        std::string manifest =
            "[DBFileListSingle]\r\nSolan=db_base.zip;db_images.zip\r\n"
            "[DBFileListClient]\r\nBrisa=db_base.zip\r\nSolan=db_base.zip;db_images.zip\r\n"
            "[UpdFileList]\r\nBrisa=upd_parts.zip\r\nTavik=upd_cars.zip;upd_parts.zip\r\n";
        if (digests) {
            manifest += "[SHA256]\r\n";
            for (const char* name : ServerFiles)
                if (name != unlisted)
                    manifest += std::string(name) + "=" +
                                FileSha256(FServer->InstallationFolder() + "/" + name) + "\r\n";
            manifest += "nv_update.exe=" + FileSha256(FServer->UpdatesFolder() + "/nv_update.exe") + "\r\n";
        }
        Serve("install.ini", manifest);
    }
    std::string Packages() const { return (FSet / "Packages").string(); }
    std::vector<std::string> LaidOut() const {
        std::vector<std::string> names;
        if (fs::exists(FSet / "Packages"))
            for (const auto& entry : fs::directory_iterator(FSet / "Packages"))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void Layout(const std::string& edition = "") {
        Create();
        Dlg().MakeLayout(FSet.string(), edition);
    }
    static NginxServer* FServer;
    fs::path FSet;
};
NginxServer* LayoutTest::FServer = nullptr;

TEST_F(LayoutTest, EveryInstallerAndTheArchivesOfEveryEditionOrOfOne) {
    ServeManifest(true, "fb32.exe");
    Layout();
    ASSERT_EQ(Dlg().InstallState(), isSucceeded) << Dlg().ErrorMsg();
    // fb32.exe is not listed: an online run would not take it either.
    EXPECT_EQ(LaidOut(),
              (std::vector<std::string>{"db_base.zip", "db_images.zip", "nv_setup.exe", "nv_update.exe",
                                        "st_setup.exe", "upd_cars.zip", "upd_parts.zip"}));
    EXPECT_EQ(ReadAll(Packages() + "/nv_update.exe"), "Update");
    EXPECT_EQ(ReadAll(FSet / "install.ini"), ReadAll(FServer->InstallationFolder() + "/install.ini"));
    EXPECT_EQ(ReadAll(FSet / "tvinstall"), "das Programm");
#ifndef _WIN32
    EXPECT_NE(fs::status(FSet / "Packages" / "st_setup.exe").permissions() & fs::perms::owner_exec,
              fs::perms::none);
#endif

    fs::remove_all(FSet);
    Layout("Brisa");
    ASSERT_EQ(Dlg().InstallState(), isSucceeded) << Dlg().ErrorMsg();
    EXPECT_EQ(LaidOut(), (std::vector<std::string>{"db_base.zip", "nv_setup.exe", "nv_update.exe",
                                                   "st_setup.exe", "upd_parts.zip"}));
}

TEST_F(LayoutTest, AManifestWithoutDigestsMakesNoSet) {
    ServeManifest(false);
    Layout();
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_NE(Dlg().ErrorMsg().find("nennt keine Prüfsummen"), std::string::npos) << Dlg().ErrorMsg();
    EXPECT_FALSE(fs::exists(FSet / "install.ini"));
}

TEST_F(LayoutTest, AFileThatIsNotTheListedOneFailsTheSetAndIsNeverPlaced) {
    ServeManifest();
    Serve("db_images.zip", "verändert auf dem Weg");
    Layout();
    EXPECT_EQ(Dlg().InstallState(), isFailed);
    EXPECT_FALSE(fs::exists(FSet / "Packages" / "db_images.zip"));
    // Without its manifest the folder is no set an offline run would take for complete.
    EXPECT_FALSE(fs::exists(FSet / "install.ini"));
}

TEST_F(LayoutTest, AgainItKeepsVerifiedFilesReplacesChangedOnesAndDropsAStaleSignature) {
    ServeManifest();
    Layout();
    ASSERT_EQ(Dlg().InstallState(), isSucceeded) << Dlg().ErrorMsg();
    const auto written = fs::last_write_time(FSet / "Packages" / "db_base.zip");
    std::ofstream(FSet / "install.ini.sig") << "eine alte Signatur";
    std::ofstream(FSet / "Packages" / "eigene.txt") << "des Administrators";
    std::ofstream(FSet / "Packages" / "upd_cars.zip", std::ios::binary) << "beschädigt";
    Serve("upd_parts.zip", "neue Teile");
    ServeManifest();

    Layout();
    ASSERT_EQ(Dlg().InstallState(), isSucceeded) << Dlg().ErrorMsg();
    EXPECT_EQ(ReadAll(FSet / "Packages" / "upd_parts.zip"), "neue Teile");
    EXPECT_EQ(ReadAll(FSet / "Packages" / "upd_cars.zip"), "Inhalt von upd_cars.zip");
    EXPECT_EQ(fs::last_write_time(FSet / "Packages" / "db_base.zip"), written);
    EXPECT_EQ(ReadAll(FSet / "Packages" / "eigene.txt"), "des Administrators");
    EXPECT_FALSE(fs::exists(FSet / "install.ini.sig"));
    EXPECT_EQ(ReadAll(FSet / "install.ini"), ReadAll(FServer->InstallationFolder() + "/install.ini"));
}

} // namespace
} // namespace tv
