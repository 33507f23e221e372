// Printing through the real queue: the test script's CUPS spooler has a PDF
// queue as Wine's default printer; each printed document becomes a PDF in
// DARNA_PRINT_PDF_DIR, which poppler's pdftoppm turns back into pixels.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/print.h"
#include "browser/status_bar.h"
#include "browser/browser_frame.h"
#include "browser_fixture.h"
#include "test_support.h"
#include "resources/darnaview_ids.h"

using namespace bvtest;

namespace {

std::string WindowsPath(std::string unix) {
    for (char& c : unix)
        if (c == '/') c = '\\';
    return "Z:" + unix;
}

std::set<std::string> FilesIn(const std::string& folder, const char* pattern) {
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(fd.cFileName);
    while (FindNextFileA(find, &fd));
    FindClose(find);
    return names;
}

// The queue's PDF folder, as a Unix path and as a Windows path (with a
// backslash); empty without the test script's queue.
struct Queue {
    std::string unix, windows;
};
Queue PrintQueue() {
    const char* dir = std::getenv("DARNA_PRINT_PDF_DIR");
    if (!dir || !*dir) return {};
    return {dir, WindowsPath(dir) + "\\"};
}

// Waits for a finished PDF that was not there before.
std::string WaitForNewPdf(const Queue& q, const std::set<std::string>& before, DWORD timeoutMs) {
    std::string found;
    PumpUntil(
        [&] {
            for (const std::string& n : FilesIn(q.windows, "*.pdf"))
                if (!before.count(n) && testsupport::IsFinishedPdf(q.windows + n)) found = n;
            return !found.empty();
        },
        timeoutMs);
    return found;
}

// The pages of a PDF as pictures at `dpi`, through pdftoppm. The Unix side
// runs a small script that leaves a mark once pdftoppm has ended, since
// start.exe may return before the Unix program does.
std::vector<PackedDib> RenderPdf(const Queue& q, const std::string& pdf, const std::string& outFolderWindows,
                                 const std::string& outFolderUnix, int dpi) {
    std::vector<PackedDib> pages;
    const std::string script = outFolderUnix + "/render.sh", mark = outFolderWindows + "rendered";
    DeleteFileA(mark.c_str());
    char text[2048];
    std::snprintf(text, sizeof text, "/usr/bin/pdftoppm -r %d -png '%s/%s' '%s/page'; touch '%s/rendered'\n", dpi,
                  q.unix.c_str(), pdf.c_str(), outFolderUnix.c_str(), outFolderUnix.c_str());
    if (!testsupport::WriteFileBytes(WindowsPath(script), text, std::strlen(text))) return pages;
    char command[1024];
    std::snprintf(command, sizeof command, "start.exe /wait /unix /bin/sh \"%s\"", script.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return pages;
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (!PumpUntil([&] { return testsupport::FileSize(mark) >= 0; }, 60000)) return pages;
    DeleteFileA(mark.c_str());
    DeleteFileA(WindowsPath(script).c_str());
    for (const std::string& n : FilesIn(outFolderWindows, "page*.png"))
        pages.push_back(ReadImageToDib24((outFolderWindows + n).c_str()));
    return pages;
}

std::string UnixOf(const std::string& windowsFolder) {
    char unix[MAX_PATH * 2] = {};
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsFolder.c_str(), -1, wide, MAX_PATH);
    typedef char* (CDECL * ToUnix)(const WCHAR*);
    ToUnix fn = (ToUnix)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!fn) return std::string();
    char* p = fn(wide);
    if (!p) return std::string();
    std::snprintf(unix, sizeof unix, "%s", p);
    HeapFree(GetProcessHeap(), 0, p);
    std::string s = unix;
    if (!s.empty() && s.back() == '/') s.pop_back();
    return s;
}

bool Close(int r, int g, int b, COLORREF want, int tolerance) {
    return std::abs(r - GetRValue(want)) <= tolerance && std::abs(g - GetGValue(want)) <= tolerance &&
           std::abs(b - GetBValue(want)) <= tolerance;
}

