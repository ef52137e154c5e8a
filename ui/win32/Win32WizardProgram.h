// The program as WinMain and the window tests start it on Windows: host, event loop,
// controller and window wired together, the wizard created before the window is first
// shown, and the loop ended when the wizard closes.
#pragma once

#include "host/win32/Win32Host.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32EventLoop.h"
#include "ui/win32/Win32WizardWindow.h"
#include <memory>
#include <optional>

#include "ui/WindowedRun.h"
#include "wizard/RunDialogs.h"
#include "wizard/Session.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

class Win32WizardProgram {
public:
    Win32WizardProgram();
    // Creates the wizard and shows the window, unless creation closed it.
    void Start();
    // The program's start: the log, the presets or the unattended run (/SILENT shows the
    // progress page only). Empty while the window is to be used; otherwise the exit code.
    std::optional<int> Start(const SessionStart& start);
    // After the loop has ended: the exit code, written to the log.
    int Finish() { return EndSession(FController); }
    // Runs the loop until the wizard has closed.
    int Run() { return FEventLoop.Run(); }

    TSetupWizardDlg& Controller() { return FController; }
    Win32WizardWindow& Window() { return FWindow; }
    Win32Dialogs& Dialogs() { return FDialogs; }
    Win32EventLoop& Loop() { return FEventLoop; }

private:
    Win32Dialogs FDialogs;
    RunDialogs FRunDialogs{&FDialogs};
    Win32Host FHost;
    Win32EventLoop FEventLoop;
    TSetupWizardDlg FController;
    Win32WizardWindow FWindow;
    WindowedRun<Win32WizardWindow> FRun{FController, FWindow};
};

} // namespace tv
