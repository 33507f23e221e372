// The frame's instruments in-process: tool-bar tables and layout, tips, the pen
// option bar, the status bar, the small dialogs, the colour panel and the colour
// chooser.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/canvas_facts.h"
#include "app/canvas_request.h"
#include "app/colourdlg.h"
#include "app/colourdraw.h"
#include "app/colourpanel.h"
#include "app/commands.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/framedlg.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/statusbar.h"
#include "app/toolbar.h"
#include "ui/drawutil.h"
#include "ui/frame_link.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "image/colour_model.h"
#include "image/progress.h"
#include "image/pen_colour.h"
#include "test_support.h"

using namespace apptest;
using testsupport::TempDir;

namespace {

int LeftOf(const RECT& r) { return r.left; }
bool Empty(const RECT& r) { return r.right == r.left && r.bottom == r.top; }

// A frame started hidden in a fresh folder, ended at the end of the scope.
struct FrameRun {
    TempDir dir{"instr"};
    bool ok = false;
    explicit FrameRun(int show = SW_HIDE) {
        ok = StartFrame(dir.Path(), {}, show);
        if (ok) ShowEveryBar();
    }
    ~FrameRun() {
        EndTestFrame(ok);
    }
};

LPARAM ClientPoint(HWND wnd, POINT screen) {
    ScreenToClient(wnd, &screen);
    return MAKELPARAM(screen.x, screen.y);
}

std::string Text(HWND dlg, int id) {
    char text[256] = {};
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

}  // namespace

// --- tables --------------------------------------------------------------

TEST(ToolBarLayout, MainBarHiddenButtonsTakeNoSpace) {
    int shown[15];
    for (int& s : shown) s = 1;
    RECT r[kMainBarEntryCount];
    LayoutMainBar(shown, r);
    // Six buttons from x 2, a gap of 8, five buttons, a gap, two buttons.
    struct Case { int index; int left; } all[] = {{0, 2}, {5, 282}, {7, 346}, {11, 570}, {13, 634}, {14, 690}};
    for (auto c : all) EXPECT_EQ(c.left, LeftOf(r[c.index])) << c.index;
    EXPECT_TRUE(Empty(r[6]));
    EXPECT_EQ(2, r[0].top);
    EXPECT_EQ(56, r[0].bottom - r[0].top);

    shown[3] = 0;   // the save button hidden
    LayoutMainBar(shown, r);
    EXPECT_TRUE(Empty(r[3]));
    EXPECT_EQ(170, LeftOf(r[4]));   // moved left by 56
    EXPECT_EQ(634, LeftOf(r[14]));
}

TEST(ToolBarLayout, SecondBarPagesStepsAndGaps) {
    struct Case { int page; int index; int top; } cases[] = {
        // Page 0: select 6, hand 51, gap +8 (once for the run of gaps), pen ...
        {0, 0, 6}, {0, 1, 51}, {0, 19, 104}, {0, 21, 149}, {0, 23, 202}, {0, 25, 255}, {0, 26, 300}, {0, 28, 353},
        // Page 2: select, hand, gap, clone, gap, trim ...
        {2, 0, 6}, {2, 3, 104}, {2, 12, 157}, {2, 14, 210}, {2, 16, 263}, {2, 17, 308}, {2, 30, 361},
        // Page 1 has the effect buttons and the stamp.
        {1, 5, 104}, {1, 20, 345},
    };
    for (auto c : cases) {
        RECT r[kToolBar2EntryCount];
        LayoutToolBar2(c.page, r);
        EXPECT_EQ(c.top, r[c.index].top) << "page " << c.page << " index " << c.index;
        EXPECT_EQ(6, r[c.index].left);
        EXPECT_EQ(44, r[c.index].bottom - r[c.index].top);
    }
    RECT r[kToolBar2EntryCount];
    LayoutToolBar2(0, r);
    EXPECT_TRUE(Empty(r[3]));    // the clone brush is on page 2 only
    EXPECT_TRUE(Empty(r[5]));
    EXPECT_TRUE(Empty(r[34]));   // the end entry
}

TEST(ToolBarTables, IndexOfCommand) {
    EXPECT_EQ(0, ToolBarIndexOfCommand(10002));
    EXPECT_EQ(14, ToolBarIndexOfCommand(11015));
    EXPECT_EQ(-1, ToolBarIndexOfCommand(-2));
    EXPECT_EQ(19, ToolBar2IndexOfCommand(20005));
    EXPECT_EQ(25, ToolBar2IndexOfCommand(20026));
    EXPECT_EQ(-1, ToolBar2IndexOfCommand(0));
    EXPECT_EQ(-1, ToolBar2IndexOfCommand(99999));
}

TEST(ToolBarTables, MainButtonFading) {
    MainButtonFacts open = {true, false, true, true, true, 100, 0};
    MainButtonFacts none = {false, false, true, false, false, 100, 0};
    struct Case { int command; MainButtonFacts facts; bool faded; } cases[] = {
        {11014, open, false},
        {11014, [&] { auto f = open; f.zoom = 1000; return f; }(), true},
        {11015, [&] { auto f = open; f.zoom = 10; return f; }(), true},
        {11015, [&] { auto f = open; f.zoom = 11; return f; }(), false},
        {14010, [&] { auto f = open; f.hasUndo = false; return f; }(), true},
        {14012, [&] { auto f = open; f.hasRedo = false; return f; }(), true},
        {14012, [&] { auto f = open; f.hasRedo = false; f.closing = true; return f; }(), false},
        {14001, [&] { auto f = open; f.clipboardImage = false; return f; }(), true},
        {10004, [&] { auto f = none; f.initMenuState = -1; return f; }(), true},       // not in nnMenuInit
        {10002, none, false},
        {10016, [&] { auto f = none; f.initMenuState = MF_GRAYED; return f; }(), true},
    };
    for (auto& c : cases) EXPECT_EQ(c.faded, MainButtonDisabled(c.command, c.facts)) << c.command;
}

TEST(ToolBarTables, MenuTextToTip) {
    struct Case { const char* menu; const char* tip; } cases[] = {
        {"新規作成(&N)...\tCtrl+N", "新規作成"},
        {"開く(&O)...", "開く"},
        {"元に戻す(&U)\tCtrl+Z", "元に戻す"},
        {"&Copy\tCtrl+C", "Copy"},
        {"ソフト表示", "ソフト表示"},          // trail bytes 0x5C are not cut
        {"拡大(+)", "拡大(+)"},                  // no '&' in the group: kept
        {"A&B&C", "ABC"},
        {"", ""},
    };
    for (auto c : cases) {
        char out[64];
        MenuTextToTip(c.menu, out, sizeof out);
        EXPECT_STREQ(c.tip, out) << c.menu;
    }
    // A double-byte character that does not fit is left out whole.
    char small[4];
    MenuTextToTip("新規", small, sizeof small);
    EXPECT_STREQ("新", small);
}

TEST(ToolBarTables, OpacityGauge) {
    struct Case { int x, width, opacity; } cases[] = {
        {0, 126, 0}, {125, 126, 255}, {124, 126, 252}, {62, 126, 126}, {-10, 126, 0}, {500, 126, 255},
    };
    for (auto c : cases) EXPECT_EQ(c.opacity, OpacityFromGaugeX(c.x, c.width)) << c.x;
    struct Text { int opacity, mode; const char* text; int x; } texts[] = {
        {255, 1, "100 %", 4}, {255, 2, "FF", 4}, {255, 0, "255 %", 4}, {100, 1, " 39 %", 86}, {40, 0, " 40 %", 86},
    };
    for (auto t : texts) {
        char out[32];
        int x = 0;
        OpacityGaugeText(t.opacity, t.mode, out, sizeof out, 126, &x);
        EXPECT_STREQ(t.text, out);
        EXPECT_EQ(t.x, x) << t.opacity;
    }
}

TEST(ColourPanelTables, PaletteCellsByColumn) {
    RECT r = PaletteCellRect(0, 256, 140);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(31, r.right);
    EXPECT_EQ(19, r.bottom);
    r = PaletteCellRect(8, 256, 140);   // second column, second row
    EXPECT_EQ(32, r.left);
    EXPECT_EQ(20, r.top);
    r = PaletteCellRect(55, 256, 140);
    EXPECT_EQ(224, r.left);
    EXPECT_EQ(120, r.top);
    // The entries sit at the start of the palette block, 48 bytes apart.
    std::memset(PaletteBlock, 0, sizeof PaletteBlock);
    SetPaletteRgb(2, 1, 2, 3);
    int rgb[3];
    std::memcpy(rgb, PaletteBlock + 96, sizeof rgb);
    EXPECT_EQ(1, rgb[0]);
    EXPECT_EQ(3, rgb[2]);
    int a, b, c;
    GetPaletteRgb(2, &a, &b, &c);
    EXPECT_EQ(2, b);
}

TEST(FrameDialogs, BuildText) {
    SYSTEMTIME st = {};
    st.wYear = 2003;
    st.wMonth = 5;
    st.wDay = 7;
    st.wHour = 15;
    st.wMinute = 30;
    char text[80];
    FormatBuildText(st, text, sizeof text);
    EXPECT_STREQ("ver.2 Rel.2 / build [200305071530]", text);
}

TEST(StatusBarTables, ZoomPresetMenu) {
    HMENU menu = CreateZoomPresetMenu();
    ASSERT_EQ(15, GetMenuItemCount(menu));
    EXPECT_EQ("[10 %]", MenuText(menu, 1));
    EXPECT_EQ("[100 %]", MenuText(menu, 5));
    EXPECT_EQ("[1000 %]", MenuText(menu, 15));
    DestroyMenu(menu);
}

// --- the frame's bars ----------------------------------------------------

TEST(FrameInstruments, CreatedWithTheFrame) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    ASSERT_TRUE(AppWindows.mainToolBar);
    EXPECT_TRUE(GetDlgItem(AppWindows.mainToolBar, 15));
    EXPECT_TRUE(GetDlgItem(AppWindows.toolBar2, 34));
    EXPECT_TRUE(GetDlgItem(AppWindows.penOptionBar, kBarBlurEdit));
    ASSERT_TRUE(AppWindows.colourPanel);
    EXPECT_EQ(AppWindows.ctrlPanel, GetParent(AppWindows.colourPanel));
    HWND page = ColourPickerPage();
    ASSERT_TRUE(page);
    HWND grid = ColourPanelGrid(page);
    ASSERT_TRUE(grid);
    EXPECT_TRUE(GetDlgItem(grid, 55));
    // The title window is up at start and goes at a click.
    ASSERT_TRUE(AppWindows.title);
    HWND title = AppWindows.title;
    SendMessageA(title, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(nullptr, AppWindows.title);
    EXPECT_FALSE(IsWindow(title));
}

TEST(FrameDialogs, AboutBoxOpensFromItsCommand) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    BoxAnswers answers;
    answers.button = kModalPressClose;
    AnswerBoxes(&answers);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_HELP_ABOUT, 0);
    AnswerBoxes(nullptr);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("dra_title", answers.texts[0]);
}

