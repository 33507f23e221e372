// The pen-pressure dialog (dra_tablet, modeless): the three pressure options,
// the curve parameter with its buttons and drag, and the curve drawn.
#include <cstdio>

#include "paint/pen_state.h"
#include "paint/tablet.h"
#include "resources/paint_ids.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"

namespace {

HWND g_Owner;
UINT g_CloseCommand;

void RebuildCurve(HWND dlg) {
    BuildPressureCurve();
    InvalidateRect(GetDlgItem(dlg, IDC_TABLET_CURVE), nullptr, FALSE);
}

void DrawCurve(const DRAWITEMSTRUCT* item) {
    const RECT& r = item->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
    if (w < 2 || h < 2) return;
    for (int i = 0; i < 256; ++i)
        SetPixel(item->hDC, r.left + i * (w - 1) / 255, r.top + h - PressureCurve[i] * (h - 1) / 255 - 1,
                 RGB(0x80, 0x80, 0x80));
}

void DragCurve(HWND dlg) {
    HWND box = GetDlgItem(dlg, IDC_TABLET_CURVE);
    POINT start;
    GetPolledCursorPos(&start);
    int from = PressureCurvePoint;
    do {
        POINT p;
        GetPolledCursorPos(&p);
        int v = TabletCurveDrag(from, start.y - p.y);
        if (v != PressureCurvePoint) {
            PressureCurvePoint = v;
            RebuildCurve(dlg);
            UpdateWindow(box);
        }
    } while (IsLeftButtonDown());
}

// The owner's toggle command closes the dialog and forgets its handle.
void Close(HWND dlg) {
    if (g_Owner && g_CloseCommand) SendMessageA(g_Owner, WM_COMMAND, g_CloseCommand, 0);
    if (IsWindow(dlg)) DestroyWindow(dlg);
}

INT_PTR CALLBACK TabletDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        PressureCurvePoint = PressureCurvePoint < 16 ? 16 : PressureCurvePoint > 200 ? 200 : PressureCurvePoint;
        // Lower right of the MDI client of the owner.
        HWND client = FindWindowExA(g_Owner, nullptr, "MDICLIENT", nullptr);
        RECT area, self;
        GetWindowRect(dlg, &self);
        if (client && GetWindowRect(client, &area)) {
            int w = self.right - self.left, h = self.bottom - self.top;
            SetWindowPos(dlg, nullptr, area.right - 48 - w, area.bottom - 8 - h, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        CheckDlgButton(dlg, IDC_TABLET_OPACITY, Tablet.opacity ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_TABLET_DENSITY, Tablet.density ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_TABLET_SIZE, Tablet.size ? BST_CHECKED : BST_UNCHECKED);
        BuildPressureCurve();
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wp == IDC_TABLET_CURVE) DrawCurve((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_LBUTTONDOWN: {
        POINT p = {(short)LOWORD(lp), (short)HIWORD(lp)};
        RECT rc;
        GetWindowRect(GetDlgItem(dlg, IDC_TABLET_CURVE), &rc);
        MapWindowPoints(nullptr, dlg, (POINT*)&rc, 2);
        if (PtInRect(&rc, p)) DragCurve(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_TABLET_OPACITY:
            Tablet.opacity = IsDlgButtonChecked(dlg, IDC_TABLET_OPACITY) == BST_CHECKED;
            return TRUE;
        case IDC_TABLET_DENSITY:
            Tablet.density = IsDlgButtonChecked(dlg, IDC_TABLET_DENSITY) == BST_CHECKED;
            return TRUE;
        case IDC_TABLET_SIZE:
            Tablet.size = IsDlgButtonChecked(dlg, IDC_TABLET_SIZE) == BST_CHECKED;
            return TRUE;
        case IDC_TABLET_PLUS:
            if (PressureCurvePoint < 200) PressureCurvePoint = PressureCurvePoint + 10 > 200 ? 200 : PressureCurvePoint + 10;
            RebuildCurve(dlg);
            return TRUE;
        case IDC_TABLET_MINUS:
            if (PressureCurvePoint > 16) PressureCurvePoint = PressureCurvePoint - 10 < 16 ? 16 : PressureCurvePoint - 10;
            RebuildCurve(dlg);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            Close(dlg);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        Close(dlg);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HWND ToggleTabletDialog(HWND owner, HWND current, UINT closeCommand) {
    if (current && IsWindow(current)) {
        DestroyWindow(current);
        return nullptr;
    }
    g_Owner = owner;
    g_CloseCommand = closeCommand;
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), "dra_tablet", owner, TabletDlgProc, 0);
    if (dlg) ShowWindow(dlg, SW_SHOWNOACTIVATE);
    return dlg;
}
