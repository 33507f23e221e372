// Images far larger than the page pool, swap extents, and a store whose swap
// disk is short or missing.
#include <gtest/gtest.h>

#include <cstring>

#include "store_fixture.h"

using namespace storetest;

namespace {

void FillPattern(c_VmsStore& s, VmsImage* im, uint32_t seed) {
    int bpp = im->bytesPerPixel;
    std::vector<uint8_t> row((size_t)im->width * bpp);
    for (int y = 0; y < im->height; ++y) {
        for (int x = 0; x < im->width; ++x)
            for (int k = 0; k < bpp; ++k) row[(size_t)x * bpp + k] = (uint8_t)(Pattern(seed, x, y) >> (8 * k));
        s.PutRow(im, y, 0, im->width - 1, row.data());
    }
}

bool MatchesPattern(c_VmsStore& s, const VmsImage* im, uint32_t seed) {
    int bpp = im->bytesPerPixel;
    std::vector<uint8_t> row((size_t)im->width * bpp);
    for (int y = 0; y < im->height; ++y) {
        s.GetRow(im, y, 0, im->width - 1, row.data());
        for (int x = 0; x < im->width; ++x)
            for (int k = 0; k < bpp; ++k)
                if (row[(size_t)x * bpp + k] != (uint8_t)(Pattern(seed, x, y) >> (8 * k))) return false;
    }
    return true;
}

}  // namespace

TEST(ImageStorePaging, ImagesManyTimesThePoolReadBackIdentical) {
    TestStore ts(4);   // the spare and three pages for tiles
    c_VmsStore& s = *ts.store;
    VmsImage* big = s.Create(1500, 1250, 32, 0, 0);   // 30 tiles, 10 times the pool
    VmsImage* mask = s.Create(3100, 600, 8, 0, 0);     // 12 tiles
    ASSERT_NE(big, nullptr);
    ASSERT_NE(mask, nullptr);
    FillPattern(s, big, 1);
    FillPattern(s, mask, 2);
    EXPECT_LE(ts.store->Pool()->HeldCount(), 3);
    EXPECT_GE(ts.store->Swap()->ExtentCount(), 30);
    EXPECT_TRUE(MatchesPattern(s, big, 1));
    EXPECT_TRUE(MatchesPattern(s, mask, 2));
    // Columns across every tile of the image, read bottom-up: each row visits
    // 6 tiles, so the pool turns over on every row.
    std::vector<uint32_t> piece(3);
    for (int y = big->height - 1; y >= 0; y -= 7) {
        for (int x0 : {0, 248, 749, 1497}) {
            s.GetRow(big, y, x0, x0 + 2, piece.data());
            for (int k = 0; k < 3; ++k) ASSERT_EQ(piece[k], Pattern(1, x0 + k, y));
        }
    }
    // Rewrite half of the rows: the tiles on disk are reloaded before the write.
    std::vector<uint32_t> row(700);
    for (int y = 0; y < big->height; y += 2) {
        for (int x = 0; x < 700; ++x) row[x] = ~Pattern(1, x + 400, y);
        s.PutRow(big, y, 400, 1099, row.data());
    }
    std::vector<uint32_t> full(1500);
    for (int y = 0; y < big->height; ++y) {
        s.GetRow(big, y, 0, 1499, full.data());
        for (int x = 0; x < 1500; ++x) {
            uint32_t expect = (y % 2 == 0 && x >= 400 && x < 1100) ? ~Pattern(1, x, y) : Pattern(1, x, y);
            ASSERT_EQ(full[x], expect) << x << "," << y;
        }
    }
    s.Free(&big);
    s.Free(&mask);
    EXPECT_EQ(ts.store->Pool()->HeldCount(), 0);
}

TEST(ImageStorePaging, SwapExtentsReusedAndFileShrinksWhenEmpty) {
    TestStore ts(4);
    c_VmsStore& s = *ts.store;
    c_SwapFile* swap = ts.store->Swap();
    const int64_t firstSize = swap->FileSize();
    EXPECT_EQ(firstSize, 2621440);
    VmsImage* keep = s.Create(900, 700, 32, 0, 0);   // 12 tiles: some stay on disk
    FillPattern(s, keep, 9);
    VmsImage* a = s.Create(1000, 1000, 32, 0, 0);     // 16 tiles
    FillPattern(s, a, 3);
    int extents = swap->ExtentCount();
    int64_t size = swap->FileSize();
    EXPECT_GT(size, firstSize);
    s.Free(&a);
    EXPECT_GE(swap->FreeCount(), 13);
    VmsImage* b = s.Create(1000, 1000, 32, 0, 0);
    FillPattern(s, b, 4);
    EXPECT_EQ(swap->ExtentCount(), extents);   // every extent reused
    EXPECT_EQ(swap->FileSize(), size);
    EXPECT_TRUE(MatchesPattern(s, b, 4));
    EXPECT_TRUE(MatchesPattern(s, keep, 9));
    s.Free(&b);
    s.Free(&keep);
    EXPECT_EQ(swap->ExtentCount(), 0);
    EXPECT_EQ(swap->FileSize(), firstSize);
    EXPECT_EQ(testsupport::FileSize(swap->FileName()), firstSize);
}

