#include "select/sel_mask.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "ui/msgbox.h"
#include "ui/polyfill.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_strings.h"

namespace {

void TellNoMemory() { ShowMessageBox(GetMessageBoxOwner(), kSelNoMemory, kSelAppTitle, kMsgOk); }

// Both committed and current shape become "mask only" with the box.
void BecomeMaskOnly(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    SelShape& s = doc->selShapes[5];
    s.kind = ShapeMaskOnly;
    s.x0 = x0;
    s.y0 = y0;
    s.x1 = x1;
    s.y1 = y1;
    s.count = 0;
    SelShape& c = doc->selShapes[0];
    c.kind = s.kind;
    c.x0 = x0;
    c.y0 = y0;
    c.x1 = x1;
    c.y1 = y1;
    c.count = 0;
}

void SetBoundsToSelected(CanvDoc* doc) {
    int x0, y0, x1, y1;
    SelGetSelectedBounds(doc, &x0, &y0, &x1, &y1);
    BecomeMaskOnly(doc, x0, y0, x1, y1);
}

// n passes of a 3 x 3 filter with progress on the status bar.
void Passes(CanvDoc* doc, int n, int (*pass)(VmsImage*)) {
    for (int i = 0; i < n; ++i) {
        CanvReportProgress(3, n == 1 ? i * 100 : i * 100 / (n - 1));
        pass(doc->selectionMask);
    }
    CanvReportProgress(0, 0);
}

}  // namespace

int SelCreateMask(CanvDoc* doc, int force) {
    if (!doc) return 0;
    if (doc->selectionMask && !force) return 1;
    VmsImage* fresh = g_VmsStore.Create(doc->width, doc->height, 8, 0, 1);
    if (!fresh) {
        TellNoMemory();
        return doc->selectionMask != nullptr;
    }
    g_VmsStore.Free(&doc->selectionMask);
    doc->selectionMask = fresh;
    return 1;
}

void SelFreeMask(CanvDoc* doc) {
    if (doc) g_VmsStore.Free(&doc->selectionMask);
}

void SelFillMask(CanvDoc* doc, int protect) {
    if (!doc || !doc->selectionMask) return;
    std::vector<uint8_t> row((size_t)doc->width, protect ? 255 : 0);
    for (int y = 0; y < doc->height; ++y) g_VmsStore.PutRow(doc->selectionMask, y, 0, doc->width - 1, row.data());
}

int SelGetMaskRow(const CanvDoc* doc, int y, int x0, int x1, uint8_t* buffer) {
    if (x1 < x0) return 1;
    std::memset(buffer, 0, (size_t)(x1 - x0 + 1));
    const VmsImage* mask = doc ? doc->selectionMask : nullptr;
    if (!mask || y < 0 || y >= mask->height) return 1;
    const int a = x0 < 0 ? 0 : x0, b = x1 >= mask->width ? mask->width - 1 : x1;
    if (a <= b) g_VmsStore.GetRow(mask, y, a, b, buffer + (a - x0));
    return 1;
}

int SelPutMaskRow(CanvDoc* doc, int y, int x0, int x1, const uint8_t* buffer) {
    VmsImage* mask = doc ? doc->selectionMask : nullptr;
    if (!mask || y < 0 || y >= mask->height || x1 < x0) return 1;
    const int a = x0 < 0 ? 0 : x0, b = x1 >= mask->width ? mask->width - 1 : x1;
    if (a <= b) g_VmsStore.PutRow(mask, y, a, b, buffer + (a - x0));
    return 1;
}

int SelGetMaskPixel(const CanvDoc* doc, int x, int y) {
    uint8_t v = 0;
    SelGetMaskRow(doc, y, x, x, &v);
    return v;
}

void SelSetMaskPixel(CanvDoc* doc, int x, int y, int value) {
    const uint8_t v = (uint8_t)value;
    SelPutMaskRow(doc, y, x, x, &v);
}

void SelMaskSpan(CanvDoc* doc, int y, int x0, int x1) {
    if (!doc || !doc->selectionMask || y < 0 || y >= doc->height) return;
    if (x0 > x1) std::swap(x0, x1);
    if (x0 < 0) x0 = 0;
    if (x1 > doc->width - 1) x1 = doc->width - 1;
    if (x0 > x1) return;
    static std::vector<uint8_t> zeros;
    if ((int)zeros.size() < x1 - x0 + 1) zeros.assign((size_t)(x1 - x0 + 1), 0);
    g_VmsStore.PutRow(doc->selectionMask, y, x0, x1, zeros.data());
}

