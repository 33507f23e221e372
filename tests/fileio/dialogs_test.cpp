// The file host's dialogs, answered through the modal hook.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "ui/ui_hook.h"
#include "fileio/file_dialogs.h"
#include "fileio_fixture.h"
#include "fileio/exif_blob.h"
#include "fileio/exif_dialog.h"
#include "fileio/exif_file.h"
#include "fileio/save_warning.h"
#include "resources/fileio_ids.h"

namespace {

struct Script {
    std::vector<int> presses;         // control to press at each attempt
    std::vector<std::string> lines;   // the warning's list box, as shown
    bool paintsSettle = false;        // one paint leaves nothing to repaint
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
        // A dialog whose paint does not validate is asked to paint for ever
        // (and its controls are never drawn).
        ShowWindow(request.dialog, SW_SHOWNA);
        UpdateWindow(request.dialog);
        s->paintsSettle = !GetUpdateRect(request.dialog, nullptr, FALSE);
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
        EXPECT_TRUE(script.paintsSettle);
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

TEST(ExifRows, SeveralRationalsShowEveryValue) {
    // 43° 28' 2.81" N, 11° 52' 0" E at 14:05:30.5: not only the first number.
    std::vector<uint8_t> blob = BlobOf({
        {2, 2, TiffRational, {43, 1, 28, 1, 281, 100}},
        {2, 4, TiffRational, {11, 1, 52, 1, 0, 1}},
        {2, 7, TiffRational, {14, 1, 5, 1, 61, 2}},
        {2, 6, TiffRational, {1234, 10}},   // one value: as before
    });
    std::vector<ExifRow> rows = BuildExifRows(blob.data(), blob.size());
    EXPECT_EQ("43 28 2.81", RowValue(rows, "緯度（数値）"));
    EXPECT_EQ("11 52 0", RowValue(rows, "経度（数値）"));
    EXPECT_EQ("14 5 30.5", RowValue(rows, "GPS時間（原子時計の時間）"));
}

TEST(ExifBlobOrientation, TurnedPicturesAreMarkedUpright) {
    std::vector<uint8_t> blob = BlobOf({{0, 271, TiffAscii, Ascii("Canon")}, {0, 274, TiffShort, {6}}});
    ASSERT_EQ(1, SetExifBlobOrientation(blob.data(), blob.size(), 1));
    c_ExifFile exif;
    ASSERT_EQ(0, exif.Unpack(blob.data(), blob.size()));
    const c_IfdEntry* e = exif.Ifd0().FindEntry("Orientation");
    ASSERT_NE(nullptr, e);
    ASSERT_FALSE(e->values.empty());
    EXPECT_EQ(1u, e->values[0]);
    // Without the tag, or with a block cut short, nothing is written.
    std::vector<uint8_t> none = BlobOf({{0, 271, TiffAscii, Ascii("Canon")}});
    std::vector<uint8_t> before = none;
    EXPECT_EQ(0, SetExifBlobOrientation(none.data(), none.size(), 1));
    EXPECT_EQ(before, none);
    EXPECT_EQ(0, SetExifBlobOrientation(blob.data(), 100, 1));
}

struct DialogLook {
    std::vector<std::string> cells;
    COLORREF labelColour = 0;
};

int ReadDialog(const ModalRequest& request, void* user) {
    DialogLook* look = (DialogLook*)user;
    HWND list = GetDlgItem(request.dialog, IDC_EXIF_LIST);
    ShowWindow(request.dialog, SW_SHOW);
    // Paint everything now: the label cells show their fill colour.
    RedrawWindow(request.dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    HWND label = GetDlgItem(list, 0);
    HDC dc = GetDC(label);
    look->labelColour = GetPixel(dc, 2, 2);
    ReleaseDC(label, dc);
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
    EXPECT_EQ(RGB(185, 208, 222), look.labelColour);
    EXPECT_EQ("Exif情報はありません", none.cells[0]);
}

}  // namespace

namespace {

std::vector<std::string> Entries(const std::string& filter) {
    std::vector<std::string> out;
    for (size_t at = 0; at < filter.size() && filter[at];) {
        std::string entry = filter.c_str() + at;
        out.push_back(entry);
        at += entry.size() + 1;
    }
    return out;
}

TEST(FileDialogs, FiltersFromThePlugins) {
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddTestPlug("tp_r_alpha.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_r_beta.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_w_alpha.dll", "file_w\\"));
    ASSERT_EQ(1, folder.Init());
    std::vector<std::string> expected = {
        "test reader[*.jpg]", "*.jpg", "test reader[*.jpeg]", "*.jpeg", "test reader[*.JPG]", "*.JPG",
        "test reader[*.bmp]", "*.bmp", "test reader[*.noext]", "*.noext",
        "すべてのファイル", "*.jpg;*.jpeg;*.JPG;*.bmp;*.noext"};
    std::string filter = BuildReaderFilter();
    EXPECT_EQ(expected, Entries(filter));
    EXPECT_EQ('\0', filter[filter.size() - 1]);
    std::vector<std::string> extensions;
    std::vector<int> slots;
    EXPECT_EQ((std::vector<std::string>{"test writer[*.png]", "*.png", "test writer[*.gif]", "*.gif"}),
              Entries(BuildWriterFilter(&extensions, &slots)));
    EXPECT_EQ((std::vector<std::string>{"png", "gif"}), extensions);
    EXPECT_EQ((std::vector<int>{0, 0}), slots);
}

TEST(FileDialogs, ChosenTypeGivesTheExtension) {
    struct Case { const char* path; const char* ext; const char* expected; } cases[] = {
        {"C:\\pics\\photo.old", "bmp", "C:\\pics\\photo.bmp"},
        {"C:\\pics\\photo", "jpg", "C:\\pics\\photo.jpg"},
        {"C:\\my.folder\\photo", "png", "C:\\my.folder\\photo.png"},
        {"C:\\pics\\a.b.c", "dra", "C:\\pics\\a.b.dra"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, PathWithExtension(c.path, c.ext)) << c.path;
}

// Types a file name into the system dialog and presses OK.
struct TypeName {
    std::string name;
    int overwrite;   // answer of the overwrite question
    std::vector<std::string> boxes;
};

int TypeAndOk(const ModalRequest& request, void* user) {
    TypeName* t = (TypeName*)user;
    if (request.text) {   // a message box
        t->boxes.push_back(request.text);
        return t->overwrite;
    }
    if (request.attempt > 0) return kModalAskAgain;
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)t->name.c_str());
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)t->name.c_str());
    return IDOK;
}

