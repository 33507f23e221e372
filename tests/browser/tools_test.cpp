// The browser's tools: batch conversion, the full view and slide show, the
// file search, colour matching and the print geometry and captions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/batch_convert.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/browser_settings.h"
#include "browser/colour_match.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/file_search.h"
#include "browser/full_view.h"
#include "browser/map_store.h"
#include "browser/print.h"
#include "fileio/exif_file.h"
#include "fileio/thumb_cache.h"
#include "browser_fixture.h"
#include "resources/darnaview_ids.h"
#include "test_support.h"

using namespace bvtest;

namespace {

bool Is(const ModalRequest& r, const char* templ) { return r.templ && std::string(r.templ) == templ; }

void SelectAll() {
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 1;
}

// The mean absolute difference of two pictures' channels.
// Calls take(d) with the absolute difference of every channel of every pixel
// of two pictures; false (and no calls) when they differ in size.
template <class Take>
bool EachDifference(const BITMAPINFOHEADER* a, const BITMAPINFOHEADER* b, Take take) {
    if (!a || !b || a->biWidth != b->biWidth || a->biHeight != b->biHeight) return false;
    for (int y = 0; y < a->biHeight; ++y)
        for (int x = 0; x < a->biWidth; ++x) {
            int r1, g1, b1, r2, g2, b2;
            GetDib24Rgb(a, x, y, &r1, &g1, &b1);
            GetDib24Rgb(b, x, y, &r2, &g2, &b2);
            take(std::abs(r1 - r2));
            take(std::abs(g1 - g2));
            take(std::abs(b1 - b2));
        }
    return true;
}

double MeanDifference(const BITMAPINFOHEADER* a, const BITMAPINFOHEADER* b) {
    double sum = 0;
    if (!EachDifference(a, b, [&](int d) { sum += d; })) return 1e9;
    return sum / (3.0 * a->biWidth * a->biHeight);
}

// The largest channel difference of two pictures of the same size.
int MaxDifference(const BITMAPINFOHEADER* a, const BITMAPINFOHEADER* b) {
    int most = 0;
    return EachDifference(a, b, [&](int d) { most = std::max(most, d); }) ? most : 1000;
}

void SetFileDate(const std::string& path, int year, int month, int day) {
    SYSTEMTIME st = {};
    st.wYear = (WORD)year;
    st.wMonth = (WORD)month;
    st.wDay = (WORD)day;
    st.wHour = 12;
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
}

void SetFileYear(const std::string& path, int year) { SetFileDate(path, year, 6, 15); }

}  // namespace

// ---- sizes and resampling

TEST(BrowserTools, ScaleSizeToBoxEnlargesAndReduces) {
    struct Case { int w, h, bw, bh, ow, oh; } cases[] = {
        {100, 50, 1024, 1024, 1024, 512}, {4000, 3000, 1024, 1024, 1024, 768}, {3000, 4000, 1024, 1024, 768, 1024},
        {10, 10, 4, 8, 4, 4},             {1, 30000, 4, 4, 1, 4},
    };
    for (const Case& c : cases) {
        int w, h;
        ScaleSizeToBox(c.w, c.h, c.bw, c.bh, &w, &h);
        EXPECT_EQ(c.ow, w) << c.w << "x" << c.h;
        EXPECT_EQ(c.oh, h) << c.w << "x" << c.h;
    }
    int w, h;
    FitReduceToBox(300, 200, 1280, 976, &w, &h);   // smaller: kept
    EXPECT_EQ(300, w);
    EXPECT_EQ(200, h);
    FitReduceToBox(2560, 976, 1280, 976, &w, &h);
    EXPECT_EQ(1280, w);
    EXPECT_EQ(488, h);
}

TEST(BrowserTools, AreaResizeAveragesCoveredPixels) {
    PackedDib src = CreateDib24(4, 1, 24);
    const int values[4] = {0, 0, 255, 255};
    for (int x = 0; x < 4; ++x) SetDib24Rgb(src, x, 0, values[x], values[x], values[x]);
    PackedDib half = ResizeDib24Area(src, 2, 1);
    int r, g, b;
    GetDib24Rgb(half, 0, 0, &r, &g, &b);
    EXPECT_EQ(0, r);
    GetDib24Rgb(half, 1, 0, &r, &g, &b);
    EXPECT_EQ(255, r);
    // Three to two: the middle pixel is shared half and half.
    PackedDib three = CreateDib24(3, 1, 24);
    SetDib24Rgb(three, 0, 0, 0, 0, 0);
    SetDib24Rgb(three, 1, 0, 120, 120, 120);
    SetDib24Rgb(three, 2, 0, 240, 240, 240);
    PackedDib two = ResizeDib24Area(three, 2, 1);
    GetDib24Rgb(two, 0, 0, &r, &g, &b);
    EXPECT_NEAR(40, r, 1);
    GetDib24Rgb(two, 1, 0, &r, &g, &b);
    EXPECT_NEAR(200, r, 1);
    // A flat picture stays flat at any size.
    PackedDib flat = CreateDib24(37, 23, 24);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) SetDib24Rgb(flat, x, y, 10, 200, 77);
    for (auto size : {std::pair<int, int>{5, 3}, {80, 50}, {36, 22}}) {
        PackedDib out = ResizeDib24Area(flat, size.first, size.second);
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x) {
                GetDib24Rgb(out, x, y, &r, &g, &b);
                ASSERT_TRUE(r == 10 && g == 200 && b == 77) << size.first << " " << x << "," << y;
            }
        FreePackedDib(out);
    }
    for (PackedDib d : {src, half, three, two, flat}) FreePackedDib(d);
}

// ---- batch conversion

