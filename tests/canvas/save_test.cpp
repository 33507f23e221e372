// Saving documents in the running frame: open, save, open round trips for the
// native format and the single-image formats, a camera JPEG's EXIF data kept
// and shown, a failed save, and the close question's Yes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/envblock.h"
#include "app/globals.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "app_test_util.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_save.h"
#include "canvas/canv_window.h"
#include "canvas_fixture.h"
#include "fileio/exif_blob.h"
#include "fileio/exif_file.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "resources/fileio_ids.h"
#include "test_support.h"

using namespace canvtest;

namespace {

// Answers the save warning with Yes (or No), message boxes with `box`, and
// reads the EXIF dialog's cells.
struct SaveAnswers {
    int warning = IDYES;
    int box = IDOK;
    int warnings = 0;
    std::vector<std::string> texts, exifCells;
};

int AnswerSave(const ModalRequest& request, void* user) {
    SaveAnswers* a = (SaveAnswers*)user;
    if (request.text) {
        a->texts.push_back(request.text);
        return a->box;
    }
    const std::string templ = request.templ ? request.templ : "";
    if (templ == "dra_save") {
        ++a->warnings;
        return a->warning;
    }
    if (templ == "ivm_exifinfo") {
        HWND list = GetDlgItem(request.dialog, IDC_EXIF_LIST);
        for (int i = 0; i < 200; ++i) {
            HWND cell = GetDlgItem(list, i);
            RECT rc;
            GetWindowRect(cell, &rc);
            if (rc.right <= rc.left) break;
            char text[260] = {};
            GetWindowTextA(cell, text, sizeof(text));
            a->exifCells.push_back(text);
        }
        return IDOK;
    }
    return IDCANCEL;
}

class CanvasSave : public ::testing::Test {
protected:
    void SetUp() override {
        folder.AddRealPlugins();
        folder.AddTestPlug("tp_probe.dll", "file_w\\");
        SetModalAnswerHook(AnswerSave, &answers);
        ASSERT_TRUE(apptest::StartFrame(folder.Path(), {}, SW_SHOWMAXIMIZED));
    }
    void TearDown() override {
        apptest::ForceEnd();
        SetModalAnswerHook(nullptr, nullptr);
    }
    CanvDoc* Open(const std::string& path) {
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path.c_str());
        apptest::Pump(100);
        return GetActiveCanvas();
    }
    // Saves the active document under `path` (as the document's own path, so
    // no dialog is asked).
    void SaveAs(CanvDoc* doc, const std::string& path) {
        std::snprintf(doc->path, sizeof(doc->path), "%s", path.c_str());
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_SAVE, 0);
        apptest::Pump(50);
    }
    void CloseActive() {
        CanvDoc* doc = GetActiveCanvas();
        if (doc) SendMessageA(doc->window, WM_CLOSE, 0, 0);
        apptest::Pump(50);
    }
    std::string WritePicture(const std::string& name, int w, int h) {
        fiotest::ImageHolder image(fiotest::MakeSmooth(w, h));
        std::string path = folder.File(name);
        const char* ext = std::strrchr(name.c_str(), '.') + 1;
        std::string dll = folder.File(std::string("file_w\\") + (std::string(ext) == "jpg" ? "jpgsave.dll" : "pngsave.dll"));
        return WriteImageWithPlugin(image.get(), path.c_str(), dll.c_str()) ? path : std::string();
    }
    fiotest::ProgramFolder folder;
    SaveAnswers answers;
};

// The window menu names a document by its title: after the first save of an
// unnamed document it names the file, not "名前なし" any more.
TEST_F(CanvasSave, WindowMenuNamesTheDocumentAfterItsFirstSave) {
    HWND child = apptest::OpenBlankCanvas(40, 30);
    ASSERT_NE(nullptr, child);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    auto windowItems = [] {
        std::vector<std::string> texts;
        HMENU menu = AppMenus.childWindow;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[512] = {};
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    };
    auto naming = [&](const std::string& part) {
        for (const std::string& t : windowItems())
            if (t.find(part) != std::string::npos) return true;
        return false;
    };
    ASSERT_TRUE(naming("名前なし"));
    SaveAs(doc, folder.File("named.png"));
    EXPECT_EQ(0, doc->modified);
    EXPECT_TRUE(naming("named.png"));
    EXPECT_FALSE(naming("名前なし"));
}

