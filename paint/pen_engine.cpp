#include "paint/pen_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <emmintrin.h>
#include <utility>
#include <vector>

#include "image/product_table.h"
#include "ui/sysutil.h"
#include "image/colour_model.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"

int StrokeThinning = 1;

namespace {

#define P ProductTable

inline int Cap255(int v) { return v > 255 ? 255 : v; }

// Row buffers of the engine, grown to the longest row asked for and kept
// (the engine runs on the user-interface thread only).
template <typename T>
T* Scratch(std::vector<T>& v, size_t n) {
    if (v.size() < n) v.resize(n);
    return v.data();
}
std::vector<uint8_t> g_Bytes, g_Mask, g_Alpha, g_Alpha2, g_PenAlphas;

std::vector<uint32_t> g_Old, g_Low, g_Pens;

// The part of row y, columns x0..x1 (canvas), that lies on a plane.
struct Span {
    bool ok = false;
    int y = 0;          // plane row
    int ix0 = 0, ix1 = 0;   // plane columns
    int offset = 0;     // buffer element of ix0
};

// The same for an image of the plane (its own or its second image).
Span ClipToImage(const VmsImage* image, const LayerPlane& p, int y, int x0, int x1) {
    Span s;
    if (!image) return s;
    s.y = y - p.y;
    if (s.y < 0 || s.y >= image->height) return s;
    s.ix0 = x0 - p.x < 0 ? 0 : x0 - p.x;
    s.ix1 = x1 - p.x > image->width - 1 ? image->width - 1 : x1 - p.x;
    if (s.ix0 > s.ix1) return s;
    s.offset = s.ix0 + p.x - x0;
    s.ok = true;
    return s;
}

Span ClipToPlane(const LayerPlane& p, int y, int x0, int x1) { return ClipToImage(p.image, p, y, x0, x1); }

bool IsRowDepth(int depth) { return depth == 8 || depth == 24 || depth == 32; }

// Zeros in entries 0..n-1 of a row outside the span s read into it.
template <typename T>
void ZeroOutside(T* row, int n, const Span& s) {
    if (!s.ok) {
        std::memset(row, 0, sizeof(T) * (size_t)n);
        return;
    }
    int end = s.offset + s.ix1 - s.ix0 + 1;
    if (s.offset > 0) std::memset(row, 0, sizeof(T) * (size_t)s.offset);
    if (end < n) std::memset(row + end, 0, sizeof(T) * (size_t)(n - end));
}

// The images the running dab holds (see DabHold) and the thread it runs on:
// that thread's row calls on them go through the hold and take no lock.
c_VmsHeldRows g_Held[3];
DWORD g_HeldThread;

c_VmsHeldRows* HeldRows(const VmsImage* image) {
    if (!image || !g_Held[0].Image() || g_HeldThread != GetCurrentThreadId()) return nullptr;
    for (c_VmsHeldRows& h : g_Held)
        if (h.Image() == image) return &h;
    return nullptr;
}

int StoreGetRow(const VmsImage* image, int y, int x0, int x1, void* buffer) {
    if (c_VmsHeldRows* h = HeldRows(image)) return h->GetRow(y, x0, x1, buffer);
    return g_VmsStore.GetRow(image, y, x0, x1, buffer);
}

int StorePutRow(VmsImage* image, int y, int x0, int x1, const void* buffer) {
    if (c_VmsHeldRows* h = HeldRows(image)) return h->PutRow(y, x0, x1, buffer);
    return g_VmsStore.PutRow(image, y, x0, x1, buffer);
}

// Run s of an image the running dab holds, where the store keeps it, for a
// blend to read and change in place. pixels is null when the store cannot
// hand it out or the image is not held: the row calls serve it then.
struct HeldRowInPlace {
    HeldRowInPlace(const VmsImage* image, const Span& span) : s(span) {
        held = s.ok ? HeldRows(image) : nullptr;
        pixels = held ? held->RowInPlace(s.y, s.ix0, s.ix1) : nullptr;
    }
    // After the pixels changed: marks them written.
    void Written() { held->RowWritten(s.y, s.ix0, s.ix1); }

