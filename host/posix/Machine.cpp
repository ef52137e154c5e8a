#include "host/Machine.h"

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/posix/PosixHost.h"
#include "util/Paths.h"

namespace tv {

namespace {

volatile std::sig_atomic_t StopSignal = 0;

void RaiseStop(int) {
    StopSignal = 1;
}

class FileLock : public InstallationLock {
public:
    explicit FileLock(int descriptor) : FDescriptor(descriptor) {}
    ~FileLock() override {
        if (FDescriptor >= 0) ::close(FDescriptor); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int FDescriptor;
};

} // namespace

std::unique_ptr<InstallationLock> LockInstallation(const std::string& tempFolder, std::string& problem) {
    const std::string path = IncludeTrailingPathDelimiter(tempFolder) + "tvinstall.lock";
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        problem = "Die Sperrdatei " + path + " kann nicht angelegt werden: " + std::strerror(errno);
        return std::make_unique<FileLock>(-1);
    }
    // The kernel drops the lock when the process ends, however it ends: no stale lock.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error == EWOULDBLOCK) return nullptr;
        problem = "Die Sperrdatei " + path + " kann nicht gesperrt werden: " + std::strerror(error);
        return std::make_unique<FileLock>(-1);
    }
    return std::make_unique<FileLock>(descriptor);
}

void CatchStopRequests() {
    struct sigaction action = {};
    action.sa_handler = RaiseStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal or the session went away
}

bool StopRequested() {
    return StopSignal != 0;
}

void NoteRunEnded() {} // a signal waits for nothing: the program ends in its own time

std::unique_ptr<Host> MakePlatformHost(Dialogs& dialogs) {
    return std::make_unique<PosixHost>(dialogs);
}

std::string SystemDescription() {
    struct utsname name = {};
    if (::uname(&name) != 0) return "unbekannt";
    return std::string(name.sysname) + " " + name.release + " " + name.machine + ", Programm mit " +
           std::to_string(sizeof(void*) * 8) + " Bit";
}

} // namespace tv
