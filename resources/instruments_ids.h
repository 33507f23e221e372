// Resource ids of the frame's bars, status bar, small dialogs, control panel,
// colour panel and colour chooser. Plain #defines only: windres reads this file.
#pragma once

#define IDS_STATUS_COORDS       15000   // "[座標]"
#define IDS_STATUS_ZOOM         15001   // "  ズーム"
#define IDS_STATUS_READING      15002
#define IDS_STATUS_WRITING      15003
#define IDS_STATUS_WORKING      15004
#define IDS_STATUS_AREA         15007
#define IDS_TIP_FORMAT          16000   // "■%s"
#define IDS_TOOLTIP_FIRST       26800   // 26800 + index of the second tool bar

// Camera input (dra_camerainp)
#define IDC_CAMERA_SOURCE       100
#define IDC_CAMERA_NAME         101
#define IDC_CAMERA_DEVICE       102

// Colour panel host (dra_cpanel_color) and its pages
#define IDC_CPANEL_STRIP        888
#define IDC_CPANEL_TAB_FIRST    8000    // 8000..8002
#define IDC_PICK_SWATCH         300
#define IDC_PICK_GAUGE_FIRST    110     // 110..112
#define IDC_PICK_GLABEL_FIRST   120     // 120..122
#define IDC_PICK_HSVLABEL_FIRST 123     // 123..125
#define IDC_PICK_FIELD          101
#define IDC_PICK_VALUE          102
#define IDC_PICK_MODEL          200
#define IDC_PICK_EDIT_FIRST     400     // 400 R, 402 G, 404 B, 406 H, 408 S, 410 V; spins +1

// Colour chooser (colorseldlg)
#define IDC_CSEL_FIELD          100
#define IDC_CSEL_VALUE          101
#define IDC_CSEL_BAR_FIRST      102     // 102..104
#define IDC_CSEL_HSV_FIRST      105     // 105..107 H, S, V
#define IDC_CSEL_RGB_FIRST      108     // 108..110 R, G, B
#define IDC_CSEL_SWATCH         111
#define IDC_CSEL_HSVSPIN_FIRST  112     // 112..114
#define IDC_CSEL_RGBSPIN_FIRST  115     // 115..117
#define IDC_CSEL_POCKET_FIRST   500     // 500..519
