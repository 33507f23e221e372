// The screen pixel rows: runs written to a memory DC (whose pixels the test reads
// directly) and to a window, read back through GetRow at every DIB depth.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "canvas/screen_row.h"
#include "image/c_dib.h"
#include "tests/ui/ui_test_util.h"

namespace {

constexpr int kTargetWidth = 20000;
constexpr int kTargetHeight = 8;
constexpr uint32_t kSentinel = 0x00123456;

// The target of the writes: a 32-bit DIB section whose pixels are read directly.
struct Target : DibCanvas {
    Target() : DibCanvas(kTargetWidth, kTargetHeight) { Fill(kSentinel); }
    void Fill(uint32_t v) {
        GdiFlush();
        for (int i = 0; i < w * h; ++i) bits[i] = v;
    }
    uint32_t At(int x, int y) {
        GdiFlush();
        return bits[y * w + x] & 0xFFFFFF;
    }
};

// A hidden window the screen row is made for.
struct ScreenRowFixture : testing::Test {
    HWND window = nullptr;
    int dither = 0;
    int screenDepth = 32;
    void SetUp() override {
        window = CreateWindowA("STATIC", "rows", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        g_ScreenRow.SetScreenSettings(&dither, &screenDepth);
    }
    void TearDown() override {
        g_ScreenRow.Release();
        g_ScreenRow.SetScreenSettings(nullptr, nullptr);
        DestroyWindow(window);
    }
};

// Caller row of n pixels; pixel i has a colour of its own, byte 3 is 0xEE.
std::vector<uint8_t> MakeRow(int n) {
    std::vector<uint8_t> row((size_t)n * 4);
    for (int i = 0; i < n; ++i) {
        row[i * 4 + 0] = (uint8_t)(i * 7 + 3);
        row[i * 4 + 1] = (uint8_t)(i * 13 + 100);
        row[i * 4 + 2] = (uint8_t)(255 - i * 5);
        row[i * 4 + 3] = 0xEE;
    }
    return row;
}
uint32_t RowPixel(const std::vector<uint8_t>& row, int i) {
    return row[i * 4] | (row[i * 4 + 1] << 8) | (row[i * 4 + 2] << 16);
}

}  // namespace

TEST_F(ScreenRowFixture, InitProbesTheScreenDepthAndByteOrder) {
    g_ScreenRow.Init(window);
    HDC dc = GetDC(window);
    int screen = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(window, dc);
    EXPECT_EQ(screen == 16 ? 15 : screen, g_ScreenRow.Depth() == 16 ? 15 : g_ScreenRow.Depth());
    if (g_ScreenRow.Depth() >= 24) {
        // DIB pixels store blue, green, red in bytes 0, 1, 2.
        EXPECT_EQ(2, g_ScreenRow.RedPos());
        EXPECT_EQ(1, g_ScreenRow.GreenPos());
        EXPECT_EQ(0, g_ScreenRow.BluePos());
        EXPECT_TRUE(g_ScreenRow.StraightOrder());
    }
}

TEST_F(ScreenRowFixture, RowsRoundTripAtEveryDibDepth) {
    // A 16-bit DIB without colour masks holds 5-5-5 words: the probe finds 15.
    struct Case {
        int bits, probed, shift;   // shift: bits a channel loses
    };
    const Case cases[] = {{32, 32, 0}, {24, 24, 0}, {16, 15, 3}};
    Target t;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        g_ScreenRow.InitAtDepth(window, c.bits);
        ASSERT_EQ(c.probed, g_ScreenRow.Depth());
        t.Fill(kSentinel);
        const int n = 64;
        auto row = MakeRow(n);
        g_ScreenRow.PutRow(t.dc, 2, 10, 10 + n - 1, row.data());
        EXPECT_EQ(kSentinel, t.At(9, 2));
        EXPECT_EQ(kSentinel, t.At(10 + n, 2));
        std::vector<uint8_t> back((size_t)n * 4, 0xAB);
        g_ScreenRow.GetRow(t.dc, 2, 10, 10 + n - 1, back.data());
        for (int i = 0; i < n; ++i) {
            for (int ch = 0; ch < 3; ++ch) {
                int v = row[i * 4 + ch];
                // What the screen holds, in 8 bits.
                int shown = (t.At(10 + i, 2) >> (8 * ch)) & 0xFF;
                ASSERT_EQ(v >> c.shift, shown >> c.shift) << "pixel " << i << " channel " << ch;
                int expected = c.shift ? (v >> 3) * 255 / 31 : v;
                ASSERT_EQ(expected, back[i * 4 + ch]) << "pixel " << i << " channel " << ch;
            }
            ASSERT_EQ(0xAB, back[i * 4 + 3]) << "byte 3 is never written";
        }
    }
}

