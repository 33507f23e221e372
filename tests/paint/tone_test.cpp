// Tone masks against small fixtures: the ramps, their AND, the dither, the
// ellipse mask, screen tones from the ttexture folder and tone.dat; the
// gradient fill of a box, the gradient dialog driven once and the tone
// selector's swatches.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/c_dib.h"
#include "image/vms_store.h"
#include "paint/gradient_dlg.h"
#include "paint/shapes.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "paint/tone_select.h"
#include "canvas/screen_row.h"
#include "paint_fixture.h"
#include "test_support.h"
#include "ui/drawutil.h"
#include "ui/ui_hook.h"

using namespace painttest;

namespace {
std::vector<uint8_t> Row(int y, int x0, int x1, int left, int top, int right, int bottom) {
    std::vector<uint8_t> row(x1 - x0 + 1);
    c_ToneMask::MakeRow(y, x0, x1, left, top, right, bottom, row.data(), 1);
    return row;
}

struct ToneReset {
    ToneReset() { c_ToneMask::Reset(); }
    ~ToneReset() { c_ToneMask::Reset(); }
};

// A grey BMP tile: '#' black (the tone paints), '.' white.
void WriteTile(const std::string& path, const std::vector<std::string>& rows) {
    int w = (int)rows[0].size(), h = (int)rows.size();
    VmsImage* image = g_VmsStore.Create(w, h, 24, 255, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = rows[y][x] == '#' ? 0 : 255;
            g_VmsStore.SetRgb(image, x, y, v, v, v);
        }
    ASSERT_TRUE(c_Dib::SaveBmp(image, path.c_str()));
    g_VmsStore.Free(&image);
}
}  // namespace

TEST(ToneMask, RampsByMode) {
    ToneReset reset;
    struct Case {
        int mode, y, x;
        int expect;
    } cases[] = {
        {0, 0, 0, 0},    {0, 0, 255, 254}, {0, 0, 128, 127},   // 256 wide: 0 .. 254
        {1, 0, 0, 255},  {1, 0, 255, 1},
        {2, 0, 7, 0},    {2, 255, 7, 254},                     // the whole row takes the row's value
        {3, 0, 7, 255},
        {4, 127, 127, 255}, {4, 127, 0, 4},                    // bright centre, nearly dark at the rim
        {5, 127, 127, 0},
        {6, 127, 0, 0},  {6, 127, 255, 255},                   // angle 0: along x
        {0, 0, -20, 0},  {0, 0, 300, 255}, {1, 0, 300, 0},      // beyond the box: its nearer edge
        {2, -9, 7, 0},   {3, 400, 7, 0},
    };
    for (const Case& c : cases) {
        c_ToneMask::Reset();
        c_ToneMask::Settings.modes[c.mode] = 1;
        if (c.mode == 6) c_ToneMask::Settings.angle = 0;
        EXPECT_EQ(c.expect, Row(c.y, c.x, c.x, 0, 0, 255, 255)[0]) << "mode " << c.mode << " at " << c.x << "," << c.y;
    }
}

TEST(ToneMask, VRampIsFullAtBothEndsAndEmptyHalfWay) {
    struct Case {
        int v, low, high, expect;
    } cases[] = {
        {0, 0, 255, 255},    {255, 0, 255, 255},   // 511 - 255 = 256 is held at 255
        {127, 0, 255, 1},    {128, 0, 255, 1},     // the bottom of the V: |254 - 255|, |256 - 255|
        {64, 0, 255, 127},   {10, 10, 20, 255},    {15, 10, 20, 0},
        {-50, 10, 20, 255},  {90, 10, 20, 255},    // clamped into low..high first
        {5, 7, 7, 255},      {5, 9, 3, 255},       // no room between the ends
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expect, ToneVRampValue(c.v, c.low, c.high)) << c.v << " in " << c.low << ".." << c.high;
}

