// Links from the editor's subsystems up to the frame's instruments, handed down
// when the frame is created: the status bar's cursor-position and zoom readouts
// that the canvas feeds, and the area-blur amount of the pen option bar that the
// selection code reads. Without a frame the reports go nowhere.
#pragma once
#include <windows.h>

typedef void (*CursorPosReadout)(int x, int y);
typedef void (*CanvasZoomReadout)(HWND canvas);
void SetStatusReadouts(CursorPosReadout pos, CanvasZoomReadout zoom);

// The cursor's image position over a canvas, and a canvas whose zoom changed or
// that became active.
void ReportCursorPos(int x, int y);
void ReportCanvasZoom(HWND canvas);

// Blur of the selection's edge, 0..20, set on the pen option bar.
extern int AreaBlurAmount;
