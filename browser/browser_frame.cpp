#include "browser/browser_frame.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "browser/batch_convert.h"
#include "browser/browser_settings.h"
#include "browser/colour_match.h"
#include "browser/companion_link.h"
#include "browser/file_list.h"
#include "browser/file_ops.h"
#include "browser/file_search.h"
#include "browser/folder_tree.h"
#include "browser/font_list.h"
#include "browser/full_view.h"
#include "browser/handover_send.h"
#include "browser/print.h"
#include "browser/screen_row.h"
#include "browser/small_dialogs.h"
#include "browser/status_bar.h"
#include "browser/thumb_pane.h"
#include "browser/toolbar.h"
#include "browser/toolbar_icon.h"
#include "fileio/plugin_registry.h"
#include "fileio/thumb_cache.h"
#include "resources/darnaview_ids.h"

const char kBrowserFrameClass[] = "darnaview_class_name";
const char kThumbPaneClass[] = "view_class";
const char kSplitterClass[] = "glid_class";
const char kThumbCellClass[] = "list_class";
const char kStatusBarClass[] = "statbar_class";
const char kToolIconClass[] = "ToolBarIconClass";
const char kToolTipClass[] = "ToolTipClass";

BrowserState g_Browser;

namespace {

bool g_quitOnDestroy;

const char kNoSelection[] = "ファイルが選択されていません";

int ReadDisplayDepth(HWND wnd) {
    HDC dc = GetDC(wnd);
    int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(wnd, dc);
    return depth;
}

void CheckDisplayDepth(HWND frame) {
    int now = ReadDisplayDepth(frame), then = g_Browser.displayDepth;
    if (now == 15) now = 16;
    if (then == 15) then = 16;
    if (now != then && !FindWindowA("DirectDrawDisp", nullptr) && !FindWindowA("FirstClass", nullptr))
        ShowScreenError(frame);
}

void ForwardWheelToView(WPARAM wp) {
    if (!g_Browser.pane) return;
    RECT r;
    POINT p;
    GetWindowRect(g_Browser.pane, &r);
    GetCursorPos(&p);
    if (!PtInRect(&r, p)) return;
    const int delta = (short)HIWORD(wp);
    SendMessageA(g_Browser.pane, WM_VSCROLL, delta <= 0 ? SB_LINEDOWN : SB_LINEUP, 0);
}

int BrowserOnCreate(HWND frame) {
    g_Browser.frame = frame;
    SetMessageBoxOwner(frame);
    EditorFolderFrom(g_Browser.folder, g_Browser.editorFolder, sizeof g_Browser.editorFolder);
    LoadColourSettings(frame, g_Browser.editorFolder);
    g_ScreenRow.SetScreenSettings(&g_BrowserSettings.screenRowFlag, nullptr);
    g_ScreenRow.Init(frame);
    if (HDC dc = GetDC(frame)) {
        BuildBrowserFontList(dc);
        ReleaseDC(frame, dc);
    }
    g_Browser.displayDepth = ReadDisplayDepth(frame);
    if (g_Browser.displayDepth <= 8) {
        BrowserMessage(frame, "16色／256色表示では動作しません。", kMsgOk);
        return 0;
    }
    LoadBrowserSettings(g_Browser.folder);
    LoadFolderHistory(g_Browser.folder);
    InitThumbCache(g_Browser.folder, ThumbCacheVariant::Browser);
    CreateThumbCacheDir(kThumbCacheSet);
    CreateThumbCacheDir(kSearchCacheSet);
    InitFilePlugins(frame, g_Browser.folder);
    HINSTANCE inst = g_Browser.instance;
    g_Browser.splitter = CreateWindowA(kSplitterClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                                       (HMENU)(INT_PTR)kIdSplitter, inst, nullptr);
    g_Browser.status = CreateWindowA(kStatusBarClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                                     (HMENU)(INT_PTR)kIdStatusBar, inst, nullptr);
    SetPluginStatusWindow(g_Browser.status);
    CreateDialogParamA(inst, "ivm_toolbar", frame, ToolbarDlgProc, 0);
    g_Browser.pane = CreateWindowA(kThumbPaneClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 0, 0, frame,
                                   (HMENU)(INT_PTR)kIdThumbPane, inst, nullptr);
    FillHistoryCombo();
    SetFocus(frame);
    PostMessageA(frame, kMsgFirstFolder, 0, 0);
    return 1;
}

void BrowserOnDestroy(HWND frame) {
    // Nothing the loader uses goes before it has ended.
    if (g_Browser.pane) SetThumbTimer(g_Browser.pane, 1);
    PauseThumbLoader();
    ClearThumbCache(kThumbCacheSet);
    ClearThumbCache(kSearchCacheSet);
    if (!IsIconic(frame)) {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof wp;
        RECT r;
        GetWindowRect(frame, &r);
        const bool maximised = IsZoomed(frame) != 0;
        if (maximised && GetWindowPlacement(frame, &wp)) r = wp.rcNormalPosition;
        const int top = r.top > 0 ? r.top : 0, left = r.left < 0 ? 0 : r.left;
        g_BrowserSettings.framePosition = (int32_t)(((uint32_t)(top & 0xFFFF) << 16) | (uint32_t)(left & 0xFFFF));
        g_BrowserSettings.frameSize =
            (int32_t)(((uint32_t)((r.bottom - r.top) & 0xFFFF) << 16) | (uint32_t)((r.right - r.left) & 0xFFFF));
        g_BrowserSettings.maximised = maximised ? 1 : 0;
    }
    SaveBrowserSettings(g_Browser.folder);
    SaveFolderHistory(g_Browser.folder);
    FreeFilePlugins();
    g_ScreenRow.Release();
    SetPluginStatusWindow(nullptr);
    SetMessageBoxOwner(nullptr);
    if (g_quitOnDestroy) PostQuitMessage(0);
}

void OnFirstFolder(HWND) {
    if (g_FileList.busy) return;   // a command runs (a modal dialog pumps messages)
    char bare[sizeof g_CurrentFolder];
    std::snprintf(bare, sizeof bare, "%s", g_CurrentFolder);
    size_t n = std::strlen(bare);
    if (n > 0 && bare[n - 1] == '\\') bare[n - 1] = 0;
    if (!bare[0]) return;
    static bool titleShown;
    if (!titleShown) {
        titleShown = true;
        ShowTitleBox(g_Browser.frame);
    }
    if (CheckFolderUsable(bare)) SelectTreeFolder(bare);
}

// The companion program's request: the path in a WM_COPYDATA block.
LRESULT OnCopyData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != kShowFileCopyData || !data->lpData || data->cbData < 2 ||
        data->cbData > (DWORD)kShowFilePathBytes)
        return 0;
    char path[kShowFilePathBytes];
    std::memcpy(path, data->lpData, data->cbData);
    path[data->cbData - 1] = 0;
    return ShowFileInBrowser(path);
}

