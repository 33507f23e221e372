#include "select/sel_path.h"

#include <utility>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_mask.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"

namespace {

// One block for the program, as the tool's node buffer.
PathState& State() {
    static std::unique_ptr<PathState> state = std::make_unique<PathState>();
    return *state;
}

struct P2 {
    double x, y;
};
P2 operator+(P2 a, P2 b) { return {a.x + b.x, a.y + b.y}; }
P2 operator-(P2 a, P2 b) { return {a.x - b.x, a.y - b.y}; }
P2 operator*(double k, P2 a) { return {k * a.x, k * a.y}; }
double Len(P2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
double Len2(P2 a) { return a.x * a.x + a.y * a.y; }

P2 Anchor(const PathNode& n) { return {(double)n.ax, (double)n.ay}; }
P2 C1(const PathNode& n) { return {(double)n.c1x, (double)n.c1y}; }
P2 C2(const PathNode& n) { return {(double)n.c2x, (double)n.c2y}; }

P2 Bezier(P2 a, P2 c1, P2 c2, P2 b, double t) {
    const double u = 1 - t;
    return (u * u * u) * a + (3 * t * u * u) * c1 + (3 * t * t * u) * c2 + (t * t * t) * b;
}

int NextNode(int i) {
    const PathState& s = State();
    return i + 1 >= s.count ? 0 : i + 1;
}
int PrevNode(int i) {
    const PathState& s = State();
    if (i > 0) return i - 1;
    return s.closed ? s.count - 1 : -1;
}
bool HasNextSegment(int i) {
    const PathState& s = State();
    return s.closed || i < s.count - 1;
}

bool IsCurve(P2 a, P2 c1, P2 c2, P2 b) {
    if (a.x == b.x && a.y == b.y) return true;
    return PointToLineDistance(c1.x, c1.y, a.x, a.y, b.x, b.y) >= 1.0 ||
           PointToLineDistance(c2.x, c2.y, a.x, a.y, b.x, b.y) >= 1.0;
}

// Samples of one segment appended to a point list (see FlattenPath).
struct Sampler {
    float* points;
    int count = 0;
    int capacity;
    double step2;
    bool full = false;
    bool Add(P2 p) {
        if (count >= capacity) {
            full = true;
            return false;
        }
        points[2 * count] = (float)p.x;
        points[2 * count + 1] = (float)p.y;
        ++count;
        return true;
    }
    void Segment(P2 a, P2 c1, P2 c2, P2 b, double step) {
        const bool curve = IsCurve(a, c1, c2, b);
        int n = curve ? (int)(Len(c1 - a) + Len(c2 - c1) + Len(b - c2)) : (int)Len(b - a);
        if (!curve && step < 0) n = 1;
        if (n < 1) n = 1;
        P2 last{};
        for (int j = 0; j < n && !full; ++j) {
            const double t = (double)j / n;
            const P2 p = curve ? Bezier(a, c1, c2, b, t) : a + t * (b - a);
            if (j == 0 || Len2(p - last) > step2) {
                if (!Add(p)) return;
                last = p;
            }
        }
    }
};

int SegmentCount() {
    const PathState& s = State();
    if (s.count <= 0) return 0;
    return s.closed ? s.count : s.count - 1;
}

void NodeSegment(int i, P2* a, P2* c1, P2* c2, P2* b) {
    const PathState& s = State();
    *a = Anchor(s.nodes[i]);
    *c1 = C1(s.nodes[i]);
    *c2 = C2(s.nodes[i]);
    *b = Anchor(s.nodes[NextNode(i)]);
}

// The sample of the path nearest an image point: its segment and parameter.
bool NearestOnPath(int first, int last, double px, double py, int* segment, double* t) {
    double best = 1e300;
    bool found = false;
    for (int i = first; i < last; ++i) {
        P2 a, c1, c2, b;
        NodeSegment(i, &a, &c1, &c2, &b);
        int n = (int)(Len(c1 - a) + Len(c2 - c1) + Len(b - c2));
        if (n < 1) n = 1;
        const bool curve = IsCurve(a, c1, c2, b);
        for (int j = 0; j <= n; ++j) {
            const double u = (double)j / n;
            const P2 p = curve ? Bezier(a, c1, c2, b, u) : a + u * (b - a);
            const double d = Len2(p - P2{px, py});
            if (d < best) {
                best = d;
                *segment = i;
                *t = u;
                found = true;
            }
        }
    }
    return found;
}

int ToInt(double v) { return (int)v; }

// Display position of an image point.
POINT Disp(CanvDoc* doc, P2 p) { return {ImageToScreenX(doc, (int)p.x), ImageToScreenY(doc, (int)p.y)}; }
bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) < 4 && std::abs(a.y - b.y) < 4; }

