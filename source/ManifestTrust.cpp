#include "source/ManifestTrust.h"

#include <cstdio>

#include "source/ManifestSignature.h"
#include "source/PackageDigests.h"
#include "util/Calendar.h"
#include "util/Failure.h"
#include "util/IniStore.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

namespace {

[[noreturn]] void Refuse(const ManifestCheck& check, const std::string& reason) {
    throw Failure(FormatText("Das Paketverzeichnis %s wird nicht verwendet: %s", {check.Source, reason}));
}

bool HasSection(const std::vector<std::string>& lines, const char* section) {
    for (const std::string& line : lines)
        if (SameText(TrimControl(line), std::string("[") + section + "]")) return true;
    return false;
}

} // namespace

std::optional<std::int64_t> ParseUtcTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char zone = 0;
    int length = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day, &hour, &minute, &second,
                    &zone, &length) != 7 ||
        length != 20 || zone != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

std::string UtcTimeText(std::int64_t time) {
    const std::int64_t secondOfDay = ((time % 86400) + 86400) % 86400;
    const CivilDate date = CivilFromDays((time - secondOfDay) / 86400);
    auto digits = [](std::int64_t value, size_t width) {
        std::string text = std::to_string(value);
        return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
    };
    return digits(date.Year, 4) + "-" + digits(date.Month, 2) + "-" + digits(date.Day, 2) + "T" +
           digits(secondOfDay / 3600, 2) + ":" + digits(secondOfDay / 60 % 60, 2) + ":" +
           digits(secondOfDay % 60, 2) + "Z";
}

std::optional<ManifestRelease> ReadRelease(const std::vector<std::string>& lines) {
    if (!HasSection(lines, ReleaseSection)) return std::nullopt;
    IniStore ini;
    ini.SetStrings(lines);
    const std::string serial = TrimControl(ini.ReadString(ReleaseSection, "Serial", ""));
    const std::string expires = TrimControl(ini.ReadString(ReleaseSection, "Expires", ""));
    ManifestRelease release;
    if (serial.empty() || serial.size() > 18 || serial.find_first_not_of("0123456789") != std::string::npos)
        throw Failure(FormatText("Ungültiger Wert Serial im Abschnitt [%s] des Paketverzeichnisses: \"%s\"",
                                 {ReleaseSection, serial.substr(0, 40)}));
    release.Serial = std::stoll(serial);
    const std::optional<std::int64_t> time = ParseUtcTime(expires);
    if (!time)
        throw Failure(FormatText("Ungültiger Wert Expires im Abschnitt [%s] des Paketverzeichnisses: \"%s\"",
                                 {ReleaseSection, expires.substr(0, 40)}));
    release.Expires = *time;
    return release;
}

std::optional<ManifestRelease> CheckManifest(const ManifestCheck& check) {
    if (check.TrustedKeys.empty()) return std::nullopt;
    if (!check.Signature) Refuse(check, "es ist nicht signiert (install.ini.sig fehlt).");
    if (SigningKeyOf(check.Bytes, *check.Signature, check.TrustedKeys) < 0)
        Refuse(check,
               "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert).");
    const std::vector<std::string> lines = SplitLines(DecodeText(check.Bytes).Text);
    std::optional<ManifestRelease> release;
    try {
        release = ReadRelease(lines);
    } catch (const Failure& e) {
        Refuse(check, e.what());
    }
    if (!release) Refuse(check, FormatText("der Abschnitt [%s] fehlt.", {ReleaseSection}));
    if (release->Expires <= check.Now)
        Refuse(check, FormatText("es ist am %s abgelaufen.", {UtcTimeText(release->Expires)}));
    if (check.HighestSerial && release->Serial < *check.HighestSerial)
        Refuse(
            check,
            FormatText("es ist älter (Serial %d) als das zuletzt auf diesem Rechner verwendete (Serial %d).",
                       {std::to_string(release->Serial), std::to_string(*check.HighestSerial)}));
    const PackageDigests digests = PackageDigests::FromManifest(lines);
    for (const std::string& name : digests.Names())
        if (!digests.ListedSize(name))
            Refuse(check,
                   FormatText("für die Datei %s fehlt die Größe im Abschnitt [%s].", {name, SizeSection}));
    return release;
}

} // namespace tv
