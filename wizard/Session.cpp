#include "wizard/Session.h"

#include <filesystem>
#include <iterator>

#include "host/AtomicFile.h"
#include "host/Machine.h"
#include "host/QueueEventLoop.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#ifndef TV_VERSION
#define TV_VERSION "unbekannt"
#endif

namespace tv {

namespace {

// How long the loop without a window sleeps when nothing is posted; a stop request or an
// installer's end is posted and wakes it at once.
constexpr int IdleWaitMs = 200;

// The index of the drop-down entry that `edition` names: the manifest's key or the entry's text.
int EditionIndex(const ComboBox& editions, const std::string& edition) {
    for (size_t i = 0; i < editions.Items.size(); ++i)
        if (SameText(editions.Items[i], edition) ||
            (i < std::size(EditionKeys) && SameText(EditionKeys[i], edition)))
            return static_cast<int>(i);
    return -1;
}

// Checks the update archives named by the switch, all when it names none.
void CheckArchives(TSetupWizardDlg& wizard, const std::vector<std::string>& files) {
    Form& form = wizard.GetForm();
    if (files.empty()) {
        wizard.MarkAllBtnClick(1);
        return;
    }
    const std::vector<std::string> names =
        SplitTokens(wizard.InstallIni().ReadString("UpdFileList", wizard.AppType(), ""), ';');
    for (const std::string& file : files) {
        bool offered = false;
        for (size_t i = 0; i < names.size() && i < form.cbFileList.Items.size(); ++i)
            offered = offered || SameText(names[i], file);
        if (!offered)
            throw SwitchError(FormatText("Das Archiv %s wird für die Edition %s nicht angeboten.",
                                         {file, wizard.AppType()}));
    }
    for (size_t i = 0; i < form.cbFileList.Items.size(); ++i) {
        bool named = false;
        for (const std::string& file : files)
            named = named || (i < names.size() && SameText(names[i], file));
        form.cbFileList.Items[i].Checked = named;
    }
}

} // namespace

void PresetPages(TSetupWizardDlg& wizard, const SetupSwitches& switches) {
    Form& form = wizard.GetForm();
    if (switches.Package != 0) wizard.DoAction(switches.Package);
    if (switches.Edition) {
        const int index = EditionIndex(form.cbAppVers, *switches.Edition);
        if (index < 0) throw SwitchError(FormatText("Unbekannte Edition: \"%s\"", {*switches.Edition}));
        form.cbAppVers.ItemIndex = index;
        form.cbAppVers.Text = form.cbAppVers.Items[static_cast<size_t>(index)];
        wizard.cbAppVersChange();
    }
    if (switches.SingleSeat) {
        form.rbSingle.Checked = *switches.SingleSeat;
        form.rbClient.Checked = !*switches.SingleSeat;
        wizard.SingleSeatDatabases = *switches.SingleSeat && switches.Package == pkDatabaseFiles;
    }
    if (switches.Folder) form.edtFolder.Text = *switches.Folder;
    if (wizard.InstallType() == pkDataUpdate && (switches.Unattended() || !switches.Files.empty()))
        CheckArchives(wizard, switches.Files);
    wizard.ApplicationEventsIdle();
}

std::optional<int> StartWizard(TSetupWizardDlg& wizard, RunDialogs& dialogs, const SetupSwitches& switches) {
    if (wizard.GetForm().Closed) return ExitCodeOf(wizard);
    if (!switches.Unattended()) {
        PresetPages(wizard, switches);
        return std::nullopt;
    }
    // Creating a folder risks nothing; the question to cancel comes only from a request to stop.
    dialogs.AnswerUnattended({wizard.GetMsg("ConfirmCreateFolder"), wizard.GetMsg("ConfirmCancelInstall")});
    if (!wizard.HasPackageSource()) return ecNoPackageSource;
    // The start's message (the server failed, the offline folder serves) is acknowledged as a person would.
    if (wizard.Page() == tsInfo) wizard.Dispatch([&] { wizard.CloseBtnClick(); });
    if (wizard.GetForm().Closed) return ExitCodeOf(wizard);
    PresetPages(wizard, switches);
    wizard.Dispatch([&] { wizard.NextBtnClick(); });
    if (!wizard.RunStarted() && wizard.Page() == tsParams) wizard.Dispatch([&] { wizard.NextBtnClick(); });
    // The parameters page refused the switches' values; its message is in the log.
    if (!wizard.RunStarted()) return ecBadCommandLine;
    return std::nullopt;
}

bool UnattendedRunEnded(const TSetupWizardDlg& wizard) {
    return wizard.GetForm().Closed || (wizard.RunStarted() && wizard.InstallState() != isRunning);
}

int ExitCodeOf(const TSetupWizardDlg& wizard) {
    if (!wizard.RunStarted())
        return wizard.HasPackageSource() || wizard.StopWasRequested() ? ecAborted : ecNoPackageSource;
    switch (wizard.InstallState()) {
    case isSucceeded:
        return ecSuccess;
    case isFailed:
        return ecInstallFailed;
    default:
        return ecAborted;
    }
}

void BeginRunLog(RunLog& log, const SetupSwitches& switches, const std::string& tempFolder,
                 const std::string& commandLine, const std::string& system) {
    log.Open(switches.LogFile.empty() ? IncludeTrailingPathDelimiter(tempFolder) + "tvinstall.log"
                                      : switches.LogFile);
    log.Line(std::string("Norvano Setup ") + TV_VERSION);
    log.Line("System: " + system);
    log.Line("Befehlszeile: " + commandLine);
    const char* mode = switches.Mode == RunMode::VerySilent ? "ohne Fenster (/VERYSILENT)"
                       : switches.Mode == RunMode::Silent   ? "nur Fortschritt (/SILENT)"
                                                            : "mit Fenster";
    log.Line(std::string("Ablauf: ") + mode);
}

std::optional<int> BeginSession(TSetupWizardDlg& wizard, RunDialogs& dialogs, const SessionStart& start) {
    dialogs.SetLog(wizard.Log());
    const SetupSwitches& switches = start.Switches;
    wizard.Log().OnFailure = [&start, mayShow = !switches.Unattended()](const std::string& warning) {
        if (start.Tell) start.Tell(warning, true, mayShow);
    };
    BeginRunLog(wizard.Log(), switches, start.TempFolder, start.CommandLine, SystemDescription());
    if (!start.LockProblem.empty()) wizard.Log().Line(start.LockProblem);
    MarkRunUnderWay(wizard.Log(), start.TempFolder, start.CommandLine);
    wizard.Dispatch([&] { wizard.FormCreate(); });
    std::optional<int> code;
    try {
        code = StartWizard(wizard, dialogs, switches);
    } catch (const SwitchError& e) {
        wizard.Log().Line(e.what());
        if (start.Tell) start.Tell(e.what(), true, !switches.Unattended());
        code = ecBadCommandLine;
    }
    if (!code && switches.Unattended() && UnattendedRunEnded(wizard)) code = ExitCodeOf(wizard);
    if (!code) return std::nullopt;
    wizard.Close();
    return EndRunLog(wizard.Log(), *code);
}

int EndSession(TSetupWizardDlg& wizard) {
    wizard.Close();
    return EndRunLog(wizard.Log(), ExitCodeOf(wizard));
}

namespace {

// /VERYSILENT: the wizard on a loop of posted calls, with no window toolkit at all.
int RunWithoutWindow(const SessionStart& start) {
    RunDialogs dialogs(nullptr);
    std::unique_ptr<Host> host = MakePlatformHost(dialogs);
    QueueEventLoop loop;
    TSetupWizardDlg wizard(*host, loop);
    // Watching from the start: the first download already runs inside the start.
    StopWatcher watcher(loop, [&wizard] { wizard.Dispatch([&wizard] { wizard.StopRequest(); }); });
    if (std::optional<int> code = BeginSession(wizard, dialogs, start)) return *code;
    while (!UnattendedRunEnded(wizard))
        loop.WaitAndProcess(IdleWaitMs);
    return EndSession(wizard);
}

// Whether the arguments ask for a run without questions, read before they could be parsed.
bool NamesUnattended(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments)
        if (SameText(argument, "/VERYSILENT") || SameText(argument, "/SILENT")) return true;
    return false;
}

} // namespace

