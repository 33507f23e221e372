// Per-document services: the host hand-down, the active document, the
// modified flag, the title and cursor readout, and row access to the planes.
#include "canvas/canv_doc.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/sysutil.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_view.h"
#include "image/product_table.h"
#include "image/vms_store.h"

NewCanvasRequestRecord NewCanvasRequest;

namespace {

CanvasHost g_host;

HWND HostWindow(HWND* slot) { return slot ? *slot : nullptr; }

// Scratch rows of the GUI thread.
std::vector<uint8_t>& ByteRow(size_t n) {
    static std::vector<uint8_t> row;
    if (row.size() < n) row.resize(n);
    return row;
}
std::vector<uint8_t>& MaskRow(size_t n) {
    static std::vector<uint8_t> row;
    if (row.size() < n) row.resize(n);
    return row;
}

LayerPlane* CurrentPlane(CanvDoc* doc) {
    if (!doc || doc->currentPlane < 0 || doc->currentPlane >= CanvMaxPlanes) return nullptr;
    return &doc->planes[doc->currentPlane];
}

LayerPlane* CurrentLayerPlane(CanvDoc* doc, int n) {
    if (!doc || n < 0 || n >= CanvPlanesPerLayer) return nullptr;
    return &doc->planes[LayerOf(doc->currentPlane) * CanvPlanesPerLayer + n];
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Row of an image in canvas coordinates as 32-bit words (8-bit widened).
void ReadWords(const LayerPlane* p, VmsImage* image, int y, int x0, int x1, uint32_t* words) {
    if (!image || x1 < x0) return;
    const int n = x1 - x0 + 1;
    if (image->bits == 32) {
        g_VmsStore.GetRow(image, y - p->y, x0 - p->x, x1 - p->x, words);
    } else if (image->bits == 8) {
        std::vector<uint8_t>& b = ByteRow((size_t)n);
        std::memset(b.data(), 0, (size_t)n);
        if (!g_VmsStore.GetRow(image, y - p->y, x0 - p->x, x1 - p->x, b.data())) return;
        // Only the pixels inside the plane are widened.
        int from = Clamp(p->x - x0, 0, n), to = Clamp(p->x + p->width - x0, 0, n);
        for (int i = from; i < to; ++i) words[i] = b[i] * 0x01010101u;
    }
}

void WriteWords(const LayerPlane* p, VmsImage* image, int y, int x0, int x1, const uint32_t* words) {
    if (!image || x1 < x0) return;
    const int n = x1 - x0 + 1;
    if (image->bits == 32) {
        g_VmsStore.PutRow(image, y - p->y, x0 - p->x, x1 - p->x, words);
    } else if (image->bits == 8) {
        std::vector<uint8_t>& b = ByteRow((size_t)n);
        for (int i = 0; i < n; ++i) {
            uint32_t w = words[i];
            uint8_t r = (uint8_t)(w >> 16), g = (uint8_t)(w >> 8), bl = (uint8_t)w;
            uint8_t m = r > g ? r : g;
            b[i] = m > bl ? m : bl;
        }
        g_VmsStore.PutRow(image, y - p->y, x0 - p->x, x1 - p->x, b.data());
    }
}

}  // namespace

void SetCanvasHost(const CanvasHost& host) { g_host = host; }

const char* CanvasHostMissing(const CanvasHost& h) {
#define DARNA_HOST_MEMBER(m) {#m, h.m != nullptr}
    const struct {
        const char* name;
        bool set;
    } members[] = {
        DARNA_HOST_MEMBER(frame),          DARNA_HOST_MEMBER(mdiClient),
        DARNA_HOST_MEMBER(statusBar),      DARNA_HOST_MEMBER(colourPage),
        DARNA_HOST_MEMBER(programFolder),  DARNA_HOST_MEMBER(currentTool),
        DARNA_HOST_MEMBER(selShadeStyle),  DARNA_HOST_MEMBER(dimOutsideLayer),
        DARNA_HOST_MEMBER(defaultResolution), DARNA_HOST_MEMBER(defaultGridColour),
        DARNA_HOST_MEMBER(screenDepth),    DARNA_HOST_MEMBER(appActive),
        DARNA_HOST_MEMBER(statusBarSetZoom), DARNA_HOST_MEMBER(statusBarSetPos),
        DARNA_HOST_MEMBER(pressToolButton), DARNA_HOST_MEMBER(repaintToolButton),
        DARNA_HOST_MEMBER(penKind),        DARNA_HOST_MEMBER(strokeLayerWanted),
        DARNA_HOST_MEMBER(recentFilesAdd), DARNA_HOST_MEMBER(chooseColour),
        DARNA_HOST_MEMBER(documentMenu),   DARNA_HOST_MEMBER(toolMouse),
        DARNA_HOST_MEMBER(brushRadius),    DARNA_HOST_MEMBER(selectionWithPen),
        DARNA_HOST_MEMBER(saveCanvas),     DARNA_HOST_MEMBER(penCommand),
        DARNA_HOST_MEMBER(areaBlur),       DARNA_HOST_MEMBER(trimDialog),
        DARNA_HOST_MEMBER(adjustCommand),  DARNA_HOST_MEMBER(paperTexture),
        DARNA_HOST_MEMBER(cloneSource),    DARNA_HOST_MEMBER(penOptionPanel),
        DARNA_HOST_MEMBER(clearToneModes), DARNA_HOST_MEMBER(commandToneModes),
        DARNA_HOST_MEMBER(brushFromOtherPlane),
        DARNA_HOST_MEMBER(selectionDocument), DARNA_HOST_MEMBER(selectionPendingBlur),
        DARNA_HOST_MEMBER(selectionCursor), DARNA_HOST_MEMBER(selectionOverlays),
        DARNA_HOST_MEMBER(selectionCommand), DARNA_HOST_MEMBER(selectionCutClear),
        DARNA_HOST_MEMBER(repaintTool2Button),
    };
#undef DARNA_HOST_MEMBER
    // Every member is one pointer: the list above must name them all.
    static_assert(sizeof(CanvasHost) == sizeof members / sizeof members[0] * sizeof(void*),
                  "CanvasHostMissing lists every member of CanvasHost");
    for (const auto& m : members)
        if (!m.set) return m.name;
    return nullptr;
}
const CanvasHost& GetCanvasHost() { return g_host; }

HWND CanvFrameWindow() { return HostWindow(g_host.frame); }
HWND CanvMdiClient() { return HostWindow(g_host.mdiClient); }
HWND CanvStatusBar() { return HostWindow(g_host.statusBar); }
HWND CanvPenOptionPanel() { return HostWindow(g_host.penOptionPanel); }
const char* CanvProgramFolder() { return g_host.programFolder ? g_host.programFolder : ""; }
int CanvCurrentTool() { return g_host.currentTool ? *g_host.currentTool : 0; }
int CanvSelectionDocument(CanvDoc* doc, int event) {
    return g_host.selectionDocument ? g_host.selectionDocument(doc, event) : 0;
}

CanvDoc* GetCanvDoc(HWND canvasWindow) {
    if (!canvasWindow || !IsWindow(canvasWindow)) return nullptr;
    // Only a document window holds a record in its first window long.
    char name[16] = {};
    if (!GetClassNameA(canvasWindow, name, sizeof name) || lstrcmpiA(name, "CanvClass") != 0) return nullptr;
    return (CanvDoc*)GetWindowLongPtrA(canvasWindow, 0);
}

CanvDoc* GetActiveCanvas() {
    HWND client = CanvMdiClient();
    if (!client) return nullptr;
    HWND active = (HWND)SendMessageA(client, WM_MDIGETACTIVE, 0, 0);
    CanvDoc* doc = GetCanvDoc(active);
    if (!doc || doc->closing) return nullptr;
    return doc;
}

void SetCanvasModified(CanvDoc* doc) {
    if (doc) doc->modified = 1;
}

void UpdateCanvasTitle(CanvDoc* doc) {
    if (!doc || !doc->window) return;
    char shown[MAX_PATH];
    if (CompareNoCase(doc->path, kCanvUntitled) == 0) lstrcpynA(shown, doc->path, sizeof shown);
    else ShortenPath(doc->path, shown, sizeof shown);
    const LayerPlane* p = CurrentPlane(doc);
    const char* precision = p && p->doubleImage ? kCanvDoublePrecision : " ";
    char title[MAX_PATH + 64];
    std::snprintf(title, sizeof title, kCanvTitleFormat, shown, precision, (int)doc->zoom);
    SetWindowTextA(doc->window, title);
    // The window menu lists the documents by their titles; it is built again
    // so that a document saved under a new name shows that name there too.
    if (HWND client = CanvMdiClient()) {
        SendMessageA(client, WM_MDIREFRESHMENU, 0, 0);
        if (HWND frame = CanvFrameWindow()) DrawMenuBar(frame);
    }
}

void ShowCursorPos(CanvDoc* doc, int x, int y) {
    if (!doc) return;
    x = Clamp(x, 0, doc->width - 1);
    y = Clamp(y, 0, doc->height - 1);
    if (g_host.statusBarSetPos) g_host.statusBarSetPos(x, y);
    if (doc->rulerUnit) {
        // The rulers take the position in lParam.
        if (doc->hRuler) SendMessageA(doc->hRuler, WM_USER + 11, 0, ImageToScreenX(doc, x) - doc->scrollX);
        if (doc->vRuler) SendMessageA(doc->vRuler, WM_USER + 11, 0, ImageToScreenY(doc, y) - doc->scrollY);
    }
}

// ---------------------------------------------------------------------------
// Plane rows.

void GetPlaneRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* words) {
    LayerPlane* p = CurrentPlane(doc);
    if (p) ReadWords(p, p->image, y, x0, x1, words);
}

