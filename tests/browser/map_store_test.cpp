// The browser's MapImage store: the row cache over the memory file, clipping,
// filling, and .bmp files loaded into it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/map_store.h"
#include "test_support.h"

TEST(MapStore, RowCacheTouchesTheFileOnlyForNewRows) {
    MapImage* im = g_MapStore.Create(10, 200, 24, 0, 1);
    ASSERT_NE(nullptr, im);
    EXPECT_EQ(32, im->stride);
    uint8_t row[30] = {};
    const uint64_t before = g_MapStore.FileReads();
    ASSERT_EQ(1, g_MapStore.GetRow(im, 3, 0, 9, row));
    ASSERT_EQ(1, g_MapStore.GetRow(im, 3, 0, 9, row));
    EXPECT_EQ(before + 1, g_MapStore.FileReads());
    // Row 0 written, then 181 other rows push it out: it is read back from the
    // memory file with what was written.
    uint8_t mark[3] = {1, 2, 3};
    ASSERT_EQ(1, g_MapStore.PutRow(im, 0, 4, 4, mark));
    for (int y = 1; y <= kMapRowCache; ++y) g_MapStore.GetRow(im, y, 0, 9, row);
    const uint64_t mid = g_MapStore.FileReads();
    ASSERT_EQ(1, g_MapStore.GetRow(im, 0, 0, 9, row));
    EXPECT_EQ(mid + 1, g_MapStore.FileReads());
    EXPECT_EQ(0, std::memcmp(row + 12, mark, 3));
    EXPECT_EQ(0, row[11]);
    g_MapStore.Free(&im);
    EXPECT_EQ(nullptr, im);
}

TEST(MapStore, ClippingAndFill) {
    MapImage* im = g_MapStore.Create(8, 4, 24, 255, 1);
    ASSERT_NE(nullptr, im);
    uint8_t row[64];
    std::memset(row, 7, sizeof row);
    // x0 = -5: pixels 0..3 land at byte 15.
    ASSERT_EQ(1, g_MapStore.GetRow(im, 1, -5, 3, row));
    EXPECT_EQ(7, row[14]);
    EXPECT_EQ(255, row[15]);
    EXPECT_EQ(255, row[26]);
    EXPECT_EQ(7, row[27]);
    EXPECT_EQ(0, g_MapStore.GetRow(im, 4, 0, 3, row));
    EXPECT_EQ(0, g_MapStore.GetRow(im, 0, -3, -1, row));
    EXPECT_EQ(0, g_MapStore.PutRow(im, -1, 0, 3, row));
    EXPECT_EQ(nullptr, g_MapStore.Create(30001, 2, 24, 0, 0));
    EXPECT_EQ(nullptr, g_MapStore.Create(4, 4, 32, 0, 0));
    // Written rows survive a flush.
    uint8_t px[3] = {9, 8, 7};
    g_MapStore.PutRow(im, 3, 7, 7, px);
    EXPECT_EQ(1, g_MapStore.FlushRows(im));
    ASSERT_EQ(1, g_MapStore.GetRow(im, 3, 7, 7, row));
    EXPECT_EQ(0, std::memcmp(row, px, 3));
    g_MapStore.Free(&im);
}

namespace {

std::string BmpFile(int headerSize, int width, int height, int bits, const std::vector<uint8_t>& palette,
                    const std::vector<uint8_t>& pixels, int coloursUsed = 0) {
    std::string s(14, '\0');
    std::string h((size_t)headerSize, '\0');
    if (headerSize == 12) {
        uint32_t size = 12;
        uint16_t w = (uint16_t)width, hh = (uint16_t)height, planes = 1, b = (uint16_t)bits;
        std::memcpy(&h[0], &size, 4);
        std::memcpy(&h[4], &w, 2);
        std::memcpy(&h[6], &hh, 2);
        std::memcpy(&h[8], &planes, 2);
        std::memcpy(&h[10], &b, 2);
    } else {
        BITMAPINFOHEADER bi = {};
        bi.biSize = 40;
        bi.biWidth = width;
        bi.biHeight = height;
        bi.biPlanes = 1;
        bi.biBitCount = (WORD)bits;
        bi.biXPelsPerMeter = 3780;
        bi.biYPelsPerMeter = 3780;
        bi.biClrUsed = (DWORD)coloursUsed;
        std::memcpy(&h[0], &bi, 40);
    }
    s += h;
    s.append((const char*)palette.data(), palette.size());
    uint32_t offset = (uint32_t)s.size();
    s.append((const char*)pixels.data(), pixels.size());
    uint32_t total = (uint32_t)s.size();
    s[0] = 'B';
    s[1] = 'M';
    std::memcpy(&s[2], &total, 4);
    std::memcpy(&s[10], &offset, 4);
    return s;
}

}  // namespace

