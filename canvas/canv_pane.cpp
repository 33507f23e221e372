// The pane and the display surface of a document: painting, mouse routing,
// the brush outline and the layer pick-and-drag gesture.
#include <windowsx.h>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "canvas/canv_spare_dialogs.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"

extern int CanvCommandRunning;

namespace {

struct BrushOutline {
    CanvDoc* doc;
    VmsImage* image;      // the document's current plane image when drawn
    POINT at;             // image point
    int visible;
} g_outline = {nullptr, nullptr, {-100000, -100000}, 0};

int g_strokeRunning = 0;

// Display pixels from the clone source's cross centre to the end of each arm.
constexpr int kCloneCrossArm = 12;

CanvDoc* PaneDoc(HWND pane) { return GetCanvDoc(GetParent(pane)); }
CanvDoc* DisplayDoc(HWND display) { return GetCanvDoc(GetParent(GetParent(display))); }

bool KeyDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

bool IsPenTool(int tool) { return tool == 20000 || tool == 20005 || tool == 20023 || tool == 20518; }

void RemoveOutline() {
    if (g_outline.doc && g_outline.visible) DrawBrushCursor(g_outline.doc, g_outline.at.x, g_outline.at.y);
}
void RestoreOutline() {
    if (g_outline.doc && g_outline.visible) DrawBrushCursor(g_outline.doc, g_outline.at.x, g_outline.at.y);
}

void CanvDispPaint(HWND wnd, CanvDoc* doc) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    const RECT r = ps.rcPaint;
    EndPaint(wnd, &ps);
    if (!doc || IsRectEmpty(&r)) return;
    const bool outline = g_outline.doc == doc && g_outline.visible;
    if (outline) RemoveOutline();
    HDC own = GetDC(wnd);
    (void)dc;
    RenderCanvasRect(doc, own, r.left, r.top, r.right - 1, r.bottom - 1);
    ReleaseDC(wnd, own);
    if (outline) RestoreOutline();
}

void CanvDispMouseMove(HWND wnd, CanvDoc* doc, int x, int y) {
    HWND client = CanvMdiClient();
    if (!client || (HWND)SendMessageA(client, WM_MDIGETACTIVE, 0, 0) != doc->window) return;
    const int ix = ScreenToImageX(doc, x), iy = ScreenToImageY(doc, y);
    ShowCursorPos(doc, ix, iy);
    if (GetCanvasHost().selectionCursor) GetCanvasHost().selectionCursor(doc);
    (void)wnd;
    if (g_outline.doc == doc && g_outline.visible) {
        DrawBrushCursor(doc, g_outline.at.x, g_outline.at.y);
        DrawBrushCursor(doc, ix, iy);
    }
}

void CanvDispLButtonDown(CanvDoc* doc, int x, int y) {
    if (!IsLeftButtonDown()) return;
    RemoveOutline();
    const int tool = CanvCurrentTool();
    const CanvasHost& host = GetCanvasHost();
    if (KeyDown(VK_CONTROL) && tool != 20014) {
        PickAndMoveLayer(doc, 0);
        return;
    }
    if (KeyDown(VK_SPACE) || tool == 20521) {
        HandScroll(doc, 0);
    } else if (host.toolMouse) {
        g_strokeRunning = IsPenTool(tool) ? 1 : 0;
        host.toolMouse(doc, 0, x, y);
        g_strokeRunning = 0;
    }
    RestoreOutline();
}

void CanvDispRButtonDown(CanvDoc* doc, int x, int y) {
    if (!IsRightButtonDown()) return;
    if (KeyDown(VK_CONTROL)) {
        PickAndMoveLayer(doc, 1);
        return;
    }
    if (KeyDown(VK_SPACE)) {
        DragZoom(doc);
        return;
    }
    RemoveOutline();
    const CanvasHost& host = GetCanvasHost();
    if (host.toolMouse) host.toolMouse(doc, 1, x, y);
    RestoreOutline();
}

