#include "support/StoredZip.h"

#include <fstream>
#include <stdexcept>

#include <zlib.h>

#include "util/Paths.h"

namespace tv::testbed {

namespace {

constexpr std::uint16_t VersionTwo = 20; // what a stored entry needs
constexpr std::uint16_t Utf8NameFlag = 0x0800;
constexpr std::uint16_t DosTime = 0x6DAF; // 13:45:30
constexpr std::uint16_t DosDate = 0x58B1; // 2024-05-17

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool HasHighBytes(const std::string& name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

} // namespace

void MakeStoredZip(const std::string& path, const std::vector<StoredEntry>& entries) {
    std::string archive, directory;
    for (const StoredEntry& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const auto crc =
            static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(entry.Content.data()),
                                             static_cast<uInt>(entry.Content.size())));
        const auto size = static_cast<std::uint32_t>(entry.Content.size());
        const std::uint16_t flags = HasHighBytes(entry.Name) ? Utf8NameFlag : 0;
        // What the local header and the directory record share, from the version needed on.
        std::string common;
        Put16(common, VersionTwo);
        Put16(common, flags);
        Put16(common, 0); // stored
        Put16(common, DosTime);
        Put16(common, DosDate);
        Put32(common, crc);
        Put32(common, size);
        Put32(common, size);
        Put16(common, static_cast<std::uint32_t>(entry.Name.size()));
        Put16(common, 0); // no extra field

        Put32(archive, 0x04034b50);
        archive += common + entry.Name + entry.Content;

        Put32(directory, 0x02014b50);
        Put16(directory, VersionTwo); // made by DOS
        directory += common;
        Put16(directory, 0); // comment
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, entry.Attributes);
        Put32(directory, offset);
        directory += entry.Name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<std::uint32_t>(entries.size()));
    Put16(archive, static_cast<std::uint32_t>(entries.size()));
    Put32(archive, static_cast<std::uint32_t>(directory.size()));
    Put32(archive, directoryOffset);
    Put16(archive, 0);
    std::ofstream out(FilePath(path), std::ios::binary);
    out << archive;
    out.close();
    if (!out) throw std::runtime_error("archive could not be written: " + path);
}

} // namespace tv::testbed
