// What the bars and the status bar ask of a document window: its zoom, current
// plane, undo state and closing flag, and a zoom change centred on its pane.
// A window that is not a live document answers zoom 100, plane 0, no undo or
// redo step, not closing.
#pragma once
#include <windows.h>

int CanvasZoomPercent(HWND canvas);           // the canvas zoom cut to an integer
int CanvasCurrentPlane(HWND canvas);          // 0 = the colour plane of the layer
int CanvasHasUndo(HWND canvas);
int CanvasHasRedo(HWND canvas);
int CanvasIsClosing(HWND canvas);
void CanvasSetZoomAt(HWND canvas, int zoom);  // centred on the pane
