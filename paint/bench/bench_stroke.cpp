// Stroke benchmark: 10,000 dabs of a 64-pixel soft round tip along the
// scripted path on a 4,000 x 3,000 canvas, in colour mode and in blur mode.
// Prints "stroke colour: N dabs/s" and "stroke blur: N dabs/s", and after
// each run a checksum of the canvas planes ("stroke colour checksum: H"), so
// that a change to the engine can be seen to leave every pixel as it was.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/bench/stroke_path.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/tablet.h"

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

// The same path with the scripted pressures: each dab's size and opacity from
// its pressure through the tablet options (size on), as a tablet stroke sets
// them sample by sample.
double RunPressureDabs(PenCanvas* canvas) {
    Pen.drawingMode = ModeColour;
    TabletOptions options = {.opacity = 0, .density = 0, .size = 1, .tilt = 0};
    double h = Pen.tip.hRadius, v = Pen.tip.vRadius;
    int opacity = PenOpacity;
    int first = 1;
    double t0 = Seconds();
    for (int i = 0; i < STROKE_DABS; ++i) {
        double x, y;
        StrokeDabCentre(i, &x, &y);
        ApplyPressureToPen(StrokePressure(i), options);
        RECT rc;
        Pen.dabCount = i;
        c_PenEngine::DabSubPixel(canvas, nullptr, x, y, 0, &rc, 0.0, &first);
        Pen.tip.hRadius = h;
        Pen.tip.vRadius = v;
        PenOpacity = opacity;
    }
    return Seconds() - t0;
}

// FNV-1a over the rows of the colour plane and the transparency plane.
uint64_t PlaneChecksum(const std::vector<LayerPlane>& planes) {
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](const void* bytes, size_t n) {
        const uint8_t* b = (const uint8_t*)bytes;
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    std::vector<uint32_t> words(STROKE_WIDTH);
    std::vector<uint8_t> bytes(STROKE_WIDTH);
    for (int y = 0; y < STROKE_HEIGHT; ++y) {
        g_VmsStore.GetRow(planes[0].image, y, 0, STROKE_WIDTH - 1, words.data());
        g_VmsStore.GetRow(planes[1].image, y, 0, STROKE_WIDTH - 1, bytes.data());
        mix(words.data(), words.size() * sizeof(uint32_t));
        mix(bytes.data(), bytes.size());
    }
    return h;
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
    uint64_t colourSum = PlaneChecksum(planes);
    double blur = RunDabs(&canvas, ModeBlur);
    uint64_t blurSum = PlaneChecksum(planes);
    BuildPressureCurve();
    SetPenColour(0, 200, 60, 40);
    double pressure = RunPressureDabs(&canvas);
    uint64_t pressureSum = PlaneChecksum(planes);
    std::printf("stroke colour: %.0f dabs/s\n", STROKE_DABS / colour);
    std::printf("stroke blur: %.0f dabs/s\n", STROKE_DABS / blur);
    std::printf("stroke colour checksum: %016llx\n", (unsigned long long)colourSum);
    std::printf("stroke blur checksum: %016llx\n", (unsigned long long)blurSum);
    std::printf("stroke pressure: %.0f dabs/s\n", STROKE_DABS / pressure);
    std::printf("stroke pressure checksum: %016llx\n", (unsigned long long)pressureSum);
    g_VmsStore.Free(&planes[0].image);
    g_VmsStore.Free(&planes[1].image);
    return 0;
}
