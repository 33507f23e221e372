// Zoom, coordinate tables, pane layout and scrolling of a document.
#include "canvas/canv_view.h"

#include <windowsx.h>

#include <cmath>

#include "ui/dlgfield.h"
#include "ui/mousepoll.h"
#include "canvas/canv_host.h"

const int ZoomPresetTable[15] = {10, 25, 50, 75, 100, 150, 200, 300, 400, 500, 600, 700, 800, 900, 1000};

namespace {

constexpr int kMaxDisplaySide = 32767;

bool IsIdentity(const CanvDoc* doc) { return doc->zoom == 100.0; }

// Rule A at or below 100 %: image to display.
int ScaleDown(double zoom, int v) { return (int)(zoom * v * 0.01); }
// Rule B at or above 100 %: display to image, toward zero.
int ScaleUp(double zoom, int v) { return (int)(v * 100.0 / zoom); }

int DisplaySize(const CanvDoc* doc, int n) { return IsIdentity(doc) ? n : (int)(n * doc->zoom * 0.01); }

// Rule B below 100 % beyond the table: the smallest image coordinate i in
// 0..n-1 whose display coordinate is v; n when there is none.
int FirstImageOf(double zoom, int v, int n) {
    if (v < 0) return 0;
    int i = (int)std::floor(v * 100.0 / zoom) - 2;
    if (i < 0) i = 0;
    for (; i < n; ++i) {
        int d = ScaleDown(zoom, i);
        if (d == v) return i;
        if (d > v) break;
    }
    return n;
}

int ImageToScreen(const CanvDoc* doc, int v, int axis) {
    if (IsIdentity(doc)) return v;
    const int n = axis ? doc->height : doc->width;
    if (doc->zoom <= 100.0) return ScaleDown(doc->zoom, v);
    if (v < 0) return 0;
    if (v < n) return doc->imageToScreen[axis * CanvZoomTableHalf + v];
    return DisplaySize(doc, n);
}

int ScreenToImage(const CanvDoc* doc, int v, int axis) {
    if (IsIdentity(doc)) return v;
    if (doc->zoom > 100.0) return ScaleUp(doc->zoom, v);
    const int n = axis ? doc->height : doc->width;
    const int d = DisplaySize(doc, n);
    if (v >= 0 && v <= d) return doc->screenToImage[axis * CanvZoomTableHalf + v];
    return FirstImageOf(doc->zoom, v, n);
}

void BuildAxis(CanvDoc* doc, int axis) {
    const int n = axis ? doc->height : doc->width;
    const int d = DisplaySize(doc, n);
    const double z = doc->zoom;
    int* toImage = doc->screenToImage + axis * CanvZoomTableHalf;
    int* toScreen = doc->imageToScreen + axis * CanvZoomTableHalf;
    for (int k = 0; k < CanvZoomTableHalf; ++k) {
        toImage[k] = n;
        toScreen[k] = d;
    }
    if (z < 100.0) {
        // Each display pixel names the first image pixel that lands on it.
        for (int i = n - 1; i >= 0; --i) {
            int s = ScaleDown(z, i);
            if (s >= 0 && s < CanvZoomTableHalf) toImage[s] = i;
        }
    }
    if (z <= 100.0) {
        for (int i = 0; i <= n && i < CanvZoomTableHalf; ++i) toScreen[i] = ScaleDown(z, i);
    } else {
        // Each image pixel names the first display pixel that shows it.
        for (int s = d; s >= 0; --s) {
            int i = ScaleUp(z, s);
            if (i >= 0 && i <= n && i < CanvZoomTableHalf) toScreen[i] = s;
        }
    }
}

HWND Ruler(const CanvDoc* doc, int axis) { return axis ? doc->vRuler : doc->hRuler; }

}  // namespace

int GetDisplayWidth(const CanvDoc* doc) { return DisplaySize(doc, doc->width); }
int GetDisplayHeight(const CanvDoc* doc) { return DisplaySize(doc, doc->height); }
int ScaleToScreen(const CanvDoc* doc, int length) { return IsIdentity(doc) ? length : (int)(length * doc->zoom * 0.01); }

int ImageToScreenX(const CanvDoc* doc, int x) { return ImageToScreen(doc, x, 0); }
int ImageToScreenY(const CanvDoc* doc, int y) { return ImageToScreen(doc, y, 1); }
int ScreenToImageX(const CanvDoc* doc, int x) { return ScreenToImage(doc, x, 0); }
int ScreenToImageY(const CanvDoc* doc, int y) { return ScreenToImage(doc, y, 1); }

void BuildZoomTables(CanvDoc* doc) {
    BuildAxis(doc, 0);
    BuildAxis(doc, 1);
}

