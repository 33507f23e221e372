// The painting tools in the running frame: F5 toggles the tablet dialog, the
// text command makes the text a layer of the active canvas, the pen panel's
// roller and fancy-pen pages list the shipped data. A disabled scene paints
// on a canvas and asks for screenshots (scripts/paint_shots.sh runs it and
// takes them).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../adjust/dialog_driving.h"
#include "app/canvas_request.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "fileio/plugin_write.h"
#include "image/pen_colour.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/level_dialog.h"
#include "adjust/tone_curve.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/stamp_pages.h"
#include "paint/stroke.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "paint/tone_select.h"
#include "resources/resource.h"
#include "select/floating.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

using namespace apptest;
using namespace adjusttest;
using testsupport::TempDir;

namespace {

// A program folder with the pen's data, the bitmap and PNG plug-ins and
// Sticker.dll, and the frame started in it.
struct PaintFrame {
    TempDir dir{"pfr"};
    bool ok = false;
    explicit PaintFrame(int show = SW_HIDE) {
        for (const char* sub : {"stamp", "koro", "ttexture"}) CopyTree(Dist() + sub + "\\", dir.File(sub) + "\\");
        CreateDirectoryA(dir.File("file_r").c_str(), nullptr);
        CreateDirectoryA(dir.File("file_w").c_str(), nullptr);
        for (const char* f : {"file_r\\pngload.dll", "file_r\\bmpload.dll", "file_w\\bmpsave.dll", "Sticker.dll"})
            CopyFileA((Dist() + f).c_str(), dir.File(f).c_str(), FALSE);
        ok = StartFrame(dir.Path(), {}, show);
        if (ok) ShowEveryBar();
    }
    ~PaintFrame() {
        EndTestFrame(ok);
    }
};

// Pictures of a modal dialog without the answer hook (which keeps the dialog
// from painting): a thread timer finds the thread's newest visible popup,
// runs the step's action, asks for the picture, and ends the dialog by
// posting the given command to the window that handles it.
struct TimedShot {
    const char* name = nullptr;
    void (*action)(HWND dialog) = nullptr;
    int endCommand = IDOK;
    bool endThroughPanel = false;
    int tick = 0;
    HWND dialog = nullptr;
} g_Timed;

BOOL CALLBACK NewestPopup(HWND wnd, LPARAM lp) {
    if (IsWindowVisible(wnd) && wnd != AppWindows.frame && (GetWindowLongA(wnd, GWL_STYLE) & WS_CAPTION))
        *(HWND*)lp = wnd;
    return *(HWND*)lp ? FALSE : TRUE;
}

void CALLBACK TimedShotTick(HWND, UINT, UINT_PTR id, DWORD) {
    TimedShot& t = g_Timed;
    const char* folder = std::getenv("DARNA_PAINT_SHOTS");
    std::string ready = std::string(folder ? folder : ".") + "\\" + t.name + ".ready";
    if (!t.dialog) {
        EnumThreadWindows(GetCurrentThreadId(), NewestPopup, (LPARAM)&t.dialog);
        if (!t.dialog) return;
        if (t.action) t.action(t.dialog);
        return;
    }
    ++t.tick;
    if (t.tick == 4) testsupport::WriteFileBytes(ready, "1", 1);
    if (t.tick > 4 && (GetFileAttributesA(ready.c_str()) == INVALID_FILE_ATTRIBUTES || t.tick > 60)) {
        KillTimer(nullptr, id);
        HWND target = t.dialog;
        if (t.endThroughPanel) {
            for (HWND c = GetWindow(t.dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (GetDlgItem(c, IDOK)) target = c;
        }
        PostMessageA(target, WM_COMMAND, t.endCommand, 0);
    }
}

void ArmTimedShot(const char* name, void (*action)(HWND), int endCommand, bool throughPanel) {
    g_Timed = TimedShot();
    g_Timed.name = name;
    g_Timed.action = action;
    g_Timed.endCommand = endCommand;
    g_Timed.endThroughPanel = throughPanel;
    SetTimer(nullptr, 0, 250, TimedShotTick);
}

// The top layer moved to (x, y), and the canvas drawn again.
void MoveTopLayer(CanvDoc* doc, int x, int y) {
    int top = 0;
    while (top + 1 < CanvMaxLayers && doc->planes[(top + 1) * CanvPlanesPerLayer].image) ++top;
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        doc->planes[top * CanvPlanesPerLayer + k].x = x;
        doc->planes[top * CanvPlanesPerLayer + k].y = y;
    }
    RedrawCanvas(doc);
}

// A picture of the screen: a file "<name>.ready" asks the shots script to
// take it (xwd of the root window), which deletes the file when done; the
// window keeps being drawn meanwhile (at most 15 seconds).
void Shot(HWND wnd, const char* name) {
    const char* folder = std::getenv("DARNA_PAINT_SHOTS");
    if (!folder) return;
    // A dialog answered by the hook is not shown yet.
    if (wnd && !IsWindowVisible(wnd)) ShowWindow(wnd, SW_SHOWNA);
    for (int i = 0; i < 8; ++i) {
        if (wnd) RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(100);
    }
    std::string ready = std::string(folder) + "\\" + name + ".ready";
    testsupport::WriteFileBytes(ready, "1", 1);
    for (int i = 0; i < 150 && GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Pump(100);
}

}  // namespace

TEST(PaintFrame, F5TogglesTheTabletDialog) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_VIEW_TABLET, 0);
    HWND dlg = AppWindows.tabletDialog;
    ASSERT_TRUE(dlg && IsWindow(dlg));
    // The dialog's own OK closes it through the frame.
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(nullptr, AppWindows.tabletDialog);
}

