// The document's history: random edits, undos and redos against snapshots.
#include <gtest/gtest.h>

#include <random>

#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas_fixture.h"
#include "image/swap_file.h"
#include "image/vms_store.h"

using namespace canvtest;

namespace {

// An edit of one plane: a checkpoint first, then a rectangle of one value.
void Edit(CanvDoc* doc, int plane, std::mt19937& rng) {
    ASSERT_EQ(1, c_UndoManager::SavePoint(doc, plane, 1));
    VmsImage* image = doc->planes[plane].image;
    std::uniform_int_distribution<int> x(0, image->width - 1), y(0, image->height - 1), v(0, 255);
    int x0 = x(rng), y0 = y(rng), x1 = x(rng), y1 = y(rng);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    uint32_t value = image->bits == 32 ? (uint32_t)(v(rng) * 0x10101 + 0x7) : (uint32_t)v(rng);
    for (int yy = y0; yy <= y1; ++yy)
        for (int xx = x0; xx <= x1; ++xx) SetPixel(image, xx, yy, value);
}

}  // namespace

TEST(CanvasHistory, RandomEditsUndosAndRedosMatchSnapshots) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        DocHolder doc(MakeDoc({Layer(300, 40), Layer(30, 20, 5, 5)}));
        ASSERT_TRUE(doc.doc);
        std::mt19937 rng(seed);
        std::vector<std::vector<uint32_t>> states = {Snapshot(doc.doc)};
        size_t position = 0;
        const int planes[] = {0, 1, 8, 9};
        std::string trace;
        for (int step = 0; step < 60; ++step) {
            int op = std::uniform_int_distribution<int>(0, 5)(rng);
            trace += op < 3 ? "E" : op < 5 ? "U " : "R ";
            if (op < 3) {
                int plane = planes[std::uniform_int_distribution<int>(0, 3)(rng)];
                trace += std::to_string(plane) + " ";
                Edit(doc.doc, plane, rng);
                states.resize(position + 1);
                states.push_back(Snapshot(doc.doc));
                ++position;
            } else if (op < 5) {
                c_UndoManager::Step(doc.doc, -1, 0);
                if (position > 0) --position;
            } else {
                EXPECT_EQ(position + 1 < states.size() ? 1 : 0, c_UndoManager::CanRedo(doc.doc));
                c_UndoManager::Step(doc.doc, -1, 1);
                if (position + 1 < states.size()) ++position;
            }
            ASSERT_EQ(states[position], Snapshot(doc.doc)) << "seed " << seed << " step " << step << " op " << op << ": " << trace;
        }
        // Undo all the way back gives the blank document.
        while (position > 0) {
            c_UndoManager::Step(doc.doc, -1, 0);
            --position;
        }
        EXPECT_EQ(states[0], Snapshot(doc.doc));
        EXPECT_EQ(0, c_UndoManager::Step(doc.doc, -1, 0));
    }
}

TEST(CanvasHistory, ColourPlaneIsCheckpointedWithItsTransparency) {
    DocHolder doc(MakeDoc({Layer(20, 20), Layer(20, 20)}));
    ASSERT_TRUE(doc.doc);
    const std::vector<uint32_t> before = Snapshot(doc.doc);
    c_UndoManager::SavePoint(doc.doc, -1, 1);
    EXPECT_EQ(1, doc->modified);
    EXPECT_EQ(0, doc->undo[0].plane);
    SetPixel(LayerBase(doc.doc, 0)->image, 3, 3, 0);
    SetPixel(LayerBase(doc.doc, 0)[1].image, 3, 3, 7);
    c_UndoManager::Step(doc.doc, -1, 0);
    EXPECT_EQ(before, Snapshot(doc.doc));
    c_UndoManager::Step(doc.doc, -1, 1);
    EXPECT_EQ(0u, Pixel(LayerBase(doc.doc, 0)->image, 3, 3));
    EXPECT_EQ(7u, Pixel(LayerBase(doc.doc, 0)[1].image, 3, 3));
    // A new checkpoint after an undo drops the redo tail.
    c_UndoManager::Step(doc.doc, -1, 0);
    c_UndoManager::SavePoint(doc.doc, 8, 1);
    SetPixel(LayerBase(doc.doc, 1)->image, 1, 1, 0x123456);
    EXPECT_EQ(0, c_UndoManager::CanRedo(doc.doc));
    EXPECT_EQ(0, c_UndoManager::Step(doc.doc, -1, 1));
    EXPECT_EQ(0xFFFFFFu, Pixel(LayerBase(doc.doc, 0)->image, 3, 3));
}