int HitAnchor(CanvDoc* doc, POINT c) {
    const PathState& s = State();
    int hit = -1;
    for (int i = 0; i < s.count; ++i)
        if (Near(Disp(doc, Anchor(s.nodes[i])), c)) hit = i;
    return hit;
}

int HitPathSegment(CanvDoc* doc, POINT c) {
    const int segments = SegmentCount();
    for (int i = 0; i < segments; ++i) {
        P2 a, c1, c2, b;
        NodeSegment(i, &a, &c1, &c2, &b);
        int n = (int)(Len(c1 - a) + Len(c2 - c1) + Len(b - c2));
        if (n < 1) n = 1;
        for (int j = 0; j <= n; ++j) {
            const P2 p = Bezier(a, c1, c2, b, (double)j / n);
            if (Near(Disp(doc, p), c)) return i;
        }
    }
    return -1;
}

bool AnchorsBox(RECT* r) {
    const PathState& s = State();
    if (s.count <= 0) return false;
    *r = {s.nodes[0].ax, s.nodes[0].ay, s.nodes[0].ax, s.nodes[0].ay};
    for (int i = 1; i < s.count; ++i) {
        r->left = std::min<LONG>(r->left, s.nodes[i].ax);
        r->top = std::min<LONG>(r->top, s.nodes[i].ay);
        r->right = std::max<LONG>(r->right, s.nodes[i].ax);
        r->bottom = std::max<LONG>(r->bottom, s.nodes[i].ay);
    }
    return true;
}

bool IsPathMode(int mode) { return mode == CMD_TOOL_PATH || mode == CMD_TOOL_LASSO || mode == CMD_TOOL_EDGELASSO; }

// The flattened path drawn as XOR lines, with the anchors and the selected
// node's handles.
void DrawPathOn(CanvDoc* doc, HDC dc, bool editing) {
    const PathState& s = State();
    if (s.count <= 0) return;
    std::vector<float> pts((size_t)2 * SelShapeMaxPoints);
    Sampler sm{pts.data(), 0, SelShapeMaxPoints, 1.0};
    const int segments = s.current > 0 ? s.count - 1 : SegmentCount();
    for (int i = 0; i < segments && !sm.full; ++i) {
        P2 a, c1, c2, b;
        NodeSegment(i, &a, &c1, &c2, &b);
        sm.Segment(a, c1, c2, b, 1.0);
    }
    if (segments > 0) {
        P2 a, c1, c2, b;
        NodeSegment(segments - 1, &a, &c1, &c2, &b);
        sm.Add(b);
    }
    for (int i = 0; i + 1 < sm.count; ++i) {
        const int x0 = ImageToScreenX(doc, (int)pts[2 * i]), y0 = ImageToScreenY(doc, (int)pts[2 * i + 1]);
        const int x1 = ImageToScreenX(doc, (int)pts[2 * i + 2]), y1 = ImageToScreenY(doc, (int)pts[2 * i + 3]);
        if (editing) DrawXorDotLine(dc, x0, y0, x1, y1);
        else DrawXorStyledLine(dc, x0, y0, x1, y1, PS_SOLID, RGB(64, 64, 255));
    }
    const int anchors = s.count;
    for (int i = 0; i < anchors; ++i) {
        const POINT p = Disp(doc, Anchor(s.nodes[i]));
        DrawXorRect(dc, p.x - 4, p.y - 4, p.x + 4, p.y + 4);
    }
    if (s.selected >= 0 && s.selected < s.count) {
        const PathNode& n = s.nodes[s.selected];
        const POINT a = Disp(doc, Anchor(n));
        if (HasNextSegment(s.selected)) {
            const POINT c = Disp(doc, C1(n));
            DrawXorStyledLine(dc, a.x, a.y, c.x, c.y, PS_SOLID, RGB(255, 64, 64));
            DrawXorColourRect(dc, c.x - 4, c.y - 4, c.x + 4, c.y + 4, RGB(64, 64, 255));
        }
        const int prev = PrevNode(s.selected);
        if (prev >= 0) {
            const POINT c = Disp(doc, C2(s.nodes[prev]));
            DrawXorStyledLine(dc, a.x, a.y, c.x, c.y, PS_SOLID, RGB(255, 64, 64));
            DrawXorColourRect(dc, c.x - 4, c.y - 4, c.x + 4, c.y + 4, RGB(255, 64, 255));
        }
    }
}

