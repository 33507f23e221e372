#include "paint/pen_writer.h"
#include "paint/tone_mask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <emmintrin.h>
#include <vector>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "image/colour_model.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"

void (*PressToolButtonHook)(int command);
void (*BrushSwatchChangedHook)();
int c_PenWriter::CloneOffsetX = -2000;
int c_PenWriter::CloneOffsetY = -64;
DibImage* c_PenWriter::TileImage;

namespace {

inline int Wrap(int v, int m) { return ((v % m) + m) % m; }

// The usable-pixel test of blur, smudge, twist and scatter.
bool UsablePixel(PenCanvas* c, int x, int y, uint32_t* word, uint8_t* alpha) {
    bool plane0 = CurrentPlaneOfLayer(c) == 0;
    if (plane0 && !Pen.masksOff) {
        int v = 0;
        c_PenEngine::GetProtectValue(c, x, y, c->current, &v);
        if (v > 0) return false;
    }
    if (Pen.selectionFlag && c->selectionMaskPixel && c->selectionMaskPixel(c, x, y) > 0) return false;
    int r, g, b;
    c_PenEngine::GetPlaneRgb(c, x, y, &r, &g, &b);
    *word = MakeWord(r, g, b);
    int a = 0;
    if (plane0) c_PenEngine::GetLayerPlaneValue(c, x, y, &a, 1);
    *alpha = (uint8_t)a;
    return true;
}

// Row yy over columns xa..xb as the usable-pixel test sees it: colours and
// (on plane 0) transparency at positions clamped into their planes, and 255
// where the pixel is unusable.
struct UsableRow {
    std::vector<uint32_t> colour;
    std::vector<uint8_t> alpha, unusable;
};

// Entries 0..n-1 for plane columns u..u+n-1 from row, which holds plane
// columns pa..pb of a plane w pixels wide (u clamped into it): columns left
// of the plane repeat its first pixel, columns right of it its last.
template <typename T>
void SpreadClamped(const T* row, int u, int pa, int pb, int w, int n, T* out) {
    int i = 0;
    for (; i < n && u + i < 0; ++i) out[i] = row[0];
    int inside = (n < w - u ? n : w - u) - i;
    if (inside > 0) {
        std::memcpy(out + i, row + (u + i - pa), sizeof(T) * (size_t)inside);
        i += inside;
    }
    for (; i < n; ++i) out[i] = row[pb - pa];
}

void ReadClamped(VmsImage* image, const LayerPlane& p, int yy, int xa, int xb, uint32_t* words, uint8_t* bytes) {
    int n = xb - xa + 1;
    if (!image) {
        if (words) std::memset(words, 0, 4 * (size_t)n);
        if (bytes) std::memset(bytes, 0, n);
        return;
    }
    int w = image->width, h = image->height;
    auto clampX = [&](int x) { return x - p.x < 0 ? 0 : x - p.x > w - 1 ? w - 1 : x - p.x; };
    int py = yy - p.y < 0 ? 0 : yy - p.y > h - 1 ? h - 1 : yy - p.y;
    int pa = clampX(xa), pb = clampX(xb);
    // Wholly on the plane: straight into the caller's row.
    if (xa - p.x >= 0 && xb - p.x <= w - 1) {
        if (image->bits == 8 && bytes && !words) {
            g_VmsStore.GetRow(image, py, pa, pb, bytes);
            return;
        }
        if (image->bits != 8 && words) {
            g_VmsStore.GetRow(image, py, pa, pb, words);
            return;
        }
    }
    static std::vector<uint32_t> rowWords;
    static std::vector<uint8_t> rowBytes, spread;
    if (image->bits == 8) {
        if (rowBytes.size() < (size_t)(pb - pa + 1)) rowBytes.resize(pb - pa + 1);
        g_VmsStore.GetRow(image, py, pa, pb, rowBytes.data());
        uint8_t* values = bytes;
        if (!values) {
            if (spread.size() < (size_t)n) spread.resize(n);
            values = spread.data();
        }
        SpreadClamped(rowBytes.data(), xa - p.x, pa, pb, w, n, values);
        if (words)
            for (int i = 0; i < n; ++i) words[i] = values[i] * 0x01010101u;
    } else {
        if (rowWords.size() < (size_t)(pb - pa + 1)) rowWords.resize(pb - pa + 1);
        g_VmsStore.GetRow(image, py, pa, pb, rowWords.data());
        SpreadClamped(rowWords.data(), xa - p.x, pa, pb, w, n, words);
    }
}

void ReadUsableRow(PenCanvas* c, int yy, int xa, int xb, UsableRow* out) {
    size_t n = xb - xa + 1;
    out->colour.resize(n);
    out->alpha.resize(n);
    out->unusable.resize(n);
    const LayerPlane& p = *CurrentPlane(c);
    ReadClamped(p.depth == 8 || p.depth == 24 || p.depth == 32 ? p.image : nullptr, p, yy, xa, xb,
                out->colour.data(), nullptr);
    bool plane0 = CurrentPlaneOfLayer(c) == 0;
    if (plane0) {
        const LayerPlane& a = *PlaneOfLayer(c, 1);
        ReadClamped(a.image, a, yy, xa, xb, nullptr, out->alpha.data());
    } else {
        std::memset(out->alpha.data(), 0, n);
    }
    if (plane0 && !Pen.masksOff) c_PenEngine::GetProtectRow(c, yy, xa, xb, out->unusable.data(), c->current);
    else std::memset(out->unusable.data(), 0, n);
    if (Pen.selectionFlag && c->selectionMaskRow) {
        static std::vector<uint8_t> sel;
        sel.resize(n);
        c->selectionMaskRow(c, yy, xa, xb, sel.data());
        for (size_t i = 0; i < n; ++i) out->unusable[i] |= sel[i];
    }
}

// (sum + count / 2) / count for the blur's counts of 1 to 5 pixels, each
// count a constant divisor (the compiler multiplies instead of dividing).
inline int RoundedMean(int sum, int count) {
    switch (count) {
    case 1: return sum;
    case 2: return (sum + 1) / 2;
    case 3: return (sum + 1) / 3;
    case 4: return (sum + 2) / 4;
    default: return (sum + 2) / 5;
    }
}

// The rows a blur row reads: the row above (written by the dab's previous
// row, so read again), its own row and the row below. The row below is read
// over the whole dab box and kept: the dab's next row takes it as its own row,
// since nothing has written it in between.
struct BlurRows {
    UsableRow above, centre;
    UsableRow wide[2];   // the kept row below, and the one before it
    int current = 0;     // wide[current] holds the last row below
    PenCanvas* canvas = nullptr;
    int plane = -1, y = 0, xa = 0, xb = -1, dab = -1;
    int box[4] = {};
    VmsImage* image = nullptr;
    bool valid = false;
};
BlurRows g_Blur;

void BlurRow(PenCanvas* c, uint32_t* colour, uint8_t* penAlpha, uint8_t* protect, int y, int x0, int x1, int left,
             int top, int right, int bottom) {
    int n = x1 - x0 + 1;
    int wa = x0 - 1, wb = x1 + 1;
    BlurRows& b = g_Blur;
    VmsImage* image = CurrentPlane(c)->image;
    bool follows = b.valid && b.canvas == c && b.plane == c->current && b.image == image && b.y == y &&
                   b.dab == Pen.dabCount && b.box[0] == left && b.box[1] == top && b.box[2] == right &&
                   b.box[3] == bottom && b.xa <= wa && b.xb >= wb;
    ReadUsableRow(c, y - 1, wa, wb, &b.above);
    const UsableRow* centre;
    int centreShift;
    if (follows) {
        centre = &b.wide[b.current];
        centreShift = wa - b.xa;
    } else {
        ReadUsableRow(c, y, wa, wb, &b.centre);
        centre = &b.centre;
        centreShift = 0;
    }
    // Above the box's middle the next row may reach wider: the row below is
    // read over the whole box; below the middle rows narrow, and this row's
    // columns serve.
    bool upperHalf = 2 * (y - top) < bottom - top;
    int fa = upperHalf && left - 1 < wa ? left - 1 : wa, fb = upperHalf && right + 1 > wb ? right + 1 : wb;
    int next = b.current ^ 1;
    UsableRow& below = b.wide[next];
    ReadUsableRow(c, y + 1, fa, fb, &below);
    b.current = next;
    b.valid = true;
    b.canvas = c;
    b.plane = c->current;
    b.image = image;
    b.y = y + 1;
    b.xa = fa;
    b.xb = fb;
    b.dab = Pen.dabCount;
    b.box[0] = left;
    b.box[1] = top;
    b.box[2] = right;
    b.box[3] = bottom;
    int belowShift = wa - fa;

    // Entry i + 1 of a row read from wa is column x0 + i.
    struct Neighbour {
        const uint32_t* colour;
        const uint8_t* alpha;
        const uint8_t* unusable;
    };
    auto at = [](const UsableRow& r, int shift) {
        return Neighbour{r.colour.data() + shift, r.alpha.data() + shift, r.unusable.data() + shift};
    };
    const Neighbour neighbours[5] = {at(*centre, centreShift + 1), at(*centre, centreShift), at(*centre, centreShift + 2),
                                     at(b.above, 1), at(below, belowShift + 1)};
    uint8_t blocked = 0;
    for (int i = 0; i < n + 2; ++i) blocked |= centre->unusable[centreShift + i];
    for (int i = 1; i <= n; ++i) blocked |= b.above.unusable[i] | below.unusable[belowShift + i];
    if (!blocked) {
        // Every neighbour usable: five pixels a mean.
        const uint32_t *cc = neighbours[0].colour, *cl = neighbours[1].colour, *cr = neighbours[2].colour,
                       *cu = neighbours[3].colour, *cd = neighbours[4].colour;
        const uint8_t *ac = neighbours[0].alpha, *al = neighbours[1].alpha, *ar = neighbours[2].alpha,
                      *au = neighbours[3].alpha, *ad = neighbours[4].alpha;
        // (sum + 2) / 5 of sums up to 1,277 in 16-bit lanes: (x * 52429) >> 18
        // is x / 5 for every x below 65,536. Four words, then eight
        // transparency bytes a step; the rest one by one.
        const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
        const __m128i fifth = _mm_set1_epi16((short)52429), rgb = _mm_set1_epi32(0x00FFFFFF);
        auto mean5 = [&](__m128i s) { return _mm_srli_epi16(_mm_mulhi_epu16(_mm_add_epi16(s, two), fifth), 2); };
        auto load = [](const uint32_t* p) { return _mm_loadu_si128((const __m128i*)p); };
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            __m128i w[5] = {load(cc + i), load(cl + i), load(cr + i), load(cu + i), load(cd + i)};
            __m128i lo = zero, hi = zero;
            for (const __m128i& v : w) {
                lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
                hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
            }
            _mm_storeu_si128((__m128i*)(colour + i), _mm_and_si128(_mm_packus_epi16(mean5(lo), mean5(hi)), rgb));
        }
        for (; i < n; ++i) {
            uint32_t p0 = cc[i], p1 = cl[i], p2 = cr[i], p3 = cu[i], p4 = cd[i];
            int sr = (int)((p0 >> 16 & 255) + (p1 >> 16 & 255) + (p2 >> 16 & 255) + (p3 >> 16 & 255) + (p4 >> 16 & 255));
            int sg = (int)((p0 >> 8 & 255) + (p1 >> 8 & 255) + (p2 >> 8 & 255) + (p3 >> 8 & 255) + (p4 >> 8 & 255));
            int sb = (int)((p0 & 255) + (p1 & 255) + (p2 & 255) + (p3 & 255) + (p4 & 255));
            colour[i] = MakeWord((sr + 2) / 5, (sg + 2) / 5, (sb + 2) / 5);
        }
        auto bytes = [&](const uint8_t* p) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)p), zero);
        };
        i = 0;
        for (; i + 8 <= n; i += 8) {
            __m128i sum = _mm_add_epi16(_mm_add_epi16(bytes(ac + i), bytes(al + i)),
                                        _mm_add_epi16(_mm_add_epi16(bytes(ar + i), bytes(au + i)), bytes(ad + i)));
            __m128i mean = mean5(sum);
            _mm_storel_epi64((__m128i*)(penAlpha + i), _mm_packus_epi16(mean, mean));
        }
        for (; i < n; ++i) penAlpha[i] = (uint8_t)((ac[i] + al[i] + ar[i] + au[i] + ad[i] + 2) / 5);
        return;
    }
    for (int i = 0; i < n; ++i) {
        int sum[3] = {}, alphaSum = 0, count = 0;
        for (const Neighbour& r : neighbours) {
            if (r.unusable[i]) continue;
            uint32_t w = r.colour[i];
            sum[0] += WordR(w);
            sum[1] += WordG(w);
            sum[2] += WordB(w);
            alphaSum += r.alpha[i];
            ++count;
        }
        if (!count) {
            protect[i] = 255;
            continue;
        }
        colour[i] = MakeWord(RoundedMean(sum[0], count), RoundedMean(sum[1], count), RoundedMean(sum[2], count));
        penAlpha[i] = (uint8_t)RoundedMean(alphaSum, count);
    }
}

