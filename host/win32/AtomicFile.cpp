#include "host/AtomicFile.h"

#include <cerrno>
#include <cstring>

#include "host/win32/Wide.h"
#include "util/Failure.h"

namespace tv {

namespace {

// The C library's error numbers, so callers word every platform's failures alike.
int ErrorNumber(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    default:
        return EIO;
    }
}

} // namespace

int NameFile(const std::string& temporary, const std::string& target, bool replace) {
    // Through the cache to the disk before it returns; without REPLACE_EXISTING an existing
    // target stays and the move fails.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(Wide(temporary).c_str(), Wide(target).c_str(), flags)) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : ErrorNumber(error);
}

int FlushFileData(const std::string&) {
    return 0; // each file was flushed as it was finished: a volume's flush needs more than we ask for
}

int FlushFolder(const std::string&) {
    return 0; // the moves went through to the disk
}

ReplacingFile::ReplacingFile(std::string path) : FPath(std::move(path)), FTemporary(TemporaryNameOf(FPath)) {}

ReplacingFile::~ReplacingFile() {
    if (FHandle >= 0) CloseHandle(reinterpret_cast<HANDLE>(FHandle));
    if (FOwnsTemporary) DeleteFileW(Wide(FTemporary).c_str());
}

int ReplacingFile::Open(std::uint64_t finalSize) {
    // A leftover of an interrupted run under this name is emptied; a read-only one fails.
    HANDLE file = CreateFileW(Wide(FTemporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrorNumber(GetLastError());
    FHandle = reinterpret_cast<std::intptr_t>(file);
    FOwnsTemporary = true;
    FLarge = finalSize >= ReserveFrom;
    if (FLarge) { // the file's clusters in one piece where the volume allows
        FILE_ALLOCATION_INFO allocation{};
        allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(finalSize);
        SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation);
    }
    return 0;
}

int ReplacingFile::Write(const void* data, size_t size) {
    HANDLE file = reinterpret_cast<HANDLE>(FHandle);
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr)) return ErrorNumber(GetLastError());
        bytes += written;
        size -= written;
    }
    return 0;
}

int ReplacingFile::Finish() {
    if (FHandle < 0) return 0;
    HANDLE file = reinterpret_cast<HANDLE>(FHandle);
    FHandle = -1;
    // Windows has no flush of many files at once that an installer may use: each file's data
    // reach the disk before its name can.
    const bool flushed = FlushFileBuffers(file);
    const DWORD error = GetLastError();
    if (!CloseHandle(file)) return ErrorNumber(GetLastError());
    return flushed ? 0 : ErrorNumber(error);
}

int ReplacingFile::Commit() {
    if (int error = Finish()) return error;
    // A target another program holds open fails here with a sharing violation and stays as it was.
    if (int error = NameFile(FTemporary, FPath, true)) return error;
    FOwnsTemporary = false;
    return 0;
}

std::string ReplacingFile::Release() {
    FOwnsTemporary = false;
    return FTemporary;
}

} // namespace tv
