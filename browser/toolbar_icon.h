// The picture buttons of the browser's tool bar (class ToolBarIconClass) and
// their tips (class ToolTipClass): each button paints its normal, hover or
// pressed bitmap, shows a tip after the mouse rests on it for half a second,
// and sends its command to the frame when clicked.
#pragma once
#include <windows.h>

// One row of the button table.
struct ToolIconRow {
    int command;          // WM_COMMAND id sent to the frame; -1 separator, -10 end
    const char* bitmap;   // base name of the bitmap resources; "-" paints nothing
};
extern const ToolIconRow kToolIconTable[];

LRESULT CALLBACK ToolBarIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToolTipWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Creates one button per table row in the tool bar dialog and lays them out.
void CreateToolBarIcons(HWND toolbar);
void LayoutToolBarIcons(HWND toolbar);
void DestroyToolBarIcons();
// Where a tip of the given size at (x, y) is moved to stay on the screen.
POINT KeepTipOnScreen(int x, int y, int width, int height, int screenWidth, int screenHeight);
// The open tip window, or null.
HWND CurrentToolTip();
