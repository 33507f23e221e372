#include "adjust/tone_balance_dialog.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <cstring>
#include <vector>

#include "adjust/adjust_layer.h"
#include "canvas/canv_window.h"
#include "image/product_table.h"
#include "resources/tonebalance_ids.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"

namespace {

constexpr int kMarkerInset = 8;    // pixels from the area's edges to values 0 and 255
constexpr int kMarkerReach = 3;    // a press this near a marker takes it
constexpr UINT kTimerId = 29800;
constexpr UINT kTimerMs = 500;
const char kNoMemory[] = "メモリーが不足しました。";

// The preview: the untouched layer part under the visible box, where it lies in
// the plane, the dialog and its worker.
struct ToneDialog {
    CanvDoc* doc = nullptr;
    int x = 0, y = 0, width = 0, height = 0;   // canvas coordinates of the part
    std::unique_ptr<uint32_t[]> source;        // its pixels as words, rows top-down
    HWND dialog = nullptr;
    HANDLE worker = nullptr;
    std::atomic<int> changed{0};
} g_Tone;

void ResetPoints() {
    ToneBalanceState.black = 0;
    ToneBalanceState.mid = 128;
    ToneBalanceState.white = 255;
}

// The part of the current plane under the display's visible box, clipped to the plane.
bool VisiblePart(CanvDoc* doc, RECT* part) {
    const LayerPlane& plane = doc->planes[doc->currentPlane];
    if (!plane.image || doc->zoom <= 0) return false;
    const double scale = 100.0 / doc->zoom;
    const int vx0 = (int)(std::max(0, doc->scrollX - doc->marginX) * scale);
    const int vy0 = (int)(std::max(0, doc->scrollY - doc->marginY) * scale);
    const int vx1 = (int)((doc->scrollX + std::max(1, doc->paneWidth)) * scale) + 1;
    const int vy1 = (int)((doc->scrollY + std::max(1, doc->paneHeight)) * scale) + 1;
    part->left = std::max(vx0, plane.x);
    part->top = std::max(vy0, plane.y);
    part->right = std::min(vx1, plane.x + plane.width - 1);
    part->bottom = std::min(vy1, plane.y + plane.height - 1);
    return part->left <= part->right && part->top <= part->bottom;
}

// The untouched part back into the layer.
void PutSourceBack() {
    for (int i = 0; i < g_Tone.height; ++i)
        PutPlaneRow(g_Tone.doc, g_Tone.y + i, g_Tone.x, g_Tone.x + g_Tone.width - 1,
                    g_Tone.source.get() + (size_t)i * g_Tone.width);
}

void PreviewToneBalance(const ToneBalance& tb);

// The worker's preview, from a copy of the points and the channel made on the
// dialog's thread when it started (the dialog moves the points meanwhile).
DWORD WINAPI PreviewWorker(LPVOID param) {
    std::unique_ptr<ToneBalance> settings((ToneBalance*)param);
    PreviewToneBalance(*settings);
    return 0;
}

bool WorkerRunning() {
    DWORD code = 0;
    return g_Tone.worker && GetExitCodeThread(g_Tone.worker, &code) && code == STILL_ACTIVE;
}

// Waits for the worker, pumping messages meanwhile (it repaints the canvas).
void WaitForWorker() {
    while (WorkerRunning()) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        MsgWaitForMultipleObjects(1, &g_Tone.worker, FALSE, 50, QS_ALLINPUT);
    }
    if (g_Tone.worker) CloseHandle(g_Tone.worker);
    g_Tone.worker = nullptr;
}

void OnTimer() {
    if (WorkerRunning() || !g_Tone.changed) return;
    if (g_Tone.worker) CloseHandle(g_Tone.worker);
    g_Tone.worker = nullptr;
    std::unique_ptr<ToneBalance> settings(new (std::nothrow) ToneBalance(ToneBalanceState));
    if (!settings) return;
    g_Tone.changed = 0;
    g_Tone.worker = CreateThread(nullptr, 0, PreviewWorker, settings.get(), 0, nullptr);
    if (g_Tone.worker) settings.release();
    else g_Tone.changed = 1;   // the next tick tries again
}

