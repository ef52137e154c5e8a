#include "wizard/Session.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "host/AtomicFile.h"
#include "host/Machine.h"
#include "host/QueueEventLoop.h"
#include "source/ServerConfig.h"
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

// The index of the drop-down entry that the switch's `edition` names: the manifest's key
// or the entry's text. Throws SwitchError for one the drop-down does not offer.
int EditionIndex(const ComboBox& editions, const std::string& edition) {
    for (size_t i = 0; i < editions.Items.size(); ++i)
        if (SameText(editions.Items[i], edition) ||
            (i < std::size(EditionKeys) && SameText(EditionKeys[i], edition)))
            return static_cast<int>(i);
    throw SwitchError(FormatText("Unbekannte Edition: \"%s\"", {edition}));
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

// The edition keys whose entry in `section` of the manifest names archives.
std::vector<std::string> EditionsListedIn(const TSetupWizardDlg& wizard, const char* section) {
    std::vector<std::string> keys;
    for (const char* key : EditionKeys)
        if (!TrimBlanks(wizard.InstallIni().ReadString(section, key, "")).empty()) keys.emplace_back(key);
    return keys;
}

std::string Listing(const std::vector<std::string>& keys) {
    std::string text;
    for (const std::string& key : keys)
        text += (text.empty() ? "" : ", ") + key;
    return text.empty() ? "keine" : text;
}

// An update of the installed application takes no parameters: what the switches said of
// them goes unused, and the log says so.
void LogUnusedByUpdate(TSetupWizardDlg& wizard, const SetupSwitches& switches) {
    if (switches.Package != pkApplication || !wizard.AppInstalled()) return;
    std::string unused;
    if (switches.SingleSeat) unused += " /TYPE";
    if (switches.Folder) unused += " /DIR";
    if (switches.Edition) unused += " /EDITION";
    wizard.Log().Line("Die Anwendung ist installiert: sie wird aktualisiert." +
                      (unused.empty() ? std::string() : " Nicht verwendet:" + unused));
}

// /LAYOUT: the offline package set from the server, through the same connection, manifest
// checks and downloads as an online run; even where an offline set lies beside the program.
int RunLayout(TSetupWizardDlg& wizard, const SetupSwitches& switches) {
    std::string edition;
    if (switches.Edition) {
        edition = EditionKeys[EditionIndex(wizard.GetForm().cbAppVers, *switches.Edition)];
    }
    if (!wizard.Online()) wizard.SetOnline(true);
    if (!wizard.Online() || !wizard.HasPackageSource()) {
        wizard.Log().Line("Ohne den Update-Server kann kein Offline-Verzeichnis erstellt werden.");
        return wizard.ManifestRefused() ? ecInstallFailed : ecNoPackageSource;
    }
    wizard.MakeLayout(switches.Layout, edition);
    return ExitCodeOf(wizard);
}

} // namespace

void CheckAgainstManifest(const TSetupWizardDlg& wizard, SetupSwitches& switches) {
    const Form& form = wizard.GetForm();
    std::optional<std::string> key;
    if (switches.Edition) {
        key = EditionKeys[EditionIndex(form.cbAppVers, *switches.Edition)];
    }
    const bool updatesApplication = switches.Package == pkApplication && wizard.AppInstalled();
    if (switches.SingleSeat.value_or(false) && !updatesApplication) {
        const std::vector<std::string> offered = EditionsListedIn(wizard, "DBFileListSingle");
        // Brisa's single seat brings its databases with its installer.
        const bool own = switches.Package == pkApplication && key && *key == "Brisa";
        if (!key)
            throw SwitchError(
                FormatText("Die Einzelplatzversion braucht den Schalter /EDITION (Editionen mit "
                           "Datenbanken für den Einzelplatz: %s).",
                           {Listing(offered)}));
        if (!own && std::find(offered.begin(), offered.end(), *key) == offered.end())
            throw SwitchError(FormatText("Für die Edition %s (/EDITION) bietet das Paketverzeichnis keine "
                                         "Datenbanken für den Einzelplatz an (Editionen damit: %s).",
                                         {*key, Listing(offered)}));
    }
    if (switches.Package == pkDataUpdate && !key) {
        const std::vector<std::string> offered = EditionsListedIn(wizard, "UpdFileList");
        if (offered.size() != 1)
            throw SwitchError(
                FormatText("Das Datenupdate (Paket 4) braucht den Schalter /EDITION (Editionen mit "
                           "Datenupdates: %s).",
                           {Listing(offered)}));
        switches.Edition = offered.front();
    }
}

