// c_Dib point and neighbourhood filters (in place).
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/c_dib.h"
#include "image/c_dib_util.h"
#include "image/colour_model.h"
#include "image/progress.h"
#include "image/vms_store.h"

using dibutil::Alloc;

namespace {

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Maps the blue, green and red bytes of every pixel through three tables,
// with progress every 20 rows.
int MapColour(VmsImage* image, const uint8_t* blue, const uint8_t* green, const uint8_t* red) {
    if (!image || image->bits != 32) return 0;
    const int W = image->width, H = image->height;
    auto row = Alloc<uint8_t>((size_t)W * 4);
    if (!row) return 0;
    for (int y = 0; y < H; ++y) {
        if (y % 20 == 0) SendProgress((int)((int64_t)y * 100 / H));
        g_VmsStore.GetRow(image, y, 0, W - 1, row.get());
        uint8_t* p = row.get();
        for (int x = 0; x < W; ++x, p += 4) {
            p[0] = blue[p[0]];
            p[1] = green[p[1]];
            p[2] = red[p[2]];
        }
        g_VmsStore.PutRow(image, y, 0, W - 1, row.get());
    }
    SendProgressEnd();
    return 1;
}

}  // namespace

int c_Dib::ApplyDodge(VmsImage* image, int s) {
    if (s < 0) s = 0;
    if (s > 254) s = 254;
    uint8_t t[256];
    for (int v = 0; v < 256; ++v) {
        int r = v * 255 / (255 - s);
        t[v] = (uint8_t)(r > 255 ? 255 : r);
    }
    return MapColour(image, t, t, t);
}

int c_Dib::ApplyBurn(VmsImage* image, int s) {
    if (s < 0) s = 0;
    if (s > 254) s = 254;
    uint8_t t[256];
    for (int v = 0; v < 256; ++v) {
        int c = (255 - v) * 255 / (255 - s);
        t[v] = (uint8_t)(c >= 256 ? 0 : 255 - c);
    }
    return MapColour(image, t, t, t);
}

int c_Dib::ApplyColourTemperature(VmsImage* image, int level) {
    uint8_t red[256], blue[256], green[256];
    auto build = [](uint8_t* table, int m) {
        if (m < 1) m = 1;
        if (m > 255) m = 255;
        double e = std::log(m / 255.0) / std::log(128.0 / 255.0);
        for (int i = 0; i < 256; ++i) table[i] = (uint8_t)Clamp255((int)(255.0 * std::pow(i / 255.0, e)));
    };
    build(red, 128 - 4 * level);
    build(blue, 128 + 4 * level);
    for (int i = 0; i < 256; ++i) green[i] = (uint8_t)i;
    return MapColour(image, blue, green, red);
}

namespace {

// 3 x 3 window filter over an 8-bit image with clamped edges; every window
// sees the values from before the filter. op(nine values) -> result.
template <typename Op>
int Window3x3(VmsImage* image, Op op) {
    if (!image || image->bits != 8) return 0;
    const int W = image->width, H = image->height;
    auto buf = Alloc<uint8_t>((size_t)(W + 2) * 3);
    auto out = Alloc<uint8_t>((size_t)W);
    if (!buf || !out) return 0;
    // Rows with one repeated column on each side.
    uint8_t* rows[3] = {buf.get(), buf.get() + W + 2, buf.get() + 2 * (W + 2)};
    auto load = [&](int y, uint8_t* dst) {
        g_VmsStore.GetRow(image, y, 0, W - 1, dst + 1);
        dst[0] = dst[1];
        dst[W + 1] = dst[W];
    };
    load(0, rows[1]);
    std::memcpy(rows[0], rows[1], (size_t)W + 2);
    for (int y = 0; y < H; ++y) {
        if (y + 1 < H) load(y + 1, rows[2]);
        else std::memcpy(rows[2], rows[1], (size_t)W + 2);
        const uint8_t *a = rows[0], *b = rows[1], *c = rows[2];
        for (int x = 0; x < W; ++x) out[x] = op(a + x, b + x, c + x);
        g_VmsStore.PutRow(image, y, 0, W - 1, out.get());
        uint8_t* t = rows[0];
        rows[0] = rows[1];
        rows[1] = rows[2];
        rows[2] = t;
    }
    return 1;
}

inline uint8_t Mean9(const uint8_t* a, const uint8_t* b, const uint8_t* c) {
    return (uint8_t)((a[0] + a[1] + a[2] + b[0] + b[1] + b[2] + c[0] + c[1] + c[2]) / 9);
}
inline uint8_t Min3(uint8_t x, uint8_t y, uint8_t z) { uint8_t m = x < y ? x : y; return m < z ? m : z; }
inline uint8_t Max3(uint8_t x, uint8_t y, uint8_t z) { uint8_t m = x > y ? x : y; return m > z ? m : z; }

}  // namespace