void Overlay(CanvDoc* doc, bool editing) {
    SelDc d(doc);
    if (d.dc) DrawPathOn(doc, d.dc, editing);
}

void FinishEdit(CanvDoc* doc) {
    FlattenPath(doc);
    c_SelectionTool::CommitShape(doc, 1);
}

// Turns the handle `moving` to the opposite direction of `towards` about the
// anchor, keeping length len.
void TurnOpposite(int32_t* hx, int32_t* hy, P2 anchor, P2 towards, double len) {
    const double angle = std::atan2(towards.y - anchor.y, towards.x - anchor.x) + 3.14159265358979323846;
    *hx = ToInt(anchor.x + len * std::cos(angle));
    *hy = ToInt(anchor.y + len * std::sin(angle));
}

}  // namespace

PathState& SelPath() { return State(); }

void ClearPath() {
    PathState& s = State();
    s.count = 0;
    s.closed = 0;
    s.current = 0;
    s.selected = -1;
}

double PointToLineDistance(double x, double y, double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len == 0) return -1;
    return std::fabs(dy * (x - x1) - dx * (y - y1)) / len;
}

void FlattenPath(CanvDoc* doc, int first, int last) {
    SelShape& shape = c_SelectionTool::Current(doc);
    if (last == 0) last = SegmentCount();
    Sampler sm{shape.points, 0, SelShapeMaxPoints, 1.0};
    for (int i = first; i < last && !sm.full; ++i) {
        P2 a, c1, c2, b;
        NodeSegment(i, &a, &c1, &c2, &b);
        sm.Segment(a, c1, c2, b, 1.0);
    }
    if (last > first && !sm.full) {
        P2 a, c1, c2, b;
        NodeSegment(last - 1, &a, &c1, &c2, &b);
        sm.Add(b);
    }
    shape.count = sm.count;
}

void PathToMask(CanvDoc* doc) {
    SelShape& shape = c_SelectionTool::Current(doc);
    const PathState& s = State();
    if (s.closed && shape.count >= 3) {
        int x0, y0, x1, y1;
        SelPointsToMask(doc, shape.points, shape.count, &x0, &y0, &x1, &y1);
        shape.x0 = x0;
        shape.y0 = y0;
        shape.x1 = x1;
        shape.y1 = y1;
        return;
    }
    RECT r;
    if (AnchorsBox(&r)) {
        shape.x0 = r.left;
        shape.y0 = r.top;
        shape.x1 = r.right;
        shape.y1 = r.bottom;
    }
}

// ---------------------------------------------------------------------------
// The curve fit.

