// Creation rules, row and pixel clipping, round trips across tile edges.
#include <gtest/gtest.h>

#include <cstring>

#include "store_fixture.h"

using namespace storetest;

TEST(ImageStoreCreate, SizesDepthsAndHeaders) {
    TestStore ts(64);
    c_VmsStore& s = *ts.store;
    struct Case {
        int width, height, bits;
        int kind, outWidth, outHeight, outBits, bpp, stride;
    } cases[] = {
        {0, 10, 32, VmsKindTiled, 1, 10, 32, 4, 4},
        {10, -5, 8, VmsKindTiled, 10, 1, 8, 1, 12},
        {7, 3, 24, VmsKindTiled, 7, 3, 32, 4, 28},
        {33, 2, 1, VmsKindFlat, 33, 2, 1, 0, 8},
        {9, 2, 4, VmsKindFlat, 9, 2, 4, 0, 8},
        {1001, 2, 8, VmsKindTiled, 1001, 2, 8, 1, 1004},
    };
    int lastId = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        VmsImage* im = s.Create(c.width, c.height, c.bits, 0, 0, 0, 0);
        ASSERT_NE(im, nullptr);
        EXPECT_EQ(im->kind, c.kind);
        EXPECT_EQ(im->width, c.outWidth);
        EXPECT_EQ(im->height, c.outHeight);
        EXPECT_EQ(im->bits, c.outBits);
        EXPECT_EQ(im->bytesPerPixel, c.bpp);
        EXPECT_EQ(im->stride, c.stride);
        EXPECT_EQ(im->dataSize, c.stride * c.outHeight);
        EXPECT_EQ(im->id, lastId + 1);
        lastId = im->id;
        EXPECT_EQ(im->kind == VmsKindFlat, im->flat != nullptr);
        EXPECT_EQ(im->kind == VmsKindTiled, im->tiles != nullptr);
        int entries = c.outBits == 32 ? 0 : 1 << c.outBits;
        for (int i = 0; i < 256; ++i) {
            int v = i < entries ? i : 0;
            ASSERT_EQ(im->palette[i].rgbBlue, v);
            ASSERT_EQ(im->palette[i].rgbGreen, v);
            ASSERT_EQ(im->palette[i].rgbRed, v);
            ASSERT_EQ(im->palette[i].rgbReserved, 0);
        }
        s.Free(&im);
        EXPECT_EQ(im, nullptr);
    }
    VmsImage* none = nullptr;
    s.Free(&none);   // allowed, does nothing
    EXPECT_EQ(s.Create(5, 5, 16, 0, 0), nullptr);
}

TEST(ImageStoreCreate, FillValues) {
    TestStore ts(64);
    c_VmsStore& s = *ts.store;
    VmsImage* grey = s.Create(1003, 260, 8, 0x180, 0);   // fill used as a byte
    ASSERT_NE(grey, nullptr);
    for (uint8_t b : ReadAll(s, grey)) ASSERT_EQ(b, 0x80);
    VmsImage* black = s.Create(300, 251, 32, 0, 0);
    for (int y : {0, 250}) {
        std::vector<uint32_t> row(300, 0xDEADBEEF);
        ASSERT_EQ(s.GetRow(black, y, 0, 299, row.data()), 1);
        for (uint32_t w : row) ASSERT_EQ(w & 0xFFFFFF, 0u);
    }
    VmsImage* filled = s.Create(20, 2, 32, 0x12, 0);
    uint32_t w = 0;
    s.GetRow(filled, 1, 19, 19, &w);
    EXPECT_EQ(w & 0xFFFFFF, 0x121212u);
    // Flat images fill only when asked.
    VmsImage* flatFilled = s.Create(16, 3, 1, 0xA5, 1);
    VmsImage* flatPlain = s.Create(16, 3, 1, 0xA5, 0);
    uint8_t row[4] = {};
    s.GetRow(flatFilled, 2, 0, 15, row);
    EXPECT_EQ(row[0], 0xA5);
    EXPECT_EQ(row[3], 0xA5);
    s.GetRow(flatPlain, 2, 0, 15, row);
    EXPECT_EQ(row[0], 0);
    // Reading a new image needs no page.
    EXPECT_EQ(ts.store->Pool()->HeldCount(), 0);
    for (VmsImage* im : {grey, black, filled, flatFilled, flatPlain}) s.Free(&im);
}

