#include "adjust/adjust_gauge.h"

#include <algorithm>

#include "adjust/adjust_dlg_util.h"
#include "ui/drawutil.h"

namespace {

const char kGaugeClass[] = "AdjustGaugeClass";
const char kStripClass[] = "AdjustGaugeStripClass";

struct Gauge {
    int low, high, value, look, dragging;
};

Gauge* Of(HWND wnd) { return (Gauge*)GetWindowLongPtrA(wnd, GWLP_USERDATA); }

int Width(HWND wnd) {
    RECT rc;
    GetClientRect(wnd, &rc);
    return rc.right;
}

int MarkerX(HWND wnd, const Gauge& g) {
    return g.high > g.low ? (Width(wnd) - 1) * (g.value - g.low) / (g.high - g.low) : 0;
}

void DrawMarker(HWND wnd, HDC dc, const Gauge& g) {
    RECT rc;
    GetClientRect(wnd, &rc);
    const int x = MarkerX(wnd, g);
    DrawXorDotLine(dc, x, 0, x, rc.bottom);
}

void Paint(HWND wnd, HDC dc, const Gauge& g) {
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    if (g.look & GaugeLowerRamp) {
        const int w = std::max(1, (int)rc.right - 1);
        for (int x = 0; x < rc.right; ++x) {
            const int v = 64 + x * 160 / w;
            RECT cell = {x, rc.bottom / 2, x + 1, rc.bottom};
            HBRUSH b = CreateSolidBrush(RGB(v, v, v));
            FillRect(dc, &cell, b);
            DeleteObject(b);
        }
    }
    if (g.look & GaugeMiddleLine) DrawLine(dc, (rc.right - 1) / 2, 0, (rc.right - 1) / 2, rc.bottom, RGB(128, 128, 128));
    DrawMarker(wnd, dc, g);
}

// Follows the cursor: erases the old marker and draws the new one on a change.
void Track(HWND wnd, Gauge* g, int x) {
    const int v = GaugeValueAt(x, Width(wnd), g->low, g->high);
    if (v == g->value) return;
    HDC dc = GetDC(wnd);
    DrawMarker(wnd, dc, *g);
    g->value = v;
    DrawMarker(wnd, dc, *g);
    ReleaseDC(wnd, dc);
    SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), GaugeMoved), (LPARAM)wnd);
}

LRESULT CALLBACK GaugeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    Gauge* g = Of(wnd);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (g) Paint(wnd, dc, *g);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (!g) break;
        g->dragging = 1;
        SetCapture(wnd);
        Track(wnd, g, (short)LOWORD(lp));
        return 0;
    case WM_MOUSEMOVE:
        if (g && g->dragging) Track(wnd, g, (short)LOWORD(lp));
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (!g || !g->dragging) break;
        if (msg == WM_LBUTTONUP) Track(wnd, g, (short)LOWORD(lp));
        g->dragging = 0;
        if (GetCapture() == wnd) ReleaseCapture();
        SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), GaugeReleased), (LPARAM)wnd);
        return 0;
    case WM_NCDESTROY:
        delete g;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

struct Strip {
    HWND gauge;
    StripColour colour;
};

void PaintStrip(HWND wnd, HDC dc, const Strip& s) {
    RECT rc;
    GetClientRect(wnd, &rc);
    for (int x = 0; x < rc.right; ++x) DrawLine(dc, x, 0, x, rc.bottom, s.colour(wnd, x, rc.right));
}

LRESULT CALLBACK StripProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    Strip* s = (Strip*)GetWindowLongPtrA(wnd, GWLP_USERDATA);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (s) PaintStrip(wnd, dc, *s);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (s) PaintStrip(wnd, (HDC)wp, *s);
        return 0;
    case WM_LBUTTONDOWN:
        // The gauge takes the capture, so the drag goes on there.
        if (s) SendMessageA(s->gauge, WM_LBUTTONDOWN, wp, lp);
        return 0;
    case WM_NCDESTROY:
        delete s;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

HWND CreateGaugeStrip(HWND parent, int x, int y, int w, int h, int id, HWND gauge, StripColour colour) {
    HWND wnd = CreateOwnControl(kStripClass, StripProc, parent, WS_BORDER, x, y, w, h, id);
    // The window owns its state; WM_NCDESTROY frees it.
    if (wnd) SetWindowLongPtrA(wnd, GWLP_USERDATA, (LONG_PTR) new Strip{gauge, colour});
    return wnd;
}

int GaugeValueAt(int x, int width, int low, int high) {
    const int range = high - low;
    if (width <= 1 || range <= 0) return low;
    return std::clamp(x * range / (width - 1), 0, range) + low;
}

int GaugeStep(int value, int low, int high, int up) {
    const int next = ((value + (up ? 4 : -4)) / 4) * 4;
    return std::clamp(next, low, high);
}

HWND CreateGauge(HWND parent, int x, int y, int w, int h, int id, int low, int high, int value, int look) {
    HWND wnd = CreateOwnControl(kGaugeClass, GaugeProc, parent, WS_BORDER, x, y, w, h, id);
    if (!wnd) return nullptr;
    // The window owns its state; WM_NCDESTROY frees it.
    SetWindowLongPtrA(wnd, GWLP_USERDATA, (LONG_PTR) new Gauge{low, high, std::clamp(value, low, high), look, 0});
    return wnd;
}

int GaugeValue(HWND gauge) {
    const Gauge* g = Of(gauge);
    return g ? g->value : 0;
}

void SetGaugeValue(HWND gauge, int value) {
    Gauge* g = Of(gauge);
    if (!g) return;
    g->value = std::clamp(value, g->low, g->high);
    InvalidateRect(gauge, nullptr, FALSE);
}
