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
            std::uint32_t ignored = 0;
            reaped->Wait(ignored);
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
        wait->Child->AwaitReadyForInput();
        bool ended = wait->Child->Wait(exitCode);
        std::lock_guard<std::mutex> lock(wait->Lock);
        // Once detached, the runner (and maybe the loop) may be gone: touch nothing.
        if (!ended || wait->Detached) return;
        loop->Post([wait, this, exitCode] {
            // Checked before touching the runner: a detached wait may have outlived it.
            if (!wait->Detached) Finished(wait, exitCode);
        });
    }).detach();
}

void ProcessRunner::Finished(const std::shared_ptr<Wait>& wait, std::uint32_t exitCode) {
    if (wait != FWait || FState != psWaiting) return;
    FState = psReady;
    FWait.reset();
    if (OnTerminate) OnTerminate(*this, exitCode);
}

} // namespace tv
