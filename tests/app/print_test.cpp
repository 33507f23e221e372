// Printing through the real print queue: the test script's CUPS spooler has a
// PDF queue as the default printer; a printed page is turned into pixels with
// pdftoppm and compared with the canvas at the printed scale. Also the sticker
// paper list and the messages of a print that cannot run.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "app/statusbar.h"
#include "fileio/print.h"
#include "image/packed_dib.h"
#include "resources/print_ids.h"
#include "resources/resource.h"
#include "ui/ui_hook.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;

namespace {

std::string WindowsPath(const std::string& unixPath) {
    std::string w = "Z:" + unixPath;
    for (char& c : w)
        if (c == '/') c = '\\';
    return w;
}

std::set<std::string> PdfNames(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.pdf").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.insert(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Waits for a finished PDF that was not there before; its Windows path or "".
std::string WaitForNewPdf(const std::string& folder, const std::set<std::string>& before, DWORD timeoutMs = 30000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (const auto& name : PdfNames(folder)) {
            if (before.count(name)) continue;
            const std::string path = folder + "\\" + name;
            if (testsupport::IsFinishedPdf(path)) return path;
        }
        Pump(50);
    }
    return "";
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[((size_t)y * width + x) * 3]; }
};

// The page of the PDF as pixels at dpi dots per inch (pdftoppm, run as a Unix program).
bool Rasterise(const std::string& pdf, int dpi, const std::string& folderUnix, Picture* page) {
    const std::string base = folderUnix + "/page";
    // The command goes through a small script: file names pass unchanged.
    const std::string script = folderUnix + "/rasterise.sh";
    {
        std::ofstream out(WindowsPath(script), std::ios::binary);
        out << "exec /usr/bin/pdftoppm -r " << dpi << " -singlefile '" << folderUnix << "/"
            << pdf.substr(pdf.find_last_of('\\') + 1) << "' '" << base << "'\n";
    }
    char command[1024];
    std::snprintf(command, sizeof command, "start /wait /unix /bin/sh %s", script.c_str());
    DeleteFileA(WindowsPath(base + ".ppm").c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The Unix program may still be writing: wait for the whole picture.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        const std::string data = ReadAll(WindowsPath(base + ".ppm"));
        int w = 0, h = 0, max = 0, used = 0;
        if (data.size() > 16 && std::sscanf(data.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) == 3 && w > 0 && h > 0) {
            const size_t offset = (size_t)used + 1;
            if (data.size() >= offset + (size_t)w * h * 3) {
                page->width = w;
                page->height = h;
                page->rgb.assign(data.begin() + offset, data.begin() + offset + (size_t)w * h * 3);
                DeleteFileA(WindowsPath(base + ".ppm").c_str());
                return true;
            }
        }
        Sleep(100);
    }
    return false;
}

// A smooth picture with no white in it: red grows to the right, green downwards.
void CanvasColour(int x, int y, int w, int h, uint8_t rgb[3]) {
    rgb[0] = (uint8_t)(20 + 180 * x / (w - 1));
    rgb[1] = (uint8_t)(20 + 180 * y / (h - 1));
    rgb[2] = 90;
}

// A canvas of the picture, handed to the frame as a scanned bitmap would be.
HWND OpenPictureCanvas(const testsupport::TempDir&, int w, int h) {
    BITMAPINFOHEADER* dib = CreatePackedDib(w, h, 24);
    if (!dib) return nullptr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t c[3];
            CanvasColour(x, y, w, h, c);
            SetPackedDibRgb(dib, x, y, c[0], c[1], c[2]);
        }
    return HandOverPicture(dib);
}

// Bounding box of the page's picture pixels (not white, not the red outline).
RECT PictureBounds(const Picture& page) {
    RECT r{page.width, page.height, -1, -1};
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            const uint8_t* p = page.At(x, y);
            const bool white = p[0] > 235 && p[1] > 235 && p[2] > 235;
            const bool red = p[0] > 200 && p[1] < 80 && p[2] < 80;
            if (white || red) continue;
            if (x < r.left) r.left = x;
            if (y < r.top) r.top = y;
            if (x > r.right) r.right = x;
            if (y > r.bottom) r.bottom = y;
        }
    return r;
}

