#include "app/ui/frame_link.h"

int AreaBlurAmount;

namespace {
CursorPosReadout g_pos;
CanvasZoomReadout g_zoom;
}  // namespace

void SetStatusReadouts(CursorPosReadout pos, CanvasZoomReadout zoom) {
    g_pos = pos;
    g_zoom = zoom;
}

void ReportCursorPos(int x, int y) {
    if (g_pos) g_pos(x, y);
}

void ReportCanvasZoom(HWND canvas) {
    if (g_zoom) g_zoom(canvas);
}
