// Ruler scales and the arithmetic of the canvas and layer dialogs, as tables.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "canvas/canv_dlg_calc.h"
#include "canvas/ruler_scale.h"

namespace {

std::vector<int> Positions(int count, double zoom) {
    std::vector<int> p((size_t)count);
    for (int c = 0; c < count; ++c) p[(size_t)c] = (int)(c * zoom / 100.0) + 8;
    return p;
}

struct Seen {
    std::vector<int> majorColumns, minorColumns, labels;
};

Seen Walk(int count, int unit, int dpi, double zoom) {
    std::vector<int> pos = Positions(count, zoom);
    Seen s;
    for (const RulerTick& t : LayoutRuler(pos, unit, dpi, zoom)) {
        (t.kind == 2 ? s.majorColumns : s.minorColumns).push_back(t.position);
        if (t.labelShown) s.labels.push_back(t.label);
    }
    return s;
}

TEST(RulerScale, PixelsAt100PercentMajorEvery50MinorEvery10) {
    Seen s = Walk(201, RulerPixels, 72, 100.0);
    EXPECT_EQ((std::vector<int>{8, 58, 108, 158, 208}), s.majorColumns);
    EXPECT_EQ((std::vector<int>{18, 28, 38, 48, 68, 78, 88, 98, 118, 128, 138, 148, 168, 178, 188, 198}), s.minorColumns);
    EXPECT_EQ((std::vector<int>{0, 50, 100, 150, 200}), s.labels);
}

TEST(RulerScale, MinorLabelsOnlyFrom500Percent) {
    struct { double zoom; std::vector<int> labels; } cases[] = {
        {499.0, {0, 50}},
        {500.0, {0, 10, 20, 30, 40, 50}},
    };
    for (auto& c : cases) EXPECT_EQ(c.labels, Walk(51, RulerPixels, 72, c.zoom).labels) << c.zoom;
}

TEST(RulerScale, LabelsCloserThan21PixelsAreSkippedTicksAreNot) {
    // At 30 % the majors are 15 display pixels apart: every other label shows.
    Seen s = Walk(501, RulerPixels, 72, 30.0);
    EXPECT_EQ(11u, s.majorColumns.size());
    EXPECT_EQ((std::vector<int>{0, 100, 200, 300, 400, 500}), s.labels);
    // At 44 % they are 22 pixels apart: all show.
    EXPECT_EQ(11u, Walk(501, RulerPixels, 72, 44.0).labels.size());
}

TEST(RulerScale, MillimetresAt72Dpi) {
    struct { int column, tick, label, kind; } cases[] = {
        {0, 0, 0, 2}, {14, 10, 5, 1}, {70, 49, 25, 0}, {71, 50, 25, 2}, {141, 99, 50, 0}, {142, 100, 50, 2},
    };
    for (auto& c : cases) {
        RulerMark m = GetRulerMark(c.column, RulerMillimetres, 72);
        EXPECT_EQ(c.tick, m.tick) << c.column;
        EXPECT_EQ(c.label, m.label) << c.column;
        EXPECT_EQ(c.kind, m.kind) << c.column;
    }
    EXPECT_EQ((std::vector<int>{0, 25, 50}), Walk(143, RulerMillimetres, 72, 100.0).labels);
}

TEST(RulerScale, InchesAt100DpiCountFiftieths) {
    Seen s = Walk(301, RulerInches, 100, 100.0);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), s.labels);
    ASSERT_EQ(4u, s.majorColumns.size());
    for (size_t i = 1; i < s.majorColumns.size(); ++i) EXPECT_NEAR(8 + 100 * (int)i, s.majorColumns[i], 1);
    // A minor tick every fifth of an inch: four between two majors.
    EXPECT_EQ(12u, s.minorColumns.size());
}

TEST(RulerScale, ResolutionBelowOneCountsAs96AndUnitNoneDrawsNothing) {
    EXPECT_EQ(GetRulerMark(960, RulerInches, 96).label, GetRulerMark(960, RulerInches, 0).label);
    EXPECT_EQ(10, GetRulerMark(960, RulerInches, -3).label);
    EXPECT_TRUE(LayoutRuler(Positions(100, 100), RulerNone, 72, 100).empty());
}

// ---- canvas size

VmsImage gSomeImage;

std::unique_ptr<CanvDoc> MakeDoc(int width, int height) {
    auto doc = std::make_unique<CanvDoc>();
    *doc = CanvDoc{};
    doc->width = width;
    doc->height = height;
    return doc;
}

void AddLayerAt(CanvDoc* doc, int layer, int x, int y, int w, int h, int planes) {
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        LayerPlane& p = doc->planes[layer * CanvPlanesPerLayer + k];
        p = LayerPlane{.x = x, .y = y, .width = w, .height = h, .depth = k ? 8 : 24};
        if (k == 0 || k <= planes) p.image = &gSomeImage;
    }
}

