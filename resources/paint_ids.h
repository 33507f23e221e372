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
