#include "app/startup.h"

#include <shellapi.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adjust/filter_host.h"
#include "app/canvas_request.h"
#include "app/commands.h"
#include "canvas/canv_history.h"
#include "ui/drawutil.h"
#include "app/frame.h"
#include "app/globals.h"
#include "ui/msgbox.h"
#include "app/paint_frame.h"
#include "select/sel_path.h"
#include "fileio/thumb_cache.h"
#include "fileio/twain.h"
#include "app/settings.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "app/handover.h"
#include "app/instruments.h"
#include "app/wndclass.h"
#include "canvas/screen_row.h"
#include "app/pen_env.h"
#include "ui/mousepoll.h"
#include "image/progress.h"
#include "fileio/plugin_registry.h"
#include "select/selhist.h"
#include "image/vms_store.h"

namespace {

std::vector<std::string> g_commandLineFiles;
int g_depthOverride = 0;
char g_testLog[MAX_PATH];

struct MenuBitmapEntry {
    const char* name;
    int command;
    bool bothMenus;
};
const MenuBitmapEntry kMenuBitmapEntries[kMenuBitmapCount] = {
    {"tb_new____", CMD_FILE_NEW, true},        {"tb_open____", CMD_FILE_OPEN, true},
    {"tb_catalog____", CMD_FILE_BROWSER, true}, {"tb_paste____", CMD_EDIT_PASTE, false},
    {"tb_copy____", CMD_EDIT_COPY, false},     {"tb_zmm____", CMD_VIEW_ZOOMOUT, false},
    {"tb_zmp____", CMD_VIEW_ZOOMIN, false},    {"tb_ppaste____", CMD_EDIT_MATERIAL, false},
    {"tb_redo____", CMD_EDIT_REDO, false},     {"tb_undo____", CMD_EDIT_UNDO, false},
    {"tb_save____", CMD_FILE_SAVE, false},     {"tb_print____", CMD_FILE_PRINT, false},
    {"tb4_add____", CMD_LAYER_ADD, false},     {"tb4_del____", CMD_LAYER_DELETE, false},
};

// Message boxes of a program run under DARNA_TEST_LOG: logged and answered with
// the first button.
int LoggingAnswerHook(const ModalRequest& request, void*) {
    AppendTestLog("message", request.text ? request.text : request.templ);
    switch (request.kind) {
    case 0:
    case 2: return IDOK;
    case 1:
    case 3: return IDYES;
    default: return kModalPressClose;
    }
}

int FrameDepth(HWND frame) {
    if (g_depthOverride) return g_depthOverride;
    HDC dc = GetDC(frame);
    int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(frame, dc);
    return depth;
}

HWND CreateFrameChild(HWND frame, const char* cls, int id, DWORD extraStyle = 0) {
    // Siblings clip each other: the tips and the title window lie over the bars.
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | extraStyle, 0, 0, 0, 0, frame,
                           (HMENU)(INT_PTR)id, AppInstance, nullptr);
}

}  // namespace

void SetColourDepthOverride(int bitsPerPixel) { g_depthOverride = bitsPerPixel; }

void SetTestLogPath(const char* path) {
    lstrcpynA(g_testLog, path ? path : "", sizeof g_testLog);
}

void AppendTestLog(const char* kind, const char* text) {
    if (!g_testLog[0]) return;
    // A reader may hold the log for a moment; the line waits for it rather
    // than being lost.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100; ++attempt) {
        h = CreateFileA(g_testLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(10);
    }
    if (h == INVALID_HANDLE_VALUE) return;
    std::string line = std::string(kind) + " " + (text ? text : "") + "\r\n";
    DWORD done = 0;
    WriteFile(h, line.data(), (DWORD)line.size(), &done, nullptr);
    CloseHandle(h);
}

std::vector<std::string> GetCommandLineArgs() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) {
        char path[MAX_PATH * 2];
        int n = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, path, sizeof path, nullptr, nullptr);
        if (n > 0) args.emplace_back(path);
    }
    LocalFree(argv);
    return args;
}

