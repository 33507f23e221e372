// Tip sizes, peaks and shapes; the tip mask kept between dabs; the stored-pen
// clamps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "image/dib_image.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
int Coverage16(int x, int y) {
    int hi = 0, lo = 0;
    c_DibImageOps::GetValue8(Pen.tip.planes[0], x, y, &hi);
    c_DibImageOps::GetValue8(Pen.tip.planes[1], x, y, &lo);
    return hi * 256 + lo;
}
int Peak16() {
    int peak = 0;
    for (int y = 0; y < Pen.tip.planes[0]->height; ++y)
        for (int x = 0; x < Pen.tip.planes[0]->width; ++x) peak = std::max(peak, Coverage16(x, y));
    return peak;
}
}  // namespace

TEST(PenTip, SizesAndPeaksOfTheFalloffShapes) {
    struct Case {
        int shape;
        double rx, ry;
        int width, height, peak;
    } cases[] = {
        {15, 3.0, 3.0, 8, 8, 65534},   // hard tip
        {2, 3.0, 3.0, 8, 8, 32767},
        {1, 3.0, 3.0, 8, 8, 16383},
        {0, 3.0, 3.0, 8, 8, 10922},
        {0, 2.5, 2.5, 6, 6, 10922},    // mixed from radius 2 and 3
        {0, 1.0, 1.0, 4, 4, 10922},    // the smallest stored pen
        {15, 10.0, 4.0, 22, 10, 65534},
        {0, 0.0, 0.0, 2, 2, 2730},     // both radii 0: one value
    };
    for (const Case& c : cases) {
        SetPen(0, 0, 0, c.rx, c.shape);
        Pen.tip.vRadius = c.ry;
        RenderPenTip(0);
        ASSERT_TRUE(Pen.tip.planes[0]);
        EXPECT_EQ(c.width, Pen.tip.planes[0]->width) << c.shape << " " << c.rx;
        EXPECT_EQ(c.height, Pen.tip.planes[0]->height) << c.shape << " " << c.rx;
        EXPECT_EQ(c.peak, Peak16()) << c.shape << " " << c.rx;
        EXPECT_EQ((int)c.rx * (int)c.rx, Pen.tip.squaredRadii[0]);
    }
}

TEST(PenTip, FalloffIsSymmetricAndFallsToTheRim) {
    SetPen(0, 0, 0, 5.0, 2);
    int w = Pen.tip.planes[0]->width, h = Pen.tip.planes[0]->height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            EXPECT_EQ(Coverage16(x, y), Coverage16(w - 1 - x, y));
            EXPECT_EQ(Coverage16(x, y), Coverage16(x, h - 1 - y));
        }
    EXPECT_GT(Coverage16(w / 2, h / 2), Coverage16(w / 2 + 3, h / 2));
    EXPECT_EQ(0, Coverage16(0, 0));
}

TEST(PenTip, RingShapeIsEmptyInTheCentre) {
    SetPen(0, 0, 0, 5.0, 3);
    int w = Pen.tip.planes[0]->width, h = Pen.tip.planes[0]->height;
    EXPECT_EQ(0, Coverage16(w / 2, h / 2));
    EXPECT_GT(Coverage16(w / 2 + 4, h / 2), 0);
}

TEST(PenTip, SolidBoxAndSupersampledEllipse) {
    SetPen(0, 0, 0, 3.0, kShapeSolidBox);
    EXPECT_EQ(255 * 256, Coverage16(0, 0));
    EXPECT_EQ(255 * 256, Coverage16(6, 6));
    EXPECT_EQ(0, Coverage16(7, 7));

    SetPen(0, 0, 0, 8.0, kShapeEdgePen);
    ASSERT_TRUE(Pen.tip.planes[0]);
    EXPECT_EQ(18, Pen.tip.planes[0]->width);
    EXPECT_EQ(255 * 257, Coverage16(9, 9));   // inside: full in both planes
    EXPECT_EQ(0, Coverage16(0, 0));           // corner outside the ellipse
    EXPECT_EQ(0, Pen.tip.rebuild);
}

