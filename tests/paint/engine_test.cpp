// Plane rows, masks, the blends and the dabs of the pen engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/stroke.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
uint32_t Word(int r, int g, int b) { return MakeWord(r, g, b); }
}  // namespace

TEST(BlendRow, Cases) {
    struct Case {
        uint32_t old;
        int oldAlpha;
        uint32_t pen;
        int coverage, opacity, protect, kind, penAlpha;
        uint32_t expect;
        int expectAlpha;
    } cases[] = {
        // Full weight over an opaque pixel: the pen colour.
        {Word(255, 255, 255), 255, Word(10, 20, 30), 255, 255, 0, AlphaKindMix, 0, Word(10, 20, 30), 255},
        // Half coverage: half way (no transparency plane: -1).
        {Word(200, 0, 100), -1, Word(0, 200, 100), 128, 255, 0, AlphaKindMix, 0, Word(100, 100, 100), -1},
        // With the transparency plane the pen mixes by the existing transparency.
        {Word(200, 0, 100), 255, Word(0, 200, 100), 128, 255, 0, AlphaKindMix, 0, Word(66, 133, 100), 255},
        // A protect byte of 255 leaves the pixel whatever the coverage.
        {Word(1, 2, 3), 255, Word(250, 250, 250), 255, 255, 255, AlphaKindMix, 0, Word(1, 2, 3), 255},
        // Opacity 0 paints nothing.
        {Word(1, 2, 3), 255, Word(250, 250, 250), 255, 0, 0, AlphaKindMix, 0, Word(1, 2, 3), 255},
        // Into a transparent pixel: the pen colour and the weight as transparency.
        {Word(0, 0, 0), 0, Word(90, 60, 30), 128, 255, 0, AlphaKindMix, 0, Word(90, 60, 30), 128},
        // ... even at weight 0, which leaves it transparent.
        {Word(1, 2, 3), 0, Word(90, 60, 30), 0, 255, 0, AlphaKindMix, 0, Word(90, 60, 30), 0},
        // Alpha kind 1 blends the transparency toward the pen's row (eraser).
        {Word(40, 40, 40), 255, Word(40, 40, 40), 255, 255, 0, AlphaKindBlend, 0, Word(40, 40, 40), 0},
        {Word(40, 40, 40), 200, Word(40, 40, 40), 128, 255, 0, AlphaKindBlend, 0, Word(40, 40, 40), 100},
        // Alpha kind 2 leaves the transparency.
        {Word(0, 0, 0), 10, Word(255, 255, 255), 255, 255, 0, AlphaKindKeep, 0, Word(255, 255, 255), 10},
    };
    for (const Case& c : cases) {
        TestCanvas t(4, 1, 1, 0x00FFFFFF, c.oldAlpha >= 0);
        ResetPenState();
        PenOpacity = c.opacity;
        t.SetPixel(1, 0, c.old);
        if (c.oldAlpha >= 0) t.SetAlpha(1, 0, c.oldAlpha);
        uint32_t colour[1] = {c.pen};
        uint8_t coverage[1] = {(uint8_t)c.coverage}, alpha[1] = {(uint8_t)c.penAlpha}, protect[1] = {(uint8_t)c.protect};
        c_PenEngine::BlendRow(&t.view, colour, coverage, alpha, protect, c.kind, 0, 1, 1);
        EXPECT_EQ(c.expect, t.Pixel(1, 0)) << std::hex << c.old << " " << c.pen;
        if (c.oldAlpha >= 0) {
            EXPECT_EQ(c.expectAlpha, t.Value(1, 0, 1)) << std::hex << c.old << " " << c.pen;
        }
        EXPECT_EQ(0xFFFFFFu, t.Pixel(0, 0));   // neighbours untouched
    }
}