double CapZoom(const CanvDoc* doc, double zoom) {
    if (zoom < CanvZoomMin) zoom = CanvZoomMin;
    if (zoom > CanvZoomMax) zoom = CanvZoomMax;
    const int side = doc->width > doc->height ? doc->width : doc->height;
    if (side > 0 && (int64_t)(side * zoom * 0.01) > kMaxDisplaySide) {
        zoom = std::floor(kMaxDisplaySide * 100.0 / side);
        while (zoom > 1 && (int64_t)(side * zoom * 0.01) > kMaxDisplaySide) zoom -= 1;
    }
    return zoom;
}

double FirstZoom(int width, int height, int clientWidth, int clientHeight) {
    double zoom = 100.0;
    while (zoom > CanvZoomMin) {
        int w = zoom == 100.0 ? width : (int)(width * zoom * 0.01);
        int h = zoom == 100.0 ? height : (int)(height * zoom * 0.01);
        if (w < clientWidth && h < clientHeight) break;
        zoom -= 10;
    }
    return zoom;
}

void GetCursorImagePos(const CanvDoc* doc, POINT* point, int offsetX, int offsetY) {
    POINT c;
    GetPolledCursorPos(&c);
    if (doc->display) ScreenToClient(doc->display, &c);
    int x = ScreenToImageX(doc, c.x), y = ScreenToImageY(doc, c.y);
    if (doc->gridShown && doc->gridSnap && doc->gridWidth > 0 && doc->gridHeight > 0) {
        const int gw = doc->gridWidth, gh = doc->gridHeight;
        x = gw * ((x + gw / 2) / gw) + offsetX % gw;
        y = gh * ((y + gh / 2) / gh) + offsetY % gh;
    }
    point->x = x;
    point->y = y;
}

// ---------------------------------------------------------------------------
// Pane layout and scrolling.

void CanvPaneSize(CanvDoc* doc, int width, int height) {
    doc->marginX = doc->marginY = doc->rulerUnit ? 16 : 8;
    doc->paneWidth = width;
    doc->paneHeight = height;
    int* scroll[2] = {&doc->scrollX, &doc->scrollY};
    int* content[2] = {&doc->contentWidth, &doc->contentHeight};
    const int pane[2] = {width, height};
    const int shown[2] = {GetDisplayWidth(doc), GetDisplayHeight(doc)};
    int offset[2];
    for (int axis = 0; axis < 2; ++axis) {
        int c = shown[axis] + 16;
        if (c < 0) c = 0;
        *content[axis] = c;
        int old = *scroll[axis];
        if (*scroll[axis] < 0) *scroll[axis] = 0;
        if (*scroll[axis] > c - pane[axis]) *scroll[axis] = c - pane[axis] > 0 ? c - pane[axis] : 0;
        if (doc->pane && old != *scroll[axis]) {
            if (axis == 0) ScrollWindow(doc->pane, old - *scroll[axis], 0, nullptr, nullptr);
            else ScrollWindow(doc->pane, 0, old - *scroll[axis], nullptr, nullptr);
        }
        if (doc->pane) SetupScrollBar(doc->pane, axis ? SB_VERT : SB_HORZ, 0, c, pane[axis], *scroll[axis]);
        offset[axis] = c < pane[axis] ? (pane[axis] - c) / 2 + 8 : 8;
    }
    if (doc->display)
        MoveWindow(doc->display, offset[0] - doc->scrollX, offset[1] - doc->scrollY, shown[0], shown[1], TRUE);
    if (doc->hRuler)
        MoveWindow(doc->hRuler, doc->marginX + offset[0] - 8, 0, doc->marginX + shown[0], doc->marginY - 1, TRUE);
    if (doc->vRuler)
        MoveWindow(doc->vRuler, 0, doc->marginY + offset[1] - 8, doc->marginX - 1, doc->marginY + shown[1], TRUE);
}

// Scrolls one axis to a 32-bit position (limited to the content).
void CanvPaneScrollTo(CanvDoc* doc, int axis, int position) {
    int* scroll = axis ? &doc->scrollY : &doc->scrollX;
    const int content = axis ? doc->contentHeight : doc->contentWidth;
    const int pane = axis ? doc->paneHeight : doc->paneWidth;
    int step = position - *scroll;
    int lo = -*scroll, hi = content - pane - *scroll;
    if (step > hi) step = hi;
    if (step < lo) step = lo;
    if (step == 0) return;
    *scroll += step;
    if (doc->pane) {
        if (axis == 0) ScrollWindow(doc->pane, -step, 0, nullptr, nullptr);
        else ScrollWindow(doc->pane, 0, -step, nullptr, nullptr);
        SetupScrollBar(doc->pane, axis ? SB_VERT : SB_HORZ, 0, content, pane, *scroll);
    }
    if (doc->rulerUnit && Ruler(doc, axis)) InvalidateRect(Ruler(doc, axis), nullptr, TRUE);
}

