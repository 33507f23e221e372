// The colour-correction dialog (psv_brcont): brightness, contrast,
// vividness and three colour channels (RGB or CMY) from -20 to 20, a
// whole-layer preview, Apply from the layer as it was at opening, Revert and
// Close.
#pragma once
#include <windows.h>

#include "adjust/tone_curve.h"
#include "canvas/canv_doc.h"

enum : int {
    BrContIdSlider0 = 1010,     // .. 1015
    BrContIdLabel0 = 1020,      // .. 1025
    BrContIdValue0 = 1030,      // .. 1035
    BrContIdUp0 = 1040,         // .. 1045
    BrContIdDown0 = 1050,       // .. 1055
    BrContIdBar0 = 1060,        // rows 0, 3, 4 and 5
    BrContIdRgb = 2040,
    BrContIdCmy = 2041,
    BrContIdPen = 19997,
};

// Nonzero when an application was made.
INT_PTR OpenBrContDialog(HWND parent, CanvDoc* doc);
// The preview's arithmetic on one word (vividness before the channels).
uint32_t BrContPreviewPixel(uint32_t word, const BrContTables& tables, int model);
int BrContApplyCount();
// The colour of column x of row's colour bar, w columns wide, in the model
// (0 RGB, 1 CMY), as a COLORREF; the middle column is marked dark.
COLORREF BrContBarColour(int row, int model, int x, int w);
// The whole-layer preview of the open dialog (tests).
const VmsImage* BrContPreviewImage();

// Window procedure of the preview class (registered by the frame at start).
LRESULT CALLBACK BrContViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
