// The Windows window as designed: every control where the design puts it, scaled to the
// screen's dots per inch, no text cut off, Tab kept inside the page, Enter and Escape
// pressing no button; the task-dialog message boxes with their captions, default buttons
// and results; the folder browser's preselection and answers. Screenshots of the pages,
// a box and the browser go to TV_SCREENSHOT_DIR. Runs under Wine with a display.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "host/win32/Wide.h"
#include "support/MuteListener.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Screenshot.h"
#include "ui/win32/Win32WizardProgram.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const char* const Manifest =
    "[DBFileListClient]\r\nBrisa=db_base.zip\r\n"
    "[UpdFileList]\r\nBrisa=upd_models.zip;upd_parts.zip;upd_prices.zip\r\n"
    "[UpdFileDescr]\r\nBrisa=Fahrzeugmodelle;Ersatzteile;Preislisten der Hersteller\r\n";

fs::path InstallIniBesideTheProgram() {
    Win32Dialogs dialogs;
    return FilePath(Win32Host(dialogs).ProgramFolder() + "install.ini");
}

std::string ScreenshotFolder() {
    const wchar_t* folder = _wgetenv(L"TV_SCREENSHOT_DIR");
    std::string path = folder ? Narrow(folder) : Utf8Of(fs::temp_directory_path());
    fs::create_directories(FilePath(path));
    return path;
}

// What the screen shows of a window, saved in the screenshot folder.
void SaveInScreenshotFolder(HWND window, const std::string& name) {
    EXPECT_TRUE(SaveScreenshot(window, ScreenshotFolder() + "/" + name + ".png")) << name;
}

std::wstring ClassOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    return name;
}

struct Placement {
    const char* Name;
    RECT Bounds; // left, top, right, bottom in the parent, at 96 dots per inch
};

class Win32WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // "install.ini" beside the program: the wizard starts offline, without a server.
        std::ofstream(InstallIniBesideTheProgram(), std::ios::binary) << Manifest;
    }
    static void TearDownTestSuite() { fs::remove(InstallIniBesideTheProgram()); }

    void SetUp() override {
        FProgram = std::make_unique<Win32WizardProgram>();
        FProgram->Start();
        ASSERT_TRUE(IsWindowVisible(Window().Handle()));
        Settle();
    }

    Win32WizardWindow& Window() { return FProgram->Window(); }
    HWND Control(const char* name) {
        HWND control = Window().Control(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    int Scaled(int pixels) { return MulDiv(pixels, Window().Dpi(), 96); }

    // Runs the program's loop, idle pass included, for a person's pause.
    void Settle(int ms = 150) {
        DWORD until = GetTickCount() + static_cast<DWORD>(ms);
        FProgram->Loop().RunUntil([until] { return static_cast<int>(GetTickCount() - until) >= 0; });
    }

    // A click as the mouse makes it, then the pause after it.
    void Click(const char* name) {
        SendMessageW(Control(name), BM_CLICK, 0, 0);
        Settle();
    }

    // A key through the window's dialog keys, as the program's loop routes it.
    void Key(WPARAM key) {
        HWND focus = GetFocus();
        MSG message{focus ? focus : Window().Handle(), WM_KEYDOWN, key, 0, 0, {}};
        if (!IsDialogMessageW(Window().Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Settle(30);
    }

    void ExpectPlaced(std::initializer_list<Placement> placements) {
        for (const Placement& placement : placements) {
            HWND control = Control(placement.Name);
            RECT now;
            GetWindowRect(control, &now);
            MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&now), 2);
            const RECT& want = placement.Bounds;
            EXPECT_EQ(now.left, Scaled(want.left)) << placement.Name;
            EXPECT_EQ(now.top, Scaled(want.top)) << placement.Name;
            EXPECT_EQ(now.right, Scaled(want.right)) << placement.Name;
            if (ClassOf(control) != WC_COMBOBOXW) { // a drop-down box's height is its edit field's
                EXPECT_EQ(now.bottom, Scaled(want.bottom)) << placement.Name;
            }
        }
    }

    // Text wider (or, wrapped, taller) than its control would be cut off on the screen.
    void ExpectNothingClipped(HWND parent) {
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child)) continue;
            ExpectNothingClipped(child);
            const std::wstring text = WindowText(child), kind = ClassOf(child);
            if (text.empty() || (kind != WC_STATICW && kind != WC_BUTTONW)) continue;
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            RECT space;
            GetClientRect(child, &space);
            HDC dc = GetDC(child);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
            RECT needed = space;
            if (kind == WC_STATICW) {
                DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
                EXPECT_LE(needed.bottom, space.bottom) << Narrow(text);
                EXPECT_LE(needed.right, space.right) << Narrow(text);
            } else if ((style & BS_TYPEMASK) != BS_GROUPBOX) {
                DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
                const bool glyph = SendMessageW(child, BCM_GETIMAGELIST, 0, 0) != 0;
                int room = needed.right - needed.left + (glyph ? Scaled(20) : 0) + Scaled(8);
                if ((style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    room = needed.right - needed.left + Scaled(18);
                // The margins are an estimate at 96 dots per inch: a scaled font's width may
                // round up by a pixel ("FB Manager" needs 67.3 of the design's pixels at 144).
                const int rounding = Window().Dpi() == 96 ? 0 : 1;
                EXPECT_LE(room, space.right + rounding) << Narrow(text);
            }
            SelectObject(dc, old);
            ReleaseDC(child, dc);
        }
    }

    std::unique_ptr<Win32WizardProgram> FProgram;
};

