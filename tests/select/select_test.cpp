// The selection code on documents made in memory: commits by mode, the mask
// operations, ellipse and polygon masks, paths (flattening, splitting, the
// curve fit), the path state files, the colour region and the moves of pixels
// through the mask.
#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "../canvas/canvas_fixture.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_edge.h"
#include "select/sel_mask.h"
#include "select/sel_path.h"
#include "select/sel_region.h"
#include "select/sel_tool.h"
#include "select/sel_transform.h"
#include "select/selhist.h"
#include "test_support.h"

using canvtest::DocHolder;
using canvtest::Layer;
using canvtest::MakeDoc;

namespace {

std::vector<uint8_t> Mask(const CanvDoc* doc) {
    std::vector<uint8_t> m((size_t)doc->width * doc->height);
    for (int y = 0; y < doc->height; ++y) SelGetMaskRow(doc, y, 0, doc->width - 1, &m[(size_t)y * doc->width]);
    return m;
}

int CountSelected(const CanvDoc* doc) {
    int n = 0;
    for (uint8_t v : Mask(doc)) n += v == 0;
    return n;
}

void SetShape(CanvDoc* doc, int mode, int x0, int y0, int x1, int y1) {
    SelShape& s = c_SelectionTool::Current(doc);
    s.kind = mode;
    s.x0 = x0;
    s.y0 = y0;
    s.x1 = x1;
    s.y1 = y1;
    s.count = 0;
}

void SetPoints(CanvDoc* doc, int mode, std::initializer_list<std::pair<float, float>> pts) {
    SelShape& s = c_SelectionTool::Current(doc);
    s.kind = mode;
    s.count = 0;
    for (auto& p : pts) {
        s.points[2 * s.count] = p.first;
        s.points[2 * s.count + 1] = p.second;
        ++s.count;
    }
}

// ---------------------------------------------------------------------------

struct CommitCase {
    const char* name;
    int mode;
    int x0, y0, x1, y1;
    bool mask;          // a mask exists afterwards
    int selected;       // selected pixels of the 40 x 30 canvas
    int bx0, by0, bx1, by1;   // box of slot 0 afterwards
};

TEST(CommitByMode, EachModeGivesItsMaskAndBox) {
    const CommitCase cases[] = {
        {"rectangle", CMD_TOOL_SELRECT, 12, 8, 3, 2, true, 10 * 7, 3, 2, 12, 8},
        {"rectangle partly outside", CMD_TOOL_SELRECT, -5, -5, 4, 4, true, 25, -5, -5, 4, 4},
        {"line keeps its direction", CMD_TOOL_SELLINE, 30, 20, 2, 3, true, 1200, 30, 20, 2, 3},
        {"polyline selects everything", CMD_TOOL_POLYLINE, 0, 0, 5, 5, true, 1200, 0, 0, 5, 5},
        {"none frees the mask", 0, 0, 0, 39, 29, false, 1200, 0, 0, 39, 29},
    };
    for (const CommitCase& c : cases) {
        DocHolder doc(MakeDoc({Layer(40, 30)}));
        ASSERT_NE(nullptr, doc.doc);
        SCOPED_TRACE(c.name);
        SetShape(doc.doc, c.mode, c.x0, c.y0, c.x1, c.y1);
        c_SelectionTool::CommitShape(doc.doc, 0);
        EXPECT_EQ(c.mask, doc->selectionMask != nullptr);
        EXPECT_EQ(c.selected, CountSelected(doc.doc));
        const SelShape& s = doc->selShapes[0];
        EXPECT_EQ(c.mode, s.kind);
        EXPECT_EQ(c.bx0, s.x0);
        EXPECT_EQ(c.by0, s.y0);
        EXPECT_EQ(c.bx1, s.x1);
        EXPECT_EQ(c.by1, s.y1);
        EXPECT_EQ(1, doc->maskPending);
    }
}

TEST(CommitByMode, MaskOnlyAndRegionKeepTheirMask) {
    for (int mode : {(int)ShapeMaskOnly, (int)CMD_TOOL_COLORREGION}) {
        DocHolder doc(MakeDoc({Layer(20, 10)}));
        ASSERT_TRUE(SelCreateMask(doc.doc, 1));
        SelFillMask(doc.doc, 1);
        SelSetMaskPixel(doc.doc, 3, 4, 0);
        SetShape(doc.doc, mode, 3, 4, 3, 4);
        c_SelectionTool::CommitShape(doc.doc, 0);
        EXPECT_EQ(1, CountSelected(doc.doc)) << mode;
        EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 3, 4));
    }
}

TEST(CommitByMode, PolygonWithVerticesOutsideIsClipped) {
    DocHolder doc(MakeDoc({Layer(20, 20)}));
    // A triangle far larger than the canvas: every pixel inside it is selected.
    SetPoints(doc.doc, CMD_TOOL_POLYGON, {{-100, -100}, {300, -100}, {-100, 300}, {-100, -100}});
    c_SelectionTool::CommitShape(doc.doc, 0);
    EXPECT_EQ(400, CountSelected(doc.doc));
    // A diamond inside: its box comes from the filler.
    SetPoints(doc.doc, CMD_TOOL_POLYGON, {{10, 2}, {18, 10}, {10, 18}, {2, 10}, {10, 2}});
    c_SelectionTool::CommitShape(doc.doc, 0);
    EXPECT_EQ(2, doc->selShapes[0].y0);
    EXPECT_EQ(18, doc->selShapes[0].y1);
    EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 10, 10));
    EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 2, 2));
}

