// c_SplineCurve: turns up to 256 control points on a 0..255 grid into a
// 256-entry table, by a natural cubic spline or by straight segments, and
// derives slope tables from it. The object refers to the caller's point count
// and x and y arrays without copying them. Also three small numeric helpers.
#pragma once
#include <cstdint>

class c_SplineCurve {
public:
    // The cubic spline; any other kind asks for straight segments.
    static constexpr int KindSpline = 2;

    c_SplineCurve(const int32_t* count, const uint8_t* xs, const uint8_t* ys)
        : count_(count), xs_(xs), ys_(ys) {}

    // Fills the table. Nothing with fewer than 2 points; 2 points always give
    // straight segments. false, the table unchanged, when a spline is asked
    // for points whose x values do not strictly increase, or for a count
    // outside 0..256.
    bool Compute(int kind);
    // Compute, then the table (256 values).
    bool GetValues(double* out, int kind);
    // Compute, then each entry limited to 0..255 and truncated.
    bool GetBytes(uint8_t* out, int kind);
    // Slope angles in radians; scaled to 0..255 (level 128); scaled to
    // 0..20,000 (level 10,000).
    bool GetSlopes(double* out, int kind);
    bool GetSlopeBytes(uint8_t* out, int kind);
    bool GetSlopeWords(uint16_t* out, int kind);

    const double* Table() const { return table_; }

private:
    bool UsesSplineTable(int kind) const;
    // Angle of each straight segment over its x range (equal x: 0), through
    // store(index, angle).
    template <typename Store>
    void SegmentSlopes(Store store) const;
    // Slope angles + a quarter turn, times scale, limited to 0..top.
    template <typename T>
    bool ScaledSlopes(T* out, int kind, double scale, double top);
    void Segments();
    bool Spline();

    const int32_t* count_;
    const uint8_t* xs_;
    const uint8_t* ys_;
    double table_[256] = {};
};

// Floor of the square root.
uint32_t IntSqrt(uint32_t n);
// The nearest integer with halves rounded up (toward +infinity), also for
// negative values.
int32_t RoundHalfUp(double x);
// value << count for count >= 0, else value >> -count (arithmetic); counts of
// 32 and more give 0 (left) or the sign (right).
int32_t ShiftSigned(int32_t value, int32_t count);