TEST(FrameInstruments, PageSwitchSelectsTheFirstToolOfThePage) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    ASSERT_TRUE(OpenBlankCanvas(200, 200));
    struct Case { int tool; int page; int expected; } cases[] = {
        {20005, 2, 20014},   // the pen is on page 0 only
        {20014, 2, 20014},   // the layer selection is on every page
        {20014, 1, 20014},
        {21063, 0, 20014},   // image mix: page 1 only
        {20001, 2, 20001},   // the rectangle area is on pages 1 and 2
    };
    for (auto c : cases) {
        CurrentTool = c.tool;
        SelectToolBarPage(c.page);
        EXPECT_EQ(c.expected, CurrentTool) << c.tool << " to page " << c.page;
        EXPECT_EQ(c.page, ToolBar2Page);
        // The second bar is laid out for the new page.
        RECT rc;
        GetWindowRect(GetDlgItem(AppWindows.toolBar2, 19), &rc);
        EXPECT_EQ(c.page == 0, rc.right > rc.left) << c.page;
    }
    SelectToolBarPage(0);
}

TEST(FrameInstruments, AreaBlurFieldClampsAndTheTimerWritesBack) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    HWND bar = AppWindows.penOptionBar;
    struct Case { const char* typed; int amount; const char* shown; } cases[] = {
        {"7", 7, "7"}, {"25", 20, "20"}, {"", 0, "0"}, {"20", 20, "20"},
    };
    for (auto c : cases) {
        SetDlgItemTextA(bar, kBarBlurEdit, c.typed);
        EXPECT_EQ(c.amount, AreaBlurAmount) << c.typed;
        RefreshAreaBlurField();
        EXPECT_EQ(c.shown, Text(bar, kBarBlurEdit));
    }
    // The spin control steps within 0..20.
    SendMessageA(bar, WM_VSCROLL, SB_LINEUP, (LPARAM)GetDlgItem(bar, kBarBlurSpin));
    EXPECT_EQ(20, AreaBlurAmount);
    SendMessageA(bar, WM_VSCROLL, SB_LINEDOWN, (LPARAM)GetDlgItem(bar, kBarBlurSpin));
    EXPECT_EQ(19, AreaBlurAmount);
}

