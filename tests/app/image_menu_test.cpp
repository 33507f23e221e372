// Every adjustment of the image menu on a photo opened in the running frame:
// each command opens its dialog, which is driven to a strong setting, applied
// and closed; the picture must change the way the command promises and the
// document be marked changed. The tone-curve, colour-correction and effects
// dialogs are photographed on the way (build/tests/frame_shots/).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../adjust/dialog_driving.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/filter_host.h"
#include "adjust/level_dialog.h"
#include "adjust/rotate_dialog.h"
#include "adjust/tone_curve.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "select/sel_tool.h"
#include "test_support.h"
#include "window_shot.h"
#include "ui/ui_hook.h"

using namespace apptest;
using namespace adjusttest;
using testsupport::TempDir;

namespace {

constexpr int kW = 640, kH = 480;

// A program folder with the bitmap reader and the effect plug-ins.
struct PhotoFrame {
    TempDir dir{"imenu"};
    bool ok = false;
    PhotoFrame() {
        CreateDirectoryA(dir.File("file_r").c_str(), nullptr);
        CopyFileA((Dist() + "file_r\\bmpload.dll").c_str(), dir.File("file_r\\bmpload.dll").c_str(), FALSE);
        CopyTree(Dist() + "filter\\", dir.File("filter") + "\\");
        ok = StartFrame(dir.Path());
    }
    ~PhotoFrame() {
        SetModalAnswerHook(nullptr, nullptr);
        if (ok && !EndFrame()) ForceEnd();
    }
    // A photo written under its own name and opened as File > Open does: the
    // new active canvas.
    CanvDoc* Open(const std::string& name) {
        const std::string photo = dir.File(name + ".bmp");
        if (!WritePhotoBmp(photo, kW, kH)) return nullptr;
        CanvDoc* before = GetActiveCanvas();
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)photo.c_str());
        Pump(50);
        CanvDoc* doc = GetActiveCanvas();
        return doc != before ? doc : nullptr;
    }
};

struct Picture {
    int w = 0, h = 0;
    std::vector<uint32_t> rgb;     // 0xRRGGBB
    uint32_t At(int x, int y) const { return rgb[(size_t)y * w + x]; }
};

Picture Take(const CanvDoc* doc) {
    Picture p;
    const VmsImage* image = doc->planes[0].image;
    if (!image) return p;
    p.w = image->width;
    p.h = image->height;
    p.rgb.resize((size_t)p.w * p.h);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            int r = 0, g = 0, b = 0;
            g_VmsStore.GetRgb(image, x, y, &r, &g, &b);
            p.rgb[(size_t)y * p.w + x] = (uint32_t)(r << 16 | g << 8 | b);
        }
    return p;
}

int Channel(uint32_t c, int k) { return (int)(c >> (16 - 8 * k)) & 0xFF; }   // 0 red, 1 green, 2 blue

struct Measure {
    double mean[3] = {};      // red, green, blue
    double roughness = 0;     // mean difference of green to the right neighbour
    int low = 255, high = 0;  // of all three channels
};

Measure Measured(const Picture& p) {
    Measure m;
    double rough = 0;
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            const uint32_t c = p.At(x, y);
            for (int k = 0; k < 3; ++k) {
                m.mean[k] += Channel(c, k);
                m.low = std::min(m.low, Channel(c, k));
                m.high = std::max(m.high, Channel(c, k));
            }
            if (x + 1 < p.w) rough += std::abs(Channel(c, 1) - Channel(p.At(x + 1, y), 1));
        }
    for (double& v : m.mean) v /= (double)p.w * p.h;
    m.roughness = rough / ((double)(p.w - 1) * p.h);
    return m;
}

void Press(HWND dlg, int id, int times = 1) {
    for (int k = 0; k < times; ++k)
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)PanelItem(dlg, id));
}

