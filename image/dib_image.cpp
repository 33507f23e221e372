#include "image/dib_image.h"

#include <cmath>
#include <cstring>

#include "image/bmp_file.h"
#include "image/c_dib_util.h"
#include "image/progress.h"
#include "image/vms_store.h"

using dibutil::Alloc;
using dibutil::ClipRow;
using dibutil::Nearest;
using dibutil::TurnFrame;
using dibutil::FrameOf;

namespace {

void* LockedAlloc(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void LockedFree(void* p) {
    if (!p) return;
    HGLOBAL h = GlobalHandle(p);
    if (!h) return;
    GlobalUnlock(h);
    GlobalFree(h);
}

int PaletteBytes(int bits) { return bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0; }

// Record and block of the given depth (no depth conversion).
DibImage* MakeImage(int width, int height, int bits) {
    if (width <= 0 || height <= 0) return nullptr;
    int64_t stride = dibutil::Stride(width, bits);
    int palette = PaletteBytes(bits);
    uint64_t size = 40 + palette + (uint64_t)stride * height;
    if (size > 0x7FFFFFFFull) return nullptr;
    DibImage* image = (DibImage*)LockedAlloc(sizeof(DibImage));
    if (!image) return nullptr;
    image->block = (uint8_t*)LockedAlloc((size_t)size);
    if (!image->block) { LockedFree(image); return nullptr; }
    image->width = width;
    image->height = height;
    image->bits = bits;
    image->stride = (int32_t)stride;
    image->paletteBytes = palette;
    image->bitsOffset = 40 + palette;
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)image->block;
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)bits;
    RGBQUAD* table = (RGBQUAD*)(image->block + 40);
    if (bits == 4)
        for (int k = 0; k < 16; ++k) table[k] = RGBQUAD{(BYTE)(k * 17), (BYTE)(k * 17), (BYTE)(k * 17), 0};
    if (bits == 8)
        for (int k = 0; k < 256; ++k) table[k] = RGBQUAD{(BYTE)k, (BYTE)k, (BYTE)k, 0};
    return image;
}

inline uint8_t* Row(const DibImage* im, int y) {
    return im->block + im->bitsOffset + (size_t)(im->height - 1 - y) * im->stride;
}

size_t BlockBytes(const DibImage* im) { return 40 + (size_t)im->paletteBytes + (size_t)im->height * im->stride; }

int FreeImage(DibImage** image) {
    if (!image || !*image) return 0;
    LockedFree((*image)->block);
    LockedFree(*image);
    *image = nullptr;
    return 1;
}

DibImage* CloneImage(const DibImage* image, DibImage* (*create)(int, int, int)) {
    if (!image) return nullptr;
    DibImage* copy = create(image->width, image->height, image->bits);
    if (!copy) return nullptr;
    if (copy->stride != image->stride || copy->bitsOffset != image->bitsOffset) {
        FreeImage(&copy);
        return nullptr;
    }
    std::memcpy(copy->block, image->block, BlockBytes(image));
    return copy;
}

// Clipped row copy of `bpp`-byte pixels.
int RowCopy(const DibImage* im, int y, int x0, int x1, void* buffer, int bpp, bool put) {
    if (!im) return 0;
    int first, count, skip;
    if (!ClipRow(im->width, im->height, y, x0, x1, &first, &count, &skip)) return 0;
    uint8_t* row = Row(im, y) + (size_t)first * bpp;
    uint8_t* buf = (uint8_t*)buffer + (size_t)skip * bpp;
    if (put) std::memcpy(row, buf, (size_t)count * bpp);
    else std::memcpy(buf, row, (size_t)count * bpp);
    return 1;
}

int DrawImage(HDC dc, const DibImage* im, int x, int y) {
    if (!im) return 0;
    SetDIBitsToDevice(dc, x, y, im->width, im->height, 0, 0, 0, im->height, im->block + im->bitsOffset,
                      (const BITMAPINFO*)im->block, DIB_RGB_COLORS);
    return 1;
}

int StretchImage(HDC dc, const DibImage* im, int x0, int y0, int x1, int y1) {
    if (!im) return 0;
    StretchDIBits(dc, x0, y0, x1 - x0 + 1, y1 - y0 + 1, 0, 0, im->width, im->height, im->block + im->bitsOffset,
                  (const BITMAPINFO*)im->block, DIB_RGB_COLORS, SRCCOPY);
    return 1;
}

