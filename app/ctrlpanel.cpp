#include "app/ctrlpanel.h"

#include "app/colourpanel.h"
#include "app/globals.h"
#include "ui/msgbox.h"
#include "paint/pen_panel.h"
#include "paint/pen_panel.h"

LRESULT CALLBACK CtrlPanelWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        // The panels paint themselves; the host's own background stays behind them.
        SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) | WS_CLIPCHILDREN);
        AppWindows.ctrlPanel = wnd;
        CreateColourPanel(wnd);
        AppWindows.penOptionPanel = CreatePenOptionPanel(wnd);
        if (AppWindows.penOptionPanel) SetPanelWindow(kPanelPenOption, AppWindows.penOptionPanel);
        return 0;
    case WM_SIZE: {
        int width = LOWORD(lp), height = HIWORD(lp);
        if (AppWindows.colourPanel) MoveWindow(AppWindows.colourPanel, 0, 0, width, kColourPanelHeight, TRUE);
        if (AppWindows.penOptionPanel) {
            int rest = height - kColourPanelHeight;
            MoveWindow(AppWindows.penOptionPanel, 0, kColourPanelHeight, width, rest < 0 ? 0 : rest, TRUE);
        }
        return 0;
    }
    case WM_PAINT:
        ValidateRect(wnd, nullptr);
        return 0;
    case WM_COMMAND:
        return 0;
    case WM_DESTROY:
        if (AppWindows.penOptionPanel) SetPanelWindow(kPanelPenOption, nullptr);
        AppWindows.penOptionPanel = nullptr;
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
