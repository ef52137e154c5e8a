#include "ui/qt/WizardProgram.h"

namespace tv {

WizardProgram::WizardProgram() : FHost(FDialogs), FController(FHost, FEventLoop), FWindow(FController) {
    FDialogs.SetOwner(&FWindow);
    FEventLoop.OnPump = [this] { FWindow.Reflect(); };
    FEventLoop.OnIdle = [this] { FWindow.Deliver([this] { FController.ApplicationEventsIdle(); }); };
}

void WizardProgram::Start() {
    // The window appears only after creation, so an online start reaches the server first.
    FController.Dispatch([this] { FController.FormCreate(); });
    FWindow.Reflect();
    if (!FController.GetForm().Closed && FController.GetForm().Visible) FWindow.show();
}

} // namespace tv
