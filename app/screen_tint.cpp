#include "app/screen_tint.h"

#include <cstdint>

#include "ui/drawutil.h"

namespace {

// Copies the rectangle into a 32-bit top-down DIB section, lets blend change
// every pixel (given its column and row), and copies it back.
template <typename Blend>
void BlendRect(HDC dc, int x0, int y0, int x1, int y1, Blend blend) {
    if (x0 > x1 || y0 > y1) return;
    int w = x1 - x0 + 1, h = y1 - y0 + 1;
    BITMAPINFO bi = TopDownDibInfo(w, h, 32);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) return;
    HDC mem = CreateCompatibleDC(dc);
    if (mem) {
        HGDIOBJ old = SelectObject(mem, section);
        BitBlt(mem, 0, 0, w, h, dc, x0, y0, SRCCOPY);
        GdiFlush();
        auto* px = static_cast<uint8_t*>(bits);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) blend(px + ((size_t)y * w + x) * 4, x, y, w, h);
        BitBlt(dc, x0, y0, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    DeleteObject(section);
}

void Mix(uint8_t* p, int red, int green, int blue, int weight) {
    p[0] = (uint8_t)((blue * weight + p[0] * (255 - weight)) / 255);
    p[1] = (uint8_t)((green * weight + p[1] * (255 - weight)) / 255);
    p[2] = (uint8_t)((red * weight + p[2] * (255 - weight)) / 255);
}

}  // namespace

void TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight) {
    BlendRect(dc, x0 < x1 ? x0 : x1, y0, x0 < x1 ? x1 : x0, y1,
              [&](uint8_t* p, int, int, int, int) { Mix(p, red, green, blue, weight); });
}

void GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int mode) {
    BlendRect(dc, x0, y0, x1, y1, [&](uint8_t* p, int x, int y, int w, int h) {
        int weight = mode == 0 ? 128 * y / h : mode == 1 ? 128 * x / w : mode;
        Mix(p, red, green, blue, weight);
    });
}
