#include "paint/pen_tip.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "image/dib_image.h"
#include "image/vms_image.h"
#include "paint/pen_state.h"

const int32_t TipShape[7] = {0, 15, 13, 10, 20, 20, 20};
DibImage* BrushBitmap;
int BrushBitmapOn;

namespace {

constexpr double kDegree = 0.01745327777777778;

struct Planes {
    DibImage* high;
    DibImage* low;
    int w, h;
    void Put(int x, int y, int hi, int lo) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        c_DibImageOps::SetValue8(high, x, y, hi);
        c_DibImageOps::SetValue8(low, x, y, lo);
    }
    int GetHigh(int x, int y) const {
        int v = 0;
        c_DibImageOps::GetValue8(high, x, y, &v);
        return v;
    }
};

// Value of the power falloff at quadrant pixel (j, i) for radii a, b.
int FalloffValue(int j, int i, int a, int b, double d, bool inverted) {
    double g = (double)a * a * b * b;
    double h = (double)a * a * i * i + (double)b * b * j * j;
    if (h > g) return 0;
    double v = 32767.0 - 32767.0 * h / (g > 1 ? g : 1);
    if (v <= 0) return 0;
    double o = std::trunc(std::trunc(v) / d);
    if (o > 65535) o = 65535;
    if (o < 0) o = 0;
    int value = (int)o;
    if (inverted) {
        value = (int)std::trunc(32767 / d) - value;
        if (value < 0) value = 0;
    }
    return value;
}

void MirrorQuadrant(Planes& p) {
    std::vector<uint8_t> row(p.w);
    for (DibImage* plane : {p.high, p.low}) {
        for (int i = 0; i < p.h / 2; ++i) {
            c_DibImageOps::GetRow8(plane, p.h - 1 - i, 0, p.w - 1, row.data());
            c_DibImageOps::PutRow8(plane, i, 0, p.w - 1, row.data());
        }
        for (int y = 0; y < p.h; ++y) {
            c_DibImageOps::GetRow8(plane, y, 0, p.w - 1, row.data());
            for (int j = 0; j < p.w / 2; ++j) row[j] = row[p.w - 1 - j];
            c_DibImageOps::PutRow8(plane, y, 0, p.w - 1, row.data());
        }
    }
}

void RenderFalloff(Planes& p, int shape, double rx, double ry) {
    double d = 3.0;
    bool inverted = false;
    switch (shape) {
    case 0: d = 3.0; break;
    case 1: d = 2.0; break;
    case 2: d = 1.0; break;
    case 3: d = 3.0; inverted = true; break;
    case 4: d = 2.0; inverted = true; break;
    case 5: d = 1.0; inverted = true; break;
    case 15: d = 0.5; break;
    }
    int ix = (int)rx, iy = (int)ry;
    double f = rx - ix;
    if (ix == 0 && iy == 0) {
        int v = (int)std::trunc(32767 / (4 * d));
        p.Put(0, 0, v >> 8, v & 255);
        return;
    }
    for (int i = 0; i <= iy; ++i) {
        for (int j = 0; j <= ix; ++j) {
            int first = FalloffValue(j, i, ix, iy, d, inverted);
            int second = FalloffValue(j, i, ix + 1, iy + 1, d, inverted);
            int hi = (int)((second >> 8) * f + (first >> 8) * (1 - f));
            int lo = (int)((second & 255) * f + (first & 255) * (1 - f));
            p.Put(ix + 1 + j, iy + 1 + i, hi, lo);
        }
    }
    MirrorQuadrant(p);
}

inline int EllipseSum(int j, int i, int ix, int iy) {
    return (j - ix) * (j - ix) * iy * iy + (i - iy) * (i - iy) * ix * ix;
}

// Falloff of a point for the ray and chord shapes.
int PointFalloff(int x, int y, double rx, double ry, double peak, double c) {
    int ix = (int)rx, iy = (int)ry;
    int cx = (int)std::ceil(rx), cy = (int)std::ceil(ry);
    if (x == cx && y == cy) return (int)peak;
    double u = std::abs(x - cx) + (cx - rx) * 0.72;
    double w = std::abs(y - cy) + (cy - ry) * 0.72;
    double e = w * w * ix * ix + u * u * iy * iy;
    double g = (double)ix * ix * iy * iy;
    if (e > g || g <= 0) return 0;
    double v = std::trunc(std::trunc(peak - e * peak / g) / c);
    if (v <= 0) return 0;
    return v > 65535 ? 65535 : (int)v;
}

