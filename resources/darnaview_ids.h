// Resource ids of the image browser darnaview (resources/darnaview.rc): its
// commands, strings and dialog items. Plain #defines only: windres reads this
// file too.
#pragma once

// Commands (menu IvmMenu, cell menu ivm_submenu, accelerators daAccel).
#define IDM_BV_EXIT            100
#define IDM_BV_COMPANION       101
#define IDM_BV_BATCH           102
#define IDM_BV_PRINT           103
#define IDM_BV_INDEXPRINT      104
#define IDM_BV_COPY            200
#define IDM_BV_DELETE          201
#define IDM_BV_SELECTALL       202
#define IDM_BV_INVERT          203
#define IDM_BV_RENAME          204
#define IDM_BV_UNSELECT        205
#define IDM_BV_SEARCH          206
#define IDM_BV_FULLVIEW        301
#define IDM_BV_INFO            303
#define IDM_BV_ROTATE          304
#define IDM_BV_SIZE_SMALL      400
#define IDM_BV_SIZE_NORMAL     401
#define IDM_BV_SIZE_LARGE      402
#define IDM_BV_SIZE_CUSTOM     403
#define IDM_BV_SORT_FIRST      700
#define IDM_BV_SORT_LAST       705

// Strings.
#define IDS_BV_UIFONT          1000
#define IDS_BV_ALLFILES        1010
#define IDS_BV_TYPE_LABEL      1011
#define IDS_BV_TOPMOST_LABEL   1012
#define IDS_BV_TITLE           1013
#define IDS_BV_UIFACE          1201
#define IDS_BV_SELCOUNT        2000
#define IDS_BV_FILECOUNT       2001
#define IDS_BV_ASK_DELETE      3000
#define IDS_BV_RENAME_KIND     3010
#define IDS_BV_TIP_FIRST       4000

// Items of the tool bar dialog ivm_toolbar.
#define IDC_BV_FILETYPE        100
#define IDC_BV_HISTORY         101
#define IDC_BV_TOPMOST         105
// Items of the small dialogs.
#define IDC_BV_EDIT            100
#define IDC_BV_SPIN            101
#define IDC_BV_RENAME_KIND     101
#define IDC_BV_LIST            100
#define IDC_BV_ROT_LEFT        100
#define IDC_BV_ROT_RIGHT       101
#define IDC_BV_ROT_HALF        102

// Strings of the full view.
#define IDS_BV_ZOOM_FIT        3012

// Items of the batch conversion dialog dpj_xfer.
#define IDC_BV_XFER_FOLDERBTN  100
#define IDC_BV_XFER_FOLDER     101
#define IDC_BV_XFER_FORMATS    102
#define IDC_BV_XFER_RESIZE     103
#define IDC_BV_XFER_WIDTH      110
#define IDC_BV_XFER_WSPIN      111
#define IDC_BV_XFER_HEIGHT     120
#define IDC_BV_XFER_HSPIN      121

// Items of the full view's bar ivm_disp.
#define IDC_BV_DISP_ZOOM       100
#define IDC_BV_DISP_CLOSE      101
#define IDC_BV_DISP_PREV       110
#define IDC_BV_DISP_NEXT       111
#define IDC_BV_DISP_AUTO       112
#define IDC_BV_DISP_INTERVAL   120
#define IDC_BV_DISP_ISPIN      121
#define IDC_BV_DISP_ILABEL     122

// Items of the single-print dialog dra_print.
#define IDC_BV_PR_PREVIEW      100
#define IDC_BV_PR_WIDTH        101
#define IDC_BV_PR_WSPIN        102
#define IDC_BV_PR_WUNIT        103
#define IDC_BV_PR_HEIGHT       110
#define IDC_BV_PR_HUNIT        111
#define IDC_BV_PR_DPI          112
#define IDC_BV_PR_DPISPIN      113
#define IDC_BV_PR_COPIES       120
#define IDC_BV_PR_CSPIN        121
#define IDC_BV_PR_MM           122
#define IDC_BV_PR_INCH         123
#define IDC_BV_PR_SETUP        124
#define IDC_BV_PR_LEFT         125
#define IDC_BV_PR_LSPIN        126
#define IDC_BV_PR_LUNIT        127
#define IDC_BV_PR_TOP          130
#define IDC_BV_PR_TSPIN        131
#define IDC_BV_PR_TUNIT        132
#define IDC_BV_PR_FIT          140
#define IDC_BV_PR_CENTRE       141
// Items of the index-print dialog dra_indexprint (and 124 print setup).
#define IDC_BV_IX_PREVIEW      100
#define IDC_BV_IX_COLS         150
#define IDC_BV_IX_CSPIN        151
#define IDC_BV_IX_ROWS         152
#define IDC_BV_IX_RSPIN        153
#define IDC_BV_IX_CAPTION0     300
#define IDC_BV_IX_CAPTION5     305
#define IDC_BV_IX_FAST         400

// Items of the search result dialog dra_filelist.
#define IDC_BV_FL_NAMES        100
#define IDC_BV_FL_JUMP         101
#define IDC_BV_FL_THUMBS       102
#define IDC_BV_FL_NAMEVIEW     103
#define IDC_BV_FL_SORT         110
#define IDC_BV_FL_STRIP        400

// Items of the title box dra_title.
#define IDC_BV_TITLE_LIST      100
#define IDC_BV_TITLE_NOMORE    101
