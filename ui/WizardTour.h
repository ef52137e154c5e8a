// A guided tour for machines without a person at the screen: it clicks one single-seat
// installation of edition "Solan" through the window as a person would (clicks on the
// controls, never calls into the controller), opens the folder picker once and cancels
// it, answers boxes with their default button, prints each page's heading and text, and
// saves a screenshot of every page and dialog. Toolkit-free: each window backend gives it
// a surface to look at and click, and calls Tick from a timer.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace tv {

// What the tour sees of the window and does with it. Controls go by their design names.
class TourSurface {
public:
    enum class DialogKind { None, Message, FolderPicker };

    virtual ~TourSurface() = default;
    virtual std::string WindowTitle() = 0;
    virtual bool WindowShown() = 0;
    virtual std::string PageName() = 0; // "tsSelect", "tsParams", "tsProgress", "tsInfo"
    // A control's text: a label's, a button's caption, a group's title, an edit's or box's text.
    virtual std::string Text(const std::string& control) = 0;
    virtual bool Shown(const std::string& control) = 0;
    virtual bool Checked(const std::string& control) = 0;
    // Queues a click on a control; it arrives after the tick, in the order given.
    virtual void Click(const std::string& control) = 0;
    // The package radio buttons of the selection page, in their order.
    virtual std::vector<std::string> PackageButtons() = 0;
    virtual std::vector<std::string> Items(const std::string& control) = 0;
    virtual int ItemIndex(const std::string& control) = 0;
    // Picks an entry of a drop-down list, as a choice from its list.
    virtual void Choose(const std::string& control, int index) = 0;
    // A progress bar's position as a share of its range.
    virtual double Progress(const std::string& bar) = 0;

    // The dialog open in front of the window; for a message box its caption, text and
    // the caption of its default button.
    virtual DialogKind OpenDialog(std::string& caption, std::string& text, std::string& defaultButton) = 0;
    virtual void PressDefaultButton() = 0;
    virtual void CancelDialog() = 0;

    // Saves a picture of the window, or of the open dialog, as a PNG file.
    virtual bool SaveScreenshot(const std::string& file, bool dialog) = 0;
    // Ends the program's loop with an exit code.
    virtual void Quit(int code) = 0;
};

class WizardTour {
public:
    static constexpr int TickMs = 50;

    WizardTour(TourSurface& surface, std::string screenshotFolder);

    // One look at the window, and at most one action.
    void Tick();
    // Called when the program's loop has ended: prints the last line and returns 0 when
    // the tour saw the installation succeed (or the update end the program), 1 when the
    // wizard reported a failure or the tour could not go on.
    int End();

private:
    enum class Step { Selection, Parameters, Running, Outcome, Closing };

    void AnswerDialog(TourSurface::DialogKind kind, const std::string& caption, const std::string& text,
                      const std::string& defaultButton);
    void Describe(const std::string& screenshot);
    std::string NextShot(const std::string& name);

    TourSurface& FSurface;
    std::string FFolder;
    Step FStep = Step::Selection;
    int FShot = 0;
    int FResult = 1;
    int FTicks = 0;
    int FSettle = 0;
    bool FPickerSeen = false;
    std::set<std::string> FCaught;
};

} // namespace tv
