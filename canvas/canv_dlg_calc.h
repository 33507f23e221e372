// The arithmetic of the canvas and layer dialogs, apart from their windows:
// the canvas-size plan of every layer, the linked fields of the duplicate-at-
// a-new-size dialog, the layer options' opacity scale and slider, and the
// per-pixel rule of the copy between channels.
#pragma once
#include <cstdint>

#include "canvas/canv_doc.h"
#include "image/product_table.h"

// Canvas size: per side (0 left, 1 right, 2 top, 3 bottom) whether it
// changes, by how many pixels, and which way.
struct CanvasResizeSides {
    int enabled[4];
    int amount[4];       // 1..1000
    int decrease[4];     // 0 increase, 1 decrease
};

// Fills the request with every layer in use, in slot order: a layer covering
// the whole canvas takes the new size at (0, 0) with its content moved by the
// left and top amounts; any other layer keeps its size and moves with the
// left and top edges. 0 (request untouched) when a layer's size would fall
// below 1 or rise above the canvas limit.
int PlanCanvasResize(const CanvDoc* doc, const CanvasResizeSides& sides, NewCanvasRequestRecord* request);

// Duplicate at a new size: source size, the new size and its percentage of
// the source. Each change recomputes the linked fields (integer division,
// results below 1 become 1); 0 and nothing changed when a side would pass
// the canvas limit.
struct ResizeCopyFields {
    int sourceWidth;
    int sourceHeight;
    int width;
    int height;
    int percent;
};
int ResizeCopyWidthTyped(ResizeCopyFields* f, int width, bool updatePercent);
int ResizeCopyHeightTyped(ResizeCopyFields* f, int height, bool updatePercent);
int ResizeCopyPercentTyped(ResizeCopyFields* f, int percent);

// Layer opacity: the stored transparency 0..255 as a percentage and back.
int TransparencyToPercent(int stored);
int PercentToTransparency(int percent);
// The opacity slider of a given client width: the thumb's centre for an
// opacity, and the opacity at a pointer position (0..100).
int SliderThumbX(int opacity, int width);
int SliderOpacityAt(int x, int width);

// Copy between channels: the target value after writing source value v
// through protect byte p (0 writes fully, 255 keeps the target).
inline int BlendChannel(int v, int target, int protect) {
    int r = ProductTable[255 - protect][v] + ProductTable[protect][target];
    return r > 255 ? 255 : r;
}