PackedDib Solid(int w, int h, COLORREF c) {
    PackedDib d = CreateDib24(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetDib24Rgb(d, x, y, GetRValue(c), GetGValue(c), GetBValue(c));
    return d;
}

// The status bar's text each time a progress message reached it, and the
// number of messages that ended the progress.
struct StatusWatch {
    static inline WNDPROC previous = nullptr;
    static inline std::vector<std::string> lines;
    static inline int ends = 0;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        const LRESULT r = CallWindowProcA(previous, wnd, msg, wp, lp);
        if (msg == WM_USER && wp == 3) lines.push_back(StatusBarText());
        if (msg == WM_USER && wp == 0) ++ends;
        return r;
    }
    StatusWatch() {
        lines.clear();
        ends = 0;
        previous = (WNDPROC)SetWindowLongPtrA(g_Browser.status, GWLP_WNDPROC, (LONG_PTR)Proc);
    }
    ~StatusWatch() { SetWindowLongPtrA(g_Browser.status, GWLP_WNDPROC, (LONG_PTR)previous); }
};

}  // namespace

TEST(BrowserPrint, OnePictureAtItsSizeAndAnIndexSheetThroughTheQueue) {
    const Queue q = PrintQueue();
    if (q.unix.empty()) GTEST_SKIP() << "no print queue (run through scripts/ctest.sh)";
    testsupport::TempDir pics("printpics"), rendered("printout");
    const std::string renderedUnix = UnixOf(rendered.Path());
    ASSERT_FALSE(renderedUnix.empty());
    // 25 pictures of distinct colours; the first also half red, half blue.
    std::vector<COLORREF> colours;
    {
        BrowserFolder host;
        host.Init();
        for (int i = 0; i < 25; ++i) {
            const COLORREF c = RGB((i * 53) % 200 + 30, (i * 97) % 200 + 30, (i * 31) % 200 + 30);
            colours.push_back(c);
            PackedDib d = Solid(60, 40, c);
            char name[32];
            std::snprintf(name, sizeof name, "p%02d.bmp", i);
            ASSERT_TRUE(WritePicture(d, pics.File(name)));
            FreePackedDib(d);
        }
        PackedDib halves = Solid(200, 100, RGB(255, 0, 0));
        for (int y = 0; y < 100; ++y)
            for (int x = 100; x < 200; ++x) SetDib24Rgb(halves, x, y, 0, 0, 255);
        ASSERT_TRUE(WritePicture(halves, pics.File("halves.bmp")));
        FreePackedDib(halves);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());   // no loader reads beside the test's own
    ASSERT_EQ(1, OpenDefaultPrinter()) << "Wine sees no default printer";
    const PrinterState& printer = GetPrinterState();
    ASSERT_GT(printer.dpiX, 0);

    // One picture, 100 mm wide at the page's top left.
    std::set<std::string> before = FilesIn(q.windows, "*.pdf");
    Answers a([](const ModalRequest&) { return IDOK; });
    ASSERT_EQ(1, PrintOneImage(browser.Frame(), pics.File("halves.bmp").c_str()));
    std::string pdf = WaitForNewPdf(q, before, 60000);
    ASSERT_FALSE(pdf.empty());
    const int dpi = 50;
    std::vector<PackedDib> pages = RenderPdf(q, pdf, rendered.Path(), renderedUnix, dpi);
    ASSERT_EQ(1u, pages.size());
    ASSERT_NE(nullptr, pages[0]);
    // The printed area: red then blue, 100 x 50 mm.
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
    for (int y = 0; y < pages[0]->biHeight; ++y)
        for (int x = 0; x < pages[0]->biWidth; ++x) {
            int r, g, b;
            GetDib24Rgb(pages[0], x, y, &r, &g, &b);
            if (r + g + b > 600) continue;
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
    const double mm = dpi / 25.4;
    EXPECT_NEAR(100 * mm, right - left + 1, 3);
    EXPECT_NEAR(50 * mm, bottom - top + 1, 3);
    int r, g, b;
    GetDib24Rgb(pages[0], left + (right - left) / 4, (top + bottom) / 2, &r, &g, &b);
    EXPECT_TRUE(Close(r, g, b, RGB(255, 0, 0), 40)) << r << "," << g << "," << b;
    GetDib24Rgb(pages[0], right - (right - left) / 4, (top + bottom) / 2, &r, &g, &b);
    EXPECT_TRUE(Close(r, g, b, RGB(0, 0, 255), 40)) << r << "," << g << "," << b;
    for (PackedDib p : pages)
        if (p) FreePackedDib(p);
    for (const std::string& n : FilesIn(rendered.Path(), "page*.png")) DeleteFileA(rendered.File(n).c_str());

    // An index sheet of the 25 pictures at 4 x 6: two pages, the second with
    // one cell; each cell's middle shows its picture.
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = g_FileList.paths[(size_t)i] != pics.File("halves.bmp");
    before = FilesIn(q.windows, "*.pdf");
    IndexLayout layout;
    ASSERT_EQ(1, PrintIndexPages(browser.Frame(), layout));
    pdf = WaitForNewPdf(q, before, 60000);
    ASSERT_FALSE(pdf.empty());
    pages = RenderPdf(q, pdf, rendered.Path(), renderedUnix, dpi);
    ASSERT_EQ(2u, pages.size());
    ASSERT_NE(nullptr, pages[0]);
    ASSERT_NE(nullptr, pages[1]);
    // The printable area sits inside the sheet by the device's offset.
    const double scale = (double)dpi / printer.dpiX;
    const int offX = (int)(GetDeviceCaps(printer.dc, PHYSICALOFFSETX) * scale);
    const int offY = (int)(GetDeviceCaps(printer.dc, PHYSICALOFFSETY) * scale);
    for (int i = 0; i < 25; ++i) {
        const RECT cell = IndexCellRect(printer, 4, 6, i);
        const int x = offX + (int)((cell.left + cell.right) / 2 * scale), y = offY + (int)((cell.top + cell.bottom) / 2 * scale);
        PackedDib page = pages[(size_t)(i / 24)];
        GetDib24Rgb(page, x, y, &r, &g, &b);
        EXPECT_TRUE(Close(r, g, b, colours[(size_t)i], 40)) << "file " << i << ": " << r << "," << g << "," << b;
    }
    // The second page holds nothing where a second cell would be.
    const RECT second = IndexCellRect(printer, 4, 6, 1);
    GetDib24Rgb(pages[1], offX + (int)((second.left + second.right) / 2 * scale),
                offY + (int)((second.top + second.bottom) / 2 * scale), &r, &g, &b);
    EXPECT_GT(r + g + b, 700);
    for (PackedDib p : pages)
        if (p) FreePackedDib(p);
    for (const std::string& n : FilesIn(rendered.Path(), "page*.png")) DeleteFileA(rendered.File(n).c_str());
    ClosePrinter();
}

TEST(BrowserPrint, SeveralSelectedPicturesEachFillAPage) {
    const Queue q = PrintQueue();
    if (q.unix.empty()) GTEST_SKIP() << "no print queue (run through scripts/ctest.sh)";
    testsupport::TempDir pics("pagespics"), rendered("pagesout");
    const std::string renderedUnix = UnixOf(rendered.Path());
    ASSERT_FALSE(renderedUnix.empty());
    {
        BrowserFolder host;
        host.Init();
        PackedDib red = Solid(40, 30, RGB(255, 0, 0)), blue = Solid(30, 60, RGB(0, 0, 255));
        ASSERT_TRUE(WritePicture(red, pics.File("a.bmp")));
        ASSERT_TRUE(WritePicture(blue, pics.File("c.bmp")));
        FreePackedDib(red);
        FreePackedDib(blue);
    }
    testsupport::WriteFileBytes(pics.File("b.bmp"), "BMbroken", 8);   // skipped
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    ASSERT_EQ(1, OpenDefaultPrinter()) << "Wine sees no default printer";
    const PrinterState& printer = GetPrinterState();
    for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = 1;
    std::set<std::string> before = FilesIn(q.windows, "*.pdf");
    Answers a;   // no dialog is expected
    std::vector<std::string> progress;
    int ends = 0;
    const std::string resting = StatusBarText();
    {
        StatusWatch watch;
        browser.Command(IDM_BV_PRINT);
        progress = watch.lines;
        ends = watch.ends;
    }
    EXPECT_TRUE(a.texts.empty());
    // Each page's bands move the status bar on from 0 % to 100 % (reading the
    // pictures reports too) and hand it back at the end.
    int starts = 0, done = 0;
    for (const std::string& line : progress) {
        starts += line == ProgressText(0);
        done += line == ProgressText(100);
    }
    EXPECT_GE(starts, 2);
    EXPECT_GE(done, 2);
    EXPECT_GE(ends, 2);
    EXPECT_EQ(resting, StatusBarText());
    std::string pdf = WaitForNewPdf(q, before, 60000);
    ASSERT_FALSE(pdf.empty());
    const int dpi = 30;
    std::vector<PackedDib> pages = RenderPdf(q, pdf, rendered.Path(), renderedUnix, dpi);
    ASSERT_EQ(2u, pages.size());
    // Each picture is stretched over the whole printable area, in list order.
    const double scale = (double)dpi / printer.dpiX;
    const int offX = (int)(GetDeviceCaps(printer.dc, PHYSICALOFFSETX) * scale);
    const int offY = (int)(GetDeviceCaps(printer.dc, PHYSICALOFFSETY) * scale);
    const int w = (int)(printer.pageWidth * scale), h = (int)(printer.pageHeight * scale);
    const COLORREF want[2] = {RGB(255, 0, 0), RGB(0, 0, 255)};
    for (size_t p = 0; p < 2; ++p) {
        ASSERT_NE(nullptr, pages[p]);
        for (POINT at : {POINT{offX + 3, offY + 3}, POINT{offX + w / 2, offY + h / 2}, POINT{offX + w - 4, offY + h - 4}}) {
            int r, g, b;
            GetDib24Rgb(pages[p], at.x, at.y, &r, &g, &b);
            EXPECT_TRUE(Close(r, g, b, want[p], 40)) << "page " << p << " at " << at.x << "," << at.y << ": " << r << ","
                                                     << g << "," << b;
        }
    }
    for (PackedDib p : pages)
        if (p) FreePackedDib(p);
    for (const std::string& n : FilesIn(rendered.Path(), "page*.png")) DeleteFileA(rendered.File(n).c_str());
    ClosePrinter();
}

// The set-up button of the print dialog opens the system's printer set-up (not
// its print dialog) with the print dialog disabled; confirming it gives a new
// printer DC and puts the settings back to their defaults for the new page.
TEST(BrowserPrint, PrintSetupIsTheSystemsSetUpDialogAndResetsTheSettings) {
    if (PrintQueue().unix.empty()) GTEST_SKIP() << "no print queue (run through scripts/ctest.sh)";
    testsupport::TempDir pics("setuppics");
    {
        BrowserFolder host;
        host.Init();
        PackedDib d = Solid(200, 100, RGB(0, 128, 0));
        ASSERT_TRUE(WritePicture(d, pics.File("pic.bmp")));
        FreePackedDib(d);
    }
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_EQ(1, OpenDefaultPrinter()) << "Wine sees no default printer";
    HWND printDialog = nullptr;
    bool setupKind = false, printKind = true, ownerEnabled = true;
    std::string widthBefore, widthAfter;
    auto width = [&] {
        char text[64] = {};
        GetDlgItemTextA(printDialog, IDC_BV_PR_WIDTH, text, sizeof text);
        return std::string(text);
    };
    Answers a([&](const ModalRequest& r) {
        if (r.templ && std::string(r.templ) == "PrintSetup") {
            setupKind = GetDlgItem(r.dialog, cmb2) != nullptr;   // the paper size
            printKind = GetDlgItem(r.dialog, edt3) != nullptr;   // the copies of a print dialog
            ownerEnabled = IsWindowEnabled(printDialog) != 0;
            return IDOK;
        }
        if (!r.templ || std::string(r.templ) != "dra_print") return IDOK;
        printDialog = r.dialog;
        SetDlgItemTextA(r.dialog, IDC_BV_PR_WIDTH, "50");
        widthBefore = width();
        SendMessageA(r.dialog, WM_COMMAND, IDC_BV_PR_SETUP, 0);
        widthAfter = width();
        return IDCANCEL;
    });
    EXPECT_EQ(0, PrintOneImage(browser.Frame(), pics.File("pic.bmp").c_str()));
    EXPECT_TRUE(setupKind);
    EXPECT_FALSE(printKind);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_EQ("50", widthBefore);
    EXPECT_EQ("100.00", widthAfter);
    EXPECT_NE(nullptr, GetPrinterState().dc);
    EXPECT_GT(GetPrinterState().dpiX, 0);
    ClosePrinter();
}
