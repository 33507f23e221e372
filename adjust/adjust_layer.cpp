#include "adjust/adjust_layer.h"

#include <algorithm>
#include <vector>

#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "image/progress.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/tone_mask.h"

ToneBalance ToneBalanceState;

namespace {

const auto& P = ProductTable;

LayerPlane* Current(CanvDoc* doc) { return &doc->planes[doc->currentPlane]; }

// Selection mask row in canvas coordinates (0 selected); zeros where there is
// no mask or outside it.
void MaskRow(const CanvDoc* doc, int y, int x0, int x1, uint8_t* row) {
    const int n = x1 - x0 + 1;
    std::fill(row, row + n, (uint8_t)0);
    const VmsImage* mask = doc->selectionMask;
    if (!mask || y < 0 || y >= mask->height) return;
    const int a = std::max(x0, 0), b = std::min(x1, mask->width - 1);
    if (a > b) return;
    g_VmsStore.GetRow(mask, y, a, b, row + (a - x0));
}

void ProgressAt(int i, int height) {
    if (i % 20 == 0 && height > 0) SendProgress(i * 100 / height);
}

}  // namespace

RECT AdjustToneBox(const CanvDoc* doc) {
    const SelShape& committed = doc->selShapes[0];
    if (committed.kind != 0) return RECT{committed.x0, committed.y0, committed.x1, committed.y1};
    const LayerPlane* plane = &doc->planes[doc->currentPlane];
    return RECT{plane->x, plane->y, plane->x + plane->width - 1, plane->y + plane->height - 1};
}

void AdjustWeightRow(CanvDoc* doc, int y, int x0, int x1, int useMask, const RECT& toneBox, uint8_t* weights) {
    const int n = x1 - x0 + 1;
    if (n <= 0) return;
    std::vector<uint8_t> sel((size_t)n, 0), protect((size_t)n, 0), tone((size_t)n);
    c_ToneMask::MakeRow(y, x0, x1, toneBox.left, toneBox.top, toneBox.right, toneBox.bottom, tone.data(), 1);
    if (useMask) MaskRow(doc, y, x0, x1, sel.data());
    const bool imagePlane = doc->currentPlane % CanvPlanesPerLayer == 0;
    if (imagePlane) {
        PenCanvas view;
        MakePenCanvas(doc, &view);
        c_PenEngine::GetProtectRow(&view, y, x0, x1, protect.data(), doc->currentPlane);
    }
    const int opacity = std::clamp(PenOpacity, 0, 255);
    for (int i = 0; i < n; ++i) {
        const int s = imagePlane ? P[255 - sel[i]][255 - protect[i]] : 255 - sel[i];
        weights[i] = P[P[s][tone[i]]][opacity];
    }
}

VmsImage* CopyCurrentPlane(CanvDoc* doc) {
    const LayerPlane* plane = Current(doc);
    if (!plane->image) return nullptr;
    VmsImage* copy = g_VmsStore.Create(plane->image->width, plane->image->height, 32, 0, 0);
    if (!copy) return nullptr;
    if (plane->image->bits == 32) {
        if (!g_VmsStore.Copy(copy, plane->image)) g_VmsStore.Free(&copy);
        return copy;
    }
    std::vector<uint32_t> row((size_t)plane->width);
    for (int y = 0; y < plane->height; ++y) {
        GetPlaneRow(doc, plane->y + y, plane->x, plane->x + plane->width - 1, row.data());
        g_VmsStore.PutRow(copy, y, 0, plane->width - 1, row.data());
    }
    return copy;
}

int RestoreCurrentPlane(CanvDoc* doc, const VmsImage* copy) {
    const LayerPlane* plane = Current(doc);
    if (!plane->image || !copy || copy->width != plane->width || copy->height != plane->height) return 0;
    if (plane->image->bits == 32) return g_VmsStore.Copy(plane->image, copy);
    std::vector<uint32_t> row((size_t)plane->width);
    for (int y = 0; y < plane->height; ++y) {
        g_VmsStore.GetRow(copy, y, 0, plane->width - 1, row.data());
        PutPlaneRow(doc, plane->y + y, plane->x, plane->x + plane->width - 1, row.data());
    }
    return 1;
}

