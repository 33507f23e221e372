// The owner-drawn items of the adjustment panels: the up and down buttons
// (the bitmaps "num_up" and "num_down", drawn 2 pixels lower and to the right
// while pressed), the labels and value texts on the panel colour, and the
// choice buttons (levels, model, preview, rotation type) drawn pressed while
// they are the current choice. The panel that holds them passes its
// WM_DRAWITEM to DrawPanelItem.
#pragma once
#include <windows.h>

enum PanelItemKind : int {
    PanelItemArrow = 1,     // text: the bitmap's name
    PanelItemLabel = 2,     // text shown centred on the panel colour
    PanelItemChoice = 3,    // a button with its text, pressed while chosen
};

HWND CreatePanelItem(HWND parent, PanelItemKind kind, const char* text, int x, int y, int w, int h, int id);
// Choice buttons: drawn pressed (1) or raised (0); repainted on a change.
void SetPanelItemPressed(HWND item, int pressed);
int PanelItemPressed(HWND item);
inline void SetPanelItemPressed(HWND parent, int id, int pressed) { SetPanelItemPressed(GetDlgItem(parent, id), pressed); }
// Labels and values: a new text, repainted.
void SetPanelItemText(HWND item, const char* text);
// Draws an item of this unit; 0 when the item is not one of them.
int DrawPanelItem(const DRAWITEMSTRUCT* item);
