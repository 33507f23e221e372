#include "canvas/canv_spare_dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_layers.h"
#include "canvas/clip_strings.h"
#include "image/c_dib.h"
#include "image/vms_store.h"

const COLORREF BackgroundColourChoices[8] = {
    RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 0),
    RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(0, 0, 255),     RGB(255, 255, 192),
};

namespace {

// ---------------------------------------------------------------------------
// Layer size, modeless, with the frame handles.

struct LayerResizeDlg {
    HWND dialog = nullptr;
    CanvDoc* doc = nullptr;
    int layer = 0;
    CanvasResizeSides sides = {.amount = {8, 8, 8, 8}};
    bool busy = false;
};
LayerResizeDlg g_layerResize;

void RepaintDisplay(CanvDoc* doc) {
    if (doc && doc->display) {
        InvalidateRect(doc->display, nullptr, FALSE);
        UpdateWindow(doc->display);
    }
}

// A side's signed change of the rectangle (outwards positive).
int SideChange(const CanvasResizeSides& s, int side) {
    return s.enabled[side] ? (s.decrease[side] ? -s.amount[side] : s.amount[side]) : 0;
}

INT_PTR CALLBACK LayerResizeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    LayerResizeDlg& st = g_layerResize;
    if (msg == WM_INITDIALOG) {
        InitSideControls(dlg, &st.sides, &st.busy);
        CenterWindow(dlg);
        return TRUE;
    }
    if (SideControlMessage(dlg, &st.sides, &st.busy, msg, wp, lp)) {
        RepaintDisplay(st.doc);
        return TRUE;
    }
    const bool ok = msg == WM_COMMAND && LOWORD(wp) == IDOK;
    if (ok || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) || msg == WM_CLOSE) {
        if (ok && !ApplyLayerResize(st.doc, st.layer, st.sides)) return TRUE;   // stays open
        DestroyWindow(dlg);
        return TRUE;
    }
    if (msg == WM_DESTROY) {
        CanvDoc* doc = st.doc;
        st.dialog = nullptr;
        st.doc = nullptr;
        RepaintDisplay(doc);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Small choices.

struct ChoiceDlg {
    int first, second;
};

INT_PTR CALLBACK LayerMixProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<ChoiceDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CheckButton(dlg, 100 + st->first, true);
        CheckButton(dlg, 110 + st->second, true);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= 100 && id <= 102) st->first = id - 100;
        else if (id >= 110 && id <= 112) st->second = id - 110;
        else if (id == IDOK) EndDialog(dlg, 1);
        else if (id == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

struct RotateDlg {
    CanvDoc* doc;
    int choice, angle;
    UINT_PTR timer;
};

void DrawPreview(const DRAWITEMSTRUCT* item, const VmsImage* image) {
    const RECT& r = item->rcItem;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, RGB(128, 128, 128));
    if (!image) return;
    // The canvas fitted into two thirds of the preview, centred.
    const int w = (r.right - r.left) * 2 / 3, h = (r.bottom - r.top) * 2 / 3;
    const int x = r.left + (r.right - r.left - w) / 2, y = r.top + (r.bottom - r.top - h) / 2;
    c_Dib::DrawFit(item->hDC, image, x, y, x + w - 1, y + h - 1, 1, 1);
}

