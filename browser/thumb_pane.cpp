#include "browser/thumb_pane.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/browser_settings.h"
#include "browser/colour_match.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/handover_send.h"
#include "browser/status_bar.h"
#include "browser/toolbar.h"
#include "browser/text_draw.h"
#include "fileio/thumb_cache.h"
#include "resources/darnaview_ids.h"

namespace {

constexpr UINT_PTR kLoaderTimerFirst = 0;
constexpr UINT kLoaderPeriodMs = 20;

UINT_PTR g_timer;
bool g_timerRunning;
ThumbGrid g_grid;
unsigned g_generation;             // changes with every refresh
std::vector<char> g_knownCached;   // entries found cached (or being made) since the refresh
std::vector<char> g_attempts;      // thumbnails made for each entry since the refresh

// What one loader thread works on: its own copies.
struct LoaderJob {
    std::string path;
    int index;
    int boxWidth, boxHeight;
    HWND pane;
    unsigned generation;
};

DWORD WINAPI ThumbLoaderThread(void* param) {
    std::unique_ptr<LoaderJob> job((LoaderJob*)param);
    PackedDib thumb = MakeThumbnail(job->path.c_str(), job->boxWidth, job->boxHeight);
    if (thumb) {
        ApplyColourMatch(thumb, job->pane);
        StoreThumbCache(job->path.c_str(), thumb, kThumbCacheSet);
        FreePackedDib(thumb);
    }
    PostMessageA(job->pane, kMsgThumbReady, (WPARAM)job->index, (LPARAM)job->generation);
    return 0;
}

bool LoaderRunning() {
    if (!g_FileList.loader) return false;
    if (WaitForSingleObject(g_FileList.loader, 0) == WAIT_TIMEOUT) return true;
    CloseHandle(g_FileList.loader);
    g_FileList.loader = nullptr;
    return false;
}

void StartNextLoader(HWND pane) {
    if (g_FileList.busy || LoaderRunning()) return;
    const int first = g_grid.topRow * (g_grid.columns > 0 ? g_grid.columns : 1);
    for (int i = first; i < g_FileList.count; ++i) {
        if (g_knownCached[(size_t)i]) continue;
        const std::string& path = g_FileList.paths[(size_t)i];
        if (HasThumbCache(path.c_str(), kThumbCacheSet)) {
            g_knownCached[(size_t)i] = 1;
            continue;
        }
        LoaderJob* job = new LoaderJob{path, i, 0, 0, pane, g_generation};
        ThumbBoxSize(g_BrowserSettings.cellWidth, g_BrowserSettings.cellHeight, &job->boxWidth, &job->boxHeight);
        DWORD id;
        g_FileList.loader = CreateThread(nullptr, 0, ThumbLoaderThread, job, 0, &id);
        if (!g_FileList.loader) {
            delete job;
        } else {
            g_knownCached[(size_t)i] = 1;
            ++g_attempts[(size_t)i];
        }
        return;
    }
}

void DestroyCells() {
    for (HWND cell : g_FileList.cells)
        if (cell) DestroyWindow(cell);
    g_FileList.cells.clear();
}

int CellIndex(HWND cell) { return (int)GetDlgCtrlID(cell); }
bool ValidIndex(int i) { return i >= 0 && i < g_FileList.count; }

void LayoutCells(HWND pane) {
    RECT rc;
    GetClientRect(pane, &rc);
    const int W = g_BrowserSettings.cellWidth, H = g_BrowserSettings.cellHeight;
    g_grid = ComputeThumbGrid(g_FileList.count, rc.right, rc.bottom, W, H, g_grid.topRow);
    HDWP defer = BeginDeferWindowPos(g_FileList.count > 0 ? g_FileList.count : 1);
    for (int i = 0; i < g_FileList.count; ++i) {
        const int x = (i % g_grid.columns) * W, y = (i / g_grid.columns - g_grid.topRow) * H;
        if (defer) defer = DeferWindowPos(defer, g_FileList.cells[(size_t)i], nullptr, x, y, W, H, SWP_NOZORDER | SWP_NOACTIVATE);
        else MoveWindow(g_FileList.cells[(size_t)i], x, y, W, H, TRUE);
    }
    if (defer) EndDeferWindowPos(defer);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = g_grid.rows;
    si.nPage = (UINT)g_grid.visibleRows;
    si.nPos = g_grid.topRow;
    SetScrollInfo(pane, SB_VERT, &si, TRUE);
}

void ScrollPane(HWND pane, int code) {
    int step = 0;
    const int maxTop = g_grid.rows - g_grid.visibleRows;
    switch (code) {
    case SB_LINEUP: step = -1; break;
    case SB_LINEDOWN: step = 1; break;
    case SB_PAGEUP: step = -4; break;
    case SB_PAGEDOWN: step = 4; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(pane, SB_VERT, &si);
        step = si.nTrackPos - g_grid.topRow;
        break;
    }
    case SB_TOP: step = -g_grid.topRow; break;
    case SB_BOTTOM: step = maxTop - g_grid.topRow; break;
    default: break;
    }
    if (step < -g_grid.topRow) step = -g_grid.topRow;
    if (step > maxTop - g_grid.topRow) step = maxTop - g_grid.topRow;
    if (step == 0) return;
    g_grid.topRow += step;
    ScrollWindow(pane, 0, -step * g_BrowserSettings.cellHeight, nullptr, nullptr);
    LayoutCells(pane);
}

