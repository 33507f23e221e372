// The selection tools in the running frame, driven by injected mouse samples:
// rectangle and ellipse selections that limit the pen's fill, select all and
// deselect, cut and undo, a Bézier path built, edited and used as the
// selection, a layer picked and moved.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "../app/app_test_util.h"
#include "frame_mouse.h"
#include "app/canvas_request.h"
#include "app/globals.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/floating.h"
#include "select/sel_mask.h"
#include "select/sel_path.h"
#include "select/sel_tool.h"
#include "ui/dlgfield.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "../ui/ui_test_util.h"
#include "test_support.h"

namespace {

uint32_t Pattern(int x, int y) { return (uint32_t)((x * 5) & 255) | ((uint32_t)((y * 7) & 255) << 8) | 0x400000u; }

class SelectFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempDir("selframe");
        ASSERT_TRUE(apptest::StartFrame(folder_->Path()));
    }
    static void TearDownTestSuite() {
        apptest::EndFrame();
        delete folder_;
    }
    void TearDown() override {
        InjectMouseSamples(nullptr, 0);
        for (HWND w : windows_) apptest::CloseCanvasUnsaved(w);
        windows_.clear();
    }

    CanvDoc* NewDoc(int w, int h) { return seltest::NewPatternDoc(&windows_, w, h, Pattern); }

    // Screen point of an image point of the document.
    static POINT At(CanvDoc* doc, int x, int y) { return seltest::ScreenPointOf(doc, x, y); }
    // A press at a, a drag through b to c, a release there.
    void Drag(CanvDoc* doc, POINT a, POINT b, POINT c) { seltest::DragOnDocument(doc, &samples_, a, b, c); }
    void Click(CanvDoc* doc, POINT a) { Drag(doc, a, a, a); }
    // Corners placed by clicks at image points, the shape finished by the shape
    // menu with the pointer at the last point; the menu's answer.
    int ClickCornersAndFinish(CanvDoc* doc, std::initializer_list<POINT> corners, POINT last) {
        for (POINT p : corners) Click(doc, At(doc, p.x, p.y));
        const POINT at = At(doc, last.x, last.y);
        samples_ = {{at.x, at.y, 0}};
        InjectMouseSamples(samples_.data(), 1);
        const int handled = c_SelectionTool::ShowShapeMenu(doc);
        InjectMouseSamples(nullptr, 0);
        return handled;
    }
    // The loop of the polyline and the spline: a press at image point `press`
    // and its release, a click at each of `clicks`, the right button at `end`.
    // Every turn of the loop polls the right button once and the left once.
    void PressClicksAndEnd(CanvDoc* doc, POINT press, const std::vector<POINT>& clicks, POINT end) {
        const POINT p0 = At(doc, press.x, press.y), e = At(doc, end.x, end.y);
        samples_ = {{p0.x, p0.y, kSampleLeft}, {p0.x, p0.y, 0}};
        for (POINT c : clicks) {
            const POINT p = At(doc, c.x, c.y);
            samples_.push_back({p.x, p.y, 0});
            samples_.push_back({p.x, p.y, kSampleLeft});
            samples_.push_back({p.x, p.y, 0});
            samples_.push_back({p.x, p.y, 0});
        }
        samples_.push_back({e.x, e.y, kSampleRight});
        InjectMouseSamples(samples_.data(), (int)samples_.size());
        c_SelectionTool::OnMouseDown(doc);
        InjectMouseSamples(nullptr, 0);
    }
    void Tool(int id) { SendMessageA(AppWindows.frame, WM_COMMAND, id, 0); }
    // A command of the document window run with the pen fully opaque.
    static void OpaqueCommand(CanvDoc* doc, int id) {
        const int opacity = PenOpacity;
        PenOpacity = 255;
        SendMessageA(doc->window, WM_COMMAND, id, 0);
        PenOpacity = opacity;
    }
    static uint32_t Px(CanvDoc* doc, int x, int y) {
        uint32_t v = 0;
        g_VmsStore.GetRow(doc->planes[0].image, y, x, x, &v);
        return v & 0xFFFFFFu;
    }

    static testsupport::TempDir* folder_;
    std::vector<HWND> windows_;
    std::vector<MouseSample> samples_;
};
testsupport::TempDir* SelectFrame::folder_ = nullptr;

TEST_F(SelectFrame, RectangleAndEllipseLimitTheFill) {
    CanvDoc* doc = NewDoc(60, 40);
    ASSERT_NE(nullptr, doc);
    SetPenColourRgb(200, 10, 10);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    const uint32_t red = 0xC80A0Au;
    struct Case {
        int tool;
        POINT inside, outsideInBox;
    } cases[] = {{CMD_TOOL_SELRECT, {20, 15}, {40, 40}}, {CMD_TOOL_SELELLIPSE, {30, 20}, {11, 11}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        Tool(c.tool);
        Drag(doc, At(doc, 10, 10), At(doc, 30, 20), At(doc, 49, 29));
        const SelShape& s = doc->selShapes[0];
        ASSERT_EQ(c.tool, s.kind);
        EXPECT_EQ(10, s.x0);
        EXPECT_EQ(10, s.y0);
        EXPECT_EQ(49, s.x1);
        EXPECT_EQ(29, s.y1);
        SendMessageA(doc->window, WM_COMMAND, CMD_IMG_FILLSEL, 0);
        EXPECT_EQ(red, Px(doc, c.inside.x, c.inside.y));
        EXPECT_EQ(Pattern(5, 5), Px(doc, 5, 5));       // outside the box
        EXPECT_EQ(Pattern(55, 35), Px(doc, 55, 35));
        if (c.tool == CMD_TOOL_SELELLIPSE) {
            EXPECT_EQ(Pattern(11, 11), Px(doc, 11, 11));   // the box's corner
        }
        SendMessageA(doc->window, WM_COMMAND, CMD_EDIT_UNDO, 0);
        EXPECT_EQ(Pattern(c.inside.x, c.inside.y), Px(doc, c.inside.x, c.inside.y));
    }
    PenOpacity = opacity;
}

TEST_F(SelectFrame, AClickWithoutADragDeselects) {
    CanvDoc* doc = NewDoc(40, 30);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 20, 20));
    ASSERT_NE(nullptr, doc->selectionMask);
    // Outside the shape: no new one, the old one gone.
    Click(doc, At(doc, 30, 25));
    EXPECT_EQ(nullptr, doc->selectionMask);
    EXPECT_EQ(0, doc->selShapes[0].kind);
}

