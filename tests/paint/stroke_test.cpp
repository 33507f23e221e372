// Freehand strokes driven by scripted mouse samples: the stroke plane, the one
// undo checkpoint a stroke, single dabs and strokes that cannot run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/shapes.h"
#include "paint/stroke.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
struct Script {
    explicit Script(std::vector<MouseSample> s) : samples(std::move(s)) {
        SetSmoothingSamples(0);
        InjectMouseSamples(samples.data(), (int)samples.size());
    }
    ~Script() { InjectMouseSamples(nullptr, 0); }
    std::vector<MouseSample> samples;
};

std::vector<MouseSample> Drag(int x0, int x1, int y, unsigned buttons) {
    std::vector<MouseSample> s;
    for (int x = x0; x <= x1; ++x) s.push_back({x, y, buttons});
    s.push_back({x1, y, 0});
    return s;
}

void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

int CountPainted(TestCanvas& t, uint32_t colour) {
    int n = 0;
    for (int y = 0; y < t.view.height; ++y)
        for (int x = 0; x < t.view.width; ++x) n += t.Pixel(x, y) == colour;
    return n;
}
}  // namespace

TEST(FreehandStroke, DragLeavesTheColourAlongThePathInOneUndoStep) {
    TestCanvas t(40, 20);
    SetPen(200, 10, 10, 1.0, 15);
    Script script(Drag(5, 30, 10, kSampleLeft));
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 5, 10, 0));
    for (int x = 5; x <= 29; ++x) EXPECT_EQ(MakeWord(200, 10, 10), t.Pixel(x, 10)) << x;
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(5, 15));
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(36, 10));
    EXPECT_EQ(1, t.savePoints);
    EXPECT_EQ(1, t.modified);
    RECT rc = LastStrokeRect();
    EXPECT_LE(rc.left, 5);
    EXPECT_GE(rc.right, 30);
}

TEST(FreehandStroke, ShiftMakesOneDab) {
    TestCanvas t(40, 20);
    SetPen(0, 0, 255, 2.0, 15);
    SetShift(true);
    Script script(Drag(5, 30, 10, kSampleLeft));
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 5, 10, 0));
    SetShift(false);
    EXPECT_EQ(t.view.width * t.view.height - 16, CountPainted(t, 0x00FFFFFF));   // one dab of 4 x 4
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(20, 10));
}

TEST(FreehandStroke, RightButtonWithoutSnapshotDoesNothing) {
    TestCanvas t(20, 20);
    SetPen(0, 0, 0, 1.0, 15);
    Script script(Drag(5, 10, 5, kSampleRight));
    EXPECT_EQ(0, RunFreehandStroke(&t.view, 5, 5, 1));
    EXPECT_EQ(0, t.savePoints);
    EXPECT_EQ(0, CountPainted(t, 0));
}

TEST(FreehandStroke, EdgePenWithoutAStrokeLayerPaintsNothingAndTakesNoUndoStep) {
    TestCanvas t(20, 20, 2);
    ResetPenState();
    PenRecords[7] = PenRecord{.halfWidth = 2.0, .halfHeight = 2.0, .tipKind = 4, .innerFactor = 5.0};
    Pen.penRecord = 7;
    BuildPenTip(0, 1);
    auto before = t.Snapshot();
    Script script(Drag(5, 12, 5, kSampleLeft));
    EXPECT_EQ(0, RunFreehandStroke(&t.view, 5, 5, 0));
    EXPECT_EQ(0, t.savePoints);
    EXPECT_EQ(before, t.Snapshot());
    EXPECT_EQ(0, t.view.current);
}

// The store could not keep the step (its work file failed): the stroke is not
// painted, the user is told, and the stroke plane is put back.
TEST(FreehandStroke, StrokeWhoseUndoStepIsRefusedPaintsNothing) {
    TestCanvas t(20, 20);
    SetPen(0, 0, 0, 2.0, 15);
    t.view.savePoint = [](PenCanvas*, int) { return 0; };
    std::string shown;
    SetModalAnswerHook(
        [](const ModalRequest& r, void* user) {
            *(std::string*)user = r.text ? r.text : "";
            return (int)IDOK;
        },
        &shown);
    auto before = t.Snapshot();
    Script script(Drag(5, 12, 5, kSampleLeft));
    EXPECT_EQ(0, RunFreehandStroke(&t.view, 5, 5, 0));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(before, t.Snapshot());
    EXPECT_EQ(0, t.modified);
    EXPECT_NE(std::string::npos, shown.find("元に戻す"));
}

TEST(FreehandStroke, EdgePenPaintsBothStrokeLayers) {
    TestCanvas t(20, 20, 3);
    ResetPenState();
    SetPenColour(0, 0, 0, 255);
    PenRecords[7] = PenRecord{.halfWidth = 3.0, .halfHeight = 3.0, .tipKind = 4, .edgeColour = {255, 0, 0, 0},
                              .innerFactor = 5.0};
    Pen.penRecord = 7;
    BuildPenTip(0, 1);
    t.planes[8].layerType = LayerTypeStrokeTarget;
    t.planes[16].layerType = LayerTypeStroke;
    t.view.current = 0;
    Script script(Drag(10, 10, 10, kSampleLeft));
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 10, 0));
    EXPECT_EQ(0, t.view.current);   // put back after the stroke
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(10, 10, 0));                 // the current layer is not painted
    EXPECT_EQ(MakeWord(255, 0, 0), t.Pixel(10, 10, 8));         // edge colour on the type-1 layer
    EXPECT_EQ(MakeWord(0, 0, 255), t.Pixel(10, 10, 16));        // pen colour on the type-2 layer
    EXPECT_EQ(3.0, Pen.tip.hRadius);   // the record's tip is back
    EXPECT_EQ(1, t.savePoints);
}

