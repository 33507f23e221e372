// Texts of the selection tools (message boxes, captions, pop-up menus).
#pragma once

#include "ui/msgbox.h"

inline constexpr const char* kSelAppTitle = kAppTitle;
inline constexpr char kSelNoMemory[] = "メモリーが不足しました。";
inline constexpr char kSelNoClipboard[] = "クリップボードにデータがありません。";
inline constexpr char kSelEscToStop[] = "[esc]で中断できます";
// The amount dialog's captions.
inline constexpr char kSelGrowCaption[] = "領域を太らせる";
inline constexpr char kSelShrinkCaption[] = "領域を痩せさせる";
inline constexpr char kSelBlurCaption[] = "領域をぼかす";
// The area menu near the selection.
inline constexpr char kSelMenuCopy[] = "コピー(&C)\tCtrl+C";
inline constexpr char kSelMenuPaste[] = "貼り付け(&P)\tCtrl+V";
inline constexpr char kSelMenuAll[] = "すべて選択(&A)";
inline constexpr char kSelMenuNone[] = "選択の解除(&D)";
inline constexpr char kSelMenuTrim[] = "トリミング(&T)";
// The floating image's menu.
inline constexpr char kSelMenuPlace[] = "貼り付け";
inline constexpr char kSelMenuOwnSize[] = "元のサイズ";
inline constexpr char kSelMenuCancel[] = "キャンセル";
// Point menus of polygons, polylines, splines and paths.
inline constexpr char kSelMenuAddPoint[] = "ポイント追加";
inline constexpr char kSelMenuDeletePoint[] = "ポイント削除";
// The layer menu of the layer-move tool.
inline constexpr char kSelMenuLayerOptions[] = "レイヤーオプション...";
inline constexpr char kSelMenuToFront[] = "最前面へ";
inline constexpr char kSelMenuForward[] = "一つ前へ";
inline constexpr char kSelMenuToBack[] = "最背面へ";
inline constexpr char kSelMenuBackward[] = "一つ後ろへ";
inline constexpr char kSelMenuDelete[] = "削除...";