int c_Dib::Blur3x3(VmsImage* image) { return Window3x3(image, Mean9); }
int c_Dib::MeanFilter8(VmsImage* image) { return Window3x3(image, Mean9); }

int c_Dib::MinFilter8(VmsImage* image) {
    return Window3x3(image, [](const uint8_t* a, const uint8_t* b, const uint8_t* c) {
        return Min3(Min3(a[0], a[1], a[2]), Min3(b[0], b[1], b[2]), Min3(c[0], c[1], c[2]));
    });
}

int c_Dib::MaxFilter8(VmsImage* image) {
    return Window3x3(image, [](const uint8_t* a, const uint8_t* b, const uint8_t* c) {
        return Max3(Max3(a[0], a[1], a[2]), Max3(b[0], b[1], b[2]), Max3(c[0], c[1], c[2]));
    });
}

int c_Dib::BlurBox8(VmsImage* image, int r) {
    if (!image || image->bits != 8) return 0;
    if (r < 1) r = 1;
    const int W = image->width, H = image->height;
    // Original rows of the window (rows y - r .. y + r - 1) in a ring.
    const int ringRows = 2 * r + 1;
    auto ring = Alloc<uint8_t>((size_t)ringRows * W);
    auto colSum = Alloc<uint32_t>((size_t)W);
    auto prefix = Alloc<uint64_t>((size_t)W + 1);
    auto out = Alloc<uint8_t>((size_t)W);
    if (!ring || !colSum || !prefix || !out) return 0;
    std::memset(colSum.get(), 0, (size_t)W * 4);
    auto slot = [&](int row) { return ring.get() + (size_t)(row % ringRows) * W; };
    int top = 0, bottom = 0;   // rows [top, bottom) are summed
    for (int y = 0; y < H; ++y) {
        SendProgress(H > 1 ? (int)((int64_t)y * 100 / (H - 1)) : 100);
        int wantTop = y - r < 0 ? 0 : y - r, wantBottom = y + r > H ? H : y + r;
        while (bottom < wantBottom) {
            uint8_t* s = slot(bottom);
            g_VmsStore.GetRow(image, bottom, 0, W - 1, s);
            for (int x = 0; x < W; ++x) colSum[x] += s[x];
            ++bottom;
        }
        while (top < wantTop) {
            const uint8_t* s = slot(top);
            for (int x = 0; x < W; ++x) colSum[x] -= s[x];
            ++top;
        }
        const uint64_t rows = (uint64_t)(bottom - top);
        prefix[0] = 0;
        for (int x = 0; x < W; ++x) prefix[x + 1] = prefix[x] + colSum[x];
        for (int x = 0; x < W; ++x) {
            int a = x - r < 0 ? 0 : x - r, b = x + r > W ? W : x + r;
            uint64_t count = rows * (uint64_t)(b - a);
            out[x] = count ? (uint8_t)((prefix[b] - prefix[a]) / count) : 0;
        }
        g_VmsStore.PutRow(image, y, 0, W - 1, out.get());
    }
    SendProgressEnd();
    return 1;
}

