#include "fileio/print.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include <winspool.h>

#include "fileio/host_util.h"
#include "fileio/print_setup.h"
#include "image/c_dib.h"
#include "image/progress.h"
#include "resources/print_ids.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"

namespace {

constexpr double kInchPerMm = 0.03937007874015748;
constexpr int kBandRows = 32;
constexpr int kProgressRows = 160;   // progress is reported before every fifth band
constexpr UINT kPanelTimer = 29000;

const char kNoPapers[] = "シールデータが見つかりません";
const char kNoPrinter[] = "プリンタドライバが見つかりません。";
const char kNoDc[] = "DC ERROR";
const char kNoMemory[] = "メモリーが不足しました。";
const char kStartFailed[] = "印刷を開始できませんでした。";
const char kJobFailed[] = "印刷に失敗しました。";

// The printer: device context, name, handle and device mode, the page.
struct PrinterState {
    bool initialised = false;
    HDC dc = nullptr;
    char name[256] = {};
    HANDLE printer = nullptr;
    std::vector<uint8_t> devmode;   // the current DEVMODEA with its driver bytes
    std::vector<uint8_t> initial;   // the default printer's device mode at start-up
    PrintPage page{};
    ~PrinterState() {
        if (dc) DeleteDC(dc);
        if (printer) ClosePrinter(printer);
    }
} g_Printer;

PrintSettings g_Settings{0, 0, 100, 100, 0, 0, 1, 0, 0, 1, 0};
PaperEntry g_Papers[kMaxPapers];
int g_PaperCount = 0;

// What the dialog works on.
struct PrintJob {
    const PrintSource* source = nullptr;
    HWND dialog = nullptr, view = nullptr, panels[2] = {};
    std::vector<uint8_t> preview;   // 24-bit DIB of the canvas fitted into the view
    BITMAPINFOHEADER previewHeader{};
} g_Job;

void ReadPageCaps() {
    PrintPage& p = g_Printer.page;
    if (!g_Printer.dc) {
        p.width = p.height = p.dpiX = p.dpiY = 0;
        return;
    }
    p.width = GetDeviceCaps(g_Printer.dc, HORZRES);
    p.height = GetDeviceCaps(g_Printer.dc, VERTRES);
    p.dpiX = GetDeviceCaps(g_Printer.dc, LOGPIXELSX);
    p.dpiY = GetDeviceCaps(g_Printer.dc, LOGPIXELSY);
}

// The printer's default device mode into g_Printer.devmode (empty when none).
void FetchDefaultDevmode() {
    g_Printer.devmode.clear();
    if (!g_Printer.printer) return;
    LONG size = DocumentPropertiesA(nullptr, g_Printer.printer, g_Printer.name, nullptr, nullptr, 0);
    if (size < (LONG)sizeof(DEVMODEA)) return;
    g_Printer.devmode.assign((size_t)size, 0);
    if (DocumentPropertiesA(nullptr, g_Printer.printer, g_Printer.name, (DEVMODEA*)g_Printer.devmode.data(), nullptr,
                            DM_OUT_BUFFER) < 0)
        g_Printer.devmode.clear();
}

DEVMODEA* Devmode() { return g_Printer.devmode.empty() ? nullptr : (DEVMODEA*)g_Printer.devmode.data(); }

HDC CreateDefaultPrinterDC() {
    char device[80] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    char* driver = std::strchr(device, ',');
    char* port = driver ? std::strchr(driver + 1, ',') : nullptr;
    if (!driver || !port) return nullptr;
    *driver = 0;
    if (!device[0] || !driver[1] || !port[1]) return nullptr;
    return CreateDCA("WINSPOOL", device, nullptr, nullptr);
}

void InitPrinter() {
    if (g_Printer.initialised) return;
    g_Printer.initialised = true;
    g_Printer.dc = CreateDefaultPrinterDC();
    if (!g_Printer.dc) return;
    ReadPageCaps();
    g_Printer.page.offsetX = GetDeviceCaps(g_Printer.dc, PHYSICALOFFSETX);
    g_Printer.page.offsetY = GetDeviceCaps(g_Printer.dc, PHYSICALOFFSETY);
    char device[80] = {};
    GetProfileStringA("Windows", "Device", "", device, sizeof device);
    if (char* comma = std::strchr(device, ',')) *comma = 0;
    lstrcpynA(g_Printer.name, device, sizeof g_Printer.name);
    if (!OpenPrinterA(g_Printer.name, &g_Printer.printer, nullptr)) g_Printer.printer = nullptr;
    FetchDefaultDevmode();
    g_Printer.initial = g_Printer.devmode;
}

float Truncate2(double v) { return (float)(std::trunc(v * 100) * 0.01); }
double UnitPerInch() { return g_Settings.unit == 1 ? 1.0 : 25.4; }

void WriteEdit(HWND panel, int id, float value) {
    char want[32], have[32] = {};
    std::snprintf(want, sizeof want, "%5.2f", value);
    GetDlgItemTextA(panel, id, have, sizeof have);
    if (std::strcmp(want, have) == 0) return;
    g_Settings.changing = 1;
    SetDlgItemTextA(panel, id, want);
    g_Settings.changing = 0;
}

void WriteNormalEdits(HWND panel) {
    if (!panel) return;
    WriteEdit(panel, IDC_PRT_WIDTH, g_Settings.width);
    WriteEdit(panel, IDC_PRT_HEIGHT, g_Settings.height);
    WriteEdit(panel, IDC_PRT_LEFT, g_Settings.left);
    WriteEdit(panel, IDC_PRT_TOP, g_Settings.top);
    g_Settings.changing = 1;
    SetDlgItemInt(panel, IDC_PRT_COPIES, (UINT)g_Settings.copies, FALSE);
    g_Settings.changing = 0;
    const char* unit = g_Settings.unit == 1 ? "inch" : "mm";
    for (int id : {IDC_PRT_WIDTH_UNIT, IDC_PRT_HEIGHT_UNIT, IDC_PRT_LEFT_UNIT, IDC_PRT_TOP_UNIT})
        SetDlgItemTextA(panel, id, unit);
    for (int id : {IDC_PRT_UNIT_MM, IDC_PRT_UNIT_INCH}) InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
}

void Centre() {
    const PrintPage& p = g_Printer.page;
    if (p.dpiX <= 0 || p.dpiY <= 0) return;
    g_Settings.left = Truncate2(((double)p.width / p.dpiX * UnitPerInch() - g_Settings.width) / 2);
    g_Settings.top = Truncate2(((double)p.height / p.dpiY * UnitPerInch() - g_Settings.height) / 2);
}

void ResetPrintSize(HWND panel) {
    const PrintSource* s = g_Job.source;
    g_Settings.unit = 0;
    g_Settings.width = 100;
    g_Settings.height = s && s->width > 0 ? (float)(100.0 * s->height / s->width) : 100;
    Centre();
    g_Settings.copies = 1;
    WriteNormalEdits(panel);
}

void FitToPaper() {
    const PrintSource* s = g_Job.source;
    const PrintPage& p = g_Printer.page;
    if (!s || s->width < 1 || s->height < 1 || p.dpiX <= 0 || p.dpiY <= 0) return;
    double w, h;
    if ((double)p.width / s->width <= (double)p.height / s->height) {
        w = p.width;
        h = (double)p.width * s->height / s->width;
    } else {
        h = p.height;
        w = (double)p.height * s->width / s->height;
    }
    g_Settings.width = (float)(w / p.dpiX * UnitPerInch());
    g_Settings.height = (float)(h / p.dpiY * UnitPerInch());
    Centre();
}

// True when the current device context's paper is width x length tenths of a
// millimetre (within 2 mm).
bool PaperIs(int width, int length) {
    if (!g_Printer.dc) return false;
    const int dpiX = GetDeviceCaps(g_Printer.dc, LOGPIXELSX), dpiY = GetDeviceCaps(g_Printer.dc, LOGPIXELSY);
    if (dpiX <= 0 || dpiY <= 0) return false;
    const double w = GetDeviceCaps(g_Printer.dc, PHYSICALWIDTH) * 254.0 / dpiX;
    const double l = GetDeviceCaps(g_Printer.dc, PHYSICALHEIGHT) * 254.0 / dpiY;
    return std::fabs(w - width) <= 20 && std::fabs(l - length) <= 20;
}

// A driver that takes no user-defined size (Wine's PostScript driver maps it to
// a paper of its own) gets the paper of that size from its own list; without
// one it keeps its default paper, and the card's layout is printed from the
// paper's top left corner.
void UseListedPaper(int width, int length) {
    DEVMODEA* dm = Devmode();
    if (!dm) return;
    const int count = DeviceCapabilitiesA(g_Printer.name, nullptr, DC_PAPERS, nullptr, nullptr);
    if (count <= 0 || count > 1000) return;
    std::vector<WORD> papers((size_t)count);
    std::vector<POINT> sizes((size_t)count);
    if (DeviceCapabilitiesA(g_Printer.name, nullptr, DC_PAPERS, (LPSTR)papers.data(), nullptr) != count ||
        DeviceCapabilitiesA(g_Printer.name, nullptr, DC_PAPERSIZE, (LPSTR)sizes.data(), nullptr) != count)
        return;
    short chosen = 0;
    for (int i = 0; i < count && !chosen; ++i)
        if (std::abs(sizes[(size_t)i].x - width) <= 10 && std::abs(sizes[(size_t)i].y - length) <= 10)
            chosen = (short)papers[(size_t)i];
    // The driver may keep the refused size as its own: start again from the
    // device mode it had at start-up.
    if (g_Printer.initial.size() >= sizeof(DEVMODEA)) g_Printer.devmode = g_Printer.initial;
    dm = Devmode();
    if (!dm) return;
    if (chosen) {
        dm->dmPaperSize = chosen;
        dm->dmFields = DM_PAPERSIZE;
        DocumentPropertiesA(nullptr, g_Printer.printer, g_Printer.name, dm, dm, DM_IN_BUFFER | DM_OUT_BUFFER);
    }
    DeleteDC(g_Printer.dc);
    g_Printer.dc = CreateDCA("WINSPOOL", g_Printer.name, nullptr, dm);
}

// Rebuilds the device mode and the device context for the named printer ("" the
// current one), with a paper size in tenths of a millimetre (-1 none).
void CreatePrinterDC(HWND panel, const char* name, int paperWidth, int paperLength) {
    std::vector<uint8_t> previous = g_Printer.devmode;
    if (!name || !name[0]) name = g_Printer.name;
    const bool changed = std::strcmp(name, g_Printer.name) != 0;
    char chosen[256];
    lstrcpynA(chosen, name, sizeof chosen);
    if (g_Printer.printer) ClosePrinter(g_Printer.printer);
    g_Printer.printer = nullptr;
    lstrcpynA(g_Printer.name, chosen, sizeof g_Printer.name);
    if (!OpenPrinterA(g_Printer.name, &g_Printer.printer, nullptr)) g_Printer.printer = nullptr;
    const DEVMODEA* old = previous.size() >= sizeof(DEVMODEA) ? (const DEVMODEA*)previous.data() : nullptr;
    if (changed || !old) {
        FetchDefaultDevmode();
    } else {
        g_Printer.devmode = previous;
    }
    if (DEVMODEA* dm = Devmode()) {
        if (old && changed) {
            dm->dmFields |= DM_ORIENTATION;
            dm->dmOrientation = old->dmOrientation;
        }
        if (paperWidth > 0 && paperLength > 0) {
            dm->dmPaperSize = DMPAPER_USER;
            dm->dmPaperWidth = (short)paperWidth;
            dm->dmPaperLength = (short)paperLength;
            dm->dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
        }
        if (old) {
            dm->dmFields |= DM_COPIES;
            dm->dmCopies = old->dmCopies;
        }
        if (g_Printer.printer)
            DocumentPropertiesA(nullptr, g_Printer.printer, g_Printer.name, dm, dm, DM_IN_BUFFER | DM_OUT_BUFFER);
    }
    if (g_Printer.dc) DeleteDC(g_Printer.dc);
    g_Printer.dc = CreateDCA("WINSPOOL", g_Printer.name, nullptr, Devmode());
    if (paperWidth > 0 && paperLength > 0 && !PaperIs(paperWidth, paperLength)) UseListedPaper(paperWidth, paperLength);
    ReadPageCaps();
    ResetPrintSize(panel);
}

int RunPrintDialog(HWND owner) {
    HGLOBAL names = GlobalAlloc(GHND, 8);
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.hDevNames = names;
    pd.Flags = PD_PRINTSETUP | PD_RETURNDC;
    pd.nCopies = 1;
    if (!RunPrintSetupDialog(&pd)) {
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        return 0;
    }
    if (g_Printer.dc) DeleteDC(g_Printer.dc);
    g_Printer.dc = pd.hDC;
    ReadPageCaps();
    if (pd.hDevNames) {
        const DEVNAMES* dn = (const DEVNAMES*)GlobalLock(pd.hDevNames);
        const SIZE_T size = GlobalSize(pd.hDevNames);
        if (dn && dn->wDeviceOffset < size) {
            const char* device = (const char*)dn + dn->wDeviceOffset;
            lstrcpynA(g_Printer.name, device, (int)std::min<SIZE_T>(sizeof g_Printer.name, size - dn->wDeviceOffset));
        }
        if (dn) GlobalUnlock(pd.hDevNames);
        GlobalFree(pd.hDevNames);
    }
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    return 1;
}

// ---- Drawing the picture into a device rectangle ----

// The frame's status bar follows a job: the percentage before every fifth
// band (of the rows done out of total), the end when the job's bands are through.
void ReportBand(int firstRow, int total) {
    if (firstRow % kProgressRows == 0) SendProgress((int)((long long)firstRow * 100 / total));
}
struct ProgressEnd {
    ~ProgressEnd() { SendProgressEnd(); }
};

// Resamples the picture into W x H device pixels at (x, y), in bands. 0 when it
// stopped (no memory or the rows could not be read).
int PrintBanded(HDC dc, int x, int y, int W, int H) {
    const PrintSource* s = g_Job.source;
    if (!s || W < 1 || H < 1) return 0;
    const int w = s->width, h = s->height;
    const int stride = (W * 3 + 3) & ~3;
    // The band image: a failed allocation stops the job with the memory message.
    std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[(size_t)stride * kBandRows]);
    if (!band) {
        ShowMessageBox(GetActiveWindow(), kNoMemory, kAppTitle, kMsgOk);
        return 0;
    }
    std::vector<uint32_t> rowA(w), rowB(w);
    int haveA = -1, haveB = -1;
    BITMAPINFOHEADER bh{};
    bh.biSize = sizeof bh;
    bh.biWidth = W;
    bh.biPlanes = 1;
    bh.biBitCount = 24;
    ProgressEnd end;
    for (int start = 0; start < H; start += kBandRows) {
        const int n = H - start < kBandRows ? H - start : kBandRows;
        ReportBand(start, H);
        for (int r = 0; r < n; ++r) {
            const int ty = start + r;
            double p = (double)ty * h / H;
            if (p > h - 1) p = h - 1;
            const int m = (int)p;
            const int a = (int)((p - m) * 100);
            const int m1 = m + 1 < h ? m + 1 : m;
            if (haveA != m) {
                if (haveB == m) {
                    rowA.swap(rowB);
                    std::swap(haveA, haveB);
                } else if (!s->rows(s->context, m, m, rowA.data())) {
                    return 0;
                }
                haveA = m;
            }
            if (haveB != m1) {
                if (!s->rows(s->context, m1, m1, rowB.data())) return 0;
                haveB = m1;
            }
            // Bottom-up band: target row r is DIB row n - 1 - r.
            uint8_t* out = band.get() + (size_t)(n - 1 - r) * stride;
            for (int tx = 0; tx < W; ++tx) {
                double q = (double)tx * w / W;
                if (q > w - 1) q = w - 1;
                const int u = (int)q;
                const int b = (int)((q - u) * 100);
                const int u1 = u + 1 < w ? u + 1 : u;
                for (int c = 0; c < 3; ++c) {
                    const int shift = c * 8;   // blue, green, red
                    // Rows m and m + 1 mixed first, then the two columns.
                    const int pu = ((int)((rowB[u] >> shift) & 255) * a + (int)((rowA[u] >> shift) & 255) * (100 - a)) / 100;
                    const int pu1 =
                        ((int)((rowB[u1] >> shift) & 255) * a + (int)((rowA[u1] >> shift) & 255) * (100 - a)) / 100;
                    out[tx * 3 + c] = (uint8_t)((b * pu1 + (100 - b) * pu) / 100);
                }
            }
        }
        bh.biHeight = n;
        SetDIBitsToDevice(dc, x, y + start, (DWORD)W, (DWORD)n, 0, 0, 0, (UINT)n, band.get(), (BITMAPINFO*)&bh,
                          DIB_RGB_COLORS);
    }
    return 1;
}