TEST(FrameInstruments, OpacityGaugeDragAndFineStep) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    HWND bar = AppWindows.penOptionBar;
    HWND gauge = GetDlgItem(bar, kBarGauge);
    RECT client;
    GetClientRect(gauge, &client);
    POINT left = {0, 5}, right = {client.right - 1, 5}, middle = {client.right / 2, 5};
    ClientToScreen(gauge, &left);
    ClientToScreen(gauge, &right);
    ClientToScreen(gauge, &middle);
    LPARAM inside = ClientPoint(bar, middle);

    // A left drag follows the cursor and ends where the button is released.
    PenOpacity = 255;
    MouseSample drag[] = {{left.x, left.y, kSampleLeft}, {middle.x, middle.y, kSampleLeft}, {middle.x, middle.y, 0}};
    InjectMouseSamples(drag, 3);
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    EXPECT_EQ(OpacityFromGaugeX(client.right / 2, client.right), PenOpacity);

    // A right click at the far right raises it by exactly 1.
    PenOpacity = 100;
    MouseSample click[] = {{right.x, right.y, kSampleRight}, {right.x, right.y, 0}};
    InjectMouseSamples(click, 2);
    SendMessageA(bar, WM_RBUTTONDOWN, MK_RBUTTON, inside);
    EXPECT_EQ(101, PenOpacity);
    InjectMouseSamples(nullptr, 0);
}

TEST(FrameInstruments, TipAppearsAfterThePauseAndGoesWhenThePointerLeaves) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    FrameState.appActive = 1;
    HWND button = GetDlgItem(AppWindows.mainToolBar, 0);
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(button, TipState.capture);
    ASSERT_GE(TipState.timerId, 0);
    EXPECT_FALSE(TipState.shown);
    EXPECT_EQ(0, MainBarHovered);
    // The pause is over: the timer shows the menu text of the command as the tip.
    SendMessageA(button, WM_TIMER, (WPARAM)TipState.timerId, 0);
    EXPECT_TRUE(TipState.shown);
    EXPECT_STREQ("■新規作成", TipState.text);
    EXPECT_TRUE(GetWindowLongPtrA(TipState.tip, GWL_STYLE) & WS_VISIBLE);   // the frame itself is hidden
    EXPECT_EQ(-1, TipState.timerId);
    // Still over the button: nothing changes.
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(TipState.shown);
    // Leaving it ends the tip and the hover.
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(-30, 10));
    EXPECT_FALSE(TipState.shown);
    EXPECT_EQ(nullptr, TipState.capture);
    EXPECT_EQ(-1, MainBarHovered);
    EXPECT_FALSE(GetWindowLongPtrA(TipState.tip, GWL_STYLE) & WS_VISIBLE);

    // Second bar: the tip is the tool's string; deactivation ends it.
    HWND pen = GetDlgItem(AppWindows.toolBar2, 19);
    SendMessageA(pen, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageA(pen, WM_TIMER, (WPARAM)TipState.timerId, 0);
    EXPECT_STREQ("ブラシ", TipState.text);
    FrameOnActivateApp(FALSE);
    EXPECT_FALSE(TipState.shown);
    EXPECT_EQ(-1, ToolBar2Hovered);
}

TEST(FrameInstruments, TipStaysOnTheScreen) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    std::string longText(300, 'W');
    struct Case { int x, y; const char* text; } cases[] = {
        {sw - 5, sh - 5, "■新規作成"}, {-50, -50, "x"}, {10, 10, longText.c_str()},
    };
    for (auto c : cases) {
        ShowTip(c.x, c.y, c.text);
        RECT rc;
        GetWindowRect(TipState.tip, &rc);
        EXPECT_GE(rc.left, 0);
        EXPECT_GE(rc.top, 0);
        EXPECT_LE(rc.right - 6, sw);   // the panel; its shadow may leave the screen
        EXPECT_LE(rc.bottom - 6, sh);
        EndTip();
    }
}

