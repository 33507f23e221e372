// Tone-curve and correction tables, curve files, the weighted write-back and
// the automatic tone balance.
#include <gtest/gtest.h>

#include <cstring>

#include "adjust/adjust_layer.h"
#include "adjust/tone_curve.h"
#include "canvas_fixture.h"
#include "fileio/plain_dialogs.h"
#include "image/c_dib.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "test_support.h"

using namespace canvtest;

namespace {

uint32_t Grey(int v) { return (uint32_t)v * 0x010101u; }

// A canvas-sized selection mask: columns below `left` protected.
VmsImage* MaskProtectingLeft(int w, int h, int left) {
    VmsImage* mask = g_VmsStore.Create(w, h, 8, 0, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < left; ++x) g_VmsStore.SetValue(mask, x, y, 255);
    return mask;
}

struct OpacityGuard {
    int saved = PenOpacity;
    ~OpacityGuard() { PenOpacity = saved; }
};

}  // namespace

TEST(ToneCurve, ResetPointsAndIdentityTables) {
    struct Case { int count; int lastX; };
    for (Case c : {Case{3, 255}, Case{5, 255}, Case{7, 252}, Case{8, 252}}) {
        for (int connection : {0, 1}) {
            ToneCurveRecord rec = {};
            rec.connection = connection;
            ResetCurvePoints(&rec, c.count);
            EXPECT_EQ(rec.points[c.count - 1][0], c.lastX) << c.count;
            BuildCurveTable(&rec);
            for (int i = 0; i < 256; ++i) ASSERT_EQ(rec.table1[i], i) << "count " << c.count << " entry " << i;
        }
    }
}

TEST(ToneCurve, StraightJoinsAndBezierReachTheLastPoint) {
    ToneCurveRecord rec = {};
    ResetCurvePoints(&rec, 3);   // 0, 128, 255
    rec.points[1][1] = 200;
    rec.connection = 1;
    BuildCurveTable(&rec);
    EXPECT_EQ(rec.table1[64], 100);
    EXPECT_EQ(rec.table1[128], 200);
    EXPECT_EQ(rec.table1[255], 255);
    rec.points[2][1] = 180;
    rec.connection = 0;
    BuildCurveTable(&rec);
    EXPECT_EQ(rec.table1[255], 180);   // the Bezier's last sample is the last point
    EXPECT_GT(rec.table1[128], 128);
}

TEST(ToneCurve, GammaTablesTakeTheMiddleWhereAsked) {
    uint8_t t[256];
    GammaTable(0, t);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(t[i], i);
    GammaTable(20, t);
    EXPECT_NEAR(t[128], 188, 1);
    GammaTable(-20, t);
    EXPECT_NEAR(t[128], 68, 1);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
}

TEST(ToneCurve, ColourCorrectionAtZeroIsTheIdentity) {
    BrContValues v = {};
    BrContTables t;
    BuildBrContTables(v, &t);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(t.contrast[i], i);
        ASSERT_EQ(t.brightness[i], i);
        ASSERT_EQ(t.channel[2][i], i);
    }
    v.contrast = 20;
    BuildBrContTables(v, &t);
    EXPECT_LT(t.contrast[64], 64);    // harder: darks darker, lights lighter
    EXPECT_GT(t.contrast[192], 192);
}

TEST(ToneCurve, ExecutorModesAndWeights) {
    uint8_t inv[256], id[256];
    for (int i = 0; i < 256; ++i) {
        inv[i] = (uint8_t)(255 - i);
        id[i] = (uint8_t)i;
    }
    const uint32_t word = 0x00102030u;   // r 0x10, g 0x20, b 0x30
    struct Case { int mode; int weight; uint32_t expect; };
    for (Case c : {Case{0, 255, 0x00EF2030u}, Case{1, 255, 0x0010DF30u}, Case{2, 255, 0x001020CFu},
                   Case{9, 255, 0x00EFDFCFu}, Case{9, 0, word}, Case{20, 255, word}}) {
        EXPECT_EQ(CrctPixel(word, c.mode, inv, c.mode == 20 ? inv : id, nullptr, c.weight), c.expect) << c.mode;
    }
}

TEST(CurveFile, RoundTripAndRefusals) {
    testsupport::TempDir dir("crc");
    ToneCurveRecord rec = {};
    ResetCurvePoints(&rec, 4);
    rec.points[1][1] = 10;
    rec.channel = 7;
    rec.connection = 1;
    BuildCurveTable(&rec);
    const std::string path = dir.File("a.crc");
    ASSERT_EQ(SaveCurveFile(path.c_str(), &rec), 1);
    EXPECT_EQ(testsupport::FileSize(path), 764);
    EXPECT_EQ(testsupport::FileSize(path + ".tmp"), -1);
    ToneCurveRecord loaded = {};
    ResetCurvePoints(&loaded, 5);
    ASSERT_EQ(LoadCurveFile(nullptr, path.c_str(), &loaded), 1);
    EXPECT_EQ(std::memcmp(&loaded, &rec, 720), 0);

    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &bytes));
    struct Bad { const char* name; std::string content; };
    std::string outOfRange = bytes;
    const int32_t big = 300;
    std::memcpy(&outOfRange[8], &big, 4);   // point 1's x
    std::string badCount = bytes;
    const int32_t count = 12;
    std::memcpy(&badCount[688], &count, 4);
    for (const Bad& b : {Bad{"short", bytes.substr(0, 700)}, Bad{"long", bytes + "x"}, Bad{"range", outOfRange},
                         Bad{"count", badCount}}) {
        const std::string bad = dir.File(std::string(b.name) + ".crc");
        ASSERT_TRUE(testsupport::WriteFileBytes(bad, b.content.data(), b.content.size()));
        ToneCurveRecord kept = loaded;
        Boxes boxes(IDOK);
        EXPECT_EQ(LoadCurveFile(nullptr, bad.c_str(), &kept), 0) << b.name;
        EXPECT_EQ(boxes.texts.size(), 1u) << b.name;
        EXPECT_EQ(std::memcmp(&kept, &loaded, sizeof kept), 0) << b.name;
    }
}

