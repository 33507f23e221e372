// Each drawing mode's pen row (fixed random seed), and the brush images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/tone_mask.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
struct Row {
    std::vector<uint32_t> colour;
    std::vector<uint8_t> alpha, protect;
    int kind = -1;
};

Row Make(TestCanvas& t, int y, int x0, int x1, int left, int top, int right, int bottom) {
    Row r;
    int n = x1 - x0 + 1;
    r.colour.assign(n, 0xDEADBEEF);
    r.alpha.assign(n, 77);
    r.protect.assign(n, 77);
    c_PenWriter::MakeRow(&t.view, r.colour.data(), r.alpha.data(), r.protect.data(), y, x0, x1, left, top, right,
                         bottom, &r.kind);
    return r;
}

// A canvas with a gradient in red: r = 10 x x, g = 10 x y.
void Gradient(TestCanvas& t) {
    for (int y = 0; y < t.view.height; ++y)
        for (int x = 0; x < t.view.width; ++x) t.SetPixel(x, y, MakeWord(10 * x, 10 * y, 7));
}
}  // namespace

TEST(PenModes, ColourRainbowEraserAndAlphaKinds) {
    TestCanvas t(8, 8);
    Gradient(t);
    SetPen(1, 2, 3, 2.0, 0);
    Row r = Make(t, 2, 0, 3, 0, 0, 3, 3);
    EXPECT_EQ(MakeWord(1, 2, 3), r.colour[0]);
    EXPECT_EQ(0, r.protect[0]);
    EXPECT_EQ(AlphaKindMix, r.kind);

    Pen.drawingMode = ModeRainbow;
    struct { int dab; int r, g, b; } hues[] = {{0, 255, 0, 0}, {256, 255, 0, 0}, {85, 0, 255, 0}};
    for (const auto& h : hues) {
        Pen.dabCount = h.dab;
        r = Make(t, 2, 0, 0, 0, 0, 3, 3);
        EXPECT_NEAR(h.r, WordR(r.colour[0]), 6) << h.dab;
        EXPECT_NEAR(h.g, WordG(r.colour[0]), 6) << h.dab;
        EXPECT_NEAR(h.b, WordB(r.colour[0]), 6) << h.dab;
    }

    Pen.drawingMode = ModeEraser;
    r = Make(t, 3, 1, 2, 0, 0, 3, 3);
    EXPECT_EQ(MakeWord(10, 30, 7), r.colour[0]);
    EXPECT_EQ(0, r.alpha[0]);
    EXPECT_EQ(AlphaKindBlend, r.kind);
}

TEST(PenModes, RowsOffTheCanvasAreProtected) {
    TestCanvas t(4, 4);
    SetPen(1, 2, 3, 2.0, 0);
    for (int y : {-1, 4}) {
        Row r = Make(t, y, 0, 3, 0, 0, 3, 3);
        for (uint8_t p : r.protect) EXPECT_EQ(255, p);
    }
    Row r = Make(t, 0, 4, 6, 0, 0, 3, 3);
    for (uint8_t p : r.protect) EXPECT_EQ(255, p);
}

TEST(PenModes, NoiseStaysWithin16) {
    TestCanvas t(64, 1, 1, MakeWord(250, 8, 128));
    SetPen(0, 0, 0, 2.0, 0);
    Pen.drawingMode = ModeNoise;
    std::srand(1);
    Row r = Make(t, 0, 0, 63, 0, 0, 63, 0);
    bool varied = false;
    for (uint32_t w : r.colour) {
        EXPECT_GE(WordR(w), 234);
        EXPECT_LE(WordR(w), 255);
        EXPECT_LE(WordG(w), 24);
        EXPECT_GE(WordB(w), 112);
        EXPECT_LE(WordB(w), 144);
        varied |= WordB(w) != 128;
    }
    EXPECT_TRUE(varied);
}

TEST(PenModes, BlurMeansUsableNeighbours) {
    TestCanvas t(5, 5, 1, 0);
    SetPen(0, 0, 0, 2.0, 0);
    t.SetPixel(2, 2, MakeWord(250, 0, 0));
    Pen.drawingMode = ModeBlur;
    Row r = Make(t, 2, 2, 2, 0, 0, 4, 4);
    EXPECT_EQ(50, WordR(r.colour[0]));   // (250 + 4 x 0 + 2) / 5
    EXPECT_EQ(255, r.alpha[0]);
    EXPECT_EQ(AlphaKindBlend, r.kind);
    // Every source protected: the pixel is protected.
    t.AddMask(0, 2, 255);
    t.planes[2].options[0] = 1;
    r = Make(t, 2, 2, 2, 0, 0, 4, 4);
    EXPECT_EQ(255, r.protect[0]);
}

