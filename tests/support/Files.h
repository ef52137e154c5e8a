// Reading a whole file in tests: the empty text for a file that is not (yet) there.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tv::testbed {

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tv::testbed
