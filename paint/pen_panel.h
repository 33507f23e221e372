// The pen option panel (window class "dra_panel_opt"): tabs "ブラシ",
// "コロコロペン" and "ファンシーペン", the pen list of 30 stored pens
// (SelPenBaseClass with SelPenPenClass cells) and the line-width page
// (psv_pensize) of the shape tools. The control panel creates it.
#pragma once
#include <windows.h>

#include <cstdint>

// Message to the panel: wParam 1 while a line or outline shape tool is
// current (the brush tab shows the line-width page), else 0.
constexpr UINT kPenPanelSubMode = WM_USER + 15;

constexpr int kPenListCells = 30;
constexpr int kPenCellSize = 48;

// Procedures of the pen list and its cells (the frame may register their
// classes itself, with its own backgrounds).
LRESULT CALLBACK SelPenBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK SelPenPenWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Registers the panel's window classes that are not registered yet.
void RegisterPenPanelClasses(HINSTANCE instance);
// The panel as a child of parent (the control panel), or null.
HWND CreatePenOptionPanel(HWND parent);

// Remembered panel rectangle, packed as top << 16 | left and height << 16 |
// width (16-bit halves, each signed); the frame copies them to and from its
// settings.
extern uint32_t PenPanelPos;
extern uint32_t PenPanelSize;
// The rectangle the packed values stand for, pulled left so that it ends
// inside the screen width and up so that its top is at most screen height - 64.
RECT UnpackPenPanelRect(uint32_t pos, uint32_t size, int screenWidth, int screenHeight);
uint32_t PackPenPanelWords(int low, int high);

// Line width (1..100) and line shape (0 round, 1 square) of the shape tools.
extern int PenLineWidth;
extern int PenLineShape;
// Frame timer: writes the line width into the page's field when it differs.
void RefreshPenSizeField();
void SetPenPanelCaption(HWND wnd);

// Tests and the frame: the panel's current tab and sub-mode.
int PenPanelTab();
int PenPanelSubModeValue();
// Layout of the pen list for a client of that size at scroll position
// scroll: columns, rows, visible rows and the clamped scroll position.
struct PenListLayout {
    int columns, rows, visibleRows, scroll;
};
PenListLayout ComputePenListLayout(int width, int height, int scroll);
// "%d x %d" label of a stored pen in a cell, empty when the pen fits.
void PenCellLabel(int record, char* text, int size);

// Called when a pen cell is chosen (the frame presses the pen tool and the
// canvas prepares its stroke layer); may be null.
extern void (*PenChosenHook)(int record);
