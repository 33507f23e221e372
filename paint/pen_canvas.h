// PenCanvas: a canvas document as the pen sees it: its size, the planes of its
// layers with their offsets, depths and mask flags, the current plane, the
// channel locks, and the document services a stroke calls (selection mask,
// undo checkpoint, repaint, stroke layer). The canvas fills one for each
// stroke; tests fill one over plain images.
#pragma once
#include <windows.h>

#include <cstdint>

#include "canvas/canv_doc.h"

constexpr int kPlanesPerLayer = CanvPlanesPerLayer;

// Mask-plane flags of a plane (planes 2..7 of a layer): bytes 0..3 of its options.
inline bool MaskProtects(const LayerPlane& p) { return p.options[0] != 0; }
inline bool MaskInverted(const LayerPlane& p) { return p.options[1] != 0; }
inline bool MaskAlphaProduct(const LayerPlane& p) { return p.options[2] != 0; }
inline bool MaskAlphaProduct2(const LayerPlane& p) { return p.options[3] != 0; }
inline bool MaskHidden(const LayerPlane& p) { return p.planeSwitch != 0; }

struct PenCanvas {
    void* doc;                  // the document behind the view (opaque here)
    int32_t width, height;      // canvas size
    int32_t layerCount;         // layers in use (contiguous from 0)
    LayerPlane* planes;         // layerCount x 8 planes, index = layer x 8 + plane
    int32_t current;            // current plane index
    int32_t channelOn[3];       // channel locks: 1 = writable (R, G, B or H, S, V)
    int32_t channelModel;       // 0 RGB, 1 HSV
    HWND pane;                  // the canvas pane strokes are drawn in (may be null)

    // Document services; each may be null (then: no selection, no undo, no
    // repaint, no stroke layer can be made).
    int (*selectionActive)(PenCanvas* canvas);
    // Selection mask row x0..x1 of row y: 0 selected, 255 protected.
    void (*selectionMaskRow)(PenCanvas* canvas, int y, int x0, int x1, uint8_t* row);
    int (*selectionMaskPixel)(PenCanvas* canvas, int x, int y);
    // Undo checkpoint of a plane before a stroke; 0 when it could not be taken.
    int (*savePoint)(PenCanvas* canvas, int planeIndex);
    void (*setModified)(PenCanvas* canvas);
    // Repaints a rectangle of image coordinates (right and bottom exclusive).
    void (*repaint)(PenCanvas* canvas, HDC dc, const RECT& imageRect);
    // Pane client point to image coordinates.
    void (*clientToImage)(PenCanvas* canvas, int cx, int cy, int* ix, int* iy);
    // Makes the stroke layer (type 2) when the canvas lacks one; adds a layer
    // of type 1 when asked. Both refresh planes, layerTypes and layerCount.
    void (*prepareStrokeLayer)(PenCanvas* canvas);
    void (*addStrokeLayer)(PenCanvas* canvas);
    // The selection's bounding box (inclusive corners); 0 when nothing is selected.
    int (*selectionBox)(PenCanvas* canvas, RECT* box);
    // Points of a shape slot as x, y float pairs (slot 0: the selection outline).
    const float* (*shapePoints)(PenCanvas* canvas, int slot, int* count);
    // The displayed colour of a canvas pixel (the layers composed); null: the
    // current plane's own pixel.
    void (*composePixel)(PenCanvas* canvas, int x, int y, int* r, int* g, int* b);
    int32_t zoomPercent;        // for the clone offset; 100 when 0
};

inline int CurrentLayer(const PenCanvas* c) { return c->current / kPlanesPerLayer; }
inline int CurrentPlaneOfLayer(const PenCanvas* c) { return c->current % kPlanesPerLayer; }
inline LayerPlane* CurrentPlane(PenCanvas* c) { return &c->planes[c->current]; }
inline LayerPlane* PlaneOfLayer(PenCanvas* c, int n) {
    return &c->planes[CurrentLayer(c) * kPlanesPerLayer + n];
}
// Layer index of the first layer whose LayerType is type, or -1.
int PenLayerByType(const PenCanvas* canvas, int type);
