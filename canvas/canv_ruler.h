// The rulers of a document window (hGageClass along the top, vGageClass down
// the left): the scale of ruler_scale.h in the document's unit, zoom and
// scroll position, and the cursor marker; and the ruler dialog dra_gage.
#pragma once
#include <windows.h>

LRESULT CALLBACK HGageWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK VGageWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Draws a ruler window's face into dc (its client size): the scale of its
// document, then the raised edge.
void DrawRuler(HWND wnd, HDC dc, int vertical);

// The unit chosen (0 none, 1 pixels, 2 millimetres, 3 inches), or -1 when
// the dialog was cancelled or closed.
int ShowRulerDialog(HWND owner, int unit);