// The dialogs' strong settings.
void LevelUpToTheTop(HWND dlg) { Press(dlg, LevelIdUp, 12); }
void BrightnessUp(HWND dlg) { Press(dlg, BrContIdUp0, 5); }
void InvertingCurve(HWND dlg) {
    ToneCurve.connection = 1;
    for (int i = 0; i < ToneCurve.count; ++i) ToneCurve.points[i][1] = 255 - ToneCurve.points[i][0];
    BuildCurveTable(&ToneCurve);
    ToneCurve.changed = 1;
    Tick(dlg);
}
// A Bezier curve bent away from its control polygon (the graph shows its samples).
void BentBezierCurve(HWND dlg) {
    ToneCurve.points[1][1] = 160;
    HWND connection = PanelItem(dlg, CurveIdConnection);
    SendMessageA(connection, CB_SETCURSEL, 0, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(CurveIdConnection, CBN_SELCHANGE), (LPARAM)connection);
    ToneCurve.changed = 1;
    Tick(dlg);
}
void StrongestBlur(HWND dlg) {
    SendMessageA(PanelItem(dlg, EffectIdList), CB_SETCURSEL, 0, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(EffectIdList, CBN_SELCHANGE), (LPARAM)PanelItem(dlg, EffectIdList));
    Press(dlg, EffectIdLevel0 + 4);
}

enum Expect : int {
    Brighter,         // every channel's mean up
    Darker,
    Inverted,         // each value v became 255 - v
    Cooler,           // blue up, red down, green kept
    Smoother,         // neighbours closer
    Stretched,        // tones spread to 0..255
    Unchanged,        // the picture and its changed flag as they were
    NewLayer,         // a second layer over the unchanged picture
    TurnedRight,      // a new canvas holding the picture turned right
    CutOut,           // a new canvas holding the selected rectangle
};

struct Case {
    const char* name;
    int command;
    const char* templ;          // the dialog expected (null: none)
    void (*act)(HWND dialog);   // sets the dialog up (null: nothing)
    int press;                  // then this button (19999 applies, IDOK ends)
    Expect expect;
    // A picture of the dialog for review (build/tests/frame_shots/), taken
    // before `act` and after `look` has set the dialog up for it.
    const char* shot = nullptr;
    void (*look)(HWND dialog) = nullptr;
};

// The shown dialog with its preview done, as a PNG in frame_shots.
void ShootDialog(HWND dialog, const char* name) {
    const std::string shots = testsupport::ExeFolder() + "frame_shots\\";
    CreateDirectoryA(shots.c_str(), nullptr);
    ShowWindow(dialog, SW_SHOW);
    // A preview the settings asked for is computed at once.
    Tick(dialog);
    WaitForPreviews();
    EXPECT_TRUE(testsupport::ShootWindow(dialog, shots + name)) << name;
}

struct Driving {
    const Case* c = nullptr;
    std::vector<std::string> seen;   // other dialogs and message boxes
    bool opened = false;
};

int Drive(const ModalRequest& r, void* user) {
    Driving* run = (Driving*)user;
    const Case& c = *run->c;
    if (!r.templ || !c.templ || std::strcmp(r.templ, c.templ) != 0) {
        run->seen.push_back(r.text ? r.text : r.templ ? r.templ : "?");
        return r.kind >= 0 ? IDOK : IDCANCEL;
    }
    run->opened = true;
    if (r.attempt > 0) return IDOK;
    if (c.shot) {
        if (c.look) c.look(r.dialog);
        ShootDialog(r.dialog, c.shot);
    }
    if (c.act) c.act(r.dialog);
    return c.press;
}

// The command sent as the menu does (the frame passes it to the active
// canvas), its dialog driven by the case; nothing else may ask anything.
void RunDriven(const Case& c) {
    Driving run;
    run.c = &c;
    SetModalAnswerHook(Drive, &run);
    SendMessageA(AppWindows.frame, WM_COMMAND, (WPARAM)c.command, 0);
    Pump(50);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(run.seen, std::vector<std::string>{});
    if (c.templ) {
        EXPECT_TRUE(run.opened) << c.templ;
    }
}

}  // namespace

