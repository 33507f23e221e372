#include "adjust/level_dialog.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdio>

#include "ui/dlgfield.h"
#include "adjust/adjust_dlg_util.h"
#include "adjust/adjust_gauge.h"
#include "adjust/adjust_preview.h"
#include "adjust/panel_items.h"
#include "adjust/preview_worker.h"
#include "adjust/effect_pen.h"
#include "adjust/adjust_open.h"
#include "adjust/adjust_layer.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "image/c_dib.h"
#include "image/vms_store.h"
#include "paint/pen_writer.h"
#include "resources/resource.h"

namespace {

constexpr int kPanelW = 304, kPanelH = 464;   // the panel psv_base2

struct LevelInfo {
    const char* templ;
    const char* viewClass;
    const char* label;
    int low, high;
};
const LevelInfo kInfo[3] = {
    {"psv_ooi", "OoiViewClass", "レベル", 0, 40},
    {"psv_yaki", "YakiViewClass", "レベル", 0, 40},
    {"psv_ondo", "OndoViewClass", "色温度", -20, 20}};

struct LevelDlgState {
    LevelKind kind = LevelDodge;
    CanvDoc* doc = nullptr;
    VmsImage* work = nullptr;       // the layer at opening
    VmsImage* overview = nullptr;   // the layer fitted, over white
    VmsImage* detail = nullptr;     // unadjusted detail under the frame
    VmsImage* detailAlpha = nullptr;
    VmsImage* preview = nullptr;
    HWND dialog = nullptr;
    HWND view = nullptr;
    HWND picture = nullptr;         // the preview control 1001
    DetailFrame frame;
    int level = 0;
    int applyCount = 0;
    int everApplied = 0;
    int changed = 0;                // the preview must be computed again
    PreviewWorker worker;           // the colour temperature's previews
    PreviewTimer timer;
};
LevelDlgState g_lv;

// Posted by the worker when its picture is ready.
constexpr UINT kPreviewDone = WM_APP + 1;

// The colour temperature computes its previews on the worker; dodge and burn
// on the dialog's thread.
bool UsesWorker() { return g_lv.kind == LevelOndo; }

void Adjust(VmsImage* image, int level) {
    switch (g_lv.kind) {
    case LevelDodge: c_Dib::ApplyDodge(image, level * 140 / 40); break;
    case LevelBurn: c_Dib::ApplyBurn(image, level * 140 / 40); break;
    case LevelOndo: c_Dib::ApplyColourTemperature(image, level); break;
    }
}

int ApplyToLayer(int level) {
    return g_lv.kind == LevelOndo ? ApplyOndoToLayer(g_lv.doc, level)
                                  : ApplyDodgeBurnToLayer(g_lv.doc, g_lv.kind == LevelBurn, level);
}

void ShowPreview(VmsImage* picture) {
    SetPictureControlImage(g_lv.picture, nullptr);
    g_VmsStore.Free(&g_lv.preview);
    g_lv.preview = picture;
    SetPictureControlImage(g_lv.picture, g_lv.preview);
}

// The detail at the level, over white (null without memory).
VmsImage* AdjustedDetail(const VmsImage* detail, const VmsImage* alpha, int level) {
    VmsImage* picture = CopyImage(detail);
    if (!picture) return nullptr;
    if (level != 0) Adjust(picture, level);
    CompositeOverWhite(picture, alpha);
    return picture;
}

void ComputePreview() {
    g_lv.changed = 0;
    ShowPreview(g_lv.detail ? AdjustedDetail(g_lv.detail, g_lv.detailAlpha, g_lv.level) : nullptr);
}

// Starts the worker on copies of the detail and its transparency with the
// level as it is now.
void StartPreview() {
    if (!g_lv.changed || g_lv.worker.Busy() || !g_lv.detail) return;
    std::shared_ptr<VmsImage> detail = ShareCopy(g_lv.detail), alpha = ShareCopy(g_lv.detailAlpha);
    if (!detail) return;
    const int level = g_lv.level;
    g_lv.changed = 0;
    g_lv.worker.Start(g_lv.dialog, kPreviewDone, [detail, alpha, level](const std::atomic<int>&) {
        VmsImage* picture = CopyImage(detail.get());
        if (picture && level != 0) c_Dib::ApplyColourTemperature(picture, level);
        CompositeOverWhite(picture, alpha.get());
        return picture;
    });
}

void RestartTimer(HWND dlg) { g_lv.timer.Restart(dlg, 200); }

// The worker's picture, shown when it belongs to the latest level and
// detail; when they changed while it ran, the next picture is asked for.
void PreviewDone() {
    if (OwnedImage picture = g_lv.worker.Finish()) ShowPreview(picture.release());
    if (g_lv.changed) RestartTimer(g_lv.dialog);
}

// The level or the detail changed: a picture under way is stale.
void MarkChanged() {
    g_lv.changed = 1;
    g_lv.worker.Invalidate();
}

// Before the layer changes: the timer stops and the worker ends; a picture
// it could not finish is asked for again afterwards.
void StopPreview(HWND dlg) {
    g_lv.timer.Stop(dlg);
    if (g_lv.worker.Busy()) {
        g_lv.worker.Stop();
        g_lv.changed = 1;
    }
}

void ResumePreview(HWND dlg) {
    if (g_lv.changed) RestartTimer(dlg);
}

// The detail under the frame, unadjusted, and its transparency.
void MakeDetail() {
    g_VmsStore.Free(&g_lv.detail);
    g_VmsStore.Free(&g_lv.detailAlpha);
    g_lv.detail = CropDetail(g_lv.work, g_lv.frame);
    g_lv.detailAlpha = CropDetailAlpha(g_lv.doc, g_lv.frame);
}

void ShowLevel(HWND dlg) {
    char text[16];
    std::snprintf(text, sizeof text, "%+3d", g_lv.level);
    SetPanelItemText(GetDlgItem(dlg, LevelIdText), text);
    SetGaugeValue(GetDlgItem(dlg, LevelIdSlider), g_lv.level);
}

void LevelChanged(HWND dlg) {
    ShowLevel(dlg);
    MarkChanged();
    RestartTimer(dlg);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int released = 0;
    if (DetailViewMessage(wnd, msg, lp, g_lv.doc, g_lv.work, &g_lv.overview, &g_lv.frame, &released)) {
        if (released) {
            // The new detail, computed again at once.
            MakeDetail();
            MarkChanged();
            SendMessageA(g_lv.dialog, WM_TIMER, (WPARAM)g_lv.timer.id, 0);
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The colour temperature's strip: black at the left to white at the right,
// its middle marked in the light edge colour.
COLORREF GreyRamp(HWND, int x, int w) {
    if (x == (w - 1) / 2) return GetSysColor(COLOR_3DLIGHT);
    const int v = w > 1 ? x * 255 / (w - 1) : 0;
    return RGB(v, v, v);
}

INT_PTR CALLBACK LevelPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The panel's preview control: its width and height.
constexpr int kPictureW = kPanelW - 2 * (kPanelW / 20), kPictureH = 2 * kPanelH / 3 - 52;

void InitDialog(HWND dlg) {
    g_lv.dialog = nullptr;
    g_lv.timer = PreviewTimer{};
    g_lv.level = 0;
    g_lv.applyCount = 0;
    g_lv.frame = DetailFrame{};
    SizeAdjustDialog(dlg);
    g_lv.frame.controlW = kPictureW;
    g_lv.frame.controlH = kPictureH;
    g_lv.frame.layerW = g_lv.work->width;
    g_lv.frame.layerH = g_lv.work->height;
    RegisterAdjustClass(kInfo[g_lv.kind].viewClass, ViewProc);
    g_lv.view = AdjustChild(dlg, kInfo[g_lv.kind].viewClass, "", WS_BORDER, 8, 8, 304, 464, LevelIdView);
    CreateAdjustPanel(dlg, "psv_base2", LevelPanelProc);
}

void InitPanel(HWND dlg) {
    g_lv.dialog = dlg;
    const LevelInfo& info = kInfo[g_lv.kind];
    const int c = kPanelW / 20, x = c, p = kPictureH, g = p + 56;
    g_lv.picture = CreatePictureControl(dlg, x, 16, kPictureW, p, LevelIdPicture);
    CreatePanelItem(dlg, PanelItemLabel, info.label, x, g, 48, 32, 1120);
    CreatePanelItem(dlg, PanelItemArrow, "num_down", x + 48, g, 20, 32, LevelIdDown);
    HWND gauge = CreateGauge(dlg, x + 68, g + 8, kPanelW - 2 * c - 128, 16, LevelIdSlider, info.low, info.high, 0,
                             g_lv.kind == LevelOndo ? GaugeMiddleLine : GaugeLowerRamp);
    if (g_lv.kind == LevelOndo) CreateGaugeStrip(dlg, x + 68, g - 8, kPanelW - 2 * c - 128, 16, LevelIdStrip, gauge, GreyRamp);
    CreatePanelItem(dlg, PanelItemArrow, "num_up", kPanelW - c - 60, g, 20, 32, LevelIdUp);
    CreatePanelItem(dlg, PanelItemLabel, "", kPanelW - c - 40, g, 32, 32, LevelIdText);
    // The colour temperature's pen button shows the tool bar's pen.
    AdjustChild(dlg, "PenIconClass", g_lv.kind == LevelOndo ? "tb2_pen" : "", 0, x - 4, 405, 81, 28,
                LevelIdPen);
    PlacePanelButton(dlg, "適用", 102, 405, 90, 28, 19999);
    PlacePanelButton(dlg, "戻す", 195, 405, 90, 28, 19998);
    PlacePanelButton(dlg, "閉じる", 195, 436, 90, 22, IDOK);
    EnableWindow(GetDlgItem(dlg, 19998), FALSE);
    ShowLevel(dlg);
    MakeDetail();
    ComputePreview();
}

void Apply(HWND dlg) {
    StopPreview(dlg);
    c_UndoManager::SavePoint(g_lv.doc, -1, 1);
    // Each application starts from the layer as it was at opening.
    RestoreCurrentPlane(g_lv.doc, g_lv.work);
    ApplyToLayer(g_lv.level);
    ++g_lv.applyCount;
    g_lv.everApplied = 1;
    EnableWindow(GetDlgItem(dlg, 19998), TRUE);
    ResumePreview(dlg);
}

void HandToPen(HWND dlg) {
    StopPreview(dlg);
    const int level = g_lv.level;
    HandAdjustmentToPen(GetParent(dlg), g_lv.doc, [level](CanvDoc*) { ApplyToLayer(level); });
}

void Revert(HWND dlg) {
    StopPreview(dlg);
    if (g_lv.applyCount <= 0) return;
    --g_lv.applyCount;
    EnableWindow(GetDlgItem(dlg, 19998), g_lv.applyCount > 0);
    c_UndoManager::StepLocked(g_lv.doc, 0, 1);
    ResumePreview(dlg);
}

INT_PTR CALLBACK LevelPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintAdjustPanel(dlg, 72); return TRUE;
    case WM_TIMER:
        g_lv.timer.Stop(dlg);
        if (UsesWorker()) StartPreview();
        else if (g_lv.changed) ComputePreview();
        return TRUE;
    case kPreviewDone:
        PreviewDone();
        return TRUE;
    case WM_DRAWITEM:
        return DrawPanelItem((const DRAWITEMSTRUCT*)lp);
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case LevelIdSlider:
            g_lv.level = GaugeValue((HWND)lp);
            ShowLevel(dlg);
            if (HIWORD(wp) == GaugeReleased) {
                MarkChanged();
                RestartTimer(dlg);
            }
            break;
        case LevelIdUp: case LevelIdDown:
            g_lv.level = LevelStep(g_lv.kind, g_lv.level, LOWORD(wp) == LevelIdUp);
            LevelChanged(dlg);
            break;
        case 19999: Apply(dlg); break;
        case 19998: Revert(dlg); break;
        case LevelIdPen: HandToPen(dlg); break;
        case IDOK: EndDialog(GetParent(dlg), g_lv.everApplied); break;
        }
        return TRUE;
    case WM_DESTROY:
        g_lv.timer.Stop(dlg);
        g_lv.worker.Stop();
        SetPictureControlImage(g_lv.picture, nullptr);
        g_lv.picture = nullptr;
        g_lv.dialog = nullptr;
        g_VmsStore.Free(&g_lv.detail);
        g_VmsStore.Free(&g_lv.detailAlpha);
        g_VmsStore.Free(&g_lv.preview);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK LevelDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = 0;
    if (AdjustDialogCommon(dlg, msg, wp, lp, g_lv.everApplied, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_DESTROY:
        g_lv.worker.Stop();
        g_VmsStore.Free(&g_lv.overview);
        SetPictureControlImage(g_lv.picture, nullptr);
        g_VmsStore.Free(&g_lv.detail);
        g_VmsStore.Free(&g_lv.detailAlpha);
        g_VmsStore.Free(&g_lv.preview);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// The preview window of the dialog; the frame registers its class with it.
LRESULT CALLBACK LevelViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ViewProc(wnd, msg, wp, lp); }

int LevelStep(LevelKind kind, int level, int up) { return GaugeStep(level, kInfo[kind].low, kInfo[kind].high, up); }

int LevelApplyCount() { return g_lv.applyCount; }

LevelPreviewProbe LevelPreviewForTest() {
    return LevelPreviewProbe{g_lv.overview, PictureControlImage(g_lv.picture), g_lv.frame.LayerX(),
                             g_lv.frame.LayerY(), g_lv.frame.originX, g_lv.frame.originY};
}

void SetLevelForTest(HWND, int level) {
    g_lv.level = level;
    LevelChanged(g_lv.dialog);
}

INT_PTR OpenLevelDialog(HWND parent, CanvDoc* doc, LevelKind kind) {
    doc = PrepareAdjustedCanvas(parent, doc);
    if (!doc) return 0;
    g_lv.kind = kind;
    g_lv.doc = doc;
    g_lv.everApplied = 0;
    g_lv.work = CopyCurrentPlane(doc);
    if (!g_lv.work) return 0;
    const INT_PTR result = RunCanvasDialog(kInfo[kind].templ, parent, LevelDlgProc, 0);
    g_VmsStore.Free(&g_lv.work);
    return result;
}