// The buttons on the display surface.
LRESULT CanvDispMouseButton(HWND, CanvDoc* doc, UINT msg, LPARAM lp) {
    if (!doc) return 0;
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    switch (msg) {
    case WM_LBUTTONDOWN:
        // While the layer-size dialog is open its frame handles take the button.
        if (GetLayerResizeDialog()) {
            const int handle = HitLayerFrame(doc, x, y);
            if (handle >= 0) {
                DragLayerFrame(doc, handle);
                return 0;
            }
        }
        CanvDispLButtonDown(doc, x, y);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (GetCanvasHost().toolMouse) GetCanvasHost().toolMouse(doc, 2, x, y);
        return 0;
    case WM_RBUTTONDOWN: CanvDispRButtonDown(doc, x, y); return 0;
    case WM_MBUTTONDOWN: HandScroll(doc, 1); return 0;
    }
    return 0;
}

}  // namespace

void ToggleBrushCursor() {
    if (g_outline.doc && g_outline.visible) DrawBrushCursor(g_outline.doc, g_outline.at.x, g_outline.at.y);
}

int SetBrushCursorShown(int shown) {
    const int was = g_outline.visible;
    g_outline.visible = shown ? 1 : 0;
    return was;
}

void ForgetBrushCursorPoint(CanvDoc* doc) {
    // With a document: only when the outline was drawn on it (a plane change
    // or its destruction); without: a command begins.
    if (doc && g_outline.doc != doc) return;
    RemoveOutline();
    g_outline.at.x = g_outline.at.y = -100000;
    if (doc) {
        g_outline.doc = nullptr;
        g_outline.visible = 0;
        g_outline.image = nullptr;
    }
}

void DrawBrushCursor(CanvDoc* doc, int x, int y) {
    if (!doc || !doc->display || !g_outline.visible || CanvCommandRunning) return;
    if (!IsPenTool(CanvCurrentTool())) return;
    const CanvasHost& host = GetCanvasHost();
    int rx = 0, ry = 0;
    if (!host.brushRadius || !host.brushRadius(&rx, &ry)) return;
    HDC dc = GetDC(doc->display);
    DrawXorEllipse(dc, ScaleToScreen(doc, x - rx), ScaleToScreen(doc, y - ry), ScaleToScreen(doc, x + rx),
                   ScaleToScreen(doc, y + ry));
    // The clone brush also marks where it takes its pixels from.
    int dx, dy;
    if (host.cloneSource && host.cloneSource(&dx, &dy)) {
        const int sx = ImageToScreenX(doc, x + dx), sy = ImageToScreenY(doc, y + dy);
        DrawXorDotLine(dc, sx - kCloneCrossArm, sy, sx + kCloneCrossArm, sy);
        DrawXorDotLine(dc, sx, sy - kCloneCrossArm, sx, sy + kCloneCrossArm);
    }
    ReleaseDC(doc->display, dc);
    g_outline.at.x = x;
    g_outline.at.y = y;
    g_outline.doc = doc;
    g_outline.image = doc->planes[doc->currentPlane].image;
}

void RefreshBrushCursor() {
    if (g_strokeRunning) return;
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return;
    POINT c;
    GetCursorPos(&c);
    if (WindowFromPoint(c) == doc->display) {
        if ((g_outline.doc != doc || g_outline.image != doc->planes[doc->currentPlane].image) && !g_outline.visible) {
            g_outline.visible = 1;
            POINT p;
            GetCursorImagePos(doc, &p, 0, 0);
            ShowCursorPos(doc, p.x, p.y);
            DrawBrushCursor(doc, p.x, p.y);
        }
        g_outline.doc = doc;
    } else if (g_outline.visible) {
        if (g_outline.doc) DrawBrushCursor(g_outline.doc, g_outline.at.x, g_outline.at.y);
        g_outline.visible = 0;
        g_outline.doc = nullptr;
        g_outline.image = nullptr;
    }
}