TEST(BrowserTools, BatchOutputPathReplacesTheNamesExtensionOnly) {
    struct Case { const char* folder; const char* source; const char* ext; const char* want; } cases[] = {
        {"C:\\out\\", "C:\\pics\\photo.jpg", "png", "C:\\out\\photo.png"},
        {"C:\\out.v2\\", "C:\\pics\\README", "png", nullptr},   // no dot in the name: passed over
        {"C:\\out\\", "C:\\a.b\\README", "png", nullptr},
        {"C:\\out\\", "C:\\pics\\name.tar.gz", "bmp", "C:\\out\\name.tar.bmp"},
    };
    for (const Case& c : cases) {
        char out[MAX_PATH];
        const int ok = BatchOutputPath(c.folder, c.source, c.ext, out, sizeof out);
        if (!c.want) EXPECT_EQ(0, ok) << c.source;
        else EXPECT_STREQ(c.want, out);
    }
    EXPECT_EQ(1, IsFolderFast("A:\\nothing"));
    EXPECT_EQ(1, IsFolderFast("Q:\\"));
    EXPECT_EQ(1, IsFolderFast(testsupport::ExeFolder().c_str()));
    EXPECT_EQ(0, IsFolderFast((testsupport::ExeFolder() + "no such folder\\").c_str()));
}

TEST(BrowserTools, BatchFitsJpegsFromAReducedDecodeCloseToAFullReadThenResample) {
    // A photo-like JPEG: smooth shading with fine texture and a hard-edged disc.
    testsupport::TempDir pics("batchjpg"), out("batchjpgout");
    BrowserFolder host;
    host.Init();
    const int w = 960, h = 720;
    PackedDib photo = CreateDib24(w, h, 24);
    ASSERT_NE(nullptr, photo);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int grain = (int)(((unsigned)(x * 7919 + y * 104729) >> 3) % 9) - 4;
            const bool disc = (x - 600) * (x - 600) + (y - 300) * (y - 300) < 150 * 150;
            const int r = disc ? 230 : 40 + x * 150 / w + grain, g = disc ? 40 : 60 + y * 120 / h + grain,
                      b = disc ? 60 : 200 - (x + y) * 100 / (w + h) + grain;
            SetDib24Rgb(photo, x, y, r, g, b);
        }
    ASSERT_TRUE(WritePicture(photo, pics.File("photo.jpg")));
    FreePackedDib(photo);
    PackedDib full = ReadImageToDib24(pics.File("photo.jpg").c_str());
    ASSERT_NE(nullptr, full);
    g_FileList.paths = {pics.File("photo.jpg")};
    g_FileList.count = 1;
    g_FileList.flags.assign(1, 1);
    std::snprintf(g_BrowserSettings.outputFolder, sizeof g_BrowserSettings.outputFolder, "%s", out.Path().c_str());

    // Boxes reducing by an eighth, a quarter, a half (reduced decodes) and by
    // less than half (the full read, so the same pixels as resampling it).
    struct Case {
        int box, width, height;
        bool exact;
    } const cases[] = {{120, 120, 90, false}, {200, 200, 150, false}, {480, 480, 360, false}, {600, 600, 450, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        BatchOptions options;
        options.extension = "bmp";
        options.resize = 1;
        options.width = options.height = c.box;
        ASSERT_EQ(1, RunBatchConvert(nullptr, options));
        PackedDib got = ReadImageToDib24(out.File("photo.bmp").c_str());
        ASSERT_NE(nullptr, got);
        EXPECT_EQ(c.width, got->biWidth);
        EXPECT_EQ(c.height, got->biHeight);
        PackedDib expected = ResizeDib24Area(full, c.width, c.height);
        if (c.exact) {
            EXPECT_EQ(0, MaxDifference(expected, got));
        } else {
            // Rounding spread thinly; the most at the disc's edge, where the
            // decoder reduces the halved colour samples once more.
            EXPECT_LT(MeanDifference(expected, got), 1.0);
            EXPECT_LE(MaxDifference(expected, got), 48);
        }
        FreePackedDib(got);
        FreePackedDib(expected);
    }
    FreePackedDib(full);
    g_FileList.paths.clear();
    g_FileList.flags.clear();
    g_FileList.count = 0;
}

TEST(BrowserTools, BatchReadsAFileWrittenEarlierInTheRunAsWritten) {
    // a.png becomes a.jpg first; the JPEG listed next is then that new file.
    testsupport::TempDir pics("batchsame");
    BrowserFolder host;
    host.Init();
    PackedDib red = CreateDib24(400, 300, 24), blue = CreateDib24(400, 300, 24);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            SetDib24Rgb(red, x, y, 220, 30, 30);
            SetDib24Rgb(blue, x, y, 30, 30, 220);
        }
    ASSERT_TRUE(WritePicture(red, pics.File("a.png")));
    ASSERT_TRUE(WritePicture(blue, pics.File("a.jpg")));
    FreePackedDib(red);
    FreePackedDib(blue);
    g_FileList.paths = {pics.File("a.png"), pics.File("a.jpg")};
    g_FileList.count = 2;
    g_FileList.flags.assign(2, 1);
    std::snprintf(g_BrowserSettings.outputFolder, sizeof g_BrowserSettings.outputFolder, "%s", pics.Path().c_str());
    BatchOptions options;
    options.extension = "jpg";
    options.resize = 1;
    options.width = options.height = 100;
    EXPECT_EQ(2, RunBatchConvert(nullptr, options));
    PackedDib got = ReadImageToDib24(pics.File("a.jpg").c_str());
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(100, got->biWidth);
    int r, g, b;
    ASSERT_EQ(1, GetDib24Rgb(got, 50, 37, &r, &g, &b));
    EXPECT_GT(r, 180);
    EXPECT_LT(b, 80);
    FreePackedDib(got);
    g_FileList.paths.clear();
    g_FileList.flags.clear();
    g_FileList.count = 0;
}