// The picture enlarged by the device: 0 when it refuses (target smaller than
// the picture) or stopped (its band could not be had: the memory message).
int PrintBandsStretched(HDC dc, int x, int y, int W, int H) {
    const PrintSource* s = g_Job.source;
    if (!s) return 0;
    const int w = s->width, h = s->height;
    if (W < w || H < h) return 0;
    // The band image: without it the memory message, and the caller prints
    // through PrintBanded instead.
    const int bandRows = h < kBandRows ? h : kBandRows;
    std::unique_ptr<uint32_t[]> band(new (std::nothrow) uint32_t[(size_t)w * bandRows]);
    if (!band) {
        ShowMessageBox(GetActiveWindow(), kNoMemory, kAppTitle, kMsgOk);
        return 0;
    }
    BITMAPINFOHEADER bh{};
    bh.biSize = sizeof bh;
    bh.biWidth = w;
    bh.biPlanes = 1;
    bh.biBitCount = 32;
    const int span = w - 1 > 1 ? w - 1 : 1;
    ProgressEnd end;
    for (int r0 = 0; r0 < h; r0 += kBandRows) {
        const int n = h - r0 < kBandRows ? h - r0 : kBandRows;
        ReportBand(r0, h);
        std::memset(band.get(), 0, (size_t)w * n * sizeof(uint32_t));
        if (!s->rows(s->context, r0, r0 + n - 1, band.get())) {
            ShowMessageBox(GetActiveWindow(), kNoMemory, kAppTitle, kMsgOk);
            return 0;
        }
        const int t0 = y + (int)((long long)(W - 1) * r0 / span);
        const int t1 = y + (int)((long long)(W - 1) * (r0 + n) / span);
        if (t1 <= t0) continue;
        bh.biHeight = -n;   // top-down
        StretchDIBits(dc, x, t0, W, t1 - t0, 0, 0, w, n, band.get(), (BITMAPINFO*)&bh, DIB_RGB_COLORS, SRCCOPY);
    }
    return 1;
}

