#include "fileio/exif_tags.h"

#include <cstring>

namespace {

// ---------------------------------------------------------------------------
// TIFF baseline tags of IFD0 and IFD1.
const uint32_t kTiffTags[] = {
    254, 255, 256, 257, 258, 259, 262, 266, 274, 277, 284, 530, 531, 282, 283, 296, 273, 278,
    279, 513, 514, 301, 318, 319, 529, 532, 306, 270, 271, 272, 305, 315, 33432, 34665, 34853,
};
const char* const kTiffNames[] = {
    "NewSubfileType", "SubfileType", "ImageWidth", "ImageLength", "BitsPerSample", "Compression",
    "PhotometricInterpretation", "FillOrder", "Orientation", "SamplesPerPixel", "PlanarConfiguration",
    "YCbCrSubSampling", "YCbCrPositioning", "XResolution", "YResolution", "ResolutionUnit",
    "StripOffsets", "RowsPerStrip", "StripByteCounts", "JPEGInterchangeFormat",
    "JPEGInterchangeFormatLength", "TransferFunction", "WhitePoint", "PrimaryChromaticities",
    "YCbCrCoefficients", "ReferenceBlackWhite", "DateTime", "ImageDescription", "Make", "Model",
    "Software", "Artist", "Copyright", "ExifIFDPointer", "GPSInfoIFDPointer",
};
const IfdTagRow kTiffRows[] = {
    {"NewSubfileType", "サブファイルの種類"},
    {"SubfileType", "サブファイルの種類（旧）"},
    {"ImageWidth", "画像の幅（ピクセル）"},
    {"ImageLength", "画像の高さ（ピクセル）"},
    {"BitsPerSample", "画像のビットの深さ"},
    {"Compression", "圧縮の種類"},
    {"PhotometricInterpretation", "画素構成"},
    {"FillOrder", "ビットの並び"},
    {"Orientation", "画像方向"},
    {"SamplesPerPixel", "コンポーネント数"},
    {"PlanarConfiguration", "画素の並び"},
    {"YCbCrSubSampling", "YCCの画素構成（Cの間引き率）"},
    {"YCbCrPositioning", "画素の位置構成"},
    {"XResolution", "画像の幅方向の解像度（ピクセル）"},
    {"YResolution", "画像の高さ方向の解像度（ピクセル）"},
    {"ResolutionUnit", "解像度の単位"},
    {"StripOffsets", "画像データのロケーション"},
    {"RowsPerStrip", "ストリップ中のライン数"},
    {"StripByteCounts", "ストリップのデータ量"},
    {"JPEGInterchangeFormat", "JPEGのSOIへのオフセット"},
    {"JPEGInterchangeFormatLength", "JPEGデータのバイト数"},
    {"TransferFunction", "再生階調カーブ特性"},
    {"WhitePoint", "参照白色点の色度座標値"},
    {"PrimaryChromaticities", "原色の色度座標値"},
    {"YCbCrCoefficients", "色変換マトリクス係数"},
    {"ReferenceBlackWhite", "参照黒色点値と参照白色点値"},
    {"DateTime", "ファイル変更日時"},
    {"ImageDescription", "画像タイトル"},
    {"Make", "メーカ"},
    {"Model", "モデル"},
    {"Software", "使用したソフトウェア"},
    {"Artist", "作者"},
    {"Copyright", "撮影著作権者／編集著作権者"},
    {"ExifIFDPointer", "Exif IFDへのポインタ"},
    {"GPSInfoIFDPointer", "GPS情報IFDへのポインタ"},
    {"InteroperabilityIFDPointer", "互換性IFDへのポインタ"},
    {"Compression_1", "非圧縮"},
    {"Compression_6", "JPEG圧縮（サムネイル）"},
    {"PhotometricInterpretation_2", "RGB"},
    {"PhotometricInterpretation_6", "YCbCr"},
    {"Orientation_1", "０行：画像の上、０列：画像の左側"},
    {"Orientation_2", "０行：画像の上、０列：画像の右側"},
    {"Orientation_3", "０行：画像の下、０列：画像の右側"},
    {"Orientation_4", "０行：画像の下、０列：画像の左側"},
    {"Orientation_5", "０行：画像の左側、０列：画像の上"},
    {"Orientation_6", "０行：画像の右側、０列：画像の上"},
    {"Orientation_7", "０行：画像の右側、０列：画像の下"},
    {"Orientation_8", "０行：画像の左側、０列：画像の下"},
    {"PlanarConfiguration_1", "点順次フォーマット"},
    {"PlanarConfiguration_2", "面順次フォーマット"},
    {"YCbCrSubSampling_2, 1", "YCbCr4:2:2"},
    {"YCbCrSubSampling_2, 2", "YCbCr4:2:0"},
    {"YCbCrPositioning_1", "中心"},
    {"YCbCrPositioning_2", "一致"},
    {"ResolutionUnit_2", "インチ"},
    {"ResolutionUnit_3", "センチメートル"},
};

// ---------------------------------------------------------------------------
// Exif IFD tags.
const uint32_t kExifTags[] = {
    36864, 40960, 40961, 37121, 37122, 40962, 40963, 37500, 37510, 40964, 36867, 36868, 37520, 37521,
    37522, 33434, 33437, 34850, 34852, 34855, 34856, 37377, 37378, 37379, 37380, 37381, 37382, 37383,
    37384, 37385, 37386, 41483, 41484, 41486, 41487, 41488, 41492, 41493, 41495, 41728, 41729, 41730,
    40965, 41985, 41986, 41987, 41988, 41989, 41990, 41991, 41992, 41993, 41994, 41996,
};
const char* const kExifNames[] = {
    "ExifVersion", "FlashPixVersion", "ColorSpace", "ComponentsConfiguration", "CompressedBitsPerPixel",
    "PixelXDimension", "PixelYDimension", "MakerNote", "UserComment", "RelatedSoundFile",
    "DateTimeOriginal", "DateTimeDigitized", "SubSecTime", "SubSecTimeOriginal", "SubSecTimeDigitized",
    "ExposureTime", "FNumber", "ExposureProgram", "SpectralSensitivity", "ISOSpeedRatings", "OECF",
    "ShutterSpeedValue", "ApertureValue", "BrightnessValue", "ExposureBiasValue", "MaxApertureValue",
    "SubjectDistance", "MeteringMode", "LightSource", "Flash", "FocalLength", "FlashEnergy",
    "SpatialFrequencyResponse", "FocalPlaneXResolution", "FocalPlaneYResolution",
    "FocalPlaneResolutionUnit", "SubjectLocation", "ExposureIndex", "SensingMethod", "FileSource",
    "SceneType", "CFAPattern", "InteroperabilityIFDPointer", "CustomRendered", "ExposureMode",
    "WhiteBalance", "DigitalZoomRatio", "FocalLengthIn35mmFilm", "SceneCaptureType", "GainControl",
    "Contrast", "Saturation", "Sharpness", "SubjectDistanceRange",
};
const IfdTagRow kExifRows[] = {
    {"ExifVersion", "Exifバージョン"},
    {"FlashPixVersion", "対応FlashPixのバージョン"},
    {"ColorSpace", "色空間情報"},
    {"ComponentsConfiguration", "コンポーネントの意味"},
    {"CompressedBitsPerPixel", "画像圧縮モード（ビット／ピクセル）"},
    {"PixelXDimension", "実効画像の幅（ピクセル）"},
    {"PixelYDimension", "実効画像の高さ（ピクセル）"},
    {"MakerNote", "メーカ固有情報"},
    {"UserComment", "ユーザコメント"},
    {"RelatedSoundFile", "関連音声ファイル"},
    {"DateTimeOriginal", "オリジナル画像の生成日時"},
    {"DateTimeDigitized", "ディジタルデータの生成日時"},
    {"SubSecTime", "日時のサブセック"},
    {"SubSecTimeOriginal", "原画像生成日時のサブセック"},
    {"SubSecTimeDigitized", "ディジタル化日時のサブセック"},
    {"ExposureTime", "露出時間（秒）"},
    {"FNumber", "F値"},
    {"ExposureProgram", "露出プログラム"},
    {"SpectralSensitivity", "スペクトル感度"},
    {"ISOSpeedRatings", "ISOスピードレート"},
    {"OECF", "光電変換関数"},
    {"ShutterSpeedValue", "シャッタースピード（APEX）"},
    {"ApertureValue", "絞り（APEX）"},
    {"BrightnessValue", "輝度（APEX）"},
    {"ExposureBiasValue", "露出補正（APEX）"},
    {"MaxApertureValue", "レンズの最小F値（APEX）"},
    {"SubjectDistance", "被写体距離（メートル）"},
    {"MeteringMode", "測光方式"},
    {"LightSource", "光源"},
    {"Flash", "フラッシュ"},
    {"FocalLength", "レンズの焦点距離（ミリ）"},
    {"FlashEnergy", "フラッシュ強度"},
    {"SpatialFrequencyResponse", "空間周波数応答"},
    {"FocalPlaneXResolution", "焦点面の幅方向の解像度（ピクセル）"},
    {"FocalPlaneYResolution", "焦点面の高さ方向の解像度（ピクセル）"},
    {"FocalPlaneResolutionUnit", "焦点面の解像度の単位"},
    {"SubjectLocation", "被写体位置"},
    {"ExposureIndex", "露出インデックス"},
    {"SensingMethod", "センサー方式"},
    {"FileSource", "ファイルソース"},
    {"SceneType", "シーンタイプ"},
    {"CFAPattern", "CFAパターン"},
    {"InteroperabilityIFDPointer", "互換性IFDへのポインタ"},
    {"CustomRendered", "個別画像処理"},
    {"ExposureMode", "露出モード"},
    {"WhiteBalance", "ホワイトバランス"},
    {"DigitalZoomRatio", "デジタルズーム倍率"},
    {"FocalLengthIn35mmFilm", "焦点距離(35mm換算)"},
    {"SceneCaptureType", "撮影シーンタイプ"},
    {"GainControl", "ゲイン制御"},
    {"Contrast", "撮影コントラスト"},
    {"Saturation", "撮影彩度"},
    {"Sharpness", "撮影シャープネス"},
    {"SubjectDistanceRange", "被写体距離レンジ"},
    {"ColorSpace_1", "sRGB"},
    {"ColorSpace_65535", "Uncalibrated"},
    {"ComponentsConfiguration_0", ""},
    {"ComponentsConfiguration_1", "Y"},
    {"ComponentsConfiguration_2", "Cb"},
    {"ComponentsConfiguration_3", "Cr"},
    {"ComponentsConfiguration_4", "R"},
    {"ComponentsConfiguration_5", "G"},
    {"ComponentsConfiguration_6", "B"},
    {"MeteringMode_0", "不明"},
    {"MeteringMode_1", "平均"},
    {"MeteringMode_2", "中央重点"},
    {"MeteringMode_3", "スポット"},
    {"MeteringMode_4", "マルチスポット"},
    {"MeteringMode_5", "分割測光"},
    {"MeteringMode_6", "部分測光"},
    {"MeteringMode_255", "その他"},
    {"LightSource_0", "不明"},
    {"LightSource_1", "昼光"},
    {"LightSource_2", "蛍光灯"},
    {"LightSource_3", "タングステン（白熱灯）"},
    {"LightSource_17", "標準光A"},
    {"LightSource_18", "標準光B"},
    {"LightSource_19", "標準光C"},
    {"LightSource_20", "D55"},
    {"LightSource_21", "D65"},
    {"LightSource_22", "D75"},
    {"LightSource_255", "その他"},
    {"Flash_0", "発光せず"},
    {"Flash_1", "発光"},
    {"Flash_5", "発光（反射光検出せず）"},
    {"Flash_7", "発光（反射光検出）"},
    {"ExposureProgram_0", "未定義"},
    {"ExposureProgram_1", "マニュアル"},
    {"ExposureProgram_2", "ノーマルプログラム"},
    {"ExposureProgram_3", "絞り優先"},
    {"ExposureProgram_4", "シャッター優先"},
    {"ExposureProgram_5", "creativeプログラム"},
    {"ExposureProgram_6", "actionプログラム"},
    {"ExposureProgram_7", "ポートレートモード"},
    {"ExposureProgram_8", "ランドスケープモード"},
    {"FocalPlaneResolutionUnit_2", "インチ"},
    {"FocalPlaneResolutionUnit_3", "センチメートル"},
    {"SensingMethod_1", "未定義"},
    {"SensingMethod_2", "単板カラーセンサー"},
    {"SensingMethod_3", "2板カラーセンサー"},
    {"SensingMethod_4", "3板カラーセンサー"},
    {"SensingMethod_5", "色順次カラーセンサー"},
    {"SensingMethod_7", "3線リニアセンサー"},
    {"SensingMethod_8", "色順次リニアセンサー"},
    {"FileSource_3", "DSC"},
    {"SceneType_1", "直接撮影された画像"},
    {"CustomRendered_0", "通常処理"},
    {"CustomRendered_1", "特殊処理"},
    {"ExposureMode_0", "露出自動"},
    {"ExposureMode_1", "露出マニュアル"},
    {"ExposureMode_2", "オートブラケット"},
    {"WhiteBalance_0", "ホワイトバランス自動"},
    {"WhiteBalance_1", "ホワイトバランスマニュアル"},
    {"SceneCaptureType_0", "標準"},
    {"SceneCaptureType_1", "風景"},
    {"SceneCaptureType_2", "人物"},
    {"SceneCaptureType_3", "夜景"},
    {"GainControl_0", "なし"},
    {"GainControl_1", "Low gain up"},
    {"GainControl_2", "High gain up"},
    {"GainControl_3", "Low gain down"},
    {"GainControl_4", "High gain down"},
    {"Contrast_0", "標準"},
    {"Contrast_1", "軟調"},
    {"Contrast_2", "硬調"},
    {"Saturation_0", "標準"},
    {"Saturation_1", "低彩度"},
    {"Saturation_2", "高彩度"},
    {"Sharpness_0", "標準"},
    {"Sharpness_1", "弱"},
    {"Sharpness_2", "強"},
    {"SubjectDistanceRange_0", "不明"},
    {"SubjectDistanceRange_1", "マクロ"},
    {"SubjectDistanceRange_2", "近景"},
    {"SubjectDistanceRange_3", "遠景"},
};

// ---------------------------------------------------------------------------
// GPS IFD tags 0..26.
const uint32_t kGpsTags[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                             14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26};
const char* const kGpsNames[] = {
    "GPSVersionID", "GPSLatitudeRef", "GPSLatitude", "GPSLongitudeRef", "GPSLongitude",
    "GPSAltitudeRef", "GPSAltitude", "GPSTimeStamp", "GPSSatellites", "GPSStatus", "GPSMeasureMode",
    "GPSDOP", "GPSSpeedRef", "GPSSpeed", "GPSTrackRef", "GPSTrack", "GPSImgDirectionRef",
    "GPSImgDirection", "GPSMapDatum", "GPSDestLatitudeRef", "GPSDestLatitude", "GPSDestLongitudeRef",
    "GPSDestLongitude", "GPSBearingRef", "GPSBearing", "GPSDestDistanceRef", "GPSDestDistance",
};
const IfdTagRow kGpsRows[] = {
    {"GPSVersionID", "GPSタグのバージョン"},
    {"GPSLatitudeRef", "北緯(N) or 南緯(S)"},
    {"GPSLatitude", "緯度（数値）"},
    {"GPSLongitudeRef", "東経(E) or 西経(W)"},
    {"GPSLongitude", "経度（数値）"},
    {"GPSAltitudeRef", "高度の基準"},
    {"GPSAltitude", "高度（数値）"},
    {"GPSTimeStamp", "GPS時間（原子時計の時間）"},
    {"GPSSatellites", "測位に使った衛星信号"},
    {"GPSStatus", "GPS受信機の状態"},
    {"GPSMeasureMode", "GPSの測位方法"},
    {"GPSDOP", "測位の信頼性"},
    {"GPSSpeedRef", "速度の単位"},
    {"GPSSpeed", "速度（数値）"},
    {"GPSTrackRef", "進行方向の基準"},
    {"GPSTrack", "進行方向（数値）"},
    {"GPSImgDirectionRef", "撮影した画像の方向の基準"},
    {"GPSImgDirection", "撮影した画像の方向（数値）"},
    {"GPSMapDatum", "測位に用いた地図データ"},
    {"GPSDestLatitudeRef", "目的地の北緯(N) or 南緯(S)"},
    {"GPSDestLatitude", "目的地の緯度（数値）"},
    {"GPSDestLongitudeRef", "目的地の東経(E) or 西経(W)"},
    {"GPSDestLongitude", "目的地の経度（数値）"},
    {"GPSBearingRef", "目的地の方角の基準"},
    {"GPSBearing", "目的地の方角（数値）"},
    {"GPSDestDistanceRef", "目的地への距離の単位"},
    {"GPSDestDistance", "目的地への距離（数値）"},
    {"GPSLatitudeRef_N", "北緯"},
    {"GPSLatitudeRef_S", "南緯"},
    {"GPSLongitudeRef_E", "東経"},
    {"GPSLongitudeRef_W", "西経"},
    {"GPSAltitudeRef_0", "海抜"},
    {"GPSStatus_A", "測位中"},
    {"GPSStatus_V", "中断中"},
    {"GPSMeasureMode_2", "2次元測位"},
    {"GPSMeasureMode_3", "3次元測位"},
    {"GPSSpeedRef_K", "キロメートル／時"},
    {"GPSSpeedRef_M", "マイル／時"},
    {"GPSSpeedRef_N", "ノット"},
    {"GPSTrackRef_T", "真方位"},
    {"GPSTrackRef_M", "磁気方位"},
    {"GPSImgDirectionRef_T", "真方位"},
    {"GPSImgDirectionRef_M", "磁気方位"},
    {"GPSDestLatitudeRef_N", "北緯"},
    {"GPSDestLatitudeRef_S", "南緯"},
    {"GPSDestLongitudeRef_E", "東経"},
    {"GPSDestLongitudeRef_W", "西経"},
    {"GPSDestBearingRef_T", "真方位"},
    {"GPSDestBearingRef_M", "磁気方位"},
    {"GPSDestDistanceRef_K", "キロメートル"},
    {"GPSDestDistanceRef_M", "マイル"},
    {"GPSDestDistanceRef_N", "ノット"},
};

// ---------------------------------------------------------------------------
// Interoperability IFD tags.
const uint32_t kInteropTags[] = {1, 2, 4096, 4097, 4098};
const char* const kInteropNames[] = {
    "InteroperabilityIndex", "InteroperabilityVersion", "RelatedImageFileFormat", "RelatedImageWidth",
    "RelatedImageLength",
};
const IfdTagRow kInteropRows[] = {
    {"InteroperabilityIndex", "互換性インデックス"},
    {"InteroperabilityVersion", "互換性バージョン"},
    {"RelatedImageFileFormat", "関連画像ファイルフォーマット"},
    {"RelatedImageWidth", "関連画像の幅"},
    {"RelatedImageLength", "関連画像の高さ"},
};

template <size_t T, size_t N, size_t R>
constexpr IfdTagTable MakeTable(const uint32_t (&tags)[T], const char* const (&names)[N],
                                const IfdTagRow (&rows)[R]) {
    static_assert(T == N, "one English name a tag");
    return IfdTagTable{.tags = tags, .names = names, .tagCount = (int)T, .rows = rows, .rowCount = (int)R};
}

}  // namespace

const IfdTagTable kTiffTagTable = MakeTable(kTiffTags, kTiffNames, kTiffRows);
const IfdTagTable kExifTagTable = MakeTable(kExifTags, kExifNames, kExifRows);
const IfdTagTable kGpsTagTable = MakeTable(kGpsTags, kGpsNames, kGpsRows);
const IfdTagTable kInteropTagTable = MakeTable(kInteropTags, kInteropNames, kInteropRows);

const char* IfdTagName(const IfdTagTable& table, uint32_t tag) {
    for (int i = 0; i < table.tagCount; ++i)
        if (table.tags[i] == tag) return table.names[i];
    return "";
}

int32_t IfdTagNumber(const IfdTagTable& table, const char* name) {
    for (int i = 0; i < table.tagCount; ++i)
        if (std::strcmp(table.names[i], name) == 0) return (int32_t)table.tags[i];
    return -1;
}

const char* IfdRowText(const IfdTagTable& table, const char* key) {
    for (int i = 0; i < table.rowCount; ++i)
        if (std::strcmp(table.rows[i].key, key) == 0) return table.rows[i].text;
    return nullptr;
}