void PutPlaneRow(CanvDoc* doc, int y, int x0, int x1, const uint32_t* words) {
    LayerPlane* p = CurrentPlane(doc);
    if (p) WriteWords(p, p->image, y, x0, x1, words);
}

void GetPlaneRowLow(CanvDoc* doc, int y, int x0, int x1, uint32_t* words) {
    LayerPlane* p = CurrentPlane(doc);
    if (p) ReadWords(p, p->doubleImage, y, x0, x1, words);
}

void PutPlaneRowLow(CanvDoc* doc, int y, int x0, int x1, const uint32_t* words) {
    LayerPlane* p = CurrentPlane(doc);
    if (p) WriteWords(p, p->doubleImage, y, x0, x1, words);
}

void GetLayerPlaneRow(CanvDoc* doc, int y, int x0, int x1, void* buffer, int n) {
    LayerPlane* p = CurrentLayerPlane(doc, n);
    if (!p || x1 < x0) return;
    if (!p->image) {
        std::memset(buffer, 0, (size_t)(x1 - x0 + 1));
        return;
    }
    g_VmsStore.GetRow(p->image, y - p->y, x0 - p->x, x1 - p->x, buffer);
}

void PutLayerPlaneRow(CanvDoc* doc, int y, int x0, int x1, const void* buffer, int n) {
    LayerPlane* p = CurrentLayerPlane(doc, n);
    if (!p || !p->image || x1 < x0) return;
    g_VmsStore.PutRow(p->image, y - p->y, x0 - p->x, x1 - p->x, buffer);
}

