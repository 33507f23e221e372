// The scripted path of the stroke benchmark, shared by our program and the
// native libmypaint program: dab centres along a Lissajous curve over a
// 4,000 x 3,000 canvas.
#pragma once
#include <math.h>

#define STROKE_WIDTH 4000
#define STROKE_HEIGHT 3000
#define STROKE_DABS 10000
#define STROKE_DIAMETER 64

static inline void StrokeDabCentre(int i, double* x, double* y) {
    double t = i * (6.283185307179586 / STROKE_DABS);
    *x = 2000.0 + 1800.0 * sin(3.0 * t) + 0.37;
    *y = 1500.0 + 1300.0 * sin(2.0 * t + 0.5) + 0.61;
}

/* Scripted pen pressure of dab i (0..255): a slow swell between light and
 * full, and the tablet code's curve, PressureCurve[p] = 255 (p/255)^k with
 * k = ln(70/255) / ln(128/255). */
static inline int StrokePressure(int i) {
    return 140 + (int)(110.0 * sin(i * (6.283185307179586 / 700.0)));
}
static inline int StrokePressureCurve(int p) {
    double k = log(70.0 / 255.0) / log(128.0 / 255.0);
    int v = (int)(255.0 * pow(p * (1.0 / 255.0), k));
    return v < 0 ? 0 : v > 255 ? 255 : v;
}
