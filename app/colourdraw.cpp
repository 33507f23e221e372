#include "app/colourdraw.h"

#include <cstdio>
#include <vector>

#include "app/screen_tint.h"
#include "app/settings.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"

bool ColourPercentDisplay() { return Env.numberMode == 1; }

int ToDisplay(int value) { return ColourPercentDisplay() ? (value * 100 + 127) / 255 : value; }

int FromDisplay(int shown) { return ColourPercentDisplay() ? (shown * 255 + 50) / 100 : shown; }

int ChannelFieldMax() { return ColourPercentDisplay() ? 100 : 255; }

void WriteColourField(HWND dlg, int id, int value, bool isHue) {
    SetWindowInt(GetDlgItem(dlg, id), isHue ? value : ToDisplay(value));
}

int ReadColourField(HWND dlg, int id, int current, bool isHue) {
    int shown = isHue ? current : ToDisplay(current);
    ReadDlgItemInt(dlg, id, &shown, isHue ? 359 : ChannelFieldMax(), 0);
    return isHue ? shown : FromDisplay(shown);
}

void PaintPixels(HDC dc, int x, int y, int w, int h, const std::function<COLORREF(int, int)>& colour) {
    if (w <= 0 || h <= 0) return;
    int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> bits((size_t)stride * h);
    for (int row = 0; row < h; ++row) {
        unsigned char* p = bits.data() + (size_t)row * stride;
        for (int col = 0; col < w; ++col) {
            COLORREF c = colour(col, row);
            p[col * 3] = GetBValue(c);
            p[col * 3 + 1] = GetGValue(c);
            p[col * 3 + 2] = GetRValue(c);
        }
    }
    BITMAPINFO bi = TopDownDibInfo(w, h, 24);
    SetDIBitsToDevice(dc, x, y, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, bits.data(), &bi, DIB_RGB_COLORS);
}

int ControlIdAt(HWND dlg, POINT pt) {
    // The first control with an id that holds the point: labels and group boxes
    // (id -1) lying over the controls are passed over.
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rc;
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, dlg, (POINT*)&rc, 2);
        int id = GetDlgCtrlID(child);
        if (PtInRect(&rc, pt) && id != 0xFFFF && id != -1) return id;
    }
    return -1;
}

POINT CursorInControl(HWND control) {
    POINT pt;
    GetPolledCursorPos(&pt);
    ScreenToClient(control, &pt);
    return pt;
}