    Span s;
    c_VmsHeldRows* held;
    uint8_t* pixels;
};

// Holds, for the rows of one dab, the images its blends read and write: the
// current plane, its second image and its layer's transparency. Only while
// the mode's rows read no other image (no lock may be waited for while these
// are held) and only when every one of them can be had at once; otherwise
// each row call takes its image's lock itself, as outside a dab.
class DabHold {
public:
    explicit DabHold(PenCanvas* c) {
        if (!c_PenWriter::RowsReadNoImage() || g_Held[0].Image()) return;
        g_HeldThread = GetCurrentThreadId();
        LayerPlane* p = CurrentPlane(c);
        VmsImage* images[3] = {p->image, p->doubleImage, PlaneOfLayer(c, 1)->image};
        int held = 0;
        for (VmsImage* image : images) {
            if (!image || HeldRows(image)) continue;
            if (!g_Held[held].Hold(image, held == 0)) {
                Release();
                return;
            }
            ++held;
        }
    }
    ~DabHold() { Release(); }
    DabHold(const DabHold&) = delete;
    DabHold& operator=(const DabHold&) = delete;

private:
    static void Release() {
        for (c_VmsHeldRows& h : g_Held) h.Release();
    }
};

void ReadWords(VmsImage* image, const LayerPlane& p, int y, int x0, int x1, uint32_t* words) {
    Span s = ClipToImage(image, p, y, x0, x1);
    if (!s.ok || !IsRowDepth(p.depth)) {
        std::memset(words, 0, sizeof(uint32_t) * (size_t)(x1 - x0 + 1));
        return;
    }
    ZeroOutside(words, x1 - x0 + 1, s);
    if (image->bits == 8) {
        int n = s.ix1 - s.ix0 + 1;
        uint8_t* bytes = Scratch(g_Bytes, n);
        StoreGetRow(image, s.y, s.ix0, s.ix1, bytes);
        for (int i = 0; i < n; ++i) words[s.offset + i] = bytes[i] * 0x01010101u;
    } else if (!StoreGetRow(image, s.y, s.ix0, s.ix1, words + s.offset)) {
        // A row the store cannot give back reads as zeros.
        std::memset(words + s.offset, 0, sizeof(uint32_t) * (size_t)(s.ix1 - s.ix0 + 1));
    }
}

void WriteWords(VmsImage* image, const LayerPlane& p, int y, int x0, int x1, const uint32_t* words) {
    Span s = ClipToImage(image, p, y, x0, x1);
    if (!s.ok || !IsRowDepth(p.depth)) return;
    if (image->bits == 8) {
        int n = s.ix1 - s.ix0 + 1;
        uint8_t* bytes = Scratch(g_Bytes, n);
        for (int i = 0; i < n; ++i) {
            uint32_t w = words[s.offset + i];
            int m = WordR(w) > WordG(w) ? WordR(w) : WordG(w);
            bytes[i] = (uint8_t)(m > WordB(w) ? m : WordB(w));
        }
        StorePutRow(image, s.y, s.ix0, s.ix1, bytes);
    } else {
        StorePutRow(image, s.y, s.ix0, s.ix1, words + s.offset);
    }
}

void ClampIntoPlane(const LayerPlane& p, int* x, int* y) {
    int px = *x - p.x, py = *y - p.y;
    if (px < 0) px = 0;
    if (py < 0) py = 0;
    if (px > p.image->width - 1) px = p.image->width - 1;
    if (py > p.image->height - 1) py = p.image->height - 1;
    *x = px;
    *y = py;
}

// Channel locks: the pen colour takes the old pixel's value in locked channels.
uint32_t ApplyChannelLocks(const PenCanvas* c, uint32_t pen, uint32_t old) {
    int r = WordR(pen), g = WordG(pen), b = WordB(pen);
    if (c->channelModel == 1) {
        int h[2], s[2], v[2];
        ConvertRgbToHsv(r, g, b, &h[0], &s[0], &v[0], 1);
        ConvertRgbToHsv(WordR(old), WordG(old), WordB(old), &h[1], &s[1], &v[1], 1);
        if (!c->channelOn[0]) h[0] = h[1];
        if (!c->channelOn[1]) s[0] = s[1];
        if (!c->channelOn[2]) v[0] = v[1];
        ConvertHsvToRgb(h[0], s[0], v[0], &r, &g, &b, 1);
    } else {
        if (!c->channelOn[0]) r = WordR(old);
        if (!c->channelOn[1]) g = WordG(old);
        if (!c->channelOn[2]) b = WordB(old);
    }
    return MakeWord(r, g, b);
}

bool ChannelsLocked(const PenCanvas* c) { return !(c->channelOn[0] && c->channelOn[1] && c->channelOn[2]); }

// Transparency handling of a blend: plane 0 of a layer whose plane 1 is in use.
bool HandlesAlpha(PenCanvas* c, int alphaKind) {
    return CurrentPlaneOfLayer(c) == 0 && PlaneOfLayer(c, 1)->image && alphaKind != AlphaKindKeep &&
           Pen.options[PenOptKeepAlpha] == 0 && !ChannelsLocked(c);
}

// Density: below 255 a pixel is painted only when density >= a random value.
inline bool DensityDrops(int weight) {
    return weight > 0 && Pen.density < 255 && Pen.density < std::rand() % 255;
}

// The blends of a row, eight pixels at a time in 16-bit lanes (SSE2, which
// every machine the program runs on has). A pixel of weight 0 comes out as it
// was, except that a fully transparent one takes the pen colour in the mix,
// so every pixel goes through the same steps.
namespace lanes {

inline __m128i Bytes(const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)p), _mm_setzero_si128());
}
inline void PutBytes(uint8_t* p, __m128i v) { _mm_storel_epi64((__m128i*)p, _mm_packus_epi16(v, v)); }
inline __m128i Splat(int v) { return _mm_set1_epi16((short)v); }

// ProductTable[x][y] of each lane: (x y + 128) / 255, as (x y + 129) x 257
// / 65536, which is the same for all bytes x and y (x y + 129 fits 16 bits).
inline __m128i Product(__m128i x, __m128i y) {
    return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(x, y), Splat(129)), Splat(257));
}
inline __m128i Cap255(__m128i v) { return _mm_min_epi16(v, Splat(255)); }
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Eight colour words as their red, green and blue lanes, and back (the
// fourth byte taken from the old words).
struct Words {
    __m128i lo, hi;         // words 0..3 and 4..7
    __m128i channel[3];     // red, green, blue
};
inline Words LoadWords(const uint32_t* p) {
    Words w;
    w.lo = _mm_loadu_si128((const __m128i*)p);
    w.hi = _mm_loadu_si128((const __m128i*)(p + 4));
    // The bytes B G R x of the words gathered, in three rounds of
    // interleaving, into B0..B7 G0..G7 and R0..R7 x0..x7.
    __m128i t0 = _mm_unpacklo_epi8(w.lo, w.hi), t1 = _mm_unpackhi_epi8(w.lo, w.hi);
    __m128i t2 = _mm_unpacklo_epi8(t0, t1), t3 = _mm_unpackhi_epi8(t0, t1);
    __m128i bg = _mm_unpacklo_epi8(t2, t3), rx = _mm_unpackhi_epi8(t2, t3);
    __m128i zero = _mm_setzero_si128();
    w.channel[0] = _mm_unpacklo_epi8(rx, zero);
    w.channel[1] = _mm_unpackhi_epi8(bg, zero);
    w.channel[2] = _mm_unpacklo_epi8(bg, zero);
    return w;
}
inline void StoreWords(uint32_t* p, const Words& old, __m128i r, __m128i g, __m128i b) {
    __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
    __m128i top = _mm_set1_epi32((int)0xFF000000u);
    _mm_storeu_si128((__m128i*)p, _mm_or_si128(_mm_unpacklo_epi16(gb, r), _mm_and_si128(old.lo, top)));
    _mm_storeu_si128((__m128i*)(p + 4), _mm_or_si128(_mm_unpackhi_epi16(gb, r), _mm_and_si128(old.hi, top)));
}

// One channel of the pen p mixed into the old value o by the transparency d
// and the weight e: o weighted by d and p by e, then moved toward p by e;
// with d and e both 0 the pen itself. The quotient (d o + p e) / (d + e) is
// below 256 and, unless whole, at least 1 / 510 below the next whole number;
// the product with the float reciprocal (the hardware estimate refined by
// one Newton step, relative error below 4e-7) is off by less than 1 / 9000,
// so adding 1 / 1000 and truncating gives the exact integer quotient (checked
// for every d, e, o and p).
inline __m128i MixChannel(__m128i o, __m128i p, __m128i d, __m128i e, __m128i keep, __m128 reciprocalLo,
                          __m128 reciprocalHi, __m128i empty) {
    auto quotient = [](__m128i dividend, __m128 reciprocal) {
        __m128 q = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(dividend), reciprocal), _mm_set1_ps(0.001f));
        return _mm_cvttps_epi32(q);
    };
    // d o + p e in 32 bits, four lanes a half.
    __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(d, p), _mm_unpacklo_epi16(o, e));
    __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(d, p), _mm_unpackhi_epi16(o, e));
    __m128i mixed = Select(empty, p, _mm_packs_epi32(quotient(lo, reciprocalLo), quotient(hi, reciprocalHi)));
    return Cap255(_mm_add_epi16(Product(mixed, keep), Product(p, e)));
}

