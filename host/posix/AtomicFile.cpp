#include "host/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/Paths.h"

namespace tv {

namespace {

// How much of a file is written before the disk is asked to start on it: large enough that
// the requests cost nothing, small enough that the disk works alongside the inflating.
constexpr std::uint64_t WriteBackStretch = 8 << 20;

int OpenFolder(const std::string& folder) {
    return ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The name without replacing: a link fails for an existing name; the temporary's name goes after.
int LinkWithoutReplacing(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

} // namespace

int NameFile(const std::string& temporary, const std::string& target, bool replace) {
    if (replace) return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
#ifdef __linux__
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    // File systems without it (some network and FUSE ones) still have links.
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    return LinkWithoutReplacing(temporary, target);
}

int FlushFileData(const std::string& folder) {
    int directory = OpenFolder(folder);
    if (directory < 0) return errno;
#ifdef __linux__
    // One flush of the file system for all files of a batch: a flush per file costs about a
    // millisecond each, far more than writing a small file.
    int result = ::syncfs(directory) == 0 ? 0 : errno;
#else
    ::sync();
    int result = 0;
#endif
    ::close(directory);
    return result;
}

int FlushFolder(const std::string& folder) {
    int directory = OpenFolder(folder);
    if (directory < 0) return errno;
    int result = ::fsync(directory) == 0 ? 0 : errno;
    ::close(directory);
    return result;
}

ReplacingFile::ReplacingFile(std::string path) : FPath(std::move(path)), FTemporary(TemporaryNameOf(FPath)) {}

ReplacingFile::~ReplacingFile() {
    if (FHandle >= 0) ::close(static_cast<int>(FHandle));
    if (FOwnsTemporary) ::unlink(FTemporary.c_str());
}

int ReplacingFile::Open(std::uint64_t finalSize) {
    FHandle = ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0) return errno;
    FOwnsTemporary = true;
    FLarge = finalSize >= ReserveFrom;
#ifdef __linux__
    // Only where the file system can do it at once; elsewhere it is left to the writes.
    if (FLarge) ::fallocate(static_cast<int>(FHandle), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(finalSize));
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
    FWritten += size;
#ifdef __linux__
    // The disk starts on each stretch of a large file as soon as it is written, while the
    // rest is still being made: the flush before the names then waits for little.
    if (FWritten - FWrittenBack >= WriteBackStretch) {
        ::sync_file_range(static_cast<int>(FHandle), static_cast<off_t>(FWrittenBack),
                          static_cast<off_t>(FWritten - FWrittenBack), SYNC_FILE_RANGE_WRITE);
        FWrittenBack = FWritten;
    }
#endif
    return 0;
}

int ReplacingFile::Finish() {
    if (FHandle < 0) return 0;
    int fd = static_cast<int>(FHandle);
    FHandle = -1;
#ifdef __linux__
    // What is left of a large file starts on its way to the disk now.
    if (FLarge && FWritten > FWrittenBack)
        ::sync_file_range(fd, static_cast<off_t>(FWrittenBack), 0, SYNC_FILE_RANGE_WRITE);
#endif
    return ::close(fd) == 0 ? 0 : errno;
}

int ReplacingFile::TakeOverPermissions() {
    struct stat original {};
    if (::stat(FPath.c_str(), &original) != 0) return 0; // a new file keeps 0666 less the umask
    const int fd = static_cast<int>(FHandle);
    if (::fchmod(fd, original.st_mode & 07777) != 0) return errno;
    if (::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM) return errno;
    return 0;
}

int ReplacingFile::Commit() {
    if (int error = TakeOverPermissions()) return error;
    if (::fsync(static_cast<int>(FHandle)) != 0) return errno;
    if (int error = Finish()) return error;
    if (int error = NameFile(FTemporary, FPath, true)) return error;
    FOwnsTemporary = false;
    return FlushFolder(ExtractFilePath(FPath));
}

std::string ReplacingFile::Release() {
    FOwnsTemporary = false;
    return FTemporary;
}

} // namespace tv
