#include "browser/status_bar.h"

#include <cstdio>
#include <cstring>

#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "browser/browser_frame.h"
#include "browser/file_list.h"
#include "browser/text_draw.h"
#include "resources/darnaview_ids.h"

namespace {

enum : int { kIdSelectedButton = 110, kIdCountButton = 111 };
constexpr COLORREF kRestColour = 0xC8C8C8;
constexpr COLORREF kBusyColour = 0xFFFFFF;

struct StatusState {
    char shown[256];
    char resting[256];
    COLORREF colour = kRestColour;
} g_status;

void SetShown(HWND wnd, const char* text, COLORREF colour) {
    std::snprintf(g_status.shown, sizeof g_status.shown, "%s", text);
    g_status.colour = colour;
    InvalidateRect(wnd, nullptr, FALSE);
}

void PaintStatusBar(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    DrawBevelPanel(dc, rc, PanelColour, 1);
    if (rc.right - 4 > 260) {
        FillRectColor(dc, 260, 1, rc.right - 4, rc.bottom - 1, PanelColour);
        DrawSunkenEdge(dc, 264, 1, rc.right - 4, rc.bottom - 1);
        int endX, endY;
        DrawTextAt(dc, 266, 2, 14, g_status.shown, g_status.colour, &endX, &endY);
    }
    EndPaint(wnd, &ps);
}

void DrawCountButton(const DRAWITEMSTRUCT* item) {
    std::string text = item->CtlID == kIdCountButton ? FileCountText() : [] {
        char t[64];
        std::snprintf(t, sizeof t, LoadResString(IDS_BV_SELCOUNT), g_FileList.selected);
        return std::string(t);
    }();
    RECT r = item->rcItem;
    const int press = (item->itemState & ODS_SELECTED) ? 1 : 0;
    DrawBevelPanel(item->hDC, r, PanelColour, 1);
    DrawTextFit(item->hDC, r.left + 2 + press, r.top + 2 + press, r.right - 2 + press, r.bottom - 2 + press,
                text.c_str(), 0x800000);
}

}  // namespace

std::string ProgressText(int percent) {
    char head[64];
    std::snprintf(head, sizeof head, "処理中です：%03d％完了", percent);
    std::string text = head;
    for (int i = 0; i < 10; ++i) text += i <= percent / 10 ? "■" : "□";
    return text;
}

std::string StatusBarText() { return g_status.shown; }

std::string DefaultRestingText() { return std::string("[") + g_Browser.title + "]"; }

std::string FileCountText() {
    char t[128];
    std::snprintf(t, sizeof t, LoadResString2(IDS_BV_FILECOUNT), g_FileList.count);
    return t;
}

void DrawBevelPanel(HDC dc, const RECT& r, COLORREF face, int n) {
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, face);
    auto light = [](int c) { return c >= 128 ? 255 : c + 128; };
    const COLORREF hi = RGB(light(GetRValue(face)), light(GetGValue(face)), light(GetBValue(face)));
    const COLORREF lo = RGB(GetRValue(face) / 2, GetGValue(face) / 2, GetBValue(face) / 2);
    for (int i = 0; i < n; ++i) {
        DrawLine(dc, r.left + i, r.top + i, r.right - 1 - i, r.top + i, hi);
        DrawLine(dc, r.left + i, r.top + i, r.left + i, r.bottom - 1 - i, hi);
    }
    for (int i = 0; i < n; ++i) {
        DrawLine(dc, r.left + i, r.bottom - 1 - i, r.right - i, r.bottom - 1 - i, lo);
        DrawLine(dc, r.right - 1 - i, r.top + i, r.right - 1 - i, r.bottom - i, lo);
    }
}

void UpdateSelectionCount() {
    int n = 0;
    for (int i = 0; i < g_FileList.count; ++i) n += g_FileList.flags[(size_t)i] != 0;
    g_FileList.selected = n;
    if (g_Browser.status) {
        InvalidateRect(GetDlgItem(g_Browser.status, kIdSelectedButton), nullptr, FALSE);
        InvalidateRect(GetDlgItem(g_Browser.status, kIdCountButton), nullptr, FALSE);
    }
}

void UpdateFileCount() {
    if (g_Browser.status) InvalidateRect(GetDlgItem(g_Browser.status, kIdCountButton), nullptr, FALSE);
}

LRESULT CALLBACK StatusBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        std::snprintf(g_status.resting, sizeof g_status.resting, "%s", DefaultRestingText().c_str());
        SetShown(wnd, g_status.resting, kRestColour);
        HINSTANCE inst = ((CREATESTRUCTA*)lp)->hInstance;
        CreateWindowA("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, wnd,
                      (HMENU)(INT_PTR)kIdCountButton, inst, nullptr);
        CreateWindowA("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, wnd,
                      (HMENU)(INT_PTR)kIdSelectedButton, inst, nullptr);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(GetDlgItem(wnd, kIdCountButton), 0, 0, 127, 19, TRUE);
        MoveWindow(GetDlgItem(wnd, kIdSelectedButton), 128, 0, 127, 19, TRUE);
        return 0;
    case WM_PAINT:
        PaintStatusBar(wnd);
        return 0;
    case WM_DRAWITEM:
        DrawCountButton((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_USER:
        switch (LOWORD(wp)) {
        case 0:
            SetShown(wnd, g_status.resting, kRestColour);
            break;
        case 3:
        case 8: {
            int percent = (int)lp < 0 ? 0 : (int)lp > 100 ? 100 : (int)lp;
            SetShown(wnd, ProgressText(percent).c_str(), kBusyColour);
            break;
        }
        case 14:
            if (lp && std::strcmp((const char*)lp, g_status.shown) != 0) SetShown(wnd, (const char*)lp, kBusyColour);
            break;
        case 15:
            if (lp) {
                std::snprintf(g_status.resting, sizeof g_status.resting, "%s", (const char*)lp);
                SetShown(wnd, g_status.resting, kRestColour);
            }
            break;
        default:
            break;
        }
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}
