// The layer stack: slots, planes and the operations on whole layers.
#include "canvas/canv_layers.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ui/msgbox.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_window.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/tile_image.h"
#include "image/vms_store.h"

namespace {

void Tell(const char* text) { ShowMessageBox(CanvFrameWindow(), text, kAppTitle, kMsgOk); }

void FreePlaneImages(LayerPlane* p) {
    g_VmsStore.Free(&p->image);
    g_VmsStore.Free(&p->doubleImage);
    if (p->displayImage) c_DibImageOps::Free(&p->displayImage);
}

// Every row of an image set to one byte value (words of that byte at 32 bits).
void FillImage(VmsImage* image, int value) {
    if (!image) return;
    std::vector<uint32_t> row((size_t)image->width, (uint32_t)value * 0x01010101u);
    for (int y = 0; y < image->height; ++y) g_VmsStore.PutRow(image, y, 0, image->width - 1, row.data());
}

// Applies f to every byte of every row of an 8- or 32-bit image.
template <typename F>
void MapImageBytes(VmsImage* image, F f) {
    if (!image) return;
    const int bpp = image->bits == 32 ? 4 : 1;
    std::vector<uint8_t> row((size_t)image->width * bpp);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        for (size_t i = 0; i < row.size(); ++i) row[i] = f(row[i], (int)(i % bpp));
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.data());
    }
}

int FirstFreeSlot(const CanvDoc* doc) {
    for (int l = 0; l < CanvMaxLayers; ++l)
        if (!LayerInUse(doc, l)) return l;
    return -1;
}

bool NameTaken(const CanvDoc* doc, const char* name) {
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l)
        if (lstrcmpiA(LayerBase(doc, l)->name, name) == 0) return true;
    return false;
}

void Repaint(CanvDoc* doc) { RedrawCanvas(doc); }

}  // namespace

int CountLayers(const CanvDoc* doc, int onlyVisible) {
    int count = 0;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        if (!onlyVisible || l == 0) {
            ++count;
            continue;
        }
        const LayerPlane* t = LayerBase(doc, l) + 1;
        if (!t->image) continue;
        std::vector<uint8_t> row((size_t)t->image->width);
        bool any = false;
        for (int y = 0; y < t->image->height && !any; ++y) {
            g_VmsStore.GetRow(t->image, y, 0, t->image->width - 1, row.data());
            for (uint8_t v : row)
                if (v) {
                    any = true;
                    break;
                }
        }
        if (any) ++count;
    }
    return count;
}

int AddLayer(CanvDoc* doc, int x, int y, int width, int height, int layerType) {
    if (CountLayers(doc, 0) >= CanvMaxLayers) return -1;
    const int slot = FirstFreeSlot(doc);
    if (slot < 0 || width < 1 || height < 1 || width > CanvMaxSide || height > CanvMaxSide) return -1;
    LayerPlane* base = LayerBase(doc, slot);
    for (int k = 0; k < CanvPlanesPerLayer; ++k) std::memset(&base[k], 0, sizeof(LayerPlane));
    char name[40];
    for (int j = 1; j <= 128; ++j) {
        std::snprintf(name, sizeof name, "%s%d", kCanvLayerName, j);
        if (!NameTaken(doc, name)) break;
    }
    VmsImage* colour = g_VmsStore.Create(width, height, 24, 255, 1);
    VmsImage* alpha = colour ? g_VmsStore.Create(width, height, 8, 0, 1) : nullptr;
    if (!colour || !alpha) {
        g_VmsStore.Free(&colour);
        g_VmsStore.Free(&alpha);
        return -1;
    }
    for (int k = 0; k < 2; ++k) {
        LayerPlane* p = &base[k];
        p->x = x;
        p->y = y;
        p->width = width;
        p->height = height;
        p->depth = k ? 8 : 24;
        p->kind = k ? PlaneKindChannel : PlaneKindColour;
        p->image = k ? alpha : colour;
    }
    lstrcpynA(base[0].name, name, sizeof base[0].name);
    std::snprintf(base[1].name, sizeof base[1].name, "%01dT", 0);
    base[0].blendMode = BlendNormal;
    base[0].layerFlag = 1;
    base[0].layerType = layerType;
    for (int k = 2; k < CanvPlanesPerLayer; ++k) {
        base[k].x = x;
        base[k].y = y;
        base[k].width = width;
        base[k].height = height;
    }
    SetCanvasModified(doc);
    return slot * CanvPlanesPerLayer;
}

