// Reading a whole file in tests: the empty text for a file that is not (yet) there.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tv::testbed {

// The root of this system's file tree, as an absolute folder name begins.
#ifdef _WIN32
constexpr const char* FileRoot = "C:\\";
#else
constexpr const char* FileRoot = "/";
#endif

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tv::testbed
