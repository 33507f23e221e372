// c_SplineCurve against hand-checked values, its slope tables, refused point
// sets, and the numeric helpers at the ends of their ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "image/spline_curve.h"

namespace {

struct Points {
    int32_t n;
    uint8_t x[256];
    uint8_t y[256];
    Points(std::initializer_list<std::pair<int, int>> points) : n((int32_t)points.size()), x{}, y{} {
        int i = 0;
        for (auto [px, py] : points) {
            x[i] = (uint8_t)px;
            y[i++] = (uint8_t)py;
        }
    }
};

TEST(SplineCurve, HandCheckedSplineValues) {
    Points p{{0, 0}, {128, 200}, {255, 255}};
    c_SplineCurve curve(&p.n, p.x, p.y);
    double values[256];
    ASSERT_TRUE(curve.GetValues(values, c_SplineCurve::KindSpline));
    EXPECT_NEAR(values[64], 113.6063, 0.00005);
    EXPECT_NEAR(values[192], 241.0751, 0.00005);
    // Through every control point.
    EXPECT_NEAR(values[0], 0, 1e-9);
    EXPECT_NEAR(values[128], 200, 1e-9);
    EXPECT_NEAR(values[255], 255, 1e-9);
    uint8_t bytes[256];
    ASSERT_TRUE(curve.GetBytes(bytes, c_SplineCurve::KindSpline));
    EXPECT_EQ(bytes[64], 113);
    EXPECT_EQ(bytes[192], 241);
}

TEST(SplineCurve, AStraightSplineAndItsSlopes) {
    Points p{{0, 0}, {128, 128}, {255, 255}};
    c_SplineCurve curve(&p.n, p.x, p.y);
    double values[256];
    ASSERT_TRUE(curve.GetValues(values, c_SplineCurve::KindSpline));
    for (int j = 0; j < 256; ++j) ASSERT_NEAR(values[j], j, 1e-9) << j;
    uint8_t slopes[256];
    ASSERT_TRUE(curve.GetSlopeBytes(slopes, c_SplineCurve::KindSpline));
    EXPECT_EQ(slopes[0], 128);
    for (int j = 1; j < 256; ++j) ASSERT_EQ(slopes[j], 192) << j;
    uint16_t words[256];
    ASSERT_TRUE(curve.GetSlopeWords(words, c_SplineCurve::KindSpline));
    EXPECT_EQ(words[0], 10000);
    EXPECT_EQ(words[100], 15000);
    double radians[256];
    ASSERT_TRUE(curve.GetSlopes(radians, c_SplineCurve::KindSpline));
    EXPECT_EQ(radians[0], 0.0);
    EXPECT_NEAR(radians[50], std::atan(1.0), 1e-9);
}

TEST(SplineCurve, StraightSegments) {
    // Two points give the straight line whatever the kind.
    Points two{{10, 0}, {20, 100}};
    c_SplineCurve line(&two.n, two.x, two.y);
    double v[256];
    ASSERT_TRUE(line.GetValues(v, c_SplineCurve::KindSpline));
    EXPECT_DOUBLE_EQ(v[15], 50.0);
    EXPECT_DOUBLE_EQ(v[10], 0.0);
    EXPECT_DOUBLE_EQ(v[20], 100.0);
    EXPECT_DOUBLE_EQ(v[0], 0.0);     // left of the first point: untouched
    EXPECT_DOUBLE_EQ(v[255], 0.0);

    Points falling{{0, 255}, {100, 155}, {255, 0}};
    c_SplineCurve segments(&falling.n, falling.x, falling.y);
    uint8_t b[256];
    ASSERT_TRUE(segments.GetBytes(b, 1));
    EXPECT_EQ(b[50], 205);
    EXPECT_EQ(b[100], 155);
    uint8_t slope[256];
    uint16_t words[256];
    ASSERT_TRUE(segments.GetSlopeBytes(slope, 1));
    ASSERT_TRUE(segments.GetSlopeWords(words, 1));
    EXPECT_EQ(slope[50], 63);      // a fall of 1 a step, truncated
    EXPECT_EQ(words[50], 4999);
}

TEST(SplineCurve, PointsThatDoNotIncreaseAreRefusedNotDividedBy) {
    Points repeated{{0, 0}, {100, 50}, {100, 200}, {255, 255}};
    c_SplineCurve curve(&repeated.n, repeated.x, repeated.y);
    double v[256];
    EXPECT_FALSE(curve.GetValues(v, c_SplineCurve::KindSpline));
    for (int j = 0; j < 256; ++j) ASSERT_TRUE(std::isfinite(v[j])) << j;
    uint8_t slopes[256];
    curve.GetSlopeBytes(slopes, c_SplineCurve::KindSpline);
    // Straight segments take the vertical step without a division.
    ASSERT_TRUE(curve.GetValues(v, 1));
    for (int j = 0; j < 256; ++j) ASSERT_TRUE(std::isfinite(v[j])) << j;
    EXPECT_DOUBLE_EQ(v[100], 200.0);
    double radians[256];
    ASSERT_TRUE(curve.GetSlopes(radians, 1));
    for (int j = 0; j < 256; ++j) ASSERT_TRUE(std::isfinite(radians[j])) << j;

    Points backwards{{0, 0}, {200, 50}, {100, 255}};
    c_SplineCurve back(&backwards.n, backwards.x, backwards.y);
    EXPECT_FALSE(back.Compute(c_SplineCurve::KindSpline));
    Points one{{5, 5}};
    c_SplineCurve single(&one.n, one.x, one.y);
    EXPECT_TRUE(single.Compute(c_SplineCurve::KindSpline));   // nothing to do
    EXPECT_DOUBLE_EQ(single.Table()[5], 0.0);
}

TEST(NumericHelpers, IntSqrtRoundHalfUpShiftSigned) {
    struct Root { uint32_t n, root; };
    const Root roots[] = {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {8, 2}, {9, 3}, {16, 4}, {99, 9},
                          {65535u * 65535u, 65535}, {65535u * 65535u - 1, 65534}, {4294967295u, 65535}};
    for (const Root& r : roots) EXPECT_EQ(IntSqrt(r.n), r.root) << r.n;

    struct Round { double x; int32_t r; };
    const Round rounds[] = {{2.5, 3}, {2.49, 2}, {0.0, 0}, {0.5, 1}, {-2.5, -2}, {-2.51, -3}, {-0.4, 0}};
    for (const Round& r : rounds) EXPECT_EQ(RoundHalfUp(r.x), r.r) << r.x;

    struct Shift { int32_t v, count, r; };
    const Shift shifts[] = {{-16, -2, -4}, {3, 4, 48}, {-1, -31, -1}, {5, 0, 5}, {1, 40, 0}, {-8, -40, -1},
                            {8, -40, 0}, {-3, 1, -6}};
    for (const Shift& s : shifts) EXPECT_EQ(ShiftSigned(s.v, s.count), s.r) << s.v << " " << s.count;
}

}  // namespace