TEST(PenTip, RandomShapesAskForANewTipEveryDab) {
    for (int shape : {6, 7, 8, 9, 12, 13, 14}) {
        SetPen(0, 0, 0, 6.0, shape);
        EXPECT_EQ(1, Pen.tip.rebuild) << shape;
    }
}

TEST(PenTip, TurnedTipIsLargerAndLargeTipsAreServedWhole) {
    SetPen(0, 0, 0, 127.0, 15);
    Pen.tip.angle = 45;
    BuildPenTip(0, 0);
    ASSERT_TRUE(Pen.tip.planes[0]);
    EXPECT_GT(Pen.tip.planes[0]->width, 256);   // about 362 after a turn of 45 degrees
    const TipMask& mask = c_PenTip::GetTipMask();
    EXPECT_EQ((size_t)mask.width * mask.height, mask.high.size());
    EXPECT_EQ(c_PenTip::GetSize(), std::min(mask.width, mask.height));
    Pen.tip.angle = 0;
}

TEST(PenTip, BuildLoadsTheRecordAndOddRadiiStayInRange) {
    ResetPenState();
    PenRecords[3] = PenRecord{.halfWidth = 4.0, .halfHeight = 2.0, .tipKind = 1};
    Pen.penRecord = 3;
    BuildPenTip(0, 1);
    EXPECT_EQ(15, Pen.tip.tipShape);
    EXPECT_EQ(10, Pen.tip.planes[0]->width);
    EXPECT_EQ(6, Pen.tip.planes[0]->height);
    // An edge pen whose inner factor came from a damaged file.
    Pen.tip.hRadius = std::numeric_limits<double>::quiet_NaN();
    Pen.tip.vRadius = 1e9;
    Pen.tip.tipShape = 0;
    RenderPenTip(0);
    ASSERT_TRUE(Pen.tip.planes[0]);
    EXPECT_EQ(2, Pen.tip.planes[0]->width);
    EXPECT_EQ(256, Pen.tip.planes[0]->height);
}

TEST(PenRecordClamp, LoadRules) {
    struct Case {
        double w, h;
        int kind;
        double ew, eh;
        int ekind;
    } cases[] = {
        {0.5, 300.0, 9, 1.0, 127.0, 4},
        {std::numeric_limits<double>::quiet_NaN(), 20.0, -3, 1.0, 20.0, 0},
        {12.5, 1.0, 6, 12.5, 1.0, 4},
    };
    for (const Case& c : cases) {
        PenRecord r{.halfWidth = c.w, .halfHeight = c.h, .tipKind = c.kind};
        ClampPenRecord(&r);
        EXPECT_EQ(c.ew, r.halfWidth);
        EXPECT_EQ(c.eh, r.halfHeight);
        EXPECT_EQ(c.ekind, r.tipKind);
    }
}

TEST(PressureCurve, MiddlePressureGivesAbout70) {
    BuildPressureCurve();
    struct Case {
        int pressure, effect;
    } cases[] = {{0, 0}, {64, 19}, {192, 149}, {255, 255}};
    for (const Case& c : cases) EXPECT_EQ(c.effect, PressureCurve[c.pressure]) << c.pressure;
    EXPECT_NEAR(70, PressureCurve[128], 1);
    for (int i = 1; i < 256; ++i) EXPECT_GE(PressureCurve[i], PressureCurve[i - 1]);
}

namespace {
// The mask must hold what the images hold now: high and low bytes of the tip
// planes (low 0 without a low plane of the same size).
void ExpectMaskReads(const DibImage* high, const DibImage* low, const char* step) {
    const TipMask& mask = c_PenTip::GetTipMask();
    ASSERT_EQ(high->width, mask.width) << step;
    ASSERT_EQ(high->height, mask.height) << step;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            int hi = 0, lo = 0;
            c_DibImageOps::GetValue8(high, x, y, &hi);
            if (low) c_DibImageOps::GetValue8(low, x, y, &lo);
            ASSERT_EQ(hi, mask.high[(size_t)y * mask.width + x]) << step << " " << x << "," << y;
            ASSERT_EQ(lo, mask.low[(size_t)y * mask.width + x]) << step << " " << x << "," << y;
        }
}
}  // namespace

