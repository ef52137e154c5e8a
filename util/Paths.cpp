#include "util/Paths.h"

#include <cstring>
#include <filesystem>

#include "util/Strings.h"

namespace tv {

namespace {
bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}
} // namespace

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(FilePath(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(FilePath(path), ec);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != PathDelimiter) out += PathDelimiter;
    return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() == PathDelimiter) out.pop_back();
    return out;
}

std::string ExtractFileName(std::string_view path) {
    size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return std::string(path.substr(i));
}

std::string ExtractFilePath(std::string_view path) {
    size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return std::string(path.substr(0, i));
}

namespace {

// A stem that Windows opens as a device, whatever extension follows: writing "COM1.db"
// would talk to a port, not create a file.
bool IsDeviceName(const std::string& name) {
    std::string stem = UpperCase(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem == device) return true;
    if (stem.rfind("COM", 0) != 0 && stem.rfind("LPT", 0) != 0) return false;
    const std::string number = stem.substr(3);
    if (number.size() == 1) return number[0] >= '0' && number[0] <= '9';
    return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3"; // superscript one to three
}

} // namespace

bool IsWindowsFileName(const std::string& name) {
    if (name.back() == '.' || name.back() == ' ') return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c) != nullptr) return false;
    return !IsDeviceName(name);
}

std::string FolderNameProblem(const std::string& folder) {
    const std::filesystem::path path = FilePath(folder);
    if (!path.is_absolute()) return "kein vollständiger Pfad";
    for (const std::filesystem::path& part : path.lexically_normal().relative_path()) {
        const std::string name = Utf8Of(part);
        if (!name.empty() && !IsWindowsFileName(name))
            return "ein Name, den Windows nicht speichern kann: " + name;
    }
    return "";
}

} // namespace tv
