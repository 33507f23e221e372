// What the browser draws and says: its screen row at each display depth, its
// text, the tool bar's separators, the search results, the title box, the
// captions of its message boxes and the names under the thumbnails.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ui/drawutil.h"
#include "ui/ui_hook.h"
#include "image/c_dib.h"
#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "browser/file_search.h"
#include "browser/screen_row.h"
#include "browser/small_dialogs.h"
#include "browser/text_draw.h"
#include "browser/thumb_pane.h"
#include "browser_fixture.h"
#include "resources/darnaview_ids.h"
#include "test_support.h"

using namespace bvtest;

namespace {

bool Is(const ModalRequest& r, const char* templ) { return r.templ && std::string(r.templ) == templ; }

// A 32-bit memory surface to draw on and read back.
class Surface {
public:
    Surface(int w, int h) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// The longest run of pixels of one colour on any row of the rectangle.
int LongestRun(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    int best = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0, run = 0; x < x1; ++x) {
            run = GetPixel(dc, x, y) == colour ? run + 1 : 0;
            best = run > best ? run : best;
        }
    return best;
}

int CountPixels(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += GetPixel(dc, x, y) == colour;
    return n;
}

}  // namespace

// ---- the screen row

TEST(BrowserScreenRow, WritesAndReadsRowsAtEachDepth) {
    // A run is drawn at the DIB's depth (the flag of the settings dithers the
    // 15 and 16-bit output), short runs pixel by pixel, columns before 0
    // skipped, and nothing past 2,048 pixels.
    struct Case {
        int bits;      // depth the DIB is made at
        int dither;    // the settings' flag
        int x0, x1;
    };
    const Case cases[] = {
        {32, 0, 5, 300}, {24, 0, 5, 300}, {16, 0, 5, 300}, {16, 1, 5, 300},
        {32, 0, -7, 2100}, {16, 1, -7, 2100}, {24, 0, 3, 12}, {16, 1, 3, 12},
    };
    const COLORREF marker = RGB(1, 2, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, dither " << c.dither << ", " << c.x0 << ".." << c.x1);
        Surface target(2200, 4);
        HBRUSH fill = CreateSolidBrush(marker);
        RECT all = {0, 0, 2200, 4};
        FillRect(target.Dc(), &all, fill);
        DeleteObject(fill);
        c_ScreenRow row;
        int flag = c.dither;
        row.SetScreenSettings(&flag, nullptr);
        row.InitAtDepth(nullptr, c.bits);
        ASSERT_TRUE(row.Ready());
        EXPECT_EQ(c.bits == 16 ? 15 : c.bits, row.Depth());   // a plain 16-bit DIB holds 5-5-5 words
        const int n = c.x1 - c.x0 + 1;
        std::vector<uint8_t> in((size_t)n * 3);
        for (int i = 0; i < n; ++i) {
            in[(size_t)i * 3] = (uint8_t)(i * 7);
            in[(size_t)i * 3 + 1] = (uint8_t)(i * 13 + 5);
            in[(size_t)i * 3 + 2] = (uint8_t)(i * 29 + 11);
        }
        const int y = 2;
        row.PutRow(target.Dc(), y, c.x0, c.x1, in.data());
        const int first = c.x0 < 0 ? 0 : c.x0, last = std::min(c.x1, c.x0 + c_ScreenRow::kRowPixels - 1);
        const bool perPixel = n < c_ScreenRow::kBlitThreshold;
        int wrong = 0;
        for (int x = first; x <= last && x < first + c_ScreenRow::kMaxReadPixels; ++x) {
            uint8_t back[3] = {};
            row.GetRow(target.Dc(), y, x, x, back);
            const uint8_t* s = &in[(size_t)(x - c.x0) * 3];
            for (int ch = 0; ch < 3; ++ch) {
                int want = s[ch];
                if (row.Depth() == 15) {
                    // Green is channel 1; every channel has 5 bits here.
                    if (c.dither && !perPixel) want = DitherChannel5(want, x, y);
                    want = (want >> 3) * 255 / 31;
                }
                wrong += back[ch] != want;
            }
        }
        EXPECT_EQ(0, wrong);
        // Nothing before the first column or past the widest run.
        if (first > 0) {
            EXPECT_EQ(marker, GetPixel(target.Dc(), first - 1, y));
        }
        if (last + 1 < 2200) {
            EXPECT_EQ(marker, GetPixel(target.Dc(), last + 1, y));
        }
        EXPECT_EQ(marker, GetPixel(target.Dc(), first, y + 1));
        // Reading back takes at most 2,000 pixels: the rest of the buffer stays.
        if (n > c_ScreenRow::kMaxReadPixels) {
            std::vector<uint8_t> back((size_t)n * 3, 0xEE);
            row.GetRow(target.Dc(), y, 0, 2099, back.data());
            EXPECT_EQ(0xEE, back[(size_t)c_ScreenRow::kMaxReadPixels * 3]);
            EXPECT_NE(0xEE * 3, back[0] + back[1] + back[2]);
        }
        row.Release();
    }
}

