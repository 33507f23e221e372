// The browser's records and helpers: settings and history files, the display
// form of history entries, placement, grid and fit arithmetic, turns, names,
// sort orders and the cap of the file list.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/file_ops.h"
#include "browser/status_bar.h"
#include "browser/thumb_pane.h"
#include "browser_fixture.h"
#include "test_support.h"

using testsupport::TempDir;

namespace {

std::string Bytes(const void* p, size_t n) { return std::string((const char*)p, n); }

}  // namespace

TEST(BrowserSettingsFile, FilesOfEverySizeFallBackSanely) {
    struct Case {
        const char* name;
        std::string content;   // empty: no file
        int treeWidth, fileType, cellWidth, startFlag;
    };
    BrowserSettings full;
    std::memset(&full, 0, sizeof full);
    full.treeWidth = 250;
    full.fileTypeIndex = 3;
    full.cellWidth = -5;
    full.cellHeight = 77;
    full.startInHistory = 0;
    std::string longFile = Bytes(&full, sizeof full) + std::string(80, '\x7F');
    int32_t shortFile[2] = {300, 5};
    std::string garbage(320, '\xEE');
    const Case cases[] = {
        {"missing", "", 192, 2, 128, 0},
        {"short", Bytes(shortFile, sizeof shortFile), 300, 5, 128, 1},
        {"long", longFile, 250, 3, 128, 1},
        {"garbage", garbage, 192, 0, 128, 1},
    };
    for (const Case& c : cases) {
        TempDir dir("set");
        if (!c.content.empty()) testsupport::WriteFileBytes(dir.File("eenv.env"), c.content.data(), c.content.size());
        ResetBrowserSettings();
        EXPECT_EQ(c.content.empty() ? 0 : 1, LoadBrowserSettings(dir.Path().c_str())) << c.name;
        EXPECT_EQ(c.treeWidth, g_BrowserSettings.treeWidth) << c.name;
        EXPECT_EQ(c.fileType, g_BrowserSettings.fileTypeIndex) << c.name;
        EXPECT_EQ(c.cellWidth, g_BrowserSettings.cellWidth) << c.name;
        EXPECT_EQ(c.cellWidth, g_BrowserSettings.cellHeight) << c.name;
        EXPECT_EQ(c.startFlag, g_BrowserSettings.startInHistory) << c.name;
        EXPECT_TRUE(g_BrowserSettings.sortOrder >= 0 && g_BrowserSettings.sortOrder <= 5) << c.name;
        EXPECT_TRUE(g_BrowserSettings.sizeMode >= 0 && g_BrowserSettings.sizeMode <= 3) << c.name;
        ASSERT_EQ(1, SaveBrowserSettings(dir.Path().c_str()));
        EXPECT_EQ(320, testsupport::FileSize(dir.File("eenv.env"))) << c.name;
    }
}

TEST(FolderHistoryFile, LoadCutsToTwentyAndSavesTheWholeBlock) {
    TempDir dir("hist");
    std::string block(25700, '\0');
    for (int i = 0; i < 30; ++i) {
        std::string folder = "C:\\f" + std::to_string(i) + "\\";
        block.replace((size_t)i * 256, folder.size(), folder);
    }
    block.replace(255, 1, "X");   // an entry without its NUL at the end of the slot
    testsupport::WriteFileBytes(dir.File("phist.dat"), block.data(), block.size());
    ClearFolderHistory();
    ASSERT_EQ(1, LoadFolderHistory(dir.Path().c_str()));
    EXPECT_EQ(20, CountFolderHistory());
    EXPECT_STREQ("C:\\f19\\", g_FolderHistory.slot[19]);
    EXPECT_EQ(0, g_FolderHistory.slot[0][255]);
    ASSERT_EQ(1, SaveFolderHistory(dir.Path().c_str()));
    EXPECT_EQ(25700, testsupport::FileSize(dir.File("phist.dat")));
    // A short file fills what it has.
    testsupport::WriteFileBytes(dir.File("phist.dat"), "D:\\x\\", 6);
    ClearFolderHistory();
    ASSERT_EQ(1, LoadFolderHistory(dir.Path().c_str()));
    EXPECT_EQ(1, CountFolderHistory());
    EXPECT_STREQ("D:\\x\\", g_FolderHistory.slot[0]);
}

