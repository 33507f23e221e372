// A swap file that stops taking or giving back pixels (a full or failing
// disk): no pixel is lost and the row operations report the failure.
#include <gtest/gtest.h>

#include "store_fixture.h"

using namespace storetest;

namespace {

bool g_failWrites = false;
bool g_failReads = false;
bool FailingDisk(bool write) { return write ? g_failWrites : g_failReads; }

struct FailingSwap {
    explicit FailingSwap(c_SwapFile* swap) : swap_(swap) { swap_->SetFailureSeam(FailingDisk); }
    ~FailingSwap() {
        swap_->SetFailureSeam(nullptr);
        g_failWrites = g_failReads = false;
    }
    c_SwapFile* swap_;
};

// One tile row of four tiles through three pages: one tile is always on disk.
struct FourTiles {
    TestStore ts{4, "swapfail"};
    c_VmsStore& s = *ts.store;
    FailingSwap seam{ts.store->Swap()};
    VmsImage* image = nullptr;

    FourTiles() {
        image = s.Create(1000, 250, 32, 0, 0);
        std::vector<uint32_t> row(1000);
        for (int y = 0; y < 250; ++y) {
            for (int x = 0; x < 1000; ++x) row[x] = Pattern(1, x, y);
            s.PutRow(image, y, 0, 999, row.data());
        }
    }
    // The column of the tile that is on disk (-1: none or several).
    int SwappedColumn() {
        int found = -1;
        for (int c = 0; c < 4; ++c) {
            c_Tile* t = image->tiles->TileAt(c, 0);
            if (!t->IsResident()) {
                if (found >= 0 || !t->HasContent()) return -1;
                found = c;
            }
        }
        return found;
    }
    bool Intact() {
        std::vector<uint32_t> row(1000);
        for (int y = 0; y < 250; ++y) {
            if (!s.GetRow(image, y, 0, 999, row.data())) return false;
            for (int x = 0; x < 1000; ++x)
                if (row[x] != Pattern(1, x, y)) return false;
        }
        return true;
    }
};

}  // namespace

TEST(ImageStoreSwapFailure, FailedPageOutKeepsEveryDirtyPage) {
    FourTiles f;
    ASSERT_NE(f.image, nullptr);
    int swapped = f.SwappedColumn();
    ASSERT_GE(swapped, 0);
    for (int c = 0; c < 4; ++c) {
        if (c == swapped) continue;
        ASSERT_TRUE(f.image->tiles->TileAt(c, 0)->IsDirty()) << c;
    }

    // The disk is full: the tile on disk cannot get a page, since every page
    // holds pixels that exist nowhere else.
    g_failWrites = true;
    std::vector<uint32_t> row(1000);
    for (int y : {0, 117, 249}) {
        std::fill(row.begin(), row.end(), 0xDEADBEEFu);
        EXPECT_EQ(f.s.GetRow(f.image, y, 0, 999, row.data()), 0) << y;
        for (int x = 0; x < 1000; ++x) {
            uint32_t expected = x / 250 == swapped ? 0xDEADBEEFu : Pattern(1, x, y);
            ASSERT_EQ(row[x], expected) << "x " << x << " y " << y;
        }
    }
    for (int c = 0; c < 4; ++c) {
        c_Tile* t = f.image->tiles->TileAt(c, 0);
        EXPECT_EQ(t->IsResident(), c != swapped) << c;
        EXPECT_EQ(t->IsDirty(), c != swapped) << c;
    }
    EXPECT_EQ(f.ts.store->Pool()->HeldCount(), 3);

    // Room again: everything reads back, through page-outs that now succeed.
    g_failWrites = false;
    EXPECT_TRUE(f.Intact());
}

TEST(ImageStoreSwapFailure, FailedPageInReportsFailureAndWritesNothing) {
    FourTiles f;
    ASSERT_NE(f.image, nullptr);
    int swapped = f.SwappedColumn();
    ASSERT_GE(swapped, 0);
    int x0 = swapped * 250 + 10;

    g_failReads = true;
    std::vector<uint32_t> piece(100, 0xDEADBEEFu);
    // A read of the tile on disk fails and leaves the buffer as it was.
    EXPECT_EQ(f.s.GetRow(f.image, 40, x0, x0 + 99, piece.data()), 0);
    for (uint32_t v : piece) ASSERT_EQ(v, 0xDEADBEEFu);
    int value = 0;
    EXPECT_EQ(f.image->tiles->GetPixel(&value, x0, 40), 0);
    // A write into it fails too: the rest of the tile could not be loaded, and
    // its pixels on disk stay as they were.
    std::vector<uint32_t> ones(100, 1u);
    EXPECT_EQ(f.s.PutRow(f.image, 40, x0, x0 + 99, ones.data()), 0);
    EXPECT_FALSE(f.image->tiles->TileAt(swapped, 0)->IsResident());

    g_failReads = false;
    EXPECT_TRUE(f.Intact());
}
