// Two threads reading and writing rows of their own images through one tiny
// pool: every page taken from under one thread would show as corrupt rows.
// The threads only record what they see (std::jthread joins them on every way
// out of a test); the test's own thread asserts, so a failure is one failed
// test and the rest of the executable still runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "store_fixture.h"

using namespace storetest;

namespace {

// The first mismatch any thread saw, with the count of all of them.
class Mismatches {
public:
    void Add(const char* what, int x, int y, uint32_t got, uint32_t want) {
        std::lock_guard<std::mutex> hold(lock_);
        if (count_++ == 0) {
            char text[160];
            std::snprintf(text, sizeof text, "%s at (%d, %d): 0x%08X, expected 0x%08X", what, x, y, got, want);
            first_ = text;
        }
    }
    int Count() const {
        std::lock_guard<std::mutex> hold(lock_);
        return count_;
    }
    std::string First() const {
        std::lock_guard<std::mutex> hold(lock_);
        return first_;
    }
private:
    mutable std::mutex lock_;
    int count_ = 0;
    std::string first_;
};

struct Worker {
    c_VmsStore* store;
    VmsImage* image;
    uint32_t seed;
    DWORD until;
    Mismatches* errors;
    int rounds = 0;

    void Run() {
        const int w = image->width, h = image->height;
        std::vector<uint32_t> row(w), back(w);
        std::vector<uint32_t> version(h, 0);   // the generation each row was written with
        Rng rng(seed);
        while (GetTickCount() < until) {
            int y = rng.Range(0, h - 1);
            int x0 = rng.Range(0, w - 1), x1 = rng.Range(x0, w - 1);
            // Write a whole row, read back a run of it and of another row.
            uint32_t gen = version[y] + 1;
            for (int x = 0; x < w; ++x) row[x] = Pattern(seed + gen, x, y);
            store->PutRow(image, y, 0, w - 1, row.data());
            version[y] = gen;
            store->GetRow(image, y, x0, x1, back.data());
            for (int x = x0; x <= x1; ++x)
                if (back[x - x0] != row[x]) {
                    errors->Add("row read back", x, y, back[x - x0], row[x]);
                    break;
                }
            int other = rng.Range(0, h - 1);
            store->GetRow(image, other, 0, w - 1, back.data());
            for (int x = 0; x < w; x += 17) {
                uint32_t expect = version[other] ? Pattern(seed + version[other], x, other) : 0x00050505u;
                if (back[x] != expect) {
                    errors->Add("other row", x, other, back[x], expect);
                    break;
                }
            }
            // Single pixels and 2 x 2 blocks too.
            int px = rng.Range(0, w - 1);
            store->SetRgb(image, px, y, 1, 2, 3);
            int r = 0, g = 0, b = 0;
            store->GetRgb(image, px, y, &r, &g, &b);
            if (r != 1 || g != 2 || b != 3)
                errors->Add("pixel", px, y, (uint32_t)(r << 16 | g << 8 | b), 0x010203u);
            store->PutRow(image, y, px, px, &row[px]);
            int q[4];
            store->GetQuadRgb(image, w - 1, h - 1, q, q, q);
            ++rounds;
        }
    }
};

}  // namespace

