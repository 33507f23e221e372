// The adjustment dialogs' pictures and their hand-over to the pen: the layer
// shown over white by its transparency, the detail frame dragged over the
// overview, and the effect pen that paints the adjustment stroke by stroke.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "dialog_driving.h"
#include "adjust/adjust_layer.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/effects.h"
#include "adjust/level_dialog.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "canvas_fixture.h"
#include "image/pen_colour.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stroke.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

using namespace canvtest;
using namespace adjusttest;

namespace {

uint32_t Word(int r, int g, int b) { return (uint32_t)b | (uint32_t)g << 8 | (uint32_t)r << 16; }

uint32_t Centre(const VmsImage* image) {
    return image ? Pixel(image, image->width / 2, image->height / 2) & 0xFFFFFF : 0xDEADu;
}

// Points the canvas host's program folder at the staged program (the effect
// plug-ins) and its frame at a window that records the commands it gets.
class HostForDialogs {
public:
    HostForDialogs() : folder_(testsupport::ExeFolder() + "..\\dist\\"), saved_(GetCanvasHost()) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AdjustTestFrame";
        RegisterClassA(&wc);
        frame_ = CreateWindowExA(0, "AdjustTestFrame", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        CanvasHost host = saved_;
        host.programFolder = folder_.c_str();
        host.frame = &frame_;
        host.repaintTool2Button = [](int command) { repainted.push_back(command); };
        SetCanvasHost(host);
        commands.clear();
        repainted.clear();
    }
    ~HostForDialogs() {
        SetCanvasHost(saved_);
        DestroyWindow(frame_);
    }
    struct Command {
        WPARAM wp;
        LPARAM lp;
        int outlineShown;       // the brush outline's flag while it ran
    };
    static std::vector<Command> commands;
    static std::vector<int> repainted;   // second tool bar's buttons

private:
    static LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND) {
            const int shown = SetBrushCursorShown(0);
            SetBrushCursorShown(shown);
            commands.push_back({wp, lp, shown});
        }
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    std::string folder_;
    CanvasHost saved_;
    HWND frame_ = nullptr;
};
std::vector<HostForDialogs::Command> HostForDialogs::commands;
std::vector<int> HostForDialogs::repainted;

// A dialog driven by a function called once it is up; it then presses `press`.
struct Driven {
    const char* templ;
    std::function<void(HWND)> act;
    int press;
};

int DriveOnce(const ModalRequest& request, void* user) {
    Driven* d = (Driven*)user;
    if (!request.templ || std::strcmp(request.templ, d->templ) != 0) return IDOK;
    if (request.attempt > 0) return IDOK;
    d->act(request.dialog);
    return d->press;
}

INT_PTR RunDriven(Driven d, const std::function<INT_PTR()>& open) {
    SetModalAnswerHook(DriveOnce, &d);
    const INT_PTR result = open();
    SetModalAnswerHook(nullptr, nullptr);
    return result;
}

}  // namespace

// A layer of (200, 0, 0) at transparency 128 is shown as
// min(255, P[v][128] + 127) per byte in every preview kind (a colour that
// the colour correction's trip through HSV keeps exactly).
TEST(AdjustPreview, HalfTransparentLayerShowsOverWhite) {
    HostForDialogs host;
    const uint32_t overWhite = Word(227, 127, 127);
    struct Case {
        const char* templ;
        std::function<INT_PTR(CanvDoc*)> open;
        std::function<std::vector<uint32_t>()> shown;   // centre pixels of what the dialog shows
    };
    const Case cases[] = {
        {"psv_ooi", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelDodge); },
         [] { return std::vector<uint32_t>{Centre(LevelPreviewForTest().overview), Centre(LevelPreviewForTest().shown)}; }},
        {"psv_ondo", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelOndo); },
         [] { return std::vector<uint32_t>{Centre(LevelPreviewForTest().overview), Centre(LevelPreviewForTest().shown)}; }},
        {"psv_curve", [](CanvDoc* d) { return OpenToneCurveDialog(nullptr, d); },
         [] { return std::vector<uint32_t>{Centre(CurvePreviewImage())}; }},
        {"psv_brcont", [](CanvDoc* d) { return OpenBrContDialog(nullptr, d); },
         [] { return std::vector<uint32_t>{Centre(BrContPreviewImage())}; }},
        {"psv_efct", [](CanvDoc* d) { return OpenEffectDialog(nullptr, d); },
         [] { return std::vector<uint32_t>{Centre(EffectPreviewForTest().overview)}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templ);
        DocHolder doc(MakeDoc({Layer(40, 30, 0, 0, 2)}));
        ASSERT_TRUE(doc.doc);
        FillPlane(doc->planes[0].image, Word(200, 0, 0));
        FillPlane(doc->planes[1].image, 128);
        std::vector<uint32_t> seen;
        RunDriven({c.templ, [&](HWND dlg) {
                       Tick(dlg);
                       seen = c.shown();
                   }, IDOK},
                  [&] { return c.open(doc.doc); });
        ASSERT_FALSE(seen.empty());
        for (uint32_t w : seen) EXPECT_EQ(w, overWhite) << std::hex << w;
    }
}