// Before a document command: a gradient-ellipse selection makes the radial
// fade the only one and turns the screen tone off; other selections leave the
// choice alone.
TEST(ToneMask, GradientEllipseSelectionMakesTheRadialFade) {
    ToneReset reset;
    for (int kind : {0, CMD_TOOL_SELRECT, CMD_TOOL_SELELLIPSE, CMD_TOOL_SELGRADIENT}) {
        SCOPED_TRACE(kind);
        c_ToneMask::Reset();
        c_ToneMask::Settings.modes[0] = 1;
        c_ToneMask::Settings.params[2] = 1;
        c_ToneMask::Settings.params[8] = 7;
        c_ToneMask::ModesForCommand(kind);
        const bool radial = kind == CMD_TOOL_SELGRADIENT;
        for (int m = 0; m < kToneModeCount; ++m)
            EXPECT_EQ(radial ? m == 4 : m == 0, c_ToneMask::Settings.modes[m] != 0) << m;
        EXPECT_EQ(radial ? 0 : 1, c_ToneMask::Settings.params[2]);
        EXPECT_EQ(7, c_ToneMask::Settings.params[8]) << "words after the six switches stay";
    }
}

TEST(ToneMask, ModesCombineByBitwiseAnd) {
    ToneReset reset;
    c_ToneMask::Settings.modes[0] = 1;
    c_ToneMask::Settings.modes[2] = 1;
    // x = 128 gives 127 horizontally; row 128 gives 127 vertically... choose
    // values 128 and 127: their AND is 0, their minimum 127.
    int x = 129;   // (129 * 255) / 256 = 128
    EXPECT_EQ(0, Row(128, x, x, 0, 0, 255, 255)[0]);
}

TEST(ToneMask, DitherGivesOnlyFullOrNone) {
    ToneReset reset;
    c_ToneMask::Settings.modes[0] = 1;
    c_ToneMask::Settings.dither = 1;
    std::vector<uint8_t> row = Row(0, 0, 255, 0, 0, 255, 0);
    int full = 0;
    for (uint8_t v : row) {
        EXPECT_TRUE(v == 0 || v == 255);
        full += v == 255;
    }
    EXPECT_GT(full, 64);
    EXPECT_LT(full, 192);
}

TEST(ToneMask, EllipseMaskIsZeroAtTheRimAndHighInTheMiddle) {
    ToneReset reset;
    c_ToneMask::Settings.modes[7] = 1;
    std::vector<uint8_t> middle = Row(50, 0, 99, 0, 0, 99, 99);
    EXPECT_LT(middle[0], 8);   // the first levels keep the whole radius
    EXPECT_GT(middle[50], 240);
    EXPECT_EQ(0, Row(0, 0, 0, 0, 0, 99, 99)[0]);   // corner
    c_ToneMask::Settings.modes[7] = 0;
    c_ToneMask::Settings.modes[8] = 1;
    EXPECT_EQ(255, Row(0, 0, 0, 0, 0, 99, 99)[0]);
    EXPECT_LT(Row(50, 50, 50, 0, 0, 99, 99)[0], 15);
}