TEST_F(CanvasSave, NativeFormatKeepsLayersPlanesAndSettings) {
    std::string png = WritePicture("base.png", 64, 48);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    // A second layer with a transparency plane and its own settings.
    int index = AddLayer(doc, 10, 6, 20, 12, LayerTypeOrdinary);
    ASSERT_GT(index, 0);
    LayerPlane* top = LayerBase(doc, LayerOf(index));
    FillPlane(top->image, 0x3060A0);
    ASSERT_NE(nullptr, top[1].image);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) SetPixel(top[1].image, x, y, (uint32_t)(x * 10 + y));
    std::strcpy(top->name, "上の層");
    top->blendMode = BlendMultiply;
    top->transparency = 153;   // 60 percent
    doc->resolution = 200;
    const std::vector<uint32_t> before = Snapshot(doc);

    const std::string dra = folder.File("saved.dra");
    SaveAs(doc, dra);
    EXPECT_EQ(0, doc->modified);
    EXPECT_EQ(0, answers.warnings);   // the native format loses nothing
    CloseActive();
    CanvDoc* back = Open(dra);
    ASSERT_NE(nullptr, back);
    ASSERT_TRUE(LayerInUse(back, 1));
    const LayerPlane* l1 = LayerBase(back, 1);
    EXPECT_EQ(10, l1->x);
    EXPECT_EQ(6, l1->y);
    EXPECT_STREQ("上の層", l1->name);
    EXPECT_EQ(BlendMultiply, l1->blendMode);
    EXPECT_EQ(153, l1->transparency);
    EXPECT_EQ(200, back->resolution);
    EXPECT_EQ(before, Snapshot(back));
}

TEST_F(CanvasSave, SingleImageFormatsKeepTheComposite) {
    std::string png = WritePicture("pic.png", 80, 60);
    fiotest::ImageHolder picture(fiotest::MakeSmooth(80, 60));
    for (const char* ext : {"png", "bmp", "tif", "jpg"}) {
        const std::string path = folder.File(std::string("out.") + ext);
        CanvDoc* doc = Open(png);
        ASSERT_NE(nullptr, doc) << ext;
        SetCanvasModified(doc);
        SaveAs(doc, path);
        EXPECT_EQ(0, doc->modified) << ext;
        CloseActive();
        CanvDoc* back = Open(path);
        ASSERT_NE(nullptr, back) << ext;
        ASSERT_EQ(80, back->width);
        fiotest::ImageHolder copy(g_VmsStore.Create(80, 60, 24, 0, 1));
        std::vector<uint32_t> row(80);
        for (int y = 0; y < 60; ++y) {
            g_VmsStore.GetRow(LayerBase(back, 0)->image, y, 0, 79, row.data());
            g_VmsStore.PutRow(copy.get(), y, 0, 79, row.data());
        }
        if (std::string(ext) == "jpg") EXPECT_LT(fiotest::MeanDifference(copy.get(), picture.get()), 4.0);
        else EXPECT_EQ(0, fiotest::MaxDifference(copy.get(), picture.get())) << ext;
        CloseActive();
    }
}

TEST_F(CanvasSave, OpenedPicturesHoldTheReadersPixelsExactly) {
    // Wider and taller than a tile, so rows cross tiles and the reader's bands.
    for (const char* name : {"wide.jpg", "wide.png"}) {
        const std::string path = WritePicture(name, 613, 301);
        ASSERT_FALSE(path.empty()) << name;
        const char* reader = std::string(name) == "wide.jpg" ? "file_r\\jpgload.dll" : "file_r\\pngload.dll";
        fiotest::ImageHolder reference(ReadImageWithPlugin(path.c_str(), nullptr, folder.File(reader).c_str()));
        ASSERT_NE(nullptr, reference.get()) << name;
        CanvDoc* doc = Open(path);
        ASSERT_NE(nullptr, doc) << name;
        ASSERT_EQ(613, doc->width);
        ASSERT_EQ(301, doc->height);
        std::vector<uint32_t> got(613), want(613);
        int differing = 0;
        for (int y = 0; y < 301; ++y) {
            g_VmsStore.GetRow(LayerBase(doc, 0)->image, y, 0, 612, got.data());
            g_VmsStore.GetRow(reference.get(), y, 0, 612, want.data());
            for (int x = 0; x < 613; ++x) differing += (got[x] & 0xFFFFFF) != (want[x] & 0xFFFFFF);
        }
        EXPECT_EQ(0, differing) << name;
        CloseActive();
    }
}