TEST(MapStore, BmpFilesLoadAndSmallDepthsBecome8Bits) {
    testsupport::TempDir dir("map");
    // 1 bit, 10 x 3: palette red and blue; row 0 (stored last) 1010000000.
    std::vector<uint8_t> pal1 = {0, 0, 255, 0, 255, 0, 0, 0};
    std::vector<uint8_t> px1(12, 0);
    px1[8] = 0xA0;
    std::string one = BmpFile(40, 10, 3, 1, pal1, px1);
    testsupport::WriteFileBytes(dir.File("one.bmp"), one.data(), one.size());
    MapImage* im = LoadBmpToMapImage(dir.File("one.bmp").c_str());
    ASSERT_NE(nullptr, im);
    EXPECT_EQ(8, im->bits);
    EXPECT_EQ(255, im->palette[0].rgbRed);
    EXPECT_EQ(255, im->palette[1].rgbBlue);
    EXPECT_EQ(96, im->xResolution);
    uint8_t row[16];
    ASSERT_EQ(1, g_MapStore.GetRow(im, 0, 0, 9, row));
    const uint8_t want[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(row, want, 10));
    g_MapStore.Free(&im);

    // Core header, 8 bits: three-byte colours become four-byte entries.
    std::vector<uint8_t> pal8(768);
    for (int i = 0; i < 256; ++i) {
        pal8[(size_t)i * 3] = (uint8_t)i;
        pal8[(size_t)i * 3 + 1] = 1;
        pal8[(size_t)i * 3 + 2] = 2;
    }
    std::vector<uint8_t> px8(4 * 2, 5);
    std::string core = BmpFile(12, 3, 2, 8, pal8, px8);
    testsupport::WriteFileBytes(dir.File("core.bmp"), core.data(), core.size());
    im = LoadBmpToMapImage(dir.File("core.bmp").c_str());
    ASSERT_NE(nullptr, im);
    EXPECT_EQ(8, im->bits);
    EXPECT_EQ(200, im->palette[200].rgbBlue);
    EXPECT_EQ(2, im->palette[200].rgbRed);
    EXPECT_EQ(0, im->palette[200].rgbReserved);
    EXPECT_EQ(0, im->xResolution);
    g_MapStore.Free(&im);

    // A damaged file loads nothing.
    std::string cut = one.substr(0, one.size() - 6);
    testsupport::WriteFileBytes(dir.File("cut.bmp"), cut.data(), cut.size());
    EXPECT_EQ(nullptr, LoadBmpToMapImage(dir.File("cut.bmp").c_str()));
    EXPECT_EQ(nullptr, LoadBmpToMapImage(dir.File("missing.bmp").c_str()));
}

TEST(MapStore, IndicesPastTheFilesColourTableAreBlack) {
    testsupport::TempDir dir("map");
    // 8 bits, a table of 4 light colours; the row uses indices 1, 3, 4 and 200.
    std::vector<uint8_t> pal = {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0, 200, 210, 220, 0};
    std::vector<uint8_t> px = {1, 3, 4, 200};
    std::string file = BmpFile(40, 4, 1, 8, pal, px, 4);
    testsupport::WriteFileBytes(dir.File("short.bmp"), file.data(), file.size());
    MapImage* im = LoadBmpToMapImage(dir.File("short.bmp").c_str());
    ASSERT_NE(nullptr, im);
    // What the page printer draws from it.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 4, 1);
    HGDIOBJ old = SelectObject(dc, bm);
    ASSERT_EQ(1, g_MapStore.Draw(dc, im, 0, 0));
    const COLORREF want[4] = {RGB(60, 50, 40), RGB(220, 210, 200), RGB(0, 0, 0), RGB(0, 0, 0)};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(want[x], GetPixel(dc, x, 0)) << "column " << x;
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    g_MapStore.Free(&im);
}
