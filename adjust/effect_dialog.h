// The effects dialog (psv_efct): the overview of the layer over white on the
// left with the frame of the detail the user drags, the effect chosen from
// the effect table, its five strength levels and a 1:1 preview of the effect
// on the detail at the right, Apply (compounding, one undo step each),
// Revert, the effect pen and Close.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// Control ids of the dialog.
enum : int {
    EffectIdList = 100,
    EffectIdView = 1000,
    EffectIdDetail = 1001,
    EffectIdLevel0 = 1400,       // .. 1404
    EffectIdPreview = 1500,
    EffectIdRevert = 19998,
    EffectIdPen = 19997,
    EffectIdApply = 19999,
};

// Opens the dialog on the canvas (its base layer's image plane); the result
// is the dialog's (1 closed with Close, 0 with the close box).
INT_PTR OpenEffectDialog(HWND parent, CanvDoc* doc);
// Applications the Revert button can still take back (for tests).
int EffectApplyCount();

// What the open dialog shows (tests): the overview, the picture of the
// preview control and the detail's origin on the layer and on the overview.
struct EffectPreviewProbe {
    const VmsImage* overview;
    const VmsImage* shown;
    int detailX, detailY;
    int frameX, frameY;
};
EffectPreviewProbe EffectPreviewForTest();

// Window procedure of the preview class (registered by the frame at start).
LRESULT CALLBACK EffectViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
