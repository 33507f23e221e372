// Shape fills and outlines against small fixtures; dab placement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/shapes.h"
#include "paint/stroke.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
// The canvas as text: X where the pixel is no longer white.
std::vector<std::string> Picture(TestCanvas& t) {
    std::vector<std::string> rows;
    for (int y = 0; y < t.view.height; ++y) {
        std::string row;
        for (int x = 0; x < t.view.width; ++x) row += t.Pixel(x, y) == 0x00FFFFFF ? '.' : 'X';
        rows.push_back(row);
    }
    return rows;
}

std::vector<float> g_Points;
const float* Points(PenCanvas*, int, int* count) {
    *count = (int)g_Points.size() / 2;
    return g_Points.data();
}

// A one-pixel hard pen in black.
void PixelPen() { SetPen(0, 0, 0, 0.0, kShapeSolidBox); }
}  // namespace

TEST(DabPlacement, PositionsAlongASegment) {
    struct Case {
        double x0, y0, x1, y1;
        int last, every;
        double spacing;
        std::vector<std::pair<double, double>> expect;
    } cases[] = {
        // Length 10, not last: pulled back by 0.5, so the last dab is at 9.
        {0, 0, 10, 0, 0, 1, 2.0, {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}}},
        {0, 0, 10, 0, 0, 0, 2.0, {{2, 0}, {4, 0}, {6, 0}, {8, 0}}},
        {0, 0, 10, 0, 0, 1, 3.0, {{0, 0}, {3, 0}, {6, 0}, {9, 0}}},
        // Length 1.2: not pulled back.
        {0, 0, 1.2, 0, 0, 1, 1.0, {{0, 0}, {1, 0}}},
        // The last segment keeps its end; going left.
        {4, 1, 0, 1, 1, 1, 1.0, {{4, 1}, {3, 1}, {2, 1}, {1, 1}}},
        // Steep: y is the major axis; x reaches the far end at the pulled-back end.
        {0, 0, 2, 5, 0, 1, 1.5, {{0, 0}, {2.0 / 3, 1.5}, {4.0 / 3, 3.0}}},
        // One point: nothing.
        {3, 3, 3, 3, 0, 1, 1.0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<double, double>> got;
        ForEachDabPosition(c.x0, c.y0, c.x1, c.y1, c.last, c.every, c.spacing,
                           [&](double x, double y) { got.push_back({x, y}); });
        ASSERT_EQ(c.expect.size(), got.size()) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(c.expect[i].first, got[i].first, 1e-9);
            EXPECT_NEAR(c.expect[i].second, got[i].second, 1e-9);
        }
    }
}

TEST(DabPlacement, SpacingAndMinimumDistanceFollowThePenSize) {
    struct Case {
        double radius;
        int size;
        double spacing, minDistance;
    } cases[] = {{1.0, 4, 1.0, 1.0}, {19.0, 40, 5.0, 2.0}, {0.0, 2, 1.0, 1.0}};
    for (const Case& c : cases) {
        SetPen(0, 0, 0, c.radius, 2);
        EXPECT_EQ(c.size, c_PenTip::GetSize());
        EXPECT_DOUBLE_EQ(c.spacing, StrokeSpacing());
        EXPECT_DOUBLE_EQ(c.minDistance, StrokeMinDistance(0.05));
    }
}

TEST(ShapeFills, BoxGivenBackwardsIsNormalised) {
    TestCanvas t(7, 6);
    PixelPen();
    FillBoxWithPen(&t.view, 2, 5, 4, 1, 1);
    std::vector<std::string> expect = {
        ".......",
        ".XXXXX.",
        ".XXXXX.",
        ".XXXXX.",
        ".XXXXX.",
        ".......",
    };
    EXPECT_EQ(expect, Picture(t));
    EXPECT_EQ(1, t.savePoints);
    EXPECT_EQ(1, t.modified);
}

TEST(ShapeFills, Ellipse) {
    TestCanvas t(9, 7);
    PixelPen();
    FillEllipseWithPen(&t.view, 1, RECT{1, 1, 7, 5});
    std::vector<std::string> expect = {
        ".........",
        "....X....",
        "..XXXXX..",
        ".XXXXXXX.",
        "..XXXXX..",
        "....X....",
        ".........",
    };
    EXPECT_EQ(expect, Picture(t));
    EXPECT_EQ(1, t.savePoints);
}

TEST(ShapeFills, PolygonClosesItselfAndNeedsThreePoints) {
    TestCanvas t(8, 8);
    PixelPen();
    t.view.shapePoints = Points;
    g_Points = {1, 1, 6, 1};
    FillPolygonWithPen(&t.view, 1);
    EXPECT_EQ(0, t.savePoints);
    g_Points = {1, 1, 6, 1, 6, 6, 1, 6};
    FillPolygonWithPen(&t.view, 1);
    auto pic = Picture(t);
    EXPECT_EQ('X', pic[3][3]);
    EXPECT_EQ('X', pic[1][1]);
    EXPECT_EQ('.', pic[0][0]);
    EXPECT_EQ('.', pic[7][7]);
    EXPECT_EQ('.', pic[3][7]);
    EXPECT_EQ(1, t.savePoints);
}

TEST(ShapeOutlines, BoxOutlineFromItsCorners) {
    TestCanvas t(15, 11);
    PixelPen();
    StrokeBoxOutline(&t.view, 1, 2, 2, 12, 8);
    auto pic = Picture(t);
    int painted = 0;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 15; ++x) {
            bool edge = (x >= 2 && x <= 12 && (y == 2 || y == 8)) || (y >= 2 && y <= 8 && (x == 2 || x == 12));
            EXPECT_EQ(edge ? 'X' : '.', pic[y][x]) << x << "," << y;
            painted += pic[y][x] == 'X';
        }
    EXPECT_EQ(32, painted);
    EXPECT_EQ(1, t.savePoints);
}

TEST(ShapeOutlines, EllipseOutlineIsSymmetricAndHollow) {
    TestCanvas t(21, 15);
    PixelPen();
    StrokeEllipseOutline(&t.view, 1, RECT{2, 2, 18, 12});
    auto pic = Picture(t);
    EXPECT_EQ('.', pic[7][10]);
    EXPECT_EQ('X', pic[7][2]);
    EXPECT_EQ('X', pic[7][18]);
    EXPECT_EQ('X', pic[2][10]);
    EXPECT_EQ('X', pic[12][10]);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 21; ++x) EXPECT_EQ(pic[y][x], pic[y][20 - x]) << x << "," << y;
}

TEST(ShapeOutlines, PointListJoinsConsecutivePoints) {
    TestCanvas t(10, 10);
    PixelPen();
    t.view.shapePoints = Points;
    g_Points = {1, 1, 8, 1, 8, 8};
    StrokeShapePoints(&t.view, 2);
    auto pic = Picture(t);
    EXPECT_EQ("..........", pic[0]);
    EXPECT_EQ(".XXXXXXXX.", pic[1]);
    EXPECT_EQ('X', pic[7][8]);
    EXPECT_EQ('.', pic[8][8]);   // a segment stops short of its end
    EXPECT_EQ('.', pic[5][5]);
}
