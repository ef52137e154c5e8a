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

void ApplyStoredAttributes(const std::string& path, std::uint32_t dosAttributes, std::uint32_t unixMode) {
    constexpr DWORD Kept =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    constexpr std::uint32_t OwnerWrite = 0200;
    DWORD attributes = unixMode != 0 ? ((unixMode & OwnerWrite) ? 0 : FILE_ATTRIBUTE_READONLY)
                                     : static_cast<DWORD>(dosAttributes) & Kept;
    SetFileAttributesW(Wide(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

} // namespace tv
