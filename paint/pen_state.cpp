#include "paint/pen_state.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

PenState Pen;
int PenSnapshotFlag;
PenRecord PenRecords[kPenRecordCount];

void ResetPenState() {
    PenTipBlock tip = Pen.tip;
    std::memset(&Pen, 0, sizeof Pen);
    Pen.tip = tip;
    Pen.tip.planes[0] = Pen.tip.planes[1] = nullptr;
    Pen.tip.angle = 0;
    Pen.tip.tipShape = 2;
    Pen.tip.rebuild = 1;
    PenOpacity = 255;
    Pen.density = 255;
    Pen.drawingMode = ModeColour;
    Pen.tool = kToolPen;
}

int IsPenTool(int tool) {
    switch (tool) {
    case kToolPen: case kToolLine: case kToolBoxOutline: case kToolEllipseOutline:
    case kToolClone: case kToolShapePoints: case kToolSnapshot:
        return 1;
    default:
        return 0;
    }
}

void SetPenColour(int model, int a, int b, int c) {
    ColourModels& m = PenColour;
    switch (model) {
    case 1: m.cyan = a; m.magenta = b; m.yellow = c; break;
    case 2: m.hsvHue = a; m.hsvSaturation = b; m.hsvValue = c; break;
    case 3: m.hlsHue = a; m.hlsLightness = b; m.hlsSaturation = c; break;
    default: m.red = a; m.green = b; m.blue = c; model = 0; break;
    }
    SyncColourModels(&m, model);
}

void ClampPenRecord(PenRecord* pen) {
    if (pen->tipKind < 0) pen->tipKind = 0;
    if (pen->tipKind > 4) pen->tipKind = 4;
    for (double* d : {&pen->halfWidth, &pen->halfHeight}) {
        if (!(*d >= 1.0)) *d = 1.0;   // also NaN
        if (*d > 127.0) *d = 127.0;
    }
}

int PressureCurve[256];
int PressureCurvePoint = 70;

void BuildPressureCurve() {
    // The curve passes through (128, point): the pressure dialog bends it.
    int point = PressureCurvePoint < 16 ? 16 : PressureCurvePoint > 200 ? 200 : PressureCurvePoint;
    const double k = std::log(point / 255.0) / std::log(128.0 / 255.0);
    for (int i = 0; i < 256; ++i) {
        int v = (int)(255.0 * std::pow(i * (1.0 / 255.0), k));
        PressureCurve[i] = v < 0 ? 0 : v > 255 ? 255 : v;
    }
}