TEST(BlendRow, RowsClipToThePlaneAndItsOffset) {
    TestCanvas t(6, 3, 1, 0);
    t.planes[0].x = 2;   // the layer starts at canvas column 2
    t.planes[1].x = 2;
    ResetPenState();
    std::vector<uint32_t> colour(10, Word(255, 0, 0));
    std::vector<uint8_t> coverage(10, 255), alpha(10, 0), protect(10, 0);
    c_PenEngine::BlendRow(&t.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, 1, -3, 3);
    // Canvas columns 2 and 3 are plane columns 0 and 1.
    EXPECT_EQ(Word(255, 0, 0), t.Pixel(0, 1));
    EXPECT_EQ(Word(255, 0, 0), t.Pixel(1, 1));
    EXPECT_EQ(0u, t.Pixel(2, 1));
    EXPECT_EQ(0u, t.Pixel(0, 0));
    // Rows above and below the plane do nothing.
    c_PenEngine::BlendRow(&t.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, -1, 0, 9);
    c_PenEngine::BlendRow(&t.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, 3, 0, 9);
}

TEST(BlendRow, EightBitPlaneTakesTheLargestChannel) {
    TestCanvas t(2, 1);
    t.view.current = 1;   // the transparency plane, 8 bits
    ResetPenState();
    uint32_t colour[1] = {Word(10, 200, 30)};
    uint8_t coverage[1] = {255}, alpha[1] = {0}, protect[1] = {0};
    c_PenEngine::BlendRow(&t.view, colour, coverage, alpha, protect, AlphaKindMix, 0, 0, 0);
    EXPECT_EQ(200, t.Value(0, 0, 1));
    uint32_t back[1];
    c_PenEngine::GetPlaneRow(&t.view, 0, 0, 0, back);
    EXPECT_EQ(200u * 0x01010101u, back[0]);
}

TEST(BlendRow, DensityZeroPaintsAlmostNothingAndDensity255DrawsNoRandomNumbers) {
    TestCanvas t(256, 1, 1, 0);
    ResetPenState();
    std::vector<uint32_t> colour(256, Word(255, 255, 255));
    std::vector<uint8_t> coverage(256, 255), alpha(256, 0), protect(256, 0);
    std::srand(5);
    int expected = std::rand();
    std::srand(5);
    c_PenEngine::BlendRow(&t.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, 0, 0, 255);
    EXPECT_EQ(expected, std::rand());   // no number drawn
    TestCanvas u(256, 1, 1, 0);
    Pen.density = 0;
    c_PenEngine::BlendRow(&u.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, 0, 0, 255);
    int painted = 0;
    for (int x = 0; x < 256; ++x) painted += u.Pixel(x, 0) != 0;
    EXPECT_LT(painted, 16);
}

TEST(BlendRow, ChannelLocksKeepTheOldChannel) {
    TestCanvas t(1, 1, 1, Word(11, 22, 33));
    ResetPenState();
    t.view.channelOn[1] = 0;   // green locked
    uint32_t colour[1] = {Word(200, 200, 200)};
    uint8_t coverage[1] = {255}, alpha[1] = {0}, protect[1] = {0};
    c_PenEngine::BlendRow(&t.view, colour, coverage, alpha, protect, AlphaKindMix, 0, 0, 0);
    EXPECT_EQ(Word(200, 22, 200), t.Pixel(0, 0));
}

TEST(BlendRowDouble, FullWeightGivesThePenExactlyWithoutOverflow) {
    TestCanvas t(3, 1, 1, Word(255, 255, 255));
    t.planes[0].doubleImage = g_VmsStore.Create(3, 1, 32, 255, 1);
    uint32_t ff = 0x00FFFFFF;
    for (int x = 0; x < 3; ++x) g_VmsStore.PutRow(t.planes[0].doubleImage, 0, x, x, &ff);
    ResetPenState();
    uint32_t colour[3] = {Word(0, 128, 255), Word(0, 128, 255), Word(0, 0, 0)};
    uint8_t coverage[3] = {255, 0, 128}, low[3] = {255, 0, 0}, alpha[3] = {0, 0, 0}, protect[3] = {0, 0, 0};
    c_PenEngine::WriteStrokeRow(&t.view, 0, colour, coverage, low, alpha, protect, AlphaKindKeep, 0, 0, 2, 0);
    EXPECT_EQ(Word(0, 128, 255), t.Pixel(0, 0));
    uint32_t lows[3];
    c_PenEngine::GetPlaneRowLow(&t.view, 0, 0, 2, lows);
    EXPECT_EQ(Word(0, 128, 255), lows[0]);      // 16-bit pen value = value x 257
    EXPECT_EQ(Word(255, 255, 255), t.Pixel(1, 0));   // no coverage: unchanged
    EXPECT_EQ(0x00FFFFFFu, lows[1] & 0x00FFFFFF);
    EXPECT_EQ(Word(127, 127, 127), t.Pixel(2, 0));   // half way down from white
}