TEST(FileDialogs, SaveDialogRunsToItsPath) {
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddRealPlugins());
    ASSERT_EQ(1, folder.Init());
    testsupport::TempDir dir("savedlg");
    TypeName type{dir.File("picture.old"), IDYES, {}};
    SetModalAnswerHook(TypeAndOk, &type);
    char path[MAX_PATH] = {}, title[MAX_PATH] = {};
    snprintf(path, sizeof(path), "%s", dir.File("camera.jpg").c_str());
    int result = SaveFileDialog(nullptr, path, title);
    ASSERT_EQ(1, result);
    // The first writer type is chosen; its extension replaces the typed one.
    std::vector<std::string> extensions;
    BuildWriterFilter(&extensions, nullptr);
    EXPECT_EQ(dir.File("picture." + extensions[0]), path);
    EXPECT_EQ("picture." + extensions[0], title);
    EXPECT_TRUE(type.boxes.empty());

    // An existing file is written only after Yes to the overwrite question.
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "x", 1));
    TypeName no{dir.File("picture"), IDNO, {}};
    SetModalAnswerHook(TypeAndOk, &no);
    EXPECT_EQ(0, SaveFileDialog(nullptr, path, title));
    ASSERT_EQ(1u, no.boxes.size());
    EXPECT_EQ("上書きしてよろしいですか？", no.boxes[0]);
    SetModalAnswerHook(nullptr, nullptr);
}