TEST(BrowserTools, BatchConvertsMixedFilesIntoTheChosenFormatAndSize) {
    testsupport::TempDir pics("batch"), out("batchout");
    PackedDib wide = MakePattern(200, 100, 3), tall = MakePattern(60, 120, 5);
    {
        BrowserFolder host;
        host.Init();
        ASSERT_TRUE(WritePicture(wide, pics.File("a.bmp")));
        ASSERT_TRUE(WritePicture(tall, pics.File("b.png")));
    }
    testsupport::WriteFileBytes(pics.File("c.dra"), "not a canvas", 12);
    RunningBrowser browser(pics.Path(), true);
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());   // no loader reads beside the test's own
    SelectAll();
    std::snprintf(g_BrowserSettings.outputFolder, sizeof g_BrowserSettings.outputFolder, "%s", out.Path().c_str());

    // The dialog: png chosen from the writers' list, resize into 50 x 50.
    std::vector<std::string> formats;
    Answers a([&](const ModalRequest& r) {
        if (!Is(r, "dpj_xfer")) return IDOK;
        HWND list = GetDlgItem(r.dialog, IDC_BV_XFER_FORMATS);
        const int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            char text[300];
            SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
            formats.push_back(text);
            if (std::string(text).find("[*.png]") != std::string::npos) {
                SendMessageA(list, LB_SETCURSEL, (WPARAM)i, 0);
                SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(IDC_BV_XFER_FORMATS, LBN_SELCHANGE), (LPARAM)list);
            }
        }
        SendMessageA(r.dialog, WM_COMMAND, IDC_BV_XFER_RESIZE, 0);
        SetDlgItemTextA(r.dialog, IDC_BV_XFER_WIDTH, "50");
        SetDlgItemTextA(r.dialog, IDC_BV_XFER_HEIGHT, "3");   // below the least: 4
        return IDOK;
    });
    browser.Command(IDM_BV_BATCH);
    EXPECT_FALSE(AnyContains(formats, "psd"));
    EXPECT_FALSE(AnyContains(formats, "dra"));
    EXPECT_TRUE(AnyContains(formats, "[*.jpg]"));
    // One message for the refused kind, naming it twice.
    ASSERT_EQ(1u, a.texts.size());
    EXPECT_NE(std::string::npos, a.texts[0].find("DRA形式のファイルがあります"));
    EXPECT_NE(std::string::npos, a.texts[0].find("DRA形式のファイルを変換する"));
    // Outputs: fitted into 50 x 4.
    PackedDib outA = ReadImageToDib24(out.File("a.png").c_str());
    PackedDib outB = ReadImageToDib24(out.File("b.png").c_str());
    ASSERT_NE(nullptr, outA);
    ASSERT_NE(nullptr, outB);
    EXPECT_EQ(8, outA->biWidth);
    EXPECT_EQ(4, outA->biHeight);
    EXPECT_EQ(2, outB->biWidth);
    EXPECT_EQ(4, outB->biHeight);
    EXPECT_EQ(-1, testsupport::FileSize(out.File("c.png")));
    PackedDib expectA = ResizeDib24Area(wide, 8, 4);
    EXPECT_LT(MeanDifference(expectA, outA), 0.5);
    for (PackedDib d : {outA, outB, expectA}) FreePackedDib(d);

    // Into the source folder itself, same format, without resizing: the file
    // is replaced by its conversion; a refusing writer names its file and
    // stops the run, and the old file stays.
    std::snprintf(g_BrowserSettings.outputFolder, sizeof g_BrowserSettings.outputFolder, "%s", pics.Path().c_str());
    BatchOptions same;
    same.extension = "png";
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = g_FileList.paths[(size_t)i] == pics.File("b.png");
    EXPECT_EQ(1, RunBatchConvert(browser.Frame(), same));
    PackedDib back = ReadImageToDib24(pics.File("b.png").c_str());
    EXPECT_LT(MeanDifference(tall, back), 0.5);
    FreePackedDib(back);

    SelectAll();
    a.texts.clear();
    BatchOptions refused;
    refused.extension = "refuse";
    EXPECT_EQ(0, RunBatchConvert(browser.Frame(), refused));
    ASSERT_EQ(2u, a.texts.size());
    EXPECT_NE(std::string::npos, a.texts[1].find("a.refuse]の作成に失敗しました"));
    EXPECT_EQ(-1, testsupport::FileSize(pics.File("b.refuse")));   // the run stopped at a
    FreePackedDib(wide);
    FreePackedDib(tall);
}

// ---- full view and slide show

namespace {
DWORD g_fakeNow = 100000;
DWORD FakeClock() { return g_fakeNow; }
}  // namespace

