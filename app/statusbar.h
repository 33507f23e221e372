// The status bar at the bottom of the frame: one message line with an optional
// progress bar (StatusMessage, WM_USER with a code in wParam), the coordinate box
// and the zoom box with its preset menu. Owns the lines and the readouts.
#pragma once
#include <windows.h>

struct StatusBarStateRecord {
    char line[512];        // text shown
    char saved[512];       // text code 0 brings back
    int percent;           // progress bar, 0 = none
    int startX, startY;    // start point of a rectangle readout (code 6)
    char coords[64];       // item 110
    char zoom[64];         // item 111
    int lastX, lastY;      // last position given to StatusBarSetPos
    int textEnd;           // x where the line ended when last painted
    int repaints;          // times the message line was repainted
};
extern StatusBarStateRecord StatusBarState;

// Items of the bar.
constexpr int kStatusCoordsItem = 110;
constexpr int kStatusZoomItem = 111;

// The zoom presets of the zoom box's menu (ids 1..15).
constexpr int kZoomPresetCount = 15;
extern const int kZoomPresets[kZoomPresetCount];
// The zoom box's pop-up menu; the caller destroys it.
HMENU CreateZoomPresetMenu();

// The readouts the canvas feeds (through its CanvasHost callbacks): the cursor's
// image position, and the zoom of a canvas that changed (or became active).
void StatusBarSetPos(int x, int y);
void StatusBarSetZoom(HWND canvas);
// The zoom readout of the document that reported it.
void StatusBarSetZoomPercent(int percent);

// Where the progress bar is painted (bar coordinates): the full 300-pixel
// bitmap and the covered part start at textEnd + 8.
RECT StatusProgressRect();

LRESULT CALLBACK StatusBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