INT_PTR CALLBACK RotateProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<RotateDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CheckButton(dlg, 100 + st->choice, true);
        SetItemInt(dlg, 110, st->angle);
        EnableWindow(GetDlgItem(dlg, 110), st->choice == 3);
        EnableWindow(GetDlgItem(dlg, 111), st->choice == 3);
        st->timer = SetTimer(dlg, 1, 500, nullptr);
        CenterWindow(dlg);
        return TRUE;
    case WM_TIMER:
        InvalidateRect(GetDlgItem(dlg, 120), nullptr, FALSE);
        return TRUE;
    case WM_DRAWITEM:
        if (wp != 120) return FALSE;
        DrawPreview((const DRAWITEMSTRUCT*)lp, st->doc ? st->doc->planes[0].image : nullptr);
        return TRUE;
    case WM_VSCROLL:
        if (GetDlgCtrlID((HWND)lp) == 111 && SpinCode(wp) >= 0) SpinDlgItemInt(dlg, 110, &st->angle, 359, 0, LOWORD(wp));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= 100 && id <= 103) {
            st->choice = id - 100;
            EnableWindow(GetDlgItem(dlg, 110), st->choice == 3);
            EnableWindow(GetDlgItem(dlg, 111), st->choice == 3);
        } else if (id == 110 && HIWORD(wp) == EN_CHANGE) {
            ReadDlgItemInt(dlg, 110, &st->angle, 359, 0);
        } else if (id == IDOK || id == IDCANCEL) {
            KillTimer(dlg, 1);
            EndDialog(dlg, id == IDOK ? 1 : 0);
        }
        return TRUE;
    }
    case WM_CLOSE:
        KillTimer(dlg, 1);
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

struct SizeDlg {
    int full;
    int width, height;
};

INT_PTR CALLBACK LayerAddProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<SizeDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CheckButton(dlg, st->full ? 100 : 101, true);
        SetItemInt(dlg, 110, st->width);
        SetItemInt(dlg, 111, st->height);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 100: st->full = 1; break;
        case 101: st->full = 0; break;
        case IDOK:
            ReadDlgItemInt(dlg, 110, &st->width, CanvMaxSide, 1);
            ReadDlgItemInt(dlg, 111, &st->height, CanvMaxSide, 1);
            EndDialog(dlg, 1);
            break;
        case IDCANCEL: EndDialog(dlg, 0); break;
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK AddCanvasProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<SIZE>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        SetItemInt(dlg, 100, 1);
        SetItemInt(dlg, 101, 1);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            int w = 1, h = 1;
            ReadDlgItemInt(dlg, 100, &w, CanvMaxSide, 1);
            ReadDlgItemInt(dlg, 101, &h, CanvMaxSide, 1);
            *st = SIZE{w, h};
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Layer and plane lists.

struct LayerSelDlg {
    CanvDoc* doc;
    int layer, plane;
};

const VmsImage* ChosenPlaneImage(const LayerSelDlg* st) {
    if (!st->doc) return nullptr;
    const int layer = st->layer >= 0 ? st->layer : LayerOf(st->doc->currentPlane);
    if (!LayerInUse(st->doc, layer) || st->plane < 0 || st->plane >= CanvPlanesPerLayer) return nullptr;
    return LayerBase(st->doc, layer)[st->plane].image;
}

// A plane's line "k name" carrying its number k.
void AddPlaneLine(HWND list, int k, const char* name) {
    char text[48];
    std::snprintf(text, sizeof text, "%d %s", k, name);
    LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, k);
}

void FillPlaneList(HWND list, const CanvDoc* doc, int layer) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    if (!doc || !LayerInUse(doc, layer)) return;
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        const LayerPlane* p = &LayerBase(doc, layer)[k];
        if (p->image) AddPlaneLine(list, k, k ? p->name : "RGB");
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

int ListData(HWND dlg, int id) {
    LRESULT sel = SendDlgItemMessageA(dlg, id, LB_GETCURSEL, 0, 0);
    return sel < 0 ? -1 : (int)SendDlgItemMessageA(dlg, id, LB_GETITEMDATA, (WPARAM)sel, 0);
}