TEST(ImageStoreThreads, TwoThreadsOnATinyPool) {
    TestStore ts(4);
    c_VmsStore& s = *ts.store;
    VmsImage* a = s.Create(1100, 700, 32, 5, 0);   // 15 tiles each, 3 pages to share
    VmsImage* b = s.Create(900, 800, 32, 5, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    Mismatches errors;
    DWORD until = GetTickCount() + 3000;
    Worker wa{&s, a, 100, until, &errors};
    Worker wb{&s, b, 200, until, &errors};
    {
        std::jthread ta([&] { wa.Run(); });
        std::jthread tb([&] { wb.Run(); });
    }
    EXPECT_EQ(errors.Count(), 0) << errors.First();
    EXPECT_GT(wa.rounds, 50);
    EXPECT_GT(wb.rounds, 50);
    s.Free(&a);
    s.Free(&b);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreThreads, CopiesInOppositeDirections) {
    TestStore ts(4);
    c_VmsStore& s = *ts.store;
    VmsImage* a = s.Create(600, 600, 32, 1, 0);
    VmsImage* b = s.Create(600, 600, 32, 1, 0);
    std::vector<uint32_t> row(600, 0xABCDEF);
    for (int y = 0; y < 600; ++y) s.PutRow(a, y, 0, 599, row.data());
    s.Copy(b, a);   // whichever copy runs first, both end as this picture
    DWORD until = GetTickCount() + 1000;
    {
        std::jthread t1([&] { while (GetTickCount() < until) s.Copy(b, a); });
        std::jthread t2([&] { while (GetTickCount() < until) s.Copy(a, b); });
    }
    EXPECT_EQ(ReadAll(s, a), ReadAll(s, b));
    s.GetRow(a, 599, 0, 599, row.data());
    EXPECT_EQ(row[599], 0xABCDEFu);
    s.Free(&a);
    s.Free(&b);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreThreads, CopyNeverHoldsOneImageWhileWaitingForAnother) {
    // The pool is full of b's pages. This thread works on a (holds its lock)
    // and needs a page while another thread copies b into a: the copy must not
    // sit on b's lock waiting for a's, or neither thread could go on.
    TestStore ts(3);
    c_VmsStore& s = *ts.store;
    VmsImage* a = s.Create(600, 250, 32, 0, 0);
    VmsImage* b = s.Create(600, 250, 32, 0, 0);
    std::vector<uint32_t> row(600, 0x777777);
    for (int y = 0; y < 250; ++y) s.PutRow(a, y, 0, 599, row.data());
    row.assign(600, 0x333333);
    for (int y = 0; y < 250; ++y) s.PutRow(b, y, 0, 499, row.data());   // b's tiles 0, 1 resident
    ASSERT_TRUE(b->tiles->TileAt(0, 0)->IsResident());
    ASSERT_TRUE(b->tiles->TileAt(1, 0)->IsResident());
    ASSERT_FALSE(a->tiles->TileAt(0, 0)->IsResident());
    a->tiles->Lock();
    std::jthread copier([&] { s.Copy(a, b); });
    Sleep(100);   // the copier now holds, or keeps trying, b's lock
    // A row read under a's lock needs a page: only b's can be taken.
    std::vector<uint32_t> back(600);
    DWORD start = GetTickCount();
    a->tiles->ReadRow(back.data(), 20, 0, 600);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(back[0], 0x777777u);
    a->tiles->Unlock();
    copier.join();
    s.GetRow(a, 20, 0, 599, back.data());
    EXPECT_EQ(back[0], 0x333333u);   // the copy went through afterwards
    s.Free(&a);
    s.Free(&b);
}

TEST(ImageStoreThreads, HistoryStepsBesideRowTraffic) {
    // Undo and Redo borrow the pool's spare page and page tiles in and out
    // while another thread pages its own image through the same small pool.
    TestStore ts(4);
    c_VmsStore& s = *ts.store;
    VmsImage* rows = s.Create(1000, 600, 32, 5, 0);
    VmsImage* hist = s.Create(700, 520, 32, 0, 0);
    Mismatches errors;
    DWORD until = GetTickCount() + 1500;
    Worker w{&s, rows, 300, until, &errors};
    std::jthread t([&] { w.Run(); });   // joined also when an assertion below returns
    hist->tiles->EnableSave();
    std::vector<uint32_t> row(700), back(700);
    auto fill = [&](uint32_t gen) {
        for (int y = 0; y < 520; ++y) {
            for (int x = 0; x < 700; ++x) row[x] = Pattern(gen, x, y);
            s.PutRow(hist, y, 0, 699, row.data());
        }
    };
    auto check = [&](uint32_t gen) {
        for (int y = 0; y < 520; y += 13) {
            s.GetRow(hist, y, 0, 699, back.data());
            for (int x = 0; x < 700; x += 11)
                if (back[x] != Pattern(gen, x, y)) return false;
        }
        return true;
    };
    int cycles = 0;
    for (uint32_t gen = 1; GetTickCount() < until; gen += 2, ++cycles) {
        fill(gen);
        ASSERT_EQ(hist->tiles->Save(), 0);
        fill(gen + 1);
        ASSERT_EQ(hist->tiles->Undo(), 0);
        ASSERT_TRUE(check(gen)) << "undo, cycle " << cycles;
        ASSERT_EQ(hist->tiles->Redo(), 0);
        ASSERT_TRUE(check(gen + 1)) << "redo, cycle " << cycles;
        ASSERT_EQ(hist->tiles->Undo(), 0);
        ASSERT_TRUE(check(gen)) << "second undo, cycle " << cycles;
    }
    t.join();
    EXPECT_EQ(errors.Count(), 0) << errors.First();
    EXPECT_GT(cycles, 3);
    s.Free(&rows);
    s.Free(&hist);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreThreads, CopiesOfDifferentImagesShareTheSparePage) {
    // Copying a tile that is on disk goes through the pool's one spare page:
    // two threads copying their own images must not mix their tiles there.
    TestStore ts(3);
    c_VmsStore& s = *ts.store;
    VmsImage* src[2];
    VmsImage* dst[2];
    for (int i = 0; i < 2; ++i) {
        src[i] = s.Create(1000, 500, 32, 0, 0);
        dst[i] = s.Create(1000, 500, 32, 0, 0);
        std::vector<uint32_t> row(1000);
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 1000; ++x) row[x] = Pattern(40 + i, x, y);
            s.PutRow(src[i], y, 0, 999, row.data());
        }
    }
    Mismatches errors;
    DWORD until = GetTickCount() + 1500;
    auto run = [&](int i) {
        std::vector<uint32_t> back(1000);
        while (GetTickCount() < until) {
            s.Copy(dst[i], src[i]);
            for (int y = 0; y < 500; y += 49) {
                s.GetRow(dst[i], y, 0, 999, back.data());
                for (int x = 0; x < 1000; x += 97)
                    if (back[x] != Pattern(40 + i, x, y)) {
                        errors.Add(i ? "copy of image 1" : "copy of image 0", x, y, back[x], Pattern(40 + i, x, y));
                        break;
                    }
            }
        }
    };
    {
        std::jthread t0(run, 0), t1(run, 1);
    }
    EXPECT_EQ(errors.Count(), 0) << errors.First();
    for (int i = 0; i < 2; ++i) {
        s.Free(&src[i]);
        s.Free(&dst[i]);
    }
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreHeldRows, RowsThroughAHoldPageOnATinyPoolAndKeepHistory) {
    // A hold spans many tiles of a 3-page pool: this thread pages the held
    // image's own tiles out and in between the calls. What goes in through
    // the hold comes back through the store, and a saved step undoes it.
    TestStore ts(3);
    c_VmsStore& s = *ts.store;
    for (int bits : {32, 8}) {
        SCOPED_TRACE(bits);
        const int w = bits == 32 ? 700 : 2600, h = 600;   // 3 x 3 tiles
        VmsImage* im = s.Create(w, h, bits, 9, 1);
        ASSERT_NE(im, nullptr);
        im->tiles->EnableSave();
        ASSERT_EQ(im->tiles->Save(), 0);
        const int unit = bits / 8;
        std::vector<uint8_t> row((size_t)(w + 40) * unit), back((size_t)(w + 40) * unit);
        {
            c_VmsHeldRows held;
            ASSERT_TRUE(held.Hold(im, true));
            EXPECT_EQ(held.Image(), im);
            for (int y = 0; y < h; y += 7) {
                for (size_t i = 0; i < row.size(); ++i) row[i] = (uint8_t)Pattern(bits, (int)i, y);
                // Runs that start before the image and end after it land as the store's would.
                EXPECT_EQ(held.PutRow(y, -20, w + 19, row.data()), 1);
            }
            EXPECT_EQ(held.PutRow(-1, 0, 5, row.data()), 0);
            EXPECT_EQ(held.GetRow(h, 0, 5, back.data()), 0);
            EXPECT_EQ(held.GetRow(0, w, w + 5, back.data()), 0);
            for (int y = 0; y < h; y += 7) {
                for (size_t i = 0; i < row.size(); ++i) row[i] = (uint8_t)Pattern(bits, (int)i, y);
                std::fill(back.begin(), back.end(), 0);
                ASSERT_EQ(held.GetRow(y, 100, w - 1, back.data()), 1);
                ASSERT_EQ(std::memcmp(back.data(), row.data() + (size_t)120 * unit, (size_t)(w - 100) * unit), 0)
                    << y;
            }
        }
        for (int y = 0; y < h; y += 7) {
            for (size_t i = 0; i < row.size(); ++i) row[i] = (uint8_t)Pattern(bits, (int)i, y);
            ASSERT_EQ(s.GetRow(im, y, 0, w - 1, back.data()), 1);
            ASSERT_EQ(std::memcmp(back.data(), row.data() + (size_t)20 * unit, (size_t)w * unit), 0) << y;
        }
        EXPECT_EQ(im->tiles->Save(), 0);   // the held writes changed tiles: a step
        EXPECT_EQ(im->tiles->Undo(), 0);
        int v = 0;
        s.GetValue(im, w - 1, h - 1, &v);
        EXPECT_EQ(v, 9);
        // A write through a hold after Undo ends the redo steps, as any write does.
        {
            c_VmsHeldRows held;
            ASSERT_TRUE(held.Hold(im, false));
            held.PutRow(0, 0, 0, row.data());
        }
        EXPECT_EQ(im->tiles->Redo(), -1);
        s.Free(&im);
    }
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}

