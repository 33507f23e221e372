// What the adjustment dialogs share: the 640 x 480 client area placed like
// the other dialogs, their child controls in the dialog's font, their
// preview window classes, and the panel (a child dialog from its own
// template at 328, 8, 304 x 464) that holds the controls.
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

// The panel's control id in its dialog.
constexpr int kAdjustPanelId = 3000;

// Makes the panel from its template at 328, 8, 304 x 464 (its procedure
// builds its controls at WM_INITDIALOG).
inline HWND CreateAdjustPanel(HWND dialog, const char* templ, DLGPROC proc) {
    HWND panel = CreateDialogParamA(GetModuleHandleA(nullptr), templ, dialog, proc, 0);
    if (!panel) return nullptr;
    SetWindowLongPtrA(panel, GWLP_ID, kAdjustPanelId);
    SetWindowPos(panel, nullptr, 328, 8, 304, 464, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(panel, SW_SHOW);
    return panel;
}

inline HWND AdjustPanel(HWND dialog) { return GetDlgItem(dialog, kAdjustPanelId); }

// The messages every adjustment dialog answers alike: presses go on to the
// panel that holds the controls, and the close box ends the dialog with
// closeResult. 1 when msg was one of them (*result is the answer).
inline int AdjustDialogCommon(HWND dlg, UINT msg, WPARAM wp, LPARAM lp, INT_PTR closeResult, INT_PTR* result) {
    if (msg == WM_COMMAND) {
        *result = SendMessageA(AdjustPanel(dlg), WM_COMMAND, wp, lp);
        return 1;
    }
    if (msg == WM_SYSCOMMAND) {
        *result = EndDialogOnClose(dlg, wp, closeResult);
        return 1;
    }
    return 0;
}

// A button of the panel: the template's own, placed, or a new one.
inline HWND PlacePanelButton(HWND panel, const char* text, int x, int y, int w, int h, int id) {
    HWND b = GetDlgItem(panel, id);
    if (!b) return AdjustChild(panel, "BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, x, y, w, h, id);
    SetWindowTextA(b, text);
    SetWindowPos(b, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    return b;
}

// The panel's face with its two separator lines `above` and above - 1
// pixels over its bottom (dark, then light).
inline void PaintAdjustPanel(HWND panel, int above) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT rc;
    GetClientRect(panel, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    RECT dark = {4, rc.bottom - above, rc.right - 4, rc.bottom - above + 1};
    RECT light = {4, rc.bottom - above + 1, rc.right - 4, rc.bottom - above + 2};
    FillRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    EndPaint(panel, &ps);
}