COLORREF Rgb(int r, int g, int b) { return RGB(r, g, b); }

void PaintThumbCell(HWND cell) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(cell, &ps);
    RECT rc;
    GetClientRect(cell, &rc);
    const int w = rc.right, h = rc.bottom, index = CellIndex(cell);
    const bool selected = ValidIndex(index) && g_FileList.flags[(size_t)index];
    RECT whole = {0, 0, w, h};
    DrawBevelPanel(dc, whole, selected ? Rgb(181, 220, 242) : Rgb(245, 248, 249), 1);
    if (selected) DrawRectOutline(dc, 0, 0, w - 1, h - 15, Rgb(38, 153, 216));
    RECT strip = {0, h - 14, w, h};
    DrawBevelPanel(dc, strip, selected ? Rgb(38, 153, 216) : Rgb(185, 208, 222), 1);
    if (ValidIndex(index)) {
        const std::string& path = g_FileList.paths[(size_t)index];
        const char* slash = FindLastBackslash(path.c_str());
        int endX, endY;
        HRGN clip = CreateRectRgn(0, 0, w - 1, h);
        SelectClipRgn(dc, clip);
        DrawTextAt(dc, 2, h - 13, 12, slash ? slash + 1 : path.c_str(), selected ? 0xFFFFFF : 0, &endX, &endY);
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
        PackedDib thumb = LoadThumbCache(path.c_str(), kThumbCacheSet);
        if (thumb) {
            DrawPackedDib(thumb, dc, (w - thumb->biWidth) / 2, (h - thumb->biHeight - 16) / 2);
            FreePackedDib(thumb);
        } else if (g_attempts[(size_t)index] < 2) {
            // Gone or damaged: made once more (an entry that cannot be written
            // is not tried for ever).
            g_knownCached[(size_t)index] = 0;
        }
    }
    EndPaint(cell, &ps);
}

void RepaintCell(int index) {
    if (ValidIndex(index) && g_FileList.cells[(size_t)index]) InvalidateRect(g_FileList.cells[(size_t)index], nullptr, FALSE);
}

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

void ThumbBoxSize(int cellWidth, int cellHeight, int* boxWidth, int* boxHeight) {
    *boxWidth = 4 * cellWidth / 5;
    *boxHeight = (4 * cellHeight - 64) / 5;
    if (*boxWidth < 1) *boxWidth = 1;
    if (*boxHeight < 1) *boxHeight = 1;
}

PackedDib MakeThumbnail(const char* path, int boxWidth, int boxHeight) {
    PackedDib thumb = nullptr;
    if (PackedDib quick = ReadFastImage24(path)) {
        thumb = fit_dib_to_box(quick, boxWidth, boxHeight);
        FreePackedDib(quick);
    }
    // The whole picture is sampled down while it is read: a very large one
    // never has to fit in memory.
    if (!thumb) thumb = ReadImageFittedToBox24(path, boxWidth, boxHeight);
    return thumb ? thumb : CreateDib24(boxWidth, boxHeight, 24);   // black: not tried again
}