int WeightedWriteBack(CanvDoc* doc, const VmsImage* adjusted, int useMask) {
    const LayerPlane* plane = Current(doc);
    const int w = plane->width, h = plane->height;
    if (!plane->image || !adjusted || adjusted->width != w || adjusted->height != h) return 0;
    std::vector<uint32_t> a((size_t)w), o((size_t)w);
    std::vector<uint8_t> weight((size_t)w);
    const int x0 = plane->x, x1 = plane->x + w - 1;
    const RECT toneBox = AdjustToneBox(doc);
    for (int i = 0; i < h; ++i) {
        ProgressAt(i, h);
        g_VmsStore.GetRow(adjusted, i, 0, w - 1, a.data());
        GetPlaneRow(doc, plane->y + i, x0, x1, o.data());
        AdjustWeightRow(doc, plane->y + i, x0, x1, useMask, toneBox, weight.data());
        for (int x = 0; x < w; ++x) {
            const int c = weight[x];
            uint32_t out = o[x] & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const int av = (a[x] >> shift) & 255, ov = (o[x] >> shift) & 255;
                out |= (uint32_t)std::min(255, P[av][c] + P[ov][255 - c]) << shift;
            }
            o[x] = out;
        }
        PutPlaneRow(doc, plane->y + i, x0, x1, o.data());
    }
    RedrawCanvas(doc);
    SendProgressEnd();
    return 1;
}

void CrctExecLayer(CanvDoc* doc, const ToneCurveRecord* rec, const uint8_t (*channel)[256]) {
    const LayerPlane* plane = Current(doc);
    if (!plane->image) return;
    const int w = plane->width, h = plane->height;
    const int x0 = plane->x + rec->boxX, x1 = x0 + w - 1;
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> weight((size_t)w);
    const RECT toneBox = AdjustToneBox(doc);
    for (int i = 0; i < h; ++i) {
        ProgressAt(i, h);
        const int y = plane->y + rec->boxY + i;
        GetPlaneRow(doc, y, x0, x1, row.data());
        AdjustWeightRow(doc, y, x0, x1, 1, toneBox, weight.data());
        CrctRow(row.data(), w, rec->channel, rec->table1, rec->table2, channel, weight.data());
        PutPlaneRow(doc, y, x0, x1, row.data());
    }
    RedrawCanvas(doc);
    SendProgressEnd();
}

void ApplyBrContToLayer(CanvDoc* doc, const BrContValues& values) {
    BrContTables tables;
    BuildBrContTables(values, &tables);
    ToneCurveRecord rec = {};
    std::copy(tables.contrast, tables.contrast + 256, rec.table1);
    std::copy(tables.brightness, tables.brightness + 256, rec.table2);
    rec.channel = 20;
    CrctExecLayer(doc, &rec, nullptr);
    rec.channel = values.model == 1 ? 21 : 22;
    CrctExecLayer(doc, &rec, tables.channel);
    std::copy(tables.vividness, tables.vividness + 256, rec.table1);
    rec.channel = 25;
    CrctExecLayer(doc, &rec, nullptr);
}

namespace {

int ApplyThroughCopy(CanvDoc* doc, int (*adjust)(VmsImage*, int), int level) {
    VmsImage* copy = CopyCurrentPlane(doc);
    if (!copy) return 0;
    adjust(copy, level);
    const int done = WeightedWriteBack(doc, copy, 1);
    g_VmsStore.Free(&copy);
    return done;
}

}  // namespace

int ApplyDodgeBurnToLayer(CanvDoc* doc, int burn, int level) {
    return ApplyThroughCopy(doc, burn ? c_Dib::ApplyBurn : c_Dib::ApplyDodge, std::clamp(level, 0, 40) * 140 / 40);
}

int ApplyOndoToLayer(CanvDoc* doc, int level) {
    return ApplyThroughCopy(doc, c_Dib::ApplyColourTemperature, std::clamp(level, -20, 20));
}

