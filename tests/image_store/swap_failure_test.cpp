// A swap file that stops taking or giving back pixels (a full or failing
// disk): no pixel and no saved version is lost, and the operations report
// the failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "store_fixture.h"

using namespace storetest;

namespace {

bool g_failWrites = false;
bool g_failReads = false;
// When set, each transfer fails with one chance in g_failOneIn instead.
Rng* g_failRng = nullptr;
int g_failOneIn = 3;
int g_failures = 0;
bool FailingDisk(bool write) {
    bool fails = g_failRng ? g_failRng->Range(1, g_failOneIn) == 1 : write ? g_failWrites : g_failReads;
    if (fails) ++g_failures;
    return fails;
}

struct FailingSwap {
    explicit FailingSwap(c_SwapFile* swap) : swap_(swap) { swap_->SetFailureSeam(FailingDisk); }
    ~FailingSwap() {
        swap_->SetFailureSeam(nullptr);
        g_failWrites = g_failReads = false;
        g_failRng = nullptr;
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
    bool AnyDirty() {
        for (int c = 0; c < 4; ++c)
            if (image->tiles->TileAt(c, 0)->IsDirty()) return true;
        return false;
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

namespace {

// The picture of FourTiles (seed 1), with columns 0..499 (tiles 0 and 1) of
// seed 2 when leftChanged.
std::vector<uint8_t> FourTilesPicture(bool leftChanged) {
    std::vector<uint8_t> all((size_t)1000 * 250 * 4);
    uint32_t* p = (uint32_t*)all.data();
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 1000; ++x) p[y * 1000 + x] = Pattern(leftChanged && x < 500 ? 2 : 1, x, y);
    return all;
}

}  // namespace

// The swap file refuses the current pixels of dirty pages during a step: the
// step is not taken and nothing changes; refused reads only delay the reads.
TEST(ImageStoreSwapFailure, RefusedStepLeavesPixelsAndHistoryAsTheyWere) {
    struct Case {
        const char* op;
        bool failWrites, failReads;
        int result;          // of the step while the swap file fails
        const char* walk;    // then: Undo or Redo, and the picture it gives (before, after)
    };
    const Case cases[] = {
        {"Save", true, false, 1, "UaUbRaRa"}, {"Undo", true, false, -1, "RaUb"},
        {"Redo", true, false, -1, "UbRa"},    {"Undo", false, true, 0, "RaUb"},
        {"Redo", false, true, 0, "UbRa"},
    };
    const std::vector<uint8_t> before = FourTilesPicture(false), after = FourTilesPicture(true);
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.op) + (k.failWrites ? " writes" : " reads"));
        FourTiles f;
        ASSERT_NE(f.image, nullptr);
        c_TileImage* t = f.image->tiles;
        t->EnableSave();
        ASSERT_EQ(t->Save(), 0);
        std::vector<uint32_t> row(500);
        for (int y = 0; y < 250; ++y) {
            for (int x = 0; x < 500; ++x) row[x] = Pattern(2, x, y);
            ASSERT_EQ(f.s.PutRow(f.image, y, 0, 499, row.data()), 1);
        }
        std::string op = k.op;
        if (op == "Redo") {
            ASSERT_EQ(t->Undo(), 0);   // unchanged tiles get a page to write
        }
        // What the image holds now, and what the step makes of it.
        const std::vector<uint8_t>& now = op == "Redo" ? before : after;
        const std::vector<uint8_t>& stepped = op == "Undo" ? before : after;
        ASSERT_TRUE(f.AnyDirty());
        int steps = t->GetStepCount(), canUndo = t->HasHistory(0), canRedo = t->HasHistory(1);

        g_failWrites = k.failWrites;
        g_failReads = k.failReads;
        auto step = [&]() { return op == "Save" ? t->Save() : op == "Undo" ? t->Undo() : t->Redo(); };
        EXPECT_EQ(step(), k.result);
        g_failWrites = g_failReads = false;

        if (k.result != 0) {
            EXPECT_EQ(t->GetStepCount(), steps);
            EXPECT_EQ(t->HasHistory(0), canUndo);
            EXPECT_EQ(t->HasHistory(1), canRedo);
            EXPECT_TRUE(ReadAll(f.s, f.image) == now);
            // The disk takes pixels again: the step goes through.
            EXPECT_EQ(step(), 0);
        }
        EXPECT_TRUE(ReadAll(f.s, f.image) == stepped);
        // Every version is still there.
        for (const char* w = k.walk; *w; w += 2) {
            ASSERT_EQ(w[0] == 'U' ? t->Undo() : t->Redo(), 0) << w;
            EXPECT_TRUE(ReadAll(f.s, f.image) == (w[1] == 'b' ? before : after)) << w;
        }
        f.s.Free(&f.image);
        EXPECT_EQ(f.ts.store->Swap()->ExtentCount(), 0);
    }
}

