// Colour blends straight on a device context for the frame's bars and panels:
// a rectangle tinted toward one colour by a fixed weight or by a ramp. Inclusive
// corners; the pixels are read from the DC, blended and written back.
#pragma once
#include <windows.h>

// weight 0 leaves the pixels, 255 gives the colour.
void TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight);
// mode 0: weight 128 x k / h down the rows; 1: 128 x k / w across the columns;
// any other value: that constant weight.
void GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int mode);