// o moved toward p by e (keep = 255 - e).
inline __m128i BlendChannel(__m128i o, __m128i p, __m128i e, __m128i keep) {
    return Cap255(_mm_add_epi16(Product(o, keep), Product(p, e)));
}

// Rows of bytes whose buffers have room for n rounded up to eight: out[i]
// = Cap255(P[x[i]][255 - f] + P[y[i]][f]), x moved toward y by f.
inline void BlendBytes(const uint8_t* x, const uint8_t* y, int f, uint8_t* out, int n) {
    __m128i weight = Splat(f), keep = Splat(255 - f);
    for (int i = 0; i < n; i += 8) PutBytes(out + i, BlendChannel(Bytes(x + i), Bytes(y + i), weight, keep));
}

}  // namespace lanes

// Buffers for rows of n bytes handled eight at a time.
inline size_t RoomFor(int n) { return ((size_t)n + 7) / 8 * 8 + 8; }

// The n (< 8) entries left after the whole blocks of a row, copied by hand:
// a library call costs more than these few.
template <typename T>
inline void CopyFew(T* to, const T* from, int n) {
    for (int i = 0; i < 8; ++i)
        if (i < n) to[i] = from[i];
}

// The first and last nonzero entries of a row of n bytes with room for n
// rounded up to eight; false when all n are 0.
bool NonZeroRun(const uint8_t* row, int n, int* first, int* last) {
    auto nonZero = [row, n](int i) {   // a bit for each nonzero entry i..i+7 below n
        __m128i block = _mm_loadl_epi64((const __m128i*)(row + i));
        int bits = ~_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128())) & 0xFF;
        return n - i < 8 ? bits & ((1 << (n - i)) - 1) : bits;
    };
    int i = 0, bits = 0;
    while (i < n && !(bits = nonZero(i))) i += 8;
    if (i >= n) return false;
    *first = i + __builtin_ctz(bits);
    for (i = (n - 1) / 8 * 8; !(bits = nonZero(i)); i -= 8) {
    }
    *last = i + 31 - __builtin_clz(bits);
    return true;
}

// Weight of each pixel of a row: coverage times pen opacity (0..255), 0 where
// the density drops the pixel (drawing the random numbers left to right),
// times what the protect byte leaves paintable.
// weights has room for n rounded up to eight; coverage and protect need not.
std::vector<uint8_t> g_Weights;
void RowWeights(const uint8_t* coverage, const uint8_t* protect, int n, uint8_t* weights) {
    using namespace lanes;
    int opacity = PenOpacity;
    auto block = [opacity](const uint8_t* c, const uint8_t* p, uint8_t* out) {
        __m128i paintable = _mm_sub_epi16(Splat(255), Bytes(p));
        PutBytes(out, Product(Product(Bytes(c), Splat(opacity)), paintable));
    };
    int whole = n / 8 * 8;
    for (int i = 0; i < whole; i += 8) block(coverage + i, protect + i, weights + i);
    if (whole < n) {
        uint8_t c[8] = {}, p[8] = {};
        CopyFew(c, coverage + whole, n - whole);
        CopyFew(p, protect + whole, n - whole);
        block(c, p, weights + whole);
    }
    if (Pen.density >= 255) return;
    for (int i = 0; i < n; ++i)
        if (DensityDrops(P[coverage[i]][opacity])) weights[i] = 0;
}

enum class RowBlend {
    Mix,               // colours mixed by the transparency, which rises by the weight
    Colours,           // colours blended, the transparency left alone
    ColoursAndAlpha,   // colours blended, the transparency blended toward the pen's
};

// n pixels, eight at a time, in buffers with room for n rounded up to eight.
// True when a transparency byte may have changed (lanes past n count too:
// a false alarm only costs a write).
template <RowBlend kind>
bool BlendBlocks(uint32_t* old, uint8_t* alpha, const uint32_t* pens, const uint8_t* weights, const uint8_t* penAlpha,
                 int n) {
    using namespace lanes;
    __m128i changed = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < n; i += 8) {
        __m128i e = Bytes(weights + i);
        // Weight 0 leaves a pixel as it was, but for a fully transparent one
        // in the mix: a block of such pixels is left alone.
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(e, zero)) == 0xFFFF &&
            (kind != RowBlend::Mix || _mm_movemask_epi8(_mm_cmpeq_epi16(Bytes(alpha + i), zero)) == 0))
            continue;
        Words o = LoadWords(old + i), p = LoadWords(pens + i);
        __m128i keep = _mm_sub_epi16(Splat(255), e);
        __m128i channels[3];
        if constexpr (kind == RowBlend::Mix) {
            __m128i d = Bytes(alpha + i);
            __m128i sum = _mm_add_epi16(d, e);
            __m128i empty = _mm_cmpeq_epi16(sum, zero);
            // 1 / (d + e), shared by the channels; 1 where both are 0 (that
            // quotient is not used).
            __m128i divisor = _mm_or_si128(sum, _mm_and_si128(empty, Splat(1)));
            auto reciprocal = [](__m128 x) {
                __m128 r = _mm_rcp_ps(x);
                return _mm_mul_ps(r, _mm_sub_ps(_mm_set1_ps(2.0f), _mm_mul_ps(x, r)));
            };
            __m128 reciprocalLo = reciprocal(_mm_cvtepi32_ps(_mm_unpacklo_epi16(divisor, zero)));
            __m128 reciprocalHi = reciprocal(_mm_cvtepi32_ps(_mm_unpackhi_epi16(divisor, zero)));
            for (int k = 0; k < 3; ++k)
                channels[k] = MixChannel(o.channel[k], p.channel[k], d, e, keep, reciprocalLo, reciprocalHi, empty);
            __m128i a = Cap255(_mm_add_epi16(Product(d, keep), e));
            changed = _mm_or_si128(changed, _mm_xor_si128(a, d));
            PutBytes(alpha + i, a);
        } else {
            for (int k = 0; k < 3; ++k) channels[k] = BlendChannel(o.channel[k], p.channel[k], e, keep);
            if constexpr (kind == RowBlend::ColoursAndAlpha) {
                __m128i d = Bytes(alpha + i);
                __m128i a = BlendChannel(d, Bytes(penAlpha + i), e, keep);
                changed = _mm_or_si128(changed, _mm_xor_si128(a, d));
                PutBytes(alpha + i, a);
            }
        }
        StoreWords(old + i, o, channels[0], channels[1], channels[2]);
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(changed, _mm_setzero_si128())) != 0xFFFF;
}

