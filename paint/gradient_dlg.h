// The gradient dialog (dra_tone): seven buttons that preview and choose the
// ramps of the tone mask, the angle of the angled ramp with its field and
// slider, and the choice between a smooth ramp and a random dither.
#pragma once
#include <windows.h>

// Modal; 1 OK, 0 Cancel. The choice stays in effect either way.
int ShowGradientDialog(HWND owner);
// The slider's angle for a press at x in a slider of the given width.
int GradientSliderAngle(int x, int width);