TEST(ImageStorePaging, CreateFailsWhileSwapDiskIsShort) {
    TestStore ts(8);
    c_VmsStore& s = *ts.store;
    VmsImage* before = s.Create(300, 300, 32, 0, 0);
    FillPattern(s, before, 5);
    g_freeSpace = 20 * 1048576;   // 20 MB: low
    EXPECT_EQ(s.GetDiskState(), 1);
    EXPECT_EQ(s.Create(100, 100, 32, 0, 0), nullptr);
    EXPECT_EQ(s.Create(100, 100, 8, 0, 0), nullptr);
    g_freeSpace = 2 * 1048576;    // 2 MB: very low
    EXPECT_EQ(s.GetDiskState(), 2);
    EXPECT_EQ(s.Create(100, 100, 32, 0, 0), nullptr);
    // Images already made still work; the store recovers when room comes back.
    EXPECT_TRUE(MatchesPattern(s, before, 5));
    g_freeSpace = (int64_t)1 << 40;
    EXPECT_EQ(s.GetDiskState(), 0);
    VmsImage* after = s.Create(300, 300, 32, 0, 0);
    ASSERT_NE(after, nullptr);
    FillPattern(s, after, 6);
    EXPECT_TRUE(MatchesPattern(s, after, 6));
    s.Free(&before);
    s.Free(&after);
}

TEST(ImageStorePaging, StoreWithoutSwapFileRefusesImages) {
    testsupport::TempDir dir;
    std::string missing = dir.Path() + "no\\such\\folder\\";
    VmsStoreOptions options;
    options.poolPages = 8;
    options.swapFolder = missing.c_str();
    c_VmsStore store(options);
    EXPECT_EQ(store.IsReady(), 0);
    EXPECT_EQ(store.Create(10, 10, 32, 0, 0), nullptr);
    EXPECT_EQ(store.Create(10, 10, 1, 0, 0), nullptr);
    EXPECT_EQ(store.GetDiskState(), 2);
    VmsImage* none = nullptr;
    store.Free(&none);
}

TEST(ImageStorePaging, SmallestPoolStillWorks) {
    TestStore ts(1);   // raised to the spare and one page
    c_VmsStore& s = *ts.store;
    EXPECT_EQ(ts.store->Pool()->PageCount(), 2);
    VmsImage* im = s.Create(800, 300, 32, 0, 0);
    FillPattern(s, im, 8);
    EXPECT_TRUE(MatchesPattern(s, im, 8));
    int q[4];
    s.GetQuad(im, 249, 249, q);   // four tiles for one block through one page
    uint32_t words[4];
    im->tiles->GetQuad(words, 249, 249);
    EXPECT_EQ(words[0], Pattern(8, 249, 249));
    EXPECT_EQ(words[1], Pattern(8, 250, 249));
    EXPECT_EQ(words[2], Pattern(8, 249, 250));
    EXPECT_EQ(words[3], Pattern(8, 250, 250));
    s.Free(&im);
}

TEST(ImageStorePaging, ImageFreedAfterItsStoreIsGone) {
    testsupport::TempDir dir;
    VmsStoreOptions options;
    options.poolPages = 4;
    options.swapFolder = dir.Path().c_str();
    auto store = std::make_unique<c_VmsStore>(options);
    VmsImage* im = store->Create(1000, 600, 32, 0, 0);
    FillPattern(*store, im, 12);
    std::string swapName = store->Swap()->FileName();
    EXPECT_GT(testsupport::FileSize(swapName), 0);
    c_VmsStore* raw = store.get();
    store.reset();   // as at exit, before a static object frees its image
    EXPECT_EQ(testsupport::FileSize(swapName), -1);
    raw = nullptr;
    c_VmsStore other(options);   // Free needs no store of its own to be alive
    other.Free(&im);
    EXPECT_EQ(im, nullptr);
    (void)raw;
}

TEST(ImageStoreTiles, ResizeKeepsTilesInside) {
    TestStore ts(8);
    c_VmsStore& s = *ts.store;
    VmsImage* im = s.Create(300, 300, 32, 0x11, 0);
    FillPattern(s, im, 21);
    ASSERT_EQ(s.Resize(im, 620, 260), 1);
    EXPECT_EQ(im->width, 620);
    EXPECT_EQ(im->height, 260);
    EXPECT_EQ(im->stride, 2480);
    EXPECT_EQ(im->tiles->TilesAcross(), 3);
    EXPECT_EQ(im->tiles->TilesDown(), 2);
    std::vector<uint32_t> row(620);
    for (int y = 0; y < 260; ++y) {
        s.GetRow(im, y, 0, 619, row.data());
        for (int x = 0; x < 620; ++x) {
            uint32_t expect = x < 300 ? Pattern(21, x, y) : 0x111111u;
            ASSERT_EQ(row[x], expect) << x << "," << y;
        }
    }
    ASSERT_EQ(s.Resize(im, 100, 100), 1);
    EXPECT_EQ(im->tiles->TilesAcross(), 1);
    s.GetRow(im, 99, 0, 99, row.data());
    EXPECT_EQ(row[99], Pattern(21, 99, 99));
    s.Free(&im);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}