TEST(PaintFrame, PagesListTheShippedStampsAndRollers) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    EXPECT_GE(StampPage(0).paths.size(), 12u);
    EXPECT_GE(StampPage(1).paths.size(), 3u);
    EXPECT_NE(std::string::npos, StampPage(1).paths[0].find("koro\\_"));
    // tone.dat was missing: the tones of ttexture fill the six slots.
    EXPECT_NE(nullptr, std::strstr(c_ToneMask::Paths[0], "ttexture\\"));
    EXPECT_NE(0, c_ToneMask::Paths[5][0]);
}

TEST(PaintFrame, TextCommandFloatsTheTextOverTheActiveCanvas) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    HWND canvas = OpenBlankCanvas(320, 200);
    ASSERT_TRUE(canvas);
    SetModalAnswerHook([](const ModalRequest& r, void*) -> int { return std::strcmp(r.templ, "psv_text") ? 2 : IDOK; },
                       nullptr);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_IMG_TEXT, 0);
    SetModalAnswerHook(nullptr, nullptr);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    // The text floats over the canvas until it is placed as a layer.
    EXPECT_EQ(doc, FloatingTarget());
    EXPECT_EQ(nullptr, doc->planes[8].image);
    EXPECT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    EXPECT_TRUE(doc->planes[8].image != nullptr);   // the text's layer
    EXPECT_EQ(1, TextSettings.stickerRoute);
}

