// The five packages side by side, one row each: the installer and its command line, what
// the parameters page shows and presets, how the folder is checked, where the archives of
// a database run come from, and the info page's text after success. The installers' exit
// codes, with their meaning, are a table of their own. A sixth package is one row.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

// The packages by name; the values are the numbers the selection page shows.
enum PackageKind : int {
    pkApplication = 1,
    pkDatabaseServer = 2,
    pkDatabaseFiles = 3,
    pkDataUpdate = 4,
    pkCompanionApp = 5,
};

// The manifest's keys of the product editions, in the order of the edition drop-down.
constexpr const char* EditionKeys[] = {"Brisa", "Solan", "Tavik"};

// What the parameters page (or a command line) decided, captured when the run starts: the
// run works from it, never from the window's fields.
struct InstallRequest {
    PackageKind Kind = pkApplication;
    std::string Folder;
    bool SingleSeat = false; // the application as a single seat, not a network client
    std::string Edition;     // the manifest's key: "Brisa", "Solan" or "Tavik"
    std::string Archives;    // a database run's archives, ";" between names
};

enum class ServerFolder { Installation, Updates };

struct Installer {
    const char* FileName;
    ServerFolder Folder;
    std::string (*Parameters)(const InstallRequest& request); // after the program's path
};

// The application's update, run instead of its installer when the application is there.
extern const Installer ApplicationUpdate;

enum class EditionShown { Never, Always, ForSingleSeat };
enum class FolderCheck { None, OfferToCreate, MustExistWithACheckedArchive };
enum class ArchiveSource { None, ClientDatabases, CheckedUpdates };
// What a success does beyond its text on the info page.
enum class AfterSuccess { Nothing, SingleSeatDatabases, ServerPorts, DatabaseAliases };

struct PackageRow {
    PackageKind Kind;
    const Installer* Setup;        // null for a package of archives
    const char* ProgramFolderName; // the preset below the programs folder; null: the data folder
    bool ShowsApplicationPanel;
    bool ShowsUpdateList;
    EditionShown Edition;
    FolderCheck Check;
    ArchiveSource Archives;
    AfterSuccess Then;
    const char* SuccessKey; // the [Msg] text of the info page
};

// The row of a package; null for a number that names none.
const PackageRow* FindPackage(int kind);

enum class InstallerOutcome { Succeeded, SucceededRestartNeeded, Aborted, Failed };

struct ExitCodeMeaning {
    std::uint32_t Code;
    InstallerOutcome Outcome;
    const char* Meaning; // in the installers' own words, for the run log
};

// What an installer's exit code means; null for a code the installers do not document.
const ExitCodeMeaning* FindExitCode(std::uint32_t code);

} // namespace tv
