#include "host/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/Failure.h"
#include "util/Paths.h"

namespace tv {

namespace {

class FileHandle {
public:
    explicit FileHandle(int fd) : FFd(fd) {}
    ~FileHandle() {
        if (FFd >= 0) ::close(FFd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return FFd; }
    int Release() {
        int fd = FFd;
        FFd = -1;
        return fd;
    }

private:
    int FFd;
};

[[noreturn]] void Fail(const std::string& path, int error) {
    throw Failure("Die Datei " + path + " konnte nicht geschrieben werden: " + std::strerror(error));
}

} // namespace

void ReplaceFileContent(const std::string& path, std::string_view bytes) {
    struct stat original {};
    bool exists = ::stat(path.c_str(), &original) == 0;
    mode_t mode = exists ? (original.st_mode & 07777) : 0644;

    std::string temporary = path + ".tvnew";
    FileHandle file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (file.Get() < 0) Fail(path, errno);
    auto cleanUp = [&](int error) {
        ::unlink(temporary.c_str());
        Fail(path, error);
    };
    for (size_t written = 0; written < bytes.size();) {
        ssize_t n = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) cleanUp(errno);
        written += static_cast<size_t>(n);
    }
    if (::fchmod(file.Get(), mode) != 0) cleanUp(errno);
    if (exists && ::fchown(file.Get(), original.st_uid, original.st_gid) != 0 && errno != EPERM) cleanUp(errno);
    if (::fsync(file.Get()) != 0) cleanUp(errno);
    if (::close(file.Release()) != 0) cleanUp(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) cleanUp(errno);

    // The rename itself must reach the disk too.
    std::string folder = ExtractFilePath(path);
    FileHandle directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0) ::fsync(directory.Get());
}

} // namespace tv
