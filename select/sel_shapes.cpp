// The box shapes: rectangle (20001, and the trim tool 20520), ellipse (20003,
// 20024) and line (20002): hit tests, resize by handles, move, rubber band,
// outlines, the drawing tools that take their box, and the conversions of a
// rectangle or ellipse into a closed path.
#include <utility>
#include <cmath>
#include <cstdlib>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "paint/canvas_pen.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/shapes.h"
#include "paint/stroke.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_path.h"
#include "select/sel_tool.h"

namespace {

bool NearV(int a, int b) { return std::abs(a - b) <= 3; }

struct DispBox {
    int x0, y0, x1, y1;
};
DispBox ToDisplay(CanvDoc* doc, const SelShape& s) {
    return {ImageToScreenX(doc, s.x0), ImageToScreenY(doc, s.y0), ImageToScreenX(doc, s.x1), ImageToScreenY(doc, s.y1)};
}

bool IsEllipse(int mode) { return mode == CMD_TOOL_SELELLIPSE || mode == CMD_TOOL_SELGRADIENT; }

// The handle under the cursor: 0..3 corners (TL, TR, BR, BL), 10..13 side
// middles (top, bottom, left, right; rectangles only), -1 none.
int HitHandle(CanvDoc* doc, const SelShape& s, bool sides) {
    SelShape n = s;
    SelNormaliseBox(n);
    const DispBox d = ToDisplay(doc, n);
    const POINT c = SelCursorDisplay(doc);
    const int mx = (d.x0 + d.x1) / 2, my = (d.y0 + d.y1) / 2;
    int hit = -1;
    if (NearV(c.x, d.x0) && NearV(c.y, d.y0)) hit = 0;
    if (NearV(c.x, d.x1) && NearV(c.y, d.y0)) hit = 1;
    if (NearV(c.x, d.x1) && NearV(c.y, d.y1)) hit = 2;
    if (NearV(c.x, d.x0) && NearV(c.y, d.y1)) hit = 3;
    if (sides) {
        if (NearV(c.x, mx) && NearV(c.y, d.y0)) hit = 10;
        if (NearV(c.x, mx) && NearV(c.y, d.y1)) hit = 11;
        if (NearV(c.x, d.x0) && NearV(c.y, my)) hit = 12;
        if (NearV(c.x, d.x1) && NearV(c.y, my)) hit = 13;
    }
    return hit;
}

bool InsideBox(CanvDoc* doc, const SelShape& s) {
    SelShape n = s;
    SelNormaliseBox(n);
    const DispBox d = ToDisplay(doc, n);
    const POINT c = SelCursorDisplay(doc);
    return c.x > d.x0 && c.x < d.x1 && c.y > d.y0 && c.y < d.y1;
}

void SendToTrimDialog(const SelShape& s) {
    const CanvasHost& host = GetCanvasHost();
    HWND trim = host.trimDialog ? *host.trimDialog : nullptr;
    if (!trim || !IsWindow(trim)) return;
    SendMessageA(trim, 1029, 0, (LPARAM)(s.y0 * 65536 + s.x0));
    SendMessageA(trim, 1030, 0, (LPARAM)(s.y1 * 65536 + s.x1));
}

void DrawBand(CanvDoc* doc, int mode, int x0, int y0, int x1, int y1) {
    SelDc d(doc);
    if (!d.dc) return;
    SelShape s{};
    s.kind = mode;
    s.x0 = x0;
    s.y0 = y0;
    s.x1 = x1;
    s.y1 = y1;
    DrawBoxShape(doc, d.dc, s, 0);
}

// Resize of a rectangle or ellipse by a handle: 1 when a handle was pressed.
int ResizeBox(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    const int handle = HitHandle(doc, s, s.kind == CMD_TOOL_SELRECT);
    if (handle < 0) return 0;
    SelBeginDrag(doc);
    SelNormaliseBox(s);
    int x0 = s.x0, y0 = s.y0, x1 = s.x1, y1 = s.y1;
    const bool left = handle == 0 || handle == 3 || handle == 12, right = handle == 1 || handle == 2 || handle == 13;
    const bool top = handle == 0 || handle == 1 || handle == 10, bottom = handle == 2 || handle == 3 || handle == 11;
    DrawBand(doc, s.kind, x0, y0, x1, y1);
    while (IsLeftButtonDown()) {
        const POINT c = SelClampToCanvas(doc, SelCursorImage(doc));
        int nx0 = x0, ny0 = y0, nx1 = x1, ny1 = y1;
        if (left) nx0 = c.x;
        if (right) nx1 = c.x;
        if (top) ny0 = c.y;
        if (bottom) ny1 = c.y;
        if (SelShiftDown() && handle < 4) {
            const int w = std::abs(nx1 - nx0);
            if (top) ny0 = c.y < ny1 ? ny1 - w : ny1 + w;
            else ny1 = c.y < ny0 ? ny0 - w : ny0 + w;
        }
        if (nx0 == x0 && ny0 == y0 && nx1 == x1 && ny1 == y1) continue;
        DrawBand(doc, s.kind, x0, y0, x1, y1);
        x0 = nx0;
        y0 = ny0;
        x1 = nx1;
        y1 = ny1;
        DrawBand(doc, s.kind, x0, y0, x1, y1);
        ShowCursorPos(doc, c.x, c.y);
        SetCanvasModified(doc);
        AutoScrollEdge(doc);
    }
    DrawBand(doc, s.kind, x0, y0, x1, y1);
    s.x0 = x0;
    s.y0 = y0;
    s.x1 = x1;
    s.y1 = y1;
    SelNormaliseBox(s);
    if (s.kind == CMD_TOOL_SELRECT) SendToTrimDialog(s);
    SelEndDrag(doc, 0);
    c_SelectionTool::CommitShape(doc, 1);
    return 1;
}

int MoveBox(CanvDoc* doc) {
    SelShape& s = c_SelectionTool::Current(doc);
    if (!InsideBox(doc, s)) return 0;
    SelBeginDrag(doc);
    SelNormaliseBox(s);
    const POINT press = SelCursorImage(doc);
    int dx = 0, dy = 0;
    DrawBand(doc, s.kind, s.x0, s.y0, s.x1, s.y1);
    while (IsLeftButtonDown()) {
        const POINT c = SelCursorImage(doc);
        int nx = c.x - press.x, ny = c.y - press.y;
        if (s.x0 + nx > doc->width - 10) nx = doc->width - 10 - s.x0;
        if (s.x1 + nx < 10) nx = 10 - s.x1;
        if (s.y0 + ny > doc->height - 10) ny = doc->height - 10 - s.y0;
        if (s.y1 + ny < 10) ny = 10 - s.y1;
        if (nx == dx && ny == dy) continue;
        DrawBand(doc, s.kind, s.x0 + dx, s.y0 + dy, s.x1 + dx, s.y1 + dy);
        dx = nx;
        dy = ny;
        DrawBand(doc, s.kind, s.x0 + dx, s.y0 + dy, s.x1 + dx, s.y1 + dy);
        SelShowCorners(s.x0 + dx, s.y0 + dy, s.x1 + dx, s.y1 + dy);
        AutoScrollEdge(doc);
    }
    DrawBand(doc, s.kind, s.x0 + dx, s.y0 + dy, s.x1 + dx, s.y1 + dy);
    s.x0 += dx;
    s.x1 += dx;
    s.y0 += dy;
    s.y1 += dy;
    if (s.kind == CMD_TOOL_SELRECT) SendToTrimDialog(s);
    SelEndDrag(doc, 0);
    c_SelectionTool::CommitShape(doc, 1);
    return 1;
}

// The rubber band of a new box; 1 with the box (normalised, on the canvas).
int RubberBox(CanvDoc* doc, int mode, RECT* out) {
    const POINT start = SelClampToCanvas(doc, SelCursorImage(doc));
    int x1 = start.x, y1 = start.y;
    DrawBand(doc, mode, start.x, start.y, x1, y1);
    while (IsLeftButtonDown()) {
        POINT c = SelClampToCanvas(doc, SelCursorImage(doc));
        if (SelShiftDown()) {
            const int w = std::abs(c.x - start.x);
            c.y = c.y < start.y ? start.y - w : start.y + w;
        }
        if (c.x == x1 && c.y == y1) continue;
        DrawBand(doc, mode, start.x, start.y, x1, y1);
        x1 = c.x;
        y1 = c.y;
        DrawBand(doc, mode, start.x, start.y, x1, y1);
        ShowCursorPos(doc, c.x, c.y);
        SetCanvasModified(doc);
        AutoScrollEdge(doc);
    }
    DrawBand(doc, mode, start.x, start.y, x1, y1);
    SelShape s{};
    s.x0 = start.x;
    s.y0 = start.y;
    s.x1 = x1;
    s.y1 = y1;
    SelNormaliseBox(s);
    POINT a = SelClampToCanvas(doc, {s.x0, s.y0}), b = SelClampToCanvas(doc, {s.x1, s.y1});
    *out = {a.x, a.y, b.x, b.y};
    return 1;
}

bool BigEnough(const RECT& r) { return r.right - r.left + 1 > 2 && r.bottom - r.top + 1 > 2; }

// The line: an end or the middle dragged, or a new line.
int LineDrag(CanvDoc* doc, int select, RECT* out) {
    SelShape& s = c_SelectionTool::Current(doc);
    const POINT c = SelCursorDisplay(doc);
    if (select && s.kind == CMD_TOOL_SELLINE) {
        const DispBox d = ToDisplay(doc, s);
        int end = -1;
        if (NearV(c.x, d.x0) && NearV(c.y, d.y0)) end = 0;
        else if (NearV(c.x, d.x1) && NearV(c.y, d.y1)) end = 1;
        int e = std::abs(d.x1 - d.x0) + 1, f = std::abs(d.y1 - d.y0) + 1;
        if (e < 3) e = 4;
        if (f < 3) f = 4;
        const bool middle = std::abs(c.x - (d.x0 + d.x1) / 2) < e / 2 && std::abs(c.y - (d.y0 + d.y1) / 2) < f / 2;
        if (end >= 0 || middle) {
            SelBeginDrag(doc);
            const POINT press = SelCursorImage(doc);
            const SelShape start = s;
            while (IsLeftButtonDown()) {
                const POINT p = SelCursorImage(doc);
                DrawBand(doc, CMD_TOOL_SELLINE, s.x0, s.y0, s.x1, s.y1);
                if (end == 0) {
                    s.x0 = p.x;
                    s.y0 = p.y;
                } else if (end == 1) {
                    s.x1 = p.x;
                    s.y1 = p.y;
                } else {
                    s.x0 = start.x0 + p.x - press.x;
                    s.y0 = start.y0 + p.y - press.y;
                    s.x1 = start.x1 + p.x - press.x;
                    s.y1 = start.y1 + p.y - press.y;
                }
                DrawBand(doc, CMD_TOOL_SELLINE, s.x0, s.y0, s.x1, s.y1);
            }
            DrawBand(doc, CMD_TOOL_SELLINE, s.x0, s.y0, s.x1, s.y1);
            s.kind = CMD_TOOL_SELLINE;
            SelEndDrag(doc, 1);
            SelClearStatus();
            return 0;
        }
    }
    if (select) c_SelectionTool::Deselect(doc);
    const POINT start = SelCursorImage(doc);
    POINT end = start;
    DrawBand(doc, CMD_TOOL_SELLINE, start.x, start.y, end.x, end.y);
    while (IsLeftButtonDown()) {
        POINT p = SelCursorImage(doc);
        if (SelShiftDown()) {
            const double dx = p.x - start.x, dy = p.y - start.y;
            const int dist = (int)std::sqrt(dx * dx + dy * dy);
            const int degrees = (int)(std::atan2(dy, dx) * 180.0 / 3.14159265358979323846);
            const double angle = (degrees / 15) * 15 * 3.14159265358979323846 / 180.0;
            p = {start.x + (int)(dist * std::cos(angle)), start.y + (int)(dist * std::sin(angle))};
        }
        if (p.x == end.x && p.y == end.y) continue;
        DrawBand(doc, CMD_TOOL_SELLINE, start.x, start.y, end.x, end.y);
        end = p;
        DrawBand(doc, CMD_TOOL_SELLINE, start.x, start.y, end.x, end.y);
        ShowCursorPos(doc, p.x, p.y);
        AutoScrollEdge(doc);
    }
    DrawBand(doc, CMD_TOOL_SELLINE, start.x, start.y, end.x, end.y);
    const int sx = start.x < 0 ? 0 : start.x, sy = start.y < 0 ? 0 : start.y;
    const int ex = end.x > doc->width - 1 ? doc->width - 1 : end.x, ey = end.y > doc->height - 1 ? doc->height - 1 : end.y;
    if (out) *out = {sx, sy, ex, ey};
    if (select) {
        s.kind = CMD_TOOL_SELLINE;
        s.x0 = sx;
        s.y0 = sy;
        s.x1 = ex;
        s.y1 = ey;
        s.count = 0;
        c_SelectionTool::CommitShape(doc, 1);
    }
    return 1;
}

// A new rectangle or ellipse: a drag on the shape of that kind moves or resizes
// it; any other press deselects and draws a rubber band. Without select only the
// band's box is given back. The rectangle's outline is drawn over the display as
// it is and the trim dialog follows it; an ellipse repaints.
int TrackBox(CanvDoc* doc, int select, RECT* box, int kind) {
    SelShape& s = c_SelectionTool::Current(doc);
    if (select) {
        if (s.kind == kind && (ResizeBox(doc) || MoveBox(doc))) return 0;
        c_SelectionTool::Deselect(doc);
    }
    RubberBox(doc, kind, box);
    if (!select) return 1;
    if (!BigEnough(*box)) {
        SelClearStatus();
        return 0;
    }
    s.kind = kind;
    s.x0 = box->left;
    s.y0 = box->top;
    s.x1 = box->right;
    s.y1 = box->bottom;
    s.count = 0;
    if (kind == CMD_TOOL_SELRECT) {
        c_SelectionTool::CommitShape(doc, 0);
        c_SelectionTool::DrawOutline(doc, nullptr);
        SendToTrimDialog(s);
    } else {
        c_SelectionTool::CommitShape(doc, 1);
    }
    return 1;
}

}  // namespace

