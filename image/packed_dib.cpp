#include "image/packed_dib.h"

#include <cstdlib>
#include <cstring>

#include "ui/sysutil.h"
#include "image/bmp_file.h"
#include "image/c_dib_util.h"

using dibutil::Alloc;
using dibutil::ClipRow;

namespace {

int Abs(int v) { return v < 0 ? -v : v; }

// Row y (0 = top) of a block, honouring top-down blocks from outside.
uint8_t* RowOf(const BITMAPINFOHEADER* dib, int y) {
    int h = Abs(dib->biHeight);
    int stride = (int)dibutil::Stride(dib->biWidth, dib->biBitCount);
    int stored = dib->biHeight < 0 ? y : h - 1 - y;
    return GetPackedDibBits(dib) + (size_t)stored * stride;
}

}  // namespace

void GetPackedDibInfo(const BITMAPINFOHEADER* dib, int* width, int* height, int* bits) {
    if (!dib) return;
    if (dib->biSize == sizeof(BITMAPCOREHEADER)) {
        const BITMAPCOREHEADER* c = (const BITMAPCOREHEADER*)dib;
        *width = c->bcWidth; *height = c->bcHeight; *bits = c->bcBitCount;
        return;
    }
    *width = dib->biWidth; *height = dib->biHeight; *bits = dib->biBitCount;
}

int GetPackedDibPaletteSize(const BITMAPINFOHEADER* dib) {
    if (!dib) return 0;
    if (dib->biSize == sizeof(BITMAPCOREHEADER)) {
        switch (((const BITMAPCOREHEADER*)dib)->bcBitCount) {
        case 1: return 6;
        case 4: return 48;
        case 8: return 768;
        default: return 0;
        }
    }
    if (dib->biClrUsed) return (int)(dib->biClrUsed * 4);
    switch (dib->biBitCount) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    case 16: return 12;
    default: return 0;
    }
}

DWORD GetPackedDibSize(const BITMAPINFOHEADER* dib) {
    if (!dib) return 0;
    int w, h, bits;
    GetPackedDibInfo(dib, &w, &h, &bits);
    // Blocks from outside may carry a larger header (or the 12-byte one).
    DWORD header = dib->biSize >= 40 && dib->biSize <= 124 ? dib->biSize : (dib->biSize == 12 ? 12 : 40);
    return (DWORD)(header + GetPackedDibPaletteSize(dib) + dibutil::Stride(w, bits) * Abs(h));
}

// 64-bit products: a resolution field from outside may be any 32-bit value.
int ConvertPpmToDpi(int v) { return (int)(((int64_t)v * 254 + 5000) / 10000); }
int ConvertDpiToPpm(int v) {
    int64_t ppm = (int64_t)v * 10000 / 254;
    return ppm > INT32_MAX ? INT32_MAX : ppm < INT32_MIN ? INT32_MIN : (int)ppm;
}

int GetPackedDibDpi(const BITMAPINFOHEADER* dib) { return dib ? ConvertPpmToDpi(dib->biXPelsPerMeter) : 0; }

void SetPackedDibDpi(BITMAPINFOHEADER* dib, int dpi) {
    if (!dib) return;
    dib->biXPelsPerMeter = dib->biYPelsPerMeter = ConvertDpiToPpm(dpi);
}

uint8_t* GetPackedDibBits(const BITMAPINFOHEADER* dib) {
    return (uint8_t*)dib + dib->biSize + GetPackedDibPaletteSize(dib);
}

BITMAPINFOHEADER* CreatePackedDib(int width, int height, int bits) {
    return CreatePackedDibOfDepth(width, height, bits == 24 ? 32 : bits);
}

