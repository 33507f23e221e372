#include "paint/shapes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "ui/msgbox.h"
#include "ui/polyfill.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stroke.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"

namespace {

// Progress to the frame (WM_USER, wParam 3 and the percentage; 0 at the end).
void Progress(int wp, int percent) {
    if (HWND frame = GetMessageBoxOwner()) SendMessageA(frame, WM_USER, wp, percent);
}

// One filled row: the pen's row over x0..x1 of a box, its coverage the
// tone mask's weight row (255 everywhere without fades or tones).
void FillRow(PenCanvas* c, int y, int x0, int x1, const RECT& box) {
    int n = x1 - x0 + 1;
    if (n <= 0) return;
    std::vector<uint32_t> colour(n);
    std::vector<uint8_t> penAlpha(n), protect(n), coverage(n, 255);
    int kind = AlphaKindMix;
    c_PenWriter::MakeRow(c, colour.data(), penAlpha.data(), protect.data(), y, x0, x1, box.left, box.top,
                         box.right, box.bottom, &kind);
    c_ToneMask::MakeRow(y, x0, x1, box.left, box.top, box.right, box.bottom, coverage.data(), 1);
    c_PenEngine::WriteStrokeRow(c, 0, colour.data(), coverage.data(), nullptr, penAlpha.data(), protect.data(),
                                kind, y, x0, x1, 0);
}

void Repaint(PenCanvas* c, HDC dc, int left, int top, int right, int bottom) {
    if (!c->repaint || !dc) return;
    RECT rc = {left, top, right, bottom};
    c->repaint(c, dc, rc);
}

bool SelectionBox(PenCanvas* c, RECT* box) { return c->selectionBox && c->selectionBox(c, box); }

struct WaitCursor {
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ~WaitCursor() { SetCursor(old); }
};

void StrokePoints(PenCanvas* c, int slot, double factor) {
    int count = 0;
    const float* pts = c->shapePoints ? c->shapePoints(c, slot, &count) : nullptr;
    if (!pts || count < 2) return;
    WaitCursor wait;
    PaintScope scope(c, false);
    if (!scope.ok) return;
    double minDistance = StrokeMinDistance(factor);
    int first = 1;
    for (int i = 0; i + 1 < count; ++i)
        PlaceDabsAlongSegment(c, scope.dc, pts[2 * i], pts[2 * i + 1], pts[2 * i + 2], pts[2 * i + 3], 0, 1, 0,
                              nullptr, 1, minDistance, &first);
}

}  // namespace

void FillBoxWithPen(PenCanvas* c, int source, int x0, int y0, int x1, int y1) {
    if (source == 0) {
        RECT box;
        if (!SelectionBox(c, &box)) return;
        x0 = box.left, y0 = box.top, x1 = box.right, y1 = box.bottom;
    }
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    PaintScope scope(c, false);
    if (!scope.ok) return;
    RECT box = {x0, y0, x1, y1};
    int height = y1 - y0 + 1;
    for (int y = y0; y <= y1; ++y) {
        FillRow(c, y, x0, x1, box);
        ++Pen.dabCount;
        if ((y - y0) % 20 == 19) Progress(3, (y - y0 + 1) * 100 / height);
    }
    Repaint(c, scope.dc, x0, y0, x1 + 1, y1 + 1);
    Progress(0, 0);
}

void StrokeBoxOutline(PenCanvas* c, int given, int x0, int y0, int x1, int y1) {
    if (!given) {
        RECT box;
        if (!SelectionBox(c, &box)) return;
        x0 = box.left, y0 = box.top, x1 = box.right, y1 = box.bottom;
    }
    WaitCursor wait;
    PaintScope scope(c, false);
    if (!scope.ok) return;
    double minDistance = StrokeMinDistance(0.1);
    int first = 1;
    const double corners[5][2] = {{(double)x0, (double)y0}, {(double)x1, (double)y0}, {(double)x1, (double)y1},
                                  {(double)x0, (double)y1}, {(double)x0, (double)y0}};
    for (int k = 0; k < 4; ++k)
        PlaceDabsAlongSegment(c, scope.dc, corners[k][0], corners[k][1], corners[k + 1][0], corners[k + 1][1], 0,
                              1, 0, nullptr, 1, minDistance, &first);
}