TEST(BrowserTools, FullViewStartsAtThePointedFileStepsAndWraps) {
    testsupport::TempDir pics("view");
    {
        BrowserFolder host;
        host.Init();
        for (int i = 0; i < 4; ++i) {
            PackedDib p = MakePattern(80 + 20 * i, 60, i);
            ASSERT_TRUE(WritePicture(p, pics.File("v" + std::to_string(i) + ".bmp")));
            FreePackedDib(p);
        }
    }
    testsupport::WriteFileBytes(pics.File("v4.bmp"), "BMbroken", 8);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());   // no loader reads beside the test's own
    ASSERT_EQ(5, g_FileList.count);
    const int v0 = browser.IndexOf(pics.File("v0.bmp")), v1 = browser.IndexOf(pics.File("v1.bmp")),
              v3 = browser.IndexOf(pics.File("v3.bmp")), v4 = browser.IndexOf(pics.File("v4.bmp"));
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = i == v0 || i == v1 || i == v3 || i == v4;
    g_FileList.anchor = v1;
    SetFullViewClock(FakeClock);

    std::vector<int> shown;
    int intervalAfter = 0;
    std::string intervalText;
    Answers a([&](const ModalRequest& r) {
        if (!Is(r, "dra_disp2")) return IDOK;
        const FullViewInfo& v = GetFullViewInfo();
        HWND dlg = r.dialog;
        shown.push_back(v.shownIndex);                       // the pointed file
        SendMessageA(dlg, kMsgViewNext, 0, 0);
        shown.push_back(v.shownIndex);                       // moves on: v3
        SendMessageA(dlg, kMsgViewNext, 0, 0);
        shown.push_back(v.shownIndex);                       // v4 cannot be read: placeholder
        EXPECT_EQ(640, v.imageWidth);
        EXPECT_EQ(480, v.imageHeight);
        SendMessageA(dlg, kMsgViewNext, 0, 0);
        shown.push_back(v.shownIndex);                       // wraps to v0
        SendMessageA(dlg, kMsgViewPrevious, 0, 0);
        shown.push_back(v.shownIndex);                       // back to the placeholder
        // The slide show: nothing before the interval has passed, a step after.
        SendMessageA(dlg, kMsgViewNext, 0, 0);               // v0, noted at the fake time
        g_fakeNow += 4000;
        SendMessageA(dlg, WM_TIMER, 1, 0);
        shown.push_back(v.shownIndex);                       // still v0
        g_fakeNow += 1;
        SendMessageA(dlg, WM_TIMER, 1, 0);
        shown.push_back(v.shownIndex);                       // v1
        // The interval edit keeps 1..100 and is rewritten half a second later.
        SetDlgItemTextA(GetDlgItem(v.bar, IDC_BV_DISP_INTERVAL) ? v.bar : dlg, IDC_BV_DISP_INTERVAL, "250");
        intervalAfter = v.interval;
        PumpUntil(
            [&] {
                char t[16] = {};
                GetDlgItemTextA(v.bar, IDC_BV_DISP_INTERVAL, t, sizeof t);
                intervalText = t;
                return intervalText == "100";
            },
            3000);
        SetDlgItemTextA(v.bar, IDC_BV_DISP_INTERVAL, "4");
        return IDOK;
    });
    EXPECT_EQ(1, ShowFullView(browser.Frame()));
    const std::vector<int> want = {v1, v3, -1, v0, -1, v0, v1};
    EXPECT_EQ(want, shown);
    EXPECT_EQ(100, intervalAfter);
    EXPECT_EQ("100", intervalText);

    // One file: no stepping controls, the automatic flag goes off and timer
    // ticks step nowhere.
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = i == v3;
    int zeroSized = 0, automatic = -1, after = -2;
    Answers one([&](const ModalRequest& r) {
        if (!Is(r, "dra_disp2")) return IDOK;
        const FullViewInfo& v = GetFullViewInfo();
        for (int id : {IDC_BV_DISP_PREV, IDC_BV_DISP_NEXT, IDC_BV_DISP_AUTO, IDC_BV_DISP_INTERVAL}) {
            RECT rc;
            GetWindowRect(GetDlgItem(v.bar, id), &rc);
            zeroSized += rc.right == rc.left;
        }
        automatic = v.automatic;
        g_fakeNow += 100000;
        SendMessageA(r.dialog, WM_TIMER, 1, 0);
        SendMessageA(r.dialog, kMsgViewNext, 0, 0);
        after = v.shownIndex;
        return kModalPressClose;
    });
    EXPECT_EQ(0, ShowFullView(browser.Frame()));
    EXPECT_EQ(4, zeroSized);
    EXPECT_EQ(0, automatic);
    EXPECT_EQ(v3, after);
    SetFullViewClock(nullptr);
}

TEST(BrowserTools, FullViewAtOneHundredPercentScrollsALargePictureAndCentresASmallOne) {
    testsupport::TempDir pics("view100");
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    {
        BrowserFolder host;
        host.Init();
        PackedDib big = MakePattern(sw + 300, sh + 200, 1), small = MakePattern(64, 48, 2);
        ASSERT_TRUE(WritePicture(big, pics.File("big.bmp")));
        ASSERT_TRUE(WritePicture(small, pics.File("small.bmp")));
        FreePackedDib(big);
        FreePackedDib(small);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());   // no loader reads beside the test's own
    const int big = browser.IndexOf(pics.File("big.bmp"));
    int fitZoom = 0, scrolled = 0, hasBar = 0;
    RECT surface = {};
    Answers a([&](const ModalRequest& r) {
        const FullViewInfo& v = GetFullViewInfo();
        fitZoom = v.zoom;
        HWND combo = GetDlgItem(v.bar, IDC_BV_DISP_ZOOM);
        SendMessageA(combo, CB_SETCURSEL, 6, 0);   // 100 %
        SendMessageA(v.bar, WM_COMMAND, MAKEWPARAM(IDC_BV_DISP_ZOOM, CBN_SELCHANGE), (LPARAM)combo);
        HWND frame = FindWindowExA(r.dialog, nullptr, kFullViewFrameClass, nullptr);
        hasBar = (GetWindowLongA(frame, GWL_STYLE) & WS_HSCROLL) ? 1 : 0;
        SendMessageA(frame, WM_HSCROLL, SB_PAGEDOWN, 0);
        scrolled = v.scrollX;
        GetWindowRect(FindWindowExA(frame, nullptr, kFullViewSurfaceClass, nullptr), &surface);
        return IDOK;
    });
    browser.SelectOnly(pics.File("big.bmp"));
    g_FileList.anchor = big;
    EXPECT_EQ(1, ShowFullView(browser.Frame()));
    EXPECT_LT(fitZoom, 100);
    EXPECT_EQ(1, hasBar);
    EXPECT_EQ(10, scrolled);
    EXPECT_EQ(-10, surface.left);
    // A small picture is centred.
    Answers b([&](const ModalRequest& r) {
        HWND frame = FindWindowExA(r.dialog, nullptr, kFullViewFrameClass, nullptr);
        GetWindowRect(FindWindowExA(frame, nullptr, kFullViewSurfaceClass, nullptr), &surface);
        return IDOK;
    });
    EXPECT_EQ(1, ShowFullView(browser.Frame(), pics.File("small.bmp").c_str()));
    EXPECT_EQ(64, surface.right - surface.left);
    EXPECT_EQ((sw - 64) / 2, surface.left);
}