namespace {

// Pixels that tell their own place: red carries the high bits.
uint32_t Place(int x, int y) { return Word((x >> 8) * 16 + (y >> 8), y & 255, x & 255); }

struct FrameSeen {
    int frameX, frameY, detailX, detailY;
    uint32_t first, inner;      // shown pixels (0, 0) and (3, 5)
};

// Drags the frame of the dialog's overview by (dx, dy) from a point inside it
// and reports where it ended and what the preview control shows.
template <typename Probe>
FrameSeen DragFrame(HWND dlg, Probe probe, int dx, int dy) {
    HWND view = PanelItem(dlg, 1000);
    RECT rc;
    GetClientRect(view, &rc);
    const auto before = probe();
    const int left = (rc.right - before.overview->width) / 2, top = (rc.bottom - before.overview->height) / 2;
    const int x = left + before.frameX + 4, y = top + before.frameY + 4;
    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((WORD)(short)(x + dx / 2), (WORD)(short)(y + dy / 2)));
    SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM((WORD)(short)(x + dx), (WORD)(short)(y + dy)));
    const auto after = probe();
    FrameSeen seen{after.frameX, after.frameY, after.detailX, after.detailY, 0, 0};
    if (after.shown) {
        seen.first = Pixel(after.shown, 0, 0) & 0xFFFFFF;
        seen.inner = Pixel(after.shown, 3, 5) & 0xFFFFFF;
    }
    return seen;
}

}  // namespace

// The detail frame follows the drag, stays on the overview, and the preview
// control then shows the layer's pixels under it at full size.
TEST(AdjustPreview, DraggedDetailFrameChoosesTheShownDetail) {
    HostForDialogs host;
    constexpr int kW = 600, kH = 400, kControlW = 274, kControlH = 257;
    struct Case {
        const char* templ;
        std::function<INT_PTR(CanvDoc*)> open;
        std::function<std::vector<FrameSeen>(HWND)> drags;
    };
    auto drags = [](auto probe) {
        return [probe](HWND dlg) {
            return std::vector<FrameSeen>{DragFrame(dlg, probe, 60, 30), DragFrame(dlg, probe, 3000, 3000),
                                          DragFrame(dlg, probe, -3000, -3000)};
        };
    };
    const Case cases[] = {
        {"psv_yaki", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelBurn); },
         drags([] { return LevelPreviewForTest(); })},
        {"psv_efct", [](CanvDoc* d) { return OpenEffectDialog(nullptr, d); },
         [&](HWND dlg) {
             // With the preview off the control shows the plain detail.
             SendMessageA(PanelItem(dlg, EffectIdPreview), BM_CLICK, 0, 0);
             return drags([] { return EffectPreviewForTest(); })(dlg);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templ);
        DocHolder doc(MakeDoc({Layer(kW, kH)}));
        ASSERT_TRUE(doc.doc);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) SetPixel(doc->planes[0].image, x, y, Place(x, y));
        std::vector<FrameSeen> seen;
        const VmsImage* overview = nullptr;
        int ovW = 0, ovH = 0;
        RunDriven({c.templ, [&](HWND dlg) {
                       seen = c.drags(dlg);
                       overview = c.templ[4] == 'e' ? EffectPreviewForTest().overview : LevelPreviewForTest().overview;
                       ovW = overview ? overview->width : 0;
                       ovH = overview ? overview->height : 0;
                   }, IDOK},
                  [&] { return c.open(doc.doc); });
        ASSERT_EQ(seen.size(), 3u);
        ASSERT_GT(ovW, 0);
        // The overview is the layer scaled in its own proportions (the frame
        // maps onto the picture, not onto a margin around it).
        EXPECT_NEAR(ovH, ovW * kH / kW, 1);
        // Moved with the cursor, the detail scaled from the overview to the layer.
        EXPECT_EQ(seen[0].frameX, 60);
        EXPECT_EQ(seen[0].frameY, 30);
        EXPECT_EQ(seen[0].detailX, 60 * kW / ovW);
        EXPECT_EQ(seen[0].detailY, 30 * kH / ovH);
        // Past the right and bottom: the detail ends at the layer's edges.
        EXPECT_LE(seen[1].frameX + kControlW * ovW / kW, ovW);
        EXPECT_LE(seen[1].frameY + kControlH * ovH / kH, ovH);
        EXPECT_EQ(seen[1].detailX, kW - kControlW);
        EXPECT_EQ(seen[1].detailY, kH - kControlH);
        // Past the left and top: back at the origin.
        EXPECT_EQ(seen[2].frameX, 0);
        EXPECT_EQ(seen[2].frameY, 0);
        EXPECT_EQ(seen[2].detailX, 0);
        EXPECT_EQ(seen[2].detailY, 0);
        for (const FrameSeen& s : seen) {
            EXPECT_EQ(s.first, Place(s.detailX, s.detailY)) << s.detailX << "," << s.detailY;
            EXPECT_EQ(s.inner, Place(s.detailX + 3, s.detailY + 5)) << s.detailX << "," << s.detailY;
        }
    }
}