void SetCommandLineFiles(const std::vector<std::string>& args) { g_commandLineFiles = args; }

RECT ComputeFrameRect(unsigned positionWord, unsigned sizeWord, int screenWidth, int screenHeight) {
    int x = LowWord16(positionWord), y = HighWord16(positionWord);
    int width = LowWord16(sizeWord), height = HighWord16(sizeWord);
    if (width < 384) width = 384;
    if (width > screenWidth) width = screenWidth;
    if (height < 128) height = 128;
    if (height > screenHeight) height = screenHeight;
    if (x + width > screenWidth) x = screenWidth - width;
    if (y + height > screenHeight) y = screenHeight - height;
    // A position left of or above the screen would hide the frame as well.
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    RECT rc = {x, y, x + width, y + height};
    return rc;
}

void StartupInit(HINSTANCE instance) {
    AppInstance = instance;
    char locale[64] = {};
    if (LoadStringA(instance, IDS_LOCALE, locale, sizeof locale) > 0) std::setlocale(LC_ALL, locale);
    ProgramFolder[0] = WorkFolder[0] = 0;
    ResetSettingsBlocks();
    FrameState.savedCursor = nullptr;
    InitImageStoreLock();
    InitUndoLock();
    PanelColour = RGB(224, 223, 227);
    const char* log = std::getenv("DARNA_TEST_LOG");
    if (log && *log) {
        SetTestLogPath(log);
        SetModalAnswerHook(LoggingAnswerHook, nullptr);
    }
}

int StartupSingleInstance(const std::vector<std::string>& args) {
    HWND running = FindWindowA("dvw_", nullptr);
    if (!running) return 1;
    if (!args.empty()) SendHandOver(running, args);
    else ShowMessageBox(nullptr, LoadResString(IDS_SECOND_INSTANCE), kAppTitle, kMsgOk);
    return 0;
}

int StartupProgramFolder() {
    const char* over = std::getenv("DARNA_PROGRAM_FOLDER");
    if (over && *over) {
        SetProgramFolder(over);
    } else {
        char folder[MAX_PATH] = {};
        GetModuleFolder(nullptr, folder, sizeof folder);
        SetProgramFolder(folder);
    }
    if (!ProgramFolder[0]) {
        ShowMessageBox(nullptr, LoadResString(IDS_NO_PROGRAM_FOLDER), kAppTitle, kMsgOk);
        return 0;
    }
    return 1;
}

void StartupLoadSettings() {
    LoadEnvBlock(ProgramFolder);
    LoadPenSizes();
    LoadCanvasSizes();
    LoadInitDir();
    LoadPenRecords();
    // The pointer-smoothing ring is not part of the settings files.
    SetSmoothingSamples(10);
}

