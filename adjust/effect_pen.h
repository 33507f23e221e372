// Hands an adjustment dialog's result to the effect pen: the layer is
// adjusted once, the adjusted pixels become the pen's source and the layer
// gets its unadjusted pixels back, so that the pen paints the adjustment
// where it goes (a right-button stroke paints the unadjusted pixels back).
#pragma once
#include <windows.h>

#include <functional>

#include "canvas/canv_doc.h"

// Runs adjust on the current plane with the layer's history writes off,
// swaps the result into the pen (brush image 0 widened to the canvas, the
// layer's transparency in 1, the unadjusted plane and its transparency in 2
// and 3), ends the dialog with 1 and asks the frame for the pen tool in its
// effect-pen mode (WM_COMMAND 20005, lParam 10), with the brush outline
// counted as not shown meanwhile (the tool change draws no stale outline);
// repaintButton repaints the pen's tool-bar button before the outline counts
// as shown again. Without memory for the copy
// it says so, ends the dialog with 1 and returns 0; the layer is then left
// as it was.
int HandAdjustmentToPen(HWND dialog, CanvDoc* doc, const std::function<void(CanvDoc*)>& adjust,
                        int repaintButton = 0);
