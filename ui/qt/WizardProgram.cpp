#include "ui/qt/WizardProgram.h"

#include <QScreen>

namespace tv {

WizardProgram::WizardProgram() : FHost(FDialogs), FController(FHost, FEventLoop), FWindow(FController) {
    FDialogs.SetOwner(&FWindow);
    FEventLoop.OnPump = [this] { FWindow.Reflect(); };
    FEventLoop.OnIdle = [this] {
        FWindow.Deliver([&controller = FController] { controller.ApplicationEventsIdle(); });
    };
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
