#include "adjust/rotate_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ui/dlgfield.h"
#include "adjust/adjust_dlg_util.h"
#include "adjust/panel_items.h"
#include "adjust/preview_worker.h"
#include "canvas/canv_dlg_util.h"
#include "image/c_dib.h"
#include "image/vms_store.h"

int RotateType = 0;
double RotateAngle = 45.0;

namespace {

const char kViewClass[] = "RotateViewClass";
constexpr int kPanelW = 304, kPanelH = 464;   // the panel psv_rttbase
constexpr double kMaxAngle = 359.99;

struct RotateDlgState {
    CanvDoc* doc = nullptr;
    VmsImage* source = nullptr;
    VmsImage* preview = nullptr;
    HWND view = nullptr;
    int writing = 0;            // set while the program writes the angle edit
    PreviewTimer timer;
};
RotateDlgState g_rt;

void MakePreview() {
    g_VmsStore.Free(&g_rt.preview);
    if (!g_rt.source) return;
    g_rt.preview = RotateType < 3 ? c_Dib::Rotate(g_rt.source, RotateType) : c_Dib::RotateDegrees(g_rt.source, RotateAngle);
    InvalidateRect(g_rt.view, nullptr, TRUE);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE: {
        g_VmsStore.Free(&g_rt.source);
        const LayerPlane* plane = g_rt.doc ? &g_rt.doc->planes[g_rt.doc->currentPlane] : nullptr;
        if (plane && plane->image)
            g_rt.source = c_Dib::FitResize(plane->image, std::max(1, LOWORD(lp) - 16), std::max(1, HIWORD(lp) - 16));
        MakePreview();
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        if (g_rt.preview) c_Dib::DrawFit(dc, g_rt.preview, 0, 0, rc.right - 1, rc.bottom - 1, 1, 1);
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void WriteAngle(HWND dlg) {
    char text[32], shown[32];
    std::snprintf(text, sizeof text, "%5.2f", RotateAngle);
    GetDlgItemTextA(dlg, RotateIdAngle, shown, sizeof shown);
    if (lstrcmpiA(text, shown) != 0) {
        g_rt.writing = 1;
        SetDlgItemTextA(dlg, RotateIdAngle, text);
        g_rt.writing = 0;
    }
}

void ShowType(HWND dlg) {
    for (int i = 0; i < 4; ++i) SetPanelItemPressed(dlg, RotateIdType0 + i, i == RotateType);
    EnableWindow(GetDlgItem(dlg, RotateIdAngle), RotateType == 3);
    EnableWindow(GetDlgItem(dlg, RotateIdSpin), RotateType == 3);
}

void Restart(HWND dlg) { g_rt.timer.Restart(dlg, 500); }

INT_PTR CALLBACK RotatePanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

void InitDialog(HWND dlg) {
    SizeAdjustDialog(dlg);
    RegisterAdjustClass(kViewClass, ViewProc);
    g_rt.view = AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, 2000);
    CreateAdjustPanel(dlg, "psv_rttbase", RotatePanelProc);
}

void InitPanel(HWND dlg) {
    g_rt.timer = PreviewTimer{};
    static const char* const names[4] = {"右90度回転", "180度回転", "左90度回転", "自由角度"};
    const int x = kPanelW / 20, y = kPanelH / 20;
    for (int i = 0; i < 4; ++i)
        CreatePanelItem(dlg, PanelItemChoice, names[i], x, y + 36 * i, 128, 24, RotateIdType0 + i);
    AdjustChild(dlg, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, x + 144, y + 108, 64, 24, RotateIdAngle);
    AdjustChild(dlg, "SCROLLBAR", "", SBS_VERT, x + 208, y + 108, 12, 24, RotateIdSpin);
    PlacePanelButton(dlg, "OK", 81, 436, 102, 22, IDOK);
    PlacePanelButton(dlg, "ｷｬﾝｾﾙ", 185, 436, 102, 22, IDCANCEL);
    ShowType(dlg);
    WriteAngle(dlg);
    Restart(dlg);
}

INT_PTR CALLBACK RotatePanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintAdjustPanel(dlg, 40); return TRUE;
    case WM_DRAWITEM: return DrawPanelItem((const DRAWITEMSTRUCT*)lp);
    case WM_TIMER:
        g_rt.timer.Stop(dlg);
        if (RotateType == 3) WriteAngle(dlg);
        MakePreview();
        return TRUE;
    case WM_VSCROLL: {
        const int code = LOWORD(wp);
        if (code == SB_LINEUP || code == SB_LINEDOWN) {
            RotateAngle = std::clamp(RotateAngle + (code == SB_LINEUP ? 1.0 : -1.0), 0.0, kMaxAngle);
            WriteAngle(dlg);
            Restart(dlg);
        }
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= RotateIdType0 && id < RotateIdType0 + 4) {
            if (id - RotateIdType0 != RotateType) {
                RotateType = id - RotateIdType0;
                ShowType(dlg);
                Restart(dlg);
            }
        } else if (id == RotateIdAngle && HIWORD(wp) == EN_CHANGE && !g_rt.writing) {
            char text[32];
            GetDlgItemTextA(dlg, RotateIdAngle, text, sizeof text);
            char* end = nullptr;
            const double v = std::strtod(text, &end);
            // An empty or unreadable text leaves the angle as it was.
            if (end != text) RotateAngle = std::clamp(v, 0.0, kMaxAngle);
            Restart(dlg);
        } else if (id == IDOK || id == IDCANCEL) {
            EndDialog(GetParent(dlg), id == IDOK ? 1 : 0);
        }
        return TRUE;
    }
    case WM_DESTROY:
        g_rt.timer.Stop(dlg);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK RotateDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = 0;
    if (AdjustDialogCommon(dlg, msg, wp, lp, 0, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_DESTROY:
        g_VmsStore.Free(&g_rt.source);
        g_VmsStore.Free(&g_rt.preview);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// The preview window of the dialog; the frame registers its class with it.
LRESULT CALLBACK RotateViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ViewProc(wnd, msg, wp, lp); }

double ChosenRotation() {
    switch (RotateType) {
    case 0: return 90.0;
    case 1: return 180.0;
    case 2: return 270.0;
    default: return RotateAngle;
    }
}

INT_PTR OpenRotateDialog(HWND parent, CanvDoc* doc) {
    if (!doc) return 0;
    g_rt.doc = doc;
    return RunCanvasDialog("psv_rotate", parent, RotateDlgProc, 0);
}
