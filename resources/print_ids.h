// Ids of the printing and parts-box resources (resources/print.rc).
// Plain #defines only: windres reads this file too.
#pragma once

// psv_prt: the print dialog (its children are made in code)
#define IDC_PRT_VIEW            1000
#define IDC_PRT_MODE_NORMAL     2000
#define IDC_PRT_MODE_STICKER    2001
// psv_prtbase / psv_prtbase2: the settings panels
#define IDC_PRT_SETUP           100
#define IDC_PRT_PRINT           101
#define IDC_PRT_PAPERS          150
#define IDC_PRT_WIDTH           301
#define IDC_PRT_WIDTH_SPIN      302
#define IDC_PRT_WIDTH_UNIT      303
#define IDC_PRT_HEIGHT          310
#define IDC_PRT_HEIGHT_SPIN     311
#define IDC_PRT_HEIGHT_UNIT     312
#define IDC_PRT_COPIES          330
#define IDC_PRT_COPIES_SPIN     331
#define IDC_PRT_UNIT_MM         340
#define IDC_PRT_UNIT_INCH       341
#define IDC_PRT_LEFT            351
#define IDC_PRT_LEFT_SPIN       352
#define IDC_PRT_LEFT_UNIT       353
#define IDC_PRT_TOP             360
#define IDC_PRT_TOP_SPIN        361
#define IDC_PRT_TOP_UNIT        362
#define IDC_PRT_FIT             370
#define IDC_PRT_CENTRE          371