TEST_F(Win32WindowTest, WindowIsFixedCentredAndScaledWithTheScreen) {
    HWND window = Window().Handle();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, Scaled(594));
    EXPECT_EQ(client.bottom, Scaled(431));
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
    RECT bounds;
    GetWindowRect(window, &bounds);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_LE(std::abs((bounds.left + bounds.right) - (monitor.rcWork.left + monitor.rcWork.right)), 2);
    EXPECT_LE(std::abs((bounds.top + bounds.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 2);
    EXPECT_EQ(GetFocus(), Control("pcMain"));

    struct Font {
        const char* Control;
        int Height;
        bool Bold;
    };
    for (const Font& font : {Font{"NextBtn", 11, false}, Font{"lblParams", 15, true},
                             Font{"lblFileName", 13, false}, Font{"rbPackage1", 13, true}}) {
        LOGFONTW shape{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(font.Control), WM_GETFONT, 0, 0)),
                   sizeof shape, &shape);
        EXPECT_EQ(std::wstring(shape.lfFaceName), L"Tahoma") << font.Control;
        EXPECT_EQ(shape.lfHeight, -Scaled(font.Height)) << font.Control;
        EXPECT_EQ(shape.lfWeight >= FW_BOLD, font.Bold) << font.Control;
    }
}

TEST_F(Win32WindowTest, ButtonRowPagesAndPackageListFollowTheDesign) {
    ExpectPlaced({{"pcMain", {0, 0, 594, 392}},
                  {"tsSelect", {4, 4, 590, 388}}, // the pages inside the page control's border
                  {"OnlineBtn", {5, 400, 80, 425}},
                  {"OfflineBtn", {90, 400, 165, 425}},
                  {"FBConfigBtn", {175, 400, 250, 425}},
                  {"BackBtn", {336, 400, 411, 425}},
                  {"NextBtn", {421, 400, 496, 425}},
                  {"CloseBtn", {506, 400, 581, 425}},
                  {"rbPackage1", {20, 20, 500, 37}},
                  {"lblPackage1", {40, 42, 520, 82}},
                  {"rbPackage2", {20, 87, 500, 104}},
                  {"rbPackage3", {20, 154, 500, 171}},
                  {"rbPackage4", {20, 221, 500, 238}},
                  {"rbPackage5", {20, 288, 500, 305}},
                  {"lblPackage5", {40, 310, 520, 350}},
                  // Pages not shown yet are laid out all the same.
                  {"lblProgress", {20, 12, 566, 37}},
                  {"lblFileName", {30, 52, 556, 77}},
                  {"gbProgressBar", {30, 82, 556, 132}},
                  {"pbDownload", {22, 15, 504, 38}},
                  {"pbUnzip", {22, 15, 504, 38}},
                  {"lblInfo", {20, 12, 566, 37}},
                  {"lblStatusInfo", {20, 52, 566, 112}},
                  {"ErrList", {20, 117, 566, 379}}});
    ExpectNothingClipped(Window().Handle());
    SaveInScreenshotFolder(Window().Handle(), "selection");
}

struct ParamsCase {
    int Package;
    bool AppChoice;
    int PanelTop;
    bool Editions;
    bool FileList;
};