// Bresenham line; falloff < 0 paints 255 in both planes.
void DrawTipLine(Planes& p, int x0, int y0, int x1, int y1, double rx, double ry, double peak) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        if (peak < 0) {
            p.Put(x0, y0, 255, 255);
        } else {
            int v = PointFalloff(x0, y0, rx, ry, peak, 3.0);
            p.Put(x0, y0, v / 256, v & 255);
        }
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
}

POINT RimPoint(double rx, double ry) {
    double a = (std::rand() % 360) * kDegree;
    return {(LONG)((int)rx + (int)(rx * std::cos(a))), (LONG)((int)ry + (int)(ry * std::sin(a)))};
}

// The cellular pattern's grid, seeded at the first dab of a stroke.
uint8_t g_Cells[256][256];

void RenderCells(Planes& p, double rx, double ry) {
    int ix = (int)rx, iy = (int)ry;
    if (Pen.dabCount == 0)
        for (auto& row : g_Cells)
            for (uint8_t& c : row) c = std::rand() % 256 >= 101 ? 1 : 0;
    static uint8_t next[256][256];
    std::memset(next, 0, sizeof next);
    for (int i = 0; i < p.h && i < 256; ++i) {
        for (int j = 0; j < p.w && j < 256; ++j) {
            if (EllipseSum(j, i, ix, iy) > ix * ix * iy * iy) {
                p.Put(j, i, 0, 0);
                continue;
            }
            int alive = 0;
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj) {
                    int y = i + di, x = j + dj;
                    if (x >= 0 && y >= 0 && x < 256 && y < 256) alive += g_Cells[y][x];
                }
            if (g_Cells[i][j]) {
                bool stays = alive == 3;
                p.Put(j, i, stays ? 255 : 0, stays ? 255 : 0);
                next[i][j] = stays;
            } else if (alive == 2 || alive == 3) {
                p.Put(j, i, 255, 0);
                next[i][j] = 1;
            } else {
                p.Put(j, i, 0, 0);
            }
        }
    }
    std::memcpy(g_Cells, next, sizeof g_Cells);
}

// Shape 20: an ellipse drawn four times larger by GDI and averaged down.
bool RenderSupersampled(Planes& p, double rx, double ry) {
    int bw = p.w * 4, bh = p.h * 4;
    BITMAPINFO bi = TopDownDibInfo(bw, bh, 32);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = bmp ? CreateCompatibleDC(screen) : nullptr;
    ReleaseDC(nullptr, screen);
    if (!bmp || !dc) {
        if (bmp) DeleteObject(bmp);
        return false;
    }
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    std::memset(bits, 0xFF, (size_t)bw * bh * 4);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    int cx = 4 * p.w / 2, cy = 4 * p.h / 2;
    int ax = (int)(4 * rx), ay = (int)(4 * ry);
    Ellipse(dc, cx - ax, cy - ay, cx + ax, cy + ay);
    GdiFlush();
    const uint8_t* px = (const uint8_t*)bits;
    for (int y = 0; y < p.h; ++y) {
        for (int x = 0; x < p.w; ++x) {
            int sum = 0;
            for (int v = 0; v < 4; ++v)
                for (int u = 0; u < 4; ++u) sum += 255 - px[((size_t)(y * 4 + v) * bw + x * 4 + u) * 4];
            int value = sum / 16;
            if (value > 255) value = 255;
            p.Put(x, y, value, value);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldBmp);
    DeleteDC(dc);
    DeleteObject(bmp);
    return true;
}

void Render(Planes& p, int shape, double rx, double ry) {
    int ix = (int)rx, iy = (int)ry;
    switch (shape) {
    case 6:
    case 13:
        for (int i = 0; i < p.h; ++i)
            for (int j = 0; j < p.w; ++j) {
                int e = EllipseSum(j, i, ix, iy);
                if (e > ix * iy * ix * iy || std::rand() % 100 >= 10) continue;
                if (shape == 6) {
                    p.Put(j, i, 255, 255);
                } else {
                    double g = (double)ix * ix * iy * iy;
                    int w = g > 0 ? (int)(65535 - 65535.0 * e / g) : 65535;
                    if (w < 0) w = 0;
                    p.Put(j, i, w >> 9, (w >> 1) & 255);
                }
            }
        break;
    case 7:
        RenderCells(p, rx, ry);
        break;
    case 8:
    case 12:
        for (int k = 0; k < 10; ++k) {
            POINT a = RimPoint(rx, ry);
            DrawTipLine(p, a.x, a.y, ix, iy, rx, ry, shape == 8 ? -1 : 65565);
        }
        break;
    case 9:
    case 14:
        for (int k = 0; k < 10; ++k) {
            POINT a = RimPoint(rx, ry), b = RimPoint(rx, ry);
            DrawTipLine(p, a.x, a.y, b.x, b.y, rx, ry, shape == 9 ? -1 : 65535);
        }
        break;
    case 10:
        if (ix == 0 && iy == 0) {
            p.Put(0, 0, 255, 255);
        } else {
            for (int i = 0; i < (int)(2 * ry + 1); ++i)
                for (int j = 0; j < (int)(2 * rx + 1); ++j) p.Put(j, i, 255, 0);
        }
        break;
    case 11:
        for (int j = 0; j < p.w; ++j) {
            p.Put(j, 0, 255, 255);
            p.Put(j, p.h - 1, 255, 255);
        }
        for (int i = 0; i < p.h; ++i) {
            p.Put(0, i, 255, 255);
            p.Put(p.w - 1, i, 255, 255);
        }
        break;
    default:
        RenderFalloff(p, shape, rx, ry);
        break;
    }
}

bool IsRandomShape(int shape) {
    return shape == 6 || shape == 7 || shape == 8 || shape == 9 || shape == 12 || shape == 13 || shape == 14;
}

DibImage* NewPlane(int w, int h) {
    DibImage* image = c_DibImageOps::Create(w, h, 8);
    if (!image) return nullptr;
    std::vector<uint8_t> zero(w, 0);
    for (int y = 0; y < h; ++y) c_DibImageOps::PutRow8(image, y, 0, w - 1, zero.data());
    return image;
}

}  // namespace