// A copy whose tiles the swap file cannot take reports it; every tile of the
// destination is either its old one or the copy, whole.
TEST(ImageStoreSwapFailure, RefusedCopyReportsFailureAndKeepsWholeTiles) {
    FourTiles f;
    ASSERT_NE(f.image, nullptr);
    VmsImage* b = f.s.Create(1000, 250, 32, 0, 0);
    ASSERT_NE(b, nullptr);
    std::vector<uint32_t> row(1000);
    for (int y = 0; y < 250; ++y) {
        for (int x = 0; x < 1000; ++x) row[x] = Pattern(3, x, y);
        ASSERT_EQ(f.s.PutRow(b, y, 0, 999, row.data()), 1);
    }
    for (bool reads : {false, true}) {
        SCOPED_TRACE(reads ? "reads" : "writes");
        (reads ? g_failReads : g_failWrites) = true;
        EXPECT_EQ(f.s.Copy(b, f.image), 0);
        g_failWrites = g_failReads = false;
        EXPECT_TRUE(f.Intact());
        int kept = 0;
        for (int c = 0; c < 4; ++c) {
            int seed = 0;
            for (int y = 0; y < 250; ++y) {
                f.s.GetRow(b, y, c * 250, c * 250 + 249, row.data());
                for (int x = 0; x < 250; ++x) {
                    int from = row[x] == Pattern(1, c * 250 + x, y) ? 1
                               : row[x] == Pattern(3, c * 250 + x, y) ? 3 : -1;
                    if (seed == 0) seed = from;
                    ASSERT_EQ(from, seed) << "tile " << c << " x " << x << " y " << y;
                }
            }
            if (seed == 3) ++kept;
        }
        EXPECT_GT(kept, 0);
    }
    EXPECT_EQ(f.s.Copy(b, f.image), 1);
    EXPECT_TRUE(ReadAll(f.s, b) == ReadAll(f.s, f.image));
    f.s.Free(&b);
    f.s.Free(&f.image);
    EXPECT_EQ(f.ts.store->Swap()->ExtentCount(), 0);
}

// Random writes, saves, undos and redos against snapshots, with the swap file
// failing now and then during every save, undo and redo: each one either
// happens whole or changes nothing.
TEST(ImageStoreSwapFailure, ModelWithAFailingDiskDuringSteps) {
    struct Case { int bits, width, height, poolPages, limit, ops; uint64_t seed; };
    const Case cases[] = {{32, 300, 260, 4, 5, 900, 21}, {8, 1203, 270, 3, 4, 700, 23}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.bits);
        TestStore ts(k.poolPages, "swapmodel");
        c_VmsStore& s = *ts.store;
        FailingSwap seam(s.Swap());
        VmsImage* im = s.Create(k.width, k.height, k.bits, 0x40, 0);
        ASSERT_NE(im, nullptr);
        c_TileImage* t = im->tiles;
        t->EnableSave();
        t->SetHistoryLimit(k.limit);
        const int bpp = k.bits / 8;
        std::vector<uint8_t> current = ReadAll(s, im);
        std::vector<std::vector<uint8_t>> undo, redo;
        bool changed = true;
        Rng rng(k.seed), failRng(k.seed + 1);
        std::vector<uint8_t> row((size_t)k.width * bpp);
        int refused = 0, done = 0;
        g_failures = 0;
        for (int op = 0; op < k.ops; ++op) {
            int kind = rng.Range(0, 99);
            if (kind < 40) {
                int y0 = rng.Range(0, k.height - 1), y1 = std::min(k.height - 1, y0 + rng.Range(0, 30));
                int x0 = rng.Range(0, k.width - 1), x1 = rng.Range(x0, k.width - 1);
                for (int y = y0; y <= y1; ++y) {
                    for (int x = x0; x <= x1; ++x) {
                        uint32_t v = Pattern((uint32_t)op, x, y);
                        for (int b = 0; b < bpp; ++b) row[(size_t)(x - x0) * bpp + b] = (uint8_t)(v >> (8 * b));
                    }
                    ASSERT_EQ(s.PutRow(im, y, x0, x1, row.data()), 1);
                    memcpy(&current[((size_t)y * k.width + x0) * bpp], row.data(), (size_t)(x1 - x0 + 1) * bpp);
                }
                redo.clear();
                changed = true;
                continue;
            }
            g_failRng = &failRng;
            int r = kind < 60 ? t->Save() : kind < 82 ? t->Undo() : t->Redo();
            g_failRng = nullptr;
            if (kind < 60) {
                if (changed && r == 1) {
                    ++refused;
                } else {
                    if ((int)undo.size() >= k.limit) undo.erase(undo.begin());
                    if (changed) {
                        ASSERT_EQ(r, 0) << "op " << op;
                        undo.push_back(current);
                        changed = false;
                        ++done;
                    } else {
                        ASSERT_EQ(r, 1) << "op " << op;
                    }
                }
            } else {
                auto& from = kind < 82 ? undo : redo;
                auto& to = kind < 82 ? redo : undo;
                if (r == -1 && !from.empty()) {
                    ++refused;
                } else if (from.empty()) {
                    ASSERT_EQ(r, -1) << "op " << op;
                } else {
                    ASSERT_EQ(r, 0) << "op " << op;
                    to.push_back(current);
                    current = from.back();
                    from.pop_back();
                    changed = true;
                    ++done;
                }
            }
            ASSERT_EQ(t->GetStepCount(), (int)undo.size()) << "op " << op;
            ASSERT_EQ(t->HasHistory(0), undo.empty() ? 0 : 1) << "op " << op;
            ASSERT_EQ(t->HasHistory(1), redo.empty() ? 0 : 1) << "op " << op;
            ASSERT_TRUE(ReadAll(s, im) == current) << "pixels differ after op " << op;
        }
        EXPECT_GT(refused, 20);
        EXPECT_GT(done, 50);
        EXPECT_GT(g_failures, refused);
        s.Free(&im);
        EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
        EXPECT_EQ(ts.store->Pool()->HeldCount(), 0);
    }
}