TEST(TipMask, KeptMaskFollowsEveryChangeOfTheTip) {
    SetPen(0, 0, 0, 3.0, 2);
    DibImage* bitmap = c_DibImageOps::Create(5, 3, 8);
    ASSERT_TRUE(bitmap);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) c_DibImageOps::SetValue8(bitmap, x, y, 40 * y + x);
    BrushBitmap = bitmap;
    struct Step {
        const char* name;
        void (*change)(DibImage* bitmap);
        bool fromBitmap;
    } steps[] = {
        {"first read", [](DibImage*) {}, false},
        {"read again", [](DibImage*) {}, false},
        {"new radius", [](DibImage*) { Pen.tip.hRadius = Pen.tip.vRadius = 5.0; RenderPenTip(0); }, false},
        {"new shape, same size", [](DibImage*) { Pen.tip.tipShape = 15; RenderPenTip(0); }, false},
        {"turned", [](DibImage*) { Pen.tip.angle = 30; BuildPenTip(0, 0); Pen.tip.angle = 0; }, false},
        {"brush bitmap on", [](DibImage*) { BrushBitmapOn = 1; }, true},
        {"bitmap edited in place",
         [](DibImage* b) { c_DibImageOps::SetValue8(b, 2, 1, 251); c_PenTip::TipChanged(); }, true},
        {"brush bitmap off", [](DibImage*) { BrushBitmapOn = 0; }, false},
        {"planes edited in place",
         [](DibImage*) { c_DibImageOps::SetValue8(Pen.tip.planes[0], 4, 4, 7); c_PenTip::TipChanged(); }, false},
        {"planes freed and made again", [](DibImage*) { FreePenTip(); RenderPenTip(0); }, false},
    };
    for (const Step& s : steps) {
        s.change(bitmap);
        if (s.fromBitmap)
            ExpectMaskReads(bitmap, nullptr, s.name);
        else
            ExpectMaskReads(Pen.tip.planes[0], Pen.tip.planes[1], s.name);
    }
    BrushBitmapOn = 0;
    BrushBitmap = nullptr;
    c_DibImageOps::Free(&bitmap);
}

TEST(TipMask, RandomShapesAreReadAfterEveryRendering) {
    // Each dab renders a new random tip; the mask is that tip, not the last one.
    for (int shape : {6, 7, 13}) {
        SetPen(0, 0, 0, 6.0, shape);
        std::srand(11);
        for (int dab = 0; dab < 4; ++dab) {
            Pen.dabCount = dab;
            const TipMask& mask = c_PenTip::GetTipMask();
            ASSERT_TRUE(Pen.tip.planes[0]);
            std::vector<uint8_t> high(mask.high.size());
            for (int y = 0; y < mask.height; ++y)
                c_DibImageOps::GetRow8(Pen.tip.planes[0], y, 0, mask.width - 1, &high[(size_t)y * mask.width]);
            EXPECT_EQ(high, mask.high) << shape << " " << dab;
        }
    }
}

TEST(TipMask, ImageBrushIsAFullBlockOfItsSizeInColourModeOnly) {
    SetPen(0, 0, 0, 3.0, 2);
    Pen.brushImages[0] = g_VmsStore.Create(7, 4, 32, 0, 1);
    ASSERT_TRUE(Pen.brushImages[0]);
    Pen.imageBrushOn = 1;
    const TipMask& mask = c_PenTip::GetTipMask();
    EXPECT_EQ(7, mask.width);
    EXPECT_EQ(4, mask.height);
    EXPECT_EQ(std::vector<uint8_t>(28, 255), mask.high);
    EXPECT_EQ(std::vector<uint8_t>(28, 255), mask.low);
    Pen.drawingMode = ModeBlur;   // other modes use the tip planes
    ExpectMaskReads(Pen.tip.planes[0], Pen.tip.planes[1], "blur");
    Pen.drawingMode = ModeColour;
    EXPECT_EQ(7, c_PenTip::GetTipMask().width);
    c_PenWriter::FreeBrushImages(1, 0);
    ExpectMaskReads(Pen.tip.planes[0], Pen.tip.planes[1], "brush freed");
}
