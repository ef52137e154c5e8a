// Path helpers: the one native delimiter, trailing delimiters, bare file names.
// File-name helpers accept both "/" and "\" as separators, since names reach us
// from Windows-style manifests and command lines as well as from this machine.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tv {

#ifdef _WIN32
constexpr char PathDelimiter = '\\';
#else
constexpr char PathDelimiter = '/';
#endif

// A path for the standard library's file functions from the program's UTF-8 text, and
// back: a narrow string would be read in the system's code page on Windows.
inline std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

// Whether a regular file or a folder is at `path`; never throws.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The part after the last "/" or "\".
std::string ExtractFileName(std::string_view path);

// Folder part including its trailing separator; empty when there is none.
std::string ExtractFilePath(std::string_view path);

// Whether Windows would hold a file or folder under exactly this name (one part of a path,
// not empty). It drops trailing dots and blanks before it opens a file, so "nv.db."
// reaches "nv.db" under a spelling that no overwrite rule knows; control characters and
// <>:"|?* it cannot hold at all; device names (CON, COM1.db) are no files. Checked on
// every platform, so that a run does alike everywhere.
bool IsWindowsFileName(const std::string& name);

// Why `folder` cannot serve as a folder given on a command line: not absolute on this
// system, or a part that Windows cannot hold. Empty when it can.
std::string FolderNameProblem(const std::string& folder);

} // namespace tv
