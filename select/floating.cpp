#include "select/floating.h"

#include <utility>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "canvas/canv_clip.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "fileio/plugin_read.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"

namespace {

struct Floating {
    int state = 0;             // > 0 while an image floats
    int x = 0, y = 0, w = 1, h = 1;
    int kind = 0;
    VmsImage* image = nullptr;
    VmsImage* opacity = nullptr;   // 255 opaque, or null
    CanvDoc* target = nullptr;
    int placed = 0;
    int lastSource = FloatFromClipboard;
    char lastPath[MAX_PATH] = {};
} g_float;

void FreeImages() {
    g_VmsStore.Free(&g_float.image);
    g_VmsStore.Free(&g_float.opacity);
}

RECT DisplayFrame(CanvDoc* doc) {
    return {ImageToScreenX(doc, g_float.x), ImageToScreenY(doc, g_float.y), ImageToScreenX(doc, g_float.x + g_float.w - 1),
            ImageToScreenY(doc, g_float.y + g_float.h - 1)};
}

// Invalidates the frame's display area widened by 5 pixels and repaints it.
void RepaintFrame(CanvDoc* doc) {
    if (!doc || !doc->display) return;
    RECT r = DisplayFrame(doc);
    InflateRect(&r, 6, 6);
    ++r.right;
    ++r.bottom;
    InvalidateRect(doc->display, &r, FALSE);
    UpdateWindow(doc->display);
}

void XorFrame(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    SelDc d(doc);
    if (!d.dc) return;
    const int a = ImageToScreenX(doc, x0), b = ImageToScreenY(doc, y0);
    const int c = ImageToScreenX(doc, x1), e = ImageToScreenY(doc, y1);
    DrawXorRect(d.dc, a, b, c, e);
}

// The floating size: the image's own, fitted into the canvas when larger.
void FitToCanvas(CanvDoc* doc, int width, int height) {
    int w = width, h = height;
    if (w > doc->width || h > doc->height) c_Dib::FitSize(width, height, doc->width, doc->height, &w, &h, 0);
    g_float.w = w > 0 ? w : 1;
    g_float.h = h > 0 ? h : 1;
}

void VisibleTopLeft(CanvDoc* doc, int* x, int* y) {
    *x = ScreenToImageX(doc, doc->scrollX);
    *y = ScreenToImageY(doc, doc->scrollY);
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
}

// Opacity limited to the copied selection area (0 selected, 255 protected).
void CombineArea(VmsImage* area) {
    if (!area) return;
    const int w = area->width, h = area->height;
    std::vector<uint8_t> a((size_t)w), o((size_t)w);
    if (!g_float.opacity) {
        g_float.opacity = g_VmsStore.Create(w, h, 8, 255, 1);
        if (!g_float.opacity) return;
    }
    for (int y = 0; y < h; ++y) {
        g_VmsStore.GetRow(area, y, 0, w - 1, a.data());
        g_VmsStore.GetRow(g_float.opacity, y, 0, w - 1, o.data());
        for (int x = 0; x < w; ++x) o[x] = ProductTable[o[x]][255 - a[x]];
        g_VmsStore.PutRow(g_float.opacity, y, 0, w - 1, o.data());
    }
}

void Tell(const char* text) { ShowMessageBox(GetMessageBoxOwner(), text, kSelAppTitle, kMsgOk); }

void Begin(CanvDoc* doc, int again) {
    if (!again) VisibleTopLeft(doc, &g_float.x, &g_float.y);
    FitToCanvas(doc, g_float.image->width, g_float.image->height);
    g_float.target = doc;
    g_float.placed = 0;
    g_float.state = 1;
}

}  // namespace

int IsFloatingTool(int tool) { return tool == CMD_EDIT_PASTE || tool == CMD_EDIT_PASTEFILE || tool == CMD_TOOL_FLOAT; }

CanvDoc* FloatingTarget() { return g_float.state > 0 ? g_float.target : nullptr; }

int GetFloatingFrame(RECT* frame) {
    if (g_float.state <= 0) return 0;
    *frame = {g_float.x, g_float.y, g_float.x + g_float.w - 1, g_float.y + g_float.h - 1};
    return 1;
}

