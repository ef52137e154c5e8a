#include "host/Registry.h"

#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

namespace {

constexpr std::string_view RegHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view MachineRoot = "HKEY_LOCAL_MACHINE";

// The quoted string starting at text[i] ("..." with \\ and \" escapes); npos-safe.
std::optional<std::string> ReadQuoted(std::string_view text, size_t& i) {
    if (i >= text.size() || text[i] != '"') return std::nullopt;
    std::string out;
    for (++i; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            out += text[++i];
        } else if (c == '"') {
            ++i;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt; // unterminated
}

// "hex(2):41,00,42,00,00,00" holds UTF-16 LE bytes of an expandable string.
std::optional<std::string> Utf16FromHexList(std::string_view list) {
    std::string bytes = "\xFF\xFE";
    for (size_t i = 0; i < list.size();) {
        while (i < list.size() && (list[i] == ',' || list[i] == ' ' || list[i] == '\\'))
            ++i;
        if (i >= list.size()) break;
        if (i + 1 >= list.size()) return std::nullopt;
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            char c = list[i + k];
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return std::nullopt;
            value = value * 16 + d;
        }
        bytes += static_cast<char>(value);
        i += 2;
    }
    std::string text = DecodeText(bytes).Text;
    return text.substr(0, text.find('\0'));
}

} // namespace

std::string RegistryData::KeyId(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return UpperCase(path);
}

RegistryData RegistryData::Parse(std::string_view text) {
    RegistryData data;
    std::vector<std::string> lines = SplitLines(DecodeText(text).Text);
    if (lines.empty() || TrimControl(lines[0]) != RegHeader) return data;

    std::map<std::string, RegistryValue>* current = nullptr;
    for (size_t n = 1; n < lines.size(); ++n) {
        std::string line = TrimControl(lines[n]);
        // Long hex lists continue on the next line after a trailing "\".
        while (!line.empty() && line.back() == '\\' && n + 1 < lines.size())
            line = line.substr(0, line.size() - 1) + TrimControl(lines[++n]);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() != ']' || line.size() < 3) continue;
            bool remove = line[1] == '-';
            std::string path = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            size_t slash = path.find('\\');
            std::string root = path.substr(0, slash);
            if (!SameText(root, MachineRoot)) continue; // only the machine root is queried
            std::string id = KeyId(slash == std::string::npos ? "" : path.substr(slash));
            if (remove) {
                data.RemoveKey(id);
                continue;
            }
            current = &data.FKeys[id];
            continue;
        }
        if (!current) continue;
        size_t i = 0;
        std::string name;
        if (line.front() == '@') {
            i = 1;
        } else {
            auto quoted = ReadQuoted(line, i);
            if (!quoted) continue;
            name = *quoted;
        }
        if (i >= line.size() || line[i] != '=') continue;
        std::string_view rest = std::string_view(line).substr(i + 1);
        RegistryValue value;
        if (!rest.empty() && rest.front() == '"') {
            size_t j = 0;
            auto text = ReadQuoted(rest, j);
            if (!text) continue;
            value = {RegistryValueType::String, *text};
        } else if (rest.rfind("dword:", 0) == 0) {
            value.Type = RegistryValueType::DWord;
        } else if (rest.rfind("hex(2):", 0) == 0) {
            auto text = Utf16FromHexList(rest.substr(7));
            if (!text) continue;
            value = {RegistryValueType::ExpandString, *text};
        } else if (rest.rfind("hex:", 0) == 0) {
            value.Type = RegistryValueType::Binary;
            value.NoData = rest.size() == 4;
        } else if (rest.rfind("hex(", 0) == 0) {
            value.Type = RegistryValueType::Other;
            value.NoData = rest.back() == ':';
        } else if (rest == "-") {
            current->erase(UpperCase(name));
            continue;
        } else {
            continue;
        }
        (*current)[UpperCase(name)] = value;
    }
    return data;
}

void RegistryData::RemoveKey(const std::string& id) {
    // "[-KEY]" removes the key with all its subkeys.
    for (auto it = FKeys.begin(); it != FKeys.end();) {
        if (it->first == id || it->first.rfind(id + "\\", 0) == 0)
            it = FKeys.erase(it);
        else
            ++it;
    }
}

bool RegistryData::HasKey(std::string_view path) const {
    std::string id = KeyId(path);
    if (id.empty()) return true; // the root itself
    if (FKeys.count(id)) return true;
    // A key also exists as the parent of a listed key.
    std::string prefix = id + "\\";
    auto it = FKeys.lower_bound(prefix);
    return it != FKeys.end() && it->first.rfind(prefix, 0) == 0;
}

const RegistryValue* RegistryData::FindValue(std::string_view path, std::string_view name) const {
    auto key = FKeys.find(KeyId(path));
    if (key == FKeys.end()) return nullptr;
    auto value = key->second.find(UpperCase(name));
    return value == key->second.end() ? nullptr : &value->second;
}

std::string RegistrySnapshot::InView(std::string_view path) const {
    std::string id(path);
    while (!id.empty() && id.front() == '\\')
        id.erase(0, 1);
    constexpr std::string_view Redirected = "SOFTWARE\\WOW6432NODE";
    if (FWow64View && UpperCase(id.substr(0, Redirected.size())) == Redirected &&
        (id.size() == Redirected.size() || id[Redirected.size()] == '\\'))
        id.erase(std::string_view("SOFTWARE").size(), std::string_view("\\WOW6432Node").size());
    return id;
}

bool RegistrySnapshot::KeyExists(std::string_view path) {
    return FData.HasKey(InView(path));
}

bool RegistrySnapshot::OpenKeyReadOnly(std::string_view path) {
    std::string key = InView(path);
    if (!FData.HasKey(key)) return false;
    FCurrentKey = key;
    return true;
}

std::string RegistrySnapshot::ReadString(std::string_view name) {
    if (!FCurrentKey) return {};
    const RegistryValue* value = FData.FindValue(*FCurrentKey, name);
    if (!value || value->NoData) return {}; // missing, or without data whatever its type
    if (value->Type != RegistryValueType::String && value->Type != RegistryValueType::ExpandString)
        throw InvalidTypeError(name);
    return value->Text.substr(0, value->Text.find('\0'));
}

ERegistryException InvalidTypeError(std::string_view name) {
    return ERegistryException(FormatText("Ungültiger Datentyp für '%s'", {std::string(name)}));
}

std::string ProgramFilesFromRegistry(Registry& registry) {
    if (!registry.OpenKeyReadOnly("SOFTWARE\\Microsoft\\Windows\\CurrentVersion")) return {};
    try {
        std::string value = registry.ReadString("ProgramFilesDir");
        while (!value.empty() && (value.back() == '\\' || value.back() == '/'))
            value.pop_back();
        return value;
    } catch (const ERegistryException&) {
        return {}; // unreadable counts as missing
    }
}

std::string RegistryValueText(const std::string& path, const std::string& name, const std::string& value) {
    auto quoted = [](const std::string& text) {
        return "\"" + ReplaceAll(ReplaceAll(text, "\\", "\\\\"), "\"", "\\\"") + "\"";
    };
    std::string key = path;
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    return "\r\n[HKEY_LOCAL_MACHINE\\" + key + "]\r\n" + quoted(name) + "=" + quoted(value) + "\r\n";
}

} // namespace tv