void DeleteLayer(CanvDoc* doc, int layer) {
    if (layer == 0) {
        Tell(kCanvNoDeleteBaseShort);
        return;
    }
    if (!LayerInUse(doc, layer)) return;
    LayerPlane* base = LayerBase(doc, layer);
    for (int k = 0; k < CanvPlanesPerLayer; ++k) FreePlaneImages(&base[k]);
    std::memmove(base, base + CanvPlanesPerLayer,
                 sizeof(LayerPlane) * (size_t)(CanvMaxLayers - 1 - layer) * CanvPlanesPerLayer);
    std::memset(LayerBase(doc, CanvMaxLayers - 1), 0, sizeof(LayerPlane) * CanvPlanesPerLayer);
    if (!doc->planes[doc->currentPlane].image) doc->currentPlane = 0;
    c_UndoManager::ResetCanvas(doc);
}

int MoveLayer(CanvDoc* doc, int from, int to) {
    if (from == 0 || to == 0) {
        Tell(kCanvNoMoveBase);
        return 0;
    }
    if (from == to || !LayerInUse(doc, from) || !LayerInUse(doc, to)) return 0;
    std::unique_ptr<LayerPlane[]> keep(new (std::nothrow) LayerPlane[CanvMaxPlanes]);
    if (!keep) return 0;
    std::memcpy(keep.get(), doc->planes, sizeof(LayerPlane) * CanvMaxPlanes);
    LayerPlane taken[CanvPlanesPerLayer];
    std::memcpy(taken, LayerBase(doc, from), sizeof taken);
    if (to < from)
        std::memmove(LayerBase(doc, to + 1), LayerBase(doc, to), sizeof taken * (size_t)(from - to));
    else
        std::memmove(LayerBase(doc, from), LayerBase(doc, from + 1), sizeof taken * (size_t)(to - from));
    std::memcpy(LayerBase(doc, to), taken, sizeof taken);
    if (LayerBase(doc, 0)->width != keep[0].width || LayerBase(doc, 0)->height != keep[0].height) {
        Tell(kCanvNoMoveBase);
        std::memcpy(doc->planes, keep.get(), sizeof(LayerPlane) * CanvMaxPlanes);
        return 0;
    }
    if (!doc->planes[doc->currentPlane].image) doc->currentPlane = LayerOf(doc->currentPlane) * CanvPlanesPerLayer;
    return 1;
}

int FindLayerByType(const CanvDoc* doc, int layerType) {
    for (int l = 0; l < CanvMaxLayers; ++l)
        if (LayerInUse(doc, l) && LayerBase(doc, l)->layerType == layerType) return l * CanvPlanesPerLayer;
    return -1;
}

void SetCurrentPlane(CanvDoc* doc, int index) {
    if (index < 0 || index >= CanvMaxPlanes) return;
    doc->currentPlane = index;
    const CanvasHost& host = GetCanvasHost();
    if (host.colourPage && *host.colourPage && IsWindow(*host.colourPage)) {
        SendMessageA(*host.colourPage, WM_USER + 9, 0, 0);
        SendMessageA(*host.colourPage, WM_USER + 9, 0, 0);
    }
    Repaint(doc);
    UpdateCanvasTitle(doc);
    ForgetBrushCursorPoint(doc);
}

void SetLayerSaveEnabled(CanvDoc* doc, int on, int layer) {
    if (!LayerInUse(doc, layer)) return;
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        VmsImage* image = LayerBase(doc, layer)[k].image;
        if (!image || !image->tiles) continue;
        if (on) image->tiles->EnableSave();
        else image->tiles->DisableSave();
    }
}

void SetLayerHistoryLimit(CanvDoc* doc, int limit, int layer) {
    if (!LayerInUse(doc, layer)) return;
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        VmsImage* image = LayerBase(doc, layer)[k].image;
        if (image && image->tiles) image->tiles->SetHistoryLimit(limit);
    }
}