BITMAPINFOHEADER* CreatePackedDibOfDepth(int width, int height, int bits) {
    if (width < 1 || height < 1) return nullptr;
    int palette = bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0;
    uint64_t size = 40 + palette + (uint64_t)dibutil::Stride(width, bits) * height;
    if (size > 0x7FFFFFFFull) return nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)size);
    if (!h) return nullptr;
    BITMAPINFOHEADER* dib = (BITMAPINFOHEADER*)GlobalLock(h);
    if (!dib) { GlobalFree(h); return nullptr; }
    dib->biSize = 40;
    dib->biWidth = width;
    dib->biHeight = height;
    dib->biPlanes = 1;
    dib->biBitCount = (WORD)bits;
    RGBQUAD* table = (RGBQUAD*)(dib + 1);
    if (bits == 4)
        for (int k = 0; k < 16; ++k) table[k] = RGBQUAD{(BYTE)(k * 17), (BYTE)(k * 17), (BYTE)(k * 17), 0};
    if (bits == 8)
        for (int k = 0; k < 256; ++k) table[k] = RGBQUAD{(BYTE)k, (BYTE)k, (BYTE)k, 0};
    return dib;
}

void FreePackedDib(BITMAPINFOHEADER* dib) {
    if (!dib) return;
    HGLOBAL h = GlobalHandle(dib);
    if (!h) return;
    GlobalUnlock(h);
    GlobalFree(h);
}

BITMAPINFOHEADER* ConvertPackedDibTo32Bit(const BITMAPINFOHEADER* dib) {
    if (!dib) return nullptr;
    // A block from outside is read only as far as its global block reaches.
    uint64_t total = dibutil::GlobalBlockBytes(dib);
    if (!total) total = (uint64_t)GetPackedDibSize(dib) + 124 + 12;
    BmpLayout l;
    if (!ParseBmpLayout(dib, (size_t)total, total, false, &l)) return nullptr;
    BITMAPINFOHEADER* out = CreatePackedDib(l.width, l.height, 32);
    if (!out) return nullptr;
    out->biXPelsPerMeter = l.xPelsPerMeter;
    out->biYPelsPerMeter = l.yPelsPerMeter;
    dibutil::WaitCursor wait;
    BmpRowSource rows;
    if (!rows.Open(l, (const uint8_t*)dib)) { FreePackedDib(out); return nullptr; }
    for (int y = 0; y < l.height; ++y) {
        uint32_t* row = (uint32_t*)RowOf(out, y);
        DecodeBmpRow32(l, rows.Row(y), row);
        if (l.bits == 32 && !l.masked)
            for (int x = 0; x < l.width; ++x) row[x] &= 0x00FFFFFF;
    }
    return out;
}

// ---- rows and pixels