TEST(FrameInstruments, MainBarClicksWithoutACanvas) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    BoxAnswers answers;
    answers.button = IDCANCEL;
    AnswerBoxes(&answers);
    // The save button is not in the menu without a canvas: the click does nothing.
    SendMessageA(GetDlgItem(AppWindows.mainToolBar, 3), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(answers.texts.empty());
    // The camera button opens the camera input.
    SendMessageA(GetDlgItem(AppWindows.mainToolBar, 2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("dra_camerainp", answers.texts[0]);
    AnswerBoxes(nullptr);
}

// --- status bar ----------------------------------------------------------

TEST(StatusBar, MessageCodes) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    HWND frame = AppWindows.frame;
    EXPECT_EQ("[ Darna Studio for Tabrix ]", std::string(StatusBarState.line));

    SendMessageA(frame, WM_USER, 15, (LPARAM) "resting");
    EXPECT_STREQ("resting", StatusBarState.line);
    SendMessageA(frame, WM_USER, 3, 40);
    EXPECT_STREQ("処理中です： 40％完了", StatusBarState.line);
    EXPECT_EQ(40, StatusBarState.percent);
    RECT bar = StatusProgressRect();
    EXPECT_EQ(120, bar.right - bar.left);
    SendMessageA(frame, WM_USER, 4, 7);
    EXPECT_STREQ("ファイルを読み込み中：  7％完了", StatusBarState.line);
    SendMessageA(frame, WM_USER, 5, 100);
    EXPECT_STREQ("ファイルを書き込み中：100％完了", StatusBarState.line);
    SendMessageA(frame, WM_USER, 0, 0);
    EXPECT_STREQ("resting", StatusBarState.line);
    EXPECT_EQ(0, StatusBarState.percent);

    // A rectangle readout from its two corners (signed 16-bit halves).
    SendMessageA(frame, WM_USER, 6, MAKELPARAM(10, 50));
    SendMessageA(frame, WM_USER, 7, MAKELPARAM(2, 20));
    EXPECT_STREQ("[2,20]-[10,50], ｻｲｽﾞ[9x31],中心[6,35]", StatusBarState.line);
    SendMessageA(frame, WM_USER, 6, MAKELPARAM(-4, 3));
    SendMessageA(frame, WM_USER, 7, MAKELPARAM(5, -2));
    EXPECT_STREQ("[-4,-2]-[5,3], ｻｲｽﾞ[10x6],中心[0,0]", StatusBarState.line);

    // Code 14 repaints only a changed text; unknown codes do nothing.
    SendMessageA(frame, WM_USER, 14, (LPARAM) "same");
    int repaints = StatusBarState.repaints;
    SendMessageA(frame, WM_USER, 14, (LPARAM) "same");
    EXPECT_EQ(repaints, StatusBarState.repaints);
    SendMessageA(frame, WM_USER, 99, (LPARAM) "other");
    EXPECT_STREQ("same", StatusBarState.line);
    SendMessageA(frame, WM_USER, 0, 0);
    EXPECT_STREQ("resting", StatusBarState.line);

    // The image operations' progress reaches the bar through the frame.
    for (int percent = 0; percent <= 100; percent += 25) {
        SendProgress(percent);
        EXPECT_EQ(percent, StatusBarState.percent);
    }
    EXPECT_STREQ("処理中です：100％完了", StatusBarState.line);
    SendProgressEnd();
    EXPECT_STREQ("resting", StatusBarState.line);
    EXPECT_EQ(0, StatusBarState.percent);

    SendMessageA(AppWindows.statusBar, WM_USER + 8, 0, 0);
    EXPECT_STREQ("[Darna Studio for Tabrix]", StatusBarState.line);
    EXPECT_STREQ("[座標]", StatusBarState.coords);
    EXPECT_STREQ("  ズーム", StatusBarState.zoom);
}

TEST(StatusBar, CoordinatesOnlyWhileShown) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    Env.statusCoords = 0;
    StatusBarSetPos(10, 20);
    EXPECT_STREQ("[座標]", StatusBarState.coords);
    HWND canvas = OpenBlankCanvas(200, 200);
    ASSERT_TRUE(canvas);
    CanvasSetZoomAt(canvas, 100);
    StatusBarState.zoom[0] = 0;
    // A click on the coordinate box shows them from the next move on.
    SendMessageA(AppWindows.statusBar, WM_COMMAND, MAKEWPARAM(kStatusCoordsItem, BN_CLICKED), 0);
    EXPECT_EQ(1, Env.statusCoords);
    EXPECT_STREQ("100 %", StatusBarState.zoom);
    StatusBarSetPos(11, 20);
    EXPECT_STREQ("x=  11, y=  20", StatusBarState.coords);
    StatusBarState.zoom[0] = 0;
    StatusBarSetZoom(canvas);
    EXPECT_STREQ("100 %", StatusBarState.zoom);
    SendMessageA(AppWindows.statusBar, WM_COMMAND, MAKEWPARAM(kStatusCoordsItem, BN_CLICKED), 0);
    EXPECT_EQ(0, Env.statusCoords);
    EXPECT_STREQ("[座標]", StatusBarState.coords);
}

