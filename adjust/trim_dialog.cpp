#include "adjust/trim_dialog.h"

#include <cstdint>

#include "adjust/adjust_dlg_util.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_doc.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "select/sel_tool.h"
#include "ui/drawutil.h"

namespace {

const char kViewClass[] = "TrimViewClass";
constexpr int kClientSize = 320;
constexpr int kPanelX = 8, kPanelY = 188, kPanelW = 304, kPanelH = 124;
constexpr int kViewX = 8, kViewY = 8, kViewW = 304, kViewH = 164;

struct TrimState {
    HWND canvas = nullptr;      // the canvas window at opening
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    HWND dialog = nullptr;
    HWND panel = nullptr;
    HWND view = nullptr;
    ReformatTimer timer;        // on the panel
    bool changing = false;      // the program writes the edits or takes a tool point
};
TrimState g_trim;

// The canvas while its window lives (the panel may outlast it for a moment).
CanvDoc* TrimDoc() {
    CanvDoc* doc = GetCanvDoc(g_trim.canvas);
    return doc && !doc->closing ? doc : nullptr;
}

// The images of a paint, freed on every way out.
struct OwnedDib {
    DibImage* p = nullptr;
    ~OwnedDib() { c_DibImageOps::Free(&p); }
};
struct OwnedVms {
    VmsImage* p = nullptr;
    ~OwnedVms() { g_VmsStore.Free(&p); }
};

void PaintView(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    CanvDoc* doc = TrimDoc();
    if (doc && g_trim.x1 >= g_trim.x0 && g_trim.y1 >= g_trim.y0) {
        // Only the rectangle is composed: the rest of the canvas is not shown.
        OwnedDib composed;
        composed.p = ComposeRows(doc, g_trim.x0, g_trim.y0, g_trim.x1, g_trim.y1, 0, 0);
        OwnedVms shown;
        if (composed.p) shown.p = g_VmsStore.CreateFromDibImage(composed.p);
        if (shown.p) c_Dib::DrawFit(dc, shown.p, 0, 0, rc.right - 1, rc.bottom - 1, 1, 1);
    }
    EndPaint(wnd, &ps);
}

void WriteEdit(HWND panel, int id, int value) {
    g_trim.changing = true;
    SetItemInt(panel, id, value);
    g_trim.changing = false;
}

// Each edit rewritten as "%d" of its value when its text differs.
void RewriteEdits(HWND panel) {
    const int ids[4] = {TrimIdX0, TrimIdY0, TrimIdX1, TrimIdY1};
    const int values[4] = {g_trim.x0, g_trim.y0, g_trim.x1, g_trim.y1};
    for (int i = 0; i < 4; ++i) RewriteDlgItemInt(panel, ids[i], values[i], &g_trim.changing);
}

// The timer's work: the numbers become the canvas's rectangle selection and
// the preview follows.
void CommitRectangle(HWND panel) {
    g_trim.timer.Stop(panel);
    RewriteEdits(panel);
    if (CanvDoc* doc = TrimDoc()) {
        c_SelectionTool::DrawOutline(doc, nullptr);
        SelShape& s = c_SelectionTool::Current(doc);
        s.kind = CMD_TOOL_SELRECT;
        s.x0 = g_trim.x0;
        s.y0 = g_trim.y0;
        s.x1 = g_trim.x1;
        s.y1 = g_trim.y1;
        c_SelectionTool::CommitShape(doc, 1);
    }
    if (g_trim.view) InvalidateRect(g_trim.view, nullptr, FALSE);
}

// Bounds of one number: the start stays left of (above) the end.
void Bounds(int id, int* max, int* min) {
    CanvDoc* doc = TrimDoc();
    const int w = doc ? doc->width : 1, h = doc ? doc->height : 1;
    switch (id) {
    case TrimIdX0: *min = 0, *max = g_trim.x1 - 1; break;
    case TrimIdY0: *min = 0, *max = g_trim.y1 - 1; break;
    case TrimIdX1: *min = g_trim.x0 + 1, *max = w - 1; break;
    default: *min = g_trim.y0 + 1, *max = h - 1; break;
    }
}

int* ValueOf(int id) {
    switch (id) {
    case TrimIdX0: return &g_trim.x0;
    case TrimIdY0: return &g_trim.y0;
    case TrimIdX1: return &g_trim.x1;
    case TrimIdY1: return &g_trim.y1;
    }
    return nullptr;
}

void InitPanel(HWND panel) {
    g_trim.panel = panel;
    SetWindowPos(panel, nullptr, kPanelX, kPanelY, kPanelW, kPanelH, SWP_NOZORDER);
    CanvDoc* doc = TrimDoc();
    const SelShape* shape = doc ? &c_SelectionTool::Current(doc) : nullptr;
    if (shape && shape->kind != 0 && doc->width > 1 && doc->height > 1) {
        // The box as far as it lies on the canvas, at least two pixels each way.
        const auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; };
        g_trim.x0 = clamp(shape->x0 < shape->x1 ? shape->x0 : shape->x1, 0, doc->width - 2);
        g_trim.y0 = clamp(shape->y0 < shape->y1 ? shape->y0 : shape->y1, 0, doc->height - 2);
        g_trim.x1 = clamp(shape->x0 < shape->x1 ? shape->x1 : shape->x0, g_trim.x0 + 1, doc->width - 1);
        g_trim.y1 = clamp(shape->y0 < shape->y1 ? shape->y1 : shape->y0, g_trim.y0 + 1, doc->height - 1);
    }
    // Two rows of numbers, each under a separator, and the buttons at the bottom.
    const char* const names[2] = {"始点", "終点"};
    for (int row = 0; row < 2; ++row) {
        const int y = row == 0 ? 10 : 52, base = row == 0 ? TrimIdX0 : TrimIdX1;
        AdjustChild(panel, "STATIC", names[row], SS_OWNERDRAW, 8, y, 44, 20, TrimIdStartLabel + row);
        AdjustChild(panel, "STATIC", "x:", SS_RIGHT, 52, y + 3, 18, 16, 130 + 10 * row);
        AdjustChild(panel, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 72, y, 64, 20, base);
        AdjustChild(panel, "SCROLLBAR", "", SBS_VERT, 136, y, 14, 20, base + 1);
        AdjustChild(panel, "STATIC", "y:", SS_RIGHT, 160, y + 3, 18, 16, 131 + 10 * row);
        AdjustChild(panel, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 180, y, 64, 20, base + 2);
        AdjustChild(panel, "SCROLLBAR", "", SBS_VERT, 244, y, 14, 20, base + 3);
    }
    AdjustChild(panel, "BUTTON", "トリミング", BS_PUSHBUTTON | WS_TABSTOP, 88, kPanelH - 32, 104, 24, IDOK);
    AdjustChild(panel, "BUTTON", "閉じる", BS_PUSHBUTTON | WS_TABSTOP, 196, kPanelH - 32, 100, 24, IDCANCEL);
    WriteEdit(panel, TrimIdX0, g_trim.x0);
    WriteEdit(panel, TrimIdY0, g_trim.y0);
    WriteEdit(panel, TrimIdX1, g_trim.x1);
    WriteEdit(panel, TrimIdY1, g_trim.y1);
}

