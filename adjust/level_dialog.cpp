#include "adjust/level_dialog.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdio>

#include "adjust/adjust_dlg_util.h"
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

const char kViewClass[] = "LevelViewClass";
constexpr int kPanelX = 328, kPanelY = 8, kPanelW = 304, kPanelH = 464;

struct LevelInfo {
    const char* templ;
    const char* label;
    int low, high;
};
const LevelInfo kInfo[3] = {
    {"psv_ooi", "レベル", 0, 40}, {"psv_yaki", "レベル", 0, 40}, {"psv_ondo", "色温度", -20, 20}};

struct LevelDlgState {
    LevelKind kind = LevelDodge;
    CanvDoc* doc = nullptr;
    VmsImage* work = nullptr;       // the layer at opening
    VmsImage* overview = nullptr;
    VmsImage* detail = nullptr;     // unadjusted top-left detail
    VmsImage* preview = nullptr;
    HWND dialog = nullptr;
    RECT detailRect = {};
    int level = 0;
    int applyCount = 0;
    int everApplied = 0;
};
LevelDlgState g_lv;

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

void ComputePreview() {
    g_VmsStore.Free(&g_lv.preview);
    if (!g_lv.detail) return;
    g_lv.preview = g_VmsStore.Create(g_lv.detail->width, g_lv.detail->height, 32, 0, 0);
    if (!g_lv.preview || !g_VmsStore.Copy(g_lv.preview, g_lv.detail)) {
        g_VmsStore.Free(&g_lv.preview);
        return;
    }
    if (g_lv.level != 0) Adjust(g_lv.preview, g_lv.level);
    InvalidateRect(g_lv.dialog, &g_lv.detailRect, FALSE);
}

void ShowLevel(HWND dlg) {
    char text[16];
    std::snprintf(text, sizeof text, "%+3d", g_lv.level);
    SetDlgItemTextA(dlg, LevelIdText, text);
    SendDlgItemMessageA(dlg, LevelIdSlider, TBM_SETPOS, TRUE, g_lv.level);
}

void LevelChanged(HWND dlg) {
    ShowLevel(dlg);
    KillTimer(dlg, 1);
    SetTimer(dlg, 1, 200, nullptr);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        g_VmsStore.Free(&g_lv.overview);
        if (g_lv.work)
            g_lv.overview = c_Dib::FitResize(g_lv.work, std::max(1, LOWORD(lp) - 16), std::max(1, HIWORD(lp) - 16));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        const RECT shown = PaintCentredPreview(wnd, dc, g_lv.overview);
        if (g_lv.overview && g_lv.detail) {
            // The detail's place on the overview.
            const int w = shown.right - shown.left, h = shown.bottom - shown.top;
            RECT frame = {shown.left, shown.top, shown.left + g_lv.detail->width * w / g_lv.work->width,
                          shown.top + g_lv.detail->height * h / g_lv.work->height};
            DrawFocusRect(dc, &frame);
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void InitDialog(HWND dlg) {
    g_lv.dialog = dlg;
    g_lv.level = 0;
    g_lv.applyCount = 0;
    SizeAdjustDialog(dlg);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterAdjustClass(kViewClass, ViewProc);
    AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, 1000);
    const LevelInfo& info = kInfo[g_lv.kind];
    const int x = kPanelX + kPanelW / 20, p = 2 * kPanelH / 3 - 52, g = kPanelY + p + 56;
    g_lv.detailRect = {x, kPanelY + 16, kPanelX + kPanelW - kPanelW / 20, kPanelY + 16 + p};
    const int dw = std::min<int>(g_lv.detailRect.right - g_lv.detailRect.left, g_lv.work->width);
    const int dh = std::min<int>(g_lv.detailRect.bottom - g_lv.detailRect.top, g_lv.work->height);
    g_lv.detail = c_Dib::Crop(g_lv.work, 0, 0, dw - 1, dh - 1);
    AdjustChild(dlg, "STATIC", info.label, SS_CENTERIMAGE, x, g, 48, 32, 1120);
    AdjustChild(dlg, "BUTTON", "<", BS_PUSHBUTTON, x + 48, g, 20, 32, LevelIdDown);
    HWND slider = AdjustChild(dlg, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS, x + 68, g + 4,
                              kPanelW - 2 * (kPanelW / 20) - 128, 24, LevelIdSlider);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(info.low, info.high));
    AdjustChild(dlg, "BUTTON", ">", BS_PUSHBUTTON, kPanelX + kPanelW - kPanelW / 20 - 60, g, 20, 32, LevelIdUp);
    AdjustChild(dlg, "STATIC", "", SS_CENTERIMAGE, kPanelX + kPanelW - kPanelW / 20 - 36, g, 36, 32, LevelIdText);
    AdjustChild(dlg, "BUTTON", "適用", BS_PUSHBUTTON, kPanelX + 102, kPanelY + 405, 90, 28, 19999);
    AdjustChild(dlg, "BUTTON", "戻す", BS_PUSHBUTTON, kPanelX + 195, kPanelY + 405, 90, 28, 19998);
    AdjustChild(dlg, "BUTTON", "閉じる", BS_PUSHBUTTON, kPanelX + 195, kPanelY + 436, 90, 22, IDOK);
    EnableWindow(GetDlgItem(dlg, 19998), FALSE);
    ShowLevel(dlg);
    ComputePreview();
}

