// A program's start around the wizard, the same for every window and for none: presets
// from the command line, the unattended run through the same handlers a person's clicks
// reach, the run log's head and end, and the exit code.
#pragma once

#include <optional>
#include <string>

#include <functional>
#include <vector>

#include "util/RunLog.h"
#include "wizard/RunDialogs.h"
#include "wizard/SetupWizardDlg.h"
#include "wizard/Switches.h"

namespace tv {

// What a second start says, shown or printed.
constexpr const char* AlreadyRunningText =
    "Auf diesem Rechner läuft bereits eine Installation. Bitte warten Sie, bis sie beendet ist, "
    "und starten Sie das Setup dann erneut.";

// Why a window cannot start where no display is.
constexpr const char* NoDisplayText =
    "Ohne Bildschirm kann das Setup kein Fenster zeigen (auch /SILENT zeigt seinen Fortschritt in einem "
    "Fenster). Für eine Installation ohne Fenster verwenden Sie /VERYSILENT.";

// What a program hands over to its window, or to the run without one.
struct SessionStart {
    SetupSwitches Switches;
    std::string CommandLine;              // as the system gave it, for the log
    std::string TempFolder;               // by the host's rule: the lock's place and the log's default
    std::string LockProblem;              // why the installation lock could not be made; usually empty
    std::vector<std::string> TrustedKeys; // the program's built-in keys (PEM)
    // Shows or prints a text outside the wizard's window: the usage, or why the program
    // ends at once. `mayShow` is false when no window may appear (/VERYSILENT).
    std::function<void(const std::string& text, bool error, bool mayShow)> Tell;
};

// A program's start as main has it.
struct ProgramStart {
    std::vector<std::string> Arguments; // without the program
    std::string CommandLine;
    std::vector<std::string> TrustedKeys; // built into the program
    std::function<void(const std::string& text, bool error, bool mayShow)> Tell;
    // Whether a window can appear; null: always.
    std::function<bool()> CanShowWindow;
    // Runs the wizard in its window (with a person, or /SILENT); returns the exit code.
    std::function<int(const SessionStart&)> RunWindowed;
};

// The whole program: the switches, one installation per machine, then the wizard in its
// window or without one (/VERYSILENT, no window toolkit started). Returns the exit code.
int RunProgram(const ProgramStart& program);

// Opens the log, creates the wizard and starts as the switches say. Empty while the
// program goes on; otherwise the exit code (the wizard has closed).
std::optional<int> BeginSession(TSetupWizardDlg& wizard, RunDialogs& dialogs, const SessionStart& start);

// The exit code once the window's loop has ended, written to the log.
int EndSession(TSetupWizardDlg& wizard);

// Unattended, the switches must name a run that can succeed with this manifest: refused
// (SwitchError) before anything is fetched, run or unpacked. Fills in the one edition
// that a data update can have.
void CheckAgainstManifest(const TSetupWizardDlg& wizard, SetupSwitches& switches);

// Presets the pages from the switches through the handlers that a person's input reaches.
// Throws SwitchError for an edition or an archive that the pages do not offer.
void PresetPages(TSetupWizardDlg& wizard, const SetupSwitches& switches);

// After FormCreate: presets the pages and, unattended, goes on through them as a person
// would (a question gets its documented answer). Empty while the program goes on (a
// window to use, or a run under way); otherwise the exit code to end with now.
std::optional<int> StartWizard(TSetupWizardDlg& wizard, RunDialogs& dialogs, const SetupSwitches& switches);

// Unattended: true once nothing more will happen.
bool UnattendedRunEnded(const TSetupWizardDlg& wizard);

// The exit code once the wizard has closed: the last run's outcome.
int ExitCodeOf(const TSetupWizardDlg& wizard);

// Opens the log (the switch's file, or "tvinstall.log" in `tempFolder`; anew, or to add
// at its end when `append`) and writes its head.
void BeginRunLog(RunLog& log, const SetupSwitches& switches, const std::string& tempFolder,
                 const std::string& commandLine, const std::string& system, bool append);

// Writes the outcome as the log's last line; returns `exitCode`.
int EndRunLog(RunLog& log, int exitCode);
// Notes in the temporary folder that a run is under way; logs it when the run before did
// not end (a kill, a power cut).
void MarkRunUnderWay(RunLog& log, const std::string& tempFolder, const std::string& commandLine);

} // namespace tv
