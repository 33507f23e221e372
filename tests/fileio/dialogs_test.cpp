// The file host's dialogs, answered through the modal hook.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/ui/ui_hook.h"
#include "fileio/exif_dialog.h"
#include "fileio/exif_file.h"
#include "fileio/save_warning.h"
#include "resources/fileio_ids.h"

namespace {

struct Script {
    std::vector<int> presses;         // control to press at each attempt
    std::vector<std::string> lines;   // the warning's list box, as shown
};

int Answer(const ModalRequest& request, void* user) {
    Script* s = (Script*)user;
    if (request.attempt == 0) {
        HWND list = GetDlgItem(request.dialog, IDC_SAVEWARN_LIST);
        int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            char line[256] = {};
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
            s->lines.push_back(line);
        }
    }
    return request.attempt < (int)s->presses.size() ? s->presses[request.attempt] : IDCANCEL;
}

TEST(SaveWarning, AnswersAndTheDontWarnFlag) {
    struct Case {
        std::vector<int> presses;
        int result, dontWarn;
    } cases[] = {
        {{IDYES}, 6, 0},
        {{IDNO}, 7, 0},
        {{IDCANCEL}, 7, 0},                               // Esc means No
        {{kModalPressClose}, 0, 0},
        {{IDC_SAVEWARN_DONTWARN, IDYES}, 6, 1},           // the flag button leaves the dialog open
        {{IDC_SAVEWARN_DONTWARN, IDC_SAVEWARN_DONTWARN, IDNO}, 7, 0},
    };
    for (const Case& c : cases) {
        Script script{c.presses, {}};
        SetModalAnswerHook(Answer, &script);
        int dontWarn = 0;
        EXPECT_EQ(c.result, ShowSaveWarning(nullptr, &dontWarn));
        EXPECT_EQ(c.dontWarn, dontWarn);
        SetModalAnswerHook(nullptr, nullptr);
        ASSERT_EQ(3u, script.lines.size());
        EXPECT_EQ("DNP形式以外では、透明度やレイヤー情報などの", script.lines[0]);
        EXPECT_EQ("この形式で保存しますか？", script.lines[2]);
    }
}

TEST(SaveWarning, OnlyFormatsThatLoseLayersAsk) {
    EXPECT_EQ(1, SaveLosesLayers("a.jpg", 2, 0));
    EXPECT_EQ(1, SaveLosesLayers("a.png", 1, 1));
    EXPECT_EQ(0, SaveLosesLayers("a.jpg", 1, 0));
    EXPECT_EQ(0, SaveLosesLayers("a.DNP", 5, 3));
    EXPECT_EQ(0, SaveLosesLayers("a.dra", 5, 3));
}

}  // namespace