int CentreImage(HDC dc, const DibImage* im, int left, int top, int right, int bottom) {
    if (!im) return 0;
    int bw = right - left - 2, bh = bottom - top - 2;
    if (bw >= im->width && bh >= im->height) {
        SetDIBitsToDevice(dc, left + 1 + (bw - im->width) / 2, top + 1 + (bh - im->height) / 2, im->width, im->height,
                          0, 0, 0, im->height, im->block + im->bitsOffset, (const BITMAPINFO*)im->block, DIB_RGB_COLORS);
        return 1;
    }
    if (bw < 1 || bh < 1) return 1;
    SetStretchBltMode(dc, COLORONCOLOR);
    double sx = (double)im->width / bw, sy = (double)im->height / bh;
    double s = sx > sy ? sx : sy;
    int dw = (int)(im->width / s), dh = (int)(im->height / s);
    if (dw < 1) dw = 1;
    if (dh < 1) dh = 1;
    StretchDIBits(dc, (right - dw - left - 2) / 2 + left + 1, (bottom - dh - top - 2) / 2 + top + 1, dw, dh, 0, 0,
                  im->width, im->height, im->block + im->bitsOffset, (const BITMAPINFO*)im->block, DIB_RGB_COLORS, SRCCOPY);
    return 1;
}

// Nearest-neighbour fill of whole `bpp`-byte pixels; the phases pick the
// rounded-up source position on every third row or column (phase mode).
int NearestFill(const DibImage* src, DibImage* dst, int bpp, bool phased, int columnPhase, int rowPhase) {
    if (!src || !dst || src->bits != dst->bits || src->bits != bpp * 8) return 0;
    const int sw = src->width, sh = src->height, dw = dst->width, dh = dst->height;
    auto columns = Alloc<int>((size_t)dw);
    if (!columns) return 0;
    auto pick = [&](int i, int s, int d, int phase) {
        int64_t v;
        if (phased && ((phase + i) % 3 + 3) % 3 == 1) v = ((int64_t)i * s + d - 1) / d;
        else v = (int64_t)i * s / d;
        return (int)(v > s - 1 ? s - 1 : v);
    };
    for (int j = 0; j < dw; ++j) columns[j] = pick(j, sw, dw, columnPhase);
    for (int i = 0; i < dh; ++i) {
        const uint8_t* s = Row(src, pick(i, sh, dh, rowPhase));
        uint8_t* d = Row(dst, i);
        for (int j = 0; j < dw; ++j) std::memcpy(d + (size_t)j * bpp, s + (size_t)columns[j] * bpp, bpp);
    }
    return 1;
}

int BilinearAt(const DibImage* im, double x, double y, int* out) {
    int x0 = (int)x, y0 = (int)y;
    if (x0 < 0 || y0 < 0 || x0 > im->width - 1 || y0 > im->height - 1) return 0;
    int x1 = (int)(x + 1), y1 = (int)(y + 1);
    if (x1 > im->width - 1) x1 = im->width - 1;
    if (y1 > im->height - 1) y1 = im->height - 1;
    double fx = x - x0, fy = y - y0;
    const uint8_t* r0 = Row(im, y0);
    const uint8_t* r1 = Row(im, y1);
    int top = (int)((1 - fx) * r0[x0] + fx * r0[x1]);
    int bottom = (int)((1 - fx) * r1[x0] + fx * r1[x1]);
    int v = (int)(bottom * fy + (1 - fy) * top);
    *out = v < 0 ? 0 : (v > 255 ? 255 : v);   // a point just left of or above the image extrapolates
    return 1;
}