bool BlendPixels(RowBlend kind, uint32_t* old, uint8_t* alpha, const uint32_t* pens, const uint8_t* weights,
                 const uint8_t* penAlpha, int n) {
    switch (kind) {
    case RowBlend::Mix: return BlendBlocks<RowBlend::Mix>(old, alpha, pens, weights, penAlpha, n);
    case RowBlend::Colours: return BlendBlocks<RowBlend::Colours>(old, alpha, pens, weights, penAlpha, n);
    case RowBlend::ColoursAndAlpha: return BlendBlocks<RowBlend::ColoursAndAlpha>(old, alpha, pens, weights, penAlpha, n);
    }
    return true;
}

// BlendPixels on rows with no room past n (pixels in place in the image):
// the whole blocks where they lie, the last few pixels through buffers of one
// block. The pens row need have no room past n either.
bool BlendPixelsInPlace(RowBlend kind, uint32_t* old, uint8_t* alpha, const uint32_t* pens, const uint8_t* weights,
                        const uint8_t* penAlpha, int n) {
    int whole = n / 8 * 8, rest = n - whole;
    bool changed = whole > 0 && BlendPixels(kind, old, alpha, pens, weights, penAlpha, whole);
    if (rest) {
        uint32_t o[8] = {}, p[8] = {};
        uint8_t a[8] = {};
        bool alphaToo = kind != RowBlend::Colours;
        CopyFew(o, old + whole, rest);
        CopyFew(p, pens + whole, rest);
        if (alphaToo) CopyFew(a, alpha + whole, rest);
        changed |= BlendPixels(kind, o, a, p, weights + whole, penAlpha + whole, rest);
        CopyFew(old + whole, o, rest);
        if (alphaToo) CopyFew(alpha + whole, a, rest);
    }
    return changed;
}

// Smudge and twist gather the whole dab box on even dabs and read other rows
// of it on odd ones.
bool PenModeUsesWholeBox() {
    int m = Pen.drawingMode;
    return m == ModeSmudge || m == ModeTwistRight || m == ModeTwistLeft;
}

// The rows a dab hands to MakeRow and WriteStrokeRow, kept between dabs and
// cleared for each one as new buffers would be (a mode may leave entries of
// a row unset).
struct DabRows {
    uint32_t* colour;
    uint8_t* penAlpha;
    uint8_t* protect;
    const uint8_t* zeros;   // a low coverage row of 0, never written
};
std::vector<uint32_t> g_DabColour;
std::vector<uint8_t> g_DabPenAlpha, g_DabProtect, g_DabZeros, g_Coverage, g_PaddedTipRow, g_ShiftedUpper,
    g_ShiftedLower;

DabRows KeptDabRows(int n) {
    DabRows r;
    r.colour = Scratch(g_DabColour, n);
    r.penAlpha = Scratch(g_DabPenAlpha, n);
    r.protect = Scratch(g_DabProtect, n);
    r.zeros = Scratch(g_DabZeros, n);
    std::memset(r.colour, 0, sizeof(uint32_t) * (size_t)n);
    std::memset(r.penAlpha, 0, n);
    std::memset(r.protect, 0, n);
    return r;
}

// A tip row of w bytes moved right by the fraction fx / 255: entry i of the
// w + 1 entries mixes columns i and i - 1 (0 outside the tip; a null row is
// all 0). The row is laid into padded, a buffer of RoomFor(w + 2) bytes,
// between zeros.
void ShiftTipRow(const uint8_t* tipRow, int w, int fx, uint8_t* padded, uint8_t* out) {
    if (!tipRow || w <= 0) {
        std::memset(out, 0, (size_t)w + 1);
        return;
    }
    padded[0] = 0;
    std::memcpy(padded + 1, tipRow, w);
    std::memset(padded + 1 + w, 0, 8);
    lanes::BlendBytes(padded + 1, padded, fx, out, w + 1);
}

// Last placed dab.
double g_LastDabX, g_LastDabY;

void Repaint(PenCanvas* canvas, HDC dc, int left, int top, int right, int bottom) {
    if (!dc || !canvas->repaint) return;
    RECT rc = {left, top, right, bottom};
    canvas->repaint(canvas, dc, rc);
}

void ReturnRect(const RECT& rc, int* left, int* top, int* right, int* bottom) {
    if (left) *left = rc.left;
    if (top) *top = rc.top;
    if (right) *right = rc.right;
    if (bottom) *bottom = rc.bottom;
}

}  // namespace

int PenLayerByType(const PenCanvas* canvas, int type) {
    for (int i = 0; i < canvas->layerCount; ++i)
        if (canvas->planes[i * kPlanesPerLayer].image && canvas->planes[i * kPlanesPerLayer].layerType == type)
            return i;
    return -1;
}

// ---- rows and pixels ----

void c_PenEngine::GetPlaneRow(PenCanvas* c, int y, int x0, int x1, uint32_t* words) {
    if (x1 < x0) return;
    LayerPlane* p = CurrentPlane(c);
    ReadWords(p->image, *p, y, x0, x1, words);
}