void GetLayerAlphaRow(CanvDoc* doc, int y, int x0, int x1, uint8_t* buffer, int layerPlane) {
    if (!doc || x1 < x0 || layerPlane < 0 || layerPlane >= CanvMaxPlanes) return;
    const int n = x1 - x0 + 1;
    LayerPlane* base = &doc->planes[layerPlane - layerPlane % CanvPlanesPerLayer];
    LayerPlane* t = base + 1;
    // A layer without a transparency plane is opaque.
    std::memset(buffer, 255, (size_t)n);
    if (t->image) g_VmsStore.GetRow(t->image, y - t->y, x0 - t->x, x1 - t->x, buffer);
    for (int k = 2; k < CanvPlanesPerLayer; ++k) {
        LayerPlane* m = base + k;
        if (!m->image) break;
        if (m->planeSwitch || (!m->options[2] && !m->options[3])) continue;
        std::vector<uint8_t>& mask = MaskRow((size_t)n);
        std::memset(mask.data(), 0, (size_t)n);
        g_VmsStore.GetRow(m->image, y - m->y, x0 - m->x, x1 - m->x, mask.data());
        int passes = (m->options[2] ? 1 : 0) + (m->options[3] ? 1 : 0);
        for (int pass = 0; pass < passes; ++pass)
            for (int i = 0; i < n; ++i) buffer[i] = ProductTable[mask[i]][buffer[i]];
    }
}

void GetPlaneRgb(CanvDoc* doc, int x, int y, int* r, int* g, int* b) {
    LayerPlane* p = CurrentPlane(doc);
    *r = *g = *b = 0;
    if (!p || !p->image) return;
    int px = Clamp(x - p->x, 0, p->width - 1), py = Clamp(y - p->y, 0, p->height - 1);
    if (p->image->bits == 8) {
        int v = 0;
        g_VmsStore.GetValue(p->image, px, py, &v);
        *r = *g = *b = v;
    } else {
        g_VmsStore.GetRgb(p->image, px, py, r, g, b);
    }
}

void PutPlaneRgb(CanvDoc* doc, int x, int y, int r, int g, int b) {
    LayerPlane* p = CurrentPlane(doc);
    if (!p || !p->image) return;
    int px = Clamp(x - p->x, 0, p->width - 1), py = Clamp(y - p->y, 0, p->height - 1);
    if (p->image->bits == 8) {
        int m = r > g ? r : g;
        g_VmsStore.SetValue(p->image, px, py, m > b ? m : b);
    } else {
        g_VmsStore.SetRgb(p->image, px, py, r, g, b);
    }
}

void GetLayerPlaneValue(CanvDoc* doc, int x, int y, int* value, int n) {
    LayerPlane* p = CurrentLayerPlane(doc, n);
    *value = 0;
    if (!p || !p->image) return;
    g_VmsStore.GetValue(p->image, Clamp(x - p->x, 0, p->width - 1), Clamp(y - p->y, 0, p->height - 1), value);
}

void GetLayerPlaneValueOrZero(CanvDoc* doc, int x, int y, int* value, int n) {
    LayerPlane* p = CurrentLayerPlane(doc, n);
    *value = 0;
    if (!p || !p->image) return;
    if (x < p->x || y < p->y || x >= p->x + p->width || y >= p->y + p->height) return;
    g_VmsStore.GetValue(p->image, x - p->x, y - p->y, value);
}

void PutLayerPlaneValue(CanvDoc* doc, int x, int y, int value, int n) {
    LayerPlane* p = CurrentLayerPlane(doc, n);
    if (!p || !p->image) return;
    g_VmsStore.SetValue(p->image, Clamp(x - p->x, 0, p->width - 1), Clamp(y - p->y, 0, p->height - 1), value);
}