TEST_F(CanvasSave, CameraJpegKeepsItsExifAndShowsItInTheDialog) {
    // A camera file: a JPEG with Make, Model and the date taken.
    std::string photo = WritePicture("photo.jpg", 160, 120);
    c_ExifFile camera;
    auto text = [](const char* s) { std::vector<uint32_t> v(s, s + std::strlen(s) + 1); return v; };
    auto make = text("Canon"), model = text("EOS Test"), date = text("2024:05:06 07:08:09");
    camera.Ifd0().AddEntry(271, TiffAscii, (int32_t)make.size(), make.data());
    camera.Ifd0().AddEntry(272, TiffAscii, (int32_t)model.size(), model.data());
    camera.Exif().AddEntry(36867, TiffAscii, (int32_t)date.size(), date.data());
    std::vector<uint8_t> blob((size_t)camera.Pack(nullptr));
    camera.Pack(blob.data());
    ASSERT_EQ(0, EmbedExifInFile(photo.c_str(), nullptr, 0, 160, 120, blob.data(), blob.size(), ExifEmbedJpeg));

    CanvDoc* doc = Open(photo);
    ASSERT_NE(nullptr, doc);
    ASSERT_NE(nullptr, doc->exifBlob);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_VIEW_EXIF, 0);
    std::vector<std::string> rows = {"メーカ", "Canon", "モデル", "EOS Test", "撮影日時", "2024:05:06 07:08:09"};
    EXPECT_EQ(rows, answers.exifCells);

    SetCanvasModified(doc);
    SaveAs(doc, photo);
    EXPECT_EQ(0, doc->modified);
    c_ExifFile saved;
    ASSERT_EQ(0, saved.Load(photo.c_str()));
    EXPECT_EQ("Canon", saved.Ifd0().FindEntry("Make")->valueText);
    EXPECT_EQ("2024:05:06 07:08:09", saved.Exif().FindEntry("DateTimeOriginal")->valueText);
    EXPECT_GT(saved.ThumbnailLength(), 0);

    // The native format carries the EXIF block through its hand-over file.
    std::vector<uint8_t> kept((const uint8_t*)GlobalLock(doc->exifBlob),
                              (const uint8_t*)GlobalLock(doc->exifBlob) + doc->exifSize);
    GlobalUnlock(doc->exifBlob);
    GlobalUnlock(doc->exifBlob);
    const std::string dra = folder.File("photo.dra");
    SaveAs(doc, dra);
    CloseActive();
    CanvDoc* back = Open(dra);
    ASSERT_NE(nullptr, back);
    ASSERT_NE(nullptr, back->exifBlob);
    ASSERT_EQ((int32_t)kept.size(), back->exifSize);
    EXPECT_EQ(0, std::memcmp(kept.data(), GlobalLock(back->exifBlob), kept.size()));
    GlobalUnlock(back->exifBlob);
}

TEST_F(CanvasSave, FailedSaveKeepsTheOldFileAndTheChangedMark) {
    std::string png = WritePicture("pic.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    const std::string old = folder.File("old.tw");
    ASSERT_TRUE(testsupport::WriteFileBytes(old, "OLD", 3));
    fiotest::Dll probe(folder.File("file_w\\tp_probe.dll"));
    auto setMode = probe.Get<void(__cdecl*)(int)>("TestSetMode");
    ASSERT_NE(nullptr, setMode);
    setMode(1);   // the writer writes part of the file, then fails
    SetCanvasModified(doc);
    SaveAs(doc, old);
    setMode(0);
    EXPECT_EQ(1, doc->modified);
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(old, &bytes));
    EXPECT_EQ("OLD", bytes);
    ASSERT_FALSE(answers.texts.empty());
    EXPECT_EQ("保存に失敗しました。", answers.texts.back());
}