TEST(CommitByMode, PointsFarOutsideFillOnlyTheDocumentsRows) {
    DocHolder doc(MakeDoc({Layer(30, 20)}));
    // A tall thin triangle reaching a billion rows above and below.
    SetPoints(doc.doc, CMD_TOOL_POLYGON, {{5.0f, -1.0e9f}, {25.0f, 1.0e9f}, {5.0f, 1.0e9f}, {5.0f, -1.0e9f}});
    testsupport::StepDeadline deadline("a polygon fill far beyond the document", 20000);
    const DWORD start = GetTickCount();
    c_SelectionTool::CommitShape(doc.doc, 0);
    EXPECT_LT(GetTickCount() - start, 2000u);
    // Within the document the triangle is the columns 5 up to its slanted edge:
    // every row has its left part selected, the right edge protected.
    for (int y = 0; y < 20; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 6, y));
        EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 29, y));
        EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 2, y));
    }
}

TEST(CommitByMode, DeselectAfterAPathEmptiesThePath) {
    DocHolder doc(MakeDoc({Layer(50, 50)}));
    SetShape(doc.doc, CMD_TOOL_SELRECT, 5, 5, 30, 20);
    c_SelectionTool::RectToPath(doc.doc);
    EXPECT_EQ(4, SelPath().count);
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    c_SelectionTool::Deselect(doc.doc);
    EXPECT_EQ(0, SelPath().count);
    EXPECT_EQ(-1, SelPath().selected);
    EXPECT_EQ(nullptr, doc->selectionMask);
    EXPECT_EQ(0, doc->selShapes[0].kind);
}

// ---------------------------------------------------------------------------

TEST(MaskOperations, WithoutAMaskEverythingIsSelected) {
    DocHolder doc(MakeDoc({Layer(8, 4)}));
    std::vector<uint8_t> row(8, 7);
    SelGetMaskRow(doc.doc, 2, 0, 7, row.data());
    for (uint8_t v : row) EXPECT_EQ(0, v);
    EXPECT_EQ(0, SelGrow(doc.doc, 1));
    EXPECT_EQ(0, SelBlur(doc.doc, 1, 0));
    EXPECT_EQ(nullptr, doc->selectionMask);
}

TEST(MaskOperations, InvertOfNoMaskSelectsNothing) {
    DocHolder doc(MakeDoc({Layer(8, 4)}));
    ASSERT_TRUE(SelInvert(doc.doc));
    EXPECT_EQ(0, CountSelected(doc.doc));
    const SelShape& s = doc->selShapes[5];
    EXPECT_EQ(ShapeMaskOnly, s.kind);
    EXPECT_EQ(INT_MAX, s.x0);
    EXPECT_EQ(INT_MAX, s.y0);
    EXPECT_EQ(INT_MIN, s.x1);
    EXPECT_EQ(INT_MIN, s.y1);
}

TEST(MaskOperations, GrowShrinkAndTheirBoxes) {
    struct Case {
        int x0, amount, grownX0, shrunkX0;
    } cases[] = {{1, 1, 0, 1}, {5, 1, 3, 5}, {10, 3, 6, 12}};
    for (const Case& c : cases) {
        DocHolder doc(MakeDoc({Layer(40, 40)}));
        SetShape(doc.doc, CMD_TOOL_SELRECT, c.x0, c.x0, 25, 25);
        c_SelectionTool::CommitShape(doc.doc, 0);
        const int before = CountSelected(doc.doc);
        ASSERT_TRUE(SelGrow(doc.doc, c.amount));
        EXPECT_EQ(c.grownX0, doc->selShapes[5].x0) << c.x0;
        EXPECT_GT(CountSelected(doc.doc), before);
        // The grown edge is exactly `amount` pixels out.
        EXPECT_EQ(0, SelGetMaskPixel(doc.doc, c.x0 - c.amount < 0 ? 0 : c.x0 - c.amount, 20));
        SetShape(doc.doc, CMD_TOOL_SELRECT, c.x0, c.x0, 25, 25);
        c_SelectionTool::CommitShape(doc.doc, 0);
        ASSERT_TRUE(SelShrink(doc.doc, c.amount));
        EXPECT_EQ(c.shrunkX0, doc->selShapes[5].x0);
        EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 25, 20));
        EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 25 - c.amount, 20));
        EXPECT_EQ(ShapeMaskOnly, doc->selShapes[0].kind);
    }
}

TEST(MaskOperations, QuickBlurSoftensTheEdgeOnly) {
    DocHolder doc(MakeDoc({Layer(30, 30)}));
    SetShape(doc.doc, CMD_TOOL_SELRECT, 10, 10, 19, 19);
    c_SelectionTool::CommitShape(doc.doc, 0);
    ASSERT_TRUE(SelBlur(doc.doc, 1, 0));
    EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 15, 15));
    EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 2, 2));
    const int edge = SelGetMaskPixel(doc.doc, 11, 15);
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 255);
    EXPECT_EQ(11, doc->selShapes[5].x0);
}

TEST(MaskOperations, AreaBlurRebuildByMode) {
    // Mode 0: the mask goes, everything stays selected.
    {
        DocHolder doc(MakeDoc({Layer(30, 30)}));
        SelCreateMask(doc.doc, 1);
        doc->maskPending = 1;
        c_SelectionTool::ApplyPendingBlur(doc.doc, 3);
        EXPECT_EQ(nullptr, doc->selectionMask);
        EXPECT_EQ(0, doc->maskPending);
    }
    // Mode 100: the existing mask is kept and softened, not rebuilt.
    {
        DocHolder doc(MakeDoc({Layer(30, 30)}));
        SetShape(doc.doc, CMD_TOOL_SELRECT, 5, 5, 24, 24);
        c_SelectionTool::CommitShape(doc.doc, 0);
        SelInvert(doc.doc);
        doc->maskPending = 1;
        c_SelectionTool::ApplyPendingBlur(doc.doc, 0);
        EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 15, 15));
        EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 1, 1));
    }
}

