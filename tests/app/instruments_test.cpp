// The frame's instruments in-process: tool-bar tables and layout, tips, the pen
// option bar, the status bar, the small dialogs, the colour panel and the colour
// chooser.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "app/colourdlg.h"
#include "app/colourpanel.h"
#include "app/commands.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/framedlg.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/statusbar.h"
#include "app/toolbar.h"
#include "app/ui/mousepoll.h"
#include "app/ui/ui_hook.h"
#include "app_test_util.h"
#include "image/pen_colour.h"
#include "test_support.h"
#include "canvas/canv_doc.h"

using namespace apptest;
using testsupport::TempDir;

namespace {

int LeftOf(const RECT& r) { return r.left; }
bool Empty(const RECT& r) { return r.right == r.left && r.bottom == r.top; }

// A frame started hidden in a fresh folder, ended at the end of the scope.
struct FrameRun {
    TempDir dir{"instr"};
    bool ok = false;
    explicit FrameRun(int show = SW_HIDE) { ok = StartFrame(dir.Path(), {}, show); }
    ~FrameRun() {
        SetModalAnswerHook(nullptr, nullptr);
        InjectMouseSamples(nullptr, 0);
        if (ok && !EndFrame()) ForceEnd();
    }
};

// An MDI child standing for an open canvas, so that the tools can be selected.
HWND OpenStandInCanvas() {
    // A blank 200 x 200 document, as the new-canvas command asks for one.
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = 200, .height = 200, .x = 0, .y = 0, .depth = 24, .planeCount = 1};
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.source = nullptr;
    NewCanvasRequest.resolution = 96;
    HWND child = CreateMDIWindowA("CanvClass", "c", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, AppWindows.mdiClient,
                                  AppInstance, 0);
    if (child) SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)child, 0);
    return child;
}

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
    EXPECT_TRUE(AppWindows.title);   // the title window is up at start
}

TEST(FrameInstruments, PageSwitchSelectsTheFirstToolOfThePage) {
    FrameRun run;
    ASSERT_TRUE(run.ok);
    ASSERT_TRUE(OpenStandInCanvas());
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
    Env.mainBarShown = 1;
    FrameRelayout();
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
    EXPECT_TRUE(IsWindowVisible(TipState.tip));
    EXPECT_EQ(-1, TipState.timerId);
    // Still over the button: nothing changes.
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(TipState.shown);
    // Leaving it ends the tip and the hover.
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(-30, 10));
    EXPECT_FALSE(TipState.shown);
    EXPECT_EQ(nullptr, TipState.capture);
    EXPECT_EQ(-1, MainBarHovered);
    EXPECT_FALSE(IsWindowVisible(TipState.tip));

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
    HWND canvas = OpenStandInCanvas();
    ASSERT_TRUE(canvas);
    // A click on the coordinate box shows them from the next move on.
    SendMessageA(AppWindows.statusBar, WM_COMMAND, MAKEWPARAM(kStatusCoordsItem, BN_CLICKED), 0);
    EXPECT_EQ(1, Env.statusCoords);
    EXPECT_STREQ("100 %", StatusBarState.zoom);
    StatusBarSetPos(11, 20);
    EXPECT_STREQ("x=  11, y=  20", StatusBarState.coords);
    SendMessageA(AppWindows.statusBar, WM_COMMAND, MAKEWPARAM(kStatusCoordsItem, BN_CLICKED), 0);
    EXPECT_EQ(0, Env.statusCoords);
    EXPECT_STREQ("[座標]", StatusBarState.coords);
}
