// The brush editor (dialog dra_penedit, "ブラシ"): edits one stored pen's tip
// kind, width and height (fields, spin buttons or a drag in the preview) and
// the edge colour of edge pens; Cancel puts the record back as it was.
#pragma once
#include <windows.h>

// The dialog's result: 1 OK, 0 Cancel or the close box (record restored).
int ShowPenEditDialog(HWND owner, int record);

// The colour chooser the edge-colour button opens (set by the frame): 1 on OK
// with the colour in r, g, b; null: the button does nothing.
extern int (*ChooseColourHook)(HWND owner, int* r, int* g, int* b, const char* caption);
