// The package table and the installers' exit codes, row by row.
#include "install/PackageTable.h"

#include <optional>

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(PackageTable, EveryNumberOfTheSelectionPageNamesItsRow) {
    for (int kind = pkApplication; kind <= pkCompanionApp; ++kind) {
        const PackageRow* row = FindPackage(kind);
        ASSERT_NE(row, nullptr) << kind;
        EXPECT_EQ(row->Kind, kind);
        EXPECT_NE(std::string(row->SuccessKey), "");
    }
    EXPECT_EQ(FindPackage(0), nullptr);
    EXPECT_EQ(FindPackage(6), nullptr);
}

TEST(PackageTable, InstallersAndTheirCommandLines) {
    InstallRequest request;
    request.Folder = "C:\\Programme\\Norvano 6";
    request.Edition = "Solan";
    const struct {
        const char* Name;
        const Installer* Setup;
        bool SingleSeat;
        const char* File;
        ServerFolder Folder;
        const char* Parameters;
    } cases[] = {
        {"client", FindPackage(pkApplication)->Setup, false, "nv_setup.exe", ServerFolder::Installation,
         "/SILENT /ALLUSERS /DIR=\"C:\\Programme\\Norvano 6\" /TYPE=\"Client\" /Task=\"desktopicon\""},
        {"single seat", FindPackage(pkApplication)->Setup, true, "nv_setup.exe", ServerFolder::Installation,
         "/SILENT /ALLUSERS /DIR=\"C:\\Programme\\Norvano 6\" /TYPE=\"Single\" /Task=\"desktopicon\""},
        {"update", &ApplicationUpdate, false, "nv_update.exe", ServerFolder::Updates, "/SILENT /NOCANCEL"},
        {"server", FindPackage(pkDatabaseServer)->Setup, false, "fb32.exe", ServerFolder::Installation,
         "/SILENT /Dir=\"C:\\Programme\\Norvano 6\" /SYSDBANAME=\"SYSDBA\" /SYSDBAPASSWORD=\"qb4-KT29vz\" "
         "/COMPONENTS=\"ServerComponent\" /TASKS=\"UseServiceTask,UseSuperServerTask\\UseGuardianTask,"
         "AutoStartTask,EnableLegacyClientAuth\""},
        {"companion", FindPackage(pkCompanionApp)->Setup, false, "st_setup.exe", ServerFolder::Installation,
         "/SILENT /ALLUSERS /DIR=\"C:\\Programme\\Norvano 6\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_NE(c.Setup, nullptr);
        request.SingleSeat = c.SingleSeat;
        EXPECT_STREQ(c.Setup->FileName, c.File);
        EXPECT_EQ(c.Setup->Folder, c.Folder);
        EXPECT_EQ(c.Setup->Parameters(request), c.Parameters);
    }
    // The packages of archives have no installer.
    EXPECT_EQ(FindPackage(pkDatabaseFiles)->Setup, nullptr);
    EXPECT_EQ(FindPackage(pkDataUpdate)->Setup, nullptr);
}

TEST(PackageTable, ExitCodesDecideSuccessAbortOrFailure) {
    const struct {
        std::uint32_t Code;
        std::optional<InstallerOutcome> Outcome; // none: a code the installers do not document
    } cases[] = {
        {0, InstallerOutcome::Succeeded},
        {1, InstallerOutcome::Failed},
        {2, InstallerOutcome::Aborted},
        {3, InstallerOutcome::Failed},
        {4, InstallerOutcome::Failed},
        {5, InstallerOutcome::Aborted},
        {6, std::nullopt},
        {1641, InstallerOutcome::SucceededRestartNeeded}, // passed on from a Windows Installer it ran
        {3010, InstallerOutcome::SucceededRestartNeeded},
        {3010 % 256, std::nullopt}, // what a POSIX exit status keeps of it
        {0xC0000005u, std::nullopt},
        {0xFFFFFFFFu, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        const ExitCodeMeaning* meaning = FindExitCode(c.Code);
        ASSERT_EQ(meaning != nullptr, c.Outcome.has_value());
        if (!meaning) continue;
        EXPECT_EQ(meaning->Outcome, *c.Outcome);
        EXPECT_NE(std::string(meaning->Meaning), ""); // what the run log prints
    }
}

} // namespace
} // namespace tv