int GetPackedDibRow32At(const uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, uint32_t* buffer) {
    int first, count, skip;
    if (!ClipRow(width, height, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(buffer + skip, bits + (size_t)(height - 1 - y) * stride + (size_t)first * 4, (size_t)count * 4);
    return 1;
}

int GetPackedDibRow32(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint32_t* buffer) {
    if (!dib) {
        if (x1 >= x0) std::memset(buffer, 0xFF, (size_t)(x1 - x0 + 1) * 4);
        return 0;
    }
    int first, count, skip;
    if (!ClipRow(dib->biWidth, Abs(dib->biHeight), y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(buffer + skip, RowOf(dib, y) + (size_t)first * 4, (size_t)count * 4);
    return 1;
}

int PutPackedDibRow32At(uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, const uint32_t* buffer) {
    int first, count, skip;
    if (!ClipRow(width, height, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(bits + (size_t)(height - 1 - y) * stride + (size_t)first * 4, buffer + skip, (size_t)count * 4);
    return 1;
}

int PutPackedDibRow32(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint32_t* buffer) {
    if (!dib) return 0;
    int first, count, skip;
    if (!ClipRow(dib->biWidth, Abs(dib->biHeight), y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(RowOf(dib, y) + (size_t)first * 4, buffer + skip, (size_t)count * 4);
    return 1;
}

int GetPackedDibRow8At(const uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, uint8_t* buffer) {
    int first, count, skip;
    if (!ClipRow(width, height, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(buffer + skip, bits + (size_t)(height - 1 - y) * stride + first, (size_t)count);
    return 1;
}

int GetPackedDibRow8(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint8_t* buffer) {
    if (!dib) {
        if (x1 >= x0) std::memset(buffer, 255, (size_t)(x1 - x0 + 1));
        return 0;
    }
    int first, count, skip;
    if (!ClipRow(dib->biWidth, Abs(dib->biHeight), y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(buffer + skip, RowOf(dib, y) + first, (size_t)count);
    return 1;
}

int PutPackedDibRow8At(uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, const uint8_t* buffer) {
    int first, count, skip;
    if (!ClipRow(width, height, y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(bits + (size_t)(height - 1 - y) * stride + first, buffer + skip, (size_t)count);
    return 1;
}

int PutPackedDibRow8(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint8_t* buffer) {
    if (!dib) return 0;
    int first, count, skip;
    if (!ClipRow(dib->biWidth, Abs(dib->biHeight), y, x0, x1, &first, &count, &skip)) return 0;
    std::memcpy(RowOf(dib, y) + first, buffer + skip, (size_t)count);
    return 1;
}

int GetPackedDibRawRow(const BITMAPINFOHEADER* dib, int bitsOffset, int bits, int width, int height, int y, int x0, int, void* buffer) {
    if (!dib || y < 0 || y >= height || x0 < 0) return 0;
    int stride = (int)dibutil::Stride(width, bits);
    int start = x0 * bits / 8;
    if (start >= stride) return 0;
    std::memcpy(buffer, (const uint8_t*)dib + bitsOffset + (size_t)(height - 1 - y) * stride + start, (size_t)(stride - start));
    return 1;
}

int PutPackedDibRawRow(BITMAPINFOHEADER* dib, int bitsOffset, int bits, int width, int height, int y, int x0, int, const void* buffer) {
    if (!dib || y < 0 || y >= height || x0 < 0) return 0;
    int stride = (int)dibutil::Stride(width, bits);
    int start = x0 * bits / 8;
    if (start >= stride) return 0;
    std::memcpy((uint8_t*)dib + bitsOffset + (size_t)(height - 1 - y) * stride + start, buffer, (size_t)(stride - start));
    return 1;
}

int GetPackedDibRgbAt(const uint8_t* bits, int width, int height, int stride, int x, int y, int* r, int* g, int* b) {
    if (!bits || x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = bits + (size_t)(height - 1 - y) * stride + (size_t)x * 4;
    *b = p[0]; *g = p[1]; *r = p[2];
    return 1;
}

int GetPackedDibRgb(const BITMAPINFOHEADER* dib, int x, int y, int* r, int* g, int* b) {
    if (!dib || x < 0 || y < 0 || x >= dib->biWidth || y >= Abs(dib->biHeight)) return 0;
    const uint8_t* p = RowOf(dib, y) + (size_t)x * 4;
    *b = p[0]; *g = p[1]; *r = p[2];
    return 1;
}

int SetPackedDibRgbAt(uint8_t* bits, int width, int height, int stride, int x, int y, int r, int g, int b) {
    if (!bits || x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint8_t* p = bits + (size_t)(height - 1 - y) * stride + (size_t)x * 4;
    p[0] = (uint8_t)b; p[1] = (uint8_t)g; p[2] = (uint8_t)r;
    return 1;
}

int SetPackedDibRgb(BITMAPINFOHEADER* dib, int x, int y, int r, int g, int b) {
    if (!dib || x < 0 || y < 0 || x >= dib->biWidth || y >= Abs(dib->biHeight)) return 0;
    uint8_t* p = RowOf(dib, y) + (size_t)x * 4;
    p[0] = (uint8_t)b; p[1] = (uint8_t)g; p[2] = (uint8_t)r;
    return 1;
}

int GetPackedDibValue8(const BITMAPINFOHEADER* dib, int x, int y, int* value) {
    if (!dib || x < 0 || y < 0 || x >= dib->biWidth || y >= Abs(dib->biHeight)) return 0;
    *value = RowOf(dib, y)[x];
    return 1;
}

int SetPackedDibValue8(BITMAPINFOHEADER* dib, int x, int y, int value) {
    if (!dib || x < 0 || y < 0 || x >= dib->biWidth || y >= Abs(dib->biHeight)) return 0;
    RowOf(dib, y)[x] = (uint8_t)value;
    return 1;
}

// ---- drawing

int StretchDrawPackedDib(HDC dc, const BITMAPINFOHEADER* dib, int x0, int y0, int x1, int y1) {
    if (!dib) return 0;
    int bw = x1 - x0 - 2, bh = y1 - y0 - 2;
    int w = dib->biWidth, h = Abs(dib->biHeight);
    if (bw < 1 || bh < 1 || w < 1 || h < 1) return 1;
    double sx = (double)w / bw, sy = (double)h / bh;
    double s = sx > sy ? sx : sy;
    int dw = (int)(w / s), dh = (int)(h / s);
    if (dw < 1) dw = 1;
    if (dh < 1) dh = 1;
    int x = (x1 - 2 - dw - x0) / 2 + x0 + 1;
    int y = (y1 - 2 - dh - y0) / 2 + y0 + 1;
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, x, y, dw, dh, 0, 0, w, h, GetPackedDibBits(dib), (const BITMAPINFO*)dib, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
    return 1;
}

void DrawPackedDib(const BITMAPINFOHEADER* dib, HDC dc, int x, int y) {
    if (!dib) return;
    int h = Abs(dib->biHeight);
    SetDIBitsToDevice(dc, x, y, dib->biWidth, h, 0, 0, 0, h, GetPackedDibBits(dib), (const BITMAPINFO*)dib, DIB_RGB_COLORS);
}

// ---- resizing

namespace {

// Area resize of whole pixels of `bpp` bytes (4: blue, green, red averaged,
// fourth byte from the pixel at the target position; 1: the value). Shrinking
// axes average runs of source pixels that map onto one target pixel
// (e x (dst - 1) / max(src - 1, 1)), then a nearest stretch fills the target.
int AreaResize(BITMAPINFOHEADER* dst, const BITMAPINFOHEADER* src, int bpp) {
    const int sw = src->biWidth, sh = Abs(src->biHeight);
    const int dw = dst->biWidth, dh = Abs(dst->biHeight);
    const int ww = dw < sw ? dw : sw;   // working size
    const int wh = dh < sh ? dh : sh;
    const int channels = bpp == 4 ? 3 : 1;
    auto work = Alloc<uint8_t>((size_t)ww * wh * bpp);
    auto hrow = Alloc<uint8_t>((size_t)ww * bpp);
    auto sums = Alloc<uint32_t>((size_t)ww * channels);
    if (!work || !hrow || !sums) return 0;
    dibutil::WaitCursor wait;

    // One source row shrunk to the working width into hrow.
    auto shrinkRow = [&](int r) {
        const uint8_t* s = RowOf(src, r);
        if (ww == sw) { std::memcpy(hrow.get(), s, (size_t)sw * bpp); return; }
        const int div = sw - 1 > 1 ? sw - 1 : 1;
        int e = 0;
        while (e < sw) {
            int m = (int)((int64_t)e * (dw - 1) / div);
            uint32_t acc[3] = {0, 0, 0};
            int n = 0;
            while (e < sw && (int)((int64_t)e * (dw - 1) / div) == m) {
                for (int c = 0; c < channels; ++c) acc[c] += s[(size_t)e * bpp + c];
                ++n; ++e;
            }
            if (e >= sw) m = dw - 1;
            uint8_t* t = hrow.get() + (size_t)m * bpp;
            for (int c = 0; c < channels; ++c) t[c] = (uint8_t)(acc[c] / n);
            if (bpp == 4) t[3] = s[(size_t)m * 4 + 3];
        }
    };

    if (wh == sh) {
        for (int r = 0; r < sh; ++r) {
            shrinkRow(r);
            std::memcpy(work.get() + (size_t)r * ww * bpp, hrow.get(), (size_t)ww * bpp);
        }
    } else {
        const int div = sh - 1 > 1 ? sh - 1 : 1;
        int j = 0;
        while (j < sh) {
            int g = (int)((int64_t)(dh - 1) * j / div);
            std::memset(sums.get(), 0, (size_t)ww * channels * 4);
            int n = 0;
            while (j < sh && (int)((int64_t)(dh - 1) * j / div) == g) {
                shrinkRow(j);
                for (int x = 0; x < ww; ++x)
                    for (int c = 0; c < channels; ++c) sums[(size_t)x * channels + c] += hrow[(size_t)x * bpp + c];
                ++n; ++j;
            }
            if (j >= sh) g = dh - 1;
            uint8_t* t = work.get() + (size_t)g * ww * bpp;
            shrinkRow(g);   // the fourth byte of the target row's pixels
            for (int x = 0; x < ww; ++x) {
                for (int c = 0; c < channels; ++c) t[(size_t)x * bpp + c] = (uint8_t)(sums[(size_t)x * channels + c] / n);
                if (bpp == 4) t[(size_t)x * 4 + 3] = hrow[(size_t)x * 4 + 3];
            }
        }
    }

    const int ddw = dw - 1 > 1 ? dw - 1 : 1, ddh = dh - 1 > 1 ? dh - 1 : 1;
    for (int i = 0; i < dh; ++i) {
        int r = (int)((int64_t)i * (wh - 1) / ddh);
        const uint8_t* s = work.get() + (size_t)r * ww * bpp;
        uint8_t* d = RowOf(dst, i);
        for (int jx = 0; jx < dw; ++jx) {
            int c = (int)((int64_t)jx * (ww - 1) / ddw);
            std::memcpy(d + (size_t)jx * bpp, s + (size_t)c * bpp, bpp);
        }
    }
    return 1;
}

}  // namespace

int ResizePackedDibRows32(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source) {
    if (!destination || !source) return 0;
    if (destination->biBitCount != 32 || source->biBitCount != 32) return 0;
    return AreaResize(destination, source, 4);
}

int ResizePackedDibRows8(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source) {
    if (!destination || !source) return 0;
    if (destination->biBitCount != 8 || source->biBitCount != 8) return 0;
    return AreaResize(destination, source, 1);
}

BITMAPINFOHEADER* ResizePackedDib(const BITMAPINFOHEADER* dib, int width, int height) {
    if (!dib || dib->biBitCount != 32) return nullptr;
    BITMAPINFOHEADER* out = CreatePackedDib(width, height, 32);
    if (!out) return nullptr;
    if (!ResizePackedDibRows32(out, dib)) { FreePackedDib(out); return nullptr; }
    return out;
}

BITMAPINFOHEADER* ResizePackedDib8(const BITMAPINFOHEADER* dib, int width, int height) {
    if (!dib || dib->biBitCount != 8) return nullptr;
    BITMAPINFOHEADER* out = CreatePackedDib(width, height, 8);
    if (!out) return nullptr;
    if (!ResizePackedDibRows8(out, dib)) { FreePackedDib(out); return nullptr; }
    return out;
}

int ResizePackedDibRowsBilinear(BITMAPINFOHEADER* dst, const BITMAPINFOHEADER* src) {
    if (!dst || !src || dst->biBitCount != 32 || src->biBitCount != 32) return 0;
    const int sw = src->biWidth, sh = Abs(src->biHeight), dw = dst->biWidth, dh = Abs(dst->biHeight);
    auto blend = Alloc<uint8_t>((size_t)sw * 4);
    if (!blend) return 0;
    dibutil::WaitCursor wait;
    for (int i = 0; i < dh; ++i) {
        double t = dh > 1 ? (double)(sh - 1) * i / (dh - 1) : 0.0;
        int u = (int)t;
        double fy = t - u;
        const uint8_t* r0 = RowOf(src, u);
        const uint8_t* r1 = RowOf(src, u + 1 < sh ? u + 1 : u);
        for (int x = 0; x < sw * 4; ++x) blend[x] = (uint8_t)(int)(r0[x] + (r1[x] - r0[x]) * fy);
        uint8_t* d = RowOf(dst, i);
        for (int j = 0; j < dw; ++j) {
            double s = dw > 1 ? (double)(sw - 1) * j / (dw - 1) : 0.0;
            int p = (int)s;
            double fx = s - p;
            int q = p + 1 < sw ? p + 1 : p;
            for (int c = 0; c < 3; ++c) {
                int a = blend[p * 4 + c], b = blend[q * 4 + c];
                d[j * 4 + c] = (uint8_t)(int)(a + (b - a) * fx);
            }
        }
    }
    return 1;
}

BITMAPINFOHEADER* ResizePackedDibInMemory(const BITMAPINFOHEADER* dib, int width, int height) {
    if (!dib || dib->biBitCount != 32) return nullptr;
    BITMAPINFOHEADER* out = CreatePackedDib(width, height, 32);
    if (!out) return nullptr;
    if (!ResizePackedDibRowsBilinear(out, dib)) { FreePackedDib(out); return nullptr; }
    return out;
}

BITMAPINFOHEADER* FitPackedDib(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight) {
    if (!dib || dib->biWidth < 1 || dib->biHeight == 0) return nullptr;
    int w = dib->biWidth, h = Abs(dib->biHeight);
    float c = (float)boxWidth / w, e = (float)boxHeight / h;
    int fw, fh;
    if (c >= e) { fw = (int)(w * e); fh = boxHeight; }
    else { fw = boxWidth; fh = (int)(h * c); }
    if (fw < 1) fw = 1;
    if (fh < 1) fh = 1;
    BITMAPINFOHEADER* copy = ResizePackedDibInMemory(dib, fw, fh);
    if (!copy) return nullptr;
    BITMAPINFOHEADER* out = CreatePackedDib(boxWidth, boxHeight, 32);
    if (out) {
        int ox = (boxWidth - fw) / 2, oy = (boxHeight - fh) / 2;
        for (int y = 0; y < fh; ++y)
            PutPackedDibRow32(out, oy + y, ox, ox + fw - 1, (const uint32_t*)RowOf(copy, y));
    }
    FreePackedDib(copy);
    return out;
}

int HalvePackedDib(BITMAPINFOHEADER** pdib) {
    if (!pdib || !*pdib || (*pdib)->biBitCount != 32) return 0;
    const BITMAPINFOHEADER* src = *pdib;
    int w = src->biWidth / 2, h = Abs(src->biHeight) / 2;
    BITMAPINFOHEADER* out = CreatePackedDib(w, h, 32);
    if (!out) return 0;
    for (int j = 0; j < h; ++j) {
        const uint8_t* a = RowOf(src, 2 * j);
        const uint8_t* b = RowOf(src, 2 * j + 1);
        uint8_t* d = RowOf(out, j);
        for (int i = 0; i < w; ++i)
            for (int c = 0; c < 3; ++c)
                d[i * 4 + c] = (uint8_t)((a[8 * i + c] + a[8 * i + 4 + c] + b[8 * i + c] + b[8 * i + 4 + c]) / 4);
    }
    FreePackedDib(*pdib);
    *pdib = out;
    return 1;
}

// ---- files

BITMAPINFOHEADER* LoadPackedDibBmp(const char* path) {
    if (!path) return nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    BITMAPINFOHEADER* out = nullptr;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 14 && size.QuadPart < 0x7FFFFFFF) {
        size_t n = (size_t)size.QuadPart;
        auto data = Alloc<uint8_t>(n);
        BmpLayout l;
        if (data && ReadFileAt(file, 0, data.get(), (DWORD)n) && ParseBmpLayout(data.get(), n, n, true, &l)) {
            out = CreatePackedDib(l.width, l.height, 32);
            BmpRowSource rows;
            if (out && rows.Open(l, data.get())) {
                out->biXPelsPerMeter = l.xPelsPerMeter;
                out->biYPelsPerMeter = l.yPelsPerMeter;
                for (int y = 0; y < l.height; ++y) DecodeBmpRow32(l, rows.Row(y), (uint32_t*)RowOf(out, y));
            } else {
                FreePackedDib(out);
                out = nullptr;
            }
        }
    }
    CloseHandle(file);
    return out;
}

namespace {
struct SaveDibJob {
    const BITMAPINFOHEADER* dib;
};
bool WriteDibFile(HANDLE file, void* context) {
    const BITMAPINFOHEADER* dib = ((SaveDibJob*)context)->dib;
    DWORD bodySize = GetPackedDibSize(dib);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = bodySize + 14;
    fh.bfOffBits = bodySize - (DWORD)(dibutil::Stride(dib->biWidth, dib->biBitCount) * Abs(dib->biHeight)) + 14;
    return WriteAll(file, &fh, 14) && WriteAll(file, dib, bodySize);
}
}  // namespace

int SavePackedDibBmp(const char* path, const BITMAPINFOHEADER* dib) {
    if (!dib || dib->biSize < 40 || dib->biSize > 124) return 0;
    dibutil::WaitCursor wait;
    SaveDibJob job{dib};
    return WriteFileReplacingWith(path, WriteDibFile, &job) ? 1 : 0;
}