TEST_F(SelectFrame, SelectAllAndDeselect) {
    CanvDoc* doc = NewDoc(30, 20);
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_ALL, 0);
    EXPECT_EQ(CMD_TOOL_SELRECT, doc->selShapes[5].kind);
    EXPECT_EQ(CMD_TOOL_SELRECT, CurrentTool);
    // The next command builds the mask.
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_INVERT, 0);
    ASSERT_NE(nullptr, doc->selectionMask);
    EXPECT_EQ(255, SelGetMaskPixel(doc, 0, 0));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 29, 19));
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_DESELECT, 0);
    EXPECT_EQ(nullptr, doc->selectionMask);
    EXPECT_EQ(0, doc->selShapes[0].kind);
}

TEST_F(SelectFrame, CutClearsOnlyTheSelectionAndUndoRestoresIt) {
    CanvDoc* doc = NewDoc(40, 30);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 5), At(doc, 15, 10), At(doc, 19, 14));
    OpaqueCommand(doc, CMD_EDIT_CUT);
    EXPECT_EQ(0xFFFFFFu, Px(doc, 12, 8));
    EXPECT_EQ(0xFFFFFFu, Px(doc, 19, 14));
    EXPECT_EQ(Pattern(9, 8), Px(doc, 9, 8));
    EXPECT_EQ(Pattern(20, 14), Px(doc, 20, 14));
    // The clipboard holds the cut part.
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    SendMessageA(doc->window, WM_COMMAND, CMD_EDIT_UNDO, 0);
    EXPECT_EQ(Pattern(12, 8), Px(doc, 12, 8));
}

TEST_F(SelectFrame, CutOnALayerClearsItsTransparency) {
    CanvDoc* doc = NewDoc(40, 30);
    const int index = AddLayer(doc, 0, 0, 40, 30, LayerTypeOrdinary);
    ASSERT_GT(index, 0);
    SetLayerSaveEnabled(doc, 1, 1);
    std::vector<uint8_t> opaque(40, 255);
    for (int y = 0; y < 30; ++y) g_VmsStore.PutRow(doc->planes[index + 1].image, y, 0, 39, opaque.data());
    SetCurrentPlane(doc, index);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 5), At(doc, 15, 10), At(doc, 19, 14));
    OpaqueCommand(doc, CMD_EDIT_CUT);
    auto alpha = [&](int x, int y) {
        uint8_t v = 0;
        g_VmsStore.GetRow(doc->planes[index + 1].image, y, x, x, &v);
        return (int)v;
    };
    EXPECT_EQ(0, alpha(15, 10));
    EXPECT_EQ(255, alpha(9, 10));
    SendMessageA(doc->window, WM_COMMAND, CMD_EDIT_UNDO, 0);
    EXPECT_EQ(255, alpha(15, 10));
}

TEST_F(SelectFrame, GrowAndShrinkAskTheirAmount) {
    CanvDoc* doc = NewDoc(40, 30);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 10), At(doc, 15, 15), At(doc, 20, 20));
    struct Case {
        int command;
        const char* typed;
        int button;
        int x0;        // the left edge afterwards (row 15)
    } cases[] = {
        {CMD_SEL_GROW, "3", IDOK, 7},
        {CMD_SEL_SHRINK, "2", IDOK, 9},
        {CMD_SEL_GROW, "5", IDCANCEL, 9},   // cancelled: unchanged
        {CMD_SEL_GROW, "", IDOK, 8},        // an empty edit counts as 1
        {CMD_SEL_GROW, "99", IDOK, 0},      // clamped to 50
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::string caption;
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            char text[64] = {};
            GetWindowTextA(r.dialog, text, sizeof text);
            caption = text;
            SetDlgItemTextA(r.dialog, 100, c.typed);
            return c.button;
        });
        SendMessageA(doc->window, WM_COMMAND, c.command, 0);
        EXPECT_EQ(c.command == CMD_SEL_GROW ? "領域を太らせる" : "領域を痩せさせる", caption);
        int first = -1;
        for (int x = 0; x < 40 && first < 0; ++x)
            if (SelGetMaskPixel(doc, x, 15) == 0) first = x;
        EXPECT_EQ(c.x0, first);
    }
}

TEST_F(SelectFrame, BezierPathBuiltEditedAndSelected) {
    CanvDoc* doc = NewDoc(100, 80);
    Tool(CMD_TOOL_PATH);
    Click(doc, At(doc, 10, 10));
    Click(doc, At(doc, 80, 10));
    Click(doc, At(doc, 80, 70));
    EXPECT_EQ(3, SelPath().current);
    // The finishing click (right button) closes the path at the pointer.
    samples_ = {{At(doc, 10, 70).x, At(doc, 10, 70).y, 0}};
    InjectMouseSamples(samples_.data(), 1);
    EXPECT_EQ(1, c_SelectionTool::ShowShapeMenu(doc));
    InjectMouseSamples(nullptr, 0);
    // Closing drops the node of the finishing click: its point is the closing
    // segment's handle.
    EXPECT_EQ(0, SelPath().current);
    EXPECT_EQ(1, SelPath().closed);
    EXPECT_EQ(3, SelPath().count);
    EXPECT_EQ(10, SelPath().nodes[2].c2x);
    EXPECT_EQ(70, SelPath().nodes[2].c2y);
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    ASSERT_NE(nullptr, doc->selectionMask);
    EXPECT_EQ(0, SelGetMaskPixel(doc, 60, 25));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 85, 40));
    // Dragging an anchor reshapes the selection.
    Drag(doc, At(doc, 80, 70), At(doc, 90, 75), At(doc, 95, 75));
    EXPECT_EQ(95, SelPath().nodes[2].ax);
    EXPECT_EQ(0, SelGetMaskPixel(doc, 85, 40));
    // The selection limits the fill like any other.
    SetPenColourRgb(0, 0, 255);
    OpaqueCommand(doc, CMD_IMG_FILLSEL);
    EXPECT_EQ(0x0000FFu, Px(doc, 60, 25));
    EXPECT_EQ(Pattern(5, 75), Px(doc, 5, 75));
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_DESELECT, 0);
    EXPECT_EQ(0, SelPath().count);
}

