// The polygon span filler against a point-in-polygon reference.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "ui/polyfill.h"

namespace {

struct Span {
    int x0, x1, y;
};

void Collect(int x0, int x1, int y, void* user) {
    static_cast<std::vector<Span>*>(user)->push_back({x0, x1, y});
}

std::vector<Span> Fill(const std::vector<std::pair<int, int>>& pts, int* box = nullptr) {
    std::vector<int> xs, ys;
    for (auto& p : pts) {
        xs.push_back(p.first);
        ys.push_back(p.second);
    }
    std::vector<Span> spans;
    int dummy[4];
    int* b = box ? box : dummy;
    FillPolygonSpans(xs.data(), ys.data(), (int)xs.size(), Collect, &b[0], &b[1], &b[2], &b[3],
                     &spans);
    return spans;
}

std::set<std::pair<int, int>> Pixels(const std::vector<Span>& spans) {
    std::set<std::pair<int, int>> px;
    for (const Span& s : spans) {
        EXPECT_LE(s.x0, s.x1);
        for (int x = s.x0; x <= s.x1; ++x) px.insert({x, s.y});
    }
    return px;
}

// Distance from (x, y) to the closed polygon's boundary, and whether the point
// is inside it (even-odd ray cast).
double BoundaryDistance(const std::vector<std::pair<int, int>>& p, double x, double y) {
    double best = 1e9;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        double ax = p[i].first, ay = p[i].second, bx = p[i + 1].first, by = p[i + 1].second;
        double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / len2 : 0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        best = std::min(best, std::hypot(x - (ax + t * dx), y - (ay + t * dy)));
    }
    return best;
}

bool Inside(const std::vector<std::pair<int, int>>& p, double x, double y) {
    bool in = false;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        double ax = p[i].first, ay = p[i].second, bx = p[i + 1].first, by = p[i + 1].second;
        if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay)) in = !in;
    }
    return in;
}


}  // namespace

// Points strictly inside are filled and points strictly outside are not; which
// boundary points are filled is the half-open rule's business (tested below).
TEST(PolygonFill, ShapesWithExactCrossingsMatchPointInPolygon) {
    const std::vector<std::vector<std::pair<int, int>>> shapes = {
        {{0, 0}, {10, 0}, {10, 5}, {0, 5}, {0, 0}},                               // rectangle
        {{10, 0}, {20, 10}, {10, 20}, {0, 10}, {10, 0}},                          // diamond
        {{0, 0}, {3, 0}, {3, 6}, {6, 6}, {6, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 0}},  // U
        {{0, 0}, {2, 0}, {5, 3}, {8, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}},     // notch from the top
        {{0, 0}, {12, 0}, {12, 4}, {4, 4}, {4, 8}, {12, 8}, {12, 12}, {0, 12}, {0, 0}},  // E-ish
        {{5, 2}, {9, 6}, {5, 10}, {1, 6}, {5, 2}, {5, 2}},                        // repeated vertex
    };
    for (size_t k = 0; k < shapes.size(); ++k) {
        const auto& s = shapes[k];
        int box[4];
        auto px = Pixels(Fill(s, box));
        int boundary = 0;
        for (int y = box[1] - 1; y <= box[3] + 1; ++y)
            for (int x = box[0] - 1; x <= box[2] + 1; ++x) {
                bool filled = px.count({x, y}) == 1;
                if (BoundaryDistance(s, x, y) < 1e-9) {
                    EXPECT_TRUE(y >= box[1] && y <= box[3]);
                    boundary += filled;
                    continue;
                }
                EXPECT_EQ(Inside(s, x, y), filled) << "shape " << k << " at " << x << "," << y;
            }
        EXPECT_GT(boundary, 0) << "shape " << k;
    }
}

TEST(PolygonFill, SlantedShapeDiffersFromTheReferenceOnlyAtItsEdges) {
    // A star with slopes that are not whole numbers.
    std::vector<std::pair<int, int>> star;
    for (int i = 0; i <= 10; ++i) {
        double a = 3.14159265358979 * 2 * (i % 10) / 10 - 3.14159265358979 / 2;
        double r = (i % 2) ? 15 : 40;
        star.push_back({(int)std::lround(50 + r * std::cos(a)), (int)std::lround(50 + r * std::sin(a))});
    }
    int box[4];
    auto px = Pixels(Fill(star, box));
    int inside = 0;
    for (int y = box[1] - 1; y <= box[3] + 1; ++y)
        for (int x = box[0] - 1; x <= box[2] + 1; ++x) {
            bool filled = px.count({x, y}) == 1;
            if (BoundaryDistance(star, x, y) <= 1.0) continue;   // rounding at the edge
            EXPECT_EQ(Inside(star, x, y), filled) << x << "," << y;
            inside += filled;
        }
    EXPECT_GT(inside, 500);
}