void FreeCanvLayers(CanvDoc* doc) {
    for (int l = 0; l < CanvMaxLayers; ++l) {
        LayerPlane* base = LayerBase(doc, l);
        if (!base->image) continue;
        for (int k = 0; k < CanvPlanesPerLayer; ++k) FreePlaneImages(&base[k]);
    }
    g_VmsStore.Free(&doc->selectionMask);
}

void ClearPlane(CanvDoc* doc, int plane) {
    if (plane < 0 || plane >= CanvPlanesPerLayer) return;
    FillImage(LayerBase(doc, LayerOf(doc->currentPlane))[plane].image, 0);
    Repaint(doc);
    SetCanvasModified(doc);
}

namespace {

// The host's texture for the texture paper: a colour image, or null.
const VmsImage* PaperTexture() {
    const CanvasHost& host = GetCanvasHost();
    VmsImage* texture = host.paperTexture ? host.paperTexture() : nullptr;
    return texture && texture->bits == 32 && texture->width > 0 && texture->height > 0 ? texture : nullptr;
}

// Every row of the colour image from the texture: row y mod its height, laid
// in strips of its width from column 0.
void TileTexture(VmsImage* image, const VmsImage* texture) {
    if (!image) return;
    const int w = image->width, tw = texture->width;
    std::vector<uint32_t> source((size_t)tw), row((size_t)w);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(texture, y % texture->height, 0, tw - 1, source.data());
        for (int x = 0; x < w; x += tw)
            std::memcpy(&row[(size_t)x], source.data(), (size_t)(w - x < tw ? w - x : tw) * sizeof(uint32_t));
        g_VmsStore.PutRow(image, y, 0, w - 1, row.data());
    }
}

}  // namespace

int HasPaperTexture() { return PaperTexture() ? 1 : 0; }

int ClearImage(CanvDoc* doc, int paper) {
    LayerPlane* base = LayerBase(doc, LayerOf(doc->currentPlane));
    switch (paper) {
    case 0: FillImage(base[0].image, 255); FillImage(base[1].image, 255); break;
    case 1: FillImage(base[0].image, 0); FillImage(base[1].image, 255); break;
    case 2: {
        const VmsImage* texture = PaperTexture();
        if (!texture) return 0;   // no texture chosen: the layer stays as it is
        TileTexture(base[0].image, texture);
        FillImage(base[1].image, 255);
        break;
    }
    case 3: FillImage(base[1].image, 0); break;
    default: return 0;
    }
    Repaint(doc);
    SetCanvasModified(doc);
    return 1;
}

void InvertLayerPlane(CanvDoc* doc, int plane) {
    if (plane < 0 || plane >= CanvPlanesPerLayer) return;
    VmsImage* image = LayerBase(doc, LayerOf(doc->currentPlane))[plane].image;
    if (!image) return;
    MapImageBytes(image, [](uint8_t v, int) { return (uint8_t)(255 - v); });
    Repaint(doc);
    SetCanvasModified(doc);
}

void InvertCurrentPlane(CanvDoc* doc) {
    const int n = doc->currentPlane % CanvPlanesPerLayer;
    if (n) {
        InvertLayerPlane(doc, n);
        return;
    }
    MapImageBytes(doc->planes[doc->currentPlane].image,
                  [](uint8_t v, int byte) { return byte < 3 ? (uint8_t)(255 - v) : v; });
    Repaint(doc);
    SetCanvasModified(doc);
}

void ClearTransparency(CanvDoc* doc) {
    VmsImage* image = LayerBase(doc, LayerOf(doc->currentPlane))[1].image;
    if (!image) return;
    FillImage(image, 0);
    Repaint(doc);
    SetCanvasModified(doc);
}

void ClearDoubleImage(CanvDoc* doc) { FillImage(doc->planes[doc->currentPlane].doubleImage, 0); }