TEST(CanvasResize, PlansEveryLayer) {
    struct Layer { int x, y, w, h; };
    struct Want { int x, y, w, h, contentX, contentY; };
    struct Case {
        const char* name;
        CanvasResizeSides sides;
        int ok;
        std::vector<Want> want;
    } cases[] = {
        {"left increase 10", {{1, 0, 0, 0}, {10, 8, 8, 8}, {0, 0, 0, 0}}, 1,
         {{0, 0, 110, 80, 10, 0}, {15, 5, 50, 50, 0, 0}}},
        {"all four", {{1, 1, 1, 1}, {10, 20, 5, 7}, {0, 1, 1, 0}}, 1,
         {{0, 0, 90, 82, 10, -5}, {15, 0, 50, 50, 0, 0}}},
        {"right decrease only", {{0, 1, 0, 0}, {9, 30, 9, 9}, {0, 1, 0, 0}}, 1,
         {{0, 0, 70, 80, 0, 0}, {5, 5, 50, 50, 0, 0}}},
        {"top decrease past the small layer", {{0, 0, 1, 0}, {8, 8, 60, 8}, {0, 0, 1, 0}}, 0, {}},
        {"past the canvas limit", {{1, 1, 0, 0}, {1000, 1000, 8, 8}, {0, 0, 0, 0}}, 0, {}},
    };
    auto doc = MakeDoc(100, 80);
    AddLayerAt(doc.get(), 0, 0, 0, 100, 80, 1);
    AddLayerAt(doc.get(), 1, 5, 5, 50, 50, 3);
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "past the canvas limit") {
            doc->width = 29000;
            doc->planes[0].width = 29000;
        }
        NewCanvasRequestRecord request = {};
        request.layerCount = -7;
        ASSERT_EQ(c.ok, PlanCanvasResize(doc.get(), c.sides, &request));
        if (!c.ok) {
            EXPECT_EQ(-7, request.layerCount);
            continue;
        }
        ASSERT_EQ((int)c.want.size(), request.layerCount);
        for (size_t i = 0; i < c.want.size(); ++i) {
            const NewCanvasLayer& l = request.layers[i];
            EXPECT_EQ(c.want[i].x, l.x) << i;
            EXPECT_EQ(c.want[i].y, l.y) << i;
            EXPECT_EQ(c.want[i].w, l.width) << i;
            EXPECT_EQ(c.want[i].h, l.height) << i;
            EXPECT_EQ(c.want[i].contentX, l.contentX) << i;
            EXPECT_EQ(c.want[i].contentY, l.contentY) << i;
        }
        EXPECT_EQ(1, request.layers[0].planeCount);
        EXPECT_EQ(3, request.layers[1].planeCount);
        EXPECT_EQ(24, request.layers[1].depth);
    }
}

// ---- duplicate at a new size

TEST(ResizeCopy, LinkedFields) {
    struct Case {
        const char* name;
        int sourceW, sourceH;
        char field;      // 'w', 'h', 'p', 's' (width stepped: percentage kept)
        int value;
        int ok, width, height, percent;
    } cases[] = {
        {"width 320 of 640 x 480", 640, 480, 'w', 320, 1, 320, 240, 50},
        {"height 240 of 640 x 480", 640, 480, 'h', 240, 1, 320, 240, 50},
        {"150 percent", 640, 480, 'p', 150, 1, 960, 720, 150},
        {"1 percent of a small image", 50, 30, 'p', 1, 1, 1, 1, 1},
        {"width 0 becomes 1", 640, 480, 'w', 0, 1, 1, 1, 1},
        {"thin source", 1000, 3, 'w', 100, 1, 100, 1, 10},
        {"stepped width keeps the percentage", 640, 480, 's', 64, 1, 64, 48, 100},
        {"1000 percent past the limit", 20000, 100, 'p', 1000, 0, 20000, 100, 100},
        {"width that makes the height too large", 10, 1000, 'w', 400, 0, 20000, 100, 100},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResizeCopyFields f{c.sourceW, c.sourceH, c.sourceW, c.sourceH, 100};
        if (!c.ok) f.width = 20000, f.height = 100;
        int ok = c.field == 'w'   ? ResizeCopyWidthTyped(&f, c.value, true)
                 : c.field == 's' ? ResizeCopyWidthTyped(&f, c.value, false)
                 : c.field == 'h' ? ResizeCopyHeightTyped(&f, c.value, true)
                                  : ResizeCopyPercentTyped(&f, c.value);
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(c.width, f.width);
        EXPECT_EQ(c.height, f.height);
        EXPECT_EQ(c.percent, f.percent);
    }
}

// ---- layer options

TEST(LayerOptionsScale, PercentConversions) {
    struct { int stored, percent; } toPercent[] = {{0, 0}, {1, 0}, {2, 1}, {128, 50}, {254, 100}, {255, 100}};
    for (auto& c : toPercent) EXPECT_EQ(c.percent, TransparencyToPercent(c.stored)) << c.stored;
    struct { int percent, stored; } toStored[] = {{0, 0}, {1, 3}, {50, 128}, {99, 252}, {100, 255}};
    for (auto& c : toStored) EXPECT_EQ(c.stored, PercentToTransparency(c.percent)) << c.percent;
    // A value shown and stored back unedited moves: why only edited values are written.
    EXPECT_NE(1, PercentToTransparency(TransparencyToPercent(1)));
}

TEST(LayerOptionsScale, Slider) {
    struct { int width, opacity, thumb; } thumbs[] = {{109, 0, 4}, {109, 100, 104}, {109, 50, 54}, {59, 50, 29}};
    for (auto& c : thumbs) EXPECT_EQ(c.thumb, SliderThumbX(c.opacity, c.width));
    struct { int width, x, opacity; } at[] = {{109, 4, 0}, {109, 104, 100}, {109, -50, 0}, {109, 500, 100}, {109, 54, 50}, {5, 3, 0}};
    for (auto& c : at) EXPECT_EQ(c.opacity, SliderOpacityAt(c.x, c.width)) << c.width << "," << c.x;
}

TEST(ChannelCopy, ProtectByteBlendsSourceIntoTarget) {
    BuildProductTable();
    struct { int v, t, p, out; } cases[] = {
        {200, 10, 0, 200}, {200, 10, 255, 10}, {255, 0, 128, 127}, {0, 255, 128, 128}, {255, 255, 128, 255},
    };
    for (auto& c : cases) EXPECT_EQ(c.out, BlendChannel(c.v, c.t, c.p)) << c.v << "," << c.t << "," << c.p;
}

}  // namespace
