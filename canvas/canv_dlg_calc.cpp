#include "canvas/canv_dlg_calc.h"

#include <cstring>

#include "canvas/canv_layers.h"

int PlanCanvasResize(const CanvDoc* doc, const CanvasResizeSides& s, NewCanvasRequestRecord* request) {
    NewCanvasLayer planned[CanvMaxLayers];
    int count = 0;
    for (int layer = 0; layer < CanvMaxLayers && LayerInUse(doc, layer); ++layer) {
        const LayerPlane* base = LayerBase(doc, layer);
        int64_t x = base->x, y = base->y, w = base->width, h = base->height;
        int dx = 0, dy = 0;
        auto change = [&](int side) -> int64_t {
            if (!s.enabled[side]) return 0;
            return s.decrease[side] ? -(int64_t)s.amount[side] : (int64_t)s.amount[side];
        };
        int64_t left = change(0), right = change(1), top = change(2), bottom = change(3);
        w += left + right;
        h += top + bottom;
        x += left;
        y += top;
        if (s.enabled[0]) dx = (int)left;
        if (s.enabled[2]) dy = (int)top;
        if (w < 1 || h < 1 || w > CanvMaxSide || h > CanvMaxSide) return 0;
        NewCanvasLayer& out = planned[count++];
        const bool whole = base->width == doc->width && base->height == doc->height && base->x == 0 && base->y == 0;
        int planes = 0;
        for (int k = 1; k < CanvPlanesPerLayer; ++k)
            if (base[k].image) ++planes;
        out = NewCanvasLayer{
            .width = whole ? (int)w : base->width,
            .height = whole ? (int)h : base->height,
            .x = whole ? 0 : (int)x,
            .y = whole ? 0 : (int)y,
            .depth = base->depth,
            .planeCount = planes,
            .contentX = whole ? dx : 0,
            .contentY = whole ? dy : 0,
        };
    }
    request->layerCount = count;
    std::memcpy(request->layers, planned, sizeof(NewCanvasLayer) * count);
    return 1;
}

namespace {
int AtLeastOne(int64_t v) { return v < 1 ? 1 : (int)v; }
bool Fits(int64_t v) { return v <= CanvMaxSide; }
}  // namespace

namespace {
// One side typed: the other follows the source's ratio.
int SideTyped(ResizeCopyFields* f, bool width, int value, bool updatePercent) {
    const int64_t typedSource = width ? f->sourceWidth : f->sourceHeight;
    const int64_t otherSource = width ? f->sourceHeight : f->sourceWidth;
    int64_t typed = AtLeastOne(value);
    int64_t other = AtLeastOne(otherSource * typed / typedSource);
    if (!Fits(typed) || !Fits(other)) return 0;
    f->width = (int)(width ? typed : other);
    f->height = (int)(width ? other : typed);
    if (updatePercent) f->percent = AtLeastOne(typed * 100 / typedSource);
    return 1;
}
}  // namespace

int ResizeCopyWidthTyped(ResizeCopyFields* f, int width, bool updatePercent) {
    return SideTyped(f, true, width, updatePercent);
}

int ResizeCopyHeightTyped(ResizeCopyFields* f, int height, bool updatePercent) {
    return SideTyped(f, false, height, updatePercent);
}

int ResizeCopyPercentTyped(ResizeCopyFields* f, int percent) {
    int64_t w = AtLeastOne((int64_t)percent * f->sourceWidth / 100);
    int64_t h = AtLeastOne((int64_t)percent * f->sourceHeight / 100);
    if (!Fits(w) || !Fits(h)) return 0;
    f->percent = percent;
    f->width = (int)w;
    f->height = (int)h;
    return 1;
}

int TransparencyToPercent(int stored) { return (stored * 100 + 128) / 255; }
int PercentToTransparency(int percent) { return (percent * 255 + 50) / 100; }

int SliderThumbX(int opacity, int width) { return opacity * (width - 9) / 100 + 4; }

int SliderOpacityAt(int x, int width) {
    if (width <= 9) return 0;
    int v = (x * 100 - 400) / (width - 9);
    return v < 0 ? 0 : v > 100 ? 100 : v;
}