TEST(FileDialogs, OpenDialogReturnsPathAndFolder) {
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddRealPlugins());
    ASSERT_EQ(1, folder.Init());
    testsupport::TempDir dir("opendlg");
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("a.bmp"), "BM", 2));
    TypeName type{dir.File("a.bmp"), IDOK, {}};
    SetModalAnswerHook(TypeAndOk, &type);
    char path[MAX_PATH] = {}, title[MAX_PATH] = {}, where[MAX_PATH] = {};
    snprintf(where, sizeof(where), "%s", dir.Path().c_str());
    EXPECT_EQ(1, OpenFileDialog(nullptr, path, title, where, 0));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(dir.File("a.bmp"), path);
    EXPECT_EQ("a.bmp", std::string(title));
    EXPECT_EQ(dir.Path(), std::string(where) + "\\");
}

// Reads the dialog's file type box, then types a name and presses OK.
struct TypeSeen {
    std::string name;
    std::string shown;   // the type the dialog started on
};

int ReadTypeAndOk(const ModalRequest& request, void* user) {
    TypeSeen* t = (TypeSeen*)user;
    if (request.text || request.attempt > 0) return request.text ? IDYES : kModalAskAgain;
    HWND types = GetDlgItem(request.dialog, cmb1);
    char text[300] = {};
    const LRESULT at = SendMessageA(types, CB_GETCURSEL, 0, 0);
    if (at >= 0) SendMessageA(types, CB_GETLBTEXT, (WPARAM)at, (LPARAM)text);
    t->shown = text;
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)t->name.c_str());
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)t->name.c_str());
    return IDOK;
}

TEST(FileDialogs, StartOnTheKeptTypeAndKeepTheChosenOne) {
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddRealPlugins());
    ASSERT_EQ(1, folder.Init());
    testsupport::TempDir dir("dlgtype");
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("a.jpg"), "x", 1));
    int32_t openType = 0, saveType = 0;
    SetFileDialogTypeSettings(&openType, &saveType);
    // Kept types, as the settings file holds them; one beyond the filter (or
    // below 0) starts on the first type and keeps that.
    struct Case {
        int32_t openKept, saveKept;
        const char* openShown;
        const char* saveShown;
        int32_t openAfter, saveAfter;
        const char* savedExtension;
    } cases[] = {
        {5, 4, "JPEG[*.jpg]", "JPEG[*.jpg]", 5, 4, ".jpg"},
        {8, 6, "PNG[*.png]", "PNG[*.png]", 8, 6, ".png"},
        {99, 77, "Windows Bitmap[*.bmp]", "Windows Bitmap[*.bmp]", 1, 1, ".bmp"},
        {-3, -1, "Windows Bitmap[*.bmp]", "Windows Bitmap[*.bmp]", 1, 1, ".bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.openKept);
        openType = c.openKept;
        saveType = c.saveKept;
        TypeSeen open{dir.File("a.jpg"), ""};
        SetModalAnswerHook(ReadTypeAndOk, &open);
        char path[MAX_PATH] = {}, title[MAX_PATH] = {}, where[MAX_PATH] = {};
        snprintf(where, sizeof(where), "%s", dir.Path().c_str());
        EXPECT_EQ(1, OpenFileDialog(nullptr, path, title, where, 0));
        EXPECT_EQ(c.openShown, open.shown);
        EXPECT_EQ(c.openAfter, openType);

        TypeSeen save{dir.File("b"), ""};
        SetModalAnswerHook(ReadTypeAndOk, &save);
        path[0] = 0;
        EXPECT_EQ(1, SaveFileDialog(nullptr, path, title));
        EXPECT_EQ(c.saveShown, save.shown);
        EXPECT_EQ(c.saveAfter, saveType);
        EXPECT_EQ(dir.File(std::string("b") + c.savedExtension), path);
    }
    SetModalAnswerHook(nullptr, nullptr);
    SetFileDialogTypeSettings(nullptr, nullptr);
}