// The histogram area and the gauge one pixel a value wide, between their insets.
void FitAreasToValues(HWND dlg) {
    for (int id : {IDC_HIST_AREA, IDC_HIST_GAUGE}) {
        HWND control = GetDlgItem(dlg, id);
        RECT rc;
        GetClientRect(control, &rc);
        SetWindowPos(control, nullptr, 0, 0, 256 + 2 * kMarkerInset, rc.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }
}

void RedrawArea(HWND dlg) {
    InvalidateRect(GetDlgItem(dlg, IDC_HIST_AREA), nullptr, FALSE);
    InvalidateRect(GetDlgItem(dlg, IDC_HIST_GAUGE), nullptr, FALSE);
}

void PointsChanged(HWND dlg) {
    g_Tone.changed = 1;
    RedrawArea(dlg);
}

void DrawHistogram(const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    const RECT r = item->rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(dc, 0, 0, w, h, RGB(255, 255, 255));
    const ToneBalance& tb = ToneBalanceState;
    if (tb.largest > 0)
        for (int v = 0; v < 256; ++v) {
            const int bar = (int)(tb.counts[v] * (uint64_t)(h - 2) / tb.largest);
            if (bar > 0) DrawLine(dc, ToneMarkerX(v, w), h - 1, ToneMarkerX(v, w), h - 1 - bar, RGB(0, 0, 0));
        }
    const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 160, 0), RGB(255, 0, 0)};
    const int points[3] = {tb.black, tb.mid, tb.white};
    for (int i = 0; i < 3; ++i) DrawLine(dc, ToneMarkerX(points[i], w), 0, ToneMarkerX(points[i], w), h, colours[i]);
    DrawRectOutline(dc, 0, 0, w - 1, h - 1, RGB(128, 128, 128));
}

// The gauge: a grey ramp through the current table.
void DrawGauge(const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    const int w = item->rcItem.right - item->rcItem.left, h = item->rcItem.bottom - item->rcItem.top;
    FillRectColor(dc, 0, 0, w, h, RGB(255, 255, 255));
    for (int x = kMarkerInset; x < w - kMarkerInset; ++x) {
        const int g = ToneBalanceValue(ToneBalanceState, ToneValueAtX(x, w));
        DrawLine(dc, x, 0, x, h, RGB(g, g, g));
    }
    DrawRectOutline(dc, 0, 0, w - 1, h - 1, RGB(128, 128, 128));
}

// A press in the histogram area: the nearest marker within reach follows the
// cursor while the button is held.
void DragMarker(HWND dlg, POINT pressed) {
    HWND area = GetDlgItem(dlg, IDC_HIST_AREA);
    RECT rc;
    GetClientRect(area, &rc);
    MapWindowPoints(dlg, area, &pressed, 1);
    if (pressed.x < 0 || pressed.y < 0 || pressed.x >= rc.right || pressed.y >= rc.bottom) return;
    const int points[3] = {ToneBalanceState.black, ToneBalanceState.mid, ToneBalanceState.white};
    int taken = -1, nearest = kMarkerReach + 1;
    for (int i = 0; i < 3; ++i) {
        const int d = std::abs(ToneMarkerX(points[i], rc.right) - pressed.x);
        if (d < nearest) nearest = d, taken = i;
    }
    if (taken < 0) return;
    do {
        POINT c;
        GetPolledCursorPos(&c);
        ScreenToClient(area, &c);
        MoveTonePoint(taken, ToneValueAtX(c.x, rc.right));
        RedrawArea(dlg);
        UpdateWindow(area);
    } while (IsLeftButtonDown());
    PointsChanged(dlg);
}

// The channel menu under its button; the name of the choice on the button.
void ChooseChannel(HWND dlg) {
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < 4; ++i)
        AppendMenuA(menu, MF_STRING | (ToneBalanceState.channelMode == i ? MF_CHECKED : 0), (UINT_PTR)(i + 1),
                    LoadResString(IDS_TONE_CHANNEL_RGB + i));
    RECT button;
    GetWindowRect(GetDlgItem(dlg, IDC_HIST_CHANNEL), &button);
    const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, button.left, button.bottom, 0, dlg, nullptr);
    DestroyMenu(menu);
    if (chosen < 1) return;
    ToneBalanceState.channelMode = chosen - 1;
    SetDlgItemTextA(dlg, IDC_HIST_CHANNEL, LoadResString(IDS_TONE_CHANNEL_RGB + chosen - 1));
    PointsChanged(dlg);
}

void EndToneDialog(HWND dlg, INT_PTR result) {
    KillTimer(dlg, kTimerId);
    WaitForWorker();
    PutSourceBack();
    if (result == 1) {
        ApplyToneBalance(1);
        SetCanvasModified(g_Tone.doc);
    } else {
        RedrawCanvas(g_Tone.doc);
    }
    EndDialog(dlg, result);
}

}  // namespace

int ToneMarkerX(int v, int width) { return kMarkerInset + v * std::max(1, width - 2 * kMarkerInset - 1) / 255; }

int ToneValueAtX(int x, int width) {
    const int span = std::max(1, width - 2 * kMarkerInset - 1);
    return std::clamp(((x - kMarkerInset) * 255 + span / 2) / span, 0, 255);
}

void MoveTonePoint(int point, int v) {
    ToneBalance& tb = ToneBalanceState;
    switch (point) {
    case 0: tb.black = std::clamp(v, 0, tb.mid - 1); break;
    case 1: tb.mid = std::clamp(v, tb.black + 1, tb.white - 1); break;
    case 2: tb.white = std::clamp(v, tb.mid + 1, 255); break;
    default: break;
    }
}

