#include "paint/stroke.h"

#include <cmath>
#include <vector>

#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "image/vms_image.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/tablet.h"
#include "image/product_table.h"
#include "ui/sysutil.h"
#include "resources/paint_ids.h"

namespace {

int g_SavedPlane = -1;
RECT g_Dirty = {999999, 999999, 0, 0};

void GrowDirty(const RECT& rc) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    if (rc.left < g_Dirty.left) g_Dirty.left = rc.left;
    if (rc.top < g_Dirty.top) g_Dirty.top = rc.top;
    if (rc.right > g_Dirty.right) g_Dirty.right = rc.right;
    if (rc.bottom > g_Dirty.bottom) g_Dirty.bottom = rc.bottom;
}

void DropMouseMessages(HWND pane) {
    MSG msg;
    while (PeekMessageA(&msg, pane, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

// The cursor as a sub-pixel image point.
void CursorImagePoint(PenCanvas* c, int restart, double* x, double* y) {
    double sx, sy;
    GetSmoothedCursorPos(&sx, &sy, restart);
    double wx = std::floor(sx), wy = std::floor(sy);
    POINT p = {(LONG)wx, (LONG)wy};
    if (c->pane) ScreenToClient(c->pane, &p);
    int ix = p.x, iy = p.y;
    if (c->clientToImage) c->clientToImage(c, p.x, p.y, &ix, &iy);
    *x = ix + (sx - wx);
    *y = iy + (sy - wy);
}

bool ButtonDown(int right) { return right ? IsRightButtonDown() != 0 : IsLeftButtonDown() != 0; }

}  // namespace

int RollerSpacingPercent = 100;
int StampSpacingPercent = 100;
HWND* ColourPanelHost;

namespace {
void PickColourAt(PenCanvas* c, int x, int y) {
    if (ColourPanelHost && *ColourPanelHost) SendMessageA(*ColourPanelHost, WM_USER + 9, 1, 2);
    if (CurrentPlaneOfLayer(c) == 0) {
        int r = 0, g = 0, b = 0;
        if (c->composePixel) c->composePixel(c, x, y, &r, &g, &b);
        else c_PenEngine::GetPlaneRgb(c, x, y, &r, &g, &b);
        PenColour.red = r;
        PenColour.green = g;
        PenColour.blue = b;
        UpdateColourModels(0);
    } else {
        int v = 0;
        c_PenEngine::GetLayerPlaneValue(c, x, y, &v, CurrentPlaneOfLayer(c));
        PenColour.hsvHue = 0;
        PenColour.hsvSaturation = 255;
        PenColour.hsvValue = v;
        UpdateColourModels(2);
    }
    c_PenWriter::FreeBrushImages(1, 0);
    if (ColourPanelHost && *ColourPanelHost) SendMessageA(*ColourPanelHost, WM_USER + 9, 1, 2);
}
}  // namespace

void PickCanvasColour(PenCanvas* c, int left) {
    HCURSOR spoit = LoadCursorA(GetModuleHandleA(nullptr), "spoit");
    HCURSOR old = spoit ? SetCursor(spoit) : nullptr;
    POINT last = {-999999, -999999};
    do {
        POINT p;
        GetPolledCursorPos(&p);
        if (c->pane) ScreenToClient(c->pane, &p);
        int x = p.x, y = p.y;
        if (c->clientToImage) c->clientToImage(c, p.x, p.y, &x, &y);
        x = x < 0 ? 0 : x >= c->width ? c->width - 1 : x;
        y = y < 0 ? 0 : y >= c->height ? c->height - 1 : y;
        if (x != last.x || y != last.y) {
            last = {x, y};
            PickColourAt(c, x, y);
        }
    } while (left ? IsLeftButtonDown() : IsRightButtonDown());
    if (old) SetCursor(old);
}

namespace {
int g_ScopeDepth;   // a shape inside a command that already took the undo step
}  // namespace

PaintScope::PaintScope(PenCanvas* c, bool hide) : canvas(c), opacity(PenOpacity), hideCursor(hide) {
    if (g_ScopeDepth++ > 0) {
        nested = true;
        ok = true;
        if (c->pane) dc = GetDC(c->pane);
        return;
    }
    g_Dirty = {999999, 999999, 0, 0};
    if (!BeginStrokePlane(c)) return;
    // A stroke that could not be undone is not painted: the store could not
    // keep the plane's step (its work file failed).
    if (c->savePoint && !c->savePoint(c, c->current)) {
        EndStrokePlane(c);
        ShowMessageBox(GetMessageBoxOwner(), LoadResString(IDS_STROKE_NO_UNDO), kAppTitle, kMsgOk);
        return;
    }
    ok = true;
    Pen.dabCount = 0;
    if (hideCursor) ShowCursor(FALSE);
    if (c->pane) dc = GetDC(c->pane);
}

PaintScope::~PaintScope() {
    --g_ScopeDepth;
    if (nested) {
        if (dc) ReleaseDC(canvas->pane, dc);
        return;
    }
    if (!ok) return;
    if (dc) ReleaseDC(canvas->pane, dc);
    PenOpacity = opacity;
    if (canvas->setModified) canvas->setModified(canvas);
    if (hideCursor) ShowCursor(TRUE);
    if (canvas->pane) DropMouseMessages(canvas->pane);
    EndStrokePlane(canvas);
}

double StrokeMinDistance(double factor) {
    double d = c_PenTip::GetSize() * factor;
    return d < 1.0 ? 1.0 : d;
}

double StrokeSpacing() { return StrokeMinDistance(0.125); }

RECT LastStrokeRect() { return g_Dirty; }

void PlaceDabsAlongSegment(PenCanvas* c, HDC dc, double x0, double y0, double x1, double y1, int last, int every,
                           int right, RECT* rect, int repaint, double minDistance, int* first) {
    RECT seg = {999999, 999999, 0, 0};
    ForEachDabPosition(x0, y0, x1, y1, last, every, StrokeSpacing(), [&](double x, double y) {
        RECT rc;
        c_PenEngine::Dab(c, nullptr, x, y, right, (int*)&rc.left, (int*)&rc.top, (int*)&rc.right,
                         (int*)&rc.bottom, 0, minDistance, first);
        ++Pen.dabCount;
        if (rc.right > rc.left && rc.bottom > rc.top) {
            if (rc.left < seg.left) seg.left = rc.left;
            if (rc.top < seg.top) seg.top = rc.top;
            if (rc.right > seg.right) seg.right = rc.right;
            if (rc.bottom > seg.bottom) seg.bottom = rc.bottom;
        }
    });
    if (repaint && dc && c->repaint && seg.right > seg.left) c->repaint(c, dc, seg);
    if (rect) *rect = seg;
}

int BeginStrokePlane(PenCanvas* c) {
    g_SavedPlane = c->current;
    switch (c_PenEngine::GetPenKind()) {
    case 4:
        // The effect pen lays its image back on the layer it was taken from.
        for (int i = 0; i < c->layerCount; ++i)
            if (Pen.snapshotPlanes[0] && c->planes[i * kPlanesPerLayer].image == Pen.snapshotPlanes[0]) {
                c->current = i * kPlanesPerLayer;
                break;
            }
        return 1;
    case 2: {
        // The edge pen paints its two passes on the stroke layers.
        if (PenLayerByType(c, 2) < 0 && c->prepareStrokeLayer) c->prepareStrokeLayer(c);
        int layer = PenLayerByType(c, 1);
        if (layer < 0 && c->addStrokeLayer) {
            c->addStrokeLayer(c);
            layer = PenLayerByType(c, 1);
        }
        if (layer < 0) {
            g_SavedPlane = -1;
            return 0;
        }
        c->current = layer * kPlanesPerLayer;
        return 1;
    }
    default:
        return 1;
    }
}

void EndStrokePlane(PenCanvas* c) {
    if (g_SavedPlane >= 0) c->current = g_SavedPlane;
    g_SavedPlane = -1;
}

namespace {
// One pass of a freehand loop: a single dab at the start, else the dabs of the
// segment from the last point when the point moved to another pixel. The
// rectangle painted comes back.
RECT StrokeStep(PenCanvas* c, HDC dc, double px, double py, bool start, int right, double minDistance, int* first,
                double* lastX, double* lastY) {
    RECT rc = {0, 0, 0, 0};
    if (start) {
        c_PenEngine::Dab(c, dc, px, py, right, (int*)&rc.left, (int*)&rc.top, (int*)&rc.right, (int*)&rc.bottom, 0,
                         minDistance, first);
    } else if ((int)(px + 0.5) != (int)(*lastX + 0.5) || (int)(py + 0.5) != (int)(*lastY + 0.5)) {
        PlaceDabsAlongSegment(c, dc, *lastX, *lastY, px, py, 0, 1, right, &rc, 1, minDistance, first);
    } else {
        return rc;
    }
    *lastX = px;
    *lastY = py;
    return rc;
}
}  // namespace

int RunTabletStroke(PenCanvas* c, int right, int firstPressure) {
    int options = TabletOptionCount();
    double minDistance = StrokeMinDistance(0.05);
    int result = 0;
    {
        PaintScope scope(c, true);
        if (!scope.ok) return 0;
        result = 1;
        int first = 1, pressure = firstPressure;
        bool firstSample = true;
        double lastX = 0, lastY = 0;
        for (int pass = 0;; ++pass) {
            if (c->pane) DropMouseMessages(c->pane);
            if (!ButtonDown(right) && pass > 0) break;
            if (pass > 0) WaitMs(12);
            double px, py;
            CursorImagePoint(c, pass == 0, &px, &py);
            int altitude = 0, azimuth = 0, tangent = 0;
            // Only passes with a tablet sample draw (the first brought one).
            if (pass > 0 && !c_Tablet::GetPressure(&pressure, &altitude, &azimuth, &tangent, 0)) continue;
            ApplyPenPressure(firstSample ? 1 : 0, pressure, options);
            RECT rc = StrokeStep(c, scope.dc, px, py, firstSample, right, minDistance, &first, &lastX, &lastY);
            RestorePenState();
            GrowDirty(rc);
            first = 0;
            firstSample = false;
            ++Pen.dabCount;
        }
    }
    // The tip of the pen record again (the pressure changed its size).
    BuildPenTip(0, 1);
    c_Tablet::Drain();
    return result;
}

int RunFreehandStroke(PenCanvas* c, int x, int y, int right) {
    if (Pen.brushImages[0]) return RunImageBrushStroke(c, x, y, right, right, c_Tablet::IsOn());
    if (right && !PenSnapshotFlag) return 0;
    int pressure = 0, altitude = 0;
    if (!right && c_Tablet::StartSample(&pressure, &altitude)) return RunTabletStroke(c, right, pressure);
    double minDistance = StrokeMinDistance(0.05);
    bool single = GetKeyState(VK_SHIFT) < 0;
    PaintScope scope(c, true);
    if (!scope.ok) return 0;
    int first = 1;
    double lastX = 0, lastY = 0;
    for (int pass = 0;; ++pass) {
        if (c->pane) DropMouseMessages(c->pane);
        if (!ButtonDown(right) && pass > 0) break;
        double px, py;
        CursorImagePoint(c, pass == 0, &px, &py);
        RECT rc = StrokeStep(c, scope.dc, px, py, pass == 0 || single, right, minDistance, &first, &lastX, &lastY);
        GrowDirty(rc);
        first = 0;
        ++Pen.dabCount;
        if (single) break;
    }
    return 1;
}

int RunImageBrushStroke(PenCanvas* c, int, int, int right, int snapshotDabs, int pressureFlag) {
    if (right && !PenSnapshotFlag && !snapshotDabs) return 0;
    double minDistance = StrokeMinDistance(0.05);
    int thinning = StrokeThinning;
    StrokeThinning = 0;
    bool single = GetKeyState(VK_SHIFT) < 0;
    int result = 0;
    {
        PaintScope scope(c, true);
        if (scope.ok) {
            result = 1;
            int first = 1;
            double lastX = 0, lastY = 0, travelled = 0;
            for (int pass = 0;; ++pass) {
                if (c->pane) DropMouseMessages(c->pane);
                if (!ButtonDown(right) && pass > 0) break;
                double px, py;
                CursorImagePoint(c, pass == 0, &px, &py);
                if (pass > 0) travelled += std::hypot(px - lastX, py - lastY);
                bool moved = pass == 0 || px != lastX || py != lastY;
                // Stamps of a roller, and a fancy-pen stamp, lie at their
                // spacing along the path.
                int frame = Pen.options[PenOptRollerFrame];
                VmsImage* roller = frame >= 0 && frame < kRollerFrameSlots ? Pen.rollerFrames[frame] : nullptr;
                VmsImage* stamp = roller ? roller : Pen.imageBrushOn ? Pen.brushImages[0] : nullptr;
                int spacing = roller ? RollerSpacingPercent : StampSpacingPercent;
                bool place = moved;
                if (stamp && Pen.drawingMode != ModeEraser && pass > 0)
                    place = (int)travelled > (stamp->width + stamp->height) / 2 * spacing / 100;
                if (pressureFlag && c_Tablet::IsOn()) {
                    int p = 0, altitude = 0, azimuth = 0, tangent = 0;
                    c_Tablet::GetPressure(&p, &altitude, &azimuth, &tangent, pass == 0);
                    PenOpacity = Tablet.opacity ? ProductTable[p & 255][scope.opacity & 255] : scope.opacity;
                }
                if (place) {
                    RECT rc = {0, 0, 0, 0};
                    c_PenEngine::Dab(c, scope.dc, px, py, right || snapshotDabs > 1, (int*)&rc.left,
                                     (int*)&rc.top, (int*)&rc.right, (int*)&rc.bottom, 0, minDistance, &first);
                    GrowDirty(rc);
                    travelled = 0;
                    if (roller) {
                        // The next frame, back to the first after the last.
                        int next = frame + 1;
                        Pen.options[PenOptRollerFrame] =
                            next < kRollerFrameSlots && Pen.rollerFrames[next] ? next : 0;
                    }
                }
                lastX = px;
                lastY = py;
                ++Pen.dabCount;
                if (single) break;
            }
        }
    }
    StrokeThinning = thinning;
    if (pressureFlag) c_Tablet::Drain();
    return result;
}
