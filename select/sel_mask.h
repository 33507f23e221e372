// The selection mask of a document (CanvDoc::selectionMask) and the operations
// that work on it: its rows and pixels, select-all fills, invert, grow, shrink,
// blur and the area-blur softening, the bounds of the selected pixels, the
// rasterisers of the box and point shapes, and the moves of pixels and opacity
// through the mask (the copy of the selected region, the clearing step of Cut).
//
// Convention: 0 = selected (fully affected), 255 = protected, values between
// affect in proportion. A document without a mask is selected everywhere.
// Every other subsystem (adjustments, filters, the clipboard, the pen) reads
// the selection through SelGetMaskRow, one row at a time.
#pragma once
#include <cstdint>

#include "canvas/canv_doc.h"

// ShapeMode values that are not tool ids.
enum : int32_t {
    ShapeNone = 0,        // whole canvas selected, no mask
    ShapeMaskOnly = 100,  // the selection exists only in the mask
};

// Makes the mask. Without force an existing mask stays; with force a new one of
// canvas size filled with 0 replaces it. On a new mask that cannot be made the
// memory message is shown and the previous mask (if any) is kept. 1 when the
// document has a mask afterwards.
int SelCreateMask(CanvDoc* doc, int force);
// Frees the mask: everything is selected.
void SelFreeMask(CanvDoc* doc);
// Every value 255 (protect) or 0; nothing without a mask.
void SelFillMask(CanvDoc* doc, int protect);

// Values x0..x1 of row y (x1 - x0 + 1 bytes). Without a mask, or outside the
// canvas, the bytes are 0 (selected). Always 1.
int SelGetMaskRow(const CanvDoc* doc, int y, int x0, int x1, uint8_t* buffer);
// Writes values x0..x1 of row y, clipped; nothing without a mask. Always 1.
int SelPutMaskRow(CanvDoc* doc, int y, int x0, int x1, const uint8_t* buffer);
int SelGetMaskPixel(const CanvDoc* doc, int x, int y);
void SelSetMaskPixel(CanvDoc* doc, int x, int y, int value);
// Writes 0 (selected) into columns x0..x1 of row y, clipped to the canvas.
void SelMaskSpan(CanvDoc* doc, int y, int x0, int x1);

// Smallest box of the values other than 255; none: (INT_MAX, INT_MAX, INT_MIN, INT_MIN).
void SelGetSelectedBounds(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1);
// Clips a box to the canvas. 0 when it is empty (x0 > x1 or y0 > y1) or
// nothing of it remains.
int SelClipBox(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1);
// The box the commands that carry pixels through the mask work in: the
// committed shape's box, or the whole canvas for no shape, a line or a
// polyline; clipped to the canvas. 0 when nothing of it remains.
int SelCommittedBox(const CanvDoc* doc, int* x0, int* y0, int* x1, int* y1);

// The mask operations of the selection commands. Each leaves the current shape
// (slot 5) and the committed one (slot 0) as mode 100 with the new box and no
// points. Invert makes a mask when there is none; the others do nothing (0)
// without one. amount: passes of grow/shrink, the radius of a slow blur.
int SelInvert(CanvDoc* doc);
int SelGrow(CanvDoc* doc, int amount);
int SelShrink(CanvDoc* doc, int amount);
int SelBlur(CanvDoc* doc, int quick, int amount);
// The area-blur softening of the committed selection by n pixels: a blur of
// reach n over the committed box (centred: the selection does not move), then
// n passes of the 3 x 3 maximum.
void SelSoftenMask(CanvDoc* doc, int n);
// The blur of that softening on any 8-bit mask: the area x0..y1 and the
// blur's reach around it. 0 when nothing was done.
int SelBlurMaskArea(VmsImage* mask, int n, int x0, int y0, int x1, int y1);

// Rasterisers into a fresh mask (everything protected first, then the shape's
// pixels selected). The box is inclusive and may lie partly outside.
void SelRectToMask(CanvDoc* doc, int x0, int y0, int x1, int y1);
void SelEllipseToMask(CanvDoc* doc, int x0, int y0, int x1, int y1);
// A closed list of points (float x, y pairs; the last equal to the first for a
// closed list) filled into the mask; the filled box comes back. Fewer than 3
// points fill nothing. 0 when memory is short.
int SelPointsToMask(CanvDoc* doc, const float* points, int count, int* x0, int* y0, int* x1, int* y1);

// A new 24-bit image and 8-bit opacity of the committed selection box of the
// current layer (plane 0 current only). Both outputs are set to null first; on
// any failure nothing is returned (what was made is freed). 1 on success.
int CopySelectionToImage(CanvDoc* doc, VmsImage** image, VmsImage** opacity);
// The clearing step of Cut: the selected part of the current layer's
// transparency lowered by the mask (never raised). penOpacity: the pen's opacity
// 0..255. Layers without a transparency plane (the base layer) are cleared to
// white through the mask instead.
void MaskToLayerAlpha(CanvDoc* doc, int penOpacity);
