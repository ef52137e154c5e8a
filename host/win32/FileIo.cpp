#include "host/FileIo.h"

#include "host/win32/Wide.h"

namespace tv {

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
}

std::string ExistingFileName(const std::string& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ExtractFileName(path);
    FindClose(search);
    return Narrow(found.cFileName);
}

} // namespace tv
