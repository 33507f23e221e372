#include "select/sel_region.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "canvas/canv_compose.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_mask.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"

namespace {

inline int Channel(uint32_t w, int shift) { return (w & kRegionTransparent) ? -100 : (int)((w >> shift) & 255); }

bool EscDown() { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }

// Rows of a document's source, composed or read once each when first asked.
struct DocRows {
    CanvDoc* doc;
    int kind;         // 2 composite, 1 current plane, 0 chosen plane
    int plane;        // plane index for kinds 0 and 1
    std::vector<std::vector<uint32_t>> rows;
    static const uint32_t* Row(void* user, int y) {
        DocRows* r = (DocRows*)user;
        std::vector<uint32_t>& row = r->rows[(size_t)y];
        if (!row.empty()) return row.data();
        CanvDoc* doc = r->doc;
        const int w = doc->width;
        row.assign((size_t)w, 0);
        if (r->kind == 2) {
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
        if (!p.image || ly < 0 || ly >= p.height) return row.data();
        const int a = p.x > 0 ? p.x : 0, b = p.x + p.width - 1 < w - 1 ? p.x + p.width - 1 : w - 1;
        if (a > b) return row.data();
        if (p.image->bits == 8) {
            std::vector<uint8_t> v((size_t)(b - a + 1));
            g_VmsStore.GetRow(p.image, ly, a - p.x, b - p.x, v.data());
            for (int x = a; x <= b; ++x) row[x] = v[x - a] * 0x010101u;
        } else {
            g_VmsStore.GetRow(p.image, ly, a - p.x, b - p.x, row.data() + a);
            for (int x = a; x <= b; ++x) row[x] &= 0xFFFFFFu;
        }
        const LayerPlane& alpha = doc->planes[base + 1];
        if (r->kind == 1 && r->plane == base && alpha.image && LayerOf(r->plane) > 0) {
            std::vector<uint8_t> t((size_t)(b - a + 1));
            g_VmsStore.GetRow(alpha.image, ly, a - p.x, b - p.x, t.data());
            for (int x = a; x <= b; ++x) {
                const int tv = t[x - a];
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

}  // namespace

int FindColorRegion(const RegionSource& src, int x, int y, int tolerance, RegionResult* out, bool (*stop)()) {
    const int w = src.width, h = src.height;
    if (w <= 0 || h <= 0) return 0;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x > w - 1) x = w - 1;
    if (y > h - 1) y = h - 1;
    out->stride = (w + 7) / 8;
    out->visited.assign((size_t)out->stride * (size_t)h, 0);
    out->x0 = out->y0 = 1000000;
    out->x1 = out->y1 = -1;
    std::vector<int> stack;
    stack.reserve(4096);
    const uint32_t seed = src.row(src.user, y)[x];
    const int r0 = Channel(seed, 16), g0 = Channel(seed, 8), b0 = Channel(seed, 0);
    uint8_t* bits = out->visited.data();
    const int stride = out->stride;
    auto matches = [&](const uint32_t* row, const uint8_t* vrow, int px) {
        if ((vrow[px >> 3] >> (px & 7)) & 1) return false;
        const uint32_t c = row[px];
        return std::abs(Channel(c, 16) - r0) <= tolerance && std::abs(Channel(c, 8) - g0) <= tolerance &&
               std::abs(Channel(c, 0) - b0) <= tolerance;
    };
    for (;;) {
        const uint32_t* row = src.row(src.user, y);
        uint8_t* vrow = bits + (size_t)y * stride;
        while (x > 0 && matches(row, vrow, x - 1)) --x;
        if (stop && stop()) break;
        const uint32_t* above = y > 0 ? src.row(src.user, y - 1) : nullptr;
        const uint32_t* below = y < h - 1 ? src.row(src.user, y + 1) : nullptr;
        const uint8_t* vabove = y > 0 ? vrow - stride : nullptr;
        const uint8_t* vbelow = y < h - 1 ? vrow + stride : nullptr;
        bool upRun = false, downRun = false;
        const int start = x;
        while (x <= w - 1 && matches(row, vrow, x)) {
            vrow[x >> 3] |= (uint8_t)(1 << (x & 7));
            if (above) {
                if (matches(above, vabove, x)) {
                    if (!upRun) {
                        stack.push_back(x);
                        stack.push_back(y - 1);
                        upRun = true;
                    }
                } else {
                    upRun = false;
                }
            }
            if (below) {
                if (matches(below, vbelow, x)) {
                    if (!downRun) {
                        stack.push_back(x);
                        stack.push_back(y + 1);
                        downRun = true;
                    }
                } else {
                    downRun = false;
                }
            }
            ++x;
        }
        if (x > start) {
            if (start < out->x0) out->x0 = start;
            if (x - 1 > out->x1) out->x1 = x - 1;
            if (y < out->y0) out->y0 = y;
            if (y > out->y1) out->y1 = y;
        }
        if (stack.empty()) break;
        y = stack.back();
        stack.pop_back();
        x = stack.back();
        stack.pop_back();
    }
    return 1;
}

int ColorRegionFill(CanvDoc* doc, int x, int y, int add) {
    if (!doc) return 0;
    DocRows rows{doc, 2, doc->currentPlane, {}};
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
    rows.rows.resize((size_t)doc->height);
    RegionSource src{doc->width, doc->height, DocRows::Row, &rows};
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    CanvReportProgress(14, (LPARAM)kSelEscToStop);
    RegionResult result;
    if (!FindColorRegion(src, x, y, kSelRegionTolerance, &result, EscDown) || !SelCreateMask(doc, 0)) {
        SetCursor(previous);
        return 0;
    }
    rows.rows.clear();
    if (!add) SelFillMask(doc, 1);
    if (result.x1 >= result.x0) {
        const int w = result.x1 - result.x0 + 1;
        std::vector<uint8_t> m((size_t)w);
        for (int yy = result.y0; yy <= result.y1; ++yy) {
            SelGetMaskRow(doc, yy, result.x0, result.x1, m.data());
            for (int xx = result.x0; xx <= result.x1; ++xx)
                if (result.Visited(xx, yy)) m[xx - result.x0] = 0;
            SelPutMaskRow(doc, yy, result.x0, result.x1, m.data());
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