TEST(MaskOperations, SofteningDoesNotShiftTheSelection) {
    DocHolder doc(MakeDoc({Layer(80, 80)}));
    SetShape(doc.doc, CMD_TOOL_SELRECT, 20, 20, 59, 59);
    c_SelectionTool::CommitShape(doc.doc, 0);
    SelSoftenMask(doc.doc, 9);
    // Symmetric about the centre: the left and right, top and bottom edges alike.
    for (int d = 0; d < 30; ++d) {
        EXPECT_NEAR(SelGetMaskPixel(doc.doc, 10 + d, 40), SelGetMaskPixel(doc.doc, 69 - d, 40), 40) << d;
        EXPECT_NEAR(SelGetMaskPixel(doc.doc, 40, 10 + d), SelGetMaskPixel(doc.doc, 40, 69 - d), 40) << d;
    }
    const SelShape& s = doc->selShapes[0];
    EXPECT_GE(s.x0, 0);
    EXPECT_LE(s.x1, 79);
}

TEST(EllipseMask, RowsAreSymmetricAndTheAreaIsRight) {
    const int boxes[][4] = {{0, 0, 39, 19}, {5, 5, 14, 34}, {0, 0, 2, 2}, {10, 10, 30, 30}, {-10, 3, 50, 20}};
    for (const auto& b : boxes) {
        DocHolder doc(MakeDoc({Layer(41, 41)}));
        SelCreateMask(doc.doc, 1);
        SelEllipseToMask(doc.doc, b[0], b[1], b[2], b[3]);
        const std::vector<uint8_t> m = Mask(doc.doc);
        const int cx2 = b[0] + b[2];   // twice the centre
        int area = 0;
        for (int y = 0; y < 41; ++y)
            for (int x = 0; x < 41; ++x) {
                if (m[(size_t)y * 41 + x] != 0) continue;
                ++area;
                // Every selected pixel lies in the box.
                EXPECT_TRUE(x >= b[0] && x <= b[2] && y >= b[1] && y <= b[3]) << x << "," << y;
                // Its mirror about the centre column is selected too (when on the canvas).
                const int mx = cx2 - x;
                if (cx2 % 2 == 0 && mx >= 0 && mx < 41) {
                    EXPECT_EQ(0, m[(size_t)y * 41 + mx]);
                }
            }
        if (b[0] >= 0 && b[2] < 41 && b[2] - b[0] > 5) {
            const double expected = 3.14159 * (b[2] - b[0] + 1) * (b[3] - b[1] + 1) / 4;
            EXPECT_NEAR(expected, area, expected * 0.15) << b[0] << " " << b[2];
        }
    }
}

// ---------------------------------------------------------------------------
// Paths.

TEST(Paths, ControlsOnTheChordFlattenAsAStraightLine) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    PathState& p = SelPath();
    ClearPath();
    // Controls on the line, one beyond its end.
    p.nodes[0] = PathNode{10, 10, 40, 10, 120, 10};
    p.nodes[1] = PathNode{60, 10, 60, 10, 60, 10};
    p.count = 2;
    FlattenPath(doc.doc);
    const SelShape& s = doc->selShapes[5];
    ASSERT_GE(s.count, 2);
    for (int i = 0; i < s.count; ++i) {
        EXPECT_FLOAT_EQ(10.f, s.points[2 * i + 1]);
        EXPECT_GE(s.points[2 * i], 10.f);
        EXPECT_LE(s.points[2 * i], 60.f);
    }
    EXPECT_FLOAT_EQ(60.f, s.points[2 * (s.count - 1)]);
}

TEST(Paths, CoincidentAnchorsAreACurve) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    PathState& p = SelPath();
    ClearPath();
    p.nodes[0] = PathNode{50, 50, 80, 20, 80, 80};
    p.nodes[1] = PathNode{50, 50, 50, 50, 50, 50};
    p.count = 2;
    FlattenPath(doc.doc);
    float maxX = 0;
    for (int i = 0; i < doc->selShapes[5].count; ++i) maxX = std::max(maxX, doc->selShapes[5].points[2 * i]);
    EXPECT_GT(maxX, 65.f);
}

TEST(Paths, SplittingNearAnAnchorMovesTheAnchor) {
    ClearPath();
    PathState& p = SelPath();
    p.nodes[0] = PathNode{0, 0, 30, 0, 60, 0};
    p.nodes[1] = PathNode{90, 0, 90, 0, 90, 0};
    p.count = 2;
    EXPECT_EQ(1, SplitSegment(0, 0.5, 1.0));
    EXPECT_EQ(3, p.count);
    EXPECT_EQ(45, p.nodes[1].ax);
    // Refusals: the last segment of an open path, t out of range.
    EXPECT_EQ(0, SplitSegment(2, 0.5, 1.0));
    EXPECT_EQ(0, SplitSegment(0, 1.0, 1.0));
    // Too near the start anchor: the anchor snaps, no node is added.
    EXPECT_EQ(0, SplitSegment(0, 0.1, 5.0));
    EXPECT_EQ(3, p.count);
    EXPECT_EQ(4, p.nodes[0].ax);
}

// Every input point lies within the fit tolerance (plus the integer rounding
// of the nodes) of the flattened fitted path.
void ExpectFitWithinTolerance(CanvDoc* doc, const std::vector<std::pair<float, float>>& pts) {
    SelShape& s = c_SelectionTool::Current(doc);
    s.count = 0;
    for (auto& q : pts) {
        s.points[2 * s.count] = q.first;
        s.points[2 * s.count + 1] = q.second;
        ++s.count;
    }
    FitPath(doc);
    ASSERT_GE(SelPath().count, 2);
    FlattenPath(doc);
    const SelShape& f = c_SelectionTool::Current(doc);
    for (auto& q : pts) {
        double best = 1e9;
        for (int i = 0; i < f.count; ++i)
            best = std::min(best, (double)std::hypot(f.points[2 * i] - q.first, f.points[2 * i + 1] - q.second));
        EXPECT_LE(best, 4.0 + 2.0) << q.first << "," << q.second;
    }
}

