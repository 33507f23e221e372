// The program's own modal colour chooser (template colorseldlg): the colour in
// RGB and HSV as fields with spin controls, a hue-saturation field, a value bar,
// three channel bars, a swatch and a pocket of 20 stored colours kept in
// coldlg.dat in the program folder. Owns the stored colours and the dialog state.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr int kStoredColourCount = 30;     // coldlg.dat: 30 COLORREFs, 120 bytes
constexpr int kPocketCells = 20;           // entries 0..19 are shown
extern uint32_t StoredColours[kStoredColourCount];

// Shows the chooser over the owner with the caption; on OK writes the colour to
// r, g, b and saves the stored colours. Returns 1.
int ChooseColour(HWND owner, int* r, int* g, int* b, const char* caption);
// Reads "%scoldlg.dat" when it is whole (120 bytes of sound entries; any other
// file leaves the store as it is); writes it through a temporary file (0 on failure).
void LoadStoredColours();
int SaveStoredColours();

// The dialog's current colour (for the dialog's own windows and tests).
struct ChooserColour {
    int r, g, b;
    int h, s, v;
};
extern ChooserColour ChooserState;

INT_PTR CALLBACK ColourChooserDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