// PSNR of the page's rectangle against the canvas scaled to its size.
double PsnrAgainstCanvas(const Picture& page, const RECT& r, int w, int h) {
    const int W = r.right - r.left + 1, H = r.bottom - r.top + 1;
    double sum = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t want[3];
            CanvasColour(std::min(w - 1, x * w / W), std::min(h - 1, y * h / H), w, h, want);
            const uint8_t* got = page.At(r.left + x, r.top + y);
            for (int c = 0; c < 3; ++c) sum += (double)(got[c] - want[c]) * (got[c] - want[c]);
        }
    const double mse = sum / ((double)W * H * 3);
    return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Largest difference of a printed row's mean green from the canvas's green at
// that row's place (rows m and m + 1 mixed by the fraction, as resampling does).
// Green grows downwards, so a band printed upside down misses by the green its
// rows span.
double WorstRowGreen(const Picture& page, const RECT& r, int w, int h) {
    const int W = r.right - r.left + 1, H = r.bottom - r.top + 1;
    double worst = 0;
    for (int y = 0; y < H; ++y) {
        double sum = 0;
        // Columns off the edges, where the page's own resampling blurs.
        for (int x = 2; x < W - 2; ++x) sum += page.At(r.left + x, r.top + y)[1];
        const double got = sum / (W - 4);
        const double p = std::min<double>(h - 1, (double)y * h / H);
        const int m = (int)p, m1 = std::min(h - 1, m + 1);
        uint8_t a[3], b[3];
        CanvasColour(0, m, w, h, a);
        CanvasColour(0, m1, w, h, b);
        const double want = a[1] + (p - m) * (b[1] - a[1]);
        worst = std::max(worst, std::fabs(got - want));
    }
    return worst;
}

// Answers the print dialog by pressing the given controls one after another;
// notes whether the frame's panels were enabled while it was open.
struct PrintAnswers {
    std::vector<int> presses;
    std::vector<std::string> boxes;
    int panelsEnabled = -1;
};
int AnswerPrint(const ModalRequest& request, void* user) {
    PrintAnswers* a = (PrintAnswers*)user;
    if (request.kind >= 0) {
        a->boxes.push_back(request.text ? request.text : "");
        return IDOK;
    }
    if (std::string(request.templ) != "psv_prt") return IDCANCEL;
    a->panelsEnabled = IsWindowEnabled(AppWindows.ctrlPanel) ? 1 : 0;
    if (request.attempt < (int)a->presses.size()) return a->presses[request.attempt];
    return kModalPressClose;
}

const char kPapers[] =
    "; two good cards, and bad entries that are skipped\r\n"
    "paper\r\n"
    "カード 2x5\r\n"
    "2 5\r\n"
    "5.0 4.0\r\n"
    "44.0 26.0\r\n"
    "46.0 28.0\r\n"
    "paper: no numbers\r\n"
    "壊れた用紙\r\n"
    "two five\r\n"
    "5 4\r\n"
    "44 26\r\n"
    "46 28\r\n"
    "paper\r\n"
    "ゼロ列\r\n"
    "0 5\r\n"
    "5 4\r\n"
    "44 26\r\n"
    "46 28\r\n"
    "paper\r\n"
    "一枚\r\n"
    "1 1\r\n"
    "5 6\r\n"
    "90 136\r\n"
    "0 0\r\n"
    "paper\r\n"
    "cut off\r\n"
    "1 1\r\n";

// The status bar's line each time the frame passed it a progress message,
// read after the frame handled it.
struct ProgressWatch {
    static inline WNDPROC previous = nullptr;
    static inline std::vector<std::string> lines;
    static inline int ends = 0;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        const LRESULT r = CallWindowProcA(previous, wnd, msg, wp, lp);
        if (msg == WM_USER && wp == 3) lines.push_back(StatusBarState.line);
        if (msg == WM_USER && wp == 0) ++ends;
        return r;
    }
    ProgressWatch() {
        lines.clear();
        ends = 0;
        previous = (WNDPROC)SetWindowLongPtrA(AppWindows.frame, GWLP_WNDPROC, (LONG_PTR)Proc);
    }
    ~ProgressWatch() { SetWindowLongPtrA(AppWindows.frame, GWLP_WNDPROC, (LONG_PTR)previous); }
};

void WritePapers(const testsupport::TempDir& dir, const std::string& text) {
    std::ofstream out(dir.File("sprint.par"), std::ios::binary);
    out << text;
}

