// The manual tone-balance dialog in the running frame: its markers dragged
// with the mouse, the preview its worker draws on the layer, and what OK and
// Cancel leave behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adjust/adjust_layer.h"
#include "adjust/tone_balance_dialog.h"
#include "app/globals.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "image/pen_colour.h"
#include "resources/tonebalance_ids.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

using namespace apptest;

namespace {

constexpr int kW = 64, kH = 16;

// A grey ramp from 60 at the left to 180 at the right.
int RampValue(int x) { return 60 + x * 120 / (kW - 1); }
uint32_t Ramp(int x, int) { return (uint32_t)RampValue(x) * 0x010101u; }

uint32_t At(CanvDoc* doc, int x, int y) {
    uint32_t word = 0;
    GetPlaneRow(doc, y, x, x, &word);
    return word & 0xFFFFFF;
}

struct ToneVisit {
    CanvDoc* doc = nullptr;
    int answer = IDOK;
    bool seen = false, panelsEnabled = true, previewShown = false;
    std::string caption, channel;
    int black = -1, mid = -1, white = -1;
    uint32_t previewLeft = 0, previewMiddle = 0, previewRight = 0;
};

// Drags the marker at value `from` of the histogram area to value `to`.
void DragMarker(HWND dlg, int from, int to) {
    HWND area = GetDlgItem(dlg, IDC_HIST_AREA);
    RECT rc;
    GetClientRect(area, &rc);
    POINT a{ToneMarkerX(from, rc.right), rc.bottom / 2}, b{ToneMarkerX(to, rc.right), rc.bottom / 2};
    ClientToScreen(area, &a);
    ClientToScreen(area, &b);
    const MouseSample drag[] = {{a.x, a.y, kSampleLeft}, {b.x, b.y, kSampleLeft}, {b.x, b.y, 0}};
    InjectMouseSamples(drag, 3);
    POINT press = a;
    ScreenToClient(dlg, &press);
    SendMessageA(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    InjectMouseSamples(nullptr, 0);
}

int DriveTone(const ModalRequest& request, void* user) {
    ToneVisit* v = (ToneVisit*)user;
    if (request.kind >= 0) return IDOK;
    if (std::string(request.templ) != "dra_histgram") return IDCANCEL;
    if (v->seen) return v->answer;
    v->seen = true;
    char text[128] = {};
    GetWindowTextA(request.dialog, text, sizeof text);
    v->caption = text;
    GetDlgItemTextA(request.dialog, IDC_HIST_CHANNEL, text, sizeof text);
    v->channel = text;
    v->panelsEnabled = IsWindowEnabled(AppWindows.ctrlPanel) != 0;
    // Black from 0 to 60, white from 255 to 180; mid-grey stays at 128.
    DragMarker(request.dialog, 0, 60);
    DragMarker(request.dialog, 255, 180);
    v->black = ToneBalanceState.black;
    v->mid = ToneBalanceState.mid;
    v->white = ToneBalanceState.white;
    // The timer's worker draws the table over the visible part of the layer.
    v->previewShown = PumpUntil([v] { return At(v->doc, 0, 0) == 0 && At(v->doc, kW - 1, kH - 1) == 0xFFFFFF; }, 5000);
    v->previewLeft = At(v->doc, 0, 0);
    v->previewMiddle = At(v->doc, kW / 2, kH / 2);
    v->previewRight = At(v->doc, kW - 1, kH - 1);
    return v->answer;
}

struct ToneFrame {
    testsupport::TempDir dir{"tonebal"};
    bool ok = false;
    CanvDoc* doc = nullptr;
    int savedOpacity = PenOpacity;
    ToneFrame() {
        ok = StartFrame(dir.Path());
        if (!ok || !OpenBlankCanvas(kW, kH)) return;
        doc = GetActiveCanvas();
        if (doc) FillBasePlane(doc, Ramp);
        PenOpacity = 255;
    }
    ~ToneFrame() {
        PenOpacity = savedOpacity;
        ToneBalanceState.channelMode = 0;
        EndTestFrame(ok);
    }
};

// Opens the dialog on the frame's canvas, driven by DriveTone, ended with `answer`.
ToneVisit RunDialog(const ToneFrame& frame, int answer, INT_PTR* result) {
    ToneVisit visit;
    visit.doc = frame.doc;
    visit.answer = answer;
    SetModalAnswerHook(DriveTone, &visit);
    *result = OpenToneBalanceDialog(AppWindows.frame);
    SetModalAnswerHook(nullptr, nullptr);
    return visit;
}

// The table of black 60, mid 128, white 180 on a value.
int Expected(int v) {
    ToneBalance tb = ToneBalanceState;
    tb.black = 60;
    tb.mid = 128;
    tb.white = 180;
    return ToneBalanceValue(tb, v);
}

}  // namespace

// The dragged markers are previewed on the layer; OK applies them to the
// whole plane and marks the document changed, Cancel puts the part back.
TEST(ToneBalanceDialog, DraggedMarkersPreviewThenOkAppliesAndCancelPutsBack) {
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        ToneFrame frame;
        ASSERT_TRUE(frame.ok);
        ASSERT_NE(nullptr, frame.doc);
        INT_PTR result = -1;
        const ToneVisit visit = RunDialog(frame, ok ? IDOK : IDCANCEL, &result);
        EXPECT_EQ(ok ? 1 : 0, result);
        EXPECT_EQ("トーンバランス", visit.caption);
        EXPECT_EQ("RGB", visit.channel);
        EXPECT_FALSE(visit.panelsEnabled);
        EXPECT_TRUE(IsWindowEnabled(AppWindows.ctrlPanel));
        EXPECT_EQ(60, visit.black);
        EXPECT_EQ(128, visit.mid);
        EXPECT_EQ(180, visit.white);
        ASSERT_TRUE(visit.previewShown);
        EXPECT_EQ((uint32_t)Expected(RampValue(kW / 2)) * 0x010101u, visit.previewMiddle);
        for (int x = 0; x < kW; ++x)
            for (int y : {0, kH - 1}) {
                const uint32_t want = ok ? (uint32_t)Expected(RampValue(x)) * 0x010101u : Ramp(x, y);
                ASSERT_EQ(want, At(frame.doc, x, y)) << x << "," << y;
            }
        EXPECT_EQ(ok, frame.doc->modified != 0);
    }
}