int NewLayerFromSelection(CanvDoc* doc) {
    const int slot = FirstFreeSlot(doc);
    if (slot < 0) return -1;
    const SelShape& box = doc->selShapes[0];
    int x0 = box.x0 < box.x1 ? box.x0 : box.x1, x1 = box.x0 < box.x1 ? box.x1 : box.x0;
    int y0 = box.y0 < box.y1 ? box.y0 : box.y1, y1 = box.y0 < box.y1 ? box.y1 : box.y0;
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    if (w < 1 || h < 1 || w > CanvMaxSide || h > CanvMaxSide) return -1;
    LayerPlane* base = LayerBase(doc, slot);
    std::memcpy(base, LayerBase(doc, 0), sizeof(LayerPlane) * CanvPlanesPerLayer);
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        base[k].image = base[k].doubleImage = nullptr;
        base[k].displayImage = nullptr;
        base[k].x = x0;
        base[k].y = y0;
        base[k].width = w;
        base[k].height = h;
    }
    std::snprintf(base[0].name, sizeof base[0].name, "LAYER%d", slot + 1);
    std::snprintf(base[1].name, sizeof base[1].name, "%01dT", 1);
    base[0].kind = PlaneKindColour;
    base[0].blendMode = BlendNormal;
    base[0].layerFlag = 0;
    base[0].transparency = 0;
    base[0].layerType = LayerTypeOrdinary;
    base[1].kind = PlaneKindChannel;
    base[1].depth = 8;
    VmsImage* colour = g_VmsStore.Create(w, h, 24, 255, 1);
    VmsImage* alpha = colour ? g_VmsStore.Create(w, h, 8, 255, 1) : nullptr;
    if (!colour || !alpha) {
        g_VmsStore.Free(&colour);
        g_VmsStore.Free(&alpha);
        std::memset(base, 0, sizeof(LayerPlane) * CanvPlanesPerLayer);
        return -1;
    }
    // Planes 2-7 of the base layer are not carried over.
    for (int k = 2; k < CanvPlanesPerLayer; ++k) std::memset(&base[k], 0, sizeof(LayerPlane));
    base[0].image = colour;
    base[1].image = alpha;
    const LayerPlane* cur = LayerBase(doc, LayerOf(doc->currentPlane));
    const int curLayerPlane = LayerOf(doc->currentPlane) * CanvPlanesPerLayer;
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> t((size_t)w), s((size_t)w);
    for (int y = y0; y <= y1; ++y) {
        std::fill(row.begin(), row.end(), 0xFFFFFFu);
        if (cur->image) g_VmsStore.GetRow(cur->image, y - cur->y, x0 - cur->x, x1 - cur->x, row.data());
        g_VmsStore.PutRow(colour, y - y0, 0, w - 1, row.data());
        GetLayerAlphaRow(doc, y, x0, x1, t.data(), curLayerPlane);
        std::fill(s.begin(), s.end(), 0);
        if (doc->selectionMask) g_VmsStore.GetRow(doc->selectionMask, y, x0, x1, s.data());
        for (int i = 0; i < w; ++i) t[i] = ProductTable[255 - s[i]][t[i]];
        g_VmsStore.PutRow(alpha, y - y0, 0, w - 1, t.data());
    }
    SetCanvasModified(doc);
    return slot * CanvPlanesPerLayer;
}

