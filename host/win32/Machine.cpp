#include "host/Machine.h"

#include <atomic>

#include <windows.h>

#include "host/win32/Wide.h"
#include "host/win32/Win32Host.h"

namespace tv {

namespace {

// One name for the whole machine: every session's wizard shares the temporary files of
// the installers it starts.
constexpr const wchar_t* MutexName = L"Global\\NorvanoSetupWizard";

std::atomic<bool> StopFlag{false};
HANDLE RunEnd = nullptr; // set when the run has ended

void WaitForRunEnd() {
    if (RunEnd) WaitForSingleObject(RunEnd, INFINITE);
}

BOOL WINAPI RaiseStop(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        StopFlag = true;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process once this returns: it returns only when the run has
        // ended (the system's own time limit still applies).
        StopFlag = true;
        WaitForRunEnd();
        return TRUE;
    default:
        return FALSE;
    }
}

class MutexLock : public InstallationLock {
public:
    explicit MutexLock(HANDLE mutex) : FMutex(mutex) {}
    ~MutexLock() override {
        if (FMutex) CloseHandle(FMutex);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE FMutex;
};

} // namespace

std::unique_ptr<InstallationLock> LockInstallation(const std::string&, std::string& problem) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName);
    const DWORD error = GetLastError();
    // Another user's wizard made it: this one may not even open it.
    if (!mutex && error == ERROR_ACCESS_DENIED) return nullptr;
    if (!mutex) {
        problem = "Die Sperre der Installation kann nicht angelegt werden: " + SystemMessage(error);
        return std::make_unique<MutexLock>(nullptr);
    }
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<MutexLock>(mutex);
}

void CatchStopRequests() {
    if (!RunEnd) RunEnd = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(RaiseStop, TRUE);
}

void NoteRunEnded() {
    if (RunEnd) SetEvent(RunEnd);
}

bool StopRequested() {
    return StopFlag;
}

std::unique_ptr<Host> MakePlatformHost(Dialogs& dialogs) {
    return std::make_unique<Win32Host>(dialogs);
}

std::string SystemDescription() {
    using VersionQuery = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    std::string text = "Windows";
    // The documented call reports the version the program's manifest names, not the system's.
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto query =
            reinterpret_cast<VersionQuery>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (query && query(&version) == 0)
            text += " " + std::to_string(version.dwMajorVersion) + "." +
                    std::to_string(version.dwMinorVersion) + "." + std::to_string(version.dwBuildNumber);
    }
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    text +=
        ", Programm mit " + std::to_string(sizeof(void*) * 8) + " Bit" + (wow64 ? " auf 64-Bit-Windows" : "");
    return text;
}

} // namespace tv