TEST(ImageStoreHeldRows, OtherThreadsWaitForTheHoldAndCannotTakeIt) {
    TestStore ts(8);
    c_VmsStore& s = *ts.store;
    VmsImage* im = s.Create(300, 300, 32, 0, 0);
    VmsImage* flat = s.Create(30, 3, 1, 0, 0);
    ASSERT_NE(im, nullptr);
    std::atomic<bool> written{false};
    std::atomic<int> tookWhileHeld{-1};
    {
        c_VmsHeldRows held;
        ASSERT_TRUE(held.Hold(im, true));
        uint32_t mine = 0x123456;
        held.PutRow(10, 5, 5, &mine);
        std::jthread other([&] {
            c_VmsHeldRows second;
            tookWhileHeld = second.Hold(im, false) ? 1 : 0;
            uint32_t theirs = 0xABCDEF;
            s.PutRow(im, 10, 5, 5, &theirs);   // waits for the hold's release
            written = true;
        });
        Sleep(150);
        EXPECT_FALSE(written.load());
        uint32_t back = 0;
        held.GetRow(10, 5, 5, &back);
        EXPECT_EQ(back, 0x123456u);
        held.Release();
        EXPECT_EQ(held.Image(), nullptr);
    }
    EXPECT_TRUE(written.load());
    EXPECT_EQ(tookWhileHeld.load(), 0);
    uint32_t back = 0;
    s.GetRow(im, 10, 5, 5, &back);
    EXPECT_EQ(back, 0xABCDEFu);
    // Released: another thread gets it at once. Flat images hold without a lock.
    {
        std::jthread other([&] {
            c_VmsHeldRows second;
            tookWhileHeld = second.Hold(im, false) ? 1 : 0;
        });
    }
    EXPECT_EQ(tookWhileHeld.load(), 1);
    c_VmsHeldRows none;
    EXPECT_FALSE(none.Hold(nullptr, true));
    EXPECT_TRUE(none.Hold(flat, false));
    none.Release();
    s.Free(&im);
    s.Free(&flat);
}

