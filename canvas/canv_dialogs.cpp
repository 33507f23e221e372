#include "canvas/canv_dialogs.h"

#include "canvas/canv_dlg_util.h"

#include <commdlg.h>
#include <algorithm>
#include <windowsx.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_ruler.h"
#include "canvas/canv_window.h"
#include "canvas/clip_strings.h"
#include "image/colour_model.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "resources/resource.h"

ChannelLockSettings ChannelLock = {.model = 0, .enabled = {1, 1, 1}};
CanvasResizeSides CanvasResizeSettings = {.enabled = {0, 0, 0, 0}, .amount = {8, 8, 8, 8}, .decrease = {0, 0, 0, 0}};
int ResizeCopyKeepRatio = 1;
int ResizeCopyPercent = 100;
int ClearPaperChoice = 0;
int ChannelCopyInvert = 0;
int ChannelCopyInsideOnly = 1;

INT_PTR CALLBACK FourChoiceProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    int* choice = DialogState<int>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CheckButton(dlg, 100 + *choice, true);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= 100 && id <= 103) *choice = id - 100;
        else if (id == IDOK) EndDialog(dlg, *choice);
        else if (id == IDCANCEL) EndDialog(dlg, -1);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dlg, -1);
        return TRUE;
    }
    return FALSE;
}

namespace {

HWND FrameWindow() { return CanvFrameOwner(); }
void Tell(const char* text, HWND owner = nullptr) { TellOverFrame(text, owner); }
INT_PTR RunDialog(const char* templ, HWND owner, DLGPROC proc, LPARAM param) {
    return RunCanvasDialog(templ, owner, proc, param);
}

// Rewrites an edit whose text is not the canonical "%d" of its value.
void Canonical(HWND dlg, int id, int value) {
    char now[32], want[32];
    GetDlgItemTextA(dlg, id, now, sizeof now);
    std::snprintf(want, sizeof want, "%d", value);
    if (CompareNoCase(now, want) != 0) SetDlgItemTextA(dlg, id, want);
}

// ---------------------------------------------------------------------------
// Canvas size.

struct CanvasResizeDlg {
    CanvasResizeSides sides;
    bool busy;
};

void EnableSide(HWND dlg, const CanvasResizeSides& s, int side) {
    const BOOL on = s.enabled[side] ? TRUE : FALSE;
    for (int id : {110 + side, 120 + side, 130 + 10 * side, 131 + 10 * side}) EnableWindow(GetDlgItem(dlg, id), on);
}

}  // namespace

void InitSideControls(HWND dlg, CanvasResizeSides* sides, bool* busy) {
    *busy = true;
    for (int s = 0; s < 4; ++s) {
        CheckButton(dlg, 100 + s, sides->enabled[s]);
        SetItemInt(dlg, 110 + s, sides->amount[s]);
        CheckButton(dlg, 130 + 10 * s, !sides->decrease[s]);
        CheckButton(dlg, 131 + 10 * s, sides->decrease[s]);
        EnableSide(dlg, *sides, s);
    }
    *busy = false;
}

bool SideControlMessage(HWND dlg, CanvasResizeSides* sides, bool* busy, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_VSCROLL) {
        const int id = GetDlgCtrlID((HWND)lp);
        if (id >= 120 && id < 124 && SpinCode(wp) >= 0) {
            *busy = true;
            SpinDlgItemInt(dlg, id - 10, &sides->amount[id - 120], 1000, 1, LOWORD(wp));
            *busy = false;
        }
        return true;
    }
    if (msg != WM_COMMAND) return false;
    const int id = LOWORD(wp);
    if (id >= 100 && id < 104) {
        sides->enabled[id - 100] = Checked(dlg, id);
        EnableSide(dlg, *sides, id - 100);
    } else if (id >= 110 && id < 114) {
        if (HIWORD(wp) == EN_CHANGE && !*busy) ReadDlgItemInt(dlg, id, &sides->amount[id - 110], 1000, 1);
    } else if (id >= 130 && id <= 161 && (id % 10) <= 1) {
        sides->decrease[(id - 130) / 10] = id % 10;
    } else {
        return false;
    }
    return true;
}

