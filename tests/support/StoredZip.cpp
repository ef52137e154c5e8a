#include "support/StoredZip.h"

#include <fstream>
#include <stdexcept>

#include <zlib.h>

#include "util/Paths.h"

namespace tv::testbed {

namespace {

constexpr std::uint64_t VersionZip64 = 45; // what a record with ZIP64 fields needs
constexpr std::uint16_t Utf8NameFlag = 0x0800;
constexpr std::uint64_t Escaped = 0xFFFFFFFF;

bool HasHighBytes(const std::string& name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// What the local header and the directory record share, from the version needed on.
std::string Common(const StoredRecord& record) {
    return LittleEndian(VersionZip64, 2) + LittleEndian(record.Flags, 2) + LittleEndian(0, 2) + // stored
           LittleEndian(record.DosTime, 2) + LittleEndian(record.DosDate, 2) + LittleEndian(record.Crc, 4) +
           LittleEndian(record.Size, 4) + LittleEndian(record.Size, 4) + LittleEndian(record.Name.size(), 2) +
           LittleEndian(record.Extra.size(), 2);
}

} // namespace

std::string LittleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::uint32_t Crc(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string LocalHeader(const StoredRecord& record) {
    return LittleEndian(0x04034b50, 4) + Common(record) + record.Name + record.Extra;
}

std::string DirectoryRecord(const StoredRecord& record) {
    return LittleEndian(0x02014b50, 4) + LittleEndian(VersionZip64, 2) + // made by DOS
           Common(record) + LittleEndian(0, 2) +                         // no comment
           LittleEndian(0, 2) + LittleEndian(0, 2) +                     // disk, internal attributes
           LittleEndian(record.Attributes, 4) + LittleEndian(record.Offset, 4) + record.Name + record.Extra;
}

std::string EndRecord(std::uint64_t count, std::uint64_t size, std::uint64_t offset) {
    return LittleEndian(0x06054b50, 4) + LittleEndian(0, 4) + LittleEndian(count, 2) +
           LittleEndian(count, 2) + LittleEndian(size, 4) + LittleEndian(offset, 4) + LittleEndian(0, 2);
}

std::string Zip64EndRecords(std::uint64_t count, std::uint64_t size, std::uint64_t offset, std::uint64_t at) {
    return LittleEndian(0x06064b50, 4) + LittleEndian(44, 8) + LittleEndian(VersionZip64, 2) +
           LittleEndian(VersionZip64, 2) + LittleEndian(0, 4) + LittleEndian(0, 4) + LittleEndian(count, 8) +
           LittleEndian(count, 8) + LittleEndian(size, 8) + LittleEndian(offset, 8) +
           LittleEndian(0x07064b50, 4) + LittleEndian(0, 4) + LittleEndian(at, 8) + LittleEndian(1, 4) +
           EndRecord(0xFFFF, Escaped, Escaped);
}

void MakeStoredZip(const std::string& path, const std::vector<StoredEntry>& entries) {
    std::string archive, directory;
    for (const StoredEntry& entry : entries) {
        StoredRecord record{entry.Name,
                            Crc(entry.Content),
                            static_cast<std::uint32_t>(entry.Content.size()),
                            "",
                            static_cast<std::uint16_t>(HasHighBytes(entry.Name) ? Utf8NameFlag : 0),
                            entry.Attributes,
                            static_cast<std::uint32_t>(archive.size()),
                            entry.DosTime,
                            entry.DosDate};
        archive += LocalHeader(record) + entry.Content;
        directory += DirectoryRecord(record);
    }
    const std::uint64_t directoryOffset = archive.size();
    archive += directory + EndRecord(entries.size(), directory.size(), directoryOffset);
    std::ofstream out(FilePath(path), std::ios::binary);
    out << archive;
    out.close();
    if (!out) throw std::runtime_error("archive could not be written: " + path);
}

} // namespace tv::testbed
