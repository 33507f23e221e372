#include "paint/stamp_resize.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "image/c_dib.h"
#include "image/vms_store.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"

namespace {

enum : int {
    IdView = 1000, IdLabel = 1500, IdGroove = 1600, IdValue = 1700, IdType = 1800, IdAngle = 1810, IdSpin = 1811,
    IdReset = 100,
};
const char* const kTypes[5] = {"回転しない", "右90度", "180度", "左90度", "自由角度"};

struct ResizeState {
    std::vector<VmsImage*> previews, masks;
    int extra = 0;
    int maxScale = 50;
    int scale = 30, spacing = 100, type = 0;
    float angle = 0.0f;
    int timer = -1;
    HWND dialog = nullptr, panel = nullptr;
    bool writing = false;
} g_State;

int SliderMin(int k) { return k == 0 ? 10 : 100; }
int SliderMax(int k) { return k == 0 ? g_State.maxScale : 200; }
int* SliderValue(int k) { return k == 0 ? &g_State.scale : &g_State.spacing; }

void RestartTimer() {
    if (!g_State.panel) return;
    if (g_State.timer >= 0) KillTimer(g_State.panel, g_State.timer);
    g_State.timer = SetFirstFreeTimer(g_State.panel, 500);
}

void RepaintView() {
    if (g_State.dialog) InvalidateRect(GetDlgItem(g_State.dialog, IdView), nullptr, TRUE);
}

// A copy turned and sized as chosen; null when it cannot be made.
VmsImage* Transformed(const VmsImage* image) {
    VmsImage* turned = nullptr;
    if (g_State.type >= 1 && g_State.type <= 3) turned = c_Dib::Rotate(image, g_State.type - 1);
    else if (g_State.type == 4 && g_State.angle != 0.0f) turned = c_Dib::RotateDegrees(image, g_State.angle);
    const VmsImage* source = turned ? turned : image;
    if (g_State.scale == 100) {
        if (turned) return turned;
        VmsImage* copy = g_VmsStore.Create(image->width, image->height, image->bits == 8 ? 8 : 24, 0, 1);
        if (copy && !g_VmsStore.Copy(copy, image)) g_VmsStore.Free(&copy);
        return copy;
    }
    int w = source->width * g_State.scale / 100, h = source->height * g_State.scale / 100;
    VmsImage* sized = c_Dib::Resize(source, w < 1 ? 1 : w, h < 1 ? 1 : h, 0, 0, 0);
    g_VmsStore.Free(&turned);
    return sized;
}

void PaintTrail(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRectColor(dc, 1, 1, rc.right - 1, rc.bottom - 1, RGB(164, 164, 164));
    size_t n = g_State.previews.size();
    std::vector<VmsImage*> images(n), masks(n);
    bool ok = n > 0;
    for (size_t i = 0; i < n && ok; ++i) {
        images[i] = Transformed(g_State.previews[i]);
        masks[i] = Transformed(g_State.masks[i]);
        ok = images[i] && masks[i];
    }
    if (ok) {
        int step = images[0]->height * g_State.spacing / 100;
        if (step < 1) step = 1;
        IntersectClipRect(dc, 1, 1, rc.right - 1, rc.bottom - 1);
        for (int r = 0; r * step < rc.bottom; ++r) {
            const VmsImage* image = images[r % n];
            const VmsImage* mask = masks[r % n];
            int x = (rc.right - image->width) / 2 + (r % 2 ? image->width / 4 : -image->width / 4);
            int y = r * step + (step - image->height) / 2;
            c_Dib::StretchDrawRop(dc, mask, x, y, x + mask->width, y + mask->height, SRCAND);
            c_Dib::StretchDrawRop(dc, image, x, y, x + image->width, y + image->height, SRCINVERT);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        g_VmsStore.Free(&images[i]);
        g_VmsStore.Free(&masks[i]);
    }
    EndPaint(wnd, &ps);
}

HWND Make(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, (HMENU)(INT_PTR)id,
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 0);
    return c;
}

void WriteValue(HWND panel, int k) {
    InvalidateRect(GetDlgItem(panel, IdValue + k), nullptr, FALSE);
    InvalidateRect(GetDlgItem(panel, IdGroove + k), nullptr, FALSE);
}

void WriteAngle(HWND panel) {
    g_State.writing = true;
    SetWindowFloat(GetDlgItem(panel, IdAngle), g_State.angle);
    g_State.writing = false;
}

void UpdateTypeControls(HWND panel) {
    EnableWindow(GetDlgItem(panel, IdAngle), g_State.type == 4);
    EnableWindow(GetDlgItem(panel, IdSpin), g_State.type == 4);
    for (int i = 0; i < 5; ++i) InvalidateRect(GetDlgItem(panel, IdType + i), nullptr, FALSE);
}

void CreatePanelControls(HWND panel) {
    RECT rc;
    GetClientRect(panel, &rc);
    int cw = rc.right, x = cw / 20;
    for (int k = 0; k < 2; ++k) {
        bool shown = k == 0 || g_State.extra;
        Make(panel, "button", k == 0 ? "サイズ" : "間隔", BS_OWNERDRAW, IdLabel + k, x, 40 + 32 * k, shown ? 48 : 0,
             shown ? 32 : 0);
        Make(panel, "static", "", SS_OWNERDRAW, IdGroove + k, x + 48, 48 + 32 * k, shown ? cw - 2 * x - 88 : 0,
             shown ? 16 : 0);
        Make(panel, "button", "", BS_OWNERDRAW, IdValue + k, cw - x - 40, 40 + 32 * k, shown ? 32 : 0, shown ? 32 : 0);
    }
    for (int i = 0; i < 4; ++i) Make(panel, "button", kTypes[i], BS_OWNERDRAW, IdType + i, x, 144 + 36 * i, 128, 24);
    bool free = g_State.extra != 0;
    Make(panel, "button", kTypes[4], BS_OWNERDRAW, IdType + 4, x, 288, free ? 128 : 0, free ? 24 : 0);
    Make(panel, "edit", "", WS_BORDER | ES_AUTOHSCROLL, IdAngle, x + 144, 288, free ? 64 : 0, free ? 24 : 0);
    Make(panel, "scrollbar", "", SBS_VERT, IdSpin, x + 208, 288, free ? 12 : 0, free ? 24 : 0);
    Make(panel, "button", "初期化", BS_PUSHBUTTON, IdReset, 32, 380, 102, 22);
    Make(panel, "button", "OK", BS_DEFPUSHBUTTON, IDOK, 81, 436, 102, 22);
    Make(panel, "button", "ｷｬﾝｾﾙ", BS_PUSHBUTTON, IDCANCEL, 185, 436, 102, 22);
    WriteAngle(panel);
    UpdateTypeControls(panel);
}

void DrawGroove(const DRAWITEMSTRUCT* item, int k) {
    const RECT& r = item->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
    FillRectColor(item->hDC, r.left, r.top + h / 2 - 2, r.right, r.top + h / 2 + 2, RGB(0x60, 0x60, 0x60));
    DrawSunkenEdge(item->hDC, r.left, r.top + h / 2 - 2, r.right, r.top + h / 2 + 2);
    int min = SliderMin(k), max = SliderMax(k);
    int x = max > min ? (*SliderValue(k) - min) * (w - 1) / (max - min) : 0;
    FillRectColor(item->hDC, r.left + x - 2, r.top, r.left + x + 2, r.bottom, RGB(0xF0, 0xF0, 0xF0));
    DrawRaisedEdge(item->hDC, r.left + x - 2, r.top, r.left + x + 2, r.bottom);
}

void TrackGroove(HWND panel, int k, bool right) {
    HWND groove = GetDlgItem(panel, IdGroove + k);
    RECT rc;
    GetClientRect(groove, &rc);
    do {
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(groove, &p);
        int v = StampSliderValue(p.x, rc.right, SliderMin(k), SliderMax(k));
        if (v != *SliderValue(k)) {
            *SliderValue(k) = v;
            WriteValue(panel, k);
            UpdateWindow(groove);
        }
    } while (right ? IsRightButtonDown() : IsLeftButtonDown());
    RestartTimer();
}

INT_PTR CALLBACK BaseDlgProc(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        g_State.panel = panel;
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        int id = (int)item->CtlID;
        if (id == IdGroove || id == IdGroove + 1) {
            DrawGroove(item, id - IdGroove);
        } else if (id == IdValue || id == IdValue + 1) {
            char text[16];
            std::snprintf(text, sizeof text, "%3d%%", *SliderValue(id - IdValue));
            DrawPanelButton(item, text, 0, 0);
        } else if (id == IdLabel || id == IdLabel + 1) {
            DrawPanelButton(item, id == IdLabel ? "サイズ" : "間隔", 0, 0);
        } else if (id >= IdType && id < IdType + 5) {
            DrawCheckItem(item, kTypes[id - IdType], 0, g_State.type == id - IdType);
        }
        return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        POINT p = {(short)LOWORD(lp), (short)HIWORD(lp)};
        for (int k = 0; k < 2; ++k) {
            RECT rc;
            GetWindowRect(GetDlgItem(panel, IdGroove + k), &rc);
            MapWindowPoints(nullptr, panel, (POINT*)&rc, 2);
            if (rc.right > rc.left && PtInRect(&rc, p)) TrackGroove(panel, k, msg == WM_RBUTTONDOWN);
        }
        return TRUE;
    }
    case WM_VSCROLL:
        if ((HWND)lp == GetDlgItem(panel, IdSpin)) {
            SpinDlgItemFloat(panel, IdAngle, &g_State.angle, 360.0f, 0.0f, LOWORD(wp));
            RestartTimer();
        }
        return TRUE;
    case WM_TIMER:
        KillTimer(panel, wp);
        g_State.timer = -1;
        RepaintView();
        if (g_State.type == 4) {
            char want[32], have[32];
            std::snprintf(want, sizeof want, "%5.2f", g_State.angle);
            GetDlgItemTextA(panel, IdAngle, have, sizeof have);
            if (std::strcmp(want, have) != 0) WriteAngle(panel);
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id >= IdType && id < IdType + 5) {
            g_State.type = id - IdType;
            UpdateTypeControls(panel);
            RestartTimer();
            return TRUE;
        }
        switch (id) {
        case IdAngle:
            if (HIWORD(wp) == EN_CHANGE && !g_State.writing) {
                ReadDlgItemFloat(panel, IdAngle, &g_State.angle, 360.0f, 0.0f);
                RestartTimer();
            }
            return TRUE;
        case IdReset:
            g_State.scale = g_State.maxScale < 30 ? g_State.maxScale : 30;
            g_State.spacing = 100;
            g_State.angle = 0.0f;
            g_State.type = 0;
            WriteValue(panel, 0);
            WriteValue(panel, 1);
            WriteAngle(panel);
            UpdateTypeControls(panel);
            RestartTimer();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(g_State.dialog, id == IDOK ? 1 : 0);
            return TRUE;
        }
        return TRUE;
    }
    case WM_DESTROY:
        if (g_State.timer >= 0) KillTimer(panel, g_State.timer);
        g_State.timer = -1;
        g_State.panel = nullptr;
        return TRUE;
    }
    return FALSE;
}