TEST(FolderHistory, InsertionMovesToFrontAndKeepsTwenty) {
    auto fill = [](int n) {
        ClearFolderHistory();
        for (int i = n - 1; i >= 0; --i) InsertFolderHistory(("C:\\f" + std::to_string(i) + "\\").c_str());
    };
    fill(10);
    ASSERT_EQ(10, CountFolderHistory());
    InsertFolderHistory("c:\\F7\\");   // the same folder in other case: moved, not added
    EXPECT_EQ(10, CountFolderHistory());
    EXPECT_STREQ("c:\\F7\\", g_FolderHistory.slot[0]);
    for (int i = 0; i < 7; ++i) EXPECT_EQ("C:\\f" + std::to_string(i) + "\\", g_FolderHistory.slot[i + 1]);
    EXPECT_STREQ("C:\\f8\\", g_FolderHistory.slot[8]);

    fill(20);
    InsertFolderHistory("C:\\new\\");
    EXPECT_EQ(20, CountFolderHistory());
    EXPECT_STREQ("C:\\new\\", g_FolderHistory.slot[0]);
    EXPECT_STREQ("C:\\f18\\", g_FolderHistory.slot[19]);
    // An entry that is itself a slot moves to the front as well.
    InsertFolderHistory(g_FolderHistory.slot[5]);
    EXPECT_STREQ("C:\\f4\\", g_FolderHistory.slot[0]);
    EXPECT_EQ(20, CountFolderHistory());
}

TEST(FolderHistory, DisplayFormOfLongAndDoubleByteFolders) {
    struct Case {
        const char* entry;
        const char* shown;
    };
    const Case cases[] = {
        {"C:\\Pictures\\2004\\", "C:\\Pictures\\2004\\"},
        {"C:\\Documents and Settings\\user\\Pictures\\2004\\", "C:\\Documents and Settings\\..\\2004\\"},
        // 表 and ソ end in the byte of a backslash: no cut inside them
        {"C:\\表表表表表表表表\\ソソソ\\写真\\", "C:\\表表表表表表表表\\..\\写真\\"},
        {"D:\\ソフトソフトソフト\\表示\\", "D:\\ソフトソフトソフト..\\表示\\"},   // no backslash to stop at
    };
    for (const Case& c : cases) {
        char out[MAX_PATH];
        FolderHistoryDisplay(c.entry, out, sizeof out);
        EXPECT_STREQ(c.shown, out) << c.entry;
    }
}

TEST(BrowserFrameRules, EditorFolderDropsAFinalExpComponent) {
    struct Case {
        const char* browser;
        const char* editor;
    };
    const Case cases[] = {
        {"C:\\Darna\\exp\\", "C:\\Darna\\"},
        {"C:\\Darna\\EXP\\", "C:\\Darna\\"},
        {"C:\\exp\\Darna\\exp\\", "C:\\exp\\Darna\\"},
        {"C:\\Darna\\", "C:\\Darna\\"},
        {"C:\\myexp\\", "C:\\myexp\\"},
        {"C:\\exp\\tools\\", "C:\\exp\\tools\\"},
    };
    for (const Case& c : cases) {
        char out[MAX_PATH];
        EditorFolderFrom(c.browser, out, sizeof out);
        EXPECT_STREQ(c.editor, out) << c.browser;
    }
}

TEST(BrowserFrameRules, StartPlacementStaysOnScreen) {
    struct Case {
        int x, y, w, h;
        RECT want;
    };
    const Case cases[] = {
        {20, 30, 800, 600, {20, 30, 820, 630}},
        {1270, 1020, 800, 600, {1232, 976, 2032, 1576}},   // corner off the screen
        {0, 0, 50, 60, {0, 0, 100, 100}},                  // too small
        {0, 0, 0, 0, {0, 0, 100, 100}},                    // no stored size
    };
    for (const Case& c : cases) {
        RECT r = StartFrameRect((c.y << 16) | c.x, (c.h << 16) | c.w, 1280, 1024);
        EXPECT_EQ(c.want.left, r.left);
        EXPECT_EQ(c.want.top, r.top);
        EXPECT_EQ(c.want.right, r.right);
        EXPECT_EQ(c.want.bottom, r.bottom);
    }
}