void PickAndMoveLayer(CanvDoc* doc, int rightButton) {
    POINT p;
    GetCursorImagePos(doc, &p, 0, 0);
    int layer = -1;
    if (KeyDown(VK_SHIFT)) {
        layer = LayerOf(doc->currentPlane);
    } else {
        for (int l = CountLayers(doc, 0) - 1; l >= 0; --l) {
            const LayerPlane* b = LayerBase(doc, l);
            if (b->layerType == LayerTypeOrdinary && p.x >= b->x && p.x < b->x + b->width && p.y >= b->y &&
                p.y < b->y + b->height) {
                layer = l;
                break;
            }
        }
    }
    if (layer <= 0 || rightButton) {
        if (!rightButton) SetCurrentPlane(doc, 0);
        return;
    }
    LayerPlane* b = LayerBase(doc, layer);
    if (b->layerType != LayerTypeOrdinary || p.x < b->x || p.x >= b->x + b->width || p.y < b->y ||
        p.y >= b->y + b->height)
        return;
    const int gripX = p.x - b->x, gripY = p.y - b->y;
    int nx = b->x, ny = b->y;
    HDC dc = GetDC(doc->display);
    auto frame = [&](int x, int y) {
        DrawXorStyledRect(dc, ImageToScreenX(doc, x), ImageToScreenY(doc, y), ImageToScreenX(doc, x + b->width - 1),
                          ImageToScreenY(doc, y + b->height - 1), 1);
    };
    frame(nx, ny);
    POINT last = p;
    while (IsLeftButtonDown()) {
        POINT c;
        GetCursorImagePos(doc, &c, gripX, gripY);
        if (c.x == last.x && c.y == last.y) continue;
        frame(nx, ny);
        nx = c.x - gripX;
        ny = c.y - gripY;
        last = c;
        CanvReportProgress(6, MAKELPARAM(nx, ny));
        CanvReportProgress(7, MAKELPARAM(nx + b->width - 1, ny + b->height - 1));
        frame(nx, ny);
    }
    frame(nx, ny);
    ReleaseDC(doc->display, dc);
    if (nx == b->x && ny == b->y) {
        SetCurrentPlane(doc, layer * CanvPlanesPerLayer);
    } else {
        // At least 10 pixels of the layer stay on the canvas.
        if (nx < 10 - b->width) nx = 10 - b->width;
        if (nx > doc->width - 10) nx = doc->width - 10;
        if (ny < 10 - b->height) ny = 10 - b->height;
        if (ny > doc->height - 10) ny = doc->height - 10;
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            b[k].x = nx;
            b[k].y = ny;
        }
        // Only a layer that moved changes the document.
        SetCanvasModified(doc);
        RedrawCanvas(doc);
    }
    CanvReportProgress(0, 0);
}

LRESULT CALLBACK CanvPaneWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    CanvDoc* doc = PaneDoc(wnd);
    switch (msg) {
    case WM_CREATE: {
        CanvDoc* d = GetCanvDoc(GetParent(wnd));
        if (!d) return 0;   // a pane outside a document shows nothing
        d->pane = wnd;
        d->display = CreateWindowExA(0, "CanvWndDispClass", "", WS_CHILD | WS_VISIBLE, d->marginX, d->marginY,
                                     GetDisplayWidth(d), GetDisplayHeight(d), wnd, nullptr,
                                     (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE), nullptr);
        return d->display ? 0 : -1;
    }
    case WM_SIZE:
        if (doc) CanvPaneSize(doc, LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (doc) CanvPaneScroll(doc, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (doc && doc->display) {
            POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            MapWindowPoints(wnd, doc->display, &p, 1);
            SendMessageA(doc->display, msg, wp, MAKELPARAM(p.x, p.y));
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

namespace {
// After a click or drag on the display its document window has the keyboard
// focus, whatever had it before (a tool bar, a panel), so that the keys of the
// document (Delete, the numeric pad, Esc) reach it. The window may be gone
// when a menu of the click closed it.
void FocusDocumentAfter(HWND documentWindow) {
    if (documentWindow && IsWindow(documentWindow) && GetFocus() != documentWindow) SetFocus(documentWindow);
}
}  // namespace

LRESULT CALLBACK CanvDispWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    CanvDoc* doc = DisplayDoc(wnd);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        HWND documentWindow = doc ? doc->window : nullptr;
        const LRESULT result = CanvDispMouseButton(wnd, doc, msg, lp);
        FocusDocumentAfter(documentWindow);
        return result;
    }
    case WM_PAINT:
        CanvDispPaint(wnd, doc);
        if (doc && GetLayerResizeDialog()) {
            HDC dc = GetDC(wnd);
            DrawLayerFrame(doc, dc);
            ReleaseDC(wnd, dc);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        if (doc) CanvDispMouseMove(wnd, doc, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