INT_PTR CALLBACK LayerSelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<LayerSelDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        CheckButton(dlg, st->layer == -2 ? 110 : st->layer == -1 ? 111 : 112, true);
        const int layers = st->doc ? CountLayers(st->doc, 0) : 0;
        for (int i = 0; i < layers; ++i) {
            LRESULT at = SendDlgItemMessageA(dlg, 100, LB_ADDSTRING, 0, (LPARAM)LayerBase(st->doc, i)->name);
            SendDlgItemMessageA(dlg, 100, LB_SETITEMDATA, (WPARAM)at, i);
        }
        SendDlgItemMessageA(dlg, 100, LB_SETCURSEL, st->layer >= 0 ? st->layer : 0, 0);
        FillPlaneList(GetDlgItem(dlg, 101), st->doc, st->layer >= 0 ? st->layer : 0);
        st->plane = ListData(dlg, 101);
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wp != 120) return FALSE;
        DrawPreview((const DRAWITEMSTRUCT*)lp, ChosenPlaneImage(st));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == 110 || id == 111) {
            st->layer = id == 110 ? -2 : -1;
        } else if (id == 112 || (id == 100 && HIWORD(wp) == LBN_SELCHANGE)) {
            CheckButton(dlg, 110, false);
            CheckButton(dlg, 111, false);
            CheckButton(dlg, 112, true);
            st->layer = std::max(0, ListData(dlg, 100));
            FillPlaneList(GetDlgItem(dlg, 101), st->doc, st->layer);
            st->plane = ListData(dlg, 101);
        } else if (id == 101 && HIWORD(wp) == LBN_SELCHANGE) {
            st->plane = ListData(dlg, 101);
        } else if (id == IDOK || id == IDCANCEL) {
            EndDialog(dlg, id == IDOK ? 1 : 0);
            return TRUE;
        }
        InvalidateRect(GetDlgItem(dlg, 120), nullptr, FALSE);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PlaneSelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<LayerSelDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        FillPlaneList(GetDlgItem(dlg, 100), st->doc, st->layer);
        st->plane = ListData(dlg, 100);
        CenterWindow(dlg);
        return TRUE;
    case WM_DRAWITEM:
        if (wp != 120) return FALSE;
        DrawPreview((const DRAWITEMSTRUCT*)lp, ChosenPlaneImage(st));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == 100 && HIWORD(wp) == LBN_SELCHANGE) {
            st->plane = ListData(dlg, 100);
            InvalidateRect(GetDlgItem(dlg, 120), nullptr, FALSE);
        } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

struct FixAlphaDlg {
    LayerSelDlg view;
    std::vector<int> chosen;
};

INT_PTR CALLBACK FixAlphaProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<FixAlphaDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        const LayerPlane* base = LayerBase(st->view.doc, st->view.layer);
        for (int k = 2; k <= 6; ++k)
            if (base[k].image) AddPlaneLine(GetDlgItem(dlg, 100), k, base[k].name);
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wp != 120) return FALSE;
        DrawPreview((const DRAWITEMSTRUCT*)lp, ChosenPlaneImage(&st->view));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == 100 && HIWORD(wp) == LBN_SELCHANGE) {
            st->chosen.clear();
            std::string title;
            const int n = (int)SendDlgItemMessageA(dlg, 100, LB_GETCOUNT, 0, 0);
            for (int i = 0; i < n; ++i)
                if (SendDlgItemMessageA(dlg, 100, LB_GETSEL, i, 0) > 0) {
                    const int k = (int)SendDlgItemMessageA(dlg, 100, LB_GETITEMDATA, i, 0);
                    st->chosen.push_back(k);
                    title += std::to_string(k) + " ";
                    st->view.plane = k;
                }
            SetWindowTextA(dlg, title.c_str());
            InvalidateRect(GetDlgItem(dlg, 120), nullptr, FALSE);
        } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

struct BackgroundDlg {
    int pressed = -1;
};