int RunProgram(const ProgramStart& program) {
    SessionStart start;
    start.CommandLine = program.CommandLine;
    start.Tell = program.Tell;
    try {
        start.Switches = ParseSwitches(program.Arguments);
    } catch (const SwitchError& e) {
        program.Tell(std::string(e.what()) + "\n\n" + SwitchUsage(), true,
                     !NamesUnattended(program.Arguments));
        return ecBadCommandLine;
    }
    const bool mayShow = !start.Switches.Unattended();
    if (start.Switches.Help) {
        program.Tell(SwitchUsage(), false, mayShow);
        return ecSuccess;
    }
    CatchStopRequests();
    {
        RunDialogs none(nullptr);
        start.TempFolder = MakePlatformHost(none)->TempFolder();
    }
    const std::unique_ptr<InstallationLock> lock = LockInstallation(start.TempFolder, start.LockProblem);
    if (!lock) {
        program.Tell(AlreadyRunningText, true, mayShow);
        return ecAlreadyRunning;
    }
    if (start.Switches.Mode == RunMode::VerySilent) return RunWithoutWindow(start);
    return program.RunWindowed(start);
}

void MarkRunUnderWay(RunLog& log, const std::string& tempFolder, const std::string& commandLine) {
    log.RunMarker = IncludeTrailingPathDelimiter(tempFolder) + "tvinstall.running";
    if (FileExists(log.RunMarker)) {
        const std::string earlier = ReadFileBytes(log.RunMarker);
        log.Line(
            "Der vorige Lauf auf diesem Rechner wurde nicht beendet (abgebrochen, beendet erzwungen oder "
            "Stromausfall); was er begonnen hat, ist womöglich unvollständig: " +
            earlier);
    }
    try {
        // On the disk at once: a power cut is one of the ends it is there to tell.
        ReplaceFileContent(log.RunMarker,
                           FormatText("Beginn %s, Befehlszeile: %s", {TimeStamp(), commandLine}));
    } catch (const Failure& e) {
        log.Line(e.what());
        log.RunMarker.clear();
    }
}

int EndRunLog(RunLog& log, int exitCode) {
    log.Line(FormatText("Ende: Exit-Code %d (%s)", {std::to_string(exitCode), ExitCodeText(exitCode)}));
    std::error_code ignored; // one that stays only makes the next run say more than needed
    if (!log.RunMarker.empty()) std::filesystem::remove(FilePath(log.RunMarker), ignored);
    NoteRunEnded();
    return exitCode;
}

} // namespace tv