// Each command of the image menu on a freshly opened photo.
TEST(ImageMenu, EveryAdjustmentChangesThePhotoAsItShould) {
    PhotoFrame f;
    ASSERT_TRUE(f.ok);
    const Case cases[] = {
        {"tone curve", CMD_IMG_TONECURVE, "psv_curve", InvertingCurve, CurveIdApply, Inverted, "tone_curve.png",
         BentBezierCurve},
        {"colour correction", CMD_IMG_BRCONT, "psv_brcont", BrightnessUp, 19999, Brighter, "colour_correction.png",
         BrightnessUp},
        {"tone balance", CMD_IMG_AUTOTONE, nullptr, nullptr, 0, Stretched},
        {"effect", CMD_IMG_EFFECT, "psv_efct", StrongestBlur, EffectIdApply, Smoother, "effects.png", StrongestBlur},
        {"colour temperature", CMD_IMG_ONDO, "psv_ondo", LevelUpToTheTop, 19999, Cooler},
        {"dodge", CMD_IMG_DODGE, "psv_ooi", LevelUpToTheTop, 19999, Brighter},
        {"burn", CMD_IMG_BURN, "psv_yaki", LevelUpToTheTop, 19999, Darker},
        {"rotate", CMD_IMG_ROTATE, "psv_rotate", nullptr, RotateIdType0, Unchanged},
        {"rotated duplicate", CMD_IMG_DUPROTATE, "psv_rotate", nullptr, RotateIdType0, TurnedRight},
        {"mix", CMD_IMG_MIX, "psv_mix", nullptr, IDOK, NewLayer},
        {"trim", CMD_IMG_SELTONEW, nullptr, nullptr, 0, CutOut},
    };
    const RECT cut = {100, 80, 299, 229};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvDoc* doc = f.Open("photo" + std::to_string(&c - cases));
        ASSERT_TRUE(doc);
        ASSERT_EQ(kW, doc->width);
        ASSERT_EQ(kH, doc->height);
        EXPECT_EQ(0, doc->modified);
        if (c.expect == CutOut) {
            SelShape& shape = c_SelectionTool::Current(doc);
            shape.kind = CMD_TOOL_SELRECT;
            shape.x0 = cut.left, shape.y0 = cut.top, shape.x1 = cut.right, shape.y1 = cut.bottom;
            c_SelectionTool::CommitShape(doc, 0);
        }
        const Picture before = Take(doc);
        const Measure was = Measured(before);
        RunDriven(c);

        CanvDoc* active = GetActiveCanvas();
        ASSERT_TRUE(active);
        const Picture after = Take(doc);
        const Measure now = Measured(after);
        switch (c.expect) {
        case Brighter:
        case Darker:
            for (int k = 0; k < 3; ++k) {
                if (c.expect == Brighter) EXPECT_GT(now.mean[k], was.mean[k] + 20) << k;
                else EXPECT_LT(now.mean[k], was.mean[k] - 20) << k;
            }
            break;
        case Inverted:
            for (int y : {0, 123, 479})
                for (int x : {0, 321, 639})
                    for (int k = 0; k < 3; ++k)
                        EXPECT_NEAR(Channel(after.At(x, y), k), 255 - Channel(before.At(x, y), k), 2) << x << "," << y;
            break;
        case Cooler:
            EXPECT_GT(now.mean[2], was.mean[2] + 20);
            EXPECT_LT(now.mean[0], was.mean[0] - 20);
            EXPECT_DOUBLE_EQ(now.mean[1], was.mean[1]);
            break;
        case Smoother:
            EXPECT_LT(now.roughness, was.roughness * 0.7);
            break;
        case Stretched:
            EXPECT_LE(now.low, 5);
            EXPECT_GE(now.high, 250);
            EXPECT_LT(was.high - was.low, now.high - now.low);
            break;
        case Unchanged:
            EXPECT_TRUE(after.rgb == before.rgb);
            EXPECT_EQ(0, doc->modified);
            break;
        case NewLayer:
            EXPECT_TRUE(after.rgb == before.rgb);
            EXPECT_TRUE(doc->planes[CanvPlanesPerLayer].image) << "the placed layer";
            break;
        case TurnedRight:
        case CutOut: {
            ASSERT_NE(active, doc) << "a new canvas";
            EXPECT_TRUE(after.rgb == before.rgb) << "the source is kept";
            const Picture made = Take(active);
            if (c.expect == TurnedRight) {
                ASSERT_EQ(kH, made.w);
                ASSERT_EQ(kW, made.h);
                // The top left corner goes to the top right.
                for (int y : {0, 200, 639})
                    for (int x : {0, 77, 479}) EXPECT_EQ(made.At(x, y), before.At(y, kH - 1 - x)) << x << "," << y;
            } else {
                ASSERT_EQ(cut.right - cut.left + 1, made.w);
                ASSERT_EQ(cut.bottom - cut.top + 1, made.h);
                for (int y : {0, 99, 149})
                    for (int x : {0, 150, 199})
                        EXPECT_EQ(made.At(x, y), before.At(x + cut.left, y + cut.top)) << x << "," << y;
            }
            break;
        }
        }
        if (c.expect != Unchanged && c.expect != TurnedRight && c.expect != CutOut) {
            EXPECT_NE(0, doc->modified) << "the document is marked changed";
        }
    }
}