void c_PenEngine::PutPlaneRow(PenCanvas* c, int y, int x0, int x1, const uint32_t* words) {
    if (x1 < x0) return;
    LayerPlane* p = CurrentPlane(c);
    WriteWords(p->image, *p, y, x0, x1, words);
}

void c_PenEngine::GetPlaneRowLow(PenCanvas* c, int y, int x0, int x1, uint32_t* words) {
    if (x1 < x0) return;
    LayerPlane* p = CurrentPlane(c);
    ReadWords(p->doubleImage, *p, y, x0, x1, words);
}

void c_PenEngine::PutPlaneRowLow(PenCanvas* c, int y, int x0, int x1, const uint32_t* words) {
    if (x1 < x0) return;
    LayerPlane* p = CurrentPlane(c);
    WriteWords(p->doubleImage, *p, y, x0, x1, words);
}

void c_PenEngine::GetPlaneRgb(PenCanvas* c, int x, int y, int* r, int* g, int* b) {
    *r = *g = *b = 0;
    LayerPlane* p = CurrentPlane(c);
    if (!p->image || !IsRowDepth(p->depth)) return;
    ClampIntoPlane(*p, &x, &y);
    if (p->image->bits == 8) {
        int v = 0;
        g_VmsStore.GetValue(p->image, x, y, &v);
        *r = *g = *b = v;
    } else {
        g_VmsStore.GetRgb(p->image, x, y, r, g, b);
    }
}

void c_PenEngine::PutPlaneRgb(PenCanvas* c, int x, int y, int r, int g, int b) {
    LayerPlane* p = CurrentPlane(c);
    if (!p->image || !IsRowDepth(p->depth)) return;
    ClampIntoPlane(*p, &x, &y);
    if (p->image->bits == 8) {
        int m = r > g ? r : g;
        g_VmsStore.SetValue(p->image, x, y, m > b ? m : b);
    } else {
        g_VmsStore.SetRgb(p->image, x, y, r, g, b);
    }
}

void c_PenEngine::GetLayerPlaneRow(PenCanvas* c, int y, int x0, int x1, void* buffer, int n) {
    if (x1 < x0) return;
    size_t unit = n == 0 ? 4 : 1;
    LayerPlane* p = PlaneOfLayer(c, n);
    Span s = ClipToPlane(*p, y, x0, x1);
    if (n == 0) ZeroOutside((uint32_t*)buffer, x1 - x0 + 1, s);
    else ZeroOutside((uint8_t*)buffer, x1 - x0 + 1, s);
    if (!s.ok) return;
    // A row the store cannot give back reads as zeros.
    if (!StoreGetRow(p->image, s.y, s.ix0, s.ix1, (uint8_t*)buffer + unit * s.offset))
        std::memset((uint8_t*)buffer + unit * s.offset, 0, unit * (size_t)(s.ix1 - s.ix0 + 1));
}

void c_PenEngine::PutLayerPlaneRow(PenCanvas* c, int y, int x0, int x1, const void* buffer, int n) {
    if (x1 < x0) return;
    size_t unit = n == 0 ? 4 : 1;
    LayerPlane* p = PlaneOfLayer(c, n);
    Span s = ClipToPlane(*p, y, x0, x1);
    if (!s.ok) return;
    StorePutRow(p->image, s.y, s.ix0, s.ix1, (const uint8_t*)buffer + unit * s.offset);
}

void c_PenEngine::GetLayerPlaneValue(PenCanvas* c, int x, int y, int* value, int n) {
    *value = 0;
    LayerPlane* p = PlaneOfLayer(c, n);
    if (!p->image) return;
    ClampIntoPlane(*p, &x, &y);
    g_VmsStore.GetValue(p->image, x, y, value);
}

void c_PenEngine::GetLayerPlaneValueOrZero(PenCanvas* c, int x, int y, int* value, int n) {
    *value = 0;
    LayerPlane* p = PlaneOfLayer(c, n);
    if (!p->image) return;
    int px = x - p->x, py = y - p->y;
    if (px < 0 || py < 0 || px >= p->image->width || py >= p->image->height) return;
    g_VmsStore.GetValue(p->image, px, py, value);
}

void c_PenEngine::PutLayerPlaneValue(PenCanvas* c, int x, int y, int value, int n) {
    LayerPlane* p = PlaneOfLayer(c, n);
    if (!p->image) return;
    ClampIntoPlane(*p, &x, &y);
    g_VmsStore.SetValue(p->image, x, y, value);
}

// ---- masks ----

void c_PenEngine::GetProtectRow(PenCanvas* c, int y, int x0, int x1, uint8_t* buffer, int layerPlane) {
    if (x1 < x0) return;
    int n = x1 - x0 + 1;
    std::memset(buffer, 0, n);
    int base = layerPlane - layerPlane % kPlanesPerLayer;
    if (Pen.masksOff || !c->planes[base + 2].image) return;
    uint8_t* row = Scratch(g_Mask, n);
    for (int k = 2; k < kPlanesPerLayer; ++k) {
        const LayerPlane& m = c->planes[base + k];
        if (!m.image) break;
        if (MaskHidden(m) || !MaskProtects(m)) continue;
        std::memset(row, 0, n);
        Span s = ClipToPlane(m, y, x0, x1);
        if (s.ok) g_VmsStore.GetRow(m.image, s.y, s.ix0, s.ix1, row + s.offset);
        for (int i = 0; i < n; ++i) buffer[i] |= MaskInverted(m) ? (uint8_t)(255 - row[i]) : row[i];
    }
}

void c_PenEngine::GetProtectValue(PenCanvas* c, int x, int y, int layerPlane, int* value) {
    if (Pen.masksOff) return;
    uint8_t v = 0;
    GetProtectRow(c, y, x, x, &v, layerPlane);
    *value = v;
}