TEST_F(SelectFrame, EachDocumentKeepsItsOwnPath) {
    CanvDoc* a = NewDoc(60, 40);
    Tool(CMD_TOOL_SELRECT);
    Drag(a, At(a, 5, 5), At(a, 10, 10), At(a, 30, 20));
    SendMessageA(a->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
    ASSERT_EQ(4, SelPath().count);
    const int ax = SelPath().nodes[1].ax;
    // A second document becomes active: a's path goes to its file.
    CanvDoc* b = NewDoc(60, 40);
    ASSERT_EQ(b, GetActiveCanvas());
    EXPECT_EQ(0, SelPath().count);
    Tool(CMD_TOOL_SELELLIPSE);
    Drag(b, At(b, 20, 10), At(b, 30, 20), At(b, 50, 35));
    SendMessageA(b->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
    ASSERT_EQ(4, SelPath().count);
    const int bx = SelPath().nodes[1].ax;
    ASSERT_NE(ax, bx);
    // Back to a: its own path and selection; then b again: b's.
    SendMessageA(GetParent(a->window), WM_MDIACTIVATE, (WPARAM)a->window, 0);
    ASSERT_EQ(a, GetActiveCanvas());
    EXPECT_EQ(4, SelPath().count);
    EXPECT_EQ(ax, SelPath().nodes[1].ax);
    EXPECT_EQ(CMD_TOOL_PATH, a->selShapes[0].kind);
    EXPECT_EQ(0, SelGetMaskPixel(a, 20, 15));
    SendMessageA(GetParent(b->window), WM_MDIACTIVATE, (WPARAM)b->window, 0);
    EXPECT_EQ(bx, SelPath().nodes[1].ax);
    EXPECT_EQ(0, SelGetMaskPixel(b, 35, 22));
}

// A path file damaged while its document was in the background (a node far
// outside the int range) is ignored when the document comes back, at once.
TEST_F(SelectFrame, ADamagedPathFileIsIgnoredWhenTheDocumentComesBack) {
    CanvDoc* a = NewDoc(60, 40);
    Tool(CMD_TOOL_SELRECT);
    Drag(a, At(a, 5, 5), At(a, 10, 10), At(a, 30, 20));
    SendMessageA(a->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
    ASSERT_EQ(4, SelPath().count);
    CanvDoc* b = NewDoc(60, 40);
    ASSERT_EQ(b, GetActiveCanvas());
    char name[MAX_PATH + 16];
    PathStateFileName(a, name, sizeof name);
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(name, &bytes));
    const int32_t outside = INT_MIN;
    std::memcpy(&bytes[20 + 24 * 1 + 4], &outside, 4);   // node 1's anchor y
    ASSERT_TRUE(testsupport::WriteFileBytes(name, bytes.data(), bytes.size()));
    {
        testsupport::StepDeadline deadline("activating a document with a damaged path file", 20000);
        const DWORD start = GetTickCount();
        SendMessageA(GetParent(a->window), WM_MDIACTIVATE, (WPARAM)a->window, 0);
        EXPECT_LT(GetTickCount() - start, 2000u);
    }
    ASSERT_EQ(a, GetActiveCanvas());
    EXPECT_EQ(0, SelPath().count);
    EXPECT_NE(CMD_TOOL_PATH, a->selShapes[5].kind);
}

TEST_F(SelectFrame, RectangleConvertsToAPath) {
    CanvDoc* doc = NewDoc(60, 40);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 10), At(doc, 20, 20), At(doc, 40, 30));
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    EXPECT_EQ(CMD_TOOL_PATH, CurrentTool);
    EXPECT_EQ(4, SelPath().count);
    EXPECT_EQ(0, SelGetMaskPixel(doc, 25, 20));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 45, 20));
    // The edge lasso chosen over a path drops it with the selection.
    Tool(CMD_TOOL_EDGELASSO);
    EXPECT_EQ(0, SelPath().count);
    EXPECT_EQ(0, doc->selShapes[0].kind);
    EXPECT_EQ(nullptr, doc->selectionMask);
}

TEST_F(SelectFrame, LayerPickedThenMoved) {
    CanvDoc* doc = NewDoc(80, 60);
    const int index = AddLayer(doc, 20, 10, 30, 20, LayerTypeOrdinary);
    ASSERT_GT(index, 0);
    Tool(CMD_TOOL_LAYERSELECT);
    // A first drag on a layer not yet picked moves nothing: it picks it.
    Drag(doc, At(doc, 25, 15), At(doc, 35, 25), At(doc, 45, 25));
    EXPECT_EQ(index, doc->currentPlane);
    EXPECT_EQ(2, LayerBase(doc, 1)->frameHighlight);
    EXPECT_EQ(20, LayerBase(doc, 1)->x);
    // A second drag moves it, from where the pointer passed the 4-pixel threshold.
    Drag(doc, At(doc, 25, 15), At(doc, 30, 20), At(doc, 35, 25));
    EXPECT_EQ(25, LayerBase(doc, 1)->x);
    EXPECT_EQ(15, LayerBase(doc, 1)->y);
    // Far to the left it keeps 10 of its own pixels on the canvas.
    Drag(doc, At(doc, 30, 20), At(doc, 36, 20), At(doc, -200, 20));
    EXPECT_EQ(10 - 30, LayerBase(doc, 1)->x);
    // A click where no ordinary layer lies picks the base layer.
    Click(doc, At(doc, 70, 50));
    EXPECT_EQ(0, doc->currentPlane);
}

