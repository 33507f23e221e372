#include "paint/stroke.h"

#include <cmath>
#include <functional>
#include <optional>
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

namespace {
// 1 while the eraser end of the tablet pen has switched the tool to the
// snapshot eraser; lives across strokes.
int g_EraserEndTool;

// A tablet sample: the averaged pressure and the pen's altitude (negative
// when the pen is turned over, its eraser end down).
struct TabletSample {
    int pressure = 0, altitude = 0;
};

// The next tablet sample of a pass; false when the tablet had none.
bool NextSample(TabletSample* s) {
    int azimuth = 0, tangent = 0;
    return c_Tablet::GetPressure(&s->pressure, &s->altitude, &azimuth, &tangent, 0) != 0;
}
}  // namespace

int TabletPenEndSwitch(int altitude) {
    if (altitude < 0 && !g_EraserEndTool) {
        g_EraserEndTool = 1;
        if (PressToolButtonHook) PressToolButtonHook(kToolSnapshot);
        return 1;
    }
    if (altitude >= 0 && g_EraserEndTool) {
        g_EraserEndTool = 0;
        if (PressToolButtonHook) PressToolButtonHook(kToolPen);
        return 1;
    }
    return 0;
}

int TabletEraserEndActive() { return g_EraserEndTool; }

void ResetTabletEraserEnd() { g_EraserEndTool = 0; }

