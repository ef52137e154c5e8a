#include "ui/win32/Win32WizardProgram.h"

namespace tv {

Win32WizardProgram::Win32WizardProgram()
    : FHost(FRunDialogs), FController(FHost, FEventLoop), FWindow(FController) {
    FDialogs.SetOwner(FWindow.Handle());
    FEventLoop.DialogWindow = FWindow.Handle();
    FEventLoop.OnPump = [this] { FWindow.Reflect(); };
    FEventLoop.OnIdle = [this] {
        FWindow.Deliver([this] {
            FController.ApplicationEventsIdle();
            // Unattended, the window closes once the run has ended.
            if (FUnattended && UnattendedRunEnded(FController)) FController.Close();
        });
    };
    FWindow.OnClosed = [] { PostQuitMessage(0); };
}

std::optional<int> Win32WizardProgram::Start(const SessionStart& start) {
    FUnattended = start.Switches.Unattended();
    FWindow.OnlyProgressPage = FUnattended;
    FStopWatcher = std::make_unique<StopWatcher>(
        FEventLoop, [this] { FWindow.Deliver([this] { FController.StopRequest(); }); });
    std::optional<int> code = BeginSession(FController, FRunDialogs, start, FHost);
    FWindow.Reflect();
    if (code || FUnattended) return code;
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return std::nullopt;
    FWindow.Show();
    return std::nullopt;
}

void Win32WizardProgram::Start() {
    // The window appears only after creation, so an online start reaches the server first.
    FController.Dispatch([this] { FController.FormCreate(); });
    FWindow.Reflect();
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return;
    FWindow.Show();
}

} // namespace tv
