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
#include "paint/canvas_pen.h"
#include "paint/text_tool.h"
#include "resources/resource.h"
#include "select/floating_stamp.h"
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
    VmsImage* shadow = nullptr;    // a text's shadow image, or null
    FloatShadow shade = {};        // the text's shadow switch, offset, softness and colour
    CanvDoc* target = nullptr;
    int placed = 0;
    int lastSource = FloatFromClipboard;
    char lastPath[MAX_PATH] = {};
} g_float;

void FreeImages() {
    g_VmsStore.Free(&g_float.image);
    g_VmsStore.Free(&g_float.opacity);
    g_VmsStore.Free(&g_float.shadow);
    g_float.shade = {};
}

RECT DisplayFrame(CanvDoc* doc) {
    return {ImageToScreenX(doc, g_float.x), ImageToScreenY(doc, g_float.y), ImageToScreenX(doc, g_float.x + g_float.w - 1),
            ImageToScreenY(doc, g_float.y + g_float.h - 1)};
}

// The display area the floating image and its handles cover: the frame
// widened by 5 pixels (right and bottom exclusive).
RECT FrameArea(CanvDoc* doc) {
    RECT r = DisplayFrame(doc);
    InflateRect(&r, 6, 6);
    ++r.right;
    ++r.bottom;
    return r;
}

// Invalidates the frame's display area and repaints it.
void RepaintFrame(CanvDoc* doc) {
    if (!doc || !doc->display) return;
    const RECT r = FrameArea(doc);
    InvalidateRect(doc->display, &r, FALSE);
    UpdateWindow(doc->display);
}

// The floating image moves to a new frame: its old area is rendered again
// without it in the same repaint that shows it at the new one, so that no
// copy stays behind where it was.
void MoveFrameTo(CanvDoc* doc, int x, int y, int w, int h) {
    const RECT before = doc && doc->display ? FrameArea(doc) : RECT{};
    g_float.x = x;
    g_float.y = y;
    g_float.w = w > 0 ? w : 1;
    g_float.h = h > 0 ? h : 1;
    if (!doc || !doc->display) return;
    const RECT after = FrameArea(doc);
    InvalidateRect(doc->display, &before, FALSE);
    InvalidateRect(doc->display, &after, FALSE);
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

// The text tool's text by the route the text tool composes it by: the sticker
// composed with its shadow and the pen's colour (kind 2), or the rasterised
// text with a second rendering for its shadow (kind 1).
bool StickerRoute() {
    const TextSettingsRecord& s = TextSettings;
    return s.stickerRoute && !s.vertical && !s.outline;
}

int StartText(CanvDoc* doc) {
    const TextSettingsRecord& s = TextSettings;
    g_float.shade = FloatShadow{.on = s.shadowOn,
                                .image = nullptr,
                                .dx = s.shadowDx,
                                .dy = s.shadowDy,
                                .softness = s.shadowBlur,
                                .red = s.shadowColour[0],
                                .green = s.shadowColour[1],
                                .blue = s.shadowColour[2]};
    if (StickerRoute()) {
        PenCanvas view;
        MakePenCanvas(doc, &view);
        VmsImage *colour = nullptr, *alpha = nullptr;
        VmsImage* composite = ComposeTextImage(GetMessageBoxOwner(), &view, &colour, &alpha);
        g_VmsStore.Free(&composite);
        if (!colour || !alpha) {
            g_VmsStore.Free(&colour);
            g_VmsStore.Free(&alpha);
            return 0;
        }
        g_float.image = colour;
        g_float.opacity = alpha;
        g_float.kind = FloatKindSticker;
        return 1;
    }
    VmsImage *text = nullptr, *mask = nullptr;
    if (!RenderTextImage(&text, &mask, 0)) return 0;
    g_VmsStore.Free(&mask);
    if (s.shadowOn) {
        VmsImage* shadowMask = nullptr;
        RenderTextImage(&g_float.shadow, &shadowMask, 1);
        g_VmsStore.Free(&shadowMask);
        if (g_float.shadow && (g_float.shadow->width != text->width || g_float.shadow->height != text->height))
            g_VmsStore.Free(&g_float.shadow);
    }
    g_float.shade.image = g_float.shadow;
    g_float.image = text;
    g_float.kind = FloatKindText;
    return 1;
}

}  // namespace

int IsFloatingTool(int tool) { return tool == CMD_EDIT_PASTE || tool == CMD_EDIT_PASTEFILE || tool == CMD_TOOL_FLOAT; }

CanvDoc* FloatingTarget() { return g_float.state > 0 ? g_float.target : nullptr; }

