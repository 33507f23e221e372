// The rotate dialog (psv_rotate): right 90, 180, left 90 or a free angle,
// previewed on a fitted copy of the current layer image. It changes no
// image: the choice is kept for the next opening and for the caller (the
// frame's turned copy).
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

enum : int {
    RotateIdType0 = 1010,       // .. 1013
    RotateIdAngle = 1014,
    RotateIdSpin = 1015,
};

extern int RotateType;          // 0 right 90, 1 180, 2 left 90, 3 free angle
extern double RotateAngle;      // degrees, 0..359.99 (45 at the first opening)

// 1 for OK, 0 for Cancel or the close box.
INT_PTR OpenRotateDialog(HWND parent, CanvDoc* doc);
// The chosen turn in degrees (type 0: 90, 1: 180, 2: 270, 3: the angle).
double ChosenRotation();

// Window procedure of the preview class (registered by the frame at start).
LRESULT CALLBACK RotateViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