struct DeviceRect {
    int left, top, right, bottom;
};

DeviceRect NormalRect() {
    const PrintPage& p = g_Printer.page;
    const double k = g_Settings.unit == 1 ? 1.0 : kInchPerMm;
    return DeviceRect{(int)(p.dpiX * g_Settings.left * k), (int)(p.dpiY * g_Settings.top * k),
                      (int)(p.dpiX * (g_Settings.left + g_Settings.width) * k),
                      (int)(p.dpiY * (g_Settings.top + g_Settings.height) * k)};
}

void DrawPreviewImage(HDC dc, int x0, int y0, int x1, int y1) {
    if (g_Job.preview.empty()) return;
    const BITMAPINFOHEADER& h = g_Job.previewHeader;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x0, y0, x1 - x0, y1 - y0, 0, 0, h.biWidth, h.biHeight, g_Job.preview.data(),
                  (const BITMAPINFO*)&h, DIB_RGB_COLORS, SRCCOPY);
}

void Outline(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, y0, x1 + 1, y1 + 1);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// Page mapping of the preview: the printable area scaled into the window.
void SetPreviewMapping(HDC dc, int width, int height) {
    const PrintPage& p = g_Printer.page;
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, p.width > 0 ? p.width : 1, p.height > 0 ? p.height : 1, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
}