// ---- file search

TEST(BrowserTools, SearchWalksTheTreeInOrderSortsAndCaps) {
    testsupport::TempDir root("search");
    CreateDirectoryA(root.File("sub").c_str(), nullptr);
    CreateDirectoryA(root.File("sub\\deeper").c_str(), nullptr);
    CreateDirectoryA(root.File("zother").c_str(), nullptr);
    for (const char* f : {"b.jpg", "sub\\a.jpg", "sub\\deeper\\c.jpg", "zother\\d.txt", ".hidden.jpg", "sub\\x.JPG"})
        testsupport::WriteFileBytes(root.File(f), "x", 1);
    SearchResults r = RunSearch(root.Path().c_str(), "*.jpg");
    std::vector<std::string> want = {root.File("b.jpg"), root.File("sub\\a.jpg"), root.File("sub\\x.JPG"),
                                     root.File("sub\\deeper\\c.jpg")};
    ASSERT_EQ(4u, r.paths.size());
    // Walk order: the start folder, then each sub-folder before its own.
    EXPECT_EQ(want[0], r.paths[0]);
    EXPECT_EQ(want[3], r.paths[3]);
    SortSearchResults(&r, kSearchByName);
    EXPECT_EQ(root.File("b.jpg"), r.paths[0]);
    EXPECT_EQ(root.File("sub\\x.JPG"), r.paths[3]);
    SortSearchResults(&r, kSearchByNameReverse);
    EXPECT_EQ(root.File("sub\\x.JPG"), r.paths[0]);
    // Dates of different years sort by year (no 32-bit wrap).
    SetFileYear(root.File("b.jpg"), 2025);
    SetFileYear(root.File("sub\\a.jpg"), 2019);
    SetFileYear(root.File("sub\\x.JPG"), 2022);
    SetFileYear(root.File("sub\\deeper\\c.jpg"), 2031);
    SearchResults d = RunSearch(root.Path().c_str(), "*.jpg");
    SortSearchResults(&d, kSearchByDate);
    EXPECT_EQ(root.File("sub\\a.jpg"), d.paths[0]);
    EXPECT_EQ(root.File("sub\\deeper\\c.jpg"), d.paths[3]);
    SortSearchResults(&d, kSearchByDateReverse);
    EXPECT_EQ(root.File("sub\\deeper\\c.jpg"), d.paths[0]);
    EXPECT_EQ(root.File("b.jpg"), d.paths[1]);

    // More than 1,000 matches: the first 1,000 are kept.
    CreateDirectoryA(root.File("many").c_str(), nullptr);
    for (int i = 0; i < 1003; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "many\\m%04d.dat", i);
        testsupport::WriteFileBytes(root.File(name), "", 0);
    }
    SearchResults many = RunSearch(root.Path().c_str(), "*.dat");
    EXPECT_EQ(1003, many.matches);
    EXPECT_EQ(1000u, many.paths.size());
}

TEST(BrowserTools, SearchByDateOrdersMonthsThenDays) {
    testsupport::TempDir root("dates");
    struct Dated {
        const char* name;
        int year, month, day;
    };
    // Listed in walk order (by name); sorted by date they run d1 .. d6.
    const Dated files[] = {{"a.jpg", 2024, 11, 2}, {"b.jpg", 2024, 3, 28}, {"c.jpg", 2024, 1, 30},
                           {"d.jpg", 2024, 11, 1}, {"e.jpg", 2024, 3, 9},  {"f.jpg", 2024, 12, 31}};
    const char* byDate[] = {"c.jpg", "e.jpg", "b.jpg", "d.jpg", "a.jpg", "f.jpg"};
    for (const Dated& f : files) {
        testsupport::WriteFileBytes(root.File(f.name), "x", 1);
        SetFileDate(root.File(f.name), f.year, f.month, f.day);
    }
    SearchResults r = RunSearch(root.Path().c_str(), "*.jpg");
    ASSERT_EQ(6u, r.paths.size());
    SortSearchResults(&r, kSearchByDate);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(root.File(byDate[i]), r.paths[i]) << i;
    SortSearchResults(&r, kSearchByDateReverse);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(root.File(byDate[5 - i]), r.paths[i]) << i;
}