TEST(Paths, FittedCurveStaysNearItsPoints) {
    DocHolder doc(MakeDoc({Layer(400, 400)}));
    // A circle (closed), a sine wave (open), a zig-zag with corners.
    std::vector<std::pair<float, float>> circle, wave, zig;
    for (int i = 0; i <= 120; ++i) {
        const double a = i * 2 * 3.14159265 / 120;
        circle.push_back({(float)(200 + 90 * std::cos(a)), (float)(200 + 70 * std::sin(a))});
    }
    circle.back() = circle.front();
    for (int x = 10; x < 390; x += 3) wave.push_back({(float)x, (float)(200 + 60 * std::sin(x / 30.0))});
    for (int i = 0; i < 12; ++i) zig.push_back({(float)(20 + 30 * i), (float)(i % 2 ? 80 : 20)});
    ExpectFitWithinTolerance(doc.doc, circle);
    EXPECT_EQ(1, SelPath().closed);
    ExpectFitWithinTolerance(doc.doc, wave);
    EXPECT_EQ(0, SelPath().closed);
    ExpectFitWithinTolerance(doc.doc, zig);
}

TEST(Paths, ATwoPointListFitsAsOneSegment) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    SetShape(doc.doc, CMD_TOOL_SELLINE, 10, 20, 70, 50);
    LineToPath(doc.doc);
    EXPECT_EQ(2, SelPath().count);
    EXPECT_EQ(0, SelPath().closed);
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    // An open path selects no area; its box is the anchors'.
    EXPECT_EQ(100 * 100, CountSelected(doc.doc));
    EXPECT_EQ(10, doc->selShapes[0].x0);
    EXPECT_EQ(50, doc->selShapes[0].y1);
}

TEST(Paths, EllipseBecomesAClosedPathThatSelectsItsInside) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    SetShape(doc.doc, CMD_TOOL_SELELLIPSE, 10, 20, 89, 79);
    c_SelectionTool::EllipseToPath(doc.doc);
    EXPECT_EQ(1, SelPath().closed);
    EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 50, 50));
    EXPECT_EQ(255, SelGetMaskPixel(doc.doc, 12, 22));
    const double expected = 3.14159 * 40 * 30;
    EXPECT_NEAR(expected, CountSelected(doc.doc), expected * 0.05);
}

// ---------------------------------------------------------------------------
// Path state files.

class PathFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = new testsupport::TempDir("drf");
        folder_ = dir_->Path();
        CanvasHost host = {};
        host.programFolder = folder_.c_str();
        SetCanvasHost(host);
    }
    void TearDown() override {
        SetCanvasHost(CanvasHost{});
        delete dir_;
    }
    testsupport::TempDir* dir_ = nullptr;
    std::string folder_;
};

TEST_F(PathFiles, RoundTripAtItsExactSize) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    doc->number = 7;
    SetShape(doc.doc, CMD_TOOL_SELRECT, 10, 10, 60, 40);
    c_SelectionTool::RectToPath(doc.doc);
    SelPath().selected = 2;
    const PathState saved = SelPath();
    ASSERT_EQ(1, SavePathState(doc.doc, 1));
    char name[MAX_PATH + 16];
    PathStateFileName(doc.doc, name, sizeof name);
    EXPECT_EQ(folder_ + "00007.drf", std::string(name));
    WIN32_FILE_ATTRIBUTE_DATA fa;
    ASSERT_TRUE(GetFileAttributesExA(name, GetFileExInfoStandard, &fa));
    EXPECT_EQ((DWORD)kPathFileSize, fa.nFileSizeLow);
    // Reset: the shape and the path are cleared.
    EXPECT_EQ(0, SelPath().count);
    EXPECT_EQ(0, doc->selShapes[5].kind);
    ASSERT_EQ(1, LoadPathState(doc.doc, 1));
    EXPECT_EQ(saved.count, SelPath().count);
    EXPECT_EQ(saved.closed, SelPath().closed);
    EXPECT_EQ(2, SelPath().selected);
    for (int i = 0; i < saved.count; ++i) EXPECT_EQ(0, std::memcmp(&saved.nodes[i], &SelPath().nodes[i], sizeof(PathNode)));
    EXPECT_EQ(CMD_TOOL_PATH, doc->selShapes[0].kind);
    EXPECT_EQ(0, SelGetMaskPixel(doc.doc, 30, 30));
    // The commit removed the file.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(name));
}

TEST_F(PathFiles, ARectangleWritesNoFile) {
    DocHolder doc(MakeDoc({Layer(30, 30)}));
    doc->number = 3;
    SetShape(doc.doc, CMD_TOOL_SELRECT, 1, 1, 9, 9);
    EXPECT_EQ(1, SavePathState(doc.doc, 1));
    char name[MAX_PATH + 16];
    PathStateFileName(doc.doc, name, sizeof name);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(name));
}

