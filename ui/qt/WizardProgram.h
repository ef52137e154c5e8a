// The program as main and the window tests start it: host, event loop, controller
// and window wired together, the wizard created before the window is first shown.
#pragma once

#include <QTranslator>
#include <memory>
#include <optional>

#include "host/posix/PosixHost.h"
#include "ui/WindowedRun.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtEventLoop.h"
#include "ui/qt/WizardWindow.h"
#include "wizard/RunDialogs.h"
#include "wizard/Session.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

class WizardProgram {
public:
    WizardProgram(); // needs a QApplication
    // Creates the wizard and shows the window, unless creation closed it.
    void Start();
    // The program's start: the log, the presets or the unattended run (/SILENT shows the
    // progress page only). Empty while the window is to be used; otherwise the exit code.
    std::optional<int> Start(const SessionStart& start);
    // After the loop has ended: the exit code, written to the log.
    int Finish() { return EndSession(FController); }

    TSetupWizardDlg& Controller() { return FController; }
    WizardWindow& Window() { return FWindow; }

private:
    void ShowCentred();   // in the centre of the screen
    QTranslator FQtTexts; // German for Qt's own dialogs (the folder picker)
    QtDialogs FDialogs;
    RunDialogs FRunDialogs{&FDialogs};
    PosixHost FHost;
    QtEventLoop FEventLoop;
    TSetupWizardDlg FController;
    WizardWindow FWindow;
    WindowedRun<WizardWindow> FRun{FController, FWindow};
};

} // namespace tv
