// The form model: plain data for every control of the wizard window. The controller
// writes it where it would touch a control; the window mirrors it after every
// handler and writes the user's input back before calling one.
#pragma once

#include <string>
#include <vector>

namespace tv {

enum PageIndex { tsSelect = 0, tsParams = 1, tsProgress = 2, tsInfo = 3, PageCount = 4 };

struct Control {
    std::string Caption;
    bool Visible = true;
    bool operator==(const Control&) const = default;
};

struct SpeedButton : Control {
    int Tag = 0;
    bool Down = false;
    bool operator==(const SpeedButton&) const = default;
};

struct RadioButton : Control {
    bool Checked = false;
    bool operator==(const RadioButton&) const = default;
};

struct Edit : Control {
    std::string Text;
    bool operator==(const Edit&) const = default;
};

struct ComboBox : Control {
    std::vector<std::string> Items;
    int ItemIndex = -1;
    std::string Text; // what the edit field shows; typed text may match no entry
    bool operator==(const ComboBox&) const = default;
};

struct CheckListEntry {
    std::string Text;
    bool Checked = false;
    bool operator==(const CheckListEntry&) const = default;
};

struct CheckListBox : Control {
    std::vector<CheckListEntry> Items;
    bool operator==(const CheckListBox&) const = default;
};

struct ListBox : Control {
    std::vector<std::string> Items;
    bool operator==(const ListBox&) const = default;
};

struct ProgressBar : Control {
    long long Position = 0;
    long long Max = 100;
    bool operator==(const ProgressBar&) const = default;
};

// Shows a progress bar at position 0 for its life and hides it at the end, however the
// work in between ends.
class ShownProgressBar {
public:
    explicit ShownProgressBar(ProgressBar& bar) : FBar(bar) {
        FBar.Position = 0;
        FBar.Visible = true;
    }
    ~ShownProgressBar() {
        FBar.Visible = false;
        FBar.Position = 0;
    }
    ShownProgressBar(const ShownProgressBar&) = delete;
    ShownProgressBar& operator=(const ShownProgressBar&) = delete;

private:
    ProgressBar& FBar;
};

// A package of the selection page: its radio button and the description below it.
struct PackageOption {
    int Tag = 0;
    RadioButton Button;
    std::string Description;
    int Left = 20, Top = 0, Width = 480, Height = 17;
    int LabelLeft = 40, LabelTop = 0, LabelWidth = 480, LabelHeight = 40;
    bool operator==(const PackageOption&) const = default;
};

struct Form {
    std::string Caption;
    bool Visible = true;
    bool Closed = false;
    int ActivePage = tsSelect;
    bool TabsVisible = true;

    // Button row; visibility at design time as the window was drawn.
    SpeedButton OnlineBtn{{"", true}, 0, false};
    SpeedButton OfflineBtn{{"", true}, 0, false};
    SpeedButton FBConfigBtn{{"", false}, 0, false};
    SpeedButton BackBtn{{"", false}, 0, false};
    SpeedButton NextBtn{{"", true}, 1, false};
    SpeedButton CloseBtn{{"", true}, 0, false};

    // tsSelect
    std::vector<PackageOption> Packages;

    // tsParams
    Control lblParams;
    Control pnlApp;
    RadioButton rbClient{{"", true}, true};
    RadioButton rbSingle{{"", true}, false};
    Control gbFolder;
    Edit edtFolder;
    Control gbAppVers{"", false};
    ComboBox cbAppVers;
    Control gbFileList{"", false};
    SpeedButton MarkAllBtn{{"Alle markieren", true}, 1, false};
    SpeedButton DeMarkAllBtn{{"Markierungen entfernen", true}, 0, false};
    CheckListBox cbFileList;

    // tsProgress
    Control lblProgress;
    Control lblFileName;
    ProgressBar pbDownload{{"", false}};
    ProgressBar pbUnzip{{"", false}};
    Control lblSpeed; // under the bar: the download's speed and time left, or the archive's entry

    // tsInfo
    Control lblInfo;
    Control lblStatusInfo;
    ListBox ErrList;

    // A small window of our own while the start waits for the update server: the wizard
    // window appears only once the server has answered. Its button calls ConnectWaitCancelClick.
    Control ConnectWait{"", false};

    bool operator==(const Form&) const = default;
};

} // namespace tv