// Pixel buffer of smudge and twist: filled on even dabs, laid down on odd ones.
struct PixelBuffer {
    std::vector<uint32_t> colour;
    std::vector<uint8_t> mark;    // 0 usable, 255 not (or never filled)
    std::vector<uint8_t> alpha;
    int width = 0, height = 0;
    void Shape(int w, int h) {
        if (w == width && h == height) return;
        width = w;
        height = h;
        colour.assign((size_t)w * h, 0);
        mark.assign((size_t)w * h, 255);
        alpha.assign((size_t)w * h, 0);
    }
} g_Buffer;

// Even dab: take row y of the box; nothing is painted.
void FillBufferRow(PenCanvas* c, int y, int left, int top, int right, int bottom) {
    g_Buffer.Shape(right - left + 1, bottom - top + 1);
    size_t base = (size_t)(y - top) * g_Buffer.width;
    for (int x = left; x <= right; ++x) {
        size_t k = base + (x - left);
        g_Buffer.mark[k] = UsablePixel(c, x, y, &g_Buffer.colour[k], &g_Buffer.alpha[k]) ? 0 : 255;
    }
}

bool BufferFits(int left, int top, int right, int bottom) {
    return g_Buffer.width == right - left + 1 && g_Buffer.height == bottom - top + 1;
}