TEST(ToneBalanceDialog, PointsStayInOrderAndMarkersMapBothWays) {
    const struct {
        int point, value;
        int black, mid, white;
    } cases[] = {
        {0, 40, 40, 128, 255},  {0, 200, 127, 128, 255}, {1, 0, 0, 1, 255},   {1, 255, 0, 254, 255},
        {2, 100, 0, 128, 129},  {2, 300, 0, 128, 255},   {0, -5, 0, 128, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.point) + " to " + std::to_string(c.value));
        ToneBalanceState.black = 0;
        ToneBalanceState.mid = 128;
        ToneBalanceState.white = 255;
        MoveTonePoint(c.point, c.value);
        EXPECT_EQ(c.black, ToneBalanceState.black);
        EXPECT_EQ(c.mid, ToneBalanceState.mid);
        EXPECT_EQ(c.white, ToneBalanceState.white);
    }
    // Values 8 pixels in from either edge; a pixel a value or more gives each back.
    for (int width : {200, 272, 400}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(8, ToneMarkerX(0, width));
        EXPECT_EQ(width - 9, ToneMarkerX(255, width));
        EXPECT_EQ(0, ToneValueAtX(0, width));
        EXPECT_EQ(255, ToneValueAtX(width - 1, width));
        if (width >= 272) {
            for (int v : {0, 1, 128, 254, 255}) EXPECT_EQ(v, ToneValueAtX(ToneMarkerX(v, width), width));
        }
    }
}

TEST(ToneBalanceDialog, WithoutACanvasNothingOpens) {
    testsupport::TempDir dir("tonenone");
    ASSERT_TRUE(StartFrame(dir.Path()));
    ToneVisit visit;
    SetModalAnswerHook(DriveTone, &visit);
    EXPECT_EQ(0, OpenToneBalanceDialog(AppWindows.frame));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_FALSE(visit.seen);
    EndTestFrame(true);
}

namespace {

struct ModeVisit {
    CanvDoc* doc = nullptr;
    bool seen = false;
    int applied[4] = {-1, -1, -1, -1};
    uint32_t left[4] = {}, right[4] = {};     // columns 0 and kW - 1 after each mode
};

int DriveModes(const ModalRequest& request, void* user) {
    ModeVisit* v = (ModeVisit*)user;
    if (request.kind >= 0) return IDOK;
    if (std::string(request.templ) != "dra_histgram") return IDCANCEL;
    if (v->seen) return IDCANCEL;
    v->seen = true;
    // Each mode previewed from the untouched part, whatever the last one left.
    for (int mode = 0; mode < 4; ++mode) {
        ToneBalanceState.channelMode = mode;
        ToneBalanceState.black = 60;
        ToneBalanceState.mid = 128;
        ToneBalanceState.white = 180;
        v->applied[mode] = ApplyToneBalance(0);
        v->left[mode] = At(v->doc, 0, kH / 2);
        v->right[mode] = At(v->doc, kW - 1, kH / 2);
    }
    return IDCANCEL;
}

uint32_t Word(int r, int g, int b) { return (uint32_t)b | (uint32_t)g << 8 | (uint32_t)r << 16; }

}  // namespace

// The preview target takes the table through the channel mode: all three
// channels, or red, green or blue alone; it always starts from the part as
// it was at opening. Without an open dialog there is nothing to preview.
TEST(ToneBalanceDialog, PreviewTargetFollowsTheChannelMode) {
    ToneFrame frame;
    ASSERT_TRUE(frame.ok);
    ASSERT_NE(nullptr, frame.doc);
    EXPECT_EQ(0, ApplyToneBalance(0));
    ModeVisit visit;
    visit.doc = frame.doc;
    SetModalAnswerHook(DriveModes, &visit);
    EXPECT_EQ(0, OpenToneBalanceDialog(AppWindows.frame));
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_TRUE(visit.seen);
    const int lo = RampValue(0), hi = RampValue(kW - 1), tlo = Expected(lo), thi = Expected(hi);
    const struct {
        const char* name;
        uint32_t left, right;
    } cases[] = {
        {"RGB", Word(tlo, tlo, tlo), Word(thi, thi, thi)},
        {"red", Word(tlo, lo, lo), Word(thi, hi, hi)},
        {"green", Word(lo, tlo, lo), Word(hi, thi, hi)},
        {"blue", Word(lo, lo, tlo), Word(hi, hi, thi)},
    };
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(cases[mode].name);
        EXPECT_EQ(1, visit.applied[mode]);
        EXPECT_EQ(cases[mode].left, visit.left[mode]) << std::hex << visit.left[mode];
        EXPECT_EQ(cases[mode].right, visit.right[mode]) << std::hex << visit.right[mode];
    }
    // Cancel put the part back.
    for (int x : {0, kW / 2, kW - 1}) EXPECT_EQ(Ramp(x, 0), At(frame.doc, x, kH / 2)) << x;
}
