// Fades and the selection in the running frame: a gradient-ellipse selection
// filled with the pen fades from its centre (and leaves a picture of the frame
// in build/tests/frame_shots/, another with a shadowed text placed beside the
// fill), a pen stroke across a rectangle selection stays inside it while the
// stored switch says so, and a chosen fade lasts until a document becomes
// active, the tool changes or the selection goes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/envblock.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "select/floating.h"
#include "select/sel_tool.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "window_shot.h"

using namespace apptest;
using testsupport::TempDir;

namespace {

uint32_t White(int, int) { return 0xFFFFFFu; }

// The frame started in the folder and shown, 900 x 700, with every bar.
bool StartShownFrame(const std::string& folder) {
    if (!StartFrame(folder, {}, SW_SHOWNORMAL)) return false;
    ShowEveryBar();
    MoveWindow(AppWindows.frame, 0, 0, 900, 700, TRUE);
    return true;
}

// The active canvas, white, shown at 100 %; its window or null.
HWND WhitePaper(int w, int h) {
    HWND canvas = OpenBlankCanvas(w, h);
    CanvDoc* doc = canvas ? GetCanvDoc(canvas) : nullptr;
    if (!doc) return nullptr;
    SetZoomAt(canvas, doc, 100.0);
    FillBasePlane(doc, White);
    return canvas;
}

// What the display shows at an image point (zoom 100 %), as 0xRRGGBB.
uint32_t Shown(CanvDoc* doc, int x, int y) {
    HDC dc = GetDC(doc->display);
    const COLORREF c = GetPixel(dc, ImageToScreenX(doc, x), ImageToScreenY(doc, y));
    ReleaseDC(doc->display, dc);
    return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}

uint32_t Px(CanvDoc* doc, int x, int y) {
    uint32_t v = 0;
    g_VmsStore.GetRow(doc->planes[0].image, y, x, x, &v);
    return v & 0xFFFFFFu;
}

// The pen's red laid over white (the small tip is soft: it mixes with the paper).
bool Painted(uint32_t px) {
    const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
    return r - g >= 60 && g == b;
}

// Screen point of an image point of the document.
POINT At(CanvDoc* doc, int x, int y) {
    POINT p = {ImageToScreenX(doc, x), ImageToScreenY(doc, y)};
    ClientToScreen(doc->display, &p);
    return p;
}

void Tool(int id) { SendMessageA(AppWindows.frame, WM_COMMAND, id, 0); }

// A selection drawn by the current selection tool from one image point to another.
void DragSelection(CanvDoc* doc, POINT from, POINT to) {
    const POINT a = At(doc, from.x, from.y), b = At(doc, to.x, to.y);
    std::vector<MouseSample> samples = {
        {a.x, a.y, kSampleLeft}, {(a.x + b.x) / 2, (a.y + b.y) / 2, kSampleLeft}, {b.x, b.y, kSampleLeft}, {b.x, b.y, 0}};
    InjectMouseSamples(samples.data(), (int)samples.size());
    c_SelectionTool::OnMouseDown(doc);
    InjectMouseSamples(nullptr, 0);
}

// A left-button stroke of the current tool along row y from x0 to x1, pressed
// on the document's display as the mouse does.
void StrokeRow(CanvDoc* doc, int y, int x0, int x1) {
    std::vector<MouseSample> samples;
    for (int x = x0; x <= x1; x += 2) {
        const POINT p = At(doc, x, y);
        samples.push_back({p.x, p.y, kSampleLeft});
    }
    samples.push_back(samples.back());
    samples.back().buttons = 0;
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
    POINT start = {samples.front().x, samples.front().y};
    ScreenToClient(doc->display, &start);
    SendMessageA(doc->display, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
    InjectMouseSamples(nullptr, 0);
}

bool MenuChecked(int id) {
    HMENU menu = GetMenu(AppWindows.frame);
    SendMessageA(AppWindows.frame, WM_INITMENU, (WPARAM)menu, 0);
    return (GetMenuState(menu, (UINT)id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

int ActiveModes() {
    int bits = 0;
    for (int i = 0; i < kToneModeCount; ++i)
        if (c_ToneMask::Settings.modes[i]) bits |= 1 << i;
    return bits;
}

// The settings file with nothing in it but the pen's switch for selections.
bool WriteEnvWithInsideSwitch(const std::string& folder, int on) {
    EnvBlock env = {};
    env.penInsideSelection = on;
    return testsupport::WriteFileBytes(folder + "env_.env", &env, sizeof env);
}

}  // namespace

// The gradient-ellipse tool's selection makes the next command's fill fade
// from the ellipse's centre (full colour) to its rim (nothing), the same to
// every side; nothing outside the ellipse changes.
TEST(ToneFrame, GradientEllipseSelectionFillFadesFromItsCentre) {
    TempDir dir("tonefill");
    ASSERT_TRUE(StartShownFrame(dir.Path()));
    HWND canvas = WhitePaper(240, 180);
    ASSERT_TRUE(canvas);
    CanvDoc* doc = GetCanvDoc(canvas);
    Tool(CMD_TOOL_SELGRADIENT);
    DragSelection(doc, {40, 30}, {199, 149});   // centre (119, 89), half sizes 80 and 60
    ASSERT_EQ(CMD_TOOL_SELGRADIENT, doc->selShapes[0].kind);
    SetPenColourRgb(0, 0, 0);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    SendMessageA(canvas, WM_COMMAND, CMD_IMG_FILLSEL, 0);
    PenOpacity = opacity;
    EXPECT_EQ(1 << 4, ActiveModes()) << "the radial fade bright in the centre, alone";

    auto grey = [&](int x, int y) { return (int)(Px(doc, x, y) & 0xFF); };
    EXPECT_LE(grey(119, 89), 8) << "the centre takes the colour";
    // Along each half axis the fill fades out toward the rim.
    const int cx = 119, cy = 89;
    for (int d : {20, 40, 60}) {
        SCOPED_TRACE(d);
        EXPECT_LT(grey(cx + d, cy), grey(cx + d + 15, cy)) << "lighter further out";
        EXPECT_NEAR(grey(cx + d, cy), grey(cx - d, cy), 6) << "left and right alike";
    }
    EXPECT_GT(grey(cx + 40, cy), 40) << "half way out is partly painted";
    EXPECT_LT(grey(cx + 40, cy), 215);
    EXPECT_NEAR(grey(cx, cy + 30), grey(cx, cy - 30), 6) << "above and below alike";
    EXPECT_NEAR(grey(cx + 40, cy), grey(cx, cy + 30), 12) << "half way out is half way in both axes";
    EXPECT_GE(grey(cx + 78, cy), 220) << "the rim is nearly untouched";
    for (POINT p : {POINT{41, 31}, POINT{198, 148}, POINT{10, 10}, POINT{230, 170}})
        EXPECT_EQ(0xFFFFFFu, Px(doc, p.x, p.y)) << p.x << "," << p.y << " lies outside the ellipse";

    MoveWindow(canvas, 0, 0, 300, 260, TRUE);
    RedrawCanvas(doc);
    Pump(300);
    const std::string shots = testsupport::ExeFolder() + "frame_shots\\";
    CreateDirectoryA(shots.c_str(), nullptr);
    EXPECT_TRUE(testsupport::ShootWindow(AppWindows.frame, shots + "gradient_ellipse_fill.png"));
    CloseCanvasUnsaved(canvas);
    EndTestFrame(true);
}

// A text with its shadow placed by the text-placing tool and a filled
// gradient ellipse beside it: the document window shows both at once, the
// text in the pen's colour and its shadow in the shadow colour, the fill dark
// in its centre and fading out; the frame is pictured in
// build/tests/frame_shots/.
TEST(ToneFrame, ShadowedTextBesideAGradientFillIsShownAndPictured) {
    TempDir dir("toneshot");
    ASSERT_TRUE(StartShownFrame(dir.Path()));
    HWND canvas = WhitePaper(480, 220);
    ASSERT_TRUE(canvas);
    CanvDoc* doc = GetCanvDoc(canvas);
    MoveWindow(canvas, 0, 0, 540, 300, TRUE);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    Pen.drawingMode = ModeColour;

    // The text floats at the top left of the document and becomes a layer.
    ResetTextSettings();
    SetBlueShadowedText("TH", 96, 6, 4);
    SetPenColourRgb(200, 10, 10);
    Tool(CMD_TOOL_FLOAT);
    ASSERT_EQ(doc, FloatingTarget());
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));

    // Beside it, a gradient ellipse of radius 80 filled with black.
    const int left = frame.right + 20, cx = left + 80, cy = 105;
    ASSERT_LT(left + 160, 480) << "room beside the text";
    Tool(CMD_TOOL_SELGRADIENT);
    DragSelection(doc, {left, cy - 80}, {left + 159, cy + 79});
    ASSERT_EQ(CMD_TOOL_SELGRADIENT, doc->selShapes[0].kind);
    SetPenColourRgb(0, 0, 0);
    SendMessageA(canvas, WM_COMMAND, CMD_IMG_FILLSEL, 0);
    SendMessageA(canvas, WM_COMMAND, CMD_SEL_DESELECT, 0);
    PenOpacity = opacity;
    RedrawCanvas(doc);
    Pump(300);

    int text = 0, shadow = 0;
    for (int y = frame.top; y <= frame.bottom; ++y)
        for (int x = frame.left; x <= frame.right; ++x) {
            const uint32_t c = Shown(doc, x, y);
            text += c == 0xC80A0Au;
            shadow += c == 0x0000FFu;
        }
    EXPECT_GT(text, 50) << "the text in the pen's colour";
    EXPECT_GT(shadow, 20) << "its shadow in the shadow colour";
    const int centre = (int)(Shown(doc, cx, cy) & 0xFF), halfway = (int)(Shown(doc, cx + 40, cy) & 0xFF);
    EXPECT_LE(centre, 8) << "the fill's centre";
    EXPECT_GT(halfway, centre + 40) << "fading toward the rim";
    EXPECT_LT(halfway, 230);

    const std::string shots = testsupport::ExeFolder() + "frame_shots\\";
    CreateDirectoryA(shots.c_str(), nullptr);
    EXPECT_TRUE(testsupport::ShootWindow(AppWindows.frame, shots + "text_shadow_and_gradient.png"));
    ResetTextSettings();
    CloseCanvasUnsaved(canvas);
    EndTestFrame(true);
}

// With the switch on (as the shipped settings have it) a stroke that crosses a
// rectangle selection paints only inside it; the selection menu shows the
// switch and toggles it, after which strokes cross the border; the switch is
// written back with the settings.
TEST(ToneFrame, PenStrokeStaysInsideARectangleSelectionWhileTheSwitchIsOn) {
    TempDir dir("toneinside");
    ASSERT_TRUE(WriteEnvWithInsideSwitch(dir.Path(), 1));
    ASSERT_TRUE(StartFrame(dir.Path()));
    EXPECT_EQ(1, Pen.selectionFlag) << "read from the settings";
    HWND canvas = WhitePaper(120, 80);
    ASSERT_TRUE(canvas);
    CanvDoc* doc = GetCanvDoc(canvas);
    Tool(CMD_TOOL_SELRECT);
    DragSelection(doc, {30, 20}, {89, 59});
    ASSERT_EQ(CMD_TOOL_SELRECT, doc->selShapes[0].kind);
    Tool(CMD_TOOL_PEN);
    SetPenColourRgb(200, 0, 0);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    struct Case {
        bool switchOn;
        int row;
    } cases[] = {{true, 40}, {false, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switchOn ? "inside only" : "anywhere");
        if (MenuChecked(CMD_PEN_INSIDESEL) != c.switchOn) SendMessageA(AppWindows.frame, WM_COMMAND, CMD_PEN_INSIDESEL, 0);
        EXPECT_EQ(c.switchOn, MenuChecked(CMD_PEN_INSIDESEL));
        EXPECT_EQ(c.switchOn ? 1 : 0, Pen.selectionFlag);
        StrokeRow(doc, c.row, 10, 110);
        EXPECT_TRUE(Painted(Px(doc, 60, c.row))) << "inside the selection";
        for (int x : {15, 25, 95, 105}) {
            if (c.switchOn) EXPECT_EQ(0xFFFFFFu, Px(doc, x, c.row)) << x;
            else EXPECT_TRUE(Painted(Px(doc, x, c.row))) << x;
        }
    }
    PenOpacity = opacity;
    CloseCanvasUnsaved(canvas);
    ASSERT_TRUE(CloseFrame());
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("env_.env"), &bytes));
    ASSERT_EQ(sizeof(EnvBlock), bytes.size());
    EXPECT_EQ(0, ((const EnvBlock*)bytes.data())->penInsideSelection) << "the switch as it was left";
}

