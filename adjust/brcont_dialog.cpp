#include "adjust/brcont_dialog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

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

const char kViewClass[] = "BrContViewClass";
constexpr int kPanelW = 304, kPanelH = 464;   // the panel psv_base2

struct BrContDlgState {
    CanvDoc* doc = nullptr;
    VmsImage* work = nullptr;
    VmsImage* source = nullptr;    // fitted copy of the layer (not over white)
    VmsImage* alpha = nullptr;     // its fitted transparency, or null
    VmsImage* preview = nullptr;
    HWND dialog = nullptr;         // the panel: its timer and the worker's message
    HWND view = nullptr;
    BrContValues values = {};
    int applyCount = 0;
    int everApplied = 0;
    int changed = 0;               // the preview must be computed again
    PreviewWorker worker;
    PreviewTimer timer;
};
BrContDlgState g_bc;

int* Value(int row) {
    switch (row) {
    case 0: return &g_bc.values.brightness;
    case 1: return &g_bc.values.contrast;
    case 2: return &g_bc.values.vividness;
    default: return &g_bc.values.channel[row - 3];
    }
}

// Posted by the worker when its picture is ready.
constexpr UINT kPreviewDone = WM_APP + 1;

// Starts the worker on copies of the fitted source and transparency with the
// tables of the current values; a tick that finds it busy does nothing (the
// timer keeps running).
void StartPreview(HWND dlg) {
    if (!g_bc.changed || g_bc.worker.Busy() || !g_bc.source) return;
    auto tables = std::make_shared<BrContTables>();
    BuildBrContTables(g_bc.values, tables.get());
    const int model = g_bc.values.model;
    std::shared_ptr<VmsImage> source = ShareCopy(g_bc.source), alpha = ShareCopy(g_bc.alpha);
    if (!source) return;
    g_bc.changed = 0;
    g_bc.worker.Start(dlg, kPreviewDone, [source, alpha, tables, model](const std::atomic<int>& cancel) {
        return MapPreviewRows(source.get(), alpha.get(), cancel, [&](uint32_t* row, int n) {
            for (int x = 0; x < n; ++x) row[x] = BrContPreviewPixel(row[x], *tables, model);
        });
    });
}

// After a command that stopped the preview: asks again for a picture that
// was not finished.
void ResumePreview(HWND dlg) {
    if (g_bc.changed) g_bc.timer.Restart(dlg, 200);
}

// The worker's picture, shown when it belongs to the latest values.
void PreviewDone() {
    OwnedImage picture = g_bc.worker.Finish();
    if (!picture) return;
    g_VmsStore.Free(&g_bc.preview);
    g_bc.preview = picture.release();
    InvalidateRect(g_bc.view, nullptr, FALSE);
}

void Changed(HWND dlg) {
    g_bc.changed = 1;
    g_bc.worker.Invalidate();
    g_bc.timer.Restart(dlg, 200);
}

// Before the layer or the record changes: the timer stops and the worker
// ends; a picture it could not finish is asked for again.
void StopPreview(HWND dlg) {
    g_bc.timer.Stop(dlg);
    if (g_bc.worker.Busy()) {
        g_bc.worker.Stop();
        g_bc.changed = 1;
    }
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        g_VmsStore.Free(&g_bc.source);
        g_VmsStore.Free(&g_bc.alpha);
        g_VmsStore.Free(&g_bc.preview);
        g_bc.preview = MakeOverview(g_bc.doc, g_bc.work, LOWORD(lp), HIWORD(lp), &g_bc.source, &g_bc.alpha);
        // A picture under way was made from the old source.
        if (g_bc.dialog) Changed(g_bc.dialog);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintCentredPreview(wnd, dc, g_bc.preview ? g_bc.preview : g_bc.source);
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

bool HasBar(int row) { return row == 0 || row >= 3; }

void Labels(HWND dlg) {
    static const char* const rgb[3] = {"R", "G", "B"};
    static const char* const cmy[3] = {"C", "M", "Y"};
    for (int k = 0; k < 3; ++k) {
        SetPanelItemText(GetDlgItem(dlg, BrContIdLabel0 + 3 + k), g_bc.values.model ? cmy[k] : rgb[k]);
        InvalidateRect(GetDlgItem(dlg, BrContIdBar0 + 3 + k), nullptr, FALSE);
    }
    SetPanelItemPressed(dlg, BrContIdRgb, g_bc.values.model == 0);
    SetPanelItemPressed(dlg, BrContIdCmy, g_bc.values.model == 1);
}

void ShowValue(HWND dlg, int row) {
    char text[16];
    std::snprintf(text, sizeof text, "%+3d", *Value(row));
    SetPanelItemText(GetDlgItem(dlg, BrContIdValue0 + row), text);
    SetGaugeValue(GetDlgItem(dlg, BrContIdSlider0 + row), *Value(row));
}

COLORREF BarColour(HWND bar, int x, int w) {
    return BrContBarColour(GetDlgCtrlID(bar) - BrContIdBar0, g_bc.values.model, x, w);
}

INT_PTR CALLBACK BrContPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

void InitDialog(HWND dlg) {
    g_bc.dialog = nullptr;
    g_bc.changed = 0;
    g_bc.timer = PreviewTimer{};
    g_bc.values = {};
    g_bc.applyCount = 0;
    SizeAdjustDialog(dlg);
    RegisterAdjustClass(kViewClass, ViewProc);
    g_bc.view = AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, 2000);
    CreateAdjustPanel(dlg, "psv_base2", BrContPanelProc);
}

