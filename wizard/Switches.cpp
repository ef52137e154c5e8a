#include "wizard/Switches.h"

#include <set>

#include "host/ProxyRoute.h"
#include "install/PackageTable.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

// A value may come with its quotes still on, from a tool that does not remove them.
std::string Unquoted(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

[[noreturn]] void BadValue(const std::string& name, const std::string& value) {
    throw SwitchError(FormatText("Ungültiger Wert für den Schalter /%s: \"%s\"", {name, value}));
}

// A folder switch's value: absolute here, and a name Windows can hold, on every platform.
std::string UsableFolder(const std::string& name, const std::string& value) {
    const std::string problem = FolderNameProblem(value);
    if (!problem.empty())
        throw SwitchError(
            FormatText("Der Ordner des Schalters /%s ist unbrauchbar (%s): \"%s\"", {name, problem, value}));
    return value;
}

} // namespace

const ExitCodeRow SetupExitCodes[7] = {
    {ecSuccess, "Erfolg"},
    {ecRestartNeeded, "Erfolg, der Rechner muss neu gestartet werden"},
    {ecAborted, "abgebrochen"},
    {ecInstallFailed, "Installation fehlgeschlagen"},
    {ecNoPackageSource, "keine Paketquelle"},
    {ecAlreadyRunning, "eine andere Installation läuft"},
    {ecBadCommandLine, "ungültige Befehlszeile"},
};

const char* ExitCodeText(int code) {
    for (const ExitCodeRow& row : SetupExitCodes)
        if (row.Code == code) return row.Text;
    return "unbekannt";
}

SetupSwitches ParseSwitches(const std::vector<std::string>& arguments) {
    SetupSwitches switches;
    std::set<std::string> seen;
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 || argument[0] != '/')
            throw SwitchError(FormatText("Unbekannter Schalter: \"%s\"", {argument}));
        const size_t equals = argument.find('=');
        const std::string name =
            UpperCase(argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? Unquoted(argument.substr(equals + 1)) : "";
        auto needsValue = [&] {
            if (!hasValue || value.empty())
                throw SwitchError(FormatText("Der Schalter /%s braucht einen Wert.", {name}));
        };
        auto takesNoValue = [&] {
            if (hasValue) BadValue(name, value);
        };
        if (name == "PACKAGE") {
            needsValue();
            if (value.size() != 1 || !FindPackage(value[0] - '0')) BadValue(name, value);
            switches.Package = value[0] - '0';
        } else if (name == "TYPE") {
            needsValue();
            if (SameText(value, "CLIENT"))
                switches.SingleSeat = false;
            else if (SameText(value, "SINGLE"))
                switches.SingleSeat = true;
            else
                BadValue(name, value);
        } else if (name == "DIR") {
            needsValue();
            switches.Folder = UsableFolder(name, value);
        } else if (name == "SOURCE") {
            needsValue();
            switches.Source = UsableFolder(name, value);
        } else if (name == "LAYOUT") {
            needsValue();
            switches.Layout = UsableFolder(name, value);
        } else if (name == "PROXY") {
            needsValue();
            const std::optional<ProxyRoute> proxy = ParseProxyAddress(value);
            if (!SameText(value, "DIRECT") && (!proxy || value.find("://") != std::string::npos))
                throw SwitchError(
                    FormatText("Der Schalter /PROXY braucht host:port oder DIRECT: \"%s\"", {value}));
            switches.Proxy = SameText(value, "DIRECT") ? "DIRECT" : value;
        } else if (name == "PROXYUSER") {
            needsValue();
            switches.ProxyUser = value;
        } else if (name == "PROXYPASSWORD") {
            if (!hasValue) BadValue(name, value);
            switches.ProxyPassword = value; // empty is a password too
        } else if (name == "EDITION") {
            needsValue();
            switches.Edition = value;
        } else if (name == "FILES") {
            needsValue();
            switches.Files.clear();
            if (!SameText(value, "ALL"))
                for (std::string& file : SplitTokens(value, ';'))
                    if (!TrimBlanks(file).empty()) switches.Files.push_back(TrimBlanks(file));
        } else if (name == "SILENT") {
            takesNoValue();
            if (switches.Mode != RunMode::VerySilent) switches.Mode = RunMode::Silent;
        } else if (name == "VERYSILENT") {
            takesNoValue();
            switches.Mode = RunMode::VerySilent;
        } else if (name == "LOG") {
            needsValue();
            switches.LogFile = value;
        } else if (name == "?" || name == "HELP") {
            switches.Help = true;
        } else {
            throw SwitchError(FormatText("Unbekannter Schalter: \"%s\"", {argument}));
        }
        // Which of two values a tool meant cannot be known.
        if (!seen.insert(name == "?" ? "HELP" : name).second)
            throw SwitchError(FormatText("Der Schalter /%s ist mehrfach angegeben.", {name}));
    }
    if (switches.Help) return switches;
    if (switches.ProxyPassword && switches.ProxyUser.empty())
        throw SwitchError("Der Schalter /PROXYPASSWORD gilt nur zusammen mit /PROXYUSER.");
    if (!switches.ProxyUser.empty() && switches.Proxy == "DIRECT")
        throw SwitchError("Der Schalter /PROXYUSER gilt nicht mit /PROXY=DIRECT.");
    if (!switches.Layout.empty()) {
        // An offline set is made without a window and installs nothing.
        if (switches.Package != 0 || switches.SingleSeat || switches.Folder || !switches.Files.empty() ||
            !switches.Source.empty())
            throw SwitchError(
                "Der Schalter /LAYOUT installiert nichts: /PACKAGE, /TYPE, /DIR, /FILES und /SOURCE "
                "gelten nicht mit ihm.");
        switches.Mode = RunMode::VerySilent;
        return switches;
    }
    if (switches.Unattended() && switches.Package == 0)
        throw SwitchError("Ohne Rückfragen braucht die Installation den Schalter /PACKAGE.");
    if (switches.SingleSeat && switches.Package != 0 && switches.Package != pkApplication &&
        switches.Package != pkDatabaseFiles)
        throw SwitchError("Der Schalter /TYPE gilt nur für die Pakete 1 und 3.");
    if (!switches.Files.empty() && switches.Package != 0 && switches.Package != pkDataUpdate)
        throw SwitchError("Der Schalter /FILES gilt nur für Paket 4.");
    return switches;
}