// ---------------------------------------------------------------------------
// Automatic tone balance.

namespace {

int ChannelValue(uint32_t word, int mode) {
    const int r = (word >> 16) & 255, g = (word >> 8) & 255, b = word & 255;
    switch (mode) {
    case 1: return r;
    case 2: return g;
    case 3: return b;
    default: return std::max(r, std::max(g, b));
    }
}

}  // namespace

void BuildToneHistogram(CanvDoc* doc, ToneBalance* tb) {
    std::fill(tb->counts, tb->counts + 256, 0);
    tb->largest = 0;
    const LayerPlane* plane = Current(doc);
    uint64_t n = 0;
    if (plane->image) {
        // Only the part of the plane that lies on the canvas.
        const int x0 = std::max(plane->x, 0), x1 = std::min(plane->x + plane->width, doc->width) - 1;
        const int y0 = std::max(plane->y, 0), y1 = std::min(plane->y + plane->height, doc->height) - 1;
        if (x0 <= x1) {
            std::vector<uint32_t> row((size_t)(x1 - x0 + 1));
            for (int y = y0; y <= y1; ++y) {
                GetPlaneRow(doc, y, x0, x1, row.data());
                for (uint32_t word : row) ++tb->counts[ChannelValue(word, tb->channelMode)];
                n += row.size();
            }
        }
    }
    for (uint64_t c : tb->counts) tb->largest = std::max(tb->largest, c);
    auto first = [&](uint64_t threshold, bool strictly, int none) {
        uint64_t sum = 0;
        for (int v = 0; v < 256; ++v) {
            sum += tb->counts[v];
            if (strictly ? sum > threshold : sum >= threshold) return v;
        }
        return none;
    };
    tb->sixty = n ? first(n * 60 / 100, false, 255) : 0;
    tb->black = n ? first(n / 100, true, 255) : 255;
    tb->white = n ? first(n * 99 / 100, false, 0) : 0;
}

int ToneBalanceValue(const ToneBalance& tb, int v) {
    const int up = std::max(1, tb.white - tb.mid);
    const int down = std::max(1, tb.mid - tb.black);
    const int out = v < tb.mid ? (v - tb.black) * 127 / down : 127 + (v - tb.mid) * 128 / up;
    return std::clamp(out, 0, 255);
}

int ApplyAutoToneBalance(CanvDoc* doc) {
    ToneBalance& tb = ToneBalanceState;
    BuildToneHistogram(doc, &tb);
    tb.mid = (tb.black + tb.white) / 2;
    return ApplyToneBalanceToPlane(doc);
}

int ApplyToneBalanceToPlane(CanvDoc* doc) {
    const ToneBalance& tb = ToneBalanceState;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = (uint8_t)ToneBalanceValue(tb, v);
    const LayerPlane* plane = Current(doc);
    if (!plane->image) return 1;
    const int w = plane->width, h = plane->height, x0 = plane->x, x1 = plane->x + w - 1;
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> weight((size_t)w);
    const RECT toneBox = AdjustToneBox(doc);
    for (int i = 0; i < h; ++i) {
        ProgressAt(i, h);
        const int y = plane->y + i;
        GetPlaneRow(doc, y, x0, x1, row.data());
        AdjustWeightRow(doc, y, x0, x1, 1, toneBox, weight.data());
        for (int x = 0; x < w; ++x) {
            const int c = weight[x];
            uint32_t out = row[x];
            for (int k = 0; k < 3; ++k) {
                const bool affected = tb.channelMode == 0 || tb.channelMode == 3 - k;   // k 0 blue .. 2 red
                if (!affected) continue;
                const int shift = 8 * k;
                const int v = (row[x] >> shift) & 255;
                const int nv = std::min(255, P[table[v]][c] + P[v][255 - c]);
                out = (out & ~(255u << shift)) | ((uint32_t)nv << shift);
            }
            row[x] = out;
        }
        PutPlaneRow(doc, y, x0, x1, row.data());
    }
    RedrawCanvas(doc);
    SendProgressEnd();
    return 1;
}
