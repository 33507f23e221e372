#include "paint/brush_editor.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "image/dib_image.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "resources/paint_ids.h"

int (*ChooseColourHook)(HWND owner, int* r, int* g, int* b, const char* caption);

namespace {

struct Editor {
    int index;
    PenRecord saved;
    bool rewriting;
    UINT_PTR timer;
    bool showTip;
};
Editor g_Editor;

PenRecord& Record() { return PenRecords[g_Editor.index]; }

int PenWidthOf(double radius) { return (int)(2 * radius + 1); }

void StartPreviewTimer(HWND dlg) {
    if (g_Editor.timer) KillTimer(dlg, g_Editor.timer);
    g_Editor.timer = 0;
    for (UINT_PTR id = 0; id < 30000 && !g_Editor.timer; ++id)
        if (SetTimer(dlg, id, 200, nullptr)) g_Editor.timer = id + 1;
}

void WriteFields(HWND dlg) {
    g_Editor.rewriting = true;
    const int ids[2] = {IDC_PENEDIT_WIDTH, IDC_PENEDIT_HEIGHT};
    const double radii[2] = {Record().halfWidth, Record().halfHeight};
    for (int k = 0; k < 2; ++k) {
        BOOL ok = FALSE;
        int shown = (int)GetDlgItemInt(dlg, ids[k], &ok, FALSE);
        if (!ok || shown != PenWidthOf(radii[k])) SetWindowInt(GetDlgItem(dlg, ids[k]), PenWidthOf(radii[k]));
    }
    g_Editor.rewriting = false;
}

void RedrawPreview(HWND dlg, bool tip) {
    g_Editor.showTip = tip;
    InvalidateRect(GetDlgItem(dlg, IDC_PENEDIT_PREVIEW), nullptr, FALSE);
    UpdateWindow(GetDlgItem(dlg, IDC_PENEDIT_PREVIEW));
}

void DrawPreview(const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
    HRGN clip = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    SelectClipRgn(dc, clip);
    const PenRecord& rec = Record();
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int rx = (int)rec.halfWidth, ry = (int)rec.halfHeight;
    RECT box = {cx - rx, cy - ry, cx + rx, cy + ry};
    FillEllipseColor(dc, box.left, box.top, box.right, box.bottom, RGB(0x60, 0x60, 0x60));
    int kind = rec.tipKind < 0 ? 0 : rec.tipKind > 6 ? 6 : rec.tipKind;
    if (g_Editor.showTip) {
        // The tip of the record, rendered for a moment in place of the pen's.
        PenTipBlock saved = Pen.tip;
        Pen.tip.planes[0] = Pen.tip.planes[1] = nullptr;
        Pen.tip.hRadius = rec.halfWidth;
        Pen.tip.vRadius = rec.halfHeight;
        Pen.tip.tipShape = TipShape[kind];
        Pen.tip.angle = 0;
        RenderPenTip(0);
        if (const DibImage* high = Pen.tip.planes[0]) {
            std::vector<uint8_t> row(high->width);
            for (int y = 0; y < high->height; ++y) {
                c_DibImageOps::GetRow8(high, y, 0, high->width - 1, row.data());
                for (int x = 0; x < high->width; ++x) {
                    int v = 4 * row[x] > 255 ? 255 : 4 * row[x];
                    if (v) SetPixel(dc, box.left + x, box.top + y, RGB(255 - v, 255 - v, 255 - v));
                }
            }
        }
        FreePenTip();
        Pen.tip = saved;
    }
    if (kind > 3) {
        COLORREF edge = RGB(rec.edgeColour[0], rec.edgeColour[1], rec.edgeColour[2]);
        DrawRectOutline(dc, box.left, box.top, box.right, box.bottom, edge);
        DrawRectOutline(dc, box.left + 1, box.top + 1, box.right + 1, box.bottom + 1, edge);
    }
    DrawRectOutline(dc, box.left, box.top, box.right, box.bottom, (COLORREF)0xFF0000);
    FillRectColor(dc, box.right - 3, box.bottom - 3, box.right + 4, box.bottom + 4, (COLORREF)0xFF0000);
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
}

// Tip buttons: the bitmap of the kind with its state suffix.
void DrawTipButton(const DRAWITEMSTRUCT* item) {
    int k = (int)item->CtlID - IDC_PENEDIT_TIP0;
    const RECT& r = item->rcItem;
    bool current = k == Record().tipKind;
    const char* suffix = current || (item->itemState & ODS_SELECTED) ? "__"
                         : (item->itemState & ODS_DISABLED)           ? "___"
                                                                      : "_";
    char name[16];
    std::snprintf(name, sizeof name, "p_pen%d%s", k + 1, suffix);
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, current ? RGB(185, 208, 222) : RGB(224, 223, 227));
    // The picture holds a sketch of the kind: soft, hard, spray, square, rims for edge pens.
    DrawBitmapRes(name, item->hDC, 0, 0, SRCCOPY);
    if (current) DrawSunkenEdge(item->hDC, r.left, r.top, r.right, r.bottom);
    else DrawRaisedEdge(item->hDC, r.left, r.top, r.right, r.bottom);
}