TEST(ImageStoreHeldRows, RowsChangedInPlaceArePagedOutSavedAndEndRedo) {
    // Pixels changed where the store keeps them must count as written: kept
    // when the tile's page goes to the swap file, recorded by the next saved
    // step, and ending the redo steps, as a PutRow would.
    TestStore ts(3);
    c_VmsStore& s = *ts.store;
    for (int bits : {32, 8}) {
        SCOPED_TRACE(bits);
        const int unit = bits / 8;
        const int seam = bits == 32 ? 250 : 1000;       // pixels a tile row
        const int w = 3 * seam - 50, h = 600;           // 3 x 3 tiles
        VmsImage* im = s.Create(w, h, bits, 9, 1);
        VmsImage* flat = s.Create(40, 4, 4, 0, 0);
        ASSERT_NE(im, nullptr);
        ASSERT_NE(flat, nullptr);
        std::vector<uint8_t> row((size_t)w * unit), back((size_t)w * unit);
        for (int y = 0; y < h; ++y) {
            for (size_t i = 0; i < row.size(); ++i) row[i] = (uint8_t)Pattern(bits, (int)i, y);
            ASSERT_EQ(s.PutRow(im, y, 0, w - 1, row.data()), 1);
        }
        im->tiles->EnableSave();
        ASSERT_EQ(im->tiles->Save(), 0);
        const std::vector<uint8_t> before = ReadAll(s, im);
        const int y = 260, x0 = seam + 10, x1 = seam + 40;   // inside the middle tile
        {
            c_VmsHeldRows held;
            ASSERT_TRUE(held.Hold(im, true));
            ASSERT_EQ(held.GetRow(y, x0, x1, back.data()), 1);   // the tile is resident now
            uint8_t* pixels = held.RowInPlace(y, x0, x1);
            ASSERT_NE(pixels, nullptr);
            EXPECT_EQ(std::memcmp(pixels, back.data(), (size_t)(x1 - x0 + 1) * unit), 0);
            // Runs the store cannot hand out in one piece.
            struct {
                int y, x0, x1;
            } const refused[] = {
                {y, seam - 5, seam + 5},   // across a seam between tiles
                {y, -1, 10}, {y, w - 10, w}, {-1, 0, 10}, {h, 0, 10}, {y, 20, 10},
            };
            for (const auto& r : refused)
                EXPECT_EQ(held.RowInPlace(r.y, r.x0, r.x1), nullptr) << r.y << " " << r.x0 << ".." << r.x1;
            for (int i = 0; i < (x1 - x0 + 1) * unit; ++i) pixels[i] = (uint8_t)(pixels[i] ^ 0x5A);
            held.RowWritten(y, x0, x1);
            // Reading every other tile through the 3-page pool pages this one out.
            for (int yy = 0; yy < h; yy += 250)
                for (int x = 0; x < w; x += seam) ASSERT_EQ(held.GetRow(yy, x, x, back.data()), 1);
            EXPECT_EQ(held.RowInPlace(y, x0, x1), nullptr);   // not resident: nothing is paged in
        }
        std::vector<uint8_t> after = before;
        for (int i = 0; i < (x1 - x0 + 1) * unit; ++i) {
            uint8_t& b = after[((size_t)y * w + x0) * unit + i];
            b = (uint8_t)(b ^ 0x5A);
        }
        EXPECT_EQ(ReadAll(s, im), after);
        EXPECT_EQ(im->tiles->Save(), 0);   // changed in place: a step of its own
        EXPECT_EQ(im->tiles->Undo(), 0);
        EXPECT_EQ(im->tiles->Undo(), 0);
        EXPECT_EQ(ReadAll(s, im), before);
        EXPECT_EQ(im->tiles->Redo(), 0);
        EXPECT_EQ(ReadAll(s, im), after);
        {
            c_VmsHeldRows held;
            ASSERT_TRUE(held.Hold(im, true));
            ASSERT_EQ(held.GetRow(y, x0, x0, back.data()), 1);
            uint8_t* pixel = held.RowInPlace(y, x0, x0);
            ASSERT_NE(pixel, nullptr);
            pixel[0] = (uint8_t)(pixel[0] + 1);
            held.RowWritten(y, x0, x0);
            ASSERT_TRUE(held.Hold(flat, false));
            EXPECT_EQ(held.RowInPlace(0, 0, 3), nullptr);   // 4 bits: rows only
        }
        EXPECT_EQ(im->tiles->Redo(), -1);
        s.Free(&im);
        s.Free(&flat);
    }
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}
