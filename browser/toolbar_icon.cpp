#include "browser/toolbar_icon.h"

#include <cstdio>
#include <cstring>

#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/mousepoll.h"
#include "browser/browser_frame.h"
#include "browser/text_draw.h"
#include "resources/darnaview_ids.h"

const ToolIconRow kToolIconTable[] = {
    {301, "tb_zoom"}, {-1, "--"}, {400, "tb_size0"}, {401, "tb_size1"}, {402, "tb_size2"}, {-1, "--"}, {-10, "----"},
};

namespace {

constexpr int kButtonSize = 26;

struct TipState {
    HWND tip;
    HWND tracked;     // the button holding the capture
    UINT_PTR timer;   // valid while timerRunning
    bool timerRunning;
    HWND highlighted;
    char text[128];
    POINT position;
} g_tip;

int RowOf(HWND button) { return GetDlgCtrlID(button); }

void CloseToolTip() {
    if (g_tip.tracked) {
        if (g_tip.timerRunning) KillTimer(g_tip.tracked, g_tip.timer);
        ReleaseCapture();
    }
    g_tip.timerRunning = false;
    g_tip.tracked = nullptr;
    if (g_tip.tip) DestroyWindow(g_tip.tip);
    g_tip.tip = nullptr;
}

void StartToolTipTimer(HWND button) {
    g_tip.tracked = button;
    SetCapture(button);
    if (g_tip.timerRunning) return;
    for (UINT_PTR id = 0; id < 30000; ++id)
        if (SetTimer(button, id, 500, nullptr)) {
            g_tip.timer = id;
            g_tip.timerRunning = true;
            return;
        }
}

// A separator shows the tool bar's own background, continued across it, with
// an etched groove down its middle.
void PaintSeparator(HWND separator, HDC dc, const RECT& rc) {
    POINT at = {0, 0};
    MapWindowPoints(separator, GetParent(separator), &at, 1);
    if (g_Browser.toolbarBrush) {
        POINT old;
        SetBrushOrgEx(dc, -at.x, -at.y, &old);
        FillRect(dc, &rc, g_Browser.toolbarBrush);
        SetBrushOrgEx(dc, old.x, old.y, nullptr);
    } else {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    }
    const int x = rc.right / 2 - 1;
    DrawLine(dc, x, 2, x, rc.bottom - 2, RGB(128, 128, 128));
    DrawLine(dc, x + 1, 2, x + 1, rc.bottom - 2, RGB(255, 255, 255));
}

void PaintToolBarIcon(HWND button) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(button, &ps);
    RECT rc;
    GetClientRect(button, &rc);
    const int row = RowOf(button);
    const char* base = kToolIconTable[row].bitmap;
    if (base[0] == '-') {
        PaintSeparator(button, dc, rc);
    } else {
        FillRectColor(dc, 0, 0, rc.right, rc.bottom, 0);
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(button, &p);
        const bool inside = PtInRect(&rc, p) != 0;
        const bool down = GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) < 0;
        char name[32];
        std::snprintf(name, sizeof name, "%s%s", base, inside && down ? "__" : g_tip.highlighted == button ? "_" : "");
        DrawBitmapResRect(name, dc, 0, 0, rc.right, rc.bottom, SRCCOPY);
    }
    EndPaint(button, &ps);
}

void ClickToolBarIcon(HWND button) {
    CloseToolTip();
    InvalidateRect(button, nullptr, FALSE);
    UpdateWindow(button);
    WaitLeftButtonUp();
    InvalidateRect(button, nullptr, FALSE);
    SendMessageA(g_Browser.frame, WM_COMMAND, (WPARAM)kToolIconTable[RowOf(button)].command, 0);
}