const char* HitTestBoxShape(CanvDoc* doc) {
    const SelShape& s = c_SelectionTool::Current(doc);
    const int tool = CanvCurrentTool();
    if (s.kind == CMD_TOOL_SELLINE && tool == CMD_TOOL_SELLINE) {
        const DispBox d = ToDisplay(doc, s);
        const POINT c = SelCursorDisplay(doc);
        if ((NearV(c.x, d.x0) && NearV(c.y, d.y0)) || (NearV(c.x, d.x1) && NearV(c.y, d.y1))) return kCursorHandle;
        int e = std::abs(d.x1 - d.x0) + 1, f = std::abs(d.y1 - d.y0) + 1;
        if (e < 3) e = 4;
        if (f < 3) f = 4;
        if (std::abs(c.x - (d.x0 + d.x1) / 2) < e / 2 && std::abs(c.y - (d.y0 + d.y1) / 2) < f / 2) return kCursorMove;
        return nullptr;
    }
    const bool rect = s.kind == CMD_TOOL_SELRECT && (tool == CMD_TOOL_SELRECT || tool == CMD_TOOL_TRIM);
    const bool ellipse = IsEllipse(s.kind) && IsEllipse(tool);
    if (!rect && !ellipse) return nullptr;
    if (HitHandle(doc, s, rect) >= 0) return kCursorHandle;
    if (InsideBox(doc, s)) return kCursorMove;
    return nullptr;
}

