// The compositor and the repaint of the display surface.
#include "canvas/canv_compose.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/drawutil.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/colour_model.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/vms_store.h"

namespace {

const uint8_t kDitherMask[8][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x88, 0x00, 0x00, 0x00, 0x88, 0x00, 0x00, 0x00},
    {0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00}, {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
    {0xAA, 0x55, 0xAA, 0xDD, 0xAA, 0x55, 0xAA, 0xDD}, {0xAA, 0x77, 0xAA, 0xFF, 0xAA, 0x77, 0xAA, 0xFF},
    {0xAA, 0xFF, 0xBB, 0xFF, 0xAA, 0xFF, 0xBB, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
};

// Row buffers of the GUI thread.
struct Rows {
    std::vector<uint32_t> composed, layer;
    std::vector<uint8_t> alpha, mask;
    void Fit(size_t n) {
        if (composed.size() < n) {
            composed.resize(n);
            layer.resize(n);
            alpha.resize(n);
            mask.resize(n);
        }
    }
} g_rows;

inline int Mix(int d, int x, int m) { return ProductTable[x][m] + ProductTable[d][255 - m]; }

int OverlayByte(int d, int s) {
    int x = d < 128 ? 2 * d * s / 255 : 255 - 2 * (255 - d) * (255 - s) / 255;
    return x < 0 ? 0 : x > 255 ? 255 : x;
}

int HostFlag(int* flag) { return flag ? *flag : 0; }

// Selection shading and dimming of one composed row.
void ApplyOverlays(CanvDoc* doc, int y, int x0, int x1, uint32_t* c) {
    if (doc->selShapes[0].kind != 0) ShadeSelectionRow(doc, y, x0, x1, c);
    if (HostFlag(GetCanvasHost().dimOutsideLayer)) DimOutsideLayerRow(doc, y, x0, x1, c);
}

// The blended byte of mode M before mixing (modes 5 and 6 work per pixel).
template <int M>
inline int Blended(int d, int s) {
    if constexpr (M == BlendNormal) return s;
    if constexpr (M == BlendMultiply) return ProductTable[s][d];
    if constexpr (M == BlendLighten) return s > d ? s : d;
    if constexpr (M == BlendDarken) return s < d ? s : d;
    if constexpr (M == BlendHighlight) return s + d > 255 ? 255 : s + d;
    if constexpr (M == BlendDifference) return s > d ? s - d : d - s;
    if constexpr (M == BlendOverlay) return OverlayByte(d, s);
    return d;
}

// Blends the layer row S (weights m) over C for pixels from..to-1: per byte
// mix(D, X, m) = T[X][m] + T[D][255 - m], the two table rows taken once a pixel.
template <int M>
void BlendRunMode(uint32_t* c, const uint32_t* s, const uint8_t* m, int from, int to) {
    for (int k = from; k < to; ++k) {
        const int w = m[k];
        if (w == 0) continue;
        const uint8_t* on = ProductTable[w];
        const uint8_t* under = ProductTable[255 - w];
        const uint32_t d = c[k], v = s[k];
        const int d0 = d & 255, d1 = (d >> 8) & 255, d2 = (d >> 16) & 255;
        const int x0 = Blended<M>(d0, v & 255), x1 = Blended<M>(d1, (v >> 8) & 255), x2 = Blended<M>(d2, (v >> 16) & 255);
        c[k] = (uint32_t)(on[x0] + under[d0]) | ((uint32_t)(on[x1] + under[d1]) << 8) |
               ((uint32_t)(on[x2] + under[d2]) << 16);
    }
}

void BlendRun(int mode, uint32_t* c, const uint32_t* s, const uint8_t* m, int from, int to) {
    switch (mode) {
    case BlendNormal: BlendRunMode<BlendNormal>(c, s, m, from, to); return;
    case BlendMultiply: BlendRunMode<BlendMultiply>(c, s, m, from, to); return;
    case BlendLighten: BlendRunMode<BlendLighten>(c, s, m, from, to); return;
    case BlendDarken: BlendRunMode<BlendDarken>(c, s, m, from, to); return;
    case BlendHighlight: BlendRunMode<BlendHighlight>(c, s, m, from, to); return;
    case BlendDifference: BlendRunMode<BlendDifference>(c, s, m, from, to); return;
    case BlendOverlay: BlendRunMode<BlendOverlay>(c, s, m, from, to); return;
    default:
        for (int k = from; k < to; ++k)
            if (m[k]) c[k] = BlendPixel(mode, c[k], s[k], m[k]);
        return;
    }
}

// The result image of a rectangle, with the row buffers made wide enough.
DibImage* NewResult(int x0, int y0, int x1, int y1) {
    const int n = x1 - x0 + 1, h = y1 - y0 + 1;
    if (n < 1 || h < 1) return nullptr;
    g_rows.Fit((size_t)n);
    return c_DibImageOps::Create(n, h, 24);
}

// Composed rows of the layers over white, or from the first visible layer.
DibImage* ComposeLayers(CanvDoc* doc, int x0, int y0, int x1, int y1, int baseFromFirstLayer, int overlays) {
    const int n = x1 - x0 + 1;
    DibImage* out = NewResult(x0, y0, x1, y1);
    if (!out) return nullptr;
    uint32_t* c = g_rows.composed.data();
    uint32_t* s = g_rows.layer.data();
    uint8_t* a = g_rows.alpha.data();
    for (int y = y0; y <= y1; ++y) {
        for (int k = 0; k < n; ++k) c[k] = 0xFFFFFFu;
        bool first = true;
        for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
            const LayerPlane* p = LayerBase(doc, l);
            if (p->blendMode == BlendHidden || y < p->y || y >= p->y + p->height) continue;
            const int lx0 = p->x > x0 ? p->x : x0;
            const int lx1 = p->x + p->width - 1 < x1 ? p->x + p->width - 1 : x1;
            if (lx0 > lx1) continue;
            const int from = lx0 - x0, to = lx1 - x0 + 1;
            g_VmsStore.GetRow(p->image, y - p->y, lx0 - p->x, lx1 - p->x, s + from);
            if (baseFromFirstLayer && first) {
                // The first layer is the background; it is not blended over itself.
                for (int k = from; k < to; ++k) c[k] = s[k] & 0xFFFFFFu;
                first = false;
                continue;
            }
            first = false;
            GetLayerAlphaRow(doc, y, lx0, lx1, a + from, l * CanvPlanesPerLayer);
            const int opacity = 255 - p->transparency;
            if (opacity <= 0) continue;
            for (int k = from; k < to; ++k) a[k] = ProductTable[a[k]][opacity];
            BlendRun(p->blendMode, c, s, a, from, to);
        }
        if (overlays) ApplyOverlays(doc, y, x0, x1, c);
        c_DibImageOps::PutRow32(out, y - y0, 0, n - 1, c);
    }
    return out;
}

// The current plane n (1..7) in red over its layer alone on black.
DibImage* ComposePlaneRed(CanvDoc* doc, int x0, int y0, int x1, int y1, int overlays) {
    const int layer = LayerOf(doc->currentPlane);
    const LayerPlane* base = LayerBase(doc, layer);
    const LayerPlane* plane = &doc->planes[doc->currentPlane];
    if (!plane->image || !base->image) return nullptr;
    const int n = x1 - x0 + 1;
    DibImage* out = NewResult(x0, y0, x1, y1);
    if (!out) return nullptr;
    uint32_t* c = g_rows.composed.data();
    uint32_t* s = g_rows.layer.data();
    uint8_t* a = g_rows.alpha.data();
    uint8_t* v = g_rows.mask.data();
    for (int y = y0; y <= y1; ++y) {
        for (int k = 0; k < n; ++k) c[k] = 0;
        const bool inside = y >= base->y && y < base->y + base->height;
        const int lx0 = base->x > x0 ? base->x : x0;
        const int lx1 = base->x + base->width - 1 < x1 ? base->x + base->width - 1 : x1;
        if (inside && lx0 <= lx1) {
            const int from = lx0 - x0, to = lx1 - x0 + 1;
            g_VmsStore.GetRow(base->image, y - base->y, lx0 - base->x, lx1 - base->x, s + from);
            GetLayerAlphaRow(doc, y, lx0, lx1, a + from, layer * CanvPlanesPerLayer);
            BlendRun(BlendNormal, c, s, a, from, to);
            g_VmsStore.GetRow(plane->image, y - plane->y, lx0 - plane->x, lx1 - plane->x, v + from);
            for (int k = from; k < to; ++k) c[k] = (c[k] & 0x00FFFFu) | ((uint32_t)v[k] << 16);
            if (overlays) ApplyOverlays(doc, y, x0, x1, c);
        }
        c_DibImageOps::PutRow32(out, y - y0, 0, n - 1, c);
    }
    return out;
}

void DrawGrid(CanvDoc* doc, HDC dc, int x0, int y0, int x1, int y1) {
    const int gw = doc->gridWidth, gh = doc->gridHeight;
    if (gw < 1 || gh < 1) return;
    const COLORREF colour = RGB(doc->gridRed, doc->gridGreen, doc->gridBlue);
    int first = (x0 - 1) <= 0 ? 0 : ((x0 - 1 + gw - 1) / gw) * gw;
    for (int x = first; x <= gw * ((x1 + 1) / gw); x += gw) {
        int sx = ImageToScreenX(doc, x);
        DrawLine(dc, sx, ImageToScreenY(doc, y0 - 1), sx, ImageToScreenY(doc, y1 + 2), colour);
    }
    first = (y0 - 1) <= 0 ? 0 : ((y0 - 1 + gh - 1) / gh) * gh;
    for (int y = first; y <= gh * ((y1 + 1) / gh); y += gh) {
        int sy = ImageToScreenY(doc, y);
        DrawLine(dc, ImageToScreenX(doc, x0 - 1), sy, ImageToScreenX(doc, x1 + 2), sy, colour);
    }
}

}  // namespace

