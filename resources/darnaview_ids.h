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