TEST_F(CanvasSave, ReadOnlyTargetIsRefusedWithItsName) {
    std::string png = WritePicture("pic.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    std::string before;
    ASSERT_TRUE(testsupport::ReadFileBytes(png, &before));
    ASSERT_TRUE(SetFileAttributesA(png.c_str(), FILE_ATTRIBUTE_READONLY));
    SetCanvasModified(doc);
    SaveAs(doc, png);   // Ctrl+S over the file it came from
    std::string after;
    ASSERT_TRUE(testsupport::ReadFileBytes(png, &after));
    EXPECT_TRUE(before == after) << "the read-only file was replaced";
    EXPECT_TRUE(GetFileAttributesA(png.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1, doc->modified);
    ASSERT_FALSE(answers.texts.empty());
    EXPECT_NE(std::string::npos, answers.texts.back().find(png)) << answers.texts.back();
    SetFileAttributesA(png.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CanvasSave, SaveWarningNoCancelsAndDontWarnIsRemembered) {
    std::string png = WritePicture("pic.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    ASSERT_GT(AddLayer(doc, 0, 0, 10, 10, LayerTypeOrdinary), 0);
    answers.warning = IDNO;
    SetCanvasModified(doc);
    const std::string jpg = folder.File("two.jpg");
    SaveAs(doc, jpg);
    EXPECT_EQ(1, answers.warnings);
    EXPECT_EQ(-1, testsupport::FileSize(jpg));
    EXPECT_EQ(1, doc->modified);
    Env.saveWarningOff = 1;
    SaveAs(doc, jpg);
    EXPECT_EQ(1, answers.warnings);   // not asked again
    EXPECT_GT(testsupport::FileSize(jpg), 0);
    Env.saveWarningOff = 0;
}

// A single layer whose transparency is all opaque loses nothing in a JPEG:
// no warning; one transparent pixel makes the save ask.
TEST_F(CanvasSave, SaveWarningOnlyWhenTransparencyWouldBeLost) {
    std::string png = WritePicture("photo.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    ASSERT_NE(nullptr, LayerBase(doc, 0)[1].image);
    answers.warning = IDYES;
    const int before = answers.warnings;
    SaveAs(doc, folder.File("photo.jpg"));
    EXPECT_EQ(before, answers.warnings);
    EXPECT_GT(testsupport::FileSize(folder.File("photo.jpg")), 0);
    uint8_t clear = 0;
    g_VmsStore.PutRow(LayerBase(doc, 0)[1].image, 5, 7, 7, &clear);
    SaveAs(doc, folder.File("photo2.jpg"));
    EXPECT_EQ(before + 1, answers.warnings);
}

TEST_F(CanvasSave, CloseQuestionYesSaves) {
    std::string png = WritePicture("pic.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    const std::string target = folder.File("closed.bmp");
    std::snprintf(doc->path, sizeof(doc->path), "%s", target.c_str());
    SetCanvasModified(doc);
    answers.box = IDYES;
    HWND window = doc->window;
    SendMessageA(window, WM_CLOSE, 0, 0);
    apptest::Pump(100);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_GT(testsupport::FileSize(target), 0);
    ASSERT_FALSE(answers.texts.empty());
    EXPECT_EQ("画像に変更があります。保存しますか？", answers.texts[0]);
}

}  // namespace

namespace {

// The save road's composite rows equal the compositor's, on the direct path
// of one layer with a transparency plane and on the general one.
TEST(CanvasSaveView, RowsAreTheComposite) {
    for (int layers : {1, 2}) {
        DocHolder doc(layers == 1 ? MakeDoc({Layer(40, 30, 0, 0, 1)}) : MakeDoc({Layer(40, 30, 0, 0, 1), Layer(10, 8, 5, 6, 1)}));
        ASSERT_NE(nullptr, doc.doc);
        for (int l = 0; l < layers; ++l) {
            LayerPlane* base = LayerBase(doc.doc, l);
            for (int y = 0; y < base->height; ++y)
                for (int x = 0; x < base->width; ++x) {
                    SetPixel(base->image, x, y, (uint32_t)(x * 5 + l * 40) | (uint32_t)(y * 7) << 8 | 0x300000u);
                    if (base[1].image) SetPixel(base[1].image, x, y, (uint32_t)((x * 23 + y * 11) & 255));
                }
        }
        CanvasSaveView view(doc.doc);
        DibImage* expected = ComposeRows(doc.doc, 0, 0, 39, 29, 0, 0);
        ASSERT_NE(nullptr, expected);
        std::vector<uint32_t> ours(40), theirs(40);
        for (int y = 0; y < 30; ++y) {
            ASSERT_EQ(1, view.Source().compositeRow(view.Source().user, y, 0, 39, ours.data()));
            c_DibImageOps::GetRow32(expected, y, 0, 39, theirs.data());
            for (uint32_t& v : theirs) v &= 0xFFFFFFu;
            ASSERT_EQ(theirs, ours) << "layers " << layers << " row " << y;
        }
        c_DibImageOps::Free(&expected);
    }
}

}  // namespace

namespace {

// Types the path into the open dialog and presses OK; other boxes get OK.
int TypeOpenPath(const ModalRequest& request, void* user) {
    const std::string* path = (const std::string*)user;
    if (request.text || request.attempt > 0) return request.text ? IDOK : kModalAskAgain;
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)path->c_str());
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)path->c_str());
    return IDOK;
}

TEST_F(CanvasSave, OpenCommandOpensTheChosenFile) {
    std::string png = WritePicture("chosen.png", 30, 20);
    SetModalAnswerHook(TypeOpenPath, &png);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPEN, 0);
    apptest::Pump(100);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(30, doc->width);
    EXPECT_EQ(0, CompareNoCase(png.c_str(), doc->path));
}

}  // namespace
