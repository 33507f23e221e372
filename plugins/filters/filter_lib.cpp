#include "plugins/filters/filter_lib.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace fx {

namespace {

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
int Luma(const uint8_t* p) { return (p[0] * 29 + p[1] * 150 + p[2] * 77) >> 8; }

// A position hash: the same pixels on every run.
uint32_t Hash(int x, int y, uint32_t salt) {
    uint32_t h = (uint32_t)x * 73856093u ^ (uint32_t)y * 19349663u ^ salt * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

// Division of a box sum by the box's size as a multiply and shift, exact for
// every sum a box of up to 255 x 255 samples of 255 can reach.
struct BoxDivider {
    uint64_t inverse;
    explicit BoxDivider(int span) : inverse(((uint64_t)1 << 32) / (uint64_t)span + 1) {}
    uint8_t operator()(uint32_t sum) const { return (uint8_t)((sum * inverse) >> 32); }
};

// Separable box blur of radius rx across and ry down, by running sums
// with the edges repeated.
void BoxBlur(Picture& p, int rx, int ry) {
    const int w = p.width, h = p.height;
    if (rx > 0) {
        const BoxDivider divide(2 * rx + 1);
        // One row with rx repeated edge pixels on each side.
        std::vector<uint8_t> line((size_t)(w + 2 * rx) * 3);
        for (int y = 0; y < h; ++y) {
            uint8_t* row = p.at(0, y);
            for (int k = 0; k < rx; ++k) {
                std::memcpy(&line[3 * (size_t)k], row, 3);
                std::memcpy(&line[3 * (size_t)(w + rx + k)], row + 3 * (w - 1), 3);
            }
            std::memcpy(&line[3 * (size_t)rx], row, (size_t)w * 3);
            uint32_t sum[3] = {0, 0, 0};
            for (int k = 0; k < 2 * rx; ++k)
                for (int c = 0; c < 3; ++c) sum[c] += line[3 * k + c];
            const uint8_t* add = &line[3 * (size_t)(2 * rx)];
            const uint8_t* drop = line.data();
            for (int x = 0; x < w; ++x, add += 3, drop += 3, row += 3)
                for (int c = 0; c < 3; ++c) {
                    sum[c] += add[c];
                    row[c] = divide(sum[c]);
                    sum[c] -= drop[c];
                }
        }
    }
    if (ry > 0) {
        const BoxDivider divide(2 * ry + 1);
        const size_t n = (size_t)w * 3;
        // The rows the sums still have to drop, kept as they were before the pass.
        std::vector<uint8_t> ring((size_t)(2 * ry + 1) * n);
        std::vector<uint32_t> sums(n, 0);
        auto original = [&](int y) -> const uint8_t* { return p.at(0, std::clamp(y, 0, h - 1)); };
        for (int k = -ry; k <= ry; ++k) {
            const uint8_t* r = original(k);
            std::memcpy(&ring[(size_t)(k + ry) * n], r, n);
            for (size_t i = 0; i < n; ++i) sums[i] += r[i];
        }
        std::vector<uint8_t> next(n);
        for (int y = 0; y < h; ++y) {
            // Row y + ry + 1 is still original: the pass has written rows up to y - 1.
            const uint8_t* dropRow = &ring[(size_t)(y % (2 * ry + 1)) * n];
            std::memcpy(next.data(), original(y + ry + 1), n);
            uint8_t* out = p.at(0, y);
            for (size_t i = 0; i < n; ++i) {
                out[i] = divide(sums[i]);
                sums[i] += (uint32_t)next[i] - dropRow[i];
            }
            std::memcpy(&ring[(size_t)(y % (2 * ry + 1)) * n], next.data(), n);
        }
    }
}

// 3 x 3 kernel on the luma: the signed response.
int Kernel(const Picture& p, int x, int y, const int k[9]) {
    int s = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) s += k[(j + 1) * 3 + (i + 1)] * Luma(p.clamped(x + i, y + j));
    return s;
}

void Blur(Picture& p, const Params& q) {
    const int r = std::clamp(q.Int(0, 6) / 2, 1, 16);
    BoxBlur(p, r, r);
}

// Lit relief: the picture shaded by its luma slope from the upper left.
void Shade(Picture& p, const Params&) {
    static const int k[9] = {-2, -1, 0, -1, 0, 1, 0, 1, 2};
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int light = Kernel(src, x, y, k) / 2;
            for (int c = 0; c < 3; ++c) p.at(x, y)[c] = (uint8_t)Clamp(src.at(x, y)[c] - light);
        }
}

