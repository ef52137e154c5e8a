#include "ui/qt/WizardProgram.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>

namespace tv {

WizardProgram::WizardProgram() : FHost(FRunDialogs), FController(FHost, FEventLoop), FWindow(FController) {
    // The wizard speaks German whatever the system's language; without the file Qt's
    // dialogs stay English.
    if (FQtTexts.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&FQtTexts);
    FDialogs.SetOwner(&FWindow);
    FEventLoop.OnPump = [this] { FWindow.Reflect(); };
    FEventLoop.OnIdle = [this] { FRun.Idle(); };
}

std::optional<int> WizardProgram::Start(const SessionStart& start) {
    bool showWindow = false;
    std::optional<int> code = FRun.Start(start, FRunDialogs, FEventLoop, showWindow);
    if (showWindow) ShowCentred();
    return code;
}

void WizardProgram::ShowCentred() {
    if (QScreen* screen = FWindow.screen())
        FWindow.move(screen->availableGeometry().center() - FWindow.rect().center());
    FWindow.show();
}

void WizardProgram::Start() {
    // The window appears only after creation, so an online start reaches the server first.
    FController.Dispatch([this] { FController.FormCreate(); });
    FWindow.Reflect();
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return;
    ShowCentred();
}

} // namespace tv