int StartupLoadResources() {
    AppMenus.init = LoadMenuA(AppInstance, "nnMenuInit");
    AppMenus.child = LoadMenuA(AppInstance, "nnMenuChild");
    AppMenus.initFile = AppMenus.init ? GetSubMenu(AppMenus.init, 0) : nullptr;
    AppMenus.childWindow = AppMenus.child ? GetSubMenu(AppMenus.child, 5) : nullptr;
    for (int i = 0; i < kMenuBitmapCount; ++i) {
        const MenuBitmapEntry& s = kMenuBitmapEntries[i];
        MenuBitmaps[i] = (HBITMAP)LoadImageA(AppInstance, s.name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        if (!MenuBitmaps[i]) continue;
        if (s.bothMenus && AppMenus.init)
            SetMenuItemBitmaps(AppMenus.init, s.command, MF_BYCOMMAND, MenuBitmaps[i], MenuBitmaps[i]);
        if (AppMenus.child)
            SetMenuItemBitmaps(AppMenus.child, s.command, MF_BYCOMMAND, MenuBitmaps[i], MenuBitmaps[i]);
    }
    for (int i = 0; i < kPopupMenuCount; ++i) {
        AppMenus.popup[i] = LoadMenuA(AppInstance, kPopupMenuNames[i]);
        AppMenus.popupSub[i] = AppMenus.popup[i] ? GetSubMenu(AppMenus.popup[i], 0) : nullptr;
    }
    AppAccel = LoadAcceleratorsA(AppInstance, "daAccel");
    ClipFormatTransp = RegisterClipboardFormatA("Darna_Transp");
    ClipFormatSelArea = RegisterClipboardFormatA("Darna_SelArea");
    ClipFormatMask = RegisterClipboardFormatA("Darna_Mask");
    CanvasOpen = 0;
    return AppMenus.init && AppMenus.child;
}

int StartupCreateFrame(int showCommand) {
    Screen.width = GetSystemMetrics(SM_CXSCREEN);
    Screen.height = GetSystemMetrics(SM_CYSCREEN);
    RECT rc = ComputeFrameRect(Env.framePos, Env.frameSize, Screen.width, Screen.height);
    HWND frame = CreateWindowExA(0, "dvw_", kAppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rc.left,
                                 rc.top, rc.right - rc.left, rc.bottom - rc.top, nullptr, AppMenus.init,
                                 AppInstance, nullptr);
    if (!frame) return 0;
    ShowWindow(frame, Env.maximised ? SW_SHOWMAXIMIZED : showCommand);
    UpdateWindow(frame);
    MsWheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    return 1;
}

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return (int)msg.wParam;
        if (got < 0) return 0;
        if (AppWindows.mdiClient && TranslateMDISysAccel(AppWindows.mdiClient, &msg)) continue;
        if (AppWindows.frame && AppAccel && TranslateAcceleratorA(AppWindows.frame, AppAccel, &msg)) continue;
        if (TwainSourceIsOpen() && TwainProcessMessage(&msg, AppWindows.frame)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void StartupCleanup() {
    for (int i = 0; i < kPopupMenuCount; ++i) {
        if (AppMenus.popup[i]) DestroyMenu(AppMenus.popup[i]);
        AppMenus.popup[i] = AppMenus.popupSub[i] = nullptr;
    }
    for (HBITMAP& bitmap : MenuBitmaps) {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
    }
    // The frame destroyed the menu it carried; the other one is still ours.
    if (AppMenus.init && IsMenu(AppMenus.init)) DestroyMenu(AppMenus.init);
    if (AppMenus.child && IsMenu(AppMenus.child)) DestroyMenu(AppMenus.child);
    AppMenus.init = AppMenus.child = AppMenus.initFile = AppMenus.childWindow = nullptr;
    DeleteImageStoreLock();
    DeleteUndoLock();
}

// ---------------------------------------------------------------------------
// Frame creation and destruction

int InitAppState(HWND frame) {
    BuildProductTable();
    MakeSelHistFolder(ProgramFolder);
    // Path states of documents of an earlier run belong to nobody now.
    RemoveStalePathStates(ProgramFolder);
    Screen.width = GetSystemMetrics(SM_CXSCREEN);
    Screen.height = GetSystemMetrics(SM_CYSCREEN);
    Screen.depth = FrameDepth(frame);
    HDC dc = GetDC(frame);
    Screen.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    Screen.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(frame, dc);
    PreviousTool = CMD_TOOL_PEN;
    if (Env.selHistoryLimit > 100) Env.selHistoryLimit = 100;
    if (Env.selHistoryLimit < 5) Env.selHistoryLimit = 5;
    CurrentTool = CMD_TOOL_LAYERSELECT;
    PenStateFromEnv();
    InitFilePlugins(frame, ProgramFolder);
    InitThumbCache(ProgramFolder, ThumbCacheVariant::Editor);
    char pattern[MAX_PATH + 16];
    std::snprintf(pattern, sizeof pattern, "%spattern", ProgramFolder);
    CreateSharedDirectory(pattern);
    return 1;
}

int FrameOnCreate(HWND frame) {
    FrameState.timerId = -1;
    FrameState.tickCount = 0;
    FrameState.lowDiskShown = 0;
    FrameState.channelWrite[0] = FrameState.channelWrite[1] = FrameState.channelWrite[2] = 1;
    FrameState.trimDialog = nullptr;
    AppWindows.frame = frame;
    SetMessageBoxOwner(frame);
    SetProgressWindow(frame);
    InitAppState(frame);
    if (Screen.depth <= 8) {
        ShowMessageBox(frame, LoadResString(IDS_FEW_COLOURS), kAppTitle, kMsgOk);
        SetMessageBoxOwner(nullptr);
        AppWindows.frame = nullptr;
        return 0;
    }

    InstrumentsOnFrameCreate(frame);

    CLIENTCREATESTRUCT ccs;
    ccs.hWindowMenu = AppMenus.initFile;
    ccs.idFirstChild = 100;
    AppWindows.mdiClient = CreateWindowExA(0, "MDICLIENT", nullptr,
                                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0,
                                           0, frame, (HMENU)(INT_PTR)1, AppInstance, &ccs);
    if (!AppWindows.mdiClient) {
        AppWindows.frame = nullptr;
        SetMessageBoxOwner(nullptr);
        return 0;
    }
    InstallCanvasHost();
    c_FilterHost::Init();
    g_ScreenRow.Init(frame);
    g_ScreenRow.SetScreenSettings(&Env.screenOutput, &Screen.depth);
    AppWindows.statusBar = CreateFrameChild(frame, "StatusBarClass", 2);
    // Reader and writer plug-ins report their progress to the status bar.
    SetPluginStatusWindow(AppWindows.statusBar);
    AppWindows.ctrlPanel = CreateFrameChild(frame, "CtrlPanelClass", 12);
    SetPanelWindow(kPanelControl, AppWindows.ctrlPanel);
    AppWindows.mainToolBar = CreateFrameChild(frame, "ToolBarClass", 3);
    AppWindows.toolBar2 = CreateFrameChild(frame, "ToolBarClass2", 10);
    AppWindows.penOptionBar = CreateFrameChild(frame, "ToolBarClass3", 11, WS_CLIPSIBLINGS | 0x80);

    DragAcceptFiles(frame, TRUE);
    TwainInitIdentity(frame);
    RecentFilesAppendMenu(AppMenus.init);
    RecentFilesAppendMenu(AppMenus.child);
    for (const std::string& path : g_commandLineFiles)
        PostMessageA(frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path.c_str());
    if (Env.ctrlPanelShown) {
        Env.ctrlPanelShown = 0;
        PostMessageA(frame, WM_COMMAND, CMD_VIEW_CTRLPANEL, 0);
    }
    FrameState.startTick = GetTickCount();
    FrameSetTimer(frame, 1);
    return 1;
}

void FrameOnDestroy(HWND frame) {
    FrameSetTimer(frame, 0);
    // The browser is asked to close; it saves its own settings on the way.
    HWND browser = FindWindowA(kBrowserClassName, nullptr);
    if (browser) PostMessageA(browser, WM_CLOSE, 0, 0);
    if (AppWindows.ctrlPanel && IsWindow(AppWindows.ctrlPanel)) DestroyWindow(AppWindows.ctrlPanel);
    SetPanelWindow(kPanelControl, nullptr);
    if (FrameState.savedCursor) {
        ShowCursor(FALSE);
        SetCursor(FrameState.savedCursor);
        FrameState.savedCursor = nullptr;
    }
    DragAcceptFiles(frame, FALSE);
    g_ScreenRow.Release();
    PaintOnFrameDestroy();
    c_FilterHost::Release();
    PenStateFree();
    DeleteWorkFiles();
    TwainShutdown();
    TwainCloseSource();
    TwainCloseManager();
    PostQuitMessage(0);
    SetProgressWindow(nullptr);
    SetPluginStatusWindow(nullptr);
    SetMessageBoxOwner(nullptr);
    std::memset(&AppWindows, 0, sizeof AppWindows);
}
