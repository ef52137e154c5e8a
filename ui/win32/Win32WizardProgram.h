// The program as WinMain and the window tests start it on Windows: host, event loop,
// controller and window wired together, the wizard created before the window is first
// shown, and the loop ended when the wizard closes.
#pragma once

#include "host/win32/Win32Host.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32EventLoop.h"
#include "ui/win32/Win32WizardWindow.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

class Win32WizardProgram {
public:
    Win32WizardProgram();
    // Creates the wizard and shows the window, unless creation closed it.
    void Start();
    // Runs the loop until the wizard has closed.
    int Run() { return FEventLoop.Run(); }

    TSetupWizardDlg& Controller() { return FController; }
    Win32WizardWindow& Window() { return FWindow; }
    Win32Dialogs& Dialogs() { return FDialogs; }
    Win32EventLoop& Loop() { return FEventLoop; }

private:
    Win32Dialogs FDialogs;
    Win32Host FHost;
    Win32EventLoop FEventLoop;
    TSetupWizardDlg FController;
    Win32WizardWindow FWindow;
};

} // namespace tv