TEST_F(PathFiles, CorruptFilesAreIgnored) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    doc->number = 9;
    SetShape(doc.doc, CMD_TOOL_SELRECT, 10, 10, 60, 40);
    c_SelectionTool::RectToPath(doc.doc);
    ASSERT_EQ(1, SavePathState(doc.doc, 0));
    char name[MAX_PATH + 16];
    PathStateFileName(doc.doc, name, sizeof name);
    std::vector<uint8_t> good((size_t)kPathFileSize);
    {
        FILE* f = std::fopen(name, "rb");
        ASSERT_NE(nullptr, f);
        ASSERT_EQ(good.size(), std::fread(good.data(), 1, good.size(), f));
        std::fclose(f);
    }
    auto writeAndLoad = [&](const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen(name, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        ClearPath();
        return LoadPathState(doc.doc, 0);
    };
    auto putInt = [](std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); };
    // Hand-made faults: each is refused and leaves the path empty.
    struct Fault {
        const char* name;
        size_t at;
        int32_t value;
    } faults[] = {{"mode", 0, 20001}, {"count too big", 122900, 5121}, {"count negative", 122900, -1},
                  {"selected beyond count", 122912, 4}, {"selected below -1", 122912, -2}, {"closed 2", 122904, 2},
                  // Coordinates: the box at 4..16, node i at 20 + 24 i (anchor, two controls).
                  {"anchor x at INT_MIN", 20, INT_MIN}, {"anchor y at INT_MAX", 24 + 24 * 2, INT_MAX},
                  {"control beyond the range", 20 + 24 * 3 + 20, 2000000}, {"box x1 at INT_MIN", 12, INT_MIN}};
    for (const Fault& fault : faults) {
        std::vector<uint8_t> b = good;
        putInt(b, fault.at, fault.value);
        EXPECT_EQ(0, writeAndLoad(b)) << fault.name;
        EXPECT_EQ(0, SelPath().count) << fault.name;
    }
    std::vector<uint8_t> shortFile(good.begin(), good.end() - 4);
    EXPECT_EQ(0, writeAndLoad(shortFile));
    std::vector<uint8_t> longFile = good;
    longFile.push_back(0);
    EXPECT_EQ(0, writeAndLoad(longFile));
    // Random mutations (fixed seed): never a crash; an accepted file holds counts in range.
    std::mt19937 rng(2026);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> b = good;
        const int flips = 1 + (int)(rng() % 8);
        for (int k = 0; k < flips; ++k) {
            const size_t at = rng() % 2 ? 122900 + rng() % 16 : rng() % b.size();
            b[at] = (uint8_t)rng();
        }
        if (rng() % 10 == 0) b.resize(rng() % b.size());
        if (writeAndLoad(b)) {
            EXPECT_GE(SelPath().count, 0);
            EXPECT_LE(SelPath().count, kPathMaxNodes);
            EXPECT_GE(SelPath().selected, -1);
            EXPECT_LT(SelPath().selected, std::max(1, SelPath().count));
        }
    }
    // The intact file still loads.
    EXPECT_EQ(1, writeAndLoad(good));
}

TEST_F(PathFiles, ANodeFarOutsideIsIgnoredWhenTheDocumentComesBack) {
    DocHolder doc(MakeDoc({Layer(100, 100)}));
    doc->number = 11;
    SetShape(doc.doc, CMD_TOOL_SELRECT, 10, 10, 60, 40);
    c_SelectionTool::RectToPath(doc.doc);
    SelPath().nodes[1].ay = INT_MIN;   // a segment longer than the int range
    ASSERT_EQ(1, SavePathState(doc.doc, 0));
    ClearPath();
    SetShape(doc.doc, 0, 0, 0, 99, 99);
    testsupport::StepDeadline deadline("loading a path file with a node at INT_MIN", 20000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, LoadPathState(doc.doc, 1));
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(0, SelPath().count);
    EXPECT_EQ(0, doc->selShapes[5].kind);
}

TEST_F(PathFiles, StaleFilesAreRemovedAtStart) {
    const std::string stale = folder_ + "00042.drf", other = folder_ + "notes.drf";
    for (const std::string& n : {stale, other}) {
        FILE* f = std::fopen(n.c_str(), "wb");
        std::fputc('x', f);
        std::fclose(f);
    }
    RemoveStalePathStates(folder_.c_str());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(stale.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(other.c_str()));
}

// ---------------------------------------------------------------------------
// Colour region.

struct Grid {
    int w, h;
    std::vector<uint32_t> px;
    static const uint32_t* Row(void* user, int y) { return &((Grid*)user)->px[(size_t)y * ((Grid*)user)->w]; }
    RegionSource Source() { return RegionSource{w, h, Row, this}; }
};

// A picture from text rows: '.' white, '#' black, 'g' grey 120, 'G' grey 135, 't' transparent.
Grid FromText(std::initializer_list<const char*> rows) {
    Grid g{(int)std::strlen(*rows.begin()), (int)rows.size(), {}};
    for (const char* r : rows)
        for (int x = 0; x < g.w; ++x) {
            const char c = r[x];
            g.px.push_back(c == '.' ? 0xFFFFFFu : c == '#' ? 0 : c == 'g' ? 0x787878u : c == 'G' ? 0x878787u : kRegionTransparent);
        }
    return g;
}

bool NeverStop() { return false; }
bool AlwaysStop() { return true; }

