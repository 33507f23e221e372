// The image-mix dialog (psv_mix): the selected part of another open canvas
// placed on the target canvas as a new layer, at an opacity, a size and a
// position the user chooses (dragging in the preview), optionally through a
// screen-tone pattern. The new layer is picked for the layer-move tool.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

enum : int {
    MixIdView = 1000,
    MixIdList = 100,
    MixIdOpacityGauge = 110,
    MixIdSizeGauge = 111,
    MixIdOpacity = 120,
    MixIdSize = 121,
    MixIdPattern0 = 1010,       // .. 1017: none, then the seven patterns
    MixPatternCount = 8,
    MixMaxCandidates = 100,
};

// 1 when OK placed the new layer, 0 when nothing was done (Cancel, or no
// image from the chosen canvas). Without another open canvas a message says
// so and 0 is returned.
INT_PTR OpenMixDialog(HWND parent, CanvDoc* target);

// EnumChildWindows callback over the MDI client's children: each document
// window other than the target's is a candidate (at most 100).
BOOL CALLBACK EnumMixCandidates(HWND wnd, LPARAM lp);
INT_PTR CALLBACK MixDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK MixBaseDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
// The preview's window procedure (class MixViewClass): paint and position drag.
LRESULT CALLBACK MixViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
void PaintMixPreview(HWND view, HDC dc);

// The choices of the dialog while it runs (and after it ended): for the tests
// and the caller.
struct MixChoice {
    int candidates;             // canvases offered
    int chosen;                 // index among them
    int opacity;                // percent
    int size;                   // percent
    int pattern;                // 0 none, 1..7
    int offsetX, offsetY;       // of the placed image, target pixels
    int placedWidth, placedHeight;   // the placed image's size (0 before the first preview)
};
MixChoice GetMixChoice();
