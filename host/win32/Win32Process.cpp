// Starting and waiting for programs on Windows: CreateProcessW with the command line as
// given, a wait for the program's readiness for input, and its end watched on the process
// handle together with an event that stops the wait.
#include "host/ProcessRunner.h"

#include "host/win32/Wide.h"
#include "util/Strings.h"

namespace tv {

namespace {

class Win32Child : public ChildProcess {
public:
    Win32Child(HANDLE process, HANDLE thread) : FProcess(process), FThread(thread) {
        FStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Win32Child() override {
        for (HANDLE handle : {FProcess, FThread, FStop})
            if (handle) CloseHandle(handle);
    }

    void AwaitReadyForInput() override { WaitForInputIdle(FProcess, INFINITE); }

    WaitOutcome Wait(std::uint32_t& exitCode, std::string& failure) override {
        HANDLE handles[2] = {FStop, FProcess};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) return WaitOutcome::Stopped;
        DWORD code = 0;
        if (result != WAIT_OBJECT_0 + 1 || !GetExitCodeProcess(FProcess, &code)) {
            failure = FormatText("Das Ende des gestarteten Programms kann nicht abgewartet werden: %s",
                                 {SystemMessage(GetLastError())});
            return WaitOutcome::Failed;
        }
        exitCode = code;
        return WaitOutcome::Ended;
    }

    void StopWaiting() override { SetEvent(FStop); }

private:
    HANDLE FProcess;
    HANDLE FThread;
    HANDLE FStop = nullptr;
};

} // namespace

std::unique_ptr<ChildProcess> StartProcess(const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // 0x00000420, as the installers have always been started; no environment block is given.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup,
                        &info)) {
        DWORD error = GetLastError();
        throw SystemError(static_cast<int>(error), SystemMessage(error));
    }
    return std::make_unique<Win32Child>(info.hProcess, info.hThread);
}

} // namespace tv