TEST(ColorRegion, Cases) {
    struct Case {
        const char* name;
        Grid grid;
        int x, y, tolerance;
        int expectCount;
        int x0, y0, x1, y1;
    } cases[] = {
        {"uniform", FromText({"....", "....", "...."}), 1, 1, 0, 12, 0, 0, 3, 2},
        {"4-connected only", FromText({".#..", "#.#.", ".#.."}), 1, 1, 0, 1, 1, 1, 1, 1},
        {"around a wall", FromText({"..#..", "..#..", "....."}), 0, 0, 0, 13, 0, 0, 4, 2},
        {"tolerance", FromText({"gGg#", "gg##"}), 0, 0, 20, 5, 0, 0, 2, 1},
        {"tolerance 0", FromText({"gGg#", "gg##"}), 0, 0, 0, 3, 0, 0, 1, 1},
        {"transparent own region", FromText({"tt..", "t...", "tt.."}), 0, 0, 99, 5, 0, 0, 1, 2},
        {"seed clamped in", FromText({"..", ".."}), 50, -3, 0, 4, 0, 0, 1, 1},
        {"left edge", FromText({"...#", "#..."}), 2, 0, 0, 6, 0, 0, 3, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegionResult r;
        ASSERT_EQ(1, FindColorRegion(c.grid.Source(), c.x, c.y, c.tolerance, &r, NeverStop));
        int n = 0;
        for (int y = 0; y < c.grid.h; ++y)
            for (int x = 0; x < c.grid.w; ++x) n += r.Visited(x, y);
        EXPECT_EQ(c.expectCount, n);
        EXPECT_EQ(c.x0, r.x0);
        EXPECT_EQ(c.y0, r.y0);
        EXPECT_EQ(c.x1, r.x1);
        EXPECT_EQ(c.y1, r.y1);
    }
}

// The region by a plain breadth-first flood of 4-neighbours, as the model.
std::vector<uint8_t> FloodModel(const Grid& g, int sx, int sy, int tolerance) {
    auto channel = [](uint32_t c, int shift) { return (c & kRegionTransparent) ? -100 : (int)((c >> shift) & 255); };
    const uint32_t seed = g.px[(size_t)sy * g.w + sx];
    auto matches = [&](uint32_t c) {
        for (int shift : {0, 8, 16})
            if (std::abs(channel(c, shift) - channel(seed, shift)) > tolerance) return false;
        return true;
    };
    std::vector<uint8_t> in((size_t)g.w * g.h, 0);
    std::vector<std::pair<int, int>> todo{{sx, sy}};
    in[(size_t)sy * g.w + sx] = 1;
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& n : next) {
            if (n[0] < 0 || n[1] < 0 || n[0] >= g.w || n[1] >= g.h) continue;
            const size_t at = (size_t)n[1] * g.w + n[0];
            if (!in[at] && matches(g.px[at])) {
                in[at] = 1;
                todo.push_back({n[0], n[1]});
            }
        }
    }
    return in;
}

TEST(ColorRegion, NoisyPicturesMatchAPlainFlood) {
    // Channels scattered around the seed's, many exactly at the tolerance's
    // edge; widths that end mid-word; some rows with transparent pixels.
    std::mt19937 rng(5);
    for (int round = 0; round < 12; ++round) {
        const int w = 1 + (int)(rng() % 150), h = 1 + (int)(rng() % 40), tolerance = (int)(rng() % 40);
        const int base[3] = {(int)(rng() % 256), (int)(rng() % 256), (int)(rng() % 256)};
        Grid g{w, h, {}};
        for (int i = 0; i < w * h; ++i) {
            if (rng() % 200 == 0) {
                g.px.push_back(kRegionTransparent);
                continue;
            }
            uint32_t c = 0;
            for (int k = 0; k < 3; ++k) {
                const int spread = (int)(rng() % 3) == 0 ? tolerance + 1 : tolerance;
                const int v = std::clamp(base[k] + (int)(rng() % (2 * spread + 1)) - spread, 0, 255);
                c |= (uint32_t)v << (8 * k);
            }
            g.px.push_back(c);
        }
        const int sx = (int)(rng() % w), sy = (int)(rng() % h);
        SCOPED_TRACE(round);
        RegionResult r;
        ASSERT_EQ(1, FindColorRegion(g.Source(), sx, sy, tolerance, &r, NeverStop));
        const std::vector<uint8_t> model = FloodModel(g, sx, sy, tolerance);
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) differing += r.Visited(x, y) != (model[(size_t)y * w + x] != 0);
        EXPECT_EQ(0, differing) << w << "x" << h << " tolerance " << tolerance;
    }
}

TEST(ColorRegion, EscBeforeTheStartFindsNothing) {
    Grid g = FromText({"....", "...."});
    RegionResult r;
    ASSERT_EQ(1, FindColorRegion(g.Source(), 0, 0, 0, &r, AlwaysStop));
    EXPECT_EQ(-1, r.x1);
}

TEST(ColorRegion, ManyPendingSeedsGrowTheStack) {
    // A comb: every second column is a tooth joined at the bottom, so each row
    // pushes a seed per tooth (more than the 7,500 a fixed stack would hold).
    Grid g{20001, 4, {}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 20001; ++x) g.px.push_back((y == 3 || x % 2 == 0) ? 0xFFFFFFu : 0);
    RegionResult r;
    ASSERT_EQ(1, FindColorRegion(g.Source(), 0, 3, 0, &r, NeverStop));
    EXPECT_TRUE(r.Visited(20000, 0));
    EXPECT_TRUE(r.Visited(9000, 0));
    EXPECT_FALSE(r.Visited(9001, 0));
}

TEST(ColorRegion, FillOnADocumentReplacesOrAdds) {
    DocHolder doc(MakeDoc({Layer(20, 10)}));
    // Left half black, right half white.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) canvtest::SetPixel(doc->planes[0].image, x, y, 0);
    ASSERT_EQ(1, ColorRegionFill(doc.doc, 2, 2, 0));
    EXPECT_EQ(100, CountSelected(doc.doc));
    EXPECT_EQ(9, c_SelectionTool::Current(doc.doc).x1);
    ASSERT_EQ(1, ColorRegionFill(doc.doc, 15, 2, 1));
    EXPECT_EQ(200, CountSelected(doc.doc));
    EXPECT_EQ(19, c_SelectionTool::Current(doc.doc).x1);
}

TEST(ColorRegion, WithoutAddTheRegionReplacesAWiderSelection) {
    DocHolder doc(MakeDoc({Layer(24, 16)}));
    // A black block in rows 5..9, columns 4..11, on white.
    for (int y = 5; y < 10; ++y)
        for (int x = 4; x < 12; ++x) canvtest::SetPixel(doc->planes[0].image, x, y, 0);
    // The whole canvas selected by a rectangle first.
    SetShape(doc.doc, CMD_TOOL_SELRECT, 0, 0, 23, 15);
    c_SelectionTool::CommitShape(doc.doc, 0);
    ASSERT_EQ(24 * 16, CountSelected(doc.doc));
    ASSERT_EQ(1, ColorRegionFill(doc.doc, 6, 7, 0));
    const std::vector<uint8_t> m = Mask(doc.doc);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 5 && y < 10;
            ASSERT_EQ(inside ? 0 : 255, m[(size_t)y * 24 + x]) << x << "," << y;
        }
}

