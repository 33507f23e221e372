#include "app/statusbar.h"

#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "app/commands.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/canvas_facts.h"
#include "app/settings.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"

StatusBarStateRecord StatusBarState;
const int kZoomPresets[kZoomPresetCount] = {10, 25, 50, 75, 100, 150, 200, 300, 400, 500, 600, 700, 800, 900, 1000};

namespace {

HWND Item(int id) { return AppWindows.statusBar ? GetDlgItem(AppWindows.statusBar, id) : nullptr; }

void Repaint(HWND wnd) {
    if (wnd) InvalidateRect(wnd, nullptr, TRUE), UpdateWindow(wnd);
}

void RepaintLine() {
    ++StatusBarState.repaints;
    Repaint(AppWindows.statusBar);
}

void SetLine(const char* text) { lstrcpynA(StatusBarState.line, text ? text : "", sizeof StatusBarState.line); }

void ShowPercent(int stringId, int percent) {
    char text[512];
    std::snprintf(text, sizeof text, LoadResString(stringId), percent);
    SetLine(text);
    StatusBarState.percent = percent;
    RepaintLine();
}

void ShowText(const char* text) {
    if (!text) return;
    if (std::strncmp(text, StatusBarState.line, sizeof StatusBarState.line - 1) == 0) return;
    SetLine(text);
    RepaintLine();
}

int Signed16(unsigned v) { return (int)(short)(v & 0xFFFF); }

void StatusMessage(WPARAM wp, LPARAM lp) {
    StatusBarState.percent = 0;
    switch (LOWORD(wp)) {
    case 0:
        SetLine(StatusBarState.saved);
        RepaintLine();
        break;
    case 3:
    case 8:
        ShowPercent(IDS_STATUS_WORKING, (int)lp);
        break;
    case 4:
        ShowPercent(IDS_STATUS_READING, (int)lp);
        break;
    case 5:
        ShowPercent(IDS_STATUS_WRITING, (int)lp);
        break;
    case 6:
        StatusBarState.startX = Signed16((unsigned)lp);
        StatusBarState.startY = Signed16((unsigned)lp >> 16);
        break;
    case 7: {
        int x0 = StatusBarState.startX, y0 = StatusBarState.startY;
        int x1 = Signed16((unsigned)lp), y1 = Signed16((unsigned)lp >> 16);
        int dx = x1 - x0, dy = y1 - y0;
        char text[512];
        std::snprintf(text, sizeof text, LoadResString(IDS_STATUS_AREA), x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1,
                      x0 > x1 ? x0 : x1, y0 > y1 ? y0 : y1, (dx < 0 ? -dx : dx) + 1, (dy < 0 ? -dy : dy) + 1,
                      (x0 + x1) / 2, (y0 + y1) / 2);
        ShowText(text);
        break;
    }
    case 14:
        ShowText((const char*)lp);
        break;
    case 15:
        SetLine((const char*)lp);
        lstrcpynA(StatusBarState.saved, StatusBarState.line, sizeof StatusBarState.saved);
        RepaintLine();
        break;
    default:
        break;
    }
}

void ResetTexts() {
    std::snprintf(StatusBarState.line, sizeof StatusBarState.line, "[%s]", kAppTitle);
    lstrcpynA(StatusBarState.zoom, LoadResString(IDS_STATUS_ZOOM), sizeof StatusBarState.zoom);
    lstrcpynA(StatusBarState.coords, LoadResString(IDS_STATUS_COORDS), sizeof StatusBarState.coords);
}

void PaintBar(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    int width = 2 * rc.right / 3;
    if (width > 600) width = 600;
    DrawSunkenPanel(dc, 160, 4, 160 + width, rc.bottom - 5, RGB(255, 255, 255), 2);
    HRGN clip = CreateRectRgn(162, 6, 160 + width - 1, rc.bottom - 6);
    SelectClipRgn(dc, clip);
    int endX = 170;
    draw_text_at(dc, 170, 6, 16, StatusBarState.line, RGB(0, 0, 0), &endX, nullptr);
    StatusBarState.textEnd = endX;
    if (StatusBarState.percent) {
        int x = endX + 8;
        DrawBitmapRes(dc, "percent", x, 8, SRCCOPY);
        FillRectColor(dc, x + 3 * StatusBarState.percent, 8, endX + 308, 8 + 12, RGB(255, 255, 255));
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
    EndPaint(wnd, &ps);
    Repaint(Item(kStatusCoordsItem));
    Repaint(Item(kStatusZoomItem));
}

void DrawItem(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    const RECT& rc = di->rcItem;
    if (di->CtlID == kStatusCoordsItem) {
        COLORREF face = Env.statusCoords ? RGB(185, 208, 222) : PanelColour;
        DrawRaisedPanelThin(dc, rc.left, rc.top, rc.right - 1, rc.bottom - 1, face);
        int off = (di->itemState & ODS_SELECTED) ? 1 : 0;
        draw_text_at(dc, rc.left + 8 + off, rc.top + 5 + off, 12, StatusBarState.coords, RGB(0, 0, 0), nullptr,
                     nullptr);
    } else if (di->CtlID == kStatusZoomItem) {
        DrawRaisedPanelThin(dc, rc.left, rc.top, rc.right - 1, rc.bottom - 1, PanelColour);
        draw_text_at(dc, rc.left + 8, rc.top + 4, 12, StatusBarState.zoom, RGB(0, 0, 0), nullptr, nullptr);
    }
}

bool InZoomBox(HWND bar, LPARAM lp) {
    HWND box = GetDlgItem(bar, kStatusZoomItem);
    if (!box) return false;
    RECT rc;
    GetWindowRect(box, &rc);
    MapWindowPoints(nullptr, bar, (POINT*)&rc, 2);
    POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return PtInRect(&rc, pt) != 0;
}

void ZoomBoxClick(HWND bar, bool right) {
    HWND canvas = GetActiveCanvasWindow();
    if (!canvas) return;
    if (right) {
        CanvasSetZoomAt(canvas, 100);
    } else {
        HMENU menu = CreateZoomPresetMenu();
        RECT rc;
        GetWindowRect(GetDlgItem(bar, kStatusZoomItem), &rc);
        int id = (int)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, rc.left, rc.top, 0, bar, nullptr);
        DestroyMenu(menu);
        if (id >= 1 && id <= kZoomPresetCount) CanvasSetZoomAt(canvas, kZoomPresets[id - 1]);
    }
    SetFocus(canvas);
}

}  // namespace

