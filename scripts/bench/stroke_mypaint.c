/* The libmypaint side of the stroke benchmark: the same 10,000 dabs (same
 * path, diameter 64, hardness 0.5, opacity 1) on its fixed tiled surface, in
 * colour (draw_dab) and as a blur (get_color under the dab, then draw_dab of
 * that colour, libmypaint's smudge). Prints dabs per second. */
#include <mypaint-fixed-tiled-surface.h>
#include <math.h>
#include <stdio.h>
#include <time.h>

#include "stroke_path.h"

static double Seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

static double Run(MyPaintSurface* s, int blur) {
    double t0 = Seconds();
    for (int i = 0; i < STROKE_DABS; i += 10) {
        mypaint_surface_begin_atomic(s);
        for (int k = i; k < i + 10; ++k) {
            double x, y;
            float r = 40 / 255.0f, g = 90 / 255.0f, b = 200 / 255.0f, a;
            StrokeDabCentre(k, &x, &y);
            if (blur) mypaint_surface_get_color(s, (float)x, (float)y, STROKE_DIAMETER / 2.0f, &r, &g, &b, &a);
            mypaint_surface_draw_dab(s, (float)x, (float)y, STROKE_DIAMETER / 2.0f, r, g, b, 1.0f, 0.5f, 1.0f,
                                     1.0f, 0.0f, 0.0f, 0.0f);
        }
        MyPaintRectangle roi;
        mypaint_surface_end_atomic(s, &roi);
    }
    return Seconds() - t0;
}

/* The pressure stroke: each dab's radius and opacity from the scripted
 * pressure, as our pen takes them (radius x pressure / 255, at least 0.5;
 * opacity through the pressure curve). */
static double RunPressure(MyPaintSurface* s) {
    double t0 = Seconds();
    for (int i = 0; i < STROKE_DABS; i += 10) {
        mypaint_surface_begin_atomic(s);
        for (int k = i; k < i + 10; ++k) {
            double x, y;
            int p = StrokePressure(k);
            float radius = (STROKE_DIAMETER - 1) / 2.0f * p / 255.0f;
            if (radius < 0.5f) radius = 0.5f;
            StrokeDabCentre(k, &x, &y);
            mypaint_surface_draw_dab(s, (float)x, (float)y, radius, 200 / 255.0f, 60 / 255.0f, 40 / 255.0f,
                                     StrokePressureCurve(p) / 255.0f, 0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
        }
        MyPaintRectangle roi;
        mypaint_surface_end_atomic(s, &roi);
    }
    return Seconds() - t0;
}

int main(void) {
    MyPaintFixedTiledSurface* surface = mypaint_fixed_tiled_surface_new(STROKE_WIDTH, STROKE_HEIGHT);
    MyPaintSurface* s = (MyPaintSurface*)surface;
    double colour = Run(s, 0);
    double blur = Run(s, 1);
    printf("mypaint colour: %.0f dabs/s\n", STROKE_DABS / colour);
    printf("mypaint blur: %.0f dabs/s\n", STROKE_DABS / blur);
    double pressure = RunPressure(s);
    printf("mypaint pressure: %.0f dabs/s\n", STROKE_DABS / pressure);
    mypaint_surface_unref(s);
    return 0;
}
