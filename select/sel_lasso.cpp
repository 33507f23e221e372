// The freehand lasso (20012), the edge measures it shares with the edge lasso,
// and the edge lasso (20009) that follows image edges between clicked anchors.
#include <cmath>
#include <vector>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "canvas/canv_window.h"
#include "resources/resource.h"
#include "select/sel_edge.h"
#include "select/sel_internal.h"
#include "select/sel_path.h"
#include "select/sel_tool.h"

namespace {

CanvDoc* g_readDoc = nullptr;

int ReadPixel(int x, int y, int* r, int* g, int* b) {
    GetPlaneRgb(g_readDoc, x, y, r, g, b);
    return 1;
}

void DotLine(CanvDoc* doc, HDC dc, float x0, float y0, float x1, float y1) {
    DrawXorDotLine(dc, ImageToScreenX(doc, (int)x0), ImageToScreenY(doc, (int)y0), ImageToScreenX(doc, (int)x1),
                   ImageToScreenY(doc, (int)y1));
}

// Edge-lasso state.
struct EdgeLasso {
    int anchors = 0;        // 0: no outline is drawn
    int freeStart = 0;      // first point of the free part
    int reference = 0;      // edge strength at the first click
    CanvDoc* doc = nullptr;
} g_edge;

void DrawLassoOutline(CanvDoc* doc, HDC dc) {
    const SelShape& s = c_SelectionTool::Current(doc);
    for (int i = 0; i + 1 < s.count; ++i)
        DotLine(doc, dc, s.points[2 * i], s.points[2 * i + 1], s.points[2 * i + 2], s.points[2 * i + 3]);
    for (int i = 0; i < s.count; i += 10)
        SelDrawHandle(dc, ImageToScreenX(doc, (int)s.points[2 * i]), ImageToScreenY(doc, (int)s.points[2 * i + 1]));
}

void ToggleEdgeOutline(CanvDoc* doc) {
    SelDc d(doc);
    if (d.dc) DrawLassoOutline(doc, d.dc);
}

double Area2(const float* a, const float* b, const float* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

void TraceEdgeSegment(CanvDoc* doc, int fx, int fy, int tx, int ty) {
    SelShape& s = c_SelectionTool::Current(doc);
    g_readDoc = doc;
    const int dx = tx - fx, dy = ty - fy;
    const int steps = (std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy)) / 2;
    for (int i = 1; i <= steps; ++i) {
        const int x = fx + (int)((long long)dx * 2 * i / (2 * steps > 0 ? 2 * steps : 1));
        const int y = fy + (int)((long long)dy * 2 * i / (2 * steps > 0 ? 2 * steps : 1));
        if (x == tx && y == ty) break;
        int ex = x, ey = y;
        FindEdgePoint(&ex, &ey, x, y, fx, fy, g_edge.reference, 10, ReadPixel);
        if (s.count >= SelShapeMaxPoints) continue;
        s.points[2 * s.count] = (float)ex;
        s.points[2 * s.count + 1] = (float)ey;
        ++s.count;
    }
    // Thinning of nearly straight and short runs in the free part.
    auto removeAt = [&](int i) {
        for (int k = i; k + 1 < s.count; ++k) {
            s.points[2 * k] = s.points[2 * k + 2];
            s.points[2 * k + 1] = s.points[2 * k + 3];
        }
        --s.count;
    };
    bool again = true;
    while (again) {
        again = false;
        for (int i = g_edge.freeStart; i + 2 < s.count; ++i)
            if (std::fabs(Area2(&s.points[2 * i], &s.points[2 * i + 2], &s.points[2 * i + 4])) < 20) {
                removeAt(i + 1);
                again = true;
                break;
            }
    }
    again = true;
    while (again) {
        again = false;
        for (int i = g_edge.freeStart; i + 2 < s.count; ++i) {
            const float* p = &s.points[2 * i];
            const double len = std::fabs(p[2] - p[0]) + std::fabs(p[3] - p[1]) + std::fabs(p[4] - p[2]) +
                               std::fabs(p[5] - p[3]);
            if (len < 16) {
                removeAt(i + 1);
                again = true;
                break;
            }
        }
    }
}

void FitShapeToPath(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    FitPath(doc);
    s.kind = CMD_TOOL_PATH;
    SelPath().current = 0;
    FlattenPath(doc);
    c_SelectionTool::CommitShape(doc, 0);
}

}  // namespace