void SelGetSelectedBounds(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1) {
    *x0 = INT_MAX;
    *y0 = INT_MAX;
    *x1 = INT_MIN;
    *y1 = INT_MIN;
    if (!doc) return;
    if (!doc->selectionMask) {
        *x0 = 0;
        *y0 = 0;
        *x1 = doc->width - 1;
        *y1 = doc->height - 1;
        return;
    }
    std::vector<uint8_t> row((size_t)doc->width);
    for (int y = 0; y < doc->height; ++y) {
        g_VmsStore.GetRow(doc->selectionMask, y, 0, doc->width - 1, row.data());
        int first = -1, last = -1;
        for (int x = 0; x < doc->width; ++x)
            if (row[x] != 255) {
                if (first < 0) first = x;
                last = x;
            }
        if (first < 0) continue;
        if (first < *x0) *x0 = first;
        if (last > *x1) *x1 = last;
        if (y < *y0) *y0 = y;
        *y1 = y;
    }
}

int SelClipBox(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1) {
    if (*x0 > *x1 || *y0 > *y1) return 0;
    if (*x0 < 0) *x0 = 0;
    if (*y0 < 0) *y0 = 0;
    if (*x1 > doc->width - 1) *x1 = doc->width - 1;
    if (*y1 > doc->height - 1) *y1 = doc->height - 1;
    return *x0 <= *x1 && *y0 <= *y1;
}

int SelInvert(CanvDoc* doc) {
    if (!doc) return 0;
    const bool had = doc->selectionMask != nullptr;
    if (!SelCreateMask(doc, 0)) return 0;
    if (!had) SelFillMask(doc, 0);
    std::vector<uint8_t> row((size_t)doc->width);
    for (int y = 0; y < doc->height; ++y) {
        g_VmsStore.GetRow(doc->selectionMask, y, 0, doc->width - 1, row.data());
        for (uint8_t& v : row) v = (uint8_t)(255 - v);
        g_VmsStore.PutRow(doc->selectionMask, y, 0, doc->width - 1, row.data());
    }
    SetBoundsToSelected(doc);
    return 1;
}

int SelGrow(CanvDoc* doc, int n) {
    if (!doc || !doc->selectionMask || n <= 0) return 0;
    Passes(doc, n, c_Dib::MinFilter8);
    const SelShape& s = doc->selShapes[5];
    int x0 = s.x0 > n ? s.x0 - n - 1 : 0, y0 = s.y0 > n ? s.y0 - n - 1 : 0;
    int x1 = s.x1 + n + 1, y1 = s.y1 + n + 1;
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    // The box stays on the canvas.
    if (x1 > doc->width - 1) x1 = doc->width - 1;
    if (y1 > doc->height - 1) y1 = doc->height - 1;
    BecomeMaskOnly(doc, x0, y0, x1, y1);
    return 1;
}

int SelShrink(CanvDoc* doc, int n) {
    if (!doc || !doc->selectionMask || n <= 0) return 0;
    Passes(doc, n, c_Dib::MaxFilter8);
    const SelShape& s = doc->selShapes[5];
    int x0 = s.x0 + n - 1, y0 = s.y0 + n - 1;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    int x1 = s.x1 >= n - 1 ? s.x1 - n + 1 : 0, y1 = s.y1 >= n - 1 ? s.y1 - n + 1 : 0;
    BecomeMaskOnly(doc, x0, y0, x1, y1);
    return 1;
}

int SelBlur(CanvDoc* doc, int quick, int n) {
    if (!doc || !doc->selectionMask) return 0;
    const SelShape& s = doc->selShapes[5];
    int x0, y0, x1, y1;
    if (quick) {
        c_Dib::MaxFilter8(doc->selectionMask);
        c_Dib::MeanFilter8(doc->selectionMask);
        x0 = s.x0 + 1;
        y0 = s.y0 + 1;
        x1 = s.x1 - 1;
        y1 = s.y1 - 1;
        if (x0 < 0) x0 = 0;
        if (y0 < 0) y0 = 0;
        if (x1 < 0) x1 = 0;
        if (y1 < 0) y1 = 0;
    } else {
        if (n <= 0) return 0;
        c_Dib::BlurBox8(doc->selectionMask, n);
        x0 = s.x0 > n ? s.x0 - n - 1 : 0;
        y0 = s.y0 > n ? s.y0 - n - 1 : 0;
        x1 = s.x1 + n + 1 > doc->width - 1 ? doc->width - 1 : s.x1 + n + 1;
        y1 = s.y1 + n + 1 > doc->height - 1 ? doc->height - 1 : s.y1 + n + 1;
    }
    BecomeMaskOnly(doc, x0, y0, x1, y1);
    return 1;
}