int StartFloating(CanvDoc* doc, int source, int again, const char* path) {
    if (!doc) return 0;
    if (g_float.state > 0) DropFloating(g_float.target);
    FreeImages();
    g_float.lastSource = source;
    if (source == FloatFromClipboard) {
        VmsImage* image = PasteClipImage();
        if (!image) {
            g_float.w = g_float.h = 1;
            Tell(kSelNoClipboard);
            return 0;
        }
        g_float.image = image;
        g_float.opacity = LoadClipTransp(image->width, image->height);
        VmsImage* area = LoadClipSelArea(image->width, image->height);
        CombineArea(area);
        g_VmsStore.Free(&area);
        Begin(doc, again);
        // The picture keeps its physical size: pixels scaled by the canvas's
        // resolution over the picture's.
        const int canvasRes = doc->resolution > 0 ? doc->resolution : 1;
        int w = image->width, h = image->height;
        if (image->xResolution > 0) w = (int)((long long)w * canvasRes / image->xResolution);
        if (image->yResolution > 0) h = (int)((long long)h * canvasRes / image->yResolution);
        FitToCanvas(doc, w > 0 ? w : 1, h > 0 ? h : 1);
    } else {
        char file[MAX_PATH] = {};
        if (again || !path) lstrcpynA(file, g_float.lastPath, sizeof file);
        else lstrcpynA(file, path, sizeof file);
        VmsImage *image = nullptr, *alpha = nullptr;
        if (!file[0] || !ReadImageWithAlpha(file, &image, &alpha)) {
            g_VmsStore.Free(&image);
            g_VmsStore.Free(&alpha);
            if (file[0]) Tell(file);
            return 0;
        }
        lstrcpynA(g_float.lastPath, file, sizeof g_float.lastPath);
        g_float.image = image;
        g_float.opacity = alpha;
        Begin(doc, again);
    }
    g_float.kind = 0;
    return 1;
}

int FloatImage(CanvDoc* doc, VmsImage* image, VmsImage* opacity, int x, int y, int kind) {
    if (!doc || !image) {
        g_VmsStore.Free(&image);
        g_VmsStore.Free(&opacity);
        return 0;
    }
    if (g_float.state > 0) DropFloating(g_float.target);
    FreeImages();
    g_float.image = image;
    g_float.opacity = opacity && opacity->width == image->width && opacity->height == image->height ? opacity : nullptr;
    if (opacity && !g_float.opacity) g_VmsStore.Free(&opacity);
    Begin(doc, 0);
    if (x >= 0) {
        g_float.x = x;
        g_float.y = y;
    }
    g_float.kind = kind;
    RepaintFrame(doc);
    return 1;
}

int PasteAtCursor(CanvDoc* doc, int source, const char* path) {
    if (!StartFloating(doc, source, 0, path)) return 0;
    RepaintFrame(doc);
    return 1;
}

const char* HitTestFloating(CanvDoc* doc) {
    if (g_float.state <= 0 || g_float.target != doc) return nullptr;
    const RECT r = DisplayFrame(doc);
    const POINT c = SelCursorDisplay(doc);
    const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    for (const POINT& k : corners)
        if (std::abs(c.x - k.x) <= 3 && std::abs(c.y - k.y) <= 3) return kCursorHandle;
    return nullptr;
}

