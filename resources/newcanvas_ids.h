// Control ids of the new-canvas dialog dra_new (resources/newcanvas.rc).
// Plain #defines only: windres reads this file too.
#pragma once

#define IDC_NEWCANV_WIDTH       100   // width edit
#define IDC_NEWCANV_WIDTHSPIN   101
#define IDC_NEWCANV_HEIGHT      102   // height edit
#define IDC_NEWCANV_HEIGHTSPIN  103
#define IDC_NEWCANV_DPI         300   // resolution edit (dots per inch)
#define IDC_NEWCANV_DPISPIN     301
#define IDC_NEWCANV_UNIT        400   // unit combo box: pixel, mm, inch
#define IDC_NEWCANV_PRESET      420   // paper preset combo box
#define IDC_NEWCANV_LANDSCAPE   440   // owner-drawn orientation buttons
#define IDC_NEWCANV_PORTRAIT    441
#define IDC_NEWCANV_QUICK0      500   // owner-drawn quick buttons 500..503
#define IDC_NEWCANV_QUICK3      503