void PreviewBackground(HDC dc, int width, int height) {
    FillRectColor(dc, 0, 0, width, height, RGB(111, 125, 133));
    SetPreviewMapping(dc, width, height);
    HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
    RECT page{0, 0, g_Printer.page.width, g_Printer.page.height};
    FillRect(dc, &page, white);
}

int RenderNormalPage(HDC dc, int width, int height, bool preview) {
    if (preview) PreviewBackground(dc, width, height);
    const DeviceRect r = NormalRect();
    if (preview) {
        if (r.right > r.left && r.top < r.bottom) DrawPreviewImage(dc, r.left, r.top, r.right, r.bottom);
        return 1;
    }
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    if (g_Job.source->width >= 1000 &&
        PrintBandsStretched(dc, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1))
        return 1;
    return PrintBanded(dc, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
}

int RenderStickerPage(HDC dc, int width, int height, bool preview) {
    if (preview) PreviewBackground(dc, width, height);
    if (g_Settings.paper < 0 || g_Settings.paper >= g_PaperCount) return 1;
    const PaperEntry& e = g_Papers[g_Settings.paper];
    const PrintPage& p = g_Printer.page;
    const PrintSource* s = g_Job.source;
    for (int r = 0; r < e.rows; ++r)
        for (int c = 0; c < e.columns; ++c) {
            const double cl = c * e.pitchX + e.left, ct = r * e.pitchY + e.top;
            const double X0 = cl * p.dpiX * kInchPerMm, X1 = (cl + e.cellWidth) * p.dpiX * kInchPerMm;
            const double Y0 = ct * p.dpiY * kInchPerMm, Y1 = (ct + e.cellHeight) * p.dpiY * kInchPerMm;
            const int W = (int)(X1 - X0), H = (int)(Y1 - Y0);
            int fw = 0, fh = 0;
            c_Dib::FitSize(s->width, s->height, W, H, &fw, &fh, 1);
            const int dx = (W - fw) / 2 - p.offsetX, dy = (H - fh) / 2 - p.offsetY;
            const int x = (int)X0 + dx, y = (int)Y0 + dy;
            if (preview) {
                DrawPreviewImage(dc, x, y, x + fw, y + fh);
                Outline(dc, (int)X0 - p.offsetX, (int)Y0 - p.offsetY, (int)X1 - p.offsetX, (int)Y1 - p.offsetY,
                        RGB(255, 0, 0));
            } else if (fw > 0 && fh > 0 && !PrintBanded(dc, x, y, fw, fh)) {
                return 0;
            }
        }
    return 1;
}

// A device context whose job was aborted does not start another (the next
// StartDoc fails): a new one of the same printer and device mode takes its place.
void RenewPrinterDC() {
    HDC fresh = CreateDCA("WINSPOOL", g_Printer.name, nullptr, Devmode());
    if (!fresh) return;
    DeleteDC(g_Printer.dc);
    g_Printer.dc = fresh;
    ReadPageCaps();
}

// One job of one page on the current device context; 1 when it was printed to the end.
int RunJob(HWND owner, bool sticker) {
    if (!g_Printer.dc) {
        ShowMessageBox(owner, kNoDc, kAppTitle, kMsgOk);
        return 0;
    }
    char name[512];
    std::snprintf(name, sizeof name, "%sイメージ-[%s]", kAppTitle,
                  g_Job.source->documentPath ? g_Job.source->documentPath : "");
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = name;
    fileio::WaitCursor wait;
    HDC dc = g_Printer.dc;
    if (StartDocA(dc, &info) <= 0) {
        RenewPrinterDC();
        ShowMessageBox(owner, kStartFailed, kAppTitle, kMsgOk);
        return 0;
    }
    bool ok = StartPage(dc) > 0;
    if (ok) {
        SetMapMode(dc, MM_TEXT);
        ok = (sticker ? RenderStickerPage(dc, 0, 0, false) : RenderNormalPage(dc, 0, 0, false)) != 0;
        if (ok && sticker) Outline(dc, 0, 0, g_Printer.page.width - 1, g_Printer.page.height - 1, RGB(255, 0, 0));
        ok = EndPage(dc) > 0 && ok;
    }
    if (!ok) {
        AbortDoc(dc);
        RenewPrinterDC();
        ShowMessageBox(owner, kJobFailed, kAppTitle, kMsgOk);
        return 0;
    }
    if (EndDoc(dc) <= 0) {
        ShowMessageBox(owner, kJobFailed, kAppTitle, kMsgOk);
        return 0;
    }
    return 1;
}

// ---- The dialog ----

void RedrawPreview() {
    if (g_Job.view) InvalidateRect(g_Job.view, nullptr, TRUE);
}

void PlacePanels() {
    for (int i = 0; i < 2; ++i) {
        if (!g_Job.panels[i]) continue;
        if (i == g_Settings.mode)
            SetWindowPos(g_Job.panels[i], nullptr, 328, 32, 304, 440, SWP_NOZORDER | SWP_SHOWWINDOW);
        else
            SetWindowPos(g_Job.panels[i], nullptr, 328, 32, 0, 0, SWP_NOZORDER | SWP_HIDEWINDOW);
    }
    for (int id : {IDC_PRT_MODE_NORMAL, IDC_PRT_MODE_STICKER}) InvalidateRect(GetDlgItem(g_Job.dialog, id), nullptr, FALSE);
}

void SetMode(int mode) {
    if (mode == g_Settings.mode) return;
    g_Settings.mode = mode;
    HWND normal = g_Job.panels[0];
    if (mode == 1) {
        g_Settings.rememberedUnit = g_Settings.unit;
        FetchDefaultDevmode();
        CreatePrinterDC(normal, "", 1000, 1480);
    } else {
        FetchDefaultDevmode();
        CreatePrinterDC(normal, "", -1, -1);
        if (g_Settings.rememberedUnit == 1) {
            g_Settings.unit = 1;
            g_Settings.width *= (float)kInchPerMm;
            g_Settings.height *= (float)kInchPerMm;
            g_Settings.left *= (float)kInchPerMm;
            g_Settings.top *= (float)kInchPerMm;
            WriteNormalEdits(normal);
        }
    }
    PlacePanels();
    RedrawPreview();
}

void SwitchUnit(HWND panel, int unit) {
    if (unit == g_Settings.unit) return;
    const float k = unit == 1 ? 0.03937008f : 25.4f;
    g_Settings.unit = unit;
    g_Settings.width *= k;
    g_Settings.height *= k;
    g_Settings.left *= k;
    g_Settings.top *= k;
    WriteNormalEdits(panel);
    RedrawPreview();
}

void RestartTimer(HWND panel) {
    KillTimer(panel, kPanelTimer);
    SetTimer(panel, kPanelTimer, 500, nullptr);
}

float Aspect() {
    const PrintSource* s = g_Job.source;
    return s && s->width > 0 ? (float)s->height / (float)s->width : 1.0f;
}

INT_PTR CALLBACK PrtBaseDlgProc(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        const float ratio = g_Settings.width > 0 ? g_Settings.height / g_Settings.width : 0;
        if (g_Settings.firstOpening || std::fabs(ratio - Aspect()) > 1e-4f) ResetPrintSize(panel);
        else WriteNormalEdits(panel);
        g_Settings.firstOpening = 0;
        SetTimer(panel, kPanelTimer, 500, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (wp != kPanelTimer) break;
        KillTimer(panel, kPanelTimer);
        RedrawPreview();
        WriteNormalEdits(panel);
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == IDC_PRT_UNIT_MM || item->CtlID == IDC_PRT_UNIT_INCH) {
            const int unit = item->CtlID == IDC_PRT_UNIT_INCH ? 1 : 0;
            DrawPanelButton(item, unit ? "inch" : "mm", unit == g_Settings.unit, 0);
            return TRUE;
        }
        break;
    }
    case WM_VSCROLL: {
        const int code = LOWORD(wp);
        switch (GetDlgCtrlID((HWND)lp)) {
        case IDC_PRT_WIDTH_SPIN: SpinDlgItemFloat(panel, IDC_PRT_WIDTH, &g_Settings.width, 1000, 1, code); break;
        case IDC_PRT_HEIGHT_SPIN: SpinDlgItemFloat(panel, IDC_PRT_HEIGHT, &g_Settings.height, 1000, 1, code); break;
        case IDC_PRT_LEFT_SPIN: SpinDlgItemFloat(panel, IDC_PRT_LEFT, &g_Settings.left, 1000, 0, code); break;
        case IDC_PRT_TOP_SPIN: SpinDlgItemFloat(panel, IDC_PRT_TOP, &g_Settings.top, 1000, 0, code); break;
        case IDC_PRT_COPIES_SPIN: SpinDlgItemInt(panel, IDC_PRT_COPIES, &g_Settings.copies, 100, 1, code); break;
        default: return FALSE;
        }
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (code == EN_CHANGE) {
            if (g_Settings.changing) return TRUE;
            float v = 0;
            if (id != IDC_PRT_COPIES) {
                ReadDlgItemFloat(panel, id, &v, 1000, id == IDC_PRT_WIDTH || id == IDC_PRT_HEIGHT ? 0.1f : 0);
                if (v > 1000) return TRUE;   // not a number: the timer writes the value back
            }
            if (id == IDC_PRT_WIDTH) {
                g_Settings.width = v;
                g_Settings.height = g_Settings.width * Aspect();
                if (g_Settings.height < 1.0f) g_Settings.height = 1.0f;
                WriteEdit(panel, IDC_PRT_HEIGHT, g_Settings.height);
            } else if (id == IDC_PRT_HEIGHT) {
                g_Settings.height = v;
                g_Settings.width = g_Settings.height / Aspect();
                if (g_Settings.width < 1.0f) g_Settings.width = 1.0f;
                WriteEdit(panel, IDC_PRT_WIDTH, g_Settings.width);
            } else if (id == IDC_PRT_LEFT) {
                g_Settings.left = v;
            } else if (id == IDC_PRT_TOP) {
                g_Settings.top = v;
            } else if (id == IDC_PRT_COPIES) {
                ReadDlgItemInt(panel, id, &g_Settings.copies, 100, 1);
            } else {
                return FALSE;
            }
            RestartTimer(panel);
            return TRUE;
        }
        switch (id) {
        case IDC_PRT_UNIT_MM: SwitchUnit(panel, 0); return TRUE;
        case IDC_PRT_UNIT_INCH: SwitchUnit(panel, 1); return TRUE;
        case IDC_PRT_FIT:
            FitToPaper();
            WriteNormalEdits(panel);
            RedrawPreview();
            return TRUE;
        case IDC_PRT_CENTRE:
            Centre();
            WriteNormalEdits(panel);
            RedrawPreview();
            return TRUE;
        case IDC_PRT_SETUP:
            EnableWindow(panel, FALSE);
            if (RunPrintDialog(g_Job.dialog)) ResetPrintSize(panel);
            EnableWindow(panel, TRUE);
            RedrawPreview();
            return TRUE;
        case IDC_PRT_PRINT: EndDialog(g_Job.dialog, 1); return TRUE;
        case IDOK: EndDialog(g_Job.dialog, 0); return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK PrtBase2DlgProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(panel, IDC_PRT_PAPERS);
        for (int i = 0; i < g_PaperCount; ++i) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)g_Papers[i].name);
        if (g_Settings.paper >= g_PaperCount) g_Settings.paper = 0;
        SendMessageA(list, LB_SETCURSEL, (WPARAM)g_Settings.paper, 0);
        SetDlgItemInt(panel, IDC_PRT_COPIES, 1, FALSE);
        SetTimer(panel, kPanelTimer, 500, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (wp != kPanelTimer) break;
        KillTimer(panel, kPanelTimer);
        RedrawPreview();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_PRT_PAPERS:
            if (HIWORD(wp) == LBN_SELCHANGE) {
                const LRESULT i = SendDlgItemMessageA(panel, IDC_PRT_PAPERS, LB_GETCURSEL, 0, 0);
                if (i >= 0 && i < g_PaperCount) g_Settings.paper = (int)i;
                RedrawPreview();
            }
            return TRUE;
        case IDC_PRT_SETUP:
            if (RunPrintDialog(g_Job.dialog)) CreatePrinterDC(g_Job.panels[0], "", 1000, 1480);
            RedrawPreview();
            return TRUE;
        case IDC_PRT_PRINT: EndDialog(g_Job.dialog, 1); return TRUE;
        case IDOK: EndDialog(g_Job.dialog, 0); return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK PrtDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_Job.dialog = dlg;
        EnablePanels(FALSE);
        RECT r{0, 0, 640, 480};
        AdjustWindowRectEx(&r, (DWORD)GetWindowLongPtrA(dlg, GWL_STYLE), FALSE, (DWORD)GetWindowLongPtrA(dlg, GWL_EXSTYLE));
        SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        PlaceWindow(dlg, 1);
        HINSTANCE module = (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE);
        g_Job.view = CreateWindowExA(0, "PrtViewClass", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 8, 8, 304, 464, dlg,
                                     (HMENU)(INT_PTR)IDC_PRT_VIEW, module, nullptr);
        CreateWindowExA(0, "BUTTON", "通常プリント", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 328, 10, 118, 22, dlg,
                        (HMENU)(INT_PTR)IDC_PRT_MODE_NORMAL, module, nullptr);
        CreateWindowExA(0, "BUTTON", "シールプリント", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 446, 10, 118, 22, dlg,
                        (HMENU)(INT_PTR)IDC_PRT_MODE_STICKER, module, nullptr);
        g_Job.panels[0] = CreateDialogParamA(module, "psv_prtbase", dlg, PrtBaseDlgProc, 0);
        g_Job.panels[1] = CreateDialogParamA(module, "psv_prtbase2", dlg, PrtBase2DlgProc, 0);
        PlacePanels();
        RedrawPreview();
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == IDC_PRT_MODE_NORMAL || item->CtlID == IDC_PRT_MODE_STICKER) {
            const int mode = (int)item->CtlID - IDC_PRT_MODE_NORMAL;
            DrawPanelButton(item, mode ? "シールプリント" : "通常プリント", mode == g_Settings.mode, 0);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_PRT_MODE_NORMAL:
        case IDC_PRT_MODE_STICKER: SetMode(LOWORD(wp) - IDC_PRT_MODE_NORMAL); return TRUE;
        case IDC_PRT_PRINT:
        case IDOK: EndDialog(dlg, 1); return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY:
        EnablePanels(TRUE);
        g_Job.dialog = g_Job.view = nullptr;
        g_Job.panels[0] = g_Job.panels[1] = nullptr;
        break;
    }
    return FALSE;
}

