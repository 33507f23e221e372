#include "ui/dlgfield.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "resources/msgbox_ids.h"

namespace {

constexpr int kFieldChars = 30;   // limit passed when reading a field, terminator included

void ReadField(HWND dlg, int id, char (&text)[kFieldChars]) {
    text[0] = '\0';
    GetDlgItemTextA(dlg, id, text, kFieldChars);
    text[kFieldChars - 1] = '\0';
}

bool IsOnlyFloatChars(const char* s) {
    for (; *s; ++s)
        if (!((*s >= '0' && *s <= '9') || *s == '.' || *s == ' ')) return false;
    return true;
}

void MoveKeepingSize(HWND wnd, int x, int y, int w, int h) { MoveWindow(wnd, x, y, w, h, TRUE); }

}  // namespace

void RedrawNow(HWND wnd) {
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
}

void SetWindowInt(HWND wnd, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", value);
    SetWindowTextA(wnd, text);
}

void SetWindowFloat(HWND wnd, float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f", (double)value);
    SetWindowTextA(wnd, text);
}

void ReadDlgItemInt(HWND dlg, int id, int* value, int max, int min) {
    char text[kFieldChars];
    ReadField(dlg, id, text);
    if (!text[0]) {
        *value = min;
        return;
    }
    if (CountLeadDbcs(text) > 0) {
        SetWindowInt(GetDlgItem(dlg, id), *value);
        return;
    }
    long v = std::strtol(text, nullptr, 10);
    if (v < min) v = min;
    if (v > max) v = max;
    *value = (int)v;
}

void ReadDlgItemFloat(HWND dlg, int id, float* value, float max, float min) {
    char text[kFieldChars];
    ReadField(dlg, id, text);
    if (!text[0]) {
        *value = max + 10.0f;
        return;
    }
    if (CountLeadDbcs(text) > 0) {
        SetWindowFloat(GetDlgItem(dlg, id), *value);
        return;
    }
    if (!IsOnlyFloatChars(text)) {
        *value = max + 10.0f;
        return;
    }
    float v = (float)std::atof(text);
    if (v > max) v = max;
    if (v < min) v = min;
    *value = v;
}

void SpinDlgItemInt(HWND dlg, int id, int* value, int max, int min, int scrollCode) {
    char text[kFieldChars];
    ReadField(dlg, id, text);
    long long v = std::strtol(text, nullptr, 10);
    if (scrollCode == SB_LINEUP) v += 1;
    else if (scrollCode == SB_LINEDOWN) v -= 1;
    if (v > max) v = max;
    if (v < min) v = min;
    SetWindowInt(GetDlgItem(dlg, id), (int)v);
    *value = (int)v;
}

void SpinDlgItemFloat(HWND dlg, int id, float* value, float max, float min, int scrollCode) {
    char text[kFieldChars];
    ReadField(dlg, id, text);
    float v = (float)std::atof(text);
    if (scrollCode == SB_LINEUP) v += 1.0f;
    else if (scrollCode == SB_LINEDOWN) v -= 1.0f;
    if (v > max) v = max;
    if (v < min) v = min;
    SetWindowFloat(GetDlgItem(dlg, id), v);
    *value = v;
}

void CenterWindow(HWND wnd) { PlaceWindow(wnd, 0); }

void PlaceWindow(HWND wnd, int mode) {
    RECT r;
    if (!GetWindowRect(wnd, &r)) return;
    int w = r.right - r.left, h = r.bottom - r.top;
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    int x, y;
    if (mode == 1) {
        x = 2 * (W - w) / 3;
        y = 2 * (H - h) / 3;
    } else if (mode == 2) {
        POINT c;
        GetPolledCursorPos(&c);
        x = c.x - w / 2;
        y = c.y - h / 2;
        if (x + w > W) x = W - w;
        if (y + h > H) y = H - h;
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    } else {
        x = (W - w) / 2;
        y = (H - h) / 2;
    }
    MoveKeepingSize(wnd, x, y, w, h);
}

void SetupScrollBar(HWND wnd, int bar, int min, int count, int page, int position) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = min;
    si.nMax = count > 0 ? count - 1 : 0;
    si.nPage = page > 0 ? (UINT)page : 0;
    si.nPos = position;
    SetScrollInfo(wnd, bar, &si, TRUE);
}

namespace {

constexpr int kNameBytes = 80;

INT_PTR CALLBACK NameEntryDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    char* text = (char*)GetPropA(dlg, "DarnaNameBuf");
    switch (msg) {
    case WM_INITDIALOG:
        SetPropA(dlg, "DarnaNameBuf", (HANDLE)lp);
        CenterWindow(dlg);
        SetDlgItemTextA(dlg, IDC_INPSTR_EDIT, (const char*)lp);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_INPSTR_EDIT:
            if (text) {
                GetDlgItemTextA(dlg, IDC_INPSTR_EDIT, text, kNameBytes);
                text[kNameBytes - 1] = '\0';
            }
            return TRUE;
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_NCDESTROY:
        RemovePropA(dlg, "DarnaNameBuf");
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int ShowNameEntryDialog(HWND owner, char* text) {
    if (!text) return 0;
    std::memset(text, 0, kNameBytes);
    INT_PTR r = RunModalDialog(GetModuleHandleA(nullptr), "dra_inpstr", owner, NameEntryDlgProc,
                               (LPARAM)text);
    return r == 1 ? 1 : 0;
}

INT_PTR EndDialogOnClose(HWND dlg, WPARAM wp, INT_PTR result) {
    if ((wp & 0xFFF0) != SC_CLOSE) return FALSE;
    EndDialog(dlg, result);
    return TRUE;
}

void RewriteDlgItemInt(HWND dlg, int id, int value, bool* writing) {
    char now[32] = {}, want[32];
    GetDlgItemTextA(dlg, id, now, sizeof now);
    std::snprintf(want, sizeof want, "%d", value);
    if (std::strcmp(now, want) == 0) return;
    *writing = true;
    SetDlgItemTextA(dlg, id, want);
    *writing = false;
}

bool HandleDialogEnd(HWND dlg, UINT msg, WPARAM wp) {
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        return true;
    }
    return msg == WM_SYSCOMMAND && EndDialogOnClose(dlg, wp, 0);
}
