#include "ui/win32/Win32WizardProgram.h"

namespace tv {

Win32WizardProgram::Win32WizardProgram()
    : FHost(FRunDialogs), FController(FHost, FEventLoop), FWindow(FController) {
    FDialogs.SetOwner(FWindow.Handle());
    FEventLoop.DialogWindow = FWindow.Handle();
    FEventLoop.OnPump = [this] { FWindow.Reflect(); };
    FEventLoop.OnIdle = [this] { FRun.Idle(); };
    FWindow.OnClosed = [] { PostQuitMessage(0); };
    FWindow.AwaitRunEnd = [this] {
        FEventLoop.RunUntil([this] { return FController.InstallState() != isRunning; });
    };
}

std::optional<int> Win32WizardProgram::Start(const SessionStart& start) {
    bool showWindow = false;
    std::optional<int> code = FRun.Start(start, FRunDialogs, FEventLoop, showWindow);
    if (showWindow) FWindow.Show();
    return code;
}

void Win32WizardProgram::Start() {
    // The window appears only after creation, so an online start reaches the server first.
    FController.Dispatch([this] { FController.FormCreate(); });
    FWindow.Reflect();
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return;
    FWindow.Show();
}

} // namespace tv
