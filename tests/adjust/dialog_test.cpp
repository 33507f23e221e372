// The effects dialog on a document: preview, Apply and Revert on pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/effects.h"
#include "adjust/tone_curve.h"
#include "adjust/filter_host.h"
#include "adjust/adjust_gauge.h"
#include "adjust/level_dialog.h"
#include "adjust/rotate_dialog.h"
#include "canvas/canv_host.h"
#include "canvas_fixture.h"
#include "dialog_driving.h"
#include "test_support.h"
#include "window_shot.h"
#include "ui/ui_hook.h"

#include <commctrl.h>

using namespace canvtest;
using namespace adjusttest;

namespace {

struct Script {
    CanvDoc* doc;
    std::vector<uint32_t> before;
    bool changedAfterApply = false;
    int countAfterApply = -1;
    bool previewMade = false;
};

// Pictures of the dialogs for review, in the folder ADJUST_SHOT_DIR names. A
// shown dialog costs about two seconds to close under Wine, so they come only
// when asked; the frame's image-menu test keeps pictures of the tone-curve,
// colour-correction and effects dialogs as the program shows them.
void Shoot(HWND dialog, const char* name) {
    const char* env = std::getenv("ADJUST_SHOT_DIR");
    if (!env) return;
    const std::string dir = env;
    CreateDirectoryA(dir.c_str(), nullptr);
    ShowWindow(dialog, SW_SHOW);
    adjusttest::WaitForPreviews();
    EXPECT_TRUE(testsupport::ShootWindow(dialog, dir + "\\" + name)) << name;
}

// A press on the gauge where the value lies, then the release there.
void DragGaugeTo(HWND gauge, int value, int low, int high) {
    RECT rc;
    GetClientRect(gauge, &rc);
    const int x = ((value - low) * (rc.right - 1) + (high - low - 1)) / (high - low);
    SendMessageA(gauge, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 4));
    SendMessageA(gauge, WM_LBUTTONUP, 0, MAKELPARAM(x, 4));
}

int Drive(const ModalRequest& request, void* user) {
    Script* s = (Script*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_efct") != 0) return IDOK;
    switch (request.attempt) {
    case 0:
        s->previewMade = c_FilterHost::HasWork();
        Shoot(request.dialog, "effects.png");
        return EffectIdApply;
    case 1:
        s->countAfterApply = EffectApplyCount();
        s->changedAfterApply = Snapshot(s->doc) != s->before;
        return EffectIdRevert;
    default:
        return IDOK;
    }
}

}  // namespace

TEST(EffectDialog, PreviewApplyAndRevert) {
    const std::string dist = testsupport::ExeFolder() + "..\\dist\\";
    CanvasHost saved = GetCanvasHost();
    CanvasHost host = saved;
    host.programFolder = dist.c_str();
    SetCanvasHost(host);
    DocHolder doc(MakeDoc({Layer(200, 150)}));
    ASSERT_TRUE(doc.doc);
    VmsImage* plane = doc->planes[0].image;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            SetPixel(plane, x, y, (uint32_t)(x * 255 / 199) | (uint32_t)(y * 255 / 149) << 8 | (uint32_t)((x ^ y) & 255) << 16);
    Script script{doc.doc, Snapshot(doc.doc)};
    SetModalAnswerHook(Drive, &script);
    EXPECT_EQ(OpenEffectDialog(nullptr, doc.doc), 1);
    SetModalAnswerHook(nullptr, nullptr);
    SetCanvasHost(saved);
    EXPECT_TRUE(script.previewMade);
    EXPECT_EQ(script.countAfterApply, 1);
    EXPECT_TRUE(script.changedAfterApply);
    EXPECT_EQ(EffectApplyCount(), 0);
    EXPECT_EQ(Snapshot(doc.doc), script.before);
}