namespace {

// One box mean of radius r over a w x h block of bytes, first along the rows,
// then down the columns (running sums; the edges repeat their last value).
// The means come from a table of the rounded quotients.
void BoxMean(std::vector<uint8_t>& px, int w, int h, int r) {
    const int span = 2 * r + 1;
    std::vector<uint8_t> quotient((size_t)(255 * span + 1));
    for (size_t k = 0; k < quotient.size(); ++k) quotient[k] = (uint8_t)((k + (size_t)r) / (size_t)span);
    const uint8_t* q = quotient.data();
    std::vector<uint8_t> line((size_t)(w > h ? w : h));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = &px[(size_t)y * w];
        std::copy(row, row + w, line.begin());
        const uint8_t* l = line.data();
        int sum = 0;
        for (int k = -r; k <= r; ++k) sum += l[std::clamp(k, 0, w - 1)];
        int x = 0;
        // Near the left edge, the interior, near the right edge.
        for (; x < w && x - r < 0; ++x) {
            row[x] = q[sum];
            sum += l[std::min(x + r + 1, w - 1)] - l[0];
        }
        for (; x + r + 1 <= w - 1; ++x) {
            row[x] = q[sum];
            sum += l[x + r + 1] - l[x - r];
        }
        for (; x < w; ++x) {
            row[x] = q[sum];
            sum += l[w - 1] - l[x - r];
        }
    }
    std::vector<int> sums((size_t)w, 0);
    std::vector<uint8_t> out((size_t)w * h);
    for (int k = -r; k <= r; ++k) {
        const uint8_t* row = &px[(size_t)std::clamp(k, 0, h - 1) * w];
        for (int x = 0; x < w; ++x) sums[x] += row[x];
    }
    int* sm = sums.data();
    for (int y = 0; y < h; ++y) {
        uint8_t* o = &out[(size_t)y * w];
        for (int x = 0; x < w; ++x) o[x] = q[sm[x]];
        const uint8_t* add = &px[(size_t)std::min(y + r + 1, h - 1) * w];
        const uint8_t* sub = &px[(size_t)std::max(y - r, 0) * w];
        for (int x = 0; x < w; ++x) sm[x] += add[x] - sub[x];
    }
    px.swap(out);
}

}  // namespace

int SelBlurMaskArea(VmsImage* mask, int n, int x0, int y0, int x1, int y1) {
    if (!mask || mask->bits != 8 || n <= 0) return 0;
    // The area and a margin of the blur's reach, on the mask.
    x0 = std::max(x0 - 2 * n, 0);
    y0 = std::max(y0 - 2 * n, 0);
    x1 = std::min(x1 + 2 * n, mask->width - 1);
    y1 = std::min(y1 + 2 * n, mask->height - 1);
    if (x0 > x1 || y0 > y1) return 0;
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    std::vector<uint8_t> px;
    px.resize((size_t)w * h);
    for (int y = 0; y < h; ++y) g_VmsStore.GetRow(mask, y0 + y, x0, x1, &px[(size_t)y * w]);
    // Two box means: a tent of reach n, centred on every pixel.
    const int r = n / 2 > 0 ? n / 2 : 1;
    BoxMean(px, w, h, r);
    BoxMean(px, w, h, r);
    for (int y = 0; y < h; ++y) g_VmsStore.PutRow(mask, y0 + y, x0, x1, &px[(size_t)y * w]);
    return 1;
}