class Win32ParamsTest : public Win32WindowTest, public testing::WithParamInterface<ParamsCase> {};

TEST_P(Win32ParamsTest, ParametersPageFollowsTheDesign) {
    const ParamsCase& c = GetParam();
    Click(("rbPackage" + std::to_string(c.Package)).c_str());
    Click("NextBtn");
    ASSERT_STREQ(Window().PageName(), "tsParams");
    EXPECT_EQ(IsWindowVisible(Control("pnlApp")) != 0, c.AppChoice);
    EXPECT_EQ(IsWindowVisible(Control("gbAppVers")) != 0, c.Editions);
    EXPECT_EQ(IsWindowVisible(Control("gbFileList")) != 0, c.FileList);
    ExpectPlaced({{"lblParams", {20, 12, 566, 37}},
                  {"Panel1", {0, c.PanelTop, 586, c.PanelTop + 120}},
                  {"gbFolder", {30, 0, 556, 52}},
                  {"edtFolder", {7, 22, 519, 43}}});
    if (c.AppChoice)
        ExpectPlaced({{"pnlApp", {0, 57, 586, 107}},
                      {"rbClient", {30, 10, 180, 27}},
                      {"rbSingle", {200, 10, 350, 27}}});
    if (c.Editions) ExpectPlaced({{"gbAppVers", {30, 57, 556, 109}}, {"cbAppVers", {7, 18, 519, 39}}});
    if (c.FileList) {
        ExpectPlaced({{"gbFileList", {30, 172, 556, 322}},
                      {"MarkAllBtn", {5, 0, 105, 25}},
                      {"DeMarkAllBtn", {115, 0, 265, 25}},
                      {"cbFileList", {12, 45, 519, 148}}});
        HWND list = Control("cbFileList");
        ASSERT_EQ(ListView_GetItemCount(list), 3);
        Click("MarkAllBtn");
        EXPECT_TRUE(ListView_GetCheckState(list, 2));
        ListView_SetCheckState(list, 1, FALSE); // a click on an entry's box reaches the form
        EXPECT_FALSE(FProgram->Controller().GetForm().cbFileList.Items[1].Checked);
        EXPECT_TRUE(FProgram->Controller().GetForm().cbFileList.Items[2].Checked);
    }
    ExpectNothingClipped(Window().Handle());
    SaveInScreenshotFolder(Window().Handle(), "parameters-" + std::to_string(c.Package));

    if (c.AppChoice) { // the single-seat choice brings in the editions without moving anything
        Click("rbSingle");
        EXPECT_TRUE(FProgram->Controller().GetForm().rbSingle.Checked);
        EXPECT_TRUE(IsWindowVisible(Control("gbAppVers")));
        ExpectPlaced({{"Panel1", {0, 107, 586, 227}}, {"gbAppVers", {30, 57, 556, 109}}});
        ExpectNothingClipped(Window().Handle());
        SaveInScreenshotFolder(Window().Handle(), "parameters-1-single");
    }
}

INSTANTIATE_TEST_SUITE_P(EachPackage, Win32ParamsTest,
                         testing::Values(ParamsCase{1, true, 107, false, false},
                                         ParamsCase{2, false, 47, false, false},
                                         ParamsCase{3, false, 47, true, false},
                                         ParamsCase{4, false, 47, true, true},
                                         ParamsCase{5, false, 47, false, false}));

TEST_F(Win32WindowTest, ClickOnTheCheckedPackageChangesNothing) {
    // After a single-seat run the install type is 3 while "1 - Norvano" stays checked.
    FProgram->Controller().Dispatch([this] { FProgram->Controller().SetInstallType(pkDatabaseFiles); });
    Window().Reflect();
    const std::string folder = FProgram->Controller().GetForm().edtFolder.Text;
    Click("rbPackage1");
    EXPECT_EQ(FProgram->Controller().InstallType(), pkDatabaseFiles);
    EXPECT_EQ(FProgram->Controller().GetForm().edtFolder.Text, folder);
    Click("rbPackage2"); // a change is heard
    EXPECT_EQ(FProgram->Controller().InstallType(), pkDatabaseServer);
}

