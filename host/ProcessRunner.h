// Starts one program from a command line and, when told to wait, reports its end
// with the exit code as an event on the user-interface thread. One worker thread
// waits per waiting start; its result travels through the event loop.
//
// On POSIX a child killed by signal N reports the exit code 128 + N, as shells do;
// there is no notion of readiness for input, so that wait is left out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/EventLoop.h"
#include "util/Failure.h"

namespace tv {

// The system refused to start a program: "Systemfehler.  Code: %d.\r\n%s".
class SystemError : public Failure {
public:
    SystemError(int code, const std::string& systemText);
    int Code() const { return FCode; }

private:
    int FCode;
};

// Run while the runner still waits for its last program.
class ProcessBusyError : public Failure {
public:
    ProcessBusyError() : Failure("Cannot perform this operation when process is running") {}
};

// A started program as the platform knows it.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // Blocks until the program is ready for input; platforms without that notion return at once.
    virtual void AwaitReadyForInput() {}
    enum class WaitOutcome { Ended, Stopped, Failed };
    // Blocks until the program ends (with its exit code), StopWaiting is called, or the
    // system refuses the wait (with the system's reason in `failure`).
    virtual WaitOutcome Wait(std::uint32_t& exitCode, std::string& failure) = 0;
    // Thread-safe: makes a running Wait return false.
    virtual void StopWaiting() = 0;
};

// Starts a command line; throws SystemError. Implemented once per platform.
std::unique_ptr<ChildProcess> StartProcess(const std::string& commandLine);

enum TProcessState { psReady, psRunning, psWaiting };

class ProcessRunner {
public:
    using TerminateEvent = std::function<void(ProcessRunner& sender, std::uint32_t exitCode)>;

    explicit ProcessRunner(EventLoop& loop) : FLoop(loop) {}
    // A runner that still waits stops waiting: no end event, the program keeps running.
    ~ProcessRunner();
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    std::string CommandLine;
    bool WaitForTerminate = true;
    TerminateEvent OnTerminate;

    TProcessState State() const { return FState; }
    // Inside OnTerminate: why the end could not be awaited (the exit code is then
    // 0xFFFFFFFF); empty when the program's end was seen.
    const std::string& WaitFailure() const { return FWaitFailure; }
    void Run();
    void StopWaiting();

private:
    struct Wait;
    void Finished(const std::shared_ptr<Wait>& wait, std::uint32_t exitCode, const std::string& failure);

    EventLoop& FLoop;
    TProcessState FState = psReady;
    std::shared_ptr<Wait> FWait;
    std::string FWaitFailure;
};

} // namespace tv
