#include "ui/win32/Win32WizardWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>

#include "host/win32/Wide.h"
#include "ui/ScreenText.h"
#include "ui/WindowLayout.h"
#include "ui/win32/Controls.h"

namespace tv {

namespace {

const wchar_t* const WindowClass = L"TSetupWizardDlg";
const wchar_t* const PanelClass = L"TvPanel";
constexpr int ComboListHeight = 150; // the drop-down list below the edition box
constexpr int FolderButtonWidth = 22;
constexpr UINT_PTR SpeedButtonSubclass = 1;

// A static control breaks lines at CR LF.
std::wstring DisplayText(const std::string& text) {
    return Wide(ScreenText(text, "\r\n"));
}

void SetText(HWND control, const std::wstring& text) {
    if (WindowText(control) != text) SetWindowTextW(control, text.c_str());
}

void SetShown(HWND control, bool visible) {
    if (((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0) != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void SetChecked(HWND button, bool checked) {
    if ((SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked)
        SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Replaces the entries of a combo or list box (its reset and add messages) when their texts differ.
void SetItems(HWND control, const std::vector<std::wstring>& items, UINT reset, UINT add) {
    if (items == ItemTexts(control)) return;
    SendMessageW(control, reset, 0, 0);
    for (const std::wstring& item : items)
        SendMessageW(control, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Speed buttons take no keyboard focus and react to the mouse only: pressed while the
// left button is down over them, clicked when it is released there.
LRESULT CALLBACK SpeedButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(window);
        SendMessageW(window, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == window) {
            RECT client;
            GetClientRect(window, &client);
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            SendMessageW(window, BM_SETSTATE, PtInRect(&client, at), 0);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != window) return 0;
        ReleaseCapture();
        SendMessageW(window, BM_SETSTATE, FALSE, 0);
        RECT client;
        GetClientRect(window, &client);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&client, at))
            SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                         reinterpret_cast<LPARAM>(window));
        return 0;
    }
    case WM_SETFOCUS: // never kept: focus goes back where it came from
        if (wParam) SetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    default:
        return DefSubclassProc(window, message, wParam, lParam);
    }
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

int WindowDpi(HWND window) {
    // Windows 10 and later know each window's resolution; earlier ones only the system's.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// A 16 x 16 glyph from the program's resources; the bottom-left pixel's colour is
// transparent, as for every button glyph, and becomes the alpha channel's clear.
HIMAGELIST LoadGlyph(const wchar_t* name) {
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    DIBSECTION section{};
    GetObjectW(bitmap, sizeof section, &section);
    if (section.dsBm.bmBitsPixel == 32 && section.dsBm.bmWidth == 16 && section.dsBm.bmHeight == 16) {
        auto* pixels = static_cast<std::uint32_t*>(section.dsBm.bmBits);
        // Rows lie bottom-up unless the height was negative: the first stored row is the bottom one.
        const bool bottomUp = section.dsBmih.biHeight > 0;
        const std::uint32_t clear = (bottomUp ? pixels[0] : pixels[15 * 16]) & 0xFFFFFF;
        for (int i = 0; i < 16 * 16; ++i)
            pixels[i] = (pixels[i] & 0xFFFFFF) == clear ? 0 : (pixels[i] | 0xFF000000u);
    }
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    ImageList_Add(list, bitmap, nullptr);
    DeleteObject(bitmap);
    return list;
}

void SetGlyph(HWND button, HIMAGELIST glyph) {
    BUTTON_IMAGELIST image{};
    image.himl = glyph;
    image.margin = {2, 0, 2, 0};
    image.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
}

// Moves a control to bounds in its parent's device pixels, unless it is there already.
void MoveIfChanged(HWND control, const RECT& wanted) {
    RECT now;
    GetWindowRect(control, &now);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&now), 2);
    if (!EqualRect(&now, &wanted))
        MoveWindow(control, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
                   TRUE);
}

} // namespace

Win32WizardWindow::Win32WizardWindow(TSetupWizardDlg& controller) : FController(controller) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    FFace = GetSysColorBrush(COLOR_BTNFACE);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = FFace;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = WindowClass;
    RegisterClassExW(&windowClass);
    windowClass.lpfnWndProc = PanelProc;
    windowClass.hIcon = nullptr;
    windowClass.lpszClassName = PanelClass;
    RegisterClassExW(&windowClass);

