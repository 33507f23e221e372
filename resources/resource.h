// Ids shared by the editor's resources and its code: the WM_COMMAND numbering of
// menus, accelerators, tool bars and panels, and the string-table ids.
// Plain #defines only: windres reads this file too.
#pragma once

// File (10000s)
#define CMD_FILE_CLOSE          10000
#define CMD_FILE_EXIT           10001
#define CMD_FILE_NEW            10002
#define CMD_FILE_OPEN           10003
#define CMD_FILE_SAVE           10004
#define CMD_FILE_PRINT          10005
#define CMD_FILE_SAVEAS         10006
#define CMD_FILE_OPENPATH       10007
#define CMD_FILE_FROMCLIPBOARD  10008
#define CMD_FILE_TWAINSOURCE    10010
#define CMD_FILE_CLEARHISTORY   10011
#define CMD_FILE_DARNAXP        10013
#define CMD_FILE_BROWSER        10016
#define CMD_FILE_CAMERA         10019

// View and zoom (11000s)
#define CMD_VIEW_COORDS         11011
#define CMD_VIEW_RULER          11013
#define CMD_VIEW_ZOOMIN         11014
#define CMD_VIEW_ZOOMOUT        11015
#define CMD_VIEW_DIMOUTSIDE     11017
#define CMD_VIEW_GRID           11021
#define CMD_VIEW_EXIF           11022
#define CMD_VIEW_TABLET         11023
#define CMD_VIEW_CTRLPANEL      11024
#define CMD_VIEW_ZOOM_FIRST     11031   // 11031..11045: zoom presets 10 .. 1000 %
#define CMD_VIEW_ZOOM_100       11035
#define CMD_VIEW_ZOOM_LAST      11045

// Window (12000s)
#define CMD_WIN_TILE            12000
#define CMD_WIN_CASCADE         12001
#define CMD_WIN_CLOSEALL        12002
#define CMD_WIN_ARRANGE         12003
#define CMD_WIN_FIT             12004

// Help (13000s)
#define CMD_HELP_INDEX          13000
#define CMD_HELP_ABOUT          13001
#define CMD_HELP_SUPPORT        13002

// Edit (14000s)
#define CMD_EDIT_COPY           14000
#define CMD_EDIT_PASTE          14001
#define CMD_EDIT_PASTELAYER     14002
#define CMD_EDIT_PASTEFILE      14003
#define CMD_EDIT_PASTEFILELAYER 14004
#define CMD_EDIT_CUT            14005
#define CMD_EDIT_TEXTLAYER      14006
#define CMD_EDIT_EXPORT         14007
#define CMD_EDIT_UNDO           14010
#define CMD_EDIT_PARTSSAVE      14011
#define CMD_EDIT_REDO           14012
#define CMD_EDIT_MATERIAL       14013

// Tools and selection (20000-20027, 20500-20521)
#define CMD_TOOL_SELRECT        20001
#define CMD_TOOL_SELLINE        20002
#define CMD_TOOL_SELELLIPSE     20003
#define CMD_TOOL_POLYGON        20004
#define CMD_TOOL_PEN            20005
#define CMD_TOOL_FLOAT          20006
#define CMD_TOOL_COLORREGION    20007
#define CMD_TOOL_POLYLINE       20008
#define CMD_TOOL_EDGELASSO      20009
#define CMD_TOOL_SPLINE         20010
#define CMD_TOOL_PATH           20011
#define CMD_TOOL_LASSO          20012
#define CMD_TOOL_LAYERSELECT    20014
#define CMD_TOOL_DRAWLINE       20015
#define CMD_TOOL_DRAWBOXFILL    20016
#define CMD_TOOL_DRAWELLIPSEFILL 20017
#define CMD_TOOL_DRAWPOLYFILL   20018
#define CMD_TOOL_DRAWBOX        20019
#define CMD_TOOL_DRAWELLIPSE    20020
#define CMD_TOOL_CLONE          20023
#define CMD_TOOL_SELGRADIENT    20024
#define CMD_TOOL_DRAWPOLY       20025
#define CMD_SEL_DESELECT        20500
#define CMD_SEL_ALL             20501
#define CMD_SEL_INVERT          20502
#define CMD_SEL_GROW            20503
#define CMD_SEL_SHRINK          20504
#define CMD_SEL_BLUR            20506
#define CMD_SEL_LAYERAREA       20508
#define CMD_TOOL_SNAPSHOT       20518
#define CMD_TOOL_TRIM           20520

// Image (21000s)
#define CMD_IMG_FILLSEL         21000
#define CMD_IMG_STROKESEL       21001
#define CMD_IMG_CLEAR           21012
#define CMD_IMG_CLEARTRANSP     21014
#define CMD_IMG_INVERT          21015
#define CMD_IMG_INVERTTRANSP    21016
#define CMD_IMG_MERGE           21017
#define CMD_IMG_MERGEBASE       21018
#define CMD_IMG_TONECURVE       21023
#define CMD_IMG_DUPLICATE       21027
#define CMD_IMG_DUPRESIZE       21028
#define CMD_IMG_DUPROTATE       21029
#define CMD_IMG_ROTATE          21032
#define CMD_IMG_BRCONT          21034
#define CMD_IMG_AUTOTONE        21036
#define CMD_IMG_COPYCHANNEL     21038
#define CMD_IMG_PARTSFOLDER     21039
#define CMD_IMG_LAYERFROMSEL    21040
#define CMD_IMG_TEXT            21041
#define CMD_IMG_DARKTOLAYER     21042
#define CMD_IMG_SELTONEW        21045
#define CMD_IMG_CANVASSIZE      21046
#define CMD_IMG_SHAPETOPATH     21048
#define CMD_IMG_EFFECT          21055
#define CMD_IMG_ONDO            21059
#define CMD_IMG_DODGE           21060
#define CMD_IMG_BURN            21061
#define CMD_IMG_MIX             21063
#define CMD_IMG_EXIFCLEAR       21065
#define CMD_IMG_GRADIENTFILL    21066
#define CMD_IMG_CLEARPAPER      21067
#define CMD_IMG_SELCOPY         21068
#define CMD_IMG_STROKELAYERON   21069
#define CMD_IMG_STROKELAYEROFF  21070
#define CMD_IMG_ROTRIGHT        21075
#define CMD_IMG_ROTLEFT         21076

#define CMD_GRADIENTDLG         22000
#define CMD_CHANNELLOCK         22001
#define CMD_PEN_INSIDESEL       22002   // the pen's strokes stay inside a selection (checked)

#define CMD_SELSHADE_FIRST      23000   // 23000..23002
#define CMD_SELSHADE_NEXT       23010

// Layers (25000s)
#define CMD_LAYER_ADD           25000
#define CMD_LAYER_DELETE        25001
#define CMD_LAYER_OPTIONS       25002

// Recent files
#define CMD_RECENT_FIRST        40000   // 40000..40007
#define CMD_RECENT_SEPARATOR    40100

// The TWAIN transfer's packed DIB (message and command 1034)
#define CMD_TWAIN_IMAGE         1034

// Strings
#define IDS_ASK_CLEARHISTORY    1203
#define IDS_NEW_FAILED          1303
#define IDS_CANVAS_FAILED       1304
#define IDS_NO_CLIPBOARD        1305
#define IDS_NO_TWAIN_DSM        1306
#define IDS_NO_TWAIN_SOURCE     1307
#define IDS_SECOND_INSTANCE     1308
#define IDS_NO_PROGRAM_FOLDER   1309
#define IDS_FEW_COLOURS         1310
#define IDS_LOCALE              26210
#include "instruments_ids.h"