void OnIconMouseMove(HWND button) {
    if (g_tip.tracked) {
        POINT p;
        GetCursorPos(&p);
        HWND parent = GetParent(g_tip.tracked);
        ScreenToClient(parent, &p);
        HWND under = ChildWindowFromPoint(parent, p);
        if (under == g_tip.tracked && g_Browser.appActive) return;
        HWND old = g_tip.highlighted;
        CloseToolTip();
        g_tip.highlighted = nullptr;
        if (old) InvalidateRect(old, nullptr, FALSE);
        return;
    }
    if (!g_Browser.appActive) return;
    HWND old = g_tip.highlighted;
    StartToolTipTimer(button);
    g_tip.highlighted = button;
    InvalidateRect(button, nullptr, FALSE);
    if (old && old != button) InvalidateRect(old, nullptr, FALSE);
}

void OpenTip(HWND button) {
    if (g_tip.timerRunning) KillTimer(button, g_tip.timer);
    g_tip.timerRunning = false;
    if (g_tip.tip) return;
    std::snprintf(g_tip.text, sizeof g_tip.text, "[%s]", LoadResString(IDS_BV_TIP_FIRST + RowOf(button)));
    RECT r;
    GetWindowRect(button, &r);
    g_tip.position = {r.left + 20, r.top + 36};
    g_tip.tip = CreateWindowExA(WS_EX_TOOLWINDOW, kToolTipClass, g_tip.text, WS_POPUP | WS_BORDER | WS_VISIBLE,
                                g_tip.position.x, g_tip.position.y, 240, 18, g_Browser.frame, nullptr,
                                (HINSTANCE)GetWindowLongPtrA(button, GWLP_HINSTANCE), nullptr);
}

}  // namespace

POINT KeepTipOnScreen(int x, int y, int width, int height, int screenWidth, int screenHeight) {
    if (x > screenWidth - width) x = screenWidth - width;
    if (y > screenHeight - height) y = screenHeight - height;
    return POINT{x, y};
}

HWND CurrentToolTip() { return g_tip.tip; }

void CreateToolBarIcons(HWND toolbar) {
    HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(toolbar, GWLP_HINSTANCE);
    for (int row = 0; kToolIconTable[row].command != -10; ++row)
        CreateWindowA(kToolIconClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, toolbar, (HMENU)(INT_PTR)row, inst, nullptr);
    LayoutToolBarIcons(toolbar);
}

void LayoutToolBarIcons(HWND toolbar) {
    int x = 2;
    for (int row = 0; kToolIconTable[row].command != -10; ++row) {
        HWND b = GetDlgItem(toolbar, row);
        if (kToolIconTable[row].command == -1) {
            if (b) MoveWindow(b, x, 2, 16, kButtonSize, TRUE);
            x += 16;
            continue;
        }
        if (b) MoveWindow(b, x, 2, kButtonSize, kButtonSize, TRUE);
        x += kButtonSize + 1;
    }
}

void DestroyToolBarIcons() {
    CloseToolTip();
    g_tip.highlighted = nullptr;
}

LRESULT CALLBACK ToolBarIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_PAINT:
        PaintToolBarIcon(wnd);
        return 0;
    case WM_MOUSEMOVE:
        OnIconMouseMove(wnd);
        return 0;
    case WM_TIMER:
        OpenTip(wnd);
        return 0;
    case WM_LBUTTONDOWN:
        ClickToolBarIcon(wnd);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK ToolTipWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HDC dc = GetDC(wnd);
        SIZE size = {};
        MeasureTextSize(dc, 12, g_tip.text, &size);
        ReleaseDC(wnd, dc);
        RECT r;
        GetWindowRect(wnd, &r);
        const int width = size.cx + 16, height = r.bottom - r.top;
        POINT p = KeepTipOnScreen(r.left, r.top, width, size.cy, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN));
        MoveWindow(wnd, p.x, p.y, width, height, TRUE);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && GetWindow(wnd, GW_OWNER)) SetActiveWindow(GetWindow(wnd, GW_OWNER));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRectColor(dc, 0, 0, rc.right, rc.bottom, 0xFFFFFF);
        DrawTextFit(dc, rc.left + 1, rc.top + 1, rc.right, rc.bottom - 1, g_tip.text, RGB(0, 0, 128));
        EndPaint(wnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}