void ComposeWholeDocument(CanvDoc* doc, int baseFromFirstLayer, ComposedRowSink put, void* user, int progress) {
    const int block = 256;
    for (int by = 0; by < doc->height; by += block) {
        const int y1 = by + block - 1 < doc->height - 1 ? by + block - 1 : doc->height - 1;
        for (int bx = 0; bx < doc->width; bx += block) {
            const int x1 = bx + block - 1 < doc->width - 1 ? bx + block - 1 : doc->width - 1;
            DibImage* tile = ComposeForDisplay(doc, bx, by, x1, y1, 0, baseFromFirstLayer);
            if (!tile) continue;
            std::vector<uint32_t> row((size_t)(x1 - bx + 1));
            for (int y = by; y <= y1; ++y) {
                c_DibImageOps::GetRow32(tile, y - by, 0, x1 - bx, row.data());
                put(user, y, bx, x1, row.data());
            }
            c_DibImageOps::Free(&tile);
        }
        if (progress) CanvReportProgress(3, (int)((int64_t)(y1 + 1) * 100 / doc->height));
    }
    if (progress) CanvReportProgress(0, 0);
}

uint32_t BlendPixel(int mode, uint32_t d, uint32_t s, int m) {
    if (mode == BlendLuminosity || mode == BlendHueSaturation) {
        int sh, ss, sv, dh, ds, dv, r, g, b;
        ConvertRgbToHsv((s >> 16) & 255, (s >> 8) & 255, s & 255, &sh, &ss, &sv, 1);
        ConvertRgbToHsv((d >> 16) & 255, (d >> 8) & 255, d & 255, &dh, &ds, &dv, 1);
        if (mode == BlendLuminosity) ConvertHsvToRgb(dh, ds, sv, &r, &g, &b, 1);
        else ConvertHsvToRgb(sh, ss, dv, &r, &g, &b, 1);
        const uint32_t x = ((uint32_t)r << 16) | ((uint32_t)g << 8) | (uint32_t)b;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8)
            out |= (uint32_t)Mix((d >> shift) & 255, (x >> shift) & 255, m) << shift;
        return out;
    }
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (uint32_t)BlendByte(mode, (d >> shift) & 255, (s >> shift) & 255, m) << shift;
    return out;
}