// Mode 5's mean of the dab box, computed once a dab.
struct BoxMean {
    int left = 0, top = 0, right = -1, bottom = -1, dab = -1, plane = -1;
    bool any = false;
    uint32_t colour = 0;
    uint8_t alpha = 0;
} g_Mean;

void ComputeBoxMean(PenCanvas* c, int left, int top, int right, int bottom) {
    if (g_Mean.left == left && g_Mean.top == top && g_Mean.right == right && g_Mean.bottom == bottom &&
        g_Mean.dab == Pen.dabCount && g_Mean.plane == c->current)
        return;
    g_Mean = {left, top, right, bottom, Pen.dabCount, c->current};
    int64_t sum[3] = {}, alphaSum = 0, n = 0;
    int w = right - left + 1;
    std::vector<uint8_t> protect(w), selection(w, 0);
    std::vector<uint32_t> row(w);
    std::vector<uint8_t> alpha(w);
    for (int y = top; y <= bottom; ++y) {
        c_PenEngine::GetProtectRow(c, y, left, right, protect.data(), c->current);
        if (Pen.selectionFlag && c->selectionMaskRow) c->selectionMaskRow(c, y, left, right, selection.data());
        c_PenEngine::GetPlaneRow(c, y, left, right, row.data());
        c_PenEngine::GetLayerPlaneRow(c, y, left, right, alpha.data(), 1);
        for (int i = 0; i < w; ++i) {
            if (protect[i] || selection[i]) continue;
            sum[0] += WordR(row[i]);
            sum[1] += WordG(row[i]);
            sum[2] += WordB(row[i]);
            alphaSum += alpha[i];
            ++n;
        }
    }
    g_Mean.any = n > 0;
    if (n) {
        g_Mean.colour = MakeWord((int)((sum[0] + n / 2) / n), (int)((sum[1] + n / 2) / n), (int)((sum[2] + n / 2) / n));
        g_Mean.alpha = (uint8_t)(alphaSum / n);
    }
}