// A sticker placed through the text-placing tool: pass by pass in its
// colours (backing, shadow at its offset, frame) and the text in the pen's.
TEST(PaintFrame, StickerPlacedPassByPassInItsColours) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(OpenBlankCanvas(320, 200));
    Pump(50);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    ResetTextSettings();
    std::strcpy(TextSettings.text, "Ab");
    TextSettings.stickerRoute = 1;
    TextSettings.frameKind = 0;
    TextSettings.frameThickness = 3;
    TextSettings.backingOn = 1;
    TextSettings.shadowOn = 1;
    TextSettings.shadowDx = 5;
    TextSettings.shadowDy = 3;
    TextSettings.shadowBlur = 0;
    const int backing[3] = {0, 200, 0}, frame[3] = {0, 0, 220}, shadow[3] = {255, 200, 0};
    for (int i = 0; i < 3; ++i) {
        TextSettings.backingColour[i] = backing[i];
        TextSettings.frameColour[i] = frame[i];
        TextSettings.shadowColour[i] = shadow[i];
    }
    Pen.drawingMode = ModeColour;
    const int opacity = PenOpacity;
    PenOpacity = 255;
    SetPenColourRgb(220, 20, 20);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_FLOAT, 0);
    ASSERT_EQ(doc, FloatingTarget());
    RECT box;
    ASSERT_TRUE(GetFloatingFrame(&box));
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    PenOpacity = opacity;
    const LayerPlane* layer = &doc->planes[8];
    ASSERT_TRUE(layer->image);
    // The passes as the renderer gives them: 0 full ink, 255 none.
    VmsImage *t = nullptr, *fr = nullptr, *b = nullptr;
    ASSERT_TRUE(RenderStickerText(AppWindows.frame, 0, &t, &fr, &b));
    const int w = t->width, h = t->height;
    auto read = [&](VmsImage* im) {
        std::vector<uint8_t> v((size_t)w * h);
        for (int y = 0; y < h; ++y) g_VmsStore.GetRow(im, y, 0, w - 1, &v[(size_t)y * w]);
        g_VmsStore.Free(&im);
        return v;
    };
    const std::vector<uint8_t> T = read(t), F = read(fr), B = read(b);
    auto at = [&](const std::vector<uint8_t>& v, int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h ? v[(size_t)y * w + x] : 255;
    };
    auto colourOf = [](const int c[3]) { return (uint32_t)c[0] << 16 | (uint32_t)c[1] << 8 | (uint32_t)c[2]; };
    const uint32_t pen = 0xDC1414u;
    int counts[4] = {};
    for (int y = 0; y < h + 3; ++y)
        for (int x = 0; x < w + 5; ++x) {
            uint32_t want = 0xFFFFFFFFu;
            const bool shaded = at(T, x - 5, y - 3) == 0 || at(F, x - 5, y - 3) == 0;
            const bool noShade = at(T, x - 5, y - 3) == 255 && at(F, x - 5, y - 3) == 255;
            if (at(T, x, y) == 0) want = pen, ++counts[0];
            else if (at(T, x, y) == 255 && at(F, x, y) == 0) want = colourOf(frame), ++counts[1];
            else if (at(T, x, y) == 255 && at(F, x, y) == 255 && at(B, x, y) == 0 && noShade)
                want = colourOf(backing), ++counts[2];
            else if (at(T, x, y) == 255 && at(F, x, y) == 255 && at(B, x, y) == 255 && shaded)
                want = colourOf(shadow), ++counts[3];
            if (want == 0xFFFFFFFFu) continue;
            uint32_t got = 0;
            g_VmsStore.GetRow(layer->image, box.top - layer->y + y, box.left - layer->x + x,
                              box.left - layer->x + x, &got);
            ASSERT_EQ(want, got & 0xFFFFFFu) << x << "," << y;
        }
    for (int k = 0; k < 4; ++k) EXPECT_GT(counts[k], 10) << k;
}

namespace {
// The frame's mouse moves seen while a test listens.
WNDPROC g_FrameProc;
LPARAM g_FrameMouseMove = -1;
LRESULT CALLBACK ListenToFrame(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MOUSEMOVE) g_FrameMouseMove = lp;
    return CallWindowProcA(g_FrameProc, wnd, msg, wp, lp);
}
}  // namespace

// Choosing a stamp puts what the stroke layer holds into its layer and moves
// the mouse to 100, 100 over the frame, which draws the cursor again.
TEST(PaintFrame, ChosenStampMergesTheStrokeLayer) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(OpenBlankCanvas(64, 48));
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    // The pen tool is current already: the merge is the stamp's own.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_PEN, 0);
    ASSERT_EQ(CMD_TOOL_PEN, CurrentTool);
    if (FindLayerByType(doc, LayerTypeStrokeTarget) < 0) AddLayer(doc, 0, 0, 64, 48, LayerTypeStrokeTarget);
    if (FindLayerByType(doc, LayerTypeStroke) < 0) AddLayer(doc, 0, 0, 64, 48, LayerTypeStroke);
    int target = FindLayerByType(doc, LayerTypeStrokeTarget), stroke = FindLayerByType(doc, LayerTypeStroke);
    ASSERT_GE(target, 0);
    ASSERT_GE(stroke, 0);
    std::vector<uint32_t> ink(64, 0x00103070);
    std::vector<uint8_t> opaque(64, 255);
    g_VmsStore.PutRow(doc->planes[stroke].image, 10, 0, 63, ink.data());
    g_VmsStore.PutRow(doc->planes[stroke + 1].image, 10, 0, 63, opaque.data());
    // An opaque stamp: no dialog comes between (whose end activates the
    // canvas again, which merges too).
    VmsImage* flat = g_VmsStore.Create(8, 8, 24, 255, 1);
    ASSERT_NE(0, WriteImageWithPlugin(flat, f.dir.File("stamp\\flat.png").c_str(),
                                      (Dist() + "file_w\\pngsave.dll").c_str()));
    g_VmsStore.Free(&flat);
    RefreshStampPage(0, (f.dir.Path()).c_str());
    int entry = -1;
    for (size_t i = 0; i < StampPage(0).paths.size(); ++i)
        if (StampPage(0).paths[i].find("\\flat.png") != std::string::npos) entry = (int)i;
    ASSERT_GE(entry, 0);
    g_FrameMouseMove = -1;
    g_FrameProc = (WNDPROC)SetWindowLongPtrA(AppWindows.frame, GWLP_WNDPROC, (LONG_PTR)ListenToFrame);
    EXPECT_EQ(1, SelectStamp(AppWindows.frame, entry));
    SetWindowLongPtrA(AppWindows.frame, GWLP_WNDPROC, (LONG_PTR)g_FrameProc);
    EXPECT_EQ(MAKELPARAM(100, 100), g_FrameMouseMove);
    EXPECT_LT(FindLayerByType(doc, LayerTypeStroke), 0);
    int r = 0, g = 0, b = 0;
    g_VmsStore.GetRgb(doc->planes[target].image, 30, 10, &r, &g, &b);
    EXPECT_EQ(0x10, r);
    EXPECT_EQ(0x70, b);
    EXPECT_EQ(CMD_TOOL_PEN, CurrentTool);
}