TEST_F(ScreenRowFixture, RunsAreClippedAtColumnZeroAndTheRowWidth) {
    struct Case {
        int x0, x1;
        int first, last;   // columns written; last < first: none
        int element;       // row element of column `first`
    };
    const Case cases[] = {
        {0, 19999, 0, 16383, 0},   // at most 16,384 pixels in one run
        {-5, 10, 0, 10, 5},        // pixel path (16 pixels)
        {-5, 40, 0, 40, 5},        // blit path
        {-30, -1, 0, -1, 0},       // all left of column 0
        {12, 11, 0, -1, 0},        // empty run
        {300, 300, 300, 300, 0},   // one pixel
    };
    g_ScreenRow.InitAtDepth(window, 32);
    Target t;
    auto row = MakeRow(20000);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1);
        t.Fill(kSentinel);
        g_ScreenRow.PutRow(t.dc, 1, c.x0, c.x1, row.data());
        if (c.last < c.first) {
            for (int x = 0; x < 64; ++x) ASSERT_EQ(kSentinel, t.At(x, 1));
            continue;
        }
        if (c.first > 0) {
            EXPECT_EQ(kSentinel, t.At(c.first - 1, 1));
        }
        for (int x = c.first; x <= c.last; ++x)
            ASSERT_EQ(RowPixel(row, c.element + x - c.first), t.At(x, 1)) << "column " << x;
        EXPECT_EQ(kSentinel, t.At(c.last + 1, 1));
        EXPECT_EQ(kSentinel, t.At(c.first, 0));
        EXPECT_EQ(kSentinel, t.At(c.first, 2));
    }
}

TEST_F(ScreenRowFixture, ShortRunsGoPixelByPixelCountedBeforeTheClip) {
    // On a 16-bit screen with the dither option, single pixels are dithered and
    // blitted runs (here through a 32-bit DIB row) are not: that tells the paths
    // apart. Green 250 picks pattern 9, whose row 0 is AA: odd columns round up.
    screenDepth = 16;
    dither = 1;
    g_ScreenRow.InitAtDepth(window, 32);
    struct Case {
        int x0, x1;
        bool pixelByPixel;
    };
    const Case cases[] = {{0, 18, true}, {0, 19, false}, {-5, 13, true}, {-5, 14, false}};
    Target t;
    std::vector<uint8_t> row(64 * 4);
    for (int i = 0; i < 64; ++i) row[i * 4 + 1] = 250;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1);
        t.Fill(kSentinel);
        g_ScreenRow.PutRow(t.dc, 0, c.x0, c.x1, row.data());
        for (int x = 0; x <= c.x1; ++x) {
            int green = (t.At(x, 0) >> 8) & 0xFF;
            int expected = c.pixelByPixel && (x & 1) ? 254 : 250;
            ASSERT_EQ(expected, green) << "column " << x;
        }
    }
}