// Ordered 4 x 4 Bayer threshold to black and white; the second integer
// narrows the grey range.
void Halftone(Picture& p, const Params& q) {
    static const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    const int range = std::clamp(q.Int(1, 70), 10, 100);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int l = Clamp(128 + (Luma(p.at(x, y)) - 128) * 100 / range);
            const int t = bayer[(y & 3) * 4 + (x & 3)] * 16 + 8;
            std::memset(p.at(x, y), l > t ? 255 : 0, 3);
        }
}

// Sobel edges as dark lines on white; the last pair thickens and darkens.
void Outline(Picture& p, const Params& q) {
    static const int gx[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
    static const int gy[9] = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
    const int gain = 1 + q.Int(14, 1) + q.Int(15, 1);
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int a = Kernel(src, x, y, gx), b = Kernel(src, x, y, gy);
            const int m = (int)std::sqrt((double)a * a + (double)b * b) * gain / 4;
            std::memset(p.at(x, y), Clamp(255 - m), 3);
        }
}

// Emboss kernel on mid grey.
void Relief(Picture& p, const Params& q) {
    static const int k[9] = {-2, -1, 0, -1, 1, 1, 0, 1, 2};
    const int gain = 1 + q.Int(14, 1) + q.Int(15, 1);
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            std::memset(p.at(x, y), Clamp(128 + (Kernel(src, x, y, k) - Luma(src.at(x, y))) * gain / 2), 3);
}

// Smoothing then few tones per channel, with dark edges of the washes.
void Watercolour(Picture& p, const Params& q) {
    const int r = std::clamp(q.Byte(84, 6) / 2, 1, 8);
    BoxBlur(p, r, r);
    const int levels = std::clamp(2 + q.Byte(156, 60) / 20, 2, 8);
    for (auto& v : p.px) v = (uint8_t)Clamp((v * levels / 256) * 255 / (levels - 1));
}

// Floyd–Steinberg to the eight colours of one bit per channel.
void Dither(Picture& p, const Params&) {
    std::vector<int> err((size_t)(p.width + 2) * 2 * 3, 0);
    for (int y = 0; y < p.height; ++y) {
        int* cur = err.data() + (size_t)(y & 1) * (p.width + 2) * 3;
        int* next = err.data() + (size_t)((y + 1) & 1) * (p.width + 2) * 3;
        std::fill(next, next + (p.width + 2) * 3, 0);
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = p.at(x, y)[c] + cur[(x + 1) * 3 + c] / 16;
                const int o = v >= 128 ? 255 : 0, e = v - o;
                p.at(x, y)[c] = (uint8_t)o;
                cur[(x + 2) * 3 + c] += e * 7;
                next[x * 3 + c] += e * 3;
                next[(x + 1) * 3 + c] += e * 5;
                next[(x + 2) * 3 + c] += e;
            }
    }
}

// Blocks of the picture filled with their mean.
void Mosaic(Picture& p, const Params& q) {
    const int bw = std::clamp(q.Int(0, 32) / 4, 2, 64), bh = std::clamp(q.Int(1, 32) / 4, 2, 64);
    for (int by = 0; by < p.height; by += bh)
        for (int bx = 0; bx < p.width; bx += bw) {
            const int ex = std::min(p.width, bx + bw), ey = std::min(p.height, by + bh);
            long sum[3] = {0, 0, 0};
            const long n = (long)(ex - bx) * (ey - by);
            for (int y = by; y < ey; ++y)
                for (int x = bx; x < ex; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += p.at(x, y)[c];
            for (int y = by; y < ey; ++y)
                for (int x = bx; x < ex; ++x)
                    for (int c = 0; c < 3; ++c) p.at(x, y)[c] = (uint8_t)(sum[c] / n);
        }
}

void Noise(Picture& p, const Params&) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int n = (int)(Hash(x, y, 11 + c) % 129) - 64;
                p.at(x, y)[c] = (uint8_t)Clamp(p.at(x, y)[c] + n);
            }
}

// Each pixel taken from a neighbour within the reach.
void Scramble(Picture& p, const Params& q) {
    const int reach = std::clamp(q.Int(0, 16) / 4, 1, 32);
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint32_t h = Hash(x, y, 7);
            const int dx = (int)(h % (2 * reach + 1)) - reach, dy = (int)((h >> 12) % (2 * reach + 1)) - reach;
            std::memcpy(p.at(x, y), src.clamped(x + dx, y + dy), 3);
        }
}

