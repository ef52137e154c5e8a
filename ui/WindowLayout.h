// The wizard window as designed: every control's bounds in pixels at 96 dots per inch,
// relative to its parent, laid out the way the design aligns them (top-aligned controls
// one under the other with their margins, "fill" taking the rest, hidden ones taking no
// space). Toolkit-free, so every window backend places its widgets from the same table
// and scales it with the screen's resolution.
#pragma once

#include "wizard/Form.h"

namespace tv {

struct Bounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
    bool operator==(const Bounds&) const = default;
};

struct Margins {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

namespace design {
constexpr int ClientWidth = 594;
constexpr int ClientHeight = 431;
constexpr int PagesHeight = 392;
constexpr int PageInset = 4; // the page control's border around its tab sheets when no tab is shown
constexpr int ButtonRowTop = 400;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
// A group box lays its children out below its caption line and inside its 3-D border.
constexpr int GroupCaptionHeight = 13; // text height of the window font
constexpr int GroupBorder = 2;
constexpr int EditHeight = 21; // one-line edits and drop-down lists keep their own height
// Font heights in pixels (the em height).
constexpr int WindowFontHeight = 11;   // 8 points
constexpr int HeadingFontHeight = 15;  // 11 points, bold
constexpr int FileNameFontHeight = 13; // 10 points
constexpr int PackageFontHeight = 13;  // 10 points, bold
constexpr int CheckListEntryHeight = 17;
constexpr int ErrListEntryHeight = 13;
} // namespace design

// Places top-aligned controls one under the other in a client area.
class TopStack {
public:
    explicit TopStack(Bounds client) : FClient(client), FY(client.Top) {}

    // A hidden control keeps its width and height but takes no space.
    Bounds Top(int height, Margins margins, bool visible = true);
    // Takes what is left below the stacked controls.
    Bounds Fill(Margins margins) const;

private:
    Bounds FClient;
    int FY;
};

// The client area of a group box of the given size, in its own coordinates.
Bounds GroupClient(int width, int height);

struct WindowLayout {
    Bounds pcMain, Page; // Page: each tab sheet, inside pcMain
    Bounds OnlineBtn, OfflineBtn, FBConfigBtn, BackBtn, NextBtn, CloseBtn;

    // tsParams
    Bounds lblParams, pnlApp, rbClient, rbSingle, Panel1, gbFolder, edtFolder, gbAppVers, cbAppVers;
    Bounds gbFileList, pnlCheckListBtn, MarkAllBtn, DeMarkAllBtn, cbFileList;

    // tsProgress
    Bounds lblProgress, lblFileName, gbProgressBar, pbDownload, pbUnzip, lblSpeed;

    // tsInfo
    Bounds lblInfo, lblStatusInfo, ErrList;
};

// The design's bounds for the controls the form currently shows.
WindowLayout LayOutWindow(const Form& form);

} // namespace tv