void DrawBoxShape(CanvDoc* doc, HDC dc, const SelShape& s, int handles) {
    const DispBox d = ToDisplay(doc, s);
    const int x0 = d.x0 < d.x1 ? d.x0 : d.x1, x1 = d.x0 < d.x1 ? d.x1 : d.x0;
    const int y0 = d.y0 < d.y1 ? d.y0 : d.y1, y1 = d.y0 < d.y1 ? d.y1 : d.y0;
    switch (s.kind) {
    case CMD_TOOL_SELRECT:
        DrawXorStyledRect(dc, x0, y0, x1, y1, PS_DOT);
        if (handles) {
            SelDrawHandle(dc, x0, y0);
            SelDrawHandle(dc, x1, y0);
            SelDrawHandle(dc, x1, y1);
            SelDrawHandle(dc, x0, y1);
            SelDrawHandle(dc, (x0 + x1) / 2, y0);
            SelDrawHandle(dc, (x0 + x1) / 2, y1);
            SelDrawHandle(dc, x0, (y0 + y1) / 2);
            SelDrawHandle(dc, x1, (y0 + y1) / 2);
        }
        break;
    case CMD_TOOL_SELELLIPSE:
    case CMD_TOOL_SELGRADIENT:
        DrawXorEllipse(dc, x0, y0, x1, y1);
        DrawXorStyledRect(dc, x0, y0, x1, y1, PS_DASH);
        if (handles) {
            SelDrawHandle(dc, x0, y0);
            SelDrawHandle(dc, x1, y0);
            SelDrawHandle(dc, x1, y1);
            SelDrawHandle(dc, x0, y1);
        }
        break;
    case CMD_TOOL_SELLINE:
        DrawXorDotLine(dc, d.x0, d.y0, d.x1, d.y1);
        if (handles) {
            SelDrawHandle(dc, d.x0, d.y0);
            SelDrawHandle(dc, d.x1, d.y1);
        }
        break;
    default: break;
    }
}