namespace {

int CornerUnderCursor(CanvDoc* doc) {
    const RECT r = DisplayFrame(doc);
    const POINT c = SelCursorDisplay(doc);
    const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    for (int i = 0; i < 4; ++i)
        if (std::abs(c.x - corners[i].x) <= 3 && std::abs(c.y - corners[i].y) <= 3) return i;
    return -1;
}

void ResizeFloating(CanvDoc* doc, int corner) {
    int x0 = g_float.x, y0 = g_float.y, x1 = g_float.x + g_float.w - 1, y1 = g_float.y + g_float.h - 1;
    XorFrame(doc, x0, y0, x1, y1);
    while (IsLeftButtonDown()) {
        const POINT c = SelCursorImage(doc);
        int nx0 = x0, ny0 = y0, nx1 = x1, ny1 = y1;
        if (corner == 0 || corner == 3) nx0 = c.x;
        else nx1 = c.x;
        if (corner == 0 || corner == 1) ny0 = c.y;
        else ny1 = c.y;
        if (SelShiftDown() && g_float.image->width > 0) {
            const int hh = (int)((long long)(nx1 - nx0 + 1) * g_float.image->height / g_float.image->width);
            if (corner >= 2) ny1 = ny0 + hh - 1;
            else ny0 = ny1 - hh + 1;
        }
        if (nx0 == x0 && ny0 == y0 && nx1 == x1 && ny1 == y1) continue;
        XorFrame(doc, x0, y0, x1, y1);
        x0 = nx0;
        y0 = ny0;
        x1 = nx1;
        y1 = ny1;
        XorFrame(doc, x0, y0, x1, y1);
        SelShowCorners(x0, y0, x1, y1);
        SetCanvasModified(doc);
    }
    XorFrame(doc, x0, y0, x1, y1);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    RepaintFrame(doc);
    g_float.x = x0;
    g_float.y = y0;
    g_float.w = x1 - x0 + 1;
    g_float.h = y1 - y0 + 1;
    RepaintFrame(doc);
}

void MoveFloating(CanvDoc* doc) {
    const POINT press = SelCursorImage(doc);
    int dx = 0, dy = 0;
    const int x0 = g_float.x, y0 = g_float.y, x1 = x0 + g_float.w - 1, y1 = y0 + g_float.h - 1;
    XorFrame(doc, x0, y0, x1, y1);
    while (IsLeftButtonDown()) {
        const POINT c = SelCursorImage(doc, x0 - press.x, y0 - press.y);
        const int nx = c.x - press.x, ny = c.y - press.y;
        if (nx == dx && ny == dy) continue;
        XorFrame(doc, x0 + dx, y0 + dy, x1 + dx, y1 + dy);
        dx = nx;
        dy = ny;
        XorFrame(doc, x0 + dx, y0 + dy, x1 + dx, y1 + dy);
        SelShowCorners(x0 + dx, y0 + dy, x1 + dx, y1 + dy);
    }
    XorFrame(doc, x0 + dx, y0 + dy, x1 + dx, y1 + dy);
    if (dx == 0 && dy == 0) return;
    RepaintFrame(doc);
    g_float.x += dx;
    g_float.y += dy;
    RepaintFrame(doc);
}

// The image and opacity at the floating size (copies when resized).
bool SizedImages(VmsImage** image, VmsImage** opacity, bool* owned) {
    *owned = false;
    *image = g_float.image;
    *opacity = g_float.opacity;
    if (g_float.w == g_float.image->width && g_float.h == g_float.image->height) return true;
    VmsImage* a = c_Dib::Resize(g_float.image, g_float.w, g_float.h, 0, 1, 0);
    VmsImage* b = g_float.opacity ? c_Dib::Resize(g_float.opacity, g_float.w, g_float.h, 0, 1, 0) : nullptr;
    if (!a || (g_float.opacity && !b)) {
        g_VmsStore.Free(&a);
        g_VmsStore.Free(&b);
        return false;
    }
    *image = a;
    *opacity = b;
    *owned = true;
    return true;
}

void EndFloating(CanvDoc* doc) {
    FreeImages();
    g_float.state = 0;
    g_float.w = g_float.h = 1;
    g_float.placed = 0;
    g_float.target = nullptr;
    SelRepaint(doc);
}

}  // namespace

int OnFloatingMouseDown(CanvDoc* doc) {
    if (g_float.state <= 0) {
        StartFloating(doc, g_float.lastSource, 1, nullptr);
        RepaintFrame(doc);
        return 1;
    }
    if (g_float.target != doc) return 1;
    const int corner = CornerUnderCursor(doc);
    if (corner >= 0) {
        ResizeFloating(doc, corner);
        return 1;
    }
    const POINT c = SelCursorImage(doc);
    if (c.x > g_float.x && c.x < g_float.x + g_float.w - 1 && c.y > g_float.y && c.y < g_float.y + g_float.h - 1)
        MoveFloating(doc);
    return 1;
}

int OnFloatingCommand(CanvDoc* doc, int command, int keep) {
    if (command == FloatCancel && !keep) {
        g_float.placed = 1;
        DropFloating(doc);
        SelPressToolButton(CMD_TOOL_LAYERSELECT);
        return 1;
    }
    if (command != FloatPlaceAsLayer) return 0;
    if (g_float.state > 0 && g_float.target) {
        CanvDoc* target = g_float.target;
        VmsImage *image, *opacity;
        bool owned;
        int index = 0;
        const int previous = target->currentPlane;
        if (SizedImages(&image, &opacity, &owned))
            index = PasteAsLayer(target, image, opacity, nullptr, g_float.x, g_float.y);
        if (owned) {
            g_VmsStore.Free(&image);
            g_VmsStore.Free(&opacity);
        }
        if (index <= 0) {
            Tell(kSelNoMemory);
        } else {
            const int layer = LayerOf(index);
            SetLayerSaveEnabled(target, 1, layer);
            SetLayerHistoryLimit(target, 30, layer);
            c_UndoManager::SavePoint(target, index, 1);
            SetCurrentPlane(target, previous);
            SetCanvasModified(target);
        }
    }
    g_float.placed = 1;
    if (!keep) {
        DropFloating(doc);
        SelPressToolButton(CMD_TOOL_LAYERSELECT);
    }
    if (doc) SetCanvasModified(doc);
    return 1;
}