void SetSizeMode(int mode, int side) {
    g_BrowserSettings.sizeMode = mode;
    g_BrowserSettings.cellWidth = g_BrowserSettings.cellHeight = side;
    ClearThumbCache(kThumbCacheSet);
    RefreshFileList(g_Browser.pane, 1);
}

int SelectedCount() {
    int n = 0;
    for (int i = 0; i < g_FileList.count; ++i) n += g_FileList.flags[(size_t)i] != 0;
    return n;
}

}  // namespace

const char* BrowserTitle() {
    if (!g_Browser.title[0])
        std::snprintf(g_Browser.title, sizeof g_Browser.title, "%s", LoadResString(IDS_BV_TITLE));
    return g_Browser.title;
}

int BrowserMessage(HWND owner, const char* text, unsigned kind) { return ShowMessageBox(owner, text, BrowserTitle(), kind); }

int ShowFileInBrowser(const char* path) {
    if (!g_Browser.frame || !g_Browser.pane || !path) return 0;
    const char* slash = std::strrchr(path, '\\');
    if (!slash || slash == path || (size_t)(slash - path) + 2 > sizeof g_CurrentFolder) return 0;
    HWND frame = g_Browser.frame;
    if (IsIconic(frame)) ShowWindow(frame, SW_RESTORE);
    SetForegroundWindow(frame);
    const std::string folder(path, (size_t)(slash - path));
    if (!CheckFolderUsable(folder.c_str())) return 0;
    PauseThumbLoader();
    // The tree's selection lists the folder, unless a command is running.
    SelectTreeFolder(folder.c_str());
    if (CompareNoCase(g_CurrentFolder, (folder + "\\").c_str()) != 0) {
        std::snprintf(g_CurrentFolder, sizeof g_CurrentFolder, "%s\\", folder.c_str());
        RefreshFileList(g_Browser.pane, 1);
    }
    FillHistoryCombo();
    int found = -1;
    for (int i = 0; i < g_FileList.count; ++i) {
        const bool match = found < 0 && CompareNoCase(g_FileList.paths[(size_t)i].c_str(), path) == 0;
        if (match) found = i;
        if (g_FileList.flags[(size_t)i] != (match ? 1 : 0)) SetCellSelected(i, match ? 1 : 0);
    }
    g_FileList.anchor = found;
    if (found >= 0) ScrollCellIntoView(g_Browser.pane, found);
    UpdateSelectionCount();
    ResumeThumbLoader();
    return found >= 0 ? 1 : 0;
}