void StrokeEllipseOutline(PenCanvas* c, int given, const RECT& given_box) {
    RECT box = given_box;
    if (!given && !SelectionBox(c, &box)) return;
    WaitCursor wait;
    PaintScope scope(c, false);
    if (!scope.ok) return;
    int cx = (box.left + box.right) / 2 * 4, cy = (box.top + box.bottom) / 2 * 4;
    int rx = ((box.right - box.left) * 4 + 4) / 2, ry = ((box.bottom - box.top) * 4 + 4) / 2;
    int every = (int)(c_PenTip::GetSize() * 0.25);
    if (every < 1) every = 1;
    int first = 1, step = 0;
    MidpointEllipse(rx, ry, [&](int x, int y) {
        if (step++ % every == 0) {
            const int signs[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
            for (const auto& s : signs)
                c_PenEngine::Dab(c, scope.dc, (cx + s[0] * x) * 0.25, (cy + s[1] * y) * 0.25, 0, nullptr, nullptr,
                                 nullptr, nullptr, 0, 0.0, &first);
            ++Pen.dabCount;
        }
    });
    int grow = c_PenTip::GetSize();
    Repaint(c, scope.dc, box.left - grow, box.top - grow, box.right + grow + 1, box.bottom + grow + 1);
}

void FillEllipseWithPen(PenCanvas* c, int given, const RECT& given_box) {
    RECT box = given_box;
    if (!given && !SelectionBox(c, &box)) return;
    if (box.left > box.right) std::swap(box.left, box.right);
    if (box.top > box.bottom) std::swap(box.top, box.bottom);
    int height = box.bottom - box.top + 1;
    std::vector<uint8_t> filled;
    filled.resize(height + 101, 0);
    PaintScope scope(c, false);
    if (!scope.ok) return;
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    int rx = (box.right - box.left) / 2, ry = (box.bottom - box.top) / 2;
    MidpointEllipse(rx, ry, [&](int x, int y) {
        for (int row : {cy - y, cy + y}) {
            int k = row - box.top;
            if (k < 0 || k >= (int)filled.size() || filled[k]) continue;
            filled[k] = 1;
            FillRow(c, row, cx - x, cx + x, box);
        }
        ++Pen.dabCount;
    });
    Repaint(c, scope.dc, box.left, box.top, box.right + 1, box.bottom + 1);
}

namespace {
struct PolygonFill {
    PenCanvas* canvas;
    RECT box;
};
void PolygonSpan(int x0, int x1, int y, void* user) {
    PolygonFill* f = (PolygonFill*)user;
    FillRow(f->canvas, y, x0, x1, f->box);
    ++Pen.dabCount;
}
}  // namespace

void FillPolygonWithPen(PenCanvas* c, int slot) {
    int count = 0;
    const float* pts = c->shapePoints ? c->shapePoints(c, slot, &count) : nullptr;
    if (!pts || count < 3) return;
    // The outline is closed here when its last point is not its first.
    bool open = pts[0] != pts[2 * count - 2] || pts[1] != pts[2 * count - 1];
    std::vector<int> xs(count + (open ? 1 : 0)), ys(xs.size());
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int i = 0; i < count; ++i) {
        xs[i] = (int)pts[2 * i];
        ys[i] = (int)pts[2 * i + 1];
        box.left = std::min<LONG>(box.left, xs[i]);
        box.top = std::min<LONG>(box.top, ys[i]);
        box.right = std::max<LONG>(box.right, xs[i]);
        box.bottom = std::max<LONG>(box.bottom, ys[i]);
    }
    if (open) {
        xs[count] = xs[0];
        ys[count] = ys[0];
    }
    PaintScope scope(c, false);
    if (!scope.ok) return;
    PolygonFill fill = {c, box};
    FillPolygonSpans(xs.data(), ys.data(), (int)xs.size(), PolygonSpan, nullptr, nullptr, nullptr, nullptr, &fill);
    Repaint(c, scope.dc, box.left, box.top, box.right + 1, box.bottom + 1);
}

