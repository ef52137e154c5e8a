// Starting and waiting for programs on POSIX: the command line is taken apart as
// Windows would, the program started with posix_spawn (no descriptor of ours is
// inherited), and its end watched through a process descriptor where the kernel has one.
#include "host/ProcessRunner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/CommandLine.h"
#include "util/Strings.h"

extern char** environ;

namespace tv {

namespace {

bool IsProgramFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::uint32_t ExitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    return 0xFFFFFFFFu;
}

class PosixChild : public ChildProcess {
public:
    explicit PosixChild(pid_t pid) : FPid(pid) {
        if (::pipe2(FStop, O_CLOEXEC) != 0) FStop[0] = FStop[1] = -1;
#ifdef SYS_pidfd_open
        FPidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    ~PosixChild() override {
        for (int fd : {FStop[0], FStop[1], FPidFd})
            if (fd >= 0) ::close(fd);
    }

    WaitOutcome Wait(std::uint32_t& exitCode, std::string& failure) override {
        while (true) {
            pollfd fds[2] = {{FStop[0], POLLIN, 0}, {FPidFd, POLLIN, 0}};
            // Without a process descriptor the end is looked for every 20 ms.
            int ready = ::poll(fds, FPidFd >= 0 ? 2 : 1, FPidFd >= 0 ? -1 : 20);
            if (ready < 0 && errno != EINTR) return Refused(failure);
            if (fds[0].revents) return WaitOutcome::Stopped;
            int status = 0;
            pid_t done = ::waitpid(FPid, &status, FPidFd >= 0 ? 0 : WNOHANG);
            if (done == FPid) {
                exitCode = ExitCodeOf(status);
                return WaitOutcome::Ended;
            }
            if (done < 0 && errno != EINTR) return Refused(failure); // not our child any more
        }
    }

    void StopWaiting() override {
        if (FStop[1] >= 0) {
            char byte = 1;
            [[maybe_unused]] ssize_t n = ::write(FStop[1], &byte, 1);
        }
    }

private:
    static WaitOutcome Refused(std::string& failure) {
        failure = FormatText("Das Ende des gestarteten Programms kann nicht abgewartet werden: %s",
                             {std::strerror(errno)});
        return WaitOutcome::Failed;
    }

    pid_t FPid;
    int FStop[2] = {-1, -1};
    int FPidFd = -1;
};

} // namespace

std::unique_ptr<ChildProcess> StartProcess(const std::string& commandLine) {
    ProgramAndArguments parsed = ParseCommandLine(commandLine, IsProgramFile);
    if (parsed.Program.empty()) throw SystemError(ENOENT, std::strerror(ENOENT));

    std::vector<std::string> argv = {parsed.Program};
    argv.insert(argv.end(), parsed.Arguments.begin(), parsed.Arguments.end());
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The child inherits no descriptor of the wizard beyond the standard three.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    // A group of its own: a stop request meant for the wizard (Ctrl+C in a terminal, a
    // signal to the wizard's group) leaves a running installer to finish.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int error = ::posix_spawn(&pid, parsed.Program.c_str(), &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw SystemError(error, std::strerror(error));
    return std::make_unique<PosixChild>(pid);
}

} // namespace tv