    // A fixed single border with the system menu and the close box only.
    FWindow = CreateWindowExW(WS_EX_CONTROLPARENT, WindowClass, L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                              CW_USEDEFAULT, CW_USEDEFAULT, design::ClientWidth, design::ClientHeight,
                              nullptr, nullptr, instance, this);
    FDpi = WindowDpi(FWindow);
    for (const auto& [key, resource] :
         {std::pair{"online", L"ONLINE"}, std::pair{"offline", L"OFFLINE"}, std::pair{"markall", L"MARKALL"},
          std::pair{"demarkall", L"DEMARKALL"}, std::pair{"folder", L"FOLDER"}})
        FGlyphs[key] = LoadGlyph(resource);

    // The page control: its raised border, and inside it the pages, of which one is shown.
    FMain = Panel("pcMain", FWindow, WS_CLIPCHILDREN | WS_TABSTOP, true);
    for (const char* name : {"tsSelect", "tsParams", "tsProgress", "tsInfo"})
        FPages.push_back(Panel(name, FMain));
    const auto rows = ControlTable();
    FRows.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlParent parent = ParentOf(rows[i]);
        MakeRow(i, parent.Row >= 0    ? FRows[static_cast<size_t>(parent.Row)].Control
                   : parent.Page >= 0 ? FPages[static_cast<size_t>(parent.Page)]
                                      : FWindow);
    }
    // The group frames lie beneath the controls inside them.
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Kind == ControlKind::Group)
            SetWindowPos(FRows[i].Second, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyScale();
    ApplyLayout();
    SetFocus(FMain);
}

Win32WizardWindow::~Win32WizardWindow() {
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
    for (HFONT font : {FWindowFont, FHeadingFont, FFileNameFont, FPackageFont})
        if (font) DeleteObject(font);
    for (auto& [name, glyph] : FGlyphs)
        if (glyph) ImageList_Destroy(glyph);
    if (FEntryHeights) ImageList_Destroy(FEntryHeights);
}

int Win32WizardWindow::Scaled(int pixels) const {
    return MulDiv(pixels, FDpi, 96);
}

// What depends on the resolution besides the places: the fonts, made anew at their
// design heights and given to every control, and the check list's entry height.
void Win32WizardWindow::ApplyScale() {
    auto font = [this](int height, bool bold) {
        return CreateFontW(-Scaled(height), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                           DEFAULT_PITCH, L"Tahoma");
    };
    const HFONT old[] = {FWindowFont, FHeadingFont, FFileNameFont, FPackageFont};
    FWindowFont = font(design::WindowFontHeight, false);
    FHeadingFont = font(design::HeadingFontHeight, true);
    FFileNameFont = font(design::FileNameFontHeight, false);
    FPackageFont = font(design::PackageFontHeight, true);
    auto set = [](HWND control, HFONT font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    };
    for (auto& [name, control] : FNames)
        set(control, FWindowFont);
    for (HWND heading : FHeadings)
        set(heading, FHeadingFont);
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Kind == ControlKind::FileNameLabel) set(FRows[i].Control, FFileNameFont);
    for (HWND button : FPackageButtons)
        set(button, FPackageFont);
    for (HFONT unused : old) // only now that no control uses them
        if (unused) DeleteObject(unused);
    // A one-pixel-wide image of the entry height sets the check list's entry height.
    if (FEntryHeights) ImageList_Destroy(FEntryHeights);
    FEntryHeights = ImageList_Create(1, Scaled(design::CheckListEntryHeight), ILC_COLOR32, 1, 0);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Kind == ControlKind::CheckList)
            ListView_SetImageList(FRows[i].Control, FEntryHeights, LVSIL_SMALL);
}

HWND Win32WizardWindow::Make(const char* name, const wchar_t* windowClass, DWORD style, HWND parent,
                             DWORD exStyle) {
    // Siblings never paint over each other: a group's frame lies beneath the controls inside it.
    HWND control = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                                   0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    FNames[name] = control;
    return control;
}

HWND Win32WizardWindow::Panel(const char* name, HWND parent, DWORD style, bool raised) {
    HWND panel = Make(name, PanelClass, style, parent, WS_EX_CONTROLPARENT);
    SetWindowLongPtrW(panel, GWLP_USERDATA, raised ? 1 : 0);
    return panel;
}