TEST_F(ScreenRowFixture, PixelDitherOnSixteenBitScreens) {
    struct Case {
        int depth, ditherOn, x, y, red, green, blue;
        int outRed, outGreen, outBlue;
    };
    // Row 0 of pattern 9 (green & 3 == 2) is AA: odd columns; row 1 is 55: even.
    // Red 246 (& 7 == 6) picks pattern 12, rows 0 and 1 AA and FF.
    const Case cases[] = {
        {16, 1, 1, 0, 0, 250, 0, 0, 254, 0},      // bit set: +4
        {16, 1, 0, 0, 0, 250, 0, 0, 250, 0},      // bit clear
        {16, 1, 0, 1, 0, 250, 0, 0, 254, 0},      // row 1: even columns
        {16, 1, 1, 0, 0, 251, 0, 0, 251, 0},      // 251 stays (pattern 15, but not below 251)
        {16, 1, 1, 0, 0, 247, 0, 0, 251, 0},      // pattern 15 below 251
        {16, 1, 1, 0, 246, 0, 246, 254, 0, 254},  // 5-bit channels: +8
        {16, 1, 1, 0, 247, 0, 0, 247, 0, 0},      // 247 stays
        {16, 0, 1, 0, 0, 250, 0, 0, 250, 0},      // option off
        {32, 1, 1, 0, 0, 250, 0, 0, 250, 0},      // other screens: unchanged
        {16, 1, -7, 0, 0, 250, 0, 0, 254, 0},     // column -7 counts as 1
    };
    g_ScreenRow.InitAtDepth(window, 32);
    Target t;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " " << c.ditherOn << " " << c.x << "," << c.y
                                        << " " << c.red << "/" << c.green << "/" << c.blue);
        screenDepth = c.depth;
        dither = c.ditherOn;
        t.Fill(kSentinel);
        int x = c.x < 0 ? 10 : c.x;   // a negative column is drawn off the target
        if (c.x < 0) {
            EXPECT_EQ(c.outGreen, DitherChannel6(c.green, c.x, c.y));
            continue;
        }
        g_ScreenRow.PutPixel(t.dc, x, c.y, c.red, c.green, c.blue);
        uint32_t p = t.At(x, c.y);
        EXPECT_EQ(c.outRed, (int)(p >> 16 & 0xFF));
        EXPECT_EQ(c.outGreen, (int)(p >> 8 & 0xFF));
        EXPECT_EQ(c.outBlue, (int)(p & 0xFF));
    }
}

TEST_F(ScreenRowFixture, GetRowReadsAtMost2001ColumnsAndNeverPastTheCallersRow) {
    g_ScreenRow.InitAtDepth(window, 32);
    Target t;
    GdiFlush();
    for (int x = 0; x < kTargetWidth; ++x) t.bits[x] = (uint32_t)x;   // row 0: column number
    struct Case {
        int x0, x1;
        int firstColumn, lastColumn;   // read into elements from firstColumn - x0
    };
    const Case cases[] = {
        {100, 3099, 100, 2100},   // 3,000 asked: columns 100..2,100
        {-10, 1995, 0, 1995},     // clipped at 0: not past the asked 1,995
        {-3000, 100, 0, 100},
        {5, 24, 5, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1);
        int n = c.x1 - c.x0 + 1;
        std::vector<uint32_t> row((size_t)n + 1, 0xEEEEEEEE);   // one sentinel beyond
        g_ScreenRow.GetRow(t.dc, 0, c.x0, c.x1, (uint8_t*)row.data());
        for (int i = 0; i < n + 1; ++i) {
            int column = c.x0 + i;
            bool read = column >= c.firstColumn && column <= c.lastColumn;
            uint32_t expected = read ? (0xEE000000u | (uint32_t)column) : 0xEEEEEEEEu;
            ASSERT_EQ(expected, row[i]) << "element " << i;
        }
    }
}

