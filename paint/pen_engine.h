// c_PenEngine: row and pixel access to any plane of a canvas (whatever its
// depth, offset, second image, masks, selection and channel locks), the blend
// of computed pen rows into the current plane, and the pen's dabs (edge pen,
// sub-pixel, integer and snapshot dabs).
#pragma once
#include <windows.h>

#include <cstdint>

#include "paint/pen_canvas.h"

// Alpha kinds of a pen row.
enum : int {
    AlphaKindMix = 0,     // mix colour by the existing transparency and raise it
    AlphaKindBlend = 1,   // blend colour plainly and the transparency toward the pen row
    AlphaKindKeep = 2,    // leave the transparency alone
};

// Thinning: 1 while a dab closer than the minimum distance to the previous one
// is skipped (pen strokes), 0 for image-brush strokes and the clone tool.
extern int StrokeThinning;

class c_PenEngine {
public:
    // Current plane rows as colour words (B, G, R, x); 8-bit planes widened to
    // grey on reading and written as max(R, G, B). Pixels outside the plane
    // read as 0 and are not written.
    static void GetPlaneRow(PenCanvas* canvas, int y, int x0, int x1, uint32_t* words);
    static void PutPlaneRow(PenCanvas* canvas, int y, int x0, int x1, const uint32_t* words);
    static void GetPlaneRowLow(PenCanvas* canvas, int y, int x0, int x1, uint32_t* words);
    static void PutPlaneRowLow(PenCanvas* canvas, int y, int x0, int x1, const uint32_t* words);
    // One pixel of the current plane, the position clamped into the plane.
    static void GetPlaneRgb(PenCanvas* canvas, int x, int y, int* r, int* g, int* b);
    static void PutPlaneRgb(PenCanvas* canvas, int x, int y, int r, int g, int b);

    // Raw rows of plane n of the current layer: words on plane 0, bytes else;
    // zeros when that plane has no image.
    static void GetLayerPlaneRow(PenCanvas* canvas, int y, int x0, int x1, void* buffer, int n);
    static void PutLayerPlaneRow(PenCanvas* canvas, int y, int x0, int x1, const void* buffer, int n);
    static void GetLayerPlaneValue(PenCanvas* canvas, int x, int y, int* value, int n);
    static void GetLayerPlaneValueOrZero(PenCanvas* canvas, int x, int y, int* value, int n);
    static void PutLayerPlaneValue(PenCanvas* canvas, int x, int y, int value, int n);

    // Masks of the layer of plane index layerPlane (its plane 0).
    static void GetProtectRow(PenCanvas* canvas, int y, int x0, int x1, uint8_t* buffer, int layerPlane);
    static void GetProtectValue(PenCanvas* canvas, int x, int y, int layerPlane, int* value);
    static void GetLayerAlphaRow(PenCanvas* canvas, int y, int x0, int x1, uint8_t* buffer, int layerPlane);

    // Blends a pen row into the current plane: colour row, coverage row, low
    // coverage row (or null), pen transparency row, protect row (0 paintable,
    // 255 protected; masks and selection ORed in when applyMasks is 1).
    static void WriteStrokeRow(PenCanvas* canvas, int unused, const uint32_t* colour, const uint8_t* coverage,
                               const uint8_t* lowCoverage, const uint8_t* penAlpha, uint8_t* protect,
                               int alphaKind, int y, int x0, int x1, int applyMasks);
    static void BlendRow(PenCanvas* canvas, const uint32_t* colour, const uint8_t* coverage,
                         const uint8_t* penAlpha, const uint8_t* protect, int alphaKind, int y, int x0, int x1);
    static void BlendRowDouble(PenCanvas* canvas, const uint32_t* colour, const uint8_t* coverage,
                               const uint8_t* lowCoverage, const uint8_t* penAlpha, const uint8_t* protect,
                               int alphaKind, int y, int x0, int x1);

    // One dab of the current pen; the rectangle (right and bottom exclusive)
    // comes back through the pointers; repainted on dc when given.
    static void Dab(PenCanvas* canvas, HDC dc, double x, double y, int snapshot, int* left, int* top,
                    int* right, int* bottom, int unused, double minDistance, int* first);
    static void DabAt(PenCanvas* canvas, HDC dc, int x, int y, int snapshot, RECT* rect);
    static void DabSubPixel(PenCanvas* canvas, HDC dc, double x, double y, int snapshot, RECT* rect,
                            double minDistance, int* first);
    static void DabImage(PenCanvas* canvas, HDC dc, int x, int y, RECT* rect);

    // 0 not a pen tool, 1 plain pen, 2 edge pen, 3 image brush, 4 effect pen.
    static int GetPenKind();
};

// Colour words.
inline uint32_t MakeWord(int r, int g, int b) { return (uint32_t)b | ((uint32_t)g << 8) | ((uint32_t)r << 16); }
inline int WordR(uint32_t w) { return (w >> 16) & 255; }
inline int WordG(uint32_t w) { return (w >> 8) & 255; }
inline int WordB(uint32_t w) { return w & 255; }