TEST(ImageStoreRows, ClippingTable) {
    TestStore ts(64);
    c_VmsStore& s = *ts.store;
    for (int bits : {32, 8}) {
        VmsImage* im = s.Create(4, 3, bits, 0, 0);
        ASSERT_NE(im, nullptr);
        int bpp = bits / 8;
        // Pixels 0..3 of row 1 hold 10, 11, 12, 13.
        uint8_t src[64] = {};
        for (int x = 0; x < 4; ++x) src[x * bpp] = (uint8_t)(10 + x);
        ASSERT_EQ(s.PutRow(im, 1, 0, 3, src), 1);
        struct Case {
            int y, x0, x1, result;
            int firstElement, lastElement;   // elements written, -1 none
        } cases[] = {
            {1, -3, 5, 1, 3, 6},
            {1, 0, 3, 1, 0, 3},
            {1, 2, 100, 1, 0, 1},
            {1, 4, 9, 0, -1, -1},
            {1, -5, -1, 0, -1, -1},
            {3, 0, 3, 0, -1, -1},
            {-1, 0, 3, 0, -1, -1},
            {1, -1, 0, 1, 1, 1},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << bits << " bits y " << c.y << " x " << c.x0 << ".." << c.x1);
            uint8_t buf[64];
            memset(buf, 0xEE, sizeof(buf));
            ASSERT_EQ(s.GetRow(im, c.y, c.x0, c.x1, buf), c.result);
            for (int e = 0; e < 12; ++e) {
                bool written = c.firstElement >= 0 && e >= c.firstElement && e <= c.lastElement;
                int x = e + c.x0;   // pixel landing at element e
                uint8_t expect = written ? (uint8_t)(10 + x) : 0xEE;
                ASSERT_EQ(buf[e * bpp], expect) << "element " << e;
            }
            // PutRow clips the same way: the same elements go to the same pixels.
            uint8_t put[64];
            for (int e = 0; e < 16; ++e) put[e * bpp] = (uint8_t)(100 + e);
            for (int e = 0; e < 16; ++e)
                for (int k = 1; k < bpp; ++k) put[e * bpp + k] = 0;
            VmsImage* other = s.Create(4, 3, bits, 0, 0);
            ASSERT_EQ(s.PutRow(other, c.y, c.x0, c.x1, put), c.result);
            uint8_t back[64] = {};
            for (int y = 0; y < 3; ++y) {
                s.GetRow(other, y, 0, 3, back);
                for (int x = 0; x < 4; ++x) {
                    int e = x - c.x0;
                    bool written = y == c.y && c.result && e >= c.firstElement && e <= c.lastElement;
                    ASSERT_EQ(back[x * bpp], written ? (uint8_t)(100 + e) : 0) << "pixel " << x << "," << y;
                }
            }
            s.Free(&other);
        }
        s.Free(&im);
    }
}