int TrackRectSelection(CanvDoc* doc) {
    RECT r;
    return c_SelectionTool::TrackRect(doc, 1, &r);
}

int TrackEllipseSelection(CanvDoc* doc, int mode) {
    RECT r;
    return c_SelectionTool::TrackEllipse(doc, 1, &r, mode);
}

int TrackLineSelection(CanvDoc* doc) {
    RECT r;
    return c_SelectionTool::TrackLine(doc, 1, &r);
}

int c_SelectionTool::TrackRect(CanvDoc* doc, int select, RECT* box) {
    return TrackBox(doc, select, box, CMD_TOOL_SELRECT);
}

int c_SelectionTool::TrackEllipse(CanvDoc* doc, int select, RECT* box, int mode) {
    return TrackBox(doc, select, box, mode);
}

int c_SelectionTool::TrackLine(CanvDoc* doc, int select, RECT* box) { return LineDrag(doc, select, box); }

int DrawWithShapeTool(CanvDoc* doc, int tool) {
    RECT box;
    if (tool == CMD_TOOL_DRAWLINE) c_SelectionTool::TrackLine(doc, 0, &box);
    else if (tool == CMD_TOOL_DRAWELLIPSEFILL || tool == CMD_TOOL_DRAWELLIPSE)
        c_SelectionTool::TrackEllipse(doc, 0, &box, CMD_TOOL_SELELLIPSE);
    else c_SelectionTool::TrackRect(doc, 0, &box);
    PenCanvas view;
    MakePenCanvas(doc, &view);
    switch (tool) {
    case CMD_TOOL_DRAWLINE: {
        // Dabs half the pen size apart.
        PaintScope scope(&view, false);
        if (!scope.ok) break;
        int first = 1;
        PlaceDabsAlongSegment(&view, scope.dc, box.left, box.top, box.right, box.bottom, 1, 1, 0, nullptr, 1,
                              StrokeMinDistance(0.5), &first);
        break;
    }
    case CMD_TOOL_DRAWBOXFILL: FillBoxWithPen(&view, 2, box.left, box.top, box.right, box.bottom); break;
    case CMD_TOOL_DRAWELLIPSEFILL: FillEllipseWithPen(&view, 1, box); break;
    case CMD_TOOL_DRAWBOX: StrokeBoxOutline(&view, 1, box.left, box.top, box.right, box.bottom); break;
    case CMD_TOOL_DRAWELLIPSE:
        c_UndoManager::SavePoint(doc, -1, 0);
        StrokeEllipseOutline(&view, 1, box);
        break;
    default: break;
    }
    Pen.tip.rebuild = 1;
    return 1;
}