TEST_F(SelectFrame, RightClickOfANonPenToolPicksTheColour) {
    CanvDoc* doc = NewDoc(80, 60);
    ASSERT_NE(nullptr, doc);
    struct Case {
        int tool;
        int x, y;
    } cases[] = {{CMD_TOOL_SELRECT, 13, 7}, {CMD_TOOL_SELELLIPSE, 40, 22}, {CMD_TOOL_DRAWBOXFILL, 71, 55}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        Tool(c.tool);
        SetPenColourRgb(1, 2, 3);
        const POINT p = At(doc, c.x, c.y);
        samples_ = {{p.x, p.y, kSampleRight}, {p.x, p.y, kSampleRight}, {p.x, p.y, 0}};
        InjectMouseSamples(samples_.data(), (int)samples_.size());
        POINT client = p;
        ScreenToClient(doc->display, &client);
        SendMessageA(doc->display, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
        InjectMouseSamples(nullptr, 0);
        const uint32_t want = Pattern(c.x, c.y);
        EXPECT_EQ((int)(want >> 16), PenColour.red);
        EXPECT_EQ((int)((want >> 8) & 255), PenColour.green);
        EXPECT_EQ((int)(want & 255), PenColour.blue);
        EXPECT_EQ(want, Px(doc, c.x, c.y)) << "the picture is left alone";
    }
}

TEST_F(SelectFrame, FloatingImageMovesAndIsPlacedAsOneLayer) {
    CanvDoc* doc = NewDoc(80, 60);
    VmsImage* image = g_VmsStore.Create(20, 10, 24, 0, 1);
    ASSERT_TRUE(FloatImage(doc, image, nullptr, 5, 5, 1));
    ASSERT_EQ(doc, FloatingTarget());
    // A drag inside the frame moves it (whatever the tool).
    Tool(CMD_TOOL_SELRECT);
    ASSERT_EQ(nullptr, FloatingTarget());   // the tool change placed the first one
    ASSERT_EQ(2, CountLayers(doc, 0));
    image = g_VmsStore.Create(20, 10, 24, 0, 1);
    ASSERT_TRUE(FloatImage(doc, image, nullptr, 5, 5, 1));
    Drag(doc, At(doc, 10, 10), At(doc, 20, 20), At(doc, 30, 30));
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    EXPECT_EQ(25, frame.left);
    EXPECT_EQ(25, frame.top);
    // A corner drag resizes it: to 40 x 5, as many pixels as its own 20 x 10.
    Drag(doc, At(doc, 44, 34), At(doc, 50, 30), At(doc, 64, 29));
    ASSERT_TRUE(GetFloatingFrame(&frame));
    EXPECT_EQ(64, frame.right);
    EXPECT_EQ(29, frame.bottom);
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    EXPECT_EQ(nullptr, FloatingTarget());
    ASSERT_EQ(3, CountLayers(doc, 0));
    const LayerPlane* b = LayerBase(doc, 2);
    EXPECT_EQ(25, b->x);
    // Placed at the size shown, although the pixel count did not change.
    EXPECT_EQ(40, b->width);
    EXPECT_EQ(5, b->height);
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
}

// The canvas's save and close questions place an image floating over the
// document through the selection's host events; the save also drops the
// selection.
TEST_F(SelectFrame, SaveAndCloseEventsPlaceTheFloatingImage) {
    CanvDoc* doc = NewDoc(80, 60);
    const CanvasHost& host = GetCanvasHost();
    ASSERT_NE(nullptr, host.selectionDocument);
    for (int event : {SelDocCloseQuery, SelDocSaving}) {
        SCOPED_TRACE(event);
        Tool(CMD_TOOL_SELRECT);
        Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 30, 20));
        const int layers = CountLayers(doc, 0);
        EXPECT_EQ(0, host.selectionDocument(doc, event)) << "nothing floats yet";
        ASSERT_TRUE(FloatImage(doc, g_VmsStore.Create(20, 10, 24, 0, 1), nullptr, 5, 5, 1));
        EXPECT_EQ(1, host.selectionDocument(doc, event));
        EXPECT_EQ(nullptr, FloatingTarget());
        EXPECT_EQ(layers + 1, CountLayers(doc, 0));
        EXPECT_EQ(event == SelDocSaving ? 0 : CMD_TOOL_SELRECT, doc->selShapes[0].kind);
    }
}

TEST_F(SelectFrame, ShapeToolsDrawWithThePen) {
    SetPenColourRgb(0, 160, 0);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    struct Case {
        int tool;
        POINT painted, untouched;
    } cases[] = {
        {CMD_TOOL_DRAWBOXFILL, {30, 20}, {5, 5}},
        {CMD_TOOL_DRAWELLIPSEFILL, {30, 20}, {11, 11}},
        {CMD_TOOL_DRAWLINE, {30, 20}, {30, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        CanvDoc* doc = NewDoc(60, 40);
        Tool(c.tool);
        Drag(doc, At(doc, 10, 10), At(doc, 30, 20), At(doc, 50, 30));
        EXPECT_NE(Pattern(c.painted.x, c.painted.y), Px(doc, c.painted.x, c.painted.y));
        EXPECT_EQ(Pattern(c.untouched.x, c.untouched.y), Px(doc, c.untouched.x, c.untouched.y));
        // The drawing tools make no selection.
        EXPECT_EQ(nullptr, doc->selectionMask);
    }
    PenOpacity = opacity;
}

TEST_F(SelectFrame, PolygonAndLassoSelectTheirInside) {
    CanvDoc* doc = NewDoc(80, 60);
    Tool(CMD_TOOL_POLYGON);
    EXPECT_EQ(1, ClickCornersAndFinish(doc, {{10, 10}, {70, 10}, {70, 50}}, {10, 50}));
    EXPECT_EQ(CMD_TOOL_POLYGON, doc->selShapes[0].kind);
    EXPECT_EQ(5, doc->selShapes[0].count);   // four vertices and the closing point
    EXPECT_EQ(0, SelGetMaskPixel(doc, 40, 30));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 75, 55));
    // The freehand lasso: a square traced with the button held.
    Tool(CMD_TOOL_LASSO);
    samples_.clear();
    auto add = [&](int x, int y) { samples_.push_back({At(doc, x, y).x, At(doc, x, y).y, kSampleLeft}); };
    for (int x = 20; x <= 60; x += 2) add(x, 15);
    for (int y = 15; y <= 45; y += 2) add(60, y);
    for (int x = 60; x >= 20; x -= 2) add(x, 45);
    for (int y = 45; y >= 15; y -= 2) add(20, y);
    samples_.push_back({samples_.back().x, samples_.back().y, 0});
    InjectMouseSamples(samples_.data(), (int)samples_.size());
    c_SelectionTool::OnMouseDown(doc);
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(CMD_TOOL_LASSO, doc->selShapes[0].kind);
    EXPECT_EQ(1, SelPath().closed);
    EXPECT_EQ(0, SelGetMaskPixel(doc, 40, 30));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 10, 30));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 70, 30));
}

