// The image-menu commands of a document window that the adjustments carry
// out; the canvas's command routing reaches them through its host.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// 1 when the command was an adjustment's (and was carried out).
int AdjustCommand(CanvDoc* doc, int id);