TEST(CanvasHistory, ResetEmptiesEverything) {
    DocHolder doc(MakeDoc({Layer(20, 20)}));
    ASSERT_TRUE(doc.doc);
    c_UndoManager::SavePoint(doc.doc, 0, 0);
    SetPixel(LayerBase(doc.doc, 0)->image, 3, 3, 0);
    c_UndoManager::ResetCanvas(doc.doc);
    EXPECT_EQ(0, c_UndoManager::Step(doc.doc, -1, 0));
    EXPECT_EQ(0, c_UndoManager::Step(doc.doc, -1, 1));
    EXPECT_EQ(0u, Pixel(LayerBase(doc.doc, 0)->image, 3, 3));
}

namespace {
bool g_diskFails = false;
bool FailingWrites(bool write) { return write && g_diskFails; }
}  // namespace

TEST(CanvasHistory, RefusedStepsKeepThePositionAndThePixels) {
    DocHolder doc(MakeDoc({Layer(300, 40)}));
    ASSERT_TRUE(doc.doc);
    VmsImage* image = LayerBase(doc.doc, 0)->image;
    ASSERT_EQ(1, c_UndoManager::SavePoint(doc.doc, 0, 1));
    SetPixel(image, 260, 30, 0x123456);
    ASSERT_NE(nullptr, g_VmsStore.Swap());
    g_VmsStore.Swap()->SetFailureSeam(FailingWrites);
    g_diskFails = true;
    // The store cannot keep the edited pixels: the undo does not happen.
    EXPECT_EQ(0, c_UndoManager::Step(doc.doc, -1, 0));
    EXPECT_EQ(1, doc->undoPosition);
    EXPECT_EQ(0x123456u, Pixel(image, 260, 30));
    // Nor can it keep a new checkpoint: nothing is recorded.
    EXPECT_EQ(0, c_UndoManager::SavePoint(doc.doc, 0, 1));
    EXPECT_EQ(1, doc->undoCount);
    g_diskFails = false;
    EXPECT_EQ(1, c_UndoManager::Step(doc.doc, -1, 0));
    EXPECT_EQ(0xFFFFFFu, Pixel(image, 260, 30));
    EXPECT_EQ(0, doc->undoPosition);
    g_VmsStore.Swap()->SetFailureSeam(nullptr);
}

// More checkpoints than the history has slots: the oldest steps go, and
// every step that is kept still undoes to its own state.
TEST(CanvasHistory, FullHistoryDropsTheOldestAndKeepsUndoing) {
    DocHolder doc(MakeDoc({Layer(40, 10)}));
    ASSERT_TRUE(doc.doc);
    SetLayerHistoryLimit(doc.doc, 100, 0);   // the images keep more steps than the history
    std::mt19937 rng(7);
    std::vector<std::vector<uint32_t>> states = {Snapshot(doc.doc)};
    const int edits = CanvUndoSlots + 9;
    for (int i = 0; i < edits; ++i) {
        Edit(doc.doc, 0, rng);
        states.push_back(Snapshot(doc.doc));
    }
    int undone = 0;
    while (c_UndoManager::Step(doc.doc, -1, 0)) {
        ++undone;
        ASSERT_EQ(states[(size_t)(edits - undone)], Snapshot(doc.doc)) << "undo " << undone;
        ASSERT_LE(undone, edits);
    }
    EXPECT_EQ(CanvUndoSlots, undone);
    // And they all redo.
    for (int i = 0; i < undone; ++i) ASSERT_EQ(1, c_UndoManager::Step(doc.doc, -1, 1)) << "redo " << i;
    EXPECT_EQ(states.back(), Snapshot(doc.doc));
}