TEST(ToneMask, ScreenTonesFromTheFolderAndToneDat) {
    ToneReset reset;
    testsupport::TempDir dir("tone");
    CreateDirectoryA(dir.File("ttexture").c_str(), nullptr);
    WriteTile(dir.File("ttexture\\b_lines.bmp"), {"##", ".."});
    WriteTile(dir.File("ttexture\\A_dots.bmp"), {"#.", ".."});
    // No tone.dat: the folder is scanned, names in order whatever their case.
    EXPECT_EQ(0, c_ToneMask::LoadToneDat(dir.Path().c_str()));
    EXPECT_EQ(dir.File("ttexture\\A_dots.bmp"), c_ToneMask::Paths[0]);
    EXPECT_EQ(dir.File("ttexture\\b_lines.bmp"), c_ToneMask::Paths[1]);
    EXPECT_EQ(0, c_ToneMask::Paths[2][0]);

    ASSERT_EQ(1, c_ToneMask::Choose(kToneModeCount + 1));   // the dots
    std::vector<uint8_t> row = Row(2, 3, 8, 0, 0, 99, 99);   // tiled from column 3: . # . # . #
    EXPECT_EQ((std::vector<uint8_t>{0, 255, 0, 255, 0, 255}), row);
    EXPECT_EQ((std::vector<uint8_t>(6, 0)), Row(1, 3, 8, 0, 0, 99, 99));
    // Without replace the tone is ANDed into the caller's row.
    std::vector<uint8_t> mine = {0x0F, 0x0F, 0x0F, 0x0F};
    c_ToneMask::MakeRow(0, 0, 3, 0, 0, 99, 99, mine.data(), 0);
    EXPECT_EQ((std::vector<uint8_t>{0x0F, 0, 0x0F, 0}), mine);

    // tone.dat round trip; a file of the wrong size falls back to the scan.
    std::strcpy(c_ToneMask::Paths[5], "C:\\elsewhere\\tone.bmp");
    ASSERT_EQ(1, c_ToneMask::SaveToneDat(dir.Path().c_str()));
    EXPECT_EQ(kToneDatBytes, testsupport::FileSize(dir.File("tone.dat")));
    std::memset(c_ToneMask::Paths, 0, sizeof c_ToneMask::Paths);
    EXPECT_EQ(1, c_ToneMask::LoadToneDat(dir.Path().c_str()));
    EXPECT_STREQ("C:\\elsewhere\\tone.bmp", c_ToneMask::Paths[5]);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("tone.dat"), "short", 5));
    EXPECT_EQ(0, c_ToneMask::LoadToneDat(dir.Path().c_str()));
    EXPECT_EQ(0, c_ToneMask::Paths[5][0]);
    EXPECT_EQ(dir.File("ttexture\\A_dots.bmp"), c_ToneMask::Paths[0]);
}

TEST(ToneMask, ClearModesSparesTheTextTool) {
    ToneReset reset;
    c_ToneMask::Settings.modes[3] = 1;
    c_ToneMask::ClearModes(20006);
    EXPECT_EQ(1, c_ToneMask::AnyActive());
    c_ToneMask::ClearModes(20005);
    EXPECT_EQ(0, c_ToneMask::AnyActive());
}

TEST(ToneMask, BoxFillFollowsTheRamp) {
    ToneReset reset;
    TestCanvas t(16, 4);
    SetPen(0, 0, 0, 2.0, 0);
    c_ToneMask::Settings.modes[1] = 1;   // full on the left, none on the right
    FillBoxWithPen(&t.view, 2, 0, 0, 15, 3);
    int previous = -1;
    for (int x = 0; x < 16; ++x) {
        int v = (int)(t.Pixel(x, 2) & 255);
        EXPECT_GT(v, previous) << x;   // black fading to white
        previous = v;
    }
    EXPECT_LT(t.Pixel(0, 0) & 255, 5u);
}

TEST(GradientDialog, AButtonChoosesItsModeAndOkKeepsIt) {
    ToneReset reset;
    c_ToneMask::Settings.params[0] = 1;   // a screen tone on: a click turns it off
    struct Step {
        int attempt = 0;
    } step;
    SetModalAnswerHook(
        [](const ModalRequest& r, void* user) -> int {
            Step* s = (Step*)user;
            if (std::strcmp(r.templ, "dra_tone") != 0) return 2;
            if (s->attempt++ == 0) {
                SendMessageA(r.dialog, WM_COMMAND, 112, (LPARAM)GetDlgItem(r.dialog, 112));
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(r.dialog, IDOK)));
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(r.dialog, 201)));   // angle only with mode 6
                return kModalAskAgain;
            }
            return IDOK;
        },
        &step);
    EXPECT_EQ(1, ShowGradientDialog(nullptr));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(1, c_ToneMask::Settings.modes[2]);
    EXPECT_EQ(0, c_ToneMask::Settings.params[0]);
}

TEST(GradientDialog, SliderAngles) {
    struct Case {
        int x, width, angle;
    } cases[] = {{4, 368, 0}, {0, 368, 0}, {363, 368, 359}, {500, 368, 359}, {183, 368, 179}};
    for (const Case& c : cases) EXPECT_EQ(c.angle, GradientSliderAngle(c.x, c.width)) << c.x;
}