void Win32WizardWindow::OnCommand(HWND control, std::function<void(int notification)> handler) {
    FCommands[control] = std::move(handler);
}

void Win32WizardWindow::MakeRow(size_t index, HWND parent) {
    const ControlRow& row = ControlTable()[index];
    RowWindows& made = FRows[index];
    const std::string name = row.Name;
    switch (row.Kind) {
    case ControlKind::Panel:
        made.Control = Panel(row.Name, parent);
        break;
    case ControlKind::Group:
        // A panel holding the box's frame and caption, and the controls inside it. The frame
        // covers the whole group and paints no background: the group paints it, so the group
        // does not clip its children.
        made.Control = Panel(row.Name, parent, 0);
        made.Second = Make((name + ".frame").c_str(), WC_BUTTONW, BS_GROUPBOX, made.Control);
        break;
    case ControlKind::Heading:
        made.Control = Make(row.Name, WC_STATICW, SS_LEFT | SS_NOPREFIX, parent);
        FHeadings.push_back(made.Control);
        break;
    case ControlKind::Label:
    case ControlKind::TextBlock:
        made.Control = Make(row.Name, WC_STATICW, SS_LEFT | SS_NOPREFIX, parent);
        break;
    case ControlKind::FileNameLabel:
        made.Control = Make(row.Name, WC_STATICW, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, parent);
        break;
    case ControlKind::RowButton:
    case ControlKind::ToggleButton:
    case ControlKind::FlatButton: {
        // Speed buttons: outside the Tab order, no focus, so Enter or Escape press none.
        const DWORD style = row.Kind == ControlKind::ToggleButton ? BS_PUSHLIKE | BS_CHECKBOX
                            : row.Kind == ControlKind::FlatButton ? BS_PUSHBUTTON | BS_FLAT
                                                                  : BS_PUSHBUTTON;
        made.Control = Make(row.Name, WC_BUTTONW, style, parent);
        SetWindowSubclass(made.Control, SpeedButtonProc, SpeedButtonSubclass, 0);
        if (row.Glyph) SetGlyph(made.Control, FGlyphs[row.Glyph]);
        OnCommand(made.Control, [this, index](int notification) {
            if (notification == BN_CLICKED) Act(index);
        });
        break;
    }
    case ControlKind::RadioButton: {
        // The first radio button of its container opens its group and is its Tab stop.
        const bool first = index == 0 || ControlTable()[index - 1].Kind != ControlKind::RadioButton;
        made.Control =
            Make(row.Name, WC_BUTTONW, BS_AUTORADIOBUTTON | (first ? WS_TABSTOP | WS_GROUP : 0), parent);
        OnCommand(made.Control, [this](int notification) {
            if (notification == BN_CLICKED) RadioButtonsChanged();
        });
        break;
    }
    case ControlKind::FolderEdit: {
        // The folder button lies above the edit, inside its right end.
        made.Second = Make((name + "RightButton").c_str(), WC_BUTTONW, BS_PUSHBUTTON | BS_FLAT, parent);
        made.Control = Make(row.Name, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, parent, WS_EX_CLIENTEDGE);
        SetGlyph(made.Second, FGlyphs[row.Glyph]);
        SetWindowSubclass(made.Second, SpeedButtonProc, SpeedButtonSubclass, 0);
        OnCommand(made.Second, [this, index](int notification) {
            if (notification == BN_CLICKED) Act(index);
        });
        OnCommand(made.Control, [this, index, &row](int notification) {
            if (notification == EN_CHANGE && !FReflecting)
                ModelOf<Edit>(row, FController.GetForm())->Text = Narrow(WindowText(FRows[index].Control));
        });
        break;
    }
    case ControlKind::ComboBox:
        made.Control =
            Make(row.Name, WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, parent);
        OnCommand(made.Control, [this, index](int notification) {
            if (notification == CBN_SELCHANGE || notification == CBN_EDITCHANGE)
                EditionChanged(index, notification == CBN_SELCHANGE);
        });
        break;
    case ControlKind::CheckList: {
        made.Control = Make(row.Name, WC_LISTVIEWW,
                            LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | WS_TABSTOP, parent);
        ListView_SetExtendedListViewStyle(made.Control, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        ListView_InsertColumn(made.Control, 0, &column);
        break;
    }
    case ControlKind::ListBox:
        // No Tab stop: the Tab key skips it.
        made.Control = Make(row.Name, WC_LISTBOXW, LBS_NOINTEGRALHEIGHT | LBS_NOSEL | WS_VSCROLL, parent);
        break;
    case ControlKind::ProgressBar:
        made.Control = Make(row.Name, PROGRESS_CLASSW, PBS_SMOOTH, parent);
        ShowWindow(made.Control, SW_HIDE);
        break;
    }
}

void Win32WizardWindow::Act(size_t index) {
    Deliver([&controller = FController, &row = ControlTable()[index]] { Perform(row, controller); });
}

void Win32WizardWindow::RadioButtonsChanged() {
    if (FReflecting) return;
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        if (RadioButton* model = ModelOf<RadioButton>(rows[i], FController.GetForm()))
            model->Checked = IsChecked(FRows[i].Control);
}

void Win32WizardWindow::BuildPackageButtons() {
    const auto& packages = FController.GetForm().Packages;
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageOption& option = packages[i];
        std::string suffix = std::to_string(option.Tag);
        HWND button = Make(("rbPackage" + suffix).c_str(), WC_BUTTONW,
                           BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), FPages[tsSelect]);
        int tag = option.Tag;
        OnCommand(button, [this, button, tag, i](int notification) {
            // Only a change of the checked button is a click the wizard hears. The button has
            // checked itself before it reports the click: the form still knows whether it
            // was checked already.
            if (notification == BN_CLICKED && IsChecked(button) &&
                !FController.GetForm().Packages[i].Button.Checked)
                Deliver([&controller = FController, tag] { controller.DoAction(tag); });
        });
        HWND label =
            Make(("lblPackage" + suffix).c_str(), WC_STATICW, SS_LEFT | SS_NOPREFIX, FPages[tsSelect]);
        FPackageButtons.push_back(button);
        FPackageLabels.push_back(label);
    }
    ApplyScale();
    ApplyLayout();
}