int c_Dib::BlurByScaling8(VmsImage* image, int r, int x0, int y0, int x1, int y1) {
    if (!image || image->bits != 8) return 0;
    if (r < 1) r = 1;
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    const int left = x0 - r > 0 ? x0 - r : 0, top = y0 - r > 0 ? y0 - r : 0;
    const int right = x1 + r < image->width - 1 ? x1 + r : image->width - 1;
    const int bottom = y1 + r < image->height - 1 ? y1 + r : image->height - 1;
    const int w = right - left + 1, h = bottom - top + 1;
    if (w < 1 || h < 1) return 0;
    VmsImage* area = g_VmsStore.Create(w, h, 24, 255, 1);
    auto grey = Alloc<uint8_t>((size_t)w);
    auto wide = Alloc<uint32_t>((size_t)w);
    if (!area || !grey || !wide) { g_VmsStore.Free(&area); return 0; }
    for (int y = 0; y < h; ++y) {
        g_VmsStore.GetRow(image, top + y, left, right, grey.get());
        for (int x = 0; x < w; ++x) wide[x] = grey[x] * 0x010101u;
        g_VmsStore.PutRow(area, y, 0, w - 1, wide.get());
    }
    auto pos = [](int v) { return v < 1 ? 1 : v; };
    VmsImage* big = ResizeBicubic(area, pos(w * 3 / 2), pos(h * 3 / 2), 2);
    g_VmsStore.Free(&area);
    if (!big) return 0;
    VmsImage* small = ResizeBicubic(big, w / r > 16 ? w / r : 16, h / r > 16 ? h / r : 16, 2);
    g_VmsStore.Free(&big);
    if (!small) return 0;
    VmsImage* back = ResizeBicubic(small, w, h, 2);
    g_VmsStore.Free(&small);
    if (!back) return 0;
    const int shift = r / 3;
    for (int i = 0; i < h; ++i) {
        g_VmsStore.GetRow(back, i, 0, w - 1, wide.get());
        for (int x = 0; x < w; ++x) grey[x] = (uint8_t)(wide[x] & 255);
        g_VmsStore.PutRow(image, top + shift + i, left + shift, right + shift, grey.get());
    }
    g_VmsStore.Free(&back);
    SendProgressEnd();
    return 1;
}

// ---- small filters

int c_Dib::MeanRect8(const VmsImage* image, int x0, int y0, int x1, int y1, int* mean) {
    *mean = 0;
    if (!image || image->bits != 8) return 0;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > image->width - 1) x1 = image->width - 1;
    if (y1 > image->height - 1) y1 = image->height - 1;
    if (x1 < x0 || y1 < y0) return 0;
    auto row = Alloc<uint8_t>((size_t)(x1 - x0 + 1));
    if (!row) return 0;
    uint64_t sum = 0;
    for (int y = y0; y <= y1; ++y) {
        g_VmsStore.GetRow(image, y, x0, x1, row.get());
        for (int x = 0; x <= x1 - x0; ++x) sum += row[x];
    }
    *mean = (int)(sum / ((uint64_t)(x1 - x0 + 1) * (y1 - y0 + 1)));
    return 1;
}

int c_Dib::MeanRect32(const VmsImage* image, int x0, int y0, int x1, int y1, int* r, int* g, int* b) {
    *r = *g = *b = 0;
    if (!image || image->bits != 32) return 0;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > image->width - 1) x1 = image->width - 1;
    if (y1 > image->height - 1) y1 = image->height - 1;
    if (x1 < x0 || y1 < y0) return 0;
    auto row = Alloc<uint8_t>((size_t)(x1 - x0 + 1) * 4);
    if (!row) return 0;
    uint64_t s[3] = {0, 0, 0};
    for (int y = y0; y <= y1; ++y) {
        g_VmsStore.GetRow(image, y, x0, x1, row.get());
        for (int x = 0; x <= x1 - x0; ++x)
            for (int c = 0; c < 3; ++c) s[c] += row[x * 4 + c];
    }
    uint64_t n = (uint64_t)(x1 - x0 + 1) * (y1 - y0 + 1);
    *b = (int)(s[0] / n); *g = (int)(s[1] / n); *r = (int)(s[2] / n);
    return 1;
}