void FitPath(CanvDoc* doc) {
    SelShape& shape = c_SelectionTool::Current(doc);
    PathState& s = State();
    const double closing2 = 64.0, straight2 = 4.0, tolerance2 = 16.0, smoothing = 0.1;
    int n = shape.count;
    if (n > SelShapeMaxPoints) n = SelShapeMaxPoints;
    ClearPath();
    if (n <= 0) return;
    std::vector<P2> in((size_t)n);
    for (int i = 0; i < n; ++i) in[i] = {shape.points[2 * i], shape.points[2 * i + 1]};
    bool closed = false;
    if (n > 1 && Len2(in[n - 1] - in[0]) <= closing2) {
        in[n - 1] = in[0];
        closed = true;
    }
    // Unit steps along the outline.
    std::vector<P2> pts;
    pts.reserve((size_t)n);
    bool fits = true;
    for (int i = 0; i + 1 < n && fits; ++i) {
        const int L = (int)Len(in[i + 1] - in[i]);
        for (int k = 0; k < L; ++k) pts.push_back(in[i] + ((double)k / L) * (in[i + 1] - in[i]));
        if ((int)pts.size() > SelShapeMaxPoints - 1) fits = false;
    }
    if (fits) pts.push_back(in[n - 1]);
    if (!fits || pts.size() < 2) pts = in;
    const int m = (int)pts.size();
    // Breaks and segment states: 0 open, 1 straight, 2 fitted.
    std::vector<int> breaks{0, m - 1};
    std::vector<int> state{0};
    std::vector<P2> fitA{pts[0]}, fitB{pts[m - 1]};
    bool changed = true;
    for (int pass = 0; pass < 80 && changed; ++pass) {
        changed = false;
        for (size_t j = 0; j + 1 < breaks.size() && breaks.size() < (size_t)kPathMaxNodes; ++j) {
            if (state[j] != 0) continue;
            const int b0 = breaks[j], b1 = breaks[j + 1];
            if (b1 - b0 <= 2) continue;
            const P2 a = pts[b0], b = pts[b1];
            double farthest = -1;
            int farAt = b0 + 1;
            for (int i = b0 + 1; i < b1; ++i) {
                double d = PointToLineDistance(pts[i].x, pts[i].y, a.x, a.y, b.x, b.y);
                if (d < 0) d = Len(pts[i] - a);
                if (d > farthest) {
                    farthest = d;
                    farAt = i;
                }
            }
            if (farthest * farthest <= straight2) {
                state[j] = 1;
                fitA[j] = a;
                fitB[j] = b;
                continue;
            }
            const int span = b1 - b0;
            const P2 p0 = a, p1 = pts[b0 + span / 3], p2 = pts[b0 + 2 * span / 3], p3 = b;
            const P2 d1 = p1 - p0, d2 = p2 - p1, d3 = p3 - p2;
            bool ok = Len2(d1) > 0 && Len2(d2) > 0 && Len2(d3) > 0 && d1.x * d2.x + d1.y * d2.y >= 0 &&
                      d2.x * d3.x + d2.y * d3.y >= 0;
            P2 f1{}, f2{};
            if (ok) {
                f1 = 3.0 * (p1 - (8.0 / 27) * p0 - (1.0 / 27) * p3 - 0.5 * (p2 - (1.0 / 27) * p0 - (8.0 / 27) * p3));
                f2 = 4.5 * (p1 - (4.0 / 9) * f1 - (8.0 / 27) * p0 - (1.0 / 27) * p3);
                for (int i = b0; i <= b1 && ok; ++i) {
                    const P2 q = Bezier(p0, f1, f2, p3, (double)(i - b0) / span);
                    if (Len2(q - pts[i]) > tolerance2) ok = false;
                }
            }
            if (ok) {
                state[j] = 2;
                fitA[j] = f1;
                fitB[j] = f2;
            } else {
                breaks.insert(breaks.begin() + (long)j + 1, farAt);
                state.insert(state.begin() + (long)j + 1, 0);
                fitA[j] = a;
                fitB[j] = a;
                fitA.insert(fitA.begin() + (long)j + 1, pts[farAt]);
                fitB.insert(fitB.begin() + (long)j + 1, pts[farAt]);
                changed = true;
                ++j;
            }
        }
    }
    const int segments = (int)breaks.size() - 1;
    for (int j = 0; j < segments; ++j) {
        if (state[j] == 2) continue;
        const P2 a = pts[breaks[j]], b = pts[breaks[j + 1]];
        fitA[j] = a + (1.0 / 3) * (b - a);
        fitB[j] = a + (2.0 / 3) * (b - a);
    }
    // Smoothing of the handles around nodes between two curved segments.
    const int nodes = closed ? segments : segments + 1;
    for (int k = 0; k < nodes; ++k) {
        const int in_ = k > 0 ? k - 1 : (closed ? segments - 1 : -1);
        const int out = k < segments ? k : -1;
        if (in_ < 0 || out < 0 || state[in_] == 1 || state[out] == 1) continue;
        const P2 anchor = pts[breaks[k]];
        const P2 h0 = fitB[in_], h1 = fitA[out];
        const P2 dir = h1 - h0;
        const double l2 = Len2(dir);
        if (l2 == 0) continue;
        const double t = ((anchor - h0).x * dir.x + (anchor - h0).y * dir.y) / l2;
        const P2 foot = h0 + t * dir;
        const P2 shift = smoothing * (anchor - foot);
        fitB[in_] = fitB[in_] + shift;
        fitA[out] = fitA[out] + shift;
    }
    s.count = nodes > kPathMaxNodes ? kPathMaxNodes : nodes;
    s.closed = closed ? 1 : 0;
    for (int k = 0; k < s.count; ++k) {
        const P2 a = pts[breaks[k]];
        PathNode& node = s.nodes[k];
        node.ax = ToInt(a.x);
        node.ay = ToInt(a.y);
        const P2 c1 = k < segments ? fitA[k] : a, c2 = k < segments ? fitB[k] : a;
        node.c1x = ToInt(c1.x);
        node.c1y = ToInt(c1.y);
        node.c2x = ToInt(c2.x);
        node.c2y = ToInt(c2.y);
    }
}

void LineToPath(CanvDoc* doc) {
    SelShape& shape = c_SelectionTool::Current(doc);
    shape.points[0] = (float)shape.x0;
    shape.points[1] = (float)shape.y0;
    shape.points[2] = (float)shape.x1;
    shape.points[3] = (float)shape.y1;
    shape.count = 2;
    FitPath(doc);
    shape.kind = CMD_TOOL_PATH;
    State().current = 0;
    FinishEdit(doc);
}