INT_PTR CALLBACK BackgroundProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<BackgroundDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        return TRUE;
    case WM_DRAWITEM: {
        auto* item = (const DRAWITEMSTRUCT*)lp;
        const int i = (int)item->CtlID - 100;
        if (i < 0 || i > 7) return FALSE;
        const RECT& r = item->rcItem;
        const int in = (item->itemState & ODS_SELECTED) ? 2 : 0;
        FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
        DrawRaisedPanel(item->hDC, r.left + in, r.top + in, r.right - 1, r.bottom - 1, BackgroundColourChoices[i], 1);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= 100 && id <= 107) {
            st->pressed = id - 100;
            EndDialog(dlg, 1);
        } else if (id == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

void FillSizeList(HWND dlg, const std::vector<SIZE>& sizes) {
    SendDlgItemMessageA(dlg, 100, LB_RESETCONTENT, 0, 0);
    for (const SIZE& s : sizes) {
        char text[32];
        std::snprintf(text, sizeof text, "%d x %d", (int)s.cx, (int)s.cy);
        SendDlgItemMessageA(dlg, 100, LB_ADDSTRING, 0, (LPARAM)text);
    }
}

INT_PTR CALLBACK CanvasListProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* sizes = DialogState<std::vector<SIZE>>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        FillSizeList(dlg, *sizes);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 101: {
            if (sizes->size() >= 45) {
                TellOverFrame(kCanvListFull, dlg);
                break;
            }
            SIZE s;
            if (!ShowAddCanvasSizeDialog(dlg, &s)) break;
            auto at = std::upper_bound(sizes->begin(), sizes->end(), s,
                                       [](const SIZE& a, const SIZE& b) { return a.cx < b.cx; });
            sizes->insert(at, s);
            FillSizeList(dlg, *sizes);
            break;
        }
        case 102: {
            LRESULT sel = SendDlgItemMessageA(dlg, 100, LB_GETCURSEL, 0, 0);
            if (sel < 0 || sel >= (LRESULT)sizes->size()) break;
            if (ShowMessageBox(dlg, kCanvListAskDelete, kAppTitle, kMsgYesNo) != IDYES) break;
            sizes->erase(sizes->begin() + sel);
            FillSizeList(dlg, *sizes);
            break;
        }
        case IDOK:
        case IDCANCEL: EndDialog(dlg, 1); break;
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

// Display rectangle of the edited frame.
bool FrameDisplayRect(const CanvDoc* doc, RECT* out) {
    RECT r;
    if (!doc || !GetLayerFrameRect(&r)) return false;
    *out = RECT{ImageToScreenX(doc, r.left), ImageToScreenY(doc, r.top), ImageToScreenX(doc, r.right + 1) - 1,
                ImageToScreenY(doc, r.bottom + 1) - 1};
    return true;
}

void HandlePoints(const RECT& r, POINT points[8]) {
    const int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    points[0] = {r.left, r.top};
    points[1] = {r.right, r.top};
    points[2] = {r.right, r.bottom};
    points[3] = {r.left, r.bottom};
    points[4] = {mx, r.top};
    points[5] = {r.right, my};
    points[6] = {mx, r.bottom};
    points[7] = {r.left, my};
}

}  // namespace

// ---------------------------------------------------------------------------

HWND OpenLayerResizeDialog(HWND owner, CanvDoc* doc) {
    if (!doc || g_layerResize.dialog) return nullptr;
    g_layerResize.doc = doc;
    g_layerResize.layer = LayerOf(doc->currentPlane);
    g_layerResize.dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), "dra_layresize", owner, LayerResizeProc, 0);
    if (!g_layerResize.dialog) g_layerResize.doc = nullptr;
    // Shown with a visible owner (a hidden frame keeps it hidden too).
    else if (owner && IsWindowVisible(owner)) ShowWindow(g_layerResize.dialog, SW_SHOW);
    RepaintDisplay(doc);
    return g_layerResize.dialog;
}

HWND GetLayerResizeDialog() { return g_layerResize.dialog; }