class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("DARNA_PRINT_PDF_DIR");
        if (!folder || !*folder) GTEST_SKIP() << "no print queue (run through scripts/ctest.sh)";
        pdfUnix_ = folder;
        pdf_ = WindowsPath(folder);
        WritePapers(dir_, kPapers);
        ASSERT_TRUE(StartFrame(dir_.Path()));
        CurrentPrintSettings().mode = 0;
        CurrentPrintSettings().firstOpening = 1;
    }
    void TearDown() override {
        SetModalAnswerHook(nullptr, nullptr);
        if (AppWindows.frame) {
            EXPECT_TRUE(EndFrame());
        }
    }
    // Prints the active canvas pressing the given dialog controls; the new PDF.
    std::string Print(HWND canvas, std::vector<int> presses, PrintAnswers* answers) {
        answers->presses = std::move(presses);
        const auto before = PdfNames(pdf_);
        SetModalAnswerHook(AnswerPrint, answers);
        SendMessageA(canvas, WM_COMMAND, CMD_FILE_PRINT, 0);
        SetModalAnswerHook(nullptr, nullptr);
        return WaitForNewPdf(pdf_, before);
    }
    // Prints a picture handed in as rows, `mm` wide at the top left of the
    // page (its height by its aspect), pressing print in the dialog. A job
    // that printed is waited for until its PDF is out of the queue, so that
    // the next test takes its own.
    int PrintSourceAt(const PrintSource& source, float mm, PrintAnswers* answers) {
        const auto before = PdfNames(pdf_);
        PrintSettings& settings = CurrentPrintSettings();
        settings.firstOpening = 0;
        settings.unit = 0;
        settings.width = mm;
        settings.height = mm * source.height / source.width;
        settings.left = settings.top = 0;
        answers->presses = {IDC_PRT_PRINT};
        SetModalAnswerHook(AnswerPrint, answers);
        const int printed = PrintCanvas(AppWindows.frame, dir_.Path().c_str(), source);
        SetModalAnswerHook(nullptr, nullptr);
        if (printed) EXPECT_FALSE(WaitForNewPdf(pdf_, before).empty()) << "no PDF came out of the queue";
        return printed;
    }
    testsupport::TempDir dir_{"prt"};
    std::string pdf_, pdfUnix_;
};

}  // namespace

TEST(StickerPapers, ReadWithBoundsAndBadEntriesSkipped) {
    testsupport::TempDir dir("spp");
    WritePapers(dir, kPapers);
    ASSERT_EQ(1, ReadStickerPapers(dir.Path().c_str()));
    ASSERT_EQ(2, StickerPaperCount());
    EXPECT_STREQ("カード 2x5", StickerPaper(0)->name);
    EXPECT_EQ(2, StickerPaper(0)->columns);
    EXPECT_EQ(5, StickerPaper(0)->rows);
    EXPECT_FLOAT_EQ(46.0f, StickerPaper(0)->pitchX);
    EXPECT_STREQ("一枚", StickerPaper(1)->name);

    // A long name, a line longer than the reader's limit, and more than 100 entries.
    std::string many;
    many += "paper\n" + std::string(300, 'x') + "\n1 1\n0 0\n10 10\n0 0\n";
    for (int i = 0; i < 120; ++i) many += "paper\nP" + std::to_string(i) + "\n1 1\n0 0\n10 10\n0 0\n";
    WritePapers(dir, many);
    ASSERT_EQ(1, ReadStickerPapers(dir.Path().c_str()));
    EXPECT_EQ(kMaxPapers, StickerPaperCount());
    EXPECT_STREQ("P0", StickerPaper(0)->name);

    WritePapers(dir, "");
    EXPECT_EQ(1, ReadStickerPapers(dir.Path().c_str()));
    EXPECT_EQ(0, StickerPaperCount());
    DeleteFileA(dir.File("sprint.par").c_str());
    EXPECT_EQ(0, ReadStickerPapers(dir.Path().c_str()));
}

TEST_F(Printing, MissingPaperListIsReportedAndNothingPrints) {
    DeleteFileA(dir_.File("sprint.par").c_str());
    HWND canvas = OpenPictureCanvas(dir_, 40, 30);
    ASSERT_NE(nullptr, canvas);
    PrintAnswers answers;
    answers.presses = {IDC_PRT_PRINT};
    SetModalAnswerHook(AnswerPrint, &answers);
    SendMessageA(canvas, WM_COMMAND, CMD_FILE_PRINT, 0);
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_EQ(1u, answers.boxes.size());
    EXPECT_EQ("シールデータが見つかりません", answers.boxes[0]);
}