void PaintPanel(HWND panel) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT rc;
    GetClientRect(panel, &rc);
    FillRectColor(dc, 0, 0, rc.right, rc.bottom, PanelColour);
    DrawLine(dc, 0, 40, rc.right, 40, DarkShade(PanelColour));
    DrawLine(dc, 0, 41, rc.right, 41, LightShade(PanelColour));
    DrawLine(dc, 0, rc.bottom - 40, rc.right, rc.bottom - 40, DarkShade(PanelColour));
    DrawLine(dc, 0, rc.bottom - 39, rc.right, rc.bottom - 39, LightShade(PanelColour));
    EndPaint(panel, &ps);
}

void DrawLabel(const DRAWITEMSTRUCT* item) {
    const RECT& r = item->rcItem;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, PanelColour);
    char text[32] = {};
    GetWindowTextA(item->hwndItem, text, sizeof text);
    const int oldMode = SetBkMode(item->hDC, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(item->hDC, (HFONT)SendMessageA(item->hwndItem, WM_GETFONT, 0, 0));
    RECT t = r;
    t.left += 2;
    DrawTextA(item->hDC, text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(item->hDC, oldFont);
    SetBkMode(item->hDC, oldMode);
}

// The ends of the panel: the window goes first, then the trim or the tool change.
void Finish(HWND panel, int trim) {
    if (trim && g_trim.timer.running) CommitRectangle(panel);   // the numbers typed last count
    HWND frame = CanvFrameWindow();
    const CanvasHost& host = GetCanvasHost();
    DestroyWindow(g_trim.dialog);
    if (trim) {
        if (frame) PostMessageA(frame, WM_COMMAND, CMD_IMG_SELTONEW, 0);
    } else if (host.pressToolButton) {
        host.pressToolButton(CMD_TOOL_LAYERSELECT);
    } else if (frame) {
        SendMessageA(frame, WM_COMMAND, CMD_TOOL_LAYERSELECT, 0);
    }
}

void TakePoint(HWND panel, UINT msg, LPARAM lp) {
    const int x = (int)(lp & 0xFFFF), y = (int)((lp >> 16) & 0xFFFF);
    if (msg == TrimMsgStart) {
        g_trim.x0 = x;
        g_trim.y0 = y;
        WriteEdit(panel, TrimIdX0, x);
        WriteEdit(panel, TrimIdY0, y);
    } else {
        g_trim.x1 = x;
        g_trim.y1 = y;
        WriteEdit(panel, TrimIdX1, x);
        WriteEdit(panel, TrimIdY1, y);
    }
    g_trim.timer.Start(panel);
}

}  // namespace