namespace {

// The table of tb on the untouched part, written over the part in the layer.
void PreviewToneBalance(const ToneBalance& tb) {
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = (uint8_t)ToneBalanceValue(tb, v);
    // Bytes of a word the channel mode changes: blue 0, green 1, red 2.
    const bool affected[3] = {tb.channelMode == 0 || tb.channelMode == 3, tb.channelMode == 0 || tb.channelMode == 2,
                              tb.channelMode == 0 || tb.channelMode == 1};
    std::vector<uint32_t> row((size_t)g_Tone.width);
    std::vector<uint8_t> weight((size_t)g_Tone.width);
    const int x1 = g_Tone.x + g_Tone.width - 1;
    const RECT toneBox = AdjustToneBox(g_Tone.doc);
    for (int i = 0; i < g_Tone.height; ++i) {
        const uint32_t* from = g_Tone.source.get() + (size_t)i * g_Tone.width;
        AdjustWeightRow(g_Tone.doc, g_Tone.y + i, g_Tone.x, x1, 1, toneBox, weight.data());
        for (int x = 0; x < g_Tone.width; ++x) {
            uint32_t word = from[x];
            for (int k = 0; k < 3; ++k) {
                if (!affected[k]) continue;
                const int v = (int)(word >> (8 * k)) & 255;
                const int mixed = std::min(255, ProductTable[table[v]][weight[x]] + ProductTable[v][255 - weight[x]]);
                word = (word & ~(255u << (8 * k))) | (uint32_t)mixed << (8 * k);
            }
            row[(size_t)x] = word;
        }
        PutPlaneRow(g_Tone.doc, g_Tone.y + i, g_Tone.x, x1, row.data());
    }
    if (g_Tone.doc->display) InvalidateRect(g_Tone.doc->display, nullptr, FALSE);
}

}  // namespace

int ApplyToneBalance(int target) {
    if (target == 1) {
        CanvDoc* doc = g_Tone.doc ? g_Tone.doc : GetActiveCanvas();
        return doc ? ApplyToneBalanceToPlane(doc) : 0;
    }
    if (!g_Tone.doc || !g_Tone.source) return 0;
    PreviewToneBalance(ToneBalanceState);
    return 1;
}

INT_PTR CALLBACK HistgramDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        g_Tone.dialog = dlg;
        FitAreasToValues(dlg);
        ResetPoints();
        SetDlgItemTextA(dlg, IDC_HIST_CHANNEL, LoadResString(IDS_TONE_CHANNEL_RGB + ToneBalanceState.channelMode));
        SetTimer(dlg, kTimerId, kTimerMs, nullptr);
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == IDC_HIST_AREA) DrawHistogram(item);
        else if (item->CtlID == IDC_HIST_GAUGE) DrawGauge(item);
        else break;
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        DragMarker(dlg, POINT{(short)LOWORD(lp), (short)HIWORD(lp)});
        return TRUE;
    case WM_TIMER:
        if (wp == kTimerId) OnTimer();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_HIST_RESET:
            ResetPoints();
            PointsChanged(dlg);
            return TRUE;
        case IDC_HIST_CHANNEL: ChooseChannel(dlg); return TRUE;
        case IDOK: EndToneDialog(dlg, 1); return TRUE;
        case IDCANCEL: EndToneDialog(dlg, 0); return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            EndToneDialog(dlg, 0);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        g_Tone.dialog = nullptr;
        break;
    }
    return FALSE;
}

INT_PTR OpenToneBalanceDialog(HWND owner) {
    CanvDoc* doc = GetActiveCanvas();
    RECT part;
    if (!doc || !VisiblePart(doc, &part)) return 0;
    const int w = part.right - part.left + 1, h = part.bottom - part.top + 1;
    // Words of 32 bits hold every depth; 8-bit planes come widened to grey.
    std::unique_ptr<uint32_t[]> source(new (std::nothrow) uint32_t[(size_t)w * h]);
    if (!source) {
        ShowMessageBox(owner, kNoMemory, kAppTitle, kMsgOk);
        return 0;
    }
    for (int i = 0; i < h; ++i) GetPlaneRow(doc, part.top + i, part.left, part.right, source.get() + (size_t)i * w);
    BuildToneHistogram(doc, &ToneBalanceState);
    g_Tone.doc = doc;
    g_Tone.x = part.left;
    g_Tone.y = part.top;
    g_Tone.width = w;
    g_Tone.height = h;
    g_Tone.source = std::move(source);
    g_Tone.changed = 0;
    EnablePanels(FALSE);
    const INT_PTR result = RunModalDialog(GetModuleHandleA(nullptr), "dra_histgram", owner, HistgramDlgProc, 0);
    EnablePanels(TRUE);
    WaitForWorker();
    g_Tone.doc = nullptr;
    g_Tone.source.reset();
    return result;
}