TEST(BrowserScreenRow, TintsBlendTowardAColourFixedOrRamped) {
    // The browser's rows are 3-byte pixels; a rectangle wider than one read
    // back (2,000 columns) is tinted to its last column.
    struct Case {
        int mode;         // -1: TintRect with weight 128; else GradientTintRect's mode
        int x, y;         // pixel looked at
        int weight;       // the weight it gets
    };
    const Case cases[] = {
        {-1, 4, 1, 128}, {-1, 2100, 3, 128}, {0, 50, 0, 0}, {0, 50, 3, 96},
        {1, 4, 2, 0}, {1, 2101, 2, 128 * 2097 / 2098}, {200, 1000, 1, 200},
    };
    c_ScreenRow row;
    row.InitAtDepth(nullptr, 32);
    ASSERT_TRUE(row.Ready());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.x << "," << c.y);
        Surface target(2200, 6);
        HBRUSH fill = CreateSolidBrush(RGB(40, 80, 120));
        RECT all = {0, 0, 2200, 6};
        FillRect(target.Dc(), &all, fill);
        DeleteObject(fill);
        if (c.mode < 0)
            row.TintRect(target.Dc(), 4, 0, 2101, 3, 200, 0, 250, 128);
        else
            row.GradientTintRect(target.Dc(), 4, 0, 2101, 3, 200, 0, 250, c.mode);
        auto blend = [&](int colour, int channel) { return (colour * c.weight + channel * (255 - c.weight)) / 255; };
        EXPECT_EQ(RGB(blend(200, 40), blend(0, 80), blend(250, 120)), GetPixel(target.Dc(), c.x, c.y));
        // Outside the rectangle nothing changes.
        EXPECT_EQ(RGB(40, 80, 120), GetPixel(target.Dc(), 3, c.y));
        EXPECT_EQ(RGB(40, 80, 120), GetPixel(target.Dc(), 2102, c.y));
        EXPECT_EQ(RGB(40, 80, 120), GetPixel(target.Dc(), c.x, 4));
    }
    row.Release();
}

TEST(BrowserScreenRow, ADibThatCannotBeMadeIsReported) {
    std::string caption;
    Answers a([&](const ModalRequest& r) {
        if (r.caption) caption = r.caption;
        return IDOK;
    });
    c_ScreenRow row;
    EXPECT_EQ(1, row.InitAtDepth(nullptr, 7));   // no such depth
    EXPECT_FALSE(row.Ready());
    ASSERT_EQ(1u, a.texts.size());
    EXPECT_EQ("ERROR1", a.texts[0]);
    EXPECT_EQ("error", caption);
    uint8_t px[60] = {};
    Surface target(40, 2);
    row.PutRow(target.Dc(), 0, 0, 19, px);   // goes on without pixels
    row.Release();
}

TEST(BrowserText, TextEndsWhereItsMeasureSaysAndKeepsItsUnderscores) {
    Surface s(300, 40);
    PatBlt(s.Dc(), 0, 0, 300, 40, WHITENESS);
    int endX = -1, endY = -1;
    DrawTextAt(s.Dc(), 4, 6, 12, "", 0, &endX, &endY);
    EXPECT_EQ(4, endX);
    EXPECT_EQ(6, endY);
    const char text[] = "ab_____cd";
    DrawTextAt(s.Dc(), 4, 6, 12, text, RGB(0, 0, 0), &endX, &endY);
    SIZE size = {};
    MeasureTextSize(s.Dc(), 12, text, &size);
    EXPECT_EQ(4 + size.cx, endX);
    EXPECT_GT(size.cx, 30);
    // Five underscores make one line far longer than any letter's stroke.
    EXPECT_GE(LongestRun(s.Dc(), 0, 6, 300, 6 + 14, RGB(0, 0, 0)), 20);
}

