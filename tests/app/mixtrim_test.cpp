// The trim panel and the image-mix dialog in the running frame: numbers and
// tool points become the canvas's rectangle, "トリミング" crops to it; the mix
// places the chosen canvas's selection as a picked layer at the opacity, size
// and position chosen.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "adjust/mix_dialog.h"
#include "adjust/trim_dialog.h"
#include "app/canvas_request.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_layers.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_tool.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

using namespace apptest;
using testsupport::TempDir;

namespace {

struct Frame {
    TempDir dir{"mixtrim"};
    bool ok = false;
    Frame() { ok = StartFrame(dir.Path()); }
    ~Frame() {
        EndTestFrame(ok);
    }
};

// A blank canvas made active, its base layer painted with a pattern that
// tells every pixel apart.
CanvDoc* OpenPainted(int w, int h) {
    HWND child = OpenBlankCanvas(w, h);
    if (!child) return nullptr;
    Pump(50);
    CanvDoc* doc = GetCanvDoc(child);
    if (!doc) return nullptr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g_VmsStore.SetRgb(doc->planes[0].image, x, y, x * 3 & 255, y * 5 & 255, 77);
    return doc;
}

int Rgb(const VmsImage* image, int x, int y) {
    int r = -1, g = -1, b = -1;
    g_VmsStore.GetRgb(image, x, y, &r, &g, &b);
    return r << 16 | g << 8 | b;
}

int Value(const VmsImage* image, int x, int y) {
    int v = -1;
    g_VmsStore.GetValue(image, x, y, &v);
    return v;
}

// The child dialog of a window that holds the control.
HWND PanelWith(HWND dialog, int id) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgItem(c, id)) return c;
    return nullptr;
}

std::string ItemText(HWND dlg, int id) {
    char text[32] = {};
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

HWND OpenTrimPanel() {
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_TRIM, 0);
    return FrameState.trimDialog;
}

}  // namespace

TEST(TrimPanel, TypedNumbersKeepTheRectangleOnTheCanvasAndBecomeTheSelection) {
    Frame f;
    ASSERT_TRUE(f.ok);
    CanvDoc* doc = OpenPainted(64, 48);
    ASSERT_TRUE(doc);
    HWND trim = OpenTrimPanel();
    ASSERT_TRUE(trim && IsWindow(trim));
    HWND panel = PanelWith(trim, TrimIdX0);
    ASSERT_TRUE(panel);
    // The whole canvas at first.
    EXPECT_EQ("0", ItemText(panel, TrimIdX0));
    EXPECT_EQ("63", ItemText(panel, TrimIdX1));
    EXPECT_EQ("47", ItemText(panel, TrimIdY1));

    struct Case {
        int id;
        const char* typed;
        RECT want;       // the rectangle after the typing
    } cases[] = {
        {TrimIdX0, "10", {10, 0, 63, 47}},
        {TrimIdX1, "5", {10, 0, 11, 47}},      // not above the start: start + 1
        {TrimIdX1, "999", {10, 0, 63, 47}},    // off the canvas: its last column
        {TrimIdY0, "60", {10, 46, 63, 47}},    // below the end: end - 1
        {TrimIdY0, "", {10, 0, 63, 47}},       // empty start: 0
        {TrimIdY1, "30", {10, 0, 63, 30}},
        {TrimIdX0, "", {0, 0, 63, 30}},
    };
    for (const Case& c : cases) {
        SetDlgItemTextA(panel, c.id, c.typed);
        const RECT r = TrimRectangle();
        EXPECT_EQ(c.want.left, r.left) << c.id << " " << c.typed;
        EXPECT_EQ(c.want.top, r.top) << c.id << " " << c.typed;
        EXPECT_EQ(c.want.right, r.right) << c.id << " " << c.typed;
        EXPECT_EQ(c.want.bottom, r.bottom) << c.id << " " << c.typed;
    }
    SetDlgItemTextA(panel, TrimIdX1, "0");   // stored as 1
    // Half a second after the last change the numbers are rewritten and the
    // rectangle is the canvas's selection.
    EXPECT_TRUE(PumpUntil([&] { return ItemText(panel, TrimIdX1) == "1"; }, 10000));
    const SelShape& s = doc->selShapes[0];
    EXPECT_EQ(CMD_TOOL_SELRECT, s.kind);
    EXPECT_EQ(0, s.x0);
    EXPECT_EQ(0, s.y0);
    EXPECT_EQ(1, s.x1);
    EXPECT_EQ(30, s.y1);
    ASSERT_TRUE(doc->selectionMask);
    EXPECT_EQ(0, Value(doc->selectionMask, 1, 30));     // selected
    EXPECT_EQ(255, Value(doc->selectionMask, 2, 30));   // outside

    // A spin step down on the end y.
    SendMessageA(panel, WM_VSCROLL, SB_LINEDOWN, (LPARAM)GetDlgItem(panel, TrimIdY1 + 1));
    EXPECT_EQ(29, TrimRectangle().bottom);
    EXPECT_EQ("29", ItemText(panel, TrimIdY1));
}

