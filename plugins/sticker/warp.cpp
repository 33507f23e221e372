#include "warp.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// How far the shapes bend, in units of the ink's height.
constexpr double kSwell = 0.6;         // the centre's extra height when swelling
constexpr double kPinch = 0.5;         // the centre's lost height when pinching
constexpr double kGrowFrom = 0.4;      // the small end's height when growing to one side
constexpr double kWaveHeight = 0.75;   // wave amplitude times the first scale
constexpr double kSlope = 0.25;        // rise per unit of length of the slants
constexpr double kInnerRadius = 0.75;  // smallest radius of the circle's middle line

struct Point {
    double x, y;
};

// A style's geometry over the strip [0, length] x [0, 1]: Forward places a
// point of the flat ink on the plane, Inverse finds the flat point of a plane
// point.
struct Shape {
    enum Kind { kFlat, kColumns, kShift, kArc } kind = kFlat;
    int code = 0;
    double length = 1;
    // kShift: the wave's amplitude and half turns.
    double amplitude = 0, turns = 1;
    // kArc: the angle spanned, the radius of the ink's middle line, and
    // whether the glyphs stand on the outside of the circle's top (their tops
    // outward) or hang from the inside of its bottom (tops towards the centre).
    double span = 0, radius = 1;
    bool upper = true;

    // kColumns: a column's height at u (0 left .. 1 right), about the middle.
    double ColumnHeight(double u) const {
        switch (code) {
        case 10: return 1.0 + kSwell * std::sin(kPi * u);
        case 11: return 1.0 - kPinch * std::sin(kPi * u);
        case 12: return kGrowFrom + (1.0 - kGrowFrom) * u;
        default: return 1.0 - (1.0 - kGrowFrom) * u;
        }
    }
    // kShift: a column's vertical offset at s (negative upwards).
    double ColumnShift(double s) const {
        switch (code) {
        case 14: return -amplitude * std::sin(kPi * turns * s / length);
        case 15: return amplitude * std::sin(kPi * turns * s / length);
        case 16: return -kSlope * s;
        default: return kSlope * s;
        }
    }

    Point Forward(double s, double t) const {
        switch (kind) {
        case kColumns: return {s, 0.5 + (t - 0.5) * ColumnHeight(s / length)};
        case kShift: return {s, t + ColumnShift(s)};
        case kArc: {
            double phi = (s / length - 0.5) * span;
            double r = upper ? radius + 0.5 - t : radius - 0.5 + t;
            return {r * std::sin(phi), upper ? -r * std::cos(phi) : r * std::cos(phi)};
        }
        default: return {s, t};
        }
    }

    // The flat point (s, t) of a plane point; the shapes are one to one, and
    // a plane point off the warped strip finds a flat point off the ink.
    Point Inverse(Point p) const {
        switch (kind) {
        case kColumns: return {p.x, 0.5 + (p.y - 0.5) / ColumnHeight(std::clamp(p.x / length, 0.0, 1.0))};
        case kShift: return {p.x, p.y - ColumnShift(p.x)};
        case kArc: {
            double r = std::hypot(p.x, p.y);
            double phi = std::atan2(p.x, upper ? -p.y : p.y);
            return {(phi / span + 0.5) * length, upper ? radius + 0.5 - r : r - radius + 0.5};
        }
        default: return p;
        }
    }
};

// An arc of the given span whose middle line is as long as the ink; a span
// that would need a circle smaller than the smallest is narrowed instead.
void SetArc(Shape* shape, double span, bool upper) {
    shape->kind = Shape::kArc;
    shape->upper = upper;
    shape->radius = std::max(shape->length / span, kInnerRadius);
    shape->span = shape->length / shape->radius;
}

