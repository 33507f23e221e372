#include "select/sel_region.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "canvas/canv_compose.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "ui/msgbox.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_mask.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"

namespace {

inline int Channel(uint32_t w, int shift) { return (w & kRegionTransparent) ? -100 : (int)((w >> shift) & 255); }

bool EscDown() { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }

// Rows of a document's source, composed or read into one scratch row.
struct DocRows {
    CanvDoc* doc;
    int kind;         // 2 composite, 1 current plane, 0 chosen plane
    int plane;        // plane index for kinds 0 and 1
    std::vector<uint32_t> row;
    std::vector<uint8_t> bytes;
    static const uint32_t* Row(void* user, int y) {
        DocRows* r = (DocRows*)user;
        CanvDoc* doc = r->doc;
        const int w = doc->width;
        std::vector<uint32_t>& row = r->row;
        if (r->kind == 2) {
            row.assign((size_t)w, 0);
            DibImage* composed = ComposeForDisplay(doc, 0, y, w - 1, y, 0, 0);
            if (composed) {
                c_DibImageOps::GetRow32(composed, 0, 0, w - 1, row.data());
                c_DibImageOps::Free(&composed);
            }
            for (uint32_t& v : row) v &= 0xFFFFFFu;
            return row.data();
        }
        const LayerPlane& p = doc->planes[r->plane];
        const int base = LayerOf(r->plane) * CanvPlanesPerLayer;
        const int ly = y - p.y;
        if (!p.image || ly < 0 || ly >= p.height) {
            row.assign((size_t)w, 0);
            return row.data();
        }
        const int a = p.x > 0 ? p.x : 0, b = p.x + p.width - 1 < w - 1 ? p.x + p.width - 1 : w - 1;
        if (a > b) {
            row.assign((size_t)w, 0);
            return row.data();
        }
        // Only the columns the plane leaves uncovered are cleared: the rest is read.
        row.resize((size_t)w);
        std::fill(row.begin(), row.begin() + a, 0u);
        std::fill(row.begin() + b + 1, row.end(), 0u);
        if (p.image->bits == 8) {
            r->bytes.resize((size_t)(b - a + 1));
            if (!g_VmsStore.GetRow(p.image, ly, a - p.x, b - p.x, r->bytes.data()))
                std::fill(r->bytes.begin(), r->bytes.end(), (uint8_t)0);
            for (int x = a; x <= b; ++x) row[x] = r->bytes[x - a] * 0x010101u;
        } else {
            if (!g_VmsStore.GetRow(p.image, ly, a - p.x, b - p.x, row.data() + a))
                std::fill(row.begin() + a, row.begin() + b + 1, 0u);
            for (int x = a; x <= b; ++x) row[x] &= 0xFFFFFFu;
        }
        const LayerPlane& alpha = doc->planes[base + 1];
        if (r->kind == 1 && r->plane == base && alpha.image && LayerOf(r->plane) > 0) {
            r->bytes.resize((size_t)(b - a + 1));
            g_VmsStore.GetRow(alpha.image, ly, a - p.x, b - p.x, r->bytes.data());
            for (int x = a; x <= b; ++x) {
                const int tv = r->bytes[x - a];
                const uint32_t c = row[x];
                row[x] = tv == 0 ? kRegionTransparent
                                 : (uint32_t)ProductTable[tv][c & 255] | ((uint32_t)ProductTable[tv][(c >> 8) & 255] << 8) |
                                       ((uint32_t)ProductTable[tv][(c >> 16) & 255] << 16);
            }
        }
        return row.data();
    }
};

// A document whose only layer covers it at (0, 0) shows that layer's plane 0.
bool ShowsBaseOnly(const CanvDoc* doc) {
    const LayerPlane* b = LayerBase(doc, 0);
    return !LayerInUse(doc, 1) && b->image && b->x == 0 && b->y == 0 && b->width >= doc->width &&
           b->height >= doc->height && b->blendMode != BlendHidden && b->transparency == 0;
}

#if defined(__x86_64__) || defined(__i386__)
// The match bits of one row, four pixels a step: a pixel matches when each
// colour byte lies within the tolerance of the seed's (the absolute
// difference from two saturating subtractions). False, with the bits
// unfinished, when a pixel of the row is transparent: such rows go through
// the plain comparison. The seed is opaque.
__attribute__((target("sse2"))) bool MatchRowSse2(const uint32_t* row, int w, uint32_t seed, int tolerance,
                                                 uint64_t* bits, int stride) {
    std::memset(bits, 0, (size_t)stride * sizeof(uint64_t));
    const __m128i s = _mm_set1_epi32((int)(seed & 0xFFFFFFu));
    const __m128i t = _mm_set1_epi8((char)(uint8_t)tolerance);
    const __m128i colour = _mm_set1_epi32(0xFFFFFF);
    const __m128i flag = _mm_set1_epi32((int)kRegionTransparent);
    const __m128i zero = _mm_setzero_si128();
    __m128i seen = zero;
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i c = _mm_loadu_si128((const __m128i*)(row + x));
        seen = _mm_or_si128(seen, _mm_and_si128(c, flag));
        const __m128i d = _mm_or_si128(_mm_subs_epu8(c, s), _mm_subs_epu8(s, c));
        const __m128i over = _mm_and_si128(_mm_subs_epu8(d, t), colour);
        const int m = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(over, zero)));
        bits[x >> 6] |= (uint64_t)m << (x & 63);   // x is a multiple of 4: the four bits share a word
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(seen, zero)) != 0xFFFF) return false;
    const int r0 = (int)((seed >> 16) & 255), g0 = (int)((seed >> 8) & 255), b0 = (int)(seed & 255);
    for (; x < w; ++x) {
        const uint32_t c = row[x];
        if (c & kRegionTransparent) return false;
        if (std::abs((int)((c >> 16) & 255) - r0) <= tolerance && std::abs((int)((c >> 8) & 255) - g0) <= tolerance &&
            std::abs((int)(c & 255) - b0) <= tolerance)
            bits[x >> 6] |= 1ull << (x & 63);
    }
    return true;
}

