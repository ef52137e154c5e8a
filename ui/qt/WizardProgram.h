// The program as main and the window tests start it: host, event loop, controller
// and window wired together, the wizard created before the window is first shown.
#pragma once

#include <QTranslator>
#include <memory>

#include "host/posix/PosixHost.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtEventLoop.h"
#include "ui/qt/WizardWindow.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

class WizardProgram {
public:
    WizardProgram(); // needs a QApplication
    // Creates the wizard and shows the window, unless creation closed it.
    void Start();

    TSetupWizardDlg& Controller() { return FController; }
    WizardWindow& Window() { return FWindow; }

private:
    QTranslator FQtTexts; // German for Qt's own dialogs (the folder picker)
    QtDialogs FDialogs;
    PosixHost FHost;
    QtEventLoop FEventLoop;
    TSetupWizardDlg FController;
    WizardWindow FWindow;
};

} // namespace tv