int ApplyLayerResize(CanvDoc* doc, int layer, const CanvasResizeSides& sides) {
    if (!doc || !LayerInUse(doc, layer)) return 0;
    LayerPlane* base = LayerBase(doc, layer);
    const int left = SideChange(sides, 0), top = SideChange(sides, 2);
    const int64_t w = (int64_t)base->width + left + SideChange(sides, 1);
    const int64_t h = (int64_t)base->height + top + SideChange(sides, 3);
    if (w < 1 || h < 1 || w > CanvMaxSide || h > CanvMaxSide) {
        TellOverFrame(w < 1 || h < 1 ? kCanvSizeBelowOne : kCanvSizeTooLarge);
        return 0;
    }
    VmsImage* made[CanvPlanesPerLayer] = {};
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        if (!base[k].image) continue;
        made[k] = g_VmsStore.Create((int)w, (int)h, k ? 8 : 24, 255, 1);
        if (!made[k]) {
            for (VmsImage*& m : made) g_VmsStore.Free(&m);
            TellOverFrame(kClipNoMemory);
            return 0;
        }
        // The old pixels at their place: left and top changes move them.
        const VmsImage* old = base[k].image;
        std::vector<uint8_t> row((size_t)old->width * (k ? 1 : 4));
        for (int y = 0; y < old->height; ++y) {
            g_VmsStore.GetRow(old, y, 0, old->width - 1, row.data());
            g_VmsStore.PutRow(made[k], y + top, left, left + old->width - 1, row.data());
        }
    }
    for (int k = 0; k < CanvPlanesPerLayer; ++k) {
        if (made[k]) {
            g_VmsStore.Free(&base[k].image);
            base[k].image = made[k];
        }
        base[k].x -= left;
        base[k].y -= top;
        base[k].width = (int)w;
        base[k].height = (int)h;
    }
    SetLayerSaveEnabled(doc, 1, layer);
    SetLayerHistoryLimit(doc, 30, layer);
    SetCanvasModified(doc);
    RepaintDisplay(doc);
    return 1;
}

bool GetLayerFrameRect(RECT* rect) {
    const LayerResizeDlg& st = g_layerResize;
    if (!st.dialog || !st.doc || !LayerInUse(st.doc, st.layer)) return false;
    const LayerPlane* base = LayerBase(st.doc, st.layer);
    *rect = RECT{base->x - SideChange(st.sides, 0), base->y - SideChange(st.sides, 2),
                 base->x + base->width - 1 + SideChange(st.sides, 1), base->y + base->height - 1 + SideChange(st.sides, 3)};
    return true;
}

int HitLayerFrame(const CanvDoc* doc, int x, int y) {
    RECT r;
    if (doc != g_layerResize.doc || !FrameDisplayRect(doc, &r)) return -1;
    POINT points[8];
    HandlePoints(r, points);
    for (int i = 0; i < 8; ++i)
        if (std::abs(points[i].x - x) <= 3 && std::abs(points[i].y - y) <= 3) return i;
    return -1;
}

void DrawLayerFrame(const CanvDoc* doc, HDC dc) {
    RECT r;
    if (doc != g_layerResize.doc || !FrameDisplayRect(doc, &r)) return;
    DrawXorRect(dc, r.left, r.top, r.right, r.bottom);
    POINT points[8];
    HandlePoints(r, points);
    for (const POINT& p : points) DrawXorColourRect(dc, p.x - 3, p.y - 3, p.x + 3, p.y + 3, RGB(255, 255, 255));
}

