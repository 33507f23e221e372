#include "browser/full_view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/colour_match.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/text_draw.h"
#include "resources/darnaview_ids.h"

const char kFullViewFrameClass[] = "DispScrlBaseClass";
const char kFullViewSurfaceClass[] = "DispScrlViewClass";

namespace {

constexpr int kZoomSteps[kZoomFitIndex] = {10, 20, 30, 40, 50, 80, 100, 120, 150, 200};
constexpr UINT_PTR kStepTimer = 1;
constexpr UINT_PTR kIntervalTimer = 2;
constexpr int kFrameId = 1;
constexpr int kSurfaceId = 1;

FullViewInfo g_view = {
    .dialog = nullptr, .bar = nullptr, .position = 0, .last = 0, .shownIndex = -1, .stepping = 0,
    .zoom = 100, .fit = 1, .interval = 4, .automatic = 1, .imageWidth = 0, .imageHeight = 0,
    .scrollX = 0, .scrollY = 0,
};
PackedDib g_image;
std::vector<int> g_steps;   // FileList indexes, ended by -1
DWORD g_lastStep;
DWORD (*g_clock)() = nullptr;
bool g_writingInterval;
HWND g_frame, g_surface;
int g_zoomedWidth, g_zoomedHeight, g_viewWidth, g_viewHeight;
POINT g_dragFrom;
bool g_dragging;
HCURSOR g_oldCursor;

DWORD Now() { return g_clock ? g_clock() : GetTickCount(); }

void FreeImage() {
    if (g_image) FreePackedDib(g_image);
    g_image = nullptr;
}

// The 640 x 480 black picture that stands for a file that cannot be shown.
PackedDib MakePlaceholder() {
    PackedDib dib = CreateDib24(640, 480, 24);
    if (!dib) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = 400, .biHeight = -300, .biPlanes = 1,
                    .biBitCount = 24, .biCompression = BI_RGB, .biSizeImage = 0, .biXPelsPerMeter = 0,
                    .biYPelsPerMeter = 0, .biClrUsed = 0, .biClrImportant = 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (section) {
        HGDIOBJ old = SelectObject(dc, section);
        PatBlt(dc, 0, 0, 400, 300, BLACKNESS);
        int endX, endY;
        DrawTextAt(dc, 10, 10, 16, "この画像は表示できません。", RGB(255, 255, 255), &endX, &endY);
        GdiFlush();
        const int stride = (400 * 3 + 3) & ~3;
        for (int y = 0; y < 300; ++y) PutDib24Row(dib, y, 0, 399, (const uint8_t*)bits + (size_t)y * (size_t)stride);
        SelectObject(dc, old);
        DeleteObject(section);
    }
    if (dc) DeleteDC(dc);
    return dib;
}

void FitZoomInto(int boxWidth, int boxHeight) {
    if (!g_image) return;
    int w, h;
    FitReduceToBox(g_image->biWidth, g_image->biHeight, boxWidth, boxHeight, &w, &h);
    g_view.zoom = (int)((int64_t)w * 100 / g_image->biWidth);
    if (g_view.zoom < 1) g_view.zoom = 1;
}

void ClientSize(HWND wnd, int* w, int* h) {
    RECT r = {};
    if (wnd) GetClientRect(wnd, &r);
    *w = r.right;
    *h = r.bottom;
}

// Clamps the scroll positions, sets the bars, and places the surface.
void SetFullViewScroll() {
    if (!g_frame || !g_image) return;
    g_zoomedWidth = (int)((int64_t)g_image->biWidth * g_view.zoom / 100);
    g_zoomedHeight = (int)((int64_t)g_image->biHeight * g_view.zoom / 100);
    if (g_zoomedWidth < 1) g_zoomedWidth = 1;
    if (g_zoomedHeight < 1) g_zoomedHeight = 1;
    // Both bars are shown or hidden by their ranges; take the view as the
    // client area less any bar shown.
    ClientSize(g_frame, &g_viewWidth, &g_viewHeight);
    auto clamp = [](int pos, int zoomed, int view) {
        const int most = zoomed > view ? zoomed - view : 0;
        return pos < 0 ? 0 : pos > most ? most : pos;
    };
    g_view.scrollX = clamp(g_view.scrollX, g_zoomedWidth, g_viewWidth);
    g_view.scrollY = clamp(g_view.scrollY, g_zoomedHeight, g_viewHeight);
    SCROLLINFO si = {.cbSize = sizeof(SCROLLINFO), .fMask = SIF_RANGE | SIF_PAGE | SIF_POS, .nMin = 0,
                     .nMax = g_zoomedWidth, .nPage = (UINT)g_viewWidth, .nPos = g_view.scrollX, .nTrackPos = 0};
    SetScrollInfo(g_frame, SB_HORZ, &si, TRUE);
    si.nMax = g_zoomedHeight;
    si.nPage = (UINT)g_viewHeight;
    si.nPos = g_view.scrollY;
    SetScrollInfo(g_frame, SB_VERT, &si, TRUE);
    ClientSize(g_frame, &g_viewWidth, &g_viewHeight);
    g_view.scrollX = clamp(g_view.scrollX, g_zoomedWidth, g_viewWidth);
    g_view.scrollY = clamp(g_view.scrollY, g_zoomedHeight, g_viewHeight);
    const int ox = g_zoomedWidth < g_viewWidth ? (g_viewWidth - g_zoomedWidth) / 2 : 0;
    const int oy = g_zoomedHeight < g_viewHeight ? (g_viewHeight - g_zoomedHeight) / 2 : 0;
    MoveWindow(g_surface, ox - g_view.scrollX, oy - g_view.scrollY, g_zoomedWidth, g_zoomedHeight, TRUE);
}

bool SmallerThanView() { return g_zoomedWidth < g_viewWidth && g_zoomedHeight < g_viewHeight; }

void NoteImage() {
    g_view.imageWidth = g_image ? g_image->biWidth : 0;
    g_view.imageHeight = g_image ? g_image->biHeight : 0;
}

// Loads the step list's entry at the current position (the placeholder when
// it cannot be read) and lays the view out.
void ShowFullViewImage(HWND dlg) {
    FreeImage();
    const int index = g_steps.empty() ? -1 : g_steps[(size_t)g_view.position];
    if (index >= 0 && index < g_FileList.count) g_image = ReadImageToDib24(g_FileList.paths[(size_t)index].c_str());
    g_view.shownIndex = g_image ? index : -1;
    if (!g_image) g_image = MakePlaceholder();
    if (!g_image) return;
    NoteImage();
    ApplyColourMatch(g_image, dlg);
    if (g_view.fit) {
        int w, h;
        ClientSize(g_frame, &w, &h);
        FitZoomInto(w, h);
    }
    g_view.scrollX = g_view.scrollY = 0;
    SetFullViewScroll();
    if (SmallerThanView()) InvalidateRect(dlg, nullptr, TRUE);
    InvalidateRect(g_surface, nullptr, FALSE);
    g_lastStep = Now();
}

void LayoutView(HWND dlg) {
    int w, h;
    ClientSize(dlg, &w, &h);
    if (g_view.bar) MoveWindow(g_view.bar, 0, h - kBarHeight, w, kBarHeight, TRUE);
    if (g_frame) MoveWindow(g_frame, 0, 0, w, h - kBarHeight > 0 ? h - kBarHeight : 0, TRUE);
    SetFullViewScroll();
}

void ScrollTo(int x, int y) {
    const int oldX = g_view.scrollX, oldY = g_view.scrollY;
    g_view.scrollX = x;
    g_view.scrollY = y;
    SetFullViewScroll();
    if (oldX != g_view.scrollX || oldY != g_view.scrollY) UpdateWindow(g_frame);
}

int ScrollCode(int code, int pos, int track, int line, int page) {
    switch (code) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return track;
    default: return pos;
    }
}

