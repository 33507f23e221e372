// Small helpers shared by the bitmap and image-operation sources.
#pragma once
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

namespace dibutil {

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
private:
    HCURSOR old_;
};

// A buffer of n elements without exceptions: null when there is no memory.
template <typename T>
std::unique_ptr<T[]> Alloc(size_t n) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[n ? n : 1]);
}

inline int64_t Stride(int64_t width, int64_t bits) { return ((width * bits + 31) / 32) * 4; }

// Clipping of the row operations: false when the row or range lies outside;
// else the first column, the count and the buffer element of the first column.
inline bool ClipRow(int width, int height, int y, int x0, int x1, int* first, int* count, int* skip) {
    if (y < 0 || y > height - 1 || x1 < 0) return false;
    int start = x0 < 0 ? 0 : x0;
    if (start > width - 1) return false;
    int end = x1 > width - 1 ? width - 1 : x1;
    if (end < start) return false;
    *first = start;
    *count = end - start + 1;
    *skip = start - x0;
    return true;
}

// Bytes of the global block behind a locked pointer, or 0 when it is not one.
inline uint64_t GlobalBlockBytes(const void* p) {
    HGLOBAL h = GlobalHandle(p);
    return h ? (uint64_t)GlobalSize(h) : 0;
}

// Rounds to the nearest integer, halves away from zero.
inline int Nearest(double v) { return v > 0 ? (int)(v + 0.5) : (int)(v - 0.5); }

// Corners of a W x H image, relative to its centre (integer halves), turned
// by an angle in degrees: x' = N(x cos t - y sin t), y' = N(x sin t + y cos t).
// The turned image is (max x' - min x') x (max y' - min y'); its columns are
// the centred positions minX..maxX-1 and its rows minY..maxY-1.
struct TurnFrame {
    double c, s;
    int minX, maxX, minY, maxY;
    int width() const { return maxX - minX; }
    int height() const { return maxY - minY; }
};

inline TurnFrame FrameOf(int w, int h, double degrees) {
    TurnFrame f;
    double t = degrees * 0.017453292519943295;
    f.c = std::cos(t);
    f.s = std::sin(t);
    int xs[2] = {-(w / 2), w - w / 2 - 1}, ys[2] = {-(h / 2), h - h / 2 - 1};
    f.minX = f.minY = 0x7FFFFFFF;
    f.maxX = f.maxY = -0x7FFFFFFF;
    for (int x : xs)
        for (int y : ys) {
            int tx = Nearest(x * f.c - y * f.s), ty = Nearest(x * f.s + y * f.c);
            if (tx < f.minX) f.minX = tx;
            if (tx > f.maxX) f.maxX = tx;
            if (ty < f.minY) f.minY = ty;
            if (ty > f.maxY) f.maxY = ty;
        }
    return f;
}

}  // namespace dibutil
