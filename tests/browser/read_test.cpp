// Pictures read through the real reader plug-ins into the browser's 24-bit
// bitmaps, and the thumbnails the loader makes of them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/thumb_pane.h"
#include "browser_fixture.h"
#include "test_support.h"

using namespace bvtest;

TEST(BrowserRead, EveryFormatComesBackAs24Bits) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib pattern = MakePattern(37, 23, 5);
    struct Case {
        const char* name;
        int tolerance;   // mean difference a channel; JPEG is lossy
    };
    const Case cases[] = {{"a.bmp", 0}, {"a.png", 0}, {"a.tif", 0}, {"a.jpg", 6}, {"a.dra", 0}};
    for (const Case& c : cases) {
        const std::string path = pics.File(c.name);
        ASSERT_TRUE(WritePicture(pattern, path)) << c.name;
        PackedDib got = ReadImageToDib24(path.c_str());
        ASSERT_NE(nullptr, got) << c.name;
        EXPECT_EQ(24, got->biBitCount) << c.name;
        ASSERT_EQ(37, got->biWidth) << c.name;
        ASSERT_EQ(23, got->biHeight) << c.name;
        long total = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                int r, g, b;
                GetDib24Rgb(got, x, y, &r, &g, &b);
                COLORREF want = PatternRgb(x, y, 5);
                total += std::abs(r - GetRValue(want)) + std::abs(g - GetGValue(want)) + std::abs(b - GetBValue(want));
            }
        EXPECT_LE(total / (37 * 23 * 3), c.tolerance) << c.name;
        int w = 0, h = 0;
        EXPECT_EQ(1, QueryImageSize(path.c_str(), &w, &h)) << c.name;
        EXPECT_EQ(37, w);
        FreePackedDib(got);
    }
    FreePackedDib(pattern);
}

TEST(BrowserRead, IndexedFilesGoThroughTheirPalette) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib idx = CreateDib24(4, 2, 8);
    RGBQUAD* table = (RGBQUAD*)(idx + 1);
    table[3] = RGBQUAD{200, 100, 50, 0};
    GetPackedDibBits(idx)[2] = 3;   // bottom row, pixel 2
    const std::string path = pics.File("i.bmp");
    ASSERT_EQ(1, SavePackedDibBmp(path.c_str(), idx));
    PackedDib got = ReadImageToDib24(path.c_str());
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(24, got->biBitCount);
    int r, g, b;
    GetDib24Rgb(got, 2, 1, &r, &g, &b);
    EXPECT_EQ(50, r);
    EXPECT_EQ(100, g);
    EXPECT_EQ(200, b);
    FreePackedDib(got);
    FreePackedDib(idx);
}

TEST(BrowserRead, ThumbnailsFitTheBoxAndBadFilesGetThePlaceholder) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib wide = MakePattern(400, 100, 2);
    const std::string good = pics.File("w.png");
    ASSERT_TRUE(WritePicture(wide, good));
    PackedDib t = MakeThumbnail(good.c_str(), 102, 89);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(102, t->biWidth);
    EXPECT_EQ(25, t->biHeight);
    EXPECT_EQ(24, t->biBitCount);
    FreePackedDib(t);
    const std::string bad = pics.File("bad.jpg");
    testsupport::WriteFileBytes(bad, "not a jpeg at all", 17);
    const std::string nothing = pics.File("missing.png");
    for (const std::string& path : {bad, nothing}) {
        EXPECT_EQ(nullptr, ReadImageToDib24(path.c_str())) << path;
        t = MakeThumbnail(path.c_str(), 102, 89);
        ASSERT_NE(nullptr, t);
        EXPECT_EQ(102, t->biWidth);
        EXPECT_EQ(89, t->biHeight);
        int r, g, b;
        GetDib24Rgb(t, 50, 40, &r, &g, &b);
        EXPECT_EQ(0, r + g + b) << path;
        FreePackedDib(t);
    }
    FreePackedDib(wide);
}

TEST(BrowserRead, LargeJpegsGiveAQuickReducedPicture) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("fast");
    PackedDib big = MakePattern(2000, 1500, 6);
    const std::string path = pics.File("big.jpg"), small = pics.File("small.jpg");
    ASSERT_TRUE(WritePicture(big, path));
    PackedDib fast = ReadFastImage24(path.c_str());
    ASSERT_NE(nullptr, fast);
    EXPECT_EQ(500, fast->biWidth);   // decoded at a quarter of the size
    EXPECT_EQ(375, fast->biHeight);
    int r, g, b;
    GetDib24Rgb(fast, 100, 50, &r, &g, &b);
    COLORREF want = PatternRgb(400, 200, 6);
    EXPECT_NEAR(GetRValue(want), r, 24);
    EXPECT_NEAR(GetGValue(want), g, 24);
    EXPECT_NEAR(GetBValue(want), b, 24);
    FreePackedDib(fast);
    // A picture too small to gain from it has none; the full read serves.
    PackedDib little = MakePattern(300, 200, 6);
    ASSERT_TRUE(WritePicture(little, small));
    EXPECT_EQ(nullptr, ReadFastImage24(small.c_str()));
    PackedDib t = MakeThumbnail(small.c_str(), 102, 89);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(102, t->biWidth);
    FreePackedDib(t);
    FreePackedDib(little);
    FreePackedDib(big);
}
