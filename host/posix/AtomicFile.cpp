#include "host/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/Failure.h"
#include "util/Paths.h"

namespace tv {

ReplacingFile::ReplacingFile(std::string path) : FPath(std::move(path)), FTemporary(FPath + ".tvnew") {}

ReplacingFile::~ReplacingFile() {
    if (FHandle >= 0) ::close(static_cast<int>(FHandle));
    if (FCommitted) return;
    if (FInPlace)
        ::unlink(FPath.c_str());
    else if (!FTemporary.empty())
        ::unlink(FTemporary.c_str());
}

int ReplacingFile::Open(std::uint64_t finalSize) {
    // A new file has nothing to protect: it is written in place and removed if it fails.
    // Creating it exclusively also tells whether it was there, in one call.
    FHandle = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    FInPlace = FHandle >= 0;
    if (!FInPlace && errno == EEXIST)
        FHandle = ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0) {
        int error = errno;
        FTemporary.clear(); // nothing of ours to remove
        FInPlace = false;
        return error;
    }
#ifdef __linux__
    // Only where the file system can do it at once; elsewhere it is left to the writes.
    if (finalSize >= ReserveFrom)
        ::fallocate(static_cast<int>(FHandle), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(finalSize));
#else
    (void)finalSize;
#endif
    return 0;
}

int ReplacingFile::Write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    for (size_t written = 0; written < size;) {
        ssize_t n = ::write(static_cast<int>(FHandle), bytes + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        written += static_cast<size_t>(n);
    }
    return 0;
}

int ReplacingFile::Commit() {
    if (FInPlace) {
        int fd = static_cast<int>(FHandle);
        FHandle = -1;
        if (::close(fd) != 0) return errno;
        FCommitted = true;
        return 0;
    }
    struct stat original {};
    const bool replaces = ::stat(FPath.c_str(), &original) == 0;
    // A new file keeps what its creation gave it: 0666 less the umask.
    if (replaces && ::fchmod(static_cast<int>(FHandle), original.st_mode & 07777) != 0) return errno;
    if (replaces && ::fchown(static_cast<int>(FHandle), original.st_uid, original.st_gid) != 0 &&
        errno != EPERM)
        return errno;
    if (replaces && ::fsync(static_cast<int>(FHandle)) != 0) return errno;
    int fd = static_cast<int>(FHandle);
    FHandle = -1;
    if (::close(fd) != 0) return errno;
    if (::rename(FTemporary.c_str(), FPath.c_str()) != 0) return errno;
    FCommitted = true;
    if (replaces) { // the rename itself must reach the disk too
        std::string folder = ExtractFilePath(FPath);
        int directory = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            ::fsync(directory);
            ::close(directory);
        }
    }
    return 0;
}

} // namespace tv
