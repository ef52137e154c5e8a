// C library files by UTF-8 name and 64-bit position on every platform: on Windows a
// narrow name would be read in the system's code page and `long` positions end at 2 GiB.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "util/Paths.h"

namespace tv {

std::FILE* OpenFile(const std::string& path, const char* mode);
bool SeekTo(std::FILE* file, std::uint64_t offset);

} // namespace tv