VmsImage* RollerFrame(VmsImage** alpha) {
    int frame = Pen.options[PenOptRollerFrame];
    if (frame < 0 || frame >= kRollerFrameSlots || !Pen.rollerFrames[frame]) {
        *alpha = nullptr;
        return nullptr;
    }
    *alpha = Pen.rollerAlpha[frame];
    return Pen.rollerFrames[frame];
}

// Mode 0 with a brush image or roller frame.
void BrushImageRow(uint32_t* colour, uint8_t* protect, int y, int x0, int x1, int left, int top) {
    VmsImage* alpha = nullptr;
    VmsImage* image = RollerFrame(&alpha);
    if (!image) {
        image = Pen.brushImages[0];
        alpha = Pen.brushImages[1];
    }
    int n = x1 - x0 + 1;
    std::memset(protect, 255, n);
    if (!image) return;
    int w = image->width, h = image->height;
    int sy = Pen.imageBrushOn ? Wrap(y - top, h) : Wrap(y, h);
    std::vector<uint32_t> row(w);
    std::vector<uint8_t> arow(w, 255);
    g_VmsStore.GetRow(image, sy, 0, w - 1, row.data());
    if (alpha && alpha->width == w && alpha->height == h) g_VmsStore.GetRow(alpha, sy, 0, w - 1, arow.data());
    int sx = Pen.imageBrushOn ? 0 : Wrap(x0, w);
    if (Pen.imageBrushOn) sx = Wrap(x0 - left, w);
    for (int i = 0; i < n; ++i) {
        colour[i] = row[sx];
        protect[i] = (uint8_t)(255 - arow[sx]);
        if (++sx == w) sx = 0;
    }
}

