// ZIP archives for tests, made by Python's zipfile: entries given as name and content,
// each stored or deflated, optionally with ZIP64 records forced.
#pragma once

#include <string>
#include <vector>

namespace tv::testbed {

struct ArchiveEntry {
    std::string Name;
    std::string Content;
    bool Deflated = true;
};

// Writes the archive to `path`; throws when Python cannot make it.
void MakeZip(const std::string& path, const std::vector<ArchiveEntry>& entries, bool forceZip64 = false);

} // namespace tv::testbed