TEST(TrimPanel, ToolPointsFillTheNumbersAndTrimCropsToThem) {
    Frame f;
    ASSERT_TRUE(f.ok);
    CanvDoc* doc = OpenPainted(64, 48);
    ASSERT_TRUE(doc);
    HWND source = doc->window;
    HWND trim = OpenTrimPanel();
    ASSERT_TRUE(trim && IsWindow(trim));
    HWND panel = PanelWith(trim, TrimIdX0);
    ASSERT_TRUE(panel);
    // What the trim tool sends at the end of a drag.
    SendMessageA(trim, TrimMsgStart, 0, MAKELPARAM(10, 5));
    SendMessageA(trim, TrimMsgEnd, 0, MAKELPARAM(29, 24));
    EXPECT_EQ("10", ItemText(panel, TrimIdX0));
    EXPECT_EQ("5", ItemText(panel, TrimIdY0));
    EXPECT_EQ("29", ItemText(panel, TrimIdX1));
    EXPECT_EQ("24", ItemText(panel, TrimIdY1));
    EXPECT_NE(CMD_TOOL_SELRECT, doc->selShapes[0].kind) << "the selection waits for the timer";
    // Trimming at once, before the timer: the rectangle shown is the one cut.
    SendMessageA(panel, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(trim));
    EXPECT_EQ(nullptr, FrameState.trimDialog);
    Pump(300);
    CanvDoc* cut = GetActiveCanvas();
    ASSERT_TRUE(cut);
    ASSERT_NE(source, cut->window) << "the trim makes a new canvas";
    EXPECT_EQ(20, cut->width);
    EXPECT_EQ(20, cut->height);
    CanvDoc* from = GetCanvDoc(source);
    ASSERT_TRUE(from);
    for (int y : {0, 7, 19})
        for (int x : {0, 11, 19})
            EXPECT_EQ(Rgb(from->planes[0].image, x + 10, y + 5), Rgb(cut->planes[0].image, x, y)) << x << "," << y;
}

TEST(TrimPanel, CloseAndAnotherCanvasEndThePanel) {
    Frame f;
    ASSERT_TRUE(f.ok);
    CanvDoc* other = OpenPainted(40, 30);
    ASSERT_TRUE(other);
    ASSERT_TRUE(OpenPainted(40, 30));
    HWND trim = OpenTrimPanel();
    ASSERT_TRUE(trim && IsWindow(trim));
    EXPECT_EQ(CMD_TOOL_TRIM, CurrentTool);
    SendMessageA(PanelWith(trim, TrimIdX0), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(trim));
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);

    trim = OpenTrimPanel();
    ASSERT_TRUE(trim && IsWindow(trim));
    SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)other->window, 0);
    EXPECT_FALSE(IsWindow(trim)) << "the panel belongs to the canvas it was opened over";
    EXPECT_EQ(nullptr, FrameState.trimDialog);
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
}

TEST(MixDialog, WithoutAnotherCanvasItSaysSo) {
    Frame f;
    ASSERT_TRUE(f.ok);
    CanvDoc* doc = OpenPainted(40, 30);
    ASSERT_TRUE(doc);
    BoxAnswers answers;
    AnswerBoxes(&answers);
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_MIX, 0);
    AnswerBoxes(nullptr);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("合成できる画像がありません。合成したい画像を読み込んでください。", answers.texts[0]);
    EXPECT_EQ(nullptr, doc->planes[CanvPlanesPerLayer].image) << "no layer";
}

namespace {

struct MixScript {
    const char* opacity;
    const char* size;
    int pattern;                // 0 none
    int dragX, dragY;           // cursor travel in the preview (0, 0: no drag)
    int button;                 // IDOK or IDCANCEL
    int gaugeOpacity = -1;      // an opacity set by a click on its gauge (-1: none)
};

// A click on the opacity gauge where it means the value.
void ClickOpacityGauge(HWND panel, int value) {
    HWND gauge = GetDlgItem(panel, MixIdOpacityGauge);
    RECT rc;
    GetClientRect(gauge, &rc);
    int x = 0;
    while (x < rc.right && (x * 100 - 400) / (rc.right - 9) < value) ++x;
    POINT at = {x, rc.bottom / 2};
    ClientToScreen(gauge, &at);
    const MouseSample samples[] = {{at.x, at.y, kSampleLeft}, {at.x, at.y, 0}};
    InjectMouseSamples(samples, 2);
    ScreenToClient(panel, &at);
    SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    InjectMouseSamples(nullptr, 0);
}

int DriveMix(const ModalRequest& r, void* user) {
    const MixScript* s = (const MixScript*)user;
    if (!r.templ || std::strcmp(r.templ, "psv_mix") != 0) return IDOK;
    HWND panel = PanelWith(r.dialog, MixIdOpacity);
    if (!panel) return IDCANCEL;
    SetDlgItemTextA(panel, MixIdOpacity, s->opacity);
    SetDlgItemTextA(panel, MixIdSize, s->size);
    if (s->pattern) SendMessageA(panel, WM_COMMAND, MixIdPattern0 + s->pattern, 0);
    if (s->gaugeOpacity >= 0) {
        ClickOpacityGauge(panel, s->gaugeOpacity);
        if (ItemText(panel, MixIdOpacity) != std::to_string(s->gaugeOpacity)) return IDCANCEL;
    }
    if (s->dragX || s->dragY) {
        HWND view = GetDlgItem(r.dialog, MixIdView);
        POINT p = {150, 200};
        ClientToScreen(view, &p);
        const MouseSample samples[] = {
            {p.x, p.y, kSampleLeft},
            {p.x + s->dragX / 2, p.y + s->dragY / 2, kSampleLeft},
            {p.x + s->dragX, p.y + s->dragY, kSampleLeft},
            {p.x + s->dragX, p.y + s->dragY, 0},
        };
        InjectMouseSamples(samples, 4);
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 200));
        InjectMouseSamples(nullptr, 0);
    }
    return s->button;
}

}  // namespace