std::string SwitchUsage() {
    // One code a line: the table's own words.
    std::string codes = "Exit-Codes (unter Linux modulo 256):\n";
    for (const ExitCodeRow& row : SetupExitCodes) {
        const std::string number = std::to_string(row.Code);
        codes += "  " + number + std::string(6 - number.size(), ' ') + row.Text + "\n";
    }
    return "Norvano Setup: Aufruf\n"
           "\n"
           "tvinstall [/PACKAGE=n] [/TYPE=CLIENT|SINGLE] [/DIR=Ordner] [/EDITION=Name]\n"
           "          [/FILES=a.zip;b.zip|ALL] [/SOURCE=Ordner] [/SILENT|/VERYSILENT]\n"
           "          [/LOG=Datei] [/PROXY=host:port|DIRECT] [/PROXYUSER=Name]\n"
           "          [/PROXYPASSWORD=Kennwort]\n"
           "tvinstall /LAYOUT=Ordner [/EDITION=Name] [/PROXY=...] [/LOG=Datei]\n"
           "\n"
           "/PACKAGE=n      das Paket 1 bis 5, wie auf der Auswahlseite\n"
           "/TYPE=...       für Paket 1: CLIENT (Vorgabe) oder SINGLE (Einzelplatz);\n"
           "                für Paket 3: SINGLE, die Datenbanken einer Einzelplatzversion\n"
           "/DIR=Ordner     der Installationsordner, ein vollständiger Pfad (Vorgabe: wie auf\n"
           "                der Seite)\n"
           "/EDITION=Name   die Edition: Brisa, Solan oder Tavik\n"
           "/FILES=...      für Paket 4: die Update-Archive, durch \";\" getrennt (Vorgabe: ALL)\n"
           "/SOURCE=Ordner  die Pakete offline aus diesem Ordner (install.ini und Packages,\n"
           "                oder die Dateien neben install.ini), z. B. auf einer Freigabe\n"
           "/LAYOUT=Ordner  erstellt dort aus dem Update-Server ein Offline-Verzeichnis (das\n"
           "                Programm, install.ini und Packages), ohne Fenster; erneut\n"
           "                aufgerufen lädt es nur Geändertes und Fehlendes; mit /EDITION nur\n"
           "                die Archive dieser Edition\n"
           "/PROXY=...      der HTTP-Proxy host:port, oder DIRECT für keinen (Vorgabe: die\n"
           "                Einstellung des Systems; unter Linux https_proxy und no_proxy)\n"
           "/PROXYUSER=Name die Anmeldung am Proxy (Basic); das Kennwort in /PROXYPASSWORD=\n"
           "                oder in der Umgebungsvariablen TVINSTALL_PROXY_PASSWORD\n"
           "/SILENT         nur die Fortschrittsseite, keine Rückfragen\n"
           "/VERYSILENT     kein Fenster, keine Rückfragen\n"
           "/LOG=Datei      das Protokoll (Vorgabe: tvinstall.log im temporären Ordner)\n"
           "/? oder /HELP   dieser Text\n"
           "\n" +
           codes;
}

} // namespace tv