namespace {
// Bumped whenever the tip planes are rendered, turned or freed.
unsigned g_TipSerial;

// Tips already rendered, by shape and radii, as the flat mask the dabs read:
// a pressure stroke asks for the same few sizes again and again. Random
// shapes are never kept. When full, the cache starts again empty.
struct TipKey {
    int shape;
    double rx, ry;
    bool operator==(const TipKey&) const = default;
};
struct TipKeyHash {
    size_t operator()(const TipKey& k) const {
        return std::hash<double>()(k.rx) * 31 + std::hash<double>()(k.ry) * 7 + (size_t)k.shape;
    }
};
// A kept tip: the mask, and the pixel blocks of the two planes it was read
// from (rows as the planes store them), laid back into planes of its size
// in one copy each.
struct KeptTip {
    TipMask mask;
    std::vector<uint8_t> pixels[2];
};
constexpr size_t kTipCacheSize = 512;
std::unordered_map<TipKey, std::shared_ptr<const KeptTip>, TipKeyHash> g_TipCache;

uint8_t* PlanePixels(DibImage* d) { return d->block + d->bitsOffset; }
size_t PlanePixelBytes(const DibImage* d) { return (size_t)d->stride * d->height; }

// The tip planes as they stand hold a kept mask: the planes and the serial
// they had when it was laid into them.
struct PlanesFromCache {
    std::shared_ptr<const KeptTip> mask;
    const DibImage* high = nullptr;
    const DibImage* low = nullptr;
    unsigned serial = 0;
} g_PlanesMask;

std::shared_ptr<const KeptTip> FindCachedTip(int shape, double rx, double ry, int w, int h) {
    auto found = g_TipCache.find(TipKey{shape, rx, ry});
    if (found == g_TipCache.end() || found->second->mask.width != w || found->second->mask.height != h) return nullptr;
    return found->second;
}

void LayIntoPlanes(const Planes& p, const KeptTip& kept) {
    DibImage* planes[2] = {p.high, p.low};
    for (int k = 0; k < 2; ++k) {
        if (PlanePixelBytes(planes[k]) == kept.pixels[k].size()) {
            std::memcpy(PlanePixels(planes[k]), kept.pixels[k].data(), kept.pixels[k].size());
            continue;
        }
        const std::vector<uint8_t>& rows = k == 0 ? kept.mask.high : kept.mask.low;
        for (int y = 0; y < p.h; ++y) c_DibImageOps::PutRow8(planes[k], y, 0, p.w - 1, &rows[(size_t)y * p.w]);
    }
}

std::shared_ptr<const KeptTip> IntoTipCache(const Planes& p, int shape, double rx, double ry) {
    if (IsRandomShape(shape)) return nullptr;
    auto kept = std::make_shared<KeptTip>();
    TipMask& mask = kept->mask;
    mask.width = p.w;
    mask.height = p.h;
    mask.high.resize((size_t)p.w * p.h);
    mask.low.resize((size_t)p.w * p.h);
    for (int y = 0; y < p.h; ++y) {
        c_DibImageOps::GetRow8(p.high, y, 0, p.w - 1, &mask.high[(size_t)y * p.w]);
        c_DibImageOps::GetRow8(p.low, y, 0, p.w - 1, &mask.low[(size_t)y * p.w]);
    }
    DibImage* planes[2] = {p.high, p.low};
    for (int k = 0; k < 2; ++k)
        kept->pixels[k].assign(PlanePixels(planes[k]), PlanePixels(planes[k]) + PlanePixelBytes(planes[k]));
    if (g_TipCache.size() >= kTipCacheSize) g_TipCache.clear();
    g_TipCache[TipKey{shape, rx, ry}] = kept;
    return kept;
}

// The current tip planes when they are w x h 8-bit images, else new ones
// (their pixels are all written anew by the caller).
bool PlanesOfSize(PenTipBlock& t, int w, int h, Planes* p) {
    DibImage* high = t.planes[0];
    DibImage* low = t.planes[1];
    auto fits = [&](const DibImage* d) { return d && d->width == w && d->height == h && d->bits == 8; };
    if (fits(high) && fits(low)) {
        *p = Planes{high, low, w, h};
        return true;
    }
    FreePenTip();
    *p = Planes{c_DibImageOps::Create(w, h, 8), c_DibImageOps::Create(w, h, 8), w, h};
    t.planes[0] = p->high;
    t.planes[1] = p->low;
    return p->high && p->low;
}
}  // namespace

