#include "ui/msgbox.h"

#include <cstdio>
#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/ui_hook.h"
#include "resources/msgbox_ids.h"

const char kAppTitle[] = "Darna Studio for Tabrix";

namespace {

// The request of the box that is up (the box is modal: one at a time).
const char* g_text = nullptr;
const char* g_caption = nullptr;
unsigned g_kind = 0;

HWND g_owner = nullptr;
HWND g_panels[kPanelCount] = {};

const char* const kTemplates[4] = {"dra_msgbox", "dra_msgbox_yn", "dra_msgbox_oc",
                                   "dra_msgbox_ync"};

const char kListProcProp[] = "DarnaMsgListProc";

constexpr size_t kLineMax = 255;   // a list line holds at most 255 bytes

bool IsLead932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Adds the text to list box 100, one entry per CR LF-separated line. A line
// longer than 255 bytes goes on in the next entry (never splitting a character).
void FillTextLines(HWND list, const char* text) {
    if (!text) return;
    char line[kLineMax + 1];
    size_t len = 0;
    int pos = 0;
    auto flush = [&] {
        line[len] = '\0';
        SendMessageA(list, LB_INSERTSTRING, (WPARAM)pos++, (LPARAM)line);
        len = 0;
    };
    const unsigned char* p = (const unsigned char*)text;
    while (*p) {
        if (p[0] == '\r' && p[1] == '\n') {
            flush();
            p += 2;
            continue;
        }
        size_t n = (IsLead932(p[0]) && p[1]) ? 2 : 1;
        if (len + n > kLineMax) flush();
        std::memcpy(line + len, p, n);
        len += n;
        p += n;
        if (!*p) flush();
    }
}

// Widens the box so that its widest line shows whole (the lines are not
// wrapped): the list grows by the missing width and the buttons move right with
// the box's right edge, up to the width of the screen's work area.
void FitBoxToLines(HWND dlg, HWND list) {
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) return;
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    int widest = 0;
    char line[kLineMax + 1];
    for (int i = 0; i < count; ++i) {
        int len = (int)SendMessageA(list, LB_GETTEXTLEN, i, 0);
        if (len <= 0 || len > (int)kLineMax) continue;
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
        SIZE size = {};
        if (GetTextExtentPoint32A(dc, line, len, &size) && size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);

    RECT client;
    GetClientRect(list, &client);
    const int margin = 8;   // the entries' own left inset and a little room on the right
    int delta = widest + margin - client.right;
    if (delta <= 0) return;
    RECT box, work;
    GetWindowRect(dlg, &box);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) GetWindowRect(GetDesktopWindow(), &work);
    const int room = (work.right - work.left) - (box.right - box.left);
    if (delta > room) delta = room;
    if (delta <= 0) return;

    SetWindowPos(dlg, nullptr, 0, 0, box.right - box.left + delta, box.bottom - box.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rc;
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, dlg, (POINT*)&rc, 2);
        if (child == list)
            SetWindowPos(child, nullptr, 0, 0, rc.right - rc.left + delta, rc.bottom - rc.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(child, nullptr, rc.left + delta, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

LRESULT CALLBACK MessageBoxListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC old = (WNDPROC)GetPropA(wnd, kListProcProp);
    if (msg == WM_LBUTTONDOWN) return 0;   // clicks select nothing
    if (msg == WM_NCDESTROY && old) {
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, (LONG_PTR)old);
        RemovePropA(wnd, kListProcProp);
    }
    return old ? CallWindowProcA(old, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

INT_PTR CALLBACK MessageBoxDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dlg, IDC_MSGBOX_LIST);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        FillTextLines(list, g_text);
        if (list) FitBoxToLines(dlg, list);
        SetWindowTextA(dlg, g_caption ? g_caption : "");
        CenterWindow(dlg);
        if (list) {
            LONG_PTR old = SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)MessageBoxListProc);
            SetPropA(list, kListProcProp, (HANDLE)old);
        }
        int focus = (g_kind == kMsgYesNo || g_kind == kMsgYesNoCancel) ? IDYES : IDOK;
        SetFocus(GetDlgItem(dlg, focus));
        return FALSE;   // the focus is set here
    }
    case WM_PAINT:
        PaintDialogWithFrame(dlg);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) {
            EndDialog(dlg, id);
            return TRUE;
        }
        return FALSE;
    }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, IDCANCEL);
    }
    return FALSE;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, unsigned kind) {
    g_text = text;
    g_caption = caption;
    g_kind = kind;
    EnablePanels(FALSE);
    int result = 0;
    if (kind <= kMsgYesNoCancel) {
        RecordMessageBoxShown(text, caption, (int)kind);
        ModalMessageInfo info = {text, caption, (int)kind};
        result = (int)RunModalDialog(GetModuleHandleA(nullptr), kTemplates[kind], owner,
                                     MessageBoxDlgProc, 0, &info);
        RecordMessageBoxResult(result);
    }
    EnablePanels(TRUE);
    g_text = nullptr;
    g_caption = nullptr;
    return result;
}

namespace {

const char* LoadInto(char* buf, int id, const char* errFormat) {
    buf[0] = '\0';   // a failed load leaves an empty string, not the previous one
    int n = LoadStringA(GetModuleHandleA(nullptr), (UINT)id, buf, 250);
    if (n <= 0) {
        char work[256];
        std::snprintf(work, sizeof work, errFormat, id);
        ShowMessageBox(g_owner, work, kAppTitle, kMsgOk);
    }
    return buf;
}

}  // namespace

const char* LoadResString(int id) {
    static char buf[256];
    return LoadInto(buf, id, "id[%d]LoadString error");
}

const char* LoadResString2(int id) {
    static char buf[256];
    return LoadInto(buf, id, "id[%d]LoadString2 error");
}

void SetMessageBoxOwner(HWND owner) { g_owner = owner; }
HWND GetMessageBoxOwner() { return g_owner; }

void SetPanelWindow(PanelSlot slot, HWND wnd) {
    if (slot >= 0 && slot < kPanelCount) g_panels[slot] = wnd;
}

void EnablePanels(BOOL enable) {
    for (HWND w : g_panels)
        if (w && IsWindow(w)) EnableWindow(w, enable);
}