TEST(BrowserTools, SearchDialogListsJumpsAndMakesThumbnails) {
    testsupport::TempDir pics("found");
    CreateDirectoryA(pics.File("sub").c_str(), nullptr);
    {
        BrowserFolder host;
        host.Init();
        PackedDib p = MakePattern(80, 40, 4);
        ASSERT_TRUE(WritePicture(p, pics.File("one.bmp")));
        ASSERT_TRUE(WritePicture(p, pics.File("sub\\two.bmp")));
        FreePackedDib(p);
    }
    testsupport::WriteFileBytes(pics.File("sub\\bad.bmp"), "BMxx", 4);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());   // no loader reads beside the test's own
    int listed = 0;
    bool thumbs = false;
    Answers a([&](const ModalRequest& r) {
        if (!Is(r, "dra_filelist")) return IDOK;
        listed = (int)SendDlgItemMessageA(r.dialog, IDC_BV_FL_NAMES, LB_GETCOUNT, 0, 0);
        const SearchDialogInfo& info = GetSearchDialogInfo();
        thumbs = PumpUntil(
            [&] {
                for (const std::string& p : info.results->paths)
                    if (!HasThumbCache(p.c_str(), kSearchCacheSet)) return false;
                return true;
            },
            20000);
        PackedDib t = LoadThumbCache(pics.File("one.bmp").c_str(), kSearchCacheSet);
        EXPECT_NE(nullptr, t);
        if (t) {
            EXPECT_EQ(40, t->biWidth);
            EXPECT_EQ(20, t->biHeight);
            FreePackedDib(t);
        }
        PackedDib black = LoadThumbCache(pics.File("sub\\bad.bmp").c_str(), kSearchCacheSet);
        EXPECT_NE(nullptr, black);
        if (black) {
            int rr, gg, bb;
            GetDib24Rgb(black, 20, 20, &rr, &gg, &bb);
            EXPECT_EQ(0, rr + gg + bb);
            FreePackedDib(black);
        }
        HWND list = GetDlgItem(r.dialog, IDC_BV_FL_NAMES);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(IDC_BV_FL_NAMES, LBN_SELCHANGE), (LPARAM)list);
        SendMessageA(r.dialog, WM_COMMAND, IDC_BV_FL_JUMP, 0);
        return IDCANCEL;
    });
    EXPECT_EQ(1, SearchFiles(browser.Frame(), pics.Path().c_str(), "*.bmp"));
    EXPECT_EQ(3, listed);
    EXPECT_TRUE(thumbs);
    std::string jump;
    ASSERT_TRUE(testsupport::ReadFileBytes(browser.Program() + "jump.dat", &jump));
    EXPECT_EQ(pics.File("sub\\bad.bmp") + "\r\n", jump);   // name order: one, sub\bad, sub\two
    // Nothing found: one message, no dialog.
    a.texts.clear();
    EXPECT_EQ(0, SearchFiles(browser.Frame(), pics.Path().c_str(), "*.nothing"));
    ASSERT_EQ(1u, a.texts.size());
    EXPECT_EQ("ファイルが見つかりませんでした", a.texts[0]);
}

// ---- colour matching

namespace {

void WriteColourSettings(const std::string& folder, uint32_t flags, const char* monitor) {
    ColourMatchSettings s = {};
    s.flags = flags;
    std::snprintf(s.monitorProfile, sizeof s.monitorProfile, "%s", monitor);
    testsupport::WriteFileBytes(folder + "colmatch.ini", &s, sizeof s);
}

std::string ProfilePath(const char* name) { return std::string("Z:\\usr\\share\\color\\icc\\") + name; }

}  // namespace

TEST(BrowserTools, ColourMatchingTranslatesThroughTheMonitorProfile) {
    testsupport::TempDir editor("cm");
    PackedDib pic = CreateDib24(5, 13, 24);   // 13 rows: one band of 8 and one of 5
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 5; ++x) SetDib24Rgb(pic, x, y, 0, 255, 0);
    auto matched = [&](uint32_t flags, const char* profile, int* r, int* g, int* b) {
        WriteColourSettings(editor.Path(), flags, profile);
        std::memset(&g_ColourMatch, 0, sizeof g_ColourMatch);
        g_ColourTransform.Close();
        LoadColourSettings(nullptr, editor.Path().c_str());
        PackedDib copy = ConvertDibTo24(pic);
        ApplyColourMatch(copy, nullptr);
        int r2, g2, b2;
        GetDib24Rgb(copy, 0, 12, r, g, b);
        GetDib24Rgb(copy, 4, 0, &r2, &g2, &b2);
        EXPECT_TRUE(*r == r2 && *g == g2 && *b == b2) << *r << "," << *g << "," << *b << " / " << r2 << "," << g2 << "," << b2 << " " << profile;   // every band alike
        FreePackedDib(copy);
    };
    int r, g, b;
    // sRGB to a wider monitor space: pure sRGB green is no longer pure.
    const std::string wide = ProfilePath("compatibleWithAdobeRGB1998.icc");
    if (testsupport::FileSize(wide) <= 0) GTEST_SKIP() << "icc-profiles-free is not installed";
    matched(kColourMatchOn, wide.c_str(), &r, &g, &b);
    if (r == 0 && g == 255 && b == 0) GTEST_SKIP() << "this Wine has no colour management engine";
    EXPECT_GT(r, 100);
    EXPECT_GT(g, 200);
    EXPECT_GT(b, 20);
    // sRGB to sRGB changes (next to) nothing.
    matched(kColourMatchOn, ProfilePath("sRGB.icc").c_str(), &r, &g, &b);
    EXPECT_LE(r, 3);
    EXPECT_GE(g, 252);
    EXPECT_LE(b, 3);
    // Matching off, a damaged profile, or a missing one: unchanged.
    testsupport::WriteFileBytes(editor.File("bad.icc"), "not a profile at all", 20);
    for (std::pair<uint32_t, std::string> c : {std::pair<uint32_t, std::string>{0, wide},
                                              {kColourMatchOn, editor.File("bad.icc")},
                                              {kColourMatchOn, editor.File("missing.icc")}}) {
        matched(c.first, c.second.c_str(), &r, &g, &b);
        EXPECT_TRUE(r == 0 && g == 255 && b == 0) << c.second;
    }
    // The monitor profile that could not be opened gave way to the system's.
    EXPECT_STRNE(editor.File("missing.icc").c_str(), g_ColourMatch.monitorProfile);
    // No colmatch.ini at all: matching stays off.
    DeleteFileA(editor.File("colmatch.ini").c_str());
    std::memset(&g_ColourMatch, 0, sizeof g_ColourMatch);
    g_ColourTransform.Close();
    LoadColourSettings(nullptr, editor.Path().c_str());
    EXPECT_EQ(0u, g_ColourMatch.flags & kColourMatchOn);
    {
        PackedDib copy = ConvertDibTo24(pic);
        ApplyColourMatch(copy, nullptr);
        GetDib24Rgb(copy, 2, 6, &r, &g, &b);
        EXPECT_TRUE(r == 0 && g == 255 && b == 0) << r << "," << g << "," << b;
        FreePackedDib(copy);
    }
    // Other depths pass unchanged.
    WriteColourSettings(editor.Path(), kColourMatchOn, wide.c_str());
    LoadColourSettings(nullptr, editor.Path().c_str());
    PackedDib grey = CreateDib24(4, 4, 8);
    std::memset(GetPackedDibBits(grey), 77, 16);
    ApplyColourMatch(grey, nullptr);
    EXPECT_EQ(77, GetPackedDibBits(grey)[5]);
    FreePackedDib(grey);
    FreePackedDib(pic);
    std::memset(&g_ColourMatch, 0, sizeof g_ColourMatch);
    g_ColourTransform.Close();
}