TEST_F(Printing, NormalPrintMatchesTheCanvasAtThePrintedScale) {
    HWND canvas = OpenPictureCanvas(dir_, 160, 120);
    ASSERT_NE(nullptr, canvas);
    PrintAnswers answers;
    const std::string pdf = Print(canvas, {IDC_PRT_PRINT}, &answers);
    EXPECT_TRUE(answers.boxes.empty()) << answers.boxes[0];
    ASSERT_FALSE(pdf.empty()) << "no PDF came out of the queue";
    const PrintPage page = CurrentPrintPage();
    ASSERT_GT(page.dpiX, 0);
    // 100 mm wide, centred on the printable area.
    EXPECT_FLOAT_EQ(100.0f, CurrentPrintSettings().width);
    Picture image;
    ASSERT_TRUE(Rasterise(pdf, page.dpiX, pdfUnix_, &image));
    const RECT r = PictureBounds(image);
    const int W = r.right - r.left + 1, H = r.bottom - r.top + 1;
    const int wantW = (int)std::lround(page.dpiX * 100 / 25.4), wantH = (int)std::lround(page.dpiY * 75 / 25.4);
    EXPECT_NEAR(wantW, W, 3);
    EXPECT_NEAR(wantH, H, 3);
    const int centreX = page.offsetX + page.width / 2, centreY = page.offsetY + page.height / 2;
    EXPECT_NEAR(centreX, (r.left + r.right) / 2, 4);
    EXPECT_NEAR(centreY, (r.top + r.bottom) / 2, 4);
    EXPECT_GT(PsnrAgainstCanvas(image, r, 160, 120), 30.0);
    EXPECT_LT(WorstRowGreen(image, r, 160, 120), 2.5);
    // A normal print leaves the printable area's edge unmarked.
    const uint8_t* edge = image.At(page.offsetX, page.offsetY + page.height / 2);
    EXPECT_GT(edge[0] + edge[1] + edge[2], 3 * 235);
}

TEST_F(Printing, BandedPrintShowsItsProgressInTheStatusBarWithThePanelsOff) {
    HWND canvas = OpenPictureCanvas(dir_, 160, 120);
    ASSERT_NE(nullptr, canvas);
    PrintAnswers answers;
    std::string pdf;
    std::vector<std::string> lines;
    int ends = 0;
    {
        ProgressWatch watch;
        pdf = Print(canvas, {IDC_PRT_PRINT}, &answers);
        lines = watch.lines;
        ends = watch.ends;
    }
    ASSERT_FALSE(pdf.empty()) << "no PDF came out of the queue";
    EXPECT_EQ(0, answers.panelsEnabled);
    EXPECT_TRUE(IsWindowEnabled(AppWindows.ctrlPanel));
    // The picture is 75 mm high: more than five bands at any printer resolution,
    // so the bar starts at 0 % and moves on before the end.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("処理中です：  0％完了", lines.front());
    EXPECT_NE(lines.front(), lines.back());
    EXPECT_GE(ends, 1);
    EXPECT_EQ(std::string::npos, std::string(StatusBarState.line).find("処理中"));
}

// A grey picture that notes how its rows are asked for: the printer's own
// enlargement reads bands of rows at once, the resampling a row at a time.
struct RowLog {
    int width;
    int blockReads = 0;
};
int LoggedRows(void* context, int y0, int y1, uint32_t* out) {
    RowLog* log = (RowLog*)context;
    if (y1 > y0) ++log->blockReads;
    for (size_t i = 0; i < (size_t)(y1 - y0 + 1) * (size_t)log->width; ++i) out[i] = 0x808080;
    return 1;
}

// A picture whose rows cannot be had.
int NoRows(void*, int, int, uint32_t*) { return 0; }

