// The pen on real canvas documents (in memory): a stroke is one undo step
// that Undo removes exactly and Redo restores; the edge pen's stroke layers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "ui/mousepoll.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/stroke.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
struct Doc {
    CanvDoc* doc = nullptr;
    Doc(int w, int h) {
        if (ProductTable[255][255] != 255) BuildProductTable();
        NewCanvasRequest.layerCount = 1;
        NewCanvasRequest.layers[0] = NewCanvasLayer{.width = w, .height = h, .x = 0, .y = 0, .depth = 24, .planeCount = 1};
        NewCanvasRequest.origin = CanvOriginBlank;
        NewCanvasRequest.source = nullptr;
        NewCanvasRequest.resolution = 96;
        doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
        InitCanvDocFields(doc);
        if (!InitCanvDoc(doc)) {
            std::free(doc);
            doc = nullptr;
            return;
        }
        doc->zoom = 100.0;
        BuildZoomTables(doc);
    }
    ~Doc() {
        if (!doc) return;
        FreeCanvLayers(doc);
        std::free(doc);
    }
    std::vector<uint32_t> Plane(int plane) {
        const VmsImage* image = doc->planes[plane].image;
        std::vector<uint32_t> all((size_t)image->width * image->height);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) {
                uint32_t v = 0;
                if (image->bits == 32) g_VmsStore.GetRow(image, y, x, x, &v);
                else g_VmsStore.GetRow(image, y, x, x, (uint8_t*)&v);
                all[(size_t)y * image->width + x] = v & 0xFFFFFF;
            }
        return all;
    }
};

struct Drag {
    std::vector<MouseSample> samples;
    Drag(int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) samples.push_back({x, y, kSampleLeft});
        samples.push_back({x1, y, 0});
        SetSmoothingSamples(0);
        InjectMouseSamples(samples.data(), (int)samples.size());
    }
    ~Drag() { InjectMouseSamples(nullptr, 0); }
};
}  // namespace

TEST(PenOnDocuments, StrokeIsOneUndoStepUndoneAndRedoneExactly) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    SetPen(200, 0, 0, 2.0, 15);
    Pen.tool = kToolPen;
    auto before = d.Plane(0), alphaBefore = d.Plane(1);
    int steps = d.doc->undoCount;
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    {
        Drag drag(6, 40, 16);
        ASSERT_EQ(1, RunFreehandStroke(&view, 6, 16, 0));
    }
    auto after = d.Plane(0);
    EXPECT_NE(before, after);
    EXPECT_EQ(MakeWord(200, 0, 0), after[16 * 48 + 20]);
    EXPECT_EQ(steps + 1, d.doc->undoCount);
    EXPECT_EQ(1, d.doc->modified);
    ASSERT_EQ(1, c_UndoManager::Step(d.doc, -1, 0));
    EXPECT_EQ(before, d.Plane(0));
    EXPECT_EQ(alphaBefore, d.Plane(1));
    ASSERT_EQ(1, c_UndoManager::Step(d.doc, -1, 1));
    EXPECT_EQ(after, d.Plane(0));
}

// The channel lock dialog's settings reach the pen: a locked green channel
// keeps its value under a stroke.
TEST(PenOnDocuments, LockedChannelsKeepTheirValues) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    SetPen(200, 0, 0, 2.0, 15);
    Pen.tool = kToolPen;
    ChannelLock = ChannelLockSettings{0, {1, 0, 1}};
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    ChannelLock = ChannelLockSettings{0, {1, 1, 1}};
    {
        Drag drag(6, 40, 16);
        ASSERT_EQ(1, RunFreehandStroke(&view, 6, 16, 0));
    }
    EXPECT_EQ(MakeWord(200, 255, 0), d.Plane(0)[16 * 48 + 20]);
}

TEST(PenOnDocuments, EdgePenPaintsTheStrokeLayersAndLeavesTheCurrentOne) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    ResetPenState();
    Pen.tool = kToolPen;
    SetPenColour(0, 0, 0, 255);
    PenRecords[8] = PenRecord{.halfWidth = 3.0, .halfHeight = 3.0, .tipKind = 4, .edgeColour = {255, 0, 0, 0},
                              .innerFactor = 5.0};
    Pen.penRecord = 8;
    BuildPenTip(0, 1);
    auto base = d.Plane(0);
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    // The canvas has no stroke layers: preparing them is the document's.
    view.addStrokeLayer = nullptr;
    {
        Drag drag(20, 20, 16);
        int ran = RunFreehandStroke(&view, 20, 16, 0);
        int target = FindLayerByType(d.doc, LayerTypeStrokeTarget);
        int stroke = FindLayerByType(d.doc, LayerTypeStroke);
        if (target < 0) {
            EXPECT_EQ(0, ran);   // no layer to paint: nothing, and no undo step
            EXPECT_EQ(0, d.doc->undoCount);
        } else {
            EXPECT_EQ(1, ran);
            EXPECT_EQ(MakeWord(255, 0, 0), d.Plane(target)[16 * 48 + 20]);
            if (stroke >= 0) {
                EXPECT_EQ(MakeWord(0, 0, 255), d.Plane(stroke)[16 * 48 + 20]);
            }
        }
    }
    EXPECT_EQ(0, view.current);
    BuildPenTip(0, 0);
}