void SelSoftenMask(CanvDoc* doc, int n) {
    if (!doc || !doc->selectionMask || n <= 0) return;
    int x0 = doc->selShapes[0].x0, y0 = doc->selShapes[0].y0, x1 = doc->selShapes[0].x1, y1 = doc->selShapes[0].y1;
    if (!SelClipBox(doc, &x0, &y0, &x1, &y1)) return;
    SelBlurMaskArea(doc->selectionMask, n, x0, y0, x1, y1);
    for (int i = 0; i < n; ++i) c_Dib::MaxFilter8(doc->selectionMask);
    // The box follows the softened edge, on the canvas.
    x0 -= n;
    y0 -= n;
    x1 += n;
    y1 += n;
    SelClipBox(doc, &x0, &y0, &x1, &y1);
    for (int slot : {0, 5}) {
        doc->selShapes[slot].x0 = x0;
        doc->selShapes[slot].y0 = y0;
        doc->selShapes[slot].x1 = x1;
        doc->selShapes[slot].y1 = y1;
    }
}

void SelRectToMask(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    SelFillMask(doc, 1);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y) SelMaskSpan(doc, y, x0, x1);
}

void SelEllipseToMask(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    SelFillMask(doc, 1);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    const int cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const int r = (w > h ? w : h) / 2;
    // The midpoint circle of even sizes reaches one pixel past the box: spans
    // stay inside it.
    auto span = [&](int row, int a, int b) {
        if (row < y0 || row > y1) return;
        SelMaskSpan(doc, row, a < x0 ? x0 : a, b > x1 ? x1 : b);
    };
    int x = 0, y = r, d = 2 - 2 * r;
    for (;;) {
        if (h < w) {
            const int dy = (int)((long long)y * h / w);
            span(cy + dy, cx - x, cx + x);
            span(cy - dy, cx - x, cx + x);
        } else {
            const int dx = (int)((long long)x * w / h);
            span(cy + y, cx - dx, cx + dx);
            span(cy - y, cx - dx, cx + dx);
        }
        if (y <= 0) break;
        if (d < 0 && d + y <= 0) {
            ++x;
            d += 2 * x + 1;
        } else if (d > 0 && d - x >= 1) {
            --y;
            d += 1 - 2 * y;
        } else {
            ++x;
            --y;
            d += 2 * (x - y) + 2;
        }
    }
}

namespace {
struct SpanTarget {
    CanvDoc* doc;
};
void MaskSpanCallback(int x0, int x1, int y, void* user) { SelMaskSpan(((SpanTarget*)user)->doc, y, x0, x1); }
}  // namespace

int SelPointsToMask(CanvDoc* doc, const float* points, int count, int* bx0, int* by0, int* bx1, int* by1) {
    SelFillMask(doc, 1);
    if (count < 3) return 1;
    if (count > SelShapeMaxPoints + 1) count = SelShapeMaxPoints + 1;
    std::vector<int> xs, ys;
    xs.reserve((size_t)count);
    ys.reserve((size_t)count);
    // Far points are brought within int range before they are truncated.
    auto whole = [](float v) { return v < -1e9f ? -1000000000 : v > 1e9f ? 1000000000 : (int)v; };
    for (int i = 0; i < count; ++i) {
        xs.push_back(whole(points[2 * i]));
        ys.push_back(whole(points[2 * i + 1]));
    }
    SpanTarget target{doc};
    int a = 0, b = 0, c = 0, d = 0;
    // Only the document's rows are walked, however far the vertices lie outside.
    FillPolygonSpans(xs.data(), ys.data(), count, MaskSpanCallback, &a, &b, &c, &d, &target, 0, doc->height - 1);
    if (bx0) {
        *bx0 = a;
        *by0 = b;
        *bx1 = c;
        *by1 = d;
    }
    return 1;
}