bool TwistSource(int x, int y, int left, int top, int degrees, int* sx, int* sy) {
    double a = degrees * 0.017453292519943295;
    int cx = g_Buffer.width / 2, cy = g_Buffer.height / 2;
    double dx = x - left - cx, dy = y - top - cy;
    long rx = std::lround(dy * std::sin(a) + dx * std::cos(a));
    long ry = std::lround(dy * std::cos(a) - dx * std::sin(a));
    *sx = cx + (int)rx;
    *sy = cy + (int)ry;
    return *sx >= 0 && *sy >= 0 && *sx < g_Buffer.width && *sy < g_Buffer.height;
}

}  // namespace

bool c_PenWriter::RowsReadNoImage() {
    VmsImage* alpha;
    return Pen.drawingMode == ModeColour && !Pen.brushImages[0] && !RollerFrame(&alpha);
}

namespace {
// The layer's protect mask limits the rows of its colour plane.
bool MaskPlaneLimits(PenCanvas* c) {
    return CurrentPlaneOfLayer(c) == 0 && !Pen.masksOff && PlaneOfLayer(c, 2)->image;
}

// The selection limits the rows.
bool SelectionLimits(PenCanvas* c) {
    return (Pen.options[PenOptSelectionRows] || Pen.selectionFlag) && c->selectionActive && c->selectionMaskRow &&
           c->selectionActive(c);
}
}  // namespace

bool c_PenWriter::RowsArePlain(PenCanvas* c) {
    return RowsReadNoImage() && !MaskPlaneLimits(c) && !SelectionLimits(c);
}

bool c_PenWriter::RowOnCanvas(const PenCanvas* c, int y, int x0, int x1) {
    return x0 <= c->width - 1 && y >= 0 && y <= c->height - 1 && x1 >= 0;
}

uint32_t c_PenWriter::PenWord() { return MakeWord(PenColour.red, PenColour.green, PenColour.blue); }