void EditorFolderFrom(const char* browserFolder, char* out, size_t outSize) {
    std::snprintf(out, outSize, "%s", browserFolder ? browserFolder : "");
    const size_t n = std::strlen(out);
    if (n >= 5 && CompareNoCase(out + n - 4, "exp\\") == 0 && out[n - 5] == '\\') out[n - 4] = 0;
}

int RegisterBrowserClasses(HINSTANCE instance) {
    ResetBrowserSettings();
    struct ClassRow {
        const char* name;
        WNDPROC proc;
        int extra;
        const char* cursor;   // resource name, or null for the arrow
        COLORREF background;
    };
    const ClassRow rows[] = {
        {kBrowserFrameClass, BrowserWndProc, (int)sizeof(LONG_PTR), nullptr, RGB(245, 248, 249)},
        {kThumbPaneClass, ThumbPaneWndProc, (int)sizeof(LONG_PTR), nullptr, RGB(245, 248, 249)},
        {kSplitterClass, SplitterWndProc, (int)sizeof(LONG_PTR), "resize", RGB(192, 192, 192)},
        {kThumbCellClass, ThumbCellWndProc, (int)sizeof(LONG_PTR), nullptr, RGB(192, 192, 192)},
        {kStatusBarClass, StatusBarWndProc, (int)sizeof(LONG_PTR), nullptr, RGB(192, 192, 192)},
        {kToolIconClass, ToolBarIconWndProc, 0, nullptr, RGB(196, 196, 196)},
        {kToolTipClass, ToolTipWndProc, 0, nullptr, RGB(255, 255, 255)},
    };
    for (const ClassRow& row : rows) {
        WNDCLASSEXA wc = {};
        if (GetClassInfoExA(instance, row.name, &wc)) continue;   // a second frame in the same process
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = row.proc;
        wc.cbWndExtra = row.extra;
        wc.hInstance = instance;
        wc.hIcon = row.proc == BrowserWndProc ? LoadIconA(instance, "ivmico") : LoadIcon(nullptr, IDI_APPLICATION);
        HCURSOR cursor = row.cursor ? LoadCursorA(instance, row.cursor) : nullptr;
        wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(row.background);
        wc.lpszClassName = row.name;
        if (!RegisterClassExA(&wc)) return 0;
    }
    return RegisterFullViewClasses(instance) && RegisterSearchClasses(instance);
}

RECT StartFrameRect(int position, int size, int screenWidth, int screenHeight) {
    int x = position & 0xFFFF, y = (int)(((uint32_t)position >> 16) & 0xFFFF);
    int w = size & 0xFFFF, h = (int)(((uint32_t)size >> 16) & 0xFFFF);
    if (w < 100) w = 100;
    if ((uint32_t)size < 100u * 65536u) h = 100;
    if (x + 48 > screenWidth) x = screenWidth - 48;
    if (y + 48 > screenHeight) y = screenHeight - 48;
    return RECT{x, y, x + w, y + h};
}