// The canvas fitted into the preview window (nearest neighbour), once per dialog.
bool MakePreviewImage(int width, int height) {
    const PrintSource* s = g_Job.source;
    if (!g_Job.preview.empty()) return true;
    if (!s || s->width < 1 || s->height < 1) return false;
    int fw = 0, fh = 0;
    c_Dib::FitSize(s->width, s->height, width, height, &fw, &fh, 0);
    if (fw < 1 || fh < 1) return false;
    const int stride = (fw * 3 + 3) & ~3;
    g_Job.preview.assign((size_t)stride * fh, 0);
    std::vector<uint32_t> row(s->width);
    for (int y = 0; y < fh; ++y) {
        if (!s->rows(s->context, (int)((long long)y * s->height / fh), (int)((long long)y * s->height / fh), row.data())) {
            g_Job.preview.clear();
            return false;
        }
        uint8_t* out = g_Job.preview.data() + (size_t)(fh - 1 - y) * stride;
        for (int x = 0; x < fw; ++x) {
            const uint32_t v = row[(size_t)((long long)x * s->width / fw)];
            out[x * 3] = (uint8_t)v;
            out[x * 3 + 1] = (uint8_t)(v >> 8);
            out[x * 3 + 2] = (uint8_t)(v >> 16);
        }
    }
    g_Job.previewHeader = BITMAPINFOHEADER{};
    g_Job.previewHeader.biSize = sizeof(BITMAPINFOHEADER);
    g_Job.previewHeader.biWidth = fw;
    g_Job.previewHeader.biHeight = fh;
    g_Job.previewHeader.biPlanes = 1;
    g_Job.previewHeader.biBitCount = 24;
    return true;
}

