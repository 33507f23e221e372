// Pixels moved as a whole: the mirroring and flipping of every layer of a
// canvas (with the planes' positions mirrored too), and the transforms of the
// selected pixels of the current layer within the committed selection box.
// The selected-pixel transforms take the mask as a yes/no test: a pixel whose
// mask value is 0 is selected, any other value leaves the pixel alone.
#pragma once
#include "canvas/canv_doc.h"

// Every plane of every layer in use mirrored left to right (plane 0 as 32-bit
// pixels, the others as 8-bit), its display image freed and its x mirrored
// across the canvas. 1, or 0 when a plane could not be mirrored.
int MirrorAllLayers(CanvDoc* doc);
// The same upside down: every plane flipped and its y mirrored.
int FlipAllLayers(CanvDoc* doc);

// 1 when clearing the current layer's transparency under the selection
// (setting it to 0) would change a value: a selected pixel of the committed
// box is not yet fully transparent. 0 without a transparency plane.
int SelectionAlphaWouldChange(CanvDoc* doc);
// Selected pixels of every plane of the current layer swapped top to bottom
// (rows from the outside in) within the committed box; a pair is swapped only
// when both of its pixels are selected. Progress every 5 rows.
void FlipSelectedPixels(CanvDoc* doc);
// The same left to right within each row.
void MirrorSelectedPixels(CanvDoc* doc);
// The committed box of every plane of the current layer turned by degrees
// about its centre; the turned copy replaces the selected pixels. 1, or 0 when
// a copy could not be made (the planes done so far stay turned).
int RotateSelectedPixels(CanvDoc* doc, double degrees);
