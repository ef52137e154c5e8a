// Starting and waiting for programs on Windows: CreateProcessW with the command line as
// given, a wait for the program's readiness for input, and its end watched on the process
// handle together with an event that stops the wait.
#include "host/ProcessRunner.h"

#include "host/win32/Wide.h"

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

    bool Wait(std::uint32_t& exitCode) override {
        HANDLE handles[2] = {FStop, FProcess};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result != WAIT_OBJECT_0 + 1) return false; // stopped, or the wait itself failed
        DWORD code = 0;
        if (!GetExitCodeProcess(FProcess, &code)) return false;
        exitCode = code;
        return true;
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
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info)) {
        DWORD error = GetLastError();
        throw SystemError(static_cast<int>(error), SystemMessage(error));
    }
    return std::make_unique<Win32Child>(info.hProcess, info.hThread);
}

} // namespace tv