TEST(Masks, ProtectRowsInvertedHiddenAndMasksOff) {
    TestCanvas t(4, 1);
    ResetPenState();
    t.AddMask(0, 2, 0);
    t.planes[2].options[0] = 1;
    g_VmsStore.SetValue(t.planes[2].image, 1, 0, 255);
    uint8_t row[4];
    c_PenEngine::GetProtectRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(0, row[0]);
    EXPECT_EQ(255, row[1]);
    t.planes[2].options[1] = 1;
    c_PenEngine::GetProtectRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(255, row[0]);
    EXPECT_EQ(0, row[1]);
    t.planes[2].planeSwitch = 1;
    c_PenEngine::GetProtectRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(0, row[0]);
    t.planes[2].planeSwitch = 0;
    Pen.masksOff = 1;
    c_PenEngine::GetProtectRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(0, row[0]);
    // The alpha product: transparency 255 times a mask of 128, twice with both flags.
    t.planes[2].options[2] = 1;
    t.planes[2].options[0] = 0;
    t.AddMask(0, 2, 128);
    c_PenEngine::GetLayerAlphaRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(128, row[0]);
    t.planes[2].options[3] = 1;
    c_PenEngine::GetLayerAlphaRow(&t.view, 0, 0, 3, row, 0);
    EXPECT_EQ(64, row[0]);
}

TEST(Masks, WriteStrokeRowHonoursMasksAndSelection) {
    TestCanvas t(3, 1, 1, 0);
    ResetPenState();
    t.AddMask(0, 2, 0);
    t.planes[2].options[0] = 1;
    g_VmsStore.SetValue(t.planes[2].image, 0, 0, 255);
    t.selection = {0, 255, 0};
    uint32_t colour[3] = {Word(9, 9, 9), Word(9, 9, 9), Word(9, 9, 9)};
    uint8_t coverage[3] = {255, 255, 255}, alpha[3] = {}, protect[3] = {};
    c_PenEngine::WriteStrokeRow(&t.view, 0, colour, coverage, nullptr, alpha, protect, AlphaKindMix, 0, 0, 2, 1);
    EXPECT_EQ(0u, t.Pixel(0, 0));              // mask plane
    EXPECT_EQ(0u, t.Pixel(1, 0));              // outside the selection
    EXPECT_EQ(Word(9, 9, 9), t.Pixel(2, 0));
}

TEST(LayerPlaneAccess, MissingPlanesReadZeroAndPositionsClamp) {
    TestCanvas t(3, 2, 1, Word(1, 2, 3));
    int v = -1;
    c_PenEngine::GetLayerPlaneValue(&t.view, 0, 0, &v, 4);
    EXPECT_EQ(0, v);
    uint8_t row[3] = {7, 7, 7};
    c_PenEngine::GetLayerPlaneRow(&t.view, 0, 0, 2, row, 5);
    EXPECT_EQ(0, row[0] | row[1] | row[2]);
    int r, g, b;
    c_PenEngine::GetPlaneRgb(&t.view, -10, 99, &r, &g, &b);
    EXPECT_EQ(1, r);
    EXPECT_EQ(3, b);
    c_PenEngine::GetLayerPlaneValueOrZero(&t.view, 5, 0, &v, 1);
    EXPECT_EQ(0, v);
    c_PenEngine::GetLayerPlaneValue(&t.view, 5, 0, &v, 1);
    EXPECT_EQ(255, v);
}