TEST_F(Printing, StretchedPrintWithoutItsRowsShowsTheMemoryMessage) {
    // Wide enough for the device to enlarge it (1,000 pixels and more, printed
    // larger than its size): the stretched path, then the banded one, both
    // without rows.
    const PrintSource source{1000, 10, "", nullptr, NoRows};
    PrintAnswers answers;
    EXPECT_EQ(0, PrintSourceAt(source, 400, &answers));
    ASSERT_EQ(2u, answers.boxes.size());
    EXPECT_EQ("メモリーが不足しました。", answers.boxes[0]);
    EXPECT_EQ("印刷に失敗しました。", answers.boxes[1]);
    // The failed job leaves the printer ready for the next one.
    RowLog log{1000};
    PrintAnswers next;
    EXPECT_EQ(1, PrintSourceAt(PrintSource{1000, 10, "", &log, LoggedRows}, 400, &next));
    EXPECT_TRUE(next.boxes.empty()) << next.boxes[0];
    CurrentPrintSettings().firstOpening = 1;
}

TEST_F(Printing, OnlyWideCanvasesPrintedAtLeastAtTheirSizeAreEnlargedByThePrinter) {
    const struct {
        int w, h;
        float mm;   // printed width
        bool enlargedByPrinter;
    } cases[] = {
        {800, 8, 400, false},     // under 1,000 pixels wide: always resampled, however large
        {2000, 20, 20, false},    // printed smaller than its pixels
        {2000, 20, 1000, true},   // printed larger than its pixels
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " pixels at " + std::to_string(c.mm) + " mm");
        RowLog log{c.w};
        const PrintSource source{c.w, c.h, "", &log, LoggedRows};
        PrintAnswers answers;
        EXPECT_EQ(1, PrintSourceAt(source, c.mm, &answers));
        EXPECT_TRUE(answers.boxes.empty()) << answers.boxes[0];
        EXPECT_EQ(c.enlargedByPrinter, log.blockReads > 0);
    }
    CurrentPrintSettings().firstOpening = 1;
}

// The normal panel and the mode buttons, pressed one after another in the
// open dialog; after each press the kept settings are compared.
struct PanelStep {
    const char* what;
    int control;
    bool onPanel;   // pressed in the normal panel, else in the dialog
    int mode, unit;
    double width;   // expected width; kFit: the page's fitted width in the unit
};
constexpr double kFit = -1;

struct PanelRun {
    std::vector<PanelStep> steps;
    std::vector<std::string> failures;
    bool setupKind = false, panelEnabled = true;
    HWND panel = nullptr;
};

HWND NormalPanel(HWND dialog) {
    for (HWND child = FindWindowExA(dialog, nullptr, "#32770", nullptr); child;
         child = FindWindowExA(dialog, child, "#32770", nullptr))
        if (GetDlgItem(child, IDC_PRT_UNIT_INCH)) return child;
    return nullptr;
}

int AnswerPanel(const ModalRequest& request, void* user) {
    PanelRun* run = (PanelRun*)user;
    if (request.kind >= 0) return IDOK;
    if (std::string(request.templ) == "PrintSetup") {
        run->setupKind = GetDlgItem(request.dialog, cmb2) != nullptr && GetDlgItem(request.dialog, edt3) == nullptr;
        run->panelEnabled = IsWindowEnabled(run->panel) != 0;
        return IDOK;
    }
    if (std::string(request.templ) != "psv_prt" || request.attempt > 0) return IDCANCEL;
    HWND panel = run->panel = NormalPanel(request.dialog);
    if (!panel) {
        run->failures.push_back("no normal panel");
        return IDCANCEL;
    }
    for (const PanelStep& step : run->steps) {
        SendMessageA(step.onPanel ? panel : request.dialog, WM_COMMAND, (WPARAM)step.control, 0);
        const PrintSettings& s = CurrentPrintSettings();
        const PrintPage page = CurrentPrintPage();
        double want = step.width;
        if (want == kFit) {
            // The canvas (160 x 120) as large as the printable area takes it.
            const double byWidth = (double)page.width / page.dpiX, byHeight = (double)page.height * 160 / 120 / page.dpiX;
            want = std::min(byWidth, byHeight) * (s.unit == 1 ? 1.0 : 25.4);
        }
        char text[200];
        std::snprintf(text, sizeof text, "%s: mode %d unit %d width %.4f (want mode %d unit %d width %.4f)", step.what,
                      s.mode, s.unit, s.width, step.mode, step.unit, want);
        if (s.mode != step.mode || s.unit != step.unit || std::fabs(s.width - want) > 0.02 * (s.unit == 1 ? 1 : 25.4) ||
            std::fabs(s.height - s.width * 120 / 160) > 0.02)
            run->failures.push_back(text);
    }
    return IDCANCEL;
}