int BlendByte(int mode, int d, int s, int m) {
    int x;
    switch (mode) {
    case BlendNormal: x = s; break;
    case BlendMultiply: x = ProductTable[s][d]; break;
    case BlendLighten: x = s > d ? s : d; break;
    case BlendDarken: x = s < d ? s : d; break;
    case BlendHighlight: x = s + d > 255 ? 255 : s + d; break;
    case BlendDifference: x = std::abs(s - d); break;
    case BlendOverlay: x = OverlayByte(d, s); break;
    default: return d;
    }
    return Mix(d, x, m);
}

DibImage* ComposeRows(CanvDoc* doc, int x0, int y0, int x1, int y1, int baseFromFirstLayer, int overlays) {
    return ComposeLayers(doc, x0, y0, x1, y1, baseFromFirstLayer, overlays);
}

DibImage* ComposeForDisplay(CanvDoc* doc, int x0, int y0, int x1, int y1, int overlays, int baseFromFirstLayer) {
    if (!doc || doc->currentPlane < 0 || doc->currentPlane >= CanvMaxPlanes) return nullptr;
    switch (doc->planes[doc->currentPlane].kind) {
    case PlaneKindColour: return ComposeLayers(doc, x0, y0, x1, y1, baseFromFirstLayer, overlays);
    case PlaneKindChannel: return ComposePlaneRed(doc, x0, y0, x1, y1, overlays);
    default: return nullptr;
    }
}

void ShadeSelectionRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* row) {
    const int style = HostFlag(GetCanvasHost().selShadeStyle);
    if (style == 0 || !doc->selectionMask) return;
    const int n = x1 - x0 + 1;
    std::vector<uint8_t> s((size_t)n, 0);
    g_VmsStore.GetRow(doc->selectionMask, y, x0, x1, s.data());
    int cell = ScreenToImageX(doc, 8);
    if (cell < 1) cell = 1;
    const bool rowOdd = (y % (2 * cell)) >= cell;
    for (int k = 0; k < n; ++k) {
        if (!s[k]) continue;
        const int x = x0 + k;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int v = (row[k] >> shift) & 255, shaded;
            if (style == 1) shaded = (v * 15 >> 4) + ((((x % (2 * cell)) >= cell) == rowOdd) ? 16 : 0);
            else shaded = v * 7 >> 3;
            out |= (uint32_t)Mix(v, shaded > 255 ? 255 : shaded, s[k]) << shift;
        }
        row[k] = out;
    }
}

void DimOutsideLayerRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* row) {
    const LayerPlane* p = &doc->planes[doc->currentPlane];
    const bool rowOutside = y < p->y || y >= p->y + p->height;
    for (int k = 0; k <= x1 - x0; ++k) {
        const int x = x0 + k;
        if (!rowOutside && x >= p->x && x < p->x + p->width) continue;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) out |= (uint32_t)(4 * ((row[k] >> shift) & 255) / 5) << shift;
        row[k] = out;
    }
}

void DitherTileTo15Bit(DibImage* tile, int originX, int originY, int screenDepth) {
    if (!tile || (screenDepth != 15 && screenDepth != 16)) return;
    std::vector<uint32_t> row((size_t)tile->width);
    for (int i = 0; i < tile->height; ++i) {
        c_DibImageOps::GetRow32(tile, i, 0, tile->width - 1, row.data());
        const int r = ((originY + i) % 8 + 8) % 8;
        for (int j = 0; j < tile->width; ++j) {
            const int bit = 1 << (((originX + j) % 8 + 8) % 8);
            uint32_t out = row[j] & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                int v = (row[j] >> shift) & 255;
                int q = v >> 3;
                if (v < 248 && (kDitherMask[v % 8][r] & bit)) ++q;
                out |= (uint32_t)(q * 255 / 31) << shift;
            }
            row[j] = out;
        }
        c_DibImageOps::PutRow32(tile, i, 0, tile->width - 1, row.data());
    }
}