void c_PenWriter::MakeRow(PenCanvas* c, uint32_t* colour, uint8_t* penAlpha, uint8_t* protect, int y, int x0,
                          int x1, int left, int top, int right, int bottom, int* alphaKind) {
    if (x1 < x0) return;
    int n = x1 - x0 + 1;
    if (!RowOnCanvas(c, y, x0, x1)) {
        std::memset(protect, 255, n);
        return;
    }
    std::memset(protect, 0, n);
    int boxW = right - left + 1, boxH = bottom - top + 1;
    switch (Pen.drawingMode) {
    case ModeColour: {
        VmsImage* alpha;
        if (Pen.brushImages[0] || RollerFrame(&alpha)) {
            BrushImageRow(colour, protect, y, x0, x1, left, top);
        } else {
            std::fill_n(colour, n, PenWord());
        }
        *alphaKind = AlphaKindMix;
        break;
    }
    case ModeBlur:
        BlurRow(c, colour, penAlpha, protect, y, x0, x1, left, top, right, bottom);
        *alphaKind = AlphaKindBlend;
        break;
    case ModeSmudge:
    case ModeTwistRight:
    case ModeTwistLeft: {
        bool even = Pen.dabCount % 2 == 0;
        *alphaKind = even ? AlphaKindMix : AlphaKindBlend;
        if (boxW > kSmudgeBoxLimit || boxH > kSmudgeBoxLimit || boxW <= 0 || boxH <= 0 || y < top || y > bottom) {
            std::memset(protect, 255, n);
            break;
        }
        if (even) {
            FillBufferRow(c, y, left, top, right, bottom);
            std::memset(protect, 255, n);
            break;
        }
        if (!BufferFits(left, top, right, bottom)) {
            std::memset(protect, 255, n);
            break;
        }
        int degrees = Pen.drawingMode == ModeTwistRight ? 20 : Pen.drawingMode == ModeTwistLeft ? -20 : 0;
        for (int i = 0; i < n; ++i) {
            int sx = x0 + i - left, sy = y - top;
            if (degrees && !TwistSource(x0 + i, y, left, top, degrees, &sx, &sy)) {
                protect[i] = 255;
                continue;
            }
            if (sx < 0 || sx >= g_Buffer.width) {
                protect[i] = 255;
                continue;
            }
            size_t k = (size_t)sy * g_Buffer.width + sx;
            colour[i] = g_Buffer.colour[k];
            protect[i] = g_Buffer.mark[k];
            penAlpha[i] = g_Buffer.alpha[k];
        }
        break;
    }
    case ModeScatter:
        for (int i = 0; i < n; ++i) {
            int dx = std::rand() % 64 - 32;
            int dy = std::rand() % 64 - 32;
            uint32_t w;
            uint8_t a;
            if (UsablePixel(c, x0 + i + dx, y + dy, &w, &a)) {
                colour[i] = w;
                penAlpha[i] = a;
            } else {
                protect[i] = 255;
            }
        }
        *alphaKind = AlphaKindBlend;
        break;
    case ModeAverage: {
        ComputeBoxMean(c, left, top, right, bottom);
        *alphaKind = AlphaKindBlend;
        if (!g_Mean.any) {
            for (int i = 0; i < n; ++i) colour[i] = 0x00FFFFFFu;
            std::memset(protect, 255, n);
            break;
        }
        for (int i = 0; i < n; ++i) {
            colour[i] = g_Mean.colour;
            penAlpha[i] = g_Mean.alpha;
        }
        c_PenEngine::GetProtectRow(c, bottom, x0, x1, protect, c->current);
        break;
    }
    case ModeTile:
    case ModeTile12:
    case ModeTile13:
        *alphaKind = AlphaKindMix;
        if (!TileImage || TileImage->bits != 32) {
            // Without a tile the pen's colour goes through the tone mask: the
            // screen tone or fade chosen for the pen is what these modes paint.
            std::fill_n(colour, n, PenWord());
            c_ToneMask::MakeRow(y, x0, x1, left, top, right, bottom, protect, 1);
            for (int i = 0; i < n; ++i) protect[i] = (uint8_t)(255 - protect[i]);
            break;
        }
        for (int i = 0; i < n; ++i) {
            int r, g, b;
            c_DibImageOps::GetRgb(TileImage, Wrap(x0 + i, TileImage->width), Wrap(y, TileImage->height), &r, &g, &b);
            colour[i] = MakeWord(r, g, b);
        }
        break;
    case ModeEraser:
        c_PenEngine::GetPlaneRow(c, y, x0, x1, colour);
        std::memset(penAlpha, 0, n);
        *alphaKind = AlphaKindBlend;
        break;
    case ModeNoise:
        c_PenEngine::GetPlaneRow(c, y, x0, x1, colour);
        for (int i = 0; i < n; ++i) {
            int ch[3] = {WordR(colour[i]), WordG(colour[i]), WordB(colour[i])};
            for (int& v : ch) {
                v += std::rand() % 33 - 16;
                v = v < 0 ? 0 : v > 255 ? 255 : v;
            }
            colour[i] = MakeWord(ch[0], ch[1], ch[2]);
        }
        *alphaKind = AlphaKindMix;
        break;
    case ModeClone: {
        *alphaKind = AlphaKindMix;
        const LayerPlane& base = c->planes[0];
        const LayerPlane& baseAlpha = c->planes[1];
        if (!base.image) {
            std::memset(protect, 255, n);
            break;
        }
        for (int i = 0; i < n; ++i) {
            int sx = x0 + i + CloneOffsetX - base.x, sy = y + CloneOffsetY - base.y;
            int cx = sx < 0 ? 0 : sx >= base.image->width ? base.image->width - 1 : sx;
            int cy = sy < 0 ? 0 : sy >= base.image->height ? base.image->height - 1 : sy;
            int r = 0, g = 0, b = 0;
            if (base.image->bits == 8) {
                g_VmsStore.GetValue(base.image, cx, cy, &r);
                g = b = r;
            } else {
                g_VmsStore.GetRgb(base.image, cx, cy, &r, &g, &b);
            }
            colour[i] = MakeWord(r, g, b);
            penAlpha[i] = 255;
            int a = 0;
            int ax = x0 + i + CloneOffsetX - baseAlpha.x, ay = y + CloneOffsetY - baseAlpha.y;
            if (baseAlpha.image && ax >= 0 && ay >= 0 && ax < baseAlpha.image->width && ay < baseAlpha.image->height)
                g_VmsStore.GetValue(baseAlpha.image, ax, ay, &a);
            protect[i] = (uint8_t)(255 - a);
        }
        break;
    }
    case ModeRainbow: {
        int r, g, b;
        ConvertHsvToRgb(Pen.dabCount % 256, 255, 255, &r, &g, &b, 1);
        uint32_t w = MakeWord(r, g, b);
        for (int i = 0; i < n; ++i) colour[i] = w;
        // The fade or tone chosen for the pen shapes the rainbow too.
        c_ToneMask::MakeRow(y, x0, x1, left, top, right, bottom, protect, 1);
        for (int i = 0; i < n; ++i) protect[i] = (uint8_t)(255 - protect[i]);
        *alphaKind = AlphaKindMix;
        break;
    }
    default:
        std::memset(protect, 255, n);
        return;
    }
    static std::vector<uint8_t> row;
    if (row.size() < (size_t)n) row.resize(n);
    if (MaskPlaneLimits(c)) {
        c_PenEngine::GetProtectRow(c, y, x0, x1, row.data(), c->current);
        for (int i = 0; i < n; ++i) protect[i] |= row[i];
    }
    if (SelectionLimits(c)) {
        c->selectionMaskRow(c, y, x0, x1, row.data());
        for (int i = 0; i < n; ++i) protect[i] |= row[i];
    }
}

