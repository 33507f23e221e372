// The compositor: a document's layers through their blend modes into 32-bit
// pixels for a rectangle of the canvas, the screen overlays (selection
// shading, dimming outside the current layer), and the repaint of the display
// surface through the zoom tables.
#pragma once
#include <windows.h>

#include <cstdint>

#include "canvas/canv_doc.h"

struct DibImage;

// A new 32-bit DibImage of x0..x1 x y0..y1 (image coordinates, inclusive)
// composed as the current plane's kind shows the document; null when the kind
// shows nothing or memory is short.
DibImage* ComposeForDisplay(CanvDoc* doc, int x0, int y0, int x1, int y1, int overlays, int baseFromFirstLayer);
DibImage* ComposeRows(CanvDoc* doc, int x0, int y0, int x1, int y1, int baseFromFirstLayer, int overlays);

// Composes the whole document without overlays in squares of 256 x 256 pixels
// and hands each composed row (canvas y, x0..x1) to `put`; with progress,
// StatusMessage 3 reports the rows done and 0 ends.
typedef void (*ComposedRowSink)(void* user, int y, int x0, int x1, const uint32_t* row);
void ComposeWholeDocument(CanvDoc* doc, int baseFromFirstLayer, ComposedRowSink put, void* user, int progress);

// One blend of source byte s over destination byte d by mode, weight m.
int BlendByte(int mode, int d, int s, int m);
// Per pixel blend of a source word over a destination word (modes 5 and 6
// work on the whole pixel).
uint32_t BlendPixel(int mode, uint32_t d, uint32_t s, int m);

void ShadeSelectionRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* row);
void DimOutsideLayerRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* row);
// Rounds a tile's bytes to 5 bits with an ordered dither (15/16-bit screens only).
void DitherTileTo15Bit(DibImage* tile, int originX, int originY, int screenDepth);
void RenderCanvasTile(CanvDoc* doc, HDC dc, int originX, int originY, int x0, int y0, int x1, int y1,
                      int offsetX, int offsetY);