// A raised pattern of bumps lit from the upper left.
void Bumps(Picture& p, const Params& q) {
    const double period = 4.0 + q.Byte(84, 60) / 10.0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const double sx = std::cos(x * 6.2832 / period), sy = std::cos(y * 6.2832 / period);
            const int light = (int)((sx * std::sin(y * 6.2832 / period) + sy * std::sin(x * 6.2832 / period)) * 40);
            for (int c = 0; c < 3; ++c) p.at(x, y)[c] = (uint8_t)Clamp(p.at(x, y)[c] + light);
        }
}

// Seen through ribbed glass: a periodic sideways displacement.
void Glass(Picture& p, const Params& q) {
    const int amount = std::clamp(q.Byte(84, 30) / 6, 1, 20);
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int dx = (int)(std::sin(x * 0.6) * amount), dy = (int)(std::sin(y * 0.6) * amount);
            std::memcpy(p.at(x, y), src.clamped(x + dx, y + dy), 3);
        }
}

// Soft, light colours.
void Pastel(Picture& p, const Params& q) {
    BoxBlur(p, std::clamp(q.Byte(84, 6) / 3, 1, 6), std::clamp(q.Byte(84, 6) / 3, 1, 6));
    const int lift = std::clamp(q.Byte(156, 60), 0, 100);
    for (auto& v : p.px) v = (uint8_t)Clamp(v + (255 - v) * lift / 200);
}

// Unglazed clay: earthen tones with a grainy surface.
void Clay(Picture& p, const Params& q) {
    const int grain = std::clamp(q.Byte(156, 50), 0, 100);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int l = Luma(p.at(x, y)) + (int)(Hash(x, y, 3) % (grain + 1)) - grain / 2;
            uint8_t* o = p.at(x, y);
            o[2] = (uint8_t)Clamp(l * 200 / 255 + 50);
            o[1] = (uint8_t)Clamp(l * 130 / 255 + 40);
            o[0] = (uint8_t)Clamp(l * 90 / 255 + 20);
        }
}

// Cells of a jittered grid, each filled with the colour at its seed, lead
// lines where two cells meet.
void Stained(Picture& p, const Params& q) {
    const int cell = std::clamp(q.Byte(84, 30) / 2, 6, 60);
    Picture src = p;
    auto seed = [&](int cx, int cy, int* sx, int* sy) {
        const uint32_t h = Hash(cx, cy, 5);
        *sx = cx * cell + (int)(h % (uint32_t)cell);
        *sy = cy * cell + (int)((h >> 10) % (uint32_t)cell);
    };
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int cx = x / cell, cy = y / cell;
            long best = -1, second = -1;
            int bx = x, by = y;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i) {
                    int sx, sy;
                    seed(cx + i, cy + j, &sx, &sy);
                    const long d = (long)(sx - x) * (sx - x) + (long)(sy - y) * (sy - y);
                    if (best < 0 || d < best) {
                        second = best;
                        best = d;
                        bx = sx;
                        by = sy;
                    } else if (second < 0 || d < second) {
                        second = d;
                    }
                }
            if (second >= 0 && std::sqrt((double)second) - std::sqrt((double)best) < 1.5)
                std::memset(p.at(x, y), 20, 3);
            else
                std::memcpy(p.at(x, y), src.clamped(bx, by), 3);
        }
}

void Motion(Picture& p, const Params& q) { BoxBlur(p, std::clamp(q.Byte(84, 4) * 2, 1, 40), 0); }

// Screen dots: a black dot in each cell, as large as the cell is dark.
void Dots(Picture& p, const Params& q) {
    const int cell = std::clamp(q.Byte(84, 6) + 3, 4, 24);
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int cx = x / cell * cell + cell / 2, cy = y / cell * cell + cell / 2;
            const double dark = (255 - Luma(src.clamped(cx, cy))) / 255.0;
            const double radius = cell * 0.71 * std::sqrt(dark);
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            std::memset(p.at(x, y), d < radius ? 0 : 255, 3);
        }
}