void c_PenTip::TipChanged() { ++g_TipSerial; }

void RenderPenTip(int /*phase*/) {
    c_PenTip::TipChanged();
    PenTipBlock& t = Pen.tip;
    // Radii come from files and from factors of them: anything not a number
    // or outside 0..127 is brought into that range.
    auto clampRadius = [](double r) { return !(r >= 0) ? 0.0 : r > 127 ? 127.0 : r; };
    double rx = clampRadius(t.hRadius), ry = clampRadius(t.vRadius);
    int ix = (int)rx, iy = (int)ry;
    int w = 2 * (ix + 1), h = 2 * (iy + 1);
    if (t.tipShape == kShapeEdgePen) {
        // The supersampled ellipse keeps the old tip when its bitmap cannot be made.
        Planes p{NewPlane(w, h), NewPlane(w, h), w, h};
        if (!p.high || !p.low || !RenderSupersampled(p, rx, ry)) {
            c_DibImageOps::Free(&p.high);
            c_DibImageOps::Free(&p.low);
            ShowMessageBox(nullptr, "メモリー不足", "test", kMsgOk);
            return;
        }
        FreePenTip();
        t.planes[0] = p.high;
        t.planes[1] = p.low;
    } else {
        // A kept tip is laid into the planes as they are when their size
        // fits; what those planes held is overwritten whole.
        std::shared_ptr<const KeptTip> kept = IsRandomShape(t.tipShape) ? nullptr
                                                                         : FindCachedTip(t.tipShape, rx, ry, w, h);
        Planes p;
        if (!kept) {
            FreePenTip();
            p = Planes{NewPlane(w, h), NewPlane(w, h), w, h};
            t.planes[0] = p.high;
            t.planes[1] = p.low;
            if (!p.high || !p.low) {
                FreePenTip();
                return;
            }
            Render(p, t.tipShape, rx, ry);
            kept = IntoTipCache(p, t.tipShape, rx, ry);
        } else {
            if (!PlanesOfSize(t, w, h, &p)) {
                FreePenTip();
                return;
            }
            LayIntoPlanes(p, *kept);
        }
        g_PlanesMask = {kept, t.planes[0], t.planes[1], g_TipSerial};
    }
    t.squaredRadii[0] = ix * ix;
    t.squaredRadii[1] = iy * iy;
    t.squaredRadii[2] = ix * ix * iy * iy;
    t.rebuild = IsRandomShape(t.tipShape) ? 1 : 0;
}