namespace {

// A blob of a model with the given entries (tag, type, values) per IFD.
struct Tag {
    int ifd;   // 0 IFD0, 1 Exif, 3 GPS
    int32_t tag, type;
    std::vector<uint32_t> values;
};

std::vector<uint8_t> BlobOf(const std::vector<Tag>& tags) {
    c_ExifFile exif;
    for (const Tag& t : tags) {
        c_Ifd& ifd = t.ifd == 0 ? exif.Ifd0() : t.ifd == 1 ? (c_Ifd&)exif.Exif() : (c_Ifd&)exif.Gps();
        const int per = t.type == TiffRational || t.type == TiffSRational ? 2 : 1;
        ifd.AddEntry(t.tag, t.type, (int32_t)t.values.size() / per, t.values.data());
    }
    std::vector<uint8_t> blob((size_t)exif.Pack(nullptr));
    exif.Pack(blob.data());
    return blob;
}

std::vector<uint32_t> Ascii(const char* s) {
    std::vector<uint32_t> v;
    for (; *s; ++s) v.push_back((uint8_t)*s);
    v.push_back(0);
    return v;
}

std::string RowValue(const std::vector<ExifRow>& rows, const char* label) {
    for (const ExifRow& r : rows)
        if (r.label == label) return r.value;
    return "<none>";
}

TEST(ExifRows, LabelsAndConversions) {
    std::vector<uint8_t> blob = BlobOf({
        {0, 271, TiffAscii, Ascii("Canon")},
        {0, 305, TiffAscii, Ascii("hidden software")},
        {0, 282, TiffRational, {72, 1}},
        {1, 33434, TiffRational, {10, 2500}},       // exposure 1/250
        {1, 37378, TiffRational, {50, 10}},         // APEX 5.0 -> F5.7
        {1, 37380, TiffSRational, {(uint32_t)-2, 3}},
        {1, 36867, TiffAscii, Ascii("2024:05:06 07:08:09")},
        {1, 36868, TiffAscii, Ascii("2024:05:06 07:08:10")},
        {1, 37386, TiffRational, {35, 0}},          // a zero denominator reads as 0
        {1, 0xA434, TiffAscii, Ascii("Lens 50")},   // no Japanese name: no row
    });
    std::vector<ExifRow> rows = BuildExifRows(blob.data(), blob.size());
    EXPECT_EQ("Canon", RowValue(rows, "メーカ"));
    EXPECT_EQ("<none>", RowValue(rows, "使用したソフトウェア"));
    EXPECT_EQ("<none>", RowValue(rows, "画像の幅方向の解像度（ピクセル）"));
    EXPECT_EQ("1 / 250", RowValue(rows, "露出時間（秒）"));
    EXPECT_EQ("5.7", RowValue(rows, "絞り"));
    EXPECT_EQ("EV -0.7", RowValue(rows, "露出補正"));
    EXPECT_EQ("2024:05:06 07:08:09", RowValue(rows, "撮影日時"));
    EXPECT_EQ("0.0", RowValue(rows, "レンズの焦点距離（ミリ）"));
    int taken = 0;
    for (const ExifRow& r : rows) taken += r.label == "撮影日時";
    EXPECT_EQ(1, taken);
    EXPECT_EQ(6u, rows.size());

    // With an F-number the APEX aperture gives no row; long exposures are seconds.
    EXPECT_TRUE(BuildExifRows(blob.data(), 100).empty());   // cut short: no rows
    std::vector<uint8_t> b2 = BlobOf({{1, 33437, TiffRational, {56, 10}}, {1, 37378, TiffRational, {50, 10}},
                                      {1, 33434, TiffRational, {2, 1}}});
    std::vector<ExifRow> second = BuildExifRows(b2.data(), b2.size());
    EXPECT_EQ("5.6", RowValue(second, "F値"));
    EXPECT_EQ("<none>", RowValue(second, "絞り"));
    EXPECT_EQ("2.0", RowValue(second, "露出時間（秒）"));
    EXPECT_EQ(0.0, ParseRational("12"));
    EXPECT_EQ(0.0, ParseRational("1/0"));
}

struct DialogLook {
    std::vector<std::string> cells;
};

int ReadDialog(const ModalRequest& request, void* user) {
    DialogLook* look = (DialogLook*)user;
    HWND list = GetDlgItem(request.dialog, IDC_EXIF_LIST);
    for (int i = 0; i < 6; ++i) {
        char text[260] = {};
        GetWindowTextA(GetDlgItem(list, i), text, sizeof(text));
        RECT rc;
        GetWindowRect(GetDlgItem(list, i), &rc);
        look->cells.push_back(rc.right > rc.left ? text : "");
    }
    return IDOK;
}

TEST(ExifDialog, ShowsCameraAndDateRows) {
    std::vector<uint8_t> blob = BlobOf({{0, 271, TiffAscii, Ascii("Canon")},
                                        {0, 272, TiffAscii, Ascii("EOS Test")},
                                        {1, 36867, TiffAscii, Ascii("2024:05:06 07:08:09")}});
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, blob.size());
    std::memcpy(GlobalLock(handle), blob.data(), blob.size());
    GlobalUnlock(handle);
    DialogLook look;
    SetModalAnswerHook(ReadDialog, &look);
    EXPECT_EQ(1, OpenExifInfoDialog(nullptr, handle, (int32_t)blob.size()));
    // The dialog can be opened again; the blob stays the document's.
    DialogLook again;
    SetModalAnswerHook(ReadDialog, &again);
    EXPECT_EQ(1, OpenExifInfoDialog(nullptr, handle, (int32_t)blob.size()));
    DialogLook none;
    SetModalAnswerHook(ReadDialog, &none);
    EXPECT_EQ(1, OpenExifInfoDialog(nullptr, nullptr, 0));
    SetModalAnswerHook(nullptr, nullptr);
    GlobalFree(handle);
    std::vector<std::string> expected = {"メーカ", "Canon", "モデル", "EOS Test", "撮影日時", "2024:05:06 07:08:09"};
    EXPECT_EQ(expected, look.cells);
    EXPECT_EQ(expected, again.cells);
    EXPECT_EQ("Exif情報はありません", none.cells[0]);
}

}  // namespace
