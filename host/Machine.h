// What a program start asks of the machine besides the wizard's own questions: one
// installation at a time, the request to stop from outside (a signal, Ctrl+Break, a close
// request), and the system's name for the run log. One implementation per platform.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "host/EventLoop.h"
#include "host/Host.h"

namespace tv {

// Held while this program installs; others of its kind cannot take it.
class InstallationLock {
public:
    virtual ~InstallationLock() = default;
};

// The machine's installation lock, or null when another installation holds it, whatever
// temporary folder either has: on Windows a named mutex for the whole machine, on POSIX a
// locked file in /run/lock (in `tempFolder` where that cannot be written;
// TVINSTALL_LOCK_FOLDER names another). A lock that cannot be made at all does not stop
// the installation (the failure goes to `problem`).
std::unique_ptr<InstallationLock> LockInstallation(const std::string& tempFolder, std::string& problem);

// From now on, a request to stop (SIGTERM, SIGINT and SIGHUP; on Windows Ctrl+C,
// Ctrl+Break, the console's close, the log-off and the shutdown) no longer ends the program
// but raises StopRequested. Where the system ends the process as soon as it was told
// (Windows' close, log-off and shutdown), the telling waits for NoteRunEnded.
void CatchStopRequests();
bool StopRequested();
// The run has ended, its log is written: the program may be ended now.
void NoteRunEnded();

// This platform's host, with `dialogs` for its messages (a program without a window).
std::unique_ptr<Host> MakePlatformHost(Dialogs& dialogs);

// The operating system with its version and word size, for the log's head.
std::string SystemDescription();

// Turns a raised stop request into one call of `onStop` on the user-interface thread:
// the signal itself may do nothing but set a flag.
class StopWatcher {
public:
    StopWatcher(EventLoop& loop, std::function<void()> onStop);
    ~StopWatcher();
    StopWatcher(const StopWatcher&) = delete;
    StopWatcher& operator=(const StopWatcher&) = delete;

private:
    std::atomic<bool> FEnd{false};
    std::thread FThread;
};

} // namespace tv
