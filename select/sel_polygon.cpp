// Polygon (20004, and the pen's polygon tools 20018 and 20025 in slot 1),
// polyline (20008) and spline (20010): click-by-click point shapes, their
// outlines, vertex drags, moves and point menus.
#include <cmath>
#include <cstring>
#include <vector>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "paint/canvas_pen.h"
#include "paint/shapes.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"

namespace {

// The polygon being drawn: vertices placed (0 = none) and its document.
int g_vertices = 0;
CanvDoc* g_drawing = nullptr;
int g_drawingSlot = 5;

POINT Disp(CanvDoc* doc, const float* p) {
    return {ImageToScreenX(doc, (int)p[0]), ImageToScreenY(doc, (int)p[1])};
}
bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) < 4 && std::abs(a.y - b.y) < 4; }

// Index of the last point under the cursor among the first n, or -1.
int HitPoint(CanvDoc* doc, const SelShape& s, int n) {
    const POINT c = SelCursorDisplay(doc);
    int hit = -1;
    for (int i = 0; i < n; ++i)
        if (Near(Disp(doc, &s.points[2 * i]), c)) hit = i;
    return hit;
}

RECT PointsBox(const SelShape& s, int n) {
    RECT r = {0, 0, -1, -1};
    for (int i = 0; i < n; ++i) {
        const int x = (int)s.points[2 * i], y = (int)s.points[2 * i + 1];
        if (i == 0 || x < r.left) r.left = x;
        if (i == 0 || y < r.top) r.top = y;
        if (i == 0 || x > r.right) r.right = x;
        if (i == 0 || y > r.bottom) r.bottom = y;
    }
    return r;
}

bool StrictlyInside(const RECT& r, POINT p) { return p.x > r.left && p.x < r.right && p.y > r.top && p.y < r.bottom; }

// The cursor strictly inside the display box of the shape's points.
bool CursorInsidePoints(CanvDoc* doc, const SelShape& s) {
    const RECT box = PointsBox(s, s.count);
    const RECT shown = {ImageToScreenX(doc, box.left), ImageToScreenY(doc, box.top), ImageToScreenX(doc, box.right),
                        ImageToScreenY(doc, box.bottom)};
    return StrictlyInside(shown, SelCursorDisplay(doc));
}

void DrawPoints(CanvDoc* doc, HDC dc, const SelShape& s, bool closeBack, bool lastSquare) {
    const int n = s.count;
    if (n <= 0) return;
    for (int i = 0; i + 1 < n; ++i) {
        const POINT a = Disp(doc, &s.points[2 * i]), b = Disp(doc, &s.points[2 * i + 2]);
        DrawXorDotLine(dc, a.x, a.y, b.x, b.y);
    }
    if (closeBack && n > 2) {
        const POINT a = Disp(doc, &s.points[2 * (n - 1)]), b = Disp(doc, &s.points[0]);
        DrawXorDotLine(dc, a.x, a.y, b.x, b.y);
    }
    const int squares = lastSquare ? n : n - 1;
    for (int i = 0; i < squares; ++i) {
        const POINT a = Disp(doc, &s.points[2 * i]);
        SelDrawHandle(dc, a.x, a.y);
    }
}

void SetPoint(SelShape& s, int i, POINT p) {
    s.points[2 * i] = (float)p.x;
    s.points[2 * i + 1] = (float)p.y;
}

void Redraw(CanvDoc* doc) { c_SelectionTool::DrawOutline(doc, nullptr); }

// Drags point `index` of the current shape; closed lists keep their closing
// point equal to point 0.
void DragVertex(CanvDoc* doc, int index, bool closed) {
    SelShape& s = c_SelectionTool::Current(doc);
    SetCursor(SelCursor(kCursorHandle));
    POINT last = {-100000, -100000};
    while (IsLeftButtonDown()) {
        const POINT p = SelClampToCanvas(doc, SelCursorImage(doc));
        if (p.x == last.x && p.y == last.y) continue;
        last = p;
        Redraw(doc);
        SetPoint(s, index, p);
        if (closed && index == 0) SetPoint(s, s.count - 1, p);
        if (closed && index == s.count - 1) SetPoint(s, 0, p);
        Redraw(doc);
        ShowCursorPos(doc, p.x, p.y);
        AutoScrollEdge(doc);
    }
    c_SelectionTool::CommitShape(doc, 1);
}