namespace {
// Keys for the zoom box's pop-up menu, typed from a timer inside the menu's own
// loop; a menu still open after two seconds is ended.
int g_menuTicks = 0;
void CALLBACK TypeIntoMenu(HWND, UINT, UINT_PTR, DWORD) {
    if (++g_menuTicks == 2) {
        for (int i = 0; i < 3; ++i) PostMessageA(AppWindows.statusBar, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(AppWindows.statusBar, WM_KEYDOWN, VK_RETURN, 0);
    } else if (g_menuTicks > 20) {
        EndMenu();
    }
}
}  // namespace

// The zoom box: the right button gives 100 %, the left one a menu of the
// presets whose choice becomes the canvas's zoom.
TEST(StatusBar, ZoomBoxRightClickGives100AndTheMenuChoosesAPreset) {
    FrameRun run(SW_SHOWNORMAL);
    ASSERT_TRUE(run.ok);
    HWND canvas = OpenBlankCanvas(200, 200);
    ASSERT_TRUE(canvas);
    CanvDoc* doc = GetCanvDoc(canvas);
    ASSERT_TRUE(doc);
    HWND box = GetDlgItem(AppWindows.statusBar, kStatusZoomItem);
    ASSERT_TRUE(box);
    RECT rc;
    GetWindowRect(box, &rc);
    const LPARAM at = ClientPoint(AppWindows.statusBar, {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    CanvasSetZoomAt(canvas, 50);
    ASSERT_EQ(50.0, doc->zoom);
    SendMessageA(AppWindows.statusBar, WM_RBUTTONDOWN, 0, at);
    EXPECT_EQ(100.0, doc->zoom);
    g_menuTicks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, TypeIntoMenu);
    SendMessageA(AppWindows.statusBar, WM_LBUTTONDOWN, 0, at);
    KillTimer(nullptr, timer);
    EXPECT_LE(g_menuTicks, 20);
    EXPECT_EQ((double)kZoomPresets[2], doc->zoom);
}

// --- colour panel --------------------------------------------------------

namespace {

HWND PaletteCell(int index) { return GetDlgItem(ColourPanelGrid(ColourPickerPage()), index); }

// Sends a button press to the picker page at the centre of one of its controls,
// with the mouse script given (null: the real, released, buttons).
void PressOnPicker(int id, UINT msg, const MouseSample* samples, int count, int xFromRight = -1) {
    HWND page = ColourPickerPage();
    HWND control = GetDlgItem(page, id);
    RECT rc;
    GetClientRect(control, &rc);
    POINT pt = {xFromRight >= 0 ? rc.right - 1 - xFromRight : rc.right / 2, rc.bottom / 2};
    ClientToScreen(control, &pt);
    std::vector<MouseSample> script(samples, samples + count);
    for (MouseSample& s : script) s.x = pt.x, s.y = pt.y;
    InjectMouseSamples(script.data(), (int)script.size());
    SendMessageA(page, msg, 0, ClientPoint(page, pt));
    InjectMouseSamples(nullptr, 0);
}

void ExpectPickerFieldsFollow() {
    HWND page = ColourPickerPage();
    struct { int id; int value; } fields[] = {
        {400, ToDisplay(PenColour.red)},   {402, ToDisplay(PenColour.green)},
        {404, ToDisplay(PenColour.blue)},  {406, PenColour.hsvHue},
        {408, ToDisplay(PenColour.hsvSaturation)}, {410, ToDisplay(PenColour.hsvValue)},
    };
    for (auto f : fields) EXPECT_EQ(std::to_string(f.value), Text(page, f.id)) << f.id;
}

}  // namespace

TEST(ColourPanel, PaletteClickMakesTheColourCurrentAndRightClickStores) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    Env.numberMode = 1;
    SetPaletteRgb(5, 10, 200, 30);
    SendMessageA(PaletteCell(5), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(10, PenColour.red);
    EXPECT_EQ(200, PenColour.green);
    EXPECT_EQ(30, PenColour.blue);
    int h, s, v;
    ConvertRgbToHsv(10, 200, 30, &h, &s, &v, 0);
    EXPECT_EQ(h, PenColour.hsvHue);
    EXPECT_EQ(s, PenColour.hsvSaturation);
    EXPECT_EQ(v, PenColour.hsvValue);
    EXPECT_EQ("4", Text(ColourPickerPage(), 400));   // percent display
    ExpectPickerFieldsFollow();

    SetPenColourRgb(1, 2, 3);
    SendMessageA(PaletteCell(9), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    int r, g, b;
    GetPaletteRgb(9, &r, &g, &b);
    EXPECT_EQ(1, r);
    EXPECT_EQ(2, g);
    EXPECT_EQ(3, b);
    GetPaletteRgb(5, &r, &g, &b);
    EXPECT_EQ(10, r);   // the other cells keep theirs
}

TEST(ColourPanel, GaugeFieldAndTypedValues) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    Env.numberMode = 0;
    HWND page = ColourPickerPage();

    // A right click at the far right of the red gauge raises red by exactly 1.
    PenColourGaugeModel = 0;
    SetPenColourRgb(100, 0, 0);
    MouseSample right[] = {{0, 0, kSampleRight}, {0, 0, 0}};
    PressOnPicker(110, WM_RBUTTONDOWN, right, 2, 0);
    EXPECT_EQ(101, PenColour.red);
    EXPECT_EQ("101", Text(page, 400));

    // A left drag on the HSV gauge model's first gauge sets the hue.
    PenColourGaugeModel = 2;
    SetPenColourRgb(255, 0, 0);
    MouseSample left[] = {{0, 0, kSampleLeft}, {0, 0, 0}};
    PressOnPicker(110, WM_LBUTTONDOWN, left, 2, 0);
    EXPECT_EQ(359, PenColour.hsvHue);
    PenColourGaugeModel = 0;

    // Dragging in the field while the value is 0 sets it to 255.
    SetPenColourRgb(0, 0, 0);
    PressOnPicker(101, WM_LBUTTONDOWN, left, 2);
    EXPECT_EQ(255, PenColour.hsvValue);
    EXPECT_GT(PenColour.hsvSaturation, 0);
    ExpectPickerFieldsFollow();

    // Typed values are clamped; the other model follows.
    SetDlgItemTextA(page, 406, "400");
    EXPECT_EQ(359, PenColour.hsvHue);
    SetDlgItemTextA(page, 400, "300");
    EXPECT_EQ(255, PenColour.red);
    SetDlgItemTextA(page, 402, "");
    EXPECT_EQ(0, PenColour.green);
    EXPECT_EQ(std::to_string(PenColour.hsvSaturation), Text(page, 408));
    // The spin control steps a field.
    SetDlgItemTextA(page, 404, "10");
    SendMessageA(page, WM_VSCROLL, SB_LINEUP, (LPARAM)GetDlgItem(page, 405));
    EXPECT_EQ(11, PenColour.blue);
}

TEST(ColourPanel, SwatchClickShowsTheColour) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    Env.numberMode = 1;
    SetPenColourRgb(255, 128, 0);
    BoxAnswers answers;
    AnswerBoxes(&answers);
    PressOnPicker(300, WM_LBUTTONDOWN, nullptr, 0);
    AnswerBoxes(nullptr);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("選択色\r\nFF8000\r\nR:100 G:050 B:000", answers.texts[0]);
}

TEST(ColourPanel, PaletteEntriesReachPalEnvThroughTheSettings) {
    TempDir dir("pal");
    ASSERT_TRUE(StartFrame(dir.Path()));
    SetPaletteRgb(3, 11, 22, 33);
    SetPaletteRgb(55, 44, 55, 66);
    ASSERT_TRUE(CloseFrame());
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("palette\\pal.env"), &bytes));
    ASSERT_EQ((size_t)kPaletteFileSize, bytes.size());
    int rgb[3];
    std::memcpy(rgb, bytes.data() + 3 * 48, sizeof rgb);
    EXPECT_EQ(22, rgb[1]);
    std::memcpy(rgb, bytes.data() + 55 * 48, sizeof rgb);
    EXPECT_EQ(66, rgb[2]);

    // A short palette file leaves the block as it was; the whole file is read back.
    std::memset(PaletteBlock, 0, sizeof PaletteBlock);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("palette\\pal.env"), bytes.data(), 100));
    LoadEnvBlock(dir.Path().c_str());
    int r, g, b;
    GetPaletteRgb(3, &r, &g, &b);
    EXPECT_EQ(0, r);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("palette\\pal.env"), bytes.data(), bytes.size()));
    LoadEnvBlock(dir.Path().c_str());
    GetPaletteRgb(3, &r, &g, &b);
    EXPECT_EQ(11, r);
}