TEST(MixDialog, PlacesTheSelectionAsAPickedLayer) {
    Frame f;
    ASSERT_TRUE(f.ok);
    // The source: a 20 x 15 rectangle selected at (4, 3).
    CanvDoc* source = OpenPainted(40, 30);
    ASSERT_TRUE(source);
    SelShape& shape = c_SelectionTool::Current(source);
    shape.kind = CMD_TOOL_SELRECT;
    shape.x0 = 4, shape.y0 = 3, shape.x1 = 23, shape.y1 = 17;
    c_SelectionTool::CommitShape(source, 0);

    struct Case {
        MixScript script;
        int x, y, w, h;         // the new layer (w 0: no layer)
        int alpha;              // its transparency at (0, 0) (-1: not checked)
        bool ramp;              // the transparency changes across the layer
    } cases[] = {
        {{"100", "100", 0, 0, 0, IDOK}, 0, 0, 20, 15, 255, false},
        {{"50", "100", 0, 0, 0, IDOK}, 0, 0, 20, 15, 127, false},
        {{"100", "50", 0, 0, 0, IDOK}, 0, 0, 10, 7, 255, false},
        {{"100", "100", 0, 900, 900, IDOK}, 64 - 10, 48 - 10, 20, 15, 255, false},   // 10 pixels stay
        {{"100", "100", 0, -900, -900, IDOK}, 10 - 20, 10 - 15, 20, 15, -1, false},
        {{"100", "100", 1, 0, 0, IDOK}, 0, 0, 20, 15, -1, true},
        {{"100", "100", 0, 0, 0, IDOK, 50}, 0, 0, 20, 15, 127, false},   // the gauge and its edit
        {{"50", "100", 0, 0, 0, IDCANCEL}, 0, 0, 0, 0, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.script.opacity) + "% " + c.script.size + "% drag " +
                     std::to_string(c.script.dragX) + " pattern " + std::to_string(c.script.pattern));
        CanvDoc* target = OpenPainted(64, 48);
        ASSERT_TRUE(target);
        PenOpacity = 200;
        SetModalAnswerHook(DriveMix, (void*)&c.script);
        SendMessageA(target->window, WM_COMMAND, CMD_IMG_MIX, 0);
        SetModalAnswerHook(nullptr, nullptr);
        EXPECT_EQ(200, PenOpacity) << "the pen's opacity comes back";
        EXPECT_EQ(1, GetMixChoice().candidates);
        const LayerPlane* layer = &target->planes[CanvPlanesPerLayer];
        if (c.w == 0) {
            EXPECT_EQ(nullptr, layer->image);
        } else if (layer->image) {
            EXPECT_EQ(c.x, layer->x);
            EXPECT_EQ(c.y, layer->y);
            EXPECT_EQ(c.w, layer->width);
            EXPECT_EQ(c.h, layer->height);
            // Picked for the layer-move tool.
            EXPECT_EQ(CanvPlanesPerLayer, target->currentPlane);
            EXPECT_EQ(2, layer->frameHighlight);
            EXPECT_EQ(0, target->planes[0].frameHighlight);
            EXPECT_EQ(CMD_TOOL_LAYERSELECT, target->selShapes[9].kind);
            if (c.w == 20) {
                EXPECT_EQ(Rgb(source->planes[0].image, 4, 3), Rgb(layer->image, 0, 0));
                EXPECT_EQ(Rgb(source->planes[0].image, 23, 17), Rgb(layer->image, 19, 14));
            }
            if (c.alpha >= 0) {
                EXPECT_EQ(c.alpha, Value(layer[1].image, 0, 0));
                EXPECT_EQ(c.alpha, Value(layer[1].image, c.w - 1, c.h - 1));
            }
            if (c.ramp) {
                EXPECT_NE(Value(layer[1].image, 0, 0), Value(layer[1].image, 19, 14));
            }
        } else {
            ADD_FAILURE() << "no layer was added";
        }
        SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)target->window, 0);
        Pump(50);
    }
}