// ---------------------------------------------------------------------------
// Conversions to paths.

void c_SelectionTool::RectToPath(CanvDoc* doc) {
    SelShape& s = Current(doc);
    SelNormaliseBox(s);
    const int x0 = s.x0, y0 = s.y0, x1 = s.x1, y1 = s.y1, dx = x1 - x0, dy = y1 - y0;
    PathState& p = SelPath();
    DrawOutline(doc, nullptr);
    p.nodes[0] = PathNode{x0, y0, x0 + dx / 4, y0, x0 + 3 * dx / 4, y0};
    p.nodes[1] = PathNode{x1, y0, x1, y0 + dy / 4, x1, y0 + 3 * dy / 4};
    p.nodes[2] = PathNode{x1, y1, x0 + 3 * dx / 4, y1, x0 + dx / 4, y1};
    p.nodes[3] = PathNode{x0, y1, x0, y0 + 3 * dy / 4, x0, y0 + dy / 4};
    p.count = 4;
    p.closed = 1;
    p.current = 0;
    p.selected = -1;
    s.kind = CMD_TOOL_PATH;
    FlattenPath(doc);
    CommitShape(doc, 1);
}

void c_SelectionTool::EllipseToPath(CanvDoc* doc) {
    SelShape& s = Current(doc);
    const double k = 0.5522847498307933;
    const double cx = (s.x0 + s.x1) * 0.5, cy = (s.y0 + s.y1) * 0.5;
    const double rx = std::abs(s.x1 - s.x0) * 0.5, ry = std::abs(s.y1 - s.y0) * 0.5;
    auto I = [](double v) { return (int32_t)v; };
    PathState& p = SelPath();
    DrawOutline(doc, nullptr);
    p.nodes[0] = PathNode{I(cx), I(cy + ry), I(cx + k * rx), I(cy + ry), I(cx + rx), I(cy + k * ry)};
    p.nodes[1] = PathNode{I(cx + rx), I(cy), I(cx + rx), I(cy - k * ry), I(cx + k * rx), I(cy - ry)};
    p.nodes[2] = PathNode{I(cx), I(cy - ry), I(cx - k * rx), I(cy - ry), I(cx - rx), I(cy - k * ry)};
    p.nodes[3] = PathNode{I(cx - rx), I(cy), I(cx - rx), I(cy + k * ry), I(cx - k * rx), I(cy + ry)};
    p.count = 4;
    p.closed = 1;
    p.current = 0;
    p.selected = -1;
    s.kind = CMD_TOOL_PATH;
    FlattenPath(doc);
    CommitShape(doc, 1);
}
