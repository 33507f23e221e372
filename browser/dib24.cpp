#include "browser/dib24.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

int Stride(const BITMAPINFOHEADER* dib) { return (int)Dib24Stride(dib->biWidth, dib->biBitCount); }

uint8_t* RowOf(const BITMAPINFOHEADER* dib, int y) {
    return GetPackedDibBits(dib) + (size_t)(dib->biHeight - 1 - y) * (size_t)Stride(dib);
}

bool Is24(const BITMAPINFOHEADER* dib) { return dib && dib->biBitCount == 24 && dib->biWidth > 0 && dib->biHeight > 0; }

// Clipping of pixels x0..x1 of row y: first pixel, count and buffer pixels skipped.
bool ClipRow(const BITMAPINFOHEADER* dib, int y, int x0, int x1, int* first, int* count, int* skip) {
    if (y < 0 || y >= dib->biHeight || x1 < 0 || x0 > dib->biWidth - 1 || x1 < x0) return false;
    *skip = x0 < 0 ? -x0 : 0;
    *first = x0 < 0 ? 0 : x0;
    int last = x1 > dib->biWidth - 1 ? dib->biWidth - 1 : x1;
    *count = last - *first + 1;
    return true;
}

}  // namespace

PackedDib CreateDib24(int width, int height, int bits) {
    if (width < 1 || height < 1 || width > kDib24MaxSide || height > kDib24MaxSide) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return nullptr;
    return CreatePackedDibOfDepth(width, height, bits);
}

PackedDib ConvertDibTo24(const BITMAPINFOHEADER* dib) {
    if (!dib) return nullptr;
    // Other depths are read through the shared 32-bit conversion first.
    PackedDib wide = nullptr;
    const BITMAPINFOHEADER* source = dib;
    if (dib->biBitCount != 32 || dib->biCompression != BI_RGB || dib->biHeight < 0) {
        wide = ConvertPackedDibTo32Bit(dib);
        if (!wide) return nullptr;
        source = wide;
    }
    const int w = source->biWidth, h = source->biHeight;
    PackedDib out = CreateDib24(w, h, 24);
    if (out) {
        out->biXPelsPerMeter = source->biXPelsPerMeter;
        out->biYPelsPerMeter = source->biYPelsPerMeter;
        const uint64_t inStride = Dib24Stride(w, 32);
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = GetPackedDibBits(source) + (size_t)(h - 1 - y) * inStride;
            uint8_t* o = RowOf(out, y);
            for (int x = 0; x < w; ++x) {
                o[3 * x] = in[4 * x];
                o[3 * x + 1] = in[4 * x + 1];
                o[3 * x + 2] = in[4 * x + 2];
            }
        }
    }
    if (wide) FreePackedDib(wide);
    return out;
}

PackedDib ConvertDib24To32(const BITMAPINFOHEADER* dib) {
    if (!Is24(dib)) return nullptr;
    const int w = dib->biWidth, h = dib->biHeight;
    PackedDib out = CreatePackedDib(w, h, 32);
    if (!out) return nullptr;
    out->biXPelsPerMeter = dib->biXPelsPerMeter;
    out->biYPelsPerMeter = dib->biYPelsPerMeter;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = RowOf(dib, y);
        uint8_t* o = GetPackedDibBits(out) + (size_t)(h - 1 - y) * (size_t)w * 4;
        for (int x = 0; x < w; ++x) {
            o[4 * x] = in[3 * x];
            o[4 * x + 1] = in[3 * x + 1];
            o[4 * x + 2] = in[3 * x + 2];
            o[4 * x + 3] = 0;
        }
    }
    return out;
}