// ---------------------------------------------------------------------------
// Moving pixels as a whole.

namespace {
// A distinct value for every pixel of a plane (kept within 8 bits for 8-bit planes).
uint32_t Mark(int plane, int x, int y) { return plane == 0 ? 0x10000u * (uint32_t)y + 0x100u * (uint32_t)x + 7u : (uint32_t)(x * 16 + y); }
void MarkPlane(VmsImage* image, int plane) {
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) canvtest::SetPixel(image, x, y, Mark(plane, x, y));
}
}  // namespace

TEST(WholeLayers, MirrorAndFlipMoveEveryPlaneAndPosition) {
    for (bool flip : {false, true}) {
        SCOPED_TRACE(flip ? "flip" : "mirror");
        // A 10 x 6 canvas with a 4 x 3 layer at (2, 1) that has a transparency plane.
        DocHolder doc(MakeDoc({Layer(10, 6), Layer(4, 3, 2, 1, 2)}));
        ASSERT_TRUE(doc.doc);
        LayerPlane* upper = LayerBase(doc.doc, 1);
        ASSERT_NE(nullptr, upper[1].image);
        MarkPlane(doc->planes[0].image, 0);
        MarkPlane(upper[0].image, 0);
        MarkPlane(upper[1].image, 1);
        ASSERT_EQ(1, flip ? FlipAllLayers(doc.doc) : MirrorAllLayers(doc.doc));
        EXPECT_EQ(flip ? 2 : 10 - 4 - 2, upper[0].x);
        EXPECT_EQ(flip ? 6 - 3 - 1 : 1, upper[0].y);
        EXPECT_EQ(upper[0].x, upper[1].x);
        EXPECT_EQ(upper[0].y, upper[1].y);
        struct Probe {
            const VmsImage* image;
            int plane, w, h;
        } probes[] = {{doc->planes[0].image, 0, 10, 6}, {upper[0].image, 0, 4, 3}, {upper[1].image, 1, 4, 3}};
        for (const Probe& p : probes)
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x) {
                    const int sx = flip ? x : p.w - 1 - x, sy = flip ? p.h - 1 - y : y;
                    ASSERT_EQ(Mark(p.plane, sx, sy), canvtest::Pixel(p.image, x, y)) << x << "," << y;
                }
    }
}

namespace {
// A 10 x 8 document whose layer 1 covers it with a transparency plane, the
// committed selection the rectangle (1, 1)-(8, 6) but for the protected pixel
// (3, 2); layer 1 current.
struct SelectedPixels {
    DocHolder doc{MakeDoc({Layer(10, 8), Layer(10, 8, 0, 0, 2)})};
    SelectedPixels() {
        MarkPlane(LayerBase(doc.doc, 1)[0].image, 0);
        MarkPlane(LayerBase(doc.doc, 1)[1].image, 1);
        doc->currentPlane = CanvPlanesPerLayer;
        SetShape(doc.doc, CMD_TOOL_SELRECT, 1, 1, 8, 6);
        c_SelectionTool::CommitShape(doc.doc, 0);
        SelSetMaskPixel(doc.doc, 3, 2, 255);
    }
    uint32_t At(int plane, int x, int y) const { return canvtest::Pixel(LayerBase(doc.doc, 1)[plane].image, x, y); }
};
bool InBox(int x, int y) { return x >= 1 && x <= 8 && y >= 1 && y <= 6; }
}  // namespace