void Win32WizardWindow::Place(HWND control, const Bounds& bounds, int extraHeight) {
    MoveIfChanged(control, {Scaled(bounds.Left), Scaled(bounds.Top), Scaled(bounds.Right()),
                            Scaled(bounds.Bottom()) + Scaled(extraHeight)});
}

void Win32WizardWindow::ApplyLayout() {
    const WindowLayout layout = LayOutWindow(FController.GetForm());
    Place(FMain, layout.pcMain);
    for (HWND page : FPages)
        Place(page, layout.Page);
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        const RowWindows& made = FRows[i];
        switch (rows[i].Kind) {
        case ControlKind::ComboBox:
            // A drop-down box is as high as its edit field plus its list.
            Place(made.Control, layout.*rows[i].Place, ComboListHeight);
            break;
        case ControlKind::Group: {
            Place(made.Control, layout.*rows[i].Place);
            RECT client;
            GetClientRect(made.Control, &client);
            MoveIfChanged(made.Second, client);
            break;
        }
        case ControlKind::FolderEdit: {
            Place(made.Control, layout.*rows[i].Place);
            // The folder button fills the edit's right end inside its border; the text stops before it.
            RECT outside, inside;
            GetWindowRect(made.Control, &outside);
            MapWindowPoints(nullptr, GetParent(made.Control), reinterpret_cast<POINT*>(&outside), 2);
            GetClientRect(made.Control, &inside);
            const int border = (outside.bottom - outside.top - inside.bottom) / 2;
            const int buttonWidth = Scaled(FolderButtonWidth);
            MoveIfChanged(made.Second, {outside.right - border - buttonWidth, outside.top + border,
                                        outside.right - border, outside.bottom - border});
            SendMessageW(made.Control, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, buttonWidth + Scaled(2)));
            break;
        }
        case ControlKind::CheckList: {
            Place(made.Control, layout.*rows[i].Place);
            RECT listClient;
            GetClientRect(made.Control, &listClient);
            ListView_SetColumnWidth(made.Control, 0, listClient.right);
            break;
        }
        case ControlKind::ListBox:
            Place(made.Control, layout.*rows[i].Place);
            SendMessageW(made.Control, LB_SETITEMHEIGHT, 0, Scaled(design::ErrListEntryHeight));
            break;
        default:
            Place(made.Control, layout.*rows[i].Place);
            break;
        }
    }

    const auto& packages = FController.GetForm().Packages;
    for (size_t i = 0; i < FPackageButtons.size() && i < packages.size(); ++i) {
        const PackageOption& option = packages[i];
        Place(FPackageButtons[i], {option.Left, option.Top, option.Width, option.Height});
        Place(FPackageLabels[i], {option.LabelLeft, option.LabelTop, option.LabelWidth, option.LabelHeight});
    }
}

