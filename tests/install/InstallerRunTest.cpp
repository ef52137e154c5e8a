// What a run decides, as values: installer ends, command lines, the follow-up run.
#include "install/InstallerRun.h"

#include <gtest/gtest.h>

#include "util/Paths.h"

namespace tv {
namespace {

TEST(InstallerRun, AnInstallersEndBecomesTheRunsStateWithItsLogLine) {
    const struct {
        std::uint32_t Code;
        InstallStateValue State;
        const char* Failure; // the run's own text; empty: the failure page's general text alone
        const char* LogLine;
    } cases[] = {
        {0, isSucceeded, "",
         "Das Installationsprogramm endete mit Code 0: Setup was successfully run to completion"},
        {2, isAborted, "",
         "Das Installationsprogramm endete mit Code 2: The user clicked Cancel before the actual "
         "installation "
         "started"},
        {4, isFailed, "",
         "Das Installationsprogramm endete mit Code 4: A fatal error occurred during the actual "
         "installation"},
        {5, isAborted, "",
         "Das Installationsprogramm endete mit Code 5: The user clicked Cancel during the actual "
         "installation"},
        // A code no installer documents must never pass for a success or leave the window hidden.
        {7, isFailed, "Das Installationsprogramm endete mit dem unbekannten Code 7.",
         "Das Installationsprogramm endete mit Code 7: nicht dokumentiert"},
        {3221225477u, isFailed, "Das Installationsprogramm endete mit dem unbekannten Code 3221225477.",
         "Das Installationsprogramm endete mit Code 3221225477: nicht dokumentiert"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        const InstallerEnd end = JudgeInstallerEnd(c.Code);
        EXPECT_EQ(end.State, c.State);
        EXPECT_EQ(end.Failure, c.Failure);
        EXPECT_EQ(end.LogLine, c.LogLine);
    }
}

TEST(InstallerRun, ProgramPathsAreQuotedSoThatBlanksCannotStartAnotherProgram) {
    InstallRequest request;
    request.Kind = pkCompanionApp;
    request.Folder = "/opt/Stockado 6";
    EXPECT_EQ(
        InstallerCommandLine("/tmp/Mein Ordner/st_setup.exe", *FindPackage(pkCompanionApp)->Setup, request),
        "\"/tmp/Mein Ordner/st_setup.exe\" /SILENT /ALLUSERS /DIR=\"/opt/Stockado 6\"");
    const std::string folder = std::string("Programme") + PathDelimiter + "Norvano 6";
    const std::string uninstaller = "\"" + folder + PathDelimiter + "unins000.exe\" /silent";
    EXPECT_EQ(UninstallCommandLine(folder), uninstaller);
    EXPECT_EQ(UninstallCommandLine(folder + PathDelimiter), uninstaller);
}

TEST(InstallerRun, OnlyASingleSeatOfAnEditionWithoutBundledDatabasesIsFollowedByADatabaseRun) {
    const struct {
        PackageKind Kind;
        bool SingleSeat;
        const char* Edition;
        bool Follows;
    } cases[] = {
        {pkApplication, true, "Solan", true},     {pkApplication, true, "Tavik", true},
        {pkApplication, true, "Brisa", false},    {pkApplication, false, "Solan", false},
        {pkDatabaseServer, true, "Solan", false}, {pkDatabaseFiles, true, "Solan", false},
        {pkCompanionApp, true, "Solan", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Kind) + " " + c.Edition + (c.SingleSeat ? " single" : " client"));
        InstallRequest request;
        request.Kind = c.Kind;
        request.SingleSeat = c.SingleSeat;
        request.Edition = c.Edition;
        EXPECT_EQ(SingleSeatDatabasesFollow(*FindPackage(c.Kind), request), c.Follows);
    }
    const std::string folder = std::string("Programme") + PathDelimiter + "Norvano 6";
    EXPECT_EQ(SingleSeatDatabaseFolder(folder),
              folder + PathDelimiter + "System" + PathDelimiter + "db" + PathDelimiter);
}

TEST(InstallerRun, LogLinesNameTheRequestAndEachChangedKey) {
    InstallRequest request;
    request.Kind = pkApplication;
    request.Folder = "/opt/Norvano 6";
    request.SingleSeat = true;
    request.Edition = "Solan";
    EXPECT_EQ(RequestLine(request),
              "Installation von Paket 1: Ordner \"/opt/Norvano 6\", Einzelplatz, Edition Solan");
    request = {};
    request.Kind = pkDataUpdate;
    request.Folder = "/srv/Daten";
    request.Edition = "Brisa";
    request.Archives = "a.zip;b.zip";
    EXPECT_EQ(RequestLine(request),
              "Installation von Paket 4: Ordner \"/srv/Daten\", Edition Brisa, Archive a.zip;b.zip");
    EXPECT_EQ(ConfChangeLine({"/fb/firebird.conf", "RemoteAuxPort", "", "3051"}),
              "Firebird-Konfiguration /fb/firebird.conf: RemoteAuxPort \"\" -> \"3051\"");
}

} // namespace
} // namespace tv
