// Conversions between the colour models the editor shows: RGB, HSV, HLS and
// the ink model CMY (CMYK for separations). Integers 0..255; hues in degrees
// 0..359, or on 0..255 when the scale flag is set.
#pragma once

void ConvertRgbToHsv(int r, int g, int b, int* h, int* s, int* v, int scaleHue);
void ConvertHsvToRgb(int h, int s, int v, int* r, int* g, int* b, int scaledHue);
void ConvertRgbToHls(int r, int g, int b, int* h, int* l, int* s, int scaleHue);
void ConvertHlsToRgb(int h, int l, int s, int* r, int* g, int* b, int scaledHue);
void ConvertRgbToCmy(int r, int g, int b, int* c, int* m, int* y);
void ConvertCmyToRgb(int c, int m, int y, int* r, int* g, int* b);
void ConvertRgbToCmyk(int r, int g, int b, int* c, int* m, int* y, int* k);

// The twelve values of the pen colour, in this order: red, green, blue; HSV
// hue, saturation, value; cyan, magenta, yellow; HLS hue, lightness,
// saturation (hues 0..359).
struct ColourModels {
    int red, green, blue;
    int hsvHue, hsvSaturation, hsvValue;
    int cyan, magenta, yellow;
    int hlsHue, hlsLightness, hlsSaturation;
};
static_assert(sizeof(ColourModels) == 48, "twelve 32-bit values");

// Recomputes the other models from the one that changed (0 RGB, 1 CMY, 2 HSV,
// 3 HLS); the changed model keeps its values. The pen colour's owner frees its
// cached colour images and redraws the swatch around this.
void SyncColourModels(ColourModels* colour, int changedModel);
