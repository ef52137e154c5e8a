// A wizard created as the program creates it, on a scripted host and a queue loop, in
// a machine folder of its own: the program folder (with "install.ini" beside the
// program unless a test wants an online start) and a temporary folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "host/QueueEventLoop.h"
#include "support/ScriptedHost.h"
#include "util/IniStore.h"
#include "util/Paths.h"
#include "wizard/SetupWizardDlg.h"
#include "wizard/TextTable.h"

namespace tv {

// Reaches the controller's own fields, for tests that need a state only a failed start
// would produce or that look at what closing released.
struct WizardProbe {
    static void SetCriticalError(TSetupWizardDlg& dlg, bool value) { dlg.FCriticalError = value; }
    static bool TextTableReleased(const TSetupWizardDlg& dlg) { return !dlg.FMemIni; }
};

class WizardFixture : public testing::Test {
protected:
    WizardFixture() {
        static int serial = 0;
        FMachine = std::filesystem::temp_directory_path() /
                   ("tv-machine-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(FMachine / "program");
        std::filesystem::create_directories(FMachine / "temp");
        FHost.ProgramDir = (FMachine / "program").string() + PathDelimiter;
        FHost.Temp = (FMachine / "temp").string();
    }
    ~WizardFixture() override {
        FDlg.reset();
        std::error_code ec;
        std::filesystem::remove_all(FMachine, ec);
    }

    // Creates the wizard; call again after changing the host, the template or the manifest.
    void Create() {
        std::error_code ec; // a folder of that name that a test made stays
        std::filesystem::remove(IniBesideProgram(), ec);
        if (FStartOffline) std::ofstream(IniBesideProgram(), std::ios::binary) << FManifestBytes;
        FDlg.reset();
        FDlg = std::make_unique<TSetupWizardDlg>(FHost, FLoop);
        FDlg->SourceFolder = FSourceFolder;
        FDlg->Source().TrustedKeys = FTrustedKeys;
        if (!FTemplate.empty()) FDlg->SetTextTemplate(FTemplate);
        FDlg->Dispatch([&] { FDlg->FormCreate(); });
    }
    void SetUp() override { Create(); }

    TSetupWizardDlg& Dlg() { return *FDlg; }
    Form& F() { return FDlg->GetForm(); }
    // What the window does with a click: through the dispatch point.
    template <class Handler> void Click(Handler handler) {
        FDlg->Dispatch([&] { handler(*FDlg); });
    }
    // The user presses Cancel and answers Yes once a download has received `bytes`.
    void CancelDuringDownloadAfter(std::int64_t bytes) {
        FHost.BoxAnswers = {mrYes};
        FCancelPressed = false;
        Dlg().WebDAV().OnWork = [this, bytes](WorkMode mode, std::int64_t count) {
            Dlg().IdWebDAVWork(mode, count);
            if (!FCancelPressed && count > bytes) {
                FCancelPressed = true;
                Dlg().Dispatch([this] { Dlg().CloseBtnClick(); });
            }
        };
    }
    std::string IniBesideProgram() const { return (FMachine / "program" / "install.ini").string(); }

    ScriptedHost FHost;
    QueueEventLoop FLoop;
    std::vector<std::string> FTemplate;
    bool FStartOffline = true;
    std::string FSourceFolder;             // /SOURCE; empty: the program's folder
    std::vector<std::string> FTrustedKeys; // as if built in
    std::string FManifestBytes;
    std::filesystem::path FMachine;
    std::unique_ptr<TSetupWizardDlg> FDlg;
    bool FCancelPressed = false;
};

} // namespace tv