int SplitSegment(int index, double t, double minDistance) {
    PathState& s = State();
    if (s.count >= kPathMaxNodes || index < 0 || index >= s.count || t <= 0 || t >= 1) return 0;
    if (!s.closed && index >= s.count - 1) return 0;
    PathNode& node = s.nodes[index];
    const int next = NextNode(index);
    const P2 a = Anchor(node), c1 = C1(node), c2 = C2(node), b = Anchor(s.nodes[next]);
    const P2 h = a + t * (c1 - a), m = c1 + t * (c2 - c1), u = c2 + t * (b - c2);
    const P2 o = h + t * (m - h), v = m + t * (u - m), w = o + t * (v - o);
    if (Len(w - a) >= minDistance && Len(w - b) >= minDistance) {
        std::memmove(&s.nodes[index + 2], &s.nodes[index + 1], sizeof(PathNode) * (size_t)(s.count - index - 1));
        node.c1x = ToInt(h.x);
        node.c1y = ToInt(h.y);
        node.c2x = ToInt(o.x);
        node.c2y = ToInt(o.y);
        PathNode& added = s.nodes[index + 1];
        added.ax = ToInt(w.x);
        added.ay = ToInt(w.y);
        added.c1x = ToInt(v.x);
        added.c1y = ToInt(v.y);
        added.c2x = ToInt(u.x);
        added.c2y = ToInt(u.y);
        ++s.count;
        return 1;
    }
    PathNode& snap = Len(w - a) < minDistance ? node : s.nodes[next];
    snap.ax = ToInt(w.x);
    snap.ay = ToInt(w.y);
    return 0;
}

int InsertPathNode(CanvDoc* doc, int x, int y) {
    (void)doc;
    if (State().count >= kPathMaxNodes) return 0;
    int segment = -1;
    double t = 0;
    if (!NearestOnPath(0, SegmentCount(), x, y, &segment, &t)) return 0;
    return SplitSegment(segment, t, 1.0);
}

void ClosePath() {
    PathState& s = State();
    if (s.closed || s.count <= 2) return;
    s.closed = 1;
    --s.count;
}

// ---------------------------------------------------------------------------
// The path tool.

int DragPathNode(CanvDoc* doc) {
    PathState& s = State();
    if (s.current != 0 || s.count <= 0) return 0;
    const POINT c = SelCursorDisplay(doc);
    enum { None, AnchorDrag, First, Second, Segment } what = None;
    int node = HitAnchor(doc, c);
    if (node >= 0) {
        what = AnchorDrag;
        s.selected = node;
    } else if (s.selected >= 0 && s.selected < s.count) {
        if (HasNextSegment(s.selected) && Near(Disp(doc, C1(s.nodes[s.selected])), c)) {
            what = First;
            node = s.selected;
        } else if (PrevNode(s.selected) >= 0 && Near(Disp(doc, C2(s.nodes[PrevNode(s.selected)])), c)) {
            what = Second;
            node = PrevNode(s.selected);
        }
    }
    if (what == None) {
        node = HitPathSegment(doc, c);
        if (node < 0) return 0;
        what = Segment;
        s.selected = -1;
    }
    SelBeginDrag(doc);
    const PathNode before = s.nodes[node];
    const int prev = PrevNode(node), next = NextNode(node);
    const PathNode beforePrev = prev >= 0 ? s.nodes[prev] : PathNode{};
    const PathNode beforeNext = s.nodes[next];
    const POINT press = SelCursorImage(doc);
    s.current = s.count;   // hides the hit tests during the drag
    Overlay(doc, true);
    POINT last = press;
    while (IsLeftButtonDown()) {
        const POINT raw = SelCursorImage(doc);
        if (raw.x == last.x && raw.y == last.y) continue;
        last = raw;
        const POINT p = SelClampToCanvas(doc, raw);
        Overlay(doc, true);
        PathNode& n = s.nodes[node];
        switch (what) {
        case AnchorDrag: {
            const int dx = p.x - before.ax, dy = p.y - before.ay;
            n.ax = p.x;
            n.ay = p.y;
            if (!SelShiftDown()) {
                n.c1x = before.c1x + dx;
                n.c1y = before.c1y + dy;
                if (prev >= 0) {
                    s.nodes[prev].c2x = beforePrev.c2x + dx;
                    s.nodes[prev].c2y = beforePrev.c2y + dy;
                }
            }
            break;
        }
        case First:
            n.c1x = p.x;
            n.c1y = p.y;
            if (SelAltDown() && prev >= 0) {
                const double len = Len(C2(beforePrev) - Anchor(n));
                TurnOpposite(&s.nodes[prev].c2x, &s.nodes[prev].c2y, Anchor(n), C1(n), len);
            }
            break;
        case Second:
            n.c2x = p.x;
            n.c2y = p.y;
            if (SelAltDown()) {
                const P2 anchor = Anchor(s.nodes[next]);
                const double len = Len(C1(beforeNext) - anchor);
                TurnOpposite(&s.nodes[next].c1x, &s.nodes[next].c1y, anchor, C2(n), len);
            }
            break;
        case Segment: {
            const int dx = raw.x - press.x, dy = raw.y - press.y;
            n.c1x = before.c1x + dx;
            n.c1y = before.c1y + dy;
            n.c2x = before.c2x + dx;
            n.c2y = before.c2y + dy;
            break;
        }
        default: break;
        }
        Overlay(doc, true);
        AutoScrollEdge(doc);
    }
    Overlay(doc, true);
    s.current = 0;
    if (what == AnchorDrag) s.selected = node;
    SelEndDrag(doc, 0);
    FinishEdit(doc);
    return 1;
}