int c_Dib::Invert8(VmsImage* image) {
    if (!image || image->bits != 8) return 0;
    uint8_t t[256];
    for (int i = 0; i < 256; ++i) t[i] = (uint8_t)(255 - i);
    auto row = Alloc<uint8_t>((size_t)image->width);
    if (!row) return 0;
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.get());
        for (int x = 0; x < image->width; ++x) row[x] = t[row[x]];
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.get());
    }
    return 1;
}

int c_Dib::Invert32(VmsImage* image) {
    if (!image || image->bits != 32) return 0;
    auto row = Alloc<uint32_t>((size_t)image->width);
    if (!row) return 0;
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.get());
        for (int x = 0; x < image->width; ++x) row[x] ^= 0x00FFFFFFu;
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.get());
    }
    return 1;
}

const uint8_t DitherPatternTable[16][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x88, 0x00, 0x00, 0x00, 0x88, 0x00, 0x00, 0x00},
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00}, {0xAA, 0x00, 0x22, 0x00, 0xAA, 0x00, 0x22, 0x00},
    {0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00}, {0xAA, 0x44, 0xAA, 0x00, 0xAA, 0x44, 0xAA, 0x00},
    {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11}, {0xAA, 0x55, 0xAA, 0x11, 0xAA, 0x55, 0xAA, 0x11},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}, {0xAA, 0x55, 0xAA, 0xDD, 0xAA, 0x55, 0xAA, 0xDD},
    {0xAA, 0x77, 0xAA, 0xDD, 0xAA, 0x77, 0xAA, 0xDD}, {0xAA, 0x77, 0xAA, 0xFF, 0xAA, 0x77, 0xAA, 0xFF},
    {0xAA, 0xFF, 0xAA, 0xFF, 0xAA, 0xFF, 0xAA, 0xFF}, {0xAA, 0xFF, 0xBB, 0xFF, 0xAA, 0xFF, 0xBB, 0xFF},
    {0xEE, 0xFF, 0xFF, 0xFF, 0xEE, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};

namespace {

// Dither patterns picked by the low bits of a 5-bit or 6-bit channel value.
constexpr int kLevel5[8] = {0, 2, 4, 6, 8, 10, 12, 15};
constexpr int kLevel6[4] = {0, 5, 9, 15};

bool PatternBit(int pattern, int x, int y) { return (DitherPatternTable[pattern][y & 7] >> (x & 7)) & 1; }

}  // namespace

int DitherChannel5(int value, int x, int y) {
    return PatternBit(kLevel5[value & 7], x, y) && value < 247 ? value + 8 : value;
}

int DitherChannel6(int value, int x, int y) {
    return PatternBit(kLevel6[value & 3], x, y) && value < 251 ? value + 4 : value;
}

int c_Dib::AddOrderedDither32(VmsImage* image, int width, int height, int columnPhase, int rowPhase) {
    if (!image || image->bits != 32) return 0;
    if (width > image->width) width = image->width;
    if (height > image->height) height = image->height;
    auto row = Alloc<uint8_t>((size_t)(width > 0 ? width : 1) * 4);
    if (!row) return 0;
    for (int y = 0; y < height; ++y) {
        g_VmsStore.GetRow(image, y, 0, width - 1, row.get());
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                uint8_t& v = row[x * 4 + c];
                if ((DitherPatternTable[v / 16][(y + rowPhase) & 7] >> ((x + columnPhase) & 7)) & 1)
                    v = (uint8_t)(v < 255 ? v + 1 : 255);
            }
        g_VmsStore.PutRow(image, y, 0, width - 1, row.get());
    }
    return height;
}