int GetFloatingFrame(RECT* frame) {
    if (g_float.state <= 0) return 0;
    *frame = {g_float.x, g_float.y, g_float.x + g_float.w - 1, g_float.y + g_float.h - 1};
    const FloatShadow& s = g_float.shade;
    if (g_float.kind == FloatKindSticker) {
        // Room for the shadow's offset and its softening.
        frame->right += (s.dx < 0 ? -s.dx : s.dx) + s.softness;
        frame->bottom += (s.dy < 0 ? -s.dy : s.dy) + s.softness;
    } else if (s.on && g_float.shadow) {
        // A text's shadow lies beside the text by its offset.
        frame->right += s.dx < 0 ? -s.dx : s.dx;
        frame->bottom += s.dy < 0 ? -s.dy : s.dy;
    }
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
    } else if (source == FloatFromText) {
        if (!StartText(doc)) return 0;
        Begin(doc, again);
        return 1;
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
    g_float.kind = FloatKindPicture;
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
    MoveFrameTo(doc, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
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
    MoveFrameTo(doc, g_float.x + dx, g_float.y + dy, g_float.w, g_float.h);
}

// Writes the floating image into the current plane of its document.
void StampIntoCurrentPlane(CanvDoc* target) {
    StampFloating(target, g_float.image, g_float.opacity, g_float.shade, g_float.x, g_float.y, g_float.w, g_float.h,
                  g_float.kind);
}

// A new layer at the frame (with the shadow) receives the floating image. Its
// undo step is taken while it is still empty, so that an undo takes away what
// the placing added and a redo brings it back.
void PlaceAsNewLayer(CanvDoc* target) {
    RECT f;
    if (!GetFloatingFrame(&f)) return;
    const int previous = target->currentPlane;
    const int index = AddLayer(target, f.left, f.top, f.right - f.left + 1, f.bottom - f.top + 1, LayerTypeOrdinary);
    if (index <= 0) {
        Tell(kSelNoMemory);
        return;
    }
    SetCurrentPlane(target, index);
    const int layer = LayerOf(index);
    SetLayerSaveEnabled(target, 1, layer);
    SetLayerHistoryLimit(target, 30, layer);
    c_UndoManager::SavePoint(target, index, 1);
    StampIntoCurrentPlane(target);
    SetCurrentPlane(target, previous);
    SetCanvasModified(target);
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
    if (command != FloatPlaceInPlane && command != FloatPlaceWithOpacity && command != FloatPlaceAsLayer) return 0;
    if (command == FloatPlaceWithOpacity && g_float.kind == FloatKindPicture) g_float.kind = FloatKindOpacity;
    if (g_float.state > 0 && g_float.target && g_float.image) {
        CanvDoc* target = g_float.target;
        if (command == FloatPlaceAsLayer) {
            PlaceAsNewLayer(target);
        } else {
            c_UndoManager::SavePoint(target, -1, 1);
            StampIntoCurrentPlane(target);
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
        MoveFrameTo(doc, g_float.x, g_float.y, g_float.image->width, g_float.image->height);
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
        const int iw = g_float.image->width;
        // A text shows as its inverse over the canvas; pictures and stickers
        // are composed over the document under the frame, as shown.
        const bool text = g_float.kind == FloatKindText;
        const int ix0 = ScreenToImageX(doc, r.left), iy0 = ScreenToImageY(doc, r.top);
        const int ix1 = ScreenToImageX(doc, r.right - 1), iy1 = ScreenToImageY(doc, r.bottom - 1);
        DibImage* under = text ? nullptr : ComposeForDisplay(doc, ix0, iy0, ix1, iy1, 1, 0);
        std::vector<uint32_t> out((size_t)w * h), composed((size_t)(ix1 - ix0 + 1)), src((size_t)iw);
        std::vector<uint8_t> op((size_t)iw, 255), bytes;
        for (int j = 0; j < h; ++j) {
            const int iy = ScreenToImageY(doc, r.top + j);
            if (under) c_DibImageOps::GetRow32(under, iy - iy0, 0, ix1 - ix0, composed.data());
            int sy = (int)((long long)(iy - g_float.y) * g_float.image->height / g_float.h);
            if (sy < 0) sy = 0;
            if (sy > g_float.image->height - 1) sy = g_float.image->height - 1;
            if (g_float.image->bits == 8) {
                bytes.resize((size_t)iw);
                g_VmsStore.GetRow(g_float.image, sy, 0, iw - 1, bytes.data());
                for (int i = 0; i < iw; ++i) src[(size_t)i] = bytes[(size_t)i] * 0x010101u;
            } else {
                g_VmsStore.GetRow(g_float.image, sy, 0, iw - 1, src.data());
            }
            if (g_float.opacity) g_VmsStore.GetRow(g_float.opacity, sy, 0, iw - 1, op.data());
            for (int i = 0; i < w; ++i) {
                const int ix = ScreenToImageX(doc, r.left + i);
                int sx = (int)((long long)(ix - g_float.x) * iw / g_float.w);
                if (sx < 0) sx = 0;
                if (sx > iw - 1) sx = iw - 1;
                const uint32_t s = src[(size_t)sx];
                if (text) {
                    out[(size_t)j * w + i] = ~s & 0xFFFFFFu;
                    continue;
                }
                const uint32_t c = composed[(size_t)(ix - ix0)];
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
        if (text)
            StretchDIBits(dc, r.left, r.top, w, h, 0, 0, w, h, out.data(), &bi, DIB_RGB_COLORS, SRCINVERT);
        else
            SetDIBitsToDevice(dc, r.left, r.top, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, out.data(), &bi,
                              DIB_RGB_COLORS);
    }
    DrawXorRect(dc, frame.left, frame.top, frame.right, frame.bottom);
    SelDrawHandle(dc, frame.left, frame.top);
    SelDrawHandle(dc, frame.right, frame.top);
    SelDrawHandle(dc, frame.right, frame.bottom);
    SelDrawHandle(dc, frame.left, frame.bottom);
}
