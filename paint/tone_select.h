// The tone selector: a base window (ToneSelBaseClass) holding seven swatches
// (ToneSelClass, 96 x 96, child ids 0..6), swatch i painting the fade of tone
// mode i (the ramps 0..6 of c_ToneMask) as grey, dark where the mask is
// strong. A click on a swatch makes its mode the only tone choice (the screen
// tone goes off) and repaints every swatch; the chosen one wears a red frame.
#pragma once
#include <windows.h>

constexpr int kToneSwatchCount = 7;
constexpr int kToneSwatchSize = 96;

LRESULT CALLBACK ToneSelBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToneSelWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Registers both classes with these procedures unless they exist already
// (the frame registers them with the program's other classes).
void RegisterToneSelectorClasses(HINSTANCE instance);
