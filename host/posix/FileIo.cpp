#include "host/FileIo.h"

#include <sys/types.h>

namespace tv {

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::string ExistingFileName(const std::string& path) {
    return ExtractFileName(path);
}

} // namespace tv