TEST(ThumbGridMath, ColumnsRowsAndTopRow) {
    struct Case {
        int count, width, height, cell, top;
        ThumbGrid want;
    };
    const Case cases[] = {
        {7, 448, 400, 128, 0, {3, 3, 3, 0}},        // 3.5 cells wide
        {7, 50, 400, 128, 0, {1, 7, 3, 0}},         // narrower than a cell
        {40, 512, 256, 128, 9, {4, 10, 2, 8}},      // top row kept at rows - visible rows
        {5, 512, 512, 128, 3, {4, 2, 4, 0}},        // fewer rows than fit
        {0, 512, 512, 128, -2, {4, 0, 4, 0}},
    };
    for (const Case& c : cases) {
        ThumbGrid g = ComputeThumbGrid(c.count, c.width, c.height, c.cell, c.cell, c.top);
        EXPECT_EQ(c.want.columns, g.columns);
        EXPECT_EQ(c.want.rows, g.rows);
        EXPECT_EQ(c.want.visibleRows, g.visibleRows);
        EXPECT_EQ(c.want.topRow, g.topRow);
    }
}

TEST(ThumbGridMath, ShiftClickSelectsTheRectangle) {
    EXPECT_EQ((std::vector<int>{1, 2, 5, 6, 9, 10}), CellRectangle(1, 10, 4, 12));
    EXPECT_EQ((std::vector<int>{1, 2, 5, 6, 9, 10}), CellRectangle(10, 1, 4, 12));
    EXPECT_EQ((std::vector<int>{5, 6, 7, 9, 10}), CellRectangle(5, 11, 4, 11));   // cell 11 does not exist
}

TEST(ThumbSizes, FitIntoTheBoxAndNeverZero) {
    struct Case {
        int w, h, boxW, boxH, outW, outH;
    };
    const Case cases[] = {
        {4000, 3000, 102, 89, 102, 76},
        {3000, 4000, 102, 89, 66, 89},
        {50, 50, 102, 89, 89, 89},          // small pictures are enlarged
        {100000, 1, 102, 89, 102, 1},       // would truncate to 0
        {1, 100000, 102, 89, 1, 89},
        {3000, 4000, 160, 120, 90, 120},
    };
    for (const Case& c : cases) {
        int w, h;
        FitSizeToBox(c.w, c.h, c.boxW, c.boxH, &w, &h);
        EXPECT_EQ(c.outW, w) << c.w << "x" << c.h;
        EXPECT_EQ(c.outH, h) << c.w << "x" << c.h;
    }
    int bw, bh;
    ThumbBoxSize(128, 128, &bw, &bh);
    EXPECT_EQ(102, bw);
    EXPECT_EQ(89, bh);
}

TEST(Dib24, RowsAreThreeBytesAPixel) {
    PackedDib dib = CreateDib24(5, 2, 24);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(24, dib->biBitCount);
    EXPECT_EQ(16u, Dib24Stride(5, 24));
    uint8_t row[15];
    for (int i = 0; i < 15; ++i) row[i] = (uint8_t)(i + 1);
    EXPECT_EQ(1, PutDib24Row(dib, 1, 0, 4, row));
    int r, g, b;
    ASSERT_EQ(1, GetDib24Rgb(dib, 4, 1, &r, &g, &b));
    EXPECT_EQ(13, b);
    EXPECT_EQ(15, r);
    // Clipping: x0 = -2 skips two pixels of the buffer.
    uint8_t out[21] = {};
    EXPECT_EQ(1, GetDib24Row(dib, 1, -2, 9, out));
    EXPECT_EQ(1, out[6]);
    EXPECT_EQ(0, GetDib24Row(dib, 2, 0, 4, out));
    // A missing bitmap reads white.
    EXPECT_EQ(0, GetDib24Row(nullptr, 0, 0, 2, out));
    EXPECT_EQ(255, out[8]);
    EXPECT_EQ(nullptr, CreateDib24(30001, 1, 24));
    EXPECT_EQ(nullptr, CreateDib24(30000, 30000, 24));   // beyond the byte limit
    FreePackedDib(dib);
}

