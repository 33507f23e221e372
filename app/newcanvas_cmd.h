// The frame's side of the new-canvas dialog: the dialog opens with the size and
// resolution remembered in EnvBlock, and OK remembers the chosen ones there.
#pragma once
#include <windows.h>

// The new-canvas dialog over the owner. 1 on OK, with the new-canvas request's
// first layer and resolution filled in and EnvBlock's new-canvas width, height
// and resolution set to them; 0 on Cancel (nothing changed).
int AskNewCanvasSize(HWND owner);