// Moves every point with the cursor; `margin` pixels of the box stay on the canvas.
void MovePoints(CanvDoc* doc, const RECT& box, int margin) {
    SelShape& s = c_SelectionTool::Current(doc);
    std::vector<float> start(s.points, s.points + 2 * s.count);
    const POINT press = SelCursorImage(doc);
    SetCursor(SelCursor(kCursorMove));
    int ldx = 0, ldy = 0;
    while (IsLeftButtonDown()) {
        const POINT p = SelCursorImage(doc);
        int dx = p.x - press.x, dy = p.y - press.y;
        if (box.left + dx > doc->width - margin) dx = doc->width - margin - box.left;
        if (box.right + dx < margin) dx = margin - box.right;
        if (box.top + dy > doc->height - margin) dy = doc->height - margin - box.top;
        if (box.bottom + dy < margin) dy = margin - box.bottom;
        if (dx == ldx && dy == ldy) continue;
        ldx = dx;
        ldy = dy;
        Redraw(doc);
        for (int i = 0; i < s.count; ++i) {
            s.points[2 * i] = start[2 * i] + (float)dx;
            s.points[2 * i + 1] = start[2 * i + 1] + (float)dy;
        }
        Redraw(doc);
        AutoScrollEdge(doc);
    }
    c_SelectionTool::CommitShape(doc, 1);
}

// The point menu of a finished polygon, polyline or spline at point index.
void PointMenu(CanvDoc* doc, int index, bool closed) {
    SelShape& s = c_SelectionTool::Current(doc);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, kSelMenuAddPoint);
    AppendMenuA(menu, MF_STRING | (s.count < 5 ? MF_GRAYED : 0), 2, kSelMenuDeletePoint);
    const int chosen = SelPopupMenu(doc, menu);
    if (closed && index == s.count - 1) index = 0;
    if (chosen == 1 && s.count < 5110) {
        Redraw(doc);
        std::memmove(&s.points[2 * index + 2], &s.points[2 * index], sizeof(float) * 2 * (size_t)(s.count - index));
        s.points[2 * index] += 5;
        s.points[2 * index + 1] += 5;
        ++s.count;
        if (closed && index == 0) {
            s.points[2 * (s.count - 1)] = s.points[0];
            s.points[2 * (s.count - 1) + 1] = s.points[1];
        }
        c_SelectionTool::CommitShape(doc, 1);
    } else if (chosen == 2 && s.count > 3) {
        Redraw(doc);
        std::memmove(&s.points[2 * index], &s.points[2 * index + 2], sizeof(float) * 2 * (size_t)(s.count - index - 1));
        --s.count;
        if (closed && index == 0) {
            s.points[2 * (s.count - 1)] = s.points[0];
            s.points[2 * (s.count - 1) + 1] = s.points[1];
        }
        c_SelectionTool::CommitShape(doc, 1);
    }
}