void CanvPaneScroll(CanvDoc* doc, int bar, int code) {
    const int axis = bar == SB_VERT ? 1 : 0;
    int* scroll = axis ? &doc->scrollY : &doc->scrollX;
    const int content = axis ? doc->contentHeight : doc->contentWidth;
    const int pane = axis ? doc->paneHeight : doc->paneWidth;
    const int line = pane / 10 > 1 ? pane / 10 : 1;
    const int page = pane / 2 > 1 ? pane / 2 : 1;
    int target = *scroll;
    switch (code) {
    case SB_LINEUP: target -= line; break;
    case SB_LINEDOWN: target += line; break;
    case SB_PAGEUP:
    case SB_PAGEDOWN: {
        // Near an end, a page step starts from that end.
        int base = *scroll;
        if (content > 0) {
            int percent = (int)((int64_t)*scroll * 100 / content);
            if (percent < 5) base = 0;
            else if (percent > 95) base = content;
        }
        target = base + (code == SB_PAGEUP ? -page : page);
        break;
    }
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The 32-bit track position, not the 16-bit one of the message.
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS | SIF_POS;
        if (doc->pane && GetScrollInfo(doc->pane, bar, &si)) target = code == SB_THUMBTRACK ? si.nTrackPos : si.nPos;
        break;
    }
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = content - pane; break;
    default: return;
    }
    CanvPaneScrollTo(doc, axis, target);
}

void SetZoomAt(HWND canvasWindow, CanvDoc* doc, double zoom) {
    zoom = CapZoom(doc, zoom);
    POINT anchor;
    RECT displayRect = {};
    POINT cursor;
    GetPolledCursorPos(&cursor);
    if (doc->display) GetWindowRect(doc->display, &displayRect);
    if (doc->display && PtInRect(&displayRect, cursor)) {
        GetCursorImagePos(doc, &anchor, 0, 0);
    } else {
        anchor.x = ScreenToImageX(doc, doc->scrollX + doc->paneWidth / 2);
        anchor.y = ScreenToImageY(doc, doc->scrollY + doc->paneHeight / 2);
    }
    doc->scrollX = doc->scrollY = 0;
    doc->zoom = zoom;
    BuildZoomTables(doc);
    const int ax = ImageToScreenX(doc, anchor.x), ay = ImageToScreenY(doc, anchor.y);
    if (canvasWindow) {
        RECT rc;
        GetClientRect(canvasWindow, &rc);
        WPARAM type = IsZoomed(canvasWindow) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageA(canvasWindow, WM_SIZE, type, MAKELPARAM(rc.right * 2, rc.bottom * 2));
        SendMessageA(canvasWindow, WM_SIZE, type, MAKELPARAM(rc.right, rc.bottom));
    }
    CanvPaneScrollTo(doc, 0, ax - doc->paneWidth / 2 > 0 ? ax - doc->paneWidth / 2 : 0);
    CanvPaneScrollTo(doc, 1, ay - doc->paneHeight / 2 > 0 ? ay - doc->paneHeight / 2 : 0);
    if (doc->pane) CanvPaneSize(doc, doc->paneWidth, doc->paneHeight);
    const CanvasHost& host = GetCanvasHost();
    if (host.statusBarSetZoom) host.statusBarSetZoom((int)doc->zoom);
    UpdateCanvasTitle(doc);
    if (host.repaintToolButton) {
        host.repaintToolButton(11014);
        host.repaintToolButton(11015);
    }
}

void HandScroll(CanvDoc* doc, int mode) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_HAND));
    POINT last;
    GetPolledCursorPos(&last);
    auto held = [mode]() {
        if (mode == 0) return IsLeftButtonDown() != 0;
        if (mode == 1) return IsMiddleButtonDown() != 0;
        PumpOneMessage();
        return (GetAsyncKeyState(VK_SPACE) & 0x8000) != 0;
    };
    while (held()) {
        POINT c;
        GetPolledCursorPos(&c);
        if (mode == 2 && !(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) {
            last = c;
            Sleep(1);
            continue;
        }
        if (c.x != last.x) CanvPaneScrollTo(doc, 0, doc->scrollX + (last.x - c.x));
        if (c.y != last.y) CanvPaneScrollTo(doc, 1, doc->scrollY + (last.y - c.y));
        if ((c.x != last.x || c.y != last.y) && doc->display) UpdateWindow(doc->display);
        last = c;
        Sleep(1);
    }
    SetCursor(previous);
}

void DragZoom(CanvDoc* doc) {
    POINT c;
    GetPolledCursorPos(&c);
    int lastX = c.x;
    while (IsRightButtonDown()) {
        GetPolledCursorPos(&c);
        int dx = c.x - lastX;
        if (dx >= 16 || dx <= -16) {
            SendMessageA(doc->window, WM_COMMAND, dx > 0 ? 11014 : 11015, 0);
            lastX = c.x;
            if (doc->display) UpdateWindow(doc->display);
        }
        Sleep(1);
    }
}
