#include "host/FileIo.h"

#include <filesystem>
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

void ApplyStoredAttributes(const std::string& path, std::uint32_t dosAttributes, std::uint32_t unixMode) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (unixMode != 0) {
        fs::permissions(FilePath(path), static_cast<fs::perms>(unixMode & 0777), ec);
    } else if (dosAttributes & DosReadOnly) {
        fs::permissions(FilePath(path),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
    }
}

} // namespace tv