int GetDib24Row(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint8_t* buffer) {
    if (!dib) {
        if (x1 >= x0) std::memset(buffer, 255, (size_t)(x1 - x0 + 1) * 3);
        return 0;
    }
    int first, count, skip;
    if (!Is24(dib) || !ClipRow(dib, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(buffer + 3 * (size_t)skip, RowOf(dib, y) + 3 * (size_t)first, 3 * (size_t)count);
    return 1;
}

int PutDib24Row(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint8_t* buffer) {
    int first, count, skip;
    if (!Is24(dib) || !ClipRow(dib, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(RowOf(dib, y) + 3 * (size_t)first, buffer + 3 * (size_t)skip, 3 * (size_t)count);
    return 1;
}

int GetDib24Rgb(const BITMAPINFOHEADER* dib, int x, int y, int* r, int* g, int* b) {
    if (!Is24(dib) || x < 0 || y < 0 || x >= dib->biWidth || y >= dib->biHeight) return 0;
    const uint8_t* p = RowOf(dib, y) + 3 * (size_t)x;
    *b = p[0];
    *g = p[1];
    *r = p[2];
    return 1;
}

int SetDib24Rgb(BITMAPINFOHEADER* dib, int x, int y, int r, int g, int b) {
    if (!Is24(dib) || x < 0 || y < 0 || x >= dib->biWidth || y >= dib->biHeight) return 0;
    uint8_t* p = RowOf(dib, y) + 3 * (size_t)x;
    p[0] = (uint8_t)b;
    p[1] = (uint8_t)g;
    p[2] = (uint8_t)r;
    return 1;
}

void FitSizeToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    const float sx = (float)boxWidth / (float)width, sy = (float)boxHeight / (float)height;
    int w, h;
    if (sx >= sy) {
        w = (int)((float)width * sy);
        h = boxHeight;
    } else {
        w = boxWidth;
        h = (int)((float)height * sx);
    }
    // An extremely long picture still gets one pixel across.
    *outWidth = w < 1 ? 1 : w;
    *outHeight = h < 1 ? 1 : h;
}

PackedDib ResizeNearest(const BITMAPINFOHEADER* dib, int width, int height) {
    if (!Is24(dib)) return nullptr;
    PackedDib out = CreateDib24(width, height, 24);
    if (!out) return nullptr;
    const int64_t sw = dib->biWidth, sh = dib->biHeight;
    std::vector<int> column((size_t)width);
    for (int j = 0; j < width; ++j) {
        int64_t c = (int64_t)j * sw / width;
        column[(size_t)j] = (int)(c < sw - 1 ? c : sw - 1);
    }
    for (int i = 0; i < height; ++i) {
        int64_t r = (int64_t)i * sh / height;
        const uint8_t* in = RowOf(dib, (int)(r < sh - 1 ? r : sh - 1));
        uint8_t* o = RowOf(out, i);
        for (int j = 0; j < width; ++j) std::memcpy(o + 3 * (size_t)j, in + 3 * (size_t)column[(size_t)j], 3);
    }
    return out;
}

PackedDib fit_dib_to_box(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight) {
    if (!Is24(dib) || boxWidth < 1 || boxHeight < 1) return nullptr;
    int w, h;
    FitSizeToBox(dib->biWidth, dib->biHeight, boxWidth, boxHeight, &w, &h);
    return ResizeNearest(dib, w, h);
}

void ScaleSizeToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (boxWidth < 1) boxWidth = 1;
    if (boxHeight < 1) boxHeight = 1;
    int64_t w, h;
    if ((int64_t)width * boxHeight >= (int64_t)height * boxWidth) {
        w = boxWidth;
        h = (int64_t)height * boxWidth / width;
    } else {
        h = boxHeight;
        w = (int64_t)width * boxHeight / height;
    }
    *outWidth = w < 1 ? 1 : (int)w;
    *outHeight = h < 1 ? 1 : (int)h;
}

namespace {

// The source pixels a target pixel covers along one axis, with their shares
// in units of 1 / one (the shares of a target pixel add up to one).
struct AreaTaps {
    std::vector<int> first;     // per target: index into source/weight
    std::vector<int> count;
    std::vector<int> source;
    std::vector<uint32_t> weight;
};

AreaTaps MakeAreaTaps(int in, int out, uint32_t one) {
    AreaTaps t;
    t.first.resize((size_t)out);
    t.count.resize((size_t)out);
    // Target pixel o covers [o * in, (o + 1) * in) in units of 1 / out source pixels.
    for (int o = 0; o < out; ++o) {
        const int64_t lo = (int64_t)o * in, hi = (int64_t)(o + 1) * in;
        t.first[(size_t)o] = (int)t.source.size();
        uint32_t given = 0;
        int64_t i = lo / out;
        const int64_t last = (hi - 1) / out;
        for (; i <= last && i < in; ++i) {
            const int64_t a = i * out > lo ? i * out : lo, b = (i + 1) * out < hi ? (i + 1) * out : hi;
            uint32_t w = (uint32_t)((uint64_t)(b - a) * one / (uint64_t)in);
            t.source.push_back((int)i);
            t.weight.push_back(w);
            given += w;
        }
        // Rounding leftovers go to the largest share, so that flat areas stay flat.
        const int n = (int)t.source.size() - t.first[(size_t)o];
        t.count[(size_t)o] = n;
        if (n > 0 && given != one) {
            size_t big = (size_t)t.first[(size_t)o];
            for (int k = 1; k < n; ++k)
                if (t.weight[(size_t)t.first[(size_t)o] + (size_t)k] > t.weight[big]) big = (size_t)t.first[(size_t)o] + (size_t)k;
            t.weight[big] += one - given;
        }
    }
    return t;
}

}  // namespace

PackedDib ResizeDib24Area(const BITMAPINFOHEADER* dib, int width, int height) {
    if (!Is24(dib)) return nullptr;
    PackedDib out = CreateDib24(width, height, 24);
    if (!out) return nullptr;
    const int sw = dib->biWidth, sh = dib->biHeight;
    // Horizontal shares in 1/256, vertical in 1/4096: a sum stays below 2^32.
    const AreaTaps cols = MakeAreaTaps(sw, width, 256), rows = MakeAreaTaps(sh, height, 4096);
    std::vector<uint32_t> across((size_t)width * 3), sum((size_t)width * 3);
    int acrossRow = -1;
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0u);
        for (int k = 0; k < rows.count[(size_t)y]; ++k) {
            const size_t tap = (size_t)rows.first[(size_t)y] + (size_t)k;
            const int sy = rows.source[tap];
            if (sy != acrossRow) {
                const uint8_t* in = RowOf(dib, sy);
                for (int x = 0; x < width; ++x) {
                    uint32_t b = 0, g = 0, r = 0;
                    const size_t f = (size_t)cols.first[(size_t)x];
                    for (int c = 0; c < cols.count[(size_t)x]; ++c) {
                        const uint8_t* p = in + 3 * (size_t)cols.source[f + (size_t)c];
                        const uint32_t w = cols.weight[f + (size_t)c];
                        b += p[0] * w;
                        g += p[1] * w;
                        r += p[2] * w;
                    }
                    across[3 * (size_t)x] = b;
                    across[3 * (size_t)x + 1] = g;
                    across[3 * (size_t)x + 2] = r;
                }
                acrossRow = sy;
            }
            const uint32_t w = rows.weight[tap];
            for (size_t i = 0; i < sum.size(); ++i) sum[i] += across[i] * w;
        }
        uint8_t* o = RowOf(out, y);
        for (size_t i = 0; i < sum.size(); ++i) o[i] = (uint8_t)((sum[i] + (1u << 19)) >> 20);
    }
    return out;
}

