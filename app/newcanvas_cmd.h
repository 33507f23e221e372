// The frame's File > New: the new-canvas dialog opens with the size and
// resolution remembered in EnvBlock, and OK makes the request of a blank canvas
// of the chosen size and remembers it there.
#pragma once
#include <windows.h>

// The dialog over the frame. 1 when the request is ready (one layer of the
// chosen size at 24 bits with one plane besides the colour plane, blank origin,
// the chosen resolution) and EnvBlock holds the new size; 0 on Cancel (nothing
// changed).
int PrepareNewCanvas(HWND frame);
