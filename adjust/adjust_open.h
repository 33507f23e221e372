// The opening steps the adjustment dialogs share: the base layer's image
// plane made current, the effect pen's images freed, and, when the canvas
// has more than one layer, the question whether to merge them first.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// The canvas to adjust (the merged one after a Yes), or null.
CanvDoc* PrepareAdjustedCanvas(HWND parent, CanvDoc* doc);