void BuildPenTip(int phase, int load) {
    PenTipBlock& t = Pen.tip;
    if (load) {
        const PenRecord& r = PenRecords[Pen.penRecord < 0 || Pen.penRecord >= kPenRecordCount ? 0 : Pen.penRecord];
        t.hRadius = r.halfWidth;
        t.vRadius = r.halfHeight;
        int kind = r.tipKind < 0 ? 0 : r.tipKind > 6 ? 6 : r.tipKind;
        t.tipShape = TipShape[kind];
    }
    RenderPenTip(phase);
    if (t.angle != 0) {
        c_PenTip::TipChanged();
        for (DibImage*& plane : t.planes) {
            if (!plane) continue;
            DibImage* turned = c_DibImageOps::Rotate8(plane, t.angle);
            if (turned) {
                c_DibImageOps::Free(&plane);
                plane = turned;
            }
        }
    }
}

void FreePenTip() {
    c_PenTip::TipChanged();
    c_DibImageOps::Free(&Pen.tip.planes[0]);
    c_DibImageOps::Free(&Pen.tip.planes[1]);
}

namespace {
VmsImage* BrushSizeImage() {
    int frame = Pen.options[PenOptRollerFrame];
    if (frame >= 0 && frame < kRollerFrameSlots && Pen.rollerFrames[frame]) return Pen.rollerFrames[frame];
    return Pen.brushImages[0];
}
}  // namespace

namespace {
// What the kept mask was read from.
struct TipSource {
    bool imageBrush = false;
    const void* high = nullptr;   // the image brush, BrushBitmap or the high tip plane
    const void* low = nullptr;
    int width = 0, height = 0;
    unsigned serial = 0;
    bool operator==(const TipSource&) const = default;
};

// The kept mask; the empty one at start is what no tip reads as.
TipMask g_Mask;
TipSource g_MaskSource;
// The cached tip last handed out, held until the next call; while one is
// out, g_Mask is read anew whatever its source.
std::shared_ptr<const KeptTip> g_MaskHeld;
bool g_MaskRead;

// The mask as it stands in the images: every byte 255 for an image brush.
void ReadMask(const TipSource& from, TipMask* mask) {
    mask->width = from.width;
    mask->height = from.height;
    size_t size = (size_t)from.width * from.height;
    mask->high.assign(size, from.imageBrush ? 255 : 0);
    mask->low.assign(size, from.imageBrush ? 255 : 0);
    if (from.imageBrush || !from.high) return;
    const DibImage* high = (const DibImage*)from.high;
    const DibImage* low = (const DibImage*)from.low;
    for (int y = 0; y < mask->height; ++y) {
        c_DibImageOps::GetRow8(high, y, 0, mask->width - 1, &mask->high[(size_t)y * mask->width]);
        if (low && low->width == high->width && low->height == high->height)
            c_DibImageOps::GetRow8(low, y, 0, mask->width - 1, &mask->low[(size_t)y * mask->width]);
    }
}
}  // namespace

const TipMask& c_PenTip::GetTipMask() {
    TipSource from;
    VmsImage* brush = BrushSizeImage();
    from.imageBrush = Pen.imageBrushOn && Pen.drawingMode == ModeColour && brush;
    if (from.imageBrush) {
        from.high = brush;
        from.width = brush->width;
        from.height = brush->height;
    } else {
        const DibImage* high = nullptr;
        const DibImage* low = nullptr;
        if (BrushBitmapOn && BrushBitmap) {
            high = BrushBitmap;
        } else {
            if (Pen.tip.rebuild || !Pen.tip.planes[0]) RenderPenTip(1);
            high = Pen.tip.planes[0];
            low = Pen.tip.planes[1];
            // Planes that hold a kept tip, unchanged since: that tip itself.
            const PlanesFromCache& k = g_PlanesMask;
            if (k.mask && k.high == high && k.low == low && k.serial == g_TipSerial) {
                g_MaskRead = false;
                g_MaskHeld = k.mask;
                return k.mask->mask;
            }
        }
        from.high = high;
        from.low = low;
        from.width = high ? high->width : 0;
        from.height = high ? high->height : 0;
        from.serial = g_TipSerial;
    }
    g_MaskHeld.reset();
    if (!g_MaskRead || !(from == g_MaskSource)) {
        ReadMask(from, &g_Mask);
        g_MaskSource = from;
        g_MaskRead = true;
    }
    return g_Mask;
}

int c_PenTip::GetSize() {
    if (Pen.imageBrushOn && Pen.brushImages[0])
        return Pen.brushImages[0]->width < Pen.brushImages[0]->height ? Pen.brushImages[0]->width
                                                                      : Pen.brushImages[0]->height;
    const DibImage* image = BrushBitmapOn && BrushBitmap ? BrushBitmap : Pen.tip.planes[0];
    if (!image) return 1;
    return image->width < image->height ? image->width : image->height;
}