ThumbGrid ComputeThumbGrid(int count, int clientWidth, int clientHeight, int cellWidth, int cellHeight, int topRow) {
    ThumbGrid g;
    g.columns = cellWidth > 0 ? clientWidth / cellWidth : 1;
    if (g.columns < 1) g.columns = 1;
    g.rows = (count + g.columns - 1) / g.columns;
    g.visibleRows = cellHeight > 0 ? clientHeight / cellHeight : 0;
    if (topRow < 0) topRow = 0;
    if (topRow > g.rows - g.visibleRows) topRow = g.rows - g.visibleRows;
    g.topRow = topRow < 0 ? 0 : topRow;
    return g;
}

ThumbGrid CurrentThumbGrid() { return g_grid; }

std::vector<int> CellRectangle(int anchor, int index, int columns, int count) {
    std::vector<int> cells;
    if (columns < 1 || anchor < 0 || index < 0) return cells;
    const int r0 = std::min(anchor / columns, index / columns), r1 = std::max(anchor / columns, index / columns);
    const int c0 = std::min(anchor % columns, index % columns), c1 = std::max(anchor % columns, index % columns);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            if (r * columns + c < count) cells.push_back(r * columns + c);
    return cells;
}

void SetThumbTimer(HWND pane, int stop) {
    if (stop) {
        if (g_timerRunning) KillTimer(pane, g_timer);
        g_timerRunning = false;
        return;
    }
    if (g_timerRunning) return;
    for (UINT_PTR id = kLoaderTimerFirst; id < 30000; ++id) {
        if (SetTimer(pane, id, kLoaderPeriodMs, nullptr)) {
            g_timer = id;
            g_timerRunning = true;
            return;
        }
    }
}

void WaitThumbLoader() {
    if (!g_FileList.loader) return;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &g_FileList.loader, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);   // answers sent messages only
    }
    CloseHandle(g_FileList.loader);
    g_FileList.loader = nullptr;
}

void PauseThumbLoader() {
    ++g_FileList.busy;
    WaitThumbLoader();
}

void ResumeThumbLoader() {
    if (g_FileList.busy > 0) --g_FileList.busy;
}

int CheckFolderUsable(const char* path) {
    if (!path || !*path) return 0;
    int ok;
    if (path[0] == '\\' && path[1] == '\\') {
        ok = 1;
    } else if (std::strlen(path) <= 3 && path[1] == ':') {
        DWORD a, b, c, d;
        ok = GetDiskFreeSpaceA(path, &a, &b, &c, &d) ? 1 : 0;
    } else {
        ok = IsDirectory(path) == 1;
    }
    if (!ok) BrowserMessage(g_Browser.frame, "このフォルダは無効または参照できません。", kMsgOk);
    return ok;
}

void ScrollCellIntoView(HWND pane, int index) {
    if (!ValidIndex(index) || g_grid.columns < 1) return;
    const int row = index / g_grid.columns, visible = g_grid.visibleRows > 0 ? g_grid.visibleRows : 1;
    int top = g_grid.topRow;
    if (row < top) top = row;
    else if (row >= top + visible) top = row - visible + 1;
    if (top == g_grid.topRow) return;
    g_grid.topRow = top;
    LayoutCells(pane);   // keeps the top row within the grid
    InvalidateRect(pane, nullptr, TRUE);
}