void InitPanel(HWND dlg) {
    g_bc.dialog = dlg;
    static const char* const labels[3] = {"明るさ", "軟調/硬調", "鮮やかさ"};
    const int c = kPanelW / 20, W = kPanelW - 2 * c - 128, x = c;
    for (int i = 0; i < 6; ++i) {
        const int y = kPanelH / 20 + (kPanelH / 10) * i + (i >= 3 ? 24 : 0);
        CreatePanelItem(dlg, PanelItemLabel, i < 3 ? labels[i] : "", i == 1 ? x - 8 : x, y, i == 1 ? 56 : 48, 32,
                        BrContIdLabel0 + i);
        CreatePanelItem(dlg, PanelItemArrow, "num_down", x + 48, y, 20, 32, BrContIdDown0 + i);
        HWND gauge = CreateGauge(dlg, x + 68, HasBar(i) ? y + 16 : y + 8, W, 16, BrContIdSlider0 + i, -20, 20, 0, 0);
        if (HasBar(i)) CreateGaugeStrip(dlg, x + 68, y, W, 16, BrContIdBar0 + i, gauge, BarColour);
        CreatePanelItem(dlg, PanelItemArrow, "num_up", kPanelW - c - 60, y, 20, 32, BrContIdUp0 + i);
        CreatePanelItem(dlg, PanelItemLabel, "", kPanelW - c - 40, y, 32, 32, BrContIdValue0 + i);
        ShowValue(dlg, i);
    }
    CreatePanelItem(dlg, PanelItemChoice, "RGB", c + 58, kPanelH - 128, 78, 24, BrContIdRgb);
    CreatePanelItem(dlg, PanelItemChoice, "CMY", c + 140, kPanelH - 128, 78, 24, BrContIdCmy);
    AdjustChild(dlg, "PenIconClass", "", 0, c - 4, 405, 81, 28, BrContIdPen);
    PlacePanelButton(dlg, "適用", 102, 405, 90, 28, 19999);
    PlacePanelButton(dlg, "戻す", 195, 405, 90, 28, 19998);
    PlacePanelButton(dlg, "閉じる", 185, 436, 102, 22, IDOK);
    EnableWindow(GetDlgItem(dlg, 19998), FALSE);
    Labels(dlg);
}

void Apply(HWND dlg) {
    StopPreview(dlg);
    c_UndoManager::SavePoint(g_bc.doc, -1, 1);
    RestoreCurrentPlane(g_bc.doc, g_bc.work);
    ApplyBrContToLayer(g_bc.doc, g_bc.values);
    ++g_bc.applyCount;
    g_bc.everApplied = 1;
    EnableWindow(GetDlgItem(dlg, 19998), TRUE);
    ResumePreview(dlg);
}

void HandToPen(HWND dlg) {
    StopPreview(dlg);
    const BrContValues values = g_bc.values;
    HandAdjustmentToPen(GetParent(dlg), g_bc.doc, [values](CanvDoc* doc) { ApplyBrContToLayer(doc, values); });
}

