// What the adjustment dialogs share: the 640 x 480 client area placed like
// the other dialogs, their child controls in the dialog's font, and their
// preview window classes.
#pragma once
#include <windows.h>

#include "image/c_dib.h"
#include "ui/dlgfield.h"

// Sizes the dialog to a 640 x 480 client area and places it (mode 1).
inline void SizeAdjustDialog(HWND dlg) {
    RECT rc = {0, 0, 640, 480};
    AdjustWindowRect(&rc, (DWORD)GetWindowLongPtrA(dlg, GWL_STYLE), FALSE);
    SetWindowPos(dlg, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOMOVE);
    PlaceWindow(dlg, 1);
}

inline HWND AdjustChild(HWND dlg, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                        int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dlg, (HMENU)(INT_PTR)id,
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, SendMessageA(dlg, WM_GETFONT, 0, 0), 0);
    return c;
}

// A window class of the dialogs (registered once; later calls do nothing).
inline void RegisterAdjustClass(const char* name, WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// A child control of a window class of the dialogs' own (registered at the
// first call), with no background brush: it paints itself whole.
inline HWND CreateOwnControl(const char* cls, WNDPROC proc, HWND parent, DWORD style, int x, int y, int w, int h,
                             int id) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(nullptr), nullptr);
}

// Paints a preview window: its face, and the picture (if any) centred in a
// one-pixel frame. Returns the rectangle the picture takes (empty without one).
inline RECT PaintCentredPreview(HWND wnd, HDC dc, const VmsImage* shown) {
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (!shown) return RECT{};
    const int w = shown->width, h = shown->height, x = (rc.right - w) / 2, y = (rc.bottom - h) / 2;
    Rectangle(dc, x - 1, y - 1, x + w + 1, y + h + 1);
    c_Dib::DrawFit(dc, shown, x, y, x + w - 1, y + h - 1, 1, 1);
    return RECT{x, y, x + w, y + h};
}