TEST_F(SelectFrame, StrokeOfAnEllipseSelection) {
    CanvDoc* doc = NewDoc(60, 40);
    Tool(CMD_TOOL_SELELLIPSE);
    Drag(doc, At(doc, 10, 5), At(doc, 30, 20), At(doc, 49, 34));
    SetPenColourRgb(0, 0, 0);
    OpaqueCommand(doc, CMD_IMG_STROKESEL);
    // The outline is drawn (left end of the ellipse), the middle is not.
    int changed = 0;
    for (int x = 8; x <= 13; ++x) changed += Px(doc, x, 20) != Pattern(x, 20);
    EXPECT_GT(changed, 0);
    EXPECT_EQ(Pattern(30, 20), Px(doc, 30, 20));
}

// After a finished shape the pen fills it (option 2) or strokes its outline
// (option 1) and the shape is deselected; a polyline is left alone by the fill.
TEST_F(SelectFrame, AfterShapeOptionFillsOrStrokesThenDeselects) {
    struct Restore {
        ~Restore() { SelAfterShapeOption = 0; }
    } restore;
    SetPenColourRgb(0, 0, 0);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    const struct {
        int option, tool;
        POINT changed, unchanged;   // on the outline or inside; outside or in the middle
    } cases[] = {
        {2, CMD_TOOL_SELRECT, {20, 15}, {5, 5}},
        {1, CMD_TOOL_SELELLIPSE, {10, 20}, {30, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        CanvDoc* doc = NewDoc(60, 40);
        Tool(c.tool);
        SelAfterShapeOption = c.option;
        Drag(doc, At(doc, 10, 5), At(doc, 30, 20), At(doc, 49, 34));
        int changed = 0;   // the pen's dabs near the point
        for (int y = c.changed.y - 2; y <= c.changed.y + 2; ++y)
            for (int x = c.changed.x - 2; x <= c.changed.x + 2; ++x) changed += Px(doc, x, y) != Pattern(x, y);
        EXPECT_GT(changed, 0);
        EXPECT_EQ(Pattern(c.unchanged.x, c.unchanged.y), Px(doc, c.unchanged.x, c.unchanged.y));
        EXPECT_EQ(0, doc->selShapes[0].kind);
        EXPECT_EQ(nullptr, doc->selectionMask);
        EXPECT_EQ(1, doc->modified);
    }

    // A polyline under the fill option: nothing filled, the shape stays.
    CanvDoc* doc = NewDoc(60, 40);
    SelAfterShapeOption = 2;
    SelShape& s = doc->selShapes[5];
    s.kind = CMD_TOOL_POLYLINE;
    const float points[] = {10, 10, 50, 10, 50, 30};
    std::memcpy(s.points, points, sizeof points);
    s.count = 3;
    s.x0 = 10, s.y0 = 10, s.x1 = 50, s.y1 = 30;
    c_SelectionTool::CommitShape(doc, 0);
    c_SelectionTool::AfterShape(doc);
    EXPECT_EQ(CMD_TOOL_POLYLINE, doc->selShapes[5].kind);
    EXPECT_EQ(CMD_TOOL_POLYLINE, doc->selShapes[0].kind);
    for (POINT p : {POINT{40, 20}, POINT{30, 10}}) EXPECT_EQ(Pattern(p.x, p.y), Px(doc, p.x, p.y));
    PenOpacity = opacity;
}

namespace {
// Set by the guard timer that ends a pop-up menu left open.
bool g_menuEnded = false;
void CALLBACK EndOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    g_menuEnded = true;
    EndMenu();
}
}  // namespace

// The area menu opens only over a selection, with the pointer less than 100
// display pixels outside its box.
TEST_F(SelectFrame, AreaMenuOnlyNearASelection) {
    CanvDoc* doc = NewDoc(120, 80);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 10), At(doc, 20, 20), At(doc, 40, 30));
    ASSERT_EQ(CMD_TOOL_SELRECT, doc->selShapes[5].kind);
    const struct {
        bool deselect;
        int dx;   // display pixels right of the box's right edge
        bool shown;
    } cases[] = {{false, 99, true}, {false, 100, false}, {false, -10, true}, {true, -10, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dx);
        if (c.deselect) c_SelectionTool::Deselect(doc);
        POINT p = At(doc, 40, 20);
        p.x += c.dx;
        samples_ = {{p.x, p.y, 0}};
        InjectMouseSamples(samples_.data(), 1);
        g_menuEnded = false;
        const UINT_PTR guard = SetTimer(nullptr, 0, 300, EndOpenMenu);
        EXPECT_EQ(0, c_SelectionTool::ShowAreaMenu(doc));   // nothing chosen
        KillTimer(nullptr, guard);
        InjectMouseSamples(nullptr, 0);
        EXPECT_EQ(c.shown, g_menuEnded);
    }
}