TEST_F(ScreenRowFixture, TintBlendsTheColourByItsWeight) {
    g_ScreenRow.InitAtDepth(window, 32);
    Target t;
    struct Case {
        int weight;
        uint32_t expected;   // of a 0x204080 screen tinted toward red 255, green 0, blue 100
    };
    const Case cases[] = {
        {0, 0x204080},
        {255, 0xFF0064},
        {128, (uint32_t)(((255 * 128 + 0x20 * 127) / 255) << 16 | ((0x40 * 127) / 255) << 8 |
                         ((100 * 128 + 0x80 * 127) / 255))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.weight);
        t.Fill(0x204080);
        // 2,500 columns: wider than one read.
        g_ScreenRow.TintRect(t.dc, 10, 2, 2509, 4, 255, 0, 100, c.weight);
        for (int y = 1; y <= 5; ++y)
            for (int x : {9, 10, 11, 1000, 2010, 2011, 2020, 2509, 2510}) {
                bool inside = y >= 2 && y <= 4 && x >= 10 && x <= 2509;
                ASSERT_EQ(inside ? c.expected : 0x204080u, t.At(x, y)) << x << "," << y;
            }
    }
}

TEST_F(ScreenRowFixture, GradientTintRampsDownOrAcross) {
    g_ScreenRow.InitAtDepth(window, 32);
    Target t;
    auto blueAfter = [](int weight) { return (200 * weight + 0 * (255 - weight)) / 255; };
    // Mode 0: row k of 8 rows has weight 128 k / 8.
    t.Fill(0);
    g_ScreenRow.GradientTintRect(t.dc, 0, 0, 39, 7, 0, 0, 200, 0);
    for (int y = 0; y < 8; ++y) EXPECT_EQ((uint32_t)blueAfter(128 * y / 8), t.At(5, y)) << y;
    // Mode 1: column k of 40 columns has weight 128 k / 40.
    t.Fill(0);
    g_ScreenRow.GradientTintRect(t.dc, 0, 0, 39, 7, 0, 0, 200, 1);
    for (int x = 0; x < 40; ++x) EXPECT_EQ((uint32_t)blueAfter(128 * x / 40), t.At(x, 3)) << x;
    // Any other mode is the weight itself.
    t.Fill(0);
    g_ScreenRow.GradientTintRect(t.dc, 0, 0, 39, 7, 0, 0, 200, 77);
    EXPECT_EQ((uint32_t)blueAfter(77), t.At(20, 4));
}

TEST_F(ScreenRowFixture, WindowRowsReadBackAtTheProbedDepth) {
    HWND shown = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 40,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(shown);
    UpdateWindow(shown);
    g_ScreenRow.Init(shown);
    HDC dc = GetDC(shown);
    const int n = 200;
    auto row = MakeRow(n);
    for (int y = 5; y < 10; ++y) g_ScreenRow.PutRow(dc, y, 20, 20 + n - 1, row.data());
    std::vector<uint8_t> back((size_t)n * 4, 0);
    g_ScreenRow.GetRow(dc, 7, 20, 20 + n - 1, back.data());
    ReleaseDC(shown, dc);
    int shift = g_ScreenRow.Depth() == 15 ? 3 : g_ScreenRow.Depth() == 16 ? 2 : 0;
    for (int i = 0; i < n; ++i)
        for (int ch = 0; ch < 3; ++ch)
            ASSERT_NEAR(row[i * 4 + ch], back[i * 4 + ch], shift ? 1 << (shift + 1) : 0)
                << "pixel " << i << " channel " << ch;
    DestroyWindow(shown);
}

TEST_F(ScreenRowFixture, AFailedDibRowIsReportedAndWritesNothing) {
    std::string text, caption;
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        text = r.text ? r.text : "";
        caption = r.caption ? r.caption : "";
        return IDOK;
    });
    g_ScreenRow.InitAtDepth(window, 7);   // no such DIB depth
    EXPECT_EQ("ERROR1", text);
    EXPECT_EQ("error", caption);
    Target t;
    auto row = MakeRow(64);
    g_ScreenRow.PutRow(t.dc, 0, 0, 63, row.data());
    std::vector<uint8_t> back(64 * 4, 0x11);
    g_ScreenRow.GetRow(t.dc, 0, 0, 63, back.data());
    EXPECT_EQ(kSentinel, t.At(0, 0));
    EXPECT_EQ(0x11, back[0]);
}
