#include "image/spline_curve.h"

#include <cmath>

namespace {

constexpr double kQuarterTurn = 1.570795;            // 3.14159 / 2
constexpr double kByteScale = 81.4873996925124;      // 256 / 3.14159
constexpr double kWordScale = 6366.203100977531;     // 20,000 / 3.14159

double Limit(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

bool c_SplineCurve::Compute(int kind) {
    const int32_t n = *count_;
    if (n < 0 || n > 256) return false;
    if (n < 2) return true;
    if (kind == KindSpline && n >= 3) return Spline();
    Segments();
    return true;
}

void c_SplineCurve::Segments() {
    const int32_t n = *count_;
    for (int32_t i = 0; i + 1 < n; ++i) {
        const int x0 = xs_[i], x1 = xs_[i + 1];
        if (x0 > x1) continue;
        const double y0 = ys_[i], y1 = ys_[i + 1];
        if (x0 == x1) {
            table_[x0] = y1;   // a vertical step: the later point
            continue;
        }
        for (int k = 0; k <= x1 - x0; ++k) table_[x0 + k] = y0 + k * (y1 - y0) / (x1 - x0);
    }
}

bool c_SplineCurve::Spline() {
    const int32_t n = *count_;
    for (int32_t i = 0; i + 1 < n; ++i)
        if (xs_[i + 1] <= xs_[i]) return false;
    double h[256], s[256], b[256], r[256], q[256] = {};
    for (int32_t i = 0; i + 1 < n; ++i) {
        h[i] = xs_[i + 1] - xs_[i];
        s[i] = (ys_[i + 1] - ys_[i]) / h[i];
    }
    // q is a sixth of the second derivative; q[0] = q[n-1] = 0.
    b[1] = 2.0 * (xs_[2] - xs_[0]);
    r[1] = s[1] - s[0];
    for (int32_t k = 1; k <= n - 3; ++k) {
        const double f = h[k] / b[k];
        r[k + 1] = (s[k + 1] - s[k]) - f * r[k];
        b[k + 1] = 2.0 * (xs_[k + 2] - xs_[k]) - f * h[k];
    }
    for (int32_t k = n - 2; k >= 1; --k) q[k] = (r[k] - h[k] * q[k + 1]) / b[k];
    for (int j = 0; j < 256; ++j) {
        // First index whose x is at least j (n - 1 when none).
        int32_t low = 0, high = n - 1;
        while (low < high) {
            const int32_t m = (low + high) / 2;
            if (xs_[m] < j) low = m + 1;
            else high = m;
        }
        const int32_t i = low > 0 ? low - 1 : 0;
        const double t = j - xs_[i], hi = xs_[i + 1] - xs_[i];
        const double y0 = ys_[i], y1 = ys_[i + 1];
        table_[j] = y0 + t * ((y1 - y0) / hi - hi * (2 * q[i] + q[i + 1]) + t * (3 * q[i] + t * (q[i + 1] - q[i]) / hi));
    }
    return true;
}

bool c_SplineCurve::GetValues(double* out, int kind) {
    const bool ok = Compute(kind);
    for (int j = 0; j < 256; ++j) out[j] = table_[j];
    return ok;
}

bool c_SplineCurve::GetBytes(uint8_t* out, int kind) {
    const bool ok = Compute(kind);
    for (int j = 0; j < 256; ++j) out[j] = (uint8_t)Limit(table_[j], 0, 255);
    return ok;
}

bool c_SplineCurve::UsesSplineTable(int kind) const { return kind == KindSpline && *count_ != 2; }

template <typename Store>
void c_SplineCurve::SegmentSlopes(Store store) const {
    const int32_t n = *count_;
    for (int32_t i = 0; i + 1 < n; ++i) {
        const int x0 = xs_[i], x1 = xs_[i + 1];
        if (x0 > x1) continue;
        const double angle = x0 == x1 ? 0.0 : std::atan((double)(ys_[i + 1] - ys_[i]) / (x1 - x0));
        for (int x = x0; x <= x1; ++x) store(x, angle);
    }
}

bool c_SplineCurve::GetSlopes(double* out, int kind) {
    if (!UsesSplineTable(kind)) {
        SegmentSlopes([&](int x, double a) { out[x] = a; });
        return true;
    }
    const bool ok = Compute(kind);
    double p = table_[0];
    for (int j = 0; j < 256; ++j) {
        out[j] = std::atan(table_[j] - p);
        p = table_[j];
    }
    return ok;
}

template <typename T>
bool c_SplineCurve::ScaledSlopes(T* out, int kind, double scale, double top) {
    auto scaled = [&](double angle) { return (T)Limit(std::trunc((angle + kQuarterTurn) * scale), 0, top); };
    if (!UsesSplineTable(kind)) {
        SegmentSlopes([&](int x, double a) { out[x] = scaled(a); });
        return true;
    }
    const bool ok = Compute(kind);
    double p = table_[0];
    for (int j = 0; j < 256; ++j) {
        const double v = Limit(table_[j], 0, 255);
        out[j] = scaled(std::atan(v - p));
        p = v;
    }
    return ok;
}

bool c_SplineCurve::GetSlopeBytes(uint8_t* out, int kind) { return ScaledSlopes(out, kind, kByteScale, 255); }

bool c_SplineCurve::GetSlopeWords(uint16_t* out, int kind) { return ScaledSlopes(out, kind, kWordScale, 20000); }

uint32_t IntSqrt(uint32_t n) {
    if (n == 0) return 0;
    uint32_t g = 1, m = n;
    if (n > 1)
        while (g < m) {
            g <<= 1;
            m >>= 1;
        }
    for (;;) {
        const uint32_t next = (uint32_t)(((uint64_t)g + n / g) / 2);
        if (next >= g) return g;
        g = next;
    }
}

int32_t RoundHalfUp(double x) {
    const double f = std::floor(x);
    return (int32_t)f + (x - f >= 0.5 ? 1 : 0);
}

int32_t ShiftSigned(int32_t value, int32_t count) {
    if (count >= 0) return count >= 32 ? 0 : (int32_t)((uint32_t)value << count);
    return count <= -32 ? (value < 0 ? -1 : 0) : value >> -count;
}
