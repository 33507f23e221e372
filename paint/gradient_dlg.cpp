#include "paint/gradient_dlg.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "image/vms_store.h"
#include "paint/tone_mask.h"
#include "resources/paint_ids.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"

namespace {

int g_Timer = -1;   // the field's rewrite timer, -1 when none
bool g_Writing;

bool ModeSelected(int mode) { return c_ToneMask::Settings.modes[mode] != 0; }

void UpdateEnables(HWND dlg) {
    EnableWindow(GetDlgItem(dlg, IDOK), c_ToneMask::AnyActive());
    EnableWindow(GetDlgItem(dlg, IDC_TONE_ANGLE), ModeSelected(6));
}

void RepaintButtons(HWND dlg) {
    for (int i = 0; i < 7; ++i) InvalidateRect(GetDlgItem(dlg, IDC_TONE_MODE0 + i), nullptr, FALSE);
}

// A button's face: its mode's ramp over the face, each weight v as grey 255 - v.
void DrawModeButton(const DRAWITEMSTRUCT* item) {
    int mode = (int)item->CtlID - IDC_TONE_MODE0;
    const RECT& r = item->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    ToneMaskSettings saved = c_ToneMask::Settings;
    std::memset(c_ToneMask::Settings.modes, 0, sizeof c_ToneMask::Settings.modes);
    std::memset(c_ToneMask::Settings.params, 0, sizeof c_ToneMask::Settings.params);
    c_ToneMask::Settings.modes[mode] = 1;
    std::vector<uint8_t> row(w);
    std::vector<uint32_t> pixels((size_t)w * h);
    for (int y = 0; y < h; ++y) {
        c_ToneMask::MakeRow(y, 0, w - 1, 0, 0, w - 1, h - 1, row.data(), 1);
        for (int x = 0; x < w; ++x) {
            uint32_t g = 255u - row[x];
            pixels[(size_t)y * w + x] = g | g << 8 | g << 16;
        }
    }
    c_ToneMask::Settings = saved;
    BITMAPINFO bi = TopDownDibInfo(w, h, 32);
    SetDIBitsToDevice(item->hDC, r.left, r.top, w, h, 0, 0, 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
    if (ModeSelected(mode)) {
        DrawRectOutline(item->hDC, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, RGB(255, 0, 0));
        DrawRectOutline(item->hDC, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, RGB(255, 0, 0));
    }
    if (item->itemState & ODS_FOCUS) {
        RECT f = {r.left + 4, r.top + 4, r.right - 4, r.bottom - 4};
        DrawFocusRect(item->hDC, &f);
    }
}

void DrawSlider(const DRAWITEMSTRUCT* item) {
    const RECT& r = item->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
    COLORREF groove = ModeSelected(6) ? RGB(0x60, 0x60, 0x60) : RGB(0xA4, 0xA4, 0xA4);
    FillRectColor(item->hDC, r.left + 4, r.top + h / 2 - 2, r.left + w - 4, r.top + h / 2 + 2, groove);
    int x = (w - 9) * c_ToneMask::Settings.angle / 359 + 4;
    FillRectColor(item->hDC, r.left + x - 2, r.top + 1, r.left + x + 2, r.bottom - 1, RGB(0xF0, 0xF0, 0xF0));
    DrawRaisedEdge(item->hDC, r.left + x - 2, r.top + 1, r.left + x + 2, r.bottom - 1);
}

void WriteAngle(HWND dlg) {
    g_Writing = true;
    SetWindowInt(GetDlgItem(dlg, IDC_TONE_ANGLE), c_ToneMask::Settings.angle);
    g_Writing = false;
}

void TrackSlider(HWND dlg) {
    HWND slider = GetDlgItem(dlg, IDC_TONE_SLIDER);
    RECT rc;
    GetClientRect(slider, &rc);
    int last = -1;
    do {
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(slider, &p);
        int angle = GradientSliderAngle(p.x, rc.right);
        if (angle != last) {
            last = angle;
            c_ToneMask::Settings.angle = angle;
            WriteAngle(dlg);
            InvalidateRect(slider, nullptr, FALSE);
            UpdateWindow(slider);
        }
    } while (IsLeftButtonDown());
    if (g_Timer >= 0) KillTimer(dlg, g_Timer);
    g_Timer = SetFirstFreeTimer(dlg, 500);
}

INT_PTR CALLBACK GradientDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        PlaceWindow(dlg, 0);
        WriteAngle(dlg);
        CheckRadioButton(dlg, IDC_TONE_SMOOTH, IDC_TONE_RANDOM,
                         c_ToneMask::Settings.dither ? IDC_TONE_RANDOM : IDC_TONE_SMOOTH);
        UpdateEnables(dlg);
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == IDC_TONE_SLIDER) DrawSlider(item);
        else if (item->CtlID >= IDC_TONE_MODE0 && item->CtlID < IDC_TONE_MODE0 + 7) DrawModeButton(item);
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        if (!ModeSelected(6)) break;
        POINT p = {(short)LOWORD(lp), (short)HIWORD(lp)};
        RECT rc;
        GetWindowRect(GetDlgItem(dlg, IDC_TONE_SLIDER), &rc);
        MapWindowPoints(nullptr, dlg, (POINT*)&rc, 2);
        if (PtInRect(&rc, p)) TrackSlider(dlg);
        return TRUE;
    }
    case WM_TIMER:
        KillTimer(dlg, wp);
        g_Timer = -1;
        {
            char want[16], have[16];
            std::snprintf(want, sizeof want, "%d", c_ToneMask::Settings.angle);
            GetDlgItemTextA(dlg, IDC_TONE_ANGLE, have, sizeof have);
            if (std::strcmp(want, have) != 0) WriteAngle(dlg);
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id >= IDC_TONE_MODE0 && id < IDC_TONE_MODE0 + 7) {
            std::memset(c_ToneMask::Settings.modes, 0, sizeof c_ToneMask::Settings.modes);
            std::memset(c_ToneMask::Settings.params, 0, sizeof c_ToneMask::Settings.params);
            g_VmsStore.Free(&c_ToneMask::ToneImage);
            c_ToneMask::Settings.modes[id - IDC_TONE_MODE0] = 1;
            RepaintButtons(dlg);
            InvalidateRect(GetDlgItem(dlg, IDC_TONE_SLIDER), nullptr, FALSE);
            UpdateEnables(dlg);
            return TRUE;
        }
        switch (id) {
        case IDC_TONE_ANGLE:
            if (HIWORD(wp) == EN_CHANGE && !g_Writing) {
                ReadDlgItemInt(dlg, IDC_TONE_ANGLE, &c_ToneMask::Settings.angle, 359, 0);
                InvalidateRect(GetDlgItem(dlg, IDC_TONE_SLIDER), nullptr, FALSE);
                if (g_Timer >= 0) KillTimer(dlg, g_Timer);
                g_Timer = SetFirstFreeTimer(dlg, 500);
            }
            return TRUE;
        case IDC_TONE_SMOOTH:
        case IDC_TONE_RANDOM:
            c_ToneMask::Settings.dither = id == IDC_TONE_RANDOM;
            RepaintButtons(dlg);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            if (g_Timer >= 0) KillTimer(dlg, g_Timer);
            g_Timer = -1;
            EndDialog(dlg, id == IDOK ? 1 : 0);
            return TRUE;
        }
        break;
    }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    }
    return FALSE;
}

}  // namespace

int GradientSliderAngle(int x, int width) {
    if (width <= 9) return 0;
    int a = (x - 4) * 359 / (width - 9);
    return a < 0 ? 0 : a > 359 ? 359 : a;
}

int ShowGradientDialog(HWND owner) {
    EnablePanels(FALSE);
    int result = (int)RunModalDialog(GetModuleHandleA(nullptr), "dra_tone", owner, GradientDlgProc, 0);
    EnablePanels(TRUE);
    return result == 1 ? 1 : 0;
}