namespace {


INT_PTR CALLBACK CanvasResizeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<CanvasResizeDlg>(dlg, msg, lp);
    if (msg == WM_INITDIALOG) {
        InitSideControls(dlg, &st->sides, &st->busy);
        CenterWindow(dlg);
        return TRUE;
    }
    if (SideControlMessage(dlg, &st->sides, &st->busy, msg, wp, lp)) return TRUE;
    if ((msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) || msg == WM_CLOSE) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Duplicate at a new size.

struct ResizeCopyDlg {
    ResizeCopyFields f;
    int keepRatio;
    bool busy;
    ReformatTimer timer;
};

void ShowResizeFields(HWND dlg, ResizeCopyDlg* st, int typed) {
    st->busy = true;
    if (typed != 100) SetItemInt(dlg, 100, st->f.width);
    if (typed != 102) SetItemInt(dlg, 102, st->f.height);
    if (typed != 105) SetItemInt(dlg, 105, st->f.percent);
    st->busy = false;
}

void EnableRatioControls(HWND dlg, int on) {
    for (int id : {105, 106, 129, 130}) EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE);
}

INT_PTR CALLBACK ResizeCopyProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<ResizeCopyDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        char text[96];
        std::snprintf(text, sizeof text, kSourceSizeFormat, st->f.sourceWidth, st->f.sourceHeight);
        SetDlgItemTextA(dlg, 111, text);
        CheckButton(dlg, 110, st->keepRatio);
        EnableRatioControls(dlg, st->keepRatio);
        ShowResizeFields(dlg, st, 0);
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_VSCROLL: {
        const int id = GetDlgCtrlID((HWND)lp);
        if (SpinCode(wp) < 0) return TRUE;
        int value = 0;
        st->busy = true;
        if (id == 101 || id == 103) {
            const int edit = id - 1;
            const int before = edit == 100 ? st->f.width : st->f.height;
            SpinDlgItemInt(dlg, edit, &value, CanvMaxSide, 1, LOWORD(wp));
            if (st->keepRatio) {
                bool ok = edit == 100 ? ResizeCopyWidthTyped(&st->f, value, false)
                                      : ResizeCopyHeightTyped(&st->f, value, false);
                if (!ok) (edit == 100 ? st->f.width : st->f.height) = before;
            } else {
                (edit == 100 ? st->f.width : st->f.height) = value;
            }
        } else if (id == 106) {
            SpinDlgItemInt(dlg, 105, &value, 1000, 1, LOWORD(wp));
            ResizeCopyPercentTyped(&st->f, value);
        }
        st->busy = false;
        ShowResizeFields(dlg, st, 0);
        st->timer.Start(dlg);
        return TRUE;
    }
    case WM_TIMER:
        st->timer.Stop(dlg);
        st->busy = true;
        Canonical(dlg, 100, st->f.width);
        Canonical(dlg, 102, st->f.height);
        Canonical(dlg, 105, st->f.percent);
        st->busy = false;
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if ((id == 100 || id == 102 || id == 105) && HIWORD(wp) == EN_CHANGE && !st->busy) {
            int value = 0;
            ReadDlgItemInt(dlg, id, &value, id == 105 ? 1000 : CanvMaxSide, 1);
            bool ok = true;
            if (id == 105) ok = st->keepRatio && ResizeCopyPercentTyped(&st->f, value);
            else if (!st->keepRatio) (id == 100 ? st->f.width : st->f.height) = value;
            else ok = id == 100 ? ResizeCopyWidthTyped(&st->f, value, true) : ResizeCopyHeightTyped(&st->f, value, true);
            // A value that would pass the canvas limit is not taken: the timer
            // writes the fields back as they were.
            ShowResizeFields(dlg, st, ok ? id : 0);
            st->timer.Start(dlg);
        } else if (id == 110) {
            st->keepRatio = Checked(dlg, 110);
            EnableRatioControls(dlg, st->keepRatio);
            if (st->keepRatio) {
                ResizeCopyWidthTyped(&st->f, st->f.width, true);
                ShowResizeFields(dlg, st, 0);
            }
            st->timer.Start(dlg);
        } else if (id == IDOK) {
            st->timer.Stop(dlg);
            EndDialog(dlg, 1);
        } else if (id == IDCANCEL) {
            st->timer.Stop(dlg);
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    case WM_CLOSE:
        st->timer.Stop(dlg);
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Grid.

struct GridDlg {
    int width, height, snap, invert;
    COLORREF colour;
};

INT_PTR CALLBACK GridProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<GridDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        SetItemInt(dlg, 100, st->width);
        SetItemInt(dlg, 102, st->height);
        CheckButton(dlg, 110, st->snap);
        CheckButton(dlg, 113, st->invert);
        CenterWindow(dlg);
        return TRUE;
    case WM_DRAWITEM: {
        auto* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID != 112) return FALSE;
        const RECT& r = item->rcItem;
        FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, st->colour);
        DrawSunkenEdge(item->hDC, r.left, r.top, r.right - 1, r.bottom - 1);
        return TRUE;
    }
    case WM_VSCROLL: {
        const int id = GetDlgCtrlID((HWND)lp);
        if (SpinCode(wp) < 0) return TRUE;
        if (id == 101) SpinDlgItemInt(dlg, 100, &st->width, 128, 2, LOWORD(wp));
        else if (id == 103) SpinDlgItemInt(dlg, 102, &st->height, 128, 2, LOWORD(wp));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 111: {
            const CanvasHost& host = GetCanvasHost();
            int r = GetRValue(st->colour), g = GetGValue(st->colour), b = GetBValue(st->colour);
            if (host.chooseColour && host.chooseColour(dlg, &r, &g, &b, kGridColourCaption)) {
                st->colour = RGB(r, g, b);
                InvalidateRect(GetDlgItem(dlg, 112), nullptr, FALSE);
            }
            break;
        }
        case IDOK:
            ReadDlgItemInt(dlg, 100, &st->width, 128, 2);
            ReadDlgItemInt(dlg, 102, &st->height, 128, 2);
            st->snap = Checked(dlg, 110);
            st->invert = Checked(dlg, 113);
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

// ---------------------------------------------------------------------------
// Blank paper and channel lock.

void LabelLockBoxes(HWND dlg) {
    static const char* const kLabels[2][3] = {{"&R", "&G", "&B"}, {"&H", "&S", "&V"}};
    for (int i = 0; i < 3; ++i) SetDlgItemTextA(dlg, 101 + i, kLabels[ChannelLock.model ? 1 : 0][i]);
}

INT_PTR CALLBACK ChannelLockProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dlg, 100, LB_ADDSTRING, 0, (LPARAM) "RGB");
        SendDlgItemMessageA(dlg, 100, LB_ADDSTRING, 0, (LPARAM) "HSV");
        SendDlgItemMessageA(dlg, 100, LB_SETCURSEL, ChannelLock.model ? 1 : 0, 0);
        for (int i = 0; i < 3; ++i) CheckButton(dlg, 101 + i, ChannelLock.enabled[i]);
        LabelLockBoxes(dlg);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == 100 && HIWORD(wp) == LBN_SELCHANGE) {
            const LRESULT sel = SendDlgItemMessageA(dlg, 100, LB_GETCURSEL, 0, 0);
            if (sel >= 0) ChannelLock.model = (int)sel;
            LabelLockBoxes(dlg);
        } else if (id >= 101 && id <= 103) {
            ChannelLock.enabled[id - 101] = Checked(dlg, id);
        } else if (id == IDOK) {
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

// ---------------------------------------------------------------------------
// Copy between channels.

struct ChannelCopyDlg {
    CanvDoc* doc;
    int source = -1, target = -1;
};

void AddChannel(HWND list, const char* text, int code) {
    LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    if (at >= 0) SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, code);
}