TEST_F(Win32WindowTest, TabMovesThroughThePageButNeverToTheButtonRow) {
    Key(VK_RETURN); // Enter and Escape press no speed button
    Key(VK_ESCAPE);
    EXPECT_STREQ(Window().PageName(), "tsSelect");
    EXPECT_TRUE(IsWindowVisible(Window().Handle()));

    Click("rbPackage4");
    Click("NextBtn");
    ASSERT_STREQ(Window().PageName(), "tsParams");
    std::set<HWND> reached;
    for (int i = 0; i < 12; ++i) {
        Key(VK_TAB);
        HWND focus = GetFocus();
        ASSERT_NE(focus, nullptr);
        for (const char* row : {"OnlineBtn", "OfflineBtn", "FBConfigBtn", "BackBtn", "NextBtn", "CloseBtn"})
            EXPECT_NE(focus, Control(row)) << row;
        EXPECT_TRUE(IsChild(Control("tsParams"), focus));
        reached.insert(focus);
    }
    HWND editionEdit = GetWindow(Control("cbAppVers"), GW_CHILD);
    for (HWND expected : {Control("edtFolder"), editionEdit, Control("cbFileList")})
        EXPECT_TRUE(reached.count(expected));
    // A click on a speed button leaves the focus where it was.
    HWND before = GetFocus();
    Click("MarkAllBtn");
    EXPECT_EQ(GetFocus(), before);
}

// How a test answers a dialog: Enter on the focused button, the close box, or the
// dialog's own OK command. (Wine's task dialog ignores Escape; Windows treats it as the
// close box.)
enum class Answer { Enter, CloseBox, Confirm };

// Answers the next dialog once it is shown, after saving its picture.
struct DialogAnswer {
    Win32Dialogs* Dialogs;
    Answer How;
    std::string Screenshot;
    std::wstring Caption;
    bool Seen = false;
};
DialogAnswer* PendingAnswer = nullptr;

