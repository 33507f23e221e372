#include "browser/file_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/status_bar.h"
#include "browser/thumb_pane.h"
#include "browser/text_draw.h"
#include "fileio/thumb_cache.h"
#include "resources/darnaview_ids.h"

const char kSearchStripClass[] = "ScanBaseClass";
const char kSearchItemClass[] = "ScanThmlClass";

namespace {

constexpr int kThumbBox = 40;
constexpr UINT_PTR kStripTimer = 1;

// Appends the matches of `pattern` in `folder` (with its backslash).
void ListMatches(const char* folder, const char* pattern, SearchResults* r) {
    char spec[MAX_PATH * 2];
    if (std::snprintf(spec, sizeof spec, "%s%s", folder, pattern) >= (int)sizeof spec) return;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(spec, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (fd.cFileName[0] == '.') continue;
        char path[kSearchPathBytes];
        // A path that does not fit its slot is left out rather than cut.
        if (std::snprintf(path, sizeof path, "%s%s", folder, fd.cFileName) >= (int)sizeof path) continue;
        ++r->matches;
        if ((int)r->paths.size() < kSearchMaxResults) r->paths.push_back(path);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

struct WalkState {
    const char* pattern;
    SearchResults* results;
};

void OnFolder(DWORD, const char* parent, const char* name, void* user) {
    WalkState* w = (WalkState*)user;
    char folder[MAX_PATH * 2];
    if (std::snprintf(folder, sizeof folder, "%s%s\\", parent, name) >= (int)sizeof folder) return;
    ListMatches(folder, w->pattern, w->results);
}

int WalkFolder(const char* folder, unsigned flags, WalkCallback callback, void* user, int* unreadable, int depth) {
    char spec[MAX_PATH * 2];
    if (std::snprintf(spec, sizeof spec, "%s*.*", folder) >= (int)sizeof spec) return -2;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(spec, &fd);
    if (find == INVALID_HANDLE_VALUE) {
        if (unreadable) ++*unreadable;
        return -2;
    }
    std::vector<std::string> later;
    do {
        if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
        const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!dir) {
            if (flags & kWalkFiles) callback(fd.dwFileAttributes, folder, fd.cFileName, user);
            continue;
        }
        if (flags & kWalkFolders) callback(fd.dwFileAttributes, folder, fd.cFileName, user);
        // A link to a folder may lead back up the tree: it is not entered.
        if (!(flags & kWalkDescend) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        char sub[MAX_PATH * 2];
        if (std::snprintf(sub, sizeof sub, "%s%s\\", folder, fd.cFileName) >= (int)sizeof sub) continue;
        if (flags & kWalkDepthFirst) WalkFolder(sub, flags, callback, user, unreadable, depth + 1);
        else later.push_back(sub);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    for (const std::string& sub : later) WalkFolder(sub.c_str(), flags, callback, user, unreadable, depth + 1);
    return 0;
}

// ---- the dialog and its strip

SearchResults g_results;
SearchDialogInfo g_info = {.dialog = nullptr, .strip = nullptr, .results = &g_results, .sortMode = 0,
                           .viewMode = 0, .selected = 0};
HANDLE g_worker;
int g_top, g_visible;
std::vector<HWND> g_items;

const char* const kSortNames[] = {"ファイル名順", "ファイル名逆順", "日付順", "日付逆順"};

DWORD WINAPI SearchThumbThread(void* param) {
    const int index = (int)(INT_PTR)param;
    if (index < 0 || index >= (int)g_results.paths.size()) return 0;
    const std::string path = g_results.paths[(size_t)index];
    // Made as the thumbnail pane makes its own (black when unreadable: read no more).
    PackedDib thumb = MakeThumbnail(path.c_str(), kThumbBox, kThumbBox);
    if (thumb) {
        StoreThumbCache(path.c_str(), thumb, kSearchCacheSet);
        FreePackedDib(thumb);
    }
    if (index < (int)g_items.size()) InvalidateRect(g_items[(size_t)index], nullptr, FALSE);
    return 0;
}

void StopWorker() {
    if (!g_worker) return;
    while (MsgWaitForMultipleObjects(1, &g_worker, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    CloseHandle(g_worker);
    g_worker = nullptr;
}

void LayoutStrip(HWND strip) {
    RECT r;
    GetClientRect(strip, &r);
    const int count = (int)g_items.size();
    g_visible = r.bottom / kSearchRowHeight;
    const int most = count - g_visible > 0 ? count - g_visible : 0;
    g_top = g_top < 0 ? 0 : g_top > most ? most : g_top;
    for (int i = 0; i < count; ++i)
        MoveWindow(g_items[(size_t)i], 0, (i - g_top) * kSearchRowHeight, r.right, kSearchRowHeight, TRUE);
    SCROLLINFO si = {.cbSize = sizeof(SCROLLINFO), .fMask = SIF_RANGE | SIF_PAGE | SIF_POS, .nMin = 0,
                     .nMax = count, .nPage = (UINT)g_visible, .nPos = g_top, .nTrackPos = 0};
    SetScrollInfo(strip, SB_VERT, &si, TRUE);
}

// A click on a result selects it, in the strip and in the name list alike.
void SelectResult(int index) {
    if (index < 0 || index >= (int)g_results.paths.size() || index == g_info.selected) return;
    const int old = g_info.selected;
    g_info.selected = index;
    if (g_info.dialog) SendDlgItemMessageA(g_info.dialog, IDC_BV_FL_NAMES, LB_SETCURSEL, (WPARAM)index, 0);
    for (int i : {old, index})
        if (i >= 0 && i < (int)g_items.size()) InvalidateRect(g_items[(size_t)i], nullptr, FALSE);
}

void Jump(HWND);

LRESULT CALLBACK ItemProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        SelectResult(GetDlgCtrlID(wnd));
        if (msg == WM_LBUTTONDBLCLK && g_info.dialog) Jump(g_info.dialog);
        return 0;
    }
    if (msg != WM_PAINT) return DefWindowProcA(wnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT r;
    GetClientRect(wnd, &r);
    const int index = GetDlgCtrlID(wnd);
    // Dark text on the panel face; the selected result in the file list's
    // selection colours.
    const bool selected = index == g_info.selected;
    DrawBevelPanel(dc, r, selected ? kSearchSelectedFace : PanelColour, 1);
    if (index >= 0 && index < (int)g_results.paths.size()) {
        const char* path = g_results.paths[(size_t)index].c_str();
        if (PackedDib t = LoadThumbCache(path, kSearchCacheSet)) {
            SetDIBitsToDevice(dc, 8 + (kThumbBox - t->biWidth) / 2, 8 + (kThumbBox - t->biHeight) / 2,
                              (DWORD)t->biWidth, (DWORD)t->biHeight, 0, 0, 0, (UINT)t->biHeight, GetPackedDibBits(t),
                              (const BITMAPINFO*)t, DIB_RGB_COLORS);
            FreePackedDib(t);
        }
        int endX, endY;
        DrawTextAt(dc, 56, 14, 14, path, selected ? kSearchSelectedText : kSearchText, &endX, &endY);
    }
    EndPaint(wnd, &ps);
    return 0;
}

LRESULT CALLBACK StripProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        for (HWND item : g_items) DestroyWindow(item);
        g_items.clear();
        g_top = 0;
        for (size_t i = 0; i < g_results.paths.size(); ++i)
            g_items.push_back(CreateWindowA(kSearchItemClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd,
                                            (HMENU)(INT_PTR)i, g_Browser.instance, nullptr));
        SetTimer(wnd, kStripTimer, 20, nullptr);
        return 0;
    }
    case WM_SIZE:
        LayoutStrip(wnd);
        return 0;
    case WM_VSCROLL: {
        SCROLLINFO si = {.cbSize = sizeof(SCROLLINFO), .fMask = SIF_TRACKPOS, .nMin = 0, .nMax = 0, .nPage = 0,
                         .nPos = 0, .nTrackPos = 0};
        GetScrollInfo(wnd, SB_VERT, &si);
        const int old = g_top;
        switch (LOWORD(wp)) {
        case SB_LINEUP: --g_top; break;
        case SB_LINEDOWN: ++g_top; break;
        case SB_PAGEUP: g_top -= 4; break;
        case SB_PAGEDOWN: g_top += 4; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: g_top = si.nTrackPos; break;
        default: break;
        }
        LayoutStrip(wnd);
        if (old != g_top) InvalidateRect(wnd, nullptr, TRUE);
        return 0;
    }
    case WM_TIMER:
        if (g_worker) {
            if (WaitForSingleObject(g_worker, 0) != WAIT_OBJECT_0) return 0;
            CloseHandle(g_worker);
            g_worker = nullptr;
        }
        // The first visible result without a thumbnail gets the next worker.
        for (int i = g_top; i < (int)g_results.paths.size() && i < g_top + g_visible + 1; ++i) {
            if (HasThumbCache(g_results.paths[(size_t)i].c_str(), kSearchCacheSet)) continue;
            g_worker = CreateThread(nullptr, 0, SearchThumbThread, (void*)(INT_PTR)i, 0, nullptr);
            break;
        }
        return 0;
    case WM_DESTROY:
        KillTimer(wnd, kStripTimer);
        StopWorker();
        g_items.clear();
        ClearThumbCache(kSearchCacheSet);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

void FillNames(HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_BV_FL_NAMES, LB_RESETCONTENT, 0, 0);
    for (const std::string& p : g_results.paths)
        SendDlgItemMessageA(dlg, IDC_BV_FL_NAMES, LB_ADDSTRING, 0, (LPARAM)p.c_str());
    SendDlgItemMessageA(dlg, IDC_BV_FL_NAMES, LB_SETCURSEL, (WPARAM)g_info.selected, 0);
}

// The view rectangle goes to the view shown; the other gets no size.
void ShowView(HWND dlg, const RECT& area) {
    HWND names = GetDlgItem(dlg, IDC_BV_FL_NAMES);
    HWND shown = g_info.viewMode == 0 ? g_info.strip : names, hidden = g_info.viewMode == 0 ? names : g_info.strip;
    MoveWindow(shown, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    MoveWindow(hidden, 0, 0, 0, 0, TRUE);
    CheckRadioButton(dlg, IDC_BV_FL_THUMBS, IDC_BV_FL_NAMEVIEW, g_info.viewMode == 0 ? IDC_BV_FL_THUMBS : IDC_BV_FL_NAMEVIEW);
}

void Jump(HWND) {
    if (g_info.selected < 0 || g_info.selected >= (int)g_results.paths.size()) return;
    char path[MAX_PATH + 16];
    std::snprintf(path, sizeof path, "%sjump.dat", g_Browser.folder);
    FILE* f = std::fopen(path, "w");
    if (!f) return;
    std::fprintf(f, "%s\n", g_results.paths[(size_t)g_info.selected].c_str());
    const bool ok = std::fclose(f) == 0;
    if (ok && g_Browser.frame) SendMessageA(g_Browser.frame, WM_COMMAND, IDM_BV_COMPANION, 0);
}

INT_PTR CALLBACK FileListProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    static RECT area;
    switch (msg) {
    case WM_INITDIALOG: {
        g_info.dialog = dlg;
        GetWindowRect(GetDlgItem(dlg, IDC_BV_FL_NAMES), &area);
        MapWindowPoints(nullptr, dlg, (POINT*)&area, 2);
        g_info.strip = CreateWindowExA(WS_EX_CLIENTEDGE, kSearchStripClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL |
                                       WS_CLIPCHILDREN, area.left, area.top, area.right - area.left,
                                       area.bottom - area.top, dlg, (HMENU)(INT_PTR)IDC_BV_FL_STRIP,
                                       g_Browser.instance, nullptr);
        for (const char* name : kSortNames) SendDlgItemMessageA(dlg, IDC_BV_FL_SORT, CB_ADDSTRING, 0, (LPARAM)name);
        SendDlgItemMessageA(dlg, IDC_BV_FL_SORT, CB_SETCURSEL, (WPARAM)g_info.sortMode, 0);
        ShowView(dlg, area);
        FillNames(dlg);
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_BV_FL_NAMES:
            if (HIWORD(wp) == LBN_SELCHANGE) {
                const int i = (int)SendDlgItemMessageA(dlg, IDC_BV_FL_NAMES, LB_GETCURSEL, 0, 0);
                if (i >= 0) g_info.selected = i;
            } else if (HIWORD(wp) == LBN_DBLCLK) {
                Jump(dlg);
            }
            return TRUE;
        case IDC_BV_FL_JUMP:
            Jump(dlg);
            return TRUE;
        case IDC_BV_FL_THUMBS:
        case IDC_BV_FL_NAMEVIEW:
            g_info.viewMode = LOWORD(wp) == IDC_BV_FL_THUMBS ? 0 : 1;
            ShowView(dlg, area);
            return TRUE;
        case IDC_BV_FL_SORT:
            if (HIWORD(wp) == CBN_SELCHANGE) {
                const int i = (int)SendDlgItemMessageA(dlg, IDC_BV_FL_SORT, CB_GETCURSEL, 0, 0);
                if (i >= 0 && i <= 3) g_info.sortMode = i;
                SortSearchResults(&g_results, g_info.sortMode);
                FillNames(dlg);
                InvalidateRect(g_info.strip, nullptr, TRUE);
                for (HWND item : g_items) InvalidateRect(item, nullptr, TRUE);
            }
            return TRUE;
        default:
            return HandleDialogEnd(dlg, msg, wp);
        }
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    case WM_DESTROY:
        if (g_info.strip) DestroyWindow(g_info.strip);
        g_info.strip = nullptr;
        g_info.dialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int FindFilesByName(const char* folder, unsigned flags, WalkCallback callback, void* user, int* unreadable) {
    if (!folder || !*folder) return -1;
    return WalkFolder(folder, flags, callback, user, unreadable, 0);
}

SearchResults RunSearch(const char* startFolder, const char* pattern) {
    SearchResults r;
    if (!startFolder || !*startFolder || !pattern || !*pattern) return r;
    std::string start = startFolder;
    if (start.back() != '\\') start += '\\';
    ListMatches(start.c_str(), pattern, &r);
    WalkState w{pattern, &r};
    if (FindFilesByName(start.c_str(), kWalkDescend | kWalkFolders | kWalkDepthFirst, OnFolder, &w, &r.unreadable) == -2)
        r.unreadable = r.unreadable > 0 ? r.unreadable : 1;
    r.keys.assign(r.paths.size(), 0);
    return r;
}

int64_t SearchDateKey(const char* path) {
    SYSTEMTIME t;
    if (!GetFileLocalTime(path, &t)) return 1;   // present, and older than any real date
    return (int64_t)t.wSecond + 60 * (int64_t)t.wMinute + 3600 * (int64_t)t.wHour + 86400 * (int64_t)t.wDay +
           3456000 * (int64_t)t.wMonth + 41472000 * (int64_t)t.wYear;
}

void SortSearchResults(SearchResults* r, int mode) {
    const size_t n = r->paths.size();
    r->keys.resize(n, 0);
    if (mode >= kSearchByDate)
        for (size_t i = 0; i < n; ++i)
            if (!r->keys[i]) r->keys[i] = SearchDateKey(r->paths[i].c_str());
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        switch (mode) {
        case kSearchByNameReverse: return CompareNoCase(r->paths[a].c_str(), r->paths[b].c_str()) > 0;
        case kSearchByDate: return r->keys[a] < r->keys[b];
        case kSearchByDateReverse: return r->keys[a] > r->keys[b];
        default: return CompareNoCase(r->paths[a].c_str(), r->paths[b].c_str()) < 0;
        }
    });
    std::vector<std::string> paths(n);
    std::vector<int64_t> keys(n);
    for (size_t i = 0; i < n; ++i) {
        paths[i] = std::move(r->paths[order[i]]);
        keys[i] = r->keys[order[i]];
    }
    r->paths.swap(paths);
    r->keys.swap(keys);
}

int RegisterSearchClasses(HINSTANCE instance) {
    const struct {
        const char* name;
        WNDPROC proc;
    } rows[] = {{kSearchStripClass, StripProc}, {kSearchItemClass, ItemProc}};
    for (const auto& row : rows) {
        WNDCLASSEXA wc = {};
        if (GetClassInfoExA(instance, row.name, &wc)) continue;
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = row.proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
        wc.lpszClassName = row.name;
        if (!RegisterClassExA(&wc)) return 0;
    }
    return 1;
}

const SearchDialogInfo& GetSearchDialogInfo() { return g_info; }

int SearchFiles(HWND owner, const char* startFolder, const char* pattern) {
    if (!RegisterSearchClasses(g_Browser.instance)) return 0;
    g_results = RunSearch(startFolder, pattern);
    g_info.selected = 0;
    if (g_results.unreadable > 0) ShowMessageBox(owner, "検索に失敗しました", "filefileエラー", kMsgOk);
    if (g_results.paths.empty()) {
        BrowserMessage(owner, "ファイルが見つかりませんでした", kMsgOk);
        return 0;
    }
    SortSearchResults(&g_results, g_info.sortMode);
    RunModalDialog(g_Browser.instance, "dra_filelist", owner, FileListProc, 0);
    g_results = SearchResults();
    return 1;
}
