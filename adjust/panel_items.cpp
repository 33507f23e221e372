#include "adjust/panel_items.h"

#include "ui/drawutil.h"

namespace {

// GWLP_USERDATA of an item: its kind, and bit 8 while it is drawn pressed.
constexpr LONG_PTR kPressedBit = 0x100;

int KindOf(HWND item) { return (int)(GetWindowLongPtrA(item, GWLP_USERDATA) & 0xFF); }

// The text centred in the box, in the panel's font.
void CentredText(const DRAWITEMSTRUCT* di, RECT box, const char* text) {
    HDC dc = di->hDC;
    HFONT font = (HFONT)SendMessageA(GetParent(di->hwndItem), WM_GETFONT, 0, 0);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, IsWindowEnabled(di->hwndItem) ? RGB(0, 0, 0) : RGB(128, 128, 128));
    DrawTextA(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace

HWND CreatePanelItem(HWND parent, PanelItemKind kind, const char* text, int x, int y, int w, int h, int id) {
    HWND item = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, y, w, h, parent,
                                (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    if (item) SetWindowLongPtrA(item, GWLP_USERDATA, kind);
    return item;
}

void SetPanelItemPressed(HWND item, int pressed) {
    if (!item) return;
    const LONG_PTR was = GetWindowLongPtrA(item, GWLP_USERDATA);
    const LONG_PTR now = pressed ? was | kPressedBit : was & ~kPressedBit;
    if (now == was) return;
    SetWindowLongPtrA(item, GWLP_USERDATA, now);
    InvalidateRect(item, nullptr, FALSE);
}

int PanelItemPressed(HWND item) { return item && (GetWindowLongPtrA(item, GWLP_USERDATA) & kPressedBit) ? 1 : 0; }

void SetPanelItemText(HWND item, const char* text) {
    if (!item) return;
    SetWindowTextA(item, text);
    InvalidateRect(item, nullptr, FALSE);
}

int DrawPanelItem(const DRAWITEMSTRUCT* di) {
    if (!di || di->CtlType != ODT_BUTTON) return 0;
    const int kind = KindOf(di->hwndItem);
    if (kind < PanelItemArrow || kind > PanelItemChoice) return 0;
    char text[64] = {};
    GetWindowTextA(di->hwndItem, text, sizeof text);
    HDC dc = di->hDC;
    const RECT& rc = di->rcItem;
    switch (kind) {
    case PanelItemArrow: {
        const int o = (di->itemState & ODS_SELECTED) ? 2 : 0;
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        DrawBitmapRes(dc, text, rc.left + o, rc.top + o, SRCCOPY);
        break;
    }
    case PanelItemLabel:
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        CentredText(di, rc, text);
        break;
    case PanelItemChoice: {
        const int pressed = PanelItemPressed(di->hwndItem);
        DrawPanelButton(di, nullptr, pressed, 1);
        const int o = pressed || (di->itemState & ODS_SELECTED) ? 1 : 0;
        CentredText(di, RECT{rc.left + o, rc.top + o, rc.right + o, rc.bottom + o}, text);
        break;
    }
    }
    return 1;
}