// ---- the running browser

TEST(BrowserView, ToolBarSeparatorsShowTheToolBarBackground) {
    testsupport::TempDir pics("sep");
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    HWND bar = g_Browser.toolbar;
    RECT barRect;
    GetClientRect(bar, &barRect);
    // The tool bar's background as its brush paints it.
    Surface want(barRect.right, barRect.bottom);
    FillRect(want.Dc(), &barRect, g_Browser.toolbarBrush);
    for (int id : {1, 5}) {
        HWND separator = GetDlgItem(bar, id);
        ASSERT_NE(nullptr, separator);
        InvalidateRect(separator, nullptr, TRUE);
        UpdateWindow(separator);
        RECT r;
        GetClientRect(separator, &r);
        POINT at = {0, 0};
        MapWindowPoints(separator, bar, &at, 1);
        HDC dc = GetDC(separator);
        int differ = 0, groove = 0;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x) {
                const bool inGroove = x == r.right / 2 - 1 || x == r.right / 2;
                if (inGroove) groove += GetPixel(dc, x, y) == RGB(128, 128, 128);
                else differ += GetPixel(dc, x, y) != GetPixel(want.Dc(), at.x + x, at.y + y);
            }
        ReleaseDC(separator, dc);
        EXPECT_EQ(0, differ) << "separator " << id;
        EXPECT_GT(groove, r.bottom / 2) << "separator " << id;
    }
}

TEST(BrowserView, SearchResultsAreLegibleAndShowTheSelection) {
    testsupport::TempDir pics("legible");
    for (const char* f : {"a.bmp", "b.bmp", "c.bmp"}) testsupport::WriteFileBytes(pics.File(f), "x", 1);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    int darkText = -1, lightText = -1, listSelection = -1, selected = -1;
    COLORREF plainFace = 0, selectedFace = 0;
    Answers a([&](const ModalRequest& r) {
        if (!Is(r, "dra_filelist")) return IDOK;
        if (r.attempt > 0) return kModalPressClose;
        const SearchDialogInfo& info = GetSearchDialogInfo();
        HWND first = GetDlgItem(info.strip, 0), second = GetDlgItem(info.strip, 1);
        if (!first || !second) return IDCANCEL;
        SendMessageA(r.dialog, WM_COMMAND, IDC_BV_FL_THUMBS, 0);   // the strip of thumbnails
        ShowWindow(r.dialog, SW_SHOW);   // the modal loop shows it only once it idles
        Pump(50);
        SendMessageA(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 20));
        SendMessageA(second, WM_LBUTTONUP, 0, MAKELPARAM(60, 20));
        selected = info.selected;
        listSelection = (int)SendDlgItemMessageA(r.dialog, IDC_BV_FL_NAMES, LB_GETCURSEL, 0, 0);
        for (HWND item : {first, second}) {
            InvalidateRect(item, nullptr, TRUE);
            UpdateWindow(item);
        }
        RECT rc;
        GetClientRect(first, &rc);
        HDC dc = GetDC(first);
        darkText = CountPixels(dc, 56, 12, rc.right, 30, kSearchText);
        plainFace = GetPixel(dc, rc.right - 4, 24);
        ReleaseDC(first, dc);
        dc = GetDC(second);
        lightText = CountPixels(dc, 56, 12, rc.right, 30, kSearchSelectedText);
        selectedFace = GetPixel(dc, rc.right - 4, 24);
        ReleaseDC(second, dc);
        return IDCANCEL;
    });
    ASSERT_EQ(1, SearchFiles(browser.Frame(), pics.Path().c_str(), "*.bmp"));
    EXPECT_EQ(1, selected);
    EXPECT_EQ(1, listSelection);
    EXPECT_GT(darkText, 10);    // dark text on the panel face
    EXPECT_GT(lightText, 10);   // light text on the selection's colour
    EXPECT_EQ(PanelColour, plainFace);
    EXPECT_EQ(kSearchSelectedFace, selectedFace);
}