DibImage* Rotate8Impl(const DibImage* src, int degrees, bool bilinear) {
    if (!src || src->bits != 8) return nullptr;
    TurnFrame f = FrameOf(src->width, src->height, degrees);
    DibImage* out = MakeImage(f.width(), f.height(), 8);
    if (!out) return nullptr;
    std::memcpy(out->block + 40, src->block + 40, 1024);
    const int W = src->width, H = src->height, hw = W / 2, hh = H / 2;
    for (int v = f.minY; v < f.maxY; ++v) {
        if (bilinear && v % 5 == 0) SendProgress((v - f.minY) * 100 / out->height);
        uint8_t* d = Row(out, v - f.minY);
        for (int u = f.minX; u < f.maxX; ++u) {
            double sx = u * f.c + v * f.s + hw, sy = v * f.c - u * f.s + hh;
            int nx = Nearest(sx), ny = Nearest(sy);
            if (nx < 0 || nx > W - 1 || ny < 0 || ny > H - 1) continue;
            int value;
            if (!bilinear) d[u - f.minX] = Row(src, ny)[nx];
            else if (BilinearAt(src, sx, sy, &value)) d[u - f.minX] = (uint8_t)value;
        }
    }
    if (bilinear) SendProgressEnd();
    return out;
}

// Nearest turn of 3- or 4-byte pixels in single precision.
DibImage* RotateNearestImpl(const DibImage* src, int degrees, int bpp, DibImage* (*create)(int, int, int)) {
    if (!src || src->bits != bpp * 8) return nullptr;
    TurnFrame f = FrameOf(src->width, src->height, degrees);
    DibImage* out = create(f.width(), f.height(), bpp * 8);
    if (!out) return nullptr;
    const int W = src->width, H = src->height, hw = W / 2, hh = H / 2;
    const float c = (float)f.c, s = (float)f.s;
    for (int v = f.minY; v < f.maxY; ++v) {
        if (v % 5 == 0) SendProgress((v - f.minY) * 100 / out->height);
        uint8_t* d = Row(out, v - f.minY);
        float vs = v * s, vc = v * c;
        for (int u = f.minX; u < f.maxX; ++u) {
            int nx = Nearest(u * c + vs) + hw, ny = Nearest(vc - u * s) + hh;
            if (nx < 0 || nx > W - 1 || ny < 0 || ny > H - 1) continue;
            std::memcpy(d + (size_t)(u - f.minX) * bpp, Row(src, ny) + (size_t)nx * bpp, bpp);
        }
    }
    SendProgressEnd();
    return out;
}

// A .bmp file as a record of the file's depth (palette depths, 24 and plain
// 32 bits as stored; 16-bit and bit-field pixels widened to 32 bits).
DibImage* LoadBmpImpl(const char* path) {
    if (!path) return nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    DibImage* out = nullptr;
    LARGE_INTEGER size;
    uint8_t head[kBmpHeadBytes];
    BmpLayout l;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 14) {
        DWORD n = size.QuadPart < (LONGLONG)sizeof(head) ? (DWORD)size.QuadPart : (DWORD)sizeof(head);
        if (ReadFileAt(file, 0, head, n) && ParseBmpLayout(head, n, (uint64_t)size.QuadPart, true, &l)) {
            int bits = l.bits;
            bool decode = l.masked || l.bits == 16;
            if (decode) bits = 32;
            out = MakeImage(l.width, l.height, bits);
            BmpRowSource rows;
            if (out && rows.Open(l, file)) {
                if (bits <= 8) std::memcpy(out->block + 40, l.palette, (size_t)out->paletteBytes);
                BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)out->block;
                h->biXPelsPerMeter = l.xPelsPerMeter;
                h->biYPelsPerMeter = l.yPelsPerMeter;
                for (int y = 0; y < l.height && out; ++y) {
                    const uint8_t* row = rows.Row(y);
                    if (!row) {
                        FreeImage(&out);
                        break;
                    }
                    if (decode) DecodeBmpRow32(l, row, (uint32_t*)Row(out, y));
                    else std::memcpy(Row(out, y), row, (size_t)out->stride);
                }
            } else {
                FreeImage(&out);
            }
        }
    }
    CloseHandle(file);
    return out;
}

}  // namespace

// ---- c_DibImageOps

DibImage* c_DibImageOps::Create(int width, int height, int bits) {
    return MakeImage(width, height, bits == 24 ? 32 : bits);
}

int c_DibImageOps::Free(DibImage** image) { return FreeImage(image); }

DibImage* c_DibImageOps::Clone(const DibImage* image) { return CloneImage(image, &c_DibImageOps::Create); }