// The parts-box button of the open dialog: the parts box opens on the folder
// shown (the name left in the name box from an earlier run names no file
// there) with the current type's pattern under
// "ファイル選択"; a parts box left without a file shows the dialog again, and
// the file it returns is the dialog's answer.
struct PartsRun {
    std::vector<std::string> folders, patterns, titles;
    std::vector<bool> buttonShown;
    std::string give;   // what the second parts box returns
};
PartsRun* g_partsRun;

int FakePartsBox(HWND, const char* folder, const char* pattern, const char* title, char* path) {
    g_partsRun->folders.push_back(folder);
    g_partsRun->patterns.push_back(pattern);
    g_partsRun->titles.push_back(title);
    if (g_partsRun->folders.size() < 2) return 0;
    snprintf(path, MAX_PATH, "%s", g_partsRun->give.c_str());
    return 1;
}

int PressPartsButton(const ModalRequest& request, void* user) {
    PartsRun* run = (PartsRun*)user;
    if (request.text) return IDOK;
    if (request.attempt > 0) return kModalAskAgain;
    // The hook's panel is the dialog's child built from dr_fopenhook.
    HWND panel = nullptr;
    for (HWND child = FindWindowExA(request.dialog, nullptr, "#32770", nullptr); child && !panel;
         child = FindWindowExA(request.dialog, child, "#32770", nullptr))
        if (GetDlgItem(child, IDC_FOPEN_PARTS)) panel = child;
    if (!panel) return IDCANCEL;
    run->buttonShown.push_back(IsWindowVisible(GetDlgItem(panel, IDC_FOPEN_PARTS)) != 0);
    SendMessageA(panel, WM_COMMAND, IDC_FOPEN_PARTS, 0);
    return kModalAskAgain;
}

TEST(FileDialogs, PartsBoxButtonChoosesFromTheFolderShown) {
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddRealPlugins());
    ASSERT_EQ(1, folder.Init());
    testsupport::TempDir dir("dlgparts");
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("a.bmp"), "BM", 2));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("b.bmp"), "BM", 2));
    int32_t openType = 1, saveType = 0;
    SetFileDialogTypeSettings(&openType, &saveType);
    const std::vector<std::string> entries = Entries(BuildReaderFilter());
    ASSERT_GE(entries.size(), 2u);
    PartsRun run;
    run.give = dir.File("b.bmp");
    g_partsRun = &run;
    SetPartsBoxChooser(FakePartsBox);
    SetModalAnswerHook(PressPartsButton, &run);
    char path[MAX_PATH] = {}, title[MAX_PATH] = {}, where[MAX_PATH] = {};
    snprintf(where, sizeof(where), "%s", dir.Path().c_str());
    where[strlen(where) - 1] = 0;   // the folder as callers keep it, without a final backslash
    EXPECT_EQ(1, OpenFileDialog(nullptr, path, title, where, 1));
    SetModalAnswerHook(nullptr, nullptr);
    SetPartsBoxChooser(nullptr);
    SetFileDialogTypeSettings(nullptr, nullptr);
    g_partsRun = nullptr;
    // Two parts boxes: the first left without a file, the second gave b.bmp.
    ASSERT_EQ(2u, run.folders.size());
    EXPECT_EQ((std::vector<bool>{true, true}), run.buttonShown);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(dir.Path(), run.folders[i]);
        EXPECT_EQ(entries[1], run.patterns[i]);
        EXPECT_EQ("ファイル選択", run.titles[i]);
    }
    EXPECT_EQ(dir.File("b.bmp"), path);
    EXPECT_EQ("b.bmp", std::string(title));
    EXPECT_EQ(dir.Path(), std::string(where) + "\\");
}

}  // namespace