void DarkPartsToLayer(CanvDoc* doc) {
    if (doc->currentPlane % CanvPlanesPerLayer) return;
    if (ShowMessageBox(CanvFrameWindow(), kCanvAskDarkParts, kAppTitle, kMsgYesNo) != IDYES) return;
    const LayerPlane cur = *LayerBase(doc, LayerOf(doc->currentPlane));
    int index = AddLayer(doc, cur.x, cur.y, cur.width, cur.height, LayerTypeOrdinary);
    if (index < 0) {
        Tell(kCanvAddLayerFailed);
        return;
    }
    LayerPlane* made = &doc->planes[index];
    std::vector<uint32_t> row((size_t)cur.width), black((size_t)cur.width, 0);
    std::vector<uint8_t> t((size_t)cur.width);
    for (int y = 0; y < cur.height; ++y) {
        g_VmsStore.GetRow(cur.image, y, 0, cur.width - 1, row.data());
        for (int i = 0; i < cur.width; ++i) {
            uint32_t p = row[i];
            t[i] = (uint8_t)(255 - (int)(((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3);
        }
        g_VmsStore.PutRow(made[0].image, y, 0, cur.width - 1, black.data());
        g_VmsStore.PutRow(made[1].image, y, 0, cur.width - 1, t.data());
    }
    SetLayerSaveEnabled(doc, 1, LayerOf(index));
    SetLayerHistoryLimit(doc, 30, LayerOf(index));
    Repaint(doc);
}

void MergeLayersToBase(CanvDoc* doc) {
    const int current = LayerOf(doc->currentPlane);
    if (current == 0) return;
    std::unique_ptr<LayerPlane[]> keep(new (std::nothrow) LayerPlane[CanvMaxPlanes]);
    if (!keep) return;
    std::memcpy(keep.get(), doc->planes, sizeof(LayerPlane) * CanvMaxPlanes);
    const int keptPlane = doc->currentPlane;
    for (int l = current + 1; l < CanvMaxLayers && LayerInUse(doc, l); ++l) LayerBase(doc, l)->blendMode = BlendHidden;
    doc->currentPlane = 0;
    // Composed squares go to the base layer's colour plane.
    ComposeWholeDocument(
        doc, 1, [](void* user, int y, int x0, int x1, const uint32_t* row) { PutPlaneRow((CanvDoc*)user, y, x0, x1, row); },
        doc, 1);
    // The blend modes and the current plane come back; the base layer keeps its
    // new pixels (its image pointer is the same) and the document its EXIF data.
    std::memcpy(doc->planes, keep.get(), sizeof(LayerPlane) * CanvMaxPlanes);
    doc->currentPlane = keptPlane;
    for (int i = 0; i < current; ++i) DeleteLayer(doc, 1);
    if (!doc->planes[doc->currentPlane].image) doc->currentPlane = 0;
    for (int k = 0; k < CanvPlanesPerLayer; ++k)
        if (doc->planes[k].displayImage) c_DibImageOps::Free(&doc->planes[k].displayImage);
    SetCanvasModified(doc);
    Repaint(doc);
}

int MergeStrokeLayer(CanvDoc* doc) {
    const int target = FindLayerByType(doc, LayerTypeStrokeTarget);
    const int stroke = FindLayerByType(doc, LayerTypeStroke);
    if (target < 0 || stroke < 0) return 0;
    LayerPlane* t = &doc->planes[target];
    LayerPlane* s = &doc->planes[stroke];
    if (t->image && s->image && t[1].image && s[1].image) {
        const int w = doc->width;
        std::vector<uint32_t> own((size_t)w), pen((size_t)w);
        std::vector<uint8_t> ownA((size_t)w), penA((size_t)w);
        for (int y = 0; y < doc->height; ++y) {
            g_VmsStore.GetRow(t->image, y, 0, w - 1, own.data());
            g_VmsStore.GetRow(s->image, y, 0, w - 1, pen.data());
            g_VmsStore.GetRow(t[1].image, y, 0, w - 1, ownA.data());
            g_VmsStore.GetRow(s[1].image, y, 0, w - 1, penA.data());
            for (int x = 0; x < w; ++x) {
                const int a = penA[x];
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    int v = ProductTable[(pen[x] >> shift) & 255][a] + ProductTable[(own[x] >> shift) & 255][255 - a];
                    out |= (uint32_t)(v > 255 ? 255 : v) << shift;
                }
                own[x] = out;
                if (a > ownA[x]) ownA[x] = (uint8_t)a;
            }
            g_VmsStore.PutRow(t->image, y, 0, w - 1, own.data());
            g_VmsStore.PutRow(t[1].image, y, 0, w - 1, ownA.data());
        }
    }
    DeleteLayer(doc, LayerOf(stroke));
    return 1;
}

void PrepareStrokeLayer(CanvDoc* doc, int mergeFirst) {
    if (mergeFirst) MergeStrokeLayer(doc);
    const CanvasHost& host = GetCanvasHost();
    const int tool = CanvCurrentTool();
    if ((tool != 20000 && tool != 20005) || !host.strokeLayerWanted || !host.strokeLayerWanted()) return;
    int old = FindLayerByType(doc, LayerTypeStroke);
    if (old >= 0) DeleteLayer(doc, LayerOf(old));
    int index = AddLayer(doc, 0, 0, doc->width, doc->height, LayerTypeStroke);
    if (index < 0) return;
    SetLayerSaveEnabled(doc, 1, LayerOf(index));
    SetLayerHistoryLimit(doc, 30, LayerOf(index));
}

void FinishStrokeLayer(CanvDoc* doc) {
    MergeStrokeLayer(doc);
    int stroke = FindLayerByType(doc, LayerTypeStroke);
    if (stroke >= 0) DeleteLayer(doc, LayerOf(stroke));
}
