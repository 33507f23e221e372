// Ids of the file host's resources (resources/fileio.rc): the save and open
// messages, the file-dialog texts, the open dialog's preview template, the
// save format warning and the EXIF dialog.
// Plain #defines only: windres reads this file too.
#pragma once

// Strings
#define IDS_SAVE_FAILED         1301   // "保存に失敗しました。"
#define IDS_BAD_FILENAME        1311   // "ファイル名が不正です。"
#define IDS_ASK_OVERWRITE       1312   // "上書きしてよろしいですか？"
#define IDS_DEPTH_2             19000
#define IDS_DEPTH_16            19001
#define IDS_DEPTH_256           19002
#define IDS_DEPTH_FULL          19003
#define IDS_DEPTH_UNKNOWN       19004
#define IDS_PREVIEW_SIZE        20000  // "%d x %dﾋﾟｸｾﾙ %s"
#define IDS_PREVIEW_LAYERS      20001  // "レイヤー枚数 %d"
#define IDS_PREVIEW_NOFILE      20002
#define IDS_FILTER_SHAPE        20003
#define IDS_FILTER_CURVE        20004
#define IDS_FILTER_BITMAP       20006
#define IDS_ALL_FILES           20007  // "すべてのファイル"
#define IDS_PARTS_CHOOSER       20008  // "ファイル選択"
#define IDS_SAVE_WARNING        20009  // the three lines of the save format warning

// dr_fopenhook: the open dialog's preview panel
#define IDC_FOPEN_PREVIEW_CHECK 100
#define IDC_FOPEN_PARTS         101
#define IDC_FOPEN_SIZE          102
#define IDC_FOPEN_PICTURE       103
#define IDC_FOPEN_LAYERS        104

// dra_save: the save format warning (Yes 6, No 7)
#define IDC_SAVEWARN_LIST       100
#define IDC_SAVEWARN_DONTWARN   101

// ivm_exifinfo: the EXIF dialog's list window and divider
#define IDC_EXIF_LIST           900
#define IDC_EXIF_DIVIDER        901