int MovePath(CanvDoc* doc) {
    PathState& s = State();
    RECT box;
    if (s.current != 0 || !AnchorsBox(&box)) return 0;
    const POINT press = SelCursorImage(doc);
    if (press.x <= box.left || press.x >= box.right || press.y <= box.top || press.y >= box.bottom) return 0;
    SelBeginDrag(doc);
    std::vector<PathNode> start(s.nodes, s.nodes + s.count);
    SetCursor(SelCursor(kCursorMove));
    Overlay(doc, true);
    POINT last = press;
    while (IsLeftButtonDown()) {
        const POINT p = SelCursorImage(doc);
        if (p.x == last.x && p.y == last.y) continue;
        last = p;
        int dx = p.x - press.x, dy = p.y - press.y;
        if (box.left + dx > doc->width - 10) dx = doc->width - 10 - box.left;
        if (box.right + dx < 10) dx = 10 - box.right;
        if (box.top + dy > doc->height - 10) dy = doc->height - 10 - box.top;
        if (box.bottom + dy < 10) dy = 10 - box.bottom;
        Overlay(doc, true);
        for (int i = 0; i < s.count; ++i) {
            PathNode& n = s.nodes[i];
            n = start[i];
            n.ax += dx;
            n.ay += dy;
            n.c1x += dx;
            n.c1y += dy;
            n.c2x += dx;
            n.c2y += dy;
        }
        Overlay(doc, true);
        AutoScrollEdge(doc);
    }
    Overlay(doc, true);
    SelEndDrag(doc, 0);
    FinishEdit(doc);
    return 1;
}

void TrackPath(CanvDoc* doc) {
    PathState& s = State();
    SelShape& shape = c_SelectionTool::Current(doc);
    if (s.current == 0 && IsPathMode(shape.kind) && (DragPathNode(doc) || MovePath(doc))) return;
    const POINT p = SelCursorImage(doc);
    if (s.current == 0) c_SelectionTool::Deselect(doc);
    else c_SelectionTool::DrawOutline(doc, nullptr);
    shape.kind = CMD_TOOL_PATH;
    auto redraw = [&] { c_SelectionTool::DrawOutline(doc, nullptr); };
    if (SelAltDown() && s.current > 0) {
        const int index = s.current - 1;
        PathNode& n = s.nodes[index];
        n.c1x = n.ax;
        n.c1y = n.ay;
        redraw();
        POINT last = {n.ax, n.ay};
        while (IsLeftButtonDown()) {
            const POINT c = SelClampToCanvas(doc, SelCursorImage(doc));
            if (c.x == last.x && c.y == last.y) continue;
            last = c;
            redraw();
            n.c1x = c.x;
            n.c1y = c.y;
            redraw();
        }
    } else if (s.current < kPathMaxNodes) {
        const int index = s.current;
        PathNode& n = s.nodes[index];
        n = PathNode{p.x, p.y, p.x, p.y, p.x, p.y};
        PathNode& prev = s.nodes[index > 0 ? index - 1 : 0];
        prev.c2x = p.x;
        prev.c2y = p.y;
        s.count = index + 1;
        redraw();
        POINT last = p;
        while (IsLeftButtonDown()) {
            const POINT c = SelCursorImage(doc);
            if (c.x == last.x && c.y == last.y) continue;
            last = c;
            redraw();
            n.c1x = c.x;
            n.c1y = c.y;
            if (index > 0) {
                prev.c2x = 2 * n.ax - c.x;
                prev.c2y = 2 * n.ay - c.y;
            }
            redraw();
        }
        redraw();
        s.current = index + 1;
        redraw();
    }
    s.selected = -1;
    shape.kind = CMD_TOOL_PATH;
}