bool HasSse2() {
#if defined(__x86_64__)
    return true;
#else
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return has;
#endif
}
#endif

}  // namespace

namespace {

// The fill works on two bit planes: pixels that match the seed's colour
// (computed a row at a time, the first time the row is reached) and pixels
// visited. A candidate is a matching pixel not yet visited.
struct RegionBits {
    const RegionSource& src;
    int stride;                       // 64-bit words a row
    RegionWords match;
    std::vector<uint8_t> ready;       // match row computed
    RegionWords& visited;
    int r0, g0, b0, tolerance;
    std::vector<uint8_t> flags;       // one row's matches, a byte a pixel

    uint64_t Cand(int y, int i) const { return match[(size_t)y * stride + i] & ~visited[(size_t)y * stride + i]; }

    void Prepare(int y) {
        if (ready[(size_t)y]) return;
        ready[(size_t)y] = 1;
        const uint32_t* row = src.row(src.user, y);
        const int w = src.width;
#if defined(__x86_64__) || defined(__i386__)
        if (r0 >= 0 && tolerance >= 0 && tolerance <= 255 && HasSse2() &&
            MatchRowSse2(row, w, ((uint32_t)r0 << 16) | ((uint32_t)g0 << 8) | (uint32_t)b0, tolerance,
                         &match[(size_t)y * stride], stride))
            return;
#endif
        flags.resize((size_t)stride * 64);
        uint8_t* f = flags.data();
        // Within the tolerance when every channel is; a transparent pixel
        // (-100 in each channel) compares as such.
        const unsigned span = 2u * (unsigned)tolerance;
        bool transparent = false;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = row[x];
            transparent |= (c & kRegionTransparent) != 0;
            const unsigned dr = (unsigned)((int)((c >> 16) & 255) - r0 + tolerance);
            const unsigned dg = (unsigned)((int)((c >> 8) & 255) - g0 + tolerance);
            const unsigned db = (unsigned)((int)(c & 255) - b0 + tolerance);
            f[x] = (uint8_t)((dr <= span) & (dg <= span) & (db <= span));
        }
        if (transparent)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = row[x];
                f[x] = std::abs(Channel(c, 16) - r0) <= tolerance && std::abs(Channel(c, 8) - g0) <= tolerance &&
                       std::abs(Channel(c, 0) - b0) <= tolerance;
            }
        for (int x = w; x < stride * 64; ++x) f[x] = 0;
        uint64_t* m = &match[(size_t)y * stride];
        for (int i = 0; i < stride; ++i) {
            uint64_t bits = 0;
            const uint8_t* g = f + (i << 6);
            for (int k = 0; k < 64; ++k) bits |= (uint64_t)g[k] << k;
            m[i] = bits;
        }
    }
    // The last candidate of the run through x going right, the first going left.
    int RunRight(int y, int x) const {
        int i = x >> 6;
        uint64_t zeros = ~Cand(y, i) & (~0ull << (x & 63));
        while (!zeros) {
            if (++i >= stride) return src.width - 1;
            zeros = ~Cand(y, i);
        }
        return std::min((i << 6) + __builtin_ctzll(zeros) - 1, src.width - 1);
    }
    int RunLeft(int y, int x) const {
        int i = x >> 6;
        const int bit = x & 63;
        uint64_t zeros = ~Cand(y, i) & (bit == 63 ? ~0ull : ((1ull << (bit + 1)) - 1));
        while (!zeros) {
            if (--i < 0) return 0;
            zeros = ~Cand(y, i);
        }
        return (i << 6) + (63 - __builtin_clzll(zeros)) + 1;
    }
    void Mark(int y, int a, int b) {
        uint64_t* v = &visited[(size_t)y * stride];
        for (int i = a >> 6; i <= b >> 6; ++i) {
            const int lo = std::max(a, i << 6) - (i << 6), hi = std::min(b, (i << 6) + 63) - (i << 6);
            const uint64_t bits = (hi == 63 ? ~0ull : ((1ull << (hi + 1)) - 1)) & (~0ull << lo);
            v[i] |= bits;
        }
    }
    // Pushes the first pixel of every run of candidates of row y within a..b.
    void PushRuns(int y, int a, int b, std::vector<int>& stack) {
        uint64_t carry = 0;
        for (int i = a >> 6; i <= b >> 6; ++i) {
            const int lo = std::max(a, i << 6) - (i << 6), hi = std::min(b, (i << 6) + 63) - (i << 6);
            const uint64_t range = (hi == 63 ? ~0ull : ((1ull << (hi + 1)) - 1)) & (~0ull << lo);
            const uint64_t c = Cand(y, i) & range;
            uint64_t starts = c & ~((c << 1) | carry);
            carry = c >> 63;
            while (starts) {
                stack.push_back((i << 6) + __builtin_ctzll(starts));
                stack.push_back(y);
                starts &= starts - 1;
            }
        }
    }
};

}  // namespace

