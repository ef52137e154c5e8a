// An INI store held in memory only: ordered sections of ordered lines, looked up
// without regard to letter case, the first match winning. It backs the text table
// and the package manifest; nothing is ever written back to a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

class IniStore {
public:
    // Replaces the whole content by what the lines describe.
    void SetStrings(const std::vector<std::string>& lines);
    void Clear();

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;

    bool Empty() const { return FSections.empty(); }

private:
    struct Section {
        std::string Name;
        std::vector<std::string> Lines; // "name=value" or a bare text
    };

    std::vector<Section> FSections;
};

// Integer conversion of the store: optional sign, then decimal digits or "$" and hex digits.
// False when the text does not convert or leaves the 32-bit range.
bool TryStrToInt(std::string_view text, int& value);

} // namespace tv