Shape MakeShape(int code, double scale1, double scale2, double length) {
    Shape shape;
    shape.code = code;
    shape.length = length;
    if (scale1 <= 0) scale1 = 2.0;
    if (scale2 <= 0) scale2 = 1.0;
    switch (code) {
    case 10: case 11: case 12: case 13: shape.kind = Shape::kColumns; break;
    case 14: case 15:
        // One half turn is an arch along a circle; more make a wave.
        if (scale2 > 1.0) {
            shape.kind = Shape::kShift;
            shape.amplitude = kWaveHeight / scale1;
            shape.turns = scale2;
        } else {
            SetArc(&shape, kPi / scale1, code == 14);
        }
        break;
    case 16: case 17: shape.kind = Shape::kShift; break;
    case 100:   // around the whole circle, a gap of one unit where the ends meet
        SetArc(&shape, 2 * kPi * length / (length + 1.0), true);
        break;
    case 101: case 102: SetArc(&shape, kPi, code == 101); break;
    default: break;
    }
    return shape;
}

// The bilinear sample of the coverage at a pixel position (pixel centres at
// whole numbers); outside the image counts as no coverage.
double Sample(const Coverage& c, double x, double y) {
    int x0 = (int)std::floor(x), y0 = (int)std::floor(y);
    double fx = x - x0, fy = y - y0;
    auto at = [&](int xx, int yy) {
        return xx < 0 || yy < 0 || xx >= c.width || yy >= c.height ? 0.0 : (double)c.At(xx, yy);
    };
    double top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
    double bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

// The box of the pixels with any coverage; false when there is none.
bool InkBox(const Coverage& c, int* left, int* top, int* right, int* bottom) {
    *left = c.width, *top = c.height, *right = -1, *bottom = -1;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.At(x, y)) {
                *left = std::min(*left, x);
                *right = std::max(*right, x);
                *top = std::min(*top, y);
                *bottom = std::max(*bottom, y);
            }
    return *right >= 0;
}

}  // namespace

void WarpCoverage(const Coverage& flat, int code, double scale1, double scale2, int margin, Coverage* out) {
    int left, top, right, bottom;
    if (!InkBox(flat, &left, &top, &right, &bottom)) {
        out->pixels = flat.pixels;
        return;
    }
    double unit = bottom - top + 1;   // pixels of one unit in the flat ink
    Shape shape = MakeShape(code, scale1, scale2, (right - left + 1) / unit);
    if (shape.kind == Shape::kFlat) {
        out->pixels = flat.pixels;
        return;
    }
    // The warped strip's extent, from its outline (every shape takes its
    // extremes on the strip's edges).
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    constexpr int kSteps = 512;
    for (int i = 0; i <= kSteps; ++i) {
        double f = (double)i / kSteps;
        const Point edge[4] = {shape.Forward(f * shape.length, 0), shape.Forward(f * shape.length, 1),
                               shape.Forward(0, f), shape.Forward(shape.length, f)};
        for (const Point& p : edge) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
    }
    // Pixels per unit: the flat size at most, less where the warped ink needs
    // more room than the target has inside its margin.
    int roomW = flat.width - 2 * margin, roomH = flat.height - 2 * margin;
    if (roomW < 1) roomW = flat.width;
    if (roomH < 1) roomH = flat.height;
    double scale = std::min({unit, roomW / (maxX - minX), roomH / (maxY - minY)});
    double originX = (flat.width - (maxX - minX) * scale) / 2 - minX * scale;
    double originY = (flat.height - (maxY - minY) * scale) / 2 - minY * scale;
    // Four samples a pixel, each traced back to the flat ink.
    static const double kSub[2] = {0.25, 0.75};
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x) {
            double sum = 0;
            for (double sy : kSub)
                for (double sx : kSub) {
                    Point st = shape.Inverse({(x + sx - originX) / scale, (y + sy - originY) / scale});
                    sum += Sample(flat, left + st.x * unit - 0.5, top + st.y * unit - 0.5);
                }
            out->Ref(x, y) = (uint8_t)std::min(255.0, sum / 4 + 0.5);
        }
}