PackedDib RotateDib(const BITMAPINFOHEADER* dib, int mode) {
    if (!Is24(dib) || mode < kTurnClockwise || mode > kTurnCounterClockwise) return nullptr;
    const int sw = dib->biWidth, sh = dib->biHeight;
    const bool quarter = mode != kTurnHalf;
    const int w = quarter ? sh : sw, h = quarter ? sw : sh;
    PackedDib out = CreateDib24(w, h, 24);
    if (!out) return nullptr;
    for (int y = 0; y < h; ++y) {
        uint8_t* o = RowOf(out, y);
        for (int x = 0; x < w; ++x) {
            int sx, sy;
            if (mode == kTurnClockwise) {
                sx = y;
                sy = sh - 1 - x;
            } else if (mode == kTurnCounterClockwise) {
                sx = sw - 1 - y;
                sy = x;
            } else {
                sx = sw - 1 - x;
                sy = sh - 1 - y;
            }
            std::memcpy(o + 3 * (size_t)x, RowOf(dib, sy) + 3 * (size_t)sx, 3);
        }
    }
    return out;
}

PackedDib MakeExifThumbnail(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight) {
    if (!Is24(dib)) return nullptr;
    int w, h;
    FitSizeToBox(dib->biWidth, dib->biHeight, boxWidth, boxHeight, &w, &h);
    if (w > boxWidth) w = boxWidth;
    if (h > boxHeight) h = boxHeight;
    PackedDib wide = ConvertDib24To32(dib);
    PackedDib scaled = wide ? ResizePackedDib(wide, w, h) : nullptr;
    if (wide) FreePackedDib(wide);
    PackedDib small = scaled ? ConvertDibTo24(scaled) : nullptr;
    if (scaled) FreePackedDib(scaled);
    PackedDib out = small ? CreateDib24(boxWidth, boxHeight, 24) : nullptr;
    if (out) {
        std::memset(GetPackedDibBits(out), 255, (size_t)Stride(out) * (size_t)boxHeight);
        const int left = (boxWidth - w) / 2, top = (boxHeight - h) / 2;
        for (int y = 0; y < h; ++y) PutDib24Row(out, top + y, left, left + w - 1, RowOf(small, y));
    }
    if (small) FreePackedDib(small);
    return out;
}