const char* g_BaseTemplate;
const char* g_ViewClass;

INT_PTR CALLBACK ResizeDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_State.dialog = dlg;
        RECT want = {0, 0, 640, 480};
        AdjustWindowRectEx(&want, GetWindowLongA(dlg, GWL_STYLE), FALSE, GetWindowLongA(dlg, GWL_EXSTYLE));
        SetWindowPos(dlg, nullptr, 0, 0, want.right - want.left, want.bottom - want.top, SWP_NOMOVE | SWP_NOZORDER);
        PlaceWindow(dlg, 1);
        CreateWindowExA(0, g_ViewClass, "", WS_CHILD | WS_VISIBLE, 8, 8, 304, 464, dlg, (HMENU)(INT_PTR)IdView,
                        GetModuleHandleA(nullptr), nullptr);
        HWND panel = CreateDialogParamA(GetModuleHandleA(nullptr), g_BaseTemplate, dlg, BaseDlgProc, 0);
        if (panel) {
            MoveWindow(panel, 328, 8, 304, 464, TRUE);
            CreatePanelControls(panel);
            ShowWindow(panel, SW_SHOW);
        }
        return TRUE;
    }
    case WM_COMMAND:
        // Enter and Esc reach the outer dialog: OK and Cancel as the panel's.
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY:
        g_State.dialog = nullptr;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