TEST(ImageStoreRows, PixelsAndQuads) {
    TestStore ts(64);
    c_VmsStore& s = *ts.store;
    VmsImage* c32 = s.Create(251, 251, 32, 0, 0);
    VmsImage* c8 = s.Create(1001, 251, 8, 0, 0);
    int r, g, b, v;
    EXPECT_EQ(s.SetRgb(c32, 250, 250, 1, 2, 3), 1);
    EXPECT_EQ(s.GetRgb(c32, 250, 250, &r, &g, &b), 1);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 3);
    uint32_t w = 0;
    s.GetRow(c32, 250, 250, 250, &w);
    EXPECT_EQ(w & 0xFFFFFF, 0x010203u);
    // Outside: 0 and no change.
    struct Out { int x, y; } outs[] = {{251, 0}, {0, 251}, {-1, 0}, {0, -1}};
    for (const Out& o : outs) {
        EXPECT_EQ(s.SetRgb(c32, o.x, o.y, 9, 9, 9), 0);
        EXPECT_EQ(s.GetRgb(c32, o.x, o.y, &r, &g, &b), 0);
        EXPECT_EQ(s.SetValue(c8, o.x == 251 ? 1001 : o.x, o.y, 9), 0);
        EXPECT_EQ(s.GetValue(c8, o.x == 251 ? 1001 : o.x, o.y, &v), 0);
    }
    EXPECT_EQ(ReadAll(s, c32), std::vector<uint8_t>([&] {
                  std::vector<uint8_t> e(251 * 251 * 4, 0);
                  size_t i = (250 * 251 + 250) * 4;
                  e[i] = 3, e[i + 1] = 2, e[i + 2] = 1;
                  return e;
              }()));
    EXPECT_EQ(s.SetValue(c8, 1000, 250, 77), 1);
    EXPECT_EQ(s.GetValue(c8, 1000, 250, &v), 1);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(s.GetValue(c32, 250, 250, &v), 1);   // blue byte of a 32-bit image
    EXPECT_EQ(v, 3);
    // 2 x 2 blocks, across tile edges and at the bottom-right corner.
    s.SetValue(c8, 999, 249, 1);
    s.SetValue(c8, 1000, 249, 2);
    s.SetValue(c8, 999, 250, 3);
    int q[4];
    EXPECT_EQ(s.GetQuad(c8, 999, 249, q), 1);
    EXPECT_EQ(q[0], 1);
    EXPECT_EQ(q[1], 2);
    EXPECT_EQ(q[2], 3);
    EXPECT_EQ(q[3], 77);
    s.GetQuad(c8, 1000, 250, q);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(q[k], 77);
    s.SetRgb(c32, 249, 249, 10, 20, 30);
    int rr[4], gg[4], bb[4];
    s.GetQuadRgb(c32, 249, 249, rr, gg, bb);
    EXPECT_EQ(rr[0], 10);
    EXPECT_EQ(gg[0], 20);
    EXPECT_EQ(bb[0], 30);
    EXPECT_EQ(rr[3], 1);
    EXPECT_EQ(rr[1], 0);
    s.GetQuadRgb(c32, 250, 250, rr, gg, bb);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bb[k], 3);
    s.Free(&c32);
    s.Free(&c8);
}

