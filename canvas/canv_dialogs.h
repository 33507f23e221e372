// The canvas and layer dialogs: canvas size (dra_canvresize, which fills the
// new-canvas request), duplicate at a new size (dra_resize), grid (dra_grid),
// blank paper (dra_clear), channel lock (dra_chlock), copy between channels
// (dra_chcopy, which also does the copy) and layer options (dra_layeropt),
// their settings kept for the run, and the document commands that open them.
#pragma once
#include <windows.h>

#include "canvas/canv_dlg_calc.h"
#include "canvas/canv_doc.h"

// Channel lock of the pen: colour model 0 RGB or 1 HSV; a channel whose flag
// is 0 keeps its value when a pixel is painted.
struct ChannelLockSettings {
    int model;
    int enabled[3];
};
extern ChannelLockSettings ChannelLock;

// Settings kept between openings.
extern CanvasResizeSides CanvasResizeSettings;    // off, 8, increase
extern int ResizeCopyKeepRatio;                   // 1
extern int ResizeCopyPercent;                     // 100
extern int ClearPaperChoice;                      // 0 white, 1 black, 2 texture, 3 transparent
extern int ChannelCopyInvert;                     // 0
extern int ChannelCopyInsideOnly;                 // 1: not outside the area

// Canvas size over the frame: on OK fills NewCanvasRequest (origin 9, source
// the canvas). 0 when cancelled or refused (with a message), else 1.
int ShowCanvasResizeDialog(CanvDoc* doc);
// Width and height in: the source size; out on OK. The dialog result.
int ShowResizeCopyDialog(HWND owner, int* width, int* height);
// Duplicate at a new size of a document: the dialog from the canvas size,
// then every layer scaled into the request (origin 6). 0 when cancelled.
int PrepareResizedDuplicate(HWND owner, CanvDoc* doc);
// All in/out; non-zero on OK, 0 on Cancel (nothing changed).
int ShowGridDialog(HWND owner, int* width, int* height, int* snap, int* red, int* green, int* blue, int* invert);
// The choice 0-3, or -1 on Cancel.
int ShowClearDialog(HWND owner);
int ShowChannelLockDialog(HWND owner);
// The dialog, then the copy on the active canvas: 1 when a copy was made.
int CopyChannel(HWND owner);
// Layer options of the layer of a plane index: 1 on OK (canvas modified), 0
// on Cancel (all eight plane records of the layer as they were).
int ShowLayerOptionsDialog(HWND owner, CanvDoc* doc, int plane);

// Channel codes of the copy between channels.
enum : int {
    ChannelRed = 0,
    ChannelGreen = 1,
    ChannelBlue = 2,
    ChannelTransparency = 4,
    ChannelBrightness = 5,
    ChannelArea = 6,
    ChannelPlaneBase = 8,    // + plane number 2..6 of an alpha plane
};
// The copy itself over the current layer's rectangle. 1 when made.
int CopyChannelData(CanvDoc* doc, int source, int target, int invert, int insideOnly);

// The side controls of the canvas-size dialog and its layer twin (ids 100 +
// side check box, 110 + side amount, 120 + side spin, 130 + 10 side
// increase, 131 + 10 side decrease): fields from the sides, and a message
// that changes the sides (true when it was one of theirs).
void InitSideControls(HWND dlg, CanvasResizeSides* sides, bool* busy);
bool SideControlMessage(HWND dlg, CanvasResizeSides* sides, bool* busy, UINT msg, WPARAM wp, LPARAM lp);

// Document commands opened here: 11013 ruler, 11021 grid (showing), 21012
// clear (plane 0), 21038 copy between channels, 25002 layer options. 1 when
// the command was one of them (11021 with the grid shown and 21012 on planes
// 1-7 are not).
int CanvDialogCommand(HWND wnd, CanvDoc* doc, int id);
