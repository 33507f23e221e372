// The level gauge of the adjustment panels: a bordered black strip with a
// dotted inverted marker line at the value's place, set by dragging with the
// left button. It tells its parent with WM_COMMAND (its id, GaugeMoved) at
// every change while dragging and (its id, GaugeReleased) when the button is
// let go.
#pragma once
#include <windows.h>

enum : int {
    GaugeMoved = 1,
    GaugeReleased = 2,
};

enum : int {
    GaugeLowerRamp = 1,     // the lower half a grey ramp, dark to light
    GaugeMiddleLine = 2,    // a grey line at the middle
};

// A gauge for values low..high (the marker at x = (width - 1) x (v - low) /
// (high - low)).
HWND CreateGauge(HWND parent, int x, int y, int w, int h, int id, int low, int high, int value, int look);
int GaugeValue(HWND gauge);
// Moves the marker (no notification).
void SetGaugeValue(HWND gauge, int value);
// A bordered strip of colours above a gauge, column x of w painted by
// colour(strip, x, w); a press on it drags that gauge (both share their left
// edge and width). WM_PRINTCLIENT paints it into the given DC.
typedef COLORREF (*StripColour)(HWND strip, int x, int w);
HWND CreateGaugeStrip(HWND parent, int x, int y, int w, int h, int id, HWND gauge, StripColour colour);
// The value a press at client x gives: clamp(x x range / (width - 1), 0,
// range) + low.
int GaugeValueAt(int x, int width, int low, int high);
// The value after a press of the up (1) or down (0) button beside a gauge:
// the next multiple of 4 above or below (division toward zero), kept within
// low..high.
int GaugeStep(int value, int low, int high, int up);