TEST(SubPixelDab, CoverageFollowsTheFraction) {
    // A one-pixel hard tip: its coverage moves to the right neighbour as the
    // fraction grows (white over black without a transparency plane).
    struct Case {
        double x;
        int here, right;
    } cases[] = {{5.0, 255, 0}, {5.5, 128, 127}, {5.999, 1, 254}};
    for (const Case& c : cases) {
        TestCanvas t(12, 12, 1, 0, false);
        SetPen(255, 255, 255, 0.0, kShapeSolidBox);   // 2 x 2 planes, one pixel of 255
        int first = 1;
        RECT rc;
        c_PenEngine::DabSubPixel(&t.view, nullptr, c.x, 5.0, 0, &rc, 1.0, &first);
        EXPECT_EQ(5, rc.left);
        EXPECT_EQ(8, rc.right);
        EXPECT_EQ(c.here, WordR(t.Pixel(5, 5))) << c.x;
        EXPECT_EQ(c.right, WordR(t.Pixel(6, 5))) << c.x;
        EXPECT_EQ(0, WordR(t.Pixel(5, 6))) << c.x;
        EXPECT_EQ(0, WordR(t.Pixel(4, 5))) << c.x;
    }
}

TEST(SubPixelDab, ZeroTakesMinusOneAndFraction255) {
    TestCanvas t(8, 8, 1, 0);
    SetPen(255, 0, 0, 0.0, kShapeSolidBox);
    int first = 1;
    RECT rc;
    c_PenEngine::DabSubPixel(&t.view, nullptr, 0.0, 3.0, 0, &rc, 1.0, &first);
    // ix = -1: the box starts at column -1 (ix + 1 - (2 + 1) / 2).
    EXPECT_EQ(-1, rc.left);
    EXPECT_EQ(2, rc.right);
}

TEST(SubPixelDab, ThinningSkipsCloseDabsButNotTheFirst) {
    TestCanvas t(16, 16, 1, 0);
    SetPen(255, 255, 255, 2.0, 15);
    int first = 1;
    RECT rc;
    c_PenEngine::DabSubPixel(&t.view, nullptr, 8.0, 8.0, 0, &rc, 2.0, &first);
    EXPECT_EQ(0, first);
    auto before = t.Snapshot();
    PenOpacity = 255;
    c_PenEngine::DabSubPixel(&t.view, nullptr, 8.5, 8.0, 0, &rc, 2.0, &first);
    EXPECT_EQ(before, t.Snapshot());   // closer than 2.0: skipped
    EXPECT_EQ(rc.left, rc.right);
    first = 1;   // the first dab of the next stroke on the same spot is placed
    TestCanvas u(16, 16, 1, 0);
    c_PenEngine::DabSubPixel(&u.view, nullptr, 8.0, 8.0, 0, &rc, 2.0, &first);
    EXPECT_NE(0u, u.Pixel(8, 8));
}

TEST(BlendRow, MixByTransparencyMatchesPlainArithmeticOverAllWeights) {
    // Every transparency and weight over a few colours: the mix of the pen
    // into a half-transparent pixel as integer arithmetic gives it.
    for (int d : {0, 1, 77, 128, 254, 255})
        for (int e = 0; e <= 255; e += 5) {
            TestCanvas t(3, 1, 1, MakeWord(200, 30, 7));
            ResetPenState();
            t.SetAlpha(0, 0, d);
            t.SetAlpha(1, 0, d);
            t.SetAlpha(2, 0, d);
            uint32_t colour[3] = {MakeWord(0, 255, 90), MakeWord(0, 255, 90), MakeWord(0, 255, 90)};
            uint8_t coverage[3] = {(uint8_t)e, (uint8_t)e, (uint8_t)e}, alpha[3] = {}, protect[3] = {};
            c_PenEngine::BlendRow(&t.view, colour, coverage, alpha, protect, AlphaKindMix, 0, 0, 2);
            int oc[3] = {200, 30, 7}, pc[3] = {0, 255, 90};
            int w = ProductTable[e][255];
            for (int k = 0; k < 3; ++k) {
                int expect = d + w == 0 ? pc[k]
                                        : std::min(255, ProductTable[(d * oc[k] + pc[k] * w) / (d + w)][255 - w] +
                                                            ProductTable[pc[k]][w]);
                int got = k == 0 ? WordR(t.Pixel(1, 0)) : k == 1 ? WordG(t.Pixel(1, 0)) : WordB(t.Pixel(1, 0));
                ASSERT_EQ(expect, got) << d << " " << e << " " << k;
            }
        }
}