namespace {

struct FailedApplyRun {
    CanvDoc* doc;
    std::vector<uint32_t> afterApply;
    int dllErrors = 0;
};

void ChooseEffect(HWND dlg, int index) {
    HWND list = PanelItem(dlg, EffectIdList);
    SendMessageA(list, CB_SETCURSEL, index, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(EffectIdList, CBN_SELCHANGE), (LPARAM)list);
}

// Blur applied, then an effect whose DLL is missing applied, then two reverts.
int DriveFailedApply(const ModalRequest& request, void* user) {
    FailedApplyRun* r = (FailedApplyRun*)user;
    if (request.kind >= 0) {
        if (request.text && std::strcmp(request.text, "DLL ERROR") == 0) ++r->dllErrors;
        return IDOK;
    }
    if (!request.templ || std::strcmp(request.templ, "psv_efct") != 0) return IDOK;
    switch (request.attempt) {
    case 0:
        ChooseEffect(request.dialog, 0);
        return EffectIdApply;
    case 1:
        r->afterApply = Snapshot(r->doc);
        ChooseEffect(request.dialog, 1);
        return EffectIdApply;
    case 2:
    case 3:
        return EffectIdRevert;
    default:
        return IDOK;
    }
}

}  // namespace

// An application that fails ("DLL ERROR") still counts as one step for
// Revert: two reverts after a good and a failed apply give back the layer
// the dialog opened on.
TEST(EffectDialog, RevertsAfterAFailedApplyReachTheOpeningLayer) {
    testsupport::TempDir dir("fxfail");
    CreateDirectoryA(dir.File("filter").c_str(), nullptr);
    const std::string dist = testsupport::ExeFolder() + "..\\dist\\filter\\";
    ASSERT_TRUE(CopyFileA((dist + EffectTable[0].dll).c_str(), dir.File(std::string("filter\\") + EffectTable[0].dll).c_str(),
                          FALSE));
    FolderHost folder(dir.Path());
    DocHolder doc(MakeDoc({Layer(64, 48)}));
    ASSERT_TRUE(doc.doc);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) SetPixel(doc->planes[0].image, x, y, (x * 8 & 255) | ((x ^ y) * 16 & 255) << 8);
    const std::vector<uint32_t> opening = Snapshot(doc.doc);
    FailedApplyRun run{doc.doc};
    SetModalAnswerHook(DriveFailedApply, &run);
    OpenEffectDialog(nullptr, doc.doc);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_NE(run.afterApply, opening);
    EXPECT_GE(run.dllErrors, 1);
    EXPECT_EQ(Snapshot(doc.doc), opening);
}

namespace {

struct CurveScript {
    CanvDoc* doc;
    std::vector<uint32_t> before, afterFirst;
    bool secondSame = false;
};

int DriveCurve(const ModalRequest& request, void* user) {
    CurveScript* s = (CurveScript*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_curve") != 0) return IDOK;
    switch (request.attempt) {
    case 0:
        // An inverting straight curve through three points.
        SendMessageA(PanelItem(request.dialog, CurveIdCount), CB_SETCURSEL, 0, 0);
        SendMessageA(request.dialog, WM_COMMAND, MAKEWPARAM(CurveIdCount, CBN_SELCHANGE), 0);
        ToneCurve.connection = 1;
        ToneCurve.points[0][1] = 255;
        ToneCurve.points[1][1] = 128;
        ToneCurve.points[2][1] = 0;
        BuildCurveTable(&ToneCurve);
        ToneCurve.changed = 1;
        Tick(request.dialog);
        Shoot(request.dialog, "curve_straight.png");
        return CurveIdApply;
    case 1:
        s->afterFirst = Snapshot(s->doc);
        return CurveIdApply;
    case 2:
        s->secondSame = Snapshot(s->doc) == s->afterFirst;
        return CurveIdRevert;
    default:
        return IDOK;
    }
}

}  // namespace

TEST(ToneCurveDialog, ApplyDoesNotCompoundAndRevertSteps) {
    DocHolder doc(MakeDoc({Layer(120, 90)}));
    ASSERT_TRUE(doc.doc);
    VmsImage* plane = doc->planes[0].image;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) SetPixel(plane, x, y, (uint32_t)(x * 2) | (uint32_t)(y * 2) << 8 | 0x400000u);
    CurveScript script{doc.doc, Snapshot(doc.doc)};
    SetModalAnswerHook(DriveCurve, &script);
    EXPECT_EQ(OpenToneCurveDialog(nullptr, doc.doc), 1);
    SetModalAnswerHook(nullptr, nullptr);
    // The straight join truncates toward zero: 20 -> 236, 40 -> 216, 64 -> 192.
    EXPECT_EQ(Pixel(plane, 10, 20) & 0xFFFFFF, 236u | 216u << 8 | 192u << 16);
    EXPECT_TRUE(script.secondSame);
    EXPECT_EQ(CurveApplyCount(), 1);
}