namespace {
// The loop of a tablet stroke: a pass whenever the button is still held, and
// only passes that brought a tablet sample draw. `paint` applies the sample's
// pressure and draws it, giving back the rectangle it painted, or nothing
// when it leaves the sample out; the pen is restored after each sample and
// the tip of the pen record comes back at the end.
int TabletStrokeLoop(PenCanvas* c, int right, TabletSample sample, int passWaitMs,
                     const std::function<std::optional<RECT>(HDC, double, double, const TabletSample&, bool, int*)>& paint) {
    int result = 0;
    {
        PaintScope scope(c, true);
        if (!scope.ok) return 0;
        result = 1;
        int first = 1;
        bool firstSample = true;
        for (int pass = 0;; ++pass) {
            if (c->pane) DropMouseMessages(c->pane);
            if (!ButtonDown(right) && pass > 0) break;
            if (pass > 0 && passWaitMs > 0) WaitMs(passWaitMs);
            double px, py;
            CursorImagePoint(c, pass == 0, &px, &py);
            if (pass > 0 && !NextSample(&sample)) continue;
            std::optional<RECT> rc = paint(scope.dc, px, py, sample, firstSample, &first);
            if (!rc) continue;
            RestorePenState();
            GrowDirty(*rc);
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
}  // namespace

int RunTabletStroke(PenCanvas* c, int right, int firstPressure, int firstAltitude) {
    int options = TabletOptionCount();
    double minDistance = StrokeMinDistance(0.05);
    double lastX = 0, lastY = 0;
    return TabletStrokeLoop(c, right, TabletSample{firstPressure, firstAltitude}, 12,
                            [&](HDC dc, double px, double py, const TabletSample& sample, bool firstSample, int* first) {
                                TabletPenEndSwitch(sample.altitude);
                                ApplyPenPressure(firstSample ? 1 : 0, sample.pressure, options);
                                return std::optional<RECT>(StrokeStep(c, dc, px, py, firstSample, right, minDistance,
                                                                      first, &lastX, &lastY));
                            });
}

int RunEdgePenTabletStroke(PenCanvas* c, int right, int firstPressure, int firstAltitude) {
    int options = TabletOptionCount();
    double minDistance = StrokeMinDistance(0.05);
    double lastX = 0, lastY = 0;
    return TabletStrokeLoop(
        c, right, TabletSample{firstPressure, firstAltitude}, 0,
        [&](HDC dc, double px, double py, const TabletSample& sample, bool firstSample,
            int* first) -> std::optional<RECT> {
            // The other pen end paints with another tool, on the plane that
            // tool's strokes take.
            if (TabletPenEndSwitch(sample.altitude)) {
                EndStrokePlane(c);
                BeginStrokePlane(c);
            }
            if (!firstSample && px == lastX && py == lastY) return std::nullopt;
            ApplyPenPressure(firstSample ? 1 : 0, sample.pressure, options);
            RECT rc = {0, 0, 0, 0};
            c_PenEngine::Dab(c, dc, px, py, right, (int*)&rc.left, (int*)&rc.top, (int*)&rc.right, (int*)&rc.bottom,
                             0, minDistance, first);
            lastX = px;
            lastY = py;
            return rc;
        });
}

namespace {
// The freehand loop of the mouse: one dab at the press (or the only one with
// Shift held), then the dabs of a segment whenever the point moves.
int RunMouseStroke(PenCanvas* c, int right) {
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

// What the image-brush loop does with the tablet: nothing (mouse), the
// averaged pressure of every pass (the pressure flag of a mouse stroke), or
// the tablet stroke in which only passes with a sample draw.
enum class BrushInput { Mouse, MousePressure, Tablet };

int ImageBrushLoop(PenCanvas* c, int right, int snapshotDabs, BrushInput input, TabletSample sample) {
    double minDistance = StrokeMinDistance(0.05);
    int thinning = StrokeThinning;
    StrokeThinning = 0;
    bool single = GetKeyState(VK_SHIFT) < 0;
    int startMode = Pen.drawingMode;
    int options = TabletOptionCount();
    int result = 0;
    {
        PaintScope scope(c, true);
        if (scope.ok) {
            result = 1;
            int first = 1;
            bool firstSample = true;
            double lastX = 0, lastY = 0, travelled = 0;
            for (int pass = 0;; ++pass) {
                if (c->pane) DropMouseMessages(c->pane);
                if (!ButtonDown(right) && pass > 0) break;
                double px, py;
                CursorImagePoint(c, pass == 0, &px, &py);
                bool eraserEnd = false;
                if (input == BrushInput::Tablet) {
                    if (pass > 0 && !NextSample(&sample)) continue;
                    // The eraser end clears the transparency; the pen end
                    // paints in the mode the stroke began with.
                    eraserEnd = sample.altitude < 0;
                    Pen.drawingMode = eraserEnd ? ModeEraser : startMode;
                } else if (input == BrushInput::MousePressure) {
                    int azimuth = 0, tangent = 0;
                    c_Tablet::GetPressure(&sample.pressure, &sample.altitude, &azimuth, &tangent, pass == 0);
                    eraserEnd = sample.altitude < 0;
                    PenOpacity = Tablet.opacity ? ProductTable[sample.pressure & 255][scope.opacity & 255]
                                                : scope.opacity;
                }
                if (pass > 0 && !firstSample) travelled += std::hypot(px - lastX, py - lastY);
                bool moved = firstSample || px != lastX || py != lastY;
                // Stamps of a roller, and a fancy-pen stamp, lie at their
                // spacing along the path.
                int frame = Pen.options[PenOptRollerFrame];
                VmsImage* roller = frame >= 0 && frame < kRollerFrameSlots ? Pen.rollerFrames[frame] : nullptr;
                VmsImage* stamp = roller ? roller : Pen.imageBrushOn ? Pen.brushImages[0] : nullptr;
                int spacing = roller ? RollerSpacingPercent : StampSpacingPercent;
                bool place = moved;
                if (stamp && Pen.drawingMode != ModeEraser && !firstSample)
                    place = (int)travelled > (stamp->width + stamp->height) / 2 * spacing / 100;
                if (place) {
                    if (input == BrushInput::Tablet) ApplyPenPressure(firstSample ? 1 : 0, sample.pressure, options);
                    RECT rc = {0, 0, 0, 0};
                    int snapshot = right || snapshotDabs > 1 || (input == BrushInput::MousePressure && eraserEnd);
                    c_PenEngine::Dab(c, scope.dc, px, py, snapshot, (int*)&rc.left, (int*)&rc.top,
                                     (int*)&rc.right, (int*)&rc.bottom, 0, minDistance, &first);
                    if (input == BrushInput::Tablet) RestorePenState();
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
                firstSample = false;
                ++Pen.dabCount;
                if (single) break;
            }
        }
    }
    Pen.drawingMode = startMode;
    StrokeThinning = thinning;
    return result;
}
}  // namespace

int RunFreehandStroke(PenCanvas* c, int x, int y, int right) {
    if (Pen.brushImages[0]) return RunImageBrushStroke(c, x, y, right, right, c_Tablet::IsOn());
    if (right && !PenSnapshotFlag) return 0;
    int pressure = 0, altitude = 0;
    if (!right && c_Tablet::StartSample(&pressure, &altitude)) {
        if (c_PenEngine::GetPenKind() == 2) return RunEdgePenTabletStroke(c, right, pressure, altitude);
        TabletPenEndSwitch(altitude);
        return RunTabletStroke(c, right, pressure, altitude);
    }
    return RunMouseStroke(c, right);
}

int RunImageBrushTabletStroke(PenCanvas* c, int right, int snapshotDabs, int firstPressure, int firstAltitude) {
    int result;
    if (firstAltitude < 0) {
        // The eraser end: the whole stroke is a freehand stroke that clears
        // the transparency under the tip. (The freehand loop itself, not
        // RunFreehandStroke, which would hand a brush image straight back
        // here.)
        int mode = Pen.drawingMode;
        int thinning = StrokeThinning;
        Pen.drawingMode = ModeEraser;
        StrokeThinning = 1;
        result = RunMouseStroke(c, right);
        StrokeThinning = thinning;
        Pen.drawingMode = mode;
    } else {
        result = ImageBrushLoop(c, right, snapshotDabs, BrushInput::Tablet, TabletSample{firstPressure, firstAltitude});
        if (Tablet.size) BuildPenTip(0, 0);   // the tip of the pen's own size again
    }
    c_Tablet::Drain();
    return result;
}

int RunImageBrushStroke(PenCanvas* c, int, int, int right, int snapshotDabs, int pressureFlag) {
    if (right && !PenSnapshotFlag && !snapshotDabs) return 0;
    int pressure = 0, altitude = 0;
    if (c_Tablet::StartSample(&pressure, &altitude))
        return RunImageBrushTabletStroke(c, right, snapshotDabs, pressure, altitude);
    bool withPressure = pressureFlag && c_Tablet::IsOn();
    int result = ImageBrushLoop(c, right, snapshotDabs, withPressure ? BrushInput::MousePressure : BrushInput::Mouse,
                                TabletSample{});
    if (pressureFlag) c_Tablet::Drain();
    return result;
}
