// The pen option panel: the pen list's layout and labels, tabs and the
// line-width page, choosing a pen, the remembered rectangle.
#include <gtest/gtest.h>

#include <cstring>

#include "image/dib_image.h"
#include "paint/pen_panel.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    return r;
}

struct Panel {
    HWND host = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 600, 800, nullptr, nullptr, nullptr, nullptr);
    HWND wnd = CreatePenOptionPanel(host);
    Panel(int width, int height) { MoveWindow(wnd, 0, 0, width, height, TRUE); }
    ~Panel() { DestroyWindow(host); }
    HWND List() { return GetDlgItem(wnd, 100); }
    HWND Page() { return GetDlgItem(wnd, 101); }
};
}  // namespace

TEST(PenList, LayoutTable) {
    struct Case {
        int width, height, scroll;
        int columns, rows, visible, clamped;
    } cases[] = {
        {100, 720, 0, 2, 15, 15, 0},    // two cells a row
        {100, 96, 99, 2, 15, 2, 13},    // scrolled to the bottom
        {480, 96, 13, 10, 3, 2, 1},     // widened: no empty rows show
        {20, 48, -4, 1, 30, 1, 0},      // narrower than a cell: one column
    };
    for (const Case& c : cases) {
        PenListLayout l = ComputePenListLayout(c.width, c.height, c.scroll);
        EXPECT_EQ(c.columns, l.columns);
        EXPECT_EQ(c.rows, l.rows);
        EXPECT_EQ(c.visible, l.visibleRows);
        EXPECT_EQ(c.clamped, l.scroll);
    }
}

TEST(PenList, CellLabels) {
    struct Case {
        double w, h;
        const char* label;
    } cases[] = {{40, 10, "81 x 21"}, {28, 28, ""}, {10, 29, "21 x 59"}, {127, 127, "255 x 255"}};
    for (const Case& c : cases) {
        PenRecords[9] = PenRecord{.halfWidth = c.w, .halfHeight = c.h, .tipKind = 0};
        char text[32];
        PenCellLabel(9, text, sizeof text);
        EXPECT_STREQ(c.label, text);
    }
}

TEST(PenPanel, CellsTabsAndTheLineWidthPage) {
    // Two columns: the list's client is the panel's width less its scroll bar.
    int width = 96 + GetSystemMetrics(SM_CXVSCROLL) + 8;
    Panel p(width, 48 + 480);
    HWND list = p.List();
    RECT cell3 = ChildRect(list, GetDlgItem(list, 3));
    EXPECT_EQ(48 + 5, cell3.left);   // column 1, row 1
    EXPECT_EQ(48 + 4, cell3.top);
    RECT page = ChildRect(p.wnd, p.Page());
    EXPECT_EQ(0, page.right - page.left);   // hidden under the list

    // A line tool: the page replaces the list; the pen tool brings it back.
    SendMessageA(p.wnd, kPenPanelSubMode, 1, 0);
    page = ChildRect(p.wnd, p.Page());
    EXPECT_EQ(width, page.right - page.left);
    EXPECT_EQ(48, page.top);
    RECT lr = ChildRect(p.wnd, list);
    EXPECT_EQ(0, lr.right - lr.left);
    SendMessageA(p.wnd, kPenPanelSubMode, 0, 0);
    lr = ChildRect(p.wnd, list);
    EXPECT_EQ(width, lr.right - lr.left);
    EXPECT_EQ(480, lr.bottom - lr.top);

    // Another tab hides both.
    SendMessageA(p.wnd, WM_COMMAND, 8001, 0);
    EXPECT_EQ(1, PenPanelTab());
    lr = ChildRect(p.wnd, list);
    EXPECT_EQ(0, lr.right - lr.left);
    SendMessageA(p.wnd, WM_COMMAND, 8000, 0);

    // Field 101 clamps to 1..100; the timer writes the width back.
    HWND field = GetDlgItem(p.Page(), 101);
    SetWindowTextA(field, "0");
    EXPECT_EQ(1, PenLineWidth);
    SetWindowTextA(field, "200");
    EXPECT_EQ(100, PenLineWidth);
    PenLineWidth = 7;
    RefreshPenSizeField();
    char text[16];
    GetWindowTextA(field, text, sizeof text);
    EXPECT_STREQ("7", text);
    UpdateWindow(p.wnd);
}

TEST(PenPanel, ClickingACellChoosesThePenAndItsTip) {
    ResetPenState();
    PenRecords[5] = PenRecord{.halfWidth = 6.0, .halfHeight = 3.0, .tipKind = 3};
    Panel p(240, 300);
    UpdateWindow(p.wnd);
    SendMessageA(GetDlgItem(p.List(), 5), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(5, Pen.penRecord);
    EXPECT_EQ(kShapeSolidBox, Pen.tip.tipShape);
    ASSERT_TRUE(Pen.tip.planes[0]);
    EXPECT_EQ(14, Pen.tip.planes[0]->width);
    EXPECT_EQ(8, Pen.tip.planes[0]->height);
}

TEST(PenPanel, RememberedRectangleKeepsNegativeHalves) {
    struct Case {
        int left, top, width, height;
        RECT expect;
    } cases[] = {
        {-50, 10, 200, 300, {-50, 10, 150, 310}},       // left of the screen: kept
        {1200, 2000, 200, 300, {1080, 960, 1280, 1260}},  // pulled in
        {-300, -20, 240, 100, {-300, -20, -60, 80}},
    };
    for (const Case& c : cases) {
        RECT r = UnpackPenPanelRect(PackPenPanelWords(c.left, c.top), PackPenPanelWords(c.width, c.height), 1280,
                                    1024);
        EXPECT_EQ(c.expect.left, r.left);
        EXPECT_EQ(c.expect.top, r.top);
        EXPECT_EQ(c.expect.right, r.right);
        EXPECT_EQ(c.expect.bottom, r.bottom);
    }
    // The panel writes its rectangle back when it goes away.
    {
        Panel p(200, 200);
        SetWindowPos(p.host, nullptr, -40, 30, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    }
    RECT r = UnpackPenPanelRect(PenPanelPos, PenPanelSize, 1280, 1024);
    EXPECT_EQ(-40, r.left);
    EXPECT_EQ(30, r.top);
}