void Revert(HWND dlg) {
    StopPreview(dlg);
    if (g_bc.applyCount <= 0) return;
    --g_bc.applyCount;
    EnableWindow(GetDlgItem(dlg, 19998), g_bc.applyCount > 0);
    c_UndoManager::StepLocked(g_bc.doc, 0, 1);
    ResumePreview(dlg);
}

INT_PTR CALLBACK BrContPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintAdjustPanel(dlg, 72); return TRUE;
    case WM_TIMER:
        StartPreview(dlg);
        return TRUE;
    case kPreviewDone:
        PreviewDone();
        return TRUE;
    case WM_DRAWITEM:
        return DrawPanelItem((const DRAWITEMSTRUCT*)lp);
    case WM_COMMAND:
        if (LOWORD(wp) >= BrContIdSlider0 && LOWORD(wp) < BrContIdSlider0 + 6) {
            const int row = LOWORD(wp) - BrContIdSlider0;
            *Value(row) = GaugeValue((HWND)lp);
            ShowValue(dlg, row);
            if (HIWORD(wp) == GaugeReleased) Changed(dlg);
            return TRUE;
        }
        if (LOWORD(wp) >= BrContIdUp0 && LOWORD(wp) < BrContIdDown0 + 6) {
            const int up = LOWORD(wp) < BrContIdDown0;
            const int row = LOWORD(wp) - (up ? BrContIdUp0 : BrContIdDown0);
            *Value(row) = GaugeStep(*Value(row), -20, 20, up);
            ShowValue(dlg, row);
            Changed(dlg);
            return TRUE;
        }
        switch (LOWORD(wp)) {
        case BrContIdRgb: case BrContIdCmy:
            g_bc.values.model = LOWORD(wp) - BrContIdRgb;
            Labels(dlg);
            Changed(dlg);
            break;
        case 19999: Apply(dlg); break;
        case 19998: Revert(dlg); break;
        case BrContIdPen: HandToPen(dlg); break;
        case IDOK: EndDialog(GetParent(dlg), g_bc.everApplied); break;
        }
        return TRUE;
    case WM_DESTROY:
        g_bc.timer.Stop(dlg);
        g_bc.worker.Stop();
        g_bc.dialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK BrContDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = 0;
    if (AdjustDialogCommon(dlg, msg, wp, lp, g_bc.everApplied, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_DESTROY:
        g_bc.worker.Stop();
        g_VmsStore.Free(&g_bc.source);
        g_VmsStore.Free(&g_bc.alpha);
        g_VmsStore.Free(&g_bc.preview);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// The preview window of the dialog; the frame registers its class with it.
LRESULT CALLBACK BrContViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ViewProc(wnd, msg, wp, lp); }

uint32_t BrContPreviewPixel(uint32_t word, const BrContTables& t, int model) {
    word = CrctPixel(word, 20, t.contrast, t.brightness, nullptr, 255);
    word = CrctPixel(word, 25, t.vividness, nullptr, nullptr, 255);
    return CrctPixel(word, model == 1 ? 21 : 22, nullptr, nullptr, t.channel, 255);
}

int BrContApplyCount() { return g_bc.applyCount; }

COLORREF BrContBarColour(int row, int model, int x, int w) {
    if (x == (w - 1) / 2) return RGB(64, 64, 64);
    const int f = w > 1 ? x * 255 / (w - 1) : 0;
    switch (row) {
    case 3: return model ? RGB(255 - f, 255, 255) : RGB(f, 0, 0);
    case 4: return model ? RGB(255, 255 - f, 255) : RGB(0, f, 0);
    case 5: return model ? RGB(255, 255, 255 - f) : RGB(0, 0, f);
    default: return RGB(f, f, f);
    }
}

INT_PTR OpenBrContDialog(HWND parent, CanvDoc* doc) {
    doc = PrepareAdjustedCanvas(parent, doc);
    if (!doc) return 0;
    g_bc.doc = doc;
    g_bc.everApplied = 0;
    g_bc.work = CopyCurrentPlane(doc);
    if (!g_bc.work) return 0;
    const INT_PTR result = RunCanvasDialog("psv_brcont", parent, BrContDlgProc, 0);
    g_VmsStore.Free(&g_bc.work);
    return result;
}

const VmsImage* BrContPreviewImage() { return g_bc.preview; }
