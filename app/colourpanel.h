// The colour panel of the control panel: the host dialog dra_cpanel_color with its
// title strip, the picker page da00_ctrl1sub (gauges of the gauge model, the
// hue-saturation field, the value bar, R G B H S V fields and the swatch) and the
// palette grid da00_ctrl1pal of 56 PalPokClass cells. It edits PenColour
// (image/pen_colour.h) directly. Owns the palette entries' layout in the palette
// block of pal.env.
#pragma once
#include <windows.h>

// Palette entries: 56 records of 48 bytes laid out like PenColour, at the start
// of the palette block (offset 48 x i); a cell uses the first three ints (R, G, B).
constexpr int kPaletteCells = 56;
constexpr int kPaletteEntryBytes = 48;
constexpr int kPaletteEntryOffset = 0;
void GetPaletteRgb(int index, int* red, int* green, int* blue);
void SetPaletteRgb(int index, int red, int green, int blue);

// Message to the host before and after an outside change of PenColour.
constexpr UINT kMsgColourChanging = WM_USER + 9;

// Creates the host as a child of the control panel (remembered in
// AppWindows.colourPanel and as the colour panel of EnablePanels).
HWND CreateColourPanel(HWND parent);
// The picker page and the host's palette grid of the panel (null when none).
HWND ColourPickerPage();
HWND ColourPanelGrid(HWND pageOrHost);

// Cell rectangle i of a grid of client size w x h (8 columns of 7, by column).
RECT PaletteCellRect(int index, int w, int h);

INT_PTR CALLBACK ColourPanelDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK ColourPickerDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK PaletteGridDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK PalPokWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