namespace {
// Walk of rows 1..H-2 in place: each row is written back before the next is
// read, so a window's upper row is already filtered. f(3 x 3 values of one
// channel) -> value; the outermost rows and columns keep their values.
template <typename F>
int Interior3x3(VmsImage* image, F f) {
    if (!image || image->bits != 32) return 0;
    const int W = image->width, H = image->height;
    auto buf = Alloc<uint8_t>((size_t)W * 4 * 4);
    if (!buf) return 0;
    uint8_t* up = buf.get();
    uint8_t* mid = up + (size_t)W * 4;
    uint8_t* down = mid + (size_t)W * 4;
    uint8_t* out = down + (size_t)W * 4;
    for (int y = 1; y < H - 1; ++y) {
        g_VmsStore.GetRow(image, y - 1, 0, W - 1, up);
        g_VmsStore.GetRow(image, y, 0, W - 1, mid);
        g_VmsStore.GetRow(image, y + 1, 0, W - 1, down);
        std::memcpy(out, mid, (size_t)W * 4);
        for (int x = 1; x < W - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                const uint8_t* rows[3] = {up, mid, down};
                int v[3][3];
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i) v[j][i] = rows[j][(x - 1 + i) * 4 + c];
                out[x * 4 + c] = (uint8_t)f(v);
            }
        g_VmsStore.PutRow(image, y, 0, W - 1, out);
    }
    return 1;
}
}  // namespace

int c_Dib::Mean3x3Interior32(VmsImage* image) {
    return Interior3x3(image, [](int v[3][3]) {
        int s = 0;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) s += v[j][i];
        return (s + 4) / 9;
    });
}

int c_Dib::Sharpen32(VmsImage* image) {
    return Interior3x3(image, [](int v[3][3]) {
        int s = 2 * (v[0][0] + v[0][2] + v[2][0] + v[2][2]) - 94 * (v[0][1] + v[1][0] + v[1][2] + v[2][1]) + 488 * v[1][1];
        return Clamp255(s / 120);
    });
}

int c_Dib::SmoothSimilar32(VmsImage* image, int threshold) {
    if (!image || image->bits != 32) return 0;
    const int W = image->width, H = image->height;
    auto rows = Alloc<uint8_t>((size_t)W * 4 * 4);
    if (!rows) return 0;
    uint8_t* prev = rows.get();
    uint8_t* cur = prev + (size_t)W * 4;
    uint8_t* next = cur + (size_t)W * 4;
    uint8_t* out = next + (size_t)W * 4;
    g_VmsStore.GetRow(image, 0, 0, W - 1, cur);
    for (int y = 0; y < H; ++y) {
        if (y % 10 == 0) SendProgress((int)((int64_t)y * 100 / H));
        if (y + 1 < H) g_VmsStore.GetRow(image, y + 1, 0, W - 1, next);
        std::memcpy(out, cur, (size_t)W * 4);
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = cur + x * 4;
            int sum[3] = {p[0], p[1], p[2]}, n = 1;
            const uint8_t* nb[4] = {x > 0 ? p - 4 : nullptr, x < W - 1 ? p + 4 : nullptr,
                                    y > 0 ? prev + x * 4 : nullptr, y < H - 1 ? next + x * 4 : nullptr};
            for (const uint8_t* q : nb) {
                if (!q) continue;
                if (std::abs(q[0] - p[0]) < threshold && std::abs(q[1] - p[1]) < threshold && std::abs(q[2] - p[2]) < threshold) {
                    for (int c = 0; c < 3; ++c) sum[c] += q[c];
                    ++n;
                }
            }
            for (int c = 0; c < 3; ++c) out[x * 4 + c] = (uint8_t)(sum[c] / n);
        }
        g_VmsStore.PutRow(image, y, 0, W - 1, out);
        uint8_t* t = prev;
        prev = cur;
        cur = next;
        next = t;
    }
    SendProgressEnd();
    return 1;
}

int c_Dib::AddValueNoise32(VmsImage* image, int amount) {
    if (!image || image->bits != 32 || amount < 1) return 0;
    auto row = Alloc<uint8_t>((size_t)image->width * 4);
    if (!row) return 0;
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.get());
        for (int x = 0; x < image->width; ++x) {
            uint8_t* p = row.get() + x * 4;
            int h, s, v, r, g, b;
            ConvertRgbToHsv(p[2], p[1], p[0], &h, &s, &v, 1);
            v = Clamp255(v + std::rand() % amount - amount / 2);
            ConvertHsvToRgb(h, s, v, &r, &g, &b, 1);
            p[0] = (uint8_t)b; p[1] = (uint8_t)g; p[2] = (uint8_t)r;
        }
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.get());
    }
    return 1;
}
