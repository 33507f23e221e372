// Shape strokes and fills of the pen: boxes, ellipses, polygons, point lists,
// the selection outline and curve paths, outlined with dabs or filled row by
// row with the pen's rows. Each shape is one undo step on its stroke plane.
#pragma once
#include <windows.h>

#include "paint/pen_canvas.h"

// source 0: the selection box, 2: the given box (1, a dragged box, is the
// selection tool's and comes here as 2).
void FillBoxWithPen(PenCanvas* canvas, int source, int x0, int y0, int x1, int y1);
// given 0 takes the selection box.
void StrokeBoxOutline(PenCanvas* canvas, int given, int x0, int y0, int x1, int y1);
void StrokeEllipseOutline(PenCanvas* canvas, int given, const RECT& box);
void FillEllipseWithPen(PenCanvas* canvas, int given, const RECT& box);
void FillPolygonWithPen(PenCanvas* canvas, int slot);
void StrokeShapePoints(PenCanvas* canvas, int slot);
void StrokeSelectionOutline(PenCanvas* canvas);
// Cubic Hermite curve through the points of the outline slot; Esc stops it
// between segments.
void StrokeAlongPath(PenCanvas* canvas);

// Canvas command 21000: the selection box filled with the pen, every row
// through the selection mask.
void FillSelectionWithPen(PenCanvas* canvas);
// Canvas command 21001: the selection's outline drawn with the pen, by the
// selection's shape mode (20001 box, 20002 line, 20003 ellipse, 20008 lasso,
// 20010 curve, 20005..20007 nothing, others the point list), one undo step.
void StrokeSelectionShape(PenCanvas* canvas, int shapeMode);

// The midpoint ellipse of semi-axes rx, ry: put(x, y) for each step of the
// first quadrant, from (0, ry) to (rx, 0).
template <typename Put>
void MidpointEllipse(int rx, int ry, Put put) {
    if (rx <= 0 || ry <= 0) {
        put(rx > 0 ? rx : 0, ry > 0 ? ry : 0);
        for (int x = rx - 1; x >= 0; --x) put(x, 0);
        for (int y = ry - 1; y >= 0; --y) put(0, y);
        return;
    }
    long long a2 = (long long)rx * rx, b2 = (long long)ry * ry;
    long long x = 0, y = ry;
    long long px = 0, py = 2 * a2 * y;
    put((int)x, (int)y);
    // Region 1, slope above -1 (values times 4 to stay integral).
    long long p = 4 * b2 - 4 * a2 * ry + a2;
    while (px < py) {
        ++x;
        px += 2 * b2;
        if (p < 0) {
            p += 4 * (b2 + px);
        } else {
            --y;
            py -= 2 * a2;
            p += 4 * (b2 + px - py);
        }
        put((int)x, (int)y);
    }
    // Region 2.
    p = b2 * (2 * x + 1) * (2 * x + 1) + 4 * a2 * (y - 1) * (y - 1) - 4 * a2 * b2;
    while (y > 0) {
        --y;
        py -= 2 * a2;
        if (p > 0) {
            p += 4 * (a2 - py);
        } else {
            ++x;
            px += 2 * b2;
            p += 4 * (a2 - py + px);
        }
        put((int)x, (int)y);
    }
}