TEST(SelectedPixelTransforms, FlipsMirrorAndTurnMoveOnlySelectedPixels) {
    // Where the pixel at (x, y) of the box comes from (x -1: it stays). A
    // swap moves a pair only when both ends are selected; a turn fills every
    // selected pixel from its turned copy of the box.
    struct Case {
        const char* name;
        void (*run)(CanvDoc*);
        POINT (*source)(int x, int y);
        bool swaps;
    } cases[] = {
        {"flip", FlipSelectedPixels, [](int x, int y) { return POINT{x, 7 - y}; }, true},
        {"mirror", MirrorSelectedPixels, [](int x, int y) { return POINT{9 - x, y}; }, true},
        {"turn 180", [](CanvDoc* d) { RotateSelectedPixels(d, 180.0); },
         [](int x, int y) { return POINT{9 - x, 7 - y}; }, false},
        // The 8 x 6 box turned right is 6 x 8, centred on the box: its rows
        // stick out above and below, its columns cover x 2..7.
        {"turn 90", [](CanvDoc* d) { RotateSelectedPixels(d, 90.0); },
         [](int x, int y) { return x >= 2 && x <= 7 ? POINT{y + 1, 8 - x} : POINT{-1, -1}; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectedPixels s;
        c.run(s.doc.doc);
        for (int plane = 0; plane < 2; ++plane)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 10; ++x) {
                    const POINT from = c.source(x, y);
                    // The protected pixel keeps its place, and so does its
                    // partner in a swap.
                    const bool protectedHere = x == 3 && y == 2;
                    const bool partnerProtected = from.x == 3 && from.y == 2;
                    const bool moves =
                        InBox(x, y) && from.x >= 0 && !protectedHere && !(partnerProtected && c.swaps);
                    ASSERT_EQ(moves ? Mark(plane, from.x, from.y) : Mark(plane, x, y), s.At(plane, x, y))
                        << "plane " << plane << " at " << x << "," << y;
                }
        // The base layer is left alone.
        EXPECT_EQ(0xFFFFFFu, canvtest::Pixel(s.doc->planes[0].image, 2, 2) & 0xFFFFFFu);
    }
}

TEST(SelectedPixelTransforms, AlphaWouldChangeOnlyUnderSelectedPixels) {
    SelectedPixels s;
    VmsImage* alpha = LayerBase(s.doc.doc, 1)[1].image;
    canvtest::FillPlane(alpha, 0);
    EXPECT_EQ(0, SelectionAlphaWouldChange(s.doc.doc));
    canvtest::SetPixel(alpha, 3, 2, 40);   // the protected pixel
    canvtest::SetPixel(alpha, 9, 7, 40);   // outside the box
    EXPECT_EQ(0, SelectionAlphaWouldChange(s.doc.doc));
    canvtest::SetPixel(alpha, 8, 6, 1);
    EXPECT_EQ(1, SelectionAlphaWouldChange(s.doc.doc));
    // The test reads the current layer's plane: on the base layer, without
    // any value above 0 there, nothing would change.
    s.doc->currentPlane = 0;
    if (s.doc->planes[1].image) canvtest::FillPlane(s.doc->planes[1].image, 0);
    EXPECT_EQ(0, SelectionAlphaWouldChange(s.doc.doc));
}

// ---------------------------------------------------------------------------
// The selection-history folder.

TEST(SelectionHistory, NumbersNextFreeAndPruning) {
    struct NameCase {
        const char* name;
        int number;
    } names[] = {{"a_0012.hst", 12}, {"x_y_0003.hst", 3}, {"plain.hst", -1}, {"a_12.hst", -1}, {"a_00z1.hst", -1}};
    for (const NameCase& c : names) EXPECT_EQ(c.number, SelHistNumber(c.name)) << c.name;

    testsupport::TempDir dir("hst");
    MakeSelHistFolder(dir.Path().c_str());
    EXPECT_EQ(0, ListSelHist(dir.Path().c_str()));
    for (const char* n : {"B_0000.hst", "a_0001.hst", "c_0003.hst", "note.txt"})
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.File(std::string("selhist\\") + n), "x", 1));
    EXPECT_EQ(2, ListSelHist(dir.Path().c_str()));
    // Keeping two removes the one that sorts first without regard to case.
    EXPECT_EQ(1, PruneSelHist(dir.Path().c_str(), 2));
    EXPECT_EQ(-1, testsupport::FileSize(dir.File("selhist\\a_0001.hst")));
    EXPECT_EQ(1, testsupport::FileSize(dir.File("selhist\\B_0000.hst")));
    EXPECT_EQ(1, ListSelHist(dir.Path().c_str()));
    EXPECT_EQ(0, PruneSelHist(dir.Path().c_str(), 5));
    EXPECT_EQ(1, testsupport::FileSize(dir.File("selhist\\note.txt")));
}

// ---------------------------------------------------------------------------
// Pixels through the mask.

TEST(ThroughTheMask, CopyMakesImageAndOpacityOfTheBox) {
    DocHolder doc(MakeDoc({Layer(20, 20)}));
    SetShape(doc.doc, CMD_TOOL_SELELLIPSE, 2, 2, 11, 11);
    c_SelectionTool::CommitShape(doc.doc, 0);
    VmsImage* image = (VmsImage*)1;
    VmsImage* opacity = (VmsImage*)1;
    ASSERT_EQ(1, CopySelectionToImage(doc.doc, &image, &opacity));
    EXPECT_EQ(10, image->width);
    EXPECT_EQ(10, opacity->height);
    EXPECT_EQ(255u, canvtest::Pixel(opacity, 5, 5));
    EXPECT_EQ(0u, canvtest::Pixel(opacity, 0, 0));
    g_VmsStore.Free(&image);
    g_VmsStore.Free(&opacity);
    // Another plane current: nothing is made and the outputs are null.
    doc->currentPlane = 1;
    image = opacity = (VmsImage*)1;
    EXPECT_EQ(0, CopySelectionToImage(doc.doc, &image, &opacity));
    EXPECT_EQ(nullptr, image);
    EXPECT_EQ(nullptr, opacity);
}

TEST(ThroughTheMask, ClearingNeverRaisesTheOpacity) {
    DocHolder doc(MakeDoc({Layer(20, 20), Layer(20, 20)}));
    doc->currentPlane = 8;
    VmsImage* alpha = doc->planes[9].image;
    ASSERT_NE(nullptr, alpha);
    for (int x = 0; x < 20; ++x) canvtest::SetPixel(alpha, x, 5, (uint32_t)(x * 10));
    SetShape(doc.doc, CMD_TOOL_SELRECT, 0, 0, 9, 19);
    c_SelectionTool::CommitShape(doc.doc, 0);
    // The pen's opacity half: the selected part keeps at most half.
    MaskToLayerAlpha(doc.doc, 128);
    for (int x = 0; x < 20; ++x) {
        const int v = (int)canvtest::Pixel(alpha, x, 5);
        EXPECT_LE(v, x * 10) << x;
        if (x < 10) EXPECT_NEAR(x * 10 / 2, v, 2) << x;
        else EXPECT_EQ(x * 10, v) << x;
    }
}

TEST(Edges, SobelStrengthOfAStep) {
    static const auto read = [](int x, int, int* r, int* g, int* b) {
        *r = *g = *b = x < 5 ? 0 : 200;
        return 1;
    };
    EXPECT_EQ(0, EdgeStrength(1, 1, read));
    EXPECT_GT(EdgeStrength(5, 1, read), 200);
    int x = 0, y = 0;
    EXPECT_GT(StrongestEdgePoint(&x, &y, 9, 3, 6, read), 0);
    EXPECT_TRUE(x == 4 || x == 5);
    // A flat area: the point stays.
    static const auto flat = [](int, int, int* r, int* g, int* b) {
        *r = *g = *b = 90;
        return 1;
    };
    EXPECT_EQ(0, FindEdgePoint(&x, &y, 30, 30, 30, 30, 0, 10, flat));
    EXPECT_EQ(30, x);
    EXPECT_EQ(30, y);
}

}  // namespace
