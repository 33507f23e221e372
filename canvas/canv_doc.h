// CanvDoc: the record of one open document (a CanvClass MDI child), its
// layer planes, the request a new document is built from, and the per-document
// services every tool uses (active document, coordinate conversions, repaint,
// modified flag, plane rows). The document window owns its record: it is made
// on WM_CREATE and freed on WM_DESTROY (canv_window.cpp).
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/vms_image.h"

struct DibImage;

// Limits of a document, checked where a document is initialised.
enum : int32_t {
    CanvMaxSide = 30000,      // pixels a canvas side
    CanvMaxLayers = 128,      // layers, the base layer included
    CanvPlanesPerLayer = 8,
    CanvMaxPlanes = CanvMaxLayers * CanvPlanesPerLayer,
    CanvZoomTableHalf = 30005,   // entries of one axis in a zoom table
    CanvUndoSlots = 81,
};

// PlaneKind: how the document is shown while the plane is current.
enum : uint8_t {
    PlaneKindColour = 1,      // plane 0: the composite of the layers
    PlaneKindChannel = 10,    // planes 1-7: the plane in red over its layer
};

// LayerBlendMode.
enum : int32_t {
    BlendHidden = 0,
    BlendNormal = 1,
    BlendMultiply = 2,
    BlendLighten = 3,
    BlendDarken = 4,
    BlendLuminosity = 5,
    BlendHueSaturation = 6,
    BlendHighlight = 7,
    BlendDifference = 8,
    BlendOverlay = 9,
};

// LayerType.
enum : int32_t {
    LayerTypeOrdinary = 0,
    LayerTypeStrokeTarget = 1,   // target of the stroke-layer mode
    LayerTypeStroke = 2,         // the stroke layer itself
};

// One plane of a layer. All planes of a layer share x, y, width and height; the
// layer's own values (name, transparency, blend mode, type) live on plane 0.
// A layer is in use exactly when its plane 0 has an image.
struct LayerPlane {
    int32_t x;                  // left edge on the canvas (may be negative)
    int32_t y;                  // top edge
    int32_t width;
    int32_t height;
    int32_t depth;              // 24 on plane 0 (stored as 32-bit pixels), 8 on planes 1-7
    VmsImage* image;            // null: plane absent
    VmsImage* doubleImage;      // low bytes of a double-precision plane, or null
    DibImage* displayImage;     // optional, freed with the plane
    uint8_t kind;               // PlaneKind
    // Plane options, kept in layered files: bytes 0-3 are the plane's display
    // value (on mask planes 2-7: protect, protect inverted, alpha product,
    // second alpha product), byte 4 the option byte.
    uint8_t options[10];
    char name[40];              // NUL-terminated; the layer name on plane 0
    int32_t transparency;       // 0 opaque .. 255 invisible, the whole layer (plane 0)
    int32_t blendMode;          // LayerBlendMode (plane 0)
    int32_t layerFlag;          // 1 on AddLayer layers and new documents
    int32_t planeSwitch;        // nonzero hides a mask plane from the pen; low byte kept in files
    int32_t frameHighlight;     // layer-move tool's frame state
    int32_t layerType;          // LayerType (plane 0)
};

// One selection shape slot. Slot 0 is the committed snapshot: its kind is read
// by the compositor, its box (inclusive) by many commands; slot 1 is the
// unfinished polygon of the pen's polygon tools, slot 5 the shape the tools
// edit, slot 9 only says (kind 20014) that the layer frames are shown. The
// selection code (select/) owns the meaning of the rest.
enum : int32_t { SelShapeMaxPoints = 5120 };
struct SelShape {
    int32_t kind;               // ShapeMode: the shape tool's command id, 0 = none, 100 = mask only
    int32_t x0, y0, x1, y1;     // box, inclusive
    int32_t count;              // points in use
    float points[2 * SelShapeMaxPoints];   // x, y pairs in image pixels
};