TEST(WriteBack, MaskAndOpacityWeighTheAdjustment) {
    DocHolder doc(MakeDoc({Layer(8, 4)}));
    ASSERT_TRUE(doc.doc);
    OpacityGuard guard;
    VmsImage* plane = doc->planes[0].image;
    FillPlane(plane, Grey(100));
    VmsImage* adjusted = CopyCurrentPlane(doc.doc);
    ASSERT_TRUE(adjusted);
    FillPlane(adjusted, Grey(200));
    struct Case { int opacity; bool mask; int left; int right; };
    for (Case c : {Case{255, false, 200, 200}, Case{0, false, 100, 100}, Case{255, true, 100, 200},
                   Case{128, true, 100, 150}}) {
        FillPlane(plane, Grey(100));
        PenOpacity = c.opacity;
        doc->selectionMask = c.mask ? MaskProtectingLeft(8, 4, 4) : nullptr;
        ASSERT_EQ(WeightedWriteBack(doc.doc, adjusted, 1), 1);
        EXPECT_EQ(Pixel(plane, 0, 1) & 0xFFFFFF, Grey(c.left)) << c.opacity;
        EXPECT_EQ(Pixel(plane, 7, 1) & 0xFFFFFF, Grey(c.right)) << c.opacity;
        if (doc->selectionMask) g_VmsStore.Free(&doc->selectionMask);
    }
    g_VmsStore.Free(&adjusted);
}

TEST(WriteBack, DodgeAndBurnAtFullLevel) {
    DocHolder doc(MakeDoc({Layer(4, 2)}));
    ASSERT_TRUE(doc.doc);
    OpacityGuard guard;
    PenOpacity = 255;
    VmsImage* plane = doc->planes[0].image;
    struct Case { int burn; int in; int out; };
    for (Case c : {Case{0, 115, 255}, Case{0, 0, 0}, Case{1, 140, 0}, Case{1, 255, 255}}) {
        FillPlane(plane, Grey(c.in));
        ASSERT_EQ(ApplyDodgeBurnToLayer(doc.doc, c.burn, 40), 1);
        EXPECT_EQ(Pixel(plane, 1, 1) & 0xFFFFFF, Grey(c.out)) << c.burn << " " << c.in;
    }
}

TEST(ToneBalance, HistogramPointsAndTable) {
    DocHolder doc(MakeDoc({Layer(10, 10)}));
    ASSERT_TRUE(doc.doc);
    VmsImage* plane = doc->planes[0].image;
    FillPlane(plane, Grey(90));
    ToneBalance tb = {};
    BuildToneHistogram(doc.doc, &tb);
    EXPECT_EQ(tb.black, 90);
    EXPECT_EQ(tb.white, 90);
    EXPECT_EQ(tb.counts[90], 100u);
    tb.mid = 90;
    EXPECT_EQ(ToneBalanceValue(tb, 90), 127);
    EXPECT_EQ(ToneBalanceValue(tb, 10), 0);

    // Rows of 10 grey levels 50, 60 ... 140: black 50, white 140.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) SetPixel(plane, x, y, Grey(50 + 10 * x));
    BuildToneHistogram(doc.doc, &tb);
    EXPECT_EQ(tb.black, 50);
    EXPECT_EQ(tb.white, 140);
    OpacityGuard guard;
    PenOpacity = 255;
    ASSERT_EQ(ApplyAutoToneBalance(doc.doc), 1);
    EXPECT_EQ(Pixel(plane, 0, 3) & 0xFF, 0u);
    EXPECT_EQ(Pixel(plane, 9, 3) & 0xFF, 255u);
}

TEST(ToneBalance, ProtectedSelectionChangesNothing) {
    DocHolder doc(MakeDoc({Layer(6, 3)}));
    ASSERT_TRUE(doc.doc);
    VmsImage* plane = doc->planes[0].image;
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 3; ++y) SetPixel(plane, x, y, Grey(60 + 20 * x));
    const auto before = Snapshot(doc.doc);
    doc->selectionMask = MaskProtectingLeft(6, 3, 6);
    ApplyAutoToneBalance(doc.doc);
    EXPECT_EQ(Snapshot(doc.doc), before);
    g_VmsStore.Free(&doc->selectionMask);
}

TEST(PlainDialogs, FilterFieldsAreSeparatedByNul) {
    const std::string f = PlainFilter("a[*.X]/*.X/");
    ASSERT_EQ(f.size(), 12u);
    EXPECT_EQ(std::string(f.c_str()), "a[*.X]");
    EXPECT_EQ(std::string(f.c_str() + 7), "*.X");
    EXPECT_EQ(f[10], 0);
    EXPECT_EQ(f.c_str()[11], 0);
}
