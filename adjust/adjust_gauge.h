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
// The value a press at client x gives: clamp(x x range / (width - 1), 0,
// range) + low.
int GaugeValueAt(int x, int width, int low, int high);