namespace {

std::vector<MouseSample> Drag(int x0, int x1, int y, unsigned buttons) {
    std::vector<MouseSample> s;
    for (int x = x0; x <= x1; ++x) s.push_back({x, y, buttons});
    s.push_back({x1, y, 0});
    return s;
}

void Stroke(PenCanvas* view, int x0, int x1, int y, int right) {
    std::vector<MouseSample> samples = Drag(x0, x1, y, right ? kSampleRight : kSampleLeft);
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
    RunFreehandStroke(view, x0, y, right);
    InjectMouseSamples(nullptr, 0);
}

}  // namespace

// The pen button hands the adjustment to the pen: the layer stays as it was,
// the frame is asked for the pen tool in its effect mode, a stroke paints the
// adjusted pixels along its path only, and a right-button stroke paints the
// unadjusted ones back.
TEST(EffectPen, DialogHandsItsAdjustmentToThePen) {
    HostForDialogs host;
    constexpr int kW = 64, kH = 48;
    struct Case {
        const char* templ;
        std::function<INT_PTR(CanvDoc*)> open;
        std::function<void(HWND)> choose;
        std::function<void(CanvDoc*)> reference;   // the same adjustment on the whole layer
    };
    const Case cases[] = {
        {"psv_ooi", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelDodge); },
         [](HWND dlg) { SetLevelForTest(dlg, 40); },
         [](CanvDoc* d) { ApplyDodgeBurnToLayer(d, 0, 40); }},
        {"psv_ondo", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelOndo); },
         [](HWND dlg) { SetLevelForTest(dlg, -20); },
         [](CanvDoc* d) { ApplyOndoToLayer(d, -20); }},
        {"psv_efct", [](CanvDoc* d) { return OpenEffectDialog(nullptr, d); },
         [](HWND dlg) {
             // Gold at the fifth level: the plain effect.
             SendMessageA(PanelItem(dlg, EffectIdList), CB_SETCURSEL, 19, 0);
             SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(EffectIdList, CBN_SELCHANGE), 0);
             SendMessageA(dlg, WM_COMMAND, EffectIdLevel0 + 4, 0);
         },
         [](CanvDoc* d) { ApplyEffectToLayer(nullptr, d, 19, 4); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templ);
        auto paint = [](CanvDoc* d) {
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) SetPixel(d->planes[0].image, x, y, Word(120 + x, 100 + y, 90));
            FillPlane(d->planes[1].image, 255);
        };
        DocHolder ref(MakeDoc({Layer(kW, kH, 0, 0, 2)}));
        DocHolder doc(MakeDoc({Layer(kW, kH, 0, 0, 2)}));
        ASSERT_TRUE(ref.doc && doc.doc);
        paint(ref.doc);
        paint(doc.doc);
        ResetPenState();
        c.reference(ref.doc);
        const auto before = Snapshot(doc.doc);
        ASSERT_NE(Snapshot(ref.doc), before);

        Pen.tip.hRadius = Pen.tip.vRadius = 2.0;
        Pen.tip.tipShape = 15;
        RenderPenTip(0);
        HostForDialogs::commands.clear();
        HostForDialogs::repainted.clear();
        SetBrushCursorShown(1);
        EXPECT_EQ(RunDriven({c.templ, c.choose, 19997}, [&] { return c.open(doc.doc); }), 1);

        EXPECT_EQ(Snapshot(doc.doc), before);
        ASSERT_FALSE(HostForDialogs::commands.empty());
        EXPECT_EQ(LOWORD(HostForDialogs::commands.back().wp), 20005);
        EXPECT_EQ(HostForDialogs::commands.back().lp, 10);
        // No brush outline is drawn by the tool change; it counts as shown
        // again afterwards, and the effects dialog repaints the pen's button.
        EXPECT_EQ(HostForDialogs::commands.back().outlineShown, 0);
        EXPECT_EQ(SetBrushCursorShown(0), 1);
        EXPECT_EQ(HostForDialogs::repainted == std::vector<int>{20005}, std::strcmp(c.templ, "psv_efct") == 0);

        // What the frame does for that command.
        PenCanvas view = {};
        MakePenCanvas(doc.doc, &view);
        c_PenWriter::ToolSelected(kToolPen, 10, &view);
        ASSERT_EQ(c_PenEngine::GetPenKind(), 4);
        Stroke(&view, 10, 40, 20, 0);
        const VmsImage* layer = doc->planes[0].image;
        const VmsImage* adjusted = ref->planes[0].image;
        for (int x : {12, 25, 38}) EXPECT_EQ(Pixel(layer, x, 20), Pixel(adjusted, x, 20)) << x;
        for (int y : {5, 40}) EXPECT_EQ(Pixel(layer, 25, y), before[y * kW + 25]) << y;
        Stroke(&view, 5, 45, 20, 1);
        EXPECT_EQ(Snapshot(doc.doc), before);

        c_PenWriter::FreeBrushImages(1, 0);
    }
    ResetPenState();
}
