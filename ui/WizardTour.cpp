#include "ui/WizardTour.h"

#include <cstdio>
#include <filesystem>

#include "util/Paths.h"

namespace tv {

namespace {

constexpr int GiveUpAfterTicks =
    5 * 60 * 1000 / WizardTour::TickMs; // a tour that stands still this long has failed
constexpr int SettleTicks = 4; // lets the window's idle pass run between clicks, as a person's pauses do

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Indented(std::string text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3))
        text.insert(at + 1, "  ");
    return "  " + text;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string WithoutAccessKey(std::string caption) {
    for (size_t at = caption.find('&'); at != std::string::npos; at = caption.find('&', at))
        caption.erase(at, 1);
    return caption;
}

} // namespace

WizardTour::WizardTour(TourSurface& surface, std::string screenshotFolder)
    : FSurface(surface), FFolder(std::move(screenshotFolder)) {
    std::error_code ec;
    std::filesystem::create_directories(FilePath(FFolder), ec);
    Print("Tour: eine Einzelplatzinstallation der Edition Solan, Bilder in " + FFolder);
}

int WizardTour::End() {
    // After Next, the wizard ends on its own only once an installed application has been
    // updated; any failure would have shown the outcome page.
    if (FStep == Step::Parameters || FStep == Step::Running) {
        Print("Der Assistent hat sich nach dem Update beendet.");
        FResult = 0;
    }
    Print(FResult == 0 ? "Tour beendet." : "Tour fehlgeschlagen.");
    return FResult;
}

std::string WizardTour::NextShot(const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++FShot);
    return FFolder + "/" + number + "-" + name + ".png";
}

void WizardTour::Describe(const std::string& screenshot) {
    const std::string page = FSurface.PageName();
    if (page == "tsSelect") {
        Print("== " + FSurface.WindowTitle() + ": Paketauswahl ==");
        for (const std::string& button : FSurface.PackageButtons()) {
            Print(std::string("  (") + (FSurface.Checked(button) ? "x" : " ") + ") " + FSurface.Text(button));
            Print("      " + FSurface.Text("lbl" + button.substr(2)));
        }
    } else if (page == "tsParams") {
        Print("== " + FSurface.Text("lblParams") + " ==");
        for (const char* choice : {"rbClient", "rbSingle"})
            if (FSurface.Shown(choice))
                Print(std::string("  (") + (FSurface.Checked(choice) ? "x" : " ") + ") " +
                      Trimmed(FSurface.Text(choice)));
        Print("  " + Trimmed(FSurface.Text("gbFolder")) + ": " + FSurface.Text("edtFolder"));
        if (FSurface.Shown("gbAppVers"))
            Print("  " + FSurface.Text("gbAppVers") + " " + FSurface.Text("cbAppVers"));
    } else if (page == "tsProgress") {
        Print("== " + FSurface.Text("lblProgress") + " ==  " + FSurface.Text("lblFileName"));
    } else {
        Print("== " + FSurface.Text("lblInfo") + " ==");
        Print(Indented(FSurface.Text("lblStatusInfo")));
        for (const std::string& line : FSurface.Items("ErrList"))
            Print("  - " + line);
    }
    const std::string file = NextShot(screenshot);
    if (!FSurface.SaveScreenshot(file, false)) Print("  (Bild " + file + " nicht gespeichert)");
}

void WizardTour::AnswerDialog(TourSurface::DialogKind kind, const std::string& caption,
                              const std::string& text, const std::string& defaultButton) {
    if (kind == TourSurface::DialogKind::FolderPicker) {
        Print("== Ordnerauswahl \"" + caption + "\" ==");
        FSurface.SaveScreenshot(NextShot("folder-picker"), true);
        Print("  -> Abbrechen");
        FSurface.CancelDialog();
        return;
    }
    Print("== Meldung \"" + caption + "\" ==");
    Print(Indented(text));
    FSurface.SaveScreenshot(NextShot("box"), true);
    Print("  -> " + WithoutAccessKey(defaultButton));
    FSurface.PressDefaultButton();
}

void WizardTour::Tick() {
    if (++FTicks > GiveUpAfterTicks) {
        Print("Die Tour kam nicht weiter.");
        FStep = Step::Outcome;
        FResult = 1;
        FSurface.Quit(1);
        return;
    }
    std::string caption, text, defaultButton;
    TourSurface::DialogKind dialog = FSurface.OpenDialog(caption, text, defaultButton);
    if (dialog != TourSurface::DialogKind::None) {
        AnswerDialog(dialog, caption, text, defaultButton);
        return;
    }
    if (!FSurface.WindowShown()) return; // hidden while an installer runs
    if (FSettle > 0) {
        --FSettle;
        return;
    }
    const std::string page = FSurface.PageName();
    switch (FStep) {
    case Step::Selection: {
        const std::vector<std::string> packages = FSurface.PackageButtons();
        if (page != "tsSelect" || packages.empty()) { // the start itself failed
            FStep = Step::Outcome;
            break;
        }
        Describe("selection");
        FStep = Step::Parameters;
        FSettle = SettleTicks;
        FSurface.Click(packages.front());
        FSurface.Click("NextBtn");
        break;
    }
    case Step::Parameters: {
        if (page != "tsParams") { // an installed application is updated at once
            FStep = Step::Running;
            break;
        }
        FSettle = SettleTicks;
        if (!FSurface.Checked("rbSingle")) {
            FSurface.Click("rbSingle");
            break;
        }
        const std::vector<std::string> editions = FSurface.Items("cbAppVers");
        for (size_t i = 0; i < editions.size(); ++i) {
            if (editions[i].find("Solan") == std::string::npos) continue;
            if (FSurface.ItemIndex("cbAppVers") != static_cast<int>(i)) {
                FSurface.Choose("cbAppVers", static_cast<int>(i));
                return;
            }
        }
        if (!FPickerSeen) { // the folder button, once: the picker is looked at and cancelled
            FPickerSeen = true;
            FSurface.Click("edtFolderRightButton");
            break;
        }
        Describe("parameters");
        FStep = Step::Running;
        FSurface.Click("NextBtn");
        break;
    }
    case Step::Running:
        if (page == "tsProgress") {
            const std::string fileName = FSurface.Text("lblFileName");
            for (const char* bar : {"pbDownload", "pbUnzip"}) {
                const std::string key = fileName + bar;
                if (FSurface.Shown(bar) && FSurface.Progress(bar) >= 1.0 / 3 && !FCaught.count(key)) {
                    FCaught.insert(key);
                    Describe(std::string(bar) == "pbDownload" ? "download" : "unzip");
                }
            }
        } else if (page == "tsInfo") {
            FStep = Step::Outcome;
        }
        break;
    case Step::Outcome:
        Describe("outcome");
        FResult = FSurface.Text("lblInfo") == "Info" ? 0 : 1;
        FStep = Step::Closing;
        FSettle = SettleTicks;
        FSurface.Click("CloseBtn");
        break;
    case Step::Closing:
        if (page == "tsSelect") FSurface.Click("CloseBtn");
        break;
    }
}

} // namespace tv
