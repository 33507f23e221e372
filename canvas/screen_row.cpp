#include "canvas/screen_row.h"

#include <algorithm>
#include <cstring>

c_ScreenRow g_ScreenRow;

namespace {

// Blend of a channel toward a colour by an 8-bit weight.
inline uint8_t Blend(int colour, int channel, int weight) {
    return (uint8_t)((colour * weight + channel * (255 - weight)) / 255);
}

}  // namespace

// Rows are tinted in pieces of at most 2,001 columns, the most GetRow reads at
// once, so that every column of a wide rectangle is read before it is blended.
// rampMode 0 ramps the weight down the rectangle, 1 across it, -1 keeps `weight`.
void c_ScreenRow::TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                           int rampMode, int weight) {
    if (x1 < x0 || y1 < y0) return;
    uint8_t buffer[kMaxReadPixels * 4];
    std::memset(buffer, 0, sizeof buffer);
    const long long width = (long long)x1 - x0 + 1;
    const long long height = (long long)y1 - y0 + 1;
    for (int y = y0; y <= y1; ++y) {
        if (rampMode == 0) weight = (int)(128 * ((long long)y - y0) / height);
        for (long long start = x0; start <= x1; start += kMaxReadPixels) {
            int piece0 = (int)start;
            int piece1 = (int)std::min<long long>(x1, start + kMaxReadPixels - 1);
            GetRow(dc, y, piece0, piece1, buffer);
            for (int x = piece0; x <= piece1; ++x) {
                if (rampMode == 1) weight = (int)(128 * ((long long)x - x0) / width);
                uint8_t* p = buffer + (size_t)(x - piece0) * 4;
                p[0] = Blend(blue, p[0], weight);
                p[1] = Blend(green, p[1], weight);
                p[2] = Blend(red, p[2], weight);
            }
            PutRow(dc, y, piece0, piece1, buffer);
        }
    }
}

void c_ScreenRow::TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                           int weight) {
    TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(weight, 0, 255));
}

void c_ScreenRow::GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green,
                                   int blue, int mode) {
    if (mode == 0 || mode == 1)
        TintRows(dc, x0, y0, x1, y1, red, green, blue, mode, 0);
    else
        TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(mode, 0, 255));
}