void CALLBACK AnswerTick(HWND, UINT, UINT_PTR timer, DWORD) {
    DialogAnswer* answer = PendingAnswer;
    HWND dialog = answer ? answer->Dialogs->OpenDialog() : nullptr;
    if (!dialog || !IsWindowVisible(dialog) || answer->Seen) return;
    answer->Seen = true;
    KillTimer(nullptr, timer);
    answer->Caption = WindowText(dialog);
    Sleep(100); // let it finish painting
    if (!answer->Screenshot.empty()) SaveInScreenshotFolder(dialog, answer->Screenshot);
    if (answer->How == Answer::Confirm) {
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    } else if (answer->How == Answer::CloseBox) {
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        HWND focus = GetFocus();
        PostMessageW(focus ? focus : dialog, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(focus ? focus : dialog, WM_KEYUP, VK_RETURN, 0);
    }
}

void AnswerNextDialog(DialogAnswer& answer) {
    PendingAnswer = &answer;
    SetTimer(nullptr, 0, 50, AnswerTick);
}

TEST_F(Win32WindowTest, MessageBoxesHaveTheirCaptionsDefaultButtonsAndResults) {
    struct BoxCase {
        MsgDlgType Type;
        unsigned Buttons;
        Answer How;
        int Result;
        const wchar_t* Caption;
        const char* Screenshot;
    };
    const BoxCase cases[] = {
        // Yes is the default of Yes and No, so Enter answers yes.
        {MsgDlgType::Confirmation, mbYesNo, Answer::Enter, mrYes, L"Best\u00e4tigen", "box-confirmation"},
        {MsgDlgType::Confirmation, mbYesNo, Answer::CloseBox, mrCancel, L"Best\u00e4tigen", ""},
        {MsgDlgType::Information, mbOK, Answer::Enter, mrOk, L"Informationen", ""},
        {MsgDlgType::Error, mbOK, Answer::CloseBox, mrCancel, L"Fehler", "box-error"},
        {MsgDlgType::Warning, mbOK, Answer::Enter, mrOk, L"Warnung", ""},
    };
    for (const BoxCase& c : cases) {
        DialogAnswer answer{&FProgram->Dialogs(), c.How, c.Screenshot, {}};
        AnswerNextDialog(answer);
        int result = FProgram->Dialogs().MessageDlg(
            "Der Ordner C:\\Programme\\Norvano 6 existiert nicht.\n\rSoll er angelegt werden?", c.Type,
            c.Buttons);
        PendingAnswer = nullptr;
        EXPECT_TRUE(answer.Seen);
        EXPECT_EQ(answer.Caption, c.Caption);
        EXPECT_EQ(result, c.Result) << Narrow(c.Caption);
    }
}

TEST_F(Win32WindowTest, FolderPickerShowsTheLastFolderAndReturnsTheChoice) {
    const std::string chosen = ExcludeTrailingPathDelimiter(Utf8Of(fs::temp_directory_path()));
    std::string directory = chosen;
    DialogAnswer confirm{&FProgram->Dialogs(), Answer::Confirm, "folder-picker", {}};
    AnswerNextDialog(confirm);
    ASSERT_TRUE(FProgram->Dialogs().BrowseForFolder("Ordner w\u00e4hlen", directory));
    EXPECT_TRUE(confirm.Seen);
    EXPECT_TRUE(SameText(directory, chosen)) << directory; // the preselected folder, no trailing delimiter

    DialogAnswer cancel{&FProgram->Dialogs(), Answer::CloseBox, "", {}};
    AnswerNextDialog(cancel);
    directory = "C:\\nicht\\da";
    EXPECT_FALSE(FProgram->Dialogs().BrowseForFolder("Ordner w\u00e4hlen", directory));
    PendingAnswer = nullptr;
    EXPECT_TRUE(cancel.Seen);
    EXPECT_EQ(directory, "C:\\nicht\\da");
}

TEST_F(Win32WindowTest, ClosingTheWindowEndsTheProgramsLoop) {
    PostMessageW(Window().Handle(), WM_CLOSE, 0, 0);
    DWORD until = GetTickCount() + 5000;
    FProgram->Loop().RunUntil([&] { return static_cast<int>(GetTickCount() - until) >= 0; });
    EXPECT_TRUE(FProgram->Controller().GetForm().Closed);
    EXPECT_LT(static_cast<int>(GetTickCount() - until), 0) << "the loop went on after the wizard closed";
    EXPECT_FALSE(IsWindowVisible(Window().Handle()));
}

// The start that waits for the update server shows a small window of its own; its
// Abbrechen ends the wait as a failed connection.
Win32WizardProgram* WaitingProgram = nullptr;
std::wstring SeenWaitText;

// Looks for the small window every tenth of a second; once it is there, records it and
// presses its Abbrechen.
void CALLBACK CancelTheWait(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND wait = WaitingProgram->Window().ConnectWaitWindow();
    if (!wait || !IsWindowVisible(wait)) return;
    KillTimer(nullptr, timer);
    SaveInScreenshotFolder(wait, "connect-wait");
    SeenWaitText = WindowText(FindWindowExW(wait, nullptr, L"Static", nullptr));
    HWND cancel = FindWindowExW(wait, nullptr, L"Button", L"Abbrechen");
    ASSERT_TRUE(cancel);
    SendMessageW(cancel, BM_CLICK, 0, 0);
}

TEST(Win32ConnectWaitTest, StartWaitingForTheServerShowsASmallWindowWhoseCancelEndsTheWait) {
    fs::remove(InstallIniBesideTheProgram());
    testbed::MuteListener mute; // takes the connection and never answers
    const std::string server = "127.0.0.1:" + std::to_string(mute.Port());
    // Through the C runtime, whose copy of the environment the wizard reads.
    _wputenv_s(L"TVINSTALL_SERVER", Wide(server).c_str());
    _wputenv_s(L"TVINSTALL_LOGIN_URL", Wide("https://" + server + "/login").c_str());
    auto program = std::make_unique<Win32WizardProgram>();
    WaitingProgram = program.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelTheWait);
    const DWORD start = GetTickCount();
    program->Start();
    const DWORD waited = GetTickCount() - start;
    KillTimer(nullptr, timer); // in case the start did not wait for it
    _wputenv_s(L"TVINSTALL_SERVER", L"");
    _wputenv_s(L"TVINSTALL_LOGIN_URL", L"");
    EXPECT_LT(waited, 30000u); // well before the server's time limit of a minute
    EXPECT_EQ(Narrow(SeenWaitText), "Verbindung zum Update-Server wird hergestellt \u2026\r\n" + server);
    EXPECT_FALSE(IsWindowVisible(program->Window().ConnectWaitWindow()));
    // As after any failed connection without a manifest beside the program.
    EXPECT_TRUE(program->Controller().CriticalError());
    EXPECT_STREQ(program->Window().PageName(), "tsInfo");
    EXPECT_EQ(Narrow(WindowText(program->Window().Control("lblStatusInfo"))),
              "Connect zum Updateserver ist fehlgeschlagen. Programm wird beeendet");
}

} // namespace
} // namespace tv
