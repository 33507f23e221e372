// The running browser in-process: a folder of pictures listed with their
// thumbnails, and rename, rotate, delete and copy through its commands.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/file_ops.h"
#include "browser/folder_tree.h"
#include "browser/small_dialogs.h"
#include "browser/status_bar.h"
#include "browser/toolbar_icon.h"
#include "browser/thumb_pane.h"
#include "fileio/exif_file.h"
#include "fileio/thumb_cache.h"
#include "browser_fixture.h"
#include "resources/darnaview_ids.h"
#include "test_support.h"

using namespace bvtest;

namespace {

std::string ReadAll(const std::string& path) {
    std::string s;
    testsupport::ReadFileBytes(path, &s);
    return s;
}

// Files (not folders) in a folder.
int CountFiles(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    const bool slash = !folder.empty() && folder.back() == '\\';
    HANDLE find = FindFirstFileA((folder + (slash ? "*" : "\\*")).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    while (FindNextFileA(find, &fd));
    FindClose(find);
    return n;
}

// An ASCII entry as a camera writes it (the text and its NUL).
void AddAscii(c_Ifd& ifd, int32_t tag, const char* text) {
    std::vector<uint32_t> values;
    for (const char* p = text;; ++p) {
        values.push_back((unsigned char)*p);
        if (!*p) break;
    }
    ifd.AddEntry(tag, TiffAscii, (int32_t)values.size(), values.data());
}

std::string AsciiOf(const c_IfdEntry* e) {
    std::string s;
    if (e)
        for (uint32_t v : e->values) {
            if (!v) break;
            s += (char)v;
        }
    return s;
}

}  // namespace

TEST(BrowserFrame, FolderOfPhotosShowsThumbnailsAndASecondVisitUsesTheCache) {
    testsupport::TempDir pics("photos");
    PackedDib p = MakePattern(320, 240, 1);
    std::vector<std::string> names = {"p1.jpg", "p2.jpg", "p3.png", "写真.jpg", "p5.bmp"};
    {
        BrowserFolder writerHost;
        writerHost.Init();
        for (const std::string& n : names) ASSERT_TRUE(WritePicture(p, pics.File(n))) << n;
    }
    testsupport::WriteFileBytes(pics.File("broken.jpg"), "garbage", 7);
    testsupport::WriteFileBytes(pics.File("notes.txt"), "text", 4);
    FreePackedDib(p);

    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    EXPECT_EQ(6, g_FileList.count);   // the text file is not listed
    for (HWND cell : g_FileList.cells) EXPECT_TRUE(IsWindow(cell));
    ASSERT_TRUE(browser.AllThumbnailsMade());
    int w, h;
    ThumbBoxSize(g_BrowserSettings.cellWidth, g_BrowserSettings.cellHeight, &w, &h);
    for (const std::string& path : g_FileList.paths) {
        PackedDib t = LoadThumbCache(path.c_str(), kThumbCacheSet);
        ASSERT_NE(nullptr, t) << path;
        EXPECT_EQ(24, t->biBitCount);
        EXPECT_TRUE(t->biWidth == w || t->biHeight == h) << path;
        int r, g, b;
        GetDib24Rgb(t, t->biWidth / 2, t->biHeight / 2, &r, &g, &b);
        if (path.find("broken") != std::string::npos) EXPECT_EQ(0, r + g + b);
        else EXPECT_NE(0, r + g + b) << path;
        FreePackedDib(t);
    }
    // The folder went into the history.
    EXPECT_STREQ(pics.Path().c_str(), g_FolderHistory.slot[0]);

    // A second visit starts no loader: every thumbnail comes from the cache.
    RefreshFileList(g_Browser.pane, 1);
    bool started = false;
    PumpUntil(
        [&] {
            started = started || g_FileList.loader != nullptr;
            return false;
        },
        400);
    EXPECT_FALSE(started);

    // Sizes: the custom size asks a number within 40..512; a number below
    // the range is shown as the minimum half a second after it was typed.
    std::string shownLater;
    {
        Answers a([&](const ModalRequest& r) {
            if (r.templ && std::string(r.templ) == "dra_inpnum") {
                SetDlgItemTextA(r.dialog, IDC_BV_EDIT, "7");
                Pump(700);
                char text[32] = {};
                GetDlgItemTextA(r.dialog, IDC_BV_EDIT, text, sizeof text);
                shownLater = text;
                return IDOK;
            }
            return IDOK;
        });
        browser.Command(IDM_BV_SIZE_CUSTOM);
    }
    EXPECT_EQ("40", shownLater);
    EXPECT_EQ(40, g_BrowserSettings.cellWidth);
    EXPECT_EQ(3, g_BrowserSettings.sizeMode);
    browser.Command(IDM_BV_SIZE_LARGE);
    EXPECT_EQ(192, g_BrowserSettings.cellHeight);
}

TEST(BrowserFrame, RenameThroughTheDialog) {
    testsupport::TempDir pics("ren");
    testsupport::WriteFileBytes(pics.File("old.bmp"), "x", 1);
    testsupport::WriteFileBytes(pics.File("taken.bmp"), "y", 1);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    browser.SelectOnly(pics.File("old.bmp"));
    std::vector<std::string> tries = {"", "a:b", "taken", "新しい名前"};
    size_t next = 0;
    Answers a([&](const ModalRequest& r) {
        if (r.templ && std::string(r.templ) == "ivm_rename") {
            if (next >= tries.size()) return IDCANCEL;
            SetDlgItemTextA(r.dialog, IDC_BV_EDIT, tries[next++].c_str());
            return IDOK;
        }
        return IDOK;
    });
    browser.Command(IDM_BV_RENAME);
    EXPECT_TRUE(AnyContains(a.texts, "名前が入力されていません。"));
    EXPECT_TRUE(AnyContains(a.texts, "不正なファイル名です。"));
    EXPECT_TRUE(AnyContains(a.texts, "同名のファイルがあります。"));
    EXPECT_EQ(-1, testsupport::FileSize(pics.File("old.bmp")));
    EXPECT_EQ(1, testsupport::FileSize(pics.File("新しい名前.bmp")));
    EXPECT_GE(browser.IndexOf(pics.File("新しい名前.bmp")), 0);
}

TEST(BrowserFrame, RotateTurnsTheFileAndKeepsItsExif) {
    testsupport::TempDir pics("rot");
    // Camera files (JPEG with an old 8 x 6 thumbnail, TIFF) and files without
    // EXIF data; all 40 x 20, red on the left, blue on the right.
    struct Case {
        const char* name;
        bool camera;
    };
    const Case cases[] = {{"shot.jpg", true}, {"shot.tif", true}, {"plain.jpg", false}, {"plain.tif", false},
                          {"plain.png", false}};
    {
        BrowserFolder host;
        host.Init();
        PackedDib p = CreateDib24(40, 20, 24);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) SetDib24Rgb(p, x, y, x < 20 ? 255 : 0, 0, x < 20 ? 0 : 255);   // red | blue
        PackedDib small = MakePattern(8, 6, 2);
        ASSERT_TRUE(WritePicture(small, pics.File("old_thumb.jpg")));
        FreePackedDib(small);
        const std::string oldThumb = ReadAll(pics.File("old_thumb.jpg"));
        DeleteFileA(pics.File("old_thumb.jpg").c_str());
        for (const Case& c : cases) {
            const std::string path = pics.File(c.name);
            ASSERT_TRUE(WritePicture(p, path)) << c.name;
            if (!c.camera) continue;
            c_ExifFile exif;
            AddAscii(exif.Ifd0(), 271, "Darna");
            AddAscii(exif.Ifd0(), 272, "Test Camera");
            AddAscii(exif.Exif(), 36867, "2024:05:06 07:08:09");
            const bool jpeg = HasExtension(path.c_str(), "jpg");
            ASSERT_EQ(0, jpeg ? exif.WriteJpeg(path.c_str(), 40, 20, (const uint8_t*)oldThumb.data(), (int)oldThumb.size())
                              : exif.WriteTiff(path.c_str(), 40, 20))
                << c.name;
        }
        FreePackedDib(p);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_EQ(5, g_FileList.count);
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 1;
    Answers a([](const ModalRequest& r) {
        if (r.templ && std::string(r.templ) == "ivm_rotate") {
            SendMessageA(r.dialog, WM_COMMAND, IDC_BV_ROT_RIGHT, 0);
            return IDOK;
        }
        return IDOK;
    });
    browser.Command(IDM_BV_ROTATE);
    EXPECT_TRUE(a.texts.empty()) << a.texts[0];
    for (const Case& c : cases) {
        const std::string path = pics.File(c.name);
        PackedDib t = ReadImageToDib24(path.c_str());
        ASSERT_NE(nullptr, t) << c.name;
        EXPECT_EQ(20, t->biWidth) << c.name;
        EXPECT_EQ(40, t->biHeight) << c.name;
        int r, g, b;
        GetDib24Rgb(t, 10, 5, &r, &g, &b);   // turned clockwise: the red half on top
        EXPECT_GT(r, 200) << c.name;
        GetDib24Rgb(t, 10, 35, &r, &g, &b);
        EXPECT_GT(b, 200) << c.name;
        FreePackedDib(t);

        c_ExifFile exif;
        if (!c.camera) {   // a TIFF's own directory reads, but no EXIF data came in
            EXPECT_TRUE(exif.Load(path.c_str()) != 0 || exif.Exif().EntryCount() == 0) << c.name;
            EXPECT_EQ(nullptr, exif.Ifd0().FindEntryByTag(271)) << c.name;
            continue;
        }
        ASSERT_EQ(0, exif.Load(path.c_str())) << c.name;
        EXPECT_EQ("Darna", AsciiOf(exif.Ifd0().FindEntryByTag(271))) << c.name;
        EXPECT_EQ("Test Camera", AsciiOf(exif.Ifd0().FindEntryByTag(272))) << c.name;
        EXPECT_EQ("2024:05:06 07:08:09", AsciiOf(exif.Exif().FindEntryByTag(36867))) << c.name;
        EXPECT_EQ(20u, exif.Exif().GetValue("PixelXDimension")) << c.name;   // the turned picture's size
        EXPECT_EQ(40u, exif.Exif().GetValue("PixelYDimension")) << c.name;
        if (!HasExtension(path.c_str(), "jpg")) continue;
        // A new 160 x 120 thumbnail of the turned picture replaces the old one.
        int notAvailable = 0;
        const int length = exif.ReadThumbnail(nullptr, &notAvailable);
        ASSERT_GT(length, 0) << c.name;
        std::string thumb((size_t)length, '\0');
        ASSERT_EQ(length, exif.ReadThumbnail((uint8_t*)&thumb[0], &notAvailable));
        testsupport::WriteFileBytes(pics.File("thumb.jpg"), thumb.data(), thumb.size());
        t = ReadImageToDib24(pics.File("thumb.jpg").c_str());
        DeleteFileA(pics.File("thumb.jpg").c_str());
        ASSERT_NE(nullptr, t);
        EXPECT_EQ(160, t->biWidth);
        EXPECT_EQ(120, t->biHeight);
        GetDib24Rgb(t, 10, 60, &r, &g, &b);   // white side bars around the portrait picture
        EXPECT_GT(r + g + b, 700);
        GetDib24Rgb(t, 80, 20, &r, &g, &b);   // the red half on top
        EXPECT_GT(r, 200);
        FreePackedDib(t);
    }
    EXPECT_EQ(5, CountFiles(pics.Path())) << "temporary files were left";

    // When the EXIF data cannot be put back (no room for the thumbnail's
    // temporary file), the camera file stays as it was, and the user hears of it.
    const std::string jpg = pics.File("shot.jpg"), before = ReadAll(jpg);
    ASSERT_TRUE(CreateDirectoryA((browser.Program() + "temp.tmp").c_str(), nullptr));
    browser.SelectOnly(jpg);
    browser.Command(IDM_BV_ROTATE);
    RemoveDirectoryA((browser.Program() + "temp.tmp").c_str());
    EXPECT_TRUE(AnyContains(a.texts, "を書き込めませんでした。元のファイルはそのままです。"));
    EXPECT_EQ(before, ReadAll(jpg));

    // The picture is written but its EXIF data cannot be put back into it (the
    // TIFF writer is a foreign plug-in whose files are no TIFF): the camera file
    // stays as it was, and the user hears of it.
    const std::string tif = pics.File("shot.tif"), tifBefore = ReadAll(tif);
    ASSERT_TRUE(CopyFileA((bvtest::TestPlugins() + "tp_w_tif.dll").c_str(),
                          (browser.Program() + "file_w\\tifsave.dll").c_str(), FALSE));
    a.texts.clear();
    browser.SelectOnly(tif);
    browser.Command(IDM_BV_ROTATE);
    EXPECT_TRUE(AnyContains(a.texts, "を書き込めませんでした。元のファイルはそのままです。"));
    EXPECT_TRUE(tifBefore == ReadAll(tif)) << "the camera file changed";
    EXPECT_EQ(5, CountFiles(pics.Path())) << "temporary files were left";
}

TEST(BrowserFrame, RotateRefusalsKeepTheOriginal) {
    testsupport::TempDir pics("rotfail");
    const std::string locked = pics.File("locked.bmp"), refused = pics.File("x.refuse");
    {
        BrowserFolder host;
        host.Init();
        PackedDib p = MakePattern(8, 6, 4);
        ASSERT_TRUE(WritePicture(p, locked));
        FreePackedDib(p);
    }
    testsupport::WriteFileBytes(refused, "probe data", 10);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string lockedBefore = ReadAll(locked);
    RunningBrowser browser(pics.Path(), true);
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_GE(browser.IndexOf(refused), 0);
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 1;
    Answers a([](const ModalRequest& r) { return r.templ && std::string(r.templ) == "ivm_rotate" ? IDOK : IDOK; });
    browser.Command(IDM_BV_ROTATE);
    EXPECT_TRUE(AnyContains(a.texts, "は書き込み禁止なので回転できません"));
    EXPECT_TRUE(AnyContains(a.texts, "を書き込めませんでした。元のファイルはそのままです。"));
    EXPECT_EQ(lockedBefore, ReadAll(locked));
    EXPECT_EQ("probe data", ReadAll(refused));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(BrowserFrame, DeleteAsksWithTheCountAndCopyRefusesItsOwnFolder) {
    testsupport::TempDir pics("del"), other("other");
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) testsupport::WriteFileBytes(pics.File(n), "content", 7);
    testsupport::WriteFileBytes(other.File("b.bmp"), "old", 3);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_EQ(4, g_FileList.count);
    // Copy into the folder the files are in: refused, each file stays whole.
    browser.SelectOnly(pics.File("a.bmp"));
    {
        Answers a;
        EXPECT_EQ(0, CopySelectedTo(browser.Frame(), pics.Path().c_str()));
        EXPECT_TRUE(AnyContains(a.texts, "コピー先と同じフォルダにあるため"));
    }
    EXPECT_EQ(7, testsupport::FileSize(pics.File("a.bmp")));
    // Copy elsewhere: an existing target is kept on No.
    g_FileList.flags[1] = 1;
    {
        Answers a([](const ModalRequest& r) { return r.kind == 1 ? IDNO : IDOK; });
        EXPECT_EQ(1, CopySelectedTo(browser.Frame(), other.Path().c_str()));
        EXPECT_TRUE(AnyContains(a.texts, "同名のファイルが存在します"));
    }
    EXPECT_EQ("content", ReadAll(other.File("a.bmp")));
    EXPECT_EQ("old", ReadAll(other.File("b.bmp")));
    // Delete three after asking with their number.
    for (int i = 0; i < 4; ++i) g_FileList.flags[(size_t)i] = i != 3;
    {
        Answers no([](const ModalRequest& r) { return r.kind == 1 ? IDNO : IDOK; });
        browser.Command(IDM_BV_DELETE);
        ASSERT_EQ(1u, no.texts.size());
        EXPECT_EQ("これら[3]個のファイルを削除してよろしいですか？", no.texts[0]);
    }
    EXPECT_EQ(4, g_FileList.count);
    {
        Answers yes;
        browser.Command(IDM_BV_DELETE);
    }
    EXPECT_EQ(1, g_FileList.count);
    EXPECT_EQ(-1, testsupport::FileSize(pics.File("a.bmp")));
    EXPECT_EQ(7, testsupport::FileSize(pics.File("d.bmp")));
    // Nothing selected: said so.
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 0;
    Answers a;
    browser.Command(IDM_BV_DELETE);
    EXPECT_TRUE(AnyContains(a.texts, "ファイルが選択されていません"));
}

TEST(BrowserFrame, SettingsAreWrittenAtTheEnd) {
    testsupport::TempDir pics("set");
    std::string program;
    {
        RunningBrowser browser(pics.Path());
        ASSERT_NE(nullptr, browser.Frame());
        program = browser.Program();
        browser.Command(IDM_BV_SORT_FIRST + 4);
        SetWindowPos(browser.Frame(), nullptr, 10, 20, 801, 601, SWP_NOZORDER);
        RECT r;
        GetWindowRect(browser.Frame(), &r);
        EXPECT_EQ(800, r.right - r.left);   // sizes are kept even
        EXPECT_EQ(600, r.bottom - r.top);
        DestroyWindow(browser.Frame());
        EXPECT_EQ(320, testsupport::FileSize(program + "eenv.env"));
        EXPECT_EQ(25700, testsupport::FileSize(program + "phist.dat"));
        ResetBrowserSettings();
        ASSERT_EQ(1, LoadBrowserSettings(program.c_str()));
        EXPECT_EQ(4, g_BrowserSettings.sortOrder);
        EXPECT_EQ(800, g_BrowserSettings.frameSize & 0xFFFF);
    }
}

TEST(BrowserFrame, ClosingWaitsForTheLoader) {
    testsupport::TempDir pics("close");
    {
        BrowserFolder host;
        host.Init();
        PackedDib p = MakePattern(1200, 900, 3);
        for (int i = 0; i < 6; ++i) ASSERT_TRUE(WritePicture(p, pics.File("big" + std::to_string(i) + ".png")));
        FreePackedDib(p);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(PumpUntil([] { return g_FileList.loader != nullptr; }, 5000));
    // Closing now frees the plug-in lists the loader reads: it must end first.
    DestroyWindow(browser.Frame());
    EXPECT_EQ(nullptr, g_FileList.loader);
    EXPECT_EQ(0, g_FileList.count);
}

TEST(BrowserFrame, StatusBarTextsAndLayout) {
    testsupport::TempDir pics("status");
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    HWND status = g_Browser.status;
    SendMessageA(status, WM_USER, 3, 45);
    EXPECT_EQ(ProgressText(45), StatusBarText());
    UpdateWindow(status);
    SendMessageA(status, WM_USER, 14, (LPARAM)StatusBarText().c_str());   // the same text: nothing to repaint
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(status, &dirty, FALSE));
    SendMessageA(status, WM_USER, 14, (LPARAM) "other");
    EXPECT_EQ("other", StatusBarText());
    SendMessageA(status, WM_USER, 15, (LPARAM) "rest");
    SendMessageA(status, WM_USER, 3, 10);
    SendMessageA(status, WM_USER, 0, 0);
    EXPECT_EQ("rest", StatusBarText());
    // The layout keeps the tree between 32 and the width - 32, and leaves it
    // alone in a client area of 32 pixels or less.
    g_BrowserSettings.treeWidth = 5000;
    LayoutBrowserFrame(SIZE_RESTORED, 600, 400);
    EXPECT_EQ(568, g_BrowserSettings.treeWidth);
    g_BrowserSettings.treeWidth = 1;
    LayoutBrowserFrame(SIZE_RESTORED, 30, 400);
    EXPECT_EQ(1, g_BrowserSettings.treeWidth);
    EXPECT_EQ(32, SplitterTreeWidth(10, 8));
    EXPECT_EQ(292, SplitterTreeWidth(300, 8));
    RelayoutBrowserFrame();
    EXPECT_GE(g_BrowserSettings.treeWidth, 32);
    // Tips stay on the screen.
    POINT p = KeepTipOnScreen(1250, 1010, 100, 18, 1280, 1024);
    EXPECT_EQ(1180, p.x);
    EXPECT_EQ(1006, p.y);
    // A wheel turn over the pane scrolls it; elsewhere nothing.
    for (int i = 0; i < 60; ++i) testsupport::WriteFileBytes(pics.File(std::string("f").append(std::to_string(i)).append(".bmp")), "x", 1);
    RefreshFileList(g_Browser.pane, 0);
    RECT pane;
    GetWindowRect(g_Browser.pane, &pane);
    SetCursorPos(pane.left + 10, pane.top + 10);
    Pump(50);
    SendMessageA(browser.Frame(), WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-120), 0);
    EXPECT_EQ(1, CurrentThumbGrid().topRow);
    SendMessageA(browser.Frame(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(0, CurrentThumbGrid().topRow);
}

TEST(BrowserFrame, ClicksSelectCellsAndADragWithoutAnEditorPutsTheFrameBack) {
    testsupport::TempDir pics("click");
    for (int i = 0; i < 24; ++i) {
        char name[16];
        wsprintfA(name, "%02d.bmp", i);
        testsupport::WriteFileBytes(pics.File(name), "x", 1);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_EQ(24, g_FileList.count);
    const int cols = CurrentThumbGrid().columns;
    ASSERT_GE(cols, 3);
    auto press = [](int index, bool shift, bool ctrl) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        RECT r;
        GetWindowRect(g_FileList.cells[(size_t)index], &r);
        const MouseSample down[] = {{r.left + 20, r.top + 20, kSampleLeft}};
        InjectMouseSamples(down, 1);
        SelectCell(g_FileList.cells[(size_t)index]);
        InjectMouseSamples(nullptr, 0);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    auto selected = [] {
        std::vector<int> s;
        for (int i = 0; i < g_FileList.count; ++i)
            if (g_FileList.flags[(size_t)i]) s.push_back(i);
        return s;
    };
    press(1, false, false);
    EXPECT_EQ(std::vector<int>{1}, selected());
    press(2 * cols + 2, true, false);   // row 2, column 2
    EXPECT_EQ(CellRectangle(1, 2 * cols + 2, cols, 24), selected());
    EXPECT_EQ(6, g_FileList.selected);
    press(1, false, true);               // Ctrl toggles one cell
    EXPECT_EQ(5u, selected().size());
    press(0, false, false);              // a plain click: only this one
    EXPECT_EQ(std::vector<int>{0}, selected());

    // A drag from an unselected cell onto no editor: it alone is selected and
    // the frame, shrunk meanwhile, comes back.
    RECT before, cell;
    GetWindowRect(browser.Frame(), &before);
    GetWindowRect(g_FileList.cells[5], &cell);
    const MouseSample drag[] = {{cell.left + 20, cell.top + 20, kSampleLeft}, {cell.left + 40, cell.top + 30, kSampleLeft},
                                {before.right + 50, before.top + 10, kSampleLeft}, {before.right + 60, before.top + 10, kSampleLeft},
                                {before.right + 60, before.top + 10, 0}};
    InjectMouseSamples(drag, 5);
    SelectCell(g_FileList.cells[5]);
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(std::vector<int>{5}, selected());
    RECT after;
    GetWindowRect(browser.Frame(), &after);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.right, after.right);
    EXPECT_EQ(before.bottom, after.bottom);
    // A double click with no editor running only selects.
    SendMessageA(g_FileList.cells[7], WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ((std::vector<int>{5, 7}), selected());
    GetWindowRect(browser.Frame(), &after);
    EXPECT_EQ(before.right, after.right);
}

TEST(BrowserFrame, ToolBarButtonsShowTipsAndSendTheirCommands) {
    testsupport::TempDir pics("tools");
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    HWND small = GetDlgItem(g_Browser.toolbar, 2);   // row 2: 小さく表示 (400)
    ASSERT_NE(nullptr, small);
    g_Browser.appActive = 1;
    RECT r;
    GetWindowRect(small, &r);
    SetCursorPos(r.left + 5, r.top + 5);
    SendMessageA(small, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(small, GetCapture());
    EXPECT_TRUE(PumpUntil([] { return CurrentToolTip() != nullptr; }, 3000));
    char text[64] = {};
    if (CurrentToolTip()) GetWindowTextA(CurrentToolTip(), text, sizeof text);
    EXPECT_STREQ("[小さく表示]", text);
    // A click closes the tip and sends the command.
    g_BrowserSettings.sizeMode = 1;
    const MouseSample up[] = {{r.left + 5, r.top + 5, 0}};
    InjectMouseSamples(up, 1);
    SendMessageA(small, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(nullptr, CurrentToolTip());
    EXPECT_EQ(0, g_BrowserSettings.sizeMode);
    EXPECT_EQ(96, g_BrowserSettings.cellWidth);
    // A separator sends nothing that changes the list.
    SendMessageA(GetDlgItem(g_Browser.toolbar, 1), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(0, g_BrowserSettings.sizeMode);
}

TEST(BrowserFrame, FileInformationListsNameSizeBytesAndDate) {
    testsupport::TempDir pics("info");
    {
        BrowserFolder host;
        host.Init();
        PackedDib p = MakePattern(40, 30, 3);
        ASSERT_TRUE(WritePicture(p, pics.File("pic.bmp")));
        FreePackedDib(p);
    }
    testsupport::WriteFileBytes(pics.File("zbad.bmp"), "BMxx", 4);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    auto dateLine = [](const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA fa = {};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fa);
        FILETIME local;
        SYSTEMTIME t;
        FileTimeToLocalFileTime(&fa.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &t);
        char line[128];
        std::snprintf(line, sizeof line, "ファイル作成日時:\t\t%4d年%2d月%2d日 %2d時%2d分%2d秒", t.wYear, t.wMonth, t.wDay,
                      t.wHour, t.wMinute, t.wSecond);
        return std::string(line);
    };
    const long long size = testsupport::FileSize(pics.File("pic.bmp"));
    char sizeLine[128];
    std::snprintf(sizeLine, sizeof sizeLine, "ファイルサイズ:\t\t%lldバイト(%lldKバイト)", size, size / 1024);
    struct Case {
        std::string file;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"pic.bmp",
         {"ファイル名:\t\t" + pics.File("pic.bmp"), "画素サイズ[ピクセル]:\t40 x 30", sizeLine,
          dateLine(pics.File("pic.bmp"))}},
        // No size from a reader: no size line.
        {"zbad.bmp",
         {"ファイル名:\t\t" + pics.File("zbad.bmp"), "ファイルサイズ:\t\t4バイト(0Kバイト)", dateLine(pics.File("zbad.bmp"))}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> shown;
        std::string caption;
        Answers a([&](const ModalRequest& r) {
            if (!r.templ || std::string(r.templ) != "ivm_info") return IDOK;
            char text[600];
            GetWindowTextA(r.dialog, text, sizeof text);
            caption = text;
            HWND list = GetDlgItem(r.dialog, IDC_BV_LIST);
            const int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
            for (int i = 0; i < n; ++i) {
                SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
                shown.push_back(text);
            }
            return IDOK;
        });
        browser.SelectOnly(pics.File(c.file));
        browser.Command(IDM_BV_INFO);
        EXPECT_EQ("画像情報", caption) << c.file;
        EXPECT_EQ(c.lines, shown) << c.file;
    }
}

TEST(BrowserFrame, FolderPickerStartsAtTheGivenFolderAndReturnsTheChoice) {
    testsupport::TempDir pics("pick");
    CreateDirectoryA(pics.File("inner").c_str(), nullptr);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    std::string start = pics.File("inner");
    std::vector<std::string> asked;
    // Under the desktop, under the folder's parent, then closed.
    const std::string parent = pics.Path().substr(0, pics.Path().size() - 1);
    const struct {
        int answer;
        const char* root;
    } cases[] = {{IDOK, nullptr}, {IDOK, parent.c_str()}, {(int)kModalPressClose, nullptr}};
    for (const auto& c : cases) {
        const int answer = c.answer;
        SCOPED_TRACE(c.root ? c.root : "desktop");
        Answers a([&](const ModalRequest& r) {
            if (r.templ) asked.push_back(r.templ);
            return answer;
        });
        char out[MAX_PATH] = "unchanged";
        const int chosen = BrowseFolder(browser.Frame(), out, start.c_str(), "コピー先フォルダを選択してください", c.root);
        if (answer == IDOK) {
            EXPECT_EQ(1, chosen);
            EXPECT_EQ(0, CompareNoCase(start.c_str(), out)) << out;
        } else {
            EXPECT_EQ(0, chosen);
            EXPECT_STREQ("unchanged", out);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"BrowseFolder", "BrowseFolder", "BrowseFolder"}), asked);
}