void DropFloating(CanvDoc* doc) {
    if (g_float.state <= 0) return;
    CanvDoc* target = g_float.target;
    if (!g_float.placed) OnFloatingCommand(target, FloatPlaceAsLayer, 1);
    EndFloating(target ? target : doc);
}

void DropFloatingIfPasting() {
    if (g_float.state > 0) DropFloating(g_float.target);
}

void CancelFloating(CanvDoc* doc) {
    if (g_float.state <= 0 || (doc && g_float.target != doc)) return;
    g_float.placed = 1;
    EndFloating(g_float.target);
}

int ShowFloatingMenu(CanvDoc* doc) {
    if (g_float.state <= 0 || g_float.target != doc || !doc->display) return 0;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, FloatPlaceAsLayer, kSelMenuPlace);
    AppendMenuA(menu, MF_STRING, FloatOwnSize, kSelMenuOwnSize);
    AppendMenuA(menu, MF_STRING, FloatCancel, kSelMenuCancel);
    const int chosen = SelPopupMenu(doc, menu);
    if (!chosen) return 1;
    if (chosen == FloatOwnSize) {
        RepaintFrame(doc);
        g_float.w = g_float.image->width;
        g_float.h = g_float.image->height;
        RepaintFrame(doc);
        return 1;
    }
    OnFloatingCommand(doc, chosen, 0);
    SetCanvasModified(doc);
    SelRepaint(doc);
    return 1;
}

void DrawFloatingImage(CanvDoc* doc, HDC dc, const RECT& paint) {
    if (g_float.state <= 0 || g_float.target != doc || !g_float.image) return;
    const RECT frame = DisplayFrame(doc);
    RECT r;
    const RECT f = {frame.left, frame.top, frame.right + 1, frame.bottom + 1};
    const RECT p = {paint.left, paint.top, paint.right + 1, paint.bottom + 1};
    if (IntersectRect(&r, &f, &p)) {
        const int w = r.right - r.left, h = r.bottom - r.top;
        // The document under the frame, composed as shown.
        const int ix0 = ScreenToImageX(doc, r.left), iy0 = ScreenToImageY(doc, r.top);
        const int ix1 = ScreenToImageX(doc, r.right - 1), iy1 = ScreenToImageY(doc, r.bottom - 1);
        DibImage* under = ComposeForDisplay(doc, ix0, iy0, ix1, iy1, 1, 0);
        std::vector<uint32_t> out((size_t)w * h), composed((size_t)(ix1 - ix0 + 1)), src((size_t)g_float.image->width);
        std::vector<uint8_t> op((size_t)g_float.image->width, 255);
        for (int j = 0; j < h; ++j) {
            const int iy = ScreenToImageY(doc, r.top + j);
            if (under) c_DibImageOps::GetRow32(under, iy - iy0, 0, ix1 - ix0, composed.data());
            const int sy = (int)((long long)(iy - g_float.y) * g_float.image->height / g_float.h);
            g_VmsStore.GetRow(g_float.image, sy, 0, g_float.image->width - 1, src.data());
            if (g_float.opacity) g_VmsStore.GetRow(g_float.opacity, sy, 0, g_float.image->width - 1, op.data());
            for (int i = 0; i < w; ++i) {
                const int ix = ScreenToImageX(doc, r.left + i);
                int sx = (int)((long long)(ix - g_float.x) * g_float.image->width / g_float.w);
                if (sx < 0) sx = 0;
                if (sx > g_float.image->width - 1) sx = g_float.image->width - 1;
                const uint32_t c = composed[(size_t)(ix - ix0)], s = src[(size_t)sx];
                const int a = op[(size_t)sx];
                uint32_t v = 0;
                for (int k = 0; k < 24; k += 8) {
                    const int o = ProductTable[(s >> k) & 255][a] + ProductTable[(c >> k) & 255][255 - a];
                    v |= (uint32_t)(o > 255 ? 255 : o) << k;
                }
                out[(size_t)j * w + i] = v;
            }
        }
        c_DibImageOps::Free(&under);
        BITMAPINFO bi = TopDownDibInfo(w, h, 32);
        SetDIBitsToDevice(dc, r.left, r.top, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, out.data(), &bi, DIB_RGB_COLORS);
    }
    DrawXorRect(dc, frame.left, frame.top, frame.right, frame.bottom);
    SelDrawHandle(dc, frame.left, frame.top);
    SelDrawHandle(dc, frame.right, frame.top);
    SelDrawHandle(dc, frame.right, frame.bottom);
    SelDrawHandle(dc, frame.left, frame.bottom);
}
