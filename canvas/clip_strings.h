// The texts of the clipboard, the rulers and the canvas and layer dialogs.
#pragma once

inline constexpr char kClipNoMemory[] = "メモリーが不足しました。";
inline constexpr char kClipError[] = "クリップボードのエラー";
inline constexpr char kClipCannotOpen[] = "クリップボードを開けません。";
inline constexpr char kMaterialFolderTitle[] = "素材フォルダ";
inline constexpr char kClipUnreadable[] = "クリップボードの画像は読み込めない形式です。";
inline constexpr char kCanvSizeBelowOne[] = "変更後のサイズが０以下になりますので中止します。";
inline constexpr char kCanvSizeTooLarge[] = "変更後のサイズが30000ピクセルを超えますので中止します。";
inline constexpr char kLayerNameMissing[] = "レイヤー名が入力されていません";
inline constexpr char kSourceSizeFormat[] = "元の画像の大きさ:%d x %d";
inline constexpr char kGridColourCaption[] = "グリッドの色";
inline constexpr char kCanvListFull[] = "キャンバスサイズは45個まで登録できます。";
inline constexpr char kCanvListAskDelete[] = "選択したキャンバスサイズを削除しますか？";