int ShowPathMenu(CanvDoc* doc) {
    PathState& s = State();
    SelShape& shape = c_SelectionTool::Current(doc);
    const POINT p = SelCursorImage(doc);
    if (s.current > 0) {
        c_SelectionTool::DrawOutline(doc, nullptr);
        if (s.current < 2 || s.count < 3) {
            ClearPath();
            shape.kind = 0;
            shape.count = 0;
            SelRepaint(doc);
            return 0;
        }
        const int index = s.current;
        if (index < kPathBufferNodes) {
            PathNode& prev = s.nodes[index - 1];
            s.nodes[index] = PathNode{p.x, p.y, p.x, p.y, p.x, p.y};
            prev.c2x = p.x;
            prev.c2y = p.y;
            if (prev.c1x == p.x && prev.c1y == p.y) {
                prev.c1x = prev.ax;
                prev.c1y = prev.ay;
            }
            s.count = index + 1;
        }
        ClosePath();
        // Node 0's first handle turns away from the closing segment's second handle.
        PathNode& first = s.nodes[0];
        const PathNode& last = s.nodes[s.count - 1];
        const double len = Len(C1(first) - Anchor(first));
        TurnOpposite(&first.c1x, &first.c1y, Anchor(first), C2(last), len);
        s.current = 0;
        shape.kind = CMD_TOOL_PATH;
        FinishEdit(doc);
        return 1;
    }
    if (s.count <= 0 || !doc->display) return 0;
    const POINT c = SelCursorDisplay(doc);
    const int anchor = HitAnchor(doc, c);
    int action = 0;
    if (anchor >= 0) {
        if (s.count <= 2) return 0;
        action = 1;
    } else if (HitPathSegment(doc, c) >= 0) {
        action = 2;
    } else {
        return 0;
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, action == 1 ? kSelMenuDeletePoint : kSelMenuAddPoint);
    if (SelPopupMenu(doc, menu) != 1) return 0;
    c_SelectionTool::DrawOutline(doc, nullptr);
    if (action == 1) {
        std::memmove(&s.nodes[anchor], &s.nodes[anchor + 1], sizeof(PathNode) * (size_t)(s.count - anchor - 1));
        --s.count;
        s.selected = -1;
    } else {
        InsertPathNode(doc, p.x, p.y);
    }
    FinishEdit(doc);
    return 1;
}

const char* HitTestPath(CanvDoc* doc) {
    const PathState& s = State();
    if (s.current != 0 || s.count <= 0 || !IsPathMode(c_SelectionTool::Current(doc).kind)) return nullptr;
    const POINT c = SelCursorDisplay(doc);
    if (HitAnchor(doc, c) >= 0) return kCursorControl;
    if (s.selected >= 0 && s.selected < s.count) {
        if (HasNextSegment(s.selected) && Near(Disp(doc, C1(s.nodes[s.selected])), c)) return kCursorControl;
        const int prev = PrevNode(s.selected);
        if (prev >= 0 && Near(Disp(doc, C2(s.nodes[prev])), c)) return kCursorControl;
    }
    if (HitPathSegment(doc, c) >= 0) return kCursorHandle;
    RECT box;
    if (AnchorsBox(&box)) {
        const POINT a = Disp(doc, {(double)box.left, (double)box.top}), b = Disp(doc, {(double)box.right, (double)box.bottom});
        if (c.x > a.x && c.x < b.x && c.y > a.y && c.y < b.y) return kCursorMove;
    }
    return nullptr;
}

void DrawPathShape(CanvDoc* doc, HDC dc) {
    DrawPathOn(doc, dc, State().current > 0);
}

// ---------------------------------------------------------------------------
// Path state files.

namespace {

#pragma pack(push, 4)
struct PathFileRecord {
    int32_t mode;
    int32_t x0, y0, x1, y1;
    PathNode nodes[kPathMaxNodes];
    int32_t count;
    int32_t closed;
    int32_t current;
    int32_t selected;
};
#pragma pack(pop)
static_assert(sizeof(PathFileRecord) == kPathFileSize, "path state file layout");

// Node and box coordinates a path state file may hold: the largest canvas
// with room on every side for handles dragged off it.
constexpr int32_t kPathCoordLimit = 1 << 20;
bool InPathRange(int32_t v) { return v >= -kPathCoordLimit && v <= kPathCoordLimit; }

}  // namespace