void c_PenEngine::GetLayerAlphaRow(PenCanvas* c, int y, int x0, int x1, uint8_t* buffer, int layerPlane) {
    if (x1 < x0) return;
    int n = x1 - x0 + 1;
    std::memset(buffer, 0, n);
    int base = layerPlane - layerPlane % kPlanesPerLayer;
    const LayerPlane& alpha = c->planes[base + 1];
    Span s = ClipToPlane(alpha, y, x0, x1);
    if (s.ok) g_VmsStore.GetRow(alpha.image, s.y, s.ix0, s.ix1, buffer + s.offset);
    uint8_t* row = Scratch(g_Mask, n);
    for (int k = 2; k < kPlanesPerLayer; ++k) {
        const LayerPlane& m = c->planes[base + k];
        if (!m.image) break;
        if (MaskHidden(m)) continue;
        int times = (MaskAlphaProduct(m) ? 1 : 0) + (MaskAlphaProduct2(m) ? 1 : 0);
        if (!times) continue;
        std::memset(row, 0, n);
        Span ms = ClipToPlane(m, y, x0, x1);
        if (ms.ok) g_VmsStore.GetRow(m.image, ms.y, ms.ix0, ms.ix1, row + ms.offset);
        for (int t = 0; t < times; ++t)
            for (int i = 0; i < n; ++i) buffer[i] = P[row[i]][buffer[i]];
    }
}

// ---- blends ----

void c_PenEngine::WriteStrokeRow(PenCanvas* c, int, const uint32_t* colour, const uint8_t* coverage,
                                 const uint8_t* lowCoverage, const uint8_t* penAlpha, uint8_t* protect,
                                 int alphaKind, int y, int x0, int x1, int applyMasks) {
    if (x1 < x0) return;
    if (applyMasks == 1 && CurrentPlaneOfLayer(c) == 0) {
        int n = x1 - x0 + 1;
        uint8_t* row = Scratch(g_Alpha2, n);
        GetProtectRow(c, y, x0, x1, row, c->current);
        for (int i = 0; i < n; ++i) protect[i] |= row[i];
        if (c->selectionActive && c->selectionMaskRow && c->selectionActive(c)) {
            c->selectionMaskRow(c, y, x0, x1, row);
            for (int i = 0; i < n; ++i) protect[i] |= row[i];
        }
    }
    if (CurrentPlane(c)->doubleImage)
        BlendRowDouble(c, colour, coverage, lowCoverage, penAlpha, protect, alphaKind, y, x0, x1);
    else
        BlendRow(c, colour, coverage, penAlpha, protect, alphaKind, y, x0, x1);
}

void c_PenEngine::BlendRow(PenCanvas* c, const uint32_t* colour, const uint8_t* coverage,
                           const uint8_t* penAlpha, const uint8_t* protect, int alphaKind, int y, int x0,
                           int x1) {
    LayerPlane* p = CurrentPlane(c);
    Span s = ClipToPlane(*p, y, x0, x1);
    if (!s.ok) return;
    int a0 = s.ix0 + p->x, a1 = s.ix1 + p->x;   // canvas columns on the plane
    int n = a1 - a0 + 1, off = s.offset;
    bool alpha = HandlesAlpha(c, alphaKind);
    bool mix = alpha && alphaKind == AlphaKindMix;
    // While the dab holds the images and the rows lie in resident pages, the
    // blend changes them where they are; otherwise it works on copies.
    LayerPlane* ap = PlaneOfLayer(c, 1);
    HeldRowInPlace colours(p->image, p->image->bits == 32 && IsRowDepth(p->depth) ? s : Span{});
    Span as = alpha && colours.pixels ? ClipToPlane(*ap, y, a0, a1) : Span{};
    bool alphaWhole = as.ok && as.offset == 0 && as.ix1 - as.ix0 + 1 == n && ap->image->bits == 8;
    HeldRowInPlace alphas(ap->image, alphaWhole ? as : Span{});
    uint32_t* old = (uint32_t*)colours.pixels;
    uint8_t* a = alphas.pixels;
    bool inPlace = old && (a || !alpha);
    if (!inPlace) {
        old = Scratch(g_Old, RoomFor(n));
        GetPlaneRow(c, y, a0, a1, old);
    }
    if (!inPlace || !alpha) {
        a = Scratch(g_Alpha, RoomFor(n));
        if (alpha) GetLayerPlaneRow(c, y, a0, a1, a, 1);
    }
    uint8_t* weights = Scratch(g_Weights, RoomFor(n));
    RowWeights(coverage + off, protect + off, n, weights);
    // The caller's colours, copied into a buffer with room for whole blocks
    // unless blended in place, or changed by the channel locks.
    const uint32_t* pens = colour + off;
    if (!inPlace || ChannelsLocked(c)) {
        uint32_t* copy = Scratch(g_Pens, RoomFor(n));
        std::memcpy(copy, colour + off, sizeof(uint32_t) * (size_t)n);
        if (ChannelsLocked(c)) {
            // Only pixels the blend changes need their locked pen colour.
            for (int i = 0; i < n; ++i)
                if (weights[i] || (mix && a[i] == 0)) copy[i] = ApplyChannelLocks(c, copy[i], old[i]);
        }
        pens = copy;
    }
    RowBlend kind = mix                                       ? RowBlend::Mix
                    : alpha && alphaKind == AlphaKindBlend ? RowBlend::ColoursAndAlpha
                                                            : RowBlend::Colours;
    uint8_t* penAlphas = Scratch(g_PenAlphas, RoomFor(n));
    if (kind == RowBlend::ColoursAndAlpha) std::memcpy(penAlphas, penAlpha + off, n);
    if (inPlace) {
        bool alphaChanged = BlendPixelsInPlace(kind, old, a, pens, weights, penAlphas, n);
        colours.Written();
        if (alpha && alphaChanged) alphas.Written();
        return;
    }
    bool alphaChanged = BlendPixels(kind, old, a, pens, weights, penAlphas, n);
    PutPlaneRow(c, y, a0, a1, old);
    // An opaque row under the pen stays opaque: nothing to write back.
    if (alpha && alphaChanged) PutLayerPlaneRow(c, y, a0, a1, a, 1);
}