TEST(SubPixelDab, WholeCoordinatesLayTheTipDownAsItIsUpToTheCanvasEdges) {
    // White over black without a transparency plane: each pixel takes the
    // tip's high byte; the extra column and row of the dab box stay black.
    // A solid tip across an edge has covered rows off the canvas before or
    // after those on it, which are painted in full all the same.
    struct Case {
        double x, y, radius;
        int shape;
    } cases[] = {
        {10.0, 9.0, 4.0, 2}, {2.0, 3.0, 4.0, 2}, {1.0, 17.0, 4.0, 2}, {20.0, 19.0, 4.0, 2},   // soft round, 10 x 10
        {8.0, 1.0, 3.0, kShapeSolidBox}, {8.0, 19.0, 3.0, kShapeSolidBox}, {1.0, 8.0, 3.0, kShapeSolidBox},
        {20.0, 8.0, 3.0, kShapeSolidBox}, {1.0, 1.0, 3.0, kShapeSolidBox},
    };
    for (const Case& c : cases) {
        TestCanvas t(21, 20, 1, 0, false);
        SetPen(255, 255, 255, c.radius, c.shape);
        const TipMask& tip = c_PenTip::GetTipMask();
        std::vector<uint8_t> high = tip.high;
        int w = tip.width, h = tip.height;
        int first = 1;
        RECT rc;
        c_PenEngine::DabSubPixel(&t.view, nullptr, c.x, c.y, 0, &rc, 1.0, &first);
        ASSERT_EQ(w + 1, rc.right - rc.left);
        ASSERT_EQ(h + 1, rc.bottom - rc.top);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 21; ++x) {
                int i = x - rc.left, row = y - rc.top;
                int expect = i >= 0 && row >= 0 && i < w && row < h ? high[(size_t)row * w + i] : 0;
                ASSERT_EQ(expect, WordR(t.Pixel(x, y))) << c.x << "," << c.y << " at " << x << "," << y;
            }
    }
}

TEST(SubPixelDab, PlainColourKeepsOffTheMaskAndOutsideTheSelection) {
    // A solid white box over black; the left half of the canvas is protected
    // by the layer's mask plane or lies outside the selection. The protected
    // pixels stay black, the others under the box turn white.
    enum Limit { MaskPlane, SelectionRows, SelectionFlag, MasksOff };
    for (Limit limit : {MaskPlane, SelectionRows, SelectionFlag, MasksOff}) {
        TestCanvas t(16, 12, 1, 0, false);
        SetPen(255, 255, 255, 4.0, kShapeSolidBox);
        std::vector<uint8_t> leftHalf(16 * 12, 0);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 8; ++x) leftHalf[(size_t)y * 16 + x] = 255;
        if (limit == MaskPlane || limit == MasksOff) {
            VmsImage* mask = t.AddMask(0, 2, 0);
            t.planes[2].options[0] = 1;
            for (int y = 0; y < 12; ++y) g_VmsStore.PutRow(mask, y, 0, 15, &leftHalf[(size_t)y * 16]);
            Pen.masksOff = limit == MasksOff;
        } else {
            t.selection = leftHalf;
            if (limit == SelectionRows) Pen.options[PenOptSelectionRows] = 1;
            else Pen.selectionFlag = 1;
        }
        const TipMask& tip = c_PenTip::GetTipMask();
        std::vector<uint8_t> high = tip.high;
        int w = tip.width;
        int first = 1;
        RECT rc;
        c_PenEngine::DabSubPixel(&t.view, nullptr, 8.0, 6.0, 0, &rc, 1.0, &first);
        int painted = 0;
        for (int x = rc.left; x < rc.left + w; ++x) {
            int under = high[(size_t)(6 - rc.top) * w + (x - rc.left)];
            bool kept = x < 8 && limit != MasksOff;
            EXPECT_EQ(kept ? 0 : under, WordR(t.Pixel(x, 6))) << "limit " << limit << " at " << x;
            painted += under == 255 && x < 8;
        }
        EXPECT_GT(painted, 0) << "the box reaches into the left half";
    }
}

