#include "ui/WindowLayout.h"

#include <algorithm>

namespace tv {

using namespace design;

Bounds TopStack::Top(int height, Margins margins, bool visible) {
    Bounds bounds{FClient.Left + margins.Left, FY + margins.Top, FClient.Width - margins.Left - margins.Right,
                  height};
    if (visible) FY = bounds.Bottom() + margins.Bottom;
    return bounds;
}

Bounds TopStack::Fill(Margins margins) const {
    int top = FY + margins.Top;
    return {FClient.Left + margins.Left, top, FClient.Width - margins.Left - margins.Right,
            std::max(0, FClient.Bottom() - margins.Bottom - top)};
}

Bounds GroupClient(int width, int height) {
    int top = GroupCaptionHeight + GroupBorder;
    return {GroupBorder, top, width - 2 * GroupBorder, height - top - GroupBorder};
}

namespace {

constexpr Margins HeadingMargins{20, 12, 20, 10};
constexpr int HeadingHeight = 25;

// Fills a box, but a control of fixed height keeps its height at the top of that space.
Bounds FillWithFixedHeight(Bounds client, Margins margins, int height) {
    Bounds bounds = TopStack(client).Fill(margins);
    bounds.Height = std::min(bounds.Height, height);
    return bounds;
}

} // namespace

WindowLayout LayOutWindow(const Form& form) {
    WindowLayout layout;
    layout.pcMain = {0, 0, ClientWidth, PagesHeight};
    layout.Page = {PageInset, PageInset, ClientWidth - 2 * PageInset, PagesHeight - 2 * PageInset};
    const Bounds page{0, 0, layout.Page.Width, layout.Page.Height};

    Bounds* row[] = {&layout.OnlineBtn, &layout.OfflineBtn, &layout.FBConfigBtn,
                     &layout.BackBtn,   &layout.NextBtn,    &layout.CloseBtn};
    const int lefts[] = {5, 90, 175, 336, 421, 506};
    for (int i = 0; i < 6; ++i)
        *row[i] = {lefts[i], ButtonRowTop, ButtonWidth, ButtonHeight};

    // tsParams
    TopStack params(page);
    layout.lblParams = params.Top(HeadingHeight, HeadingMargins);
    layout.pnlApp = params.Top(50, {0, 10, 0, 0}, form.pnlApp.Visible);
    layout.rbClient = {30, 10, 150, 17};
    layout.rbSingle = {200, 10, 150, 17};
    layout.Panel1 = params.Top(120, {});
    layout.gbFileList = params.Top(150, {30, 5, 30, 0}, form.gbFileList.Visible);

    TopStack panel1({0, 0, layout.Panel1.Width, layout.Panel1.Height});
    layout.gbFolder = panel1.Top(52, {30, 0, 30, 5}, form.gbFolder.Visible);
    layout.gbAppVers = panel1.Top(52, {30, 0, 30, 5}, form.gbAppVers.Visible);
    layout.edtFolder = FillWithFixedHeight(GroupClient(layout.gbFolder.Width, layout.gbFolder.Height),
                                           {5, 7, 5, 7}, EditHeight);
    layout.cbAppVers = FillWithFixedHeight(GroupClient(layout.gbAppVers.Width, layout.gbAppVers.Height),
                                           {5, 3, 5, 5}, EditHeight);

    TopStack fileList(GroupClient(layout.gbFileList.Width, layout.gbFileList.Height));
    layout.pnlCheckListBtn = fileList.Top(25, {});
    layout.cbFileList = fileList.Fill({10, 5, 5, 0});
    // The two check-list buttons are aligned left in their panel, each with 5 on either side.
    layout.MarkAllBtn = {5, 0, 100, 25};
    layout.DeMarkAllBtn = {layout.MarkAllBtn.Right() + 5 + 5, 0, 150, 25};

    // tsProgress
    TopStack progress(page);
    layout.lblProgress = progress.Top(HeadingHeight, HeadingMargins);
    layout.lblFileName = progress.Top(25, {30, 5, 30, 0});
    layout.gbProgressBar = progress.Top(50, {30, 5, 30, 5});
    layout.pbDownload =
        TopStack(GroupClient(layout.gbProgressBar.Width, layout.gbProgressBar.Height)).Fill({20, 0, 20, 10});
    layout.pbUnzip = layout.pbDownload; // one on top of the other; at most one is shown
    // Below the bar, in the page's free space: nothing of the design moves.
    layout.lblSpeed = progress.Top(25, {30, 5, 30, 0});

    // tsInfo
    TopStack info(page);
    layout.lblInfo = info.Top(HeadingHeight, HeadingMargins);
    layout.lblStatusInfo = info.Top(60, {20, 5, 20, 0});
    layout.ErrList = info.Fill({20, 5, 20, 5});
    return layout;
}

} // namespace tv