void EndView(int result) {
    if (g_view.dialog) EndDialog(g_view.dialog, result);
}

LRESULT CALLBACK SurfaceProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (g_image) {
            const int h = g_image->biHeight;
            if (g_view.zoom == 100) {
                SetDIBitsToDevice(dc, 0, 0, (DWORD)g_image->biWidth, (DWORD)h, 0, 0, 0, (UINT)h,
                                  GetPackedDibBits(g_image), (const BITMAPINFO*)g_image, DIB_RGB_COLORS);
            } else {
                const int old = SetStretchBltMode(dc, COLORONCOLOR);
                StretchDIBits(dc, 0, 0, g_zoomedWidth, g_zoomedHeight, 0, 0, g_image->biWidth, h,
                              GetPackedDibBits(g_image), (const BITMAPINFO*)g_image, DIB_RGB_COLORS, SRCCOPY);
                SetStretchBltMode(dc, old);
            }
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        g_dragFrom = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(wnd, &g_dragFrom);
        g_dragging = true;
        g_oldCursor = SetCursor(LoadCursorA(g_Browser.instance, "hand") ? LoadCursorA(g_Browser.instance, "hand")
                                                                       : LoadCursor(nullptr, IDC_HAND));
        SetCapture(wnd);
        return 0;
    case WM_MOUSEMOVE:
        if (g_dragging) {
            POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ClientToScreen(wnd, &p);
            ScrollTo(g_view.scrollX + g_dragFrom.x - p.x, g_view.scrollY + g_dragFrom.y - p.y);
            g_dragFrom = p;
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (g_dragging) {
            g_dragging = false;
            SetCursor(g_oldCursor);
            if (msg == WM_LBUTTONUP) ReleaseCapture();
        }
        return 0;
    case WM_RBUTTONDOWN:
        EndView(1);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
        SCROLLINFO si = {.cbSize = sizeof(SCROLLINFO), .fMask = SIF_TRACKPOS, .nMin = 0, .nMax = 0, .nPage = 0,
                         .nPos = 0, .nTrackPos = 0};
        const bool h = msg == WM_HSCROLL;
        GetScrollInfo(wnd, h ? SB_HORZ : SB_VERT, &si);
        const int code = LOWORD(wp);
        if (h) ScrollTo(ScrollCode(code, g_view.scrollX, si.nTrackPos, 1, 10), g_view.scrollY);
        else ScrollTo(g_view.scrollX, ScrollCode(code, g_view.scrollY, si.nTrackPos, 1, 10));
        return 0;
    }
    case WM_RBUTTONDOWN:
        EndView(1);
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(wnd, &r);
        FillRect((HDC)wp, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

// ---- the bar ivm_disp

void WriteInterval(HWND bar) { RewriteDlgItemInt(bar, IDC_BV_DISP_INTERVAL, g_view.interval, &g_writingInterval); }

void EnableInterval(HWND bar) {
    EnableWindow(GetDlgItem(bar, IDC_BV_DISP_INTERVAL), g_view.automatic);
    EnableWindow(GetDlgItem(bar, IDC_BV_DISP_ISPIN), g_view.automatic);
}

INT_PTR CALLBACK BarProc(HWND bar, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        char text[64];
        for (int step : kZoomSteps) {
            std::snprintf(text, sizeof text, "%d %%", step);
            SendDlgItemMessageA(bar, IDC_BV_DISP_ZOOM, CB_ADDSTRING, 0, (LPARAM)text);
        }
        if (!LoadStringA(g_Browser.instance, IDS_BV_ZOOM_FIT, text, sizeof text)) std::strcpy(text, "fit");
        SendDlgItemMessageA(bar, IDC_BV_DISP_ZOOM, CB_ADDSTRING, 0, (LPARAM)text);
        SendDlgItemMessageA(bar, IDC_BV_DISP_ZOOM, CB_SETCURSEL, kZoomFitIndex, 0);
        g_view.fit = 1;
        if (!g_view.stepping) {
            for (int id : {IDC_BV_DISP_PREV, IDC_BV_DISP_NEXT, IDC_BV_DISP_AUTO, IDC_BV_DISP_INTERVAL,
                           IDC_BV_DISP_ISPIN, IDC_BV_DISP_ILABEL})
                SetWindowPos(GetDlgItem(bar, id), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
            g_view.automatic = 0;
        }
        CheckDlgButton(bar, IDC_BV_DISP_AUTO, g_view.automatic ? BST_CHECKED : BST_UNCHECKED);
        SendDlgItemMessageA(bar, IDC_BV_DISP_ISPIN, UDM_SETRANGE32, 1, 100);
        SendDlgItemMessageA(bar, IDC_BV_DISP_ISPIN, UDM_SETPOS32, 0, g_view.interval);
        g_writingInterval = true;
        SetWindowInt(GetDlgItem(bar, IDC_BV_DISP_INTERVAL), g_view.interval);
        g_writingInterval = false;
        EnableInterval(bar);
        return TRUE;
    }
    case WM_COMMAND: {
        if (g_writingInterval) return TRUE;
        const int id = LOWORD(wp), code = HIWORD(wp);
        HWND dlg = g_view.dialog;
        switch (id) {
        case IDC_BV_DISP_ZOOM:
            if (code == CBN_SELCHANGE) {
                const int i = (int)SendDlgItemMessageA(bar, IDC_BV_DISP_ZOOM, CB_GETCURSEL, 0, 0);
                if (i == kZoomFitIndex) {
                    int w, h;
                    ClientSize(g_frame, &w, &h);
                    FitZoomInto(w, h);
                    g_view.fit = 1;
                } else if (i >= 0 && i < kZoomFitIndex) {
                    g_view.zoom = kZoomSteps[i];
                    g_view.fit = 0;
                }
                SendMessageA(dlg, kMsgViewZoom, 0, 0);
            }
            return TRUE;
        case IDC_BV_DISP_CLOSE:
            EndView(1);
            return TRUE;
        case IDC_BV_DISP_PREV:
            SendMessageA(dlg, kMsgViewPrevious, 0, 0);
            return TRUE;
        case IDC_BV_DISP_NEXT:
            SendMessageA(dlg, kMsgViewNext, 0, 0);
            return TRUE;
        case IDC_BV_DISP_AUTO:
            g_view.automatic = !g_view.automatic;
            CheckDlgButton(bar, IDC_BV_DISP_AUTO, g_view.automatic ? BST_CHECKED : BST_UNCHECKED);
            EnableInterval(bar);
            return TRUE;
        case IDC_BV_DISP_INTERVAL:
            if (code == EN_CHANGE) {
                ReadDlgItemInt(bar, IDC_BV_DISP_INTERVAL, &g_view.interval, 100, 1);
                KillTimer(bar, kIntervalTimer);
                SetTimer(bar, kIntervalTimer, 500, nullptr);
            }
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_TIMER:
        if (wp == kIntervalTimer) {
            KillTimer(bar, kIntervalTimer);
            WriteInterval(bar);
        }
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* h = (const NMHDR*)lp;
        if (h->idFrom != IDC_BV_DISP_ISPIN || h->code != UDN_DELTAPOS) return FALSE;
        const int v = g_view.interval + ((const NMUPDOWN*)lp)->iDelta;
        g_view.interval = v < 1 ? 1 : v > 100 ? 100 : v;
        WriteInterval(bar);
        SetWindowLongPtrA(bar, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_RBUTTONDOWN:
        EndView(1);
        return TRUE;
    case WM_DESTROY:
        KillTimer(bar, kIntervalTimer);
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- the view dra_disp2

void Step(HWND dlg, int delta) {
    if (!g_view.stepping) return;
    int p = g_view.position + delta;
    if (p < 0) p = g_view.last;
    if (p > g_view.last) p = 0;
    g_view.position = p;
    ShowFullViewImage(dlg);
}

INT_PTR CALLBACK ViewProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_view.dialog = dlg;
        g_view.bar = CreateDialogParamA(g_Browser.instance, "ivm_disp", dlg, BarProc, 0);
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        if (g_view.fit) FitZoomInto(sw, sh - kBarHeight);
        g_frame = CreateWindowExA(0, kFullViewFrameClass, "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL |
                                  WS_CLIPCHILDREN, 0, 0, 0, 0, dlg, (HMENU)(INT_PTR)kFrameId, g_Browser.instance, nullptr);
        g_surface = CreateWindowExA(0, kFullViewSurfaceClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, g_frame,
                                    (HMENU)(INT_PTR)kSurfaceId, g_Browser.instance, nullptr);
        SetWindowPos(dlg, HWND_TOP, 0, 0, sw, sh, 0);
        LayoutView(dlg);
        SetTimer(dlg, kStepTimer, 500, nullptr);
        g_lastStep = Now();
        return TRUE;
    }
    case WM_SIZE:
        LayoutView(dlg);
        return TRUE;
    case WM_TIMER:
        if (wp == kStepTimer && g_view.automatic && Now() - g_lastStep > (DWORD)g_view.interval * 1000u)
            SendMessageA(dlg, kMsgViewNext, 0, 0);
        return TRUE;
    case kMsgViewPrevious:
        Step(dlg, -1);
        return TRUE;
    case kMsgViewNext:
        Step(dlg, 1);
        return TRUE;
    case kMsgViewReload:
        ShowFullViewImage(dlg);
        return TRUE;
    case kMsgViewZoom:
        SetFullViewScroll();
        if (SmallerThanView()) InvalidateRect(dlg, nullptr, TRUE);
        InvalidateRect(g_surface, nullptr, FALSE);
        return TRUE;
    case WM_RBUTTONDOWN:
        EndDialog(dlg, 1);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) EndDialog(dlg, 1);
        else if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(dlg, &r);
        FillRect((HDC)wp, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return TRUE;
    }
    case WM_DESTROY:
        KillTimer(dlg, kStepTimer);
        if (g_view.bar) DestroyWindow(g_view.bar);
        g_view.bar = nullptr;
        g_frame = g_surface = nullptr;
        g_view.dialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void FitReduceToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    if (width <= boxWidth && height <= boxHeight) {
        *outWidth = width;
        *outHeight = height;
        return;
    }
    ScaleSizeToBox(width, height, boxWidth, boxHeight, outWidth, outHeight);
}

int RegisterFullViewClasses(HINSTANCE instance) {
    const struct {
        const char* name;
        WNDPROC proc;
    } rows[] = {{kFullViewFrameClass, FrameProc}, {kFullViewSurfaceClass, SurfaceProc}};
    for (const auto& row : rows) {
        WNDCLASSEXA wc = {};
        if (GetClassInfoExA(instance, row.name, &wc)) continue;
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = row.proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
        wc.lpszClassName = row.name;
        if (!RegisterClassExA(&wc)) return 0;
    }
    return 1;
}

const BITMAPINFOHEADER* FullViewImage() { return g_image; }

const FullViewInfo& GetFullViewInfo() { return g_view; }

void SetFullViewClock(DWORD (*clock)()) { g_clock = clock; }

int ShowFullView(HWND owner, const char* path) {
    if (!RegisterFullViewClasses(g_Browser.instance)) return 0;
    g_view.fit = 1;
    g_view.stepping = 0;
    g_view.position = 0;
    g_steps.clear();
    FreeImage();
    if (path) {
        g_image = ReadImageToDib24(path);
        g_view.shownIndex = -1;
        g_view.last = 0;
    } else {
        for (int i = 0; i < g_FileList.count; ++i)
            if (g_FileList.flags[(size_t)i]) g_steps.push_back(i);
        if (g_steps.empty()) return 0;
        g_view.last = (int)g_steps.size() - 1;
        // Start on the selected file last pointed at, so that the first
        // "next" moves on from the picture shown.
        for (int p = 0; p <= g_view.last; ++p)
            if (g_steps[(size_t)p] == g_FileList.anchor) g_view.position = p;
        g_steps.push_back(-1);
        const int index = g_steps[(size_t)g_view.position];
        g_image = ReadImageToDib24(g_FileList.paths[(size_t)index].c_str());
        g_view.shownIndex = index;
        if (g_view.last > 0) g_view.stepping = 1;
    }
    if (!g_image) return 0;
    NoteImage();
    ApplyColourMatch(g_image, owner);
    const int result = (int)RunModalDialog(g_Browser.instance, "dra_disp2", owner, ViewProc, 0);
    FreeImage();
    return result == 1 ? 1 : 0;
}
