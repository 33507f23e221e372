// c_Dib turning, flipping, cropping and pasting of VmsImages.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/c_dib.h"
#include "image/c_dib_util.h"
#include "image/progress.h"
#include "image/vms_store.h"

using dibutil::Alloc;
using dibutil::FrameOf;
using dibutil::Nearest;
using dibutil::TurnFrame;

namespace {

// Quarter turn of pixels of type T, reading the source in bands of rows.
template <typename T>
int QuarterTurn(VmsImage* dst, const VmsImage* src, int type) {
    const int W = src->width, H = src->height;
    if (type == 1) {
        auto row = Alloc<T>((size_t)W);
        if (!row) return 0;
        for (int i = 0; i < H; ++i) {
            if (i % 20 == 0) SendProgress((int)((int64_t)i * 100 / H));
            g_VmsStore.GetRow(src, H - 1 - i, 0, W - 1, row.get());
            std::reverse(row.get(), row.get() + W);
            g_VmsStore.PutRow(dst, i, 0, W - 1, row.get());
        }
        SendProgressEnd();
        return 1;
    }
    // About 4 MB of source rows a band.
    int n = (int)((4u << 20) / ((size_t)W * sizeof(T)));
    if (n < 1) n = 1;
    if (n > H) n = H;
    auto band = Alloc<T>((size_t)n * W);
    auto seg = Alloc<T>((size_t)n);
    if (!band || !seg) return 0;
    int sent = -1;
    const int64_t total = (int64_t)H * W;
    for (int c = 0; c < H; c += n) {
        const int rows = c + n <= H ? n : H - c;
        for (int k = 0; k < rows; ++k) g_VmsStore.GetRow(src, c + k, 0, W - 1, band.get() + (size_t)k * W);
        for (int i = 0; i < W; ++i) {
            // Share of the source pixels placed so far, sent when it changes.
            int percent = (int)(((int64_t)c * W + (int64_t)rows * i) * 100 / total);
            if (percent != sent) {
                SendProgress(percent);
                sent = percent;
            }
            if (type == 0) {
                // Output (H - 1 - y, x) = source (x, y): row i is source column i.
                const T* col = band.get() + i;
                for (int k = 0; k < rows; ++k) seg[k] = col[(size_t)(rows - 1 - k) * W];
                g_VmsStore.PutRow(dst, i, H - c - rows, H - c - 1, seg.get());
            } else {
                // Output (y, W - 1 - x) = source (x, y): row i is source column W - 1 - i.
                const T* col = band.get() + (W - 1 - i);
                for (int k = 0; k < rows; ++k) seg[k] = col[(size_t)k * W];
                g_VmsStore.PutRow(dst, i, c, c + rows - 1, seg.get());
            }
        }
    }
    SendProgressEnd();
    return 1;
}

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The whole source in memory, when there is room for it; null otherwise (the
// turn then reads 2 x 2 blocks through the store).
template <typename T>
std::unique_ptr<T[]> LoadWhole(const VmsImage* src) {
    auto all = Alloc<T>((size_t)src->width * src->height);
    if (!all) return all;
    for (int y = 0; y < src->height; ++y) g_VmsStore.GetRow(src, y, 0, src->width - 1, all.get() + (size_t)y * src->width);
    return all;
}

// Free turn with bilinear sampling. bytes = 4 (colour, white background) or
// 1 (8 bits, background 0). The output is made in bands of rows, each band in
// tiles whose source area is read from the store once: memory stays small
// whatever the size of the picture.
VmsImage* FreeTurn(const VmsImage* src, double angle, int bytes) {
    const int W = src->width, H = src->height, hw = W / 2, hh = H / 2;
    TurnFrame f = FrameOf(W, H, angle);
    const int ow = f.width() > 0 ? f.width() : 1, oh = f.height() > 0 ? f.height() : 1;
    VmsImage* out = bytes == 4 ? g_VmsStore.Create(ow, oh, 32, 255, 1) : g_VmsStore.Create(ow, oh, 8, 0, 1);
    if (!out) return nullptr;
    if (bytes == 1) std::memcpy(out->palette, src->palette, 1024);
    const int T = 256;   // tile size
    const double c = f.c, s = f.s;
    // Largest source area a tile can need (its corners turned, plus margins).
    const int span = (int)((T + 1) * (std::fabs(c) + std::fabs(s))) + 8;
    const int regionW = span < W ? span : W, regionH = span < H ? span : H;
    auto band = Alloc<uint8_t>((size_t)ow * T * bytes);
    auto region = Alloc<uint8_t>((size_t)regionW * regionH * bytes);
    if (!band || !region) { g_VmsStore.Free(&out); return nullptr; }
    auto sxOf = [&](int u, int v) { return u * c + hw + v * s; };
    auto syOf = [&](int u, int v) { return hh - u * s + v * c; };
    for (int ty = 0; ty < oh; ty += T) {
        const int th = ty + T <= oh ? T : oh - ty;
        std::memset(band.get(), bytes == 4 ? 0xFF : 0, (size_t)ow * th * bytes);
        for (int tx = 0; tx < ow; tx += T) {
            const int tw = tx + T <= ow ? T : ow - tx;
            const int u0 = f.minX + tx, u1 = u0 + tw - 1, v0 = f.minY + ty, v1 = v0 + th - 1;
            double xs[4] = {sxOf(u0, v0), sxOf(u1, v0), sxOf(u0, v1), sxOf(u1, v1)};
            double ys[4] = {syOf(u0, v0), syOf(u1, v0), syOf(u0, v1), syOf(u1, v1)};
            double xlo = xs[0], xhi = xs[0], ylo = ys[0], yhi = ys[0];
            for (int k = 1; k < 4; ++k) {
                xlo = std::min(xlo, xs[k]); xhi = std::max(xhi, xs[k]);
                ylo = std::min(ylo, ys[k]); yhi = std::max(yhi, ys[k]);
            }
            int bx0 = (int)std::floor(xlo) - 2, bx1 = (int)std::floor(xhi) + 3;
            int by0 = (int)std::floor(ylo) - 2, by1 = (int)std::floor(yhi) + 3;
            bx0 = std::max(bx0, 0); by0 = std::max(by0, 0);
            bx1 = std::min(bx1, W - 1); by1 = std::min(by1, H - 1);
            if (bx0 > bx1 || by0 > by1) continue;   // the tile lies beside the picture
            if (bx1 - bx0 + 1 > regionW) bx1 = bx0 + regionW - 1;
            if (by1 - by0 + 1 > regionH) by1 = by0 + regionH - 1;
            const int rw = bx1 - bx0 + 1;
            for (int y = by0; y <= by1; ++y)
                g_VmsStore.GetRow(src, y, bx0, bx1, region.get() + (size_t)(y - by0) * rw * bytes);
            for (int v = v0; v <= v1; ++v) {
                const double vs = v * s, vc = v * c;
                uint8_t* d = band.get() + ((size_t)(v - v0) * ow + tx) * bytes;
                for (int u = u0; u <= u1; ++u, d += bytes) {
                    const double sx = u * c + hw + vs, sy = hh - u * s + vc;
                    const int nx = Nearest(sx), ny = Nearest(sy);
                    if (nx < 0 || nx > W - 1 || ny < 0 || ny > H - 1) continue;
                    const int x0 = (int)sx, y0 = (int)sy;
                    if (x0 < bx0 || x0 > bx1 || y0 < by0 || y0 > by1) continue;
                    const int x1 = x0 + 1 < W ? x0 + 1 : x0, y1 = y0 + 1 < H ? y0 + 1 : y0;
                    const double fx = sx - x0, fy = sy - y0, fxy = fx * fy;
                    const uint8_t* r0 = region.get() + (size_t)(y0 - by0) * rw * bytes;
                    const uint8_t* r1 = region.get() + (size_t)(std::min(y1, by1) - by0) * rw * bytes;
                    const int c0 = (x0 - bx0) * bytes, c1 = (std::min(x1, bx1) - bx0) * bytes;
                    const int channels = bytes == 4 ? 3 : 1;
                    for (int ch = 0; ch < channels; ++ch) {
                        const int p0 = r0[c0 + ch], p1 = r0[c1 + ch], p2 = r1[c0 + ch], p3 = r1[c1 + ch];
                        d[ch] = (uint8_t)Clamp255((int)(p0 + fx * (p1 - p0) + fy * (p2 - p0) + fxy * (p3 + p0 - p1 - p2)));
                    }
                    if (bytes == 4) d[3] = 0;
                }
            }
        }
        for (int k = 0; k < th; ++k) {
            const int v = f.minY + ty + k;
            if (v % 5 == 0) SendProgress((v - f.minY) * 100 / oh);
            g_VmsStore.PutRow(out, ty + k, 0, ow - 1, band.get() + (size_t)k * ow * bytes);
        }
    }
    SendProgressEnd();
    return out;
}

}  // namespace

int c_Dib::RotateFixed8(VmsImage* dst, const VmsImage* src, int type) {
    if (!dst || !src) return 0;
    std::memcpy(dst->palette, src->palette, 1024);
    if (dst->bits != src->bits || src->bits != 8) return 0;
    return QuarterTurn<uint8_t>(dst, src, type);
}

int c_Dib::RotateFixed32(VmsImage* dst, const VmsImage* src, int type) {
    if (!dst || !src || dst->bits != 32 || src->bits != 32) return 0;
    return QuarterTurn<uint32_t>(dst, src, type);
}

VmsImage* c_Dib::Rotate(const VmsImage* image, int type) {
    if (!image || type < 0 || type > 2) return nullptr;
    const int w = type == 1 ? image->width : image->height, h = type == 1 ? image->height : image->width;
    VmsImage* out = nullptr;
    if (image->bits == 8) {
        out = g_VmsStore.Create(w, h, 8, 0, 1);
        if (out && !RotateFixed8(out, image, type)) g_VmsStore.Free(&out);
    } else if (image->bits == 32) {
        out = g_VmsStore.Create(w, h, 24, 255, 1);
        if (out && !RotateFixed32(out, image, type)) g_VmsStore.Free(&out);
    }
    return out;
}

VmsImage* c_Dib::RotateDegrees(const VmsImage* image, double angle) {
    if (!image) return nullptr;
    if (angle == 90.0) return Rotate(image, 0);
    if (angle == 180.0) return Rotate(image, 1);
    if (angle == 270.0) return Rotate(image, 2);
    if (image->bits == 8) return RotateFree8(image, angle);
    if (image->bits == 32) return RotateFree32(image, angle);
    return nullptr;
}

VmsImage* c_Dib::RotateFree8(const VmsImage* image, double angle) {
    if (!image || image->bits != 8) return nullptr;
    return FreeTurn(image, angle, 1);
}

VmsImage* c_Dib::RotateFree32(const VmsImage* image, double angle) {
    if (!image || image->bits != 32) return nullptr;
    return FreeTurn(image, angle, 4);
}

int c_Dib::GetRotatedSize(const VmsImage* image, double degrees, int* width, int* height) {
    if (!image) return 0;
    // The size RotateDegrees makes for this angle.
    if (degrees == 90 || degrees == 270) { *width = image->height; *height = image->width; return 1; }
    if (degrees == 180) { *width = image->width; *height = image->height; return 1; }
    TurnFrame f = FrameOf(image->width, image->height, degrees);
    *width = f.width() > 0 ? f.width() : 1;
    *height = f.height() > 0 ? f.height() : 1;
    return 1;
}

namespace {
// Nearest turn in single precision; keepSize places it on an image of the
// source's size.
VmsImage* NearestTurn32(const VmsImage* src, double angle, bool keepSize) {
    const int W = src->width, H = src->height, hw = W / 2, hh = H / 2;
    TurnFrame f = FrameOf(W, H, angle);
    const int fw = f.width() > 0 ? f.width() : 1, fh = f.height() > 0 ? f.height() : 1;
    const int ow = keepSize ? W : fw, oh = keepSize ? H : fh;
    VmsImage* out = g_VmsStore.Create(ow, oh, 32, 255, 1);
    if (!out) return nullptr;
    auto all = LoadWhole<uint32_t>(src);
    auto row = Alloc<uint32_t>((size_t)ow);
    if (!all || !row) { g_VmsStore.Free(&out); return nullptr; }
    const float c = (float)f.c, s = (float)f.s;
    const int maxX = keepSize ? W - 1 : W - 2, maxY = keepSize ? H - 1 : H - 2;
    for (int v = f.minY; v < f.maxY; ++v) {
        const int y = keepSize ? v + fh / 2 : v - f.minY;
        if (y < 0 || y >= oh) continue;
        for (int x = 0; x < ow; ++x) row[x] = 0x00FFFFFF;
        const float vs = v * s, vc = v * c;
        for (int u = f.minX; u < f.maxX; ++u) {
            const int x = keepSize ? u + fw / 2 : u - f.minX;
            if (x < 0 || x >= ow) continue;
            const int sx = Nearest(u * c + vs) + hw, sy = Nearest(vc - u * s) + hh;
            if (sx < 0 || sx > maxX || sy < 0 || sy > maxY) continue;
            row[x] = all[(size_t)sy * W + sx] & 0x00FFFFFF;
        }
        g_VmsStore.PutRow(out, y, 0, ow - 1, row.get());
    }
    return out;
}
}  // namespace

VmsImage* c_Dib::RotateNearest32(const VmsImage* image, double angle) {
    if (!image || image->bits != 32) return nullptr;
    return NearestTurn32(image, angle, false);
}

VmsImage* c_Dib::RotateKeepSize32(const VmsImage* image, double angle) {
    if (!image || image->bits != 32) return nullptr;
    return NearestTurn32(image, angle, true);
}

// ---- cropping and pasting

namespace {
template <typename T>
void CopyRect(VmsImage* dst, const VmsImage* src, int x0, int y0, int x1, int y1) {
    const int w = x1 - x0 + 1;
    auto row = Alloc<T>((size_t)w);
    if (!row) return;
    for (int y = y0; y <= y1; ++y) {
        std::memset(row.get(), 0, (size_t)w * sizeof(T));
        g_VmsStore.GetRow(src, y, x0, x1, row.get());
        g_VmsStore.PutRow(dst, y - y0, 0, w - 1, row.get());
    }
}

void Order(int* a, int* b) {
    if (*a > *b) std::swap(*a, *b);
}
}  // namespace

VmsImage* c_Dib::Crop8(const VmsImage* image, int x0, int y0, int x1, int y1) {
    if (!image || image->bits != 8) return nullptr;
    Order(&x0, &x1);
    Order(&y0, &y1);
    VmsImage* out = g_VmsStore.Create(x1 - x0 + 1, y1 - y0 + 1, 8, 0, 1);
    if (!out) return nullptr;
    std::memcpy(out->palette, image->palette, 1024);
    CopyRect<uint8_t>(out, image, x0, y0, x1, y1);
    return out;
}

VmsImage* c_Dib::Crop32(const VmsImage* image, int x0, int y0, int x1, int y1) {
    if (!image || image->bits != 32) return nullptr;
    Order(&x0, &x1);
    Order(&y0, &y1);
    VmsImage* out = g_VmsStore.Create(x1 - x0 + 1, y1 - y0 + 1, 32, 255, 1);
    if (!out) return nullptr;
    CopyRect<uint32_t>(out, image, x0, y0, x1, y1);
    return out;
}

VmsImage* c_Dib::Crop(const VmsImage* image, int x0, int y0, int x1, int y1) {
    if (!image) return nullptr;
    if (image->bits == 8) return Crop8(image, x0, y0, x1, y1);
    if (image->bits == 32) return Crop32(image, x0, y0, x1, y1);
    return nullptr;
}

int c_Dib::CropInto8(VmsImage* dst, const VmsImage* src, int x0, int y0, int x1, int y1) {
    if (!dst || !src || dst->bits != 8 || src->bits != 8) return 0;
    Order(&x0, &x1);
    Order(&y0, &y1);
    std::memcpy(dst->palette, src->palette, 1024);
    CopyRect<uint8_t>(dst, src, x0, y0, x1, y1);
    return 1;
}

int c_Dib::CropInto32(VmsImage* dst, const VmsImage* src, int x0, int y0, int x1, int y1) {
    if (!dst || !src || dst->bits != 32 || src->bits != 32) return 0;
    Order(&x0, &x1);
    Order(&y0, &y1);
    CopyRect<uint32_t>(dst, src, x0, y0, x1, y1);
    return 1;
}

namespace {
template <typename T>
int PasteRows(VmsImage* dst, const VmsImage* src, int x, int y) {
    auto row = Alloc<T>((size_t)src->width);
    if (!row) return 0;
    for (int i = 0; i < src->height; ++i) {
        g_VmsStore.GetRow(src, i, 0, src->width - 1, row.get());
        g_VmsStore.PutRow(dst, y + i, x, x + src->width - 1, row.get());
    }
    return 1;
}
}  // namespace

int c_Dib::Paste8(VmsImage* dst, const VmsImage* src, int x, int y) {
    if (!dst || !src || dst->bits != 8 || src->bits != 8) return 0;
    return PasteRows<uint8_t>(dst, src, x, y);
}

int c_Dib::Paste32(VmsImage* dst, const VmsImage* src, int x, int y) {
    if (!dst || !src || dst->bits != 32 || src->bits != 32) return 0;
    return PasteRows<uint32_t>(dst, src, x, y);
}

// ---- flipping and mirroring

int c_Dib::FlipVertical(VmsImage* image) {
    if (!image) return 0;
    const size_t bytes = image->bits >= 8 ? (size_t)image->width * (image->bits / 8) : (size_t)image->stride;
    auto a = Alloc<uint8_t>(bytes + 8);
    auto b = Alloc<uint8_t>(bytes + 8);
    if (!a || !b) return 0;
    const int H = image->height, last = image->width - 1;
    for (int i = 0; i < H / 2; ++i) {
        g_VmsStore.GetRow(image, i, 0, last, a.get());
        g_VmsStore.GetRow(image, H - 1 - i, 0, last, b.get());
        g_VmsStore.PutRow(image, i, 0, last, b.get());
        g_VmsStore.PutRow(image, H - 1 - i, 0, last, a.get());
    }
    return 1;
}

namespace {
template <typename T>
int MirrorRows(VmsImage* image) {
    auto row = Alloc<T>((size_t)image->width);
    if (!row) return 0;
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.get());
        std::reverse(row.get(), row.get() + image->width);
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.get());
    }
    return 1;
}
}  // namespace

int c_Dib::MirrorHorizontal8(VmsImage* image) {
    if (!image || image->bits != 8) return 0;
    return MirrorRows<uint8_t>(image);
}

int c_Dib::MirrorHorizontal32(VmsImage* image) {
    if (!image || image->bits != 32) return 0;
    return MirrorRows<uint32_t>(image);
}
