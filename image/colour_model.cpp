#include "image/colour_model.h"

namespace {

inline int Max3(int a, int b, int c) { int m = a > b ? a : b; return m > c ? m : c; }
inline int Min3(int a, int b, int c) { int m = a < b ? a : b; return m < c ? m : c; }
inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

void ConvertRgbToHsv(int r, int g, int b, int* h, int* s, int* v, int scaleHue) {
    int mx = Max3(r, g, b), mn = Min3(r, g, b);
    int hue = 0, sat = 0;
    if (mx != 0) {
        int d = mx - mn;
        sat = d * 255 / mx;
        if (sat != 0) {
            int rc = (mx - r) * 255 / d, gc = (mx - g) * 255 / d, bc = (mx - b) * 255 / d;
            int x;
            if (b == mx) x = gc - rc + 1020;
            else if (g == mx) x = rc - bc + 510;
            else x = bc - gc;
            hue = x * 60 / 255;
            if (hue < 0) hue += 360;
        }
    }
    if (scaleHue) hue = hue * 255 / 359;
    *h = hue; *s = sat; *v = mx;
}

void ConvertHsvToRgb(int h, int s, int v, int* r, int* g, int* b, int scaledHue) {
    if (scaledHue) h = h * 359 / 255;
    if (h >= 360) h -= 360;
    if (s == 0) { *r = *g = *b = v; return; }
    int p = (255 - s) * v / 255;
    int f = h * 255 / 60 - (h / 60) * 255;
    int q = (255 - s * f / 255) * v / 255;
    int t = (255 - (255 - f) * s / 255) * v / 255;
    switch (h / 60) {
    case 0: *r = v; *g = t; *b = p; break;
    case 1: *r = q; *g = v; *b = p; break;
    case 2: *r = p; *g = v; *b = t; break;
    case 3: *r = p; *g = q; *b = v; break;
    case 4: *r = t; *g = p; *b = v; break;
    case 5: *r = v; *g = p; *b = q; break;
    default: *r = *g = *b = 0; break;
    }
}

void ConvertRgbToHls(int r, int g, int b, int* h, int* l, int* s, int scaleHue) {
    int mx = Max3(r, g, b), mn = Min3(r, g, b);
    int light = (mx + mn) / 2, hue = 0, sat = 0;
    if (mx != mn) {
        int d = mx - mn;
        sat = light >= 128 ? d * 255 / (510 - mx - mn) : d * 255 / (mx + mn);
        int rc = (mx - r) * 255 / d, gc = (mx - g) * 255 / d, bc = (mx - b) * 255 / d;
        if (r == mx) hue = bc - gc;
        if (g == mx) hue = rc - bc + 510;
        if (b == mx) hue = gc - rc + 1020;
        hue = hue * 60 / 255;
        if (hue < 0) hue += 360;
    }
    if (scaleHue) hue = hue * 255 / 359;
    *h = hue; *l = light; *s = sat;
}

static int HlsValue(int m1, int m2, int a) {
    if (a < 0) a += 360;
    else if (a >= 360) a -= 360;
    if (a < 60) return m1 + a * (m2 - m1) / 60;
    if (a < 180) return m2;
    if (a < 240) return m1 + (m2 - m1) * (240 - a) / 60;
    return m1;
}

void ConvertHlsToRgb(int h, int l, int s, int* r, int* g, int* b, int scaledHue) {
    if (scaledHue) h = h * 359 / 255;
    int m2 = l >= 128 ? l + s - l * s / 255 : l * (s + 255) / 255;
    if (s == 0) { *r = *g = *b = l; return; }
    int m1 = 2 * l - m2;
    *r = HlsValue(m1, m2, h + 120);
    *g = HlsValue(m1, m2, h);
    *b = HlsValue(m1, m2, h - 120);
}

void ConvertRgbToCmy(int r, int g, int b, int* c, int* m, int* y) {
    int cc = 255 - r;
    int gp = g * 255 / (r * 63 / 255 + 192);
    int mm = 255 - gp;
    int yy = 255 - b * 65025 / ((gp * 79 / 255 + 176) * 255);
    *c = Clamp255(cc); *m = Clamp255(mm); *y = Clamp255(yy);
}

void ConvertCmyToRgb(int c, int m, int y, int* r, int* g, int* b) {
    int rr = 255 - c;
    int gg = (c * 192 / 255 - c + 255) * (255 - m) / 255;
    int bb = (c * 255 / 255 - c + 255) * (m * 176 / 255 - m + 255) * (255 - y) / 65025;
    *r = Clamp255(rr); *g = Clamp255(gg); *b = Clamp255(bb);
}

void ConvertRgbToCmyk(int r, int g, int b, int* c, int* m, int* y, int* k) {
    ConvertRgbToCmy(r, g, b, c, m, y);
    int kk = Min3(*c, *m, *y);
    *c -= kk; *m -= kk; *y -= kk; *k = kk;
}

void SyncColourModels(ColourModels* p, int changedModel) {
    switch (changedModel) {
    case 1: ConvertCmyToRgb(p->cyan, p->magenta, p->yellow, &p->red, &p->green, &p->blue); break;
    case 2: ConvertHsvToRgb(p->hsvHue, p->hsvSaturation, p->hsvValue, &p->red, &p->green, &p->blue, 0); break;
    case 3: ConvertHlsToRgb(p->hlsHue, p->hlsLightness, p->hlsSaturation, &p->red, &p->green, &p->blue, 0); break;
    default: break;
    }
    if (changedModel != 2)
        ConvertRgbToHsv(p->red, p->green, p->blue, &p->hsvHue, &p->hsvSaturation, &p->hsvValue, 0);
    if (changedModel != 1)
        ConvertRgbToCmy(p->red, p->green, p->blue, &p->cyan, &p->magenta, &p->yellow);
    if (changedModel != 3)
        ConvertRgbToHls(p->red, p->green, p->blue, &p->hlsHue, &p->hlsLightness, &p->hlsSaturation, 0);
}