struct UndoStep {
    int32_t plane;              // plane index (layer x 8 + plane)
    int32_t second;             // bits of what took a step: 1 the stroke layer's planes 0 and 1,
                                // 2 the named plane, 4 its transparency plane
};

struct CanvDoc {
    // View (canv_view.cpp).
    int32_t scrollY;
    int32_t contentHeight;      // display height + 16
    int32_t paneHeight;
    int32_t scrollX;
    int32_t contentWidth;       // display width + 16
    int32_t paneWidth;
    int32_t marginX;            // 16 with a ruler unit, else 8
    int32_t marginY;
    double zoom;                // percent; exactly 100.0 is the identity
    int32_t screenToImage[2 * CanvZoomTableHalf];   // x half, then y half from CanvZoomTableHalf
    int32_t imageToScreen[2 * CanvZoomTableHalf];
    // Identity.
    int32_t number;             // from the document counter; names the work files
    int32_t modified;
    HWND pane;                  // CanvWndClass child (id 9)
    HWND display;               // CanvWndDispClass child of the pane
    HWND window;                // the CanvClass window
    HWND hRuler;                // hGageClass (id 19)
    HWND vRuler;                // vGageClass (id 20)
    char path[MAX_PATH];        // "名前なし" while unnamed
    // Layers.
    LayerPlane planes[CanvMaxPlanes];
    int32_t currentPlane;       // layer x 8 + plane
    int32_t width;
    int32_t height;
    int32_t resolution;         // dots per inch
    // Selection state (the selection code's).
    SelShape selShapes[11];
    VmsImage* selectionMask;    // 0 = selected, 255 = protected; null: no mask
    // Tail of per-document settings.
    int32_t rulerUnit;          // 0 none, 1 pixels, 2 mm, 3 inch
    int32_t closing;            // 1 once the window is being destroyed
    int32_t gridWidth;
    int32_t gridHeight;
    int32_t gridSnap;
    int32_t gridShown;
    int32_t gridRed, gridGreen, gridBlue;
    int32_t gridInvert;
    int32_t maskPending;        // selection blur pending (MarkCanvasesSelBlur)
    int32_t exifSize;           // bytes in exifBlob
    HGLOBAL exifBlob;           // ExifBlob: movable global block owned by the document, or null
    int32_t strokeLayerMode;
    // Undo history (canv_history.cpp).
    UndoStep undo[CanvUndoSlots];
    int32_t undoCount;          // entries in use
    int32_t undoPosition;       // entries done
};

// Origin kinds of a new document.
enum : int32_t {
    CanvOriginBlank = 0,
    CanvOriginFile = 1,
    CanvOriginMerged = 2,
    CanvOriginClipboard = 3,
    CanvOriginScanner = 4,
    CanvOriginDuplicate = 5,
    CanvOriginResized = 6,
    CanvOriginRotated = 7,
    CanvOriginShifted = 9,
    CanvOriginCropped = 10,
};

struct NewCanvasLayer {
    int32_t width;
    int32_t height;
    int32_t x;                  // content offset of the layer
    int32_t y;
    int32_t depth;              // bits, 24 for colour layers
    int32_t planeCount;         // planes besides the colour plane, 0..7 (a blank canvas asks 1)
    int32_t contentX;           // where the source layer's pixels go (canvas size change)
    int32_t contentY;
};

// Parameters of the next document window: filled by a frame command or the
// new-canvas dialog, read when the CanvClass window is created.
struct NewCanvasRequestRecord {
    int32_t layerCount;
    NewCanvasLayer layers[CanvMaxLayers];
    int32_t resolution;         // dots per inch
    int32_t origin;             // CanvOrigin*
    CanvDoc* source;            // document copied from, or null
    char title[MAX_PATH];       // a path for a file, else "名前なし"
    float angle;                // degrees, rotated duplicates
    int32_t rotateFlags[2];     // rotate in place (21075/21076): take the path, close the source
    int32_t mergeFlag;
    // Per layer the 128-byte plane name block of a layered file: 7 names of 10
    // characters (plane k + 1 at 10 k), then at 80 + 4 k the display value.
    char planeNames[CanvMaxLayers][128];
};
extern NewCanvasRequestRecord NewCanvasRequest;