INT_PTR CALLBACK TrimBaseDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintPanel(dlg); return TRUE;
    case WM_CTLCOLORSTATIC: return (INT_PTR)PanelLabelBrush((HDC)wp);
    case WM_DRAWITEM: DrawLabel((const DRAWITEMSTRUCT*)lp); return TRUE;
    case TrimMsgStart:
    case TrimMsgEnd: TakePoint(dlg, msg, lp); return TRUE;
    case WM_TIMER: CommitRectangle(dlg); return TRUE;
    case WM_VSCROLL: {
        const int edit = GetDlgCtrlID((HWND)lp) - 1;
        int* value = ValueOf(edit);
        const int code = SpinCode(wp);
        if (!value || code < 0) return TRUE;
        int max, min;
        Bounds(edit, &max, &min);
        g_trim.changing = true;
        SpinDlgItemInt(dlg, edit, value, max, min, code);
        g_trim.changing = false;
        g_trim.timer.Start(dlg);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (g_trim.changing) return TRUE;
        if (id == IDOK || id == IDCANCEL) {
            Finish(dlg, id == IDOK);
        } else if (int* value = ValueOf(id); value && HIWORD(wp) == EN_CHANGE) {
            int max, min;
            Bounds(id, &max, &min);
            ReadDlgItemInt(dlg, id, value, max, min);
            g_trim.timer.Start(dlg);
        }
        return TRUE;
    }
    case WM_DESTROY:
        g_trim.timer.Stop(dlg);
        RewriteEdits(dlg);
        g_trim.panel = nullptr;
        return FALSE;
    }
    return FALSE;
}

LRESULT CALLBACK TrimViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: PaintView(wnd); return 0;
    case WM_ERASEBKGND: return 1;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

INT_PTR CALLBACK TrimDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_trim.dialog = dlg;
        EnablePanels(FALSE);
        CanvDoc* doc = TrimDoc();
        g_trim.x0 = g_trim.y0 = 0;
        g_trim.x1 = doc ? doc->width - 1 : 0;
        g_trim.y1 = doc ? doc->height - 1 : 0;
        RECT rc = {0, 0, kClientSize, kClientSize};
        AdjustWindowRect(&rc, (DWORD)GetWindowLongPtrA(dlg, GWL_STYLE), FALSE);
        SetWindowPos(dlg, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOMOVE);
        PlaceWindow(dlg, 1);
        RegisterAdjustClass(kViewClass, TrimViewWndProc);
        g_trim.view = AdjustChild(dlg, kViewClass, "", 0, kViewX, kViewY, kViewW, kViewH, TrimIdView);
        CreateDialogParamA(GetModuleHandleA(nullptr), "psv_trimbase", dlg, TrimBaseDlgProc, 0);
        if (g_trim.view) InvalidateRect(g_trim.view, nullptr, FALSE);
        return TRUE;
    }
    case TrimMsgStart:
    case TrimMsgEnd:
        if (g_trim.panel) SendMessageA(g_trim.panel, msg, wp, lp);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) DestroyWindow(dlg);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            DestroyWindow(dlg);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY: {
        const CanvasHost& host = GetCanvasHost();
        if (host.trimDialog && *host.trimDialog == dlg) *host.trimDialog = nullptr;
        EnablePanels(TRUE);
        g_trim.view = nullptr;
        g_trim.dialog = nullptr;
        return FALSE;
    }
    }
    return FALSE;
}

HWND OpenTrimDialog(HWND owner) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return nullptr;
    if (g_trim.dialog && IsWindow(g_trim.dialog)) DestroyWindow(g_trim.dialog);
    g_trim = TrimState();
    g_trim.canvas = doc->window;
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), "psv_trim", owner, TrimDlgProc, 0);
    if (dlg) ShowWindow(dlg, SW_SHOWNA);
    return dlg;
}

RECT TrimRectangle() {
    if (!g_trim.dialog) return RECT{};
    return RECT{g_trim.x0, g_trim.y0, g_trim.x1, g_trim.y1};
}