// Over a shape's handles and inside it the selection tools show the
// program's own cursors.
TEST_F(SelectFrame, HitTestCursorsAreTheProgramsOwn) {
    CanvDoc* doc = NewDoc(60, 40);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 10, 10), At(doc, 20, 20), At(doc, 40, 30));
    HINSTANCE module = GetModuleHandleA(nullptr);
    for (const char* name : {"posmove", "move", "posmove2"}) EXPECT_NE(nullptr, LoadCursorA(module, name)) << name;
    auto cursorAt = [&](int x, int y) {
        samples_ = {{At(doc, x, y).x, At(doc, x, y).y, 0}};
        InjectMouseSamples(samples_.data(), 1);
        c_SelectionTool::UpdateCursor(doc);
        InjectMouseSamples(nullptr, 0);
        return GetCursor();
    };
    struct Case {
        int tool;
        int x, y;
        const char* cursor;
    } cases[] = {
        {CMD_TOOL_SELRECT, 10, 10, "posmove"},    // a corner handle
        {CMD_TOOL_SELRECT, 25, 20, "move"},       // inside
        {CMD_TOOL_PATH, 40, 10, "posmove2"},      // an anchor of the path made from it
        {CMD_TOOL_PATH, 25, 10, "posmove"},       // on the path between anchors
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cursor);
        if (c.tool == CMD_TOOL_PATH && CurrentTool != CMD_TOOL_PATH)
            SendMessageA(doc->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
        EXPECT_EQ(LoadCursorA(module, c.cursor), cursorAt(c.x, c.y));
    }
}

// The menu items that need a selection follow the shape of the active
// document, and so do their accelerators.
TEST_F(SelectFrame, SelectionMenuItemsFollowTheShape) {
    CanvDoc* doc = NewDoc(40, 30);
    ASSERT_NE(nullptr, doc);
    HMENU menu = GetMenu(AppWindows.frame);
    ASSERT_NE(nullptr, menu);
    const int shapeItems[] = {CMD_IMG_SELTONEW, CMD_SEL_DESELECT};
    const int areaItems[] = {CMD_EDIT_CUT, CMD_SEL_GROW, CMD_SEL_SHRINK, CMD_SEL_BLUR, CMD_IMG_FILLSEL,
                             CMD_IMG_LAYERFROMSEL};
    struct Case {
        const char* name;
        int kind;
        bool shape, area, outline;
    } cases[] = {
        {"no selection", 0, false, true, false},
        {"rectangle", CMD_TOOL_SELRECT, true, true, true},
        {"line", CMD_TOOL_SELLINE, true, false, true},
        {"spline", CMD_TOOL_SPLINE, true, false, true},
        {"colour region", CMD_TOOL_COLORREGION, true, true, false},
        {"mask only", 100, true, true, true},
    };
    auto enabled = [&](int id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c_SelectionTool::Current(doc).kind = c.kind;
        SendMessageA(AppWindows.frame, WM_INITMENU, (WPARAM)menu, 0);
        for (int id : shapeItems) EXPECT_EQ(c.shape, enabled(id)) << id;
        for (int id : areaItems) EXPECT_EQ(c.area, enabled(id)) << id;
        EXPECT_EQ(c.outline, enabled(CMD_IMG_STROKESEL));
    }
    // A line selects no area: Ctrl+X does not cut (which would clear the whole
    // layer); over a rectangle it cuts the rectangle.
    const int opacity = PenOpacity;
    PenOpacity = 255;
    auto ctrlX = [&] {
        MSG msg = {AppWindows.frame, WM_CHAR, 24, 0, 0, {0, 0}};
        TranslateAcceleratorA(AppWindows.frame, AppAccel, &msg);
    };
    Tool(CMD_TOOL_SELLINE);
    Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 20, 20));
    ASSERT_EQ(CMD_TOOL_SELLINE, doc->selShapes[0].kind);
    ctrlX();
    EXPECT_EQ(Pattern(12, 12), Px(doc, 12, 12));
    EXPECT_EQ(Pattern(30, 25), Px(doc, 30, 25));
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 20, 20));
    ctrlX();
    EXPECT_EQ(0xFFFFFFu, Px(doc, 12, 12));
    EXPECT_EQ(Pattern(30, 25), Px(doc, 30, 25));
    PenOpacity = opacity;
}

// A drag on the document leaves it the keyboard focus, wherever the focus was
// before: Delete then cuts the selection that the drag made.
TEST_F(SelectFrame, DeleteAfterARectangleDragClearsTheSelection) {
    CanvDoc* doc = NewDoc(40, 30);
    ASSERT_NE(nullptr, doc);
    Tool(CMD_TOOL_SELRECT);
    // The focus on a panel, as after a click on one (the frame itself would
    // hand it on to the active document).
    ASSERT_NE(nullptr, AppWindows.penOptionPanel);
    SetFocus(AppWindows.penOptionPanel);
    ASSERT_EQ(AppWindows.penOptionPanel, GetFocus());
    const POINT a = At(doc, 8, 6), b = At(doc, 14, 10), c = At(doc, 19, 14);
    samples_ = {{a.x, a.y, kSampleLeft}, {a.x, a.y, kSampleLeft}, {b.x, b.y, kSampleLeft},
                {c.x, c.y, kSampleLeft}, {c.x, c.y, 0}};
    InjectMouseSamples(samples_.data(), (int)samples_.size());
    POINT client = a;
    ScreenToClient(doc->display, &client);
    SendMessageA(doc->display, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    InjectMouseSamples(nullptr, 0);
    ASSERT_EQ(CMD_TOOL_SELRECT, doc->selShapes[0].kind);
    EXPECT_EQ(doc->window, GetFocus());
    // The key goes where the message loop would send it.
    const int opacity = PenOpacity;
    PenOpacity = 255;
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_DELETE, 0);
    PenOpacity = opacity;
    EXPECT_EQ(0xFFFFFFu, Px(doc, 12, 8));
    EXPECT_EQ(0xFFFFFFu, Px(doc, 19, 14));
    EXPECT_EQ(Pattern(7, 8), Px(doc, 7, 8));
    EXPECT_EQ(Pattern(20, 14), Px(doc, 20, 14));
}

