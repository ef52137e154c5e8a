// The wizard window on the Windows API (common controls version 6): it mirrors the
// controller's form after every handler and inside every message pump, and writes the
// user's input back into the form before it calls a handler through the controller's
// dispatch point. Every control is placed from the design's layout table, scaled to the
// window's dots per inch, and placed anew when the window moves to another monitor.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/ControlTable.h"
#include "ui/DelayedShow.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

struct Bounds;

class Win32WizardWindow {
public:
    explicit Win32WizardWindow(TSetupWizardDlg& controller);
    ~Win32WizardWindow();
    Win32WizardWindow(const Win32WizardWindow&) = delete;
    Win32WizardWindow& operator=(const Win32WizardWindow&) = delete;

    HWND Handle() const { return FWindow; }
    // Brings every control in line with the form; cheap when nothing changed.
    void Reflect();
    // Unattended: the window shows the progress page only, and nothing else.
    bool OnlyProgressPage = false;
    // Shows the window in the centre of the screen's working area.
    void Show();

    // Runs a handler through the controller's dispatch point, then shows the result.
    template <class Handler> void Deliver(Handler&& handler) {
        if (FReflecting) return; // notifications raised by Reflect itself are no user input
        FController.Dispatch(std::forward<Handler>(handler));
        Reflect();
    }

    // The control of the design with that name ("NextBtn", "rbPackage1", ...), or null.
    HWND Control(const std::string& name) const;
    // The package radio buttons of the selection page, in their order.
    std::vector<std::string> PackageButtonNames() const;
    // The page shown, by its design name ("tsSelect", ...).
    const char* PageName() const;
    // The small window of a start that waits for the update server, once shown; else null.
    HWND ConnectWaitWindow() const { return FConnectWait; }
    // The dots per inch the window is laid out for.
    int Dpi() const { return FDpi; }

    // Called once when the wizard has closed, whether its window was shown or hidden.
    std::function<void()> OnClosed;
    // Handles messages until the run in progress has ended: the session ends after the
    // answer to WM_ENDSESSION, so the installer's end must be awaited inside it.
    std::function<void()> AwaitRunEnd;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND Make(const char* name, const wchar_t* windowClass, DWORD style, HWND parent, DWORD exStyle = 0);
    // A container of controls; it clips them unless `style` says otherwise.
    HWND Panel(const char* name, HWND parent, DWORD style = WS_CLIPCHILDREN, bool raised = false);
    void OnCommand(HWND control, std::function<void(int notification)> handler);
    // Makes the control of table row `index` in `parent`, wired to the form and the controller.
    void MakeRow(size_t index, HWND parent);
    // The row's action (a click, a change of the edition) through the dispatch point.
    void Act(size_t index);
    // Writes the radio buttons' choice back into the form.
    void RadioButtonsChanged();
    // Brings one control in line with its form member: a few primitives per kind.
    void Mirror(size_t index, const ::tv::Control& model);
    void Mirror(size_t index, const SpeedButton& model);
    void Mirror(size_t index, const RadioButton& model);
    void Mirror(size_t index, const Edit& model);
    void Mirror(size_t index, const ComboBox& model);
    void Mirror(size_t index, const CheckListBox& model);
    void Mirror(size_t index, const ListBox& model);
    void Mirror(size_t index, const ProgressBar& model);
    void BuildPackageButtons();
    void ApplyScale();
    void ApplyLayout();
    void Place(HWND control, const Bounds& bounds, int extraHeight = 0);
    int Scaled(int pixels) const;
    void Command(HWND control, int notification);
    void FileListChanged(const NMLISTVIEW& change);
    void EditionChanged(size_t index, bool fromList);
    void CloseRequested();
    // Log-off or shutdown: a running installation is stopped as a stop request would.
    LRESULT SessionEnding(UINT message, WPARAM wParam);
    void ReflectConnectWait(const ::tv::Control& wait);

    TSetupWizardDlg& FController;
    HWND FWindow = nullptr;
    int FDpi = 96;
    bool FReflecting = false;
    bool FShown = false;
    bool FClosedAnnounced = false;

    // The controls of the control table's rows, in its order; a group's frame and an edit's
    // folder button are the row's second window.
    struct RowWindows {
        HWND Control = nullptr;
        HWND Second = nullptr;
    };
    std::vector<RowWindows> FRows;
    std::map<std::string, HWND> FNames; // for Control(name): tests and the tour only
    std::map<HWND, std::function<void(int)>> FCommands;
    HWND FMain = nullptr; // the page control
    std::vector<HWND> FPages;
    std::vector<HWND> FHeadings;
    std::vector<HWND> FPackageButtons, FPackageLabels;
    std::map<std::string, HIMAGELIST> FGlyphs;
    HFONT FWindowFont = nullptr, FHeadingFont = nullptr, FFileNameFont = nullptr, FPackageFont = nullptr;
    HIMAGELIST FEntryHeights = nullptr;
    HBRUSH FFace = nullptr;

    HWND FConnectWait = nullptr; // a window of its own, made when first needed
    HWND FConnectWaitText = nullptr;
    DelayedShow FConnectWaitShow;
};

} // namespace tv
