// Scanning through Wine's source manager twain_32.dll to our own data source
// (plugins/twain, installed into the test prefix as its TWAIN source): each
// kind of picture becomes a canvas with the source's pixels; refused depths,
// a cancel, a failure and an overrun make no canvas, and the next scan works.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "resources/resource.h"
#include "app/startup.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_window.h"
#include "fileio/twain.h"
#include "image/dib_image.h"
#include "plugins/twain/scan_source.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;
using scansource::ScanPicture;

namespace {

// The data source as the manager loads it (same module: its pictures are set here).
scansource::SetScanPicturesProc SourceControl() {
    static HMODULE ds = [] {
        char path[MAX_PATH + 32];
        GetWindowsDirectoryA(path, MAX_PATH);
        lstrcatA(path, "\\twain_64\\sane.ds");
        return LoadLibraryA(path);
    }();
    return ds ? (scansource::SetScanPicturesProc)(void*)GetProcAddress(ds, "SetScanPictures") : nullptr;
}

// The editor's message loop with its TWAIN hook, until the source has closed.
bool RunUntilSourceClosed(HWND frame = nullptr, DWORD timeoutMs = 5000) {
    if (!frame) frame = AppWindows.frame;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TwainSourceIsOpen() && TwainProcessMessage(&msg, frame)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!TwainSourceIsOpen() && !TwainManagerIsOpen()) return true;
        Sleep(5);
    }
    return false;
}

// Starts a scan as the camera input's TWAIN entry does.
int Scan(const std::vector<ScanPicture>& pictures, HWND owner = nullptr) {
    auto set = SourceControl();
    if (!set) return -1;
    set(pictures.data(), (int)pictures.size());
    TwainShutdown();
    TwainCloseSource();
    TwainCloseManager();
    return TwainAcquire(owner ? owner : AppWindows.frame, 1, 3, scansource::kProductName);
}

ScanPicture Picture(int w, int h, int bits, int type, int strip, int outcome = scansource::kDeliver) {
    ScanPicture p{};
    p.width = w;
    p.height = h;
    p.bitsPerPixel = bits;
    p.pixelType = type;
    p.rowsPerStrip = strip;
    p.outcome = outcome;
    p.dotsPerInch = 300;
    p.vanilla = 1;
    p.colours = type == 3 ? (bits == 4 ? 12 : 200) : 0;
    return p;
}

// Mismatching pixels of the active canvas against the source's formula.
int CanvasMismatches(const ScanPicture& p) {
    CanvDoc* doc = GetActiveCanvas();
    if (!doc || doc->width != p.width || doc->height != p.height) return -1;
    DibImage* image = ComposeForDisplay(doc, 0, 0, p.width - 1, p.height - 1, 0, 0);
    if (!image) return -2;
    std::vector<uint32_t> row(p.width);
    int bad = 0;
    for (int y = 0; y < p.height; ++y) {
        c_DibImageOps::GetRow32(image, y, 0, p.width - 1, row.data());
        for (int x = 0; x < p.width; ++x) {
            uint8_t rgb[3];
            scansource::PixelRgb(p, x, y, rgb);
            const uint32_t want = (uint32_t)rgb[0] << 16 | (uint32_t)rgb[1] << 8 | rgb[2];
            if ((row[x] & 0xFFFFFF) != want) {
                if (bad < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " has " << std::hex << (row[x] & 0xFFFFFF)
                                  << " for " << want;
                ++bad;
            }
        }
    }
    c_DibImageOps::Free(&image);
    return bad;
}

class TwainScan : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartFrame(dir_.Path()));
        ASSERT_NE(nullptr, SourceControl()) << "our data source is not installed in the prefix";
    }
    void TearDown() override {
        AnswerBoxes(nullptr);
        EXPECT_TRUE(EndFrame());
    }
    testsupport::TempDir dir_{"twn"};
};

}  // namespace

TEST_F(TwainScan, SourceIsListedByName) {
    char names[100][256];
    const int n = TwainListSources(names, 100);
    bool found = false;
    for (int i = 0; i < n; ++i) found = found || std::string(names[i]) == scansource::kProductName;
    EXPECT_TRUE(found);
}

