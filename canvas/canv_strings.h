// The canvas's texts: window titles, layer names and the messages of the
// document window and its commands.
#pragma once

inline constexpr char kCanvUntitled[] = "名前なし";
inline constexpr char kCanvTitleFormat[] = "%s | %s [%d %%]";
inline constexpr char kCanvDoublePrecision[] = "[倍精度]";
inline constexpr char kCanvInfoFormat[] = "[%s] [%dx%d ﾋﾟｸｾﾙ]";
inline constexpr char kCanvBaseLayerName[] = "ベースレイヤー";
inline constexpr char kCanvLayerName[] = "レイヤー";
inline constexpr char kCanvAskSave[] = "画像に変更があります。保存しますか？";
inline constexpr char kCanvBadPartsName[] = "このファイル名は使用できません。";
inline constexpr char kCanvLayerLimit[] = "レイヤー枚数はベースレイヤーを含めて128枚までです。";
inline constexpr char kCanvAddLayerFailed[] = "レイヤーの追加に失敗しました。";
inline constexpr char kCanvNoDeleteBase[] = "ベースレイヤーは削除できません。";
inline constexpr char kCanvNoDeleteBaseShort[] = "ベースレイヤは削除できません";
inline constexpr char kCanvAskDeleteLayer[] =
    "レイヤー[%s]を削除します。\r\nレイヤーを削除すると元に戻せません。よろしいですか？";
inline constexpr char kCanvNoMoveBase[] = "ベースレイヤーを移動させることはできません。";
inline constexpr char kCanvAskClearPlane[] = "このプレーンをクリアします。";
inline constexpr char kCanvAskClearTransp[] = "透明色を初期化します。";
inline constexpr char kCanvAskDarkParts[] = "画像の黒い部分をレイヤー化します。";
inline constexpr char kCanvAskClearExif[] = "Exif情報をクリアします。よろしいですか？";
inline constexpr char kCanvCannotOpen[] = "ファイルを開けません。";
// A save over a read-only file (the path follows).
inline constexpr char kCanvReadOnlyFormat[] = "ファイル\r\n[%s]\r\nは読み取り専用なので保存できません。";
inline constexpr char kCanvCameraSave[] =
    "この画像はデジタルカメラ画像です。\r\n保存場所とファイル名を指定してください。";
inline constexpr char kCanvClipboardError[] = "クリップボードのエラー";
// Refusals of a request the canvas cannot hold.
inline constexpr char kCanvTooLarge[] = "キャンバスの大きさは30000×30000ピクセルまでです。";
inline constexpr char kCanvTooManyLayers[] = "レイヤー枚数はベースレイヤーを含めて128枚までです。";
inline constexpr char kCanvBadRequest[] = "キャンバスの大きさが正しくありません。";