HWND Win32WizardWindow::Control(const std::string& name) const {
    auto found = FNames.find(name);
    return found == FNames.end() ? nullptr : found->second;
}

std::vector<std::string> Win32WizardWindow::PackageButtonNames() const {
    std::vector<std::string> names;
    for (HWND button : FPackageButtons)
        for (const auto& [name, control] : FNames)
            if (control == button) names.push_back(name);
    return names;
}

const char* Win32WizardWindow::PageName() const {
    static const char* const Names[] = {"tsSelect", "tsParams", "tsProgress", "tsInfo"};
    for (int i = 0; i < PageCount; ++i)
        if (IsWindowVisible(FPages[static_cast<size_t>(i)])) return Names[i];
    return Names[FController.GetForm().ActivePage];
}

void Win32WizardWindow::EditionChanged(size_t index, bool fromList) {
    if (FReflecting) return;
    HWND box = FRows[index].Control;
    ComboBox& model = *ModelOf<ComboBox>(ControlTable()[index], FController.GetForm());
    const int chosen = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
    // The edit field shows an entry chosen from the list only after this notification.
    const std::wstring text = fromList && chosen >= 0 ? ItemText(box, chosen) : WindowText(box);
    model.Text = Narrow(text);
    model.ItemIndex = static_cast<int>(SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(text.c_str())));
    Act(index);
}

void Win32WizardWindow::FileListChanged(const NMLISTVIEW& change) {
    if (FReflecting || !(change.uChanged & LVIF_STATE) ||
        !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK))
        return;
    const auto rows = ControlTable();
    CheckListBox* model = nullptr;
    for (size_t i = 0; i < rows.size(); ++i)
        if (FRows[i].Control == change.hdr.hwndFrom)
            model = ModelOf<CheckListBox>(rows[i], FController.GetForm());
    if (!model) return;
    auto& items = model->Items;
    if (change.iItem >= 0 && change.iItem < static_cast<int>(items.size()))
        items[static_cast<size_t>(change.iItem)].Checked =
            ListView_GetCheckState(change.hdr.hwndFrom, change.iItem) != 0;
}

void Win32WizardWindow::Mirror(size_t index, const ::tv::Control& model) {
    const RowWindows& made = FRows[index];
    switch (ControlTable()[index].Kind) {
    case ControlKind::Group:
        SetText(made.Second, Wide(model.Caption)); // a group box's caption is its frame's
        break;
    case ControlKind::Heading:
    case ControlKind::Label:
    case ControlKind::FileNameLabel:
    case ControlKind::TextBlock:
        SetText(made.Control, DisplayText(model.Caption));
        break;
    default:
        break;
    }
    SetShown(made.Control, model.Visible);
}

void Win32WizardWindow::Mirror(size_t index, const SpeedButton& model) {
    HWND button = FRows[index].Control;
    SetText(button, Wide(model.Caption));
    SetShown(button, model.Visible);
    if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX) SetChecked(button, model.Down);
}

void Win32WizardWindow::Mirror(size_t index, const RadioButton& model) {
    HWND button = FRows[index].Control;
    SetText(button, Wide(model.Caption));
    SetShown(button, model.Visible);
    SetChecked(button, model.Checked);
}

void Win32WizardWindow::Mirror(size_t index, const Edit& model) {
    SetText(FRows[index].Control, Wide(model.Text));
    SetShown(FRows[index].Control, model.Visible);
}

void Win32WizardWindow::Mirror(size_t index, const ComboBox& model) {
    HWND box = FRows[index].Control;
    std::vector<std::wstring> items;
    for (const std::string& item : model.Items)
        items.push_back(Wide(item));
    SetItems(box, items, CB_RESETCONTENT, CB_ADDSTRING);
    if (model.ItemIndex >= 0 && SendMessageW(box, CB_GETCURSEL, 0, 0) != model.ItemIndex)
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(model.ItemIndex), 0);
    SetText(box, Wide(model.Text));
    SetShown(box, model.Visible);
}

