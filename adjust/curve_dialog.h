// The tone-curve dialog (psv_curve): the curve graph with its draggable
// control points, connection, channel and point count, reset, save and load
// of curve files, a whole-layer preview, Apply (from the layer as it was at
// opening, one undo step each), Revert and Close.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

enum : int {
    CurveIdGraph = 100,
    CurveIdOutputBar = 101,     // the vertical bar beside the graph
    CurveIdInputBar = 102,
    CurveIdResultBar = 103,     // the table applied to the input bar
    CurveIdConnection = 104,
    CurveIdChannel = 105,
    CurveIdReset = 108,
    CurveIdCount = 110,
    CurveIdSave = 111,
    CurveIdLoad = 112,
    CurveIdView = 2000,
    CurveIdPen = 19997,
    CurveIdRevert = 19998,
    CurveIdApply = 19999,
};

// 0 when the work copy could not be made or the dialog was closed with Close
// or its close box without an application; else nonzero.
INT_PTR OpenToneCurveDialog(HWND parent, CanvDoc* doc);
int CurveApplyCount();
// The whole-layer preview of the open dialog (tests).
const VmsImage* CurvePreviewImage();

// Window procedure of the preview class (registered by the frame at start).
LRESULT CALLBACK CurveViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