void StrokeShapePoints(PenCanvas* c, int slot) { StrokePoints(c, slot, 0.25); }

void StrokeSelectionOutline(PenCanvas* c) { StrokePoints(c, 0, 0.125); }

void StrokeAlongPath(PenCanvas* c) {
    int n = 0;
    const float* pts = c->shapePoints ? c->shapePoints(c, 0, &n) : nullptr;
    if (!pts || n < 2) return;
    std::vector<double> tx(n), ty(n);
    for (int i = 0; i < n; ++i) {
        int a = i == 0 ? 0 : i - 1, b = i == n - 1 ? n - 1 : i + 1;
        double div = (i == 0 || i == n - 1) ? 1.0 : 2.0;
        tx[i] = (pts[2 * b] - pts[2 * a]) / div;
        ty[i] = (pts[2 * b + 1] - pts[2 * a + 1]) / div;
    }
    Progress(14, 0);
    {
        PaintScope scope(c, false);
        if (scope.ok) {
            double minDistance = StrokeMinDistance(0.125);
            int first = 1;
            for (int i = 0; i + 1 < n; ++i) {
                if (i % 10 == 9 && GetAsyncKeyState(VK_ESCAPE) < 0) break;
                double x0 = pts[2 * i], y0 = pts[2 * i + 1], x1 = pts[2 * i + 2], y1 = pts[2 * i + 3];
                double len = std::fabs(x1 - x0) + std::fabs(y1 - y0);
                double px = x0, py = y0;
                for (int j = 0; j <= len; ++j) {
                    double u = len > 0 ? j / len : 0, u2 = u * u, u3 = u2 * u;
                    double h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u, h01 = -2 * u3 + 3 * u2,
                           h11 = u3 - u2;
                    double x = h00 * x0 + h10 * tx[i] + h01 * x1 + h11 * tx[i + 1];
                    double y = h00 * y0 + h10 * ty[i] + h01 * y1 + h11 * ty[i + 1];
                    if (j > 0 && (x != px || y != py))
                        PlaceDabsAlongSegment(c, scope.dc, px, py, x, y, 0, 1, 0, nullptr, 1, minDistance, &first);
                    px = x;
                    py = y;
                }
            }
        }
    }
    Progress(0, 0);
    while (GetAsyncKeyState(VK_ESCAPE) < 0) Sleep(10);
}

void FillSelectionWithPen(PenCanvas* c) {
    int saved = Pen.options[PenOptSelectionRows];
    Pen.options[PenOptSelectionRows] = 1;
    FillBoxWithPen(c, 0, 0, 0, 0, 0);
    Pen.options[PenOptSelectionRows] = saved;
}

void StrokeSelectionShape(PenCanvas* c, int shapeMode) {
    if (shapeMode >= 20005 && shapeMode <= 20007) return;
    RECT box = {0, 0, 0, 0};
    bool boxed = SelectionBox(c, &box);
    if ((shapeMode == CMD_TOOL_SELRECT || shapeMode == CMD_TOOL_SELLINE || shapeMode == CMD_TOOL_SELELLIPSE) && !boxed) return;
    int delay = Pen.dabDelay;
    Pen.dabDelay = 0;
    {
        WaitCursor wait;
        PaintScope scope(c, false);
        if (scope.ok) {
            switch (shapeMode) {
            case CMD_TOOL_SELRECT:
                StrokeBoxOutline(c, 1, box.left, box.top, box.right, box.bottom);
                break;
            case CMD_TOOL_SELLINE: {
                int first = 1;
                PlaceDabsAlongSegment(c, scope.dc, box.left, box.top, box.right, box.bottom, 1, 1, 0, nullptr, 1,
                                      StrokeMinDistance(0.125), &first);
                break;
            }
            case CMD_TOOL_SELELLIPSE:
                StrokeEllipseOutline(c, 1, box);
                break;
            case CMD_TOOL_POLYLINE:
                StrokeSelectionOutline(c);
                break;
            case CMD_TOOL_SPLINE:
                StrokeAlongPath(c);
                break;
            default:
                StrokeShapePoints(c, 0);
                break;
            }
        }
    }
    Pen.dabDelay = delay;
}
