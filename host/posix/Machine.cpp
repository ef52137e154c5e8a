#include "host/Machine.h"

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    // The system's lock folder is the same whatever TMP a run has; where it cannot be
    // written, the temporary folder serves. Tests that run side by side name their own.
    const char* named = std::getenv("TVINSTALL_LOCK_FOLDER");
    const std::vector<std::string> folders =
        named && *named ? std::vector<std::string>{named} : std::vector<std::string>{"/run/lock", tempFolder};
    for (const std::string& folder : folders) {
        const std::string path = IncludeTrailingPathDelimiter(folder) + "tvinstall.lock";
        // Another user's run made it: readable is enough to lock it.
        int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (descriptor < 0) descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            problem = "Die Sperrdatei " + path + " kann nicht angelegt werden: " + std::strerror(errno);
            continue;
        }
        // The kernel drops the lock when the process ends, however it ends: no stale lock.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK) return nullptr;
            problem = "Die Sperrdatei " + path + " kann nicht gesperrt werden: " + std::strerror(error);
            continue;
        }
        problem.clear();
        return std::make_unique<FileLock>(descriptor);
    }
    return std::make_unique<FileLock>(-1);
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