void PresetPages(TSetupWizardDlg& wizard, const SetupSwitches& switches) {
    Form& form = wizard.GetForm();
    if (switches.Package != 0) wizard.DoAction(switches.Package);
    if (switches.Edition) {
        const int index = EditionIndex(form.cbAppVers, *switches.Edition);
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
    if (!switches.Layout.empty()) return RunLayout(wizard, switches);
    if (!wizard.HasPackageSource()) return ExitCodeOf(wizard);
    // The start's message (the server failed, the offline folder serves) is acknowledged as a person would.
    if (wizard.Page() == tsInfo) wizard.Dispatch([&] { wizard.CloseBtnClick(); });
    if (wizard.GetForm().Closed) return ExitCodeOf(wizard);
    SetupSwitches checked = switches;
    CheckAgainstManifest(wizard, checked);
    LogUnusedByUpdate(wizard, checked);
    PresetPages(wizard, checked);
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
    // A manifest that may not be used fails the run before anything started.
    if (!wizard.RunStarted() && wizard.ManifestRefused()) return ecInstallFailed;
    if (!wizard.RunStarted())
        return wizard.HasPackageSource() || wizard.StopWasRequested() ? ecAborted : ecNoPackageSource;
    switch (wizard.InstallState()) {
    case isSucceeded:
        return wizard.RestartNeeded() ? ecRestartNeeded : ecSuccess;
    case isFailed:
        return ecInstallFailed;
    default:
        return ecAborted;
    }
}

void BeginRunLog(RunLog& log, const SetupSwitches& switches, const std::string& tempFolder,
                 const std::string& commandLine, const std::string& system, bool append) {
    const std::string path = switches.LogFile.empty()
                                 ? IncludeTrailingPathDelimiter(tempFolder) + "tvinstall.log"
                                 : switches.LogFile;
    if (append)
        log.Append(path);
    else
        log.Open(path);
    log.Line(std::string("Norvano Setup ") + TV_VERSION);
    log.Line("System: " + system);
    log.Line("Befehlszeile: " + MaskSecrets(commandLine));
    const char* mode = !switches.Layout.empty() ? "Offline-Verzeichnis erstellen (/LAYOUT), ohne Fenster"
                       : switches.Mode == RunMode::VerySilent ? "ohne Fenster (/VERYSILENT)"
                       : switches.Mode == RunMode::Silent     ? "nur Fortschritt (/SILENT)"
                                                              : "mit Fenster";
    log.Line(std::string("Ablauf: ") + mode);
}

std::optional<int> BeginSession(TSetupWizardDlg& wizard, RunDialogs& dialogs, const SessionStart& start) {
    dialogs.SetLog(wizard.Log());
    const SetupSwitches& switches = start.Switches;
    wizard.Log().OnFailure = [&start, mayShow = !switches.Unattended()](const std::string& warning) {
        if (start.Tell) start.Tell(warning, true, mayShow);
    };
    BeginRunLog(wizard.Log(), switches, start.TempFolder, start.CommandLine, SystemDescription(), false);
    if (!start.LockProblem.empty()) wizard.Log().Line(start.LockProblem);
    MarkRunUnderWay(wizard.Log(), start.TempFolder, start.CommandLine);
    wizard.SourceFolder = switches.Source;
    wizard.Source().TrustedKeys = start.TrustedKeys;
    wizard.Source().UseProxy({switches.Proxy, switches.ProxyUser,
                              switches.ProxyPassword.value_or(ProxyPasswordFromEnvironment())});
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

// The /LOG file of arguments that could not all be parsed; empty for the default.
std::string LogFileNamed(const std::vector<std::string>& arguments) {
    constexpr std::string_view name = "/LOG=";
    std::string file;
    for (const std::string& argument : arguments)
        if (argument.size() > name.size() && SameText(argument.substr(0, name.size()), name))
            file = argument.substr(name.size());
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    return file;
}

std::string TempFolderOfHost() {
    RunDialogs none(nullptr);
    return MakePlatformHost(none)->TempFolder();
}

// A program that ends before any run says why, and adds it to the end of the log: a run
// that is still going keeps its log where it is.
int EndBeforeRun(const ProgramStart& program, const SessionStart& start, const std::string& text, int code,
                 bool mayShow) {
    program.Tell(text, true, mayShow);
    RunLog log;
    BeginRunLog(log, start.Switches, start.TempFolder, start.CommandLine, SystemDescription(), true);
    log.Line(text);
    return EndRunLog(log, code);
}

} // namespace

int RunProgram(const ProgramStart& program) {
    SessionStart start;
    start.CommandLine = program.CommandLine;
    start.Tell = program.Tell;
    start.TrustedKeys = program.TrustedKeys;
    start.TempFolder = TempFolderOfHost();
    try {
        start.Switches = ParseSwitches(program.Arguments);
    } catch (const SwitchError& e) {
        start.Switches.LogFile = LogFileNamed(program.Arguments);
        return EndBeforeRun(program, start, std::string(e.what()) + "\n\n" + SwitchUsage(), ecBadCommandLine,
                            !NamesUnattended(program.Arguments));
    }
    const bool mayShow = !start.Switches.Unattended();
    if (start.Switches.Help) {
        program.Tell(SwitchUsage(), false, mayShow);
        return ecSuccess;
    }
    if (start.Switches.Mode != RunMode::VerySilent && program.CanShowWindow && !program.CanShowWindow())
        return EndBeforeRun(program, start, NoDisplayText, ecBadCommandLine, false);
    CatchStopRequests();
    const std::unique_ptr<InstallationLock> lock = LockInstallation(start.TempFolder, start.LockProblem);
    if (!lock) return EndBeforeRun(program, start, AlreadyRunningText, ecAlreadyRunning, mayShow);
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
        ReplaceFileContent(log.RunMarker, FormatText("Beginn %s, Befehlszeile: %s",
                                                     {TimeStamp(), MaskSecrets(commandLine)}));
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