TEST_F(TwainScan, EachKindOfPictureBecomesACanvasWithTheSourcesPixels) {
    const struct {
        const char* name;
        ScanPicture picture;
    } cases[] = {
        {"colour in one strip", Picture(3, 2, 24, 2, 8)},
        {"colour in strips of 3 rows", Picture(37, 20, 24, 2, 3)},
        {"grey", Picture(29, 11, 8, 1, 4)},
        {"black and white, vanilla", Picture(45, 9, 1, 0, 2)},
        {"palette of 200", Picture(33, 7, 8, 3, 1)},
        {"palette of 12 in 4 bits", Picture(21, 6, 4, 3, 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = CountCanvasWindows();
        ASSERT_EQ(1, Scan({c.picture}));
        ASSERT_TRUE(RunUntilSourceClosed());
        ASSERT_EQ(before + 1, CountCanvasWindows());
        EXPECT_EQ(0, CanvasMismatches(c.picture));
    }
    ScanPicture chocolate = Picture(16, 4, 1, 0, 4);
    chocolate.vanilla = 0;
    ASSERT_EQ(1, Scan({chocolate}));
    ASSERT_TRUE(RunUntilSourceClosed());
    EXPECT_EQ(0, CanvasMismatches(chocolate));
}

TEST_F(TwainScan, TwoPicturesOfOneScanMakeTwoCanvases) {
    const int before = CountCanvasWindows();
    ASSERT_EQ(1, Scan({Picture(8, 8, 24, 2, 2), Picture(5, 3, 8, 1, 1)}));
    ASSERT_TRUE(RunUntilSourceClosed());
    EXPECT_EQ(before + 2, CountCanvasWindows());
    EXPECT_EQ(0, CanvasMismatches(Picture(5, 3, 8, 1, 1)));
}

TEST_F(TwainScan, FailedTransfersMakeNoCanvasAndTheNextScanWorks) {
    const struct {
        const char* name;
        ScanPicture picture;
        const char* message;   // the message box shown, or null
    } cases[] = {
        {"cancel", Picture(10, 10, 24, 2, 2, scansource::kCancel), nullptr},
        {"failure after a strip", Picture(10, 10, 24, 2, 2, scansource::kFail), nullptr},
        {"overrun of the buffer", Picture(10, 10, 8, 1, 2, scansource::kOverrun), nullptr},
        {"16 bits", Picture(10, 10, 16, 1, 2), "サポートしていないカラーモードです。"},
        {"32 bits", Picture(10, 10, 32, 2, 2), "サポートしていないカラーモードです。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxAnswers answers;
        AnswerBoxes(&answers);
        const int before = CountCanvasWindows();
        ASSERT_EQ(1, Scan({c.picture}));
        EXPECT_TRUE(RunUntilSourceClosed());
        AnswerBoxes(nullptr);
        EXPECT_EQ(before, CountCanvasWindows());
        if (c.message) {
            ASSERT_EQ(1u, answers.texts.size());
            EXPECT_EQ(c.message, answers.texts[0]);
        } else {
            EXPECT_TRUE(answers.texts.empty());
        }
        // The next scan works.
        const ScanPicture good = Picture(6, 5, 24, 2, 2);
        ASSERT_EQ(1, Scan({good}));
        ASSERT_TRUE(RunUntilSourceClosed());
        ASSERT_EQ(before + 1, CountCanvasWindows());
        EXPECT_EQ(0, CanvasMismatches(good));
    }
}

namespace {
BITMAPINFOHEADER g_received;   // the header of the last bitmap handed over
int g_receivedCount = 0;
LRESULT CALLBACK CatchBitmaps(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTwainImageMessage) {
        ++g_receivedCount;
        if (const BITMAPINFOHEADER* h = wp ? (const BITMAPINFOHEADER*)GlobalLock((HGLOBAL)wp) : nullptr) {
            g_received = *h;
            GlobalUnlock((HGLOBAL)wp);
        }
        if (wp) GlobalFree((HGLOBAL)wp);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

TEST_F(TwainScan, ResolutionBecomesPixelsPerMetre) {
    // The bitmap handed over carries the source's 300 dpi as 11,811 pixels a metre.
    WNDCLASSA wc{};
    wc.lpfnWndProc = CatchBitmaps;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TwainBitmapCatcher";
    RegisterClassA(&wc);
    HWND catcher = CreateWindowA("TwainBitmapCatcher", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, catcher);
    g_receivedCount = 0;
    ASSERT_EQ(1, Scan({Picture(4, 4, 24, 2, 4)}, catcher));
    EXPECT_TRUE(RunUntilSourceClosed(catcher));
    DestroyWindow(catcher);
    ASSERT_EQ(1, g_receivedCount);
    EXPECT_EQ(11811, g_received.biXPelsPerMeter);
    EXPECT_EQ(11811, g_received.biYPelsPerMeter);
    EXPECT_EQ(24, g_received.biBitCount);
    EXPECT_EQ(4, g_received.biWidth);
}

TEST_F(TwainScan, ChoosingTheSourceTakesTheFirstSourceOfTheManager) {
    // Without Shift: the manager's first source (ours; Wine's camera source follows).
    BoxAnswers answers;
    AnswerBoxes(&answers);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_TWAINSOURCE, 0);
    AnswerBoxes(nullptr);
    EXPECT_TRUE(answers.texts.empty());
    EXPECT_STREQ(scansource::kProductName, TwainSourceName());
    EXPECT_FALSE(TwainManagerIsOpen());
}
