#include "util/Paths.h"

#include <filesystem>

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

} // namespace tv