TEST_F(Printing, UnitsFitModesAndPrinterSetUpInThePanel) {
    HWND canvas = OpenPictureCanvas(dir_, 160, 120);
    ASSERT_NE(nullptr, canvas);
    const double inches100 = 100 * 0.03937008;
    PanelRun run;
    run.steps = {
        {"to inches", IDC_PRT_UNIT_INCH, true, 0, 1, inches100},
        {"fit in inches", IDC_PRT_FIT, true, 0, 1, kFit},
        {"back to millimetres", IDC_PRT_UNIT_MM, true, 0, 0, kFit},
        {"inches again", IDC_PRT_UNIT_INCH, true, 0, 1, kFit},
        // Sticker mode sets the card on the printer and starts again at 100 mm.
        {"sticker mode", IDC_PRT_MODE_STICKER, false, 1, 0, 100},
        // Back in normal mode the inches chosen before come back.
        {"normal mode", IDC_PRT_MODE_NORMAL, false, 0, 1, inches100},
        // A confirmed printer set-up starts again at 100 mm.
        {"printer set-up", IDC_PRT_SETUP, true, 0, 0, 100},
    };
    SetModalAnswerHook(AnswerPanel, &run);
    SendMessageA(canvas, WM_COMMAND, CMD_FILE_PRINT, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_TRUE(run.failures.empty()) << run.failures[0];
    EXPECT_TRUE(run.setupKind);
    EXPECT_FALSE(run.panelEnabled);
    CurrentPrintSettings().mode = 0;
}

TEST_F(Printing, StickerPrintFillsEveryCellOfTheCard) {
    HWND canvas = OpenPictureCanvas(dir_, 90, 60);
    ASSERT_NE(nullptr, canvas);
    PrintAnswers answers;
    const std::string pdf = Print(canvas, {IDC_PRT_MODE_STICKER, IDC_PRT_PRINT}, &answers);
    EXPECT_TRUE(answers.boxes.empty());
    ASSERT_FALSE(pdf.empty()) << "no PDF came out of the queue";
    EXPECT_EQ(1, CurrentPrintSettings().mode);
    const PrintPage page = CurrentPrintPage();
    Picture image;
    ASSERT_TRUE(Rasterise(pdf, page.dpiX, pdfUnix_, &image));
    // The card is asked for; this driver has no such paper, so the layout is
    // printed from the top left corner of its default paper, which holds it.
    EXPECT_GE(image.width, (int)(page.dpiX * 100 / 25.4) - 3);
    EXPECT_GE(image.height, (int)(page.dpiY * 148 / 25.4) - 3);
    EXPECT_LT(image.width, (int)(page.dpiX * 11));   // not the driver's 11 x 14 inch stand-in
    // Paper 0: 2 x 5 cells of 44 x 26 mm at 46 x 28 mm pitch from (5, 4) mm; the
    // picture (3:2) fitted into each, centred.
    const PaperEntry* paper = StickerPaper(0);
    ASSERT_NE(nullptr, paper);
    for (int row = 0; row < paper->rows; ++row)
        for (int col = 0; col < paper->columns; ++col) {
            SCOPED_TRACE("cell " + std::to_string(col) + "," + std::to_string(row));
            const double cx = (5 + col * 46 + 22) * page.dpiX / 25.4, cy = (4 + row * 28 + 13) * page.dpiY / 25.4;
            uint8_t want[3];
            CanvasColour(45, 30, 90, 60, want);
            const uint8_t* got = image.At((int)cx, (int)cy);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(want[c], got[c], 12);
            // Between cells the card stays white.
            const double gx = (5 + col * 46 + 45) * page.dpiX / 25.4;
            const uint8_t* gap = image.At((int)gx, (int)cy);
            EXPECT_GT(gap[0] + gap[1] + gap[2], 3 * 235);
        }
    // The printable area is outlined in red.
    const uint8_t* edge = image.At(page.offsetX, page.offsetY + page.height / 2);
    EXPECT_GT(edge[0], 180);
    EXPECT_LT(edge[1], 90);
    CurrentPrintSettings().mode = 0;
}