// A horizontal fade chosen with Ctrl+R weighs what an adjustment writes: the
// left edge keeps the photo, the right edge takes nearly all of the change,
// and every pixel lies where the fade's weight puts it between the two. The
// choice stays for the next command.
TEST(ImageMenu, AFadeChosenWithCtrlRWeighsAdjustmentsAndEffects) {
    PhotoFrame f;
    ASSERT_TRUE(f.ok);
    const Case cases[] = {
        {"tone curve", CMD_IMG_TONECURVE, "psv_curve", InvertingCurve, CurveIdApply, Inverted},
        {"effect", CMD_IMG_EFFECT, "psv_efct", StrongestBlur, EffectIdApply, Smoother},
        {"tone balance", CMD_IMG_AUTOTONE, nullptr, nullptr, 0, Stretched},
    };
    const auto& P = ProductTable;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c_ToneMask::Reset();
        CanvDoc* plain = f.Open(std::string("plain") + std::to_string(&c - cases));
        ASSERT_TRUE(plain);
        RunDriven(c);
        const Picture full = Take(plain);

        CanvDoc* doc = f.Open(std::string("faded") + std::to_string(&c - cases));
        ASSERT_TRUE(doc);
        const Picture before = Take(doc);
        ChooseFade(0);
        ASSERT_EQ(1, c_ToneMask::Settings.modes[0]);
        RunDriven(c);
        const Picture after = Take(doc);
        EXPECT_EQ(1, c_ToneMask::Settings.modes[0]) << "the fade stays chosen";

        int worst = 0, worstX = 0, worstY = 0;
        for (int y = 0; y < kH; y += 7)
            for (int x = 0; x < kW; ++x) {
                const int w = x * 255 / kW;   // the ramp over the whole plane
                for (int k = 0; k < 3; ++k) {
                    const int want = std::min(255, P[Channel(full.At(x, y), k)][w] + P[Channel(before.At(x, y), k)][255 - w]);
                    const int off = std::abs(Channel(after.At(x, y), k) - want);
                    if (off > worst) worst = off, worstX = x, worstY = y;
                }
            }
        EXPECT_LE(worst, 3) << "at " << worstX << "," << worstY;
        for (int y : {0, 240, 479}) {
            EXPECT_EQ(before.At(0, y), after.At(0, y)) << "the left edge keeps the photo";
            EXPECT_NE(before.At(kW - 1, y), after.At(kW - 1, y)) << "the right edge changes";
        }
    }
    c_ToneMask::Reset();
}

namespace {
uint32_t Diagonal(int x, int y) { return (uint32_t)(x * 9 + 1) | (uint32_t)(y * 13 + 2) << 8 | 0x400000u; }
}  // namespace

// The effect preview's source comes from the active canvas, as packed pixels
// of the rectangle asked for; without a canvas there is none.
TEST(ImageMenu, EffectSourceIsTakenFromTheActiveCanvas) {
    TempDir dir("fxsrc");
    ASSERT_TRUE(StartFrame(dir.Path()));
    c_FilterHost::FreeWork();
    EXPECT_EQ(0, PrepareFilterSource(0, 0, 3, 3));
    EXPECT_FALSE(c_FilterHost::HasWork());
    ASSERT_NE(nullptr, OpenBlankCanvas(20, 12));
    FillBasePlane(GetActiveCanvas(), Diagonal);
    ASSERT_EQ(1, PrepareFilterSource(2, 3, 11, 8));
    ASSERT_EQ(10, c_FilterHost::WorkWidth());
    ASSERT_EQ(6, c_FilterHost::WorkHeight());
    for (int y : {0, 5})
        for (int x : {0, 9}) {
            const uint8_t* p = c_FilterHost::WorkRow(y) + 3 * x;
            EXPECT_EQ(Diagonal(2 + x, 3 + y), p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16) << x << "," << y;
        }
    c_FilterHost::FreeWork();
    EndTestFrame(true);
}
