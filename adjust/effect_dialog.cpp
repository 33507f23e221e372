#include "adjust/effect_dialog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ui/dlgfield.h"
#include "adjust/adjust_dlg_util.h"
#include "adjust/adjust_open.h"
#include "adjust/adjust_preview.h"
#include "adjust/panel_items.h"
#include "adjust/effect_pen.h"
#include "adjust/effects.h"
#include "adjust/filter_host.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/pen_writer.h"
#include "resources/resource.h"

namespace {

const char kViewClass[] = "EffectViewClass";

constexpr int kPanelW = 304, kPanelH = 464;   // the panel psv_efbase

struct EffectDlgState {
    int index = 0;               // kept across openings
    CanvDoc* doc = nullptr;
    VmsImage* overview = nullptr;   // the layer fitted, over white
    VmsImage* shown = nullptr;      // the detail as the preview control shows it
    HWND dialog = nullptr;
    HWND picture = nullptr;         // the preview control 1001
    int level = 2;
    int previewOn = 1;
    int applyCount = 0;
    DetailFrame frame;
};
EffectDlgState g_fx;

LayerPlane* Plane() { return &g_fx.doc->planes[g_fx.doc->currentPlane]; }

// The filter host's work image (packed rows) as the control's picture, over
// white by the transparency under the detail.
void ShowWork() {
    SetPictureControlImage(g_fx.picture, nullptr);
    g_VmsStore.Free(&g_fx.shown);
    if (!c_FilterHost::HasWork()) return;
    const int w = c_FilterHost::WorkWidth(), h = c_FilterHost::WorkHeight();
    g_fx.shown = g_VmsStore.Create(w, h, 32, 0, 0);
    if (!g_fx.shown) return;
    std::vector<uint32_t> row((size_t)w);
    for (int y = 0; y < h; ++y) {
        const uint8_t* packed = c_FilterHost::WorkRow(y);
        for (int x = 0; x < w; ++x)
            row[x] = packed[3 * x] | (uint32_t)packed[3 * x + 1] << 8 | (uint32_t)packed[3 * x + 2] << 16;
        g_VmsStore.PutRow(g_fx.shown, y, 0, w - 1, row.data());
    }
    VmsImage* alpha = ReadTransparency(g_fx.doc, g_fx.frame.LayerX(), g_fx.frame.LayerY(), w, h);
    CompositeOverWhite(g_fx.shown, alpha);
    g_VmsStore.Free(&alpha);
    SetPictureControlImage(g_fx.picture, g_fx.shown);
}

// The detail under the frame, through the effect when the preview is on.
void RunPreview() {
    c_FilterHost::FreeWork();
    const int x = g_fx.frame.LayerX(), y = g_fx.frame.LayerY();
    const int w = g_fx.frame.DetailW(), h = g_fx.frame.DetailH();
    if (w > 0 && h > 0) {
        if (g_fx.previewOn)
            RunEffectOnPreview(g_fx.dialog, g_fx.doc, g_fx.index, g_fx.level, x, y, x + w - 1, y + h - 1);
        else
            c_FilterHost::CopySource(g_fx.doc, x, y, x + w - 1, y + h - 1);
    }
    ShowWork();
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int released = 0;
    if (DetailViewMessage(wnd, msg, lp, g_fx.doc, g_fx.doc ? Plane()->image : nullptr, &g_fx.overview, &g_fx.frame,
                          &released)) {
        if (released) RunPreview();
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void ShowLevel(HWND dlg) {
    for (int i = 0; i < 5; ++i) SetPanelItemPressed(dlg, EffectIdLevel0 + i, i == g_fx.level);
}

INT_PTR CALLBACK EffectPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

void InitDialog(HWND dlg) {
    g_fx.dialog = dlg;
    g_fx.level = 2;
    g_fx.previewOn = 1;
    g_fx.applyCount = 0;
    g_fx.frame = DetailFrame{};
    SizeAdjustDialog(dlg);
    g_fx.frame.controlW = kPanelW - 2 * (kPanelW / 20);
    g_fx.frame.controlH = 2 * kPanelH / 3 - 52;
    // Until the overview is made, the detail is the layer's top left.
    g_fx.frame.layerW = Plane()->width;
    g_fx.frame.layerH = Plane()->height;
    RegisterAdjustClass(kViewClass, ViewProc);
    AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, EffectIdView);
    CreateAdjustPanel(dlg, "psv_efbase", EffectPanelProc);
}

void InitPanel(HWND dlg) {
    const int x = kPanelW / 20, p = g_fx.frame.controlH;
    g_fx.picture = CreatePictureControl(dlg, x, 16, g_fx.frame.controlW, p, EffectIdDetail);

    for (int i = 0; i < 5; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", i + 1);
        CreatePanelItem(dlg, PanelItemChoice, text, x + 52 * i, p + 48, 52, 24, EffectIdLevel0 + i);
    }
    HWND list = AdjustChild(dlg, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, kPanelH - 112,
                      kPanelW - 3 * (kPanelW / 20), kPanelH - 180, EffectIdList);
    for (int i = 0; i < kEffectCount && EffectTable[i].title[0] != '-'; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)EffectTable[i].title);
    SendMessageA(list, CB_SETCURSEL, g_fx.index, 0);
    CreatePanelItem(dlg, PanelItemChoice, "プレビュー", x, 436, 102, 22, EffectIdPreview);
    AdjustChild(dlg, "PenIconClass", "", 0, x - 4, 405, 81, 28, EffectIdPen);
    PlacePanelButton(dlg, "適用", 102, 405, 90, 28, EffectIdApply);
    PlacePanelButton(dlg, "戻す", 195, 405, 90, 28, EffectIdRevert);
    PlacePanelButton(dlg, "閉じる", 185, 436, 102, 22, IDOK);
    SetPanelItemPressed(dlg, EffectIdPreview, 1);
    ShowLevel(dlg);
    EnableWindow(GetDlgItem(dlg, EffectIdRevert), FALSE);
    RunPreview();
}

void Apply(HWND dlg) {
    c_UndoManager::SavePoint(g_fx.doc, -1, 1);
    // The checkpoint is a step of the history even when the effect could not
    // run ("DLL ERROR"): Revert counts it, so that each press takes back one
    // step and the next one the application before it.
    ApplyEffectToLayer(g_fx.dialog, g_fx.doc, g_fx.index, g_fx.level);
    ++g_fx.applyCount;
    EnableWindow(GetDlgItem(dlg, EffectIdRevert), TRUE);
    if (g_fx.previewOn) RunPreview();
}

void HandToPen(HWND dlg) {
    const int index = g_fx.index, level = g_fx.level;
    HWND dialog = g_fx.dialog;
    HandAdjustmentToPen(dialog, g_fx.doc, [dialog, index, level](CanvDoc* doc) {
        // The pen's own opacity weighs its strokes; the effect is taken whole.
        const int saved = PenOpacity;
        PenOpacity = 255;
        ApplyEffectToLayer(dialog, doc, index, level);
        PenOpacity = saved;
    }, 1);
}

void Revert(HWND dlg) {
    if (g_fx.applyCount <= 0) return;
    --g_fx.applyCount;
    EnableWindow(GetDlgItem(dlg, EffectIdRevert), g_fx.applyCount > 0);
    c_UndoManager::StepLocked(g_fx.doc, 0, 1);
    RunPreview();
}

INT_PTR CALLBACK EffectPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintAdjustPanel(dlg, 72); return TRUE;
    case WM_DRAWITEM: return DrawPanelItem((const DRAWITEMSTRUCT*)lp);
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
            g_fx.previewOn = !g_fx.previewOn;
            SetPanelItemPressed(dlg, EffectIdPreview, g_fx.previewOn);
            RunPreview();
        } else if (id == EffectIdApply) {
            Apply(dlg);
        } else if (id == EffectIdRevert) {
            Revert(dlg);
        } else if (id == EffectIdPen) {
            HandToPen(dlg);
        } else if (id == IDOK || id == 1) {
            EndDialog(GetParent(dlg), 1);
        }
        return TRUE;
    }
    case WM_DESTROY:
        SetPictureControlImage(g_fx.picture, nullptr);
        g_fx.picture = nullptr;
        g_VmsStore.Free(&g_fx.shown);
        c_FilterHost::FreeWork();
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK EffectDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = 0;
    if (AdjustDialogCommon(dlg, msg, wp, lp, 0, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_DESTROY:
        SetPictureControlImage(g_fx.picture, nullptr);
        g_VmsStore.Free(&g_fx.overview);
        g_VmsStore.Free(&g_fx.shown);
        c_FilterHost::FreeWork();
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// The preview window of the dialog; the frame registers its class with it.
LRESULT CALLBACK EffectViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ViewProc(wnd, msg, wp, lp); }

int EffectApplyCount() { return g_fx.applyCount; }

EffectPreviewProbe EffectPreviewForTest() {
    return EffectPreviewProbe{g_fx.overview, PictureControlImage(g_fx.picture), g_fx.frame.LayerX(),
                              g_fx.frame.LayerY(), g_fx.frame.originX, g_fx.frame.originY};
}

INT_PTR OpenEffectDialog(HWND parent, CanvDoc* doc) {
    doc = PrepareAdjustedCanvas(parent, doc);
    if (!doc) return 0;
    g_fx.doc = doc;
    return RunCanvasDialog("psv_efct", parent, EffectDlgProc, 0);
}