int FindColorRegion(const RegionSource& src, int x, int y, int tolerance, RegionResult* out, bool (*stop)()) {
    const int w = src.width, h = src.height;
    if (w <= 0 || h <= 0) return 0;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x > w - 1) x = w - 1;
    if (y > h - 1) y = h - 1;
    out->stride = (w + 63) / 64;
    if (!out->visited.Reset((size_t)out->stride * (size_t)h)) return 0;
    out->x0 = out->y0 = 1000000;
    out->x1 = out->y1 = -1;
    const uint32_t seed = src.row(src.user, y)[x];
    RegionBits bits{src, out->stride, {}, {}, out->visited, Channel(seed, 16), Channel(seed, 8), Channel(seed, 0), tolerance};
    if (!bits.match.Reset(out->visited.size())) return 0;
    bits.ready.assign((size_t)h, 0);
    std::vector<int> stack{x, y};
    while (!stack.empty()) {
        y = stack.back();
        stack.pop_back();
        x = stack.back();
        stack.pop_back();
        bits.Prepare(y);
        if (!((bits.Cand(y, x >> 6) >> (x & 63)) & 1)) continue;
        if (stop && stop()) break;
        const int a = bits.RunLeft(y, x), b = bits.RunRight(y, x);
        bits.Mark(y, a, b);
        if (a < out->x0) out->x0 = a;
        if (b > out->x1) out->x1 = b;
        if (y < out->y0) out->y0 = y;
        if (y > out->y1) out->y1 = y;
        if (y > 0) {
            bits.Prepare(y - 1);
            bits.PushRuns(y - 1, a, b, stack);
        }
        if (y < h - 1) {
            bits.Prepare(y + 1);
            bits.PushRuns(y + 1, a, b, stack);
        }
    }
    return 1;
}