void TrackLasso(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    if ((s.kind == CMD_TOOL_LASSO || s.kind == CMD_TOOL_PATH) && (DragPathNode(doc) || MovePath(doc))) return;
    c_SelectionTool::Deselect(doc);
    g_readDoc = doc;
    const POINT start = SelCursorImage(doc);
    int sx = start.x, sy = start.y;
    const int reference = StrongestEdgePoint(&sx, &sy, start.x, start.y, 24, ReadPixel);
    s.points[0] = (float)start.x;
    s.points[1] = (float)start.y;
    s.count = 1;
    SelDc d(doc);
    while (IsLeftButtonDown()) {
        if (s.count >= 5111) break;
        POINT p = SelCursorImage(doc);
        if (SelShiftDown()) {
            int ex = p.x, ey = p.y;
            FindEdgePoint(&ex, &ey, p.x, p.y, p.x, p.y, reference, 10, ReadPixel);
            p = {ex, ey};
        }
        const float* last = &s.points[2 * (s.count - 1)];
        if ((int)last[0] == p.x && (int)last[1] == p.y) continue;
        if (d.dc) DotLine(doc, d.dc, last[0], last[1], (float)p.x, (float)p.y);
        s.points[2 * s.count] = (float)p.x;
        s.points[2 * s.count + 1] = (float)p.y;
        ++s.count;
    }
    s.points[2 * s.count] = s.points[0];
    s.points[2 * s.count + 1] = s.points[1];
    ++s.count;
    FitPath(doc);
    SelPath().selected = -1;
    SelPath().current = 0;
    s.kind = CMD_TOOL_LASSO;
    FlattenPath(doc);
    c_SelectionTool::CommitShape(doc, 1);
}

int TrackEdgeLasso(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    if (g_edge.anchors == 0 && s.kind == CMD_TOOL_PATH && (DragPathNode(doc) || MovePath(doc))) return 1;
    if (g_edge.doc && g_edge.doc != doc) CancelEdgeLasso(g_edge.doc);
    if (g_edge.anchors > 0) {
        WaitLeftButtonUp();
        g_edge.freeStart = s.count;
        ++g_edge.anchors;
        SelClearStatus();
        return 0;
    }
    c_SelectionTool::Deselect(doc);
    g_edge.doc = doc;
    g_readDoc = doc;
    const POINT p = SelCursorImage(doc);
    int x = p.x, y = p.y;
    g_edge.reference = StrongestEdgePoint(&x, &y, p.x, p.y, 24, ReadPixel);
    s.kind = CMD_TOOL_EDGELASSO;
    s.points[0] = (float)x;
    s.points[1] = (float)y;
    s.count = 1;
    g_edge.freeStart = 1;
    g_edge.anchors = 1;
    ToggleEdgeOutline(doc);
    return 0;
}

const char* EdgeLassoPointerMove(CanvDoc* doc) {
    if (g_edge.anchors == 0 || g_edge.doc != doc) return HitTestPath(doc);
    SelShape& s = c_SelectionTool::Current(doc);
    const POINT p = SelCursorImage(doc);
    const int fixed = g_edge.freeStart - 1;
    const int fx = (int)s.points[2 * fixed], fy = (int)s.points[2 * fixed + 1];
    if (std::abs(p.x - fx) + std::abs(p.y - fy) <= 24) return nullptr;
    ToggleEdgeOutline(doc);
    s.count = g_edge.freeStart;
    TraceEdgeSegment(doc, fx, fy, p.x, p.y);
    ToggleEdgeOutline(doc);
    return nullptr;
}

int FinishEdgeLasso(CanvDoc* doc) {
    if (g_edge.anchors == 0 || g_edge.doc != doc) return 0;
    SelShape& s = c_SelectionTool::Current(doc);
    ToggleEdgeOutline(doc);
    if (s.count > 0) {
        s.points[2 * (s.count - 1)] = s.points[0];
        s.points[2 * (s.count - 1) + 1] = s.points[1];
    }
    s.kind = CMD_TOOL_PATH;
    g_edge.anchors = 0;
    g_edge.doc = nullptr;
    FitShapeToPath(doc);
    c_SelectionTool::CommitShape(doc, 1);
    return 1;
}

void CancelEdgeLasso(CanvDoc* doc) {
    if (!g_edge.doc || (doc && g_edge.doc != doc)) return;
    CanvDoc* d = g_edge.doc;
    g_edge = EdgeLasso{};
    SelShape& s = c_SelectionTool::Current(d);
    if (s.kind == CMD_TOOL_EDGELASSO) {
        s.kind = 0;
        s.count = 0;
    }
    if (!d->closing) SelRepaint(d);
}