TEST(PenModes, BlurRoundsTheMeanOfEveryCountOfUsableSources) {
    // The pixel (2, 2) and its neighbours left, right, above and below hold
    // red v, blue 3 v and transparency 10 v; a mask takes sources away. The
    // sums fall where rounding up, down or half way give different means.
    const int value[5] = {7, 2, 4, 1, 3};
    const int at[5][2] = {{2, 2}, {1, 2}, {3, 2}, {2, 1}, {2, 3}};
    struct Case {
        int usable;    // the first sources of the list are usable
        int red, blue, alpha;
    } cases[] = {
        {1, 7, 21, 70},
        {2, 5, 14, 45},    // (9 + 1) / 2, (27 + 1) / 2, (90 + 1) / 2
        {3, 4, 13, 43},    // (13 + 1) / 3, (39 + 1) / 3, (130 + 1) / 3
        {4, 4, 11, 35},    // (14 + 2) / 4, (42 + 2) / 4, (140 + 2) / 4
        {5, 3, 10, 34},    // (17 + 2) / 5, (51 + 2) / 5, (170 + 2) / 5
    };
    for (const Case& c : cases) {
        TestCanvas t(5, 5, 1, 0);
        SetPen(0, 0, 0, 2.0, 0);
        t.AddMask(0, 2, 0);
        t.planes[2].options[0] = 1;
        for (int k = 0; k < 5; ++k) {
            t.SetPixel(at[k][0], at[k][1], MakeWord(value[k], 0, 3 * value[k]));
            t.SetAlpha(at[k][0], at[k][1], 10 * value[k]);
            if (k >= c.usable) g_VmsStore.SetValue(t.planes[2].image, at[k][0], at[k][1], 255);
        }
        Pen.drawingMode = ModeBlur;
        Row r = Make(t, 2, 2, 2, 0, 0, 4, 4);
        EXPECT_EQ(c.red, WordR(r.colour[0])) << c.usable;
        EXPECT_EQ(c.blue, WordB(r.colour[0])) << c.usable;
        EXPECT_EQ(c.alpha, r.alpha[0]) << c.usable;
    }
}

TEST(PenModes, BlurRepeatsTheEdgePixelsOfThePlane) {
    // One row, red 30, 60, 90 and transparency 10, 20, 40: sources left,
    // right, above and below the plane are its nearest pixel. With the layer
    // moved by one column, one canvas column lies off the plane.
    struct Case {
        int offset;
        int red[3], alpha[3];
    } cases[] = {
        {0, {36, 60, 84}, {12, 22, 36}},    // (4 x 30 + 60 + 2) / 5, ...
        {-1, {60, 84, 90}, {22, 36, 40}},
        {1, {30, 36, 60}, {10, 12, 22}},
    };
    for (const Case& c : cases) {
        TestCanvas t(3, 1, 1, 0);
        SetPen(0, 0, 0, 2.0, 0);
        const int alpha[3] = {10, 20, 40};
        for (int x = 0; x < 3; ++x) {
            g_VmsStore.SetRgb(t.planes[0].image, x, 0, 30 * (x + 1), 0, 0);
            g_VmsStore.SetValue(t.planes[1].image, x, 0, alpha[x]);
        }
        t.planes[0].x = t.planes[1].x = c.offset;
        Pen.drawingMode = ModeBlur;
        Row r = Make(t, 0, 0, 2, 0, 0, 2, 0);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(c.red[i], WordR(r.colour[i])) << c.offset << " " << i;
            EXPECT_EQ(c.alpha[i], r.alpha[i]) << c.offset << " " << i;
        }
    }
}

TEST(PenModes, ScatterClampsSourcesIntoTheCanvas) {
    TestCanvas t(4, 4, 1, 0);
    Gradient(t);
    SetPen(0, 0, 0, 2.0, 0);
    Pen.drawingMode = ModeScatter;
    std::srand(3);
    Row r = Make(t, 0, 0, 3, 0, 0, 3, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0, r.protect[i]);
        EXPECT_LE(WordR(r.colour[i]), 30);   // some pixel of the canvas
        EXPECT_LE(WordG(r.colour[i]), 30);
    }
}

TEST(PenModes, AverageOfTheBoxAndAllProtected) {
    TestCanvas t(4, 4, 1, 0);
    SetPen(0, 0, 0, 2.0, 0);
    t.SetPixel(0, 0, MakeWord(160, 0, 0));
    Pen.drawingMode = ModeAverage;
    Row r = Make(t, 1, 0, 3, 0, 0, 3, 3);
    EXPECT_EQ(10, WordR(r.colour[0]));   // (160 + 8) / 16
    EXPECT_EQ(255, r.alpha[0]);
    t.AddMask(0, 2, 255);
    t.planes[2].options[0] = 1;
    Pen.dabCount = 1;   // a new dab
    r = Make(t, 1, 0, 3, 0, 0, 3, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(255, r.protect[i]);
        EXPECT_EQ(0x00FFFFFFu, r.colour[i]);
    }
}