// Round dots of the picture's colours on white paper.
void Pointillism(Picture& p, const Params& q) {
    const int cell = std::clamp(q.Byte(84, 2) * 3, 3, 24);
    Picture src = p;
    std::fill(p.px.begin(), p.px.end(), (uint8_t)255);
    for (int cy = 0; cy < p.height; cy += cell)
        for (int cx = 0; cx < p.width; cx += cell) {
            const uint32_t h = Hash(cx, cy, 9);
            const int sx = cx + (int)(h % (uint32_t)cell), sy = cy + (int)((h >> 8) % (uint32_t)cell);
            const uint8_t* colour = src.clamped(sx, sy);
            const int r = cell * 2 / 3 + 1;
            for (int y = std::max(0, sy - r); y <= std::min(p.height - 1, sy + r); ++y)
                for (int x = std::max(0, sx - r); x <= std::min(p.width - 1, sx + r); ++x)
                    if ((x - sx) * (x - sx) + (y - sy) * (y - sy) <= r * r) std::memcpy(p.at(x, y), colour, 3);
        }
}

// Bleeding colours: blurred and more saturated.
void Bleed(Picture& p, const Params& q) {
    const int r = std::clamp(q.Byte(84, 12) / 4, 1, 10);
    BoxBlur(p, r, r);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* o = p.at(x, y);
            const int l = Luma(o);
            for (int c = 0; c < 3; ++c) o[c] = (uint8_t)Clamp(l + (o[c] - l) * 3 / 2);
        }
}

// Gold: the luma through a dark-bronze to pale-gold ramp.
void Gold(Picture& p, const Params&) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* o = p.at(x, y);
            const int l = Luma(o);
            o[2] = (uint8_t)Clamp(70 + l * 185 / 255);
            o[1] = (uint8_t)Clamp(40 + l * 180 / 255);
            o[0] = (uint8_t)Clamp(l * l / 400);
        }
}

const EffectInfo kEffects[20] = {
    {"ぼかし", Blur},          {"陰影", Shade},        {"ハーフトーン", Halftone}, {"輪郭線", Outline},
    {"レリーフ", Relief},      {"水彩", Watercolour},  {"ディザ", Dither},         {"モザイク", Mosaic},
    {"ランダム", Noise},       {"かきまぜ", Scramble}, {"でこぼこ", Bumps},        {"ガラス", Glass},
    {"パステル", Pastel},      {"素焼き", Clay},       {"ステンドグラス", Stained}, {"ぶれ", Motion},
    {"網点", Dots},            {"点描", Pointillism},  {"にじみ", Bleed},          {"ゴールド", Gold},
};

Params ReadParams(HMODULE self) {
    Params params;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, sizeof path);
    if (n == 0 || n >= sizeof path) return params;
    char* dot = std::strrchr(path, '.');
    if (!dot || (size_t)(dot - path) + 5 > sizeof path) return params;
    std::strcpy(dot, ".dat");
    FILE* f = std::fopen(path, "rb");
    if (!f) return params;
    uint8_t buffer[1024];
    const size_t got = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    params.bytes.assign(buffer, buffer + got);
    return params;
}

}  // namespace

const uint8_t* Picture::clamped(int x, int y) const {
    return at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1));
}

int Params::Int(int index, int fallback) const {
    const size_t at = (size_t)index * 4;
    if (index < 0 || at + 4 > bytes.size()) return fallback;
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

int Params::Byte(int offset, int fallback) const {
    return offset >= 0 && (size_t)offset < bytes.size() ? bytes[offset] : fallback;
}

const EffectInfo& Effect(int n) { return kEffects[std::clamp(n, 0, 19)]; }

int GetTitle(int n, char* title, int32_t* kind) {
    if (title) std::snprintf(title, 256, "%s", Effect(n).title);
    if (kind) *kind = 0;
    return 1;
}

int Proc(int n, HMODULE self, void* dib) {
    if (!dib) return 0;
    auto* header = static_cast<BITMAPINFOHEADER*>(dib);
    if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biBitCount != 24 || header->biCompression != BI_RGB ||
        header->biWidth <= 0 || header->biHeight == 0 || header->biWidth > 60000 || std::abs(header->biHeight) > 60000)
        return 0;
    const int w = header->biWidth, h = std::abs((int)header->biHeight);
    const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    uint8_t* bits = static_cast<uint8_t*>(dib) + header->biSize;
    Picture p;
    p.width = w;
    p.height = h;
    p.px.resize((size_t)w * h * 3);
    auto rowOf = [&](int y) { return bits + stride * (size_t)(header->biHeight > 0 ? h - 1 - y : y); };
    for (int y = 0; y < h; ++y) std::memcpy(p.at(0, y), rowOf(y), (size_t)w * 3);
    Effect(n).run(p, ReadParams(self));
    for (int y = 0; y < h; ++y) std::memcpy(rowOf(y), p.at(0, y), (size_t)w * 3);
    return 1;
}

}  // namespace fx
