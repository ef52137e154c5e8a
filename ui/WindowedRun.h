// What the program of either window does around the wizard: the idle pass (closing an
// unattended run's window once the run has ended), stop requests, and the start from the
// command line. Toolkit-free: `Window` is the Qt or the Windows window.
#pragma once

#include <memory>
#include <optional>

#include "host/Machine.h"
#include "wizard/RunDialogs.h"
#include "wizard/Session.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

template <class Window> class WindowedRun {
public:
    WindowedRun(TSetupWizardDlg& controller, Window& window) : FController(controller), FWindow(window) {}

    void Idle() {
        FWindow.Deliver([this] {
            FController.ApplicationEventsIdle();
            if (FUnattended && UnattendedRunEnded(FController)) FController.Close();
        });
    }

    // Empty while the program goes on; `showWindow` then says whether a person's window is
    // to appear now (unattended, the progress page appears by itself).
    std::optional<int> Start(const SessionStart& start, RunDialogs& dialogs, EventLoop& loop,
                             bool& showWindow) {
        FUnattended = start.Switches.Unattended();
        FWindow.OnlyProgressPage = FUnattended;
        FStopWatcher = std::make_unique<StopWatcher>(
            loop, [this] { FWindow.Deliver([this] { FController.StopRequest(); }); });
        std::optional<int> code = BeginSession(FController, dialogs, start);
        FWindow.Reflect();
        const Form& form = FController.GetForm();
        showWindow = !code && !FUnattended && !form.Closed && form.Visible;
        return code;
    }

private:
    TSetupWizardDlg& FController;
    Window& FWindow;
    bool FUnattended = false;
    std::unique_ptr<StopWatcher> FStopWatcher; // last: it stops before what it posts to goes
};

} // namespace tv
