// The one-level adjustment dialogs: dodge (psv_ooi, level 0..40), burn
// (psv_yaki, 0..40) and colour temperature (psv_ondo, -20..20). Each shows
// the layer over white with a frame the user drags to choose the detail, a
// 1:1 preview of that detail at the chosen level, and applies to the layer
// as it was at opening (Apply does not compound), with Revert, the effect
// pen and Close.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

enum : int {
    LevelIdView = 1000,         // in the dialog; the rest in its panel
    LevelIdPicture = 1001,
    LevelIdStrip = 1000,        // colour temperature: the grey strip above the gauge
    LevelIdSlider = 1110,
    LevelIdText = 1130,
    LevelIdUp = 1140,
    LevelIdDown = 1150,
    LevelIdPen = 19997,
};

enum LevelKind : int { LevelDodge = 0, LevelBurn = 1, LevelOndo = 2 };

// Nonzero when an application was made (the document is then changed).
INT_PTR OpenLevelDialog(HWND parent, CanvDoc* doc, LevelKind kind);
// The level's next value for the up (1) or down (0) button.
int LevelStep(LevelKind kind, int level, int up);
int LevelApplyCount();
// Sets the level as the slider would (tests).
void SetLevelForTest(HWND dialog, int level);
// What the open dialog shows (tests): the overview, the picture of the
// preview control and the detail's origin on the layer.
struct LevelPreviewProbe {
    const VmsImage* overview;
    const VmsImage* shown;
    int detailX, detailY;
    int frameX, frameY;          // the frame on the overview
};
LevelPreviewProbe LevelPreviewForTest();

// Window procedure of the preview class (registered by the frame at start).
LRESULT CALLBACK LevelViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