// The title box lists the program folder's info.txt line by line, under the
// browser's title, and ticking its check box closes it for good. The text the
// program folder ships is read as it is staged (in the ANSI code page).
TEST(BrowserView, TitleBoxShowsItsTextAndClosesWithItsCheckBox) {
    testsupport::TempDir pics("title");
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    const char ownLines[] = "first line\r\nsecond line\r\n";
    std::string shipped;
    ASSERT_TRUE(testsupport::ReadFileBytes(DistExp() + "info.txt", &shipped)) << "no info.txt in the program folder";
    ASSERT_GT(std::count(shipped.begin(), shipped.end(), '\n'), 0);
    const struct {
        const char* name;
        std::string text;
        int lines;
        const char* first;
    } cases[] = {{"own lines", ownLines, 2, "first line"},
                 {"shipped text", shipped, (int)std::count(shipped.begin(), shipped.end(), '\n'),
                  "Darna Studio ファイル一覧へようこそ。"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::WriteFileBytes(browser.Program() + "info.txt", c.text.data(), c.text.size());
        g_BrowserSettings.noTitleBox = 0;
        std::string caption, first;
        int listed = -1, asked = 0;
        Answers a([&](const ModalRequest& r) {
            if (!Is(r, "dra_title")) return IDOK;
            ++asked;
            if (r.attempt > 0) return kModalPressClose;   // the check box did not close it
            char text[256] = {};
            GetWindowTextA(r.dialog, text, sizeof text);
            caption = text;
            listed = (int)SendDlgItemMessageA(r.dialog, IDC_BV_TITLE_LIST, LB_GETCOUNT, 0, 0);
            if (listed > 0 && SendDlgItemMessageA(r.dialog, IDC_BV_TITLE_LIST, LB_GETTEXTLEN, 0, 0) < (LRESULT)sizeof text) {
                SendDlgItemMessageA(r.dialog, IDC_BV_TITLE_LIST, LB_GETTEXT, 0, (LPARAM)text);
                first = text;
            }
            SendMessageA(GetDlgItem(r.dialog, IDC_BV_TITLE_NOMORE), BM_CLICK, 0, 0);
            return kModalAskAgain;
        });
        EXPECT_EQ(1, ShowTitleBox(browser.Frame()));
        EXPECT_EQ(1, asked);
        EXPECT_EQ(1, g_BrowserSettings.noTitleBox);
        EXPECT_EQ(std::string(BrowserTitle()), caption);
        EXPECT_EQ(c.lines, listed);
        EXPECT_EQ(c.first, first);
        // Once ticked, the box stays away.
        EXPECT_EQ(0, ShowTitleBox(browser.Frame()));
        EXPECT_EQ(1, asked);
    }
}

TEST(BrowserView, MessageBoxesCarryTheBrowsersTitle) {
    testsupport::TempDir pics("caption");
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    std::vector<std::string> captions;
    Answers a([&](const ModalRequest& r) {
        if (r.caption) captions.push_back(r.caption);
        return r.kind == 1 ? IDNO : IDOK;
    });
    // Commands that need a selection and say so.
    for (int id : {IDM_BV_FULLVIEW, IDM_BV_COPY, IDM_BV_DELETE, IDM_BV_ROTATE}) browser.Command(id);
    ASSERT_EQ(4u, captions.size());
    for (const std::string& c : captions) EXPECT_EQ("Darna Studio ファイル一覧", c);
}

TEST(BrowserView, NamesUnderTheThumbnailsKeepTheirUnderscores) {
    testsupport::TempDir pics("under");
    testsupport::WriteFileBytes(pics.File("a_____b.bmp"), "x", 1);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    ASSERT_EQ(1, g_FileList.count);
    HWND cell = g_FileList.cells[0];
    InvalidateRect(cell, nullptr, TRUE);
    UpdateWindow(cell);
    RECT rc;
    GetClientRect(cell, &rc);
    HDC dc = GetDC(cell);
    // The name strip of an unselected cell: black text.
    const int run = LongestRun(dc, 0, rc.bottom - 14, rc.right, rc.bottom, RGB(0, 0, 0));
    ReleaseDC(cell, dc);
    EXPECT_GE(run, 20);
}