int CopySelectionToImage(CanvDoc* doc, VmsImage** image, VmsImage** opacity) {
    *image = nullptr;
    *opacity = nullptr;
    if (!doc || doc->currentPlane % CanvPlanesPerLayer != 0) return 0;
    const SelShape& s = doc->selShapes[0];
    int x0 = 0, y0 = 0, x1 = doc->width - 1, y1 = doc->height - 1;
    if (s.kind != ShapeNone && s.kind != CMD_TOOL_SELLINE && s.kind != CMD_TOOL_POLYLINE) {
        x0 = s.x0;
        y0 = s.y0;
        x1 = s.x1;
        y1 = s.y1;
    }
    if (!SelClipBox(doc, &x0, &y0, &x1, &y1)) return 0;
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    VmsImage* colour = g_VmsStore.Create(w, h, 24, 255, 1);
    VmsImage* alpha = colour ? g_VmsStore.Create(w, h, 8, 255, 1) : nullptr;
    if (!colour || !alpha) {
        g_VmsStore.Free(&colour);
        g_VmsStore.Free(&alpha);
        return 0;
    }
    std::vector<uint32_t> words((size_t)w);
    std::vector<uint8_t> a((size_t)w), m((size_t)w);
    const int layerPlane = LayerOf(doc->currentPlane) * CanvPlanesPerLayer;
    for (int i = 0; i < h; ++i) {
        std::fill(words.begin(), words.end(), 0xFFFFFFu);
        GetPlaneRow(doc, y0 + i, x0, x1, words.data());
        g_VmsStore.PutRow(colour, i, 0, w - 1, words.data());
        std::fill(a.begin(), a.end(), 255);
        GetLayerAlphaRow(doc, y0 + i, x0, x1, a.data(), layerPlane);
        SelGetMaskRow(doc, y0 + i, x0, x1, m.data());
        for (int x = 0; x < w; ++x) a[x] = ProductTable[a[x]][255 - m[x]];
        g_VmsStore.PutRow(alpha, i, 0, w - 1, a.data());
    }
    *image = colour;
    *opacity = alpha;
    return 1;
}

int SelCommittedBox(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1) {
    const SelShape& s = doc->selShapes[0];
    *x0 = s.x0;
    *y0 = s.y0;
    *x1 = s.x1;
    *y1 = s.y1;
    if (s.kind == ShapeNone || s.kind == CMD_TOOL_SELLINE || s.kind == CMD_TOOL_POLYLINE) {
        *x0 = 0;
        *y0 = 0;
        *x1 = doc->width - 1;
        *y1 = doc->height - 1;
    }
    return SelClipBox(doc, x0, y0, x1, y1);
}

void MaskToLayerAlpha(CanvDoc* doc, int penOpacity) {
    if (!doc) return;
    const int layer = LayerOf(doc->currentPlane);
    LayerPlane* base = LayerBase(doc, layer);
    int x0, y0, x1, y1;
    if (!base->image || !SelCommittedBox(doc, &x0, &y0, &x1, &y1)) return;
    if (penOpacity < 0) penOpacity = 0;
    if (penOpacity > 255) penOpacity = 255;
    const int w = x1 - x0 + 1;
    std::vector<uint8_t> m((size_t)w), t((size_t)w);
    const int saved = doc->currentPlane;
    doc->currentPlane = layer * CanvPlanesPerLayer;
    if (layer > 0 && base[1].image) {
        for (int y = y0; y <= y1; ++y) {
            SelGetMaskRow(doc, y, x0, x1, m.data());
            GetLayerPlaneRow(doc, y, x0, x1, t.data(), 1);
            for (int x = 0; x < w; ++x) {
                // What stays of the opacity: the protected share, and of the
                // selected share what the pen's opacity does not take.
                const int keep = m[x] + ProductTable[255 - m[x]][255 - penOpacity];
                const int v = ProductTable[t[x]][keep > 255 ? 255 : keep];
                if (v < t[x]) t[x] = (uint8_t)v;
            }
            PutLayerPlaneRow(doc, y, x0, x1, t.data(), 1);
        }
    } else {
        // The base layer shows no transparency: its selected pixels become paper.
        std::vector<uint32_t> c((size_t)w);
        for (int y = y0; y <= y1; ++y) {
            SelGetMaskRow(doc, y, x0, x1, m.data());
            GetLayerPlaneRow(doc, y, x0, x1, c.data(), 0);
            for (int x = 0; x < w; ++x) {
                const int weight = ProductTable[255 - m[x]][penOpacity];
                if (!weight) continue;
                uint32_t out = 0;
                for (int k = 0; k < 24; k += 8) {
                    const int v = (int)((c[x] >> k) & 255);
                    const int o = ProductTable[255][weight] + ProductTable[v][255 - weight];
                    out |= (uint32_t)(o > 255 ? 255 : o) << k;
                }
                c[x] = out | (c[x] & 0xFF000000u);
            }
            PutLayerPlaneRow(doc, y, x0, x1, c.data(), 0);
        }
    }
    doc->currentPlane = saved;
    CanvReportProgress(0, 0);
}