int RefreshFileList(HWND pane, int addToHistory) {
    SetThumbTimer(pane, 1);
    WaitThumbLoader();
    const int wasBusy = g_FileList.busy;
    g_FileList.busy = 1;
    ++g_generation;
    bool capped = false;
    std::vector<std::string> paths = ListFolderFiles(g_CurrentFolder, g_PatternList, g_BrowserSettings.sortOrder, &capped);
    DestroyCells();
    g_FileList.paths = std::move(paths);
    g_FileList.count = (int)g_FileList.paths.size();
    g_FileList.capped = capped;
    g_FileList.flags.assign((size_t)g_FileList.count, 0);
    g_FileList.cells.assign((size_t)g_FileList.count, nullptr);
    g_FileList.selected = 0;
    g_FileList.anchor = -1;
    g_knownCached.assign((size_t)g_FileList.count, 0);
    g_attempts.assign((size_t)g_FileList.count, 0);
    g_grid = ThumbGrid{1, 0, 0, 0};
    HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(pane, GWLP_HINSTANCE);
    for (int i = 0; i < g_FileList.count; ++i)
        g_FileList.cells[(size_t)i] = CreateWindowA(kThumbCellClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, pane,
                                                     (HMENU)(INT_PTR)i, inst, nullptr);
    RECT rc;
    GetClientRect(pane, &rc);
    SendMessageA(pane, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    InvalidateRect(pane, nullptr, TRUE);
    SetThumbTimer(pane, 0);
    UpdateSelectionCount();
    UpdateFileCount();
    if (g_Browser.status) {
        char note[128];
        wsprintfA(note, "ファイルが多いため、先頭の%d個だけを表示しています", kFileListMax);
        std::string rest = capped ? std::string(note) : DefaultRestingText();
        SendMessageA(g_Browser.status, WM_USER, 15, (LPARAM)rest.c_str());
    }
    if (addToHistory && g_CurrentFolder[0]) {
        InsertFolderHistory(g_CurrentFolder);
        FillHistoryCombo();
    }
    g_FileList.busy = wasBusy;
    return 1;
}

void SetCellSelected(int index, int selected) {
    if (!ValidIndex(index)) return;
    if ((g_FileList.flags[(size_t)index] != 0) != (selected != 0)) {
        g_FileList.flags[(size_t)index] = selected ? 1 : 0;
        RepaintCell(index);
    }
}

void RepaintAllCells() {
    for (int i = 0; i < g_FileList.count; ++i) RepaintCell(i);
}

void SelectCell(HWND cell) {
    const int index = CellIndex(cell);
    if (!ValidIndex(index)) return;
    POINT press;
    GetPolledCursorPos(&press);
    while (IsLeftButtonDown()) {
        POINT now;
        GetPolledCursorPos(&now);
        if (std::abs(now.x - press.x) > 4 || std::abs(now.y - press.y) > 4) {
            if (!g_FileList.flags[(size_t)index]) {
                for (int i = 0; i < g_FileList.count; ++i) SetCellSelected(i, i == index);
            }
            UpdateSelectionCount();
            TrackCellDrag(cell);
            return;
        }
    }
    if (ShiftDown()) {
        if (g_FileList.anchor < 0) return;
        for (int i : CellRectangle(g_FileList.anchor, index, g_grid.columns, g_FileList.count)) SetCellSelected(i, 1);
        g_FileList.anchor = index;
    } else {
        if (!CtrlDown())
            for (int i = 0; i < g_FileList.count; ++i)
                if (i != index) SetCellSelected(i, 0);
        SetCellSelected(index, !g_FileList.flags[(size_t)index]);
        g_FileList.anchor = index;
    }
    UpdateSelectionCount();
}

void ShowCellMenu(HWND cell) {
    const int index = CellIndex(cell);
    if (!ValidIndex(index) || !g_FileList.flags[(size_t)index] || !g_Browser.cellMenu) return;
    HMENU menu = g_Browser.cellMenu;
    UpdateBrowserMenu(menu);
    POINT p;
    GetCursorPos(&p);
    int id = (int)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, g_Browser.frame, nullptr);
    SendMessageA(g_Browser.frame, WM_COMMAND, (WPARAM)id, 0);
}

LRESULT CALLBACK ThumbPaneWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        g_FileList.anchor = -1;
        g_grid = ThumbGrid{1, 0, 0, 0};
        RefreshFileList(wnd, 1);
        SetThumbTimer(wnd, 0);
        return 0;
    case WM_SIZE:
        LayoutCells(wnd);
        return 0;
    case WM_VSCROLL:
        ScrollPane(wnd, LOWORD(wp));
        return 0;
    case WM_TIMER:
        if (g_timerRunning && wp == g_timer) StartNextLoader(wnd);
        return 0;
    case kMsgThumbReady:
        if ((unsigned)lp == g_generation) RepaintCell((int)wp);
        return 0;
    case WM_DESTROY:
        SetThumbTimer(wnd, 1);
        WaitThumbLoader();
        DestroyCells();
        g_FileList = FileList();
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK ThumbCellWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        PaintThumbCell(wnd);
        return 0;
    case WM_LBUTTONDOWN:
        SelectCell(wnd);
        return 0;
    case WM_LBUTTONDBLCLK:
        PostSelectionToMain(wnd);
        return 0;
    case WM_RBUTTONDOWN:
        ShowCellMenu(wnd);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}
