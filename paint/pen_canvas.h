// PenCanvas: a canvas document as the pen sees it: its size, the planes of its
// layers with their offsets, depths and mask flags, the current plane, the
// channel locks, and the document services a stroke calls (selection mask,
// undo checkpoint, repaint, stroke layer). The canvas fills one for each
// stroke; tests fill one over plain images.
#pragma once
#include <windows.h>

#include <cstdint>

struct VmsImage;

constexpr int kPlanesPerLayer = 8;

// One plane of a layer.
struct PenPlane {
    VmsImage* image;            // null: the plane is not in use
    VmsImage* low;              // low bytes of a double-precision plane, or null
    int32_t x, y;               // offset on the canvas
    int32_t depth;              // 8, 24 or 32 (24 stored as 32)
    uint8_t protect;            // mask planes 2..7: protects where set
    uint8_t protectInverted;    // ... where not set
    uint8_t alphaProduct;       // multiplies the layer's transparency
    uint8_t alphaProduct2;      // multiplies it once more
    uint8_t hidden;             // plane switched off
};

struct PenCanvas {
    void* doc;                  // the document behind the view (opaque here)
    int32_t width, height;      // canvas size
    int32_t layerCount;         // layers in use (contiguous from 0)
    PenPlane* planes;           // layerCount x 8 planes, index = layer x 8 + plane
    const int32_t* layerTypes;  // LayerType of each layer in use (null: all 0)
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
    int32_t zoomPercent;        // for the clone offset; 100 when 0
};

inline int CurrentLayer(const PenCanvas* c) { return c->current / kPlanesPerLayer; }
inline int CurrentPlaneOfLayer(const PenCanvas* c) { return c->current % kPlanesPerLayer; }
inline PenPlane* CurrentPlane(PenCanvas* c) { return &c->planes[c->current]; }
inline PenPlane* LayerPlane(PenCanvas* c, int n) {
    return &c->planes[CurrentLayer(c) * kPlanesPerLayer + n];
}
// Index of the first layer whose LayerType is type, or -1.
int FindLayerByType(const PenCanvas* canvas, int type);