int c_DibImageOps::GetRow32(const DibImage* im, int y, int x0, int x1, uint32_t* buffer) { return RowCopy(im, y, x0, x1, buffer, 4, false); }
int c_DibImageOps::PutRow32(DibImage* im, int y, int x0, int x1, const uint32_t* buffer) { return RowCopy(im, y, x0, x1, (void*)buffer, 4, true); }
int c_DibImageOps::GetRow8(const DibImage* im, int y, int x0, int x1, uint8_t* buffer) { return RowCopy(im, y, x0, x1, buffer, 1, false); }
int c_DibImageOps::PutRow8(DibImage* im, int y, int x0, int x1, const uint8_t* buffer) { return RowCopy(im, y, x0, x1, (void*)buffer, 1, true); }

int c_DibImageOps::GetRawRow(const DibImage* im, int y, int x0, int x1, void* buffer) {
    if (!im || im->bits < 8) return 0;
    return RowCopy(im, y, x0, x1, buffer, im->bits / 8, false);
}

int c_DibImageOps::PutRawRow(DibImage* im, int y, int x0, int x1, const void* buffer) {
    if (!im || im->bits < 8) return 0;
    return RowCopy(im, y, x0, x1, (void*)buffer, im->bits / 8, true);
}

int c_DibImageOps::GetValue8(const DibImage* im, int x, int y, int* value) {
    if (!im || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    *value = Row(im, y)[x];
    return 1;
}

int c_DibImageOps::SetValue8(DibImage* im, int x, int y, int value) {
    if (!im || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    Row(im, y)[x] = (uint8_t)value;
    return 1;
}

int c_DibImageOps::GetRgb(const DibImage* im, int x, int y, int* r, int* g, int* b) {
    if (!im || im->bits != 32 || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    const uint8_t* p = Row(im, y) + (size_t)x * 4;
    *b = p[0]; *g = p[1]; *r = p[2];
    return 1;
}

int c_DibImageOps::SetBit(DibImage* im, int x, int y, int on) {
    if (!im || im->bits != 1 || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    uint8_t* p = Row(im, y) + x / 8;
    *p &= (uint8_t)~(0x80 >> (x % 8));
    if (on) *p |= (uint8_t)(0x80 >> (x % 8));
    return 1;
}

int c_DibImageOps::GetBit(const DibImage* im, int x, int y, int* bit) {
    if (!im || im->bits != 1 || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    *bit = (Row(im, y)[x / 8] & (0x80 >> (x % 8))) ? 1 : 0;
    return 1;
}

int c_DibImageOps::Draw(HDC dc, const DibImage* im, int x, int y) { return DrawImage(dc, im, x, y); }
int c_DibImageOps::StretchDraw(HDC dc, const DibImage* im, int x0, int y0, int x1, int y1) { return StretchImage(dc, im, x0, y0, x1, y1); }
int c_DibImageOps::DrawCentred(HDC dc, const DibImage* im, int l, int t, int r, int b) { return CentreImage(dc, im, l, t, r, b); }

int c_DibImageOps::ResizeNearest(const DibImage* s, DibImage* d) { return NearestFill(s, d, 4, false, 0, 0); }
int c_DibImageOps::ResizeNearest8(const DibImage* s, DibImage* d) { return NearestFill(s, d, 1, false, 0, 0); }
int c_DibImageOps::ResizeNearestPhased(const DibImage* s, DibImage* d, int, int cp, int rp) { return NearestFill(s, d, 4, true, cp, rp); }

DibImage* c_DibImageOps::Rotate8(const DibImage* source, int degrees) { return Rotate8Impl(source, degrees, true); }
DibImage* c_DibImageOps::Rotate8Nearest(const DibImage* source, int degrees) { return Rotate8Impl(source, degrees, false); }
DibImage* c_DibImageOps::Rotate(const DibImage* source, int degrees) {
    return RotateNearestImpl(source, degrees, 4, &c_DibImageOps::Create);
}

DibImage* c_DibImageOps::ConvertTo32Bit(const DibImage* im) {
    if (!im) return nullptr;
    DibImage* out = Create(im->width, im->height, 32);
    if (!out) return nullptr;
    dibutil::WaitCursor wait;
    const RGBQUAD* table = (const RGBQUAD*)(im->block + 40);
    for (int y = 0; y < im->height; ++y) {
        const uint8_t* s = Row(im, y);
        uint8_t* d = Row(out, y);
        for (int x = 0; x < im->width; ++x) {
            uint8_t* p = d + (size_t)x * 4;
            if (im->bits <= 8) {
                int index = im->bits == 1 ? (s[x / 8] >> (7 - x % 8)) & 1
                          : im->bits == 4 ? ((x & 1) ? s[x / 2] & 15 : s[x / 2] >> 4)
                          : s[x];
                p[0] = table[index].rgbBlue; p[1] = table[index].rgbGreen; p[2] = table[index].rgbRed;
            } else if (im->bits == 24 || im->bits == 32) {
                std::memcpy(p, s + (size_t)x * (im->bits / 8), 3);
            }
        }
    }
    return out;
}

DibImage* c_DibImageOps::LoadBmp(const char* path) { return LoadBmpImpl(path); }

// ---- c_DibImage24Ops

DibImage* c_DibImage24Ops::Create(int width, int height, int bits) { return MakeImage(width, height, bits); }
int c_DibImage24Ops::Free(DibImage** image) { return FreeImage(image); }
DibImage* c_DibImage24Ops::Clone(const DibImage* image) { return CloneImage(image, &c_DibImage24Ops::Create); }
int c_DibImage24Ops::GetRow(const DibImage* im, int y, int x0, int x1, void* buffer) { return RowCopy(im, y, x0, x1, buffer, 3, false); }
int c_DibImage24Ops::PutRow(DibImage* im, int y, int x0, int x1, const void* buffer) { return RowCopy(im, y, x0, x1, (void*)buffer, 3, true); }

int c_DibImage24Ops::GetRgb(const DibImage* im, int x, int y, int* r, int* g, int* b) {
    if (!im || im->bits != 24 || x < 0 || y < 0 || x >= im->width || y >= im->height) return 0;
    const uint8_t* p = Row(im, y) + (size_t)x * 3;
    *b = p[0]; *g = p[1]; *r = p[2];
    return 1;
}

int c_DibImage24Ops::Draw(HDC dc, const DibImage* im, int x, int y) { return DrawImage(dc, im, x, y); }
int c_DibImage24Ops::StretchDraw(HDC dc, const DibImage* im, int x0, int y0, int x1, int y1) { return StretchImage(dc, im, x0, y0, x1, y1); }
int c_DibImage24Ops::DrawCentred(HDC dc, const DibImage* im, int l, int t, int r, int b) { return CentreImage(dc, im, l, t, r, b); }
int c_DibImage24Ops::ResizeNearest(const DibImage* s, DibImage* d) { return NearestFill(s, d, 3, false, 0, 0); }
int c_DibImage24Ops::ResizeNearestPhased(const DibImage* s, DibImage* d, int, int cp, int rp) { return NearestFill(s, d, 3, true, cp, rp); }
DibImage* c_DibImage24Ops::Rotate(const DibImage* source, int degrees) {
    return RotateNearestImpl(source, degrees, 3, &c_DibImage24Ops::Create);
}
DibImage* c_DibImage24Ops::LoadBmp(const char* path) { return LoadBmpImpl(path); }

// ---- the image store's conversion from a DibImage

VmsImage* c_VmsStore::CreateFromDibImage(const DibImage* dib) {
    if (!dib) return nullptr;
    VmsImage* image = Create(dib->width, dib->height, dib->bits, 0, 1);
    if (!image) return nullptr;
    if (dib->bits <= 8) std::memcpy(image->palette, dib->block + 40, (size_t)dib->paletteBytes);
    if (dib->bits == 24) {
        // True 3-byte rows (the 24-bit twin) are widened to the store's words.
        auto row = Alloc<uint32_t>((size_t)dib->width);
        if (!row) { Free(&image); return nullptr; }
        for (int y = 0; y < dib->height; ++y) {
            const uint8_t* s = Row(dib, y);
            for (int x = 0; x < dib->width; ++x, s += 3) row[x] = s[0] | (s[1] << 8) | ((uint32_t)s[2] << 16);
            PutRow(image, y, 0, dib->width - 1, row.get());
        }
        return image;
    }
    for (int y = 0; y < dib->height; ++y) PutRow(image, y, 0, dib->width - 1, Row(dib, y));
    return image;
}
