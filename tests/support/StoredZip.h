// ZIP archives for tests on every platform, written byte by byte after PKWARE's APPNOTE:
// stored entries only, names taken as they are given (the UTF-8 flag set where a name
// has bytes above 127), DOS attributes as given. No tool is needed to make them. The
// records are open to tests that build archives no tool would make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::testbed {

struct StoredEntry {
    std::string Name;
    std::string Content;
    std::uint32_t Attributes = 0;   // DOS attribute bits: 0x01 read-only, 0x02 hidden, ...
    std::uint16_t DosTime = 0x6DAF; // 13:45:30
    std::uint16_t DosDate = 0x58B1; // 2024-05-17
};

// Writes the archive to `path`; throws when the file cannot be written.
void MakeStoredZip(const std::string& path, const std::vector<StoredEntry>& entries);

// A number as ZIP records hold it: `bytes` bytes, least significant first.
std::string LittleEndian(std::uint64_t value, int bytes);
// The CRC-32 of ZIP.
std::uint32_t Crc(const std::string& data);

// One stored entry's records; ZIP64 values go into `Extra` where a field holds 0xFFFFFFFF.
struct StoredRecord {
    std::string Name;
    std::uint32_t Crc = 0;
    std::uint32_t Size = 0; // compressed and uncompressed alike
    std::string Extra;
    std::uint16_t Flags = 0;
    std::uint32_t Attributes = 0; // the directory record's only
    std::uint32_t Offset = 0;     // of the local header; the directory record's only
    std::uint16_t DosTime = 0x6DAF;
    std::uint16_t DosDate = 0x58B1;
};
std::string LocalHeader(const StoredRecord& record);
std::string DirectoryRecord(const StoredRecord& record);
// The end record of `count` entries whose directory of `size` bytes starts at `offset`.
std::string EndRecord(std::uint64_t count, std::uint64_t size, std::uint64_t offset);
// The ZIP64 end record starting at `at`, its locator, and an end record that sends the
// reader to them.
std::string Zip64EndRecords(std::uint64_t count, std::uint64_t size, std::uint64_t offset, std::uint64_t at);

} // namespace tv::testbed
