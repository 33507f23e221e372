// Ids of the pen's resources: the brush editor's controls.
// Plain #defines only: windres reads this file too.
#pragma once

#define IDC_PENEDIT_PREVIEW     100
#define IDC_PENEDIT_WIDTH       101
#define IDC_PENEDIT_WIDTHSPIN   102
#define IDC_PENEDIT_HEIGHT      103
#define IDC_PENEDIT_HEIGHTSPIN  104
#define IDC_PENEDIT_EDGECOLOUR  105
#define IDC_PENEDIT_TIP0        110

// Strings.
#define IDS_CLONE_NEEDS_SOURCE  1411
#define IDS_STROKE_NO_UNDO      1412
#define IDS_UI_FACE             1201    // the interface face, also the text tool's first face
#define IDS_TEXT_STYLE_FIRST    26400   // the text tool's styles, up to the string " "

// The gradient dialog (dra_tone).
#define IDC_TONE_MODE0          110
#define IDC_TONE_ANGLE          201
#define IDC_TONE_SMOOTH         210
#define IDC_TONE_RANDOM         211
#define IDC_TONE_SLIDER         212

// The pen-pressure dialog (dra_tablet).
#define IDC_TABLET_OPACITY      100
#define IDC_TABLET_DENSITY      101
#define IDC_TABLET_SIZE         102
#define IDC_TABLET_CURVE        110
#define IDC_TABLET_PLUS         120
#define IDC_TABLET_MINUS        121