void Win32WizardWindow::Mirror(size_t index, const CheckListBox& model) {
    HWND list = FRows[index].Control;
    const auto& entries = model.Items;
    if (ListView_GetItemCount(list) != static_cast<int>(entries.size())) {
        ListView_DeleteAllItems(list);
        for (size_t i = 0; i < entries.size(); ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(L"");
            ListView_InsertItem(list, &item);
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        int row = static_cast<int>(i);
        wchar_t shown[512] = {};
        ListView_GetItemText(list, row, 0, shown, 512);
        std::wstring text = Wide(entries[i].Text);
        if (text != shown) ListView_SetItemText(list, row, 0, text.data());
        if ((ListView_GetCheckState(list, row) != 0) != entries[i].Checked)
            ListView_SetCheckState(list, row, entries[i].Checked);
    }
    SetShown(list, model.Visible);
}

void Win32WizardWindow::Mirror(size_t index, const ListBox& model) {
    HWND list = FRows[index].Control;
    std::vector<std::wstring> lines;
    for (const std::string& line : model.Items)
        lines.push_back(DisplayText(line));
    SetItems(list, lines, LB_RESETCONTENT, LB_ADDSTRING);
    SetShown(list, model.Visible);
}

void Win32WizardWindow::Mirror(size_t index, const ProgressBar& model) {
    HWND bar = FRows[index].Control;
    // Shown first, so every position the user could see is one the bar had on screen.
    SetShown(bar, model.Visible);
    const auto [max, position] = BarValuesOf(model);
    if (SendMessageW(bar, PBM_GETRANGE, FALSE, 0) != max) SendMessageW(bar, PBM_SETRANGE32, 0, max);
    if (SendMessageW(bar, PBM_GETPOS, 0, 0) != position) SendMessageW(bar, PBM_SETPOS, position, 0);
}

void Win32WizardWindow::Reflect() {
    const Form& form = FController.GetForm();
    FReflecting = true;
    SetText(FWindow, Wide(form.Caption));

    if (FPackageButtons.empty() && !form.Packages.empty()) BuildPackageButtons();
    for (size_t i = 0; i < FPackageButtons.size() && i < form.Packages.size(); ++i) {
        SetText(FPackageButtons[i], Wide(form.Packages[i].Button.Caption));
        SetChecked(FPackageButtons[i], form.Packages[i].Button.Checked);
        SetText(FPackageLabels[i], Wide(form.Packages[i].Description));
    }

    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        VisitModel(rows[i], form, [&](const auto& model) { Mirror(i, model); });

    for (int i = 0; i < PageCount; ++i)
        SetShown(FPages[static_cast<size_t>(i)], i == form.ActivePage);
    ApplyLayout();
    ReflectConnectWait(form.ConnectWait);
    FReflecting = false;

    if (form.Closed) {
        ShowWindow(FWindow, SW_HIDE);
        // A window hidden while an installer ran closes without any window left to close:
        // the program must still learn that the wizard has ended.
        if (!FClosedAnnounced) {
            FClosedAnnounced = true;
            if (OnClosed) OnClosed();
        }
    } else if (OnlyProgressPage) {
        const bool shown = form.Visible && form.ActivePage == tsProgress;
        if (shown && !FShown)
            Show();
        else if (FShown && shown != (IsWindowVisible(FWindow) != FALSE))
            ShowWindow(FWindow, shown ? SW_SHOW : SW_HIDE);
    } else if (FShown && form.Visible != (IsWindowVisible(FWindow) != FALSE)) {
        ShowWindow(FWindow, form.Visible ? SW_SHOW : SW_HIDE);
    }
}

void Win32WizardWindow::Show() {
    RECT frame{0, 0, Scaled(design::ClientWidth), Scaled(design::ClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(FWindow, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(FWindow, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(FWindow, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(FWindow, nullptr, (work.left + work.right - width) / 2,
                 (work.top + work.bottom - height) / 2, width, height, SWP_NOZORDER);
    FShown = true;
    ShowWindow(FWindow, SW_SHOW);
    UpdateWindow(FWindow);
    SetFocus(FMain);
}

void Win32WizardWindow::CloseRequested() {
    if (!FController.GetForm().Closed) {
        FController.Dispatch([this] {
            if (FController.FormCloseQuery()) FController.Close();
        });
        Reflect();
    }
}

LRESULT Win32WizardWindow::SessionEnding(UINT message, WPARAM wParam) {
    if (FController.InstallState() != isRunning) return TRUE;
    if (!FController.StopWasRequested()) {
        FController.Dispatch([this] { FController.StopRequest(); });
        Reflect();
    }
    if (message == WM_QUERYENDSESSION) {
        // Asks the system to wait, with the reason it shows; the program ends when the run has.
        ShutdownBlockReasonCreate(FWindow, L"Norvano Setup: die laufende Installation wird beendet.");
        return FALSE;
    }
    if (wParam && AwaitRunEnd) AwaitRunEnd(); // the session ends anyway: the installer's end is awaited now
    return 0;
}

void Win32WizardWindow::ReflectConnectWait(const ::tv::Control& wait) {
    if (!FConnectWaitShow.Due(wait.Visible)) {
        if (FConnectWait) ShowWindow(FConnectWait, SW_HIDE);
        return;
    }
    if (!FConnectWait) {
        const int width = Scaled(340), height = Scaled(100);
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION, FALSE, WS_EX_DLGMODALFRAME);
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
        // A panel's window procedure hands the button's click to its owner, this window.
        FConnectWait = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, PanelClass,
                                       WindowText(FWindow).c_str(), WS_POPUP | WS_CAPTION,
                                       (work.left + work.right - outerWidth) / 2,
                                       (work.top + work.bottom - outerHeight) / 2, outerWidth, outerHeight,
                                       FWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
        FConnectWaitText = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, Scaled(12),
                                           Scaled(12), width - Scaled(24), Scaled(40), FConnectWait, nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
        HWND cancel = CreateWindowExW(0, WC_BUTTONW, L"Abbrechen", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                      width - Scaled(87), height - Scaled(37), Scaled(75), Scaled(25),
                                      FConnectWait, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (HWND control : {FConnectWaitText, cancel})
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FWindowFont), FALSE);
        OnCommand(cancel, [this](int notification) {
            if (notification == BN_CLICKED)
                Deliver([&controller = FController] { controller.ConnectWaitCancelClick(); });
        });
    }
    SetText(FConnectWaitText, DisplayText(wait.Caption));
    if (!IsWindowVisible(FConnectWait)) ShowWindow(FConnectWait, SW_SHOWNORMAL);
}

void Win32WizardWindow::Command(HWND control, int notification) {
    auto found = FCommands.find(control);
    if (found != FCommands.end()) found->second(notification);
}

LRESULT Win32WizardWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // Enter and Escape reach the window as IDOK and IDCANCEL without a control: ignored.
        if (lParam) Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_ITEMCHANGED) FileListChanged(*reinterpret_cast<NMLISTVIEW*>(lParam));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        auto dc = reinterpret_cast<HDC>(wParam);
        auto control = reinterpret_cast<HWND>(lParam);
        bool heading = std::find(FHeadings.begin(), FHeadings.end(), control) != FHeadings.end();
        SetTextColor(dc, GetSysColor(heading ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(FFace);
    }
    case WM_DPICHANGED: {
        FDpi = HIWORD(wParam);
        ApplyScale();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FWindow, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyLayout();
        InvalidateRect(FWindow, nullptr, TRUE);
        return 0;
    }
    case WM_CLOSE:
        CloseRequested();
        return 0;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
        return SessionEnding(message, wParam);
    default:
        return DefWindowProcW(FWindow, message, wParam, lParam);
    }
}

LRESULT CALLBACK Win32WizardWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<Win32WizardWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->FWindow = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32WizardWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

// Panels and group boxes pass their controls' notifications on to the window, and the
// page control draws its raised border.
LRESULT CALLBACK Win32WizardWindow::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (GetWindowLongPtrW(window, GWLP_USERDATA) == 1) {
            RECT bounds;
            GetClientRect(window, &bounds);
            DrawEdge(dc, &bounds, EDGE_RAISED, BF_RECT);
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace tv
