#include "app/canvas_request.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "adjust/adjust_command.h"
#include "adjust/rotate_dialog.h"
#include "app/colourdlg.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/globals.h"
#include "select/sel_tool.h"
#include "app/settings.h"
#include "app/statusbar.h"
#include "ui/frame_link.h"
#include "app/toolbar.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "canvas/canv_clip.h"
#include "canvas/canv_save.h"
#include "fileio/file_dialogs.h"
#include "fileio/parts_box.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_window.h"
#include "fileio/plugin_read.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/tone_mask.h"

COLORREF DefaultGridColour = RGB(128, 128, 128);

namespace {

POINT g_cascade = {0, 0};

void StartRequest(int origin, CanvDoc* source) {
    NewCanvasRequest.layerCount = 0;
    NewCanvasRequest.origin = origin;
    NewCanvasRequest.source = source;
    NewCanvasRequest.resolution = source ? source->resolution : (Env.newCanvasDpi >= 1 ? Env.newCanvasDpi : 96);
    NewCanvasRequest.angle = 0;
    NewCanvasRequest.rotateFlags[0] = NewCanvasRequest.rotateFlags[1] = 0;
}

// Planes present among planes 1..7 of a layer.
int PlanesOf(const CanvDoc* doc, int layer) {
    int n = 0;
    for (int k = 1; k < CanvPlanesPerLayer; ++k)
        if (LayerBase(doc, layer)[k].image) ++n;
    return n;
}

void AddRequestLayer(int width, int height, int x, int y, int depth, int planes) {
    if (NewCanvasRequest.layerCount >= CanvMaxLayers) return;
    NewCanvasRequest.layers[NewCanvasRequest.layerCount++] =
        NewCanvasLayer{.width = width, .height = height, .x = x, .y = y, .depth = depth, .planeCount = planes};
}

void DocumentMenu(int active) {
    if (!AppWindows.mdiClient || !AppWindows.frame) return;
    HMENU menu = active ? AppMenus.child : AppMenus.init;
    HMENU window = active ? AppMenus.childWindow : AppMenus.initFile;
    if (!menu) return;
    SendMessageA(AppWindows.mdiClient, WM_MDISETMENU, (WPARAM)menu, (LPARAM)window);
    DrawMenuBar(AppWindows.frame);
    // Their buttons follow whether a document is open.
    for (HWND bar : {AppWindows.mainToolBar, AppWindows.toolBar2})
        if (bar) RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

void RotatePoint(int x, int y, double degrees, int* outX, int* outY) {
    const double a = degrees * 0.017453292519943295;
    const double rx = x * std::cos(a) - y * std::sin(a), ry = x * std::sin(a) + y * std::cos(a);
    *outX = (int)(rx > 0 ? rx + 0.5 : rx - 0.5);
    *outY = (int)(ry > 0 ? ry + 0.5 : ry - 0.5);
}

HWND CreateCanvasWindow() {
    if (!AppWindows.mdiClient) return nullptr;
    MDICREATESTRUCTA mcs = {};
    mcs.szClass = "CanvClass";
    mcs.szTitle = "test";
    mcs.hOwner = AppInstance;
    mcs.x = g_cascade.x;
    mcs.y = g_cascade.y;
    mcs.cx = 640;
    mcs.cy = 400;
    // The document window clips its children: erasing or exposing its own
    // background must not paint over the rulers, which are not repainted then.
    mcs.style = 0x2000 | WS_CLIPCHILDREN;
    TakeCanvasRefusalShown();
    HWND child = (HWND)SendMessageA(AppWindows.mdiClient, WM_MDICREATE, 0, (LPARAM)&mcs);
    g_cascade.x += 12;
    g_cascade.y += 12;
    lstrcpynA(NewCanvasRequest.title, kCanvUntitled, sizeof NewCanvasRequest.title);
    if (AppWindows.title && IsWindow(AppWindows.title)) DestroyWindow(AppWindows.title);
    AppWindows.title = nullptr;
    return child;
}

int OpenCanvasFile(HWND frame, const char* path) {
    if (!path || !*path) {
        ShowMessageBox(frame, kCanvCannotOpen, kAppTitle, kMsgOk);
        return 0;
    }
    if (IsPathOpen(path)) return 0;
    static int widths[FileRecordEntries], heights[FileRecordEntries], bits[FileRecordEntries],
        planes[FileRecordEntries];
    int width = 0, height = 0, count = 0;
    static char names[FileRecordEntries][128];
    if (!GetImageFileInfo(path, &width, &height, widths, heights, bits, planes, &count, 1, &names[0][0]) ||
        count < 1) {
        ShowMessageBox(frame, kCanvCannotOpen, kAppTitle, kMsgOk);
        return 0;
    }
    StartRequest(CanvOriginFile, nullptr);
    if (count > CanvMaxLayers) count = CanvMaxLayers;
    for (int i = 0; i < count; ++i) {
        int p = planes[i] < 0 ? 0 : planes[i] > 7 ? 7 : planes[i];
        AddRequestLayer(widths[i], heights[i], 0, 0, 24, p);
        std::memcpy(NewCanvasRequest.planeNames[i], names[i], 128);
    }
    NewCanvasRequest.layers[0].width = width;
    NewCanvasRequest.layers[0].height = height;
    lstrcpynA(NewCanvasRequest.title, path, sizeof NewCanvasRequest.title);
    // The canvas refuses a request it cannot hold; nothing is created then.
    if (!IsCanvasWorkFile(path)) RecentFilesAdd(path);
    return 1;
}

int ReceiveImageFile(HWND, HGLOBAL packedDib) {
    if (!packedDib) return 0;
    // The block is ours now: it is freed once written out.
    const BITMAPINFOHEADER* dib = (const BITMAPINFOHEADER*)GlobalLock(packedDib);
    if (!dib) {
        GlobalFree(packedDib);
        return 0;
    }
    int width = 0, height = 0, bits = 0;
    GetPackedDibInfo(dib, &width, &height, &bits);
    char path[MAX_PATH + 16];
    std::snprintf(path, sizeof path, "%stwain.tmp", WorkFolder);
    int saved = SavePackedDibBmp(path, dib);
    GlobalUnlock(packedDib);
    GlobalFree(packedDib);
    if (!saved) return 0;
    StartRequest(CanvOriginScanner, nullptr);
    AddRequestLayer(width, height, 0, 0, 24, 1);
    return 1;
}

int PrepareMergedCopy(HWND) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return 0;
    StartRequest(CanvOriginMerged, doc);
    AddRequestLayer(doc->width, doc->height, 0, 0, 24, 1);
    NewCanvasRequest.mergeFlag = 0;
    return 1;
}

int PrepareDuplicate(HWND) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return 0;
    StartRequest(CanvOriginDuplicate, doc);
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        const LayerPlane* b = LayerBase(doc, l);
        AddRequestLayer(b->width, b->height, b->x, b->y, b->depth, PlanesOf(doc, l));
    }
    return 1;
}

