#include "app/colourdlg.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/colourdraw.h"
#include "app/commands.h"
#include "app/globals.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "image/colour_model.h"

uint32_t StoredColours[kStoredColourCount];
ChooserColour ChooserState;

namespace {

bool g_writeGuard;
int g_timerId = -1;
char g_caption[256];

std::string StoredColoursPath() { return std::string(ProgramFolder) + "coldlg.dat"; }

struct FieldSpec {
    int id;
    int ChooserColour::*channel;
    bool hue;
};
const FieldSpec kFields[6] = {
    {IDC_CSEL_HSV_FIRST, &ChooserColour::h, true},      {IDC_CSEL_HSV_FIRST + 1, &ChooserColour::s, false},
    {IDC_CSEL_HSV_FIRST + 2, &ChooserColour::v, false}, {IDC_CSEL_RGB_FIRST, &ChooserColour::r, false},
    {IDC_CSEL_RGB_FIRST + 1, &ChooserColour::g, false}, {IDC_CSEL_RGB_FIRST + 2, &ChooserColour::b, false},
};

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

void DeriveHsv() { ConvertRgbToHsv(ChooserState.r, ChooserState.g, ChooserState.b, &ChooserState.h, &ChooserState.s, &ChooserState.v, 0); }
void DeriveRgb() { ConvertHsvToRgb(ChooserState.h, ChooserState.s, ChooserState.v, &ChooserState.r, &ChooserState.g, &ChooserState.b, 0); }

SIZE ControlSize(HWND dlg, int id) {
    RECT rc = {};
    GetClientRect(GetDlgItem(dlg, id), &rc);
    return SIZE{rc.right, rc.bottom};
}

void WriteFields(HWND dlg, bool hsv, bool rgb) {
    g_writeGuard = true;
    for (int i = 0; i < 6; ++i)
        if ((i < 3 && hsv) || (i >= 3 && rgb))
            WriteColourField(dlg, kFields[i].id, ChooserState.*kFields[i].channel, kFields[i].hue);
    g_writeGuard = false;
}

void RepaintImages(HWND dlg) {
    for (int id = IDC_CSEL_FIELD; id <= IDC_CSEL_BAR_FIRST + 2; ++id) RedrawNow(GetDlgItem(dlg, id));
    RedrawNow(GetDlgItem(dlg, IDC_CSEL_SWATCH));
}

COLORREF StoredRgb(int i) {
    uint32_t c = StoredColours[i];
    return RGB(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void DrawChooserItem(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    int w = di->rcItem.right - di->rcItem.left, h = di->rcItem.bottom - di->rcItem.top;
    int id = (int)di->CtlID;
    const ChooserColour& c = ChooserState;
    if (id == IDC_CSEL_FIELD) {
        PaintPixels(dc, 0, 0, w, h, [&](int x, int y) {
            int r, g, b;
            ConvertHsvToRgb(std::min(255, x * 255 / std::max(1, w - 1)), std::min(255, y * 255 / std::max(1, h - 1)),
                            255, &r, &g, &b, 1);
            return RGB(r, g, b);
        });
        int X = Clamp((w - 1) * c.h / 359, 0, w - 1), Y = Clamp((h - 1) * c.s / 255, 0, h - 1);
        DrawXorDotLine(dc, X - 4, Y, X + 4, Y);
        DrawXorDotLine(dc, X, Y - 4, X, Y + 4);
    } else if (id == IDC_CSEL_VALUE) {
        PaintPixels(dc, 0, 0, w, h, [&](int x, int) {
            int g = x * 255 / std::max(1, w - 1);
            return RGB(g, g, g);
        });
        int x = c.v * w / 255;
        DrawXorDotLine(dc, x, 0, x, h);
    } else if (id >= IDC_CSEL_BAR_FIRST && id < IDC_CSEL_BAR_FIRST + 3) {
        int channel = id - IDC_CSEL_BAR_FIRST;
        PaintPixels(dc, 0, 0, w, h, [&](int x, int) {
            int f = x * 255 / std::max(1, w - 1);
            return RGB(channel == 0 ? f : 0, channel == 1 ? f : 0, channel == 2 ? f : 0);
        });
        int value = channel == 0 ? c.r : channel == 1 ? c.g : c.b;
        int x = value * (w - 1) / 255;
        DrawXorDotLine(dc, x, 0, x, h);
    } else if (id == IDC_CSEL_SWATCH) {
        FillRectColor(dc, 0, 0, w, h, RGB(c.r, c.g, c.b));
    } else if (id >= IDC_CSEL_POCKET_FIRST && id < IDC_CSEL_POCKET_FIRST + kPocketCells) {
        FillRect(dc, &di->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        FillRectColor(dc, 0, 0, w - 1, h - 1, StoredRgb(id - IDC_CSEL_POCKET_FIRST));
    }
}

void AfterChange(HWND dlg) {
    RepaintImages(dlg);
    WriteFields(dlg, true, true);
    for (int i = 0; i < 6; ++i) RedrawNow(GetDlgItem(dlg, kFields[i].id));
}

void RestartTimer(HWND dlg) {
    if (g_timerId >= 0) KillTimer(dlg, (UINT_PTR)g_timerId);
    g_timerId = SetFirstFreeTimer(dlg, 500);
}

void Drag(HWND dlg, int id) {
    HWND control = GetDlgItem(dlg, id);
    SIZE s = ControlSize(dlg, id);
    int w = s.cx, h = s.cy;
    if (w < 2 || h < 2) return;
    ShowCursor(FALSE);
    POINT last = {-100000, -100000};
    do {
        POINT p = CursorInControl(control);
        ChooserColour& c = ChooserState;
        bool changed = false;
        if (id == IDC_CSEL_FIELD) {
            int hue = Clamp(p.x * 359 / (w - 1), 0, 359), sat = Clamp(p.y * 255 / (h - 1), 0, 255);
            if ((p.x != last.x || p.y != last.y) && (hue != c.h || sat != c.s)) {
                c.h = hue;
                c.s = sat;
                if (c.v == 0) c.v = 255;
                DeriveRgb();
                changed = true;
            }
        } else if (id == IDC_CSEL_VALUE) {
            int v = Clamp(p.x * 255 / (w - 1), 0, 255);
            changed = v != c.v;
            c.v = v;
            DeriveRgb();
        } else {
            int channel = id - IDC_CSEL_BAR_FIRST;
            int& value = channel == 0 ? c.r : channel == 1 ? c.g : c.b;
            int v = Clamp(p.x * 255 / (w - 1), 0, 255);
            changed = v != value;
            value = v;
            DeriveHsv();
        }
        last = p;
        if (changed) AfterChange(dlg);
    } while (IsLeftButtonDown());
    ShowCursor(TRUE);
}

void PocketPress(HWND dlg, int id, bool right) {
    HWND cell = GetDlgItem(dlg, id);
    SIZE s = ControlSize(dlg, id);
    HDC dc = GetDC(cell);
    DrawXorRect(dc, 2, 2, s.cx - 4, s.cy - 4);
    while (right ? IsRightButtonDown() : IsLeftButtonDown()) {
    }
    DrawXorRect(dc, 2, 2, s.cx - 4, s.cy - 4);
    ReleaseDC(cell, dc);
    int i = id - IDC_CSEL_POCKET_FIRST;
    if (right) {
        StoredColours[i] = (uint32_t)RGB(ChooserState.r, ChooserState.g, ChooserState.b);
        RedrawNow(cell);
    } else {
        COLORREF c = StoredRgb(i);
        ChooserState.r = GetRValue(c);
        ChooserState.g = GetGValue(c);
        ChooserState.b = GetBValue(c);
        DeriveHsv();
        WriteFields(dlg, true, true);
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void Pointer(HWND dlg, LPARAM lp, bool right) {
    POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    int id = ControlIdAt(dlg, pt);
    if (id >= IDC_CSEL_POCKET_FIRST && id < IDC_CSEL_POCKET_FIRST + kPocketCells) {
        PocketPress(dlg, id, right);
    } else if (!right && id >= IDC_CSEL_FIELD && id <= IDC_CSEL_BAR_FIRST + 2) {
        Drag(dlg, id);
    }
}

void Typed(HWND dlg, int id) {
    if (g_writeGuard) return;
    for (int i = 0; i < 6; ++i) {
        if (kFields[i].id != id) continue;
        int& channel = ChooserState.*kFields[i].channel;
        channel = ReadColourField(dlg, id, channel, kFields[i].hue);
        bool hsv = i < 3;
        if (hsv) DeriveRgb();
        else DeriveHsv();
        RepaintImages(dlg);
        WriteFields(dlg, !hsv, hsv);
        RestartTimer(dlg);
        return;
    }
}

// Rewrites every field whose text is not its value in canonical form.
void Normalise(HWND dlg) {
    g_writeGuard = true;
    for (const FieldSpec& f : kFields) {
        int value = ChooserState.*f.channel;
        char want[16], now[32] = {};
        std::snprintf(want, sizeof want, "%d", f.hue ? value : ToDisplay(value));
        GetDlgItemTextA(dlg, f.id, now, sizeof now);
        if (lstrcmpiA(want, now) != 0) SetDlgItemTextA(dlg, f.id, want);
    }
    g_writeGuard = false;
}

void Spin(HWND dlg, HWND bar, int code) {
    int spin = GetDlgCtrlID(bar);
    int field = spin >= IDC_CSEL_RGBSPIN_FIRST ? IDC_CSEL_RGB_FIRST + spin - IDC_CSEL_RGBSPIN_FIRST
                                               : IDC_CSEL_HSV_FIRST + spin - IDC_CSEL_HSVSPIN_FIRST;
    int shown = 0;
    // The field's change notification then takes the new value.
    SpinDlgItemInt(dlg, field, &shown, field == IDC_CSEL_HSV_FIRST ? 359 : ChannelFieldMax(), 0, code);
}

}  // namespace

void LoadStoredColours() {
    HANDLE h = CreateFileA(StoredColoursPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    uint32_t read[kStoredColourCount + 1] = {};
    DWORD done = 0;
    BOOL ok = ReadFile(h, read, sizeof read, &done, nullptr);
    CloseHandle(h);
    // Only a whole file of 30 COLORREFs (byte 3 zero) replaces the store.
    if (!ok || done != sizeof StoredColours) return;
    for (int i = 0; i < kStoredColourCount; ++i)
        if (read[i] >> 24) return;
    std::memcpy(StoredColours, read, sizeof StoredColours);
}

int SaveStoredColours() {
    static_assert(sizeof StoredColours == 120, "coldlg.dat is 120 bytes");
    return WriteFileReplacing(StoredColoursPath().c_str(), StoredColours, sizeof StoredColours);
}

int ChooseColour(HWND owner, int* r, int* g, int* b, const char* caption) {
    ChooserState.r = Clamp(*r, 0, 255);
    ChooserState.g = Clamp(*g, 0, 255);
    ChooserState.b = Clamp(*b, 0, 255);
    lstrcpynA(g_caption, caption ? caption : "", sizeof g_caption);
    LoadStoredColours();
    DeriveHsv();
    if (RunModalDialog(AppInstance, "colorseldlg", owner, ColourChooserDlgProc, 0) != 0) {
        *r = ChooserState.r;
        *g = ChooserState.g;
        *b = ChooserState.b;
        SaveStoredColours();
    }
    return 1;
}

INT_PTR CALLBACK ColourChooserDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (HandleDialogEnd(dlg, msg, wp)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        g_timerId = -1;
        CenterWindow(dlg);
        WriteFields(dlg, true, true);
        if (g_caption[0]) SetWindowTextA(dlg, g_caption);
        return TRUE;
    case WM_DRAWITEM:
        DrawChooserItem((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        Pointer(dlg, lp, msg == WM_RBUTTONDOWN);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wp) == EN_CHANGE) Typed(dlg, LOWORD(wp));
        return TRUE;
    case WM_VSCROLL:
        if (lp) Spin(dlg, (HWND)lp, LOWORD(wp));
        return TRUE;
    case WM_TIMER:
        if ((int)wp == g_timerId) {
            KillTimer(dlg, wp);
            g_timerId = -1;
            Normalise(dlg);
        }
        return TRUE;
    case WM_DESTROY:
        if (g_timerId >= 0) KillTimer(dlg, (UINT_PTR)g_timerId);
        g_timerId = -1;
        return FALSE;
    }
    return FALSE;
}
