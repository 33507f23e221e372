#include "canvas/canv_ruler.h"

#include "canvas/canv_dlg_util.h"

#include <cstdio>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/ruler_scale.h"

namespace {

// The last marker position of each ruler class, shared by all documents.
int g_markerPos[2];

// The document whose window holds the ruler.
CanvDoc* RulerDoc(HWND wnd) { return GetCanvDoc(GetParent(wnd)); }

}  // namespace

void DrawRuler(HWND wnd, HDC dc, int vertical) {
    RECT client;
    GetClientRect(wnd, &client);
    RECT area = client;
    if (vertical) area.right -= 4;
    else area.bottom -= 4;
    FillRectColor(dc, area.left, area.top, area.right, area.bottom, RGB(192, 192, 192));
    CanvDoc* doc = RulerDoc(wnd);
    if (doc && doc->rulerUnit) {
        const int count = vertical ? doc->height : doc->width;
        const int scroll = vertical ? doc->scrollY : doc->scrollX;
        std::vector<int> positions((size_t)count);
        for (int c = 0; c < count; ++c)
            positions[(size_t)c] = (vertical ? ImageToScreenY(doc, c) : ImageToScreenX(doc, c)) + 8 - scroll;
        const int across = vertical ? area.right : area.bottom;
        const int length = vertical ? client.bottom : client.right;
        for (const RulerTick& t : LayoutRuler(positions, doc->rulerUnit, doc->resolution, doc->zoom)) {
            if (t.position < -40 || t.position > length + 40) continue;
            const bool major = t.kind == 2;
            const int from = major ? across / 2 - 2 : 3 * across / 4;
            const COLORREF tick = major ? RGB(0, 0, 255) : RGB(128, 128, 255);
            if (vertical) DrawLine(dc, from, t.position, across, t.position, tick);
            else DrawLine(dc, t.position, from, t.position, across, tick);
            if (t.labelShown) {
                char text[16];
                std::snprintf(text, sizeof text, "%d", t.label);
                const COLORREF ink = major ? RGB(0, 0, 0) : RGB(128, 128, 128);
                if (vertical) DrawTextAngle(dc, 0, t.position - 1, 10, text, ink, 90, nullptr);
                else DrawTextAngle(dc, t.position + 2, 0, 10, text, ink, 0, nullptr);
            }
        }
    }
    if (vertical) DrawRaisedEdge(dc, 0, 0, area.right, client.bottom - 1);
    else DrawRaisedEdge(dc, 0, 0, client.right - 1, area.bottom);
}

namespace {

void PaintRuler(HWND wnd, int vertical) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    DrawRuler(wnd, dc, vertical);
    EndPaint(wnd, &ps);
}

void DrawMarker(HWND wnd, int vertical, int p) {
    RECT rc;
    GetClientRect(wnd, &rc);
    HDC dc = GetDC(wnd);
    if (vertical) {
        const int W = rc.right;
        FillRectColor(dc, 3 * W / 4, 0, W, rc.bottom, RGB(0, 0, 0));
        FillRectColor(dc, 3 * W / 4 + 1, p - 8, W, p + 8, RGB(240, 240, 240));
        DrawLine(dc, 3 * W / 4, p, W, p, RGB(0, 0, 0));
    } else {
        const int H = rc.bottom;
        FillRectColor(dc, 0, 3 * H / 4, rc.right, H, RGB(0, 0, 0));
        FillRectColor(dc, p - 8, 3 * H / 4 + 1, p + 8, H, RGB(240, 240, 240));
        DrawLine(dc, p, 3 * H / 4, p, H, RGB(0, 0, 0));
    }
    ReleaseDC(wnd, dc);
}

LRESULT GageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, int vertical) {
    switch (msg) {
    case WM_PAINT:
        PaintRuler(wnd, vertical);
        return 0;
    case WM_USER + 11:
        if (GetActiveCanvas()) {
            g_markerPos[vertical] = (int)lp + 8;
            DrawMarker(wnd, vertical, g_markerPos[vertical]);
        }
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK HGageWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return GageProc(wnd, msg, wp, lp, 0); }
LRESULT CALLBACK VGageWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return GageProc(wnd, msg, wp, lp, 1); }

int ShowRulerDialog(HWND owner, int unit) {
    int choice = unit >= 0 && unit <= 3 ? unit : 0;
    return (int)RunCanvasDialog("dra_gage", owner, FourChoiceProc, (LPARAM)&choice);
}