void SplineCurve(CanvDoc* doc, HDC dc, const SelShape& s) {
    const int n = s.count;
    if (n < 2) return;
    std::vector<double> tx((size_t)n), ty((size_t)n);
    for (int i = 0; i < n; ++i) {
        const int a = i == 0 ? 0 : i - 1, b = i == n - 1 ? n - 1 : i + 1;
        const double div = (i == 0 || i == n - 1) ? 1.0 : 2.0;
        tx[i] = (s.points[2 * b] - s.points[2 * a]) / div;
        ty[i] = (s.points[2 * b + 1] - s.points[2 * a + 1]) / div;
    }
    for (int k = 0; k + 1 < n; ++k) {
        const double px = s.points[2 * k], py = s.points[2 * k + 1];
        const double qx = s.points[2 * k + 2], qy = s.points[2 * k + 3];
        const double f = std::fabs(qx - px) + std::fabs(qy - py);
        if (f == 0) continue;
        const double ox = 3 * (qx - px) - (2 * tx[k] + tx[k + 1]), oy = 3 * (qy - py) - (2 * ty[k] + ty[k + 1]);
        const double ux = 2 * (px - qx) + (tx[k] + tx[k + 1]), uy = 2 * (py - qy) + (ty[k] + ty[k + 1]);
        int lx = 0, ly = 0;
        for (int i = 0; i <= f; ++i) {
            const double v = i / f;
            const int x = (int)(px + v * (tx[k] + v * (ox + v * ux)));
            const int y = (int)(py + v * (ty[k] + v * (oy + v * uy)));
            if (i > 0 && (x != lx || y != ly))
                DrawXorDotLine(dc, ImageToScreenX(doc, lx), ImageToScreenY(doc, ly), ImageToScreenX(doc, x),
                               ImageToScreenY(doc, y));
            lx = x;
            ly = y;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Polygon.

void DrawPolygonShape(CanvDoc* doc, HDC dc, int slot) {
    const SelShape& s = doc->selShapes[slot];
    const bool drawing = g_drawing == doc && g_vertices > 0 && g_drawingSlot == slot;
    DrawPoints(doc, dc, s, true, drawing);
}

void DrawPenPolygon(CanvDoc* doc, HDC dc) {
    if (g_drawing == doc && g_vertices > 0 && g_drawingSlot == 1) DrawPolygonShape(doc, dc, 1);
}

void TrackPolygon(CanvDoc* doc, int slot) {
    if (g_drawing && g_drawing != doc) CancelUnfinishedShapes(g_drawing);
    SelShape& s = doc->selShapes[slot];
    if (slot == 5 && g_vertices == 0 && s.kind == CMD_TOOL_POLYGON && s.count >= 2) {
        const int hit = HitPoint(doc, s, s.count - 1);
        if (hit >= 0) {
            DragVertex(doc, hit, true);
            return;
        }
        const RECT box = {s.x0, s.y0, s.x1, s.y1};
        if (StrictlyInside(box, SelCursorImage(doc))) {
            MovePoints(doc, PointsBox(s, s.count), 20);
            return;
        }
    }
    g_drawing = doc;
    g_drawingSlot = slot;
    const POINT p = SelCursorImage(doc);
    if (g_vertices == 0) {
        if (slot == 5) c_SelectionTool::Deselect(doc);
        s.count = 1;
        if (slot == 5) s.kind = CMD_TOOL_POLYGON;
        else s.kind = CMD_TOOL_POLYGON;
        WaitLeftButtonUp();
        SetPoint(s, 0, p);
        SetPoint(s, 1, p);
        s.count = 2;
        g_vertices = 1;
        Redraw(doc);
        SelClearStatus();
        return;
    }
    if (g_vertices + 2 > SelShapeMaxPoints) return;   // the list is full
    Redraw(doc);
    WaitLeftButtonUp();
    SetPoint(s, g_vertices, p);
    SetPoint(s, g_vertices + 1, p);
    s.count = g_vertices + 2;
    ++g_vertices;
    Redraw(doc);
    SelClearStatus();
}

const char* PolygonPointerMove(CanvDoc* doc, int slot) {
    SelShape& s = doc->selShapes[slot];
    if (g_drawing == doc && g_vertices > 0 && g_drawingSlot == slot) {
        const POINT p = SelCursorImage(doc);
        if ((int)s.points[2 * g_vertices] == p.x && (int)s.points[2 * g_vertices + 1] == p.y) return nullptr;
        Redraw(doc);
        SetPoint(s, g_vertices, p);
        Redraw(doc);
        return nullptr;
    }
    if (slot != 5 || s.kind != CMD_TOOL_POLYGON || s.count < 2) return nullptr;
    if (HitPoint(doc, s, s.count - 1) >= 0) return kCursorHandle;
    return CursorInsidePoints(doc, s) ? kCursorMove : nullptr;
}

void FinishPolygon(CanvDoc* doc, int slot) {
    SelShape& s = doc->selShapes[slot];
    if (g_drawing == doc && g_vertices > 0 && g_drawingSlot == slot) {
        Redraw(doc);
        const POINT p = SelCursorImage(doc);
        const int v = g_vertices;
        SetPoint(s, v, p);
        s.count = v + 2 <= SelShapeMaxPoints ? v + 2 : SelShapeMaxPoints;
        s.kind = CMD_TOOL_POLYGON;
        s.points[2 * (s.count - 1)] = s.points[0];
        s.points[2 * (s.count - 1) + 1] = s.points[1];
        g_vertices = 0;
        g_drawing = nullptr;
        const int tool = CanvCurrentTool();
        if (slot == 5) {
            c_SelectionTool::CommitShape(doc, 1);
            c_SelectionTool::AfterShape(doc);
        } else {
            PenCanvas view;
            MakePenCanvas(doc, &view);
            if (tool == CMD_TOOL_DRAWPOLYFILL) FillPolygonWithPen(&view, 1);
            else StrokeShapePoints(&view, 1);
            s.count = 0;
            s.kind = 0;
            SelRepaint(doc);
        }
        SetCanvasModified(doc);
        return;
    }
    if (slot != 5 || s.kind != CMD_TOOL_POLYGON || s.count < 2) return;
    const int hit = HitPoint(doc, s, s.count);
    if (hit >= 0) PointMenu(doc, hit, true);
}

// ---------------------------------------------------------------------------
// Polyline and spline.

void DrawPolylineShape(CanvDoc* doc, HDC dc) { DrawPoints(doc, dc, c_SelectionTool::Current(doc), false, true); }

void DrawSplineShape(CanvDoc* doc, HDC dc) {
    const SelShape& s = c_SelectionTool::Current(doc);
    if (s.count < 2) return;
    if (!SelShiftDown()) SplineCurve(doc, dc, s);
    for (int i = 0; i < s.count; ++i) {
        const POINT a = Disp(doc, &s.points[2 * i]);
        SelDrawHandle(dc, a.x, a.y);
    }
}

const char* HitTestPolyline(CanvDoc* doc, int mode) {
    const SelShape& s = c_SelectionTool::Current(doc);
    if (s.kind != mode || s.count < 2) return nullptr;
    if (HitPoint(doc, s, s.count) >= 0) return kCursorHandle;
    return CursorInsidePoints(doc, s) ? kCursorMove : nullptr;
}

void TrackPolyline(CanvDoc* doc, int mode) {
    SelShape& s = c_SelectionTool::Current(doc);
    if (s.kind == mode && s.count >= 2) {
        const int hit = HitPoint(doc, s, s.count);
        if (hit >= 0) {
            DragVertex(doc, hit, false);
            return;
        }
        const RECT box = PointsBox(s, s.count);
        if (StrictlyInside(box, SelCursorImage(doc))) {
            MovePoints(doc, box, 0);
            return;
        }
    }
    c_SelectionTool::Deselect(doc);
    const POINT p = SelCursorImage(doc);
    s.kind = mode;
    SetPoint(s, 0, p);
    SetPoint(s, 1, p);
    s.count = 2;
    Redraw(doc);
    WaitLeftButtonUp();
    bool leftWasUp = true;
    POINT last = p;
    for (;;) {
        if (IsRightButtonDown()) break;
        const bool left = IsLeftButtonDown() != 0;
        const POINT c = SelCursorImage(doc);
        if (left && leftWasUp) {
            // A click fixes the rubber-band point and starts a new one.
            const POINT fixed = SelClampToCanvas(doc, c);
            if (s.count < SelShapeMaxPoints) {
                Redraw(doc);
                SetPoint(s, s.count - 1, fixed);
                SetPoint(s, s.count, fixed);
                ++s.count;
                Redraw(doc);
            }
        } else if (c.x != last.x || c.y != last.y) {
            Redraw(doc);
            SetPoint(s, s.count - 1, c);
            Redraw(doc);
            ShowCursorPos(doc, c.x, c.y);
            AutoScrollEdge(doc);
        }
        last = c;
        leftWasUp = !left;
    }
    Redraw(doc);
    --s.count;   // the rubber-band point
    if (s.count < 3) {
        s.kind = 0;
        s.count = 0;
    }
    c_SelectionTool::CommitShape(doc, 1);
    WaitRightButtonUp();
    SelClearStatus();
}

void PolylinePointMenu(CanvDoc* doc, int mode) {
    SelShape& s = c_SelectionTool::Current(doc);
    if (s.kind != mode || s.count < 2) return;
    const int hit = HitPoint(doc, s, s.count);
    if (hit >= 0) PointMenu(doc, hit, false);
}

void CancelUnfinishedShapes(CanvDoc* doc) {
    if (g_drawing && (doc == nullptr || g_drawing == doc)) {
        CanvDoc* d = g_drawing;
        SelShape& s = d->selShapes[g_drawingSlot];
        g_vertices = 0;
        g_drawing = nullptr;
        s.count = 0;
        s.kind = 0;
        if (!d->closing) SelRepaint(d);
    }
    CancelEdgeLasso(doc);
}