// A rubber band on the preview sets the picture's place and size.
void DragPreviewRect(HWND wnd, int x0, int y0) {
    HDC dc = GetDC(wnd);
    int x1 = x0, y1 = y0;
    DrawXorRect(dc, x0, y0, x1, y1);
    while (IsLeftButtonDown()) {
        PumpOneMessage();
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(wnd, &p);
        if (p.x == x1 && p.y == y1) continue;
        DrawXorRect(dc, x0, y0, x1, y1);
        x1 = p.x;
        y1 = p.y;
        DrawXorRect(dc, x0, y0, x1, y1);
    }
    DrawXorRect(dc, x0, y0, x1, y1);
    ReleaseDC(wnd, dc);
    const PrintPage& page = g_Printer.page;
    const PrintSource* s = g_Job.source;
    RECT client;
    GetClientRect(wnd, &client);
    int pw = 0, ph = 0;
    c_Dib::FitSize(page.width, page.height, client.right, client.bottom, &pw, &ph, 0);
    if (pw < 1 || ph < 1 || !s || page.dpiX <= 0 || page.dpiY <= 0) return;
    const double k = (double)page.width / pw;
    double left = (x0 < x1 ? x0 : x1) * k, top = (y0 < y1 ? y0 : y1) * k;
    double w = std::abs(x1 - x0) * k, h = std::abs(y1 - y0) * k;
    if (w < 1 || h < 1) return;
    if (w / s->width < h / s->height) h = w * s->height / s->width;
    else w = h * s->width / s->height;
    g_Settings.width = (float)(w / page.dpiX * UnitPerInch());
    g_Settings.height = (float)(h / page.dpiY * UnitPerInch());
    g_Settings.left = (float)(left / page.dpiX * UnitPerInch());
    g_Settings.top = (float)(top / page.dpiY * UnitPerInch());
    if (g_Job.panels[0]) RestartTimer(g_Job.panels[0]);
}

}  // namespace