TEST(PolygonFill, TriangleWithAndWithoutTheClosingVertex) {
    int box[4];
    auto closed = Fill({{0, 0}, {10, 0}, {0, 10}, {0, 0}}, box);
    std::set<int> rows;
    for (const Span& s : closed) rows.insert(s.y);
    EXPECT_EQ(11u, rows.size());
    EXPECT_EQ(0, *rows.begin());
    EXPECT_EQ(10, *rows.rbegin());
    ASSERT_FALSE(closed.empty());
    EXPECT_EQ(0, closed[0].y);
    EXPECT_EQ(0, closed[0].x0);
    EXPECT_EQ(10, closed[0].x1);
    EXPECT_EQ((std::vector<int>{0, 0, 10, 10}), std::vector<int>(box, box + 4));

    EXPECT_TRUE(Fill({{0, 0}, {10, 0}, {0, 10}}).empty());   // open: no line has two crossings
}

TEST(PolygonFill, HorizontalEdgesFollowTheHalfOpenRule) {
    // A bar over a notch: the underside of the upper bar (row 4, not the bottom of
    // the polygon) is not filled between x 4 and 12; the lowest row is.
    int box[4];
    auto px = Pixels(Fill({{0, 0}, {12, 0}, {12, 4}, {4, 4}, {4, 8}, {12, 8}, {12, 12}, {0, 12}, {0, 0}}, box));
    EXPECT_EQ(1u, px.count({4, 4}));
    EXPECT_EQ(0u, px.count({8, 4}));
    EXPECT_EQ(1u, px.count({8, 8}));   // top of the lower bar
    for (int x = 0; x <= 12; ++x) EXPECT_EQ(1u, px.count({x, 12})) << x;
}

TEST(PolygonFill, BottomEdgeRowIsFilled) {
    auto spans = Fill({{5, 0}, {10, 8}, {0, 8}, {5, 0}});
    ASSERT_FALSE(spans.empty());
    const Span& last = spans.back();
    EXPECT_EQ(8, last.y);
    EXPECT_EQ(0, last.x0);
    EXPECT_EQ(10, last.x1);
}

TEST(PolygonFill, TooFewPointsAndOptionalBox) {
    int xs[] = {0, 5, 5, 0}, ys[] = {0, 0, 5, 0};
    std::vector<Span> spans;
    int b[4] = {-7, -7, -7, -7};
    EXPECT_EQ(0, FillPolygonSpans(xs, ys, 2, Collect, &b[0], &b[1], &b[2], &b[3], &spans));
    EXPECT_TRUE(spans.empty());
    EXPECT_EQ(-7, b[0]);
    EXPECT_EQ(1, FillPolygonSpans(xs, ys, 4, Collect, nullptr, &b[1], &b[2], &b[3], &spans));
    EXPECT_EQ((std::vector<int>{-7, -7, -7, -7}), std::vector<int>(b, b + 4));   // not written
    EXPECT_FALSE(spans.empty());
}

TEST(PolygonFill, EdgeLimit) {
    std::vector<int> xs, ys;
    for (int i = 0; i <= kPolygonMaxEdges; ++i) {   // kPolygonMaxEdges edges: accepted
        xs.push_back(i % 2 ? 100 : 0);
        ys.push_back(i);
    }
    std::vector<Span> spans;
    EXPECT_EQ(1, FillPolygonSpans(xs.data(), ys.data(), (int)xs.size(), Collect, nullptr, nullptr,
                                  nullptr, nullptr, &spans));
    xs.push_back(0);
    ys.push_back(0);
    EXPECT_EQ(0, FillPolygonSpans(xs.data(), ys.data(), (int)xs.size(), Collect, nullptr, nullptr,
                                  nullptr, nullptr, &spans));
}

TEST(PolygonFill, SortIntsAscending) {
    int v[] = {5, -1, 9, 0, 5, 3};
    SortIntsAscending(v, 6);
    EXPECT_EQ((std::vector<int>{-1, 0, 3, 5, 5, 9}), std::vector<int>(v, v + 6));
}

TEST(PolygonFill, RowsOutsideTheTargetAreNotWalked) {
    // A rectangle from the lowest to the highest int row, asked for rows 3..5:
    // exactly those three spans, and the box of the vertices all the same.
    int xs[] = {2, 9, 9, 2, 2}, ys[] = {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN};
    std::vector<Span> spans;
    int b[4] = {};
    ASSERT_EQ(1, FillPolygonSpans(xs, ys, 5, Collect, &b[0], &b[1], &b[2], &b[3], &spans, 3, 5));
    ASSERT_EQ(3u, spans.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(3 + i, spans[i].y);
        EXPECT_EQ(2, spans[i].x0);
        EXPECT_EQ(9, spans[i].x1);
    }
    EXPECT_EQ((std::vector<int>{2, INT_MIN, 9, INT_MAX}), std::vector<int>(b, b + 4));
}