TEST(BlendRow, EveryTransparencyAndWeightMatchesPlainArithmetic) {
    // Rows of 256 pixels, pixel i of weight i (coverage i at full opacity),
    // under every transparency d, with old and pen colours that vary along
    // the row: the mix (alpha kind 0) and the blend (kind 1) against integer
    // arithmetic over the product table.
    const auto& P = ProductTable;
    auto cap = [](int v) { return std::min(v, 255); };
    TestCanvas t(256, 1, 1, 0);
    ResetPenState();
    std::vector<uint32_t> olds(256), pens(256);
    std::vector<uint8_t> coverage(256), penAlpha(256), protect(256, 0);
    for (int i = 0; i < 256; ++i) {
        coverage[i] = (uint8_t)i;
        penAlpha[i] = (uint8_t)(255 - i / 2);
    }
    for (int kind : {AlphaKindMix, AlphaKindBlend})
        for (int d = 0; d < 256; ++d) {
            for (int i = 0; i < 256; ++i) {
                olds[i] = Word((i * 13 + d) & 255, 255 - i, (d * 7 + i) & 255);
                pens[i] = Word((i * 29) & 255, d, 255 - ((i + d) & 255));
                t.SetPixel(i, 0, olds[i] | 0x5A000000u);
                t.SetAlpha(i, 0, d);
            }
            c_PenEngine::BlendRow(&t.view, pens.data(), coverage.data(), penAlpha.data(), protect.data(), kind, 0, 0,
                                  255);
            std::vector<uint32_t> got(256);
            g_VmsStore.GetRow(t.planes[0].image, 0, 0, 255, got.data());
            for (int e = 0; e < 256; ++e) {
                int o[3] = {WordR(olds[e]), WordG(olds[e]), WordB(olds[e])};
                int p[3] = {WordR(pens[e]), WordG(pens[e]), WordB(pens[e])};
                int n[3], alpha;
                for (int k = 0; k < 3; ++k) {
                    if (kind == AlphaKindBlend)
                        n[k] = cap(P[o[k]][255 - e] + P[p[k]][e]);
                    else if (d + e == 0)
                        n[k] = p[k];
                    else
                        n[k] = cap(P[(d * o[k] + p[k] * e) / (d + e)][255 - e] + P[p[k]][e]);
                }
                if (kind == AlphaKindBlend)
                    alpha = cap(P[penAlpha[e]][e] + P[d][255 - e]);
                else
                    alpha = cap(P[d][255 - e] + e);
                ASSERT_EQ(Word(n[0], n[1], n[2]) | 0x5A000000u, got[e]) << kind << " d " << d << " e " << e;
                ASSERT_EQ(alpha, t.Value(e, 0, 1)) << kind << " d " << d << " e " << e;
            }
        }
}