TEST(PenModes, SmudgePicksUpOnEvenDabsAndLaysDownOnOdd) {
    TestCanvas t(6, 6, 1, 0);
    Gradient(t);
    SetPen(0, 0, 0, 2.0, 0);
    Pen.drawingMode = ModeSmudge;
    Pen.dabCount = 0;
    for (int y = 0; y <= 3; ++y) {
        Row even = Make(t, y, 0, 3, 0, 0, 3, 3);
        for (uint8_t p : even.protect) EXPECT_EQ(255, p);
        EXPECT_EQ(AlphaKindMix, even.kind);
    }
    Pen.dabCount = 1;
    Row odd = Make(t, 2, 2, 5, 2, 2, 5, 5);   // the next dab, moved by 2
    // The box size matches, so the buffer's row 0 (canvas row 0) comes out.
    EXPECT_EQ(MakeWord(0, 0, 7), odd.colour[0]);
    EXPECT_EQ(MakeWord(30, 0, 7), odd.colour[3]);
    EXPECT_EQ(0, odd.protect[0]);
    EXPECT_EQ(AlphaKindBlend, odd.kind);
}

TEST(PenModes, SmudgeAndTwistNeverLayDownAnUnfilledBuffer) {
    TestCanvas t(8, 8, 1, 0);
    SetPen(0, 0, 0, 2.0, 0);
    for (int mode : {ModeSmudge, ModeTwistRight, ModeTwistLeft}) {
        Pen.drawingMode = mode;
        Pen.dabCount = 1;
        Row r = Make(t, 1, 0, 6, 0, 0, 6, 6);   // a box size never picked up
        for (uint8_t p : r.protect) EXPECT_EQ(255, p) << mode;
    }
    // A box beyond 290 x 290 paints nothing.
    Pen.dabCount = 0;
    Pen.drawingMode = ModeSmudge;
    Row r = Make(t, 1, 0, 6, 0, 0, 300, 6);
    for (uint8_t p : r.protect) EXPECT_EQ(255, p);
}

TEST(PenModes, TwistTurnsTheBufferAroundTheCentre) {
    TestCanvas t(9, 9, 1, 0);
    Gradient(t);
    SetPen(0, 0, 0, 2.0, 0);
    Pen.drawingMode = ModeTwistRight;
    Pen.dabCount = 0;
    for (int y = 0; y < 9; ++y) Make(t, y, 0, 8, 0, 0, 8, 8);
    Pen.dabCount = 1;
    Row centre = Make(t, 4, 0, 8, 0, 0, 8, 8);
    EXPECT_EQ(MakeWord(40, 40, 7), centre.colour[4]);   // the centre stays
    // (8, 4): dx 4, dy 0 -> x' = round(4 cos 20) = 4, y' = round(-4 sin 20) = -1.
    EXPECT_EQ(MakeWord(80, 30, 7), centre.colour[8]);
    Row corner = Make(t, 0, 0, 0, 0, 0, 8, 8);
    EXPECT_EQ(255, corner.protect[0]);                   // turned outside the box
}

TEST(PenModes, CloneCopiesFromTheOffsetOfTheBaseLayer) {
    TestCanvas t(8, 8);
    Gradient(t);
    SetPen(0, 0, 0, 2.0, 0);
    Pen.drawingMode = ModeClone;
    c_PenWriter::CloneOffsetX = 2;
    c_PenWriter::CloneOffsetY = 1;
    Row r = Make(t, 0, 0, 7, 0, 0, 7, 0);
    EXPECT_EQ(MakeWord(20, 10, 7), r.colour[0]);
    EXPECT_EQ(MakeWord(70, 10, 7), r.colour[7]);   // clamped to the edge
    EXPECT_EQ(0, r.protect[0]);
    EXPECT_EQ(255, r.protect[7]);                  // source outside: no transparency
    EXPECT_EQ(255, r.alpha[0]);
    c_PenWriter::CloneOffsetX = -2000;
    c_PenWriter::CloneOffsetY = -64;
}

TEST(PenModes, TileModesWithoutATilePaintTheColourThroughTheToneMask) {
    TestCanvas t(4, 4);
    SetPen(10, 20, 30, 2.0, 0);
    c_ToneMask::Reset();
    for (int mode : {ModeTile, ModeTile12, ModeTile13}) {
        Pen.drawingMode = mode;
        Row plain = Make(t, 1, 0, 3, 0, 0, 3, 3);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(MakeWord(10, 20, 30), plain.colour[i]) << mode;
            EXPECT_EQ(0, plain.protect[i]) << mode;
        }
        // A horizontal ramp over the box: protect = 255 - ramp.
        c_ToneMask::Settings.modes[0] = 1;
        Row ramp = Make(t, 1, 0, 3, 0, 0, 3, 3);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(255 - i * 255 / 4, ramp.protect[i]) << mode;
        c_ToneMask::Reset();
    }
}