void FillChannelList(HWND list, CanvDoc* doc) {
    AddChannel(list, "赤", ChannelRed);
    AddChannel(list, "緑", ChannelGreen);
    AddChannel(list, "青", ChannelBlue);
    AddChannel(list, "明度", ChannelBrightness);
    const LayerPlane* base = doc ? &doc->planes[doc->currentPlane - doc->currentPlane % CanvPlanesPerLayer] : nullptr;
    if (base && base[1].image) AddChannel(list, "透明色", ChannelTransparency);
    for (int k = 2; base && k <= 6; ++k)
        if (base[k].image) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%d", "アルファ", k - 1);
            AddChannel(list, name, ChannelPlaneBase + k);
        }
    AddChannel(list, "領域", ChannelArea);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

int SelectedChannel(HWND list) {
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return sel < 0 ? -1 : (int)SendMessageA(list, LB_GETITEMDATA, (WPARAM)sel, 0);
}

INT_PTR CALLBACK ChannelCopyProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<ChannelCopyDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        FillChannelList(GetDlgItem(dlg, 100), st->doc);
        FillChannelList(GetDlgItem(dlg, 101), st->doc);
        CheckButton(dlg, 102, ChannelCopyInvert);
        CheckButton(dlg, 103, ChannelCopyInsideOnly);
        CenterWindow(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 102: ChannelCopyInvert = Checked(dlg, 102); break;
        case 103: ChannelCopyInsideOnly = Checked(dlg, 103); break;
        case IDOK:
            // Each list's current entry counts, clicked or not.
            st->source = SelectedChannel(GetDlgItem(dlg, 100));
            st->target = SelectedChannel(GetDlgItem(dlg, 101));
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

uint8_t ChannelValue(int code, uint32_t colour, uint8_t transparency, uint8_t mask, uint8_t plane) {
    const int r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
    switch (code) {
    case ChannelRed: return (uint8_t)r;
    case ChannelGreen: return (uint8_t)g;
    case ChannelBlue: return (uint8_t)b;
    case ChannelTransparency: return transparency;
    case ChannelBrightness: return (uint8_t)(r > g ? (r > b ? r : b) : (g > b ? g : b));
    case ChannelArea: return mask;
    default: return plane;
    }
}

// ---------------------------------------------------------------------------
// Layer options.

struct LayerOptDlg {
    CanvDoc* doc;
    int layer;
    LayerPlane saved[CanvPlanesPerLayer];
    int opacity;            // 0..100 as shown
    bool opacityEdited;
    bool busy;
    ReformatTimer timer;
};

LayerPlane* OptBase(LayerOptDlg* st) { return LayerBase(st->doc, st->layer); }

void RepaintDoc(CanvDoc* doc) {
    if (doc && doc->display) {
        InvalidateRect(doc->display, nullptr, FALSE);
        RedrawNow(doc->display);
    }
}

void SetOpacity(HWND dlg, LayerOptDlg* st, int opacity, bool writeEdit) {
    st->opacity = opacity;
    st->opacityEdited = true;
    OptBase(st)->transparency = PercentToTransparency(100 - opacity);
    if (writeEdit) {
        st->busy = true;
        SetItemInt(dlg, 100, opacity);
        st->busy = false;
    }
    InvalidateRect(GetDlgItem(dlg, 101), nullptr, FALSE);
}

void DrawSlider(const DRAWITEMSTRUCT* item, int opacity) {
    const RECT& r = item->rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC dc = item->hDC;
    FillRectColor(dc, 0, 0, w, h, GetSysColor(COLOR_BTNFACE));
    DrawSunkenPanelThin(dc, 4, h / 2 - 2, w - 4, h / 2 + 2, RGB(96, 96, 96));
    const int b = SliderThumbX(opacity, w);
    DrawRaisedPanelThin(dc, b - 2, 2, b + 2, h - 2, RGB(240, 240, 240));
}

void DragSlider(HWND dlg, LayerOptDlg* st) {
    HWND slider = GetDlgItem(dlg, 101);
    RECT rc;
    GetClientRect(slider, &rc);
    do {
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(slider, &p);
        const int opacity = SliderOpacityAt(p.x, rc.right);
        if (opacity != st->opacity) {
            SetOpacity(dlg, st, opacity, true);
            UpdateWindow(slider);
        }
    } while (IsLeftButtonDown());
    st->timer.Start(dlg);
}

INT_PTR CALLBACK LayerOptProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<LayerOptDlg>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        LayerPlane* base = OptBase(st);
        st->busy = true;
        SendDlgItemMessageA(dlg, 102, EM_LIMITTEXT, 30, 0);
        SetDlgItemTextA(dlg, 102, base->name);
        st->opacity = 100 - TransparencyToPercent(base->transparency);
        SetItemInt(dlg, 100, st->opacity);
        static const char* const kModes[10] = {"表示しない", "重ねる",   "乗算",       "明るいほう", "暗いほう",
                                              "明度",       "色相と彩度", "ハイライト", "差の絶対値", "オーバーレイ"};
        for (const char* m : kModes) SendDlgItemMessageA(dlg, 103, CB_ADDSTRING, 0, (LPARAM)m);
        SendDlgItemMessageA(dlg, 103, CB_SETCURSEL, base->blendMode >= 0 && base->blendMode <= 9 ? base->blendMode : 1, 0);
        SetItemInt(dlg, 110, base->x);
        SetItemInt(dlg, 112, base->y);
        if (st->layer == 0)
            for (int id : {110, 111, 112, 113}) EnableWindow(GetDlgItem(dlg, id), FALSE);
        st->busy = false;
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID != 101) return FALSE;
        DrawSlider(item, st->opacity);
        return TRUE;
    }
    case WM_VSCROLL: {
        const int id = GetDlgCtrlID((HWND)lp);
        if (SpinCode(wp) < 0 || (id != 111 && id != 113)) return TRUE;
        LayerPlane* base = OptBase(st);
        int value = 0;
        st->busy = true;
        // Positions go below 0 as far as the move tool takes a layer.
        if (id == 111) SpinDlgItemInt(dlg, 110, &value, st->doc->width, -base->width + 1, LOWORD(wp));
        else SpinDlgItemInt(dlg, 112, &value, st->doc->height, -base->height + 1, LOWORD(wp));
        st->busy = false;
        for (int k = 0; k < CanvPlanesPerLayer; ++k) (id == 111 ? base[k].x : base[k].y) = value;
        st->timer.Start(dlg);
        return TRUE;
    }
    case WM_TIMER: {
        st->timer.Stop(dlg);
        LayerPlane* base = OptBase(st);
        st->busy = true;
        Canonical(dlg, 100, st->opacity);
        Canonical(dlg, 110, base->x);
        Canonical(dlg, 112, base->y);
        st->busy = false;
        RepaintDoc(st->doc);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        LayerPlane* base = OptBase(st);
        if (id == 101 && (code == STN_CLICKED || code == STN_DBLCLK)) {
            DragSlider(dlg, st);
        } else if (id == 102 && code == EN_CHANGE && !st->busy) {
            GetDlgItemTextA(dlg, 102, base->name, sizeof base->name);
            st->timer.Start(dlg);
        } else if (id == 100 && code == EN_CHANGE && !st->busy) {
            int value = st->opacity;
            ReadDlgItemInt(dlg, 100, &value, 100, 0);
            SetOpacity(dlg, st, value, false);
            st->timer.Start(dlg);
        } else if (id == 103 && code == CBN_SELCHANGE) {
            LRESULT sel = SendDlgItemMessageA(dlg, 103, CB_GETCURSEL, 0, 0);
            if (sel >= 0) base->blendMode = (int)sel;
            st->timer.Start(dlg);
        } else if ((id == 110 || id == 112) && code == EN_CHANGE && !st->busy && st->layer != 0) {
            int value = id == 110 ? base->x : base->y;
            if (id == 110) ReadDlgItemInt(dlg, 110, &value, st->doc->width, -base->width + 1);
            else ReadDlgItemInt(dlg, 112, &value, st->doc->height, -base->height + 1);
            for (int k = 0; k < CanvPlanesPerLayer; ++k) (id == 110 ? base[k].x : base[k].y) = value;
            st->timer.Start(dlg);
        } else if (id == IDOK) {
            if (!base->name[0]) {
                Tell(kLayerNameMissing, dlg);
                return TRUE;
            }
            st->timer.Stop(dlg);
            EndDialog(dlg, 1);
        } else if (id == IDCANCEL) {
            st->timer.Stop(dlg);
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    case WM_CLOSE:
        st->timer.Stop(dlg);
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// ---------------------------------------------------------------------------

int ShowCanvasResizeDialog(CanvDoc* doc) {
    if (!doc) return 0;
    CanvasResizeDlg st{CanvasResizeSettings, false};
    INT_PTR r = RunDialog("dra_canvresize", FrameWindow(), CanvasResizeProc, (LPARAM)&st);
    CanvasResizeSettings = st.sides;
    if (r != 1) return 0;
    NewCanvasRequestRecord& request = NewCanvasRequest;
    if (!PlanCanvasResize(doc, st.sides, &request)) {
        // Which limit: a side below 1 or one above the canvas limit.
        CanvasResizeSides grow = st.sides;
        for (int s = 0; s < 4; ++s) grow.decrease[s] = 0;
        static NewCanvasRequestRecord scratch;
        Tell(PlanCanvasResize(doc, grow, &scratch) ? kCanvSizeBelowOne : kCanvSizeTooLarge);
        return 0;
    }
    request.resolution = doc->resolution;
    request.origin = CanvOriginShifted;
    request.source = doc;
    return 1;
}

int ShowResizeCopyDialog(HWND owner, int* width, int* height) {
    ResizeCopyDlg st{};
    st.f = ResizeCopyFields{*width, *height, *width, *height, 100};
    st.keepRatio = ResizeCopyKeepRatio;
    if (st.keepRatio) ResizeCopyPercentTyped(&st.f, ResizeCopyPercent);
    INT_PTR r = RunDialog("dra_resize", owner, ResizeCopyProc, (LPARAM)&st);
    ResizeCopyKeepRatio = st.keepRatio;
    if (r == 1) {
        ResizeCopyPercent = st.f.percent;
        *width = st.f.width;
        *height = st.f.height;
    }
    return (int)r;
}

int PrepareResizedDuplicate(HWND owner, CanvDoc* doc) {
    int w = doc->width, h = doc->height;
    if (ShowResizeCopyDialog(owner, &w, &h) != 1) return 0;
    NewCanvasRequestRecord& r = NewCanvasRequest;
    r.layerCount = 0;
    for (int layer = 0; layer < CanvMaxLayers && LayerInUse(doc, layer); ++layer) {
        const LayerPlane* base = LayerBase(doc, layer);
        int planes = 0;
        for (int k = 1; k < CanvPlanesPerLayer; ++k) planes += base[k].image ? 1 : 0;
        auto scale = [](int v, int to, int from) { return (int)((int64_t)to * v / from); };
        r.layers[r.layerCount++] = NewCanvasLayer{
            .width = std::max(1, scale(base->width, w, doc->width)),
            .height = std::max(1, scale(base->height, h, doc->height)),
            .x = scale(base->x, w, doc->width),
            .y = scale(base->y, h, doc->height),
            .depth = base->depth,
            .planeCount = planes,
        };
    }
    r.resolution = doc->resolution;
    r.origin = CanvOriginResized;
    r.source = doc;
    return 1;
}

int ShowGridDialog(HWND owner, int* width, int* height, int* snap, int* red, int* green, int* blue, int* invert) {
    GridDlg st{*width, *height, *snap, *invert, RGB(*red, *green, *blue)};
    if (RunDialog("dra_grid", owner, GridProc, (LPARAM)&st) != 1) return 0;
    *width = st.width;
    *height = st.height;
    *snap = st.snap;
    *invert = st.invert;
    *red = GetRValue(st.colour);
    *green = GetGValue(st.colour);
    *blue = GetBValue(st.colour);
    return 1;
}

int ShowClearDialog(HWND owner) {
    return (int)RunDialog("dra_clear", owner, FourChoiceProc, (LPARAM)&ClearPaperChoice);
}

int ShowChannelLockDialog(HWND owner) { return (int)RunDialog("dra_chlock", owner, ChannelLockProc, 0); }

int CopyChannel(HWND owner) {
    ChannelCopyDlg st{GetActiveCanvas()};
    if (RunDialog("dra_chcopy", owner, ChannelCopyProc, (LPARAM)&st) != 1) return 0;
    CanvDoc* doc = GetActiveCanvas();
    if (!doc || st.source < 0 || st.target < 0) return 0;
    return CopyChannelData(doc, st.source, st.target, ChannelCopyInvert, ChannelCopyInsideOnly);
}

int CopyChannelData(CanvDoc* doc, int source, int target, int invert, int insideOnly) {
    if (!doc) return 0;
    if (target == ChannelArea) {
        // The area is made anew from the channel (everything selected first).
        g_VmsStore.Free(&doc->selectionMask);
        doc->selectionMask = g_VmsStore.Create(doc->width, doc->height, 8, 0, 1);
        if (!doc->selectionMask) return 0;
    }
    const int previous = doc->currentPlane;
    const int layerPlane = previous - previous % CanvPlanesPerLayer;
    // The plane written can be taken back.
    if (target != ChannelArea) {
        const int written = target <= ChannelBlue || target == ChannelBrightness ? 0
                            : target == ChannelTransparency                   ? 1
                                                                              : target - ChannelPlaneBase;
        c_UndoManager::SavePoint(doc, layerPlane + written, 1);
    }
    SetCurrentPlane(doc, layerPlane);
    const LayerPlane* base = &doc->planes[layerPlane];
    const int x0 = base->x, x1 = base->x + base->width - 1, w = base->width;
    std::vector<uint8_t> protect((size_t)w), mask((size_t)w), transp((size_t)w), from((size_t)w), to((size_t)w);
    std::vector<uint32_t> colour((size_t)w);
    const int fromPlane = source >= ChannelPlaneBase ? source - ChannelPlaneBase : -1;
    const int toPlane = target >= ChannelPlaneBase ? target - ChannelPlaneBase : target == ChannelTransparency ? 1 : -1;
    for (int y = base->y; y < base->y + base->height; ++y) {
        std::fill(protect.begin(), protect.end(), 0);
        std::fill(mask.begin(), mask.end(), 0);
        if (doc->selectionMask) g_VmsStore.GetRow(doc->selectionMask, y, x0, x1, mask.data());
        if (insideOnly) protect = mask;
        GetPlaneRow(doc, y, x0, x1, colour.data());
        GetLayerPlaneRow(doc, y, x0, x1, transp.data(), 1);
        if (fromPlane >= 0) GetLayerPlaneRow(doc, y, x0, x1, from.data(), fromPlane);
        if (toPlane >= 0) GetLayerPlaneRow(doc, y, x0, x1, to.data(), toPlane);
        for (int i = 0; i < w; ++i) {
            int v = ChannelValue(source, colour[i], transp[i], mask[i], from[i]);
            if (invert) v = 255 - v;
            const int p = protect[i];
            uint32_t& c = colour[i];
            int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            switch (target) {
            case ChannelRed: r = BlendChannel(v, r, p); break;
            case ChannelGreen: g = BlendChannel(v, g, p); break;
            case ChannelBlue: b = BlendChannel(v, b, p); break;
            case ChannelBrightness: {
                int h, s, value, nr, ng, nb;
                ConvertRgbToHsv(r, g, b, &h, &s, &value, 0);
                ConvertHsvToRgb(h, s, v, &nr, &ng, &nb, 0);
                r = BlendChannel(nr, r, p);
                g = BlendChannel(ng, g, p);
                b = BlendChannel(nb, b, p);
                break;
            }
            case ChannelArea: mask[i] = (uint8_t)BlendChannel(v, mask[i], p); break;
            default: to[i] = (uint8_t)BlendChannel(v, to[i], p); break;
            }
            c = (c & 0xFF000000u) | (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
        }
        if (target <= ChannelBlue || target == ChannelBrightness) PutPlaneRow(doc, y, x0, x1, colour.data());
        else if (target == ChannelArea) g_VmsStore.PutRow(doc->selectionMask, y, x0, x1, mask.data());
        else if (toPlane >= 0) PutLayerPlaneRow(doc, y, x0, x1, to.data(), toPlane);
    }
    SetCurrentPlane(doc, previous);
    if (target == ChannelArea) doc->selShapes[0].kind = CMD_TOOL_COLORREGION;
    RepaintDoc(doc);
    return 1;
}

int ShowLayerOptionsDialog(HWND owner, CanvDoc* doc, int plane) {
    if (!doc || plane < 0 || plane >= CanvMaxPlanes || !LayerInUse(doc, LayerOf(plane))) return 0;
    const CanvasHost& host = GetCanvasHost();
    const int previousPlane = doc->currentPlane;
    const int previousDim = host.dimOutsideLayer ? *host.dimOutsideLayer : 0;
    auto st = std::make_unique<LayerOptDlg>();
    st->doc = doc;
    st->layer = LayerOf(plane);
    std::memcpy(st->saved, LayerBase(doc, st->layer), sizeof st->saved);
    SetCurrentPlane(doc, st->layer * CanvPlanesPerLayer);
    if (host.dimOutsideLayer) *host.dimOutsideLayer = 1;
    RepaintDoc(doc);
    INT_PTR r = RunDialog("dra_layeropt", owner, LayerOptProc, (LPARAM)st.get());
    LayerPlane* base = LayerBase(doc, st->layer);
    if (r != 1) {
        // Cancel: every plane record as it was (the images are the same ones).
        std::memcpy(base, st->saved, sizeof st->saved);
    } else {
        // An opacity left alone keeps its stored value (the percentage rounds).
        if (!st->opacityEdited) base->transparency = st->saved[0].transparency;
        SetCanvasModified(doc);
    }
    SetCurrentPlane(doc, previousPlane);
    if (host.dimOutsideLayer) *host.dimOutsideLayer = previousDim;
    RepaintDoc(doc);
    return r == 1 ? 1 : 0;
}

int CanvDialogCommand(HWND wnd, CanvDoc* doc, int id) {
    switch (id) {
    case CMD_VIEW_RULER: {
        int unit = ShowRulerDialog(wnd, doc->rulerUnit);
        if (unit >= 0) {
            doc->rulerUnit = unit;
            RelayoutCanvas(doc->window);
            for (HWND ruler : {doc->hRuler, doc->vRuler})
                if (ruler) InvalidateRect(ruler, nullptr, TRUE);
        }
        return 1;
    }
    case CMD_VIEW_GRID: {
        if (doc->gridShown) return 0;
        if (ShowGridDialog(wnd, &doc->gridWidth, &doc->gridHeight, &doc->gridSnap, &doc->gridRed, &doc->gridGreen,
                           &doc->gridBlue, &doc->gridInvert)) {
            const CanvasHost& host = GetCanvasHost();
            if (host.defaultGridColour) *host.defaultGridColour = RGB(doc->gridRed, doc->gridGreen, doc->gridBlue);
            doc->gridShown = 1;
            RepaintDoc(doc);
        }
        return 1;
    }
    case CMD_IMG_CLEAR: {
        if (doc->currentPlane % CanvPlanesPerLayer != 0) return 0;
        int choice = ShowClearDialog(FrameWindow());
        // The texture paper without a chosen texture leaves the layer alone.
        if (choice >= 0 && (choice != 2 || HasPaperTexture())) {
            c_UndoManager::SavePoint(doc, -1, 1);
            ClearImage(doc, choice);
            ClearDoubleImage(doc);
            RepaintDoc(doc);
        }
        return 1;
    }
    case CMD_IMG_COPYCHANNEL:
        if (CopyChannel(FrameWindow())) SetCanvasModified(doc);
        return 1;
    case CMD_LAYER_OPTIONS:
        ShowLayerOptionsDialog(FrameWindow(), doc, doc->currentPlane - doc->currentPlane % CanvPlanesPerLayer);
        return 1;
    default:
        return 0;
    }
}
