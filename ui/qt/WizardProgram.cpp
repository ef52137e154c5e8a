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
    FEventLoop.OnIdle = [this] {
        FWindow.Deliver([this] {
            FController.ApplicationEventsIdle();
            // Unattended, the window closes once the run has ended.
            if (FUnattended && UnattendedRunEnded(FController)) FController.Close();
        });
    };
}

std::optional<int> WizardProgram::Start(const SessionStart& start) {
    FUnattended = start.Switches.Unattended();
    FWindow.OnlyProgressPage = FUnattended;
    FStopWatcher = std::make_unique<StopWatcher>(
        FEventLoop, [this] { FWindow.Deliver([this] { FController.StopRequest(); }); });
    std::optional<int> code = BeginSession(FController, FRunDialogs, start, FHost);
    FWindow.Reflect();
    if (code || FUnattended) return code;
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return std::nullopt;
    if (QScreen* screen = FWindow.screen()) // in the centre of the screen
        FWindow.move(screen->availableGeometry().center() - FWindow.rect().center());
    FWindow.show();
    return std::nullopt;
}

void WizardProgram::Start() {
    // The window appears only after creation, so an online start reaches the server first.
    FController.Dispatch([this] { FController.FormCreate(); });
    FWindow.Reflect();
    if (FController.GetForm().Closed || !FController.GetForm().Visible) return;
    if (QScreen* screen = FWindow.screen()) // in the centre of the screen
        FWindow.move(screen->availableGeometry().center() - FWindow.rect().center());
    FWindow.show();
}

} // namespace tv