LRESULT CALLBACK TexResizeViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PaintTrail(wnd);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterStampResizeClasses(HINSTANCE instance) {
    for (const char* name : {"TexResizeViewClass", "KoroResizeViewClass"}) {
        WNDCLASSA wc = {};
        if (GetClassInfoA(instance, name, &wc)) continue;
        wc.lpfnWndProc = TexResizeViewWndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
}

int StampScaleMax(int side) {
    if (side < 1) side = 1;
    int max = 50000 / side;
    return max < 10 ? 10 : max;
}

int StampSliderValue(int x, int grooveWidth, int min, int max) {
    int range = max - min, span = grooveWidth - 9;
    int t = span > 0 ? (x - 4) * range / span : 0;
    t = t < 0 ? 0 : t > range ? range : t;
    int v = min + t;
    v -= v % 10;
    return v < min ? min : v;
}

int ShowStampResizeDialog(HWND owner, int roller, VmsImage** previews, VmsImage** masks, int count, int extra,
                          StampResizeValues* values) {
    if (count < 1 || !previews || !masks) return 0;
    g_State = ResizeState();
    int side = 1;
    for (int i = 0; i < count; ++i) {
        if (!previews[i] || !masks[i]) return 0;
        g_State.previews.push_back(previews[i]);
        g_State.masks.push_back(masks[i]);
        if (previews[i]->width > side) side = previews[i]->width;
        if (previews[i]->height > side) side = previews[i]->height;
    }
    g_State.extra = roller ? 1 : extra;
    g_State.maxScale = StampScaleMax(side);
    g_State.scale = values->scale > g_State.maxScale ? g_State.maxScale : values->scale < 10 ? 10 : values->scale;
    g_State.spacing = values->spacing > 200 ? 200 : values->spacing < 100 ? 100 : values->spacing;
    g_State.type = 0;
    g_State.angle = 0.0f;
    g_BaseTemplate = roller ? "psv_kororesizebase" : "psv_texresizebase";
    g_ViewClass = roller ? "KoroResizeViewClass" : "TexResizeViewClass";
    RegisterStampResizeClasses(GetModuleHandleA(nullptr));
    int result = (int)RunModalDialog(GetModuleHandleA(nullptr), roller ? "psv_kororesize" : "psv_texresize", owner,
                                     ResizeDlgProc, 0);
    values->scale = g_State.scale;
    values->spacing = g_State.spacing;
    values->type = g_State.type;
    values->angle = (int)g_State.angle;
    g_State.previews.clear();
    g_State.masks.clear();
    return result == 1 ? 1 : 0;
}
