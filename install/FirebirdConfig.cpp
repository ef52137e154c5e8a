#include "install/FirebirdConfig.h"

#include "host/AtomicFile.h"
#include "host/Registry.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

const TDatabaseFile DatabaseFiles[8] = {
    {"nv_sec", "Benutzer-Datenbank", "nv_sec.db"}, {"nv", "Haupt-Datenbank", "nv.db"},
    {"nv_img", "Bilder-Datenbank", "nv_img.db"},   {"nv_ebay", "eBay-Datenbank", "nv_ebay.db"},
    {"etg_cars", "Fahrzeuge", "etg_cars.db"},      {"etg_parts", "Ersatzteile", "etg_parts.db"},
    {"etg_aw", "Arbeitswerte", "etg_aw.db"},       {"etg_svg", "Ersatzteil Abbildungen", "etg_svg.db"},
};

namespace {

// Index of the first line whose name (the text before its first "=", untrimmed) is `name`.
int IndexOfName(const std::vector<std::string>& lines, const std::string& name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t eq = lines[i].find('=');
        if (eq != std::string::npos && SameText(std::string_view(lines[i]).substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string ValueOf(const std::vector<std::string>& lines, const std::string& name) {
    int index = IndexOfName(lines, name);
    return index < 0 ? std::string() : lines[index].substr(name.size() + 1);
}

void SetValue(std::vector<std::string>& lines, const std::string& name, const std::string& value) {
    int index = IndexOfName(lines, name);
    std::string line = FormatText("%s=%s", {name, value});
    if (index < 0)
        lines.push_back(line);
    else
        lines[index] = line;
}

// Reads the file whole, lets `edit` change its lines, and writes it back in its encoding;
// returns each key whose value the edit changed.
template <class Edit> std::vector<ConfChange> EditFile(const std::string& path, Edit edit) {
    TextLines text = LoadTextLines(path);
    const std::vector<std::string> before = text.Lines;
    edit(text.Lines);
    ReplaceFileContent(path, JoinTextLines(text));
    std::vector<ConfChange> changes;
    for (const std::string& line : text.Lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || line[0] == '#') continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        const std::string old = ValueOf(before, key);
        bool listed = false;
        for (const ConfChange& change : changes)
            listed = listed || SameText(change.Key, key);
        if (!listed && (old != value || IndexOfName(before, key) < 0))
            changes.push_back({path, key, old, value});
    }
    return changes;
}

} // namespace

std::string SecurityDbAlias() {
    return DatabaseFiles[0].Alias;
}

void AddSecurityDbBlock(std::vector<std::string>& lines) {
    lines.push_back("{");
    lines.push_back(FormatText("SecurityDatabase=%s", {SecurityDbAlias()}));
    lines.push_back("}");
}

void AppendAlias(std::vector<std::string>& lines, const std::string& name, const std::string& value) {
    lines.push_back(FormatText("%s=%s", {name, value}));
    if (name != SecurityDbAlias() && IndexOfName(lines, SecurityDbAlias()) >= 0) AddSecurityDbBlock(lines);
}

void SetConfValue(std::vector<std::string>& lines, const std::string& name, const std::string& value) {
    if (IndexOfName(lines, name) >= 0)
        SetValue(lines, name, value);
    else
        AppendAlias(lines, name, value);
}

std::vector<ConfChange> WriteDatabaseAliases(const std::string& configFile, const std::string& dataFolder) {
    if (!FileExists(configFile) || !DirectoryExists(dataFolder)) return {};
    const std::string folder = IncludeTrailingPathDelimiter(dataFolder);
    return EditFile(configFile, [&](std::vector<std::string>& lines) {
        for (const TDatabaseFile& database : DatabaseFiles)
            SetConfValue(lines, database.Alias, folder + database.FileName);
    });
}

bool GetFirebirdRoot(Registry& registry, std::string& folder) {
    if (!registry.OpenKeyReadOnly("\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances")) return false;
    folder = registry.ReadString("DefaultInstance");
    // A key without a folder names no server; its files would be looked for at the drive's root.
    return !folder.empty();
}

void UncommentConfKey(std::vector<std::string>& lines, const std::string& key) {
    const std::string pattern = FormatText("#%s", {key});
    for (std::string& line : lines) {
        size_t at = line.find(pattern);
        if (at == std::string::npos) continue;
        std::string rest = line.substr(at + 1);
        size_t first = rest.find('=');
        std::string name = TrimControl(std::string_view(rest).substr(0, first));
        std::string value;
        if (first != std::string::npos) {
            size_t second = rest.find('=', first + 1);
            value = TrimControl(std::string_view(rest).substr(
                first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
        }
        line = FormatText("%s=%s", {name, value});
        return;
    }
}

void SetConfKey(std::vector<std::string>& lines, const std::string& key, const std::string& value) {
    if (ValueOf(lines, key).empty()) UncommentConfKey(lines, key);
    SetValue(lines, key, value);
}

std::vector<ConfChange> SetFirebirdConfValue(const std::string& file, const std::string& key,
                                             const std::string& value) {
    if (!FileExists(file)) return {};
    return EditFile(file, [&](std::vector<std::string>& lines) { SetConfKey(lines, key, value); });
}

} // namespace tv
