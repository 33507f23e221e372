// Stroke input: the freehand and image-brush stroke loops of the mouse, the
// placement of dabs along a segment, and the choice of the plane a stroke
// paints on (with its one undo checkpoint a stroke).
#pragma once
#include <windows.h>

#include <cstdlib>

#include "paint/pen_canvas.h"

// Minimum distance between dabs: pen size x factor, 1.0 when below 1.
double StrokeMinDistance(double factor);
// Spacing of dabs along a segment: pen size x 0.125, 1.0 when below 1.
double StrokeSpacing();

// The positions of the dabs from (x0, y0) to (x1, y1) at the given spacing:
// along the major axis from the start, short of the end (pulled back by 0.5
// when this is not the last segment and the end lies more than 1.5 away); the
// start itself only with every set. Calls put for each position.
template <typename Put>
void ForEachDabPosition(double x0, double y0, double x1, double y1, int last, int every, double spacing, Put put);

// Dabs from one sub-pixel point to the next; the segment's rectangle comes
// back through rect (right and bottom exclusive) and is repainted on dc with
// repaint set.
void PlaceDabsAlongSegment(PenCanvas* canvas, HDC dc, double x0, double y0, double x1, double y1, int last,
                           int every, int right, RECT* rect, int repaint, double minDistance, int* first);

// Chooses the plane the stroke paints on: edge pens paint the stroke layers,
// the effect pen the layer its source came from, every other pen the current
// plane. 0 when the stroke layer cannot be had: the stroke paints nothing.
int BeginStrokePlane(PenCanvas* canvas);
void EndStrokePlane(PenCanvas* canvas);

// The freehand loop of a pen tool (mouse). right: the right button started it
// (snapshot dabs). 1 when a stroke ran, 0 when none could (no snapshot for a
// right-button stroke, no stroke layer).
int RunFreehandStroke(PenCanvas* canvas, int x, int y, int right);
// One dab a moved sample; stamps at their spacing. pressureFlag: the tablet's
// pressure sets the opacity of each pass.
int RunImageBrushStroke(PenCanvas* canvas, int x, int y, int right, int snapshotDabs, int pressure);

// What every stroke and shape does around its dabs: the stroke plane, one
// undo checkpoint, the dab counter, a DC of the pane, and afterwards the
// opacity put back, the canvas marked modified and the plane restored. ok is
// false (and nothing may be painted) when the stroke plane cannot be had.
struct PaintScope {
    PenCanvas* canvas;
    HDC dc = nullptr;
    int opacity;
    bool ok = false;
    bool hideCursor;
    bool nested = false;   // inside another scope: its plane and undo step serve
    PaintScope(PenCanvas* canvas, bool hideCursor);
    ~PaintScope();
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
};

// Spacing percentages of the roller stamp and the fancy-pen stamp (set by
// their pages).
extern int RollerSpacingPercent;
extern int StampSpacingPercent;
// The freehand loop with tablet samples: each sample sets the pen from its
// pressure for its dabs (opacity, density, size by the tablet options), and
// a change of pen end switches the tool first (TabletPenEndSwitch). The first
// sample was read by the caller.
int RunTabletStroke(PenCanvas* canvas, int right, int firstPressure, int firstAltitude);
// The edge pen's tablet loop: one dab (no segment) for every sample whose
// point differs from the last, the pen set from the pressure as above; a
// change of pen end also takes the stroke plane anew.
int RunEdgePenTabletStroke(PenCanvas* canvas, int right, int firstPressure, int firstAltitude);
// The image brush with the tablet: only passes with a sample draw, each with
// the pen set from its pressure; the eraser end paints those passes in the
// transparency-eraser mode. Begun with the eraser end, the whole stroke is a
// freehand stroke in that mode.
int RunImageBrushTabletStroke(PenCanvas* canvas, int right, int snapshotDabs, int firstPressure, int firstAltitude);
// The tool switch of the tablet pen's ends: a turned-over pen (negative
// altitude) presses the snapshot eraser's button, an upright pen after that
// the pen's button. 1 when the tool was switched.
int TabletPenEndSwitch(int altitude);
// 1 while the eraser end has the snapshot eraser chosen.
int TabletEraserEndActive();
void ResetTabletEraserEnd();

// The colour picker (cursor "spoit") while the button is held: on plane 0 of
// a layer the displayed colour becomes the pen's RGB colour, on other planes
// the plane's value v the HSV colour (0, 255, v). The colour panel host is
// told before and after each change.
void PickCanvasColour(PenCanvas* canvas, int left);
// Where the colour panel host's window is kept (set by the frame; may be null).
extern HWND* ColourPanelHost;

// Dirty rectangle of the last stroke (image coordinates, right and bottom exclusive).
RECT LastStrokeRect();

// ---- template body ----
template <typename Put>
void ForEachDabPosition(double x0, double y0, double x1, double y1, int last, int every, double spacing, Put put) {
    bool alongX = std::abs((int)(10 * y0 - 10 * y1)) < std::abs((int)(10 * x0 - 10 * x1));
    double a0 = alongX ? x0 : y0, a1 = alongX ? x1 : y1;   // major axis
    double b0 = alongX ? y0 : x0, b1 = alongX ? y1 : x1;   // minor axis
    double end = a1;
    bool forward = a1 >= a0;
    if (!last && (forward ? a1 - a0 : a0 - a1) > 1.5) end = forward ? a1 - 0.5 : a1 + 0.5;
    double step = forward ? spacing : -spacing;
    for (double t = a0; forward ? t < end : t > end; t += step) {
        if (!every && t == a0) continue;
        double u = b0 + (t - a0) * (b1 - b0) / (end - a0);
        if (alongX) put(t, u);
        else put(u, t);
    }
}