namespace {
// What a window paints for WM_PRINTCLIENT, as 0xRRGGBB words row by row.
std::vector<uint32_t> PrintClient(HWND wnd, int w, int h) {
    BITMAPINFO bi = TopDownDibInfo(w, h, 32);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> out;
    if (dc && dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib);
        std::memset(bits, 0x55, (size_t)w * h * 4);
        SendMessageA(wnd, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
        GdiFlush();
        out.assign((const uint32_t*)bits, (const uint32_t*)bits + (size_t)w * h);
        for (uint32_t& p : out) p &= 0xFFFFFF;
        SelectObject(dc, old);
    }
    if (dib) DeleteObject(dib);
    if (dc) DeleteDC(dc);
    return out;
}
}  // namespace

TEST(ToneSelector, SwatchesPaintTheirModeAndAClickChoosesIt) {
    ToneReset reset;
    RegisterToneSelectorClasses(GetModuleHandleA(nullptr));
    const int n = kToneSwatchSize;
    HWND base = CreateWindowExA(0, "ToneSelBaseClass", "", WS_POPUP | WS_VISIBLE, 0, 0, 4 * n, 2 * n, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(base);
    g_ScreenRow.Init(base);
    HWND swatch[kToneSwatchCount];
    std::vector<std::vector<uint32_t>> faces;
    for (int mode = 0; mode < kToneSwatchCount; ++mode) {
        swatch[mode] = GetDlgItem(base, mode);
        ASSERT_TRUE(swatch[mode]) << mode;
        RECT r;
        GetWindowRect(swatch[mode], &r);
        MapWindowPoints(nullptr, base, (POINT*)&r, 2);
        EXPECT_EQ(mode % 4 * n, r.left) << mode;   // four a row in a base four swatches wide
        EXPECT_EQ(mode / 4 * n, r.top) << mode;
        EXPECT_EQ(n, r.right - r.left);
        // Inside the frame's place: grey 255 minus the mode's weight.
        faces.push_back(PrintClient(swatch[mode], n, n));
        ASSERT_EQ((size_t)n * n, faces.back().size());
        int wrong = 0;
        for (int y = 3; y < n - 3; ++y)
            for (int x = 3; x < n - 3; ++x) {
                int v = ToneRampValue(mode, x, y, 0, 0, n - 1, n - 1, c_ToneMask::Settings.angle);
                uint32_t g = (uint32_t)(255 - (v < 0 ? 255 : v));
                if (faces.back()[(size_t)y * n + x] != (g << 16 | g << 8 | g)) ++wrong;
            }
        EXPECT_EQ(0, wrong) << "mode " << mode;
    }
    for (int a = 0; a < kToneSwatchCount; ++a)
        for (int b = a + 1; b < kToneSwatchCount; ++b) EXPECT_NE(faces[a], faces[b]) << a << " and " << b;

    // With a fade and a screen tone on, a click on swatch 3 leaves mode 3 alone.
    c_ToneMask::Settings.modes[0] = 1;
    c_ToneMask::Settings.params[2] = 1;
    RedrawWindow(base, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_FALSE(GetUpdateRect(swatch[0], nullptr, FALSE));
    SendMessageA(swatch[3], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    for (int m = 0; m < kToneModeCount; ++m) EXPECT_EQ(m == 3, c_ToneMask::Settings.modes[m] != 0) << m;
    for (int p = 0; p < kToneParamWords; ++p) EXPECT_EQ(0, c_ToneMask::Settings.params[p]) << p;
    // Every swatch repaints; the chosen one is framed red, the one before not.
    for (HWND s : swatch) EXPECT_TRUE(GetUpdateRect(s, nullptr, FALSE));
    EXPECT_EQ(0xFF0000u, PrintClient(swatch[3], n, n)[(size_t)1 * n + 1]);
    EXPECT_EQ(0xFF0000u, PrintClient(swatch[3], n, n)[(size_t)2 * n + 50]);
    EXPECT_NE(0xFF0000u, PrintClient(swatch[0], n, n)[(size_t)1 * n + 1]);
    DestroyWindow(base);
    g_ScreenRow.Release();
}
