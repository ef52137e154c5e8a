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

ReplacingFile::ReplacingFile(std::string path) : FPath(std::move(path)), FTemporary(FPath + ".tvnew") {}

ReplacingFile::~ReplacingFile() {
    if (FHandle >= 0) CloseHandle(reinterpret_cast<HANDLE>(FHandle));
    if (FCommitted) return;
    if (FInPlace)
        DeleteFileW(Wide(FPath).c_str());
    else if (!FTemporary.empty())
        DeleteFileW(Wide(FTemporary).c_str());
}

int ReplacingFile::Open(std::uint64_t finalSize) {
    // A new file has nothing to protect: it is written in place and removed if it fails.
    // Creating it exclusively also tells whether it was there, in one call.
    HANDLE file = CreateFileW(Wide(FPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    FInPlace = file != INVALID_HANDLE_VALUE;
    if (!FInPlace && (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS))
        file = CreateFileW(Wide(FTemporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FTemporary.clear(); // nothing of ours to remove
        FInPlace = false;
        return ErrorNumber(GetLastError());
    }
    FHandle = reinterpret_cast<std::intptr_t>(file);
    if (finalSize >= ReserveFrom) { // the file's clusters in one piece where the volume allows
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

int ReplacingFile::Commit() {
    HANDLE file = reinterpret_cast<HANDLE>(FHandle);
    if (FInPlace) {
        FHandle = -1;
        if (!CloseHandle(file)) return ErrorNumber(GetLastError());
        FCommitted = true;
        return 0;
    }
    const std::wstring target = Wide(FPath);
    const bool replaces = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (replaces && !FlushFileBuffers(file)) return ErrorNumber(GetLastError());
    FHandle = -1;
    if (!CloseHandle(file)) return ErrorNumber(GetLastError());
    // A target another program holds open fails here with a sharing violation and stays as it was.
    if (!MoveFileExW(Wide(FTemporary).c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ErrorNumber(GetLastError());
    FCommitted = true;
    return 0;
}

} // namespace tv
