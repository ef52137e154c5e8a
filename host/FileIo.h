// C library files by UTF-8 name and 64-bit position on every platform: on Windows a
// narrow name would be read in the system's code page and `long` positions end at 2 GiB.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "util/Paths.h"

namespace tv {

constexpr std::uint32_t DosReadOnly = 0x01; // the DOS attribute bits an archive stores
constexpr std::uint32_t DosHidden = 0x02;
constexpr std::uint32_t DosSystem = 0x04;
constexpr std::uint32_t DosArchive = 0x20;

std::FILE* OpenFile(const std::string& path, const char* mode);
bool SeekTo(std::FILE* file, std::uint64_t offset);

// The name under which the file system holds the existing file that `path` names. Windows
// finds a file through its short name, in any case, and with trailing dots or blanks
// dropped, so only this name tells which file an open would reach; elsewhere it is the
// path's own last part, which is also the answer when no file is found.
std::string ExistingFileName(const std::string& path);

// Gives an unpacked file the attributes its archive stored: `unixMode` is the mode of an
// entry made on Unix (0 for none), `dosAttributes` the entry's DOS bits otherwise. Windows
// keeps the read-only, hidden, system and archive bits; POSIX only read-only, as missing
// write permission. Failures are ignored: the file's content is what matters.
void ApplyStoredAttributes(const std::string& path, std::uint32_t dosAttributes, std::uint32_t unixMode);

} // namespace tv