int PrepareRotatedDuplicate(HWND frame, int mode) {
    if (mode == 0) return 0;
    return PrepareTurnedCopy(frame, mode < 0 ? 270.0 : 90.0, 1);
}

int PrepareFreeTurn(HWND frame) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc || !OpenRotateDialog(frame, doc)) return 0;
    const double degrees = ChosenRotation();
    if (degrees == 0.0) return 0;
    return PrepareTurnedCopy(frame, degrees, 0);
}

int PrepareTurnedCopy(HWND, double degrees, int inPlace) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return 0;
    StartRequest(CanvOriginRotated, doc);
    if (inPlace && doc->window) GetWindowTextA(doc->window, NewCanvasRequest.title, sizeof NewCanvasRequest.title);
    NewCanvasRequest.angle = (float)degrees;
    NewCanvasRequest.rotateFlags[0] = NewCanvasRequest.rotateFlags[1] = inPlace ? 1 : 0;
    const int W = doc->width, H = doc->height;
    int refX = 0, refY = 0;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        const LayerPlane* b = LayerBase(doc, l);
        int w = b->width, h = b->height;
        c_Dib::GetRotatedSize(b->image, degrees, &w, &h);
        int minX = 60000, minY = 60000;
        const int cx[2] = {b->x - W / 2, b->x + b->width - 1 - W / 2};
        const int cy[2] = {b->y - H / 2, b->y + b->height - 1 - H / 2};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                int rx, ry;
                RotatePoint(cx[i], cy[j], degrees, &rx, &ry);
                if (rx < minX) minX = rx;
                if (ry < minY) minY = ry;
            }
        if (l == 0) {
            refX = minX;
            refY = minY;
        }
        AddRequestLayer(w, h, l == 0 ? 0 : minX - refX, l == 0 ? 0 : minY - refY, b->depth, PlanesOf(doc, l));
    }
    return 1;
}