TEST(BlendRow, DensityDrawsOneRandomNumberForEachCoveredPixelLeftToRight) {
    // Density 128 with coverage on some pixels only (protected ones draw too):
    // a pixel is dropped when the density is below its number.
    const int n = 64;
    std::vector<uint32_t> colour(n, Word(255, 255, 255));
    std::vector<uint8_t> coverage(n), alpha(n, 0), protect(n, 0);
    for (int i = 0; i < n; ++i) {
        coverage[i] = i % 3 == 0 ? 0 : (uint8_t)(40 + i);
        protect[i] = i % 7 == 0 ? 255 : 0;
    }
    std::srand(21);
    std::vector<bool> painted(n);
    for (int i = 0; i < n; ++i) {
        bool kept = coverage[i] && !(128 < std::rand() % 255);
        painted[i] = kept && !protect[i];
    }
    int next = std::rand();
    TestCanvas t(n, 1, 1, 0, false);
    ResetPenState();
    Pen.density = 128;
    std::srand(21);
    c_PenEngine::BlendRow(&t.view, colour.data(), coverage.data(), alpha.data(), protect.data(), AlphaKindMix, 0, 0,
                          n - 1);
    EXPECT_EQ(next, std::rand());
    for (int i = 0; i < n; ++i) EXPECT_EQ(painted[i], t.Pixel(i, 0) != 0) << i;
}

TEST(SubPixelDab, SameDabWhenAnotherThreadHoldsThePlaneOrItsTransparency) {
    // A dab holds its plane and the layer's transparency for all its rows
    // when it can have both, and otherwise locks row by row. Either way the
    // pixels are the same, and no lock is left behind for other threads.
    auto dab = [](TestCanvas& t) {
        SetPen(200, 40, 10, 6.0, 2);
        t.SetAlpha(10, 10, 0);
        t.SetAlpha(12, 9, 90);
        int first = 1;
        RECT rc;
        c_PenEngine::DabSubPixel(&t.view, nullptr, 10.3, 9.6, 0, &rc, 0.0, &first);
    };
    TestCanvas plain(24, 24);
    dab(plain);
    for (int busy : {0, 1}) {
        SCOPED_TRACE(busy);
        TestCanvas t(24, 24);
        VmsImage* image = t.planes[busy].image;
        std::atomic<bool> holding{false};
        std::jthread other([&] {
            c_VmsHeldRows held;
            held.Hold(image, true);
            holding = true;
            Sleep(150);
        });
        while (!holding) Sleep(1);
        dab(t);
        other.join();
        EXPECT_EQ(t.Snapshot(), plain.Snapshot());
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) ASSERT_EQ(t.Value(x, y, 1), plain.Value(x, y, 1)) << x << "," << y;
        for (int plane : {0, 1}) {
            int took = -1;
            std::jthread([&] {
                c_VmsHeldRows held;
                took = held.Hold(t.planes[plane].image, false);
            }).join();
            EXPECT_EQ(took, 1) << plane;
        }
    }
}

TEST(SubPixelDab, SameDabAcrossTheSeamsOfTheStoreTiles) {
    // A dab's rows are blended where the store keeps them when they lie in
    // one tile, through copies when they cross a seam between tiles (every
    // 250 pixels): a dab on the corner of four tiles paints exactly what the
    // same dab paints inside one tile, over transparency that varies.
    TestCanvas t(520, 520);
    const int kWindow = 40;
    const int corners[2][2] = {{80, 80}, {230, 230}};   // inside one tile; on the seams at 250
    for (const auto& c : corners)
        for (int y = 0; y < kWindow; ++y)
            for (int x = 0; x < kWindow; ++x) t.SetAlpha(c[0] + x, c[1] + y, (x * 37 + y * 11) % 256);
    SetPen(200, 40, 10, 12.0, 2);
    for (const auto& c : corners) {
        int first = 1;
        RECT rc;
        c_PenEngine::DabSubPixel(&t.view, nullptr, c[0] + 20.3, c[1] + 19.6, 0, &rc, 0.0, &first);
    }
    int painted = 0;
    for (int y = 0; y < kWindow; ++y)
        for (int x = 0; x < kWindow; ++x) {
            const int ax = corners[0][0] + x, ay = corners[0][1] + y, bx = corners[1][0] + x, by = corners[1][1] + y;
            ASSERT_EQ(t.Pixel(ax, ay), t.Pixel(bx, by)) << x << "," << y;
            ASSERT_EQ(t.Value(ax, ay, 1), t.Value(bx, by, 1)) << x << "," << y;
            painted += t.Pixel(ax, ay) != 0x00FFFFFFu;
        }
    EXPECT_GT(painted, 300);
}
