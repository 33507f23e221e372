#include "browser/codecs/simple_image.h"

#include <cstring>

#include "image/colour_model.h"

namespace {

constexpr uint64_t kMaxBlock = 0x7FFFFFFF;

uint8_t Clamp255(int v) { return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v); }

void FreeBlock(uint8_t*& p) {
    if (p) GlobalFree(p);
    p = nullptr;
}

}  // namespace

bool SimpleSizeAcceptable(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= SimpleMaxSide && height <= SimpleMaxSide;
}

uint8_t* SimpleAlloc(uint64_t bytes) {
    if (bytes == 0 || bytes > kMaxBlock) return nullptr;
    return (uint8_t*)GlobalAlloc(GPTR, (SIZE_T)bytes);
}

SimpleImage* NewSimpleImage(int32_t kind, int32_t width, int32_t height, int32_t bits) {
    if (!SimpleSizeAcceptable(width, height) || bits < 1 || bits > 40) return nullptr;
    const uint64_t stride = ((uint64_t)width * (uint64_t)bits + 7) / 8;
    auto* image = (SimpleImage*)SimpleAlloc(sizeof(SimpleImage));
    if (!image) return nullptr;
    image->kind = kind;
    image->width = width;
    image->height = height;
    image->bits = bits;
    image->stride = (int32_t)stride;
    image->pixels = SimpleAlloc(stride * (uint64_t)height);
    if (!image->pixels) FreeSimpleImage(&image);
    return image;
}

void FreeSimpleImage(SimpleImage** record) {
    if (!record || !*record) return;
    SimpleImage* image = *record;
    FreeBlock(image->palette);
    FreeBlock(image->pixels);
    FreeBlock(image->mask);
    FreeBlock(image->pngTransparency);
    GlobalFree(image);
    *record = nullptr;
}

