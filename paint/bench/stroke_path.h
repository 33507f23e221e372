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