// ---------------------------------------------------------------------------
// Services.

// The document the user works on: the active MDI child's record, or null when
// none is open, the active child has none, or it is closing.
CanvDoc* GetActiveCanvas();
// The record of a document window, or null.
CanvDoc* GetCanvDoc(HWND canvasWindow);
void SetCanvasModified(CanvDoc* doc);

// Coordinates: image pixels and display-surface pixels at the document's zoom.
int ImageToScreenX(const CanvDoc* doc, int x);
int ImageToScreenY(const CanvDoc* doc, int y);
int ScreenToImageX(const CanvDoc* doc, int x);
int ScreenToImageY(const CanvDoc* doc, int y);
int ScaleToScreen(const CanvDoc* doc, int length);
int GetDisplayWidth(const CanvDoc* doc);
int GetDisplayHeight(const CanvDoc* doc);
// The cursor in image coordinates, snapped to the grid when it is shown with
// snapping on (offsets shift the snapped point modulo the grid size).
void GetCursorImagePos(const CanvDoc* doc, POINT* point, int offsetX, int offsetY);

// Repaints display rectangle dx0..dx1, dy0..dy1 (inclusive, display
// coordinates) from the layers; dc null = the display surface's own DC.
void RenderCanvasRect(CanvDoc* doc, HDC dc, int dx0, int dy0, int dx1, int dy1);

// Status bar and rulers: the image point (clamped to the image).
void ShowCursorPos(CanvDoc* doc, int x, int y);
void UpdateCanvasTitle(CanvDoc* doc);

// Plane rows. Canvas coordinates; x0..x1 inclusive; each routine subtracts the
// plane's position and clips to its image.
// Current plane as 32-bit words (an 8-bit plane widened to grey).
void GetPlaneRow(CanvDoc* doc, int y, int x0, int x1, uint32_t* words);
// Writes the current plane (an 8-bit plane takes max(R, G, B) of each word).
void PutPlaneRow(CanvDoc* doc, int y, int x0, int x1, const uint32_t* words);
// The same on the current plane's double-precision image.
void GetPlaneRowLow(CanvDoc* doc, int y, int x0, int x1, uint32_t* words);
void PutPlaneRowLow(CanvDoc* doc, int y, int x0, int x1, const uint32_t* words);
// Row of plane n (0..7) of the current layer, raw (words for plane 0, bytes
// otherwise); zeros when the plane has no image.
void GetLayerPlaneRow(CanvDoc* doc, int y, int x0, int x1, void* buffer, int n);
void PutLayerPlaneRow(CanvDoc* doc, int y, int x0, int x1, const void* buffer, int n);
// The transparency row of the layer whose plane 0 is layerPlane, multiplied by
// the mask planes switched on for it.
void GetLayerAlphaRow(CanvDoc* doc, int y, int x0, int x1, uint8_t* buffer, int layerPlane);
// One pixel of the current plane, the position clamped into the plane.
void GetPlaneRgb(CanvDoc* doc, int x, int y, int* r, int* g, int* b);
void PutPlaneRgb(CanvDoc* doc, int x, int y, int r, int g, int b);
// One value of plane n of the current layer: clamped into the plane, or 0
// outside it (OrZero); 0 when the plane has no image.
void GetLayerPlaneValue(CanvDoc* doc, int x, int y, int* value, int n);
void GetLayerPlaneValueOrZero(CanvDoc* doc, int x, int y, int* value, int n);
void PutLayerPlaneValue(CanvDoc* doc, int x, int y, int value, int n);