TEST_F(SelectFrame, ShapeToPathChoosesThePathToolForEveryShape) {
    CanvDoc* doc = NewDoc(60, 40);
    Tool(CMD_TOOL_POLYGON);
    ClickCornersAndFinish(doc, {{10, 10}, {50, 10}}, {30, 30});
    ASSERT_EQ(CMD_TOOL_POLYGON, doc->selShapes[0].kind);
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_SHAPETOPATH, 0);
    EXPECT_EQ(CMD_TOOL_PATH, CurrentTool);
}

TEST_F(SelectFrame, MaskCommandsCanBeUndone) {
    for (int id : {CMD_SEL_INVERT, CMD_SEL_BLUR}) {
        SCOPED_TRACE(id);
        CanvDoc* doc = NewDoc(30, 20);
        Tool(CMD_TOOL_SELRECT);
        Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 20, 15));
        const int position = doc->undoPosition;
        SendMessageA(doc->window, WM_COMMAND, id, 0);
        EXPECT_EQ(position + 1, doc->undoPosition);
    }
}

namespace {
// A dark square (columns 20..59, rows 15..44) on white.
uint32_t DarkSquare(int x, int y) { return x >= 20 && x < 60 && y >= 15 && y < 45 ? 0x202020u : 0xFFFFFFu; }
}  // namespace

// The spline: a press, clicks that fix its points, the right button to end;
// stroked with the pen, the curve passes through its middle point.
TEST_F(SelectFrame, SplineFromClicksIsStrokedThroughItsPoints) {
    CanvDoc* doc = NewDoc(80, 60);
    Tool(CMD_TOOL_SPLINE);
    PressClicksAndEnd(doc, {10, 40}, {{40, 12}, {70, 40}}, {75, 50});
    const SelShape& s = doc->selShapes[0];
    ASSERT_EQ(CMD_TOOL_SPLINE, s.kind);
    ASSERT_EQ(3, s.count);
    const int want[3][2] = {{10, 40}, {40, 12}, {70, 40}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(want[i][0], (int)s.points[2 * i]) << i;
        EXPECT_EQ(want[i][1], (int)s.points[2 * i + 1]) << i;
    }
    SetPenColourRgb(0, 0, 0);
    OpaqueCommand(doc, CMD_IMG_STROKESEL);
    EXPECT_NE(Pattern(40, 12), Px(doc, 40, 12));
    EXPECT_NE(Pattern(25, 22), Px(doc, 25, 22)) << "on the curve between the points";
    EXPECT_EQ(Pattern(40, 45), Px(doc, 40, 45)) << "under the arch";
}

// The polyline and the spline from the same loop: each click fixes a point
// (one beyond the document is pulled onto its edge), the right button ends;
// the open shape selects everything. A press and a single click leave no shape.
TEST_F(SelectFrame, PolylineAndSplineLoopsFixClickedPoints) {
    struct Case {
        int tool;
        std::vector<POINT> clicks;
        int kind, count;
        POINT points[3];
    } cases[] = {
        {CMD_TOOL_POLYLINE, {{40, 12}, {95, 70}}, CMD_TOOL_POLYLINE, 3, {{10, 40}, {40, 12}, {79, 59}}},
        {CMD_TOOL_SPLINE, {{-8, 30}, {50, 20}}, CMD_TOOL_SPLINE, 3, {{10, 40}, {0, 30}, {50, 20}}},
        {CMD_TOOL_POLYLINE, {{40, 12}}, 0, 0, {}},
        {CMD_TOOL_SPLINE, {{40, 12}}, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tool << " with " << c.clicks.size() << " clicks");
        CanvDoc* doc = NewDoc(80, 60);
        Tool(CMD_TOOL_SELRECT);
        Drag(doc, At(doc, 5, 5), At(doc, 10, 10), At(doc, 20, 15));   // a selection the loop replaces
        Tool(c.tool);
        PressClicksAndEnd(doc, {10, 40}, c.clicks, {60, 50});
        for (int slot : {5, 0}) {
            const SelShape& s = doc->selShapes[slot];
            EXPECT_EQ(c.kind, s.kind) << "slot " << slot;
            ASSERT_EQ(c.count, s.count) << "slot " << slot;
            for (int i = 0; i < c.count; ++i) {
                EXPECT_EQ(c.points[i].x, (int)s.points[2 * i]) << i;
                EXPECT_EQ(c.points[i].y, (int)s.points[2 * i + 1]) << i;
            }
        }
        for (POINT p : {POINT{2, 2}, POINT{40, 30}, POINT{70, 50}}) EXPECT_EQ(0, SelGetMaskPixel(doc, p.x, p.y));
    }
}

// The edge lasso: a click on the square's corner, the pointer led along its
// sides with a click at each corner, the finish: the square is selected.
TEST_F(SelectFrame, EdgeLassoTracesASquare) {
    CanvDoc* doc = NewDoc(80, 60);
    apptest::FillBasePlane(doc, DarkSquare);
    Tool(CMD_TOOL_EDGELASSO);
    auto pointAt = [&](int x, int y) {
        samples_ = {{At(doc, x, y).x, At(doc, x, y).y, 0}};
        InjectMouseSamples(samples_.data(), 1);
        c_SelectionTool::UpdateCursor(doc);
        InjectMouseSamples(nullptr, 0);
    };
    Click(doc, At(doc, 20, 15));
    ASSERT_EQ(CMD_TOOL_EDGELASSO, doc->selShapes[5].kind);
    const int corners[][2] = {{59, 15}, {59, 44}, {20, 44}};
    for (const auto& k : corners) {
        pointAt((k[0] + 40) / 2, (k[1] + 30) / 2);   // on the way
        pointAt(k[0], k[1]);
        Click(doc, At(doc, k[0], k[1]));
    }
    pointAt(20, 20);
    samples_ = {{At(doc, 20, 20).x, At(doc, 20, 20).y, 0}};
    InjectMouseSamples(samples_.data(), 1);
    EXPECT_EQ(1, c_SelectionTool::ShowShapeMenu(doc));
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    EXPECT_EQ(0, SelGetMaskPixel(doc, 40, 30));
    EXPECT_EQ(0, SelGetMaskPixel(doc, 23, 18));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 10, 30));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 70, 30));
    EXPECT_EQ(255, SelGetMaskPixel(doc, 40, 52));
}

