#include "adjust/effect_dialog.h"

#include <algorithm>
#include <cstdio>

#include "adjust/adjust_dlg_util.h"
#include "adjust/adjust_open.h"
#include "adjust/effects.h"
#include "adjust/filter_host.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/vms_store.h"
#include "paint/pen_writer.h"
#include "resources/resource.h"

namespace {

const char kViewClass[] = "EffectViewClass";

constexpr int kPanelX = 328, kPanelY = 8, kPanelW = 304, kPanelH = 464;

struct EffectDlgState {
    int index = 0;               // kept across openings
    CanvDoc* doc = nullptr;
    VmsImage* overview = nullptr;
    HWND dialog = nullptr;
    int level = 2;
    int previewOn = 1;
    int applyCount = 0;
    RECT detail = {};            // the detail control's rectangle in the dialog
};
EffectDlgState g_fx;

LayerPlane* Plane() { return &g_fx.doc->planes[g_fx.doc->currentPlane]; }

// The detail area in plane pixels: from the plane's top left, the control's
// size at most the plane's.
void DetailArea(int* w, int* h) {
    *w = std::min<int>(g_fx.detail.right - g_fx.detail.left, Plane()->width);
    *h = std::min<int>(g_fx.detail.bottom - g_fx.detail.top, Plane()->height);
}

void RunPreview() {
    c_FilterHost::FreeWork();
    int w, h;
    DetailArea(&w, &h);
    if (g_fx.previewOn)
        RunEffectOnPreview(g_fx.dialog, g_fx.doc, g_fx.index, g_fx.level, 0, 0, w - 1, h - 1);
    else
        c_FilterHost::CopySource(g_fx.doc, 0, 0, w - 1, h - 1);
    InvalidateRect(g_fx.dialog, &g_fx.detail, FALSE);
}

void PaintDetail(HDC dc) {
    FillRect(dc, &g_fx.detail, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (!c_FilterHost::HasWork()) return;
    auto* info = (BITMAPINFO*)c_FilterHost::WorkDib();
    const uint8_t* bits = (const uint8_t*)c_FilterHost::WorkDib() + sizeof(BITMAPINFOHEADER);
    SetDIBitsToDevice(dc, g_fx.detail.left, g_fx.detail.top, (DWORD)c_FilterHost::WorkWidth(),
                      (DWORD)c_FilterHost::WorkHeight(), 0, 0, 0, (UINT)c_FilterHost::WorkHeight(), bits, info,
                      DIB_RGB_COLORS);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE: {
        g_VmsStore.Free(&g_fx.overview);
        if (g_fx.doc && Plane()->image)
            g_fx.overview = c_Dib::FitResize(Plane()->image, std::max(1, LOWORD(lp) - 16), std::max(1, HIWORD(lp) - 16));
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        if (g_fx.overview) {
            const int w = g_fx.overview->width, h = g_fx.overview->height;
            const int x = (rc.right - w) / 2, y = (rc.bottom - h) / 2;
            Rectangle(dc, x - 1, y - 1, x + w + 1, y + h + 1);
            c_Dib::DrawFit(dc, g_fx.overview, x, y, x + w - 1, y + h - 1, 1, 1);
            // The detail frame, inverted.
            int dw, dh;
            DetailArea(&dw, &dh);
            RECT frame = {x, y, x + dw * w / Plane()->width, y + dh * h / Plane()->height};
            DrawFocusRect(dc, &frame);
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void ShowLevel(HWND dlg) {
    for (int i = 0; i < 5; ++i) CheckButton(dlg, EffectIdLevel0 + i, i == g_fx.level);
}

void InitDialog(HWND dlg) {
    g_fx.dialog = dlg;
    g_fx.level = 2;
    g_fx.previewOn = 1;
    g_fx.applyCount = 0;
    SizeAdjustDialog(dlg);
    RegisterAdjustClass(kViewClass, ViewProc);
    AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, EffectIdView);

    const int x = kPanelX + kPanelW / 20, p = 2 * kPanelH / 3 - 52;
    g_fx.detail = {x, kPanelY + 16, x + kPanelW - 2 * (kPanelW / 20), kPanelY + 16 + p};
    for (int i = 0; i < 5; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", i + 1);
        AdjustChild(dlg, "BUTTON", text, BS_AUTORADIOBUTTON | BS_PUSHLIKE | (i == 0 ? WS_GROUP : 0), x + 52 * i,
              kPanelY + p + 48, 52, 24, EffectIdLevel0 + i);
    }
    HWND list = AdjustChild(dlg, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, kPanelY + kPanelH - 112,
                      kPanelW - 3 * (kPanelW / 20), kPanelH - 180, EffectIdList);
    for (int i = 0; i < kEffectCount && EffectTable[i].title[0] != '-'; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)EffectTable[i].title);
    SendMessageA(list, CB_SETCURSEL, g_fx.index, 0);
    AdjustChild(dlg, "BUTTON", "プレビュー", BS_AUTOCHECKBOX | BS_PUSHLIKE, x, kPanelY + 436, 102, 22, EffectIdPreview);
    AdjustChild(dlg, "BUTTON", "適用", BS_PUSHBUTTON, kPanelX + 102, kPanelY + 405, 90, 28, EffectIdApply);
    AdjustChild(dlg, "BUTTON", "戻す", BS_PUSHBUTTON, kPanelX + 195, kPanelY + 405, 90, 28, EffectIdRevert);
    AdjustChild(dlg, "BUTTON", "閉じる", BS_PUSHBUTTON, kPanelX + 185, kPanelY + 436, 102, 22, IDOK);
    CheckButton(dlg, EffectIdPreview, true);
    ShowLevel(dlg);
    EnableWindow(GetDlgItem(dlg, EffectIdRevert), FALSE);
    RunPreview();
}

void Apply(HWND dlg) {
    c_UndoManager::SavePoint(g_fx.doc, -1, 1);
    if (ApplyEffectToLayer(dlg, g_fx.doc, g_fx.index, g_fx.level)) {
        ++g_fx.applyCount;
        EnableWindow(GetDlgItem(dlg, EffectIdRevert), TRUE);
    }
    if (g_fx.previewOn) RunPreview();
}

void Revert(HWND dlg) {
    if (g_fx.applyCount <= 0) return;
    --g_fx.applyCount;
    EnableWindow(GetDlgItem(dlg, EffectIdRevert), g_fx.applyCount > 0);
    c_UndoManager::StepLocked(g_fx.doc, 0, 1);
    RunPreview();
}

INT_PTR CALLBACK EffectDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        PaintDetail(dc);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == EffectIdList && HIWORD(wp) == CBN_SELCHANGE) {
            const int choice = (int)SendDlgItemMessageA(dlg, EffectIdList, CB_GETCURSEL, 0, 0);
            if (choice >= 0) g_fx.index = choice;
            RunPreview();
        } else if (id >= EffectIdLevel0 && id < EffectIdLevel0 + 5) {
            g_fx.level = id - EffectIdLevel0;
            ShowLevel(dlg);
            RunPreview();
        } else if (id == EffectIdPreview) {
            g_fx.previewOn = Checked(dlg, EffectIdPreview);
            RunPreview();
        } else if (id == EffectIdApply) {
            Apply(dlg);
        } else if (id == EffectIdRevert) {
            Revert(dlg);
        } else if (id == IDOK || id == 1) {
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        g_VmsStore.Free(&g_fx.overview);
        c_FilterHost::FreeWork();
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int EffectApplyCount() { return g_fx.applyCount; }

INT_PTR OpenEffectDialog(HWND parent, CanvDoc* doc) {
    doc = PrepareAdjustedCanvas(parent, doc);
    if (!doc) return 0;
    g_fx.doc = doc;
    return RunCanvasDialog("psv_efct", parent, EffectDlgProc, 0);
}