TEST(Dib24, ConversionsFrom32AndIndexedDepths) {
    PackedDib wide = CreatePackedDib(3, 2, 32);
    uint32_t px[3] = {0xFF112233, 0x00445566, 0x80778899};
    PutPackedDibRow32(wide, 0, 0, 2, px);
    PackedDib d = ConvertDibTo24(wide);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(24, d->biBitCount);
    int r, g, b;
    GetDib24Rgb(d, 2, 0, &r, &g, &b);
    EXPECT_EQ(0x77, r);
    EXPECT_EQ(0x88, g);
    EXPECT_EQ(0x99, b);
    FreePackedDib(d);
    FreePackedDib(wide);
    PackedDib idx = CreateDib24(2, 1, 8);
    RGBQUAD* table = (RGBQUAD*)(idx + 1);
    table[7] = RGBQUAD{10, 20, 30, 0};
    GetPackedDibBits(idx)[1] = 7;
    d = ConvertDibTo24(idx);
    ASSERT_NE(nullptr, d);
    GetDib24Rgb(d, 1, 0, &r, &g, &b);
    EXPECT_EQ(30, r);
    EXPECT_EQ(10, b);
    FreePackedDib(d);
    FreePackedDib(idx);
}

TEST(Dib24, TurnsAndNearestResize) {
    // 3 x 2: pixel (x, y) has red 10x + y.
    PackedDib d = CreateDib24(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) SetDib24Rgb(d, x, y, 10 * x + y, 0, 0);
    struct Case {
        int mode, w, h;
        int expect[6];   // red of the result, row by row
    };
    const Case cases[] = {
        {kTurnClockwise, 2, 3, {1, 0, 11, 10, 21, 20}},
        {kTurnCounterClockwise, 2, 3, {20, 21, 10, 11, 0, 1}},
        {kTurnHalf, 3, 2, {21, 11, 1, 20, 10, 0}},
    };
    for (const Case& c : cases) {
        PackedDib t = RotateDib(d, c.mode);
        ASSERT_NE(nullptr, t);
        ASSERT_EQ(c.w, t->biWidth);
        ASSERT_EQ(c.h, t->biHeight);
        for (int i = 0; i < 6; ++i) {
            int r, g, b;
            GetDib24Rgb(t, i % c.w, i / c.w, &r, &g, &b);
            EXPECT_EQ(c.expect[i], r) << "mode " << c.mode << " pixel " << i;
        }
        FreePackedDib(t);
    }
    PackedDib n = ResizeNearest(d, 6, 1);
    int r, g, b;
    const int want[6] = {0, 0, 10, 10, 20, 20};
    for (int x = 0; x < 6; ++x) {
        GetDib24Rgb(n, x, 0, &r, &g, &b);
        EXPECT_EQ(want[x], r);
    }
    FreePackedDib(n);
    FreePackedDib(d);
}

TEST(Dib24, ExifThumbnailIsCentredOnWhite) {
    PackedDib portrait = CreateDib24(300, 400, 24);   // black
    PackedDib t = MakeExifThumbnail(portrait, 160, 120);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(160, t->biWidth);
    EXPECT_EQ(120, t->biHeight);
    int r, g, b;
    GetDib24Rgb(t, 0, 60, &r, &g, &b);
    EXPECT_EQ(255, r);   // side bar
    GetDib24Rgb(t, 80, 60, &r, &g, &b);
    EXPECT_EQ(0, r);     // picture
    GetDib24Rgb(t, 80, 0, &r, &g, &b);
    EXPECT_EQ(0, r);     // the picture is 120 high
    FreePackedDib(t);
    FreePackedDib(portrait);
}

TEST(RenameRules, BaseNamesAreCutWholeAndCheckedOutsideDoubleBytes) {
    std::string a(81, 'a');
    char buf[120];
    std::strcpy(buf, a.c_str());
    CutBaseName(buf);
    EXPECT_EQ(80u, std::strlen(buf));
    std::string b = std::string(79, 'a') + "表b";   // bytes 79 and 80 are one character
    std::strcpy(buf, b.c_str());
    CutBaseName(buf);
    EXPECT_EQ(79u, std::strlen(buf));
    std::string c = std::string(78, 'a') + "表b";   // the character fits
    std::strcpy(buf, c.c_str());
    CutBaseName(buf);
    EXPECT_EQ(80u, std::strlen(buf));
    struct Case {
        const char* name;
        int invalid;
    };
    const Case cases[] = {{"photo", 0}, {"a:b", 1}, {"a?b", 1}, {"x|y", 1}, {"表示", 0}, {"ソフト", 0}, {"a\\b", 1}, {"a\"b", 1}};
    for (const Case& k : cases) EXPECT_EQ(k.invalid, IsInvalidFileName(k.name)) << k.name;
    char base[MAX_PATH];
    EXPECT_EQ(1, GetBaseName("a.b.jpg", base, sizeof base));
    EXPECT_STREQ("a.b", base);
    EXPECT_EQ(0, GetBaseName("noext", base, sizeof base));
}