// --- colour chooser ------------------------------------------------------

namespace {

// The hook runs `act` on the open chooser once, then presses `press`.
struct ChooserScript {
    std::function<void(HWND)> act;
    int press = IDOK;
};

int RunChooserScript(const ModalRequest& request, void* user) {
    auto* script = (ChooserScript*)user;
    if (std::strcmp(request.templ, "colorseldlg") != 0) return IDOK;
    if (script->act) script->act(request.dialog);
    return script->press;
}

// A cell of the pocket pressed with the mouse script's button.
void PressPocket(HWND dlg, int cell, bool right) {
    HWND control = GetDlgItem(dlg, IDC_CSEL_POCKET_FIRST + cell);
    RECT rc;
    GetWindowRect(control, &rc);
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    MouseSample samples[] = {{pt.x, pt.y, right ? kSampleRight : kSampleLeft}, {pt.x, pt.y, 0}};
    InjectMouseSamples(samples, 2);
    SendMessageA(dlg, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, 0, ClientPoint(dlg, pt));
    InjectMouseSamples(nullptr, 0);
}

}  // namespace

TEST(ColourChooser, FieldsFollowEachOtherAndAreClampedAfterTheTimer) {
    TempDir dir("csel");
    SetProgramFolder(dir.Path().c_str());
    EnsureClasses();
    std::vector<std::string> seen;
    ChooserScript script;
    script.press = IDCANCEL;
    int mode = 1;
    script.act = [&](HWND dlg) {
        for (int id = IDC_CSEL_HSV_FIRST; id <= IDC_CSEL_RGB_FIRST + 2; ++id) seen.push_back(Text(dlg, id));
        if (mode != 0) return;
        SetDlgItemTextA(dlg, IDC_CSEL_RGB_FIRST, "300");
        seen.push_back(std::to_string(ChooserState.r));
        seen.push_back(Text(dlg, IDC_CSEL_RGB_FIRST));
        SetDlgItemTextA(dlg, IDC_CSEL_RGB_FIRST + 1, "");
        seen.push_back(Text(dlg, IDC_CSEL_HSV_FIRST + 1));
        Pump(700);   // the normalisation timer fires
        seen.push_back(Text(dlg, IDC_CSEL_RGB_FIRST));
        seen.push_back(Text(dlg, IDC_CSEL_RGB_FIRST + 1));
    };
    SetModalAnswerHook(RunChooserScript, &script);
    int r = 255, g = 0, b = 0;
    Env.numberMode = 1;
    EXPECT_EQ(1, ChooseColour(nullptr, &r, &g, &b, "caption"));
    std::vector<std::string> percent = {"0", "100", "100", "100", "0", "0"};
    EXPECT_EQ(percent, seen);

    seen.clear();
    mode = 0;
    Env.numberMode = 0;
    r = 255, g = 40, b = 0;
    ChooseColour(nullptr, &r, &g, &b, "caption");
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_EQ(11u, seen.size());
    EXPECT_EQ("9", seen[0]);         // H of (255, 40, 0)
    EXPECT_EQ("255", seen[6]);       // R at once
    EXPECT_EQ("300", seen[7]);       // the field keeps the typed text ...
    EXPECT_EQ("255", seen[8]);       // S follows the emptied green
    EXPECT_EQ("255", seen[9]);       // ... until the timer rewrites it
    EXPECT_EQ("0", seen[10]);
    EXPECT_EQ(40, g);                // cancelled: nothing written back
    EXPECT_EQ(-1, testsupport::FileSize(dir.File("coldlg.dat")));
}

TEST(ColourChooser, PocketAndStoredColoursFile) {
    TempDir dir("csel");
    SetProgramFolder(dir.Path().c_str());
    EnsureClasses();
    std::memset(StoredColours, 0, sizeof StoredColours);
    ChooserScript script;
    script.act = [&](HWND dlg) { PressPocket(dlg, 7, true); };

    // A right click stores the colour in the cell; Cancel writes nothing.
    script.press = IDCANCEL;
    SetModalAnswerHook(RunChooserScript, &script);
    int r = 1, g = 2, b = 3;
    ChooseColour(nullptr, &r, &g, &b, "x");
    EXPECT_EQ(-1, testsupport::FileSize(dir.File("coldlg.dat")));

    // With OK the file is 120 bytes with the cell in it.
    script.press = IDOK;
    ChooseColour(nullptr, &r, &g, &b, "x");
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("coldlg.dat"), &bytes));
    ASSERT_EQ(120u, bytes.size());
    EXPECT_EQ(std::string("\x01\x02\x03\x00", 4), bytes.substr(7 * 4, 4));

    // A left click on a stored cell makes it the chosen colour.
    StoredColours[4] = RGB(9, 8, 7);
    SaveStoredColours();
    script.act = [&](HWND dlg) { PressPocket(dlg, 4, false); };
    ChooseColour(nullptr, &r, &g, &b, "x");
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(9, r);
    EXPECT_EQ(8, g);
    EXPECT_EQ(7, b);

    // Short or garbled files leave the store as it is.
    uint32_t before[kStoredColourCount];
    std::memcpy(before, StoredColours, sizeof before);
    struct Case { std::string content; } cases[] = {
        {std::string(40, '\x05')},
        {std::string(120, '\x05')},   // byte 3 of every entry set: not colours
        {std::string(121, '\0')},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("coldlg.dat"), c.content.data(), c.content.size()));
        LoadStoredColours();
        EXPECT_EQ(0, std::memcmp(before, StoredColours, sizeof before)) << c.content.size();
    }
}