void c_PenWriter::FreeBrushImages(int all, int switchTool) {
    g_VmsStore.Free(&Pen.brushImages[0]);
    g_VmsStore.Free(&Pen.brushImages[1]);
    if (all) {
        g_VmsStore.Free(&Pen.brushImages[2]);
        g_VmsStore.Free(&Pen.brushImages[3]);
    }
    for (int i = 0; i < kRollerFrameSlots; ++i) {
        g_VmsStore.Free(&Pen.rollerFrames[i]);
        g_VmsStore.Free(&Pen.rollerAlpha[i]);
    }
    Pen.options[PenOptRollerFrame] = 0;
    Pen.imageBrushOn = 0;
    PenSnapshotFlag = 0;
    if (switchTool && Pen.tool == kToolPen && PressToolButtonHook) PressToolButtonHook(20014);
}

int c_PenWriter::WidenEffectSource(PenCanvas* c) {
    Pen.imageBrushOn = 0;
    VmsImage* source = Pen.brushImages[0];
    if (!source) return 0;
    const LayerPlane& plane = *CurrentPlane(c);
    VmsImage* wide = g_VmsStore.Create(c->width, c->height, 32, 0, 1);
    if (!wide) {
        g_VmsStore.Free(&Pen.brushImages[0]);
        return 0;
    }
    std::vector<uint32_t> row(source->width);
    for (int y = 0; y < source->height; ++y) {
        if (source->bits == 8) {
            std::vector<uint8_t> bytes(source->width);
            g_VmsStore.GetRow(source, y, 0, source->width - 1, bytes.data());
            for (int i = 0; i < source->width; ++i) row[i] = bytes[i] * 0x010101u;
        } else {
            g_VmsStore.GetRow(source, y, 0, source->width - 1, row.data());
        }
        int cy = y + plane.y, cx0 = plane.x;
        if (cy < 0 || cy >= c->height) continue;
        int first = cx0 < 0 ? -cx0 : 0;
        int last = cx0 + source->width - 1 >= c->width ? c->width - 1 - cx0 : source->width - 1;
        if (first <= last) g_VmsStore.PutRow(wide, cy, cx0 + first, cx0 + last, &row[first]);
    }
    g_VmsStore.Free(&Pen.brushImages[0]);
    Pen.brushImages[0] = wide;
    // The transparency: the plane after the current one.
    int next = c->current + 1;
    if (next % kPlanesPerLayer == 0 || !c->planes[next].image) return 1;
    const LayerPlane& after = c->planes[next];
    VmsImage* alpha = g_VmsStore.Create(c->width, c->height, 8, 0, 1);
    if (!alpha) return 1;
    std::vector<uint8_t> bytes(after.image->width);
    for (int y = 0; y < after.image->height; ++y) {
        g_VmsStore.GetRow(after.image, y, 0, after.image->width - 1, bytes.data());
        int cy = y + after.y, cx0 = after.x;
        if (cy < 0 || cy >= c->height) continue;
        int first = cx0 < 0 ? -cx0 : 0;
        int last = cx0 + after.image->width - 1 >= c->width ? c->width - 1 - cx0 : after.image->width - 1;
        if (first <= last) g_VmsStore.PutRow(alpha, cy, cx0 + first, cx0 + last, &bytes[first]);
    }
    g_VmsStore.Free(&Pen.brushImages[1]);
    Pen.brushImages[1] = alpha;
    return 1;
}

