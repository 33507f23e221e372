#include "app/colourpanel.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/colourdraw.h"
#include "app/commands.h"
#include "app/globals.h"
#include "app/screen_tint.h"
#include "app/settings.h"
#include "app/toolbar.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "image/colour_model.h"
#include "image/pen_colour.h"

namespace {

constexpr int kPageGridId = 150;   // the picker page's own palette grid
constexpr int kHostGridId = 151;   // the host's palette grid
constexpr int kHostPageId = 152;   // the picker page

// The twelve channels of PenColour in order; the gauge models' channels.
int ColourModels::* const kChannels[12] = {
    &ColourModels::red,    &ColourModels::green,         &ColourModels::blue,
    &ColourModels::hsvHue, &ColourModels::hsvSaturation, &ColourModels::hsvValue,
    &ColourModels::cyan,   &ColourModels::magenta,       &ColourModels::yellow,
    &ColourModels::hlsHue, &ColourModels::hlsLightness,  &ColourModels::hlsSaturation,
};
// Channel indexes of gauges 0..2 for the gauge models 0 RGB, 1 CMY, 2 HSV, 3 HLS.
const int kModelChannels[4][3] = {{0, 1, 2}, {6, 7, 8}, {3, 4, 5}, {9, 10, 11}};

struct FieldSpec {
    int id;
    int ColourModels::*channel;
    bool hue;
};
const FieldSpec kFields[6] = {
    {400, &ColourModels::red, false},    {402, &ColourModels::green, false},
    {404, &ColourModels::blue, false},   {406, &ColourModels::hsvHue, true},
    {408, &ColourModels::hsvSaturation, false}, {410, &ColourModels::hsvValue, false},
};

int g_tab;                 // 0 picker, 1 palette, 2 none
bool g_writeGuard;
HBRUSH g_hostBrush;
HBRUSH g_pageBrush;   // the picker page's face

int GaugeModel() { return PenColourGaugeModel >= 0 && PenColourGaugeModel <= 3 ? PenColourGaugeModel : 0; }
int& GaugeChannel(int gauge) { return PenColour.*kChannels[kModelChannels[GaugeModel()][gauge]]; }
bool IsHueGauge(int gauge) { return gauge == 0 && (GaugeModel() == 2 || GaugeModel() == 3); }
int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

SIZE ClientSize(HWND wnd) {
    RECT rc = {};
    if (wnd) GetClientRect(wnd, &rc);
    return SIZE{rc.right, rc.bottom};
}

COLORREF GaugeColour(int gauge, int f) {
    int r = 0, g = 0, b = 0;
    switch (GaugeModel()) {
    case 0:
        (gauge == 0 ? r : gauge == 1 ? g : b) = f;
        break;
    case 1:
        ConvertCmyToRgb(gauge == 0 ? f : 0, gauge == 1 ? f : 0, gauge == 2 ? f : 0, &r, &g, &b);
        break;
    case 2:
        if (gauge == 0) ConvertHsvToRgb(f, 255, 255, &r, &g, &b, 1);
        else if (gauge == 1) ConvertHsvToRgb(PenColour.hsvHue, f, 255, &r, &g, &b, 0);
        else r = g = b = f;
        break;
    default:
        if (gauge == 0) ConvertHlsToRgb(f, 127, 255, &r, &g, &b, 1);
        else if (gauge == 1) ConvertHlsToRgb(PenColour.hlsHue, f, 255, &r, &g, &b, 0);
        else ConvertHlsToRgb(PenColour.hlsHue, 128, f, &r, &g, &b, 0);
        break;
    }
    return RGB(r, g, b);
}

// Image of a picker control inside a black outline: pixels at (1, 1).
void OutlinedImage(HDC dc, int w, int h, const std::function<COLORREF(int, int)>& colour) {
    DrawRectOutline(dc, 0, 0, w - 1, h - 1, RGB(0, 0, 0));
    PaintPixels(dc, 1, 1, w - 2, h - 2, colour);
}

void DrawPickerItem(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    int w = di->rcItem.right - di->rcItem.left, h = di->rcItem.bottom - di->rcItem.top;
    int id = (int)di->CtlID;
    if (id >= IDC_PICK_GAUGE_FIRST && id < IDC_PICK_GAUGE_FIRST + 3) {
        int gauge = id - IDC_PICK_GAUGE_FIRST;
        int iw = w - 2;
        OutlinedImage(dc, w, h, [&](int x, int) { return GaugeColour(gauge, iw > 1 ? x * 255 / (iw - 1) : 0); });
        int v = GaugeChannel(gauge);
        if (IsHueGauge(gauge)) v = v * 255 / 359;
        int x = v * (w - 3) / 255 + 1;
        DrawXorDotLine(dc, x, 0, x, h);
    } else if (id == IDC_PICK_FIELD) {
        if (w - 2 < 4 || h - 2 < 4) return;
        OutlinedImage(dc, w, h, [&](int x, int y) {
            int r, g, b;
            ConvertHsvToRgb(std::min(255, x * 255 / (w - 5)), std::min(255, y * 255 / (h - 5)), 255, &r, &g, &b, 1);
            return RGB(r, g, b);
        });
        int X = Clamp((w - 3) * PenColour.hsvHue / 359, 0, w - 3);
        int Y = Clamp((h - 3) * PenColour.hsvSaturation / 255, 0, h - 3);
        HRGN clip = CreateRectRgn(0, 0, w, h);
        SelectClipRgn(dc, clip);
        DrawXorDotLine(dc, X - 3, Y + 1, X + 5, Y + 1);
        DrawXorDotLine(dc, X + 1, Y - 3, X + 1, Y + 5);
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
    } else if (id == IDC_PICK_VALUE) {
        OutlinedImage(dc, w, h, [&](int x, int) {
            int g = std::min(255, w > 3 ? x * 255 / (w - 3) : 0);
            return RGB(g, g, g);
        });
        int x = PenColour.hsvValue * (w - 3) / 255 + 1;
        DrawXorDotLine(dc, x, 0, x, h);
    } else if (id == IDC_PICK_SWATCH) {
        FillRectColor(dc, 0, 0, w, h, RGB(PenColour.red, PenColour.green, PenColour.blue));
        DrawRectOutline(dc, 0, 0, w - 1, h - 1, RGB(255, 255, 255));
        DrawRectOutline(dc, 1, 1, w - 2, h - 2, RGB(0, 0, 0));
    } else if ((id >= IDC_PICK_GLABEL_FIRST && id < IDC_PICK_GLABEL_FIRST + 3) ||
               (id >= IDC_PICK_HSVLABEL_FIRST && id < IDC_PICK_HSVLABEL_FIRST + 3)) {
        static const char* const kLetters[6] = {"R", "G", "B", "H", "S", "V"};
        FillRectColor(dc, 0, 0, w, h, PanelColour);
        draw_text_at(dc, 2, 2, 12, kLetters[id - IDC_PICK_GLABEL_FIRST], RGB(128, 128, 128), nullptr, nullptr);
    }
}

void WritePickerFields(HWND page, bool rgb, bool hsv) {
    g_writeGuard = true;
    for (int i = 0; i < 6; ++i)
        if ((i < 3 && rgb) || (i >= 3 && hsv))
            WriteColourField(page, kFields[i].id, PenColour.*kFields[i].channel, kFields[i].hue);
    g_writeGuard = false;
}

void RepaintPickerImages(HWND page) {
    static const int kIds[] = {IDC_PICK_GAUGE_FIRST, IDC_PICK_GAUGE_FIRST + 1, IDC_PICK_GAUGE_FIRST + 2,
                               IDC_PICK_FIELD, IDC_PICK_VALUE, IDC_PICK_SWATCH};
    for (int id : kIds) {
        HWND c = GetDlgItem(page, id);
        if (c) RedrawNow(c);
    }
    RedrawColourSwatch();
}

void RefreshPicker(HWND page) {
    if (!page) return;
    RepaintPickerImages(page);
    WritePickerFields(page, true, true);
}

void LayoutPicker(HWND page, int a, int b) {
    auto place = [&](int id, int x, int y, int w, int h) {
        HWND c = GetDlgItem(page, id);
        if (c) MoveWindow(c, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h, TRUE);
    };
    place(IDC_PICK_SWATCH, 4, 2, 20, 66);
    for (int i = 0; i < 3; ++i) {
        place(IDC_PICK_GAUGE_FIRST + i, 26, 2 + 24 * i, a - 94, 18);
        place(IDC_PICK_GLABEL_FIRST + i, a - 68, 2 + 24 * i, 16, 18);
        place(IDC_PICK_EDIT_FIRST + 2 * i, a - 52, 2 + 24 * i, 32, 18);
        place(IDC_PICK_EDIT_FIRST + 2 * i + 1, a - 20, 2 + 24 * i, 12, 18);
        place(IDC_PICK_HSVLABEL_FIRST + i, a - 68, 72 + 26 * i, 16, 18);
        place(IDC_PICK_EDIT_FIRST + 6 + 2 * i, a - 52, 72 + 26 * i, 32, 18);
        place(IDC_PICK_EDIT_FIRST + 7 + 2 * i, a - 20, 72 + 26 * i, 12, 18);
    }
    place(IDC_PICK_FIELD, 4, 72, a - 72, 48);
    place(IDC_PICK_VALUE, 4, 124, a - 72, 16);
    place(IDC_PICK_MODEL, 44, 80, 0, 0);
    int gh = b - 156;
    place(kPageGridId, 4, 152, a - 8, gh < 1 ? 1 : gh);
}

void ShowSwatchInfo(HWND page) {
    char text[160];
    std::snprintf(text, sizeof text, "選択色\r\n%02X%02X%02X\r\nR:%03d G:%03d B:%03d", PenColour.red, PenColour.green,
                  PenColour.blue, ToDisplay(PenColour.red), ToDisplay(PenColour.green), ToDisplay(PenColour.blue));
    ShowMessageBox(page, text, kAppTitle, kMsgOk);
}

int ButtonDown(bool right) { return right ? IsRightButtonDown() : IsLeftButtonDown(); }

// Shows an inverted frame (2, 2, w - shrink, h - shrink) in a control until the
// button is released.
void FrameWhileHeld(HWND control, bool right, int shrink) {
    SIZE s = ClientSize(control);
    HDC dc = GetDC(control);
    DrawXorRect(dc, 2, 2, s.cx - shrink, s.cy - shrink);
    while (ButtonDown(right)) {
    }
    DrawXorRect(dc, 2, 2, s.cx - shrink, s.cy - shrink);
    ReleaseDC(control, dc);
}

void AfterPickerChange(HWND page) {
    RepaintPickerImages(page);
    WritePickerFields(page, true, true);
}

void PickerPointer(HWND page, POINT pt, bool right) {
    int id = ControlIdAt(page, pt);
    HWND control = id >= 0 ? GetDlgItem(page, id) : nullptr;
    if (!control) return;
    SIZE s = ClientSize(control);
    int w = s.cx, h = s.cy;
    if (id == IDC_PICK_SWATCH) {
        FrameWhileHeld(control, right, 3);
        ShowSwatchInfo(page);
    } else if (id == IDC_PICK_FIELD) {
        if (w < 4 || h < 4) return;
        do {
            POINT c = CursorInControl(control);
            int hue = Clamp((c.x - 1) * 359 / (w - 3), 0, 359);
            int sat = Clamp((c.y - 1) * 255 / (h - 3), 0, 255);
            if (hue != PenColour.hsvHue || sat != PenColour.hsvSaturation) {
                PenColour.hsvHue = hue;
                PenColour.hsvSaturation = sat;
                if (PenColour.hsvValue == 0) PenColour.hsvValue = 255;
                UpdateColourModels(2);
                AfterPickerChange(page);
            }
        } while (ButtonDown(right));
    } else if (id == IDC_PICK_VALUE || (id >= IDC_PICK_GAUGE_FIRST && id < IDC_PICK_GAUGE_FIRST + 3)) {
        if (w < 4) return;
        bool value = id == IDC_PICK_VALUE;
        int gauge = id - IDC_PICK_GAUGE_FIRST;
        int range = !value && IsHueGauge(gauge) ? 359 : 255;
        int& channel = value ? PenColour.hsvValue : GaugeChannel(gauge);
        int model = value ? 2 : GaugeModel();
        do {
            POINT c = CursorInControl(control);
            int target = Clamp((c.x - 1) * range / (w - 3), 0, range);
            if (right) target = channel + (target > channel ? 1 : target < channel ? -1 : 0);
            if (target != channel) {
                channel = target;
                UpdateColourModels(model);
                AfterPickerChange(page);
            }
            if (right) {
                while (ButtonDown(true)) {
                }
                break;
            }
        } while (ButtonDown(false));
    }
}

void PickerFieldChanged(HWND page, int id) {
    if (g_writeGuard) return;
    for (int i = 0; i < 6; ++i) {
        if (kFields[i].id != id) continue;
        int& channel = PenColour.*kFields[i].channel;
        channel = ReadColourField(page, id, channel, kFields[i].hue);
        UpdateColourModels(i < 3 ? 0 : 2);
        RepaintPickerImages(page);
        WritePickerFields(page, i >= 3, i < 3);
        return;
    }
}

void PickerSpin(HWND page, HWND bar, int code) {
    int spin = GetDlgCtrlID(bar);
    for (int i = 0; i < 6; ++i) {
        if (kFields[i].id + 1 != spin) continue;
        int shown = 0;
        // The text change notification of the field does the rest.
        SpinDlgItemInt(page, kFields[i].id, &shown, kFields[i].hue ? 359 : ChannelFieldMax(), 0, code);
        return;
    }
}

void PaintHostStrip(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    const RECT& rc = di->rcItem;
    FillRectColor(dc, rc.left, rc.top, rc.right, rc.bottom, RGB(0x44, 0x8E, 0xFF));
    GradientTintRect(dc, rc.left, rc.top, rc.right - 1, rc.bottom - 1, 255, 255, 255, 0);
    draw_text_fit(dc, rc.left + 4, rc.top + 2, rc.right, rc.bottom - 2, "カラー", RGB(255, 255, 255), nullptr, 0,
                  FW_BOLD, 0);
}

void LayoutHost(HWND host, int width, int height) {
    MoveWindow(GetDlgItem(host, IDC_CPANEL_STRIP), 0, 0, width, 24, TRUE);
    for (int i = 0; i < 3; ++i) MoveWindow(GetDlgItem(host, IDC_CPANEL_TAB_FIRST + i), 0, 0, 0, 0, TRUE);
    HWND page = GetDlgItem(host, kHostPageId), grid = GetDlgItem(host, kHostGridId);
    int h = height - 24 < 0 ? 0 : height - 24;
    if (page) MoveWindow(page, 0, 24, g_tab == 0 ? width : 0, g_tab == 0 ? h : 0, TRUE);
    if (grid) MoveWindow(grid, 0, 24, g_tab == 1 ? width : 0, g_tab == 1 ? h : 0, TRUE);
}

void InitHost(HWND host) {
    static const char* const kTabs[3] = {"ピッカー", "パレット", "テクスチャ"};
    for (int i = 0; i < 3; ++i)
        CreateWindowExA(0, "BUTTON", kTabs[i], WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, host,
                        (HMENU)(INT_PTR)(IDC_CPANEL_TAB_FIRST + i), AppInstance, nullptr);
    HWND page = CreateDialogParamA(AppInstance, "da00_ctrl1sub", host, ColourPickerDlgProc, 0);
    if (page) SetWindowLongPtrA(page, GWLP_ID, kHostPageId), ShowWindow(page, SW_SHOW);
    HWND grid = CreateDialogParamA(AppInstance, "da00_ctrl1pal", host, PaletteGridDlgProc, 0);
    if (grid) SetWindowLongPtrA(grid, GWLP_ID, kHostGridId), ShowWindow(grid, SW_SHOW);
    // The place kept from the last run, kept on the screen; the control panel
    // lays the host out afterwards.
    int x = LowWord16(Env.colourPanelPos), y = HighWord16(Env.colourPanelPos);
    int w = LowWord16(Env.colourPanelSize), h = HighWord16(Env.colourPanelSize);
    if (w > 0 && h > 0) {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        if (x + w > sw) x = sw - w;
        if (y > sh - 64) y = sh - 64;
        SetWindowPos(host, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

void GetPaletteRgb(int index, int* red, int* green, int* blue) {
    int rgb[3] = {};
    if (index >= 0 && index < kPaletteCells)
        std::memcpy(rgb, PaletteBlock + kPaletteEntryOffset + index * kPaletteEntryBytes, sizeof rgb);
    *red = Clamp(rgb[0], 0, 255);
    *green = Clamp(rgb[1], 0, 255);
    *blue = Clamp(rgb[2], 0, 255);
}

void SetPaletteRgb(int index, int red, int green, int blue) {
    if (index < 0 || index >= kPaletteCells) return;
    int rgb[3] = {red, green, blue};
    std::memcpy(PaletteBlock + kPaletteEntryOffset + index * kPaletteEntryBytes, rgb, sizeof rgb);
}

static_assert(kPaletteEntryOffset + kPaletteCells * kPaletteEntryBytes <= kPaletteFileSize,
              "the palette entries fit the palette block");

RECT PaletteCellRect(int i, int w, int h) {
    int x = w / 8 * (i / 7), y = h / 7 * (i % 7);
    return RECT{x, y, x + w / 8 - 1, y + h / 7 - 1};
}

HWND CreateColourPanel(HWND parent) {
    HWND host = CreateDialogParamA(AppInstance, "dra_cpanel_color", parent, ColourPanelDlgProc, 0);
    AppWindows.colourPanel = host;
    SetPanelWindow(kPanelColour, host);
    return host;
}

HWND ColourPickerPage() {
    return AppWindows.colourPanel ? GetDlgItem(AppWindows.colourPanel, kHostPageId) : nullptr;
}

HWND ColourPanelGrid(HWND pageOrHost) {
    if (!pageOrHost) return nullptr;
    HWND grid = GetDlgItem(pageOrHost, kPageGridId);
    return grid ? grid : GetDlgItem(pageOrHost, kHostGridId);
}

INT_PTR CALLBACK ColourPanelDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        g_tab = 0;
        InitHost(dlg);
        return FALSE;
    case WM_SIZE:
        LayoutHost(dlg, LOWORD(lp), HIWORD(lp));
        return TRUE;
    case kMsgColourChanging: {
        HWND page = GetDlgItem(dlg, kHostPageId);
        if (page) SendMessageA(page, kMsgColourChanging, wp, lp);
        return TRUE;
    }
    case WM_GETMINMAXINFO: {
        auto* info = (MINMAXINFO*)lp;
        info->ptMinTrackSize.x = 128;
        info->ptMinTrackSize.y = 64;
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) >= IDC_CPANEL_TAB_FIRST && LOWORD(wp) < IDC_CPANEL_TAB_FIRST + 3) {
            g_tab = LOWORD(wp) - IDC_CPANEL_TAB_FIRST;
            RelayoutWindow(dlg, 1);
        }
        return TRUE;
    case WM_DRAWITEM: {
        auto* di = (const DRAWITEMSTRUCT*)lp;
        if (di->CtlID == IDC_CPANEL_STRIP) {
            PaintHostStrip(di);
        } else if (di->CtlID >= IDC_CPANEL_TAB_FIRST && di->CtlID < IDC_CPANEL_TAB_FIRST + 3) {
            bool active = (int)di->CtlID - IDC_CPANEL_TAB_FIRST == g_tab;
            char text[32] = {};
            GetWindowTextA(di->hwndItem, text, sizeof text);
            DrawBitmapRes(di->hDC, active ? "pal_tab1" : "pal_tab2", 0, 0, SRCCOPY);
            draw_text_fit(di->hDC, di->rcItem.left + 4, di->rcItem.top + 2, di->rcItem.right, di->rcItem.bottom - 4,
                          text, active ? RGB(255, 255, 255) : RGB(128, 128, 128), nullptr, 0, 0, 1);
        }
        return TRUE;
    }
    case WM_CTLCOLORDLG:
        if (g_hostBrush) DeleteObject(g_hostBrush);
        g_hostBrush = CreateSolidBrush(PanelColour);
        return (INT_PTR)g_hostBrush;
    case WM_DESTROY: {
        if (g_hostBrush) DeleteObject(g_hostBrush);
        g_hostBrush = nullptr;
        RECT rc;
        if (GetWindowRect(dlg, &rc)) {
            Env.colourPanelPos = PackWords(rc.left, rc.top);
            Env.colourPanelSize = PackWords(rc.right - rc.left, rc.bottom - rc.top);
        }
        if (AppWindows.colourPanel == dlg) {
            AppWindows.colourPanel = nullptr;
            SetPanelWindow(kPanelColour, nullptr);
        }
        return FALSE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK ColourPickerDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND grid = CreateDialogParamA(AppInstance, "da00_ctrl1pal", dlg, PaletteGridDlgProc, 0);
        if (grid) SetWindowLongPtrA(grid, GWLP_ID, kPageGridId), ShowWindow(grid, SW_SHOW);
        WritePickerFields(dlg, true, true);
        return FALSE;
    }
    case WM_SIZE:
        LayoutPicker(dlg, LOWORD(lp), HIWORD(lp));
        return TRUE;
    case WM_DRAWITEM:
        DrawPickerItem((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case kMsgColourChanging:
        RefreshPicker(dlg);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        PickerPointer(dlg, pt, msg == WM_RBUTTONDOWN);
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == EN_CHANGE) PickerFieldChanged(dlg, LOWORD(wp));
        return TRUE;
    case WM_VSCROLL:
        if (lp) PickerSpin(dlg, (HWND)lp, LOWORD(wp));
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        SetBkColor((HDC)wp, PanelColour);
        if (!g_pageBrush) g_pageBrush = CreateSolidBrush(PanelColour);
        return (INT_PTR)g_pageBrush;
    case WM_DESTROY:
        if (g_pageBrush) DeleteObject(g_pageBrush);
        g_pageBrush = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK PaletteGridDlgProc(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        for (int i = 0; i < kPaletteCells; ++i)
            CreateWindowExA(0, "PalPokClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dlg, (HMENU)(INT_PTR)i,
                            AppInstance, nullptr);
        return FALSE;
    case WM_SIZE: {
        int w = LOWORD(lp), h = HIWORD(lp);
        for (int i = 0; i < kPaletteCells; ++i) {
            RECT rc = PaletteCellRect(i, w, h);
            MoveWindow(GetDlgItem(dlg, i), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
        }
        return TRUE;
    }
    case WM_CTLCOLORDLG:
        return (INT_PTR)GetSysColorBrush(COLOR_BTNFACE);
    }
    return FALSE;
}

LRESULT CALLBACK PalPokWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int index = GetDlgCtrlID(wnd);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        SIZE s = ClientSize(wnd);
        int r, g, b;
        GetPaletteRgb(index, &r, &g, &b);
        PaintPixels(dc, 0, 0, s.cx, s.cy, [&](int, int) { return RGB(r, g, b); });
        DrawRectOutline(dc, 1, 1, s.cx - 2, s.cy - 2, RGB(0x60, 0x60, 0x60));
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        FrameWhileHeld(wnd, false, 2);
        HWND host = AppWindows.colourPanel;
        if (host) SendMessageA(host, kMsgColourChanging, 0, 0);
        int r, g, b;
        GetPaletteRgb(index, &r, &g, &b);
        SetPenColourRgb(r, g, b);
        if (host) SendMessageA(host, kMsgColourChanging, 0, 0);
        return 0;
    }
    case WM_RBUTTONDOWN:
        FrameWhileHeld(wnd, true, 2);
        SetPaletteRgb(index, PenColour.red, PenColour.green, PenColour.blue);
        RedrawNow(wnd);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