TEST(PenModes, BrushImageTilesTheCanvasOrFollowsTheDab) {
    TestCanvas t(8, 4);
    SetPen(0, 0, 0, 2.0, 0);
    VmsImage* brush = g_VmsStore.Create(3, 2, 32, 0, 1);
    VmsImage* alpha = g_VmsStore.Create(3, 2, 8, 0, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint32_t w = MakeWord(x * 100, y * 100, 1);
            g_VmsStore.PutRow(brush, y, x, x, &w);
            g_VmsStore.SetValue(alpha, x, y, x == 1 ? 0 : 255);
        }
    Pen.brushImages[0] = brush;
    Pen.brushImages[1] = alpha;
    Row r = Make(t, 3, 2, 5, 0, 0, 7, 3);   // tiles the canvas: row 1, columns 2, 0, 1, 2
    EXPECT_EQ(MakeWord(200, 100, 1), r.colour[0]);
    EXPECT_EQ(MakeWord(0, 100, 1), r.colour[1]);
    EXPECT_EQ(0, r.protect[0]);
    EXPECT_EQ(255, r.protect[2]);             // transparent column
    Pen.imageBrushOn = 1;
    r = Make(t, 2, 2, 4, 2, 2, 4, 3);         // placed at the dab box
    EXPECT_EQ(MakeWord(0, 0, 1), r.colour[0]);
    EXPECT_EQ(MakeWord(200, 0, 1), r.colour[2]);
    c_PenWriter::FreeBrushImages(1, 0);
    EXPECT_EQ(nullptr, Pen.brushImages[0]);
    EXPECT_EQ(0, Pen.imageBrushOn);
}

TEST(PenTools, ChoosingAToolSetsTheModeAndFreesTheImagesItCannotUse) {
    struct Case {
        int tool, flag;
        int mode;
        bool keepsSnapshot, keepsBrush;
        int snapshotFlag;
    } cases[] = {
        {kToolPen, 0, ModeColour, false, true, 0},
        {kToolPen, 1, ModeColour, true, true, 0},
        {kToolPen, 10, ModeColour, true, true, 1},
        {kToolClone, 1, ModeClone, false, false, 0},
        {kToolBoxFill, 1, ModeColour, true, false, 0},
        {kToolSnapshot, 0, ModeEraser, false, true, 0},
    };
    for (const Case& c : cases) {
        ResetPenState();
        Pen.drawingMode = ModeNoise;
        Pen.brushImages[0] = g_VmsStore.Create(2, 2, 32, 0, 1);
        Pen.brushImages[2] = g_VmsStore.Create(2, 2, 32, 0, 1);
        c_PenWriter::ToolSelected(c.tool, c.flag, nullptr);
        EXPECT_EQ(c.tool, Pen.tool);
        EXPECT_EQ(c.mode, Pen.drawingMode) << c.tool;
        EXPECT_EQ(c.keepsSnapshot, Pen.brushImages[2] != nullptr) << c.tool << " " << c.flag;
        EXPECT_EQ(c.keepsBrush, Pen.brushImages[0] != nullptr) << c.tool << " " << c.flag;
        EXPECT_EQ(c.snapshotFlag, PenSnapshotFlag);
        c_PenWriter::FreeBrushImages(1, 0);
    }
}

TEST(PenTools, SnapshotToolCopiesThePlaneAndTheRightButtonPaintsItBack) {
    TestCanvas t(6, 4, 1, MakeWord(10, 20, 30));
    ResetPenState();
    c_PenWriter::ToolSelected(kToolSnapshot, 0, &t.view);
    ASSERT_TRUE(Pen.brushImages[2]);
    ASSERT_TRUE(Pen.brushImages[3]);
    EXPECT_EQ(ModeEraser, Pen.drawingMode);
    EXPECT_EQ(1, PenSnapshotFlag);
    // Paint over the canvas, then a snapshot dab puts the old pixels back.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) t.SetPixel(x, y, MakeWord(255, 255, 255));
    Pen.tip.hRadius = Pen.tip.vRadius = 2.0;
    Pen.tip.tipShape = kShapeSolidBox;
    RenderPenTip(0);
    RECT rc;
    c_PenEngine::DabImage(&t.view, nullptr, 2, 2, &rc);
    EXPECT_EQ(MakeWord(10, 20, 30), t.Pixel(2, 2));
    EXPECT_EQ(MakeWord(10, 20, 30), t.Pixel(0, 0));
    c_PenWriter::FreeBrushImages(1, 0);
}
