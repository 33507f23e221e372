// Zoom, the two coordinate tables of a document and scrolling of its pane:
// the zoom change that keeps a point in place, pane layout, scroll bars, hand
// scrolling and zooming by dragging.
#pragma once
#include "canvas/canv_doc.h"

constexpr int CanvZoomMin = 10, CanvZoomMax = 1000;
extern const int ZoomPresetTable[15];

// Refills both tables for doc->zoom.
void BuildZoomTables(CanvDoc* doc);
// The largest zoom not above `zoom` at which the zoomed image stays within
// 32,767 display pixels each way.
double CapZoom(const CanvDoc* doc, double zoom);
// The first zoom of a new document in a client of that size: 100, 90, ... 10.
double FirstZoom(int width, int height, int clientWidth, int clientHeight);
void SetZoomAt(HWND canvasWindow, CanvDoc* doc, double zoom);
void CanvPaneSize(CanvDoc* doc, int width, int height);
void CanvPaneScroll(CanvDoc* doc, int bar, int code);
// Scrolls one axis (0 x, 1 y) to a 32-bit position, limited to the content.
void CanvPaneScrollTo(CanvDoc* doc, int axis, int position);
// mode: 0 left button, 1 middle button, 2 Space key.
void HandScroll(CanvDoc* doc, int mode);
void DragZoom(CanvDoc* doc);
