// Canvas and layer dialogs that no menu item or command opens: the modeless
// layer-size dialog with its frame handles on the canvas, the choices of
// merging layers, rotated duplicates, adding and selecting layers and
// planes, alpha planes to merge, the colour of transparent parts, and the
// editor of the canvas-size list.
#pragma once
#include <windows.h>

#include <vector>

#include "canvas/canv_dlg_calc.h"
#include "canvas/canv_doc.h"

// dra_layresize, modeless, for the current layer of doc: null when it could
// not be made. While it is open the layer's edited rectangle is drawn with
// handles; OK resizes the layer (ApplyLayerResize), Cancel closes it.
HWND OpenLayerResizeDialog(HWND owner, CanvDoc* doc);
HWND GetLayerResizeDialog();
// The layer's eight planes made anew at the size the sides give, old pixels
// at their place, the new area 255. 0 (and a message) when a side falls
// below 1 or passes the canvas limit, else 1.
int ApplyLayerResize(CanvDoc* doc, int layer, const CanvasResizeSides& sides);
// The rectangle the open dialog edits, in image coordinates (inclusive).
bool GetLayerFrameRect(RECT* rect);
// Handle of the edited rectangle under a display point: 0-3 the corners
// (top-left, top-right, bottom-right, bottom-left), 4-7 the middles of the
// top, right, bottom and left sides; -1 none or no dialog open.
int HitLayerFrame(const CanvDoc* doc, int displayX, int displayY);
// The rectangle and its handles drawn with XOR (a second draw erases them).
void DrawLayerFrame(const CanvDoc* doc, HDC dc);
// Moves the side or corner of a handle with the cursor while the left button
// is down, showing the amounts in the dialog.
void DragLayerFrame(CanvDoc* doc, int handle);

// dra_layermix: the first choice 0-2 (or -1 on Cancel); the second, 0-2, in
// *transparency.
int ShowLayerMixDialog(HWND owner, int* transparency);
// dra_rotate: 0 right 90, 1 left 90, 2 180, 3 free angle (in *angle, 0..359),
// -1 on Cancel. The preview shows the canvas's base layer.
int ShowRotateDialog(HWND owner, CanvDoc* doc, int* angle);
// dra_layeradd: 1 with the size (the canvas size for a full-size layer), 0 on
// Cancel.
int ShowLayerAddDialog(HWND owner, CanvDoc* doc, int* width, int* height);
// dra_laysel: layer in/out -2 as seen, -1 current, else a layer number;
// plane out. 1 on OK, 0 on Cancel.
int ShowLayerSelectDialog(HWND owner, CanvDoc* doc, int* layer, int* plane);
// dra_plsel: a plane of the current layer, or -1.
int ShowPlaneSelectDialog(HWND owner, CanvDoc* doc);
// dra_fixalp: the chosen alpha planes (2-6) of the current layer; 0 on Cancel.
int ShowFixAlphaDialog(HWND owner, CanvDoc* doc, std::vector<int>* planes);
// dra_bgcolor: the colour clicked, or -1 on Cancel.
COLORREF ShowBackgroundColourDialog(HWND owner);
extern const COLORREF BackgroundColourChoices[8];
// dra_canvaslist: edits a list of canvas sizes in place (kept sorted by
// width, at most 45). dra_addcanv asks one size: 1 on OK.
void ShowCanvasListDialog(HWND owner, std::vector<SIZE>* sizes);
int ShowAddCanvasSizeDialog(HWND owner, SIZE* size);
