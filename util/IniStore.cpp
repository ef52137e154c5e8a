#include "util/IniStore.h"

#include <cstdint>

#include "util/Strings.h"

namespace tv {

void IniStore::Clear() {
    FSections.clear();
}

void IniStore::SetStrings(const std::vector<std::string>& lines) {
    Clear();
    for (const std::string& raw : lines) {
        std::string line = TrimControl(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            FSections.push_back({TrimControl(std::string_view(line).substr(1, line.size() - 2)), {}});
            continue;
        }
        // Lines before the first section header have nowhere to go.
        if (FSections.empty()) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            FSections.back().Lines.push_back(line);
        } else {
            FSections.back().Lines.push_back(TrimControl(std::string_view(line).substr(0, eq)) + "=" +
                                             TrimControl(std::string_view(line).substr(eq + 1)));
        }
    }
}

std::string IniStore::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    for (const Section& s : FSections) {
        if (!SameText(s.Name, section)) continue;
        for (const std::string& line : s.Lines) {
            size_t eq = line.find('=');
            if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), key))
                return line.substr(eq + 1);
        }
        break; // later sections of the same name are never found
    }
    return std::string(defaultValue);
}

bool TryStrToInt(std::string_view text, int& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = i < text.size() && text[i] == '$';
    if (hex) ++i;
    if (i == text.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        // Hex numbers fill all 32 bits (so "$FFFFFFFF" is -1); decimal ones must fit the signed range.
        if (magnitude > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return false;
    }
    if (hex) {
        auto bits = static_cast<std::uint32_t>(magnitude);
        if (negative) bits = 0u - bits;
        value = static_cast<std::int32_t>(bits);
        return true;
    }
    if (!negative && magnitude == 0x80000000ull) return false;
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

int IniStore::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    std::string text = ReadString(section, key, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.replace(0, 2, 1, '$');
    int value;
    return TryStrToInt(text, value) ? value : defaultValue;
}

} // namespace tv
