#include "ui/win32/Win32Tour.h"

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "host/win32/Wide.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Screenshot.h"
#include "ui/win32/Win32WizardProgram.h"
#include "util/Strings.h"

namespace tv {

namespace {

std::string TextOf(HWND control) {
    return Narrow(WindowText(control));
}

std::string Untangled(const std::string& text) { // a static control's CR LF, printed as LF
    return ReplaceAll(text, "\r\n", "\n");
}

class Win32Surface : public TourSurface {
public:
    explicit Win32Surface(Win32WizardProgram& program) : FProgram(program), FWindow(program.Window()) {}

    std::string WindowTitle() override { return TextOf(FWindow.Handle()); }
    bool WindowShown() override { return IsWindowVisible(FWindow.Handle()); }
    std::string PageName() override { return FWindow.PageName(); }

    std::string Text(const std::string& control) override {
        HWND frame = FWindow.Control(control + ".frame"); // a group box's title is its frame's
        return Untangled(TextOf(frame ? frame : FWindow.Control(control)));
    }
    bool Shown(const std::string& control) override { return IsWindowVisible(FWindow.Control(control)); }
    bool Checked(const std::string& control) override {
        return SendMessageW(FWindow.Control(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // Queued, as the mouse delivers it: a click that opens a dialog must not hold up the
    // timer that answers it.
    void Click(const std::string& control) override {
        PostMessageW(FWindow.Control(control), BM_CLICK, 0, 0);
    }
    std::vector<std::string> PackageButtons() override { return FWindow.PackageButtonNames(); }
    std::vector<std::string> Items(const std::string& control) override {
        std::vector<std::string> items;
        for (const std::wstring& item : ItemTexts(FWindow.Control(control)))
            items.push_back(Untangled(Narrow(item)));
        return items;
    }
    int ItemIndex(const std::string& control) override {
        return static_cast<int>(SendMessageW(FWindow.Control(control), CB_GETCURSEL, 0, 0));
    }
    void Choose(const std::string& control, int index) override {
        // As the drop-down list does it: select, then tell the box's parent.
        HWND box = FWindow.Control(control);
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
    }
    double Progress(const std::string& bar) override {
        HWND progress = FWindow.Control(bar);
        auto max = SendMessageW(progress, PBM_GETRANGE, FALSE, 0);
        return max > 0 ? double(SendMessageW(progress, PBM_GETPOS, 0, 0)) / double(max) : 0;
    }

    DialogKind OpenDialog(std::string& caption, std::string& text, std::string& defaultButton) override {
        const Win32Dialogs& dialogs = FProgram.Dialogs();
        if (!dialogs.OpenDialog() || !IsWindowVisible(dialogs.OpenDialog())) return DialogKind::None;
        caption = TextOf(dialogs.OpenDialog());
        if (dialogs.OpenIsPicker()) return DialogKind::FolderPicker;
        text = dialogs.OpenText();
        defaultButton = dialogs.DefaultButtonCaption();
        return DialogKind::Message;
    }
    void PressDefaultButton() override {
        const Win32Dialogs& dialogs = FProgram.Dialogs();
        PostMessageW(dialogs.OpenDialog(), TDM_CLICK_BUTTON, static_cast<WPARAM>(dialogs.DefaultButton()), 0);
    }
    void CancelDialog() override { PostMessageW(FProgram.Dialogs().OpenDialog(), WM_COMMAND, IDCANCEL, 0); }

    bool SaveScreenshot(const std::string& file, bool dialog) override {
        return tv::SaveScreenshot(dialog ? FProgram.Dialogs().OpenDialog() : FWindow.Handle(), file);
    }
    void Quit(int code) override { PostQuitMessage(code); }

private:
    Win32WizardProgram& FProgram;
    Win32WizardWindow& FWindow;
};

WizardTour* RunningTour = nullptr; // a thread timer's callback has no context of its own

void CALLBACK TourTick(HWND, UINT, UINT_PTR, DWORD) {
    if (RunningTour) RunningTour->Tick();
}

} // namespace

Win32Tour::Win32Tour(Win32WizardProgram& program, const std::string& screenshotFolder)
    : FSurface(std::make_unique<Win32Surface>(program)),
      FTour(std::make_unique<WizardTour>(*FSurface, screenshotFolder)) {
    RunningTour = FTour.get();
    FTimer = SetTimer(nullptr, 0, WizardTour::TickMs, TourTick);
}

Win32Tour::~Win32Tour() {
    if (FTimer) KillTimer(nullptr, FTimer);
    RunningTour = nullptr;
}

int Win32Tour::End() {
    if (FTimer) KillTimer(nullptr, FTimer);
    FTimer = 0;
    RunningTour = nullptr;
    return FTour->End();
}

} // namespace tv
