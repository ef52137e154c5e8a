#include "host/ProcessRunner.h"

#include <mutex>
#include <thread>

#include "util/Strings.h"

namespace tv {

namespace {

std::string SystemErrorText(int code, const std::string& systemText) {
    if (code == 0) return "Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen";
    std::string text = systemText;
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '.' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return FormatText("Systemfehler.  Code: %d.\r\n%s", {std::to_string(code), text});
}

} // namespace

SystemError::SystemError(int code, const std::string& systemText)
    : Failure(SystemErrorText(code, systemText)), FCode(code) {}

// One waiting start. The worker and the user-interface thread share it; `Detached`
// tells the worker that nobody listens any more.
struct ProcessRunner::Wait {
    std::mutex Lock;
    bool Detached = false;
    std::unique_ptr<ChildProcess> Child;
};

ProcessRunner::~ProcessRunner() {
    StopWaiting();
}

void ProcessRunner::StopWaiting() {
    if (!FWait) return;
    {
        std::lock_guard<std::mutex> lock(FWait->Lock);
        FWait->Detached = true;
    }
    FWait->Child->StopWaiting();
    FWait.reset();
    FState = psReady;
}

void ProcessRunner::Run() {
    if (FState == psWaiting) throw ProcessBusyError();
    FState = psReady;
    std::unique_ptr<ChildProcess> child = StartProcess(CommandLine);
    if (!WaitForTerminate) {
        child->AwaitReadyForInput();
        FState = psRunning; // nothing more is known of the program
        // Someone must still collect its end, or it lingers as a zombie on POSIX.
        std::thread([reaped = std::shared_ptr<ChildProcess>(std::move(child))] {
            std::uint32_t ignoredCode = 0;
            std::string ignoredFailure;
            reaped->Wait(ignoredCode, ignoredFailure);
        }).detach();
        return;
    }
    auto wait = std::make_shared<Wait>();
    wait->Child = std::move(child);
    FWait = wait;
    FState = psWaiting;
    EventLoop* loop = &FLoop;
    std::thread([wait, loop, this] {
        std::uint32_t exitCode = 0;
        std::string failure;
        wait->Child->AwaitReadyForInput();
        ChildProcess::WaitOutcome outcome = wait->Child->Wait(exitCode, failure);
        std::lock_guard<std::mutex> lock(wait->Lock);
        // Once detached, the runner (and maybe the loop) may be gone: touch nothing.
        if (outcome == ChildProcess::WaitOutcome::Stopped || wait->Detached) return;
        // A wait the system refused still ends the run: the wizard waits for exactly one end.
        if (outcome == ChildProcess::WaitOutcome::Failed) exitCode = 0xFFFFFFFFu;
        loop->Post([wait, this, exitCode, failure] {
            // Checked before touching the runner: a detached wait may have outlived it.
            if (!wait->Detached) Finished(wait, exitCode, failure);
        });
    }).detach();
}

void ProcessRunner::Finished(const std::shared_ptr<Wait>& wait, std::uint32_t exitCode,
                             const std::string& failure) {
    if (wait != FWait || FState != psWaiting) return;
    FState = psReady;
    FWait.reset();
    FWaitFailure = failure;
    if (OnTerminate) OnTerminate(*this, exitCode);
    FWaitFailure.clear();
}

} // namespace tv