int c_PenWriter::SnapshotEffectResult(PenCanvas* c) {
    const LayerPlane& plane = *CurrentPlane(c);
    if (!plane.image) return 0;
    bool plane0 = CurrentPlaneOfLayer(c) == 0;
    const LayerPlane& alpha = *PlaneOfLayer(c, 1);
    Pen.snapshotPlanes[0] = plane.image;
    Pen.snapshotPlanes[1] = plane0 ? alpha.image : nullptr;
    g_VmsStore.Free(&Pen.brushImages[2]);
    g_VmsStore.Free(&Pen.brushImages[3]);
    VmsImage* copy = g_VmsStore.Create(plane.image->width, plane.image->height, plane.image->bits, 0, 1);
    if (!copy || !g_VmsStore.Copy(copy, plane.image)) {
        g_VmsStore.Free(&copy);
        return 0;
    }
    Pen.brushImages[2] = copy;
    if (plane0 && alpha.image) {
        VmsImage* a = g_VmsStore.Create(alpha.image->width, alpha.image->height, 8, 0, 1);
        if (a && g_VmsStore.Copy(a, alpha.image)) Pen.brushImages[3] = a;
        else g_VmsStore.Free(&a);
    }
    Pen.effectX = plane.x;
    Pen.effectY = plane.y;
    return 1;
}

int c_PenWriter::TakeSnapshot(PenCanvas* c) {
    FreeBrushImages(1, 0);
    bool plane0 = CurrentPlaneOfLayer(c) == 0;
    Pen.snapshotPlanes[0] = CurrentPlane(c)->image;
    Pen.snapshotPlanes[1] = PlaneOfLayer(c, 1)->image;
    Pen.brushImages[2] = g_VmsStore.Create(c->width, c->height, 32, 0, 1);
    if (!Pen.brushImages[2]) return 0;
    if (plane0) Pen.brushImages[3] = g_VmsStore.Create(c->width, c->height, 8, 0, 1);
    std::vector<uint32_t> row(c->width);
    std::vector<uint8_t> alpha(c->width);
    for (int y = 0; y < c->height; ++y) {
        c_PenEngine::GetPlaneRow(c, y, 0, c->width - 1, row.data());
        g_VmsStore.PutRow(Pen.brushImages[2], y, 0, c->width - 1, row.data());
        if (Pen.brushImages[3]) {
            c_PenEngine::GetLayerPlaneRow(c, y, 0, c->width - 1, alpha.data(), 1);
            g_VmsStore.PutRow(Pen.brushImages[3], y, 0, c->width - 1, alpha.data());
        }
    }
    Pen.effectX = Pen.effectY = 0;
    Pen.drawingMode = ModeEraser;
    PenSnapshotFlag = 1;
    return 1;
}

void c_PenWriter::ToolSelected(int tool, int flag, PenCanvas* canvas) {
    Pen.tool = tool;
    c_ToneMask::ClearModes(tool);
    if (flag != 1 && flag != 10) {
        g_VmsStore.Free(&Pen.brushImages[2]);
        g_VmsStore.Free(&Pen.brushImages[3]);
    }
    PenSnapshotFlag = flag == 10 ? 1 : 0;
    switch (tool) {
    case kToolClone:
        Pen.drawingMode = ModeClone;
        FreeBrushImages(1, 0);
        break;
    case kToolSnapshot:
        if (canvas) TakeSnapshot(canvas);
        else Pen.drawingMode = ModeEraser;
        break;
    default:
        Pen.drawingMode = ModeColour;
        break;
    }
    if (tool == kToolBoxFill || tool == kToolEllipseFill || tool == kToolPolygonFill) FreeBrushImages(0, 0);
}

void c_PenWriter::SetCloneOffset(PenCanvas*, int zoomPercent) {
    POINT start, end;
    GetPolledCursorPos(&start);
    end = start;
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    bool drawn = false;
    while (IsLeftButtonDown()) {
        PumpOneMessage();
        POINT p;
        GetPolledCursorPos(&p);
        if (drawn && p.x == end.x && p.y == end.y) continue;
        if (dc && drawn) DrawXorDotLine(dc, start.x, start.y, end.x, end.y);
        end = p;
        if (dc) DrawXorDotLine(dc, start.x, start.y, end.x, end.y);
        drawn = true;
    }
    if (dc && drawn) DrawXorDotLine(dc, start.x, start.y, end.x, end.y);
    if (dc) DeleteDC(dc);
    if (zoomPercent <= 0) zoomPercent = 100;
    CloneOffsetX = (start.x - end.x) * 100 / zoomPercent;
    CloneOffsetY = (start.y - end.y) * 100 / zoomPercent;
}