// The dodge dialog's pen button: the layer stays as it was, the frame
// selects the pen tool in its effect mode and the pen holds the dodged image.
TEST(PaintFrame, EffectPenButtonSelectsThePenWithTheAdjustedImage) {
    PaintFrame f;
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(OpenBlankCanvas(64, 48));
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    VmsImage* plane = doc->planes[0].image;
    std::vector<uint32_t> grey(64, 120u * 0x010101u);
    for (int y = 0; y < 48; ++y) g_VmsStore.PutRow(plane, y, 0, 63, grey.data());
    SetModalAnswerHook(
        [](const ModalRequest& r, void*) -> int {
            if (std::strcmp(r.templ, "psv_ooi") != 0) return IDOK;
            SetLevelForTest(r.dialog, 40);
            return 19997;
        },
        nullptr);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_IMG_DODGE, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(CurrentTool, CMD_TOOL_PEN);
    EXPECT_EQ(c_PenEngine::GetPenKind(), 4);
    int r = 0, g = 0, b = 0;
    g_VmsStore.GetRgb(plane, 30, 20, &r, &g, &b);
    EXPECT_EQ(r, 120);
    ASSERT_TRUE(Pen.brushImages[0]);
    g_VmsStore.GetRgb(Pen.brushImages[0], 30, 20, &r, &g, &b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(b, 255);
}

TEST(PaintFrame, DISABLED_ScreenshotScene) {
    PaintFrame f(SW_SHOWNORMAL);
    ASSERT_TRUE(f.ok);
    MoveWindow(AppWindows.frame, 0, 0, 1280, 1000, TRUE);
    FrameRelayout();
    Pump(500);
    HWND canvas = OpenBlankCanvas(640, 420);
    ASSERT_TRUE(canvas);
    SendMessageA(AppWindows.mdiClient, WM_MDIMAXIMIZE, (WPARAM)canvas, 0);
    CanvDoc* doc = GetActiveCanvas();
    // A gradient over the canvas.
    SetPenColourRgb(40, 90, 200);
    ArmTimedShot("gradient_dialog", [](HWND d) { SendMessageA(d, WM_COMMAND, 114, 0); }, IDOK, false);
    SendMessageA(canvas, WM_COMMAND, CMD_IMG_GRADIENTFILL, 0);
    // Vertical outlined text and decorated sticker text as layers.
    ResetTextSettings();
    SetPenColourRgb(200, 30, 60);
    std::strcpy(TextSettings.text, "縦書き");
    TextSettings.vertical = 1;
    TextSettings.outline = 1;
    TextSettings.fontSize = 48;
    TextSettings.shadowOn = 1;
    LayerFromText(doc);
    MoveTopLayer(doc, 30, 60);
    TextSettings.vertical = 0;
    TextSettings.outline = 1;
    std::strcpy(TextSettings.text, "Outline");
    LayerFromText(doc);
    MoveTopLayer(doc, 380, 40);
    // The text dialog once, with a framed sticker.
    TextSettings.frameKind = 1;
    TextSettings.backingOn = 1;
    TextSettings.style = 5;
    TextSettings.shadowOn = 1;
    TextSettings.vertical = 0;
    TextSettings.outline = 0;
    std::strcpy(TextSettings.text, "Darna\r\nStickers");
    ArmTimedShot("text_dialog", nullptr, IDOK, true);
    ShowTextDialog(AppWindows.frame, doc);
    TextSettings.frameKind = 1;
    TextSettings.backingOn = 1;
    TextSettings.style = 5;
    LayerFromText(doc);
    MoveTopLayer(doc, 200, 170);
    // A roller stroke along the bottom.
    RefreshStampPage(1, f.dir.Path().c_str());
    ArmTimedShot("roller_dialog", nullptr, IDOK, true);
    SelectKoroStamp(AppWindows.frame, 3);
    SetModalAnswerHook(nullptr, nullptr);
    PenCanvas view;
    MakePenCanvas(doc, &view);
    std::vector<MouseSample> samples;
    for (int x = 40; x <= 600; x += 4) samples.push_back({x, 360 + (x / 40 % 2) * 6, kSampleLeft});
    samples.push_back({600, 360, 0});
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
    view.clientToImage = nullptr;
    view.pane = nullptr;
    RunFreehandStroke(&view, 40, 360, 0);
    InjectMouseSamples(nullptr, 0);
    RedrawCanvas(doc);
    // The pen panel on its roller page, then its fancy-pen page.
    HWND panel = AppWindows.penOptionPanel;
    if (panel) SendMessageA(panel, WM_COMMAND, 8001, 0);
    Pump(1500);
    Shot(AppWindows.frame, "canvas_roller_page");
    if (panel) SendMessageA(panel, WM_COMMAND, 8002, 0);
    Pump(1500);
    Shot(AppWindows.frame, "canvas_stamp_page");
    // The tone selector beside the canvas, its radial swatch chosen.
    HWND tones = CreateWindowExA(WS_EX_TOOLWINDOW, "ToneSelBaseClass", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 120,
                                 160, 4 * kToneSwatchSize + 2, 2 * kToneSwatchSize + 2, AppWindows.frame, nullptr,
                                 AppInstance, nullptr);
    ASSERT_TRUE(tones);
    SendMessageA(GetDlgItem(tones, 4), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(48, 48));
    Shot(tones, "tone_selector");
    DestroyWindow(tones);
}

// The effects dialog and the tone-curve dialog over a photo, for their
// screenshots (scripts/paint_shots.sh with DARNA_SHOT_SCENE set to this
// scene): effect_dialog, tone_curve_dialog, colour_correction_dialog.
TEST(PaintFrame, DISABLED_AdjustmentScene) {
    PaintFrame f(SW_SHOWNORMAL);
    ASSERT_TRUE(f.ok);
    MoveWindow(AppWindows.frame, 0, 0, 1280, 1000, TRUE);
    FrameRelayout();
    CopyTree(Dist() + "filter\\", f.dir.File("filter") + "\\");
    const std::string photo = f.dir.File("photo.bmp");
    ASSERT_TRUE(WritePhotoBmp(photo, 640, 480));
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)photo.c_str());
    Pump(500);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    SendMessageA(AppWindows.mdiClient, WM_MDIMAXIMIZE, (WPARAM)doc->window, 0);
    ArmTimedShot("effect_dialog", nullptr, IDOK, false);
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_EFFECT, 0);
    // A curve that lifts the shadows, shown in the graph and the preview.
    ArmTimedShot("tone_curve_dialog", [](HWND d) {
        ToneCurve.points[1][1] = 110;
        ToneCurve.points[2][1] = 170;
        BuildCurveTable(&ToneCurve);
        ToneCurve.changed = 1;
        Tick(d);
        InvalidateRect(d, nullptr, TRUE);
    }, IDOK, false);
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_TONECURVE, 0);
    // Brighter and redder by the step buttons.
    ArmTimedShot("colour_correction_dialog", [](HWND d) {
        for (int id : {(int)BrContIdUp0, (int)BrContIdUp0, BrContIdUp0 + 3, BrContIdDown0 + 5})
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)PanelItem(d, id));
        Tick(d);
    }, IDOK, false);
    SendMessageA(doc->window, WM_COMMAND, CMD_IMG_BRCONT, 0);
}