// A fade chosen in the gradient dialog lasts over document commands with an
// ordinary selection; a document becoming active, a tool change and deselect
// clear it; a command over a gradient-ellipse selection puts the radial fade
// in its place.
TEST(ToneFrame, FadeLastsUntilActivationToolChangeOrDeselect) {
    TempDir dir("tonemodes");
    ASSERT_TRUE(StartFrame(dir.Path()));
    EXPECT_NE(nullptr, c_ToneMask::ModesChangedHook) << "the frame repaints its gradient button";
    HWND first = OpenBlankCanvas(100, 80);
    HWND second = OpenBlankCanvas(100, 80);
    ASSERT_TRUE(first && second);
    auto doc = [] { return GetActiveCanvas(); };
    auto select = [&](int tool) {
        Tool(tool);
        SetZoomAt(GetActiveCanvasWindow(), doc(), 100.0);
        DragSelection(doc(), {10, 10}, {59, 49});
    };
    const struct {
        const char* name;
        std::function<void()> setUp, action;
        int modes;
        int chosen = 1 << 0;   // after Ctrl+R, which the frame passes on to the document
    } cases[] = {
        {"another document active", [] {},
         [&] { SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)(doc()->window == first ? second : first), 0); },
         0},
        {"tool change", [] {}, [] { Tool(CMD_TOOL_SELELLIPSE); }, 0},
        {"command over a rectangle selection", [&] { select(CMD_TOOL_SELRECT); },
         [&] { SendMessageA(doc()->window, WM_COMMAND, CMD_VIEW_ZOOMIN, 0); }, 1 << 0},
        {"deselect", [&] { select(CMD_TOOL_SELRECT); },
         [&] { SendMessageA(doc()->window, WM_COMMAND, CMD_SEL_DESELECT, 0); }, 0},
        {"command over a gradient ellipse", [&] { select(CMD_TOOL_SELGRADIENT); },
         [&] { SendMessageA(doc()->window, WM_COMMAND, CMD_VIEW_ZOOMIN, 0); }, 1 << 4,
         // the dialog's command reaches the document too: the ellipse's own fade
         1 << 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        ChooseFade(0);
        ASSERT_EQ(c.chosen, ActiveModes());
        c.action();
        EXPECT_EQ(c.modes, ActiveModes());
        SendMessageA(doc()->window, WM_COMMAND, CMD_SEL_DESELECT, 0);
    }
    CloseCanvasUnsaved(first);
    CloseCanvasUnsaved(second);
    EndTestFrame(true);
}