void RenderCanvasTile(CanvDoc* doc, HDC dc, int originX, int originY, int x0, int y0, int x1, int y1, int offsetX,
                      int offsetY) {
    DibImage* composed = ComposeForDisplay(doc, x0, y0, x1, y1, 1, 0);
    if (!composed) return;
    HDC own = nullptr;
    if (!dc) dc = own = GetDC(doc->display);
    const int depth = HostFlag(GetCanvasHost().screenDepth);
    if (doc->zoom != 100.0) {
        const int sx = ImageToScreenX(doc, x0), sy = ImageToScreenY(doc, y0);
        const int w = ImageToScreenX(doc, x1 + 1) - sx, h = ImageToScreenY(doc, y1 + 1) - sy;
        DibImage* zoomed = w > 0 && h > 0 ? c_DibImageOps::Create(w, h, 24) : nullptr;
        if (zoomed) {
            const int cw = composed->width, ch = composed->height;
            std::vector<int> column((size_t)w);
            for (int j = 0; j < w; ++j) {
                int c = ScreenToImageX(doc, sx + j) - x0;
                column[j] = c < 0 ? 0 : c >= cw ? cw - 1 : c;
            }
            std::vector<uint32_t> src((size_t)cw), dst((size_t)w);
            int lastRow = -1;
            for (int i = 0; i < h; ++i) {
                int r = ScreenToImageY(doc, sy + i) - y0;
                r = r < 0 ? 0 : r >= ch ? ch - 1 : r;
                if (r != lastRow) {
                    c_DibImageOps::GetRow32(composed, r, 0, cw - 1, src.data());
                    for (int j = 0; j < w; ++j) dst[j] = src[column[j]];
                    lastRow = r;
                }
                c_DibImageOps::PutRow32(zoomed, i, 0, w - 1, dst.data());
            }
            DitherTileTo15Bit(zoomed, originX + offsetX, originY + offsetY, depth);
            c_DibImageOps::Draw(dc, zoomed, sx, sy);
            c_DibImageOps::Free(&zoomed);
        }
    } else {
        DitherTileTo15Bit(composed, originX + offsetX, originY + offsetY, depth);
        c_DibImageOps::Draw(dc, composed, originX + offsetX, originY + offsetY);
    }
    c_DibImageOps::Free(&composed);
    if (doc->gridShown) DrawGrid(doc, dc, x0, y0, x1, y1);
    if (own) ReleaseDC(doc->display, own);
}

void RenderCanvasRect(CanvDoc* doc, HDC dc, int dx0, int dy0, int dx1, int dy1) {
    if (!doc) return;
    const int ix0 = ScreenToImageX(doc, dx0), iy0 = ScreenToImageY(doc, dy0);
    const int ix1 = ScreenToImageX(doc, dx1), iy1 = ScreenToImageY(doc, dy1);
    if (ix1 < 0 || iy1 < 0 || ix0 > doc->width - 1 || iy0 > doc->height - 1) return;
    const int c = ImageToScreenX(doc, ix0 > 0 ? ix0 : 0), d = ImageToScreenY(doc, iy0 > 0 ? iy0 : 0);
    const int e = ImageToScreenX(doc, ix1 < doc->width - 1 ? ix1 : doc->width - 1);
    const int f = ImageToScreenY(doc, iy1 < doc->height - 1 ? iy1 : doc->height - 1);
    const int g = ((f - d + 1) / 128) * ((e - c + 1) / 128);
    const int size = g <= 1 ? 64 : 128;
    for (int ty = d; ty <= f; ty += size) {
        const int th = ty + size - 1 <= f ? size : f - ty + 1;
        for (int tx = c; tx <= e; tx += size) {
            const int tw = tx + size - 1 <= e ? size : e - tx + 1;
            const int ix = ScreenToImageX(doc, tx), iy = ScreenToImageY(doc, ty);
            // Through the first image pixel of the next tile, so that every
            // image pixel that reaches into this tile is drawn.
            int lastX = ScreenToImageX(doc, tx + tw), lastY = ScreenToImageY(doc, ty + th);
            if (lastX > doc->width - 1) lastX = doc->width - 1;
            if (lastY > doc->height - 1) lastY = doc->height - 1;
            if (lastX >= ix && lastY >= iy) RenderCanvasTile(doc, dc, c, d, ix, iy, lastX, lastY, tx - c, ty - d);
        }
    }
    // What the selection tools show over the pixels (outline, floating image)
    // is drawn again over what was rendered.
    const CanvasHost& host = GetCanvasHost();
    if (!doc->display || !host.selectionOverlays) return;
    HDC own = dc ? nullptr : GetDC(doc->display);
    const RECT paint{c, d, e, f};
    host.selectionOverlays(doc, dc ? dc : own, &paint);
    if (own) ReleaseDC(doc->display, own);
}