void Apply(HWND dlg) {
    KillTimer(dlg, 1);
    c_UndoManager::SavePoint(g_lv.doc, -1, 1);
    // Each application starts from the layer as it was at opening.
    RestoreCurrentPlane(g_lv.doc, g_lv.work);
    ApplyToLayer(g_lv.level);
    ++g_lv.applyCount;
    g_lv.everApplied = 1;
    EnableWindow(GetDlgItem(dlg, 19998), TRUE);
}

void Revert(HWND dlg) {
    KillTimer(dlg, 1);
    if (g_lv.applyCount <= 0) return;
    --g_lv.applyCount;
    EnableWindow(GetDlgItem(dlg, 19998), g_lv.applyCount > 0);
    c_UndoManager::StepLocked(g_lv.doc, 0, 1);
}

INT_PTR CALLBACK LevelDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        FillRect(dc, &g_lv.detailRect, (HBRUSH)GetStockObject(WHITE_BRUSH));
        if (g_lv.preview)
            c_Dib::DrawFit(dc, g_lv.preview, g_lv.detailRect.left, g_lv.detailRect.top,
                           g_lv.detailRect.left + g_lv.preview->width - 1, g_lv.detailRect.top + g_lv.preview->height - 1,
                           0, 1);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_HSCROLL:
        if ((HWND)GetDlgItem(dlg, LevelIdSlider)) {
            g_lv.level = (int)SendDlgItemMessageA(dlg, LevelIdSlider, TBM_GETPOS, 0, 0);
            LevelChanged(dlg);
        }
        return TRUE;
    case WM_TIMER:
        KillTimer(dlg, 1);
        ComputePreview();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case LevelIdUp: case LevelIdDown:
            g_lv.level = LevelStep(g_lv.kind, g_lv.level, LOWORD(wp) == LevelIdUp);
            LevelChanged(dlg);
            break;
        case 19999: Apply(dlg); break;
        case 19998: Revert(dlg); break;
        case IDOK: EndDialog(dlg, g_lv.everApplied); break;
        }
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            EndDialog(dlg, g_lv.everApplied);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        KillTimer(dlg, 1);
        g_VmsStore.Free(&g_lv.overview);
        g_VmsStore.Free(&g_lv.detail);
        g_VmsStore.Free(&g_lv.preview);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int LevelStep(LevelKind kind, int level, int up) {
    const LevelInfo& info = kInfo[kind];
    if (up) {
        const int next = ((level + 4) / 4) * 4;
        return next > info.high + 3 ? info.high : std::min(next, info.high);
    }
    const int next = ((level - 4) / 4) * 4;
    return std::max(next, info.low);
}

int LevelApplyCount() { return g_lv.applyCount; }

void SetLevelForTest(HWND dialog, int level) {
    g_lv.level = level;
    LevelChanged(dialog);
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