TEST(FileListing, SortOrdersWithinAnExtension) {
    TempDir dir("sort");
    struct File {
        const char* name;
        int size;
        int minutes;   // last-write time offset
    };
    // Names, dates and sizes each in another order, so that no key stands for another.
    const File files[] = {{"b.jpg", 30, 1}, {"A.jpg", 20, 3}, {"c.JPG", 10, 2}, {"d.jpgx", 5, 0}, {"e.png", 1, 0}};
    SYSTEMTIME st = {2020, 5, 0, 10, 12, 0, 0, 0};
    FILETIME base;
    SystemTimeToFileTime(&st, &base);
    for (const File& f : files) {
        std::string path = dir.File(f.name);
        std::string content((size_t)f.size, 'x');
        testsupport::WriteFileBytes(path, content.data(), content.size());
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ULARGE_INTEGER t;
        t.LowPart = base.dwLowDateTime;
        t.HighPart = base.dwHighDateTime;
        t.QuadPart += (ULONGLONG)f.minutes * 60 * 10000000ULL;
        FILETIME ft = {t.LowPart, t.HighPart};
        SetFileTime(h, nullptr, nullptr, &ft);
        CloseHandle(h);
    }
    struct Case {
        int order;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {kSortName, {"A.jpg", "b.jpg", "c.JPG", "e.png"}},
        {kSortNameReverse, {"c.JPG", "b.jpg", "A.jpg", "e.png"}},
        {kSortDate, {"b.jpg", "c.JPG", "A.jpg", "e.png"}},
        {kSortDateReverse, {"A.jpg", "c.JPG", "b.jpg", "e.png"}},
        {kSortSize, {"c.JPG", "A.jpg", "b.jpg", "e.png"}},
        {kSortSizeReverse, {"b.jpg", "A.jpg", "c.JPG", "e.png"}},
    };
    for (const Case& c : cases) {
        bool capped = true;
        std::vector<std::string> got = ListFolderFiles(dir.Path().c_str(), "jpg;png", c.order, &capped);
        EXPECT_FALSE(capped);
        ASSERT_EQ(c.names.size(), got.size()) << "order " << c.order;
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(dir.File(c.names[i]), got[i]) << "order " << c.order;
    }
    // Groups follow the pattern list.
    std::vector<std::string> got = ListFolderFiles(dir.Path().c_str(), "png;jpg", kSortName, nullptr);
    ASSERT_EQ(4u, got.size());
    EXPECT_EQ(dir.File("e.png"), got[0]);
    EXPECT_TRUE(ListFolderFiles("C", "jpg", kSortName, nullptr).empty());
}

TEST(FileListing, MoreThanTheListHoldsIsCapped) {
    static_assert(kFileListMax == 10240, "the list holds 10,240 entries");
    constexpr int kCap = 12;   // the same rule at a size a test can fill quickly
    TempDir dir("cap");
    for (int i = 0; i <= kCap + 3; ++i) {
        char name[32];
        wsprintfA(name, "%05d.bmp", i);
        HANDLE h = CreateFileA(dir.File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }
    bool capped = false;
    std::vector<std::string> got = ListFolderFiles(dir.Path().c_str(), "bmp;jpg", kSortName, &capped, kCap);
    EXPECT_EQ((size_t)kCap, got.size());
    EXPECT_TRUE(capped);
    got = ListFolderFiles(dir.Path().c_str(), "bmp", kSortName, &capped, kCap + 4);
    EXPECT_EQ((size_t)kCap + 4, got.size());
    EXPECT_FALSE(capped);
    EXPECT_EQ(dir.File("00000.bmp"), got.front());
}

TEST(StatusText, ProgressCells) {
    EXPECT_EQ("処理中です：000％完了■□□□□□□□□□", ProgressText(0));
    EXPECT_EQ("処理中です：045％完了■■■■■□□□□□", ProgressText(45));
    EXPECT_EQ("処理中です：100％完了■■■■■■■■■■", ProgressText(100));
}