void c_PenEngine::BlendRowDouble(PenCanvas* c, const uint32_t* colour, const uint8_t* coverage,
                                 const uint8_t* lowCoverage, const uint8_t* penAlpha, const uint8_t* protect,
                                 int alphaKind, int y, int x0, int x1) {
    LayerPlane* p = CurrentPlane(c);
    Span s = ClipToPlane(*p, y, x0, x1);
    if (!s.ok) return;
    int a0 = s.ix0 + p->x, a1 = s.ix1 + p->x;
    int n = a1 - a0 + 1, off = s.offset;
    std::vector<uint32_t> hi(n), lo(n);
    GetPlaneRow(c, y, a0, a1, hi.data());
    GetPlaneRowLow(c, y, a0, a1, lo.data());
    bool alpha = HandlesAlpha(c, alphaKind);
    bool locked = ChannelsLocked(c);
    std::vector<uint8_t> a(n);
    if (alpha) GetLayerPlaneRow(c, y, a0, a1, a.data(), 1);
    for (int i = 0; i < n; ++i) {
        uint32_t pen = colour[off + i];
        if (locked) pen = ApplyChannelLocks(c, pen, hi[i]);
        int64_t cov = (int64_t)coverage[off + i] * 256 + (lowCoverage ? lowCoverage[off + i] : 0xFF);
        int64_t opacity = PenOpacity;
        if (opacity > 0 && Pen.density < 255 && Pen.density < std::rand() % 255) opacity = 0;
        int64_t q = cov * ((255 - protect[off + i]) * opacity / 255) * 65535 / 255 / 65535;
        if (q > 65535) q = 65535;
        int pc[3] = {WordR(pen), WordG(pen), WordB(pen)};
        int hc[3] = {WordR(hi[i]), WordG(hi[i]), WordB(hi[i])};
        int lc[3] = {WordR(lo[i]), WordG(lo[i]), WordB(lo[i])};
        int nh[3], nl[3];
        int64_t d = alpha ? (int64_t)a[i] * 257 : 0;
        for (int k = 0; k < 3; ++k) {
            int64_t old = (int64_t)hc[k] * 256 + lc[k];
            int64_t pen16 = (int64_t)pc[k] * 257;
            if (alpha && alphaKind == AlphaKindMix) old = d + q == 0 ? pen16 : (d * old + pen16 * q) / (d + q);
            int64_t v = pen16 * q / 65535 + old * (65535 - q) / 65535;
            if (v > 65535) v = 65535;
            nh[k] = (int)(v >> 8);
            nl[k] = (int)(v & 255);
        }
        if (alpha && alphaKind == AlphaKindMix) {
            a[i] = (uint8_t)Cap255((int)((q + (65535 - q) * a[i] * 257 / 65535) / 256));
        } else if (alpha && alphaKind == AlphaKindBlend) {
            int e = (int)(q >> 8);
            a[i] = (uint8_t)Cap255(P[penAlpha[off + i]][e] + P[a[i]][255 - e]);
        }
        hi[i] = MakeWord(nh[0], nh[1], nh[2]) | (hi[i] & 0xFF000000u);
        lo[i] = MakeWord(nl[0], nl[1], nl[2]);
    }
    PutPlaneRow(c, y, a0, a1, hi.data());
    PutPlaneRowLow(c, y, a0, a1, lo.data());
    if (alpha) PutLayerPlaneRow(c, y, a0, a1, a.data(), 1);
}

// ---- dabs ----

int c_PenEngine::GetPenKind() {
    if (!IsPenTool(Pen.tool)) return 0;
    if (Pen.brushImages[0] && Pen.brushImages[2]) return 4;
    if (Pen.brushImages[0]) return 3;
    const PenRecord& r = PenRecords[Pen.penRecord < 0 || Pen.penRecord >= kPenRecordCount ? 0 : Pen.penRecord];
    int kind = r.tipKind < 0 ? 0 : r.tipKind > 6 ? 6 : r.tipKind;
    return TipShape[kind] == kShapeEdgePen ? 2 : 1;
}

void c_PenEngine::Dab(PenCanvas* c, HDC dc, double x, double y, int snapshot, int* left, int* top, int* right,
                      int* bottom, int, double minDistance, int* first) {
    const PenRecord& r = PenRecords[Pen.penRecord < 0 || Pen.penRecord >= kPenRecordCount ? 0 : Pen.penRecord];
    int kind = r.tipKind < 0 ? 0 : r.tipKind > 6 ? 6 : r.tipKind;
    RECT rc = {(LONG)x, (LONG)y, (LONG)x, (LONG)y};
    if (!snapshot && Pen.tool != kToolSnapshot && !Pen.brushImages[0] && TipShape[kind] == kShapeEdgePen) {
        // Edge pen: the edge colour on the layer of type 1, the pen colour at
        // the inner size on the layer of type 2.
        int mode = Pen.drawingMode;
        double rx = Pen.tip.hRadius, ry = Pen.tip.vRadius;
        ColourModels colour = PenColour;
        int current = c->current;
        VmsImage* alpha1 = Pen.brushImages[1];
        if (first) *first = 0;
        SetPenColour(0, r.edgeColour[0], r.edgeColour[1], r.edgeColour[2]);
        Pen.drawingMode = ModeColour;
        Pen.brushImages[0] = Pen.brushImages[1] = nullptr;
        RECT outer = rc, inner = rc;
        int layer = PenLayerByType(c, 1);
        if (layer >= 0) {
            c->current = layer * kPlanesPerLayer;
            DabAt(c, dc, (int)x, (int)y, 0, &outer);
        }
        PenColour = colour;
        Pen.drawingMode = mode;
        Pen.brushImages[0] = nullptr;
        Pen.brushImages[1] = alpha1;
        Pen.tip.hRadius = rx * r.innerFactor * 0.1;
        Pen.tip.vRadius = ry * r.innerFactor * 0.1;
        BuildPenTip(0, 0);
        layer = PenLayerByType(c, 2);
        if (layer >= 0) {
            c->current = layer * kPlanesPerLayer;
            DabAt(c, dc, (int)x, (int)y, 0, &inner);
        }
        BuildPenTip(0, 1);
        c->current = current;
        UnionRect(&rc, &outer, &inner);
        ReturnRect(rc, left, top, right, bottom);
        return;
    }
    DabSubPixel(c, dc, x, y, snapshot, &rc, minDistance, first);
    ReturnRect(rc, left, top, right, bottom);
}

