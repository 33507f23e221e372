#include "adjust/curve_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "adjust/adjust_dlg_util.h"
#include "adjust/adjust_preview.h"
#include "adjust/panel_items.h"
#include "adjust/preview_worker.h"
#include "adjust/effect_pen.h"
#include "adjust/adjust_layer.h"
#include "adjust/tone_curve.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "image/c_dib.h"
#include "image/colour_model.h"
#include "image/vms_store.h"
#include "ui/drawutil.h"
#include "paint/pen_writer.h"

namespace {

const char kViewClass[] = "CurveViewClass";
const char kGraphClass[] = "CurveGraphClass";
const char kBarClass[] = "CurveBarClass";
const char* const kChannels[10] = {"赤", "緑", "青", "ｼｱﾝ", "ﾏｾﾞﾝﾀ", "ｲｴﾛｰ", "色相", "彩度", "明度", "RGB"};

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

// A bar's colour column by column (or row by row for the vertical bar).
void PaintBar(HWND wnd, HDC dc) {
    RECT rc;
    GetClientRect(wnd, &rc);
    const int id = GetDlgCtrlID(wnd);
    const int n = id == CurveIdOutputBar ? rc.bottom : rc.right;
    for (int i = 0; i < n; ++i) {
        const int v = id == CurveIdOutputBar ? 255 - i * 255 / std::max(1, n - 1)
                      : id == CurveIdInputBar ? i * 255 / std::max(1, n - 1)
                                              : ToneCurve.table1[i * 255 / std::max(1, n - 1)];
        if (id == CurveIdOutputBar) DrawLine(dc, 0, i, rc.right, i, BarColour(v));
        else DrawLine(dc, i, 0, i, rc.bottom, BarColour(v));
    }
}

LRESULT CALLBACK BarProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintBar(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RepaintBars() {
    for (int id : {CurveIdOutputBar, CurveIdInputBar, CurveIdResultBar})
        InvalidateRect(GetDlgItem(g_cv.dialog, id), nullptr, FALSE);
}

// The graph, 256 x 256, values upward: the diagonal and the middle lines, the
// table's pixels, the control polygon, the points and, for a Bezier join, the
// curve's samples as a light grey line.
void PaintGraph(HDC dc) {
    FillRectColor(dc, 0, 0, 256, 256, RGB(255, 255, 255));
    DrawLine(dc, 0, 255, 255, 0, RGB(0, 0, 0));
    DrawLine(dc, 128, 0, 128, 256, RGB(0, 0, 0));
    DrawLine(dc, 0, 128, 256, 128, RGB(0, 0, 0));
    for (int i = 0; i < 256; ++i) SetPixel(dc, i, 255 - ToneCurve.table1[i], RGB(0, 0, 0));
    for (int i = 1; i < ToneCurve.count; ++i)
        DrawLine(dc, ToneCurve.points[i - 1][0], 255 - ToneCurve.points[i - 1][1], ToneCurve.points[i][0],
                 255 - ToneCurve.points[i][1], RGB(144, 144, 144));
    for (int i = 0; i < ToneCurve.count; ++i) {
        const int x = ToneCurve.points[i][0], y = ToneCurve.points[i][1];
        DrawRaisedPanelThin(dc, x - 2, 253 - y, x + 2, 257 - y, RGB(64, 64, 64));
    }
    if (ToneCurve.connection == 0 && ToneCurve.count >= 2) {
        int px = ToneCurve.points[0][0], py = ToneCurve.points[0][1];
        for (int k = 0; k <= 100; ++k) {
            double x, y;
            BezierSample(ToneCurve.points, ToneCurve.count, k, &x, &y);
            DrawLine(dc, px, 255 - py, (int)x, 255 - (int)y, RGB(200, 200, 200));
            px = (int)x;
            py = (int)y;
        }
    }
}

// The dragged point's marks: an inverted square 8 pixels wide on the point
// and the control polygon in inverted dots (a second call erases them).
void DrawDragMarks(HDC dc, int picked) {
    const int x = ToneCurve.points[picked][0], y = 255 - ToneCurve.points[picked][1];
    DrawXorRect(dc, x - 4, y - 4, x + 3, y + 3);
    for (int i = 1; i < ToneCurve.count; ++i)
        DrawXorDotLine(dc, ToneCurve.points[i - 1][0], 255 - ToneCurve.points[i - 1][1], ToneCurve.points[i][0],
                       255 - ToneCurve.points[i][1]);
}

// Drags the first point within 3 pixels of the press while the button is
// held; the table is built when it is let go.
void DragPoint(HWND wnd, int cx, int cy) {
    int picked = -1;
    for (int i = 0; i < ToneCurve.count && picked < 0; ++i)
        if (std::abs(ToneCurve.points[i][0] - cx) <= 3 && std::abs(ToneCurve.points[i][1] - (255 - cy)) <= 3)
            picked = i;
    if (picked < 0) return;
    SetCapture(wnd);
    HDC dc = GetDC(wnd);
    DrawDragMarks(dc, picked);
    MSG msg;
    while (GetCapture() == wnd && GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_LBUTTONUP) break;
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == wnd) {
            const int x = std::clamp((int)(short)LOWORD(msg.lParam), 0, 255);
            const int y = std::clamp(255 - (int)(short)HIWORD(msg.lParam), 0, 255);
            const int lo = picked == 0 ? 0 : ToneCurve.points[picked - 1][0];
            const int hi = picked == ToneCurve.count - 1 ? 255 : ToneCurve.points[picked + 1][0];
            if (std::clamp(x, lo, hi) != ToneCurve.points[picked][0] || y != ToneCurve.points[picked][1]) {
                DrawDragMarks(dc, picked);
                ToneCurve.points[picked][0] = std::clamp(x, lo, hi);
                ToneCurve.points[picked][1] = y;
                DrawDragMarks(dc, picked);
            }
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DrawDragMarks(dc, picked);
    ReleaseDC(wnd, dc);
    if (GetCapture() == wnd) ReleaseCapture();
    BuildCurveTable(&ToneCurve);
    InvalidateRect(wnd, nullptr, FALSE);
    RepaintBars();
    Changed();
}

LRESULT CALLBACK GraphProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintGraph(dc);
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

INT_PTR CALLBACK CurvePanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

void InitDialog(HWND dlg) {
    g_cv.dialog = nullptr;
    g_cv.timer = PreviewTimer{};
    g_cv.applyCount = 0;
    SizeAdjustDialog(dlg);
    RegisterAdjustClass(kViewClass, ViewProc);
    g_cv.view = AdjustChild(dlg, kViewClass, "", WS_BORDER, 8, 8, 304, 464, CurveIdView);
    CreateAdjustPanel(dlg, "psv_curvebase", CurvePanelProc);
}

void InitPanel(HWND dlg) {
    g_cv.dialog = dlg;
    ToneCurve.connection = 0;
    ToneCurve.channel = 9;
    ResetCurvePoints(&ToneCurve, 5);
    RegisterAdjustClass(kGraphClass, GraphProc);
    g_cv.graph = AdjustChild(dlg, kGraphClass, "", 0, 32, 4, 256, 256, CurveIdGraph);
    CreateOwnControl(kBarClass, BarProc, dlg, 0, 16, 4, 16, 256, CurveIdOutputBar);
    CreateOwnControl(kBarClass, BarProc, dlg, 0, 32, 260, 256, 14, CurveIdInputBar);
    CreateOwnControl(kBarClass, BarProc, dlg, 0, 32, 276, 256, 14, CurveIdResultBar);
    const int y = 300;
    CreatePanelItem(dlg, PanelItemLabel, "曲線", 16, y, 88, 14, 106);
    CreatePanelItem(dlg, PanelItemLabel, "チャンネル", 108, y, 88, 14, 107);
    CreatePanelItem(dlg, PanelItemLabel, "制御点", 200, y, 80, 14, 109);
    Combo(dlg, 16, y + 16, 88, CurveIdConnection, {"ﾍﾞｼﾞｴ曲線", "直線"}, 0);
    HWND channel = AdjustChild(dlg, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 108, y + 16, 88,
                         240, CurveIdChannel);
    for (const char* s : kChannels) SendMessageA(channel, CB_ADDSTRING, 0, (LPARAM)s);
    SendMessageA(channel, CB_SETCURSEL, 9, 0);
    Combo(dlg, 200, y + 16, 80, CurveIdCount, {"3", "4", "5", "6", "7", "8"}, 2);
    AdjustChild(dlg, "BUTTON", "初期化", BS_PUSHBUTTON, 16, 360, 80, 22, CurveIdReset);
    AdjustChild(dlg, "BUTTON", "保存...", BS_PUSHBUTTON, 100, 360, 80, 22, CurveIdSave);
    AdjustChild(dlg, "BUTTON", "読込...", BS_PUSHBUTTON, 184, 360, 80, 22, CurveIdLoad);
    AdjustChild(dlg, "PenIconClass", "", 0, 304 / 20, 405, 26, 22, CurveIdPen);
    PlacePanelButton(dlg, "適用", 81, 405, 102, 22, CurveIdApply);
    PlacePanelButton(dlg, "戻す", 185, 405, 102, 22, CurveIdRevert);
    PlacePanelButton(dlg, "閉じる", 185, 436, 102, 22, IDOK);
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
    HandAdjustmentToPen(GetParent(dlg), g_cv.doc, [](CanvDoc* doc) { CrctExecLayer(doc, &ToneCurve, nullptr); });
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
    RepaintBars();
    Changed();
}

INT_PTR CALLBACK CurvePanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintAdjustPanel(dlg, 72); return TRUE;
    case WM_TIMER:
        // A tick that finds the worker busy is dropped: its end asks again.
        g_cv.timer.Stop(dlg);
        StartPreview();
        return TRUE;
    case kPreviewDone:
        PreviewDone();
        return TRUE;
    case WM_DRAWITEM:
        return DrawPanelItem((const DRAWITEMSTRUCT*)lp);
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
        case IDOK: EndDialog(GetParent(dlg), g_cv.everApplied); break;
        }
        return TRUE;
    }
    case WM_DESTROY:
        g_cv.timer.Stop(dlg);
        g_cv.worker.Stop();
        g_cv.dialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK CurveDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = 0;
    if (AdjustDialogCommon(dlg, msg, wp, lp, g_cv.everApplied, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_DESTROY:
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