// --- small dialogs -------------------------------------------------------

namespace {

struct StripScript {
    bool release;
    int target;          // icon to end over, -1 outside the strip
    bool escape;         // Esc is pressed instead
};

int RunStrip(const ModalRequest& request, void* user) {
    auto* s = (StripScript*)user;
    if (request.attempt > 0) return kModalAskAgain;
    if (s->escape) {
        // Through the dialog's own modal loop, as a key press comes.
        PostMessageA(request.dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        return kModalAskAgain;
    }
    POINT pt = {5, 5};
    if (s->target >= 0) {
        RECT rc;
        GetWindowRect(GetDlgItem(request.dialog, s->target), &rc);
        pt = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    // Release mode: the button is held and released over the target; released
    // outside the strip, a later press outside ends it. Otherwise some idle
    // polls, then a press.
    static MouseSample samples[12];
    int n = 0;
    if (s->release) {
        for (int i = 0; i < 6; ++i) samples[n++] = MouseSample{pt.x, pt.y, kSampleLeft};
        for (int i = 0; i < 2; ++i) samples[n++] = MouseSample{pt.x, pt.y, 0};
        if (s->target < 0)
            for (int i = 0; i < 4; ++i) samples[n++] = MouseSample{pt.x, pt.y, kSampleLeft};
    } else {
        for (int i = 0; i < 6; ++i) samples[n++] = MouseSample{pt.x, pt.y, 0};
        for (int i = 0; i < 2; ++i) samples[n++] = MouseSample{pt.x, pt.y, kSampleLeft};
    }
    InjectMouseSamples(samples, n);
    Pump(300);
    return kModalAskAgain;
}

}  // namespace

TEST(FrameDialogs, IconStripChoosesOnReleaseOrPressAndClosesWithoutAChoice) {
    EnsureClasses();
    static const int ids[4] = {20015, 20019, 20020, 20025};
    struct Case { bool release; int target; bool escape; int chosen; } cases[] = {
        {true, 2, false, 2}, {true, 1, false, 1}, {false, 3, false, 3}, {false, -1, false, -1},
        // a long press released away from the strip, then a click elsewhere
        {true, -1, false, -1},
        // Esc, in either mode
        {false, -1, true, -1}, {true, -1, true, -1},
    };
    for (auto c : cases) {
        StripScript script = {c.release, c.target, c.escape};
        SetModalAnswerHook(RunStrip, &script);
        EXPECT_EQ(c.chosen, ShowIconSelectDialog(nullptr, 300, 300, ids, 4, 0, c.release ? 1 : 0))
            << c.release << " " << c.target << " " << c.escape;
        InjectMouseSamples(nullptr, 0);
    }
    SetModalAnswerHook(nullptr, nullptr);
}

TEST(FrameDialogs, CameraInputOnAMappedDrive) {
    // Drive R: is mapped by the test run to a folder holding DCIM\100CAMERA.
    std::string folder = "R:\\dcim";
    if (IsDirectory(folder.c_str()) != 1) GTEST_SKIP() << "no card in drive R:";
    char folders[26][8];
    int n = ListCameraFolders(folders, 26);
    std::vector<std::string> found(folders, folders + n);
    EXPECT_NE(found.end(), std::find(found.begin(), found.end(), folder));

    struct Pick { std::string folder; std::vector<std::string> names; } pick{folder, {}};
    SetModalAnswerHook(
        [](const ModalRequest& request, void* user) -> int {
            auto* p = (Pick*)user;
            p->names.clear();
            HWND sources = GetDlgItem(request.dialog, IDC_CAMERA_SOURCE);
            int i = (int)SendMessageA(sources, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)p->folder.c_str());
            if (i < 0) return IDCANCEL;
            SendMessageA(sources, LB_SETCURSEL, i, 0);
            SendMessageA(request.dialog, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_SOURCE, LBN_SELCHANGE), (LPARAM)sources);
            HWND names = GetDlgItem(request.dialog, IDC_CAMERA_NAME);
            for (int k = 0; k < (int)SendMessageA(names, LB_GETCOUNT, 0, 0); ++k) {
                char text[256] = {};
                SendMessageA(names, LB_GETTEXT, k, (LPARAM)text);
                p->names.push_back(text);
            }
            return IDOK;
        },
        &pick);
    char source[MAX_PATH] = {}, name[256] = {};
    int ok = ShowCameraInputDialog(nullptr, source, sizeof source, name, sizeof name);
    // A buffer too small for the answer refuses it instead of cutting it.
    char tiny[8] = "keep";
    int refused = ShowCameraInputDialog(nullptr, tiny, sizeof tiny, name, sizeof name);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(1, ok);
    EXPECT_EQ(std::vector<std::string>{"100CAMERA"}, pick.names);
    EXPECT_EQ(folder + "\\100CAMERA", std::string(source));
    EXPECT_EQ(0, refused);
    EXPECT_STREQ("keep", tiny);
}

// --- the whole frame on the screen ----------------------------------------

