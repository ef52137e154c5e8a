// ZIP archives for tests on every platform, written byte by byte after PKWARE's APPNOTE:
// stored entries only, names taken as they are given (the UTF-8 flag set where a name
// has bytes above 127), DOS attributes as given. No tool is needed to make them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::testbed {

struct StoredEntry {
    std::string Name;
    std::string Content;
    std::uint32_t Attributes = 0; // DOS attribute bits: 0x01 read-only, 0x02 hidden, ...
};

// Writes the archive to `path`; throws when the file cannot be written.
void MakeStoredZip(const std::string& path, const std::vector<StoredEntry>& entries);

} // namespace tv::testbed
