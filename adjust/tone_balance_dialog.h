// The manual tone-balance dialog (dra_histgram): the histogram of the active
// canvas's current plane with draggable black, mid-grey and white markers and a
// channel menu. While it is open, a worker started by a 500 ms timer shows the
// table on the part of the layer under the display's visible box (the preview);
// OK puts that part back and applies the table to the whole plane, Cancel only
// puts it back. No command of the program opens it.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// Opens the dialog on the active canvas: its result (1 OK, 0 Cancel), or 0
// when there is no canvas or no memory for the preview (said in a message box).
INT_PTR OpenToneBalanceDialog(HWND owner);
INT_PTR CALLBACK HistgramDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// Applies the table of the tone-balance points: target 1 to the current plane
// of the active canvas, target 0 to the dialog's preview (the layer part under
// the visible box, computed from its untouched copy). 1, or 0 with nothing to
// apply to.
int ApplyToneBalance(int target);

// Screen x of value v in a histogram area `width` pixels wide, and back.
int ToneMarkerX(int v, int width);
int ToneValueAtX(int x, int width);
// Moves one of the points (0 black, 1 mid, 2 white) to v, kept within 0..255
// and strictly between its neighbours.
void MoveTonePoint(int point, int v);