LRESULT CALLBACK PrtViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT client;
        GetClientRect(wnd, &client);
        if (g_Job.source && MakePreviewImage(client.right, client.bottom)) {
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, 0, 0, client.right, client.bottom);
            if (g_Settings.mode == 1) RenderStickerPage(dc, client.right, client.bottom, true);
            else RenderNormalPage(dc, client.right, client.bottom, true);
            RestoreDC(dc, saved);
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
        if (g_Settings.mode == 0) DragPreviewRect(wnd, (short)LOWORD(lp), (short)HIWORD(lp));
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

PrintSettings& CurrentPrintSettings() { return g_Settings; }
PrintPage CurrentPrintPage() { return g_Printer.page; }
int StickerPaperCount() { return g_PaperCount; }
const PaperEntry* StickerPaper(int index) { return index >= 0 && index < g_PaperCount ? &g_Papers[index] : nullptr; }

namespace {

// One text line without its line end; false at the end of the file.
bool ReadLine(FILE* f, char* line, size_t size) {
    if (!std::fgets(line, (int)size, f)) return false;
    size_t n = std::strlen(line);
    if (n == size - 1 && line[n - 1] != '\n') {
        // A line longer than the limit: the rest is dropped.
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {}
    }
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
    return true;
}

bool Sensible(float v) { return std::isfinite(v) && v >= 0 && v <= 10000; }

}  // namespace