HWND CreateBrowserFrame(HINSTANCE instance, const char* folder, int showCommand) {
    g_Browser.instance = instance;
    std::snprintf(g_Browser.folder, sizeof g_Browser.folder, "%s", folder);
    g_Browser.title[0] = 0;
    BrowserTitle();
    g_Browser.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_Browser.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_Browser.cellMenuResource = LoadMenuA(instance, "ivm_submenu");
    g_Browser.cellMenu = g_Browser.cellMenuResource ? GetSubMenu(g_Browser.cellMenuResource, 0) : nullptr;
    g_Browser.toolbarBitmap = LoadBitmapA(instance, "tbb");
    g_Browser.toolbarBrush = g_Browser.toolbarBitmap ? CreatePatternBrush(g_Browser.toolbarBitmap) : nullptr;
    g_Browser.appActive = 1;
    RegisterBrowserClasses(instance);
    HWND frame = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kBrowserFrameClass, g_Browser.title, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                 LoadMenuA(instance, "IvmMenu"), instance, nullptr);
    if (!frame) {
        CleanUpBrowser();
        return nullptr;
    }
    CreateFolderTree(frame);
    if (g_BrowserSettings.maximised) {
        ShowWindow(frame, SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(frame, showCommand);
        RECT r = StartFrameRect(g_BrowserSettings.framePosition, g_BrowserSettings.frameSize, g_Browser.screenWidth,
                                g_Browser.screenHeight);
        MoveWindow(frame, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    UpdateWindow(frame);
    return frame;
}

void SetBrowserQuitOnDestroy(bool quit) { g_quitOnDestroy = quit; }

void CleanUpBrowser() {
    char pattern[MAX_PATH], file[MAX_PATH];
    if (std::snprintf(pattern, sizeof pattern, "%s*.cub", g_Browser.folder) < (int)sizeof pattern) {
        for (int i = 0; i < 10; ++i) {
            WIN32_FIND_DATAA fd;
            HANDLE find = FindFirstFileA(pattern, &fd);
            if (find == INVALID_HANDLE_VALUE) break;
            FindClose(find);
            std::snprintf(file, sizeof file, "%s%s", g_Browser.folder, fd.cFileName);
            if (!DeleteFileA(file)) break;
        }
    }
    FreeBrowserFontList();
    ClosePrinter();
    if (g_Browser.toolbarBrush) DeleteObject(g_Browser.toolbarBrush);
    if (g_Browser.toolbarBitmap) DeleteObject(g_Browser.toolbarBitmap);
    if (g_Browser.cellMenuResource) DestroyMenu(g_Browser.cellMenuResource);
    g_Browser.toolbarBrush = nullptr;
    g_Browser.toolbarBitmap = nullptr;
    g_Browser.cellMenuResource = g_Browser.cellMenu = nullptr;
    if (std::snprintf(file, sizeof file, "%sfile_w\\exif.buf", g_Browser.folder) < (int)sizeof file) DeleteFileA(file);
}

void LayoutBrowserFrame(int sizeType, int width, int height) {
    if (sizeType == SIZE_MINIMIZED) return;
    int& tree = g_BrowserSettings.treeWidth;
    if (width > 32 && height > 32) {
        if (tree > width - 32) tree = width - 32;
        if (tree < 32) tree = 32;
    }
    const int T = g_Browser.toolbarHeight, W = tree, below = height - T - 20;
    if (g_Browser.toolbar) MoveWindow(g_Browser.toolbar, 0, 0, width, T, TRUE);
    if (g_Browser.tree) MoveWindow(g_Browser.tree, 0, T, W, below, TRUE);
    if (g_Browser.splitter) MoveWindow(g_Browser.splitter, W, T, 16, below, TRUE);
    if (g_Browser.pane) MoveWindow(g_Browser.pane, W + 16, T, width - W - 16, below, TRUE);
    if (g_Browser.status) MoveWindow(g_Browser.status, 0, height - 20, width, 20, TRUE);
}

void RelayoutBrowserFrame() {
    if (g_Browser.frame) RelayoutWindow(g_Browser.frame, 0);
}

void UpdateBrowserMenu(HMENU menu) {
    for (int i = 0; i <= 3; ++i)
        CheckMenuItem(menu, IDM_BV_SIZE_SMALL + i, MF_BYCOMMAND | (g_BrowserSettings.sizeMode == i ? MF_CHECKED : MF_UNCHECKED));
    for (int i = 0; i <= 5; ++i)
        CheckMenuItem(menu, IDM_BV_SORT_FIRST + i,
                      MF_BYCOMMAND | (g_BrowserSettings.sortOrder == i ? MF_CHECKED : MF_UNCHECKED));
    const int selected = SelectedCount();
    bool allRefused = selected > 0;
    for (int i = 0; i < g_FileList.count && allRefused; ++i)
        if (g_FileList.flags[(size_t)i] && !HasRefusedExtension(g_FileList.paths[(size_t)i].c_str())) allRefused = false;
    auto enable = [menu](int id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(IDM_BV_ROTATE, selected > 0 && !allRefused);
    enable(IDM_BV_BATCH, selected > 0 && !allRefused);
    enable(IDM_BV_RENAME, selected == 1);
    enable(IDM_BV_INFO, selected == 1);
    for (int id : {IDM_BV_COPY, IDM_BV_DELETE, IDM_BV_FULLVIEW, IDM_BV_PRINT, IDM_BV_INDEXPRINT, IDM_BV_UNSELECT})
        enable(id, selected > 0);
}

void BrowserOnCommand(HWND frame, int id) {
    PauseThumbLoader();
    const int first = FirstSelected();
    switch (id) {
    case IDM_BV_EXIT:
        ResumeThumbLoader();
        DestroyWindow(frame);
        return;
    case IDM_BV_COMPANION: {
        char command[MAX_PATH + 16];
        if (std::snprintf(command, sizeof command, "%squillet.exe", g_Browser.folder) < (int)sizeof command)
            WinExec(command, SW_SHOW);
        break;
    }
    case IDM_BV_BATCH:
        if (first >= 0) BatchConvert(frame);
        break;
    case IDM_BV_PRINT:
        if (SelectedCount() == 1) PrintOneImage(frame, g_FileList.paths[(size_t)first].c_str());
        else if (first >= 0) PrintSelectedPages(frame);
        break;
    case IDM_BV_INDEXPRINT:
        IndexPrint(frame);
        break;
    case IDM_BV_COPY:
        CopySelectedFiles(frame);
        break;
    case IDM_BV_DELETE:
        DeleteSelectedFiles(frame);
        break;
    case IDM_BV_SELECTALL:
        for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 1;
        break;
    case IDM_BV_INVERT:
        for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = !g_FileList.flags[(size_t)i];
        break;
    case IDM_BV_RENAME:
        if (first >= 0) {
            const std::string old = g_FileList.paths[(size_t)first];
            if (RenameFileDialog(frame, old.c_str())) {
                RefreshFileList(g_Browser.pane, 1);
                DeleteThumbCacheFile(old.c_str(), kThumbCacheSet);
            }
        }
        break;
    case IDM_BV_UNSELECT:
        for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 0;
        break;
    case IDM_BV_SEARCH: {
        char pattern[81] = "*.*";
        if (InputString(frame, pattern, "ワイルドカードを入力してください")) SearchFiles(frame, g_CurrentFolder, pattern);
        break;
    }
    case IDM_BV_FULLVIEW:
        if (first < 0) BrowserMessage(frame, kNoSelection, kMsgOk);
        else ShowFullView(frame);
        break;
    case IDM_BV_INFO:
        if (first >= 0) ShowFileInfo(frame, first);
        break;
    case IDM_BV_ROTATE:
        RotateSelectedFiles(frame);
        break;
    case IDM_BV_SIZE_SMALL:
        SetSizeMode(0, 96);
        break;
    case IDM_BV_SIZE_NORMAL:
        SetSizeMode(1, 128);
        break;
    case IDM_BV_SIZE_LARGE:
        SetSizeMode(2, 192);
        break;
    case IDM_BV_SIZE_CUSTOM: {
        int side = g_BrowserSettings.cellWidth;
        if (InputNumber(frame, &side, 512, 40)) SetSizeMode(3, side);
        break;
    }
    default:
        if (id >= IDM_BV_SORT_FIRST && id <= IDM_BV_SORT_LAST) {
            g_BrowserSettings.sortOrder = id - IDM_BV_SORT_FIRST;
            RefreshFileList(g_Browser.pane, 1);
        }
        break;
    }
    ResumeThumbLoader();
    if (g_Browser.pane) RepaintAllCells();
    UpdateSelectionCount();
}

LRESULT CALLBACK BrowserWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        return BrowserOnCreate(wnd) ? 0 : -1;
    case WM_DESTROY:
        BrowserOnDestroy(wnd);
        break;
    case WM_SIZE:
        LayoutBrowserFrame((int)wp, LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_ACTIVATEAPP:
        g_Browser.appActive = (int)wp;
        return 0;
    case WM_WINDOWPOSCHANGING: {
        WINDOWPOS* pos = (WINDOWPOS*)lp;
        if (!(pos->flags & SWP_NOSIZE)) {
            pos->cx &= ~1;
            pos->cy &= ~1;
        }
        return 0;
    }
    case WM_NOTIFY:
        if (((NMHDR*)lp)->idFrom == (UINT_PTR)kIdFolderTree) OnFolderTreeNotify(wnd, (NMHDR*)lp);
        break;
    case WM_DISPLAYCHANGE:
        CheckDisplayDepth(wnd);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_DELETE) SendMessageA(wnd, WM_COMMAND, IDM_BV_DELETE, 0);
        break;
    case WM_COMMAND:
        BrowserOnCommand(wnd, LOWORD(wp));
        return 0;
    case WM_INITMENU:
        UpdateBrowserMenu((HMENU)wp);
        return 0;
    case WM_COPYDATA:
        return OnCopyData((const COPYDATASTRUCT*)lp);
    case WM_MOUSEWHEEL:
        ForwardWheelToView(wp);
        return 0;
    case kMsgRestoreBrowser:
        RestoreBrowserFrame();
        SendMessageA(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    case kMsgFirstFolder:
        OnFirstFolder(wnd);
        break;
    default:
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
