// Stroke benchmark: 10,000 dabs of a 64-pixel soft round tip along the
// scripted path on a 4,000 x 3,000 canvas, in colour mode and in blur mode.
// Prints "stroke colour: N dabs/s" and "stroke blur: N dabs/s".
#include <windows.h>

#include <cstdio>
#include <vector>

#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/bench/stroke_path.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"

namespace {
double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

double RunDabs(PenCanvas* canvas, int mode) {
    Pen.drawingMode = mode;
    int first = 1;
    double t0 = Seconds();
    for (int i = 0; i < STROKE_DABS; ++i) {
        double x, y;
        StrokeDabCentre(i, &x, &y);
        RECT rc;
        Pen.dabCount = i;
        c_PenEngine::DabSubPixel(canvas, nullptr, x, y, 0, &rc, 0.0, &first);
    }
    return Seconds() - t0;
}
}  // namespace

int main() {
    BuildProductTable();
    std::vector<LayerPlane> planes(kPlanesPerLayer, LayerPlane{});
    planes[0].image = g_VmsStore.Create(STROKE_WIDTH, STROKE_HEIGHT, 32, 255, 1);
    planes[0].depth = 24;
    planes[1].image = g_VmsStore.Create(STROKE_WIDTH, STROKE_HEIGHT, 8, 255, 1);
    planes[1].depth = 8;
    if (!planes[0].image || !planes[1].image) {
        std::printf("stroke: no canvas\n");
        return 1;
    }
    std::vector<uint32_t> white(STROKE_WIDTH, 0x00FFFFFF);
    std::vector<uint8_t> opaque(STROKE_WIDTH, 255);
    for (int y = 0; y < STROKE_HEIGHT; ++y) {
        g_VmsStore.PutRow(planes[0].image, y, 0, STROKE_WIDTH - 1, white.data());
        g_VmsStore.PutRow(planes[1].image, y, 0, STROKE_WIDTH - 1, opaque.data());
    }
    PenCanvas canvas = {};
    canvas.width = STROKE_WIDTH;
    canvas.height = STROKE_HEIGHT;
    canvas.layerCount = 1;
    canvas.planes = planes.data();
    canvas.channelOn[0] = canvas.channelOn[1] = canvas.channelOn[2] = 1;

    ResetPenState();
    SetPenColour(0, 40, 90, 200);
    // A soft round tip 64 pixels across: radius 31.5, falloff to the rim.
    Pen.tip.hRadius = Pen.tip.vRadius = (STROKE_DIAMETER - 1) / 2.0;
    Pen.tip.tipShape = 2;
    RenderPenTip(0);
    StrokeThinning = 0;

    double colour = RunDabs(&canvas, ModeColour);
    double blur = RunDabs(&canvas, ModeBlur);
    std::printf("stroke colour: %.0f dabs/s\n", STROKE_DABS / colour);
    std::printf("stroke blur: %.0f dabs/s\n", STROKE_DABS / blur);
    g_VmsStore.Free(&planes[0].image);
    g_VmsStore.Free(&planes[1].image);
    return 0;
}
