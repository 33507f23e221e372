#include "adjust/curve_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "adjust/adjust_dlg_util.h"
#include "adjust/adjust_preview.h"
#include "adjust/preview_worker.h"
#include "adjust/effect_pen.h"
#include "adjust/adjust_layer.h"
#include "adjust/tone_curve.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "image/c_dib.h"
#include "image/colour_model.h"
#include "image/vms_store.h"
#include "paint/pen_writer.h"

namespace {

const char kViewClass[] = "CurveViewClass";
const char kGraphClass[] = "CurveGraphClass";
const char* const kChannels[10] = {"赤", "緑", "青", "ｼｱﾝ", "ﾏｾﾞﾝﾀ", "ｲｴﾛｰ", "色相", "彩度", "明度", "RGB"};
constexpr int kPanelX = 328, kPanelY = 8;

struct CurveDlgState {
    CanvDoc* doc = nullptr;
    VmsImage* work = nullptr;      // the layer as it was at opening
    VmsImage* source = nullptr;    // fitted copy of the layer (not over white)
    VmsImage* alpha = nullptr;     // its fitted transparency, or null
    VmsImage* preview = nullptr;
    HWND dialog = nullptr;
    HWND view = nullptr;
    HWND graph = nullptr;
    int applyCount = 0;
    int everApplied = 0;
    PreviewWorker worker;
    PreviewTimer timer;
};
CurveDlgState g_cv;

// Posted by the worker when its picture is ready.
constexpr UINT kPreviewDone = WM_APP + 1;

// The preview: the fitted source through the record's table, computed by the
// worker on copies of the source, the transparency, the table and the channel.
void StartPreview() {
    if (!ToneCurve.changed || g_cv.worker.Busy() || !g_cv.source) return;
    auto table = std::make_shared<std::vector<uint8_t>>(ToneCurve.table1, ToneCurve.table1 + 256);
    const int channel = ToneCurve.channel;
    std::shared_ptr<VmsImage> source = ShareCopy(g_cv.source), alpha = ShareCopy(g_cv.alpha);
    if (!source) return;
    ToneCurve.changed = 0;
    g_cv.worker.Start(g_cv.dialog, kPreviewDone, [source, alpha, table, channel](const std::atomic<int>& cancel) {
        return MapPreviewRows(source.get(), alpha.get(), cancel, [&](uint32_t* row, int n) {
            CrctRow(row, n, channel, table->data(), nullptr, nullptr, nullptr);
        });
    });
}

void Changed() {
    ToneCurve.changed = 1;
    g_cv.worker.Invalidate();
    // A timer tick computes; changes meanwhile only re-arm it.
    if (g_cv.dialog) g_cv.timer.Restart(g_cv.dialog, 200);
}

// The worker's picture, shown when it belongs to the latest curve; when the
// curve changed while it ran, the next picture is asked for.
void PreviewDone() {
    OwnedImage picture = g_cv.worker.Finish();
    if (picture) {
        g_VmsStore.Free(&g_cv.preview);
        g_cv.preview = picture.release();
        InvalidateRect(g_cv.view, nullptr, FALSE);
    }
    if (ToneCurve.changed) g_cv.timer.Restart(g_cv.dialog, 200);
}

// Before the layer or the record changes: the timer stops and the worker
// ends; a picture it could not finish is asked for again afterwards.
void StopPreview() {
    g_cv.timer.Stop(g_cv.dialog);
    if (g_cv.worker.Busy()) {
        g_cv.worker.Stop();
        ToneCurve.changed = 1;
    }
}

void ResumePreview() {
    if (ToneCurve.changed) g_cv.timer.Restart(g_cv.dialog, 200);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        g_VmsStore.Free(&g_cv.source);
        g_VmsStore.Free(&g_cv.alpha);
        g_VmsStore.Free(&g_cv.preview);
        // The overview over white is the first preview; the source and the
        // transparency make the later ones.
        g_cv.preview = MakeOverview(g_cv.doc, g_cv.work, LOWORD(lp), HIWORD(lp), &g_cv.source, &g_cv.alpha);
        // A picture under way was made from the old source.
        Changed();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintCentredPreview(wnd, dc, g_cv.preview ? g_cv.preview : g_cv.source);
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

COLORREF BarColour(int v) {
    switch (ToneCurve.channel) {
    case 0: return RGB(v, 0, 0);
    case 1: return RGB(0, v, 0);
    case 2: return RGB(0, 0, v);
    case 3: return RGB(255 - v, 255, 255);
    case 4: return RGB(255, 255 - v, 255);
    case 5: return RGB(255, 255, 255 - v);
    case 6: {
        int r, g, b;
        ConvertHsvToRgb(v, 255, 255, &r, &g, &b, 1);
        return RGB(r, g, b);
    }
    default: return RGB(v, v, v);
    }
}

// The graph 256 x 256 with the output bar at its left and the input and
// output bars under it (one window, graph at 16, 0).
void PaintGraph(HWND wnd, HDC dc) {
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    for (int r = 0; r < 256; ++r) {
        HPEN pen = CreatePen(PS_SOLID, 1, BarColour(255 - r));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, 0, r, nullptr);
        LineTo(dc, 14, r);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    for (int c = 0; c < 256; ++c) {
        for (int bar = 0; bar < 2; ++bar) {
            HPEN pen = CreatePen(PS_SOLID, 1, BarColour(bar ? ToneCurve.table1[c] : c));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, 16 + c, 258 + 16 * bar, nullptr);
            LineTo(dc, 16 + c, 272 + 16 * bar);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    }
    RECT g = {16, 0, 272, 256};
    FillRect(dc, &g, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 16, 255, nullptr);
    LineTo(dc, 16 + 255, 0);
    MoveToEx(dc, 16 + 128, 0, nullptr);
    LineTo(dc, 16 + 128, 256);
    MoveToEx(dc, 16, 128, nullptr);
    LineTo(dc, 272, 128);
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(144, 144, 144));
    SelectObject(dc, grey);
    for (int i = 0; i < ToneCurve.count; ++i) {
        const int x = 16 + ToneCurve.points[i][0], y = 255 - ToneCurve.points[i][1];
        if (i == 0) MoveToEx(dc, x, y, nullptr);
        else LineTo(dc, x, y);
    }
    SelectObject(dc, oldPen);
    DeleteObject(grey);
    for (int i = 0; i < 256; ++i) SetPixel(dc, 16 + i, 255 - ToneCurve.table1[i], RGB(0, 0, 0));
    HBRUSH dark = CreateSolidBrush(RGB(64, 64, 64));
    for (int i = 0; i < ToneCurve.count; ++i) {
        RECT p = {16 + ToneCurve.points[i][0] - 2, 253 - ToneCurve.points[i][1], 16 + ToneCurve.points[i][0] + 3,
                  258 - ToneCurve.points[i][1]};
        FillRect(dc, &p, dark);
    }
    DeleteObject(dark);
}

// Drags the point nearest the press (within 3 pixels) while the button is held.
void DragPoint(HWND wnd, int cx, int cy) {
    int picked = -1;
    for (int i = 0; i < ToneCurve.count && picked < 0; ++i)
        if (std::abs(ToneCurve.points[i][0] - (cx - 16)) <= 3 && std::abs(ToneCurve.points[i][1] - (255 - cy)) <= 3)
            picked = i;
    if (picked < 0) return;
    SetCapture(wnd);
    MSG msg;
    while (GetCapture() == wnd && GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_LBUTTONUP) break;
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == wnd) {
            const int x = std::clamp((int)(short)LOWORD(msg.lParam) - 16, 0, 255);
            const int y = std::clamp(255 - (int)(short)HIWORD(msg.lParam), 0, 255);
            const int lo = picked == 0 ? 0 : ToneCurve.points[picked - 1][0];
            const int hi = picked == ToneCurve.count - 1 ? 255 : ToneCurve.points[picked + 1][0];
            ToneCurve.points[picked][0] = std::clamp(x, lo, hi);
            ToneCurve.points[picked][1] = y;
            BuildCurveTable(&ToneCurve);
            InvalidateRect(wnd, nullptr, FALSE);
            UpdateWindow(wnd);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ReleaseCapture();
    BuildCurveTable(&ToneCurve);
    InvalidateRect(wnd, nullptr, FALSE);
    Changed();
}

LRESULT CALLBACK GraphProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintGraph(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: DragPoint(wnd, (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

HWND Combo(HWND dlg, int x, int y, int w, int id, std::initializer_list<const char*> items, int chosen) {
    HWND c = AdjustChild(dlg, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, y, w, 200, id);
    for (const char* s : items) SendMessageA(c, CB_ADDSTRING, 0, (LPARAM)s);
    SendMessageA(c, CB_SETCURSEL, chosen, 0);
    return c;
}

void InitDialog(HWND dlg) {
    g_cv.dialog = dlg;
    g_cv.timer = PreviewTimer{};
    g_cv.applyCount = 0;
    SizeAdjustDialog(dlg);
    ToneCurve.connection = 0;
    ToneCurve.channel = 9;
    ResetCurvePoints(&ToneCurve, 5);
    RegisterAdjustClass(kViewClass, ViewProc);
    RegisterAdjustClass(kGraphClass, GraphProc);
    g_cv.view = AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, CurveIdView);
    g_cv.graph = AdjustChild(dlg, kGraphClass, "", 0, kPanelX + 16, kPanelY + 4, 272, 290, CurveIdGraph);
    const int y = kPanelY + 300;
    AdjustChild(dlg, "STATIC", "曲線", 0, kPanelX + 16, y, 80, 14, 106);
    AdjustChild(dlg, "STATIC", "チャンネル", 0, kPanelX + 108, y, 80, 14, 107);
    AdjustChild(dlg, "STATIC", "制御点", 0, kPanelX + 200, y, 80, 14, 109);
    Combo(dlg, kPanelX + 16, y + 16, 88, CurveIdConnection, {"ﾍﾞｼﾞｴ曲線", "直線"}, 0);
    HWND channel = AdjustChild(dlg, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kPanelX + 108, y + 16, 88,
                         240, CurveIdChannel);
    for (const char* s : kChannels) SendMessageA(channel, CB_ADDSTRING, 0, (LPARAM)s);
    SendMessageA(channel, CB_SETCURSEL, 9, 0);
    Combo(dlg, kPanelX + 200, y + 16, 80, CurveIdCount, {"3", "4", "5", "6", "7", "8"}, 2);
    AdjustChild(dlg, "BUTTON", "初期化", BS_PUSHBUTTON, kPanelX + 16, kPanelY + 360, 80, 22, CurveIdReset);
    AdjustChild(dlg, "BUTTON", "保存...", BS_PUSHBUTTON, kPanelX + 100, kPanelY + 360, 80, 22, CurveIdSave);
    AdjustChild(dlg, "BUTTON", "読込...", BS_PUSHBUTTON, kPanelX + 184, kPanelY + 360, 80, 22, CurveIdLoad);
    AdjustChild(dlg, "PenIconClass", "", 0, kPanelX + 304 / 20, kPanelY + 405, 26, 22, CurveIdPen);
    AdjustChild(dlg, "BUTTON", "適用", BS_PUSHBUTTON, kPanelX + 81, kPanelY + 405, 102, 22, CurveIdApply);
    AdjustChild(dlg, "BUTTON", "戻す", BS_PUSHBUTTON, kPanelX + 185, kPanelY + 405, 102, 22, CurveIdRevert);
    AdjustChild(dlg, "BUTTON", "閉じる", BS_PUSHBUTTON, kPanelX + 185, kPanelY + 436, 102, 22, IDOK);
    EnableWindow(GetDlgItem(dlg, CurveIdRevert), FALSE);
    Changed();
}

void Apply(HWND dlg) {
    StopPreview();
    c_UndoManager::SavePoint(g_cv.doc, -1, 1);
    RestoreCurrentPlane(g_cv.doc, g_cv.work);
    CrctExecLayer(g_cv.doc, &ToneCurve, nullptr);
    ++g_cv.applyCount;
    g_cv.everApplied = 1;
    EnableWindow(GetDlgItem(dlg, CurveIdRevert), TRUE);
    ResumePreview();
}

void HandToPen(HWND dlg) {
    StopPreview();
    HandAdjustmentToPen(dlg, g_cv.doc, [](CanvDoc* doc) { CrctExecLayer(doc, &ToneCurve, nullptr); });
}

void Revert(HWND dlg) {
    StopPreview();
    if (g_cv.applyCount <= 0) return;
    --g_cv.applyCount;
    EnableWindow(GetDlgItem(dlg, CurveIdRevert), g_cv.applyCount > 0);
    c_UndoManager::StepLocked(g_cv.doc, 0, 1);
    ResumePreview();
}

void Repaint() {
    InvalidateRect(g_cv.graph, nullptr, FALSE);
    Changed();
}

INT_PTR CALLBACK CurveDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_TIMER:
        // A tick that finds the worker busy is dropped: its end asks again.
        g_cv.timer.Stop(dlg);
        StartPreview();
        return TRUE;
    case kPreviewDone:
        PreviewDone();
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        auto choice = [&](int control) { return (int)SendDlgItemMessageA(dlg, control, CB_GETCURSEL, 0, 0); };
        switch (id) {
        case CurveIdConnection:
            if (code == CBN_SELCHANGE && choice(id) >= 0) {
                ToneCurve.connection = choice(id);
                BuildCurveTable(&ToneCurve);
                Repaint();
            }
            break;
        case CurveIdChannel:
            if (code == CBN_SELCHANGE && choice(id) >= 0) {
                ToneCurve.channel = choice(id);
                Repaint();
            }
            break;
        case CurveIdCount:
            if (code == CBN_SELCHANGE && choice(id) >= 0) {
                ResetCurvePoints(&ToneCurve, choice(id) + 3);
                Repaint();
            }
            break;
        case CurveIdReset:
            StopPreview();
            ResetCurvePoints(&ToneCurve, ToneCurve.count);
            Repaint();
            break;
        case CurveIdSave: {
            StopPreview();
            char path[MAX_PATH];
            if (ChooseCurveFileToSave(dlg, path, sizeof path) && !SaveCurveFile(path, &ToneCurve))
                ShowMessageBox(dlg, "トーンカーブファイルを保存できませんでした。", kAppTitle, kMsgOk);
            ResumePreview();
            break;
        }
        case CurveIdLoad: {
            StopPreview();
            char path[MAX_PATH];
            if (ChooseCurveFileToOpen(dlg, path, sizeof path) && LoadCurveFile(dlg, path, &ToneCurve)) {
                SendDlgItemMessageA(dlg, CurveIdConnection, CB_SETCURSEL, ToneCurve.connection, 0);
                SendDlgItemMessageA(dlg, CurveIdChannel, CB_SETCURSEL, ToneCurve.channel, 0);
                SendDlgItemMessageA(dlg, CurveIdCount, CB_SETCURSEL, ToneCurve.count - 3, 0);
            }
            Repaint();
            break;
        }
        case CurveIdApply: Apply(dlg); break;
        case CurveIdRevert: Revert(dlg); break;
        case CurveIdPen: HandToPen(dlg); break;
        case IDOK: EndDialog(dlg, g_cv.everApplied); break;
        }
        return TRUE;
    }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, g_cv.everApplied);
    case WM_DESTROY:
        g_cv.timer.Stop(dlg);
        g_cv.worker.Stop();
        g_VmsStore.Free(&g_cv.source);
        g_VmsStore.Free(&g_cv.alpha);
        g_VmsStore.Free(&g_cv.preview);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// The preview window of the dialog; the frame registers its class with it.
LRESULT CALLBACK CurveViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ViewProc(wnd, msg, wp, lp); }

int CurveApplyCount() { return g_cv.applyCount; }

INT_PTR OpenToneCurveDialog(HWND parent, CanvDoc* doc) {
    if (!doc) return 0;
    c_PenWriter::FreeBrushImages(1, 0);
    std::memset(&ToneCurve, 0, sizeof ToneCurve);
    g_cv.doc = doc;
    g_cv.everApplied = 0;
    g_cv.work = CopyCurrentPlane(doc);
    if (!g_cv.work) return 0;
    const INT_PTR result = RunCanvasDialog("psv_curve", parent, CurveDlgProc, 0);
    g_VmsStore.Free(&g_cv.work);
    return result;
}

const VmsImage* CurvePreviewImage() { return g_cv.preview; }