TEST(BrowserTools, FullViewMatchesEveryPictureItShows) {
    const std::string wide = ProfilePath("compatibleWithAdobeRGB1998.icc");
    if (testsupport::FileSize(wide) <= 0) GTEST_SKIP() << "icc-profiles-free is not installed";
    testsupport::TempDir pics("cmview");
    {
        BrowserFolder host;
        host.Init();
        for (int i = 0; i < 3; ++i) {
            PackedDib p = CreateDib24(30 + 10 * i, 20, 24);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30 + 10 * i; ++x) SetDib24Rgb(p, x, y, 0, 255, 0);
            ASSERT_TRUE(WritePicture(p, pics.File("g" + std::to_string(i) + ".bmp")));
            FreePackedDib(p);
        }
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    testsupport::TempDir editor("cmeditor");
    WriteColourSettings(editor.Path(), kColourMatchOn, wide.c_str());
    LoadColourSettings(nullptr, editor.Path().c_str());
    SelectAll();
    g_FileList.anchor = 0;
    SetFullViewClock(FakeClock);
    // What each shown picture looks like: its first pixel and its width.
    std::vector<std::pair<int, COLORREF>> seen;
    auto note = [&] {
        const BITMAPINFOHEADER* im = FullViewImage();
        int r = -1, g = -1, b = -1;
        if (im) GetDib24Rgb(im, 0, 0, &r, &g, &b);
        seen.push_back({im ? im->biWidth : 0, RGB(r, g, b)});
    };
    Answers a([&](const ModalRequest& r) {
        if (!Is(r, "dra_disp2")) return IDOK;
        note();                                      // the first
        SendMessageA(r.dialog, kMsgViewNext, 0, 0);
        note();                                      // after Next
        SendMessageA(r.dialog, kMsgViewPrevious, 0, 0);
        note();                                      // after Previous
        const FullViewInfo& v = GetFullViewInfo();
        if (!v.automatic) SendMessageA(v.bar, WM_COMMAND, IDC_BV_DISP_AUTO, 0);   // the slide show on
        g_fakeNow += 200000;
        SendMessageA(r.dialog, WM_TIMER, 1, 0);
        note();                                      // after the slide show's step
        return IDOK;
    });
    EXPECT_EQ(1, ShowFullView(browser.Frame()));
    SetFullViewClock(nullptr);
    std::memset(&g_ColourMatch, 0, sizeof g_ColourMatch);
    g_ColourTransform.Close();
    ASSERT_EQ(4u, seen.size());
    const int widths[] = {30, 40, 30, 40};
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(widths[i], seen[i].first) << i;
        if (i == 0 && seen[0].second == RGB(0, 255, 0)) GTEST_SKIP() << "this Wine has no colour management engine";
        EXPECT_NE(RGB(0, 255, 0), seen[i].second) << "picture " << i << " was shown untranslated";
        EXPECT_EQ(seen[0].second, seen[i].second) << i;
    }
}

// ---- printing: geometry, banding, captions

TEST(BrowserTools, PrintGeometryInMillimetresAndInches) {
    PrintSettings s = DefaultPrintSettings(1000, 500);
    EXPECT_DOUBLE_EQ(100, s.width);
    EXPECT_DOUBLE_EQ(50, s.height);
    EXPECT_EQ(254, s.dpi);
    RECT r = PrintPlacement(s, 600, 600);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(2362, r.right - r.left);
    EXPECT_EQ(1181, r.bottom - r.top);
    SetPrintUnit(&s, kUnitInch);
    EXPECT_NEAR(3.937008, s.width, 1e-9);
    SetPrintUnit(&s, kUnitMm);
    EXPECT_NEAR(100, s.width, 1e-4);
    SetPrintDpi(&s, 100, 1000, 500);
    EXPECT_NEAR(254, s.width, 1e-9);
    EXPECT_NEAR(127, s.height, 1e-9);
    // A width under an inch counts as one inch for the resolution.
    SetPrintWidth(&s, 10, 1000, 500);
    EXPECT_EQ(1000, s.dpi);

    // A 600-dpi page of 8 x 11 inches: fit, then centre.
    PrinterState p = {.dc = nullptr, .pageWidth = 4800, .pageHeight = 6600, .dpiX = 600, .dpiY = 600};
    struct Case { int unit, iw, ih; double w, h, left, top; } cases[] = {
        {kUnitInch, 1000, 500, 8.0, 4.0, 0.0, 3.5},
        {kUnitInch, 500, 1000, 5.5, 11.0, 1.25, 0.0},
        {kUnitMm, 1000, 500, 203.2, 101.6, 0.0, 88.9},
    };
    for (const Case& c : cases) {
        PrintSettings f = DefaultPrintSettings(c.iw, c.ih);
        SetPrintUnit(&f, c.unit);
        f.left = f.top = 7;
        FitPrintToPage(&f, c.iw, c.ih, p);
        EXPECT_NEAR(c.w, f.width, 1e-6);
        EXPECT_NEAR(c.h, f.height, 1e-6);
        EXPECT_EQ(0, f.left + f.top);
        CentrePrintOnPage(&f, p);
        EXPECT_NEAR(c.left, f.left, 1e-6);
        EXPECT_NEAR(c.top, f.top, 1e-6);
    }
    // Index layouts.
    EXPECT_EQ(2, IndexPageCount(25, 4, 6));
    EXPECT_EQ(1, IndexPageCount(24, 4, 6));
    EXPECT_EQ(0, IndexPageCount(0, 4, 6));
    RECT c24 = IndexCellRect(p, 4, 6, 24), c5 = IndexCellRect(p, 4, 6, 5);
    EXPECT_EQ(0, c24.left);
    EXPECT_EQ(0, c24.top);
    EXPECT_EQ(1200, c5.left);
    EXPECT_EQ(1100, c5.top);
    EXPECT_EQ(2400, c5.right);
}