void PathStateFileName(const CanvDoc* doc, char* out, int size) {
    const char* folder = CanvProgramFolder();
    std::snprintf(out, (size_t)size, "%s%05d.drf", folder ? folder : "", doc->number);
}

namespace {
bool HasProgramFolder() { return CanvProgramFolder() && *CanvProgramFolder(); }
}  // namespace

int SavePathState(CanvDoc* doc, int reset) {
    SelShape& shape = c_SelectionTool::Current(doc);
    if (shape.kind != CMD_TOOL_PATH && shape.kind != CMD_TOOL_LASSO) return 1;
    if (!HasProgramFolder()) return 0;
    char path[MAX_PATH + 16];
    PathStateFileName(doc, path, sizeof path);
    auto record = std::make_unique<PathFileRecord>();
    const PathState& s = State();
    record->mode = shape.kind;
    record->x0 = shape.x0;
    record->y0 = shape.y0;
    record->x1 = shape.x1;
    record->y1 = shape.y1;
    std::memcpy(record->nodes, s.nodes, sizeof record->nodes);
    record->count = s.count;
    record->closed = s.closed;
    record->current = s.current;
    record->selected = s.selected;
    DeleteFileA(path);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const BOOL ok = WriteFile(f, record.get(), sizeof(PathFileRecord), &written, nullptr);
    CloseHandle(f);
    if (!ok || written != sizeof(PathFileRecord)) {
        DeleteFileA(path);
        return 0;
    }
    if (reset) {
        shape.kind = 0;
        shape.x0 = 0;
        shape.y0 = 0;
        shape.x1 = doc->width - 1;
        shape.y1 = doc->height - 1;
        shape.count = 0;
        ClearPath();
    }
    return 1;
}

int LoadPathState(CanvDoc* doc, int apply) {
    if (!HasProgramFolder()) return 0;
    char path[MAX_PATH + 16];
    PathStateFileName(doc, path, sizeof path);
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    auto record = std::make_unique<PathFileRecord>();
    DWORD got = 0;
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(f, &size) && size.QuadPart == kPathFileSize;
    const BOOL ok = sized && ReadFile(f, record.get(), sizeof(PathFileRecord), &got, nullptr);
    CloseHandle(f);
    if (!ok || got != sizeof(PathFileRecord)) return 0;
    const PathFileRecord& r = *record;
    if (r.mode != CMD_TOOL_PATH && r.mode != CMD_TOOL_LASSO) return 0;
    if (r.count < 0 || r.count > kPathMaxNodes || r.selected < -1 || r.selected >= (r.count > 0 ? r.count : 1) ||
        (r.closed != 0 && r.closed != 1) || r.current < 0 || r.current > r.count)
        return 0;
    // Coordinates no editing could have made (a flattened segment longer than
    // the int range) mark a damaged file as well.
    if (!InPathRange(r.x0) || !InPathRange(r.y0) || !InPathRange(r.x1) || !InPathRange(r.y1)) return 0;
    for (int i = 0; i < r.count; ++i) {
        const PathNode& n = r.nodes[i];
        for (int32_t v : {n.ax, n.ay, n.c1x, n.c1y, n.c2x, n.c2y})
            if (!InPathRange(v)) return 0;
    }
    PathState& s = State();
    SelShape& shape = c_SelectionTool::Current(doc);
    shape.x0 = r.x0;
    shape.y0 = r.y0;
    shape.x1 = r.x1;
    shape.y1 = r.y1;
    std::memcpy(s.nodes, r.nodes, sizeof r.nodes);
    s.count = r.count;
    s.closed = r.closed;
    s.current = r.current;
    s.selected = r.selected;
    if (apply) {
        shape.kind = r.mode;
        FlattenPath(doc);
        c_SelectionTool::CommitShape(doc, 1);
    }
    return 1;
}

void DeletePathState(const CanvDoc* doc) {
    if (!HasProgramFolder()) return;
    char path[MAX_PATH + 16];
    PathStateFileName(doc, path, sizeof path);
    DeleteFileA(path);
}

void RemoveStalePathStates(const char* programFolder) {
    if (!programFolder) return;
    char pattern[MAX_PATH + 16];
    std::snprintf(pattern, sizeof pattern, "%s*.drf", programFolder);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        // Only names this program makes: five digits.
        if (std::strlen(fd.cFileName) != 9) continue;
        bool digits = true;
        for (int i = 0; i < 5; ++i) digits = digits && fd.cFileName[i] >= '0' && fd.cFileName[i] <= '9';
        if (!digits) continue;
        char path[MAX_PATH + 16];
        std::snprintf(path, sizeof path, "%s%s", programFolder, fd.cFileName);
        DeleteFileA(path);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}
