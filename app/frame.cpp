#include "app/frame.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "canvas/canv_clip.h"
#include "canvas/clip_strings.h"
#include "canvas/canv_dialogs.h"
#include "app/canvas_request.h"
#include "app/commands.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "canvas/canv_layers.h"
#include "app/globals.h"
#include "app/newcanvas_cmd.h"
#include "app/handover.h"
#include "app/instruments.h"
#include "app/toolbar.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "app/paint_frame.h"
#include "adjust/trim_dialog.h"
#include "select/floating.h"
#include "select/sel_tool.h"
#include "fileio/parts_box.h"
#include "fileio/twain.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/wndclass.h"
#include "fileio/file_dialogs.h"
#include "app/pen_env.h"
#include "image/vms_store.h"
#include "paint/pen_panel.h"
#include "paint/tablet.h"
#include "paint/pen_writer.h"
#include "paint/canvas_pen.h"

FrameStateRecord FrameState = {-1, 0, 0, 0, nullptr, {1, 1, 1}, nullptr, 0};
const char kBrowserClassName[] = "darnaview_class_name";

namespace {

std::vector<std::string> g_openRequests;
int (*g_diskState)() = nullptr;
int (*g_swapRoot)(char*) = nullptr;

const char kLowDiskText[] =
    "仮想メモリーのためのハードディスクドライブの空き容量が少なくな\r\nっています。\r\n"
    "一度、編集中のファイルを保存し、プログラムを終了させてください。\r\n"
    "仮想メモリーのためのドライブは%sです。";

const char kSupportPage[] = "https://www.example.com/darna/support/";

int SwapDiskState() { return g_diskState ? g_diskState() : GetSwapDiskState(); }
int SwapRoot(char* buffer) { return g_swapRoot ? g_swapRoot(buffer) : GetSwapFilePath(buffer); }

void DestroyTitleWindow() {
    if (AppWindows.title && IsWindow(AppWindows.title)) DestroyWindow(AppWindows.title);
    AppWindows.title = nullptr;
}

int ShowFrameMessage(int stringId, unsigned kind) {
    return ShowMessageBox(AppWindows.frame, LoadResString(stringId), kAppTitle, kind);
}

bool IsOneOf(int id, std::initializer_list<int> ids) {
    for (int x : ids)
        if (x == id) return true;
    return false;
}

bool InRange(int id, int lo, int hi) { return id >= lo && id <= hi; }

// Ids that SelectTool takes (besides 14001 and 20006).
bool IsToolCommand(int id) {
    return id == CMD_EDIT_PASTEFILE || id == CMD_EDIT_MATERIAL || InRange(id, 20000, 20005) ||
           InRange(id, 20007, 20012) || InRange(id, 20014, 20020) || InRange(id, 20023, 20025) ||
           InRange(id, 20510, 20515) || InRange(id, 20518, 20521);
}

std::vector<HWND> CanvasWindows() {
    std::vector<HWND> list;
    if (!AppWindows.mdiClient) return list;
    for (HWND w = GetWindow(AppWindows.mdiClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        list.push_back(w);
    return list;
}

void CloseAllCanvases() {
    for (HWND child : CanvasWindows())
        if (!CloseChildProc(child, 0)) break;
}

void StartBrowser() {
    HWND browser = FindWindowA(kBrowserClassName, nullptr);
    if (browser) {
        if (IsIconic(browser)) SendMessageA(browser, WM_SYSCOMMAND, SC_RESTORE, 0);
        else SetForegroundWindow(browser);
        return;
    }
    char command[MAX_PATH + 32];
    std::snprintf(command, sizeof command, "%s\\exp\\darnaview.exe", ProgramFolder);
    WinExec(command, SW_SHOW);
}

void StartDarnaXp() {
    HWND old = FindWindowA("main_class_name", "DarnaXp");
    if (old) {
        SetWindowPos(old, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return;
    }
    char command[MAX_PATH + 32];
    std::snprintf(command, sizeof command, "%sdarnaxp.exe", ProgramFolder);
    WinExec(command, SW_SHOW);
}

void OpenInShell(const char* name) {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s%s", ProgramFolder, name);
    ShellExecuteA(AppWindows.frame, nullptr, path, nullptr, nullptr, SW_SHOW);
}

void OnTimerTick(HWND frame) {
    FrameState.tickCount = (FrameState.tickCount + 1) & 3;
    if (FrameState.tickCount == 0 && !FrameState.lowDiskShown && SwapDiskState() > 0) {
        FrameState.lowDiskShown = 1;
        FrameSetTimer(frame, 0);
        char root[MAX_PATH] = {};
        SwapRoot(root);
        char text[sizeof kLowDiskText + MAX_PATH];
        std::snprintf(text, sizeof text, kLowDiskText, root);
        ShowMessageBox(frame, text, kAppTitle, kMsgOk);
        FrameSetTimer(frame, 1);
    }
    InstrumentsOnTimerTick();
    if (AppWindows.title && GetTickCount() - FrameState.startTick > 4000) DestroyTitleWindow();
}

void SetMenuCheck(HMENU menu, int id, bool on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}
void SetMenuEnable(HMENU menu, int id, bool on) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

const std::vector<std::string>& GetOpenRequests() { return g_openRequests; }
void ClearOpenRequests() { g_openRequests.clear(); }

void SetSwapDiskQueries(int (*state)(), int (*root)(char*)) {
    g_diskState = state;
    g_swapRoot = root;
}

HWND GetActiveCanvasWindow() {
    if (!AppWindows.mdiClient) return nullptr;
    HWND active = (HWND)SendMessageA(AppWindows.mdiClient, WM_MDIGETACTIVE, 0, 0);
    return active && IsWindow(active) ? active : nullptr;
}

void FrameSetTimer(HWND frame, int on) {
    if (FrameState.timerId >= 0) KillTimer(frame, (UINT_PTR)FrameState.timerId);
    FrameState.timerId = -1;
    if (!on) return;
    FrameState.timerId = SetFirstFreeTimer(frame, 500);
}

void FrameOnSize(HWND, int width, int height) {
    int top = Env.mainBarShown ? 64 : 0;
    if (AppWindows.mainToolBar)
        MoveWindow(AppWindows.mainToolBar, 0, 0, Env.mainBarShown ? width : 0, Env.mainBarShown ? 64 : 0, TRUE);
    if (AppWindows.penOptionBar) MoveWindow(AppWindows.penOptionBar, 0, top, width, 32, TRUE);
    if (AppWindows.toolBar2) MoveWindow(AppWindows.toolBar2, 0, top + 32, 72, height - top - 32, TRUE);
    int area;
    if (Env.statusBarShown) {
        if (AppWindows.statusBar) MoveWindow(AppWindows.statusBar, 72, height - 28, width - 72, 28, TRUE);
        area = height - top - 60;
    } else {
        if (AppWindows.statusBar) MoveWindow(AppWindows.statusBar, 0, 0, 0, 0, TRUE);
        area = height - top - 32;
    }
    int clientWidth;
    if (Env.ctrlPanelShown) {
        if (AppWindows.ctrlPanel) MoveWindow(AppWindows.ctrlPanel, width - 268, top + 32, 268, area, TRUE);
        clientWidth = width - 340;
    } else {
        if (AppWindows.ctrlPanel) MoveWindow(AppWindows.ctrlPanel, 0, 0, 0, 0, TRUE);
        clientWidth = width - 72;
    }
    if (AppWindows.mdiClient) MoveWindow(AppWindows.mdiClient, 72, top + 32, clientWidth, area, TRUE);
}

void FrameRelayout() {
    HWND frame = AppWindows.frame;
    if (!frame) return;
    RECT rc;
    GetWindowRect(frame, &rc);
    if (!IsZoomed(frame) && !IsIconic(frame)) {
        SetWindowPos(frame, nullptr, rc.left, rc.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(frame, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(frame, &client);
    SendMessageA(frame, WM_SIZE, IsZoomed(frame) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                 MAKELPARAM(client.right, client.bottom));
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

namespace {

// The zoom presets of View > 表示倍率: the first 13 entries of the zoom table.
constexpr int kZoomMenuPresets = 13;

// The items that need a selection shape, an area or an outline to work on; the
// accelerators of grey items do nothing either.
void SelectionMenuState(HMENU menu, CanvDoc* doc) {
    const bool shape = c_SelectionTool::Current(doc).kind != 0;
    SetMenuEnable(menu, CMD_IMG_SELTONEW, shape);
    SetMenuEnable(menu, CMD_SEL_DESELECT, shape);
    int area = 0, outline = 0;
    c_SelectionTool::GetShapeKind(doc, &area, &outline);
    SetMenuEnable(menu, CMD_IMG_STROKESEL, outline != 0);
    for (int id : {CMD_EDIT_CUT, CMD_SEL_SHRINK, CMD_SEL_GROW, CMD_SEL_BLUR, CMD_IMG_FILLSEL, CMD_IMG_LAYERFROMSEL})
        SetMenuEnable(menu, id, area != 0);
}

// The items that follow the active document's state.
void DocumentMenuState(HMENU menu, CanvDoc* doc, bool clipImage) {
    const int zoom = (int)doc->zoom;
    for (int i = 0; i < kZoomMenuPresets; ++i)
        SetMenuCheck(menu, CMD_VIEW_ZOOM_FIRST + i, ZoomPresetTable[i] == zoom && doc->zoom == (double)zoom);
    SetMenuEnable(menu, CMD_VIEW_ZOOMOUT, zoom > CanvZoomMin);
    SetMenuEnable(menu, CMD_VIEW_ZOOMIN, zoom < CanvZoomMax);
    SetMenuEnable(menu, CMD_EDIT_UNDO, c_UndoManager::CanUndo(doc) != 0);
    SetMenuEnable(menu, CMD_EDIT_REDO, c_UndoManager::CanRedo(doc) != 0);
    const int layer = doc->currentPlane / CanvPlanesPerLayer;
    const int plane = doc->currentPlane % CanvPlanesPerLayer;
    SetMenuEnable(menu, CMD_LAYER_DELETE, layer != 0);
    SetMenuEnable(menu, CMD_IMG_DARKTOLAYER, plane == 0);
    SetMenuEnable(menu, CMD_IMG_EXIFCLEAR, doc->exifBlob != nullptr && doc->exifSize > 0);
    SetMenuCheck(menu, CMD_IMG_STROKELAYERON, doc->strokeLayerMode != 0);
    SetMenuCheck(menu, CMD_VIEW_GRID, doc->gridShown != 0);
    SetMenuEnable(menu, CMD_EDIT_PASTE, clipImage);
    SetMenuEnable(menu, CMD_EDIT_PASTELAYER, clipImage);
    SelectionMenuState(menu, doc);
}

}  // namespace

void FrameOnInitMenu(HMENU menu) {
    std::vector<HWND> canvases = CanvasWindows();
    SetMenuEnable(menu, CMD_WIN_TILE, canvases.size() >= 2);
    SetMenuEnable(menu, CMD_WIN_CASCADE, canvases.size() >= 2);
    SetMenuCheck(menu, CMD_VIEW_TABLET, AppWindows.tabletDialog && IsWindow(AppWindows.tabletDialog));
    bool clipImage = GetClipboardDibInfo(nullptr, nullptr, nullptr) != 0;
    SetMenuEnable(menu, CMD_FILE_FROMCLIPBOARD, clipImage);
    HWND active = GetActiveCanvasWindow();
    if (CanvDoc* doc = active ? GetCanvDoc(active) : nullptr) {
        bool minimised = false;
        for (HWND w : canvases) minimised = minimised || IsIconic(w);
        SetMenuEnable(menu, CMD_WIN_ARRANGE, minimised);
        for (int i = 0; i < 3; ++i) SetMenuCheck(menu, CMD_SELSHADE_FIRST + i, Env.selShadeMode == i);
        SetMenuCheck(menu, CMD_VIEW_COORDS, Env.statusCoords != 0);
        SetMenuCheck(menu, CMD_VIEW_CTRLPANEL, Env.ctrlPanelShown != 0);
        SetMenuCheck(menu, CMD_VIEW_DIMOUTSIDE, Env.dimOutsideLayer != 0);
        PaintMenuState(menu);
        DocumentMenuState(menu, doc, clipImage);
    }
}

void OpenDroppedPaths(const std::vector<std::string>& paths) {
    HWND frame = AppWindows.frame;
    if (!frame) return;
    for (const std::string& path : paths)
        SendMessageA(frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path.c_str());
    HWND browser = FindWindowA(kBrowserClassName, nullptr);
    if (browser) SendMessageA(browser, WM_USER + 10, 0, 0);
}

void FrameOnDropFiles(HDROP drop) {
    std::vector<std::string> paths;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {};
        if (DragQueryFileA(drop, i, path, 256)) paths.push_back(path);
    }
    DragFinish(drop);
    OpenDroppedPaths(paths);
}

LRESULT FrameOnMouseWheel(WPARAM wp) {
    HWND canvas = GetActiveCanvasWindow();
    if (!canvas) return 0;
    bool forward = (int32_t)(uint32_t)wp > 0;
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000) {
        SendMessageA(canvas, WM_COMMAND, forward ? CMD_VIEW_ZOOMIN : CMD_VIEW_ZOOMOUT, 0);
    } else {
        HWND pane = FindWindowExA(canvas, nullptr, "CanvWndClass", nullptr);
        if (pane) SendMessageA(pane, WM_VSCROLL, forward ? SB_PAGEUP : SB_PAGEDOWN, 0);
    }
    return 0;
}

void FrameOnActivateApp(BOOL active) {
    EndToolBarTips();
    FrameState.appActive = active ? 1 : 0;
    if (!active && AppWindows.frame) PostMessageA(AppWindows.frame, WM_NCACTIVATE, FALSE, 0);
}

void FrameOnDisplayChange() {
    // The dialog that would tell of a changed display is not part of the
    // resources; only the new facts are compared.
    HDC dc = GetDC(AppWindows.frame);
    int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(AppWindows.frame, dc);
    int startDepth = Screen.depth == 15 ? 16 : Screen.depth;
    if (GetSystemMetrics(SM_CXSCREEN) != Screen.width || GetSystemMetrics(SM_CYSCREEN) != Screen.height ||
        (depth == 15 ? 16 : depth) != startDepth) {
        HRSRC found = FindResourceA(AppInstance, "da_screenchange", (LPCSTR)RT_DIALOG);
        if (found) DialogBoxParamA(AppInstance, "da_screenchange", AppWindows.frame, nullptr, 0);
    }
}

void FrameSaveSettings(HWND frame) {
    RECT rc;
    if (GetWindowRect(frame, &rc) && !IsZoomed(frame) && !IsIconic(frame)) {
        Env.framePos = PackWords(rc.left, rc.top);
        Env.frameSize = PackWords(rc.right - rc.left, rc.bottom - rc.top);
    }
    PenStateToEnv();
    InstrumentsBeforeSave();
    SaveEnvBlock(ProgramFolder);
    SaveInitDir();
    SavePenSizes();
    SaveCanvasSizes();
    SavePenRecords();
}

BOOL CALLBACK CloseChildProc(HWND child, LPARAM) {
    if (GetWindow(child, GW_OWNER)) return TRUE;   // an icon title
    if (!IsZoomed(child)) SendMessageA(AppWindows.mdiClient, WM_MDIRESTORE, (WPARAM)child, 0);
    if (!SendMessageA(child, WM_QUERYENDSESSION, 0, 0)) return FALSE;
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)child, 0);
    return TRUE;
}

void SelectTool(int id, LPARAM flag) {
    HWND canvas = GetActiveCanvasWindow();
    if (!canvas) return;
    // The edge pen's stroke layer is finished before another tool takes over,
    // and the brush outline of the old tool goes (the new one draws its own).
    if (CanvDoc* doc = GetCanvDoc(canvas)) FinishStrokeLayer(doc);
    ToggleBrushCursor();
    int old = CurrentTool;
    CurrentTool = id;
    // Brush images 2 and 3 hold a snapshot only when the caller asks to keep it.
    Env.snapshotFlag = flag == 10 ? 1 : 0;
    if (FrameState.trimDialog && IsWindow(FrameState.trimDialog)) DestroyWindow(FrameState.trimDialog);
    FrameState.trimDialog = nullptr;

    // A floating image and an unfinished outline of the old tool end here.
    DropFloatingIfPasting();
    c_SelectionTool::EraseUnfinishedOutline(nullptr);
    bool refused = false;
    switch (id) {
    case CMD_EDIT_PASTE:
        // The clipboard image floats over the document until it is placed.
        if (!PasteAtCursor(GetCanvDoc(canvas), FloatFromClipboard, nullptr)) refused = true;
        break;
    case CMD_TOOL_FLOAT:
        // The text tool's text floats the same way.
        if (!PasteAtCursor(GetCanvDoc(canvas), FloatFromText, nullptr)) refused = true;
        break;
    case CMD_EDIT_PASTEFILE: {
        char path[MAX_PATH] = {}, name[MAX_PATH] = {};
        if (!OpenFileDialog(AppWindows.frame, path, name, (char*)InitDirBlock, 0) ||
            !PasteAtCursor(GetCanvDoc(canvas), FloatFromFile, path))
            refused = true;
        break;
    }
    case CMD_EDIT_MATERIAL: {
        char folder[MAX_PATH + 16], path[MAX_PATH] = {};
        std::snprintf(folder, sizeof folder, "%smaterial\\", ProgramFolder);
        // The chosen part floats as a pasted file does; without a choice, or
        // when it cannot be read, the old tool stays.
        if (OpenPartsBox(AppWindows.frame, folder, path, "*.*", kMaterialFolderTitle)) {
            CurrentTool = CMD_EDIT_PASTEFILE;
            if (!PasteAtCursor(GetCanvDoc(canvas), FloatFromFile, path)) refused = true;
        } else {
            refused = true;
        }
        break;
    }
    case CMD_TOOL_EDGELASSO:
        // The edge lasso starts afresh: a path in hand is dropped with its selection.
        PreviousTool = old;
        if (CanvDoc* doc = GetCanvDoc(canvas); doc && c_SelectionTool::Current(doc).kind == CMD_TOOL_PATH)
            c_SelectionTool::Deselect(doc);
        break;
    case CMD_TOOL_TRIM:
        // The trim panel follows the rectangle of the active canvas.
        PreviousTool = old;
        FrameState.trimDialog = OpenTrimDialog(AppWindows.frame);
        break;
    default:
        PreviousTool = old;
        break;
    }
    if (refused) CurrentTool = old;
    ToggleBrushCursor();
    {
        // The pen's part: its mode, and the snapshot of the eraser tool.
        PenCanvas view;
        CanvDoc* doc = GetCanvDoc(canvas);
        if (doc) MakePenCanvas(doc, &view);
        c_PenWriter::ToolSelected(CurrentTool, (int)flag, doc ? &view : nullptr);
    }

    if (AppWindows.penOptionPanel && IsWindow(AppWindows.penOptionPanel)) {
        bool shapes = id == 20015 || id == 20019 || id == 20020 || id == 20025;
        SendMessageA(AppWindows.penOptionPanel, WM_USER + 15, shapes ? 1 : 0, 0);
    }
    RepaintToolButtons(old, CurrentTool);
    if (AppWindows.statusBar) SendMessageA(AppWindows.statusBar, WM_USER, 0, 0);
    if (id == 20000 || id == 20005 || InRange(id, 20015, 20020) || id == 20025)
        SendMessageA(AppWindows.frame, WM_COMMAND, flag == 0 ? CMD_IMG_STROKELAYERON : CMD_IMG_STROKELAYEROFF, 0);
}

int FrameOnCommand(HWND frame, WPARAM wp, LPARAM lp) {
    int id = LOWORD(wp);
    if (IsOneOf(id, {14000, 14001, 14002, 14003, 14004, 14005, 14006, 14007, 14010, 14011, 14013, 20006,
                     21000, 21001, 21020, 22000, 22001})) {
        DestroyTitleWindow();
    } else {
        FrameState.channelWrite[0] = FrameState.channelWrite[1] = FrameState.channelWrite[2] = 1;
        if (!InRange(id, 11000, 11041)) DestroyTitleWindow();
    }

    if (InstrumentsOnCommand(frame, id)) return 1;
    if (int paint = PaintOnCommand(frame, id); paint >= 0) return paint;

    if (IsRecentFileCommand(id)) {
        char path[kRecentSlotChars];
        lstrcpynA(path, RecentFiles[id - CMD_RECENT_FIRST], sizeof path);
        SendMessageA(frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path);
        return 0;
    }

    switch (id) {
    case CMD_FILE_CLOSE: {
        HWND canvas = GetActiveCanvasWindow();
        if (canvas) SendMessageA(canvas, WM_CLOSE, 0, 0);
        return 0;
    }
    case CMD_FILE_EXIT:
        SendMessageA(frame, WM_CLOSE, 0, 0);
        return 0;
    case CMD_FILE_NEW:
        if (!PrepareNewCanvas(frame)) return 1;
        if (!CreateCanvasWindow() && !TakeCanvasRefusalShown()) ShowFrameMessage(IDS_NEW_FAILED, kMsgOk);
        return 0;
    case CMD_FILE_OPEN: {
        char path[MAX_PATH] = {}, name[MAX_PATH] = {};
        if (OpenFileDialog(frame, path, name, (char*)InitDirBlock, 0)) {
            SendMessageA(frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path);
            return 0;
        }
        return 1;
    }
    case CMD_FILE_OPENPATH: {
        char path[MAX_PATH] = {};
        if (lp) lstrcpynA(path, (const char*)lp, sizeof path);
        g_openRequests.push_back(path);
        AppendTestLog("open", path);
        if (OpenCanvasFile(frame, path) && !CreateCanvasWindow() && !TakeCanvasRefusalShown())
            ShowFrameMessage(IDS_NEW_FAILED, kMsgOk);
        return 0;
    }
    case CMD_TWAIN_IMAGE:
        if (!ReceiveImageFile(frame, (HGLOBAL)lp)) return 1;
        if (!CreateCanvasWindow() && !TakeCanvasRefusalShown()) ShowFrameMessage(IDS_CANVAS_FAILED, kMsgOk);
        return 0;
    case CMD_IMG_MERGE:
    case CMD_IMG_DUPLICATE:
    case CMD_IMG_SELCOPY:
    case CMD_IMG_DUPROTATE:
    case CMD_IMG_ROTRIGHT:
    case CMD_IMG_ROTLEFT: {
        int ready = id == CMD_IMG_MERGE       ? PrepareMergedCopy(frame)
                    : id == CMD_IMG_DUPLICATE ? PrepareDuplicate(frame)
                    : id == CMD_IMG_SELCOPY   ? PrepareSelectionCopy(frame)
                    : id == CMD_IMG_DUPROTATE ? PrepareFreeTurn(frame)
                                              : PrepareRotatedDuplicate(frame, id == CMD_IMG_ROTRIGHT ? 1 : -1);
        if (!ready) return 1;
        HWND source = NewCanvasRequest.source ? NewCanvasRequest.source->window : nullptr;
        const bool inPlace = NewCanvasRequest.rotateFlags[1] != 0;
        if (!CreateCanvasWindow()) {
            if (!TakeCanvasRefusalShown()) ShowFrameMessage(IDS_NEW_FAILED, kMsgOk);
        } else if (inPlace && source && IsWindow(source)) {
            // The turned copy takes the source's place: the source goes without its
            // question, its pictures live on in the copy (marked changed).
            SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)source, 0);
        }
        return 0;
    }
    case CMD_FILE_TWAINSOURCE:
        if (TwainLoadManager() == 1) {
            TwainSelectSource();
            TwainCloseManager();
        } else {
            ShowFrameMessage(IDS_NO_TWAIN_DSM, kMsgOk);
        }
        return 1;
    case CMD_FILE_CLEARHISTORY: {
        EnablePanels(FALSE);
        int answer = ShowFrameMessage(IDS_ASK_CLEARHISTORY, kMsgYesNo);
        EnablePanels(TRUE);
        if (answer == IDYES) RecentFilesClear();
        return 1;
    }
    case CMD_FILE_DARNAXP:
        StartDarnaXp();
        return 1;
    case CMD_FILE_BROWSER:
        StartBrowser();
        return 1;
    case CMD_VIEW_CTRLPANEL:
        Env.ctrlPanelShown = !Env.ctrlPanelShown;
        FrameRelayout();
        return 1;
    case CMD_WIN_TILE:
        SendMessageA(AppWindows.mdiClient, WM_MDITILE, 0, 0);
        return 0;
    case CMD_WIN_CASCADE:
        SendMessageA(AppWindows.mdiClient, WM_MDICASCADE, 0, 0);
        return 0;
    case CMD_WIN_CLOSEALL:
        CloseAllCanvases();
        return 0;
    case CMD_WIN_ARRANGE:
        SendMessageA(AppWindows.mdiClient, WM_MDIICONARRANGE, 0, 0);
        return 0;
    case CMD_HELP_INDEX:
        OpenInShell("help\\index.html");
        return 1;
    case CMD_HELP_SUPPORT:
        ShellExecuteA(frame, nullptr, kSupportPage, nullptr, nullptr, SW_SHOW);
        return 1;
    case CMD_IMG_PARTSFOLDER:
        OpenInShell("partsbox\\");
        return 1;
    case CMD_FILE_FROMCLIPBOARD: {
        const int ready = PrepareClipboardCanvas();
        if (ready == 0) ShowFrameMessage(IDS_NO_CLIPBOARD, kMsgOk);
        if (ready <= 0) return 1;
        if (!CreateCanvasWindow()) ShowFrameMessage(IDS_NEW_FAILED, kMsgOk);
        return 0;
    }
    case CMD_IMG_CANVASSIZE:
    case CMD_IMG_DUPRESIZE: {
        CanvDoc* doc = GetActiveCanvas();
        if (!doc) return 1;
        int ready = id == CMD_IMG_CANVASSIZE ? ShowCanvasResizeDialog(doc) : PrepareResizedDuplicate(frame, doc);
        if (!ready) return 1;
        if (!CreateCanvasWindow()) ShowFrameMessage(IDS_NEW_FAILED, kMsgOk);
        return 0;
    }
    case CMD_CHANNELLOCK:
        ShowChannelLockDialog(frame);
        return 1;
    case CMD_EDIT_PASTE:
    case CMD_TOOL_FLOAT:
        SelectTool(id, lp);
        return 0;
    default:
        if (IsToolCommand(id)) {
            SelectTool(id, lp);
            return 0;
        }
        return 1;
    }
}

LRESULT CALLBACK FrameWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    HWND client = AppWindows.frame == wnd ? AppWindows.mdiClient : nullptr;
    if (msg == MsWheelMessage && MsWheelMessage) return FrameOnMouseWheel(wp);
    switch (msg) {
    case WM_CREATE:
        return FrameOnCreate(wnd) ? 0 : -1;
    case WM_DESTROY:
        // A frame whose creation failed has nothing to take down.
        if (AppWindows.frame == wnd) FrameOnDestroy(wnd);
        return 0;
    case WM_SIZE:
        // Not passed to DefFrameProc, which would stretch the MDI client over the
        // whole client area.
        FrameOnSize(wnd, LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        Env.maximised = IsZoomed(wnd) ? 1 : 0;
        FrameSaveSettings(wnd);
        SendMessageA(wnd, WM_COMMAND, CMD_WIN_CLOSEALL, 0);
        if (client && GetWindow(client, GW_CHILD)) return 0;
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case WM_ACTIVATEAPP:
        FrameOnActivateApp((BOOL)wp);
        return 0;
    case WM_DISPLAYCHANGE:
        FrameOnDisplayChange();
        return 0;
    case WM_NCACTIVATE:
        if (FrameState.appActive) wp = TRUE;
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case WM_KEYDOWN:
        return 0;
    case WM_COMMAND:
        if (FrameOnCommand(wnd, wp, lp)) {
            HWND canvas = GetActiveCanvasWindow();
            if (canvas) SendMessageA(canvas, WM_COMMAND, wp, lp);
            return DefFrameProcA(wnd, client, msg, wp, lp);
        }
        return 0;
    case WM_TIMER:
        if ((int)wp == FrameState.timerId) OnTimerTick(wnd);
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case WM_INITMENU:
        FrameOnInitMenu((HMENU)wp);
        return 0;
    case WM_MOUSEMOVE:
        if (FrameState.savedCursor) {
            ShowCursor(FALSE);
            SetCursor(FrameState.savedCursor);
            FrameState.savedCursor = nullptr;
        }
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case WM_MOUSEWHEEL:
        return FrameOnMouseWheel(wp);
    case WM_DROPFILES:
        FrameOnDropFiles((HDROP)wp);
        return 0;
    case WM_COPYDATA:
        return ReceiveHandOver((const COPYDATASTRUCT*)lp);
    case WM_USER:
        if (AppWindows.statusBar) SendMessageA(AppWindows.statusBar, WM_USER, wp, lp);
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case WM_USER + 10:   // a packed DIB from the scanner
        SendMessageA(wnd, WM_COMMAND, CMD_TWAIN_IMAGE, (LPARAM)wp);
        return DefFrameProcA(wnd, client, msg, wp, lp);
    case 32758:          // the tablet's WT_INFOCHANGE: its cursor's facts again
        c_Tablet::ReadCursorInfo(-1);
        return 0;
    case kMsgOpenHandedOver:
        OpenHandedOverPaths();
        return 0;
    }
    return DefFrameProcA(wnd, client, msg, wp, lp);
}