TEST(BrowserTools, PrintBandedEnlargesAndReduces) {
    PackedDib pattern = MakePattern(100, 50, 7);
    MapImage* image = g_MapStore.Create(100, 50, 24, 255, 0);
    ASSERT_NE(nullptr, image);
    std::vector<uint8_t> row(300);
    for (int y = 0; y < 50; ++y) {
        GetDib24Row(pattern, y, 0, 99, row.data());
        g_MapStore.PutRow(image, y, 0, 99, row.data());
    }
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = 400, .biHeight = -200, .biPlanes = 1,
                    .biBitCount = 32, .biCompression = BI_RGB, .biSizeImage = 0, .biXPelsPerMeter = 0,
                    .biYPelsPerMeter = 0, .biClrUsed = 0, .biClrImportant = 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, section);
    auto pixel = [&](int x, int y) { return ((const uint32_t*)bits)[(size_t)y * 400 + (size_t)x] & 0xFFFFFF; };
    auto similar = [](uint32_t got, COLORREF want) {
        return std::abs((int)((got >> 16) & 255) - GetRValue(want)) <= 6 &&
               std::abs((int)((got >> 8) & 255) - GetGValue(want)) <= 6 && std::abs((int)(got & 255) - GetBValue(want)) <= 6;
    };
    struct Case { int w, h; } cases[] = {{300, 150}, {40, 20}, {100, 50}};
    for (const Case& c : cases) {
        std::memset(bits, 0, 400 * 200 * 4);
        EXPECT_EQ(1, PrintBanded(dc, 10, 20, c.w, c.h, image));
        // Each sampled point shows the source pixel it comes from.
        for (auto pt : {std::pair<int, int>{0, 0}, {c.w / 2, c.h / 2}, {c.w - 1, c.h - 1}, {c.w / 3, c.h - 2}}) {
            const int sx = (int)((double)pt.first * 100 / c.w), sy = (int)((double)pt.second * 50 / c.h);
            EXPECT_TRUE(similar(pixel(10 + pt.first, 20 + pt.second), PatternRgb(sx, sy, 7)))
                << c.w << " at " << pt.first << "," << pt.second;
        }
        EXPECT_EQ(0u, pixel(10 + c.w, 20));   // nothing beyond the target
    }
    EXPECT_EQ(0, PrintBanded(dc, 0, 0, 0, 10, image));
    DeleteDC(dc);
    DeleteObject(section);
    g_MapStore.Free(&image);
    FreePackedDib(pattern);
}

TEST(BrowserTools, ExifCaptionsFromKnownValues) {
    testsupport::TempDir pics("caption");
    BrowserFolder host;
    host.Init();
    PackedDib p = MakePattern(40, 30, 1);
    struct Entry { int tag, type; std::vector<uint32_t> values; };
    auto write = [&](const std::string& name, const std::vector<Entry>& entries) {
        const std::string path = pics.File(name);
        ASSERT_TRUE(WritePicture(p, path));
        c_ExifFile exif;
        for (const Entry& e : entries) exif.Exif().AddEntry(e.tag, e.type, (int32_t)e.values.size() / (e.type == 5 || e.type == 10 ? 2 : 1), e.values.data());
        ASSERT_EQ(0, exif.WriteJpeg(path.c_str(), 40, 30, nullptr, 0));
    };
    std::vector<uint32_t> date;
    for (const char* c = "2024:05:06 07:08:09";; ++c) {
        date.push_back((unsigned char)*c);
        if (!*c) break;
    }
    write("full.jpg", {{36867, 2, date}, {33434, 5, {1, 250}}, {33437, 5, {28, 10}}, {37380, 10, {(uint32_t)-1, 3}},
                       {34855, 3, {200}}});
    // Aperture instead of an F number; a zero denominator; a long exposure.
    write("odd.jpg", {{37378, 5, {4, 1}}, {37380, 10, {1, 0}}, {33434, 5, {2, 1}}});
    std::vector<std::string> full = ReadExifCaptions(pics.File("full.jpg").c_str());
    ASSERT_EQ(5u, full.size());
    EXPECT_EQ("撮影日時:  2024:05:06 07:08:09", full[0]);
    EXPECT_EQ(0u, full[1].find("Ｆ値　　:  "));
    EXPECT_NE(std::string::npos, full[1].find("2.8"));
    EXPECT_EQ("露出時間:  1 / 250", full[2]);
    EXPECT_EQ("露出補正:  EV -0.3", full[3]);
    EXPECT_EQ("ＩＳＯ　:  200", full[4]);
    std::vector<std::string> odd = ReadExifCaptions(pics.File("odd.jpg").c_str());
    EXPECT_EQ("", odd[0]);
    EXPECT_EQ("Ｆ値　　:  4.0", odd[1]);
    EXPECT_EQ("露出時間:  2.0", odd[2]);
    EXPECT_EQ("露出補正:  EV 0.0", odd[3]);
    // Other kinds have no captions.
    ASSERT_TRUE(WritePicture(p, pics.File("plain.bmp")));
    for (const std::string& line : ReadExifCaptions(pics.File("plain.bmp").c_str())) EXPECT_EQ("", line);
    FreePackedDib(p);
}
