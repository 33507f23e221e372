#include "fileio/parts_box.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fileio/file_dialogs.h"
#include "fileio/host_util.h"
#include "fileio/plugin_read.h"
#include "fileio/thumb_cache.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"

namespace {

constexpr int kCell = 96;
constexpr int kStrip = 28;   // the buttons' strip below the grid
constexpr UINT kTimerBase = 29999;

const char kPathTooLong[] = "フォルダ名が長すぎます。";

struct PartsBoxState {
    char folder[MAX_PATH] = {};
    std::string pattern;
    const char* title = "";
    std::vector<std::string> files;
    std::vector<HWND> cells;
    std::unique_ptr<std::atomic<int>[]> done;
    int columns = 1, totalRows = 0, visibleRows = 0, firstRow = 0;
    int selected = -1;
    char chosen[MAX_PATH] = {};
    HANDLE worker = nullptr;
    UINT_PTR timer = 0;
    HWND dialog = nullptr, grid = nullptr;
} g_Box;

RECT g_Remembered{0, 0, 0, 0};   // the dialog's place and size (left, top, width, height)

// The registered wheel message of older mouse drivers (wParam the delta).
UINT WheelMessage() {
    static const UINT message = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    return message;
}

bool EndsWithBackslash(const char* s) {
    const size_t n = std::strlen(s);
    return n > 0 && s[n - 1] == '\\';
}

std::vector<std::string> PatternExtensions(const std::string& pattern) {
    std::vector<std::string> out;
    if (pattern == "*") return ReaderExtensions();
    std::string token;
    for (char c : pattern + ";") {
        if (c == ';') {
            // "*.ext" patterns of a filter list give their extension.
            size_t dot = token.rfind('.');
            std::string ext = dot == std::string::npos ? token : token.substr(dot + 1);
            if (!ext.empty()) out.push_back(ext);
            token.clear();
        } else {
            token += c;
        }
    }
    return out;
}

void WaitForWorker() {
    if (!g_Box.worker) return;
    fileio::WaitCursor wait;
    SetThreadPriority(g_Box.worker, THREAD_PRIORITY_HIGHEST);
    while (WaitForSingleObject(g_Box.worker, 10) == WAIT_TIMEOUT) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    CloseHandle(g_Box.worker);
    g_Box.worker = nullptr;
}

DWORD WINAPI PartsThumbThread(LPVOID param) {
    const int i = (int)(INT_PTR)param;
    const std::string& path = g_Box.files[(size_t)i];
    PackedDib picture = ReadFastImage(nullptr, path.c_str());
    if (!picture) picture = ReadImageToDib(path.c_str(), nullptr);
    PackedDib thumb = nullptr;
    if (picture) {
        int w = 0, h = 0, bits = 0, fw = 0, fh = 0;
        GetPackedDibInfo(picture, &w, &h, &bits);
        c_Dib::FitSize(w, h, 78, 66, &fw, &fh, 0);
        thumb = ResizePackedDib(picture, fw < 1 ? 1 : fw, fh < 1 ? 1 : fh);
        FreePackedDib(picture);
    }
    if (!thumb) thumb = CreatePackedDib(78, 66, 24);
    if (thumb) {
        HWND cell = g_Box.cells[(size_t)i];
        if (HDC dc = GetDC(cell)) {
            StretchDrawPackedDib(dc, thumb, 8, 8, 86, 74);
            ReleaseDC(cell, dc);
        }
        StoreThumbCache(path.c_str(), thumb, kPartsBoxCacheSet);
        FreePackedDib(thumb);
    }
    g_Box.done[(size_t)i] = 1;
    return 0;
}

void LayoutGrid(HWND grid) {
    RECT r;
    GetClientRect(grid, &r);
    const int n = (int)g_Box.cells.size();
    g_Box.columns = r.right / kCell < 1 ? 1 : r.right / kCell;
    g_Box.totalRows = (n + g_Box.columns - 1) / g_Box.columns;
    g_Box.visibleRows = r.bottom / kCell;
    const int maxFirst = g_Box.totalRows - g_Box.visibleRows;
    if (g_Box.firstRow > maxFirst) g_Box.firstRow = maxFirst;
    if (g_Box.firstRow < 0) g_Box.firstRow = 0;
    for (int i = 0; i < n; ++i)
        MoveWindow(g_Box.cells[(size_t)i], (i % g_Box.columns) * kCell, (i / g_Box.columns - g_Box.firstRow) * kCell,
                   kCell, kCell, TRUE);
    SetupScrollBar(grid, SB_VERT, 0, g_Box.totalRows, g_Box.visibleRows, g_Box.firstRow);
}

void ScrollTo(HWND grid, int row) {
    const int maxFirst = g_Box.totalRows - g_Box.visibleRows;
    if (row > maxFirst) row = maxFirst;
    if (row < 0) row = 0;
    if (row == g_Box.firstRow) return;
    const int dy = (g_Box.firstRow - row) * kCell;
    g_Box.firstRow = row;
    ScrollWindowEx(grid, 0, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SetScrollPos(grid, SB_VERT, row, TRUE);
}

void StartNextWorker() {
    if (g_Box.worker) {
        if (WaitForSingleObject(g_Box.worker, 0) == WAIT_TIMEOUT) return;
        CloseHandle(g_Box.worker);
        g_Box.worker = nullptr;
    }
    const int n = (int)g_Box.cells.size();
    for (int i = g_Box.firstRow * g_Box.columns; i < n; ++i) {
        if (g_Box.done[(size_t)i]) continue;
        g_Box.worker = CreateThread(nullptr, 0, PartsThumbThread, (LPVOID)(INT_PTR)i, 0, nullptr);
        return;
    }
}

void PaintPartsBoxCell(HWND cell) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(cell, &ps);
    RECT r;
    GetClientRect(cell, &r);
    const int i = GetDlgCtrlID(cell);
    DrawRaisedPanelThin(dc, 0, 0, r.right, r.bottom, RGB(245, 247, 249));
    DrawRaisedPanelThin(dc, 0, r.bottom - 14, r.right, r.bottom, RGB(185, 208, 222));
    if (i >= 0 && i < (int)g_Box.files.size()) {
        const std::string& path = g_Box.files[(size_t)i];
        const size_t slash = path.find_last_of('\\');
        draw_text_at(dc, 2, r.bottom - 13, 12, path.c_str() + (slash == std::string::npos ? 0 : slash + 1), RGB(0, 0, 0),
                     nullptr, nullptr);
        if (PackedDib thumb = LoadThumbCache(path.c_str(), kPartsBoxCacheSet)) {
            StretchDrawPackedDib(dc, thumb, 8, 8, 86, 74);
            FreePackedDib(thumb);
            g_Box.done[(size_t)i] = 1;
        }
        if (i == g_Box.selected) {
            DrawRectOutline(dc, 0, 0, r.right - 1, r.bottom - 1, RGB(255, 0, 0));
            DrawRectOutline(dc, 1, 1, r.right - 2, r.bottom - 2, RGB(255, 0, 0));
        }
    }
    EndPaint(cell, &ps);
}

INT_PTR CALLBACK PartsBoxDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WheelMessage() && msg) {
        if (g_Box.grid) SendMessageA(g_Box.grid, msg, wp, lp);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG: {
        g_Box.dialog = dlg;
        SetWindowTextA(dlg, g_Box.title);
        RECT c;
        GetClientRect(dlg, &c);
        g_Box.grid = CreateWindowExA(0, "PartsBoxBaseClass", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, c.right,
                                     c.bottom - kStrip, dlg, nullptr, (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE),
                                     nullptr);
        if (g_Remembered.right > 0 && g_Remembered.bottom > 0)
            MoveWindow(dlg, g_Remembered.left, g_Remembered.top, g_Remembered.right, g_Remembered.bottom, FALSE);
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        GetClientRect(dlg, &c);
        PostMessageA(dlg, WM_SIZE, 0, MAKELPARAM(c.right, c.bottom));
        return TRUE;
    }
    case WM_SIZE: {
        const int w = LOWORD(lp), h = HIWORD(lp);
        if (g_Box.grid) MoveWindow(g_Box.grid, 0, 0, w, h - kStrip > 0 ? h - kStrip : 0, TRUE);
        MoveWindow(GetDlgItem(dlg, IDOK), w - 168, h - kStrip, 80, 24, TRUE);
        MoveWindow(GetDlgItem(dlg, IDCANCEL), w - 84, h - kStrip, 80, 24, TRUE);
        return TRUE;
    }
    case WM_GETMINMAXINFO:
        ((MINMAXINFO*)lp)->ptMinTrackSize = POINT{256, 128};
        return TRUE;
    case WM_MOUSEWHEEL:
        if (g_Box.grid) SendMessageA(g_Box.grid, msg, wp, lp);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY: {
        RECT r;
        GetWindowRect(dlg, &r);
        g_Remembered = RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
        break;
    }
    }
    return FALSE;
}

}  // namespace