namespace {

COLORREF PixelOf(HWND wnd, int x, int y) {
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// Writes the frame as it is on the screen to a 24-bit .bmp beside the test.
void SaveFrameShot(HWND frame, const std::string& path) {
    RECT rc;
    GetWindowRect(frame, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, shot);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    DWORD stride = ((DWORD)w * 3 + 3) & ~3u, size = stride * h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    std::string file((const char*)&fh, sizeof fh);
    file.append((const char*)&bi.bmiHeader, sizeof bi.bmiHeader);
    file.append((const char*)bits, size);
    testsupport::WriteFileBytes(path, file.data(), file.size());
    SelectObject(mem, old);
    DeleteObject(shot);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

}  // namespace

TEST(FrameOnScreen, BarsPanelsAndProgressByPixelProbes) {
    TempDir dir("shot");
    // Settings of a frame with every bar and the control panel shown.
    EnvBlock env = {};
    env.frameSize = PackWords(1200, 900);
    env.statusBarShown = env.mainBarShown = env.ctrlPanelShown = 1;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("env_.env"), &env, sizeof env));
    ASSERT_TRUE(StartFrame(dir.Path(), {}, SW_SHOWNORMAL));
    Pump(300);
    HWND frame = AppWindows.frame;
    ASSERT_TRUE(IsWindowVisible(AppWindows.ctrlPanel));
    SetPaletteRgb(0, 200, 30, 60);
    SendMessageA(PaletteCell(0), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(frame, WM_USER, 3, 40);
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(300);

    // Main bar: the open button's frame colour; the save button (no canvas) faded.
    COLORREF open = PixelOf(GetDlgItem(AppWindows.mainToolBar, 1), 0, 30);
    COLORREF save = PixelOf(GetDlgItem(AppWindows.mainToolBar, 3), 0, 30);
    EXPECT_LT(Brightness(open), 3 * 170);
    EXPECT_GT(Brightness(save), Brightness(open) + 150);
    // The pen option bar's swatch and the picker's swatch show the pen colour.
    HWND swatch = GetDlgItem(AppWindows.penOptionBar, kBarSwatch);
    EXPECT_EQ(RGB(200, 30, 60), PixelOf(swatch, 10, 10));
    EXPECT_EQ(RGB(200, 30, 60), PixelOf(GetDlgItem(ColourPickerPage(), 300), 8, 30));
    // The palette cell painted with its entry.
    EXPECT_EQ(RGB(200, 30, 60), PixelOf(PaletteCell(0), 4, 4));
    // The current page's tab is the blue one.
    COLORREF tab = PixelOf(GetDlgItem(AppWindows.penOptionBar, kBarTabFirst), 3, 3);
    EXPECT_GT(GetBValue(tab), GetRValue(tab) + 60);
    // Progress: 40 percent is a bar of 120 pixels, white after it.
    RECT bar = StatusProgressRect();
    COLORREF inBar = PixelOf(AppWindows.statusBar, bar.left + 60, 14);
    COLORREF after = PixelOf(AppWindows.statusBar, bar.left + 150, 14);
    EXPECT_NE(RGB(255, 255, 255), inBar);
    EXPECT_EQ(RGB(255, 255, 255), after);
    // The colour panel's title strip, gauge labels and page in their colours.
    EXPECT_GT(GetBValue(PixelOf(GetDlgItem(AppWindows.colourPanel, 888), 3, 3)), 200);
    EXPECT_EQ(PanelColour, PixelOf(GetDlgItem(ColourPickerPage(), 120), 12, 15));
    EXPECT_EQ(PanelColour, PixelOf(ColourPickerPage(), 100, 145));

    // A tip over the open button, for the picture.
    FrameState.appActive = 1;
    HWND openButton = GetDlgItem(AppWindows.mainToolBar, 1);
    SendMessageA(openButton, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    SendMessageA(openButton, WM_TIMER, (WPARAM)TipState.timerId, 0);
    Pump(200);
    RECT tipRect;
    GetClientRect(TipState.tip, &tipRect);
    EXPECT_EQ(RGB(0, 0, 0), PixelOf(TipState.tip, tipRect.right - 3, tipRect.bottom - 3));   // its shadow
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(TipState.tip, 1, tipRect.bottom - 9));             // the panel
    SaveFrameShot(frame, testsupport::ExeFolder() + "instruments_frame.bmp");
    EndTip();
    SendMessageA(frame, WM_USER, 0, 0);
    EXPECT_TRUE(EndFrame());
}

namespace {

// What the status bar showed after each progress message reached it.
struct ProgressSeen {
    std::vector<int> percents;
    int paintedBars = 0;   // of those above 10 percent, the ones with a coloured bar
};
ProgressSeen* g_progressSeen = nullptr;

LRESULT CALLBACK StatusProgressHook(int code, WPARAM wp, LPARAM lp) {
    const CWPRETSTRUCT* m = (const CWPRETSTRUCT*)lp;
    if (code == HC_ACTION && g_progressSeen && m->hwnd == AppWindows.statusBar && m->message == WM_USER &&
        m->wParam == 3) {
        g_progressSeen->percents.push_back(StatusBarState.percent);
        if (StatusBarState.percent > 10) {
            RECT bar = StatusProgressRect();
            if (PixelOf(AppWindows.statusBar, bar.left + 20, 14) != RGB(255, 255, 255)) ++g_progressSeen->paintedBars;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

// A duplicate of a large canvas at another size shows its progress on the
// status bar while the planes are resampled, and the bar is empty afterwards.
TEST(FrameOnScreen, ResizingALargeCanvasShowsItsProgress) {
    FrameRun run(SW_SHOWNORMAL);
    ASSERT_TRUE(run.ok);
    Pump(200);
    HWND source = CreateBlankCanvas(2000, 1500);
    ASSERT_TRUE(source);
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = 3000, .height = 2250, .depth = 24, .planeCount = 1};
    NewCanvasRequest.origin = CanvOriginResized;
    NewCanvasRequest.source = GetCanvDoc(source);
    NewCanvasRequest.resolution = 96;
    ProgressSeen seen;
    g_progressSeen = &seen;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, StatusProgressHook, nullptr, GetCurrentThreadId());
    HWND copy = CreateCanvasWindow();
    UnhookWindowsHookEx(hook);
    g_progressSeen = nullptr;
    ASSERT_TRUE(copy);
    ASSERT_GT(seen.percents.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.percents.begin(), seen.percents.end()));
    EXPECT_GE(seen.percents.back(), 90);
    EXPECT_GT(seen.paintedBars, 0);
    EXPECT_EQ(0, StatusBarState.percent);
    // The copy is a changed document: closed without its save question.
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)copy, 0);
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)source, 0);
}
