// The control panel on the right of the frame (CtrlPanelClass, child id 12): the
// host of the colour panel (top, 328 pixels) and the pen option panel below it.
#pragma once
#include <windows.h>

constexpr int kColourPanelHeight = 328;

LRESULT CALLBACK CtrlPanelWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
