// Shared between the units of the selection tools, not used outside select/:
// the shape tools' hit tests, drags and outlines, and small helpers.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// Cursor resources of the hit tests and drags: a handle or point, a control
// point of a path, a whole shape.
inline constexpr char kCursorHandle[] = "posmove";
inline constexpr char kCursorControl[] = "posmove2";
inline constexpr char kCursorMove[] = "move";
// The named cursor of the program's resources (the arrow when the program
// carries none of that name).
HCURSOR SelCursor(const char* name);

bool SelShiftDown();
bool SelAltDown();
// The cursor in image coordinates (grid-snapped) and clamped into the canvas.
POINT SelCursorImage(CanvDoc* doc, int offsetX = 0, int offsetY = 0);
POINT SelClampToCanvas(const CanvDoc* doc, POINT p);
// The cursor in display-surface client coordinates.
POINT SelCursorDisplay(CanvDoc* doc);
// Status line: the positions of a drag (messages 6 and 7) or clear (0).
void SelShowCorners(int x0, int y0, int x1, int y1);
void SelClearStatus();
// Handle squares of +-4 display pixels.
void SelDrawHandle(HDC dc, int x, int y);
// A command to the frame window.
void SelSendFrameCommand(int id, LPARAM lp = 0);
// The pop-up menu at the cursor over the document's display, then destroyed: the
// chosen id, 0 when none.
int SelPopupMenu(CanvDoc* doc, HMENU menu);
void SelPressToolButton(int id);
// Normalises a shape's box.
void SelNormaliseBox(SelShape& s);
// Copies slot 5 to slot 0 (box, mode and points).
void SelSnapshot(CanvDoc* doc);

// ---- box shapes (sel_shapes.cpp)
const char* HitTestBoxShape(CanvDoc* doc);        // rectangle, ellipse, line of slot 5
int TrackRectSelection(CanvDoc* doc);             // tools 20001, 20520
int TrackEllipseSelection(CanvDoc* doc, int mode);
int TrackLineSelection(CanvDoc* doc);
void DrawBoxShape(CanvDoc* doc, HDC dc, const SelShape& s, int handles);
// The drawing tools 20015-20017, 20019, 20020 (rubber band, then the pen).
int DrawWithShapeTool(CanvDoc* doc, int tool);

// ---- drag bookkeeping (sel_tool.cpp)
void SelBeginDrag(CanvDoc* doc);
void SelEndDrag(CanvDoc* doc, int repaint);
bool SelOutlineHidden(const CanvDoc* doc);
bool IsSelectionTool(int tool);          // tools whose right button offers the area menu
void Pen_ResetStrokeCounter();

// ---- polygon, polyline, spline (sel_polygon.cpp)
void TrackPolygon(CanvDoc* doc, int slot);
void FinishPolygon(CanvDoc* doc, int slot);
const char* PolygonPointerMove(CanvDoc* doc, int slot);
void DrawPolygonShape(CanvDoc* doc, HDC dc, int slot);
void DrawPenPolygon(CanvDoc* doc, HDC dc);
// mode 20008 polyline, 20010 spline.
void TrackPolyline(CanvDoc* doc, int mode);
void PolylinePointMenu(CanvDoc* doc, int mode);
const char* HitTestPolyline(CanvDoc* doc, int mode);
void DrawPolylineShape(CanvDoc* doc, HDC dc);
void DrawSplineShape(CanvDoc* doc, HDC dc);
// Drops a polygon or edge lasso being drawn (on doc, or on any document when null).
void CancelUnfinishedShapes(CanvDoc* doc);

// ---- lassos (sel_lasso.cpp)
void TrackLasso(CanvDoc* doc);
// 1 when the click finished a shape (the after-shape step follows).
int TrackEdgeLasso(CanvDoc* doc);
const char* EdgeLassoPointerMove(CanvDoc* doc);
int FinishEdgeLasso(CanvDoc* doc);
void CancelEdgeLasso(CanvDoc* doc);

// ---- colour region (sel_region.cpp)
void StartColorRegion(CanvDoc* doc);

// ---- layer-move tool (sel_layer.cpp)
void PickLayer(CanvDoc* doc);
void ShowLayerMenu(CanvDoc* doc);