TEST(FreehandStroke, OrdinaryPensPaintTheCurrentPlane) {
    TestCanvas t(20, 20, 2);
    t.planes[0].layerType = LayerTypeStrokeTarget;
    t.planes[8].layerType = LayerTypeStroke;
    t.view.current = 8;   // layer 1
    SetPen(0, 255, 0, 1.0, 15);
    Script script(Drag(8, 12, 8, kSampleLeft));
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 8, 8, 0));
    EXPECT_EQ(MakeWord(0, 255, 0), t.Pixel(10, 8, 8));
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(10, 8, 0));
}

TEST(ColourPicker, PlaneZeroGivesRgbAndAMaskPlaneGivesHsvOfItsValue) {
    TestCanvas t(8, 8, 1, MakeWord(12, 34, 56));
    t.AddMask(0, 2, 128);
    ResetPenState();
    {
        Script script({{3, 3, kSampleLeft}, {3, 3, 0}});
        PickCanvasColour(&t.view, 1);
    }
    EXPECT_EQ(12, PenColour.red);
    EXPECT_EQ(34, PenColour.green);
    EXPECT_EQ(56, PenColour.blue);
    t.view.current = 2;
    Pen.brushImages[0] = g_VmsStore.Create(2, 2, 32, 0, 1);
    Pen.imageBrushOn = 1;
    {
        Script script({{30, -5, kSampleLeft}, {3, 3, 0}});   // clamped into the canvas
        PickCanvasColour(&t.view, 1);
    }
    EXPECT_EQ(128, PenColour.red);
    EXPECT_EQ(0, PenColour.green);
    EXPECT_EQ(0, PenColour.blue);
    EXPECT_EQ(nullptr, Pen.brushImages[0]);   // a new colour ends the image brush
    EXPECT_EQ(0, Pen.imageBrushOn);
}

TEST(SelectionCommands, OutlineOfTheSelectionIsOneUndoStep) {
    TestCanvas t(12, 10);
    SetPen(0, 0, 0, 0.0, kShapeSolidBox);
    static RECT box;
    box = {2, 2, 9, 7};
    t.view.selectionBox = [](PenCanvas*, RECT* b) {
        *b = box;
        return 1;
    };
    StrokeSelectionShape(&t.view, 20001);
    EXPECT_EQ(1, t.savePoints);
    EXPECT_EQ(0u, t.Pixel(2, 2));
    EXPECT_EQ(0u, t.Pixel(9, 7));
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(5, 5));
    StrokeSelectionShape(&t.view, 20006);   // nothing for these modes
    EXPECT_EQ(1, t.savePoints);
    // Filling the selection: every row through the selection mask.
    t.selection.assign(12 * 10, 255);
    t.selection[5 * 12 + 5] = 0;
    SetPen(255, 0, 0, 0.0, kShapeSolidBox);
    FillSelectionWithPen(&t.view);
    EXPECT_EQ(2, t.savePoints);
    EXPECT_EQ(MakeWord(255, 0, 0), t.Pixel(5, 5));
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(6, 5));
    EXPECT_EQ(0, Pen.options[PenOptSelectionRows]);
}

TEST(ImageBrushStroke, RollerFramesAdvanceAndWrapToTheFirst) {
    struct Case {
        int frames, start, placed, end;
    } cases[] = {
        {3, 0, 4, 1},     // 0 -> 1 -> 2 -> 0 -> 1
        {10, 9, 1, 0},    // after the tenth slot: back to the first
        {10, 8, 2, 0},
    };
    for (const Case& c : cases) {
        TestCanvas t(60, 20);
        SetPen(0, 0, 0, 2.0, 15);
        for (int i = 0; i < c.frames; ++i) {
            Pen.rollerFrames[i] = g_VmsStore.Create(4, 4, 32, 0, 1);
            Pen.rollerAlpha[i] = g_VmsStore.Create(4, 4, 8, 255, 1);
        }
        Pen.options[PenOptRollerFrame] = c.start;
        Pen.brushImages[0] = nullptr;
        std::vector<MouseSample> samples;
        for (int k = 0; k < c.placed; ++k) samples.push_back({5 + 6 * k, 5, kSampleLeft});
        samples.push_back({5 + 6 * (c.placed - 1), 5, 0});
        Script script(samples);
        EXPECT_EQ(1, RunImageBrushStroke(&t.view, 5, 5, 0, 0, 0));
        EXPECT_EQ(c.end, Pen.options[PenOptRollerFrame]) << c.frames << " " << c.start;
        EXPECT_EQ(1, t.savePoints);
        c_PenWriter::FreeBrushImages(1, 0);
    }
}