HMENU CreateZoomPresetMenu() {
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < kZoomPresetCount; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "[%d %%]", kZoomPresets[i]);
        AppendMenuA(menu, MF_STRING, (UINT_PTR)(i + 1), text);
    }
    return menu;
}

void StatusBarSetPos(int x, int y) {
    if ((x != StatusBarState.lastX || y != StatusBarState.lastY) && Env.statusCoords) {
        std::snprintf(StatusBarState.coords, sizeof StatusBarState.coords, "x=%4d, y=%4d", x, y);
        Repaint(Item(kStatusCoordsItem));
    }
    StatusBarState.lastX = x;
    StatusBarState.lastY = y;
}

void StatusBarSetZoom(HWND canvas) {
    StatusBarSetZoomPercent(canvas ? CanvasZoomPercent(canvas) : 100);
}

void StatusBarSetZoomPercent(int percent) {
    std::snprintf(StatusBarState.zoom, sizeof StatusBarState.zoom, "%d %%", percent);
    Repaint(Item(kStatusZoomItem));
    if (!Env.statusCoords) lstrcpynA(StatusBarState.coords, LoadResString(IDS_STATUS_COORDS), sizeof StatusBarState.coords);
    Repaint(Item(kStatusCoordsItem));
}

RECT StatusProgressRect() {
    int x = StatusBarState.textEnd + 8;
    return RECT{x, 8, x + 3 * StatusBarState.percent, 20};
}

LRESULT CALLBACK StatusBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        std::memset(&StatusBarState, 0, sizeof StatusBarState);
        std::snprintf(StatusBarState.line, sizeof StatusBarState.line, "[ %s ]", kAppTitle);
        lstrcpynA(StatusBarState.zoom, LoadResString(IDS_STATUS_ZOOM), sizeof StatusBarState.zoom);
        lstrcpynA(StatusBarState.coords, LoadResString(IDS_STATUS_COORDS), sizeof StatusBarState.coords);
        StatusBarState.lastX = StatusBarState.lastY = -1;
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 2, 4, 96, 23, wnd,
                        (HMENU)(INT_PTR)kStatusCoordsItem, AppInstance, nullptr);
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 96, 4, 63, 23, wnd,
                        (HMENU)(INT_PTR)kStatusZoomItem, AppInstance, nullptr);
        return 0;
    case WM_USER:
        StatusMessage(wp, lp);
        return 0;
    case WM_USER + 8:   // 1032: back to the resting texts
        ResetTexts();
        RepaintLine();
        return 0;
    case WM_USER + 17:  // 1041: the zoom box
        Repaint(Item(kStatusZoomItem));
        return 0;
    case WM_PAINT:
        PaintBar(wnd);
        return 0;
    case WM_DRAWITEM:
        DrawItem((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kStatusCoordsItem) {
            HWND canvas = GetActiveCanvasWindow();
            if (canvas) {
                Env.statusCoords = !Env.statusCoords;
                Repaint(Item(kStatusCoordsItem));
                StatusBarSetZoom(canvas);
                SetFocus(canvas);
            }
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (InZoomBox(wnd, lp)) ZoomBoxClick(wnd, msg == WM_RBUTTONDOWN);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