namespace {

struct GraphSeen {
    int bezierGrey = -1, straightGrey = -1;     // light grey pixels of the graph
    COLORREF outputTop = 0, outputBottom = 0, inputLeft = 0, inputRight = 0, resultLeft = 0;
};

int CountColour(HWND wnd, COLORREF colour) {
    RECT rc;
    GetClientRect(wnd, &rc);
    HDC dc = GetDC(wnd);
    int n = 0;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x) n += GetPixel(dc, x, y) == colour;
    ReleaseDC(wnd, dc);
    return n;
}

COLORREF ScreenPixel(HWND wnd, int x, int y) {
    HDC dc = GetDC(wnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

void Connect(HWND dlg, int connection) {
    SendMessageA(PanelItem(dlg, CurveIdConnection), CB_SETCURSEL, connection, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(CurveIdConnection, CBN_SELCHANGE), (LPARAM)PanelItem(dlg, CurveIdConnection));
    UpdateWindow(dlg);
    RedrawWindow(dlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int DriveGraph(const ModalRequest& request, void* user) {
    GraphSeen* g = (GraphSeen*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_curve") != 0) return IDOK;
    if (request.attempt > 0) return IDOK;
    HWND dlg = request.dialog;
    // The graph and the bars are read from the screen.
    ShowWindow(dlg, SW_SHOW);
    // The second point raised: the Bezier curve bends away from its polygon.
    ToneCurve.points[1][1] = 160;
    Connect(dlg, 0);
    Shoot(dlg, "curve.png");
    HWND graph = PanelItem(dlg, CurveIdGraph);
    g->bezierGrey = CountColour(graph, RGB(200, 200, 200));
    HWND output = PanelItem(dlg, CurveIdOutputBar), input = PanelItem(dlg, CurveIdInputBar);
    g->outputTop = ScreenPixel(output, 8, 0);
    g->outputBottom = ScreenPixel(output, 8, 255);
    g->inputLeft = ScreenPixel(input, 0, 7);
    g->inputRight = ScreenPixel(input, 255, 7);
    g->resultLeft = ScreenPixel(PanelItem(dlg, CurveIdResultBar), 64, 7);
    Connect(dlg, 1);
    g->straightGrey = CountColour(graph, RGB(200, 200, 200));
    return IDOK;
}

}  // namespace

// The graph draws the Bezier curve's samples as a light grey line (none for
// straight joins); the bars beside and under it show the channel's values,
// the lower one through the table.
TEST(ToneCurveDialog, GraphShowsTheBezierSamplesAndTheBars) {
    DocHolder doc(MakeDoc({Layer(120, 90)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(doc->planes[0].image, 0x5A96D2u);
    GraphSeen g;
    SetModalAnswerHook(DriveGraph, &g);
    OpenToneCurveDialog(nullptr, doc.doc);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_GT(g.bezierGrey, 100);
    EXPECT_EQ(g.straightGrey, 0);
    EXPECT_EQ(g.outputTop, RGB(255, 255, 255));
    EXPECT_EQ(g.outputBottom, RGB(0, 0, 0));
    EXPECT_EQ(g.inputLeft, RGB(0, 0, 0));
    EXPECT_EQ(g.inputRight, RGB(255, 255, 255));
    // Input 64 comes out raised (the Bezier table over the raised point).
    EXPECT_GT(GetRValue(g.resultLeft), 64);
    EXPECT_EQ(GetRValue(g.resultLeft), GetBValue(g.resultLeft));
}

namespace {

struct PointDrag {
    int point;              // which control point
    int toX, toY;           // graph pixel the cursor ends at
    int x = -1, y = -1;     // where the point ended
    int tableAtX = -1;      // the table's entry there after the release
};

int DrivePointDrag(const ModalRequest& request, void* user) {
    PointDrag* d = (PointDrag*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_curve") != 0) return IDOK;
    if (request.attempt > 0) return IDOK;
    HWND graph = PanelItem(request.dialog, CurveIdGraph);
    ToneCurve.connection = 1;
    BuildCurveTable(&ToneCurve);
    const int px = ToneCurve.points[d->point][0], py = 255 - ToneCurve.points[d->point][1];
    PostMessageA(graph, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((WORD)(short)d->toX, (WORD)(short)d->toY));
    PostMessageA(graph, WM_LBUTTONUP, 0, MAKELPARAM((WORD)(short)d->toX, (WORD)(short)d->toY));
    SendMessageA(graph, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px + 1, py - 2));
    d->x = ToneCurve.points[d->point][0];
    d->y = ToneCurve.points[d->point][1];
    d->tableAtX = ToneCurve.table1[d->x];
    return IDOK;
}

}  // namespace

// A point dragged in the graph stays between its neighbours (the last one
// up to 255); the table is built from the points when it is let go.
TEST(ToneCurveDialog, DraggedPointStaysBetweenItsNeighbours) {
    struct Case {
        int point, toX, toY;
        int x, y;
        int table;      // the table's entry at x (-1: two points share x)
    };
    const Case cases[] = {
        {4, 300, 55, 255, 200, 200},    // the last point: right stops at 255
        {2, 250, 155, 192, 100, -1},    // the middle point: at the next point's x
        {1, 100, 300, 100, 0, 0},       // below the graph: value 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point);
        DocHolder doc(MakeDoc({Layer(40, 30)}));
        ASSERT_TRUE(doc.doc);
        PointDrag d{c.point, c.toX, c.toY};
        SetModalAnswerHook(DrivePointDrag, &d);
        OpenToneCurveDialog(nullptr, doc.doc);
        SetModalAnswerHook(nullptr, nullptr);
        EXPECT_EQ(d.x, c.x);
        EXPECT_EQ(d.y, c.y);
        if (c.table >= 0) {
            EXPECT_EQ(d.tableAtX, c.table);
        }
    }
}

TEST(LevelDialog, UpAndDownSteps) {
    struct Case { LevelKind kind; int level; int up; int expect; };
    for (Case c : {Case{LevelDodge, 38, 1, 40}, Case{LevelDodge, 40, 1, 40}, Case{LevelBurn, 3, 0, 0},
                   Case{LevelBurn, 6, 0, 0}, Case{LevelBurn, 9, 0, 4}, Case{LevelOndo, 13, 1, 16},
                   Case{LevelOndo, 17, 1, 20}, Case{LevelOndo, 20, 1, 20}, Case{LevelOndo, -13, 0, -16},
                   Case{LevelOndo, -18, 0, -20}}) {
        EXPECT_EQ(LevelStep(c.kind, c.level, c.up), c.expect) << c.kind << " " << c.level;
    }
}

namespace {

struct LevelScript {
    CanvDoc* doc;
    std::vector<uint32_t> afterFirst;
    bool secondSame = false;
    bool revertKeepsFirst = false;
};

int DriveLevel(const ModalRequest& request, void* user) {
    LevelScript* s = (LevelScript*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_ooi") != 0) return IDOK;
    switch (request.attempt) {
    case 0:
        SetLevelForTest(request.dialog, 40);
        Tick(request.dialog);
        Shoot(request.dialog, "dodge.png");
        return 19999;
    case 1:
        s->afterFirst = Snapshot(s->doc);
        return 19999;
    case 2:
        s->secondSame = Snapshot(s->doc) == s->afterFirst;
        return 19998;
    case 3:
        s->revertKeepsFirst = Snapshot(s->doc) == s->afterFirst;
        return IDOK;
    default:
        return IDOK;
    }
}

}  // namespace

TEST(LevelDialog, DodgeAppliesFromTheOpeningStateAndReverts) {
    DocHolder doc(MakeDoc({Layer(64, 48)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(doc->planes[0].image, 115u * 0x010101u);
    LevelScript script{doc.doc};
    SetModalAnswerHook(DriveLevel, &script);
    EXPECT_EQ(OpenLevelDialog(nullptr, doc.doc, LevelDodge), 1);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(Pixel(doc->planes[0].image, 5, 5) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_TRUE(script.secondSame);
    EXPECT_TRUE(script.revertKeepsFirst);
    EXPECT_EQ(LevelApplyCount(), 1);
}

namespace {

struct GaugeDrag {
    int target;                 // client x the drag ends at; far outside on purpose
    int pressOn = LevelIdSlider;   // the gauge, or the strip above it
    int value = -99;
    std::string text;
    uint32_t shown = 0;
};

int DriveGauge(const ModalRequest& request, void* user) {
    GaugeDrag* d = (GaugeDrag*)user;
    if (request.attempt > 0 || request.kind >= 0) return IDOK;
    HWND gauge = PanelItem(request.dialog, LevelIdSlider);
    RECT rc;
    GetClientRect(gauge, &rc);
    // 0: the first x that gives the middle value.
    const int target = d->target < 0 ? d->target : d->target == 0 ? ((rc.right - 1) * 20 + 39) / 40 : rc.right + d->target;
    SendMessageA(GetDlgItem(AdjustPanel(request.dialog), d->pressOn), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 3, 4));
    SendMessageA(gauge, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((WORD)(short)target, 4));
    SendMessageA(gauge, WM_LBUTTONUP, 0, MAKELPARAM((WORD)(short)target, 4));
    d->value = GaugeValue(gauge);
    char text[16] = {};
    GetWindowTextA(PanelItem(request.dialog, LevelIdText), text, sizeof text);
    d->text = text;
    Tick(request.dialog);
    const VmsImage* shown = LevelPreviewForTest().shown;
    d->shown = shown ? Pixel(shown, 2, 2) & 0xFFFFFF : 0;
    return IDOK;
}

}  // namespace

// Dragging the level gauge follows the cursor, stops at the gauge's ends,
// shows the level as text and is what the next preview uses.
TEST(LevelDialog, GaugeDragSetsTheLevelWithinItsEnds) {
    struct Case { LevelKind kind; int target; int value; const char* text; uint32_t shown; int pressOn = LevelIdSlider; };
    const uint32_t grey = 120u * 0x010101u, unchecked = 0xFFFFFFFFu;
    for (Case c : {Case{LevelDodge, 60, 40, "+40", 0xFFFFFFu}, Case{LevelDodge, -60, 0, " +0", grey},
                   Case{LevelBurn, 60, 40, "+40", 0}, Case{LevelOndo, -60, -20, "-20", unchecked},
                   Case{LevelOndo, 0, 0, " +0", grey},
                   // The colour temperature's strip starts the same drag.
                   Case{LevelOndo, 60, 20, "+20", unchecked, LevelIdStrip}}) {
        DocHolder doc(MakeDoc({Layer(40, 30)}));
        ASSERT_TRUE(doc.doc);
        FillPlane(doc->planes[0].image, grey);
        GaugeDrag drag{c.target, c.pressOn};
        SetModalAnswerHook(DriveGauge, &drag);
        OpenLevelDialog(nullptr, doc.doc, c.kind);
        SetModalAnswerHook(nullptr, nullptr);
        EXPECT_EQ(drag.value, c.value) << c.kind << " " << c.target;
        EXPECT_EQ(drag.text, c.text) << c.kind << " " << c.target;
        if (c.shown != unchecked) {
            EXPECT_EQ(drag.shown, c.shown) << c.kind << " " << c.target;
        }
    }
}

namespace {

int DriveBrCont(const ModalRequest& request, void* user) {
    int brightness = *(int*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_brcont") != 0) return IDOK;
    if (request.attempt == 0) {
        DragGaugeTo(PanelItem(request.dialog, BrContIdSlider0), brightness, -20, 20);
        EXPECT_EQ(GaugeValue(PanelItem(request.dialog, BrContIdSlider0)), brightness);
        Tick(request.dialog);
        if (brightness) Shoot(request.dialog, "brcont.png");
        return 19999;
    }
    return IDOK;
}

}  // namespace

TEST(BrContDialog, BrightnessMovesTheMiddleAndZeroChangesNothing) {
    struct Case { int brightness; int out; };
    for (Case c : {Case{0, 128}, Case{20, 188}, Case{-20, 68}}) {
        DocHolder doc(MakeDoc({Layer(40, 30)}));
        ASSERT_TRUE(doc.doc);
        FillPlane(doc->planes[0].image, 128u * 0x010101u);
        SetModalAnswerHook(DriveBrCont, &c.brightness);
        EXPECT_EQ(OpenBrContDialog(nullptr, doc.doc), 1);
        SetModalAnswerHook(nullptr, nullptr);
        const int v = (int)(Pixel(doc->planes[0].image, 3, 3) & 0xFF);
        EXPECT_NEAR(v, c.out, 1) << c.brightness;
        EXPECT_EQ(BrContApplyCount(), 1);
    }
}

namespace {

// The client of a window painted into a memory bitmap; the colour at (x, y).
COLORREF PrintedPixel(HWND wnd, int x, int y) {
    RECT rc;
    GetClientRect(wnd, &rc);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    SendMessageA(wnd, WM_PRINTCLIENT, (WPARAM)mem, PRF_CLIENT);
    const COLORREF c = GetPixel(mem, x, y);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

std::string ItemText(HWND dlg, int id) {
    char text[32] = {};
    GetWindowTextA(PanelItem(dlg, id), text, sizeof text);
    return text;
}

struct BrContButtons {
    std::vector<std::string> values;      // the value texts after each press
    int brightness = 0;
    bool previewChanged = false;
    COLORREF greyRight = 0, redRight = 0, cyanLeft = 0, blueMiddle = 0;
    bool barsOfMiddleRows = true;
};

void Press(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)PanelItem(dlg, id));
}

int DriveBrContButtons(const ModalRequest& request, void* user) {
    BrContButtons* b = (BrContButtons*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_brcont") != 0) return IDOK;
    if (request.attempt != 0) return IDOK;
    HWND dlg = request.dialog;
    const VmsImage* shown = BrContPreviewImage();
    const uint32_t before = shown ? Pixel(shown, shown->width / 2, shown->height / 2) : 0;
    // Brightness up five times from 0 (4, 8, 12, 16, 20, then held at 20),
    // then down once; the vividness down from 0 to -20 in five presses.
    for (int k = 0; k < 6; ++k) {
        Press(dlg, BrContIdUp0);
        b->values.push_back(ItemText(dlg, BrContIdValue0));
    }
    Press(dlg, BrContIdDown0);
    b->values.push_back(ItemText(dlg, BrContIdValue0));
    for (int k = 0; k < 6; ++k) Press(dlg, BrContIdDown0 + 2);
    b->values.push_back(ItemText(dlg, BrContIdValue0 + 2));
    b->brightness = GaugeValue(PanelItem(dlg, BrContIdSlider0));
    Tick(dlg);
    adjusttest::WaitForPreviews();
    shown = BrContPreviewImage();
    b->previewChanged = shown && Pixel(shown, shown->width / 2, shown->height / 2) != before;

    HWND grey = PanelItem(dlg, BrContIdBar0), red = PanelItem(dlg, BrContIdBar0 + 3);
    HWND blue = PanelItem(dlg, BrContIdBar0 + 5);
    b->barsOfMiddleRows = PanelItem(dlg, BrContIdBar0 + 1) || PanelItem(dlg, BrContIdBar0 + 2);
    RECT rc;
    GetClientRect(red, &rc);
    b->greyRight = PrintedPixel(grey, rc.right - 1, 4);
    b->redRight = PrintedPixel(red, rc.right - 1, 4);
    b->blueMiddle = PrintedPixel(blue, (rc.right - 1) / 2, 4);
    Press(dlg, BrContIdCmy);
    b->cyanLeft = PrintedPixel(red, 0, 4);
    Shoot(dlg, "brcont_buttons.png");
    return IDOK;
}

}  // namespace

// The up and down buttons step the value by fours within -20..20 and the
// preview follows; the colour bars show each row's colours, the channel rows
// those of the model.
TEST(BrContDialog, StepButtonsAndColourBars) {
    DocHolder doc(MakeDoc({Layer(40, 30)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(doc->planes[0].image, 100u * 0x010101u);
    BrContButtons b;
    SetModalAnswerHook(DriveBrContButtons, &b);
    OpenBrContDialog(nullptr, doc.doc);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(b.values, (std::vector<std::string>{" +4", " +8", "+12", "+16", "+20", "+20", "+16", "-20"}));
    EXPECT_EQ(b.brightness, 16);
    EXPECT_TRUE(b.previewChanged);
    EXPECT_EQ(b.greyRight, RGB(255, 255, 255));
    EXPECT_EQ(b.redRight, RGB(255, 0, 0));
    EXPECT_EQ(b.blueMiddle, RGB(64, 64, 64));
    EXPECT_EQ(b.cyanLeft, RGB(255, 255, 255));
    EXPECT_FALSE(b.barsOfMiddleRows);
    // The bar's colours: CMY runs from white to full cyan, magenta, yellow.
    EXPECT_EQ(BrContBarColour(3, 1, 100, 101), RGB(0, 255, 255));
    EXPECT_EQ(BrContBarColour(4, 1, 100, 101), RGB(255, 0, 255));
    EXPECT_EQ(BrContBarColour(5, 1, 0, 101), RGB(255, 255, 255));
    EXPECT_EQ(BrContBarColour(4, 0, 100, 101), RGB(0, 255, 0));
}

namespace {

int DriveRotate(const ModalRequest& request, void*) {
    if (!request.templ || std::strcmp(request.templ, "psv_rotate") != 0) return IDOK;
    switch (request.attempt) {
    case 0:
        return RotateIdType0 + 3;
    case 1:
        SetWindowTextA(PanelItem(request.dialog, RotateIdAngle), "400");
        Tick(request.dialog);
        Shoot(request.dialog, "rotate.png");
        return kModalAskAgain;
    default:
        return IDOK;
    }
}

}  // namespace

TEST(RotateDialog, FreeAngleIsClampedAndKept) {
    DocHolder doc(MakeDoc({Layer(60, 40)}));
    ASSERT_TRUE(doc.doc);
    EXPECT_EQ(RotateType, 0);
    EXPECT_DOUBLE_EQ(RotateAngle, 45.0);
    SetModalAnswerHook(DriveRotate, nullptr);
    EXPECT_EQ(OpenRotateDialog(nullptr, doc.doc), 1);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(RotateType, 3);
    EXPECT_DOUBLE_EQ(ChosenRotation(), 359.99);
    RotateType = 1;
    EXPECT_DOUBLE_EQ(ChosenRotation(), 180.0);
    RotateType = 0;
    RotateAngle = 45.0;
}