int ColorRegionFill(CanvDoc* doc, int x, int y, int add) {
    if (!doc) return 0;
    DocRows rows{doc, 2, doc->currentPlane, {}, {}};
    const int source = kSelRegionSource;
    if (source == -1) {
        rows.kind = 1;
    } else if (source >= 0) {
        const int plane = source * CanvPlanesPerLayer + kSelRegionSourcePlane;
        rows.kind = plane < CanvMaxPlanes && doc->planes[plane].image ? 0 : 1;
        if (rows.kind == 0) rows.plane = plane;
    } else if (ShowsBaseOnly(doc)) {
        rows.kind = 0;
        rows.plane = 0;
    }
    RegionSource src{doc->width, doc->height, DocRows::Row, &rows};
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    CanvReportProgress(14, (LPARAM)kSelEscToStop);
    RegionResult result;
    if (!FindColorRegion(src, x, y, kSelRegionTolerance, &result, EscDown)) {
        SetCursor(previous);
        return 0;
    }
    if (add) {
        if (!SelCreateMask(doc, 0)) {
            SetCursor(previous);
            return 0;
        }
    } else if (doc->selectionMask) {
        // The mask in place is reused: protected everywhere but the region.
        std::vector<uint8_t> row((size_t)doc->width, 255);
        const int last = doc->width - 1;
        for (int yy = 0; yy < doc->height; ++yy) {
            if (yy < result.y0 || yy > result.y1) {
                g_VmsStore.PutRow(doc->selectionMask, yy, 0, last, row.data());
                continue;
            }
            if (result.x0 > 0) g_VmsStore.PutRow(doc->selectionMask, yy, 0, result.x0 - 1, row.data());
            if (result.x1 < last) g_VmsStore.PutRow(doc->selectionMask, yy, result.x1 + 1, last, row.data());
        }
    } else {
        // A new mask, protected everywhere.
        VmsImage* fresh = g_VmsStore.Create(doc->width, doc->height, 8, 255, 1);
        if (!fresh) {
            ShowMessageBox(GetMessageBoxOwner(), kSelNoMemory, kSelAppTitle, kMsgOk);
            SetCursor(previous);
            return 0;
        }
        SelFreeMask(doc);
        doc->selectionMask = fresh;
    }
    // The region's rows over its columns: visited pixels become 0 (selected),
    // the others keep what the mask held (255 for a new selection).
    if (result.x1 >= result.x0) {
        const int x0 = result.x0, n = result.x1 - result.x0 + 1;
        std::vector<uint8_t> m((size_t)n);
        for (int yy = result.y0; yy <= result.y1; ++yy) {
            if (add) g_VmsStore.GetRow(doc->selectionMask, yy, x0, result.x1, m.data());
            else std::fill(m.begin(), m.end(), 255);
            const uint64_t* v = &result.visited[(size_t)yy * result.stride];
            for (int i = x0 >> 6; i <= result.x1 >> 6; ++i) {
                uint64_t bitsLeft = v[i];
                if (bitsLeft == ~0ull && (i << 6) >= x0 && (i << 6) + 63 <= result.x1) {
                    std::memset(&m[(size_t)((i << 6) - x0)], 0, 64);
                    continue;
                }
                while (bitsLeft) {
                    m[(size_t)((i << 6) + __builtin_ctzll(bitsLeft) - x0)] = 0;
                    bitsLeft &= bitsLeft - 1;
                }
            }
            g_VmsStore.PutRow(doc->selectionMask, yy, x0, result.x1, m.data());
        }
    }
    SelShape& s = c_SelectionTool::Current(doc);
    if (add || result.x1 < result.x0) {
        s.x0 = 0;
        s.y0 = 0;
        s.x1 = add ? doc->width - 1 : -1;
        s.y1 = add ? doc->height - 1 : -1;
    } else {
        s.x0 = result.x0;
        s.y0 = result.y0;
        s.x1 = result.x1;
        s.y1 = result.y1;
    }
    SetCursor(previous);
    return 1;
}

void StartColorRegion(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    // Drawn outlines of the previous shape go first.
    c_SelectionTool::DrawOutline(doc, nullptr);
    const bool add = SelShiftDown() && doc->selectionMask != nullptr;
    const POINT p = SelCursorImage(doc);
    const SelShape before = s;
    s.kind = CMD_TOOL_COLORREGION;
    s.count = 0;
    if (!ColorRegionFill(doc, p.x, p.y, add ? 1 : 0)) {
        s.kind = before.kind;
        s.x0 = before.x0;
        s.y0 = before.y0;
        s.x1 = before.x1;
        s.y1 = before.y1;
        SelRepaint(doc);
        SelClearStatus();
        return;
    }
    c_SelectionTool::CommitShape(doc, 1);
    SelClearStatus();
}