void SetTipKind(HWND dlg, int k) {
    int old = Record().tipKind;
    Record().tipKind = k;
    if (k == 4) Record().innerFactor = 8.0;
    if (k == 5) Record().innerFactor = 6.0;
    if (k == 6) Record().innerFactor = 4.0;
    EnableWindow(GetDlgItem(dlg, IDC_PENEDIT_EDGECOLOUR), k > 3);
    if (old >= 0 && old <= 6) InvalidateRect(GetDlgItem(dlg, IDC_PENEDIT_TIP0 + old), nullptr, FALSE);
    InvalidateRect(GetDlgItem(dlg, IDC_PENEDIT_TIP0 + k), nullptr, FALSE);
    RedrawPreview(dlg, true);
}

void ReadSizeField(HWND dlg, int id) {
    int value = 1;
    ReadDlgItemInt(dlg, id, &value, 255, 1);
    double radius = (value - 1) * 0.5;
    if (id == IDC_PENEDIT_WIDTH) Record().halfWidth = radius;
    else Record().halfHeight = radius;
    StartPreviewTimer(dlg);
}

// Dragging in the preview: the radii follow the cursor's distance from the centre.
void DragRadii(HWND dlg) {
    HWND preview = GetDlgItem(dlg, IDC_PENEDIT_PREVIEW);
    RECT r;
    GetWindowRect(preview, &r);
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    while (IsLeftButtonDown()) {
        POINT p;
        GetPolledCursorPos(&p);
        int dx = std::abs(p.x - cx), dy = std::abs(p.y - cy);
        dx = dx < 1 ? 1 : dx > 127 ? 127 : dx;
        dy = dy < 1 ? 1 : dy > 127 ? 127 : dy;
        Record().halfWidth = dx;
        Record().halfHeight = GetKeyState(VK_SHIFT) < 0 ? dy : dx;
        WriteFields(dlg);
        RedrawPreview(dlg, false);
    }
    RedrawPreview(dlg, true);
}

INT_PTR CALLBACK PenEditProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_Editor.index = (int)lp;
        g_Editor.saved = Record();
        g_Editor.timer = 0;
        g_Editor.showTip = true;
        for (int k = 0; k < 7; ++k)
            SetWindowPos(GetDlgItem(dlg, IDC_PENEDIT_TIP0 + k), nullptr, 0, 0, 24, 24, SWP_NOMOVE | SWP_NOZORDER);
        CenterWindow(dlg);
        WriteFields(dlg);
        EnableWindow(GetDlgItem(dlg, IDC_PENEDIT_EDGECOLOUR), Record().tipKind > 3);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id >= IDC_PENEDIT_TIP0 && id < IDC_PENEDIT_TIP0 + 7) {
            SetTipKind(dlg, id - IDC_PENEDIT_TIP0);
        } else if ((id == IDC_PENEDIT_WIDTH || id == IDC_PENEDIT_HEIGHT) && HIWORD(wp) == EN_CHANGE) {
            if (!g_Editor.rewriting) ReadSizeField(dlg, id);
        } else if (id == IDC_PENEDIT_EDGECOLOUR) {
            int c[3] = {Record().edgeColour[0], Record().edgeColour[1], Record().edgeColour[2]};
            if (ChooseColourHook && ChooseColourHook(dlg, &c[0], &c[1], &c[2], "フチ色")) {
                for (int k = 0; k < 3; ++k) Record().edgeColour[k] = (uint8_t)c[k];
                Record().edgeColour[3] = 0;
                RedrawPreview(dlg, true);
            }
        } else if (id == IDOK) {
            EndDialog(dlg, 1);
        } else if (id == IDCANCEL) {
            Record() = g_Editor.saved;
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMUPDOWN* n = (const NMUPDOWN*)lp;
        if (n->hdr.code != UDN_DELTAPOS) return FALSE;
        int field = n->hdr.idFrom == IDC_PENEDIT_WIDTHSPIN ? IDC_PENEDIT_WIDTH : IDC_PENEDIT_HEIGHT;
        int value = 1;
        g_Editor.rewriting = true;
        SpinDlgItemInt(dlg, field, &value, 255, 1, n->iDelta < 0 ? 0 : 1);
        g_Editor.rewriting = false;
        ReadSizeField(dlg, field);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_TIMER:
        if (g_Editor.timer && wp == g_Editor.timer - 1) {
            KillTimer(dlg, wp);
            g_Editor.timer = 0;
            RedrawPreview(dlg, true);
            WriteFields(dlg);
        }
        return TRUE;
    case WM_LBUTTONDOWN: {
        POINT p = {(short)LOWORD(lp), (short)HIWORD(lp)};
        RECT r;
        GetWindowRect(GetDlgItem(dlg, IDC_PENEDIT_PREVIEW), &r);
        MapWindowPoints(nullptr, dlg, (POINT*)&r, 2);
        if (PtInRect(&r, p)) DragRadii(dlg);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == IDC_PENEDIT_PREVIEW) DrawPreview(item);
        else DrawTipButton(item);
        return TRUE;
    }
    case WM_CLOSE:
        Record() = g_Editor.saved;
        EndDialog(dlg, 0);
        return TRUE;
    case WM_DESTROY:
        if (g_Editor.timer) KillTimer(dlg, g_Editor.timer - 1);
        g_Editor.timer = 0;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int ShowPenEditDialog(HWND owner, int record) {
    if (record < 0 || record >= kPenRecordCount) return 0;
    return (int)RunModalDialog(GetModuleHandleA(nullptr), "dra_penedit", owner, PenEditProc, record);
}