void c_PenEngine::DabSubPixel(PenCanvas* c, HDC dc, double x, double y, int snapshot, RECT* rect,
                              double minDistance, int* first) {
    if (first && *first) {
        *first = 0;
    } else {
        double dx = x - g_LastDabX, dy = y - g_LastDabY;
        if (std::sqrt(dx * dx + dy * dy) < minDistance) {
            *rect = {(LONG)x, (LONG)y, (LONG)x, (LONG)y};
            if (StrokeThinning) return;
        }
    }
    g_LastDabX = x;
    g_LastDabY = y;
    int ix = x > 0 ? (int)x : (int)(x - 1);
    int iy = y > 0 ? (int)y : (int)(y - 1);
    if (Pen.dabDelay > 0) WaitMs(Pen.dabDelay);
    if (snapshot) {
        DabImage(c, dc, ix, iy, rect);
        return;
    }
    const TipMask& tip = c_PenTip::GetTipMask();
    int w = tip.width, h = tip.height;
    int fx = (int)((x - ix) * 255), fy = (int)((y - iy) * 255);
    if (fx > 255) fx = 255;
    if (fy > 255) fy = 255;
    int left = ix + 1 - (w + 1) / 2, top = iy + 1 - (h + 1) / 2;
    int n = w + 1;
    DabRows rows = KeptDabRows(n);
    uint8_t* coverage = Scratch(g_Coverage, RoomFor(n));
    // The tip rows moved right by fx; dab row r mixes tip rows r and r - 1 by fy.
    uint8_t* padded = Scratch(g_PaddedTipRow, RoomFor(n + 1));
    uint8_t* upper = Scratch(g_ShiftedUpper, RoomFor(n));
    uint8_t* lower = Scratch(g_ShiftedLower, RoomFor(n));
    ShiftTipRow(nullptr, w, fx, padded, upper);
    // Modes that read back what other rows of the dab gathered see every
    // row whole; the others skip what the tip does not cover.
    bool wholeRows = PenModeUsesWholeBox();
    // A plain pen colour with no mask or selection is the same on every row:
    // filled once, and only the rows off the canvas (protected whole) go
    // through MakeRow.
    bool plain = c_PenWriter::RowsArePlain(c);
    bool protectClear = true;
    if (plain) std::fill_n(rows.colour, n, c_PenWriter::PenWord());
    {
        DabHold hold(c);
        for (int row = 0; row <= h; ++row) {
            std::swap(upper, lower);
            ShiftTipRow(row < h ? &tip.high[(size_t)row * w] : nullptr, w, fx, padded, upper);
            lanes::BlendBytes(upper, lower, fy, coverage, n);
            // The covered columns a..b.
            int a = 0, b = w;
            if (!wholeRows && !NonZeroRun(coverage, n, &a, &b)) continue;
            int kind = AlphaKindMix;
            if (plain && c_PenWriter::RowOnCanvas(c, top + row, left + a, left + b)) {
                if (!protectClear) std::memset(rows.protect, 0, n);
                protectClear = true;
            } else {
                c_PenWriter::MakeRow(c, rows.colour, rows.penAlpha, rows.protect, top + row, left + a, left + b, left,
                                     top, left + w, top + h, &kind);
                protectClear = false;
            }
            WriteStrokeRow(c, 0, rows.colour, coverage + a, rows.zeros, rows.penAlpha, rows.protect, kind, top + row,
                           left + a, left + b, 0);
        }
    }
    *rect = {left, top, left + w + 1, top + h + 1};
    Repaint(c, dc, rect->left, rect->top, rect->right, rect->bottom);
}

void c_PenEngine::DabAt(PenCanvas* c, HDC dc, int x, int y, int snapshot, RECT* rect) {
    if (Pen.dabDelay > 0) WaitMs(Pen.dabDelay);
    if (snapshot) {
        DabImage(c, dc, x, y, rect);
        return;
    }
    const TipMask& tip = c_PenTip::GetTipMask();
    int w = tip.width, h = tip.height;
    int left = x - w / 2, top = y - h / 2;
    *rect = {left, top, left + w, top + h};
    if (w <= 0 || h <= 0) return;
    DabRows rows = KeptDabRows(w);
    {
        DabHold hold(c);
        for (int row = 0; row < h; ++row) {
            int kind = AlphaKindMix;
            c_PenWriter::MakeRow(c, rows.colour, rows.penAlpha, rows.protect, top + row, left, left + w - 1, left,
                                 top, left + w - 1, top + h - 1, &kind);
            WriteStrokeRow(c, 0, rows.colour, &tip.high[(size_t)row * w], &tip.low[(size_t)row * w],
                           rows.penAlpha, rows.protect, kind, top + row, left, left + w - 1, 0);
        }
    }
    Repaint(c, dc, rect->left, rect->top, rect->right, rect->bottom);
}

void c_PenEngine::DabImage(PenCanvas* c, HDC dc, int x, int y, RECT* rect) {
    const TipMask& tip = c_PenTip::GetTipMask();
    int w = tip.width, h = tip.height;
    int left = x - w / 2, top = y - h / 2;
    *rect = {left, top, left + w, top + h};
    if (w <= 0 || h <= 0) return;
    std::vector<uint32_t> colour(w);
    std::vector<uint8_t> coverage(w, 255), penAlpha(w), protect(w);
    VmsImage* source = Pen.brushImages[2];
    VmsImage* sourceAlpha = Pen.brushImages[3];
    for (int row = 0; row < h; ++row) {
        int yy = top + row;
        if (source) {
            std::memset(colour.data(), 0, 4 * (size_t)w);
            std::memset(penAlpha.data(), 0, w);
            int sy = yy - Pen.effectY, sx0 = left - Pen.effectX;
            g_VmsStore.GetRow(source, sy, sx0, sx0 + w - 1, colour.data());
            if (sourceAlpha) g_VmsStore.GetRow(sourceAlpha, sy, sx0, sx0 + w - 1, penAlpha.data());
        } else {
            std::fill(colour.begin(), colour.end(), 0x00FFFFFFu);
            std::fill(penAlpha.begin(), penAlpha.end(), 0);
        }
        std::fill(protect.begin(), protect.end(), 0);
        WriteStrokeRow(c, 0, colour.data(), coverage.data(), nullptr, penAlpha.data(), protect.data(), AlphaKindBlend,
                       yy, left, left + w - 1, 1);
    }
    Repaint(c, dc, rect->left, rect->top, rect->right, rect->bottom);
}