void DragLayerFrame(CanvDoc* doc, int handle) {
    LayerResizeDlg& st = g_layerResize;
    if (doc != st.doc || handle < 0 || handle > 7 || !doc->display) return;
    static const bool moves[8][4] = {{1, 0, 1, 0}, {0, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 0, 1},
                                     {0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}};
    const LayerPlane* base = LayerBase(doc, st.layer);
    HDC dc = GetDC(doc->display);
    DrawLayerFrame(doc, dc);
    do {
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(doc->display, &p);
        const int x = std::clamp(ScreenToImageX(doc, p.x), 0, doc->width - 1);
        const int y = std::clamp(ScreenToImageY(doc, p.y), 0, doc->height - 1);
        const int change[4] = {base->x - x, x - (base->x + base->width - 1), base->y - y, y - (base->y + base->height - 1)};
        DrawLayerFrame(doc, dc);
        for (int s = 0; s < 4; ++s) {
            if (!moves[handle][s]) continue;
            st.sides.enabled[s] = change[s] != 0;
            st.sides.amount[s] = std::clamp(std::abs(change[s]), 1, 1000);
            st.sides.decrease[s] = change[s] < 0;
        }
        DrawLayerFrame(doc, dc);
        if (st.dialog) InitSideControls(st.dialog, &st.sides, &st.busy);
    } while (IsLeftButtonDown());
    DrawLayerFrame(doc, dc);
    ReleaseDC(doc->display, dc);
    RepaintDisplay(doc);
}

int ShowLayerMixDialog(HWND owner, int* transparency) {
    ChoiceDlg st{0, transparency ? *transparency : 0};
    if (RunCanvasDialog("dra_layermix", owner, LayerMixProc, (LPARAM)&st) != 1) return -1;
    if (transparency) *transparency = st.second;
    return st.first;
}

int ShowRotateDialog(HWND owner, CanvDoc* doc, int* angle) {
    RotateDlg st{doc, 0, angle ? *angle : 0, 0};
    if (RunCanvasDialog("dra_rotate", owner, RotateProc, (LPARAM)&st) != 1) return -1;
    if (angle) *angle = st.angle;
    return st.choice;
}

int ShowLayerAddDialog(HWND owner, CanvDoc* doc, int* width, int* height) {
    SizeDlg st{1, *width, *height};
    if (RunCanvasDialog("dra_layeradd", owner, LayerAddProc, (LPARAM)&st) != 1) return 0;
    *width = st.full && doc ? doc->width : st.width;
    *height = st.full && doc ? doc->height : st.height;
    return 1;
}

int ShowLayerSelectDialog(HWND owner, CanvDoc* doc, int* layer, int* plane) {
    LayerSelDlg st{doc, *layer, 0};
    if (RunCanvasDialog("dra_laysel", owner, LayerSelProc, (LPARAM)&st) != 1) return 0;
    *layer = st.layer;
    *plane = st.plane;
    return 1;
}

int ShowPlaneSelectDialog(HWND owner, CanvDoc* doc) {
    if (!doc) return -1;
    LayerSelDlg st{doc, LayerOf(doc->currentPlane), 0};
    if (RunCanvasDialog("dra_plsel", owner, PlaneSelProc, (LPARAM)&st) != 1) return -1;
    return st.plane;
}

int ShowFixAlphaDialog(HWND owner, CanvDoc* doc, std::vector<int>* planes) {
    if (!doc) return 0;
    FixAlphaDlg st{LayerSelDlg{doc, LayerOf(doc->currentPlane), -1}, {}};
    if (RunCanvasDialog("dra_fixalp", owner, FixAlphaProc, (LPARAM)&st) != 1) return 0;
    *planes = st.chosen;
    return 1;
}

COLORREF ShowBackgroundColourDialog(HWND owner) {
    BackgroundDlg st;
    if (RunCanvasDialog("dra_bgcolor", owner, BackgroundProc, (LPARAM)&st) != 1 || st.pressed < 0) return (COLORREF)-1;
    return BackgroundColourChoices[st.pressed];
}

void ShowCanvasListDialog(HWND owner, std::vector<SIZE>* sizes) {
    RunCanvasDialog("dra_canvaslist", owner, CanvasListProc, (LPARAM)sizes);
}

int ShowAddCanvasSizeDialog(HWND owner, SIZE* size) {
    SIZE s{1, 1};
    if (RunModalDialog(GetModuleHandleA(nullptr), "dra_addcanv", owner, AddCanvasProc, (LPARAM)&s) != 1) return 0;
    *size = s;
    return 1;
}