TEST(ImageStoreRows, RoundTripsAcrossTileEdges) {
    TestStore ts(256);
    c_VmsStore& s = *ts.store;
    struct Case { int width, height, bits; } cases[] = {{251, 520, 32}, {777, 260, 32}, {1001, 260, 8}, {2503, 255, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        VmsImage* im = s.Create(c.width, c.height, c.bits, 0x33, 0);
        ASSERT_NE(im, nullptr);
        int bpp = c.bits / 8;
        std::vector<uint8_t> model(ReadAll(s, im));
        Rng rng(c.width);
        std::vector<uint8_t> buf((size_t)c.width * 4 + 16);
        for (int i = 0; i < 400; ++i) {
            int y = rng.Range(0, c.height - 1);
            int x0 = rng.Range(0, c.width - 1), x1 = rng.Range(x0, c.width - 1);
            for (int x = x0; x <= x1; ++x)
                for (int k = 0; k < bpp; ++k) buf[(size_t)(x - x0) * bpp + k] = (uint8_t)(Pattern(i, x, y) >> (8 * k));
            ASSERT_EQ(s.PutRow(im, y, x0, x1, buf.data()), 1);
            memcpy(&model[((size_t)y * c.width + x0) * bpp], buf.data(), (size_t)(x1 - x0 + 1) * bpp);
            // Read a different random run of a random row and compare.
            int ry = rng.Range(0, c.height - 1);
            int r0 = rng.Range(0, c.width - 1), r1 = rng.Range(r0, c.width - 1);
            ASSERT_EQ(s.GetRow(im, ry, r0, r1, buf.data()), 1);
            ASSERT_EQ(memcmp(buf.data(), &model[((size_t)ry * c.width + r0) * bpp], (size_t)(r1 - r0 + 1) * bpp), 0);
        }
        ASSERT_EQ(ReadAll(s, im), model);
        s.Free(&im);
    }
}

TEST(ImageStoreTiles, LayoutAndLimits) {
    TestStore ts(64);
    c_VmsStore& s = *ts.store;
    struct Case { int width, height, bits, across, down; } cases[] = {
        {251, 250, 32, 2, 1}, {250, 251, 32, 1, 2}, {1001, 1, 8, 2, 1}, {1000, 500, 8, 1, 2},
        {30000, 30000, 32, 120, 120}, {120000, 30000, 8, 120, 120}};
    for (const Case& c : cases) {
        VmsImage* im = s.Create(c.width, c.height, c.bits, 0, 0);
        ASSERT_NE(im, nullptr);
        EXPECT_EQ(im->tiles->TilesAcross(), c.across);
        EXPECT_EQ(im->tiles->TilesDown(), c.down);
        int w, h;
        im->tiles->TileAt(c.across - 1, 0)->GetDimensions(&w, &h);
        EXPECT_EQ(w, (c.bits == 8 ? (c.width + 3) / 4 : c.width) - (c.across - 1) * 250);
        s.Free(&im);
    }
    // More than 14,400 tiles cannot be laid out.
    EXPECT_EQ(s.Create(30001, 30000, 32, 0, 0), nullptr);
    EXPECT_EQ(s.Create(30000, 30250, 32, 0, 0), nullptr);
    VmsImage* ok = s.Create(10, 10, 32, 0, 0);
    EXPECT_NE(ok, nullptr);
    s.Free(&ok);
}

TEST(ImageStoreCopy, EqualAndDifferentSizes) {
    TestStore ts(6);   // small pool: some tiles are on disk during the copy
    c_VmsStore& s = *ts.store;
    VmsImage* src = s.Create(600, 520, 32, 0x10, 0);
    std::vector<uint32_t> row(600);
    for (int y = 0; y < 520; y += 3) {
        for (int x = 0; x < 600; ++x) row[x] = Pattern(1, x, y);
        s.PutRow(src, y, 0, 599, row.data());
    }
    VmsImage* same = s.Create(600, 520, 32, 0x77, 0);
    for (int x = 0; x < 600; ++x) row[x] = 5;
    s.PutRow(same, 511, 0, 599, row.data());
    c_Tile* kept = same->tiles->TileAt(0, 0);
    EXPECT_EQ(s.Copy(same, src), 1);
    EXPECT_EQ(same->tiles->TileAt(0, 0), kept);   // tiles kept, pixels replaced
    EXPECT_EQ(ReadAll(s, same), ReadAll(s, src));
    // Writing the copy leaves the source alone.
    s.PutRow(same, 0, 0, 599, row.data());
    std::vector<uint32_t> back(600);
    s.GetRow(src, 0, 0, 599, back.data());
    EXPECT_EQ(back[0], Pattern(1, 0, 0));
    // A destination of another size is laid out anew at the source's size.
    VmsImage* small = s.Create(10, 10, 32, 0, 0);
    s.Copy(small, src);
    EXPECT_EQ(small->tiles->TilesAcross(), 3);
    EXPECT_EQ(small->tiles->TilesDown(), 3);
    // (The header stays as it was: read through the tiled image itself.)
    small->tiles->ReadRow(back.data(), 519, 0, 600);
    s.GetRow(src, 519, 0, 599, row.data());
    EXPECT_EQ(back, row);
    for (VmsImage* im : {src, same, small}) s.Free(&im);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreDraw, DrawAndStretchDraw) {
    TestStore ts(16);
    c_VmsStore& s = *ts.store;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 40;
    bi.bmiHeader.biHeight = -40;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    VmsImage* im = s.Create(4, 3, 32, 0, 0);
    for (int y = 0; y < 3; ++y) s.SetRgb(im, y, y, 255, 0, 0);
    VmsImage* grey = s.Create(2, 2, 8, 200, 0);
    GdiFlush();
    EXPECT_EQ(s.Draw(dc, im, 5, 6), 1);
    EXPECT_EQ(s.Draw(dc, nullptr, 5, 6), 0);
    GdiFlush();
    uint32_t* px = (uint32_t*)bits;
    EXPECT_EQ(px[6 * 40 + 5] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(px[8 * 40 + 7] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(px[6 * 40 + 6] & 0xFFFFFF, 0u);
    EXPECT_EQ(s.Draw(dc, grey, 0, 0), 1);
    GdiFlush();
    EXPECT_EQ(px[1 * 40 + 1] & 0xFFFFFF, 0xC8C8C8u);
    // Each of the 3 rows drawn once at height 3; doubled width.
    memset(bits, 0, 40 * 40 * 4);
    EXPECT_EQ(s.StretchDraw(dc, im, 0, 20, 8, 3, SRCCOPY), 1);
    GdiFlush();
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(px[(20 + y) * 40 + 2 * y] & 0xFFFFFF, 0xFF0000u) << y;
        EXPECT_EQ(px[(20 + y) * 40 + 2 * y + 1] & 0xFFFFFF, 0xFF0000u) << y;
    }
    EXPECT_EQ(s.StretchDraw(dc, im, 0, 30, 4, 1, SRCCOPY), 1);   // one row: the first
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    s.Free(&im);
    s.Free(&grey);
}

TEST(ImageStoreGlobal, ProgramStoreAndSwapQueries) {
    VmsImage* im = g_VmsStore.Create(300, 300, 32, 1, 0);
    ASSERT_NE(im, nullptr);
    int r, g, b;
    EXPECT_EQ(g_VmsStore.GetRgb(im, 299, 299, &r, &g, &b), 1);
    EXPECT_EQ(r, 1);
    g_VmsStore.Free(&im);
    char root[MAX_PATH] = "x";
    EXPECT_EQ(GetSwapFilePath(root), 0);
    EXPECT_EQ(strlen(root), 3u);
    EXPECT_EQ(root[1], ':');
    EXPECT_EQ(root[2], '\\');
    int state = GetSwapDiskState();
    EXPECT_TRUE(state >= 0 && state <= 3);
}

TEST(ImageStoreRows, FlatImagesMoveWholePackedRows) {
    TestStore ts(8);
    c_VmsStore& s = *ts.store;
    for (int bits : {1, 4}) {
        VmsImage* im = s.Create(37, 5, bits, 0, 0);
        ASSERT_NE(im, nullptr);
        int stride = im->stride;
        std::vector<uint8_t> row(stride), back(stride);
        for (int y = 0; y < 5; ++y) {
            for (int i = 0; i < stride; ++i) row[i] = (uint8_t)(y * 31 + i * 7 + bits);
            ASSERT_EQ(s.PutRow(im, y, 0, 36, row.data()), 1);
        }
        for (int y = 0; y < 5; ++y) {
            ASSERT_EQ(s.GetRow(im, y, 0, 36, back.data()), 1);
            for (int i = 0; i < stride; ++i) ASSERT_EQ(back[i], (uint8_t)(y * 31 + i * 7 + bits));
        }
        EXPECT_EQ(s.GetRow(im, 5, 0, 36, back.data()), 0);
        // Byte access to the block, clipped to it.
        uint8_t bytes[4] = {1, 2, 3, 4};
        EXPECT_EQ(s.WriteFlatBytes(im, im->dataSize - 2, 4, bytes), 1);
        uint8_t out[4] = {};
        EXPECT_EQ(s.ReadFlatBytes(im, im->dataSize - 2, 4, out), 1);
        EXPECT_EQ(out[0], 1);
        EXPECT_EQ(out[1], 2);
        EXPECT_EQ(out[2], 0);
        s.Free(&im);
    }
}