// The pen's polygon tools: clicks place the corners, the finish fills (20018)
// or strokes (20025) the polygon with the pen, as one undo step, and makes no
// selection.
TEST_F(SelectFrame, PenPolygonsFromClicks) {
    SetPenColourRgb(0, 0, 200);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    struct Case {
        int tool;
        bool centrePainted;
    } cases[] = {{CMD_TOOL_DRAWPOLYFILL, true}, {CMD_TOOL_DRAWPOLY, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        CanvDoc* doc = NewDoc(80, 60);
        Tool(c.tool);
        EXPECT_EQ(1, ClickCornersAndFinish(doc, {{10, 10}, {70, 10}, {70, 50}}, {10, 50}));
        EXPECT_EQ(c.centrePainted, Px(doc, 40, 30) != Pattern(40, 30));
        EXPECT_NE(Pattern(40, 10), Px(doc, 40, 10)) << "the top side";
        EXPECT_EQ(Pattern(76, 56), Px(doc, 76, 56));
        EXPECT_EQ(nullptr, doc->selectionMask);
        EXPECT_EQ(0, doc->selShapes[1].count);
        SendMessageA(doc->window, WM_COMMAND, CMD_EDIT_UNDO, 0);
        EXPECT_EQ(Pattern(40, 10), Px(doc, 40, 10)) << "one undo step takes the polygon away";
        EXPECT_EQ(Pattern(40, 30), Px(doc, 40, 30));
    }
    PenOpacity = opacity;
}

// The frame window as it shows on the screen, written as a 24-bit BMP.
void SaveScreenOf(HWND wnd, const std::string& path) {
    RECT r;
    GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> bits((size_t)stride * h);
    GetDIBits(dc, bitmap, 0, (UINT)h, bits.data(), (BITMAPINFO*)&bi, DIB_RGB_COLORS);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + (DWORD)bits.size();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&bi, sizeof bi, 1, f);
        std::fwrite(bits.data(), 1, bits.size(), f);
        std::fclose(f);
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(SelectFrame, Screenshots) {
    const char* folder = std::getenv("DARNA_SELECT_SHOTS");
    if (!folder) GTEST_SKIP() << "DARNA_SELECT_SHOTS names the folder of the pictures";
    ShowWindow(AppWindows.frame, SW_SHOWNORMAL);
    SetWindowPos(AppWindows.frame, HWND_TOP, 0, 0, 1000, 760, SWP_SHOWWINDOW);
    CanvDoc* doc = NewDoc(500, 360);
    ASSERT_NE(nullptr, doc);
    SetWindowPos(doc->window, HWND_TOP, 0, 0, 620, 460, SWP_SHOWWINDOW);
    apptest::Pump(500);
    const std::string dir = std::string(folder) + "\\";
    // Marching ants around an ellipse.
    Tool(CMD_TOOL_SELELLIPSE);
    Drag(doc, At(doc, 60, 50), At(doc, 200, 150), At(doc, 360, 260));
    RedrawNow(doc->display);
    apptest::Pump(500);
    SaveScreenOf(AppWindows.frame, dir + "select_ellipse.bmp");
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_DESELECT, 0);
    // A floating paste being moved.
    VmsImage* image = g_VmsStore.Create(160, 100, 24, 0, 1);
    std::vector<uint32_t> row(160);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 160; ++x) row[x] = (uint32_t)((x * 255 / 160) << 16 | (y * 255 / 100) << 8 | 0x60);
        g_VmsStore.PutRow(image, y, 0, 159, row.data());
    }
    ASSERT_TRUE(FloatImage(doc, image, nullptr, 40, 40, 0));
    Drag(doc, At(doc, 100, 80), At(doc, 150, 120), At(doc, 220, 160));
    RedrawNow(doc->display);
    apptest::Pump(500);
    SaveScreenOf(AppWindows.frame, dir + "select_floating.bmp");
    CancelFloating(doc);
    // A Bezier path with the handles of its selected node.
    Tool(CMD_TOOL_PATH);
    Drag(doc, At(doc, 80, 80), At(doc, 120, 40), At(doc, 160, 30));
    Drag(doc, At(doc, 380, 90), At(doc, 420, 160), At(doc, 430, 200));
    Drag(doc, At(doc, 300, 300), At(doc, 250, 320), At(doc, 200, 330));
    samples_ = {{At(doc, 90, 280).x, At(doc, 90, 280).y, 0}};
    InjectMouseSamples(samples_.data(), 1);
    c_SelectionTool::ShowShapeMenu(doc);
    InjectMouseSamples(nullptr, 0);
    Click(doc, At(doc, 380, 90));   // selects that anchor: its handles show
    RedrawNow(doc->display);
    apptest::Pump(500);
    SaveScreenOf(AppWindows.frame, dir + "select_path.bmp");
    // The amount dialog of grow.
    {
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            if (r.attempt == 0) SetWindowPos(r.dialog, HWND_TOP, 300, 300, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            if (r.attempt < 4) {
                RedrawNow(r.dialog);
                apptest::Pump(200);
                return kModalAskAgain;
            }
            SaveScreenOf(r.dialog, dir + "select_amount.bmp");
            return (int)IDCANCEL;
        });
        SendMessageA(doc->window, WM_COMMAND, CMD_SEL_GROW, 0);
    }
    SendMessageA(doc->window, WM_COMMAND, CMD_SEL_DESELECT, 0);
    ShowWindow(AppWindows.frame, SW_HIDE);
}

}  // namespace