int ReadStickerPapers(const char* programFolder) {
    g_PaperCount = 0;
    for (auto& e : g_Papers) e.name[0] = 0;
    char path[MAX_PATH + 16];
    if (std::snprintf(path, sizeof path, "%ssprint.par", programFolder ? programFolder : "") >= (int)sizeof path)
        return 0;
    FILE* f = std::fopen(path, "r");
    if (!f) return 0;
    char line[256];
    bool pending = ReadLine(f, line, sizeof line);
    while (pending && g_PaperCount < kMaxPapers) {
        if (std::strncmp(line, "paper", 5) != 0) {
            pending = ReadLine(f, line, sizeof line);
            continue;
        }
        char fields[5][256];
        int got = 0;
        while (got < 5 && ReadLine(f, fields[got], sizeof fields[got])) ++got;
        if (got < 5) break;   // a block cut off by the end of the file adds nothing
        PaperEntry e{};
        bool ok = fields[0][0] != 0 && std::strlen(fields[0]) < sizeof e.name;
        if (ok) lstrcpynA(e.name, fields[0], sizeof e.name);
        ok = ok && std::sscanf(fields[1], "%d %d", &e.columns, &e.rows) == 2;
        ok = ok && std::sscanf(fields[2], "%f %f", &e.left, &e.top) == 2;
        ok = ok && std::sscanf(fields[3], "%f %f", &e.cellWidth, &e.cellHeight) == 2;
        ok = ok && std::sscanf(fields[4], "%f %f", &e.pitchX, &e.pitchY) == 2;
        ok = ok && e.columns >= 1 && e.columns <= 100 && e.rows >= 1 && e.rows <= 100;
        ok = ok && Sensible(e.left) && Sensible(e.top) && Sensible(e.pitchX) && Sensible(e.pitchY);
        ok = ok && Sensible(e.cellWidth) && Sensible(e.cellHeight) && e.cellWidth > 0 && e.cellHeight > 0;
        if (ok) g_Papers[g_PaperCount++] = e;
        pending = ReadLine(f, line, sizeof line);
    }
    std::fclose(f);
    return 1;
}

int PrintCanvas(HWND owner, const char* programFolder, const PrintSource& source) {
    if (!ReadStickerPapers(programFolder)) {
        ShowMessageBox(owner, kNoPapers, kAppTitle, kMsgOk);
        return 0;
    }
    InitPrinter();
    if (!g_Printer.dc) {
        ShowMessageBox(owner, kNoPrinter, kAppTitle, kMsgOk);
        return 0;
    }
    if (source.width < 1 || source.height < 1 || !source.rows) return 0;
    g_Job.source = &source;
    g_Job.preview.clear();
    HINSTANCE module = GetModuleHandleA(nullptr);
    const INT_PTR answer = RunModalDialog(module, "psv_prt", owner, PrtDlgProc, 0);
    g_Job.preview.clear();
    g_Job.preview.shrink_to_fit();
    int printed = 0;
    if (answer == 1) printed = RunJob(owner, g_Settings.mode == 1);
    g_Job.source = nullptr;
    return printed;
}