int PrepareSelectionCopy(HWND) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc) return 0;
    const SelShape& s = doc->selShapes[0];
    const int bx0 = s.x0 < s.x1 ? s.x0 : s.x1, by0 = s.y0 < s.y1 ? s.y0 : s.y1;
    const int bx1 = s.x0 < s.x1 ? s.x1 : s.x0, by1 = s.y0 < s.y1 ? s.y1 : s.y0;
    StartRequest(CanvOriginCropped, doc);
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        const LayerPlane* b = LayerBase(doc, l);
        const int x0 = b->x > bx0 ? b->x : bx0, y0 = b->y > by0 ? b->y : by0;
        const int x1 = b->x + b->width - 1 < bx1 ? b->x + b->width - 1 : bx1;
        const int y1 = b->y + b->height - 1 < by1 ? b->y + b->height - 1 : by1;
        if (x0 > x1 || y0 > y1) continue;
        AddRequestLayer(x1 - x0 + 1, y1 - y0 + 1, x0 - bx0, y0 - by0, b->depth, PlanesOf(doc, l));
    }
    return NewCanvasRequest.layerCount > 0 ? 1 : 0;
}

// The open dialog of the frame for pasting a file as a layer.
static int ChoosePasteFile(HWND owner, char* path) {
    char name[MAX_PATH] = {};
    return OpenFileDialog(owner, path, name, (char*)InitDirBlock, 0);
}

namespace {
// The tools' mouse events: the selection and shape tools first, then the pen.
int EditorToolMouse(CanvDoc* doc, int event, int x, int y) {
    if (c_SelectionTool::OnMouseEvent(doc, event, x, y)) return 1;
    return PenToolMouse(doc, event, x, y);
}
}  // namespace
// The parts box as the open dialog's chooser.
static int ChooseFromPartsBox(HWND owner, const char* folder, const char* pattern, const char* title, char* path) {
    return OpenPartsBox(owner, folder, path, pattern, title);
}

// The fades go with a document change, except while the text-placing tool is current.
static void ClearToneModes() { c_ToneMask::ClearModes(CurrentTool); }

void InstallCanvasHost() {
    SetPasteFileChooser(ChoosePasteFile);
    SetPartsBoxChooser(ChooseFromPartsBox);
    CanvasHost host = {};
    host.frame = &AppWindows.frame;
    host.mdiClient = &AppWindows.mdiClient;
    host.statusBar = &AppWindows.statusBar;
    host.colourPage = &AppWindows.colourPanel;
    host.programFolder = ProgramFolder;
    host.currentTool = &CurrentTool;
    host.selShadeStyle = &Env.selShadeMode;
    host.dimOutsideLayer = &Env.dimOutsideLayer;
    host.defaultResolution = &Env.newCanvasDpi;
    host.defaultGridColour = &DefaultGridColour;
    host.screenDepth = &Screen.depth;
    host.appActive = &FrameState.appActive;
    host.recentFilesAdd = RecentFilesAdd;
    host.chooseColour = ChooseColour;
    host.statusBarSetPos = StatusBarSetPos;
    host.statusBarSetZoom = StatusBarSetZoomPercent;
    host.saveCanvas = SaveCanvasFile;
    SetSaveWarningSetting(&Env.saveWarningOff);
    SetFileDialogTypeSettings(&Env.openDialogSetting, &Env.saveDialogSetting);
    host.documentMenu = DocumentMenu;
    // Tool presses of the canvas and the selection code (Esc, a placed paste);
    // Undo, Redo, zoom and Paste buttons fade and show as checkpoints, zooms
    // and copies change them.
    host.pressToolButton = PressToolButton;
    host.repaintToolButton = RepaintMainBarButton;
    host.repaintTool2Button = [](int command) { RepaintToolButtons(command, command); };
    // The pen's share: its tools' button presses, the brush outline, its kind.
    host.toolMouse = EditorToolMouse;
    host.areaBlur = &AreaBlurAmount;
    host.trimDialog = &FrameState.trimDialog;
    host.brushRadius = PenBrushRadius;
    host.brushFromOtherPlane = PenBrushFromOtherPlane;
    host.cloneSource = PenCloneSource;
    host.penOptionPanel = &AppWindows.penOptionPanel;
    host.selectionWithPen = PenOnSelection;
    host.adjustCommand = AdjustCommand;
    host.penCommand = PenCanvasCommand;
    host.paperTexture = PenPaperTexture;
    host.penKind = c_PenEngine::GetPenKind;
    host.strokeLayerWanted = PenWantsStrokeLayer;
    host.clearToneModes = ClearToneModes;
    host.commandToneModes = c_ToneMask::ModesForCommand;
    c_SelectionTool::ServeCanvas(&host);
    SetCanvasHost(host);
}
