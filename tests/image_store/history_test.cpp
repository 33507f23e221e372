// Save, Undo and Redo of tiled images, checked against full snapshots.
#include <gtest/gtest.h>

#include <cstring>

#include "store_fixture.h"

using namespace storetest;

namespace {

// What the image should hold: the current pixels and the snapshots of the
// undo and redo steps.
struct Model {
    std::vector<uint8_t> current;
    std::vector<std::vector<uint8_t>> undo, redo;
    bool changed = true;   // a write, undo or redo since the last recorded step
};

void RunModel(int bits, int width, int height, int poolPages, int limit, int ops, uint64_t seed) {
    TestStore ts(poolPages);
    c_VmsStore& s = *ts.store;
    VmsImage* im = s.Create(width, height, bits, 0x40, 0);
    ASSERT_NE(im, nullptr);
    c_TileImage* t = im->tiles;
    t->EnableSave();
    t->SetHistoryLimit(limit);
    const int bpp = bits / 8;
    Model m;
    m.current = ReadAll(s, im);
    Rng rng(seed);
    std::vector<uint8_t> row((size_t)width * bpp);
    int counts[4] = {};
    for (int op = 0; op < ops; ++op) {
        int kind = rng.Range(0, 99);
        if (kind < 45) {
            // A few rows of a random run, sometimes one flat value (so that
            // tiles come back to uniform values), sometimes a pattern.
            int y0 = rng.Range(0, height - 1), y1 = std::min(height - 1, y0 + rng.Range(0, 40));
            int x0 = rng.Range(0, width - 1), x1 = rng.Range(x0, width - 1);
            bool flat = rng.Range(0, 3) == 0;
            uint32_t value = rng.Next();
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    uint32_t v = flat ? value : Pattern((uint32_t)op, x, y);
                    for (int k = 0; k < bpp; ++k) row[(size_t)(x - x0) * bpp + k] = (uint8_t)(v >> (8 * k));
                }
                ASSERT_EQ(s.PutRow(im, y, x0, x1, row.data()), 1);
                memcpy(&m.current[((size_t)y * width + x0) * bpp], row.data(), (size_t)(x1 - x0 + 1) * bpp);
            }
            m.redo.clear();
            m.changed = true;
            ++counts[0];
        } else if (kind < 65) {
            int r = t->Save();
            if ((int)m.undo.size() >= limit) m.undo.erase(m.undo.begin());
            if (m.changed) {
                ASSERT_EQ(r, 0) << "op " << op;
                m.undo.push_back(m.current);
                m.changed = false;
            } else {
                ASSERT_EQ(r, 1) << "op " << op;
            }
            ++counts[1];
        } else if (kind < 83) {
            int r = t->Undo();
            if (m.undo.empty()) {
                ASSERT_EQ(r, -1);
            } else {
                ASSERT_EQ(r, 0);
                m.redo.push_back(m.current);
                m.current = m.undo.back();
                m.undo.pop_back();
                m.changed = true;
            }
            ++counts[2];
        } else if (kind < 99) {
            int r = t->Redo();
            if (m.redo.empty()) {
                ASSERT_EQ(r, -1);
            } else {
                ASSERT_EQ(r, 0);
                m.undo.push_back(m.current);
                m.current = m.redo.back();
                m.redo.pop_back();
                m.changed = true;
            }
            ++counts[3];
        } else {
            EXPECT_EQ(t->SetHistoryLimit(limit), limit);
            m.undo.clear();
            m.redo.clear();
        }
        ASSERT_EQ(t->GetStepCount(), (int)m.undo.size()) << "op " << op;
        ASSERT_EQ(t->HasHistory(0), m.undo.empty() ? 0 : 1);
        ASSERT_EQ(t->HasHistory(1), m.redo.empty() ? 0 : 1);
        ASSERT_TRUE(ReadAll(s, im) == m.current) << "pixels differ after op " << op;
    }
    EXPECT_GT(counts[0], ops / 3);
    EXPECT_GT(counts[2], ops / 8);
    // Every extent goes back to the swap file with the image.
    s.Free(&im);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
    EXPECT_EQ(ts.store->Pool()->HeldCount(), 0);
}

}  // namespace

TEST(TileHistory, ModelRandomWritesSavesUndosRedos32) {
    // 2 x 2 tiles (edge tiles narrow) through a pool of 3 pages for tiles.
    RunModel(32, 300, 260, 4, 6, 2500, 7);
}

TEST(TileHistory, ModelRandomWritesSavesUndosRedos8) {
    RunModel(8, 1203, 270, 3, 5, 2000, 11);
}

TEST(TileHistory, ModelWithAPoolLargeEnoughForEveryTile) {
    RunModel(32, 520, 300, 64, 50, 1200, 3);
}

TEST(TileHistory, SaveRulesAndLimit) {
    TestStore ts(16);
    c_VmsStore& s = *ts.store;
    VmsImage* im = s.Create(300, 300, 32, 0, 0);
    c_TileImage* t = im->tiles;
    // Saving is off after layout.
    EXPECT_EQ(t->Save(), 1);
    EXPECT_EQ(t->GetStepCount(), 0);
    t->EnableSave();
    EXPECT_EQ(t->Save(), 0);
    EXPECT_EQ(t->Save(), 1);   // nothing changed: no step
    EXPECT_EQ(t->GetStepCount(), 1);
    uint32_t w = 0x123456;
    for (int i = 0; i < 60; ++i) {
        s.PutRow(im, i % 300, 0, 0, &w);
        t->Save();
    }
    EXPECT_EQ(t->GetStepCount(), 50);   // the default limit
    EXPECT_NE(t->IsHistoryFull(), 0);
    EXPECT_EQ(t->Save(), 1);            // nothing changed, but the oldest step goes
    EXPECT_EQ(t->GetStepCount(), 49);
    EXPECT_EQ(t->SetHistoryLimit(30), 50);
    EXPECT_EQ(t->HasHistory(0), 0);
    EXPECT_EQ(t->HasHistory(1), 0);
    EXPECT_EQ(t->Undo(), -1);
    EXPECT_EQ(t->Redo(), -1);
    // A new image comes back to its fill value on Undo.
    VmsImage* fresh = s.Create(600, 600, 32, 0x20, 0);
    fresh->tiles->EnableSave();
    fresh->tiles->Save();
    std::vector<uint32_t> row(600, 0xFFFFFFFF);
    for (int y = 0; y < 600; ++y) s.PutRow(fresh, y, 0, 599, row.data());
    EXPECT_EQ(fresh->tiles->Undo(), 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_FALSE(fresh->tiles->TileAt(c, r)->HasContent());
    s.GetRow(fresh, 599, 0, 599, row.data());
    EXPECT_EQ(row[599], 0x202020u);
    EXPECT_EQ(fresh->tiles->Redo(), 0);
    s.GetRow(fresh, 599, 0, 599, row.data());
    EXPECT_EQ(row[599], 0xFFFFFFFFu);
    // A write after Undo ends the redo steps.
    fresh->tiles->Undo();
    s.PutRow(fresh, 0, 0, 0, &w);
    EXPECT_EQ(fresh->tiles->Redo(), -1);
    s.Free(&fresh);
    s.Free(&im);
    EXPECT_EQ(ts.store->Swap()->ExtentCount(), 0);
}