SimpleImage* SimpleImageFromPackedDib(const BITMAPINFOHEADER* dib) {
    if (!dib || dib->biSize < 40 || dib->biBitCount != 24 || dib->biCompression != BI_RGB) return nullptr;
    const int32_t width = dib->biWidth;
    const int64_t height = dib->biHeight < 0 ? -(int64_t)dib->biHeight : dib->biHeight;
    if (!SimpleSizeAcceptable(width, height)) return nullptr;
    const uint64_t dibStride = ((uint64_t)width * 24 + 31) / 32 * 4;
    // The rows must lie inside the block when the block's size is known.
    if (HGLOBAL block = GlobalHandle(dib)) {
        const uint64_t have = GlobalSize(block);
        if (have && dib->biSize + dibStride * (uint64_t)height > have) return nullptr;
    }
    SimpleImage* image = NewSimpleImage(SimpleKindRgb, width, (int32_t)height, 24);
    if (!image) return nullptr;
    const uint8_t* rows = (const uint8_t*)dib + dib->biSize;
    for (int64_t y = 0; y < height; ++y) {
        const int64_t stored = dib->biHeight > 0 ? height - 1 - y : y;
        const uint8_t* s = rows + stored * dibStride;
        uint8_t* d = image->pixels + y * image->stride;
        for (int32_t x = 0; x < width; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return image;
}

BITMAPINFOHEADER* PackedDibFromSimpleImage(const SimpleImage* image) {
    if (!image || !image->pixels || !SimpleSizeAcceptable(image->width, image->height)) return nullptr;
    const int32_t w = image->width, h = image->height, bits = image->bits;
    // What each kind needs of a row.
    int32_t samples = 0;
    switch (image->kind) {
    case SimpleKindRgb: samples = 3; break;
    case SimpleKindCmyk: samples = 4; break;
    case SimpleKindPalette: samples = 1; break;
    case SimpleKindGrey: samples = bits == 1 ? 0 : 1; break;
    default: return nullptr;
    }
    if (bits % 8 != 0 && !(image->kind == SimpleKindGrey && bits == 1)) return nullptr;
    const int32_t step = bits / 8;
    if (step < samples || (int64_t)image->stride < ((int64_t)w * bits + 7) / 8) return nullptr;
    if (image->kind == SimpleKindPalette && (!image->palette || image->paletteCount < 0)) return nullptr;

    const uint64_t dibStride = ((uint64_t)w * 24 + 31) / 32 * 4;
    const uint64_t bytes = 40 + dibStride * (uint64_t)h;
    if (bytes > kMaxBlock) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
    auto* dib = block ? (BITMAPINFOHEADER*)GlobalLock(block) : nullptr;
    if (!dib) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    *dib = BITMAPINFOHEADER{
        .biSize = 40,
        .biWidth = w,
        .biHeight = h,
        .biPlanes = 1,
        .biBitCount = 24,
        .biCompression = BI_RGB,
        .biSizeImage = (DWORD)(dibStride * (uint64_t)h),
    };
    const bool invertGrey = (image->flags & SimpleMinIsWhite) != 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = image->pixels + (int64_t)y * image->stride;
        uint8_t* d = (uint8_t*)(dib + 1) + (uint64_t)(h - 1 - y) * dibStride;
        for (int32_t x = 0; x < w; ++x, d += 3) {
            const uint8_t* p = s + (int64_t)x * step;
            uint8_t b = 0, g = 0, r = 0;
            switch (image->kind) {
            case SimpleKindRgb:
                r = p[0]; g = p[1]; b = p[2];
                break;
            case SimpleKindPalette:
                if (p[0] < image->paletteCount) {
                    const uint8_t* e = image->palette + 4 * p[0];
                    b = e[0]; g = e[1]; r = e[2];
                }
                break;
            case SimpleKindCmyk: {
                int ri, gi, bi;
                ConvertCmyToRgb(Clamp255(p[0] + p[3]), Clamp255(p[1] + p[3]), Clamp255(p[2] + p[3]), &ri, &gi, &bi);
                r = (uint8_t)ri; g = (uint8_t)gi; b = (uint8_t)bi;
                break;
            }
            case SimpleKindGrey:
                if (bits == 1) r = g = b = ((s[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
                else r = g = b = invertGrey ? (uint8_t)(255 - p[0]) : p[0];
                break;
            }
            d[0] = b; d[1] = g; d[2] = r;
        }
    }
    return dib;
}

void ResampleBilinear(uint8_t* destination, int32_t dw, int32_t dh, int32_t destinationStride,
                      const uint8_t* source, int32_t sw, int32_t sh, int32_t sourceStride, int32_t bpp) {
    if (!destination || !source || dw < 1 || dh < 1 || sw < 1 || sh < 1 || bpp < 1) return;
    const double xStep = (double)sw / dw, yStep = (double)sh / dh;
    for (int32_t y = 0; y < dh; ++y) {
        const double sy = y * yStep;
        const int32_t y0 = (int32_t)sy, y1 = y0 + 1 < sh ? y0 + 1 : sh - 1;
        const double fy = sy - y0;
        const uint8_t* row0 = source + (int64_t)y0 * sourceStride;
        const uint8_t* row1 = source + (int64_t)y1 * sourceStride;
        uint8_t* out = destination + (int64_t)y * destinationStride;
        for (int32_t x = 0; x < dw; ++x) {
            const double sx = x * xStep;
            const int32_t x0 = (int32_t)sx, x1 = x0 + 1 < sw ? x0 + 1 : sw - 1;
            const double fx = sx - x0;
            for (int32_t c = 0; c < bpp; ++c) {
                const double a = row0[(int64_t)x0 * bpp + c], b = row0[(int64_t)x1 * bpp + c];
                const double cc = row1[(int64_t)x0 * bpp + c], d = row1[(int64_t)x1 * bpp + c];
                const double v = a + fx * (b - a) + fy * (cc - a) + fx * fy * (d + a - b - cc) + 0.5;
                out[(int64_t)x * bpp + c] = Clamp255((int)v);
            }
        }
    }
}