int ListPartsFiles(const char* folder, const char* pattern, char (*paths)[MAX_PATH], int capacity) {
    int count = 0;
    for (const std::string& ext : PatternExtensions(pattern ? pattern : "*")) {
        if (ext.size() > 100) {
            ShowMessageBox(nullptr, "critical error", kAppTitle, kMsgOk);
            continue;
        }
        char spec[MAX_PATH + 110];
        if (std::snprintf(spec, sizeof spec, "%s*.%s", folder, ext.c_str()) >= (int)sizeof spec) continue;
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(spec, &fd);
        if (h != INVALID_HANDLE_VALUE) {
            std::string previous;
            do {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                if (fd.cFileName == previous) break;
                previous = fd.cFileName;
                names.push_back(fd.cFileName);
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
        for (const std::string& name : names) {
            if (count < capacity && paths) {
                char full[MAX_PATH];
                if (std::snprintf(full, sizeof full, "%s%s", folder, name.c_str()) >= (int)sizeof full) continue;
                std::memcpy(paths[count], full, sizeof full);
            }
            ++count;
        }
    }
    return count;
}

LRESULT CALLBACK PartsBoxBaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WheelMessage() && msg) {
        SendMessageA(wnd, WM_VSCROLL, (int)(INT_PTR)wp > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        return 0;
    }
    switch (msg) {
    case WM_CREATE: {
        CreateThumbCacheDir(kPartsBoxCacheSet);
        std::unique_ptr<char[][MAX_PATH]> paths(new (std::nothrow) char[kPartsBoxMaxFiles][MAX_PATH]);
        g_Box.files.clear();
        if (paths) {
            int n = ListPartsFiles(g_Box.folder, g_Box.pattern.c_str(), paths.get(), kPartsBoxMaxFiles);
            if (n > kPartsBoxMaxFiles) n = kPartsBoxMaxFiles;
            for (int i = 0; i < n; ++i) g_Box.files.push_back(paths[i]);
        }
        for (HWND c : g_Box.cells) DestroyWindow(c);
        g_Box.cells.clear();
        g_Box.done.reset(new std::atomic<int>[g_Box.files.size() + 1]);
        for (size_t i = 0; i <= g_Box.files.size(); ++i) g_Box.done[i] = 0;
        HINSTANCE module = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        for (size_t i = 0; i < g_Box.files.size(); ++i)
            g_Box.cells.push_back(CreateWindowExA(0, "PartsBoxThmlClass", "", WS_CHILD | WS_VISIBLE, 0, 0, kCell, kCell,
                                                  wnd, (HMENU)(INT_PTR)i, module, nullptr));
        g_Box.firstRow = 0;
        LayoutGrid(wnd);
        g_Box.timer = SetTimer(wnd, kTimerBase, 50, nullptr);
        return 0;
    }
    case WM_SIZE: LayoutGrid(wnd); return 0;
    case WM_VSCROLL: {
        int row = g_Box.firstRow;
        switch (LOWORD(wp)) {
        case SB_LINEUP: row -= 1; break;
        case SB_LINEDOWN: row += 1; break;
        case SB_PAGEUP: row -= 4; break;
        case SB_PAGEDOWN: row += 4; break;
        case SB_TOP: row = 0; break;
        case SB_BOTTOM: row = g_Box.totalRows; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
            SCROLLINFO si{sizeof si, SIF_TRACKPOS};
            GetScrollInfo(wnd, SB_VERT, &si);
            row = si.nTrackPos;
            break;
        }
        }
        ScrollTo(wnd, row);
        return 0;
    }
    case WM_MOUSEWHEEL:
        SendMessageA(wnd, WM_VSCROLL, (short)HIWORD(wp) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        return 0;
    case WM_TIMER:
        if (wp == kTimerBase) StartNextWorker();
        return 0;
    case WM_DESTROY:
        KillTimer(wnd, kTimerBase);
        WaitForWorker();
        ClearThumbCache(kPartsBoxCacheSet);
        g_Box.cells.clear();
        g_Box.files.clear();
        g_Box.grid = nullptr;
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK PartsBoxThmlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    const int i = GetDlgCtrlID(wnd);
    switch (msg) {
    case WM_PAINT: PaintPartsBoxCell(wnd); return 0;
    case WM_LBUTTONDOWN: {
        if (i < 0 || i >= (int)g_Box.files.size()) return 0;
        const int old = g_Box.selected;
        g_Box.selected = i;
        if (old >= 0 && old < (int)g_Box.cells.size()) InvalidateRect(g_Box.cells[(size_t)old], nullptr, FALSE);
        InvalidateRect(wnd, nullptr, FALSE);
        lstrcpynA(g_Box.chosen, g_Box.files[(size_t)i].c_str(), sizeof g_Box.chosen);
        if (g_Box.dialog) EnableWindow(GetDlgItem(g_Box.dialog, IDOK), TRUE);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (i == g_Box.selected && g_Box.dialog) {
            InvalidateRect(wnd, nullptr, FALSE);
            SendMessageA(g_Box.dialog, WM_COMMAND, IDOK, 0);
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

int OpenPartsBox(HWND owner, const char* folderOrPath, char* chosen, const char* pattern, const char* title) {
    if (!folderOrPath || !chosen) return 0;
    char folder[MAX_PATH];
    if (std::snprintf(folder, sizeof folder, "%s", folderOrPath) >= (int)sizeof folder) {
        ShowMessageBox(owner, kPathTooLong, kAppTitle, kMsgOk);
        return 0;
    }
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char* slash = std::strrchr(folder, '\\');
        if (!slash) return 0;
        slash[1] = 0;
    } else if (!EndsWithBackslash(folder)) {
        if (std::strlen(folder) + 1 >= sizeof folder) {
            ShowMessageBox(owner, kPathTooLong, kAppTitle, kMsgOk);
            return 0;
        }
        std::strcat(folder, "\\");
    }
    std::memcpy(g_Box.folder, folder, sizeof folder);
    const std::string p = pattern ? pattern : "*.*";
    g_Box.pattern = p.size() > 2 ? p.substr(2) : "*";
    if (g_Box.pattern == "*") g_Box.pattern = "*";
    g_Box.title = title ? title : "";
    g_Box.selected = -1;
    g_Box.chosen[0] = 0;
    EnablePanels(FALSE);
    const INT_PTR result = RunModalDialog(GetModuleHandleA(nullptr), "dra_partsbox", owner, PartsBoxDlgProc, 0);
    EnablePanels(TRUE);
    g_Box.dialog = nullptr;
    if (result != 1 || !g_Box.chosen[0]) return 0;
    lstrcpynA(chosen, g_Box.chosen, MAX_PATH);
    return 1;
}

void SetPartsBoxPlacement(const int32_t rect[4]) {
    const auto fits = [](int32_t v) { return v >= -32768 && v <= 32767; };
    const bool sensible = fits(rect[0]) && fits(rect[1]) && rect[2] >= 1 && rect[2] <= 32767 && rect[3] >= 1 &&
                          rect[3] <= 32767;
    g_Remembered = sensible ? RECT{rect[0], rect[1], rect[2], rect[3]} : RECT{0, 0, 0, 0};
}

void GetPartsBoxPlacement(int32_t rect[4]) {
    rect[0] = g_Remembered.left;
    rect[1] = g_Remembered.top;
    rect[2] = g_Remembered.right;
    rect[3] = g_Remembered.bottom;
}

HWND PartsBoxGrid() { return g_Box.grid; }
int PartsBoxCellCount() { return (int)g_Box.cells.size(); }
HWND PartsBoxCell(int index) { return index >= 0 && index < (int)g_Box.cells.size() ? g_Box.cells[(size_t)index] : nullptr; }
int PartsBoxCellDone(int index) {
    return index >= 0 && index < (int)g_Box.cells.size() ? g_Box.done[(size_t)index].load() : 0;
}
