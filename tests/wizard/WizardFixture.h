// A wizard created as the program creates it, on a scripted host and a queue loop.
#pragma once

#include <gtest/gtest.h>

#include "host/QueueEventLoop.h"
#include "util/IniStore.h"
#include "wizard/ScriptedHost.h"
#include "wizard/SetupWizardDlg.h"
#include "wizard/TextTable.h"

namespace tv {

// Sets the fields that the mode switch and the install run own, for tests that need
// a state those subsystems would have produced.
struct WizardProbe {
    static void SetCriticalError(TSetupWizardDlg& dlg, bool value) { dlg.FCriticalError = value; }
    static void LoadManifest(TSetupWizardDlg& dlg, const std::vector<std::string>& lines) {
        dlg.FInstallIni->SetStrings(lines);
    }
    static bool TextTableReleased(const TSetupWizardDlg& dlg) { return !dlg.FMemIni; }
};

class WizardFixture : public testing::Test {
protected:
    // Creates the wizard; call again after changing the host or the template.
    void Create() {
        FDlg = std::make_unique<TSetupWizardDlg>(FHost, FLoop);
        if (!FTemplate.empty()) FDlg->SetTextTemplate(FTemplate);
        FDlg->Dispatch([&] { FDlg->FormCreate(); });
    }
    void SetUp() override { Create(); }

    TSetupWizardDlg& Dlg() { return *FDlg; }
    Form& F() { return FDlg->GetForm(); }
    // What the window does with a click: through the dispatch point.
    template <class Handler> void Click(Handler handler) { FDlg->Dispatch([&] { handler(*FDlg); }); }

    ScriptedHost FHost;
    QueueEventLoop FLoop;
    std::vector<std::string> FTemplate;
    std::unique_ptr<TSetupWizardDlg> FDlg;
};

} // namespace tv
